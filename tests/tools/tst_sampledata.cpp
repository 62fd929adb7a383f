#include "../db/testdb.h"
#include "db/campaigns.h"
#include "invoice/lines.h"
#include "invoice/numbers.h"
#include "settings/ayarlar.h"
#include "tools/sampledata.h"

#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

// Every table's rows, in table order.
QList<QVariantList> dokum(const QString &yol) {
    QList<QVariantList> sonuc;
    for (const QVariant &tablo : sutun(yol, QStringLiteral("SELECT name FROM sqlite_master "
                                                           "WHERE type = 'table' ORDER BY name"))) {
        sonuc << QVariantList{tablo};
        sonuc << satirlar(
            yol, QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(tablo.toString()));
    }
    return sonuc;
}

QByteArray dosya(const QString &yol) {
    QFile f(yol);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString program = QStringLiteral(FATURA_BINARY_DIR "/tools/ornek-veri");

struct Calisma {
    int kod;
    QString cikti;
    QString hata;
};

Calisma calistir(const QStringList &argumanlar) {
    QProcess p;
    p.start(program, argumanlar);
    if (!p.waitForFinished(120000))
        return {-1, {}, QStringLiteral("bitmedi")};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class TestSampleData : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ayniTohumAyniVeri();
    void icerik();
    void tamKalem();
    void varOlanDosyaya();
    void program();
    void programHatalari_data();
    void programHatalari();

private:
    QTemporaryDir m_dizin;
};

void TestSampleData::ayniTohumAyniVeri() {
    OrnekVeri a;
    a.musteri = 15;
    a.fatura = 12;
    a.kampanyaFatura = 10;
    a.kalem = 4;
    a.tohum = 77;
    const auto yaz = [&](const QString &ad, const OrnekVeri &v) {
        const QString yol = m_dizin.filePath(ad);
        ornekVeritabaniYaz(yol, v);
        return dokum(yol);
    };
    const QList<QVariantList> ilk = yaz(QStringLiteral("a1.MDB"), a);
    QCOMPARE(yaz(QStringLiteral("a2.MDB"), a), ilk);
    OrnekVeri b = a;
    b.tohum = 78;
    QVERIFY(yaz(QStringLiteral("b.MDB"), b) != ilk);

    // A record does not depend on how many came before it.
    const Musteri m = ornekMusteri(77, 9);
    const QList<QVariantList> dokuzuncu =
        satirlar(m_dizin.filePath(QStringLiteral("a1.MDB")),
                 QStringLiteral("SELECT * FROM MUSTERI WHERE sirano = 9"));
    QCOMPARE(dokuzuncu,
             (QList<QVariantList>{{9, m.adi_soyadi, m.adresi, m.adresi2, m.vergidaire_no}}));
}

void TestSampleData::icerik() {
    const QString yol = m_dizin.filePath(QStringLiteral("icerik.MDB"));
    OrnekVeri a;
    a.yil = 2025;
    const OrnekVeriSonucu r = ornekVeritabaniYaz(yol, a);
    QCOMPARE(r.musteri, 40);
    QCOMPARE(r.fatura, 25);
    QCOMPARE(r.kampanya, QStringLiteral("KAMPANYA2025"));
    QCOMPARE(r.kampanyaFatura, 30);
    Veritabani db(yol);

    const MusteriListesi musteriler = musteriListesi(db);
    QCOMPARE(musteriler.numaralar.size(), 40);
    QList<qint64> numaralar;
    for (qint64 i = 1; i <= 25; ++i)
        numaralar << i;
    QCOMPARE(faturaNumaralari(db), numaralar);
    QCOMPARE(sutun(yol, QStringLiteral("SELECT count(*) FROM faturalar")),
             QVariantList{r.faturaSatiri});

    // Every invoice as the invoice window would have saved it.
    QSet<int> kdvKipleri;
    int iskontolu = 0;
    int iskontosuz = 0;
    QDate onceki;
    QString metinler = musteriler.adlar.join(u' ');
    for (const qint64 no : numaralar) {
        const QList<KayitliSatir> satirlar = faturaSatirlari(db, no);
        QVERIFY(satirlar.size() >= 1 && satirlar.size() <= 5);
        const KayitliSatir &ilk = satirlar.first();
        const std::optional<Musteri> m = musteriNoIle(db, ilk.musterino->toLongLong());
        QVERIFY(m);
        QCOMPARE(ilk.adi_soyadi, m->adi_soyadi);
        QCOMPARE(ilk.adresi2, m->adresi2);
        QCOMPARE(ilk.vergidaire_no, m->vergidaire_no);
        kdvKipleri << *ilk.kdvdahil;
        const QDate tarih = QDate::fromString(*ilk.fatura_tarihi, QStringLiteral("dd.MM.yyyy"));
        QVERIFY2(tarih.isValid() && tarih.year() == 2025, qPrintable(*ilk.fatura_tarihi));
        QVERIFY(!onceki.isValid() || onceki <= tarih);
        onceki = tarih;
        bool indirim = false;
        InvoiceTotals toplam;
        for (const KayitliSatir &s : satirlar) {
            metinler += *s.aciklama + *s.adresi;
            // Loading it back computes the amount that was stored.
            const LineResult geri = addStoredLine(toplam, *s.miktar, *s.aciklama, *s.iskonto,
                                                  *s.br_fiyat, QStringLiteral("20"), *s.kdvdahil);
            QCOMPARE(geri.cells.amount, *s.tutar);
            if (!s.iskonto->isEmpty()) {
                QVERIFY2(inputNumber(*s.iskonto), qPrintable(*s.iskonto));
                indirim = true;
            }
        }
        ++(indirim ? iskontolu : iskontosuz);
    }
    QCOMPARE(kdvKipleri, (QSet<int>{VatIncluded, VatExcluded}));
    QVERIFY(iskontolu > 0 && iskontosuz > 0);

    // The campaign, as the batch window finds and reads it.
    QCOMPARE(kampanyalar(db), QStringList{r.kampanya});
    QCOMPARE(sutun(yol, QStringLiteral("SELECT DISTINCT typeof(SIRANO) || typeof(ISKONTO) || "
                                       "typeof(FATURA_TARIHI) FROM FATCARIKAMPANYA2025")),
             QVariantList{"integerrealtext"});
    QCOMPARE(sutun(yol, QStringLiteral("SELECT DISTINCT typeof(FATURANO) || typeof(MIKTAR) || "
                                       "typeof(BR_FIYAT) FROM FATSTOKKAMPANYA2025")),
             QVariantList{"integerrealreal"});
    const QStringList bolgeler = {"ANTALYA", "ADANA", "ANKARA", "İSTANBUL", "İZMİR", "TRABZON"};
    int faturalar = 0;
    int kalemler = 0;
    kampanyaFaturalari(db, r.kampanya, {}, [&](const KampanyaFaturasi &f) {
        ++faturalar;
        kalemler += int(f.kalemler.size());
        const QDate tarih = QDate::fromString(f.fatura_tarihi.toString(), Qt::ISODate);
        if (!tarih.isValid() || tarih.year() != 2025 || f.kalemler.isEmpty() ||
            f.kalemler.size() > 5)
            return false;
        metinler += f.adi_soyadi.toString() + f.adresi.toString() + f.bolge.toString();
        return true;
    });
    QCOMPARE(faturalar, 30);
    QCOMPARE(kalemler, r.kampanyaKalemi);
    for (const QVariant &bolge :
         sutun(yol, QStringLiteral("SELECT DISTINCT DAGITIM_BOLGESI FROM FATCARIKAMPANYA2025")))
        QVERIFY2(bolgeler.contains(bolge.toString()), qPrintable(bolge.toString()));
    for (const QChar harf : QStringLiteral("ğüşıöçİÇŞÖÜ"))
        QVERIFY2(metinler.contains(harf), qPrintable(QString(harf)));
}

void TestSampleData::tamKalem() {
    const QString yol = m_dizin.filePath(QStringLiteral("tam.MDB"));
    OrnekVeri a;
    a.musteri = 5;
    a.fatura = 30;
    a.kampanyaFatura = 20;
    a.kalem = 7;
    a.tamKalem = true;
    const OrnekVeriSonucu r = ornekVeritabaniYaz(yol, a);
    QCOMPARE(r.faturaSatiri, 30 * 7);
    QCOMPARE(r.kampanyaKalemi, 20 * 7);
    QCOMPARE(sutun(yol, QStringLiteral("SELECT DISTINCT count(*) FROM faturalar GROUP BY "
                                       "faturano")),
             QVariantList{7});
    QCOMPARE(sutun(yol, QStringLiteral("SELECT DISTINCT count(*) FROM FATSTOKKAMPANYA2024 GROUP "
                                       "BY FATURANO")),
             QVariantList{7});

    // No campaign asked for: none written.
    const QString kampanyasiz = m_dizin.filePath(QStringLiteral("kampanyasiz.MDB"));
    a.kampanyaFatura = 0;
    QCOMPARE(ornekVeritabaniYaz(kampanyasiz, a).kampanya, QString());
    Veritabani db(kampanyasiz);
    QCOMPARE(kampanyalar(db), QStringList{});
}

void TestSampleData::varOlanDosyaya() {
    const QString yol = m_dizin.filePath(QStringLiteral("var.MDB"));
    QFile f(yol);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("eski veri");
    f.close();
    QCOMPARE(hata([&] { ornekVeritabaniYaz(yol); }),
             QStringLiteral("Bu adda bir dosya zaten var: %1").arg(yol));
    QCOMPARE(dosya(yol), QByteArray("eski veri"));
}

void TestSampleData::program() {
    const QString dizin = m_dizin.filePath(QStringLiteral("demo"));
    const QStringList argumanlar = {
        "--dizin", dizin,     "--musteri", "3",     "--fatura=2", "--kampanya-fatura",
        "2",       "--tohum", "5",         "--yil", "2024"};
    Calisma c = calistir(argumanlar);
    QVERIFY2(c.kod == 0, qPrintable(c.hata));
    QVERIFY2(c.cikti.contains(u"3 müşteri, 2 fatura"), qPrintable(c.cikti));
    const QString veritabani = dizin + QStringLiteral("/fatura.MDB");
    QCOMPARE(dosya(dizin + QStringLiteral("/ayarlar.dat")),
             ayarDosyasiIcerigi(varsayilanAyarlar()));
    {
        Veritabani db(veritabani);
        QCOMPARE(musteriListesi(db).numaralar.size(), 3);
        QCOMPARE(faturaNumaralari(db), (QList<qint64>{1, 2}));
        QCOMPARE(kampanyalar(db), QStringList{"KAMPANYA2024"});
    }

    // A second run leaves the database alone and says so.
    const QByteArray once = dosya(veritabani);
    c = calistir(argumanlar);
    QCOMPARE(c.kod, 1);
    QVERIFY2(
        c.hata.contains(QStringLiteral("veritabanı zaten var, dokunulmadı: %1").arg(veritabani)),
        qPrintable(c.hata));
    QCOMPARE(dosya(veritabani), once);

    // Settings already there are kept; the same arguments give the same data.
    const QString ikinci = m_dizin.filePath(QStringLiteral("ikinci"));
    QVERIFY(QDir().mkpath(ikinci));
    QFile ayar(ikinci + QStringLiteral("/ayarlar.dat"));
    QVERIFY(ayar.open(QIODevice::WriteOnly));
    ayar.write("18\r\nbaska.MDB\r\n");
    ayar.close();
    QStringList ikinciArgumanlar = argumanlar;
    ikinciArgumanlar[1] = ikinci;
    c = calistir(ikinciArgumanlar);
    QVERIFY2(c.kod == 0, qPrintable(c.hata));
    QCOMPARE(dosya(ikinci + QStringLiteral("/ayarlar.dat")), QByteArray("18\r\nbaska.MDB\r\n"));
    QCOMPARE(dokum(ikinci + QStringLiteral("/fatura.MDB")), dokum(veritabani));

    c = calistir({"--yardim"});
    QCOMPARE(c.kod, 0);
    QVERIFY(c.cikti.startsWith(u"Kullanım: ornek-veri --dizin KLASÖR"));
}

void TestSampleData::programHatalari_data() {
    QTest::addColumn<QStringList>("argumanlar");
    QTest::addColumn<QString>("neden");
    QTest::newRow("klasör yok") << QStringList{"--musteri", "3"} << "--dizin gerekli";
    QTest::newRow("değer yok") << QStringList{"--dizin"} << "--dizin bir değer ister";
    QTest::newRow("sayı değil")
        << QStringList{"--dizin", "@", "--musteri", "on"}
        << "--musteri için 0 ile 10000000 arasında bir tam sayı gerekir: on";
    QTest::newRow("kalemsiz") << QStringList{"--dizin", "@", "--kalem", "0"}
                              << "--kalem için 1 ile 10000 arasında";
    QTest::newRow("müşterisiz fatura")
        << QStringList{"--dizin", "@", "--musteri", "0", "--fatura", "3"}
        << "fatura yazmak için en az bir müşteri gerekir";
    QTest::newRow("bilinmeyen") << QStringList{"--dizin", "@", "--renk", "mavi"}
                                << "bilinmeyen seçenek: --renk";
}

void TestSampleData::programHatalari() {
    QFETCH(QStringList, argumanlar);
    QFETCH(QString, neden);
    const QString dizin = m_dizin.filePath(QStringLiteral("hatali"));
    argumanlar.replaceInStrings(QStringLiteral("@"), dizin);
    const Calisma c = calistir(argumanlar);
    QCOMPARE(c.kod, 2);
    QVERIFY2(c.hata.startsWith(QStringLiteral("ornek-veri: ") + neden), qPrintable(c.hata));
    QVERIFY(c.hata.contains(u"Kullanım:"));
    QVERIFY(!QFileInfo::exists(dizin));
}

QTEST_GUILESS_MAIN(TestSampleData)
#include "tst_sampledata.moc"
