#pragma once

#include <QList>
#include <QString>

// Reading back what a PDF holds, through poppler's pdftotext.

struct PdfWord {
    QString text;
    double xMin; // points from the page's left edge
    double yMin; // points from the page's top edge
    double xMax;
    double yMax;
    int page; // 0 for the first page
};

bool havePdftotext();
// The text of every page; each page ends with a form feed.
QString pdfText(const QString &pdfPath);
int pdfPageCount(const QString &pdfPath);
QList<PdfWord> pdfWords(const QString &pdfPath);
// The first word with this text, or one with an empty text when there is none.
PdfWord findWord(const QList<PdfWord> &words, const QString &text);
