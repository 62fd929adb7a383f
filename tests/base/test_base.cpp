#include "base/numbers.h"
#include "base/yaziyacevir.h"

#include <QTest>

using OptDouble = std::optional<double>;
Q_DECLARE_METATYPE(OptDouble)

namespace {
const OptDouble none = std::nullopt;
enum Reading { Leading, Local, Input, Rebuilt, Whole };
} // namespace

class TestBase : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readings_data();
    void readings();
    void texts_data();
    void texts();
    void words_data();
    void words();
};

void TestBase::readings_data() {
    QTest::addColumn<int>("reading");
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptDouble>("expected");
    const auto row = [](const char *name, Reading r, const QString &text, OptDouble expected) {
        QTest::newRow(name) << int(r) << text << expected;
    };
    // Settings values and stored prices: the number the text begins with, or 0.
    row("leading comma stops", Leading, u"1,5"_qs, 1.0);
    row("leading second dot stops", Leading, u"1.250.50"_qs, 1.25);
    row("leading no exponent", Leading, u"1e400"_qs, 1.0);
    row("leading letters", Leading, u"Arial"_qs, 0.0);
    // The program's own texts: "," before the decimals, "." between thousands.
    row("local grouped", Local, u"1.234,56"_qs, 1234.56);
    row("local dot groups thousands", Local, u"12.5"_qs, 125.0);
    row("local negative", Local, u" -12,50 "_qs, -12.5);
    row("local empty", Local, {}, none);
    row("local trailing text", Local, u"12,5 TL"_qs, none);
    row("local overflow", Local, u"1E400"_qs, none);
    // What the user types: with a comma Turkish, without one the dot is the decimal point.
    row("input dot decimals", Input, u" 12.5 "_qs, 12.5);
    row("input dot without comma", Input, u"1.250"_qs, 1.25);
    row("input letters", Input, u"on iki"_qs, none);
    row("input two dots", Input, u"1.250.50"_qs, none);
    row("input overflow", Input, u"1e400"_qs, none);
    // A money text from its parts; the sign belongs to the kuruş too.
    row("rebuilt negative", Rebuilt, u"-12,50"_qs, -12.5);
    row("rebuilt negative below one", Rebuilt, u"-0,50"_qs, -0.5);
    row("rebuilt beyond 32 bits", Rebuilt, u"5.000.000.000,25"_qs, 5000000000.25);
    row("rebuilt no comma", Rebuilt, u"1234"_qs, none);
    // Customer and invoice numbers, before any query.
    row("whole blanks and sign", Whole, u" -7 "_qs, -7.0);
    row("whole largest", Whole, u"9223372036854775807"_qs, 9223372036854775807.0);
    row("whole too large", Whole, u"9223372036854775808"_qs, none);
}

void TestBase::readings() {
    QFETCH(int, reading);
    QFETCH(QString, text);
    OptDouble got;
    if (reading == Leading)
        got = leadingNumber(text);
    else if (reading == Local)
        got = localNumber(text);
    else if (reading == Input)
        got = inputNumber(text);
    else if (reading == Rebuilt)
        got = rebuiltValue(text);
    else if (const std::optional<qint64> n = wholeNumber(text))
        got = double(*n);
    QTEST(got, "expected");
}

void TestBase::texts_data() {
    QTest::addColumn<bool>("money");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, bool money, double value, const char *expected) {
        QTest::newRow(name) << money << value << QString::fromUtf8(expected);
    };
    // Money: two decimals, rounded half away from zero on the 15-digit decimal form.
    row("money half up", true, 2.675, "2,68");
    row("money half away negative", true, -2.675, "-2,68");
    row("money just below half", true, 2.674999, "2,67");
    row("money negative zero", true, -0.001, "0,00");
    row("money carry", true, 999.995, "1.000,00");
    row("money 15 digits", true, 123456789012.345, "123.456.789.012,35");
    // Plain: at most 15 significant digits, shortest form, no thousands marks.
    row("plain no groups", false, 1234.5, "1234,5");
    row("plain shortest", false, 0.1 + 0.2, "0,3");
    row("plain negative zero", false, -0.0, "0");
    row("plain fifteen digits", false, 123456789012345.0, "123456789012345");
    row("plain large", false, 1e16, "1E+16");
    row("plain tiny", false, 0.00001, "1E-05");
}

void TestBase::texts() {
    QFETCH(bool, money);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(money ? moneyText(value) : plainNumberText(value), expected);
    // Both read back by the local reading: money as the value rounded, plain as the value.
    QCOMPARE(localNumber(expected).value(), money ? roundToMoney(value) : value);
}

void TestBase::words_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *amount, const char *expected) {
        QTest::newRow(amount) << QString::fromUtf8(amount) << QString::fromUtf8(expected);
    };
    // Between them the rows use every word: ones, tens, hundreds with and without a leading
    // one, each group of three digits (one thousand alone as "Bin"), and the kuruş.
    row("1.234,56", "BinİkiYüzOtuzDört YTLElliAltı Ykr");
    row("110,45", "YüzOn YTLKırkBeş Ykr");
    row("21.000,00", "YirmiBirBin YTL");
    row("1.001.000,00", "BirMilyonBin YTL");
    row("3.470.000,05", "ÜçMilyonDörtYüzYetmişBin YTLBeş Ykr");
    row("58.967,86", "ElliSekizBinDokuzYüzAltmışYedi YTLSeksenAltı Ykr");
    row("999.999.999.999,99", "DokuzYüzDoksanDokuzMilyarDokuzYüzDoksanDokuzMilyonDokuzYüzDoksan"
                              "DokuzBinDokuzYüzDoksanDokuz YTLDoksanDokuz Ykr");
    row("999.000.000.000.001,00", "DokuzYüzDoksanDokuzTrilyonBir YTL");
    row("0,00", "");
    row("-1.234,50", "EksiBinİkiYüzOtuzDört YTLElli Ykr");
    // Below one lira the sign goes before the kuruş words.
    row("-0,50", "EksiElli Ykr");
    // The error texts: lira that are too many or not digits (the kuruş words still follow),
    // kuruş that are not digits (whatever the lira), no comma at all.
    row("1.000.000.000.000.000,25", "ytl de HataYirmiBeş Ykr");
    row("12a,00", "ytl de Hata");
    row("abc,5x", "kuruş ta Hata");
    row("1234", "ytl de Hata");
}

void TestBase::words() {
    QFETCH(QString, amount);
    QTEST(yaziyacevir(amount), "expected");
}

QTEST_APPLESS_MAIN(TestBase)
#include "test_base.moc"
