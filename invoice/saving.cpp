#include "invoice/saving.h"

#include "base/numbers.h"
#include "invoice/summary.h"

#include <algorithm>
#include <limits>

namespace {

const QString saleType = QStringLiteral("SATIŞ");
const QString returnType = QStringLiteral("İADE");

bool blank(const QString &s) {
    return s.trimmed().isEmpty();
}

} // namespace

namespace {

QString dateRefusal(const QString &field, const QString &typed) {
    return blank(typed) ? QStringLiteral("%1 giriniz! Tarihi GG.AA.YYYY biçiminde yazınız (örnek: "
                                         "05.01.2027).")
                              .arg(field)
                        : QStringLiteral("%1 geçersiz: \"%2\". Tarihi GG.AA.YYYY biçiminde yazınız "
                                         "(örnek: 05.01.2027).")
                              .arg(field, typedExcerpt(typed));
}

} // namespace

QString saveCheck(const HeaderTexts &texts, HeaderField *field) {
    HeaderField ignored = HeaderField::None;
    HeaderField &named = field ? *field : ignored;
    named = HeaderField::None;
    const auto refuse = [&named](HeaderField f, const QString &message) {
        named = f;
        return message;
    };
    if (blank(texts.invoiceNumber))
        return refuse(HeaderField::InvoiceNumber, QStringLiteral("Fatura No giriniz!"));
    if (blank(texts.customerNumber))
        return refuse(HeaderField::CustomerNumber, QStringLiteral("Müşteri No giriniz!"));
    if (blank(texts.customerName))
        return refuse(HeaderField::CustomerName, QStringLiteral("Müşteri adı giriniz!"));
    if (!wholeNumber(texts.invoiceNumber))
        return refuse(HeaderField::InvoiceNumber, QStringLiteral("Fatura No geçersiz!"));
    if (!invoiceDate(texts.invoiceDate))
        return refuse(HeaderField::InvoiceDate,
                      dateRefusal(QStringLiteral("Fatura Tarihi"), texts.invoiceDate));
    if (!blank(texts.deliveryNoteDate) && !invoiceDate(texts.deliveryNoteDate))
        return refuse(HeaderField::DeliveryNoteDate,
                      dateRefusal(QStringLiteral("İrsaliye Tarihi"), texts.deliveryNoteDate));
    if (texts.type == InvoiceType::Return) {
        if (blank(texts.returnedNumber))
            return refuse(HeaderField::ReturnedNumber,
                          QStringLiteral("İade Edilen Fatura giriniz! İADE faturası, iade edilen "
                                         "faturanın numarasını ve tarihini taşır."));
        if (!invoiceDate(texts.returnedDate))
            return refuse(HeaderField::ReturnedDate,
                          QStringLiteral("İade Edilen Fatura tarihi GG.AA.YYYY biçiminde "
                                         "girilmelidir (örnek: 05.01.2027)."));
    }
    return QString();
}

std::optional<InvoiceHeader> invoiceHeader(const HeaderTexts &texts) {
    const std::optional<qint64> number = wholeNumber(texts.invoiceNumber);
    if (!number)
        return std::nullopt;
    return invoiceHeader(texts, *number);
}

InvoiceHeader invoiceHeader(const HeaderTexts &texts, qint64 number) {
    InvoiceHeader h;
    h.number = number;
    h.customerNumber = texts.customerNumber;
    h.customerName = texts.customerName;
    h.address = texts.address;
    h.address2 = texts.address2;
    h.taxOffice = texts.taxOffice;
    h.invoiceDate = texts.invoiceDate;
    h.deliveryNoteNumber = texts.deliveryNoteNumber;
    h.deliveryNoteDate = texts.deliveryNoteDate;
    h.type = texts.type;
    h.returnedNumber = texts.returnedNumber.trimmed();
    h.returnedDate = texts.returnedDate.trimmed();
    return h;
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
                                     line.unitPriceText, moneyText(figures.lineAmounts.at(i))};
        r.info.lines << LineInfo{stored.rateTextOf(line), line.unit, line.exemptionCode,
                                 line.exemptionReason};
    }
    r.info.hasDetails = true;
    r.info.kdv_orani = stored.vatRateText.trimmed();
    r.info.tip = h.type == InvoiceType::Return ? returnType : saleType;
    if (h.type == InvoiceType::Return) {
        r.info.iade_no = h.returnedNumber;
        r.info.iade_tarihi = h.returnedDate;
    }
    if (h.savedAt.isValid())
        r.info.kayit_zamani = h.savedAt.toString(Qt::ISODate);
    r.info.summary = summaryRecord(stored);
    return r;
}

