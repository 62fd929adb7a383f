#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "invoice/invoice.h"
#include "invoice/invoiceprint.h"
#include "invoice/saving.h"
#include "tests/common/printfixture.h"

#include <QTest>

// The invoice model: its arithmetic, its stored form and its printing. Every figure the
// windows, the paper and the batch run show comes from here, so the arithmetic is checked
// here once.
class TestInvoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void arithmetic_data();
    void arithmetic();
    void refusedLines();
    void rateAndModeChanges();
    void storedForm();
    void loading();
    void printing();
    void printedTotals_data();
    void printedTotals();
};

namespace {

using Lines = QList<QStringList>; // each: discount percent, quantity, unit price

Invoice typed(const Lines &lines, int mode, const QString &rate) {
    Invoice invoice;
    invoice.vatMode = mode;
    invoice.setVatRate(rate);
    for (const QStringList &l : lines) {
        const QString problem = addLine(invoice, {u"kalem"_qs, l[0], l[1], l[2]});
        if (!problem.isEmpty())
            qFatal("line refused: %s", qPrintable(problem));
    }
    return invoice;
}

QStringList shown(const InvoiceFigures &f) {
    return {f.subtotalText, f.discountTotalText, f.vatText, f.grandTotalText};
}

// A row of invoice 125 with its header: customer, addresses, tax office, VAT on top, dates.
StoredRow storedRow(double quantity, const QString &description, const QString &discount,
                    const QString &price) {
    const QStringList h = {
        "42",         "Şükrü Öztürk", "Atatürk Cad. No: 5", "Çankaya / ANKARA", "Kayıtlı VD",
        "01.05.2024", "A-77",         "30.04.2024"};
    return {h[0], h[1], h[2],     h[3],        h[4],     1,     h[5],        h[6],
            h[7], 125,  quantity, description, discount, price, std::nullopt};
}

Invoice loaded(const QList<StoredRow> &rows, const QString &rate) {
    Invoice invoice;
    invoice.setVatRate(rate);
    const QString problem = loadStoredRows(invoice, rows);
    if (!problem.isEmpty())
        qFatal("load refused: %s", qPrintable(problem));
    return invoice;
}

} // namespace

void TestInvoice::arithmetic_data() {
    // The typed lines, VAT mode and rate; then the last line's amount and the subtotal,
    // discount total, VAT and grand total texts.
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QStringList>("expected");
    const Lines worked = {{"", "1", "10,00"}, {"10", "2", "1250,50"}};
    QTest::newRow("worked example, first line, Hariç")
        << worked.mid(0, 1) << int(VatExcluded) << u"18"_qs
        << QStringList{"10,00", "10,00", "0", "1,80", "11,80"};
    QTest::newRow("worked example, Hariç")
        << worked << int(VatExcluded) << u"18"_qs
        << QStringList{"2.501,00", "2.511,00", "250,1", "406,96", "2.667,86"};
    QTest::newRow("worked example, Dahil")
        << worked << int(VatIncluded) << u"18"_qs
        << QStringList{"2.501,00", "2.511,00", "250,1", "Dahil", "2.260,90"};
    // A quantity with a comma and a price with thousands marks are read as meant; the
    // discount lowers the VAT base and the grand total, never the line amount.
    QTest::newRow("2,5 at 1.250,50")
        << Lines{{"10", "2,5", "1.250,50"}} << int(VatExcluded) << u"18"_qs
        << QStringList{"3.126,25", "3.126,25", "312,63", "506,45", "3.320,07"};
    QTest::newRow("discount with a dot is a percent")
        << Lines{{"12.5", "1", "100"}} << int(VatIncluded) << u"18"_qs
        << QStringList{"100,00", "100,00", "12,5", "Dahil", "87,50"};
    QTest::newRow("Dahil needs no rate") << Lines{{"", "1", "5"}} << int(VatIncluded) << u"yok"_qs
                                         << QStringList{"5,00", "5,00", "0", "Dahil", "5,00"};
    // No mode chosen is VAT on top; 1,845 is rounded up to the kuruş.
    QTest::newRow("no mode chosen, VAT half up")
        << Lines{{"", "1", "10,25"}} << int(VatNotChosen) << u"18"_qs
        << QStringList{"10,25", "10,25", "0", "1,85", "12,10"};
    QTest::newRow("beyond 32-bit lira")
        << Lines{{"", "3", "1000000000"}} << int(VatExcluded) << u"10"_qs
        << QStringList{"3.000.000.000,00", "3.000.000.000,00", "0", "300.000.000,00",
                       "3.300.000.000,00"};
    // A negative subtotal keeps its sign on the kuruş: -12,50 is -12.50, not -11.50.
    QTest::newRow("negative") << Lines{{"", "-1", "12,50"}} << int(VatIncluded) << u"18"_qs
                              << QStringList{"-12,50", "-12,50", "0", "Dahil", "-12,50"};
    QTest::newRow("all fields empty") << Lines{{"", "", ""}} << int(VatExcluded) << u"18"_qs
                                      << QStringList{"0,00", "0,00", "0", "0,00", "0,00"};
}

