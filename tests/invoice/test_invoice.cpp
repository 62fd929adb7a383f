#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "invoice/batchrun.h"
#include "invoice/invoice.h"
#include "invoice/invoiceprint.h"
#include "invoice/saving.h"
#include "tests/common/printfixture.h"
#include "tests/common/testdb.h"

#include <QTemporaryDir>
#include <QTest>

#include <limits>

// The invoice model: its arithmetic, its stored form, its printing and the batch run's
// printing. Every figure the windows, the paper and the batch run show comes from here, so
// the arithmetic is checked here once.
class TestInvoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void arithmetic_data();
    void arithmetic();
    void refusalsAndRateChanges();
    void vatPerRate();
    void storedForm();
    void printing();
    void batchPaper();
    void fontSizeRefused_data();
    void fontSizeRefused();
};

namespace {

// Each: discount percent, quantity, unit price, and optionally the line's own rate, unit and
// exemption code.
using Lines = QList<QStringList>;
const Lines worked = {{"", "1", "10,00", {}, {}, {}, {}, {}, {}}, {"10", "2", "1250,50"}};

Invoice typed(const Lines &lines, int mode, const QString &rate) {
    Invoice invoice;
    invoice.vatMode = mode;
    invoice.setVatRate(rate);
    for (const QStringList &l : lines) {
        const QString problem =
            addLine(invoice, {u"kalem"_qs, l[0], l[1], l[2], l.value(3), l.value(4), l.value(5)});
        if (!problem.isEmpty())
            qFatal("line refused: %s", qPrintable(problem));
    }
    return invoice;
}

// The four totals boxes of the window.
QStringList shown(const Invoice &invoice) {
    const FigureTexts t = figureTexts(invoice, computeFigures(invoice));
    return {t.subtotal, t.discountTotal, t.vat, t.grandTotal};
}

// The discount, the VAT, the grand total and the words as printed.
QStringList printedTotals(const Invoice &invoice) {
    const ayarlar s = distinctSettings();
    RecordingPrinter p;
    printInvoice(p, s, invoice);
    return {printedAt(p, s.yer_iskonto), printedAt(p, s.yer_kdv_tutari),
            printedAt(p, s.yer_genel_toplam), printedAt(p, s.yer_yazi_ile)};
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

const QString lineFont = u"Satır Yazısı"_qs;

// A campaign database in `dir` with one invoice, number 15: subtotal 2 x 12,5 + 3 x 25 = 100,
// discount 10.
QString campaignDatabase(const QTemporaryDir &dir) {
    const QString db = dir.filePath(u"kampanya.MDB"_qs);
    createDatabase(db);
    testdb::sql(db, {u"CREATE TABLE FATCARIKAMPANYAT (SIRANO, DAGITIM_BOLGESI, FATURA_TARIHI, "
                     "BOLGE, ADI_SOYADI, ADRESI, ISKONTO)"_qs,
                     u"CREATE TABLE FATSTOKKAMPANYAT (FATURANO, ACIKLAMA, MIKTAR, BR_FIYAT)"_qs,
                     u"INSERT INTO FATCARIKAMPANYAT VALUES (15, 'ADANA', '2024-11-05 00:00:00', "
                     "'Çankaya', 'Şükrü Öztürk', 'Atatürk Cad. 5', 10), (4, 'ADANA', NULL, NULL, "
                     "'Ad', 'Adres', NULL), (-3.5, 'ADANA', '2024-02-30', 'Seyhan', 'Ad', "
                     "'Adres', 10)"_qs,
                     u"INSERT INTO FATSTOKKAMPANYAT VALUES (15, 'Çay 1 kg', 2, 12.5), (4, "
                     "'Miktarsız', NULL, 3), (4, 'Fiyatsız', 2, NULL), (15, 'Şeker', 3, 25), "
                     "(4, 'Tam', 2, 4.5)"_qs});
    return db;
}

} // namespace

Q_DECLARE_METATYPE(Invoice)

void TestInvoice::arithmetic_data() {
    // The invoice typed with its VAT mode and rate; then the last line's amount and the subtotal,
    // discount total, VAT and grand total texts, and the discount as printed.
    QTest::addColumn<Invoice>("invoice");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("printedDiscount");
    const auto row = [](const char *name, const Lines &lines, int mode, const char *rate,
                        const QStringList &expected, const QString &printedDiscount = {}) {
        QTest::newRow(name) << typed(lines, mode, QString::fromUtf8(rate)) << expected
                            << printedDiscount;
    };
    row("worked example, Hariç", worked, VatExcluded, "18",
        {"2.501,00", "2.511,00", "250,1", "406,96", "2.667,86"}, u"250,10"_qs);
    row("worked example, Dahil", worked, VatIncluded, "18",
        {"2.501,00", "2.511,00", "250,1", "Dahil", "2.260,90"}, u"250,10"_qs);
    // A quantity with a comma, a price with thousands marks and a discount with a comma are
    // read as meant; the discount lowers the VAT base and the grand total, never the line
    // amount.
    row("2,5 at 1.250,50 less 12,5 %", {{"12,5", "2,5", "1.250,50"}}, VatExcluded, "18",
        {"3.126,25", "3.126,25", "390,78", "492,38", "3.227,85"}, u"390,78"_qs);
    // "1.250" is one thousand two hundred and fifty, and a quantity "1.000" a thousand.
    row("1.000 at 1.250", {{"", "1.000", "1.250"}}, VatExcluded, "18",
        {"1.250.000,00", "1.250.000,00", "0", "225.000,00", "1.475.000,00"});
    // The settings say 20: the invoice's own rate counts.
    row("beyond 32-bit lira at 8,5 %", {{"", "3", "1000000000"}}, VatExcluded, "8,5",
        {"3.000.000.000,00", "3.000.000.000,00", "0", "255.000.000,00", "3.255.000.000,00"});
    // No mode chosen is VAT on top; 1,845 is rounded up to the kuruş.
    row("no mode chosen, VAT half up", {{"", "1", "10,25"}}, VatNotChosen, "18",
        {"10,25", "10,25", "0", "1,85", "12,10"});
    // A negative subtotal keeps its sign on the kuruş: -12,50 is -12.50, not -11.50. VAT
    // included needs no rate.
    row("negative, Dahil", {{"", "-1", "12,50"}}, VatIncluded, "yok",
        {"-12,50", "-12,50", "0", "Dahil", "-12,50"});
    row("all fields empty", {{"", "", ""}}, VatExcluded, "18",
        {"0,00", "0,00", "0", "0,00", "0,00"});
}

void TestInvoice::arithmetic() {
    QFETCH(Invoice, invoice);
    const InvoiceFigures f = computeFigures(invoice);
    const FigureTexts t = figureTexts(invoice, f);
    QVERIFY(f.fits);
    QTEST(QStringList{moneyText(f.lineAmounts.last())} + shown(invoice), "expected");
    QCOMPARE(t.words, yaziyacevir(t.grandTotal));
    // The paper says what the screen says, the discount as money and empty without one; no
    // words, no line for them.
    QFETCH(QString, printedDiscount);
    QCOMPARE(printedTotals(invoice),
             (QStringList{printedDiscount, t.vat, t.grandTotal,
                          t.words.isEmpty() ? QString() : u"Y. "_qs + t.words}));
}

void TestInvoice::refusalsAndRateChanges() {
    const QString huge = u"1"_qs + QString(200, u'0');
    const QList<QPair<QStringList, QString>> cases = {
        // discount, quantity, price, rate; then how the message begins
        {{"", "1", "10", ""}, u"KDV oranı girilmelidir"_qs},
        {{"", "1", "10", "on sekiz"}, u"KDV oranı bir sayı değil: \"on sekiz\""_qs},
        {{"", "1", QString(5000, u'x'), "18"}, u"Birim fiyat bir sayı değil"_qs},
        // A dot where the decimals begin is refused with the form to type, never read as
        // another amount.
        {{"", "1", "18.50", "18"}, u"Birim fiyat okunamadı: \"18.50\""_qs},
        {{"", "1.5", "10", "18"}, u"Miktar okunamadı: \"1.5\""_qs},
        {{"12.5", "1", "10", "18"}, u"İskonto yüzdesi okunamadı: \"12.5\""_qs},
        // Amounts beyond any number once zeroed the running sums; now they are refused.
        {{"", huge, huge, "18"}, u"Satır tutarı"_qs},
        {{"", huge, "1", u"1"_qs + QString(307, u'0')}, u"Satır tutarı"_qs},
    };
    for (const auto &[input, message] : cases) {
        Invoice invoice = typed({{"5", "1", "100"}}, VatExcluded, u"18"_qs);
        invoice.setVatRate(input[3]);
        const QString problem =
            addLine(invoice, {u"x"_qs, input[0], input[1], input[2], {}, {}, {}});
        // Readable in a message box: a long text is quoted only in part.
        QVERIFY2(problem.startsWith(message) && problem.size() < 200, qPrintable(problem));
        QCOMPARE(invoice.lines.size(), 1);
    }
    // The refusal names its box, for the focus to go back to.
    for (const auto &[input, box] : {std::pair{QStringList{"", "1", "18.50"}, LineField::UnitPrice},
                                     {{"", "1.5", "1"}, LineField::Quantity},
                                     {{"12.5", "1", "1"}, LineField::Discount}}) {
        Invoice invoice = typed({}, VatExcluded, u"18"_qs);
        LineField named = LineField::None;
        QVERIFY(!addLine(invoice, {u"x"_qs, input[0], input[1], input[2], {}, {}, {}}, -1, &named)
                     .isEmpty());
        QCOMPARE(named, box);
    }
    // A line put back into the boxes to be corrected reads again as the same line, a price
    // stored in the grid's form included; inserted at its place.
    Invoice corrected =
        typed({{"12,5", "2,5", "1.250,50", "1", "kg"}, {"", "3", "4"}}, VatExcluded, u"18"_qs);
    const InvoiceLine first = corrected.lines.first();
    const LineInput back = lineInput(first);
    QCOMPARE(
        (QStringList{back.discountPercent, back.quantity, back.unitPrice, back.vatRate, back.unit}),
        (QStringList{"12,5", "2,5", "1250,50", "1", "Kg"}));
    corrected.lines.removeFirst();
    QCOMPARE(addLine(corrected, back, 0), QString());
    QCOMPARE(corrected.lines.first(), first);
    const InvoiceLine old = storedLine(2, u"eski"_qs, u"12.5"_qs, u"18.50"_qs, 18.5);
    QCOMPARE((QStringList{lineInput(old).discountPercent, lineInput(old).unitPrice}),
             (QStringList{"12,5", "18,50"}));

    // A saved invoice with the window's rate changed afterwards: every figure follows at once.
    Invoice invoice = typed(worked, VatExcluded, u"20"_qs);
    invoice.setVatRate(steppedVatRate(invoice.vatRateText, +1).value());
    QCOMPARE(shown(invoice).mid(2), (QStringList{"474,79", "2.735,69"}));
    // A rate that is no number shows no VAT, no grand total and no words: nothing wrong.
    invoice.setVatRate(u"x"_qs);
    QCOMPARE(shown(invoice).mid(2) << figureTexts(invoice, computeFigures(invoice)).words,
             QStringList(3));
    QCOMPARE(printedTotals(invoice).mid(1), QStringList(3));
    QCOMPARE(steppedVatRate(u"18,5"_qs, -1), std::optional<QString>(u"17,5"_qs));
}

// VAT is reckoned per rate: the base of a rate (its lines less their discounts) times the
// rate, rounded once; the lines carry the rounding. Every figure below is worked by hand.
void TestInvoice::vatPerRate() {
    // The grocer's invoice: bread and cheese at 1 %, detergent at the invoice's 20 % less 10 %.
    const Lines grocer = {
        {"", "2", "10,00", "1"}, {"10", "1", "150,00"}, {"", "1,5", "240,00", "1", "kg"}};
    const auto groups = [](const InvoiceFigures &f) {
        QStringList g;
        for (const VatGroup &v : f.vatGroups)
            g << v.rateText + u'|' + moneyText(v.base) + u'|' + moneyText(v.vat);
        return g;
    };
    const auto linesAddUp = [](const InvoiceFigures &f, const Invoice &invoice) {
        for (const VatGroup &g : f.vatGroups) {
            Money sum;
            for (qsizetype i = 0; i < invoice.lines.size(); ++i)
                if (*invoice.rateOf(invoice.lines[i]) == g.rate)
                    sum += f.lineVat[i];
            if (sum != g.vat)
                return false;
        }
        return true;
    };
    // VAT on top. 1 %: 20,00 + 360,00 = 380,00, VAT 3,80; 20 %: 150,00 - 15,00 = 135,00, VAT
    // 27,00. Subtotal 530,00, discount 15, VAT 30,80, grand total 545,80.
    Invoice excluded = typed(grocer, VatExcluded, u"20"_qs);
    InvoiceFigures f = computeFigures(excluded);
    QCOMPARE(groups(f), (QStringList{"1|380,00|3,80", "20|135,00|27,00"}));
    QCOMPARE(shown(excluded), (QStringList{"530,00", "15", "30,80", "545,80"}));
    QCOMPARE(figureTexts(excluded, f).rates, u"%1 / %20"_qs);
    QVERIFY(linesAddUp(f, excluded));
    QCOMPARE(excluded.lines[2].unit, u"KGM"_qs);
    // The paper lists the rates and gives the VAT total.
    QCOMPARE(printedTotals(excluded).mid(0, 3), (QStringList{"15,00", "30,80", "545,80"}));

    // VAT included: 1 %: 380,00 × 1 / 101 = 3,7623… is 3,76, base 376,24; 20 %: 135,00 × 20 /
    // 120 = 22,50, base 112,50. The grand total is what the lines say: 515,00.
    Invoice included = typed(grocer, VatIncluded, u"20"_qs);
    f = computeFigures(included);
    QCOMPARE(groups(f), (QStringList{"1|376,24|3,76", "20|112,50|22,50"}));
    QCOMPARE(shown(included), (QStringList{"530,00", "15", "Dahil", "515,00"}));
    QVERIFY(f.vat == Money::fromKurus(2626) && f.vatBase == Money::fromKurus(48874));
    QVERIFY(linesAddUp(f, included));

    // Rounded once per rate, not per line: three lines of 0,03 at 18 % make 0,09 × 18 % =
    // 0,0162, so 0,02 (line by line it would be 0,03); the lines' shares are 0,01, 0, 0,01.
    const Invoice small =
        typed({{"", "1", "0,03"}, {"", "1", "0,03"}, {"", "1", "0,03"}}, VatExcluded, u"18"_qs);
    f = computeFigures(small);
    QCOMPARE(moneyText(f.vat), u"0,02"_qs);
    QCOMPARE(f.lineVat, (QList<Money>{Money::fromKurus(1), Money(), Money::fromKurus(1)}));

    // The invoice's rate changed: the lines that take it follow, those with their own keep it.
    excluded.setVatRate(u"10"_qs);
    QCOMPARE(groups(computeFigures(excluded)), (QStringList{"1|380,00|3,80", "10|135,00|13,50"}));
    // One rate that is not the invoice's: that rate is printed, not the invoice's.
    const Invoice bread = typed({{"", "3", "10", "1"}}, VatExcluded, u"20"_qs);
    QCOMPARE(figureTexts(bread, computeFigures(bread)).rates, u"1"_qs);

    // A return is an invoice of its own kind; its figures are those of its lines, positive.
    Invoice returned = typed(grocer, VatExcluded, u"20"_qs);
    returned.header.type = InvoiceType::Return;
    QCOMPARE(shown(returned), shown(typed(grocer, VatExcluded, u"20"_qs)));

    // Each refusal of a line names its field; nothing is added.
    const QList<QPair<QStringList, QString>> refusals = {
        // rate, unit, exemption; how the message begins
        {{"", "Koli", ""}, u"Birim"_qs},
        {{"0", "", ""}, u"İstisna"_qs},
        {{"0", "", "999"}, u"İstisna"_qs},
        {{"120", "", ""}, u"Satırın KDV oranı 0 ile 100"_qs},
        {{"%8", "", ""}, u"Satırın KDV oranı bir sayı değil"_qs},
    };
    for (const auto &[input, message] : refusals) {
        Invoice invoice = typed({{"", "1", "5"}}, VatExcluded, u"20"_qs);
        const QString problem =
            addLine(invoice, {u"x"_qs, {}, u"1"_qs, u"1"_qs, input[0], input[1], input[2]});
        QVERIFY2(problem.startsWith(message), qPrintable(problem));
        QCOMPARE(invoice.lines.size(), 1);
    }
    // Units by name in any case, Turkish letters too, or by code; a 0 % line with its code.
    for (const auto &[typedUnit, code] :
         {std::pair{u"kG"_qs, u"KGM"_qs}, {u"GÜN"_qs, u"DAY"_qs}, {u"MTR"_qs, u"MTR"_qs}})
        QCOMPARE(unitCode(typedUnit), std::optional<QString>(code));
    Invoice exempt = typed({{"", "1", "100", "0", "", "301"}}, VatExcluded, u"20"_qs);
    QCOMPARE(exempt.lines[0].exemptionReason, exemptionReason(u"301"_qs));
    QVERIFY(!exempt.lines[0].exemptionReason.isEmpty());
    QCOMPARE(shown(exempt).mid(2), (QStringList{"0,00", "100,00"}));
    // The invoice's rate set to 0 after its lines were added: the save asks for the exemption.
    Invoice zero = typed({{"", "1", "100"}}, VatExcluded, u"20"_qs);
    zero.setVatRate(u"0"_qs);
    QVERIFY(lineCheck(zero).startsWith(u"İstisna seçiniz: 1. satırın"_qs));

    // A return names the invoice it returns, with its date.
    HeaderTexts header;
    header.invoiceNumber = u"9"_qs;
    header.customerNumber = u"1"_qs;
    header.customerName = u"Ad"_qs;
    header.invoiceDate = u"01.03.2027"_qs;
    header.type = InvoiceType::Return;
    QVERIFY(saveCheck(header).startsWith(u"İade Edilen Fatura giriniz"_qs));
    header.returnedNumber = u"7"_qs;
    header.returnedDate = u"31.02.2027"_qs;
    QVERIFY(saveCheck(header).startsWith(u"İade Edilen Fatura tarihi"_qs));
    header.returnedDate = u"28.02.2027"_qs;
    QCOMPARE(saveCheck(header), QString());
}

// What a save writes, and the checks before it.
void TestInvoice::storedForm() {
    Invoice invoice =
        typed({{"", "2,5", "4", {}, {}, {}, {}, {}, {}}, {"10", "", "7"}, {"", "3", "1.250,50"}},
              VatExcluded, u"18"_qs);
    invoice.header.number = 125;
    invoice.header.customerNumber = u"42"_qs;
    invoice.header.customerName = u"Ad"_qs;
    // A line without a quantity is no line; the quantity is stored as meant, the price with
    // "." as the decimal point, the amount as the window shows it.
    const InvoiceRecord r = invoiceRecord(invoice);
    QVERIFY(r.lines.size() == 2 && r.lines[0].miktar == 2.5 && !r.lines[0].iskonto.isNull());
    QCOMPARE((QStringList{r.lines[0].iskonto, r.lines[1].br_fiyat, r.lines[1].tutar}),
             (QStringList{"", "1250.50", "3.751,50"}));

    // After the largest number there is, the proposal stays put.
    const qint64 largest = std::numeric_limits<qint64>::max();
    QCOMPARE(nextInvoiceNumber({3, largest}), largest);
    // One check before saving: a number that is no number is refused, a whole header passes.
    HeaderTexts header;
    header.invoiceNumber = u"5a"_qs;
    header.customerNumber = u"1"_qs;
    header.customerName = u"Ad"_qs;
    header.invoiceDate = u"5.3.2026"_qs;
    QCOMPARE(saveCheck(header), u"Fatura No geçersiz!"_qs);
    header.invoiceNumber = u"5"_qs;
    QCOMPARE(saveCheck(header), QString());
    // A day that does not exist is refused with the form to type, naming its box; an empty
    // delivery-note date is allowed, an impossible one is not.
    const QString form = u" Tarihi GG.AA.YYYY biçiminde yazınız (örnek: 05.01.2027)."_qs;
    for (const auto &[invoiceDate, deliveryDate, message, box] :
         {std::tuple{u"32.13.2026"_qs, QString(), u"Fatura Tarihi geçersiz: \"32.13.2026\"."_qs,
                     HeaderField::InvoiceDate},
          {u"29.02.2026"_qs, QString(), u"Fatura Tarihi geçersiz: \"29.02.2026\"."_qs,
           HeaderField::InvoiceDate},
          {u" "_qs, QString(), u"Fatura Tarihi giriniz!"_qs, HeaderField::InvoiceDate},
          {u"28.02.2026"_qs, u"31.04.2026"_qs, u"İrsaliye Tarihi geçersiz: \"31.04.2026\"."_qs,
           HeaderField::DeliveryNoteDate}}) {
        header.invoiceDate = invoiceDate;
        header.deliveryNoteDate = deliveryDate;
        HeaderField named = HeaderField::None;
        QCOMPARE(saveCheck(header, &named), message + form);
        QCOMPARE(named, box);
    }
}

// A stored invoice loaded and printed. The header comes from the first row, where a column
// without a value keeps what the invoice held and a VAT mode that is neither leaves the mode
// as it was (VAT included); a stored discount that is no number takes nothing off.
void TestInvoice::printing() {
    Invoice invoice;
    invoice.setVatRate(u"18"_qs);
    invoice.header.address2 = u"önceki"_qs;
    StoredRow first = storedRow(2, u"Vida M8"_qs, u"10"_qs, u"50"_qs);
    first.adresi2.reset();
    first.kdvdahil = 7;
    QCOMPARE(loadStoredRows(invoice, {first, storedRow(1.5, u"Somun"_qs, {}, u"1250.5"_qs),
                                      storedRow(3, u"Pul"_qs, u"abc"_qs, u"0.25"_qs)}),
             QString());
    RecordingPrinter printer;
    printInvoice(printer, distinctSettings(), invoice);

    QList<Expected> want = {
        {u"01.05.2024"_qs, u"Tarih Yazısı"_qs, 10, 8400, 2400},
        {u" 125"_qs, u"Numara Yazısı"_qs, 14, 8430, 2100},
        {u"A-77"_qs, u"İrsaliye Yazısı"_qs, 12, 8410, 2700},
        {u"30.04.2024"_qs, u"İrsaliye Tarihi Yazısı"_qs, 13, 8420, 3000},
        {u"Şükrü Öztürk"_qs, u"Ad Yazısı"_qs, 11, 600, 2400},
        {u"Atatürk Cad. No: 5"_qs, u"Adres Yazısı"_qs, 9, 650, 2700},
        {u"önceki"_qs, u"Adres Yazısı"_qs, 9, 650, 2900},
        {u"Kayıtlı VD"_qs, u"Vergi Yazısı"_qs, 8, 700, 3300},
    };
    // Quantity, description, discount, price and amount at their margins; the lines are
    // satir_arasi_bosluk × 100 twips apart.
    const QList<QStringList> cells = {{" 2", "Vida M8", "10", "50", "100,00"},
                                      {" 1,5", "Somun", "", "1250.5", "1.875,75"},
                                      {" 3", "Pul", "abc", "0.25", "0,75"}};
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < 5; ++c)
            want << Expected{cells[r][c], lineFont, 9.5,
                             QList{600.0, 1500.0, 6100.0, 7000.0, 9200.0}[c], 4500.0 + 300 * r};
    // 100,00 + 1.875,75 + 0,75 = 1.976,50, less a discount of 10,00: 1.966,50.
    want << QList<Expected>{{u"1.976,50"_qs, lineFont, 9.5, 9220, 11700},
                            {u"10,00"_qs, lineFont, 9.5, 9210, 12000},
                            {u"Y. BinDokuzYüzAltmışAltı TLElli Kr"_qs, lineFont, 9.5, 600, 13500},
                            {u"18"_qs, lineFont, 9.5, 7800, 12600},
                            {u"Dahil"_qs, lineFont, 9.5, 9230, 12600},
                            {u"1.966,50"_qs, lineFont, 9.5, 9240, 12900}};
    QCOMPARE(described(printer.lines()), described(want));
}

