#include "settings/settingsfile.h"
#include "tests/common/testdb.h"

#include <QTemporaryDir>
#include <QTest>

using testdb::fileBytes;

namespace {

QByteArray col(const QByteArray &s, int width) {
    return s.leftJustified(width, ' ');
}

// `a` with the values of the lines after line `n` emptied.
ayarlar firstLines(ayarlar a, int n) {
    for (const SettingsLine &s : settingsLines()) {
        if (s.line > n && s.single)
            a.*s.single = QString();
        else if (s.line > n)
            a.*s.placement = baski_yeri{};
    }
    return a;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QFile::remove(path()); }
    void writing();
    void reading();
    void damaged_data();
    void damaged();
    void typedValues_data();
    void typedValues();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("ayarlar.dat")); }
    QTemporaryDir m_dir;
};

void TestSettings::writing() {
    // Every value distinct, so a value written to or read from the wrong line shows.
    ayarlar a;
    for (const SettingsLine &s : settingsLines()) {
        if (s.single)
            a.*s.single = QString::number(s.line * 7);
        else
            a.*s.placement = {QString::number(s.line * 100), QString::number(s.line * 100 + 1),
                              u"Yazı %1"_qs.arg(s.line), QString::number(s.line % 5 + 8)};
    }
    a.veritabani_yolu = u"Şİğ, ü.db"_qs; // a comma: written between quotes
    a.yer_adresi = {};
    // Leading blanks stay; trailing ones never push the next field out of its columns.
    a.yer_fatura_no = {u"  900          "_qs, u"2700 "_qs, QString(50, u'F'), u"12   "_qs};
    ayarlari_yaz(a, path());

    const QByteArray bytes = fileBytes(path());
    QVERIFY(bytes.endsWith("\r\n") && bytes.count("\r\n") == 23 && bytes.count('\n') == 23);
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines[0], QByteArray("7\r"));
    QCOMPARE(lines[1], QByteArray("\"\xDE\xDD\xF0, \xFC.db\"\r")); // Windows-1254
    QCOMPARE(lines[2], col("300", 14) + col("301", 14) + col("Yaz\xFD 3", 56) + "11\r");
    QCOMPARE(lines[3], QByteArray(84, ' ') + '\r');
    QCOMPARE(lines[19], QByteArray("140\r"));
    QCOMPARE(lines[22], col("  900", 14) + col("2700", 14) + QByteArray(50, 'F') +
                            QByteArray(6, ' ') + "12\r");

    a.yer_fatura_no = {u"  900"_qs, u"2700"_qs, QString(50, u'F'), u"12"_qs};
    QCOMPARE(ayarlari_oku(23, path()), a);

    // A value that cannot be written is refused before anything is written, with a message
    // naming its row and field.
    const QByteArray before = fileBytes(path());
    const std::tuple<int, QString baski_yeri::*, QString, const char *> cases[] = {
        // line, placement field (none for a single value), value, the name the message gives
        {23, &baski_yeri::sol_bosluk, u"12345678901234"_qs, "Fatura No: Sol Boşluk"},
        {3, &baski_yeri::yazitipi_adi, QString(51, u'A'), "Adı Soyadı: Yazıtipi Adı"},
        {8, &baski_yeri::boyutu, u"123456"_qs, "Fatura Hareketleri: Boyutu"},
        {4, &baski_yeri::ust_bosluk, u"12\r\n34"_qs, "Adresi: Üst Boşluk"},
        {7, &baski_yeri::yazitipi_adi, u"宋体"_qs, "Fatura Tarihi: Yazıtipi Adı"}, // not cp1254
        {1, nullptr, u"1,\"8\""_qs, "KDV (%):"},
        {2, nullptr, u" \"fatura.db"_qs, "Veritabanı:"}};
    for (const auto &[line, part, value, named] : cases) {
        ayarlar bad = defaultSettings();
        const SettingsLine &s = settingsLines()[line - 1];
        (s.single ? bad.*s.single : bad.*s.placement.*part) = value;
        const QString said = testdb::thrownText<SettingsError>([&] { ayarlari_yaz(bad, path()); });
        QVERIFY2(said.contains(QString::fromUtf8(named)) && !said.contains(u"::"_qs),
                 qPrintable(said + u" / "_qs + QString::fromUtf8(named)));
        QCOMPARE(fileBytes(path()), before);
    }
}

