#include "invoice/invoice.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QString tooLargeMessage =
    QStringLiteral("Satır tutarı hesaplanamayacak kadar büyük; satır eklenmedi.");

// The window's running sums after one more line. A line whose amounts do not fit in a
// number leaves the sums as they were and returns false: a money text of infinity is empty
// and would read back as 0, silently wiping the sums.
bool addToSums(double &subtotal, double &discountTotal, const InvoiceLine &line) {
    const double amount = line.quantity * line.unitPrice;
    const double nextDiscount =
        line.discountPercent ? roundToMoney(discountTotal + amount * *line.discountPercent / 100)
                             : discountTotal;
    const double nextSubtotal = roundToMoney(subtotal + amount);
    const bool fits = std::isfinite(amount) &&
                      (!line.discountPercent || std::isfinite(amount * *line.discountPercent)) &&
                      std::isfinite(nextSubtotal) && std::isfinite(nextDiscount);
    if (fits) {
        subtotal = nextSubtotal;
        discountTotal = nextDiscount;
    }
    return fits;
}

// The totals texts of the window. The grand total is built from the texts shown, as the
// fields read: the subtotal's money text rebuilt, the discount's plain text read back.
void totalsTexts(InvoiceFigures &f, const Invoice &invoice) {
    f.subtotalText = moneyText(f.subtotal);
    f.discountTotalText = plainNumberText(f.discountTotal);
    const double subtotal = rebuiltValue(f.subtotalText).value_or(0);
    const double discount = localNumber(f.discountTotalText).value_or(0);
    if (invoice.vatMode == VatIncluded) {
        f.vatText = QStringLiteral("Dahil");
        f.grandTotalText = moneyText(subtotal - discount);
    } else if (invoice.vatRate) {
        f.vatText = moneyText((localNumber(f.subtotalText).value_or(0) - f.discountTotal) *
                              *invoice.vatRate / 100);
        f.grandTotalText = moneyText(subtotal + rebuiltValue(f.vatText).value_or(0) - discount);
        // A money text of a value too large for a number is empty.
        if (f.vatText.isEmpty() || f.grandTotalText.isEmpty())
            f.fits = false;
    }
    if (!f.grandTotalText.isEmpty())
        f.words = yaziyacevir(f.grandTotalText);
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

// What a number keeps of a typed text: the digits from the first to the last that is not 0.
// More than 15 of them are rounded away without a word.
qsizetype significantDigits(const QString &typed) {
    QString digits;
    for (const QChar c : typed)
        if (c >= u'0' && c <= u'9')
            digits += c;
    qsizetype first = 0;
    qsizetype end = digits.size();
    while (first < end && digits.at(first) == u'0')
        ++first;
    while (end > first && digits.at(end - 1) == u'0')
        --end;
    return end - first;
}

// Money texts keep 15 digits: 9.999.999.999.999,99 is the largest amount kept to the kuruş.
constexpr qsizetype keptDigits = 15;

bool tooManyDigits(const QString &moneyText) {
    return std::count_if(moneyText.begin(), moneyText.end(),
                         [](QChar c) { return c >= u'0' && c <= u'9'; }) > keptDigits;
}

QString beyondDigits(const QString &field) {
    return QStringLiteral("%1 15 basamağı aşıyor (en çok 9.999.999.999.999,99); satır eklenmedi.")
        .arg(field);
}

// The first figure of the invoice that a money text cannot keep to the kuruş, as the refusal.
QString figureBeyondDigits(const Invoice &invoice) {
    const InvoiceFigures f = computeFigures(invoice);
    if (!f.lineAmounts.isEmpty() && tooManyDigits(f.lineAmounts.last()))
        return beyondDigits(QStringLiteral("Satır tutarı"));
    if (tooManyDigits(f.subtotalText))
        return beyondDigits(QStringLiteral("Ara toplam"));
    if (tooManyDigits(f.vatText))
        return beyondDigits(QStringLiteral("KDV tutarı"));
    if (tooManyDigits(f.grandTotalText))
        return beyondDigits(QStringLiteral("Genel toplam"));
    return QString();
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

void Invoice::setVatRate(const QString &text) {
    vatRateText = text;
    vatRate = inputNumber(text);
}

InvoiceFigures computeFigures(const Invoice &invoice) {
    InvoiceFigures f;
    f.lineAmounts.reserve(invoice.lines.size());
    f.lineValues.reserve(invoice.lines.size());
    for (const InvoiceLine &line : invoice.lines) {
        const double amount = line.quantity * line.unitPrice;
        f.lineAmounts << moneyText(amount);
        f.lineValues << amount;
        f.exactSubtotal += amount;
        f.anyLineDiscount = f.anyLineDiscount || line.discountPercent.has_value();
        if (!addToSums(f.subtotal, f.discountTotal, line))
            f.fits = false;
    }
    totalsTexts(f, invoice);

    f.vatBase = f.exactSubtotal - invoice.invoiceDiscount;
    f.vat = f.vatBase * invoice.vatRate.value_or(0) / 100;
    f.grandTotal = f.vatBase + f.vat;
    return f;
}

QString addLine(Invoice &invoice, const LineInput &input) {
    const auto quantity = typedNumber(input.quantity, 0.0);
    const auto price = typedNumber(input.unitPrice, 0.0);
    const auto discount = typedNumber(input.discountPercent, std::nullopt);
    if (!quantity)
        return QStringLiteral("Miktar geçerli bir sayı değil: %1").arg(quoted(input.quantity));
    if (!price)
        return QStringLiteral("Birim fiyat geçerli bir sayı değil: %1")
            .arg(quoted(input.unitPrice));
    if (!discount)
        return QStringLiteral("İskonto yüzdesi geçerli bir sayı değil: %1")
            .arg(quoted(input.discountPercent));
    const std::pair<const QString *, const char *> typedNumbers[] = {
        {&input.quantity, "Miktar"},
        {&input.unitPrice, "Birim fiyat"},
        {&input.discountPercent, "İskonto yüzdesi"}};
    for (const auto &[text, field] : typedNumbers)
        if (significantDigits(*text) > keptDigits)
            return QStringLiteral("%1 en fazla 15 anlamlı basamak olabilir: %2")
                .arg(QString::fromUtf8(field), quoted(*text));
    if (*discount && (**discount < 0 || **discount > 100))
        return QStringLiteral("İskonto yüzdesi 0 ile 100 arasında olmalı: %1")
            .arg(quoted(input.discountPercent));
    if (invoice.vatMode != VatIncluded && invoice.vatRateText.trimmed().isEmpty())
        return QStringLiteral("KDV oranı girilmelidir!");
    if (invoice.vatMode != VatIncluded && !invoice.vatRate)
        return QStringLiteral("KDV oranı geçerli bir sayı değil: %1")
            .arg(quoted(invoice.vatRateText));

    InvoiceLine line;
    line.quantityText = input.quantity;
    line.description = input.description;
    line.discountText = input.discountPercent;
    line.unitPriceText = priceCellText(input.unitPrice);
    line.quantity = **quantity;
    line.unitPrice = **price;
    line.discountPercent = *discount;
    if (!appendIfFits(invoice, line))
        return tooLargeMessage;
    const QString beyond = figureBeyondDigits(invoice);
    if (!beyond.isEmpty())
        invoice.lines.removeLast();
    return beyond;
}

InvoiceLine storedLine(double quantity, const QString &description, const QString &discountPercent,
                       const QString &unitPriceText, double unitPrice) {
    InvoiceLine line;
    line.quantityText = plainNumberText(quantity);
    line.description = description;
    line.discountText = discountPercent;
    line.unitPriceText = unitPriceText;
    line.quantity = quantity;
    line.unitPrice = unitPrice;
    if (!discountPercent.isEmpty())
        line.discountPercent = inputNumber(discountPercent);
    return line;
}

bool appendIfFits(Invoice &invoice, const InvoiceLine &line) {
    invoice.lines.append(line);
    if (computeFigures(invoice).fits)
        return true;
    invoice.lines.removeLast();
    return false;
}

std::optional<qsizetype> appendAllOrNone(Invoice &invoice, const QList<InvoiceLine> &lines) {
    // One pass over the sums, not a whole computation per line: a stored invoice may be long.
    InvoiceFigures f = computeFigures(invoice);
    if (!f.fits)
        return 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!addToSums(f.subtotal, f.discountTotal, lines.at(i)))
            return i;
    }
    const qsizetype before = invoice.lines.size();
    invoice.lines.append(lines);
    if (computeFigures(invoice).fits)
        return std::nullopt;
    invoice.lines.resize(before);
    return lines.isEmpty() ? 0 : lines.size() - 1;
}

std::optional<QString> steppedVatRate(const QString &vatRate, int step) {
    const std::optional<double> rate = inputNumber(vatRate);
    if (!rate)
        return std::nullopt;
    return plainNumberText(*rate + step);
}
