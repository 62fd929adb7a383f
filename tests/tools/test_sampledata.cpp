#include "settings/settingsfile.h"
#include "tests/common/testdb.h"
#include "tools/sampledata.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

class TestSampleData : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void databaseAndProgram();
};

void TestSampleData::databaseAndProgram() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"icerik.MDB"_qs);
    SampleDataOptions a;
    a.year = 2025;
    const SampleDataResult r = writeSampleDatabase(path, a);
    // Customers, invoices with and without discounts in both VAT modes, all dated in the year
    // asked for, and a campaign's lines, its invoices all in that year and in a region from
    // the batch window's list. (That the batch window finds and prints all of a sample's
    // campaign is checked in test_limits.)
    QCOMPARE(queryRows(path,
                       "SELECT (SELECT count(*) FROM MUSTERI), count(DISTINCT faturano), "
                       "count(*), count(DISTINCT kdvdahil), (SELECT count(DISTINCT i) FROM "
                       "(SELECT max(iskonto) <> '' AS i FROM faturalar GROUP BY faturano)), "
                       "sum(fatura_tarihi NOT LIKE '%.2025'), (SELECT count(*) FROM "
                       "FATSTOKKAMPANYA2025), (SELECT count(*) FROM FATCARIKAMPANYA2025 WHERE "
                       "FATURA_TARIHI NOT LIKE '2025-%' OR DAGITIM_BOLGESI NOT IN ('ANTALYA', "
                       "'ADANA', 'ANKARA', 'İSTANBUL', 'İZMİR', 'TRABZON')) FROM faturalar"),
             (QList<QVariantList>{
                 {a.customers, a.invoices, r.invoiceLines, 2, 2, 0, r.campaignLines, 0}}));
    const QString texts =
        queryRows(path,
                  "SELECT (SELECT group_concat(adi_soyadi || adresi || adresi2) FROM MUSTERI) "
                  "|| (SELECT group_concat(ADI_SOYADI || ADRESI || BOLGE) FROM "
                  "FATCARIKAMPANYA2025) || group_concat(aciklama) FROM faturalar")[0][0]
            .toString();
    for (const QChar letter : u"ğüşıöçİ"_qs)
        QVERIFY2(texts.contains(letter), qPrintable(QString(letter)));

    // The same seed gives the same file, another seed another one.
    writeSampleDatabase(dir.filePath(u"ayni.MDB"_qs), a);
    QCOMPARE(fileBytes(dir.filePath(u"ayni.MDB"_qs)), fileBytes(path));
    a.seed = 2;
    writeSampleDatabase(dir.filePath(u"baska.MDB"_qs), a);
    QVERIFY(fileBytes(dir.filePath(u"baska.MDB"_qs)) != fileBytes(path));

    // ornek-veri fills a working directory; a database that is there is never written over.
    const QString folder = dir.filePath(u"demo"_qs);
    const QString database = folder + u"/fatura.MDB"_qs;
    QString output;
    const auto run = [&] {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(FATURA_BINARY_DIR "/tools/ornek-veri"),
                {"--dizin", folder, "--musteri", "3", "--fatura=2", "--kampanya-fatura", "2",
                 "--yil", "2024"});
        const bool finished = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
        output = QString::fromUtf8(p.readAll());
        return finished ? p.exitCode() : -1;
    };
    QVERIFY2(run() == 0, qPrintable(output));
    QCOMPARE(fileBytes(folder + u"/ayarlar.dat"_qs), settingsFileBytes(defaultSettings()));
    QCOMPARE(queryRows(database, "SELECT (SELECT count(*) FROM MUSTERI), count(DISTINCT "
                                 "faturano), (SELECT count(*) FROM FATCARIKAMPANYA2024) FROM "
                                 "faturalar"),
             (QList<QVariantList>{{3, 2, 2}}));

    const QByteArray before = fileBytes(database);
    QCOMPARE(run(), 1);
    QVERIFY2(output.contains(u"veritabanı zaten var, dokunulmadı: "_qs + database),
             qPrintable(output));
    QCOMPARE(fileBytes(database), before);
}

QTEST_GUILESS_MAIN(TestSampleData)
#include "test_sampledata.moc"
