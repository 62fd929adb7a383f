// Reading a campaign for a batch run: the one pass of readCampaignInvoices() against the way
// the batch printer used to work, going through the whole line table for every invoice.

#include "benchdata.h"
#include "oldprinting.h"

#include "store/campaigns.h"

#include <benchmark/benchmark.h>

namespace {

const QString campaign = benchCampaign();

void OnePass(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QString path = campaignFile(invoices);
    for (auto _ : state) {
        Database db(path);
        qint64 lines = 0;
        const int n = readCampaignInvoices(db, campaign, {}, [&](const CampaignInvoice &f) {
            lines += f.lines.size();
            return true;
        });
        if (n != invoices || lines != 5 * invoices) {
            state.SkipWithError("wrong invoices");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * invoices);
}
BENCHMARK(OnePass)
    ->ArgName("fatura")
    ->Arg(500)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The old algorithm, reading only: the whole line table for every invoice.
void OldWayReading(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QString path = campaignFile(invoices);
    for (auto _ : state) {
        qint64 found = 0;
        readTheOldWay(path, campaign, [&](const CampaignInvoice &f) {
            found += f.lines.size();
            benchmark::DoNotOptimize(f.lines.constData());
        });
        if (found != 5 * invoices) {
            state.SkipWithError("wrong lines");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * invoices);
}
BENCHMARK(OldWayReading)
    ->ArgName("fatura")
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
