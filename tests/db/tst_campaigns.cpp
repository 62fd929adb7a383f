// What the database itself does for campaigns: which tables are campaigns, one pass over
// header and line tables, NULLs, counts. The selection as a batch run prints it is checked
// on paper in tests/batch.
#include "db/campaigns.h"
#include "testdb.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

const QString baslikTablosu =
    QStringLiteral("CREATE TABLE \"FATCARI%1\" (SIRANO INTEGER, DAGITIM_BOLGESI TEXT, "
                   "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, ISKONTO REAL)");
const QString kalemTablosu = QStringLiteral(
    "CREATE TABLE \"FATSTOK%1\" (FATURANO INTEGER, ACIKLAMA TEXT, MIKTAR REAL, BR_FIYAT REAL)");

// Campaign KAMPANYAK, its invoices named r1 ... r10 in table order. As an import may leave
// it, the numbers are kept as text (9 must still come before 10) and the region column
// ignores case as far as SQLite is concerned, so an exact comparison has to be asked for.
void ornekKampanya(const QString &yol) {
    sql(yol, {QStringLiteral("CREATE TABLE FATCARIKAMPANYAK (SIRANO TEXT, DAGITIM_BOLGESI TEXT "
                             "COLLATE NOCASE, FATURA_TARIHI, BOLGE, ADI_SOYADI, ADRESI, ISKONTO)"),
              kalemTablosu.arg("KAMPANYAK"),
              QStringLiteral("INSERT INTO FATCARIKAMPANYAK (SIRANO, DAGITIM_BOLGESI, ADI_SOYADI) "
                             "VALUES (3, 'ANKARA', 'r1'), (1, 'İSTANBUL', 'r2'), (0, 'İZMİR', "
                             "'r3'), (2, 'İSTANBUL', 'r4'), (NULL, 'İSTANBUL', 'r5'), (5, NULL, "
                             "'r6'), (0, 'İSTANBUL', 'r7'), (4, '', 'r8'), (7, 'ankara', 'r9'), "
                             "(2, 'ANKARA', 'r10')"),
              QStringLiteral("UPDATE FATCARIKAMPANYAK SET FATURA_TARIHI = '2026-11-0' || rowid, "
                             "BOLGE = 'Çankaya', ADRESI = 'Adres ' || rowid, ISKONTO = rowid * "
                             "1.5 WHERE rowid <> 2"),
              // Table order differs from the order of the texts; some lines belong nowhere.
              QStringLiteral("INSERT INTO FATSTOKKAMPANYAK VALUES (1, 'b1', 1, 10), (2, 'z2', 2, "
                             "5.5), (99, 'yetim', 1, 1), (1, 'a1', 3, 2), (NULL, 'boş', 1, 1), "
                             "(3, 'c3', 1, 1), (1, 'c1', 1, 1), (2, 'a2', NULL, NULL), "
                             "(0, 's0', 1, 1)")});
}

// Every invoice handed over; the count returned must match.
QList<KampanyaFaturasi> oku(Veritabani &db, const QString &kampanya,
                            const KampanyaSecimi &secim = {}) {
    QList<KampanyaFaturasi> sonuc;
    const int n = kampanyaFaturalari(db, kampanya, secim, [&](const KampanyaFaturasi &f) {
        sonuc << f;
        return true;
    });
    if (n != sonuc.size())
        throw std::runtime_error("count differs from invoices handed over");
    return sonuc;
}

// Each invoice as "name:line,line".
QStringList ozet(const QList<KampanyaFaturasi> &faturalar) {
    QStringList s;
    for (const KampanyaFaturasi &f : faturalar) {
        QStringList kalemler;
        for (const KampanyaFaturasi::Kalem &k : f.kalemler)
            kalemler << k.aciklama.toString();
        s << f.adi_soyadi.toString() + u':' + kalemler.join(u',');
    }
    return s;
}

QByteArray dosya(const QString &yol) {
    QFile f(yol);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCampaigns : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listeleme();
    void secim_data();
    void secim();
    void birGecis();
    void eksikTablolar();

private:
    QTemporaryDir m_dizin;
    QString m_yol;
};

void TestCampaigns::init() {
    m_yol = m_dizin.filePath(QStringLiteral("%1.MDB").arg(QTest::currentTestFunction()));
    QFile::remove(m_yol);
    veritabaniOlustur(m_yol);
}

void TestCampaigns::listeleme() {
    // Tables only, named with the eight capitals, in the order they were made; a name
    // with quotes is a name like any other.
    const QString ad = QStringLiteral("KAMPANYA \"Kış\" 'Özel'; DROP TABLE MUSTERI; --");
    QString tablo = ad;
    tablo.replace(u'"', QStringLiteral("\"\""));
    sql(m_yol,
        {"CREATE TABLE KAMPANYA_KIS (a)", "CREATE TABLE kampanya2 (a)",
         "CREATE TABLE FATCARIKAMPANYA1 (a)", "CREATE TABLE Kampanya3 (a)",
         "CREATE TABLE KAMPANYA1 (a)", "CREATE TABLE sayac (n INTEGER PRIMARY KEY AUTOINCREMENT)",
         "INSERT INTO sayac DEFAULT VALUES", "ANALYZE", "CREATE INDEX KAMPANYA1_A ON KAMPANYA1(a)",
         "CREATE VIEW KAMPANYA_GORUNUM AS SELECT * FROM KAMPANYA1", "CREATE TABLE KAMPANYA (a)",
         QStringLiteral("CREATE TABLE \"%1\" (a)").arg(tablo), baslikTablosu.arg(tablo),
         kalemTablosu.arg(tablo),
         QStringLiteral("INSERT INTO \"FATCARI%1\" (SIRANO, DAGITIM_BOLGESI, ADI_SOYADI) VALUES "
                        "(1, 'ADANA', 'Gökçe')")
             .arg(tablo),
         QStringLiteral("INSERT INTO \"FATSTOK%1\" VALUES (1, 'Çay', 2, 3)").arg(tablo)});
    Veritabani db(m_yol);
    QCOMPARE(kampanyalar(db), (QStringList{"KAMPANYA_KIS", "KAMPANYA1", "KAMPANYA", ad}));
    QCOMPARE(ozet(oku(db, ad, {"1", "1", "ADANA"})), QStringList{"Gökçe:Çay"});
}

