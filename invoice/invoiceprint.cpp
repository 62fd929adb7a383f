#include "invoice/invoiceprint.h"

#include "base/numbers.h"

QString printedNumber(double value) {
    const QString text = plainNumberText(value);
    return value >= 0 ? u' ' + text : text;
}

QString printedNumber(qint64 value) {
    const QString text = QString::number(value);
    return value >= 0 ? u' ' + text : text;
}

void printInvoice(Printer &printer, const ayarlar &settings, const Invoice &invoice) {
    const InvoiceHeader &header = invoice.header;
    const InvoiceFigures figures = computeFigures(invoice);

    placeAndPrint(printer, settings.yer_fatura_tarihi, header.invoiceDate);
    placeAndPrint(printer, settings.yer_fatura_no, printedNumber(header.number));
    placeAndPrint(printer, settings.yer_irsaliye_no, header.deliveryNoteNumber);
    placeAndPrint(printer, settings.yer_irsaliye_tarihi, header.deliveryNoteDate);
    placeAndPrint(printer, settings.yer_adi_soyadi, header.customerName);
    placeAndPrint(printer, settings.yer_adresi, header.address);
    // The second address line sits under the first, printed even when empty.
    placeAndPrint(printer, settings.yer_adresi, header.address2, 200);
    placeAndPrint(printer, settings.yer_vergi_dairesi, header.taxOffice);

    const baski_yeri &block = settings.yer_fatura_hareketleri;
    const double top = leadingNumber(block.ust_bosluk);
    const double lineStep = leadingNumber(settings.satir_arasi_bosluk) * 100;
    double offset = 0;
    for (qsizetype i = 0; i < invoice.lines.size(); ++i) {
        const InvoiceLine &line = invoice.lines.at(i);
        const double y = top + offset;
        printLineCell(printer, block, settings.marj_miktar, y, printedNumber(line.quantity));
        printLineCell(printer, block, settings.marj_aciklama, y, line.description);
        printLineCell(printer, block, settings.marj_iskonto, y, line.discountText);
        printLineCell(printer, block, settings.marj_br_fiyat, y, line.unitPriceText);
        printLineCell(printer, block, settings.marj_tutar, y, figures.lineAmounts.at(i));
        offset += lineStep;
    }

    setPlacementFont(printer, block);
    printAtPosition(printer, settings.yer_ara_toplam, figures.subtotalText);
    printAtPosition(printer, settings.yer_iskonto,
                    figures.anyLineDiscount ? moneyText(figures.discountTotal) : QString());
    // Without a grand total (a VAT rate that is not a number) there are no words either.
    printAtPosition(printer, settings.yer_yazi_ile,
                    figures.words.isEmpty() ? QString() : QStringLiteral("Y. ") + figures.words);
    printAtPosition(printer, settings.yer_kdv_orani, invoice.vatRateText);
    printAtPosition(printer, settings.yer_kdv_tutari, figures.vatText);
    printAtPosition(printer, settings.yer_genel_toplam, figures.grandTotalText);
    printer.endDocument();
}
