#pragma once

#include "base/money.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The invoice model: one value that holds an invoice, and one function that computes every
// figure of it. The invoice window keeps one and shows it; saving, loading, printing, the
// preview, the batch run and the e-invoice all work on it, so what the window shows is what
// the paper says.

// VAT modes as the window's list numbers them.
enum VatMode { VatIncluded = 0, VatExcluded = 1, VatNotChosen = -1 };

// A sale, or a return that names the invoice it returns.
enum class InvoiceType { Sale, Return };

struct InvoiceHeader {
    qint64 number = 0;
    QString customerNumber;
    QString customerName;
    QString address;
    QString address2;
    QString taxOffice;
    QString invoiceDate;
    QString deliveryNoteNumber;
    QString deliveryNoteDate;
    InvoiceType type = InvoiceType::Sale;
    // For a return: the returned invoice's number (or its GİB number) and date.
    QString returnedNumber;
    QString returnedDate;
    // The moment of the last save; invalid for an invoice never saved or saved by an older
    // program.
    QDateTime savedAt;
};

// One line. Its numbers are read once, when the line is made; the texts are what the grid,
// the database and the paper show.
struct InvoiceLine {
    QString quantityText;  // "MİKTAR": as typed, or the plain number text of a stored quantity
    QString description;   // "AÇIKLAMA"
    QString discountText;  // "İSK.%": as typed, empty for none
    QString unitPriceText; // "BİRİM FİYAT": "." before the decimals, no thousands marks
    double quantity = 0;
    double unitPrice = 0;
    std::optional<double> discountPercent;
    // False when the quantity or the price is unknown (a campaign line with a NULL): the line
    // then counts as 0 and its amount is not printed.
    bool priced = true;
    // The line's own VAT rate as typed; empty when the line takes the invoice's rate, and so
    // follows it when that changes.
    QString vatRateText;
    std::optional<double> vatRate;
    QString unit = QStringLiteral("C62"); // UN/ECE code
    // For a line at 0 %: the tax administration's exemption code and its text.
    QString exemptionCode;
    QString exemptionReason;

    bool operator==(const InvoiceLine &) const = default;
};

struct Invoice {
    InvoiceHeader header;
    QList<InvoiceLine> lines;
    int vatMode = VatIncluded;
    QString vatRateText;           // as typed; printed as the rate
    std::optional<double> vatRate; // the rate as read when it was set
    // A discount of the whole invoice as an amount, as campaign invoices carry it.
    QString invoiceDiscountText;
    Money invoiceDiscount;

    // Sets the rate as the user typed it, read by the input reading.
    void setVatRate(const QString &text);
    // The rate that counts for `line`: its own, or the invoice's.
    std::optional<double> rateOf(const InvoiceLine &line) const;
    // The same as text: the line's own as typed, else the invoice's.
    QString rateTextOf(const InvoiceLine &line) const;
};

// The VAT of the lines at one rate.
struct VatGroup {
    double rate = 0;
    QString rateText; // as the paper lists it
    Money base;       // the lines' amounts less their discounts, VAT excluded
    Money vat;        // base × rate, rounded once
    // The exemption of the group's lines, for a rate of 0 (the first line's).
    QString exemptionCode;
    QString exemptionReason;
};

// Every figure of an invoice, in kuruş.
struct InvoiceFigures {
    // Quantity × unit price and its discount, one per line.
    QList<Money> lineAmounts;
    QList<Money> lineDiscounts;
    // Each line's share of its rate's VAT: the rounded VAT of the lines of that rate up to it
    // less that of the lines before it, so that the lines add up to the group exactly.
    QList<Money> lineVat;
    Money subtotal;      // the line amounts
    Money discountTotal; // the line discounts
    bool anyLineDiscount = false;
    // By rate, lowest first; empty when a line has no rate that is a number.
    QList<VatGroup> vatGroups;
    Money vatBase; // subtotal less every discount, VAT excluded
    Money vat;
    Money grandTotal;
    // Whether the VAT and grand total are known: VAT on top needs every line's rate.
    bool hasGrandTotal = false;
    // False when a figure is too large to count in kuruş; nothing is to be trusted then.
    bool fits = true;
};

