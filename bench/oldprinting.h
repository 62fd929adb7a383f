#pragma once

#include "printing/printer.h"
#include "settings/settingsfile.h"
#include "store/campaigns.h"

#include <QString>

#include <functional>

// Reading a campaign as the program once did: every header row in table order and, for
// each, the whole line table from its first row to its last, keeping the rows whose FATURANO
// is the header's SIRANO. Hands every invoice to `each`; returns how many there were.
int readTheOldWay(const QString &path, const QString &campaign,
                  const std::function<void(const CampaignInvoice &)> &each);

// The old batch run: readTheOldWay() with every invoice printed by printCampaignInvoice().
int printTheOldWay(Printer &printer, const ayarlar &settings, const QString &path,
                   const QString &campaign);
