#pragma once

#include "printing/printer.h"
#include "settings/settingsfile.h"
#include "store/campaigns.h"

#include <QString>

#include <functional>

// Prints one campaign invoice as one document: date, name line, address and `region` (the
// region picked for the run) at their placements, the lines one under another 200 twips
// apart, the totals block below the last line, then the amount in words, VAT rate, VAT and
// grand total at their positions in the line block's font.
//
// The discount is an amount: VAT base = subtotal - discount, VAT = base x rate / 100, grand
// total = base + VAT, the rate being the leading-number reading of kdv_yuzde. Figures print
// as plain numbers, unrounded; the words are made from the grand total's money text. A
// missing quantity, price or discount prints as the empty text and counts as 0; a line
// missing its quantity or price has an empty amount. A stored ISO date prints as dd.MM.yyyy.
void printCampaignInvoice(Printer &printer, const ayarlar &settings, const CampaignInvoice &invoice,
                          const QString &region);

// Told how far a run is: `printed` invoices of `total` are done (called with 0 before the
// first). Returning false stops the run after the invoice just printed.
using BatchProgress = std::function<bool(int printed, int total)>;

// Prints the invoices of `campaign` in the database at `databasePath` that `selection`
// picks, one document each, in the order the campaign's header table holds them. Invoices
// are read one at a time, so a run of any length holds one invoice in memory. Returns how
// many were printed. The printer is not finished: the caller hands over the output. Throws
// DatabaseError (a missing file or table) or PrinterError; what was printed before stays
// printed. Writes nothing to the database.
int runBatch(Printer &printer, const ayarlar &settings, const QString &databasePath,
             const QString &campaign, const CampaignSelection &selection,
             const BatchProgress &progress = {});
