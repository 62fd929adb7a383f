// The two figures of the invoice database: listing the invoice numbers of a large database
// with and without the index, and writing a long invoice in one transaction and without.

#include "benchdata.h"

#include "invoice/invoice.h"
#include "tools/sampledata.h"

#include <benchmark/benchmark.h>

namespace {

// What the invoice window does when it opens: open the database, list every number.
void InvoiceNumbers(benchmark::State &state) {
    const bool indexed = state.range(0) != 0;
    const QString path = hundredThousandInvoices(indexed);
    for (auto _ : state) {
        Database db(path);
        const QList<qint64> numbers = invoiceNumbers(db);
        if (numbers.size() != 100000) {
            state.SkipWithError("wrong number of invoices");
            break;
        }
        benchmark::DoNotOptimize(numbers.constData());
    }
    state.SetLabel(indexed ? "indeksli" : "indekssiz");
}
BENCHMARK(InvoiceNumbers)
    ->ArgName("indeks")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Saving a new invoice of 200 lines, as the invoice window does: in one transaction, or,
// for comparison, the same rows each written on its own (every row its own transaction,
// every one waiting for the disk).
void WriteInvoice(benchmark::State &state) {
    const bool inTransaction = state.range(0) != 0;
    const QString path =
        benchFile(inTransaction ? QStringLiteral("yaz-islemli.MDB") : QStringLiteral("yaz.MDB"));
    SampleDataOptions a;
    a.customers = 40;
    a.invoices = 25;
    a.campaignInvoices = 0;
    writeSampleDatabase(path, a);
    const Customer m = sampleCustomer(1, 1);
    SampleInvoice f = sampleInvoice(1, 1000, m, 200, VatExcluded, true, QDate(2026, 12, 6));
    qint64 number = 1000;
    for (auto _ : state) {
        f.header.faturano = number++;
        Database db(path, Database::Access::Write);
        if (inTransaction) {
            // As the invoice window saves it: with each line's rate and unit beside the rows.
            InvoiceInfo info = f.info;
            if (!insertInvoice(db, f.header, f.lines, info)) {
                state.SkipWithError("invoice refused");
                break;
            }
        } else {
            InvoiceWriter(db).add(f.header, f.lines);
        }
    }
    state.SetLabel(inTransaction ? "tek islem" : "islemsiz, satir satir");
    state.SetItemsProcessed(state.iterations() * f.lines.size());
}
BENCHMARK(WriteInvoice)
    ->ArgName("islem")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
