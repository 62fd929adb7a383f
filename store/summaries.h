#pragma once

#include "base/money.h"
#include "store/database.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// What the month's reports read of each invoice, kept in a table of the program's own
// (fatura_ozet, one row per invoice and VAT rate) so that a year's figures are summed by the
// database instead of rebuilding a million invoices. The rows are written with the invoice,
// in its transaction; an invoice written by another program (the sample data, an import, an
// older version) is summarised later by the reports themselves, in one pass.

// The VAT of an invoice's lines at one rate.
struct SummaryRate {
    QString rate; // plain number text: "20", "18,5"
    Money base;   // without VAT, after every discount
    Money vat;

    bool operator==(const SummaryRate &) const = default;
};

struct SummaryRecord {
    QDate date;
    bool isReturn = false;
    QString customerNumber;
    QString customerName;
    QString taxBox; // the tax box as typed: "Kadıköy 1234567890"
    QList<SummaryRate> rates;
    // The settings' rate when the invoice kept no rate of its own and was summarised at it.
    QString settingsRate;
    // Why the invoice could not be summarised (a line that cannot be read, no date); its
    // rates are empty then and the reports name it.
    QString problem;

    bool operator==(const SummaryRecord &) const = default;
};

// Makes the tables of the summaries when they are not there yet, inside the caller's
// transaction.
void createSummaryTables(Database &db);

// Inside the save's transaction, after the invoice's rows are written: its summary replaced
// by `summary`, or removed when there is none (the reports then summarise it themselves).
// `lastRowBefore` is the largest row key of the whole table before the rows were written: a
// table summarised up to it is then summarised up to the new rows too.
void writeInvoiceSummary(Database &db, qint64 number, const SummaryRecord *summary,
                         std::optional<qint64> lastRowBefore);

// The largest row key of `faturalar`; none for an empty table.
std::optional<qint64> lastInvoiceRow(Database &db);

// The invoices whose summary is missing or older than their rows, and those summarised at a
// settings rate other than `settingsRate`, in ascending order; `upTo` the row key they were
// found up to. Rows added after that are found the next time.
struct SummaryWork {
    QList<qint64> numbers;
    qint64 upTo = 0;
    qint64 previousMark = 0;
    bool complete = false; // nothing to do
};
SummaryWork summaryWork(Database &db, const QString &settingsRate);

// Writes the summaries of `numbers` in the caller's transaction, each with the largest row
// key of its rows (`lastRows`, same order); an invoice that has no rows any more loses its
// summary.
void writeSummaries(Database &db, const QList<qint64> &numbers,
                    const QList<SummaryRecord> &summaries, const QList<qint64> &lastRows);

// Marks the table summarised up to `upTo`, unless a save did so since `work` was read.
void finishSummaryWork(Database &db, const SummaryWork &work);

// Sums of the summaries from `from` to `to` (both included).
struct VatTotal {
    QString month; // "2026-03"
    bool isReturn = false;
    QString rate;
    qint64 invoices = 0;
    Money base;
    Money vat;
};
QList<VatTotal> vatTotals(Database &db, const QDate &from, const QDate &to);

// Per month and buyer as the invoices name it.
struct BuyerTotal {
    QString month;
    bool isReturn = false;
    QString customerNumber;
    QString taxBox;
    QString customerName; // the name on the newest of its invoices
    qint64 invoices = 0;
    Money base;
    Money vat;
};
QList<BuyerTotal> buyerTotals(Database &db, const QDate &from, const QDate &to);

// The invoices of the period that could not be summarised, with why.
struct SummaryProblem {
    qint64 number = 0;
    QString problem;
};
QList<SummaryProblem> summaryProblems(Database &db, const QDate &from, const QDate &to);

// How many invoices of the period were summarised at the settings' rate.
qint64 settingsRateCount(Database &db, const QDate &from, const QDate &to);
