#pragma once

#include <QString>

// What the printing system says of a printer, asked just before a job goes to it and just
// after: Qt hands a job over without telling whether the system took it, and sends a job
// for a printer it does not know to the default printer instead.

enum class PrinterReadiness {
    Ready,
    Missing,     // no such printer (any more)
    Stopped,     // the queue is stopped: jobs would wait in it unprinted
    Rejecting,   // the queue refuses new jobs
    Unreachable, // the printing system does not answer
};

struct PrinterStatus {
    PrinterReadiness readiness = PrinterReadiness::Ready;
    QString reason; // the printing system's own words, when it gave any
};

// Asks the printing system (CUPS where there is one; elsewhere what Qt knows) about the
// printer `name`.
PrinterStatus printerStatus(const QString &name);

// Throws PrinterError, in Turkish and naming the printer, unless the printer is ready.
void checkPrinterReady(const QString &name);

// Called right after the painter on a QPrinter for `name` has ended: throws PrinterError
// naming the printer when the printing system refused the job Qt handed it. Without CUPS
// nothing more than the painter's own result is known, and this does nothing.
void checkJobAccepted(const QString &name);

// The default printer as the user's printing system gives it.
struct DefaultPrinter {
    QString name; // empty when none is chosen
    bool installed = false;
    // Where the user's own choice names a printer that is not installed, as Turkish words
    // that end in the locative: "LPDEST ortam değişkeninde", "<path> dosyasında". Empty for
    // the printing system's own choice.
    QString namedIn;
};
DefaultPrinter defaultPrinter();
