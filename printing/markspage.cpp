#include "printing/markspage.h"

#include "base/numbers.h"

#include <QRectF>

#include <algorithm>
#include <cmath>

namespace {

constexpr double twipsPerMm = 1440 / 25.4;
// The rulers run as far as an A4 sheet reaches; a printer cuts off what it cannot print.
constexpr int rulerAcrossMm = 200;
constexpr int rulerDownMm = 285;
constexpr double labelPoints = 6;
// One line of labels, in twips.
constexpr double labelLine = labelPoints * 20 * 1.3;

QString withoutColon(const char *caption) {
    QString c = QString::fromUtf8(caption);
    if (c.endsWith(u':'))
        c.chop(1);
    return c;
}

QString millimetres(double twips) {
    return plainNumberText(std::round(twips / twipsPerMm * 10) / 10);
}

double tickLength(int mm) {
    return (mm % 10 == 0 ? 3.5 : mm % 5 == 0 ? 2.2 : 1.2) * twipsPerMm;
}

void printText(Printer &printer, double x, double y, const QString &text) {
    printer.setX(x);
    printer.setY(y);
    printer.printLine(text);
}

} // namespace

QList<LayoutMark> layoutMarks(const ayarlar &settings) {
    QList<LayoutMark> marks;
    double blockY = 0;
    for (const SettingsLine &line : settingsLines()) {
        if (!line.placement)
            continue;
        const baski_yeri &p = settings.*line.placement;
        marks.append({withoutColon(line.caption), clampedTwips(leadingNumber(p.sol_bosluk)),
                      clampedTwips(leadingNumber(p.ust_bosluk))});
        if (line.placement == &ayarlar::yer_fatura_hareketleri)
            blockY = marks.last().y;
    }
    for (const SettingsLine &line : settingsLines()) {
        if (line.single && QByteArray(line.name).startsWith("marj_"))
            marks.append({QStringLiteral("Sütun: ") + withoutColon(line.caption),
                          clampedTwips(leadingNumber(settings.*line.single)), blockY});
    }
    return marks;
}

void printMarksPage(Printer &printer, const ayarlar &settings, const QString &title) {
    printer.setFontSize(6);
    for (int mm = 0; mm <= rulerAcrossMm; ++mm) {
        const double x = mm * twipsPerMm;
        printer.drawLine(x, 0, x, tickLength(mm));
        if (mm % 10 == 0 && mm > 0)
            printText(printer, x + 0.4 * twipsPerMm, 2 * twipsPerMm, QString::number(mm));
    }
    printer.drawLine(0, 0, rulerAcrossMm * twipsPerMm, 0);
    for (int mm = 0; mm <= rulerDownMm; ++mm) {
        const double y = mm * twipsPerMm;
        printer.drawLine(0, y, tickLength(mm), y);
        if (mm % 10 == 0 && mm > 0)
            printText(printer, 2 * twipsPerMm, y + 0.4 * twipsPerMm, QString::number(mm));
    }
    printer.drawLine(0, 0, 0, rulerDownMm * twipsPerMm);

    printer.setFontSize(8);
    const double titleX = 12 * twipsPerMm;
    printText(printer, titleX, 7 * twipsPerMm, title);
    printText(printer, titleX, printer.y(),
              QStringLiteral("Her artı işaretinin ortası ayarlardaki bir konumdur (sol; üst, mm); "
                             "cetveller baskı alanının köşesinden milimetre gösterir."));

    // One cross for marks at one place; its label goes right of it, or lower where it would
    // cover another cross or label.
    QList<LayoutMark> crosses;
    for (const LayoutMark &m : layoutMarks(settings)) {
        auto same = std::find_if(crosses.begin(), crosses.end(),
                                 [&](const LayoutMark &c) { return c.x == m.x && c.y == m.y; });
        if (same != crosses.end())
            same->caption += QStringLiteral(", ") + m.caption;
        else
            crosses.append(m);
    }
    printer.setFontSize(labelPoints);
    QList<QRectF> taken;
    for (const LayoutMark &m : crosses) {
        printer.drawLine(m.x - markArm, m.y, m.x + markArm, m.y);
        printer.drawLine(m.x, m.y - markArm, m.x, m.y + markArm);
        taken.append(QRectF(m.x - markArm, m.y - markArm, 2 * markArm, 2 * markArm));
    }
    for (const LayoutMark &m : crosses) {
        const QString text =
            QStringLiteral("%1 (%2; %3)").arg(m.caption, millimetres(m.x), millimetres(m.y));
        // About the width of the text in this size; enough to keep labels apart.
        const double width = text.size() * labelPoints * 0.55 * 20;
        QRectF label(m.x + markArm + 20, m.y - labelLine / 2, width, labelLine);
        while (std::any_of(taken.cbegin(), taken.cend(),
                           [&](const QRectF &other) { return other.intersects(label); }))
            label.translate(0, labelLine);
        taken.append(label);
        printText(printer, label.x(), label.y(), text);
    }
    printer.endDocument();
}
