// Opening the invoice window on 1,000, 100,000 and 1,000,000 saved invoices: its lists read a
// page at a time, so the time and the memory should hardly grow with the books. The databases
// are made once with the sample data and kept under the build folder (bench-veri/), as the
// largest takes minutes to write.
//
// Peak memory is the process's VmHWM, reset before the window is first opened: run one size
// per process for the window's own figure, e.g. --benchmark_filter='InvoiceWindowOpen/.*:1000$'.

#include "benchdata.h"
#include "windowrun.h"

#include "tools/sampledata.h"

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace {

// Linux starts the peak (VmHWM) again from the memory in use now.
void resetPeakMemory() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (!f.open(QIODevice::WriteOnly) || f.write("5") != 1)
        throw std::runtime_error("cannot reset the peak memory");
}

// A working folder with `invoices` saved invoices (up to 5 lines each) and 1,000 customers,
// kept between runs.
QString keptWorkingFolder(int invoices) {
    SampleDataOptions a;
    a.customers = 1000;
    a.invoices = invoices;
    a.campaignInvoices = 0;
    return keptSampleFolder(QStringLiteral(FATURA_BENCH_CACHE "/pencere-%1").arg(invoices), a);
}

void InvoiceWindowOpen(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QString folder = keptWorkingFolder(invoices);
    resetPeakMemory();
    const long before = procStatusKb("VmRSS");
    WindowRun run;
    run.show = true;
    run.proposal = QString::number(invoices + 1);
    openInvoiceWindows(state, folder, run);
    const long peak = procStatusKb("VmHWM");
    state.counters["tepe_MB"] = peak / 1024.0;
    state.counters["artis_MB"] = (peak - before) / 1024.0;
}
BENCHMARK(InvoiceWindowOpen)
    ->ArgName("faturalar")
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
