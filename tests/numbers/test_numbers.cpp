#include "invoice/numbers.h"

#include <QTest>

#include <cmath>
#include <limits>

using OptDouble = std::optional<double>;
Q_DECLARE_METATYPE(OptDouble)

namespace {
const OptDouble none = std::nullopt;
}

class TestNumbers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void leading_data();
    void leading();
    void local_data();
    void local();
    void input_data();
    void input();
    void priceCell();
    void money_data();
    void money();
    void plain_data();
    void plain();
    void rebuilt_data();
    void rebuilt();
    void whole();
};

void TestNumbers::leading_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plain") << "1200" << 1200.0;
    QTest::newRow("blanks before") << "   3400" << 3400.0;
    QTest::newRow("comma stops") << "1,5" << 1.0;
    QTest::newRow("second dot stops") << "1.250.50" << 1.25;
    QTest::newRow("sign") << "-12.5kg" << -12.5;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("fraction only") << ".5" << 0.5;
    QTest::newRow("dot without digits") << "5." << 5.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "Arial" << 0.0;
    QTest::newRow("no exponent") << "1e400" << 1.0;
    QTest::newRow("blanks inside stop") << "1 2" << 1.0;
    QTest::newRow("sign alone") << "-" << 0.0;
}

void TestNumbers::leading() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(leadingNumber(text), expected);
}

void TestNumbers::local_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptDouble>("expected");
    QTest::newRow("grouped") << "1.234,56" << OptDouble(1234.56);
    QTest::newRow("plain text") << "250,1" << OptDouble(250.1);
    QTest::newRow("whole") << "18" << OptDouble(18.0);
    QTest::newRow("dot groups thousands") << "12.5" << OptDouble(125.0);
    QTest::newRow("negative") << "-12,50" << OptDouble(-12.5);
    QTest::newRow("blanks") << "  3,5 " << OptDouble(3.5);
    QTest::newRow("exponent") << "1E+16" << OptDouble(1e16);
    QTest::newRow("small exponent") << "1,5E-05" << OptDouble(1.5e-5);
    QTest::newRow("empty") << "" << none;
    QTest::newRow("letters") << "abc" << none;
    QTest::newRow("two commas") << "1,2,3" << none;
    QTest::newRow("trailing text") << "12,5 TL" << none;
    QTest::newRow("overflow") << "1E400" << none;
    QTest::newRow("nan") << "nan" << none;
}

void TestNumbers::local() {
    QFETCH(QString, text);
    QFETCH(OptDouble, expected);
    QCOMPARE(localNumber(text), expected);
}

void TestNumbers::input_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptDouble>("expected");
    // A comma makes a Turkish number; without one the dot is the decimal point.
    QTest::newRow("turkish") << "1.250,50" << OptDouble(1250.5);
    QTest::newRow("comma decimals") << "2,5" << OptDouble(2.5);
    QTest::newRow("dot decimals") << "12.5" << OptDouble(12.5);
    QTest::newRow("dot is decimal without comma") << "1.250" << OptDouble(1.25);
    QTest::newRow("whole") << "18" << OptDouble(18.0);
    QTest::newRow("negative") << "-3" << OptDouble(-3.0);
    QTest::newRow("blanks") << " 7 " << OptDouble(7.0);
    QTest::newRow("empty") << "" << none;
    QTest::newRow("blank") << "   " << none;
    QTest::newRow("letters") << "on iki" << none;
    QTest::newRow("two dots") << "1.250.50" << none;
    QTest::newRow("exponent") << "1e400" << none;
    QTest::newRow("inf") << "inf" << none;
    QTest::newRow("nan") << "nan" << none;
    QTest::newRow("sql") << "1 or 1=1" << none;
    QTest::newRow("huge") << QString(400, u'9') << none;
}

void TestNumbers::input() {
    QFETCH(QString, text);
    QFETCH(OptDouble, expected);
    QCOMPARE(inputNumber(text), expected);
}

