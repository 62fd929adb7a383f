// The month's reports on a million invoices: a year's VAT summary summed from the summaries,
// and the one pass that summarises books written without them.

#include "bench/benchdata.h"
#include "invoice/summary.h"
#include "report/reports.h"
#include "store/invoices.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

namespace {

// A year of books: `count` invoices of 3 lines each, spread over 2026, written as another
// program writes them (no summary), once per run and kept beside the other bench databases.
QString yearOfBooks(int count) {
    const QString folder = QStringLiteral(FATURA_BENCH_CACHE);
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/rapor-%1.MDB").arg(count);
    if (QFile::exists(path))
        return path;
    const QString building = path + QStringLiteral(".yarim");
    QFile::remove(building);
    createDatabase(building);
    Database db(building, Database::Access::Write);
    db.transaction([&] {
        InvoiceWriter writer(db);
        for (int n = 1; n <= count; ++n) {
            const QDate day = QDate(2026, 1, 1).addDays(n % 365);
            const QString customer = QString::number(n % 1000 + 1);
            writer.add(
                {customer,
                 QStringLiteral("Müşteri %1").arg(customer),
                 {},
                 {},
                 QStringLiteral("Kadıköy %1").arg(1000000000 + n % 1000),
                 n % 2,
                 day.toString(QStringLiteral("dd.MM.yyyy")),
                 {},
                 {},
                 n},
                {{2, QStringLiteral("Çay"), QString(), QStringLiteral("12.50"), {}},
                 {1, QStringLiteral("Şeker"), QStringLiteral("10"), QStringLiteral("40"), {}},
                 {3, QStringLiteral("Un"), QString(), QStringLiteral("7.25"), {}}});
        }
    });
    QFile::rename(building, path);
    return path;
}

// The summaries made from the invoices, one pass; a fresh copy of the books each time.
void SummaryFill(benchmark::State &state) {
    const QString books = yearOfBooks(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        const QString copy = benchFile(QStringLiteral("ozet.MDB"));
        QFile::copy(books, copy);
        state.ResumeTiming();
        Database db(copy, Database::Access::Write);
        const SummaryUpdate done = updateSummaries(db, QStringLiteral("20"));
        benchmark::DoNotOptimize(done.summarised);
        state.PauseTiming();
        QFile::remove(copy);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(SummaryFill)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

// A year's VAT summary, the summaries already made: what the window and fatura-rapor do.
void VatSummaryYear(benchmark::State &state) {
    const QString books = yearOfBooks(int(state.range(0)));
    const QString summarised = books + QStringLiteral(".ozetli");
    if (!QFile::exists(summarised)) {
        QFile::copy(books, summarised);
        Database db(summarised, Database::Access::Write);
        updateSummaries(db, QStringLiteral("20"));
    }
    for (auto _ : state) {
        Database db(summarised, Database::Access::Write);
        const QString note = prepareReports(db, QStringLiteral("20"));
        const ReportTable t = vatReport(db, yearPeriod(2026));
        benchmark::DoNotOptimize(t.rows.size());
        if (!note.isEmpty() || t.rows.size() != 12 + 1 + 1)
            state.SkipWithError("unexpected report");
    }
}
BENCHMARK(VatSummaryYear)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
