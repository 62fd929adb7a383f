#include "../db/testdb.h"
#include "batch/batchrun.h"
#include "tools/sampledata.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

using namespace testdb;

namespace {

// Every table's rows, in table order.
QList<QVariantList> dokum(const QString &yol) {
    QList<QVariantList> sonuc;
    for (const QVariantList &t : satirlar(yol, "SELECT name FROM sqlite_master WHERE type = "
                                               "'table' ORDER BY name"))
        sonuc << t
              << satirlar(yol, QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid")
                                   .arg(t.value(0).toString()));
    return sonuc;
}

QByteArray dosya(const QString &yol) {
    QFile f(yol);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs ornek-veri: its exit code, then what it wrote to stdout and stderr.
std::pair<int, QString> calistir(const QStringList &argumanlar) {
    QProcess p;
    p.start(QStringLiteral(FATURA_BINARY_DIR "/tools/ornek-veri"), argumanlar);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return {-1, {}};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

} // namespace

class TestSampleData : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ayniTohumAyniVeri();
    void icerik();
    void program();

private:
    QTemporaryDir m_dizin;
};

void TestSampleData::ayniTohumAyniVeri() {
    OrnekVeri a;
    a.tohum = 77;
    const auto yaz = [&](const QString &ad, const OrnekVeri &v) {
        ornekVeritabaniYaz(m_dizin.filePath(ad), v);
        return dokum(m_dizin.filePath(ad));
    };
    const QList<QVariantList> ilk = yaz(QStringLiteral("a1.MDB"), a);
    QCOMPARE(yaz(QStringLiteral("a2.MDB"), a), ilk);
    a.tohum = 78;
    QVERIFY(yaz(QStringLiteral("b.MDB"), a) != ilk);
}

void TestSampleData::icerik() {
    const QString yol = m_dizin.filePath(QStringLiteral("icerik.MDB"));
    OrnekVeri a;
    a.yil = 2025;
    const OrnekVeriSonucu r = ornekVeritabaniYaz(yol, a);
    // Customers, invoices with and without discounts in both VAT modes, a campaign's lines.
    QCOMPARE(satirlar(yol, "SELECT (SELECT count(*) FROM MUSTERI), count(DISTINCT faturano), "
                           "count(*), count(DISTINCT kdvdahil), (SELECT count(DISTINCT i) FROM "
                           "(SELECT max(iskonto) <> '' AS i FROM faturalar GROUP BY faturano)), "
                           "(SELECT count(*) FROM FATSTOKKAMPANYA2025) FROM faturalar"),
             (QList<QVariantList>{{40, 25, r.faturaSatiri, 2, 2, r.kampanyaKalemi}}));

    // Turkish names and addresses.
    const QString metinler =
        satirlar(yol, "SELECT (SELECT group_concat(adi_soyadi || adresi || adresi2) FROM MUSTERI) "
                      "|| (SELECT group_concat(ADI_SOYADI || ADRESI || BOLGE) FROM "
                      "FATCARIKAMPANYA2025) || group_concat(aciklama) FROM faturalar")
            .value(0)
            .value(0)
            .toString();
    for (const QChar harf : QStringLiteral("ğüşıöçİ"))
        QVERIFY2(metinler.contains(harf), qPrintable(QString(harf)));

    // The campaign as the batch window finds it and the batch run prints it, with regions
    // from the window's list.
    Veritabani db(yol);
    QCOMPARE(kampanyalar(db), QStringList{r.kampanya});
    QCOMPARE(satirlar(yol, "SELECT count(*) FROM FATCARIKAMPANYA2025 WHERE DAGITIM_BOLGESI NOT "
                           "IN ('ANTALYA', 'ADANA', 'ANKARA', 'İSTANBUL', 'İZMİR', 'TRABZON')"),
             QList<QVariantList>{{0}});
    RecordingPrinter yazici;
    QCOMPARE(runBatch(yazici, varsayilanAyarlar(), yol, r.kampanya, {}), 30);
    const QDate tarih =
        QDate::fromString(yazici.lines().value(0).text, QStringLiteral("dd.MM.yyyy"));
    QVERIFY2(tarih.year() == 2025, qPrintable(yazici.lines().value(0).text));
}

void TestSampleData::program() {
    const QString dizin = m_dizin.filePath(QStringLiteral("demo"));
    const QStringList argumanlar = {"--dizin",           dizin, "--musteri", "3",   "--fatura=2",
                                    "--kampanya-fatura", "2",   "--yil",     "2024"};
    auto [kod, cikti] = calistir(argumanlar);
    QVERIFY2(kod == 0, qPrintable(cikti));
    const QString veritabani = dizin + QStringLiteral("/fatura.MDB");
    QCOMPARE(dosya(dizin + QStringLiteral("/ayarlar.dat")),
             ayarDosyasiIcerigi(varsayilanAyarlar()));
    QCOMPARE(satirlar(veritabani,
                      "SELECT (SELECT count(*) FROM MUSTERI), count(DISTINCT "
                      "faturano), (SELECT count(*) FROM FATCARIKAMPANYA2024) FROM faturalar"),
             (QList<QVariantList>{{3, 2, 2}}));

    // A database that is there is never written over.
    const QByteArray once = dosya(veritabani);
    std::tie(kod, cikti) = calistir(argumanlar);
    QCOMPARE(kod, 1);
    QVERIFY2(cikti.contains(QStringLiteral("veritabanı zaten var, dokunulmadı: ") + veritabani),
             qPrintable(cikti));
    QCOMPARE(dosya(veritabani), once);
}

QTEST_GUILESS_MAIN(TestSampleData)
#include "tst_sampledata.moc"
