#pragma once

#include "invoice/invoice.h"
#include "printing/printer.h"
#include "settings/settingsfile.h"

#include <QString>

// A number as printed: one blank before a number that is not negative (" 15", "-3").
QString printedNumber(double value);
QString printedNumber(qint64 value);

// Prints one invoice as one document: the header, one line per invoice line, then the
// totals, each at its placement. Every figure is the model's, so paper and window agree;
// the VAT rate printed is the invoice's own.
void printInvoice(Printer &printer, const ayarlar &settings, const Invoice &invoice);
