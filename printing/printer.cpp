#include "printing/printer.h"

#include "base/numbers.h"

#include <algorithm>
#include <cmath>

Printer::~Printer() = default;

void Printer::drawLine(double, double, double, double) {}

double clampedTwips(double twips) {
    if (std::isnan(twips))
        return 0;
    return std::clamp(twips, -maxTwips, maxTwips);
}

bool usableFontSize(double points) {
    return points > 0 && points <= maxFontSize;
}

void RecordingPrinter::printLine(const QString &text) {
    m_lines.append({text, m_fontName, m_fontSize, m_x, m_y, m_documents, m_sheet});
    m_x = 0;
    m_y += lineHeight(m_fontSize);
}

void RecordingPrinter::drawLine(double x1, double y1, double x2, double y2) {
    m_strokes.append({x1, y1, x2, y2, m_documents});
}

void RecordingPrinter::newSheet() {
    ++m_sheet;
    m_x = 0;
    m_y = 0;
}

void RecordingPrinter::endDocument() {
    ++m_documents;
    m_sheet = 0;
    m_x = 0;
    m_y = 0;
}

namespace {

QString withoutTrailingBlanks(const QString &s) {
    qsizetype end = s.size();
    while (end > 0 && s[end - 1] == u' ')
        --end;
    return s.left(end);
}

} // namespace

Placement readPlacement(const baski_yeri &placement) {
    const double size = leadingNumber(placement.boyutu);
    return Placement{clampedTwips(leadingNumber(placement.sol_bosluk)),
                     clampedTwips(leadingNumber(placement.ust_bosluk)),
                     withoutTrailingBlanks(placement.yazitipi_adi),
                     usableFontSize(size) ? size : 0};
}

PrintLayout printLayout(const ayarlar &a) {
    const auto column = [](const QString &margin) { return clampedTwips(leadingNumber(margin)); };
    PrintLayout l;
    l.name = readPlacement(a.yer_adi_soyadi);
    l.address = readPlacement(a.yer_adresi);
    l.taxOffice = readPlacement(a.yer_vergi_dairesi);
    l.invoiceDate = readPlacement(a.yer_fatura_tarihi);
    l.lineBlock = readPlacement(a.yer_fatura_hareketleri);
    l.invoiceNumber = readPlacement(a.yer_fatura_no);
    l.deliveryNumber = readPlacement(a.yer_irsaliye_no);
    l.deliveryDate = readPlacement(a.yer_irsaliye_tarihi);
    l.subtotal = readPlacement(a.yer_ara_toplam);
    l.discount = readPlacement(a.yer_iskonto);
    l.vatRate = readPlacement(a.yer_kdv_orani);
    l.vat = readPlacement(a.yer_kdv_tutari);
    l.grandTotal = readPlacement(a.yer_genel_toplam);
    l.words = readPlacement(a.yer_yazi_ile);
    l.lineSpacing = clampedTwips(leadingNumber(a.satir_arasi_bosluk) * 100);
    l.descriptionColumn = column(a.marj_aciklama);
    l.unitPriceColumn = column(a.marj_br_fiyat);
    l.quantityColumn = column(a.marj_miktar);
    l.amountColumn = column(a.marj_tutar);
    l.discountColumn = column(a.marj_iskonto);
    return l;
}

void setPlacementFont(Printer &printer, const Placement &placement) {
    if (!placement.face.isEmpty())
        printer.setFontName(placement.face);
    if (placement.size > 0)
        printer.setFontSize(placement.size);
}

void placeAndPrint(Printer &printer, const Placement &placement, const QString &text,
                   double yOffset) {
    setPlacementFont(printer, placement);
    printAtPosition(printer, Placement{placement.x, clampedTwips(placement.y + yOffset), {}, 0},
                    text);
}

void printAtPosition(Printer &printer, const Placement &placement, const QString &text) {
    printer.setX(placement.x);
    printer.setY(placement.y);
    printer.printLine(text);
}

QString fontSizeProblem(const baski_yeri &placement, const QString &field) {
    const QString size = placement.boyutu.trimmed();
    if (size.isEmpty() || usableFontSize(leadingNumber(size)))
        return {};
    return QStringLiteral("Baskı ayarı kullanılamaz.\n%1 %2 olamaz; yazı boyutu 0'dan "
                          "büyük, en fazla %3 punto olmalı.")
        .arg(field, size, QString::number(maxFontSize));
}

void printLineCell(Printer &printer, const Placement &lineBlock, double columnX, double y,
                   const QString &text) {
    setPlacementFont(printer, lineBlock);
    printer.setX(columnX);
    printer.setY(clampedTwips(y));
    printer.printLine(text);
}
