#pragma once

#include <QList>
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

// What became of a print job once the printing system took it.
enum class JobOutcome {
    Printed, // it went to the printer
    Waiting, // it is still in the printer's queue
    Lost,    // it was cancelled, or went with its queue, unprinted
};

// Follows the jobs handed to one printer, each under a title of its own: where each job is
// cannot be asked once its queue is gone, so the queue is asked as the jobs go.
class JobWatch {
public:
    explicit JobWatch(const QString &printer = QString());

    // The job with this title was just taken; notes which earlier jobs have left the queue.
    void taken(const QString &title);
    // What became of each job taken so far, in the order they were taken, as the printing
    // system says now.
    QList<JobOutcome> outcomes();

private:
    struct Job {
        QString title;
        int id = 0; // 0 until found
        JobOutcome outcome = JobOutcome::Waiting;
        bool settled = false;
    };
    void look();

    QString m_printer;
    QList<Job> m_jobs;
    qsizetype m_firstUnsettled = 0;
};
