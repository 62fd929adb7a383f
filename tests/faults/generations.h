#pragma once

// What the writer writes, generation after generation. Every generation is recognisable:
// its number is in the customer number, every line text and the settings, and the line
// count and the settings file's length change from one generation to the next.

#include "db/invoices.h"
#include "settings/ayarlar.h"

namespace generations {

// The invoices being replaced in turn; generation g replaces invoice invoiceOf(g).
constexpr int invoiceCount = 4;
qint64 invoiceOf(qint64 g);

FaturaBasligi header(qint64 g);
QList<FaturaKalemi> lines(qint64 g);

// The generation whose version of an invoice these rows are; nothing when they are not
// exactly one generation's rows (torn, mixed, missing), with the reason in `why`.
std::optional<qint64> invoiceGeneration(qint64 faturano, const QList<KayitliSatir> &rows,
                                        QString *why);

ayarlar settings(qint64 g);

} // namespace generations
