#pragma once

#include "invoice/invoice.h"
#include "store/invoices.h"

#include <QList>
#include <QString>

#include <optional>

// The rules for saving an invoice and loading a saved one.

// The header boxes of the invoice window as typed.
struct HeaderTexts {
    QString invoiceNumber;  // "Fatura No:"
    QString customerNumber; // "Müşteri No:"
    QString customerName;   // "Adı Soyadı:"
    QString address;
    QString address2;
    QString taxOffice;
    QString invoiceDate;
    QString deliveryNoteNumber;
    QString deliveryNoteDate;
    InvoiceType type = InvoiceType::Sale; // "Fatura Tipi:"
    QString returnedNumber;               // "İade Edilen Fatura:"
    QString returnedDate;
};

// The header box a refusal names, for the focus to go back to.
enum class HeaderField {
    None,
    InvoiceNumber,
    CustomerNumber,
    CustomerName,
    InvoiceDate,
    DeliveryNoteDate,
    ReturnedNumber,
    ReturnedDate
};

// The first reason the invoice cannot be saved, as the message the window shows, checked
// in this order: no invoice number, no customer number, no customer name, an invoice
// number that is not a whole number, an invoice date that is no real day (32.13.2026) or a
// delivery-note date typed that is none; for a return, no returned invoice or no readable
// date of it. A date's message shows the form to type. Empty when it can be saved; `field`,
// when given, gets the box it names.
QString saveCheck(const HeaderTexts &texts, HeaderField *field = nullptr);

// The header of the boxes; nothing when the invoice number is not a whole number.
std::optional<InvoiceHeader> invoiceHeader(const HeaderTexts &texts);
// The same under a number already known.
InvoiceHeader invoiceHeader(const HeaderTexts &texts, qint64 number);

// The invoice as it is stored and printed: a line without a quantity is no line (the grid's
// empty rows), the others in order.
Invoice storedForm(const Invoice &invoice);

// The rows to write: the header and one line per line of storedForm(), the quantity as
// read when the line was typed ("2,5" is 2.5) and each amount as the window shows it.
struct InvoiceRecord {
    InvoiceHeaderRecord header;
    QList<InvoiceLineRecord> lines;
    // What is kept beside the rows: the invoice's rate, type, return and moment of the save
    // (when the header has one), each line's rate, unit and exemption. The change count is the
    // caller's.
    InvoiceInfo info;
};
InvoiceRecord invoiceRecord(const Invoice &invoice);

// Loads the stored rows of one invoice into `invoice`: the header from the first row, where
// a column without a value keeps what `invoice` held; the VAT mode when it is one of the
// two; the lines in order, replacing those held. Stored numbers are read as typed numbers are
// (a quantity kept as the text "2,5" is 2.5, a price "12,5" is 12.5; an empty price is 0). A
// line whose quantity or price is missing or no number, or that makes a figure too large for
// a number, stops the load: the message names invoice and line, and `invoice` is unchanged.
// Returns the message, or an empty text when the invoice was loaded.
QString loadStoredRows(Invoice &invoice, const QList<StoredRow> &rows);
// The same with what is kept beside the rows: an invoice saved with its details gets its own
// rate, type, return, moment of the save, and each line its rate, unit and exemption; one
// without them (an older one) is a sale whose lines take the rate `invoice` holds, unit
// "Adet".
QString loadStoredInvoice(Invoice &invoice, const StoredInvoice &stored);

// The refusal of a new invoice under a number that is already stored.
QString alreadyStoredMessage(qint64 invoiceNumber);

// The refusal of a replacement when the invoice was saved elsewhere after it was loaded.
QString changedMeanwhileMessage(qint64 invoiceNumber);

// The number proposed for a new invoice: the largest stored number plus 1 (the largest itself
// when no number lies above it), or 1.
qint64 nextInvoiceNumber(const QList<qint64> &storedNumbers);
// The same from the largest stored number alone.
qint64 nextInvoiceNumber(std::optional<qint64> largest);

// The refusal of an invoice that holds no line to store (every line of the grid without a
// quantity), or a line at 0 % without its exemption; empty when it can be stored.
QString lineCheck(const Invoice &invoice);