void TestInvoice::arithmetic() {
    QFETCH(Lines, lines);
    QFETCH(int, mode);
    QFETCH(QString, rate);
    const InvoiceFigures f = computeFigures(typed(lines, mode, rate));
    QVERIFY(f.fits);
    QTEST(QStringList{f.lineAmounts.last()} + shown(f), "expected");
    QCOMPARE(f.words, yaziyacevir(f.grandTotalText));
}

void TestInvoice::refusedLines() {
    const QString huge = u"1"_qs + QString(200, u'0');
    const QList<QPair<QStringList, QString>> cases = {
        // discount, quantity, price, rate; then how the message begins
        {{"", "1", "10", ""}, u"KDV oranı girilmelidir"_qs},
        {{"", "1", "10", "on sekiz"}, u"KDV oranı geçerli bir sayı değil"_qs},
        {{"", "iki", "10", "18"}, u"Miktar"_qs},
        {{"", "1", QString(5000, u'x'), "18"}, u"Birim fiyat"_qs},
        {{"%10", "1", "10", "18"}, u"İskonto yüzdesi"_qs},
        // Amounts beyond any number once zeroed the running sums; now they are refused.
        {{"", huge, huge, "18"}, u"Satır tutarı"_qs},
        {{"10", huge, huge, "18"}, u"Satır tutarı"_qs},
        {{"", huge, "1", u"1"_qs + QString(307, u'0')}, u"Satır tutarı"_qs},
    };
    for (const auto &[input, message] : cases) {
        Invoice invoice = typed({{"5", "1", "100"}}, VatExcluded, u"18"_qs);
        invoice.setVatRate(input[3]);
        const QString problem = addLine(invoice, {u"x"_qs, input[0], input[1], input[2]});
        QVERIFY2(problem.startsWith(message), qPrintable(problem));
        // Readable in a message box: a long text is quoted only in part.
        QVERIFY2(problem.size() < 100, qPrintable(problem));
        QCOMPARE(invoice.lines.size(), 1);
    }
}

void TestInvoice::rateAndModeChanges() {
    // A saved invoice with the window's rate changed afterwards: every figure follows at once.
    Invoice invoice = typed({{"10", "2", "1250,50"}, {"", "1", "10,00"}}, VatExcluded, u"20"_qs);
    QCOMPARE(shown(computeFigures(invoice)),
             (QStringList{"2.511,00", "250,1", "452,18", "2.713,08"}));
    invoice.setVatRate(steppedVatRate(invoice.vatRateText, +1).value());
    QCOMPARE(invoice.vatRateText, u"21"_qs);
    InvoiceFigures f = computeFigures(invoice);
    QCOMPARE(shown(f), (QStringList{"2.511,00", "250,1", "474,79", "2.735,69"}));
    QCOMPARE(f.words, yaziyacevir(u"2.735,69"_qs));
    invoice.setVatRate(u"8,5"_qs);
    QCOMPARE(computeFigures(invoice).vatText, u"192,18"_qs);
    // A rate that is no number shows no VAT, no grand total and no words: nothing wrong.
    invoice.setVatRate(u"x"_qs);
    f = computeFigures(invoice);
    QCOMPARE((QStringList{f.vatText, f.grandTotalText, f.words}), QStringList(3));
    invoice.vatMode = VatIncluded;
    QCOMPARE(shown(computeFigures(invoice)),
             (QStringList{"2.511,00", "250,1", "Dahil", "2.260,90"}));
    QCOMPARE(steppedVatRate(u"18,5"_qs, -1), std::optional<QString>(u"17,5"_qs));
    QCOMPARE(steppedVatRate(u"x"_qs, 1), std::nullopt);
}

