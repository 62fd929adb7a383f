#include "db/campaigns.h"
#include "invoice/numbers.h"
#include "testdb.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <random>

using namespace testdb;

namespace {

const QString baslikTablosu =
    QStringLiteral("CREATE TABLE \"FATCARI%1\" (SIRANO INTEGER, DAGITIM_BOLGESI TEXT COLLATE "
                   "NOCASE, FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                   "ISKONTO REAL)");
const QString kalemTablosu = QStringLiteral(
    "CREATE TABLE \"FATSTOK%1\" (FATURANO INTEGER, ACIKLAMA TEXT, MIKTAR REAL, BR_FIYAT REAL)");

// A campaign whose invoices are named r1 ... r10 in table order. The region column ignores
// case as far as SQLite is concerned, so an exact comparison has to be asked for.
void ornekKampanya(const QString &yol) {
    sql(yol,
        {QStringLiteral("CREATE TABLE KAMPANYAK (ADI TEXT)"), baslikTablosu.arg("KAMPANYAK"),
         kalemTablosu.arg("KAMPANYAK"),
         QStringLiteral(
             "INSERT INTO FATCARIKAMPANYAK (SIRANO, DAGITIM_BOLGESI, ADI_SOYADI) VALUES "
             "(3, 'ANKARA', 'r1'), (1, 'İSTANBUL', 'r2'), (0, 'İZMİR', 'r3'), "
             "(2, 'İSTANBUL', 'r4'), (NULL, 'İSTANBUL', 'r5'), (5, NULL, 'r6'), "
             "(0, 'İSTANBUL', 'r7'), (4, '', 'r8'), (7, 'istanbul', 'r9'), (2, 'ANKARA', 'r10')"),
         QStringLiteral("UPDATE FATCARIKAMPANYAK SET FATURA_TARIHI = '2026-11-0' || rowid, "
                        "BOLGE = 'Çankaya', ADRESI = 'Adres ' || rowid, ISKONTO = rowid * 1.5 "
                        "WHERE rowid <> 2"),
         // Table order differs from the order of the texts, and some lines belong nowhere.
         QStringLiteral("INSERT INTO FATSTOKKAMPANYAK VALUES (1, 'b1', 1, 10), (2, 'z2', 2, 5.5), "
                        "(99, 'yetim', 1, 1), (1, 'a1', 3, 2), (NULL, 'boş', 1, 1), "
                        "(3, 'c3', 1, 1), (1, 'c1', 1, 1), (2, 'a2', NULL, NULL), "
                        "(0, 's0', 1, 1)")});
}

QStringList adlar(const QList<KampanyaFaturasi> &faturalar) {
    QStringList s;
    for (const KampanyaFaturasi &f : faturalar)
        s << f.adi_soyadi.toString();
    return s;
}

QStringList aciklamalar(const KampanyaFaturasi &f) {
    QStringList s;
    for (const KampanyaFaturasi::Kalem &k : f.kalemler)
        s << k.aciklama.toString();
    return s;
}

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

QByteArray ozet(const QString &yol) {
    QFile f(yol);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestCampaigns : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listeleme_data();
    void listeleme();
    void secim_data();
    void secim();
    void kalemler();
    void durdurma();
    void eskiYontemleAyni();
    void metinOlarakSayilar();
    void eksikTablolar();
    void tirnakliAd();
    void sorguPlani();

private:
    QTemporaryDir m_dizin;
    QString m_yol;
};

void TestCampaigns::init() {
    m_yol = m_dizin.filePath(QStringLiteral("%1.MDB").arg(QTest::currentTestFunction()));
    QFile::remove(m_yol);
    veritabaniOlustur(m_yol);
}

void TestCampaigns::listeleme_data() {
    QTest::addColumn<QStringList>("komutlar");
    QTest::addColumn<QStringList>("kampanyalar");
    QTest::newRow("hiç kampanya yok") << QStringList{} << QStringList{};
    QTest::newRow("yalnız büyük harfle başlayan")
        << QStringList{"CREATE TABLE KAMPANYA1 (a)",
                       "CREATE TABLE kampanya2 (a)",
                       "CREATE TABLE FATCARIKAMPANYA1 (a)",
                       "CREATE TABLE Kampanya3 (a)",
                       "CREATE TABLE KAMPANYa4 (a)",
                       "CREATE TABLE sayac (n INTEGER PRIMARY KEY AUTOINCREMENT)",
                       "INSERT INTO sayac DEFAULT VALUES",
                       "ANALYZE"}
        << QStringList{"KAMPANYA1"};
    QTest::newRow("tam KAMPANYA") << QStringList{"CREATE TABLE KAMPANYA (a)"}
                                  << QStringList{"KAMPANYA"};
    QTest::newRow("oluşturulma sırası")
        << QStringList{"CREATE TABLE KAMPANYA_KIS (a)", "CREATE TABLE KAMPANYA_BAHAR (a)",
                       "CREATE TABLE KAMPANYA2025 (a)", "CREATE TABLE \"KAMPANYA İZMİR\" (a)"}
        << QStringList{"KAMPANYA_KIS", "KAMPANYA_BAHAR", "KAMPANYA2025", "KAMPANYA İZMİR"};
    QTest::newRow("tablo olmayanlar")
        << QStringList{"CREATE TABLE KAMPANYA1 (a)", "CREATE INDEX KAMPANYA1_A ON KAMPANYA1(a)",
                       "CREATE VIEW KAMPANYA_GORUNUM AS SELECT * FROM KAMPANYA1",
                       "CREATE TRIGGER KAMPANYA_TETIK AFTER INSERT ON KAMPANYA1 BEGIN SELECT 1; "
                       "END"}
        << QStringList{"KAMPANYA1"};
}

void TestCampaigns::listeleme() {
    QFETCH(QStringList, komutlar);
    QFETCH(QStringList, kampanyalar);
    sql(m_yol, komutlar);
    Veritabani db(m_yol);
    QCOMPARE(::kampanyalar(db), kampanyalar);
}

void TestCampaigns::secim_data() {
    QTest::addColumn<QString>("baslangic");
    QTest::addColumn<QString>("bitis");
    QTest::addColumn<QString>("bolge");
    QTest::addColumn<QStringList>("secilen");
    QTest::newRow("hepsi boş") << ""
                               << ""
                               << "" << QStringList{"r1", "r2", "r3", "r4", "r5",
                                                    "r6", "r7", "r8", "r9", "r10"};
    QTest::newRow("aralık ve bölge") << "1"
                                     << "3"
                                     << "İSTANBUL" << QStringList{"r2", "r4"};
    QTest::newRow("numaralar boş") << ""
                                   << ""
                                   << "İSTANBUL" << QStringList{"r7"};
    QTest::newRow("başlangıç bitişten büyük") << "5"
                                              << "2"
                                              << "İSTANBUL" << QStringList{};
    QTest::newRow("küçük harf") << "0"
                                << "10"
                                << "istanbul" << QStringList{"r9"};
    QTest::newRow("noktasız I") << "0"
                                << "10"
                                << "ISTANBUL" << QStringList{};
    QTest::newRow("yalnız baş harf büyük") << "0"
                                           << "10"
                                           << "İstanbul" << QStringList{};
    QTest::newRow("harf büyüklüğü") << "0"
                                    << "10"
                                    << "ankara" << QStringList{};
    QTest::newRow("aynı numara iki kez") << "0"
                                         << "10"
                                         << "ANKARA" << QStringList{"r1", "r10"};
    QTest::newRow("boş bölge") << "0"
                               << "10"
                               << "" << QStringList{"r8"};
    QTest::newRow("yalnız bitiş") << ""
                                  << "5"
                                  << "" << QStringList{"r8"};
    QTest::newRow("sayıyla başlayan metinler") << "abc"
                                               << "2x"
                                               << "İSTANBUL" << QStringList{"r2", "r4", "r7"};
    QTest::newRow("ondalık başlangıç") << "1.5"
                                       << "2"
                                       << "İSTANBUL" << QStringList{"r4"};
    QTest::newRow("boşluklu") << " 2"
                              << "2 "
                              << "İSTANBUL" << QStringList{"r4"};
    QTest::newRow("eksi") << "-5"
                          << "100"
                          << "İSTANBUL" << QStringList{"r2", "r4", "r7"};
}

void TestCampaigns::secim() {
    QFETCH(QString, baslangic);
    QFETCH(QString, bitis);
    QFETCH(QString, bolge);
    QFETCH(QStringList, secilen);
    ornekKampanya(m_yol);
    const QByteArray once = ozet(m_yol);
    {
        Veritabani db(m_yol, Veritabani::Erisim::Yazma);
        QCOMPARE(adlar(oku(db, QStringLiteral("KAMPANYAK"), {baslangic, bitis, bolge})), secilen);
        QCOMPARE(kampanyaFaturaSayisi(db, QStringLiteral("KAMPANYAK"), {baslangic, bitis, bolge}),
                 secilen.size());
        // A list with nothing picked may give a null text: the same as the empty one.
        if (bolge.isEmpty())
            QCOMPARE(adlar(oku(db, QStringLiteral("KAMPANYAK"), {baslangic, bitis, QString()})),
                     secilen);
    }
    // A batch run only reads.
    QCOMPARE(ozet(m_yol), once);
}

void TestCampaigns::kalemler() {
    ornekKampanya(m_yol);
    Veritabani db(m_yol);
    const QList<KampanyaFaturasi> f = oku(db, QStringLiteral("KAMPANYAK"));
    QCOMPARE(f.size(), 10);
    // Lines in table order; those of no invoice nowhere; two headers with one number share
    // its lines.
    const QList<QStringList> beklenen = {
        {"c3"}, {"b1", "a1", "c1"}, {"s0"}, {"z2", "a2"}, {}, {}, {"s0"}, {}, {}, {"z2", "a2"}};
    for (int i = 0; i < f.size(); ++i)
        QCOMPARE(aciklamalar(f.at(i)), beklenen.at(i));

    const KampanyaFaturasi &r4 = f.at(3);
    QCOMPARE(r4.sirano.toLongLong(), 2);
    QCOMPARE(r4.fatura_tarihi.toString(), QStringLiteral("2026-11-04"));
    QCOMPARE(r4.bolge.toString(), QStringLiteral("Çankaya"));
    QCOMPARE(r4.adresi.toString(), QStringLiteral("Adres 4"));
    QCOMPARE(r4.iskonto.toDouble(), 6.0);
    QCOMPARE(r4.kalemler.at(0).miktar.toDouble(), 2.0);
    QCOMPARE(r4.kalemler.at(0).br_fiyat.toDouble(), 5.5);
    // NULL stays NULL, to be told apart from 0.
    QVERIFY(!r4.kalemler.at(1).miktar.isValid());
    QVERIFY(!r4.kalemler.at(1).br_fiyat.isValid());
    QVERIFY(!f.at(4).sirano.isValid());
    QVERIFY(!f.at(1).iskonto.isValid());
    QVERIFY(!f.at(1).bolge.isValid());
    QVERIFY(!f.at(1).fatura_tarihi.isValid());
}

void TestCampaigns::durdurma() {
    ornekKampanya(m_yol);
    Veritabani db(m_yol);
    QStringList verilen;
    const int n =
        kampanyaFaturalari(db, QStringLiteral("KAMPANYAK"), {}, [&](const KampanyaFaturasi &f) {
            verilen << f.adi_soyadi.toString();
            return verilen.size() < 3;
        });
    QCOMPARE(n, 3);
    QCOMPARE(verilen, (QStringList{"r1", "r2", "r3"}));
    // The last invoice is handed over too, with its lines.
    QCOMPARE(kampanyaFaturalari(db, QStringLiteral("KAMPANYAK"), {"0", "10", "ANKARA"},
                                [&](const KampanyaFaturasi &f) {
                                    verilen << aciklamalar(f).join(u',');
                                    return true;
                                }),
             2);
    QCOMPARE(verilen.mid(3), (QStringList{"c3", "z2,a2"}));
}

void TestCampaigns::eskiYontemleAyni() {
    // Random headers (numbers repeating, missing, out of order) and lines in random order:
    // the one pass gives what going through the whole line table for every selected header
    // gives.
    std::mt19937 zar(20261206);
    const auto rastgele = [&](int enCok) { return int(zar() % unsigned(enCok + 1)); };
    const QStringList bolgeler = {"ANTALYA", "ADANA", "ANKARA", "İSTANBUL", "İZMİR", "TRABZON"};
    QStringList komutlar = {baslikTablosu.arg("KAMPANYAR"), kalemTablosu.arg("KAMPANYAR")};
    for (int i = 0; i < 300; ++i) {
        const int no = rastgele(250);
        komutlar << QStringLiteral("INSERT INTO FATCARIKAMPANYAR (SIRANO, DAGITIM_BOLGESI, "
                                   "ADI_SOYADI) VALUES (%1, '%2', 'h%3')")
                        .arg(no < 5 ? QStringLiteral("NULL") : QString::number(no))
                        .arg(bolgeler.at(rastgele(5)))
                        .arg(i);
    }
    for (int i = 0; i < 1500; ++i)
        komutlar << QStringLiteral("INSERT INTO FATSTOKKAMPANYAR VALUES (%1, 'k%2', %3, 1.25)")
                        .arg(rastgele(300))
                        .arg(rastgele(9999))
                        .arg(i);
    sql(m_yol, komutlar);

    // The old way: every header row in order, the whole line table for each selected one.
    const QList<QVariantList> basliklar = satirlar(
        m_yol, QStringLiteral("SELECT SIRANO, DAGITIM_BOLGESI, ADI_SOYADI FROM FATCARIKAMPANYAR"));
    const QList<QVariantList> tumKalemler =
        satirlar(m_yol, QStringLiteral("SELECT FATURANO, ACIKLAMA, MIKTAR FROM FATSTOKKAMPANYAR"));
    const auto eskiYontem = [&](const KampanyaSecimi &s) {
        QStringList sonuc;
        const bool hepsi = s.baslangic.isEmpty() && s.bitis.isEmpty() && s.bolge.isEmpty();
        for (const QVariantList &b : basliklar) {
            const bool secili =
                hepsi || (b.at(0).isValid() && b.at(1).isValid() &&
                          b.at(0).toDouble() >= leadingNumber(s.baslangic) &&
                          b.at(0).toDouble() <= leadingNumber(s.bitis) && b.at(1) == s.bolge);
            if (!secili)
                continue;
            QString fatura = b.at(2).toString() + u':';
            for (const QVariantList &k : tumKalemler) {
                if (b.at(0).isValid() && k.at(0) == b.at(0))
                    fatura += k.at(1).toString() + u'/' + k.at(2).toString() + u' ';
            }
            sonuc << fatura;
        }
        return sonuc;
    };

    Veritabani db(m_yol);
    const QList<KampanyaSecimi> secimler = {
        {}, {"10", "200", "İSTANBUL"}, {"0", "250", "ADANA"}, {"100", "100", "İZMİR"}};
    for (const KampanyaSecimi &s : secimler) {
        QStringList tekGecis;
        for (const KampanyaFaturasi &f : oku(db, QStringLiteral("KAMPANYAR"), s)) {
            QString fatura = f.adi_soyadi.toString() + u':';
            for (const KampanyaFaturasi::Kalem &k : f.kalemler)
                fatura += k.aciklama.toString() + u'/' + k.miktar.toString() + u' ';
            tekGecis << fatura;
        }
        QCOMPARE(tekGecis, eskiYontem(s));
    }
}

void TestCampaigns::metinOlarakSayilar() {
    // A header table that keeps its numbers as text, as an import may have left it: 9 and
    // 10 still compare as numbers.
    sql(m_yol, {QStringLiteral("CREATE TABLE FATCARIKAMPANYAT (SIRANO TEXT, DAGITIM_BOLGESI, "
                               "FATURA_TARIHI, BOLGE, ADI_SOYADI, ADRESI, ISKONTO)"),
                kalemTablosu.arg("KAMPANYAT"),
                QStringLiteral("INSERT INTO FATCARIKAMPANYAT (SIRANO, DAGITIM_BOLGESI, "
                               "ADI_SOYADI) VALUES ('10', 'TRABZON', 'on'), "
                               "('9', 'TRABZON', 'dokuz'), ('100', 'TRABZON', 'yüz')"),
                QStringLiteral("INSERT INTO FATSTOKKAMPANYAT VALUES (9, 'dokuzun', 1, 1), "
                               "(10, 'onun', 1, 1)")});
    Veritabani db(m_yol);
    const QList<KampanyaFaturasi> f = oku(db, QStringLiteral("KAMPANYAT"), {"9", "10", "TRABZON"});
    QCOMPARE(adlar(f), (QStringList{"on", "dokuz"}));
    QCOMPARE(aciklamalar(f.at(0)), QStringList{"onun"});
    QCOMPARE(aciklamalar(f.at(1)), QStringList{"dokuzun"});
}

void TestCampaigns::eksikTablolar() {
    sql(m_yol,
        {QStringLiteral("CREATE TABLE KAMPANYAA (a)"), baslikTablosu.arg("KAMPANYAB"),
         QStringLiteral("CREATE TABLE KAMPANYAB (a)"), QStringLiteral("CREATE TABLE KAMPANYAC (a)"),
         QStringLiteral("CREATE TABLE FATCARIKAMPANYAC (SIRANO, DAGITIM_BOLGESI, "
                        "FATURA_TARIHI, BOLGE, ADI_SOYADI, ADRESI)"),
         kalemTablosu.arg("KAMPANYAC"), QStringLiteral("CREATE TABLE KAMPANYAD (a)"),
         baslikTablosu.arg("KAMPANYAD"),
         QStringLiteral("CREATE TABLE FATSTOKKAMPANYAD (faturano, aciklama, miktar)")});
    Veritabani db(m_yol);
    const auto calistir = [&](const QString &kampanya) {
        return hata([&] { oku(db, kampanya, {"1", "5", "ADANA"}); });
    };
    QCOMPARE(calistir("KAMPANYAA"),
             QStringLiteral("Veritabanında FATCARIKAMPANYAA tablosu yok: %1").arg(m_yol));
    QCOMPARE(calistir("KAMPANYAB"),
             QStringLiteral("Veritabanında FATSTOKKAMPANYAB tablosu yok: %1").arg(m_yol));
    QCOMPARE(calistir("KAMPANYAC"),
             QStringLiteral("Veritabanının FATCARIKAMPANYAC tablosunda ISKONTO sütunu yok: %1")
                 .arg(m_yol));
    QCOMPARE(calistir("KAMPANYAD"),
             QStringLiteral("Veritabanının FATSTOKKAMPANYAD tablosunda BR_FIYAT sütunu yok: %1")
                 .arg(m_yol));
    // No campaign picked: the bare prefixes name no tables either.
    QCOMPARE(calistir(QString()),
             QStringLiteral("Veritabanında FATCARI tablosu yok: %1").arg(m_yol));
}

void TestCampaigns::tirnakliAd() {
    const QString ad = QStringLiteral("KAMPANYA \"Kış\" 'Özel'; DROP TABLE MUSTERI; --");
    QString tablo = ad;
    tablo.replace(u'"', QStringLiteral("\"\""));
    sql(m_yol, {QStringLiteral("CREATE TABLE \"%1\" (a)").arg(tablo), baslikTablosu.arg(tablo),
                kalemTablosu.arg(tablo),
                QStringLiteral("INSERT INTO \"FATCARI%1\" (SIRANO, DAGITIM_BOLGESI, ADI_SOYADI) "
                               "VALUES (1, 'ADANA', 'Gökçe')")
                    .arg(tablo),
                QStringLiteral("INSERT INTO \"FATSTOK%1\" VALUES (1, 'Çay', 2, 3)").arg(tablo)});
    Veritabani db(m_yol);
    QCOMPARE(kampanyalar(db), QStringList{ad});
    const QList<KampanyaFaturasi> f = oku(db, ad, {"1", "1", "ADANA"});
    QCOMPARE(adlar(f), QStringList{"Gökçe"});
    QCOMPARE(aciklamalar(f.at(0)), QStringList{"Çay"});
    QCOMPARE(sutun(m_yol, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = "
                                         "'MUSTERI'")),
             QVariantList{1});
}

void TestCampaigns::sorguPlani() {
    ornekKampanya(m_yol);
    Veritabani db(m_yol);
    for (const KampanyaSecimi &s : {KampanyaSecimi{}, KampanyaSecimi{"1", "9", "ADANA"}}) {
        const QStringList plan = kampanyaSorguPlani(db, QStringLiteral("KAMPANYAK"), s);
        const QString metin = plan.join(QStringLiteral(" | "));
        // One pass over the headers; the lines are found through an index, not by going
        // through the whole line table for every header; nothing holds the whole run.
        QVERIFY2(plan.size() == 2, qPrintable(metin));
        QVERIFY2(plan.at(0).startsWith(u"SCAN h"), qPrintable(metin));
        QVERIFY2(plan.at(1).startsWith(u"SEARCH k USING") && plan.at(1).contains(u"INDEX"),
                 qPrintable(metin));
        QVERIFY2(!metin.contains(u"TEMP B-TREE"), qPrintable(metin));
    }
}

QTEST_GUILESS_MAIN(TestCampaigns)
#include "tst_campaigns.moc"
