#pragma once

#include "printing/printer.h"
#include "settings/settingsfile.h"
#include "store/campaigns.h"

#include <QString>

#include <functional>

// Reading a campaign as the program once did: every header row in table order and, for
// each, the whole line table from its first row to its last, keeping the rows whose FATURANO
// is the header's SIRANO. Hands every invoice to `her`; returns how many there were.
int eskiYontemleOku(const QString &yol, const QString &kampanya,
                    const std::function<void(const KampanyaFaturasi &)> &her);

// The old batch run: eskiYontemleOku() with every invoice printed by printCampaignInvoice().
int eskiYontemleBasim(Printer &printer, const ayarlar &settings, const QString &yol,
                      const QString &kampanya);
