#pragma once

#include <QString>

// Reading back what a PDF holds, through poppler's pdftotext.

bool havePdftotext();
// The text of every page; each page ends with a form feed.
QString pdfText(const QString &pdfPath);
int pdfPageCount(const QString &pdfPath);

// Where the first word with this text begins, in points from the page's top-left corner;
// -1, -1 when there is no such word.
struct PdfWord {
    double x;
    double y;
};
PdfWord pdfWord(const QString &pdfPath, const QString &text);
