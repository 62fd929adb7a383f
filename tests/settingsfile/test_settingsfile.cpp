#include "settings/ayarlar.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeRaw(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QByteArray col(const QByteArray &s, int width) {
    return s.leftJustified(width, ' ');
}

// `a` with the values of the lines after line `n` emptied.
ayarlar firstLines(ayarlar a, int n) {
    for (const AyarSatiri &s : ayarSatirlari()) {
        if (s.satir > n && s.tek)
            a.*s.tek = QString();
        else if (s.satir > n)
            a.*s.yer = baski_yeri{};
    }
    return a;
}

// Field 0-3 of a placement line, or the value of a single-value line.
QString &field(ayarlar &a, int line, int which) {
    const AyarSatiri &s = ayarSatirlari()[line - 1];
    if (s.tek)
        return a.*s.tek;
    baski_yeri &y = a.*s.yer;
    QString *fields[] = {&y.sol_bosluk, &y.ust_bosluk, &y.yazitipi_adi, &y.boyutu};
    return *fields[which];
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QFile::remove(path()); }
    void writtenAndReadBack();
    void lineCounts_data();
    void lineCounts();
    void singleValueRules();
    void unwritableValues_data();
    void unwritableValues();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("ayarlar.dat")); }
    QTemporaryDir m_dir;
};

void TestSettingsFile::writtenAndReadBack() {
    // Every value distinct, so a value written to or read from the wrong line shows.
    ayarlar a;
    for (const AyarSatiri &s : ayarSatirlari()) {
        if (s.tek)
            a.*s.tek = QString::number(s.satir * 7);
        else
            a.*s.yer = {QString::number(s.satir * 100), QString::number(s.satir * 100 + 1),
                        u"Yazı %1"_qs.arg(s.satir), QString::number(s.satir % 5 + 8)};
    }
    a.veritabani_yolu = u"Şİğ, ü.db"_qs; // a comma: written between quotes
    a.yer_adresi = {};
    // Leading blanks stay; trailing ones never push the next field out of its columns.
    a.yer_fatura_no = {u"  900          "_qs, u"2700 "_qs, QString(50, u'F'), u"12   "_qs};
    ayarlari_yaz(a, path());

    const QByteArray bytes = readAll(path());
    QVERIFY(bytes.endsWith("\r\n") && bytes.count("\r\n") == 23 && bytes.count('\n') == 23);
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines[0], QByteArray("7\r"));
    QCOMPARE(lines[1], QByteArray("\"\xDE\xDD\xF0, \xFC.db\"\r")); // Windows-1254
    QCOMPARE(lines[2], col("300", 14) + col("301", 14) + col("Yaz\xFD 3", 56) + "11\r");
    QCOMPARE(lines[3], QByteArray(84, ' ') + '\r');
    QCOMPARE(lines[14], QByteArray("105\r"));
    QCOMPARE(lines[19], QByteArray("140\r"));
    QCOMPARE(lines[20].left(14), col("2100", 14));
    QCOMPARE(lines[22], col("  900", 14) + col("2700", 14) + QByteArray(50, 'F') +
                            QByteArray(6, ' ') + "12\r");

    a.yer_fatura_no = {u"  900"_qs, u"2700"_qs, QString(50, u'F'), u"12"_qs};
    QCOMPARE(ayarlari_oku(23, path()), a);
}

void TestSettingsFile::lineCounts_data() {
    QTest::addColumn<QByteArray>("bytes"); // null: no file
    QTest::addColumn<int>("lines");
    QTest::newRow("no file") << QByteArray() << 0;
    QTest::newRow("ends after line 2") << QByteArray("20\r\nfatura.MDB\r\n") << 2;
    QTest::newRow("LF only, last line unended") << QByteArray("20\nfatura.MDB") << 2;
    QTest::newRow("23 lines") << ayarDosyasiIcerigi(varsayilanAyarlar()) << 23;
}

// The tolerant read takes what is there; a reader asking for more lines than the file
// holds is told so, naming the file; one asking for fewer gets only those.
void TestSettingsFile::lineCounts() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, lines);
    if (!bytes.isNull())
        writeRaw(path(), bytes);
    const AyarOkuma okuma = ayarDosyasiniOku(path());
    QCOMPARE(okuma.dosyaVar, !bytes.isNull());
    QCOMPARE(okuma.okunanSatir, lines);
    QCOMPARE(okuma.deger, firstLines(varsayilanAyarlar(), lines));
    for (int n : {2, 19, 23}) {
        if (n <= lines) {
            QCOMPARE(ayarlari_oku(n, path()), firstLines(varsayilanAyarlar(), n));
            continue;
        }
        try {
            ayarlari_oku(n, path());
            QFAIL("a short file was read as complete");
        } catch (const AyarHatasi &e) {
            QVERIFY(e.mesaj().contains(path()));
        }
    }
}

void TestSettingsFile::singleValueRules() {
    // Blanks before a value are skipped, a comma ends it, quotes keep it whole.
    QByteArray bytes = "   18,5\r\n  \"a, b\" ve sonras\xFD\r\n";
    // A 6-character size reads back its first five; a short placement line leaves the
    // fields it does not reach empty.
    bytes += col("100", 14) + col("200", 14) + col("Arial", 56) + "123456\r\n300\r\n";
    writeRaw(path(), bytes);
    const ayarlar a = ayarDosyasiniOku(path()).deger;
    QCOMPARE(a.kdv_yuzde, u"18"_qs);
    QCOMPARE(a.veritabani_yolu, u"a, b"_qs);
    QCOMPARE(a.yer_adi_soyadi, (baski_yeri{u"100"_qs, u"200"_qs, u"Arial"_qs, u"12345"_qs}));
    QCOMPARE(a.yer_adresi, (baski_yeri{u"300"_qs, {}, {}, {}}));
}

void TestSettingsFile::unwritableValues_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("which"); // placement field 0-3
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("named");
    QTest::newRow("14-character margin")
        << 23 << 0 << u"12345678901234"_qs << u"Fatura No: Sol Boşluk"_qs;
    QTest::newRow("51-character face")
        << 3 << 2 << QString(51, u'A') << u"Adı Soyadı: Yazıtipi Adı"_qs;
    QTest::newRow("6-character size") << 8 << 3 << u"123456"_qs << u"Fatura Hareketleri: Boyutu"_qs;
    QTest::newRow("line break") << 4 << 1 << u"12\r\n34"_qs << u"Adresi: Üst Boşluk"_qs;
    QTest::newRow("not in Windows-1254")
        << 7 << 2 << u"宋体"_qs << u"Fatura Tarihi: Yazıtipi Adı"_qs;
    QTest::newRow("comma and quote") << 1 << 0 << u"1,\"8\""_qs << u"KDV (%):"_qs;
    QTest::newRow("starting with a quote") << 2 << 0 << u" \"fatura.db"_qs << u"Database:"_qs;
}

void TestSettingsFile::unwritableValues() {
    QFETCH(int, line);
    QFETCH(int, which);
    QFETCH(QString, value);
    QFETCH(QString, named);
    ayarlari_yaz(varsayilanAyarlar(), path());
    const QByteArray before = readAll(path());
    ayarlar bad = varsayilanAyarlar();
    field(bad, line, which) = value;
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
