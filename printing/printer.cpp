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

void setPlacementFont(Printer &printer, const baski_yeri &placement) {
    // A placement left without a face or with a size no printer can take keeps what the
    // printer has, so one bad settings line cannot make the rest of the page unreadable.
    const QString face = withoutTrailingBlanks(placement.yazitipi_adi);
    if (!face.isEmpty())
        printer.setFontName(face);
    const double size = leadingNumber(placement.boyutu);
    if (usableFontSize(size))
        printer.setFontSize(size);
}

namespace {

void placeAndPrintLine(Printer &printer, const baski_yeri &placement, const QString &text,
                       double yOffset) {
    printer.setX(clampedTwips(leadingNumber(placement.sol_bosluk)));
    printer.setY(clampedTwips(leadingNumber(placement.ust_bosluk) + yOffset));
    printer.printLine(text);
}

} // namespace

void placeAndPrint(Printer &printer, const baski_yeri &placement, const QString &text,
                   double yOffset) {
    setPlacementFont(printer, placement);
    placeAndPrintLine(printer, placement, text, yOffset);
}

void printAtPosition(Printer &printer, const baski_yeri &placement, const QString &text) {
    placeAndPrintLine(printer, placement, text, 0);
}

QString fontSizeProblem(const baski_yeri &placement, const QString &field) {
    const QString size = placement.boyutu.trimmed();
    if (size.isEmpty() || usableFontSize(leadingNumber(size)))
        return {};
    return QStringLiteral("Baskı ayarı kullanılamaz.\n%1 %2 olamaz; yazı boyutu 0'dan "
                          "büyük, en fazla %3 punto olmalı.")
        .arg(field, size, QString::number(maxFontSize));
}

void printLineCell(Printer &printer, const baski_yeri &lineBlock, const QString &columnMargin,
                   double y, const QString &text) {
    setPlacementFont(printer, lineBlock);
    printer.setX(clampedTwips(leadingNumber(columnMargin)));
    printer.setY(clampedTwips(y));
    printer.printLine(text);
}
