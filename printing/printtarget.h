#pragma once

#include "printing/painterprinter.h"
#include "printing/printeroffsets.h"

#include <QDir>
#include <QString>

#include <memory>

// Where the program's printing goes.
struct PrintTarget {
    std::unique_ptr<Printer> printer;
    QString printerName; // the system printer printed on; empty for a PDF
    QString pdfPath;     // the PDF file (or, one file per document, the folder); else empty
    SystemPrinter *systemPrinter = nullptr; // `printer` when it is a system printer
};

// The system's default printer, moved by its offset in `offsets`, when one is installed;
// otherwise a PDF as pdfPrintTarget() makes it.
PrintTarget programPrintTarget(const QString &stem, PdfPrinter::Mode mode = PdfPrinter::OneFile,
                               const QString &directory = QDir::currentPath(),
                               const PrinterOffsets &offsets = PrinterOffsets());

// A PDF under "baskilar" in `directory` (created when missing) with a name nobody else has:
// "<stem>-<date>-<time>.pdf", or for one file per document a new folder of that name holding
// "<stem>-1.pdf", "<stem>-2.pdf", ... The name is taken at once (an empty file or folder),
// and a PdfPrinter that prints nothing removes the empty file again. Throws PrinterError
// when the folder or the file cannot be made.
PrintTarget pdfPrintTarget(const QString &stem, PdfPrinter::Mode mode = PdfPrinter::OneFile,
                           const QString &directory = QDir::currentPath());

// What the user is told after printing went to a PDF.
QString pdfNotice(const QString &pdfPath);
