#include "invoice/saving.h"

#include "base/numbers.h"

#include <algorithm>
#include <limits>

namespace {

bool blank(const QString &s) {
    return s.trimmed().isEmpty();
}

// The quantity cell holds what the user typed, or the plain number text of a loaded line,
// which writes very large values in exponent form.
double storedQuantity(const QString &cell) {
    if (const std::optional<double> v = inputNumber(cell))
        return *v;
    return localNumber(cell).value_or(0);
}

} // namespace

QString saveCheck(const InvoiceTexts &texts) {
    if (blank(texts.invoiceNumber))
        return QStringLiteral("Fatura No giriniz!");
    if (blank(texts.customerNumber))
        return QStringLiteral("Müşteri No giriniz!");
    if (blank(texts.customerName))
        return QStringLiteral("Müşteri adı giriniz!");
    if (!wholeNumber(texts.invoiceNumber))
        return QStringLiteral("Fatura No geçersiz!");
    return QString();
}

std::optional<InvoiceRecord> invoiceRecord(const InvoiceTexts &texts) {
    const std::optional<qint64> number = wholeNumber(texts.invoiceNumber);
    if (!number)
        return std::nullopt;
    InvoiceRecord r;
    r.header.musterino = texts.customerNumber;
    r.header.adi_soyadi = texts.customerName;
    r.header.adresi = texts.address;
    r.header.adresi2 = texts.address2;
    r.header.vergidaire_no = texts.taxOffice;
    r.header.kdvdahil = texts.vatMode;
    r.header.fatura_tarihi = texts.invoiceDate;
    r.header.irsaliye_no = texts.deliveryNoteNumber;
    r.header.irsaliye_tarihi = texts.deliveryNoteDate;
    r.header.faturano = *number;
    for (const LineCells &cells : texts.lines) {
        // A row without a quantity is no line: this skips the grid's empty last row.
        if (cells.quantity.isEmpty())
            continue;
        r.lines << InvoiceLineRecord{storedQuantity(cells.quantity), cells.description,
                                     cells.discount.isNull() ? QStringLiteral("") : cells.discount,
                                     cells.unitPrice, cells.amount};
    }
    return r;
}

QString alreadyStoredMessage(qint64 invoiceNumber) {
    return QStringLiteral("%1 numaralı fatura zaten kayıtlı!").arg(invoiceNumber);
}

qint64 nextInvoiceNumber(const QList<qint64> &storedNumbers) {
    if (storedNumbers.isEmpty())
        return 1;
    const qint64 largest = *std::max_element(storedNumbers.begin(), storedNumbers.end());
    // Nothing lies above the largest number there is: proposing it again gets the "already
    // stored" answer on save instead of an overflow.
    return largest == std::numeric_limits<qint64>::max() ? largest : largest + 1;
}
