#pragma once

#include "store/database.h"

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
// giving e-invoice numbers, makes the table when it is not there yet, and returns the last
// serial given under `prefix` in `year` (0 for none). The wait is the lock new invoice
// numbers take; it goes with the transaction.
qint64 lastEArsivSerial(Database &db, const QString &prefix, int year);

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
