#pragma once

#include "invoice/invoice.h"
#include "printing/printer.h"
#include "printing/printerstatus.h"
#include "settings/settingsfile.h"
#include "store/campaigns.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A campaign invoice as an invoice model: the date as printed (a stored ISO date as
// dd.MM.yyyy), the name line (number, region and name; empty when one of them is missing)
// as the customer's name, the address, the lines with their stored numbers, the discount of
// the whole invoice as an amount, VAT excluded at the settings' rate (its leading number).
// A missing quantity, price or discount counts as 0 and prints as the empty text.
Invoice campaignInvoiceModel(const CampaignInvoice &stored, const ayarlar &settings);

// As invoiceFontProblem(), for the items a campaign invoice prints in fonts of their own.
QString campaignFontProblem(const ayarlar &settings);

// Prints one campaign invoice as one document: date, name line, address and `region` (the
// region picked for the run) at their placements, the lines one under another 200 twips
// apart, the totals block below the last line, then the amount in words, VAT rate, VAT and
// grand total at their positions in the line block's font. Figures are the model's (VAT
// base = subtotal - discount, VAT = base x rate / 100, grand total = base + VAT), printed as
// money texts, the discount too; the words are made from the grand total and carry their own
// " TL" and " Kr". A line with an unknown quantity or price has an empty amount. The caller
// checks campaignFontProblem() first.
void printCampaignInvoice(Printer &printer, const PrintLayout &layout, const Invoice &invoice,
                          const QString &region);

// The box of the batch window a refusal names.
enum class SelectionField { None, First, Last, Region };

// Why a selection would print nothing, as the message the batch window shows before the run;
// empty when it may select invoices. All three empty picks the whole campaign; otherwise the
// numbers must be whole numbers (an empty one counts as 0), the first not above the last,
// and a region is picked: a region alone selects nothing (its numbers count as 0), and so do
// numbers alone (only an empty region matches then). `field`, when given, gets the box.
QString selectionCheck(const CampaignSelection &selection, SelectionField *field = nullptr);

// The message of a run whose selection matched no invoice of the campaign.
QString nothingSelectedMessage(const QString &campaign, const CampaignSelection &selection);

// Told how far a run is: `printed` invoices of `total` are done (called with 0 before the
// first). Returning false stops the run after the invoice just printed.
using BatchProgress = std::function<bool(int printed, int total)>;

// Prints the invoices of `campaign` in the database at `databasePath` that `selection`
// picks, one document each, in the order the campaign's header table holds them. Invoices
// are read one at a time, so a run of any length holds one invoice in memory. Returns how
// many were printed. The printer is not finished: the caller hands over the output. Throws
// DatabaseError (a missing file or table) or PrinterError; what was printed before stays
// printed. Settings that cannot print (campaignFontProblem()) are refused before the first
// invoice. Writes nothing to the database. `begun`, when given, gets the number of each
// invoice as its printing begins.
int runBatch(Printer &printer, const ayarlar &settings, const QString &databasePath,
             const QString &campaign, const CampaignSelection &selection,
             const BatchProgress &progress = {}, QStringList *begun = nullptr);

// What a batch run on a printer that stopped at a failure tells of its `total` invoices:
// how many reached the printer, still wait in its queue or were dropped by the printing
// system unprinted (`outcomes`: one for each invoice the printing system took, in order),
// and the number of the invoice to start again from: the first one dropped, or else the
// first one not taken (`begun`: the numbers of the invoices begun, in order).
QString printerRunReport(int total, const QStringList &begun, const QList<JobOutcome> &outcomes);
