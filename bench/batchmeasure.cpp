// fatura-batch-olcum: the time and memory of one batch run to PDF, in a process of its own so
// that its peak memory is the run's.
//
//   fatura-batch-olcum hazirla DOSYA N     a campaign of N invoices with 5 lines each
//   fatura-batch-olcum yeni|eski DOSYA PDF the run, read in one pass or the old way

#include "benchdata.h"
#include "oldprinting.h"

#include "invoice/batchrun.h"
#include "printing/painterprinter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

namespace {

int usage() {
    std::fputs("Kullanım: fatura-batch-olcum hazirla DOSYA N | yeni|eski DOSYA PDF\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 4)
        return usage();
    try {
        if (a.at(1) == u"hazirla") {
            writeCampaignFile(a.at(2), a.at(3).toInt());
            return 0;
        }
        if (a.at(1) != u"yeni" && a.at(1) != u"eski")
            return usage();
        const ayarlar settings = defaultSettings();
        const long before = procStatusKb("VmHWM");
        QElapsedTimer timer;
        timer.start();
        int n = 0;
        {
            PdfPrinter p(a.at(3));
            n = a.at(1) == u"yeni" ? runBatch(p, settings, a.at(2), benchCampaign(), {})
                                   : printTheOldWay(p, settings, a.at(2), benchCampaign());
            p.finish();
        }
        std::printf("%s: %d fatura, %.2f s; VmHWM önce %ld kB, sonra %ld kB; VmRSS sonra %ld kB\n",
                    qPrintable(a.at(1)), n, timer.nsecsElapsed() / 1e9, before,
                    procStatusKb("VmHWM"), procStatusKb("VmRSS"));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
