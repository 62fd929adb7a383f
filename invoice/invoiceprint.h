#pragma once

#include "printing/printer.h"
#include "settings/settingsfile.h"
#include "store/invoices.h"

#include <QList>
#include <QString>

// What the invoice window gives to the printing of a saved invoice.
struct InvoicePrintInputs {
    QString invoiceNumber; // Text12, names the invoice in messages
    QString taxOffice;     // Text2, printed instead of the stored column
    int vatMode = 0;       // Combo3: 0 "Dahil", 1 "Hariç"
    QString vatAmount;     // Text6, printed as the VAT in "Dahil" mode
    QString vatRate;       // Text8, the rate the window's figures were made with
};

// A number as printed: one blank before a number that is not negative (" 15", "-3").
QString printedNumber(double value);
QString printedNumber(qint64 value);

// Prints one saved invoice as one document: the header from the first row, one line per row,
// then the totals. The totals are the window's figures for the same rows, VAT rate and mode,
// so paper and screen agree. A column without a value prints as the empty text and counts
// as 0 in the arithmetic. Throws PrinterError, printing nothing, when there is no row.
void printInvoice(Printer &printer, const ayarlar &settings, const QList<StoredRow> &rows,
                  const InvoicePrintInputs &inputs);

// Reads the invoice numbered `inputs.invoiceNumber` from the database the settings name and
// prints it with printInvoice(). Throws PrinterError for a number that is not a whole number
// and DatabaseError for a database that cannot be read.
void printSavedInvoice(Printer &printer, const ayarlar &settings, const InvoicePrintInputs &inputs);