QString loadStoredRows(Invoice &invoice, const QList<StoredRow> &rows) {
    return loadStoredInvoice(invoice, StoredInvoice{rows, InvoiceInfo()});
}

QString loadStoredInvoice(Invoice &invoice, const StoredInvoice &stored) {
    const QList<StoredRow> &rows = stored.rows;
    const InvoiceInfo &info = stored.info;
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
    // What an older program did not keep: a sale, at the rate the caller set.
    InvoiceHeader &h = loaded.header;
    h.type = info.tip == returnType ? InvoiceType::Return : InvoiceType::Sale;
    h.returnedNumber = info.iade_no;
    h.returnedDate = info.iade_tarihi;
    h.savedAt = QDateTime::fromString(info.kayit_zamani, Qt::ISODate);
    // A rate kept in the form an earlier version read ("18.5") is shown as typed today.
    const auto typedRate = [](const QString &kept) {
        const std::optional<double> rate = storedNumber(kept);
        return inputNumber(kept) || !rate ? kept : plainNumberText(*rate);
    };
    if (info.hasDetails)
        loaded.setVatRate(typedRate(info.kdv_orani));
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
            quantity = storedNumber(*row.quantityText);
        if (!quantity)
            return refused(i,
                           row.quantityText
                               ? QStringLiteral("miktar bir sayı değil: %1").arg(*row.quantityText)
                               : QStringLiteral("miktar boş"));
        if (!row.br_fiyat)
            return refused(i, QStringLiteral("birim fiyat boş"));
        // The program stores an empty price box as the empty text: 0, as typed.
        const std::optional<double> price =
            row.br_fiyat->trimmed().isEmpty() ? 0.0 : storedNumber(*row.br_fiyat);
        if (!price)
            return refused(i, QStringLiteral("birim fiyat bir sayı değil: %1").arg(*row.br_fiyat));
        InvoiceLine line = storedLine(*quantity, row.aciklama.value_or(QString()),
                                      row.iskonto.value_or(QString()), *row.br_fiyat, *price);
        if (info.hasDetails) {
            const LineInfo &l = info.lines.at(i);
            // A line at the invoice's rate takes it again, and follows it when it changes.
            const std::optional<double> rate = storedNumber(l.kdv_orani);
            if (!l.kdv_orani.isEmpty() && rate != loaded.vatRate) {
                line.vatRateText = typedRate(l.kdv_orani);
                line.vatRate = rate;
            }
            if (!l.birim.isEmpty())
                line.unit = l.birim;
            line.exemptionCode = l.istisna_kodu;
            line.exemptionReason = l.istisna_nedeni;
        }
        lines << line;
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
    const Invoice stored = storedForm(invoice);
    if (stored.lines.isEmpty())
        return QStringLiteral("Faturada kaydedilecek satır yok: önce Ürün Adı, Miktar ve "
                              "Br.Fiyat girip EKLE düğmesine basınız.");
    // The invoice's rate may have become 0 after the lines that take it were added.
    for (qsizetype i = 0; i < stored.lines.size(); ++i) {
        const InvoiceLine &line = stored.lines.at(i);
        const std::optional<double> rate = stored.rateOf(line);
        if (rate && *rate == 0 && line.exemptionCode.isEmpty())
            return QStringLiteral("İstisna seçiniz: %1. satırın (%2) KDV oranı 0; satırı "
                                  "düzeltip istisna kodunu seçiniz.")
                .arg(i + 1)
                .arg(line.description);
    }
    return QString();
}
