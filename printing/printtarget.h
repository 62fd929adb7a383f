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

// The printer the program prints on: the system's default printer when it is installed.
// When printers are installed but the default is none of them (removed, or the user's own
// choice names a queue that is not there), `problem` says that the default printer is
// missing, names it and lists the installed ones. Both are empty on a computer without any
// printer, whose prints go into PDF files. The default found is kept in `offsets`, so that it
// can be named once it has been removed.
struct ProgramPrinter {
    QString name;
    QString problem;
};
ProgramPrinter programPrinter(const PrinterOffsets &offsets);

// The program's printer (see programPrinter()), moved by its offset in `offsets`; a PDF as
// pdfPrintTarget() makes it when no printer is installed. Throws PrinterError, printing
// nothing anywhere, when the default printer is missing.
PrintTarget programPrintTarget(const QString &stem, PdfPrinter::Mode mode = PdfPrinter::OneFile,
                               const QString &directory = QDir::currentPath(),
                               const PrinterOffsets &offsets = PrinterOffsets());

// The system printer `printerName`, moved by `offset`. Throws PrinterError when it is not
// installed.
PrintTarget systemPrintTarget(const QString &printerName, const PrinterOffset &offset);

// A PDF under "baskilar" in `directory` (created when missing) with a name nobody else has:
// "<stem>-<date>-<time>.pdf", or for one file per document a new folder of that name holding
// "<stem>-1.pdf", "<stem>-2.pdf", ... The name is taken at once (an empty file or folder),
// and a PdfPrinter that prints nothing removes the empty file again. Throws PrinterError
// when the folder or the file cannot be made.
PrintTarget pdfPrintTarget(const QString &stem, PdfPrinter::Mode mode = PdfPrinter::OneFile,
                           const QString &directory = QDir::currentPath());

// What the user is told after printing went to a PDF.
QString pdfNotice(const QString &pdfPath);
