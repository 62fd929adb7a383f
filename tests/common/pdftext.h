#pragma once

#include <QList>
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

// Every word of a PDF with its box in points from its page's top-left corner, page by page
// (the first is 1), in the order pdftotext reads them.
struct PdfBox {
    QString text;
    int page;
    double xMin;
    double yMin;
    double xMax;
    double yMax;
};
QList<PdfBox> pdfWords(const QString &pdfPath);
