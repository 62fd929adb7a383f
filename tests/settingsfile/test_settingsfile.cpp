#include "settings/ayarlar.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

namespace {

QByteArray cp1254(const QString &s) {
    return QTextCodec::codecForName("Windows-1254")->fromUnicode(s);
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeRaw(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QList<QByteArray> linesOf(const QByteArray &bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }
    void placementColumns();
    void turkishLettersAndBlanks();
    void roundTripEveryValue();
    void shortAndMissingFiles();
    void readingFewerLines();
    void singleValueRules();
    void unwritableValues_data();
    void unwritableValues();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("ayarlar.dat")); }
    QTemporaryDir m_dir;
};

void TestSettingsFile::placementColumns() {
    ayarlar a;
    a.kdv_yuzde = u"18"_qs;
    a.yer_adi_soyadi = {u"1200"_qs, u"3400"_qs, u"Arial"_qs, u"10"_qs};
    a.yer_fatura_no = {{}, {}, QString(50, u'F'), u"12"_qs};
    ayarlari_yaz(a, path());
    const QByteArray bytes = readAll(path());
    const QList<QByteArray> lines = linesOf(bytes);
    QCOMPARE(lines.size(), 23);
    for (const QByteArray &l : lines)
        QVERIFY(l.endsWith('\r'));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(lines[0], QByteArray("18\r"));

    // Fixed columns: 1-14 x, 15-28 y, 29-78 face, 79-84 blank, 85- size, no blanks after.
    const QByteArray name = lines[2].chopped(1);
    QCOMPARE(name.size(), 86);
    QCOMPARE(name.mid(0, 14), QByteArray("1200          "));
    QCOMPARE(name.mid(14, 14), QByteArray("3400          "));
    QCOMPARE(name.mid(28, 50), QByteArray("Arial").leftJustified(50, ' '));
    QCOMPARE(name.mid(78, 6), QByteArray(6, ' '));
    QCOMPARE(name.mid(84), QByteArray("10"));

    // An all-empty placement is 84 blanks and reads back empty.
    QCOMPARE(lines[3], QByteArray(84, ' ') + '\r');
    // A 50-character face fills its columns; the size still starts at column 85.
    QCOMPARE(lines[22].mid(28, 50), QByteArray(50, 'F'));
    QCOMPARE(lines[22].mid(78, 6), QByteArray(6, ' '));
    QCOMPARE(lines[22].mid(84), QByteArray("12\r"));

    const ayarlar back = ayarlari_oku(23, path());
    QCOMPARE(back.yer_adi_soyadi, a.yer_adi_soyadi);
    QCOMPARE(back.yer_adresi, baski_yeri{});
    QCOMPARE(back.yer_fatura_no, a.yer_fatura_no);
}

void TestSettingsFile::turkishLettersAndBlanks() {
    ayarlar a;
    a.veritabani_yolu = u"Şirket/Müşteri ğüşıöçİ.db"_qs;
    // Leading blanks of a margin stay; trailing blanks of a face are dropped.
    a.yer_adresi = {u"  900"_qs, u"2700"_qs, u"Times New Roman   "_qs, u"11"_qs};
    ayarlari_yaz(a, path());
    const QList<QByteArray> lines = linesOf(readAll(path()));
    QCOMPARE(lines[1], cp1254(a.veritabani_yolu) + '\r');
    QVERIFY(lines[1].contains('\xDE')); // Ş in Windows-1254
    QVERIFY(lines[1].contains('\xDD')); // İ
    QCOMPARE(lines[3].mid(28, 50), QByteArray("Times New Roman").leftJustified(50, ' '));
    const ayarlar back = ayarlari_oku(23, path());
    QCOMPARE(back.veritabani_yolu, a.veritabani_yolu);
    QCOMPARE(back.yer_adresi.sol_bosluk, u"  900"_qs);
    QCOMPARE(back.yer_adresi.yazitipi_adi, u"Times New Roman"_qs);
}

void TestSettingsFile::roundTripEveryValue() {
    // Every value distinct, so a line written to the wrong place shows.
    ayarlar a;
    int n = 0;
    for (const AyarSatiri &s : ayarSatirlari()) {
        ++n;
        if (s.tek) {
            a.*s.tek = QString::number(n * 7);
        } else {
            a.*s.yer = {QString::number(n * 100), QString::number(n * 100 + 1),
                        u"Yazı %1"_qs.arg(n), QString::number(n % 5 + 8)};
        }
    }
    a.veritabani_yolu = u"C:\\Fatura, Yedek\\fatura.MDB"_qs; // a comma: written in quotes
    ayarlari_yaz(a, path());
    QCOMPARE(ayarlari_oku(23, path()), a);
    QCOMPARE(ayarDosyasiIcerigi(a), readAll(path()));
    QVERIFY(linesOf(readAll(path()))[1].startsWith('"'));

    // The line numbers the printing relies on.
    const QList<QByteArray> lines = linesOf(readAll(path()));
    QVERIFY(lines[22].startsWith(QByteArray::number(23 * 100))); // yer_fatura_no
    QCOMPARE(lines[19], QByteArray::number(20 * 7) + '\r');      // marj_iskonto
    QVERIFY(lines[20].startsWith(QByteArray::number(21 * 100))); // yer_irsaliye_no
}

