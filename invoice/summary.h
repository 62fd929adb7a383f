#pragma once

#include "invoice/invoice.h"
#include "store/summaries.h"

#include <functional>

// What the month's reports read of an invoice, made from the model, so that a report's
// figures are the invoice's own to the kuruş: per VAT rate the groups of computeFigures().

// The summary of an invoice as it is stored (lines without a quantity left out). One that
// cannot be summarised (a date that cannot be read, a figure too large, a line without a
// rate) carries why.
SummaryRecord summaryRecord(const Invoice &invoice);

// Summarises every invoice whose summary is missing or older than its rows: invoices written
// by another program (the sample data, an Access import, an older version) or changed by one.
// One that kept no rate of its own is summarised at the settings' rate `settingsRate`, as the
// invoice window shows it; when that rate changes, they are summarised again. A few hundred
// invoices to a transaction: a pass stopped half-way keeps what it did. `progress` is told
// how many are done of how many.
struct SummaryUpdate {
    qint64 summarised = 0;
    qint64 atSettingsRate = 0; // of those, how many at the settings' rate
};
SummaryUpdate updateSummaries(Database &db, const QString &settingsRate,
                              const std::function<void(qint64 done, qint64 total)> &progress = {});
