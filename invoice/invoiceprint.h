#pragma once

#include "invoice/invoice.h"
#include "printing/printer.h"
#include "settings/settingsfile.h"

#include <QString>

#include <initializer_list>

// A number as printed: one blank before a number that is not negative (" 15", "-3").
QString printedNumber(double value);
QString printedNumber(qint64 value);

// How many invoice lines one sheet takes: the line block runs from its top down to the
// highest of the totals items below it (without one, to the foot of an A4 sheet's printable
// area), one line every line spacing. At least one; all of them when the spacing is not
// above 0.
qsizetype linesPerSheet(const PrintLayout &layout);
// The same for lines `step` twips apart (a campaign invoice's fixed line advance).
qsizetype linesPerSheet(const PrintLayout &layout, double step);
// The sheets the invoice takes, at least one.
int sheetCount(const ayarlar &settings, const Invoice &invoice);

// Why the settings cannot print with the font of one of `items`: the first of them, in the
// order of the settings, whose size no printer can take (see fontSizeProblem()). Empty when
// all can print.
QString fontSizeProblem(const ayarlar &settings,
                        std::initializer_list<baski_yeri ayarlar::*> items);
// The same for the items an invoice is printed with in fonts of their own.
QString invoiceFontProblem(const ayarlar &settings);

// Prints one invoice as one document: the header, one line per invoice line, then the
// totals, each at its placement. Lines that do not fit the line block go on further sheets
// of the document, each with the header again and its lines from the top of the block; the
// totals and the words are on the last sheet only. Every figure is the model's, so paper and
// window agree; the VAT rate printed is the invoice's own. Throws PrinterError, before
// anything is printed, with invoiceFontProblem().
void printInvoice(Printer &printer, const ayarlar &settings, const Invoice &invoice);
