#include "invoice/invoiceprint.h"

#include "base/numbers.h"
#include "printing/painterprinter.h"

#include <algorithm>
#include <cmath>
#include <limits>

QString printedNumber(double value) {
    const QString text = plainNumberText(value);
    return value >= 0 ? u' ' + text : text;
}

QString printedNumber(qint64 value) {
    const QString text = QString::number(value);
    return value >= 0 ? u' ' + text : text;
}

namespace {

double lineStep(const ayarlar &settings) {
    return clampedTwips(leadingNumber(settings.satir_arasi_bosluk) * 100);
}

void printHeader(Printer &printer, const ayarlar &settings, const InvoiceHeader &header) {
    placeAndPrint(printer, settings.yer_fatura_tarihi, header.invoiceDate);
    placeAndPrint(printer, settings.yer_fatura_no, printedNumber(header.number));
    placeAndPrint(printer, settings.yer_irsaliye_no, header.deliveryNoteNumber);
    placeAndPrint(printer, settings.yer_irsaliye_tarihi, header.deliveryNoteDate);
    placeAndPrint(printer, settings.yer_adi_soyadi, header.customerName);
    placeAndPrint(printer, settings.yer_adresi, header.address);
    // The second address line sits under the first, printed even when empty.
    placeAndPrint(printer, settings.yer_adresi, header.address2, 200);
    placeAndPrint(printer, settings.yer_vergi_dairesi, header.taxOffice);
}

} // namespace

QString fontSizeProblem(const ayarlar &settings,
                        std::initializer_list<baski_yeri ayarlar::*> items) {
    for (const SettingsLine &line : settingsLines()) {
        if (!line.placement || std::find(items.begin(), items.end(), line.placement) == items.end())
            continue;
        const QString problem = ::fontSizeProblem(
            settings.*line.placement, QString::fromUtf8(line.caption) + QStringLiteral(" Boyutu"));
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

QString invoiceFontProblem(const ayarlar &settings) {
    // The totals are printed in the lines' font, so their own sizes do not matter.
    return fontSizeProblem(settings, {&ayarlar::yer_adi_soyadi, &ayarlar::yer_adresi,
                                      &ayarlar::yer_vergi_dairesi, &ayarlar::yer_fatura_tarihi,
                                      &ayarlar::yer_fatura_hareketleri, &ayarlar::yer_irsaliye_no,
                                      &ayarlar::yer_irsaliye_tarihi, &ayarlar::yer_fatura_no});
}

qsizetype linesPerSheet(const ayarlar &settings) {
    return linesPerSheet(settings, lineStep(settings));
}

qsizetype linesPerSheet(const ayarlar &settings, double step) {
    if (!(step > 0))
        return std::numeric_limits<qsizetype>::max(); // every line at the block's top
    const double top = clampedTwips(leadingNumber(settings.yer_fatura_hareketleri.ust_bosluk));
    double bottom = PdfPrinter::pageLayout().paintRect(QPageLayout::Point).height() * 20;
    for (const baski_yeri *item :
         {&settings.yer_ara_toplam, &settings.yer_iskonto, &settings.yer_kdv_orani,
          &settings.yer_kdv_tutari, &settings.yer_genel_toplam, &settings.yer_yazi_ile}) {
        const double y = clampedTwips(leadingNumber(item->ust_bosluk));
        if (y > top)
            bottom = std::min(bottom, y);
    }
    return std::max<qsizetype>(1, qsizetype(std::floor((bottom - top) / step)));
}

int sheetCount(const ayarlar &settings, const Invoice &invoice) {
    const qsizetype perSheet = linesPerSheet(settings);
    const qsizetype lines = invoice.lines.size();
    return int(std::max<qsizetype>(1, lines / perSheet + (lines % perSheet ? 1 : 0)));
}

void printInvoice(Printer &printer, const ayarlar &settings, const Invoice &invoice) {
    if (const QString problem = invoiceFontProblem(settings); !problem.isEmpty())
        throw PrinterError(problem);
    const InvoiceFigures figures = computeFigures(invoice);
    const FigureTexts texts = figureTexts(invoice, figures);
    printHeader(printer, settings, invoice.header);

    const baski_yeri &block = settings.yer_fatura_hareketleri;
    const double top = leadingNumber(block.ust_bosluk);
    const double step = lineStep(settings);
    const qsizetype perSheet = linesPerSheet(settings);
    for (qsizetype i = 0; i < invoice.lines.size(); ++i) {
        const qsizetype onSheet = i % perSheet;
        if (i > 0 && onSheet == 0) {
            printer.newSheet();
            printHeader(printer, settings, invoice.header);
        }
        const InvoiceLine &line = invoice.lines.at(i);
        const double y = top + double(onSheet) * step;
        printLineCell(printer, block, settings.marj_miktar, y, printedNumber(line.quantity));
        printLineCell(printer, block, settings.marj_aciklama, y, line.description);
        printLineCell(printer, block, settings.marj_iskonto, y, line.discountText);
        printLineCell(printer, block, settings.marj_br_fiyat, y, line.unitPriceText);
        printLineCell(printer, block, settings.marj_tutar, y, moneyText(figures.lineAmounts.at(i)));
    }

    setPlacementFont(printer, block);
    printAtPosition(printer, settings.yer_ara_toplam, texts.subtotal);
    printAtPosition(printer, settings.yer_iskonto,
                    figures.anyLineDiscount ? moneyText(figures.discountTotal) : QString());
    // Without a grand total (a VAT rate that is not a number) there are no words either.
    printAtPosition(printer, settings.yer_yazi_ile,
                    texts.words.isEmpty() ? QString() : QStringLiteral("Y. ") + texts.words);
    printAtPosition(printer, settings.yer_kdv_orani, texts.rates);
    printAtPosition(printer, settings.yer_kdv_tutari, texts.vat);
    printAtPosition(printer, settings.yer_genel_toplam, texts.grandTotal);
    printer.endDocument();
}
