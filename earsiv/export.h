#pragma once

#include "base/failure.h"
#include "earsiv/party.h"
#include "store/earsivrecords.h"

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
struct SellerRecord;

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
    bool efatura = false; // an e-Fatura (the buyer is a registered user), not an e-Arşiv invoice
};

// Told how far a run is: `done` invoices of `total` (0 before the first). Returning false
// stops the run: what is written by then is kept, nothing more is begun.
using EArsivProgress = std::function<bool(int done, int total)>;

// What a run is about to do, before any number is given: how many invoices get their first
// number, and the first and last of their dates.
struct EArsivPlan {
    int newNumbers = 0;
    QDate from;
    QDate to;
};
// Asked once the invoices are read and checked, when at least one gets a new number; false
// stops the run before anything is written.
using EArsivConfirm = std::function<bool(const EArsivPlan &plan)>;

// How a run ended.
enum class EArsivRunEnd { Completed, Cancelled, Failed, Declined };

// Exports saved invoices as e-invoices into earsiv/ in the working folder: for each one
// "<GİB number>.xml" and "<GİB number>.pdf". A buyer on the imported list of e-Fatura users
// gets an e-Fatura under the seller's e-Fatura prefix, every other buyer an e-Arşiv invoice.
//
// The first export of an invoice gives it its GİB number (the series prefix, the year of its
// date and the next serial of that year: gapless, and in the order of the dates) and a UUID,
// and fixes its issue time (the moment the invoice was saved, or the export's for an invoice
// saved by an older program). An invoice dated before the last one numbered in its series and
// year, or more than seven days before today, gets no number. A run numbers its invoices in
// date order, all in one transaction: the files of every invoice are written first, brought
// to the disk with one sync, and only then is the transaction committed; a file that cannot be
// written stops the run there, keeping what was numbered before it. Two PCs exporting at once
// take turns at giving numbers. Exporting an invoice again writes the same document with what
// it was first made with; a different rate, or an invoice changed since, is refused, as an
// issued e-invoice cannot change.
//
// One export at a time writes into the folder (a lock file held while it writes); the first
// thing it does there is to tidy what a killed one left (tidyEArsivFolder()). While the files
// of first exports are written, "<GİB number>.yarim" beside them lists their numbers and
// UUIDs; PDFs are drawn on every core.
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

    // Exports the invoices, each result appended to `results` as its files are written (the
    // refused ones first). `confirm` is asked before the first number is given. Throws as
    // exportInvoice() does, after keeping what was written before the failure.
    EArsivRunEnd run(const QList<qint64> &numbers, QList<EArsivResult> &results,
                     const EArsivProgress &progress = {}, const EArsivConfirm &confirm = {});

    // What the user should know about the whole of the last run: a list of e-Fatura users that
    // is older than a week, or was never imported, while buyers with a tax number were met.
    QStringList runNotices() const { return m_runNotices; }

private:
    struct Prepared;
    // `inRun`: the invoices of the run, which a return may name before they have a number.
    Prepared prepare(qint64 number, const QHash<qint64, EArsivRecord> &records,
                     const QList<qint64> &inRun);
    EArsivRunEnd runOnce(const QList<qint64> &numbers, QList<EArsivResult> &results,
                         const EArsivProgress &progress, const EArsivConfirm &confirm, int done,
                         int total);
    // Makes the folder, locks it for this export and tidies it, once for the outermost call.
    void holdFolder();

    const Workspace &m_workspace;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<QLockFile> m_folderLock;
    int m_calls = 0; // exportInvoice() and run() under way
    std::unique_ptr<SellerRecord> m_sellerRecord;
    EArsivParty m_seller;
    QString m_rateText;
    bool m_rateGiven = false;
    QStringList m_runNotices;
};

// The folder the e-Arşiv files of the working folder `workingFolder` go to.
QString earsivFolder(const QDir &workingFolder);

// What an export killed half-way left in the e-Arşiv folder of `workingFolder`, tidied when
// no export is writing there: temporary files go; the files of a first export go too, unless
// `databasePath` recorded them (the kill came after the commit), then only the note beside
// them goes. The database is opened only for such files; when it cannot be, they are left
// for the next export. Returns the files removed.
QStringList tidyEArsivFolder(const QDir &workingFolder, const QString &databasePath);

// The stored invoices whose date lies from `from` to `to`, both included, in number order.
QList<qint64> invoicesDated(Database &db, const QDate &from, const QDate &to);

// What the user is told after a run over `total` invoices: how many were written and where,
// whether it stopped early, what to know about the run and the written ones, and why the
// others were not.
QString exportSummary(const QList<EArsivResult> &results, int total, EArsivRunEnd end,
                      const QString &folder, const QStringList &runNotices = {});

// The question asked before a run gives numbers: how many invoices and which dates.
QString numberingQuestion(const EArsivPlan &plan);
