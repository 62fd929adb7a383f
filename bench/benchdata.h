#pragma once

#include "tools/sampledata.h"

#include <QString>

// Databases the benchmarks share, made once per run with the sample data in a temporary
// folder (FATURA_BENCH_DIZIN names another parent folder than the system's).

// 100,000 saved invoices of exactly 5 lines (500,000 rows) and `customers` customers.
SampleDataOptions hundredThousandBooks(int customers);

// A working folder at `path` with the sample books `options` give and the first-run settings,
// kept between runs: written under another name and renamed when whole, so that a run stopped
// halfway leaves nothing that looks ready.
QString keptSampleFolder(const QString &path, const SampleDataOptions &options);

// A new, empty file name in the run's folder.
QString benchFile(const QString &name);

// 1,000 customers and 100,000 saved invoices of 5 lines each (500,000 rows), with the
// program's index on faturalar(faturano) or, the same file, without it.
QString hundredThousandInvoices(bool indexed);

// The campaign of the files below.
QString benchCampaign();

// A database holding one campaign of `invoices` invoices with 5 lines each, made once per size.
QString campaignFile(int invoices);

// Writes such a database at `path`.
void writeCampaignFile(const QString &path, int invoices);

// A "Vm..." value of /proc/self/status in kB (VmHWM, VmRSS), -1 where there is none.
long procStatusKb(const char *name);
