#pragma once

#include "invoice/invoice.h"
#include "store/invoices.h"

#include <QList>
#include <QString>

#include <optional>

// What the invoice window holds when it is saved, as texts: the header boxes, the VAT mode
// and the grid's lines in order.
struct InvoiceTexts {
    QString invoiceNumber;  // "Fatura No:"
    QString customerNumber; // "Müşteri No:"
    QString customerName;   // "Adı Soyadı:"
    QString address;
    QString address2;
    QString taxOffice;
    int vatMode = VatIncluded; // the VAT mode list's entry: 0 "Dahil", 1 "Hariç"
    QString invoiceDate;
    QString deliveryNoteNumber;
    QString deliveryNoteDate;
    QList<LineCells> lines; // every grid row under the headers, the empty last one included
};

// The first reason the invoice cannot be saved, as the message the window shows, checked
// in this order: no invoice number, no customer number, no customer name, an invoice
// number that is not a whole number. Empty when it can be saved.
QString saveCheck(const InvoiceTexts &texts);

// The rows to write: the header from the boxes and one line per grid row that has a
// quantity, in grid order. The quantity is stored as the user meant it ("2,5" is 2.5).
struct InvoiceRecord {
    InvoiceHeaderRecord header;
    QList<InvoiceLineRecord> lines;
};

// Nothing when the invoice number is not a whole number.
std::optional<InvoiceRecord> invoiceRecord(const InvoiceTexts &texts);

// The refusal of a new invoice under a number that is already stored.
QString alreadyStoredMessage(qint64 invoiceNumber);

// The number proposed for a new invoice: the largest stored number plus 1 (the largest itself
// when no number lies above it), or 1.
qint64 nextInvoiceNumber(const QList<qint64> &storedNumbers);
