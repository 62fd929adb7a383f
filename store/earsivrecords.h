#pragma once

#include "store/database.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// What is kept of every invoice exported as an e-invoice, in a table of its own that is made
// by the first export: its number and identity are given once and never again.
struct EArsivRecord {
    qint64 invoiceNumber = 0;
    QString gibNumber; // prefix + year + 9-digit serial: ABC2026000000001
    QString prefix;
    int year = 0;
    qint64 serial = 0;
    QString uuid;
    QString issueTime;  // "HH:mm:ss", fixed at the first export
    QString vatRate;    // the rate the document was made with, as read ("18", "18.5")
    QString digest;     // SHA-256 of the XML document, hex
    QString exportedAt; // when it was first exported, ISO 8601
    // Added later; an older program's record has the defaults.
    QString profile = QStringLiteral("EARSIVFATURA"); // EARSIVFATURA, TEMELFATURA, TICARIFATURA
    QString sendType = {};  // ELEKTRONIK or KAGIT for an e-Arşiv invoice written since
    QString issueDate = {}; // the document's date, ISO 8601
    int format = 1;         // how the document was written: 1 by an older program

    bool operator==(const EArsivRecord &) const = default;
};

// The record of one invoice; nothing when it was never exported.
std::optional<EArsivRecord> earsivRecord(Database &db, qint64 invoiceNumber);

// The e-invoice number of every exported invoice, by invoice number.
QHash<qint64, QString> earsivNumbers(Database &db);

// The record of the invoice that was given `gibNumber`; nothing when none was.
std::optional<EArsivRecord> earsivRecordOfNumber(Database &db, const QString &gibNumber);

// Inside the caller's transaction (on SQLite one that holds the file for writing from its
// start, as a Database opened for writing begins it): waits until no other connection is
// giving e-invoice numbers, makes the table when it is not there yet (or adds the columns an
// older program's table lacks), and returns the last serial given under `prefix` in `year`
// (0 for none). The wait is the lock new invoice numbers take; it goes with the transaction.
qint64 lastEArsivSerial(Database &db, const QString &prefix, int year);

// Of the invoices numbered under `prefix` in `year`, the one with the latest date (the latest
// number among those of that date); nothing when none is. Inside the caller's transaction,
// after lastEArsivSerial(): a record of an older program gets its date from its invoice here.
struct LatestNumbered {
    qint64 invoiceNumber = 0;
    QString gibNumber;
    QDate issueDate;
};
std::optional<LatestNumbered> latestNumbered(Database &db, const QString &prefix, int year);

// The records of the invoices among `numbers` that were exported, by invoice number.
QHash<qint64, EArsivRecord> earsivRecords(Database &db, const QList<qint64> &numbers);

// Inside the caller's transaction: records an export. The table refuses a second record of
// an invoice and a serial given twice.
void insertEArsivRecord(Database &db, const EArsivRecord &record);

// The first row of every stored invoice, for lists: number, date and customer.
struct InvoiceSummary {
    qint64 number = 0;
    QString date;
    QString customerName;
};
QList<InvoiceSummary> invoiceSummaries(Database &db);

// Up to `count` of them after invoice number `after` (from the first when there is none), in
// number order, with the e-invoice numbers of those exported: one page of a list.
struct InvoiceSummaryPage {
    QList<InvoiceSummary> invoices;
    QHash<qint64, QString> earsivNumbers;
};
InvoiceSummaryPage invoiceSummariesAfter(Database &db, std::optional<qint64> after, int count);
