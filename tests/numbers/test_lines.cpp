#include "invoice/lines.h"

#include <QTest>

class TestLines : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workedExample_data();
    void workedExample();
    void inputReadings();
    void refusals_data();
    void refusals();
    void emptyLine();
    void negativeSubtotal();
    void storedLines();
};

void TestLines::workedExample_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("vat1");
    QTest::addColumn<QString>("grand1");
    QTest::addColumn<QString>("vat2");
    QTest::addColumn<QString>("grand2");
    QTest::newRow("Hariç") << int(VatExcluded) << "1,80"
                           << "11,80"
                           << "406,96"
                           << "2.667,86";
    QTest::newRow("Dahil") << int(VatIncluded) << "Dahil"
                           << "10,00"
                           << "Dahil"
                           << "2.260,90";
    // No mode chosen counts as VAT on top.
    QTest::newRow("none") << int(VatNotChosen) << "1,80"
                          << "11,80"
                          << "406,96"
                          << "2.667,86";
}

void TestLines::workedExample() {
    QFETCH(int, mode);
    InvoiceTotals totals;
    const LineResult first =
        addLine(totals, {u"Muayene"_qs, {}, u"1"_qs, u"10,00"_qs}, u"18"_qs, mode);
    QVERIFY(first.error.isEmpty());
    QCOMPARE(first.totals.subtotal, u"10,00"_qs);
    QCOMPARE(first.totals.discountTotal, u"0"_qs);
    QTEST(first.totals.vat, "vat1");
    QTEST(first.totals.grandTotal, "grand1");

    const LineResult second =
        addLine(totals, {u"Tahlil"_qs, u"10"_qs, u"2"_qs, u"1250,50"_qs}, u"18"_qs, mode);
    QVERIFY(second.error.isEmpty());
    QCOMPARE(second.cells.quantity, u"2"_qs);
    QCOMPARE(second.cells.description, u"Tahlil"_qs);
    QCOMPARE(second.cells.discount, u"10"_qs);
    QCOMPARE(second.cells.unitPrice, u"1250.50"_qs);
    QCOMPARE(second.cells.amount, u"2.501,00"_qs);
    QCOMPARE(second.totals.subtotal, u"2.511,00"_qs);
    QCOMPARE(second.totals.discountTotal, u"250,1"_qs);
    QTEST(second.totals.vat, "vat2");
    QTEST(second.totals.grandTotal, "grand2");
}

void TestLines::inputReadings() {
    // 2,5 is two and a half everywhere, and a grouped price is the price meant.
    InvoiceTotals totals;
    const LineResult r =
        addLine(totals, {u"Kalem"_qs, u"10"_qs, u"2,5"_qs, u"1.250,50"_qs}, u"18"_qs, VatExcluded);
    QVERIFY(r.error.isEmpty());
    QCOMPARE(r.cells.unitPrice, u"1250.50"_qs);
    QCOMPARE(r.cells.amount, u"3.126,25"_qs);
    QCOMPARE(r.totals.discountTotal, u"312,63"_qs);
    QCOMPARE(r.totals.subtotal, u"3.126,25"_qs);
    // The discount lowers the VAT base and the grand total, never the line amount.
    QCOMPARE(r.totals.vat, u"506,45"_qs);
    QCOMPARE(r.totals.grandTotal, u"3.320,07"_qs);
    // A discount typed with a decimal point is a percent, not a thousand.
    InvoiceTotals t2;
    QCOMPARE(addLine(t2, {{}, u"12.5"_qs, u"1"_qs, u"100"_qs}, u"18"_qs, VatIncluded)
                 .totals.discountTotal,
             u"12,5"_qs);
    // A rate with a comma.
    InvoiceTotals t3;
    QCOMPARE(addLine(t3, {{}, {}, u"1"_qs, u"100"_qs}, u"8,5"_qs, VatExcluded).totals.vat,
             u"8,50"_qs);
}

void TestLines::refusals_data() {
    QTest::addColumn<QString>("discount");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("field");
    QTest::newRow("quantity") << ""
                              << "iki"
                              << "10"
                              << "18"
                              << "Miktar";
    QTest::newRow("price") << ""
                           << "1"
                           << "10 TL"
                           << "18"
                           << "Birim fiyat";
    QTest::newRow("discount") << "%10"
                              << "1"
                              << "10"
                              << "18"
                              << "İskonto";
    QTest::newRow("rate") << ""
                          << "1"
                          << "10"
                          << "on sekiz"
                          << "KDV oranı";
    QTest::newRow("empty rate") << ""
                                << "1"
                                << "10"
                                << ""
                                << "KDV oranı";
    QTest::newRow("long text") << ""
                               << "1" << QString(5000, u'x') << "18"
                               << "Birim fiyat";
    QTest::newRow("infinite") << ""
                              << "1e400"
                              << "10"
                              << "18"
                              << "Miktar";
}

