#include "invoice/lines.h"

#include <QTest>

class TestLines : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneLine_data();
    void oneLine();
    void refusals_data();
    void refusals();
    void storedLines();
};

void TestLines::oneLine_data() {
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
    row("rate with a comma", {"", "1", "100", "8,5"}, VatExcluded,
        {"100,00", "100,00", "0", "8,50", "108,50"});
    row("Dahil needs no rate", {"", "1", "5", "yok"}, VatIncluded,
        {"5,00", "5,00", "0", "Dahil", "5,00"});
    row("no mode chosen is VAT on top", {"", "1", "10,00", "18"}, VatNotChosen,
        {"10,00", "10,00", "0", "1,80", "11,80"});
    row("beyond 32-bit lira", {"", "3", "1000000000", "10"}, VatExcluded,
        {"3.000.000.000,00", "3.000.000.000,00", "0", "300.000.000,00", "3.300.000.000,00"});
}

void TestLines::oneLine() {
    QFETCH(QStringList, typed);
    QFETCH(int, mode);
    InvoiceTotals totals;
    const LineResult r = addLine(totals, {u"x"_qs, typed[0], typed[1], typed[2]}, typed[3], mode);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QTEST((QStringList{r.cells.amount, r.totals.subtotal, r.totals.discountTotal, r.totals.vat,
                       r.totals.grandTotal}),
          "expected");
}

void TestLines::refusals_data() {
    QTest::addColumn<QStringList>("typed"); // discount, quantity, price, rate
    QTest::addColumn<QString>("field");     // how the message begins
    const auto row = [](const char *name, const QStringList &typed, const char *field) {
        QTest::newRow(name) << typed << QString::fromUtf8(field);
    };
    const QString huge = u"1"_qs + QString(200, u'0');
    row("infinite quantity", {"", "1e400", "10", "18"}, "Miktar");
    row("empty rate", {"", "1", "10", ""}, "KDV oranı girilmelidir");
    row("long text", {"", "1", QString(5000, u'x'), "18"}, "Birim fiyat");
    // Amounts beyond any number once zeroed the running sums; now they are refused.
    row("amount too large", {"", huge, huge, "18"}, "Satır tutarı");
    row("discount too large", {"10", huge, huge, "18"}, "Satır tutarı");
    row("VAT too large", {"", huge, "1", u"1"_qs + QString(307, u'0')}, "Satır tutarı");
}

void TestLines::refusals() {
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

void TestLines::storedLines() {
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

QTEST_APPLESS_MAIN(TestLines)
#include "test_lines.moc"