void TestInvoice::batchPaper() {
    // A whole invoice (subtotal 2 x 12,5 + 3 x 25 = 100, discount 10); one missing its
    // district, date and discount, with lines missing a quantity or a price; one without lines
    // under a number with decimals and a date that does not exist.
    const QTemporaryDir dir;
    const QString db = campaignDatabase(dir);
    const QByteArray before = testdb::fileBytes(db);
    RecordingPrinter printer;
    QCOMPARE(runBatch(printer, distinctSettings(), db, u"KAMPANYAT"_qs,
                      {u"-5"_qs, u"20"_qs, u"ADANA"_qs}),
             3);
    QCOMPARE(testdb::fileBytes(db), before); // it only reads
    // A stored time of midnight is the day alone; the number is a plain number text; the
    // region is the one picked.
    QList<Expected> want = {{u"05.11.2024"_qs, u"Tarih Yazısı"_qs, 10, 8400, 2400},
                            {u" 15   Çankaya   Şükrü Öztürk"_qs, u"Ad Yazısı"_qs, 11, 600, 2400},
                            {u"Atatürk Cad. 5"_qs, u"Adres Yazısı"_qs, 9, 650, 2700},
                            {u"ADANA"_qs, u"Vergi Yazısı"_qs, 8, 700, 3300}};
    // Description, quantity, price and amount of each line, 200 twips apart whatever the
    // settings' line spacing.
    const QList<QStringList> cells = {{"Çay 1 kg", "2", "12,5", "25,00"},
                                      {"Şeker", "3", "25", "75,00"}};
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < 4; ++c)
            want << Expected{cells[r][c], lineFont, 9.5, QList{1500.0, 600.0, 7000.0, 9200.0}[c],
                             4500.0 + 200 * r};
    // The totals block, each step moved from where the line above left the printer, then the
    // four items at their own positions.
    const double h = RecordingPrinter::lineHeight(9.5);
    const double top = 4700 + h + 200;
    const QString rule = u"__________________"_qs;
    want << QList<Expected>{{rule, lineFont, 9.5, 9200, top},
                            {u"İSKONTO"_qs, lineFont, 9.5, 8000, top + h + 150},
                            {u"10,00"_qs, lineFont, 9.5, 9200, top + 2 * h - 100},
                            {rule, lineFont, 9.5, 9200, top + 3 * h - 200},
                            {u"KDV MATRAHI"_qs, lineFont, 9.5, 8000, top + 4 * h - 125},
                            {u"90,00"_qs, lineFont, 9.5, 9200, top + 5 * h - 300},
                            {u"Y. YüzSekiz TL"_qs, lineFont, 9.5, 600, 13500},
                            {u"20"_qs, lineFont, 9.5, 7800, 12600},
                            {u"18,00"_qs, lineFont, 9.5, 9230, 12600},
                            {u"108,00"_qs, lineFont, 9.5, 9240, 12900}};
    const auto document = [&printer](int n) {
        QList<RecordingPrinter::Line> lines = printer.lines();
        lines.removeIf([n](const RecordingPrinter::Line &l) { return l.document != n; });
        return lines;
    };
    QCOMPARE(described(document(0)), described(want));

    // What is missing prints as the empty text and counts as 0: no date, no name line when a
    // part of it is missing, no amount for a line without quantity or price.
    const auto printedTexts = [&document](int n) {
        QStringList t;
        for (const RecordingPrinter::Line &l : document(n))
            t << l.text;
        return t;
    };
    const QStringList second = printedTexts(1);
    QCOMPARE(second.mid(0, 2), QStringList(2));
    QCOMPARE(second.mid(4, 12), (QStringList{"Miktarsız", "", "3", "", "Fiyatsız", "2", "", "",
                                             "Tam", "2", "4,5", "9,00"}));
    QCOMPARE((QStringList{second[18], second[21], second[25]}), (QStringList{"", "9,00", "10,80"}));
    // A date that does not exist is not made into another one: it prints as it stands.
    QCOMPARE(printedTexts(2).mid(0, 2), (QStringList{"2024-02-30", "-3,5   Seyhan   Ad"}));
}

