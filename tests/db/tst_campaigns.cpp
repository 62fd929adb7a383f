// Which tables are campaigns and how SQLite reads one. What a batch run selects and prints
// is checked on paper in tests/batch.
#include "db/campaigns.h"
#include "testdb.h"

#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

const QString baslikTablosu =
    QStringLiteral("CREATE TABLE \"FATCARI%1\" (SIRANO INTEGER, DAGITIM_BOLGESI TEXT, "
                   "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, ISKONTO REAL)");
const QString kalemTablosu = QStringLiteral(
    "CREATE TABLE \"FATSTOK%1\" (FATURANO INTEGER, ACIKLAMA TEXT, MIKTAR REAL, BR_FIYAT REAL)");

} // namespace

class TestCampaigns : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listeleme();
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
    QStringList okunan;
    kampanyaFaturalari(db, ad, {"1", "1", "ADANA"}, [&](const KampanyaFaturasi &f) {
        okunan << f.adi_soyadi.toString() << f.kalemler.value(0).aciklama.toString();
        return true;
    });
    QCOMPARE(okunan, (QStringList{"Gökçe", "Çay"}));
}

void TestCampaigns::birGecis() {
    sql(m_yol, {baslikTablosu.arg("KAMPANYAK"), kalemTablosu.arg("KAMPANYAK")});
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
}

void TestCampaigns::eksikTablolar() {
    // The campaign's own tables are named, not a list that is only empty.
    sql(m_yol, {"CREATE TABLE KAMPANYAB (a)", baslikTablosu.arg("KAMPANYAB")});
    Veritabani db(m_yol);
    QCOMPARE(hata([&] { kampanyaFaturaSayisi(db, "KAMPANYAB", {}); }),
             QStringLiteral("Veritabanında FATSTOKKAMPANYAB tablosu yok: %1").arg(m_yol));
    QCOMPARE(hata([&] { kampanyaFaturalari(db, "KAMPANYAC", {}, {}); }),
             QStringLiteral("Veritabanında FATCARIKAMPANYAC tablosu yok: %1").arg(m_yol));
}

QTEST_GUILESS_MAIN(TestCampaigns)
#include "tst_campaigns.moc"
