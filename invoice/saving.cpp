#include "invoice/saving.h"

#include "base/numbers.h"

#include <algorithm>
#include <limits>

namespace {

bool blank(const QString &s) {
    return s.trimmed().isEmpty();
}

} // namespace

QString saveCheck(const HeaderTexts &texts) {
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

std::optional<InvoiceHeader> invoiceHeader(const HeaderTexts &texts) {
    const std::optional<qint64> number = wholeNumber(texts.invoiceNumber);
    if (!number)
        return std::nullopt;
    return invoiceHeader(texts, *number);
}

InvoiceHeader invoiceHeader(const HeaderTexts &texts, qint64 number) {
    return InvoiceHeader{number,
                         texts.customerNumber,
                         texts.customerName,
                         texts.address,
                         texts.address2,
                         texts.taxOffice,
                         texts.invoiceDate,
                         texts.deliveryNoteNumber,
                         texts.deliveryNoteDate};
}

Invoice storedForm(const Invoice &invoice) {
    Invoice stored = invoice;
    stored.lines.removeIf([](const InvoiceLine &line) { return line.quantityText.isEmpty(); });
    return stored;
}

InvoiceRecord invoiceRecord(const Invoice &invoice) {
    const Invoice stored = storedForm(invoice);
    const InvoiceFigures figures = computeFigures(stored);
    const InvoiceHeader &h = stored.header;
    InvoiceRecord r;
    r.header = {h.customerNumber,   h.customerName, h.address,     h.address2,
                h.taxOffice,        stored.vatMode, h.invoiceDate, h.deliveryNoteNumber,
                h.deliveryNoteDate, h.number};
    for (qsizetype i = 0; i < stored.lines.size(); ++i) {
        const InvoiceLine &line = stored.lines.at(i);
        r.lines << InvoiceLineRecord{line.quantity, line.description,
                                     line.discountText.isNull() ? QStringLiteral("")
                                                                : line.discountText,
                                     line.unitPriceText, figures.lineAmounts.at(i)};
    }
    return r;
}

QString loadStoredRows(Invoice &invoice, const QList<StoredRow> &rows) {
    Invoice loaded = invoice;
    loaded.lines.clear();
    if (!rows.isEmpty()) {
        const StoredRow &first = rows.first();
        InvoiceHeader &h = loaded.header;
        const auto take = [](QString &field, const std::optional<QString> &value) {
            if (value)
                field = *value;
        };
        if (first.faturano)
            h.number = *first.faturano;
        take(h.customerNumber, first.musterino);
        take(h.customerName, first.adi_soyadi);
        take(h.address, first.adresi);
        take(h.address2, first.adresi2);
        take(h.taxOffice, first.vergidaire_no);
        take(h.invoiceDate, first.fatura_tarihi);
        take(h.deliveryNoteNumber, first.irsaliye_no);
        take(h.deliveryNoteDate, first.irsaliye_tarihi);
        if (first.kdvdahil && (*first.kdvdahil == VatIncluded || *first.kdvdahil == VatExcluded))
            loaded.vatMode = *first.kdvdahil;
    }
    const auto refused = [&](qsizetype line, const QString &why) {
        return QStringLiteral("%1 numaralı faturanın %2. satırı okunamadı (%3); fatura "
                              "yüklenmedi.")
            .arg(loaded.header.number)
            .arg(line + 1)
            .arg(why);
    };
    QList<InvoiceLine> lines;
    lines.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const StoredRow &row = rows.at(i);
        std::optional<double> quantity = row.miktar;
        if (row.quantityText)
            quantity = inputNumber(*row.quantityText);
        if (!quantity)
            return refused(i,
                           row.quantityText
                               ? QStringLiteral("miktar bir sayı değil: %1").arg(*row.quantityText)
                               : QStringLiteral("miktar boş"));
        if (!row.br_fiyat)
            return refused(i, QStringLiteral("birim fiyat boş"));
        // The program stores an empty price box as the empty text: 0, as typed.
        const std::optional<double> price =
            row.br_fiyat->trimmed().isEmpty() ? 0.0 : inputNumber(*row.br_fiyat);
        if (!price)
            return refused(i, QStringLiteral("birim fiyat bir sayı değil: %1").arg(*row.br_fiyat));
        lines << storedLine(*quantity, row.aciklama.value_or(QString()),
                            row.iskonto.value_or(QString()), *row.br_fiyat, *price);
    }
    if (const std::optional<qsizetype> bad = appendAllOrNone(loaded, lines))
        return refused(*bad, QStringLiteral("tutar bir sayı olamayacak kadar büyük"));
    invoice = loaded;
    return QString();
}

QString alreadyStoredMessage(qint64 invoiceNumber) {
    return QStringLiteral("%1 numaralı fatura zaten kayıtlı!").arg(invoiceNumber);
}

QString changedMeanwhileMessage(qint64 invoiceNumber) {
    return QStringLiteral("%1 numaralı fatura, siz yükledikten sonra başka bir yerde "
                          "değiştirilip kaydedilmiş; değişiklikleriniz kaydedilmedi.\n"
                          "Faturayı yeniden yükleyip değişikliklerinizi tekrar yapın.")
        .arg(invoiceNumber);
}

qint64 nextInvoiceNumber(const QList<qint64> &storedNumbers) {
    if (storedNumbers.isEmpty())
        return 1;
    return nextInvoiceNumber(*std::max_element(storedNumbers.begin(), storedNumbers.end()));
}

qint64 nextInvoiceNumber(std::optional<qint64> largest) {
    if (!largest)
        return 1;
    // Nothing lies above the largest number there is: proposing it again gets the "already
    // stored" answer on save instead of an overflow.
    return *largest == std::numeric_limits<qint64>::max() ? *largest : *largest + 1;
}

QString lineCheck(const Invoice &invoice) {
    if (!storedForm(invoice).lines.isEmpty())
        return QString();
    return QStringLiteral("Faturada kaydedilecek satır yok: önce Ürün Adı, Miktar ve Br.Fiyat "
                          "girip EKLE düğmesine basınız.");
}