// A font size no printer can take, at an item printed in a font of its own, is refused
// before anything is printed, naming the item, by the invoice and by the campaign run.
void TestInvoice::fontSizeRefused_data() {
    QTest::addColumn<int>("line"); // the item's line of the settings
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("campaign"); // a campaign invoice prints the item too
    QTest::addColumn<QString>("field");
    QTest::newRow("invoice number, 0") << 23 << u"0"_qs << false << u"Fatura No: Boyutu"_qs;
    QTest::newRow("lines, 0") << 8 << u"0"_qs << true << u"Fatura Hareketleri: Boyutu"_qs;
    QTest::newRow("name, -3") << 3 << u"-3"_qs << true << u"Adı Soyadı: Boyutu"_qs;
    QTest::newRow("date, 1000.5") << 7 << u"1000.5"_qs << true << u"Fatura Tarihi: Boyutu"_qs;
}

void TestInvoice::fontSizeRefused() {
    QFETCH(int, line);
    QFETCH(QString, size);
    QFETCH(bool, campaign);
    QFETCH(QString, field);
    ayarlar settings = distinctSettings();
    (settings.*settingsLines().at(line - 1).placement).boyutu = size;
    const QString refusal = u"Baskı ayarı kullanılamaz.\n%1 %2 olamaz; yazı boyutu 0'dan büyük, en "
                            "fazla 1000 punto olmalı."_qs.arg(field, size);
    RecordingPrinter printer;
    QCOMPARE(testdb::thrownText<PrinterError>(
                 [&] { printInvoice(printer, settings, typed(worked, VatExcluded, u"20"_qs)); }),
             refusal);
    if (campaign) {
        const QTemporaryDir dir;
        const QString db = campaignDatabase(dir);
        QCOMPARE(testdb::thrownText<PrinterError>(
                     [&] { runBatch(printer, settings, db, u"KAMPANYAT"_qs, {}); }),
                 refusal);
    }
    QCOMPARE(printer.lines().size(), 0);
}

QTEST_GUILESS_MAIN(TestInvoice)
#include "test_invoice.moc"
