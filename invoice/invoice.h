#pragma once

#include <QString>

#include <optional>

// The arithmetic of an invoice's lines and totals, shared by the invoice window, the
// loading of a saved invoice and printing, so that screen and paper always agree.

// VAT modes as the window's list numbers them.
enum VatMode { VatIncluded = 0, VatExcluded = 1, VatNotChosen = -1 };

// The running sums of an invoice being put together. Both grow with every line and are
// kept rounded to money.
struct InvoiceTotals {
    double subtotal = 0;
    double discountTotal = 0;
};

// What the user typed for one line.
struct LineInput {
    QString description;
    QString discountPercent;
    QString quantity;
    QString unitPrice;
};

// The five cells of a grid line, in column order.
struct LineCells {
    QString quantity;    // "MİKTAR"
    QString description; // "AÇIKLAMA"
    QString discount;    // "İSK.%"
    QString unitPrice;   // "BİRİM FİYAT", "." before the decimals
    QString amount;      // "TUTAR", money text of quantity × unit price
};

// The texts of the totals fields after a line.
struct TotalsTexts {
    QString subtotal;      // money text
    QString discountTotal; // plain number text
    QString vat;           // money text, or "Dahil"
    QString grandTotal;    // money text
};

struct LineResult {
    QString error; // a Turkish message naming the field; nothing changed when set
    LineCells cells;
    TotalsTexts totals;
};

// Adds a typed line: reads quantity, unit price, discount percent and VAT rate as the user
// means them, refuses a non-number with a message, otherwise updates `totals` and returns
// the grid cells and the new totals texts. An empty quantity or price counts as 0. A line
// whose amounts are too large for a number is refused the same way.
LineResult addLine(InvoiceTotals &totals, const LineInput &input, const QString &vatRate,
                   int vatMode);

// Adds a line of a saved invoice the same way: quantity as stored, the stored unit price
// ("." decimal point) and discount percent. A stored discount that is not a number adds no
// discount. Only a line too large for a number is refused (`error` set, nothing changed).
LineResult addStoredLine(InvoiceTotals &totals, double quantity, const QString &description,
                         const QString &discountPercent, const QString &unitPrice,
                         const QString &vatRate, int vatMode);

// The totals texts for the current sums, as they would stand after a line: VAT from the
// rate (ignored with VAT included), grand total from the subtotal, VAT and discount.
// Returns nothing when VAT is excluded and the rate is not a number.
std::optional<TotalsTexts> totalsTexts(const InvoiceTotals &totals, const QString &vatRate,
                                       int vatMode);

// The VAT rate one step up or down (`step` is +1 or -1) as plain number text: "18" gives
// "19" and "17", "18,5" gives "19,5". Nothing when the rate is not a number.
std::optional<QString> steppedVatRate(const QString &vatRate, int step);
