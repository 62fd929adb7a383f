#pragma once

#include <QString>

// Databases the benchmarks share, made once per run with the sample data in a temporary
// folder (FATURA_BENCH_DIZIN names another parent folder than the system's).

// A new, empty file name in the run's folder.
QString benchDosyasi(const QString &ad);

// 1,000 customers and 100,000 saved invoices of 5 lines each (500,000 rows), with the
// program's index on faturalar(faturano) or, the same file, without it.
QString yuzBinFatura(bool indeksli);
