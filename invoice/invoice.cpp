#include "invoice/invoice.h"

#include "base/numbers.h"

#include <cmath>

namespace {

const QString tooLargeMessage =
    QStringLiteral("Satır tutarı hesaplanamayacak kadar büyük; satır eklenmedi.");

// One line's effect, with every input already read as a number. A line whose amounts do
// not fit in a number changes nothing and returns false: a money text of infinity is empty
// and would read back as 0, silently wiping the running sums.
bool apply(InvoiceTotals &totals, double quantity, double price,
           std::optional<double> discountPercent) {
    InvoiceTotals next = totals;
    if (discountPercent)
        next.discountTotal =
            roundToMoney(next.discountTotal + quantity * price * *discountPercent / 100);
    next.subtotal = roundToMoney(next.subtotal + quantity * price);
    const bool fits = std::isfinite(quantity * price) &&
                      (!discountPercent || std::isfinite(quantity * price * *discountPercent)) &&
                      std::isfinite(next.subtotal) && std::isfinite(next.discountTotal);
    if (fits)
        totals = next;
    return fits;
}

TotalsTexts texts(const InvoiceTotals &totals, double vatRate, int vatMode) {
    TotalsTexts t;
    t.subtotal = moneyText(totals.subtotal);
    t.discountTotal = plainNumberText(totals.discountTotal);
    const double subtotal = rebuiltValue(t.subtotal).value_or(0);
    const double discount = localNumber(t.discountTotal).value_or(0);
    if (vatMode == VatIncluded) {
        t.vat = QStringLiteral("Dahil");
        t.grandTotal = moneyText(subtotal - discount);
    } else {
        t.vat =
            moneyText((localNumber(t.subtotal).value_or(0) - totals.discountTotal) * vatRate / 100);
        t.grandTotal = moneyText(subtotal + rebuiltValue(t.vat).value_or(0) - discount);
    }
    return t;
}

// A typed text as a message quotes it: a long one only by its beginning, so that the
// message stays readable.
QString quoted(const QString &typed) {
    constexpr qsizetype longest = 40;
    if (typed.size() <= longest)
        return typed;
    const qsizetype cut = typed.at(longest - 1).isHighSurrogate() ? longest - 1 : longest;
    return typed.left(cut) + QStringLiteral("…");
}

// A typed number: empty is `empty`, anything else must read as a number.
std::optional<std::optional<double>> typedNumber(const QString &text, std::optional<double> empty) {
    if (text.trimmed().isEmpty())
        return std::optional<std::optional<double>>(empty);
    const std::optional<double> v = inputNumber(text);
    if (!v)
        return std::nullopt;
    return std::optional<std::optional<double>>(v);
}

} // namespace

std::optional<TotalsTexts> totalsTexts(const InvoiceTotals &totals, const QString &vatRate,
                                       int vatMode) {
    double rate = 0;
    if (vatMode != VatIncluded) {
        const std::optional<double> r = inputNumber(vatRate);
        if (!r)
            return std::nullopt;
        rate = *r;
    }
    return texts(totals, rate, vatMode);
}

LineResult addLine(InvoiceTotals &totals, const LineInput &input, const QString &vatRate,
                   int vatMode) {
    LineResult r;
    const auto quantity = typedNumber(input.quantity, 0.0);
    const auto price = typedNumber(input.unitPrice, 0.0);
    const auto discount = typedNumber(input.discountPercent, std::nullopt);
    if (!quantity)
        r.error = QStringLiteral("Miktar geçerli bir sayı değil: %1").arg(quoted(input.quantity));
    else if (!price)
        r.error =
            QStringLiteral("Birim fiyat geçerli bir sayı değil: %1").arg(quoted(input.unitPrice));
    else if (!discount)
        r.error = QStringLiteral("İskonto yüzdesi geçerli bir sayı değil: %1")
                      .arg(quoted(input.discountPercent));
    else if (vatMode != VatIncluded && vatRate.trimmed().isEmpty())
        r.error = QStringLiteral("KDV oranı girilmelidir!");
    else if (vatMode != VatIncluded && !inputNumber(vatRate))
        r.error = QStringLiteral("KDV oranı geçerli bir sayı değil: %1").arg(quoted(vatRate));
    if (!r.error.isEmpty())
        return r;

    InvoiceTotals next = totals;
    if (!apply(next, **quantity, **price, *discount)) {
        r.error = tooLargeMessage;
        return r;
    }
    const TotalsTexts t = *totalsTexts(next, vatRate, vatMode);
    if (t.vat.isEmpty() || t.grandTotal.isEmpty()) {
        r.error = tooLargeMessage;
        return r;
    }
    totals = next;
    r.cells = {input.quantity, input.description, input.discountPercent,
               priceCellText(input.unitPrice), moneyText(**quantity * **price)};
    r.totals = t;
    return r;
}

LineResult addStoredLine(InvoiceTotals &totals, double quantity, const QString &description,
                         const QString &discountPercent, const QString &unitPrice,
                         const QString &vatRate, int vatMode) {
    LineResult r;
    const double price = leadingNumber(unitPrice);
    const std::optional<double> discount =
        discountPercent.isEmpty() ? std::nullopt : inputNumber(discountPercent);
    if (!apply(totals, quantity, price, discount)) {
        r.error = tooLargeMessage;
        return r;
    }
    r.cells = {plainNumberText(quantity), description, discountPercent, unitPrice,
               moneyText(quantity * price)};
    // A saved invoice loads even when the window's rate is not a number; the VAT fields
    // then show nothing rather than a wrong figure.
    r.totals = totalsTexts(totals, vatRate, vatMode)
                   .value_or(TotalsTexts{
                       moneyText(totals.subtotal), plainNumberText(totals.discountTotal), {}, {}});
    return r;
}

std::optional<QString> steppedVatRate(const QString &vatRate, int step) {
    const std::optional<double> rate = inputNumber(vatRate);
    if (!rate)
        return std::nullopt;
    return plainNumberText(*rate + step);
}