void TestCampaigns::secim_data() {
    QTest::addColumn<QStringList>("secim");   // first number, last number, region
    QTest::addColumn<QStringList>("secilen"); // each invoice as "name:line,line"
    // Lines in table order; those of no invoice nowhere; two headers with one number share
    // its lines.
    QTest::newRow("hepsi boş") << QStringList{"", "", ""}
                               << QStringList{"r1:c3", "r2:b1,a1,c1", "r3:s0", "r4:z2,a2",
                                              "r5:",   "r6:",         "r7:s0", "r8:",
                                              "r9:",   "r10:z2,a2"};
    QTest::newRow("aralık ve bölge")
        << QStringList{"1", "3", "İSTANBUL"} << QStringList{"r2:b1,a1,c1", "r4:z2,a2"};
    // An empty number counts as 0, a NULL one as none.
    QTest::newRow("numaralar boş") << QStringList{"", "", "İSTANBUL"} << QStringList{"r7:s0"};
    QTest::newRow("küçük harf") << QStringList{"0", "10", "ankara"} << QStringList{"r9:"};
    // An empty region matches only an empty one, never a NULL.
    QTest::newRow("boş bölge") << QStringList{"0", "10", ""} << QStringList{"r8:"};
    QTest::newRow("sayıyla başlayan metinler")
        << QStringList{"1.5 TL", "2x", "İSTANBUL"} << QStringList{"r4:z2,a2"};
}

void TestCampaigns::secim() {
    QFETCH(QStringList, secim);
    QFETCH(QStringList, secilen);
    ornekKampanya(m_yol);
    const QByteArray once = dosya(m_yol);
    {
        Veritabani db(m_yol, Veritabani::Erisim::Yazma);
        QCOMPARE(ozet(oku(db, "KAMPANYAK", {secim[0], secim[1], secim[2]})), secilen);
        // A list with nothing picked may give a null text: the same as the empty one.
        const QString bolge = secim[2].isEmpty() ? QString() : secim[2];
        QCOMPARE(kampanyaFaturaSayisi(db, "KAMPANYAK", {secim[0], secim[1], bolge}),
                 secilen.size());
    }
    // A batch run only reads.
    QCOMPARE(dosya(m_yol), once);
}

void TestCampaigns::birGecis() {
    ornekKampanya(m_yol);
    Veritabani db(m_yol);
    // One pass over the headers; the lines are found through an index, not by going through
    // the whole line table for every header; nothing holds the whole run.
    for (const KampanyaSecimi &s : {KampanyaSecimi{}, KampanyaSecimi{"1", "9", "ADANA"}}) {
        const QStringList plan = kampanyaSorguPlani(db, "KAMPANYAK", s);
        const QString metin = plan.join(QStringLiteral(" | "));
        QVERIFY2(plan.size() == 2 && plan.at(0).startsWith(u"SCAN h") &&
                     plan.at(1).startsWith(u"SEARCH k USING") && plan.at(1).contains(u"INDEX") &&
                     !metin.contains(u"TEMP B-TREE"),
                 qPrintable(metin));
    }
    const QList<KampanyaFaturasi> f = oku(db, "KAMPANYAK");
    const KampanyaFaturasi &r4 = f.at(3);
    QCOMPARE((QVariantList{r4.sirano, r4.fatura_tarihi, r4.bolge, r4.adresi, r4.iskonto,
                           r4.kalemler.at(0).miktar, r4.kalemler.at(0).br_fiyat}),
             (QVariantList{"2", "2026-11-04", "Çankaya", "Adres 4", 6.0, 2.0, 5.5}));
    // NULL stays NULL, to be told apart from 0.
    QVERIFY(!r4.kalemler.at(1).miktar.isValid() && !r4.kalemler.at(1).br_fiyat.isValid());
    QVERIFY(!f.at(4).sirano.isValid());
    QVERIFY(!f.at(1).iskonto.isValid() && !f.at(1).bolge.isValid());
}

void TestCampaigns::eksikTablolar() {
    // The campaign's own tables are named, not a list that is only empty.
    sql(m_yol, {"CREATE TABLE KAMPANYAB (a)", baslikTablosu.arg("KAMPANYAB")});
    Veritabani db(m_yol);
    QCOMPARE(hata([&] { kampanyaFaturaSayisi(db, "KAMPANYAB", {}); }),
             QStringLiteral("Veritabanında FATSTOKKAMPANYAB tablosu yok: %1").arg(m_yol));
    QCOMPARE(hata([&] { oku(db, "KAMPANYAC"); }),
             QStringLiteral("Veritabanında FATCARIKAMPANYAC tablosu yok: %1").arg(m_yol));
}

QTEST_GUILESS_MAIN(TestCampaigns)
#include "tst_campaigns.moc"
