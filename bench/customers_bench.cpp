// The customer register's search at a million customers: each key typed into the name box
// reads one page of offers. Measured through the use case the window calls (a connection
// opened for each key, as the window does), for texts that match nothing, few, many and every
// customer; beside it the bare scan of MUSTERI that a search without the program's own tables
// has to make (LIKE '%...%', which also ignores neither the case of Turkish letters nor their
// marks). The books are made once with the sample data and kept under the build folder
// (bench-veri/); making the search tables the first time is measured on its own
// (CustomerSearchMade, one run).
//
//   build/ci/bench/fatura_bench --benchmark_filter='CustomerSearch'

#include "benchdata.h"

#include "invoice/books.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/customers.h"
#include "tools/sampledata.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace {

constexpr int millionCustomers = 1'000'000;

// A working folder with the sample's million customers and no invoice, kept between runs.
QString customerBooks() {
    SampleDataOptions a;
    a.customers = millionCustomers;
    a.invoices = 0;
    a.campaignInvoices = 0;
    return keptSampleFolder(QStringLiteral(FATURA_BENCH_CACHE "/musteri-%1").arg(millionCustomers),
                            a);
}

// The same customers, each name followed by a made-up word of three syllables, so that names
// seldom repeat, as in a shop's real books (the sample has 600 names or so): kept too.
QString variedCustomerBooks() {
    const QString path =
        QStringLiteral(FATURA_BENCH_CACHE "/musteri-cesitli-%1").arg(millionCustomers);
    const QDir dir(path);
    const QString database = dir.filePath(QStringLiteral("fatura.MDB"));
    if (QFile::exists(database))
        return path;
    const QString partial = database + QStringLiteral(".yaziliyor");
    if (!QDir().mkpath(path) || (QFile::exists(partial) && !QFile::remove(partial)) ||
        !QFile::copy(QDir(customerBooks()).filePath(QStringLiteral("fatura.MDB")), partial))
        throw std::runtime_error("cannot prepare the kept benchmark folder");
    static const char *const syllables[] = {
        "ak", "bal", "can", "çe", "dağ", "er", "fa",  "gök", "ha", "ır", "il", "ka", "lâ",  "mu",
        "na", "ok",  "ör",  "pa", "ra",  "su", "şen", "ta",  "ul", "ün", "ve", "ya", "zer", "ber",
        "ci", "de",  "gü",  "ke", "li",  "me", "ne",  "öz",  "re", "se", "te", "yi"};
    constexpr quint64 count = std::size(syllables);
    {
        Database db(partial, Database::Access::Write);
        db.transaction([&] {
            QSqlQuery q(db.db());
            q.prepare(QStringLiteral("UPDATE MUSTERI SET adi_soyadi = adi_soyadi || ' ' || ? "
                                     "WHERE rowid = ?"));
            for (qint64 row = 1; row <= millionCustomers; ++row) {
                quint64 h = quint64(row) * 0x9E3779B97F4A7C15ull;
                QString word;
                for (int i = 0; i < 3; ++i, h /= count)
                    word += QString::fromUtf8(syllables[(h >> 7) % count]);
                word[0] = word[0].toUpper();
                q.addBindValue(word);
                q.addBindValue(row);
                if (!q.exec())
                    throw std::runtime_error("cannot vary the names");
            }
            // Names changed in place are not seen by the search's count: it is made anew.
            if (db.hasTable(QStringLiteral("musteri_arama_durum")))
                q.exec(QStringLiteral("DELETE FROM musteri_arama_durum"));
        });
    }
    if (!QFile::rename(partial, database))
        throw std::runtime_error("cannot keep the benchmark database");
    ayarlari_yaz(defaultSettings(), dir.filePath(settingsFileName()));
    return path;
}

// The search tables made from scratch on a copy of the books, once.
void CustomerSearchMade(benchmark::State &state) {
    const QString folder = customerBooks();
    const QString copy = QDir(folder).filePath(QStringLiteral("kopya.MDB"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(copy);
        if (!QFile::copy(QDir(folder).filePath(QStringLiteral("fatura.MDB")), copy))
            throw std::runtime_error("cannot copy the benchmark database");
        state.ResumeTiming();
        Database db(copy, Database::Access::Write);
        prepareCustomerSearch(db);
    }
    QFile::remove(copy);
}
BENCHMARK(CustomerSearchMade)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

const char *const typedTexts[] = {
    "qx",            // two letters no name holds
    "zzq",           // three
    "ahmet şahinx",  // the last piece held by nobody
    "ahmet şahin ş", // every piece held by many, the whole by nobody
    "a",             // nearly every customer
    "ay",            // many
    "IŞIL",          // one first name in 24, written in capitals
    "kaya'nın",      // one company name
    "gül'ün çiç",    // a part of another
    "ismail kurt",   // a whole name
    "zerçe",         // a part of a made-up word (of the varied names)
};

void CustomerSearchKey(benchmark::State &state) {
    Workspace workspace(state.range(1) ? variedCustomerBooks() : customerBooks());
    const Books books(workspace);
    books.prepareCustomerSearch();
    const QString typed = QString::fromUtf8(typedTexts[state.range(0)]);
    qint64 found = 0;
    for (auto _ : state)
        found = books.customersByName(typed, std::nullopt, 200).size();
    state.SetLabel(typed.toStdString());
    state.counters["bulunan"] = double(found);
}
BENCHMARK(CustomerSearchKey)
    ->ArgNames({"yazilan", "cesitli"})
    ->ArgsProduct({benchmark::CreateDenseRange(0, int(std::size(typedTexts)) - 1, 1), {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What a search costs without the program's tables: every name read when few match.
void CustomerSearchBareScan(benchmark::State &state) {
    Workspace workspace(customerBooks());
    const QString typed = QString::fromUtf8(typedTexts[state.range(0)]);
    qint64 found = 0;
    for (auto _ : state) {
        Database db(workspace.databasePath());
        QSqlQuery q(db.db());
        q.prepare(QStringLiteral("SELECT rowid, sirano, adi_soyadi FROM MUSTERI WHERE adi_soyadi "
                                 "LIKE ? LIMIT 200"));
        q.addBindValue(u'%' + typed + u'%');
        q.exec();
        found = 0;
        while (q.next())
            ++found;
    }
    state.SetLabel(typed.toStdString());
    state.counters["bulunan"] = double(found);
}
BENCHMARK(CustomerSearchBareScan)
    ->DenseRange(0, int(std::size(typedTexts)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The number box: the numbers that start with the digits.
void CustomerSearchNumber(benchmark::State &state) {
    Workspace workspace(customerBooks());
    const Books books(workspace);
    const QString typed = QString::number(state.range(0));
    qint64 found = 0;
    for (auto _ : state)
        found = books.customersByNumber(typed, std::nullopt, 200).size();
    state.counters["bulunan"] = double(found);
}
BENCHMARK(CustomerSearchNumber)->Arg(1)->Arg(4711)->Arg(999999)->Unit(benchmark::kMillisecond);

} // namespace