// The tolerant read takes what is there; a reader asking for more lines than the file
// holds is told so, naming the file; one asking for fewer gets only those.
void TestSettings::reading() {
    const std::pair<QByteArray, int> files[] = {{QByteArray(), 0},     // no file
                                                {"20\nfatura.MDB", 2}, // LF only, unended
                                                {settingsFileBytes(defaultSettings()), 23}};
    for (const auto &[bytes, lines] : files) {
        QFile f(path());
        if (!bytes.isNull())
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush());
        const SettingsRead reading = readSettingsFile(path());
        QCOMPARE(reading.fileExists, !bytes.isNull());
        QCOMPARE(reading.linesRead, lines);
        QCOMPARE(reading.values, firstLines(defaultSettings(), lines));
        for (int n : {2, 19, 23}) {
            const QString said = testdb::thrownText<SettingsError>(
                [&] { QCOMPARE(ayarlari_oku(n, path()), firstLines(defaultSettings(), n)); });
            QVERIFY2(n > lines ? said.contains(path()) : said.isEmpty(), qPrintable(said));
        }
    }
}

// What the settings window refuses before writing: each box named, with the form to type;
// the box itself, for the focus to go back to.
void TestSettings::typedValues_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("part"); // which of a placement's four boxes
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message"); // empty: saved
    const QString position = u"Konumlar twip cinsinden tam sayıyla yazılır (1 cm = 567 twip)"_qs;
    QTest::newRow("VAT %18") << 1 << 0 << u"%18"_qs
                             << u"KDV (%): \"%18\" bir sayı değil. KDV oranı yüzde işareti "
                                "olmadan yazılır; \"18\" biçiminde yazınız."_qs;
    QTest::newRow("VAT 18.5") << 1 << 0 << u"18.5"_qs
                              << u"KDV (%): \"18.5\" bir sayı değil. KDV oranı yüzde işareti "
                                 "olmadan yazılır; \"18,5\" biçiminde yazınız."_qs;
    QTest::newRow("VAT 120") << 1 << 0 << u"120"_qs
                             << u"KDV (%): \"120\" olamaz; KDV oranı 0 ile 100 arasında "
                                "olmalıdır."_qs;
    QTest::newRow("VAT 18,5") << 1 << 0 << u"18,5"_qs << QString();
    QTest::newRow("position 6 cm") << 23 << 0 << u"6 cm"_qs
                                   << u"Fatura No: Sol Boşluk: \"6 cm\" bir tam sayı değil. "_qs +
                                          position + u"; \"3402\" biçiminde yazınız."_qs;
    QTest::newRow("position 7.000")
        << 7 << 1 << u"7.000"_qs
        << u"Fatura Tarihi: Üst Boşluk: \"7.000\" bir tam sayı değil. "_qs + position +
               u"; \"7000\" biçiminde yazınız."_qs;
    QTest::newRow("position abc") << 3 << 1 << u"abc"_qs
                                  << u"Adı Soyadı: Üst Boşluk: \"abc\" bir tam sayı değil. "_qs +
                                         position + u": \"600\" gibi."_qs;
    QTest::newRow("column 5 cm")
        << 19 << 0 << u"5 cm"_qs
        << u"Fatura Sütun Marjları: Tutar: \"5 cm\" bir tam sayı değil. "_qs + position +
               u"; \"2835\" biçiminde yazınız."_qs;
    QTest::newRow("font size abc")
        << 8 << 3 << u"abc"_qs
        << u"Fatura Hareketleri: Boyutu: \"abc\" bir sayı değil. Yazı boyutu punto cinsinden "
           "\"10\" ya da \"10,5\" biçiminde yazılır."_qs;
    QTest::newRow("font size 0") << 8 << 3 << u"0"_qs
                                 << u"Fatura Hareketleri: Boyutu: \"0\" olamaz; yazı boyutu 0'dan "
                                    "büyük, en çok 1.000 punto olmalıdır."_qs;
    QTest::newRow("font size 10,5") << 8 << 3 << u"10,5"_qs << QString();
    QTest::newRow("line spacing 1,5")
        << 15 << 0 << u"1,5"_qs
        << u"Satır arası boşluk: \"1,5\" bir tam sayı değil; satır arası boşluk \"3\" gibi tam "
           "sayıyla yazılır."_qs;
    QTest::newRow("empty position") << 4 << 0 << QString() << QString();
}