void TestLines::refusals() {
    QFETCH(QString, discount);
    QFETCH(QString, quantity);
    QFETCH(QString, price);
    QFETCH(QString, rate);
    QFETCH(QString, field);
    InvoiceTotals totals{100, 5};
    const LineResult r = addLine(totals, {u"x"_qs, discount, quantity, price}, rate, VatExcluded);
    QVERIFY2(r.error.startsWith(field), qPrintable(r.error));
    // Readable in a message box: a long text is quoted only in part, an empty one not at all.
    QVERIFY2(r.error.size() < 100 && !r.error.endsWith(u' '), qPrintable(r.error));
    // Nothing changed.
    QCOMPARE(totals.subtotal, 100.0);
    QCOMPARE(totals.discountTotal, 5.0);
}

void TestLines::emptyLine() {
    InvoiceTotals totals;
    const LineResult r = addLine(totals, {}, u"18"_qs, VatIncluded);
    QVERIFY(r.error.isEmpty());
    QCOMPARE(r.cells.amount, u"0,00"_qs);
    QCOMPARE(r.totals.subtotal, u"0,00"_qs);
    QCOMPARE(r.totals.grandTotal, u"0,00"_qs);
    // With VAT included the rate is not needed at all.
    InvoiceTotals t2;
    QVERIFY(addLine(t2, {{}, {}, u"1"_qs, u"5"_qs}, u"yok"_qs, VatIncluded).error.isEmpty());
}

void TestLines::negativeSubtotal() {
    // A returned item: -12,50 stays -12,50 in the grand total, never -11,50.
    InvoiceTotals totals;
    LineResult r = addLine(totals, {u"İade"_qs, {}, u"-1"_qs, u"12,50"_qs}, u"18"_qs, VatIncluded);
    QCOMPARE(r.totals.subtotal, u"-12,50"_qs);
    QCOMPARE(r.totals.grandTotal, u"-12,50"_qs);
    InvoiceTotals t2;
    r = addLine(t2, {u"İade"_qs, {}, u"-1"_qs, u"12,50"_qs}, u"18"_qs, VatExcluded);
    QCOMPARE(r.totals.vat, u"-2,25"_qs);
    QCOMPARE(r.totals.grandTotal, u"-14,75"_qs);
    // Totals beyond 32-bit lira.
    InvoiceTotals t3;
    r = addLine(t3, {{}, {}, u"3"_qs, u"1000000000"_qs}, u"10"_qs, VatExcluded);
    QCOMPARE(r.totals.grandTotal, u"3.300.000.000,00"_qs);
}

void TestLines::storedLines() {
    // Loading 10.00 × 1 and 5.50 × 2 gives the same texts as typing them.
    InvoiceTotals loaded;
    addStoredLine(loaded, 1, u"A"_qs, {}, u"10.00"_qs, u"18"_qs, VatExcluded);
    const LineResult r = addStoredLine(loaded, 2, u"B"_qs, {}, u"5.50"_qs, u"18"_qs, VatExcluded);
    QCOMPARE(r.cells.quantity, u"2"_qs);
    QCOMPARE(r.cells.unitPrice, u"5.50"_qs);
    QCOMPARE(r.cells.amount, u"11,00"_qs);
    QCOMPARE(r.totals.subtotal, u"21,00"_qs);
    QCOMPARE(r.totals.discountTotal, u"0"_qs);

    InvoiceTotals typed;
    addLine(typed, {u"A"_qs, {}, u"1"_qs, u"10,00"_qs}, u"18"_qs, VatExcluded);
    const LineResult t = addLine(typed, {u"B"_qs, {}, u"2"_qs, u"5,50"_qs}, u"18"_qs, VatExcluded);
    QCOMPARE(r.totals.grandTotal, t.totals.grandTotal);

    // A stored fractional quantity shows in Turkish form; a bad stored discount adds nothing.
    InvoiceTotals t2;
    const LineResult f = addStoredLine(t2, 2.5, u"C"_qs, u"abc"_qs, u"4"_qs, u"18"_qs, VatIncluded);
    QCOMPARE(f.cells.quantity, u"2,5"_qs);
    QCOMPARE(f.totals.discountTotal, u"0"_qs);
    QCOMPARE(f.totals.grandTotal, u"10,00"_qs);
    // A window rate that is no number leaves the VAT fields empty but the line loads.
    InvoiceTotals t3;
    const LineResult g = addStoredLine(t3, 1, u"D"_qs, u"10"_qs, u"100"_qs, u"x"_qs, VatExcluded);
    QCOMPARE(g.totals.subtotal, u"100,00"_qs);
    QCOMPARE(g.totals.discountTotal, u"10"_qs);
    QVERIFY(g.totals.vat.isEmpty());
}

QTEST_APPLESS_MAIN(TestLines)
#include "test_lines.moc"
