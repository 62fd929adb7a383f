#pragma once

#include "printing/printer.h"
#include "settings/settingsfile.h"

#include <QList>
#include <QString>

// A page to measure a printer by: where the layout's positions land on its paper.

// One position of the layout, in twips from the printable area's corner.
struct LayoutMark {
    QString caption;
    double x;
    double y;
};

// Every position the settings give: each placement's x and y, and each column of the line
// block at the block's y. In the settings window's order of lines.
QList<LayoutMark> layoutMarks(const ayarlar &settings);

// Prints the page as one document: a cross centred on each of layoutMarks() (one for marks at
// one place) labelled with its captions and position in millimetres, rulers in millimetres
// along the top and left edges from the corner positions count from, and `title` under the
// top ruler.
void printMarksPage(Printer &printer, const ayarlar &settings, const QString &title);

// How far the arms of a cross reach from its centre, in twips.
inline constexpr double markArm = 120;
