#pragma once

#include "invoice/printer.h"
#include "settings/ayarlar.h"

#include <QString>

// The batch run as the program once did it, for comparison: every header row of the
// campaign in table order and, for each, the whole line table from its first row to its
// last, keeping the rows whose FATURANO is the header's SIRANO. Every invoice is printed
// with printCampaignInvoice(). Returns how many were printed.
int eskiYontemleBasim(Printer &printer, const ayarlar &settings, const QString &yol,
                      const QString &kampanya);
