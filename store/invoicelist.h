#pragma once

#include "base/money.h"
#include "store/database.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The list of saved invoices the invoice window shows, read from the invoices' summaries
// (fatura_ozet, written with each invoice; see store/summaries.h): one line per invoice with
// its number, date, customer and grand total, the newest (the highest number) first, a page at
// a time.

struct InvoiceListEntry {
    qint64 number = 0;
    QDate date;
    bool isReturn = false;
    QString customerNumber;
    QString customerName;
    Money grandTotal;     // the invoice's lines less their discounts, with their VAT
    bool hasTotal = true; // false for an invoice the summary could not reckon
};

// Which invoices a list shows: every one, those whose number starts with the digits typed,
// those of a stretch of days, or those of some customers (by their numbers).
struct InvoiceListFilter {
    enum class Kind { All, Number, Dates, Customers };
    Kind kind = Kind::All;
    QString digits;
    QDate from;
    QDate to;
    QStringList customerNumbers;
};

// Up to `count` invoices the filter picks, below the number `before` (from the newest when
// there is none), newest first. Needs the summaries made (updateSummaries()) and the index of
// prepareInvoiceList(). Throws DatabaseError.
QList<InvoiceListEntry> invoiceListPage(Database &db, const InvoiceListFilter &filter,
                                        std::optional<qint64> before, int count);

// Adds, when it is missing, the index of the program's own by which the list finds a
// customer's invoices, inside the caller's transaction.
void prepareInvoiceList(Database &db);