void TestInvoice::storedForm() {
    Invoice invoice =
        typed({{"", "2,5", "4"}, {"10", "", "7"}, {"", "3", "1.250,50"}}, VatExcluded, u"18"_qs);
    invoice.header = {125, u"42"_qs, u"Ad"_qs, {}, {}, {}, {}, {}, {}};
    // A line without a quantity is no line; the quantity is stored as meant, the price with
    // "." as the decimal point, the amount as the window shows it.
    const InvoiceRecord r = invoiceRecord(invoice);
    QCOMPARE(r.header.faturano, qint64(125));
    QCOMPARE(r.header.kdvdahil, int(VatExcluded));
    QCOMPARE(r.lines.size(), 2);
    QCOMPARE(r.lines[0].miktar, 2.5);
    QCOMPARE(r.lines[0].iskonto, u""_qs);
    QVERIFY(!r.lines[0].iskonto.isNull());
    QCOMPARE((QStringList{r.lines[1].br_fiyat, r.lines[1].tutar}),
             (QStringList{"1250.50", "3.751,50"}));

    const std::optional<InvoiceHeader> h =
        invoiceHeader({u" 77 "_qs, u"1"_qs, u"Ad"_qs, {}, {}, {}, {}, {}, {}});
    QCOMPARE(h->number, qint64(77));
    // The checks before saving, in their order.
    const auto boxes = [](const char *number, const char *customer, const char *name) {
        HeaderTexts t;
        t.invoiceNumber = QString::fromUtf8(number);
        t.customerNumber = QString::fromUtf8(customer);
        t.customerName = QString::fromUtf8(name);
        return t;
    };
    const QList<QPair<HeaderTexts, QString>> checks = {
        {boxes("", "1", "Ad"), u"Fatura No giriniz!"_qs},
        {boxes("5", " ", "Ad"), u"Müşteri No giriniz!"_qs},
        {boxes("5", "1", ""), u"Müşteri adı giriniz!"_qs},
        {boxes("5a", "1", "Ad"), u"Fatura No geçersiz!"_qs},
        {boxes("5", "1", "Ad"), QString()},
    };
    for (const auto &[texts, message] : checks)
        QCOMPARE(saveCheck(texts), message);
}

void TestInvoice::loading() {
    // The header from the first row; a column without a value keeps what was there.
    Invoice invoice;
    invoice.header.address2 = u"önceki"_qs;
    StoredRow first = storedRow(2, u"A"_qs, u"abc"_qs, u"4"_qs);
    first.adresi2.reset();
    first.kdvdahil = 7; // no such mode: the mode stays
    QCOMPARE(loadStoredRows(invoice, {first, storedRow(2.5, u"B"_qs, u"10"_qs, u"100"_qs)}),
             QString());
    QCOMPARE(invoice.header.number, qint64(125));
    QCOMPARE(invoice.header.customerName, u"Şükrü Öztürk"_qs);
    QCOMPARE(invoice.header.address2, u"önceki"_qs);
    QCOMPARE(invoice.vatMode, int(VatIncluded));
    // A stored discount that is no number takes nothing off; a fractional quantity shows in
    // Turkish form.
    QCOMPARE(invoice.lines[0].discountPercent, std::nullopt);
    QCOMPARE(invoice.lines[1].quantityText, u"2,5"_qs);
    QCOMPARE(shown(computeFigures(invoice)), (QStringList{"258,00", "25", "Dahil", "233,00"}));

    // A line too large for a number stops the load with a message naming invoice and line,
    // and the invoice is left as it was: a save afterwards cannot lose that line.
    const Invoice before = invoice;
    const QString problem =
        loadStoredRows(invoice, {storedRow(1, u"C"_qs, {}, u"1"_qs),
                                 storedRow(1e200, u"D"_qs, {}, u"1"_qs + QString(200, u'0'))});
    QVERIFY2(problem.startsWith(u"125 numaralı faturanın 2. satırı okunamadı"_qs),
             qPrintable(problem));
    QCOMPARE(invoice.lines, before.lines);
}

