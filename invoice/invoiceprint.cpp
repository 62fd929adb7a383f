#include "invoice/invoiceprint.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "invoice/invoice.h"

QString printedNumber(double value) {
    const QString text = plainNumberText(value);
    return value >= 0 ? u' ' + text : text;
}

QString printedNumber(qint64 value) {
    const QString text = QString::number(value);
    return value >= 0 ? u' ' + text : text;
}

namespace {

QString text(const std::optional<QString> &column) {
    return column.value_or(QString());
}

} // namespace

void printInvoice(Printer &printer, const ayarlar &settings, const QList<StoredRow> &rows,
                  const InvoicePrintInputs &inputs) {
    if (rows.isEmpty())
        throw PrinterError(QStringLiteral("%1 numaralı fatura bulunamadı, yazdırılamadı.")
                               .arg(inputs.invoiceNumber.trimmed()));

    const StoredRow &header = rows.first();
    placeAndPrint(printer, settings.yer_fatura_tarihi, text(header.fatura_tarihi));
    placeAndPrint(printer, settings.yer_fatura_no,
                  header.faturano ? printedNumber(*header.faturano) : QString());
    placeAndPrint(printer, settings.yer_irsaliye_no, text(header.irsaliye_no));
    placeAndPrint(printer, settings.yer_irsaliye_tarihi, text(header.irsaliye_tarihi));
    placeAndPrint(printer, settings.yer_adi_soyadi, text(header.adi_soyadi));
    placeAndPrint(printer, settings.yer_adresi, text(header.adresi));
    // The second address line sits under the first, printed even when empty.
    placeAndPrint(printer, settings.yer_adresi, text(header.adresi2), 200);
    placeAndPrint(printer, settings.yer_vergi_dairesi, inputs.taxOffice);

    const double top = leadingNumber(settings.yer_fatura_hareketleri.ust_bosluk);
    const double lineStep = leadingNumber(settings.satir_arasi_bosluk) * 100;
    double offset = 0;
    InvoiceTotals totals;
    TotalsTexts figures;
    bool anyDiscount = false;
    for (const StoredRow &row : rows) {
        const QString discount = text(row.iskonto);
        anyDiscount = anyDiscount || (!discount.isEmpty() && inputNumber(discount));
        // The same arithmetic as the window's loading of this invoice.
        const LineResult line =
            addStoredLine(totals, row.miktar.value_or(0), text(row.aciklama), discount,
                          text(row.br_fiyat), inputs.vatRate, inputs.vatMode);
        figures = line.totals;

        const double y = top + offset;
        printLineCell(printer, settings.yer_fatura_hareketleri, settings.marj_miktar, y,
                      row.miktar ? printedNumber(*row.miktar) : QString());
        printLineCell(printer, settings.yer_fatura_hareketleri, settings.marj_aciklama, y,
                      line.cells.description);
        printLineCell(printer, settings.yer_fatura_hareketleri, settings.marj_iskonto, y, discount);
        printLineCell(printer, settings.yer_fatura_hareketleri, settings.marj_br_fiyat, y,
                      text(row.br_fiyat));
        printLineCell(printer, settings.yer_fatura_hareketleri, settings.marj_tutar, y,
                      line.cells.amount);
        offset += lineStep;
    }

    setPlacementFont(printer, settings.yer_fatura_hareketleri);
    printAtPosition(printer, settings.yer_ara_toplam, figures.subtotal);
    printAtPosition(printer, settings.yer_iskonto,
                    anyDiscount ? moneyText(totals.discountTotal) : QString());
    // Without a grand total (a VAT rate that is not a number) there are no words either.
    printAtPosition(printer, settings.yer_yazi_ile,
                    figures.grandTotal.isEmpty()
                        ? QString()
                        : QStringLiteral("Y. ") + yaziyacevir(figures.grandTotal));
    printAtPosition(printer, settings.yer_kdv_orani, inputs.vatRate);
    printAtPosition(printer, settings.yer_kdv_tutari,
                    inputs.vatMode == VatIncluded ? inputs.vatAmount : figures.vat);
    printAtPosition(printer, settings.yer_genel_toplam, figures.grandTotal);
    printer.endDocument();
}

void printSavedInvoice(Printer &printer, const ayarlar &settings,
                       const InvoicePrintInputs &inputs) {
    const std::optional<qint64> number = wholeNumber(inputs.invoiceNumber);
    if (!number)
        throw PrinterError(QStringLiteral("Fatura No geçersiz!"));
    QList<StoredRow> rows;
    {
        Database db(databasePath(settings.veritabani_yolu));
        rows = invoiceRows(db, *number);
    }
    printInvoice(printer, settings, rows, inputs);
}