void TestSettings::typedValues() {
    QFETCH(int, line);
    QFETCH(int, part);
    QFETCH(QString, value);
    QFETCH(QString, message);
    QCOMPARE(typedValueProblems(defaultSettings()).size(), 0);
    ayarlar a = defaultSettings();
    const SettingsLine &s = settingsLines()[line - 1];
    QString baski_yeri::*const parts[] = {&baski_yeri::sol_bosluk, &baski_yeri::ust_bosluk,
                                          &baski_yeri::yazitipi_adi, &baski_yeri::boyutu};
    (s.single ? a.*s.single : a.*s.placement.*parts[part]) = value;
    const QList<WriteProblem> problems = typedValueProblems(a);
    if (message.isEmpty()) {
        QCOMPARE(problems.size(), 0);
        return;
    }
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.first().message(), u"Ayarlar kaydedilemedi.\n"_qs + message);
    QCOMPARE(problems.first().line, line);
    QCOMPARE(problems.first().part, part);
}

void TestSettings::damaged_data() {
    QTest::addColumn<int>("line");  // the line given `value` (0: none)
    QTest::addColumn<int>("field"); // which of a placement's four (0: a single value)
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("lineEnd"); // instead of CR LF
    QTest::addColumn<QString>("said");       // what is wrong; empty: read as intact
    const QByteArray crlf = "\r\n";
    QTest::newRow("LF CR") << 0 << 0 << QString() << QByteArray("\n\r") << QString();
    QTest::newRow("NUL in a position")
        << 3 << 0 << u"60\u0000"_qs << crlf
        << u"3. satır (Adı Soyadı): okunamayan bir karakter var (kodu 0); dosya bozulmuş "
           "olabilir."_qs;
    QTest::newRow("CR inside a line")
        << 21 << 2 << u"Ari\ral"_qs << crlf
        << u"21. satır (İrsaliye No): okunamayan bir karakter var (kodu 13); dosya bozulmuş "
           "olabilir."_qs;
    QTest::newRow("position 1e15")
        << 3 << 0 << u"1e15"_qs << crlf
        << u"3. satır (Adı Soyadı): Sol Boşluk \"1e15\" okunamıyor; sayı 600 gibi düz "
           "yazılmalıdır."_qs;
    QTest::newRow("position beyond the paper")
        << 7 << 1 << u"1000000000000"_qs << QByteArray("\n\r")
        << u"7. satır (Fatura Tarihi): Üst Boşluk \"1000000000000\" kâğıdın dışında; konum 0 "
           "ile 100.000 twip arasında olmalıdır."_qs;
    QTest::newRow("position below 0")
        << 23 << 0 << u"-600"_qs << crlf
        << u"23. satır (Fatura No): Sol Boşluk \"-600\" kâğıdın dışında; konum 0 ile 100.000 "
           "twip arasında olmalıdır."_qs;
    QTest::newRow("column 1e15")
        << 16 << 0 << u"1e15"_qs << crlf
        << u"16. satır (Açıklama): \"1e15\" okunamıyor; sayı 600 gibi düz yazılmalıdır."_qs;
    QTest::newRow("font size 1e9")
        << 8 << 3 << u"1e9"_qs << crlf
        << u"8. satır (Fatura Hareketleri): Boyutu \"1e9\" okunamıyor; sayı 600 gibi düz "
           "yazılmalıdır."_qs;
    QTest::newRow("font size 99999")
        << 13 << 3 << u"99999"_qs << crlf
        << u"13. satır (Genel Toplam): Boyutu \"99999\" olamaz; yazı boyutu en çok 1.000 punto "
           "olmalıdır."_qs;
}

// A damaged ayarlar.dat is read as the intact one would be, or refused naming its line:
// never read into other values. A reader of the first two lines is not refused for a later
// one.
void TestSettings::damaged() {
    QFETCH(int, line);
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QByteArray, lineEnd);
    QFETCH(QString, said);
    ayarlar a = defaultSettings();
    if (line > 0) {
        const SettingsLine &s = settingsLines()[line - 1];
        QString baski_yeri::*const parts[] = {&baski_yeri::sol_bosluk, &baski_yeri::ust_bosluk,
                                              &baski_yeri::yazitipi_adi, &baski_yeri::boyutu};
        (s.single ? a.*s.single : a.*s.placement.*parts[field]) = value;
    }
    QFile f(path());
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.write(settingsFileBytes(a).replace("\r\n", lineEnd)) > 0);
    f.close();
    const QString thrown =
        testdb::thrownText<SettingsError>([&] { QCOMPARE(ayarlari_oku(23, path()), a); });
    QCOMPARE(thrown, said.isEmpty() ? QString()
                                    : u"Ayar dosyasında hatalı bir satır var: %1\n%2\nAyarlar "
                                      "penceresinde düzeltip kaydedin."_qs.arg(path(), said));
    QCOMPARE(readSettingsFile(path()).linesRead, 23);
    QCOMPARE(testdb::thrownText<SettingsError>([&] { ayarlari_oku(2, path()); }), QString());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
