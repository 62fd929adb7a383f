// Start-up of the program to its main window shown (offscreen), against an empty main
// window shown the same way; and the amount in words and the money text per call.

#include "benchdata.h"

#include "app/firstrun.h"
#include "app/oldformat.h"
#include "app/windows.h"
#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "gui/Form4.h"
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
void gosterilinceye(QWidget *w) {
    while (!w->windowHandle() || !w->windowHandle()->isExposed())
        QApplication::processEvents();
}

// The offscreen platform says on every start that it cannot raise a window or pass on its
// size hints; that is the platform's, not the program's, and would bury the figures.
QtMessageHandler oncekiIleti = nullptr;
void platformUyarisiz(QtMsgType tur, const QMessageLogContext &yer, const QString &metin) {
    if (!metin.startsWith(u"This plugin does not support") && oncekiIleti)
        oncekiIleti(tur, yer, metin);
}

// A folder after the program's first start: default settings, an empty database, the
// button pictures.
QString baslangicDizini() {
    static const QString dizin = [] {
        const QString yol = benchDosyasi(QStringLiteral("baslangic"));
        if (!QDir().mkpath(yol) || !firstRun(QDir(yol)).isEmpty())
            throw std::runtime_error("cannot prepare the working folder");
        return yol;
    }();
    return dizin;
}

// What main() does up to the event loop.
void ProgramAcilisi(benchmark::State &state) {
    const QString onceki = QDir::currentPath();
    QDir::setCurrent(baslangicDizini());
    // The advertising panel asks for its page at once; here it goes to a closed local port
    // and fails at once, so the benchmark never reaches out to the maker's host.
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 9));
    oncekiIleti = qInstallMessageHandler(platformUyarisiz);
    for (auto _ : state) {
        std::optional<Windows> pencereler;
        if (!firstRun(QDir::current()).isEmpty()) {
            state.SkipWithError("first run failed");
            break;
        }
        pencereler.emplace();
        pencereler->showMain();
        offerOldFormatImport(
            pencereler->mainWindow(),
            veritabaniYolu(ayarDosyasiniOku(ayarDosyasi(), 2).deger.veritabani_yolu));
        gosterilinceye(pencereler->mainWindow());
        state.PauseTiming();
        pencereler.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    qInstallMessageHandler(oncekiIleti);
    QNetworkProxy::setApplicationProxy(QNetworkProxy::DefaultProxy);
    QDir::setCurrent(onceki);
}
BENCHMARK(ProgramAcilisi)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: an empty main window with the same title and size.
void BosPencere(benchmark::State &state) {
    for (auto _ : state) {
        std::optional<QMainWindow> pencere;
        pencere.emplace();
        pencere->setWindowTitle(QStringLiteral("Fatura"));
        pencere->resize(860, 520);
        pencere->show();
        gosterilinceye(&*pencere);
        state.PauseTiming();
        pencere.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BosPencere)->Unit(benchmark::kMillisecond)->UseRealTime();

const char *const tutarlar[] = {"0,05", "1.234,56", "999.999.999.999,99"};

void YaziyaCevir(benchmark::State &state) {
    const QString tutar = QString::fromLatin1(tutarlar[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(yaziyacevir(tutar));
    state.SetLabel(tutarlar[state.range(0)]);
}
BENCHMARK(YaziyaCevir)->DenseRange(0, 2);

const double degerler[] = {0.05, 1234.56, 999999999999.99};

void ParaMetni(benchmark::State &state) {
    const double deger = degerler[state.range(0)];
    for (auto _ : state)
        benchmark::DoNotOptimize(moneyText(deger));
    state.SetLabel(tutarlar[state.range(0)]);
}
BENCHMARK(ParaMetni)->DenseRange(0, 2);

// The library's own Turkish number text with two decimals (no 15-digit rounding): the
// floor for moneyText.
void QLocaleParaMetni(benchmark::State &state) {
    const double deger = degerler[state.range(0)];
    const QLocale turkce(QLocale::Turkish, QLocale::Turkey);
    for (auto _ : state)
        benchmark::DoNotOptimize(turkce.toString(deger, 'f', 2));
    state.SetLabel(tutarlar[state.range(0)]);
}
BENCHMARK(QLocaleParaMetni)->DenseRange(0, 2);

} // namespace
