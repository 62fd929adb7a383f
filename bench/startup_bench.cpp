// Start-up of the program to its main window shown (offscreen), against an empty main
// window shown the same way; and the amount in words and the money text per call.

#include "benchdata.h"

#include "app/firstrun.h"
#include "app/oldformat.h"
#include "app/windows.h"
#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "gui/Form4.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/database.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMainWindow>
#include <QNetworkProxy>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <optional>
#include <stdexcept>

namespace {

// Events are handled until the window is on the screen.
void waitUntilShown(QWidget *w) {
    while (!w->windowHandle() || !w->windowHandle()->isExposed())
        QApplication::processEvents();
}

// The offscreen platform says on every start that it cannot raise a window or pass on its
// size hints; that is the platform's, not the program's, and would bury the figures.
QtMessageHandler previousHandler = nullptr;
void withoutPlatformWarnings(QtMsgType type, const QMessageLogContext &context,
                             const QString &text) {
    if (!text.startsWith(u"This plugin does not support") && previousHandler)
        previousHandler(type, context, text);
}

// A folder after the program's first start: default settings, an empty database, the
// button pictures.
QString startFolder() {
    static const QString folder = [] {
        const QString path = benchFile(QStringLiteral("baslangic"));
        if (!QDir().mkpath(path) || !firstRun(QDir(path)).isEmpty())
            throw std::runtime_error("cannot prepare the working folder");
        return path;
    }();
    return folder;
}

// What main() does up to the event loop.
void ProgramStart(benchmark::State &state) {
    const QString previous = QDir::currentPath();
    QDir::setCurrent(startFolder());
    // The advertising panel asks for its page at once; here it goes to a closed local port
    // and fails at once, so the benchmark never reaches out to the maker's host.
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 9));
    previousHandler = qInstallMessageHandler(withoutPlatformWarnings);
    for (auto _ : state) {
        Workspace workspace(QDir::currentPath());
        std::optional<Windows> windows;
        if (!firstRun(QDir(workspace.folder())).isEmpty()) {
            state.SkipWithError("first run failed");
            break;
        }
        windows.emplace(workspace);
        windows->showMain();
        offerOldFormatImport(
            windows->mainWindow(),
            workspace.databasePath(readSettingsFile(workspace.settingsPath(), 2).values));
        waitUntilShown(windows->mainWindow());
        state.PauseTiming();
        windows.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    qInstallMessageHandler(previousHandler);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::DefaultProxy);
    QDir::setCurrent(previous);
}
BENCHMARK(ProgramStart)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: an empty main window with the same title and size.
void EmptyWindow(benchmark::State &state) {
    for (auto _ : state) {
        std::optional<QMainWindow> window;
        window.emplace();
        window->setWindowTitle(QStringLiteral("Fatura"));
        window->resize(860, 520);
        window->show();
        waitUntilShown(&*window);
        state.PauseTiming();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(EmptyWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

const char *const amounts[] = {"0,05", "1.234,56", "999.999.999.999,99"};

void AmountInWords(benchmark::State &state) {
    const QString amount = QString::fromLatin1(amounts[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(yaziyacevir(amount));
    state.SetLabel(amounts[state.range(0)]);
}
BENCHMARK(AmountInWords)->DenseRange(0, 2);

const double values[] = {0.05, 1234.56, 999999999999.99};

void MoneyText(benchmark::State &state) {
    const double value = values[state.range(0)];
    for (auto _ : state)
        benchmark::DoNotOptimize(moneyText(value));
    state.SetLabel(amounts[state.range(0)]);
}
BENCHMARK(MoneyText)->DenseRange(0, 2);

// The library's own Turkish number text with two decimals (no 15-digit rounding): the
// floor for moneyText.
void QLocaleMoneyText(benchmark::State &state) {
    const double value = values[state.range(0)];
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    for (auto _ : state)
        benchmark::DoNotOptimize(turkish.toString(value, 'f', 2));
    state.SetLabel(amounts[state.range(0)]);
}
BENCHMARK(QLocaleMoneyText)->DenseRange(0, 2);

} // namespace