InvoiceFigures computeFigures(const Invoice &invoice);

// The figures as the window's boxes and the paper show them.
struct FigureTexts {
    QString subtotal;      // money text
    QString discountTotal; // plain number text
    QString vat;           // money text; "Dahil" with VAT included; empty without a rate
    QString grandTotal;    // money text; empty without a rate
    QString words;         // the grand total in words; empty without a grand total
    QString rates;         // the rate, or every rate ("%1 / %20") when the lines differ
    QString vatByRate;     // "%1: 0,41 · %20: 27,00" when the lines differ, else empty
};
FigureTexts figureTexts(const Invoice &invoice, const InvoiceFigures &figures);

// What the user typed for one line.
struct LineInput {
    QString description;
    QString discountPercent;
    QString quantity;
    QString unitPrice;
    QString vatRate;       // empty: the invoice's
    QString unit;          // a unit's name or code; empty: "Adet"
    QString exemptionCode; // needed when the line's rate is 0
};

// The box a refusal of a typed line names, for the focus to go back to.
enum class LineField {
    None,
    Description,
    Discount,
    Quantity,
    UnitPrice,
    VatRate,
    Unit,
    Exemption,
    InvoiceRate
};

// Makes a typed line and adds it at `position` (the end when it is past the end): reads
// quantity, unit price, discount percent and rate as the user means them (inputNumber()) and
// checks unit, exemption and the invoice's rate. Returns the Turkish message that refuses the
// line, naming the field and, for a number, the form to type (a field that is not a number or
// has more than 15 significant digits, a discount below 0 or above 100 %, a rate outside 0 to
// 100, a missing rate, an unknown unit, a 0 % line without its exemption, an amount or total
// beyond 15 digits), and then changes nothing; `refused`, when given, gets the field. An
// empty text when the line was added. An empty quantity or price counts as 0.
QString addLine(Invoice &invoice, const LineInput &input, qsizetype position = -1,
                LineField *refused = nullptr);

// The line boxes that would make `line` again, to correct it: the texts as typed, a stored
// price in the typed form ("1250.50" gives "1250,50").
LineInput lineInput(const InvoiceLine &line);

// The line of a stored row: its quantity and unit price as read, the stored unit price text
// ("." decimal point) and discount percent; a stored discount that is not a number gives no
// discount.
InvoiceLine storedLine(double quantity, const QString &description, const QString &discountPercent,
                       const QString &unitPriceText, double unitPrice);

// Appends the line when the figures still fit with it; false, and nothing changed, when they
// do not.
bool appendIfFits(Invoice &invoice, const InvoiceLine &line);

// Appends the lines when every one of them fits. Otherwise appends nothing and returns the
// index of the first line that makes a figure too large.
std::optional<qsizetype> appendAllOrNone(Invoice &invoice, const QList<InvoiceLine> &lines);

// The VAT rate one step up or down (`step` is +1 or -1) as plain number text: "18" gives
// "19" and "17", "18,5" gives "19,5". Nothing when the rate is not a number.
std::optional<QString> steppedVatRate(const QString &vatRate, int step);

// The units a line may have: the name the user picks and its UN/ECE code.
struct Unit {
    QString name;
    QString code;
};
const QList<Unit> &units();
// The code of a unit typed by its name (any case, Turkish letters too) or code; nothing for
// an unknown one.
std::optional<QString> unitCode(const QString &typed);
// The name of a unit's code; the code itself for one not in the list.
QString unitName(const QString &code);

// The tax administration's VAT exemption codes with their texts, for lines at 0 %.
struct Exemption {
    QString code;
    QString reason;
};
const QList<Exemption> &exemptions();
// The text of a code; empty for an unknown one.
QString exemptionReason(const QString &code);
