// Reading a campaign for a batch run: the one pass of kampanyaFaturalari() against the way
// the batch printer used to work, going through the whole line table for every invoice.

#include "benchdata.h"
#include "oldprinting.h"

#include "store/campaigns.h"

#include <benchmark/benchmark.h>

namespace {

const QString kampanya = benchKampanyasi();

void TekGecis(benchmark::State &state) {
    const int fatura = int(state.range(0));
    const QString yol = kampanyaDosyasi(fatura);
    for (auto _ : state) {
        Veritabani db(yol);
        qint64 kalemler = 0;
        const int n = kampanyaFaturalari(db, kampanya, {}, [&](const KampanyaFaturasi &f) {
            kalemler += f.kalemler.size();
            return true;
        });
        if (n != fatura || kalemler != 5 * fatura) {
            state.SkipWithError("wrong invoices");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * fatura);
}
BENCHMARK(TekGecis)
    ->ArgName("fatura")
    ->Arg(500)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The old algorithm, reading only: the whole line table for every invoice.
void EskiYontem(benchmark::State &state) {
    const int fatura = int(state.range(0));
    const QString yol = kampanyaDosyasi(fatura);
    for (auto _ : state) {
        qint64 bulunan = 0;
        eskiYontemleOku(yol, kampanya, [&](const KampanyaFaturasi &f) {
            bulunan += f.kalemler.size();
            benchmark::DoNotOptimize(f.kalemler.constData());
        });
        if (bulunan != 5 * fatura) {
            state.SkipWithError("wrong lines");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * fatura);
}
BENCHMARK(EskiYontem)
    ->ArgName("fatura")
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
