#include "../db/testdb.h"
#include "invoice/batchrun.h"
#include "tools/sampledata.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

// Every table's rows, in table order.
QList<QVariantList> dokum(const QString &yol) {
    QList<QVariantList> sonuc;
    for (const QVariantList &t :
         satirlar(yol, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
        sonuc << t << satirlar(yol, u"SELECT * FROM \"%1\" ORDER BY rowid"_qs.arg(t[0].toString()));
    return sonuc;
}

QByteArray dosya(const QString &yol) {
    QFile f(yol);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestSampleData : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void icerik();
    void program();

private:
    QTemporaryDir m_dizin;
};

void TestSampleData::icerik() {
    const QString yol = m_dizin.filePath(u"icerik.MDB"_qs);
    OrnekVeri a;
    a.yil = 2025;
    const OrnekVeriSonucu r = ornekVeritabaniYaz(yol, a);
    // Customers, invoices with and without discounts in both VAT modes, a campaign's lines.
    QCOMPARE(satirlar(yol, "SELECT (SELECT count(*) FROM MUSTERI), count(DISTINCT faturano), "
                           "count(*), count(DISTINCT kdvdahil), (SELECT count(DISTINCT i) FROM "
                           "(SELECT max(iskonto) <> '' AS i FROM faturalar GROUP BY faturano)), "
                           "(SELECT count(*) FROM FATSTOKKAMPANYA2025) FROM faturalar"),
             (QList<QVariantList>{{40, 25, r.faturaSatiri, 2, 2, r.kampanyaKalemi}}));
    const QString metinler =
        satirlar(yol, "SELECT (SELECT group_concat(adi_soyadi || adresi || adresi2) FROM MUSTERI) "
                      "|| (SELECT group_concat(ADI_SOYADI || ADRESI || BOLGE) FROM "
                      "FATCARIKAMPANYA2025) || group_concat(aciklama) FROM faturalar")[0][0]
            .toString();
    for (const QChar harf : u"ğüşıöçİ"_qs)
        QVERIFY2(metinler.contains(harf), qPrintable(QString(harf)));

    // The campaign as the batch window finds and prints it, regions from the window's list.
    Veritabani db(yol);
    QCOMPARE(kampanyalar(db), QStringList{r.kampanya});
    QCOMPARE(satirlar(yol, "SELECT count(*) FROM FATCARIKAMPANYA2025 WHERE DAGITIM_BOLGESI NOT "
                           "IN ('ANTALYA', 'ADANA', 'ANKARA', 'İSTANBUL', 'İZMİR', 'TRABZON')"),
             QList<QVariantList>{{0}});
    RecordingPrinter yazici;
    QCOMPARE(runBatch(yazici, varsayilanAyarlar(), yol, r.kampanya, {}), 30);
    const QString tarih = yazici.lines().value(0).text;
    QVERIFY2(QDate::fromString(tarih, u"dd.MM.yyyy"_qs).year() == 2025, qPrintable(tarih));

    // The same seed gives the same data, another seed other data.
    ornekVeritabaniYaz(m_dizin.filePath(u"ayni.MDB"_qs), a);
    QCOMPARE(dokum(m_dizin.filePath(u"ayni.MDB"_qs)), dokum(yol));
    a.tohum = 2;
    ornekVeritabaniYaz(m_dizin.filePath(u"baska.MDB"_qs), a);
    QVERIFY(dokum(m_dizin.filePath(u"baska.MDB"_qs)) != dokum(yol));
}

// ornek-veri fills a working directory; a database that is there is never written over.
void TestSampleData::program() {
    const QString dizin = m_dizin.filePath(u"demo"_qs);
    const QString veritabani = dizin + u"/fatura.MDB"_qs;
    QString cikti;
    const auto calistir = [&] {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(FATURA_BINARY_DIR "/tools/ornek-veri"),
                {"--dizin", dizin, "--musteri", "3", "--fatura=2", "--kampanya-fatura", "2",
                 "--yil", "2024"});
        const bool bitti = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
        cikti = QString::fromUtf8(p.readAll());
        return bitti ? p.exitCode() : -1;
    };
    QVERIFY2(calistir() == 0, qPrintable(cikti));
    QCOMPARE(dosya(dizin + u"/ayarlar.dat"_qs), ayarDosyasiIcerigi(varsayilanAyarlar()));
    QCOMPARE(satirlar(veritabani, "SELECT (SELECT count(*) FROM MUSTERI), count(DISTINCT "
                                  "faturano), (SELECT count(*) FROM FATCARIKAMPANYA2024) FROM "
                                  "faturalar"),
             (QList<QVariantList>{{3, 2, 2}}));

    const QByteArray once = dosya(veritabani);
    QCOMPARE(calistir(), 1);
    QVERIFY2(cikti.contains(u"veritabanı zaten var, dokunulmadı: "_qs + veritabani),
             qPrintable(cikti));
    QCOMPARE(dosya(veritabani), once);
}

QTEST_GUILESS_MAIN(TestSampleData)
#include "test_sampledata.moc"