void TestSettingsFile::shortAndMissingFiles() {
    // A file that ends after line 2: the tolerant read gives two values, the others empty.
    writeRaw(path(), "18\r\nfatura.MDB\r\n");
    const AyarOkuma okuma = ayarDosyasiniOku(path());
    QVERIFY(okuma.dosyaVar);
    QCOMPARE(okuma.okunanSatir, 2);
    QCOMPARE(okuma.deger.kdv_yuzde, u"18"_qs);
    QCOMPARE(okuma.deger.veritabani_yolu, u"fatura.MDB"_qs);
    QCOMPARE(okuma.deger.yer_adi_soyadi, baski_yeri{});
    QVERIFY(okuma.deger.marj_tutar.isEmpty());
    // Readers that need more say so, naming the file.
    QCOMPARE(ayarlari_oku(2, path()).kdv_yuzde, u"18"_qs);
    try {
        ayarlari_oku(19, path());
        QFAIL("a short file was read as complete");
    } catch (const AyarHatasi &e) {
        QVERIFY(e.mesaj().contains(path()));
        QVERIFY(e.mesaj().contains(u"19"_qs));
    }
    // A missing file.
    QFile::remove(path());
    QCOMPARE(ayarDosyasiniOku(path()).dosyaVar, false);
    QCOMPARE(ayarDosyasiniOku(path()).okunanSatir, 0);
    QVERIFY_THROWS_EXCEPTION(AyarHatasi, ayarlari_oku(2, path()));
    // Line breaks without CR and a last line without a break still count.
    writeRaw(path(), "20\nyol.db");
    QCOMPARE(ayarlari_oku(2, path()).veritabani_yolu, u"yol.db"_qs);
}

void TestSettingsFile::readingFewerLines() {
    ayarlari_yaz(varsayilanAyarlar(), path());
    const ayarlar two = ayarlari_oku(2, path());
    const ayarlar all = ayarlari_oku(23, path());
    QCOMPARE(two.kdv_yuzde, all.kdv_yuzde);
    QCOMPARE(two.veritabani_yolu, all.veritabani_yolu);
    QCOMPARE(two.yer_adi_soyadi, baski_yeri{});
    const ayarlar nineteen = ayarlari_oku(19, path());
    QCOMPARE(nineteen.marj_tutar, all.marj_tutar);
    QVERIFY(nineteen.marj_iskonto.isEmpty());
    QCOMPARE(all, varsayilanAyarlar());
}

void TestSettingsFile::singleValueRules() {
    // Blanks before a value are skipped, a comma ends it, quotes keep it whole.
    QByteArray bytes = "   18,5\r\n  \"a, b\" ve sonrası\r\n";
    // A placement line with a 6-character size reads back the first five.
    bytes += QByteArray("100").leftJustified(14, ' ') + QByteArray("200").leftJustified(14, ' ') +
             QByteArray("Arial").leftJustified(50, ' ') + QByteArray(6, ' ') + "123456\r\n";
    // A short placement line: the fields it does not reach are empty.
    bytes += "300\r\n";
    writeRaw(path(), bytes);
    const AyarOkuma okuma = ayarDosyasiniOku(path());
    QCOMPARE(okuma.okunanSatir, 4);
    QCOMPARE(okuma.deger.kdv_yuzde, u"18"_qs);
    QCOMPARE(okuma.deger.veritabani_yolu, u"a, b"_qs);
    QCOMPARE(okuma.deger.yer_adi_soyadi.boyutu, u"12345"_qs);
    QCOMPARE(okuma.deger.yer_adresi, (baski_yeri{u"300"_qs, {}, {}, {}}));
}

void TestSettingsFile::unwritableValues_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("named");
    QTest::newRow("14-character margin") << 23 << "sol"
                                         << "12345678901234"
                                         << "Fatura No: Sol Boşluk";
    QTest::newRow("51-character face")
        << 3 << "face" << QString(51, u'A') << "Adı Soyadı: Yazıtipi Adı";
    QTest::newRow("6-character size") << 8 << "size"
                                      << "123456"
                                      << "Fatura Hareketleri: Boyutu";
    QTest::newRow("line break") << 4 << "ust"
                                << "12\r\n34"
                                << "Adresi: Üst Boşluk";
    QTest::newRow("not in Windows-1254") << 7 << "face"
                                         << "宋体"
                                         << "Fatura Tarihi: Yazıtipi Adı";
    QTest::newRow("comma and quote") << 1 << "single"
                                     << "1,\"8\""
                                     << "KDV (%):";
}

void TestSettingsFile::unwritableValues() {
    QFETCH(int, line);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, named);
    const ayarlar good = varsayilanAyarlar();
    ayarlari_yaz(good, path());
    const QByteArray before = readAll(path());

    ayarlar bad = good;
    const AyarSatiri &s = ayarSatirlari()[line - 1];
    if (field == u"single")
        bad.*s.tek = value;
    else if (field == u"sol")
        (bad.*s.yer).sol_bosluk = value;
    else if (field == u"ust")
        (bad.*s.yer).ust_bosluk = value;
    else if (field == u"face")
        (bad.*s.yer).yazitipi_adi = value;
    else
        (bad.*s.yer).boyutu = value;

    const QList<YazmaSorunu> problems = yazilamayanDegerler(bad);
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.first().satir, line);
    try {
        ayarlari_yaz(bad, path());
        QFAIL("an unwritable value was written");
    } catch (const AyarHatasi &e) {
        QVERIFY2(e.mesaj().contains(named) && !e.mesaj().contains(u"::"_qs), qPrintable(e.mesaj()));
    }
    QCOMPARE(readAll(path()), before);
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settingsfile.moc"
