#pragma once

#include "base/failure.h"
#include "earsiv/party.h"

#include <QDate>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

class Database;
class QLockFile;
class Workspace;
struct EArsivDocument;

// A failure of an e-invoice export that is not the database's: the seller's details
// missing, a file that cannot be written. In Turkish, naming what failed.
class EArsivError : public Failure {
public:
    using Failure::Failure;
};

// What became of one invoice.
struct EArsivResult {
    qint64 invoiceNumber = 0;
    QString gibNumber;
    QStringList files; // the XML and the PDF written
    QString refusal;   // why nothing was written for it; empty when it was written
    QString notice;    // what the user should know about a written one
    bool firstExport = false;
};

// Told how far a run is: `done` invoices of `total` (0 before the first). Returning false
// stops the run after the invoice just handled.
using EArsivProgress = std::function<bool(int done, int total)>;

// Exports saved invoices as e-Arşiv invoices into earsiv/ in the working folder: for each
// one "<GİB number>.xml" and "<GİB number>.pdf", each written whole or not at all: a file
// is replaced only by a complete new one, checked to its last byte.
//
// The first export of an invoice gives it its GİB number (the seller's prefix, the year of
// its date and the next serial of that year: gapless in the order of export) and a UUID,
// and fixes its issue time, in the one transaction that records the export and in which its
// files are written: when a file cannot be written, no number is used. Two PCs exporting at
// once take turns at giving numbers. Exporting it again writes the same document with the
// rate it was first made with; a different rate, or an invoice changed since, is refused, as
// an issued e-invoice cannot change.
//
// One export at a time writes into the folder (a lock file held while it writes); the first
// thing it does there is to tidy what a killed one left (tidyEArsivFolder()). While the files
// of a first export are written, "<GİB number>.yarim" beside them holds its UUID.
class EArsivExport {
public:
    // `vatRate` is the rate typed for this export; an empty text takes the settings' rate,
    // which the invoice window shows a loaded invoice with. Opens the database for the run.
    // Throws SettingsError, DatabaseError or EArsivError (no seller's details, a rate that
    // is not a number).
    explicit EArsivExport(const Workspace &workspace, const QString &vatRate = QString());
    ~EArsivExport();

    // The folder the files go to.
    QString folder() const;

    // Exports one invoice. A refusal (the invoice not found or not fit for an e-invoice) is
    // the result's message, naming the invoice. Throws DatabaseError or EArsivError when the
    // database or a file fails; nothing is then recorded or left written for the invoice.
    EArsivResult exportInvoice(qint64 number);

    // Exports the invoices one after another, each result appended to `results` as it is
    // known. False when `progress` stopped the run.
    bool run(const QList<qint64> &numbers, QList<EArsivResult> &results,
             const EArsivProgress &progress = {});

private:
    EArsivResult exportOne(qint64 number);
    // Makes the folder, locks it for this export and tidies it, once for the outermost call.
    void holdFolder();
    // Writes the two files; on a failure removes those it wrote when `firstTime` (the files
    // of a document given before stay as they were).
    QStringList writeFiles(const EArsivDocument &document, const QByteArray &xml, bool firstTime);

    const Workspace &m_workspace;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<QLockFile> m_folderLock;
    int m_calls = 0; // exportInvoice() and run() under way
    EArsivParty m_seller;
    QString m_prefix;
    QString m_rateText;
    bool m_rateGiven = false;
};

// The folder the e-Arşiv files of the working folder `workingFolder` go to.
QString earsivFolder(const QDir &workingFolder);

// What an export killed half-way left in the e-Arşiv folder of `workingFolder`, tidied when
// no export is writing there: the temporary files of files being replaced go; the files of a
// first export go too, unless `databasePath` recorded them (the kill came after the record),
// then only the note beside them goes. The database is opened only for such files; when it
// cannot be, they are left for the next export. Returns the files removed.
QStringList tidyEArsivFolder(const QDir &workingFolder, const QString &databasePath);

// The stored invoices whose date lies from `from` to `to`, both included, in number order.
QList<qint64> invoicesDated(Database &db, const QDate &from, const QDate &to);

// How a run ended.
enum class EArsivRunEnd { Completed, Cancelled, Failed };

// What the user is told after a run over `total` invoices: how many were written and where,
// whether it stopped early, what to know about the written ones and why the others were not.
QString exportSummary(const QList<EArsivResult> &results, int total, EArsivRunEnd end,
                      const QString &folder);