void TestNumbers::priceCell() {
    QCOMPARE(priceCellText(u"1.250,50"), QStringLiteral("1250.50"));
    QCOMPARE(priceCellText(u"1250,50"), QStringLiteral("1250.50"));
    QCOMPARE(priceCellText(u"12.5"), QStringLiteral("12.5"));
    QCOMPARE(priceCellText(u"10,00"), QStringLiteral("10.00"));
    QCOMPARE(priceCellText(u""), QString());
    // The cell reads back, by the leading-number reading, as the price the user meant.
    QCOMPARE(leadingNumber(priceCellText(u"1.250,50")), 1250.5);
}

void TestNumbers::money_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two decimals") << 2511.0 << "2.511,00";
    QTest::newRow("below one") << 0.5 << "0,50";
    QTest::newRow("half up") << 2.675 << "2,68";
    QTest::newRow("half up 1.005") << 1.005 << "1,01";
    QTest::newRow("half away negative") << -2.675 << "-2,68";
    QTest::newRow("just below half") << 2.674999 << "2,67";
    QTest::newRow("negative zero") << -0.001 << "0,00";
    QTest::newRow("zero") << 0.0 << "0,00";
    QTest::newRow("carry") << 999.995 << "1.000,00";
    QTest::newRow("millions") << 1234567.891 << "1.234.567,89";
    QTest::newRow("sum drift") << 0.1 + 0.2 << "0,30";
    QTest::newRow("half cent") << 0.005 << "0,01";
    QTest::newRow("large") << 1e15 << "1.000.000.000.000.000,00";
    QTest::newRow("negative thousands") << -1234.5 << "-1.234,50";
    QTest::newRow("15 digits") << 123456789012.345 << "123.456.789.012,35";
}

void TestNumbers::money() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(moneyText(value), expected);
    // Rounding to money is the same text read back.
    QCOMPARE(roundToMoney(value), localNumber(expected).value());
}

void TestNumbers::plain_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("decimal") << 250.1 << "250,1";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("no groups") << 1234.5 << "1234,5";
    QTest::newRow("shortest") << 0.1 + 0.2 << "0,3";
    QTest::newRow("negative") << -12.5 << "-12,5";
    QTest::newRow("whole") << 19.0 << "19";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345";
    QTest::newRow("large") << 1e16 << "1E+16";
    QTest::newRow("tiny") << 0.00001 << "1E-05";
}

void TestNumbers::plain() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(plainNumberText(value), expected);
    // The program's own texts always read back by the local reading.
    QCOMPARE(localNumber(expected).value(), value);
}

void TestNumbers::rebuilt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<OptDouble>("expected");
    QTest::newRow("grouped") << "1.234,56" << OptDouble(1234.56);
    QTest::newRow("below one") << "0,50" << OptDouble(0.5);
    // The sign belongs to the cents too.
    QTest::newRow("negative") << "-12,50" << OptDouble(-12.5);
    QTest::newRow("negative below one") << "-0,50" << OptDouble(-0.5);
    // Beyond 32 bits the whole lira still add up.
    QTest::newRow("beyond 32 bits") << "5.000.000.000,25" << OptDouble(5000000000.25);
    QTest::newRow("no comma") << "1234" << none;
    QTest::newRow("letters") << "abc,de" << none;
    QTest::newRow("empty") << "" << none;
}

void TestNumbers::rebuilt() {
    QFETCH(QString, text);
    QFETCH(OptDouble, expected);
    const OptDouble result = rebuiltValue(text);
    QCOMPARE(result.has_value(), expected.has_value());
    if (expected)
        QVERIFY(qFuzzyCompare(*result, *expected));
}

void TestNumbers::whole() {
    QCOMPARE(wholeNumber(u"12"), std::optional<qint64>(12));
    QCOMPARE(wholeNumber(u" 7 "), std::optional<qint64>(7));
    QCOMPARE(wholeNumber(u"-3"), std::optional<qint64>(-3));
    QCOMPARE(wholeNumber(u"9223372036854775807"),
             std::optional<qint64>(std::numeric_limits<qint64>::max()));
    for (const char *bad : {"", " ", "12a", "1 or 1=1", "1.5", "1,5", "9223372036854775808", "-",
                            "'; DROP TABLE faturalar; --", "٣"})
        QVERIFY2(!wholeNumber(QString::fromUtf8(bad)), bad);
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "test_numbers.moc"
