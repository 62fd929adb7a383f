// Opening the invoice window at 100,000 saved invoices (10,000 customers, 5 lines each) on
// PostgreSQL next to SQLite. The server is the one FATURA_BENCH_SERVER names
// (postgresql://user@host:port/db of a database to make others in); without it the server
// run is skipped. The server's database "fatura_bench" is made once and kept for later runs.

#include "benchdata.h"
#include "windowrun.h"

#include "settings/settingsfile.h"
#include "tools/sampledata.h"

#include <QDir>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace {

// The books on the server, written unless a complete copy is there from an earlier run.
QString serverBooks(const QString &server) {
    const QString address = server.left(server.lastIndexOf(u'/') + 1) + u"fatura_bench"_qs;
    {
        Database db(server, Database::Access::Write);
        QSqlQuery q(db.db());
        q.exec(u"SELECT 1 FROM pg_database WHERE datname = 'fatura_bench'"_qs);
        if (q.next()) {
            {
                Database books(address);
                if (invoiceNumbers(books).size() == hundredThousandBooks(10000).invoices)
                    return address;
            }
            closeIdleServerConnections(); // a database with sessions cannot be dropped
            q.exec(u"DROP DATABASE fatura_bench"_qs);
        }
        if (!q.exec(u"CREATE DATABASE fatura_bench"_qs))
            throw std::runtime_error("cannot make the database fatura_bench");
    }
    writeSampleDatabase(address, hundredThousandBooks(10000));
    return address;
}

// A working folder whose ayarlar.dat names the books: the SQLite file in it or the server.
QString workingFolder(const QString &server) {
    const QString folder = benchFile(server.isEmpty() ? u"pencere-sqlite"_qs : u"pencere-pg"_qs);
    if (!QDir().mkpath(folder))
        throw std::runtime_error("cannot make the working folder");
    ayarlar a = defaultSettings();
    if (server.isEmpty())
        writeSampleDatabase(QDir(folder).filePath(a.veritabani_yolu), hundredThousandBooks(10000));
    else
        a.veritabani_yolu = serverBooks(server);
    ayarlari_yaz(a, QDir(folder).filePath(settingsFileName()));
    return folder;
}

void InvoiceWindowByEngine(benchmark::State &state) {
    const bool onServer = state.range(0) != 0;
    const bool newConnection = state.range(1) != 0;
    const QString server = qEnvironmentVariable("FATURA_BENCH_SERVER");
    if (onServer && server.isEmpty()) {
        state.SkipWithError("FATURA_BENCH_SERVER names no PostgreSQL server: skipped");
        return;
    }
    static QString folders[2];
    QString &folder = folders[onServer ? 1 : 0];
    if (folder.isEmpty())
        folder = workingFolder(onServer ? server : QString());
    WindowRun run;
    run.newConnection = newConnection;
    openInvoiceWindows(state, folder, run);
    state.SetLabel(onServer ? "PostgreSQL" : "SQLite");
}
BENCHMARK(InvoiceWindowByEngine)
    ->ArgNames({"postgresql", "new_connection"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
