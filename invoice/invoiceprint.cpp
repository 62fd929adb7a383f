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

void printHeader(Printer &printer, const PrintLayout &layout, const InvoiceHeader &header) {
    placeAndPrint(printer, layout.invoiceDate, header.invoiceDate);
    placeAndPrint(printer, layout.invoiceNumber, printedNumber(header.number));
    placeAndPrint(printer, layout.deliveryNumber, header.deliveryNoteNumber);
    placeAndPrint(printer, layout.deliveryDate, header.deliveryNoteDate);
    placeAndPrint(printer, layout.name, header.customerName);
    placeAndPrint(printer, layout.address, header.address);
    // The second address line sits under the first, printed even when empty.
    placeAndPrint(printer, layout.address, header.address2, 200);
    placeAndPrint(printer, layout.taxOffice, header.taxOffice);
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

qsizetype linesPerSheet(const PrintLayout &layout) {
    return linesPerSheet(layout, layout.lineSpacing);
}

qsizetype linesPerSheet(const PrintLayout &layout, double step) {
    if (!(step > 0))
        return std::numeric_limits<qsizetype>::max(); // every line at the block's top
    const double top = layout.lineBlock.y;
    // The foot of an A4 sheet's printable area, asked of Qt once.
    static const double foot = PdfPrinter::pageLayout().paintRect(QPageLayout::Point).height() * 20;
    double bottom = foot;
    for (const Placement *item : {&layout.subtotal, &layout.discount, &layout.vatRate, &layout.vat,
                                  &layout.grandTotal, &layout.words}) {
        if (item->y > top)
            bottom = std::min(bottom, item->y);
    }
    return std::max<qsizetype>(1, qsizetype(std::floor((bottom - top) / step)));
}

int sheetCount(const ayarlar &settings, const Invoice &invoice) {
    const qsizetype perSheet = linesPerSheet(printLayout(settings));
    const qsizetype lines = invoice.lines.size();
    return int(std::max<qsizetype>(1, lines / perSheet + (lines % perSheet ? 1 : 0)));
}

void printInvoice(Printer &printer, const ayarlar &settings, const Invoice &invoice) {
    if (const QString problem = invoiceFontProblem(settings); !problem.isEmpty())
        throw PrinterError(problem);
    const PrintLayout layout = printLayout(settings);
    const InvoiceFigures figures = computeFigures(invoice);
    const FigureTexts texts = figureTexts(invoice, figures);
    printHeader(printer, layout, invoice.header);

    const Placement &block = layout.lineBlock;
    const qsizetype perSheet = linesPerSheet(layout);
    for (qsizetype i = 0; i < invoice.lines.size(); ++i) {
        const qsizetype onSheet = i % perSheet;
        if (i > 0 && onSheet == 0) {
            printer.newSheet();
            printHeader(printer, layout, invoice.header);
        }
        const InvoiceLine &line = invoice.lines.at(i);
        const double y = block.y + double(onSheet) * layout.lineSpacing;
        printLineCell(printer, block, layout.quantityColumn, y, printedNumber(line.quantity));
        printLineCell(printer, block, layout.descriptionColumn, y, line.description);
        printLineCell(printer, block, layout.discountColumn, y, line.discountText);
        printLineCell(printer, block, layout.unitPriceColumn, y, line.unitPriceText);
        printLineCell(printer, block, layout.amountColumn, y, moneyText(figures.lineAmounts.at(i)));
    }

    setPlacementFont(printer, block);
    printAtPosition(printer, layout.subtotal, texts.subtotal);
    printAtPosition(printer, layout.discount,
                    figures.anyLineDiscount ? moneyText(figures.discountTotal) : QString());
    // Without a grand total (a VAT rate that is not a number) there are no words either.
    printAtPosition(printer, layout.words,
                    texts.words.isEmpty() ? QString() : QStringLiteral("Y. ") + texts.words);
    printAtPosition(printer, layout.vatRate, texts.rates);
    printAtPosition(printer, layout.vat, texts.vat);
    printAtPosition(printer, layout.grandTotal, texts.grandTotal);
    printer.endDocument();
}