void TestInvoice::printing() {
    RecordingPrinter printer;
    Invoice invoice = loaded({storedRow(2, u"Vida M8"_qs, u"10"_qs, u"50"_qs),
                              storedRow(1.5, u"Somun"_qs, {}, u"1250.5"_qs),
                              storedRow(3, u"Pul"_qs, {}, u"0.25"_qs)},
                             u"18"_qs);
    invoice.header.taxOffice = u"Çankaya VD 1234567890"_qs;
    printInvoice(printer, distinctSettings(), invoice);
    QCOMPARE(printer.documents(), 1);

    QList<Expected> want = {
        {u"01.05.2024"_qs, u"Tarih Yazısı"_qs, 10, 8400, 2400},
        {u" 125"_qs, u"Numara Yazısı"_qs, 14, 8430, 2100},
        {u"A-77"_qs, u"İrsaliye Yazısı"_qs, 12, 8410, 2700},
        {u"30.04.2024"_qs, u"İrsaliye Tarihi Yazısı"_qs, 13, 8420, 3000},
        {u"Şükrü Öztürk"_qs, u"Ad Yazısı"_qs, 11, 600, 2400},
        {u"Atatürk Cad. No: 5"_qs, u"Adres Yazısı"_qs, 9, 650, 2700},
        {u"Çankaya / ANKARA"_qs, u"Adres Yazısı"_qs, 9, 650, 2900},
        {u"Çankaya VD 1234567890"_qs, u"Vergi Yazısı"_qs, 8, 700, 3300},
    };
    // Quantity, description, discount, price and amount at their margins; the lines are
    // satir_arasi_bosluk × 100 twips apart.
    const QString line = u"Satır Yazısı"_qs;
    const QList<QStringList> cells = {{" 2", "Vida M8", "10", "50", "100,00"},
                                      {" 1,5", "Somun", "", "1250.5", "1.875,75"},
                                      {" 3", "Pul", "", "0.25", "0,75"}};
    for (int r = 0; r < cells.size(); ++r) {
        for (int c = 0; c < 5; ++c)
            want << Expected{cells[r][c], line, 9.5,
                             QList{600.0, 1500.0, 6100.0, 7000.0, 9200.0}[c], 4500.0 + 300 * r};
    }
    // 100,00 + 1.875,75 + 0,75 = 1.976,50; discount 10,00; VAT 18 % of 1.966,50 = 353,97.
    want << QList<Expected>{{u"1.976,50"_qs, line, 9.5, 9220, 11700},
                            {u"10,00"_qs, line, 9.5, 9210, 12000},
                            {u"Y. İkiBinÜçYüzYirmi YTLKırkYedi Ykr"_qs, line, 9.5, 600, 13500},
                            {u"18"_qs, line, 9.5, 7800, 12600},
                            {u"353,97"_qs, line, 9.5, 9230, 12600},
                            {u"2.320,47"_qs, line, 9.5, 9240, 12900}};
    QCOMPARE(described(printer.lines()), described(want));
}

void TestInvoice::printedTotals_data() {
    // One stored line (quantity, discount percent, price), the invoice's VAT mode and rate,
    // then the discount total, VAT and grand total that must be printed.
    QTest::addColumn<QStringList>("line");
    QTest::addColumn<int>("vatMode");
    QTest::addColumn<QString>("vatRate");
    QTest::addColumn<QStringList>("printed");
    const QStringList hundred{"1", "", "100"};
    const QStringList twoAtFifty{"2", "10", "50"};
    QTest::newRow("Dahil") << hundred << 0 << u"18"_qs << QStringList{"", "Dahil", "100,00"};
    // The discount lowers the VAT base, as on screen.
    QTest::newRow("discount, Hariç")
        << twoAtFifty << 1 << u"18"_qs << QStringList{"10,00", "16,20", "106,20"};
    QTest::newRow("discount, Dahil")
        << twoAtFifty << 0 << u"18"_qs << QStringList{"10,00", "Dahil", "90,00"};
    // The settings say 20: the invoice's own rate counts.
    QTest::newRow("invoice's rate")
        << hundred << 1 << u"8,5"_qs << QStringList{"", "8,50", "108,50"};
    QTest::newRow("rate no number") << hundred << 1 << u"x"_qs << QStringList{"", "", ""};
}

void TestInvoice::printedTotals() {
    QFETCH(QStringList, line);
    QFETCH(int, vatMode);
    QFETCH(QString, vatRate);
    const ayarlar s = distinctSettings();
    Invoice invoice =
        loaded({storedRow(line[0].toDouble(), u"kalem"_qs, line[1], line[2])}, vatRate);
    invoice.vatMode = vatMode;
    RecordingPrinter p;
    printInvoice(p, s, invoice);
    QTEST((QStringList{printedAt(p, s.yer_iskonto), printedAt(p, s.yer_kdv_tutari),
                       printedAt(p, s.yer_genel_toplam)}),
          "printed");
    // The words belong to the grand total printed, and are missing with it.
    const QString words = printedAt(p, s.yer_yazi_ile);
    const QString total = printedAt(p, s.yer_genel_toplam);
    QCOMPARE(words, total.isEmpty() ? QString() : u"Y. "_qs + yaziyacevir(total));
}

QTEST_APPLESS_MAIN(TestInvoice)
#include "test_invoice.moc"
