#pragma once

// What the invoice-window benchmarks share: their books and the loop that opens the window.

#include <QString>

#include <benchmark/benchmark.h>

struct WindowRun {
    bool show = false;          // shown and its events handled, not only built
    QString proposal;           // the number the window must propose, when given
    bool newConnection = false; // every window makes its server connection anew
};

// Opens the invoice window once an iteration with `folder` as the working folder, as the
// program does at the start; the first message it gives or a wrong proposal stops the run.
void openInvoiceWindows(benchmark::State &state, const QString &folder, const WindowRun &run);
