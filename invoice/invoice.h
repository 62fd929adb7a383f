#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The invoice model: one value that holds an invoice, and one function that computes every
// figure of it. The invoice window keeps one and shows it; saving, loading, printing, the
// preview and the batch run all work on it, so what the window shows is what the paper says.

// VAT modes as the window's list numbers them.
enum VatMode { VatIncluded = 0, VatExcluded = 1, VatNotChosen = -1 };

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
    double invoiceDiscount = 0;

    // Sets the rate as the user typed it, read by the input reading.
    void setVatRate(const QString &text);
};

// Every figure of an invoice.
struct InvoiceFigures {
    // Money text of quantity × unit price, one per line.
    QStringList lineAmounts;
    // The sums as the window keeps them: rounded to money after every line.
    double subtotal = 0;
    double discountTotal = 0;
    bool anyLineDiscount = false;
    QString subtotalText;      // money text
    QString discountTotalText; // plain number text
    QString vatText;           // money text; "Dahil" with VAT included; empty without a rate
    QString grandTotalText;    // money text; empty without a rate
    QString words;             // the grand total in words; empty without a grand total
    // False when a figure is too large for a number; the texts are then not to be trusted.
    bool fits = true;

    // The same invoice unrounded, less the discount of the whole invoice: the figures of a
    // campaign invoice. `lineValues` are quantity × unit price.
    QList<double> lineValues;
    double exactSubtotal = 0;
    double vatBase = 0;
    double vat = 0;
    double grandTotal = 0;
};

InvoiceFigures computeFigures(const Invoice &invoice);

// What the user typed for one line.
struct LineInput {
    QString description;
    QString discountPercent;
    QString quantity;
    QString unitPrice;
};

// Adds a typed line: reads quantity, unit price and discount percent as the user means them
// and checks the VAT rate. Returns the Turkish message that refuses the line, naming the
// field (a field that is not a number or has more than 15 significant digits, a discount
// below 0 or above 100 %, a missing rate, an amount or total beyond 15 digits or too large
// for a number), and then changes nothing; an empty text when the line was added. An empty
// quantity or price counts as 0.
QString addLine(Invoice &invoice, const LineInput &input);

// The line of a stored row: its quantity and unit price as read, the stored unit price text
// ("." decimal point) and discount percent; a stored discount that is not a number gives no
// discount.
InvoiceLine storedLine(double quantity, const QString &description, const QString &discountPercent,
                       const QString &unitPriceText, double unitPrice);

// Appends the line when the figures still fit in a number with it; false, and nothing
// changed, when they do not.
bool appendIfFits(Invoice &invoice, const InvoiceLine &line);

// Appends the lines when every one of them fits. Otherwise appends nothing and returns the
// index of the first line that makes a figure too large for a number.
std::optional<qsizetype> appendAllOrNone(Invoice &invoice, const QList<InvoiceLine> &lines);

// The VAT rate one step up or down (`step` is +1 or -1) as plain number text: "18" gives
// "19" and "17", "18,5" gives "19,5". Nothing when the rate is not a number.
std::optional<QString> steppedVatRate(const QString &vatRate, int step);
