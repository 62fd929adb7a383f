#include "base/numbers.h"
#include "invoice/invoice.h"

#include <QTest>

#include <limits>

using OptDouble = std::optional<double>;
Q_DECLARE_METATYPE(OptDouble)

namespace {
const OptDouble none = std::nullopt;
enum Reading { Leading, Local, Input, Rebuilt, Whole };
} // namespace

class TestNumbers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readings_data();
    void readings();
    void texts_data();
    void texts();
    void oneLine_data();
    void oneLine();
    void refusals_data();
    void refusals();
    void storedLines();
};

void TestNumbers::readings_data() {
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
    row("whole query", Whole, u"1 or 1=1"_qs, none);
}

void TestNumbers::readings() {
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

void TestNumbers::texts_data() {
    QTest::addColumn<bool>("money");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, bool money, double value, const char *expected) {
        QTest::newRow(name) << money << value << QString::fromUtf8(expected);
    };
    // Money: two decimals, rounded half away from zero on the 15-digit decimal form.
    row("money half up", true, 2.675, "2,68");
    row("money half up 1.005", true, 1.005, "1,01");
    row("money half away negative", true, -2.675, "-2,68");
    row("money just below half", true, 2.674999, "2,67");
    row("money negative zero", true, -0.001, "0,00");
    row("money carry", true, 999.995, "1.000,00");
    row("money 15 digits", true, 123456789012.345, "123.456.789.012,35");
    row("money large", true, 1e15, "1.000.000.000.000.000,00");
    // Plain: at most 15 significant digits, shortest form, no thousands marks.
    row("plain no groups", false, 1234.5, "1234,5");
    row("plain shortest", false, 0.1 + 0.2, "0,3");
    row("plain negative zero", false, -0.0, "0");
    row("plain fifteen digits", false, 123456789012345.0, "123456789012345");
    row("plain large", false, 1e16, "1E+16");
    row("plain tiny", false, 0.00001, "1E-05");
}

void TestNumbers::texts() {
    QFETCH(bool, money);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(money ? moneyText(value) : plainNumberText(value), expected);
    // Both read back by the local reading: money as the value rounded, plain as the value.
    QCOMPARE(localNumber(expected).value(), money ? roundToMoney(value) : value);
}

void TestNumbers::oneLine_data() {
    // Typed: discount percent, quantity, unit price, VAT rate, mode. Then the amount cell and
    // the subtotal, discount total, VAT and grand total texts.
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("expected");
    const auto row = [](const char *name, const QStringList &typed, int mode,
                        const QStringList &expected) {
        QTest::newRow(name) << typed << mode << expected;
    };
    // The discount lowers the VAT base and the grand total, never the line amount.
    row("2,5 at 1.250,50", {"10", "2,5", "1.250,50", "18"}, VatExcluded,
        {"3.126,25", "3.126,25", "312,63", "506,45", "3.320,07"});
    row("discount with a dot is a percent", {"12.5", "1", "100", "18"}, VatIncluded,
        {"100,00", "100,00", "12,5", "Dahil", "87,50"});
    row("Dahil needs no rate", {"", "1", "5", "yok"}, VatIncluded,
        {"5,00", "5,00", "0", "Dahil", "5,00"});
    // No mode chosen is VAT on top; 1,845 is rounded up to the kuruş.
    row("no mode chosen, VAT half up", {"", "1", "10,25", "18"}, VatNotChosen,
        {"10,25", "10,25", "0", "1,85", "12,10"});
    row("beyond 32-bit lira", {"", "3", "1000000000", "10"}, VatExcluded,
        {"3.000.000.000,00", "3.000.000.000,00", "0", "300.000.000,00", "3.300.000.000,00"});
}

void TestNumbers::oneLine() {
    QFETCH(QStringList, typed);
    QFETCH(int, mode);
    InvoiceTotals totals;
    const LineResult r = addLine(totals, {u"x"_qs, typed[0], typed[1], typed[2]}, typed[3], mode);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QTEST((QStringList{r.cells.amount, r.totals.subtotal, r.totals.discountTotal, r.totals.vat,
                       r.totals.grandTotal}),
          "expected");
}

void TestNumbers::refusals_data() {
    QTest::addColumn<QStringList>("typed"); // discount, quantity, price, rate
    QTest::addColumn<QString>("field");     // how the message begins
    const auto row = [](const char *name, const QStringList &typed, const char *field) {
        QTest::newRow(name) << typed << QString::fromUtf8(field);
    };
    const QString huge = u"1"_qs + QString(200, u'0');
    row("empty rate", {"", "1", "10", ""}, "KDV oranı girilmelidir");
    row("long text", {"", "1", QString(5000, u'x'), "18"}, "Birim fiyat");
    // Amounts beyond any number once zeroed the running sums; now they are refused.
    row("amount too large", {"", huge, huge, "18"}, "Satır tutarı");
    row("discount too large", {"10", huge, huge, "18"}, "Satır tutarı");
    row("VAT too large", {"", huge, "1", u"1"_qs + QString(307, u'0')}, "Satır tutarı");
}

void TestNumbers::refusals() {
    QFETCH(QStringList, typed);
    QFETCH(QString, field);
    InvoiceTotals totals{100, 5};
    const LineResult r =
        addLine(totals, {u"x"_qs, typed[0], typed[1], typed[2]}, typed[3], VatExcluded);
    QVERIFY2(r.error.startsWith(field), qPrintable(r.error));
    // Readable in a message box: a long text is quoted only in part.
    QVERIFY2(r.error.size() < 100, qPrintable(r.error));
    QCOMPARE(totals.subtotal, 100.0);
    QCOMPARE(totals.discountTotal, 5.0);
}

void TestNumbers::storedLines() {
    // A stored fractional quantity shows in Turkish form; a stored discount that is no
    // number takes nothing off.
    InvoiceTotals t2;
    const LineResult f = addStoredLine(t2, 2.5, u"C"_qs, u"abc"_qs, u"4"_qs, u"18"_qs, VatIncluded);
    QCOMPARE((QStringList{f.cells.quantity, f.totals.discountTotal, f.totals.grandTotal}),
             (QStringList{"2,5", "0", "10,00"}));
    // A window rate that is no number leaves the VAT field empty, but the line loads.
    const LineResult g = addStoredLine(t2, 1, u"D"_qs, u"10"_qs, u"100"_qs, u"x"_qs, VatExcluded);
    QCOMPARE((QStringList{g.totals.subtotal, g.totals.discountTotal, g.totals.vat}),
             (QStringList{"110,00", "10", ""}));
    // A stored line too large for a number is left out, the sums kept.
    QVERIFY(!addStoredLine(t2, 1e200, {}, {}, u"1"_qs + QString(200, u'0'), u"18"_qs, VatIncluded)
                 .error.isEmpty());
    QCOMPARE(t2.subtotal, 110.0);
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "test_numbers.moc"
