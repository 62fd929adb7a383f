// Reading every invoice number and customer of a large database (100,000 saved invoices,
// 10,000 customers), as the invoice window did before it read its lists a page at a time,
// against the bare queries on an open connection; the window itself; and replacing a
// 200-line invoice in one transaction against the same rows deleted and written without one.

#include "benchdata.h"
#include "windowrun.h"

#include "invoice/saving.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "tools/sampledata.h"

#include <QDir>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace {

// A working folder as the program's: ayarlar.dat naming fatura.MDB, which holds 10,000
// customers and 100,000 invoices of 5 lines (500,000 rows). Made once per run.
QString largeWorkingFolder() {
    static const QString folder = [] {
        const QString path = benchFile(QStringLiteral("pencere"));
        if (!QDir().mkpath(path))
            throw std::runtime_error("cannot make the working folder");
        writeSampleDatabase(QDir(path).filePath(QStringLiteral("fatura.MDB")),
                            hundredThousandBooks(10000));
        ayarlari_yaz(defaultSettings(), QDir(path).filePath(settingsFileName()));
        return path;
    }();
    return folder;
}

// The benchmark runs in the working folder and goes back where it was.
class WorkingFolder {
public:
    explicit WorkingFolder(const QString &path)
        : m_previous(QDir::currentPath()) {
        QDir::setCurrent(path);
    }
    ~WorkingFolder() { QDir::setCurrent(m_previous); }
    WorkingFolder(const WorkingFolder &) = delete;
    WorkingFolder &operator=(const WorkingFolder &) = delete;

private:
    QString m_previous;
};

struct WindowData {
    QList<qint64> numbers;
    qint64 next = 0;
    CustomerLists customers;
};

bool isComplete(const WindowData &v) {
    return v.numbers.size() == 100000 && v.next == v.numbers.last() + 1 &&
           v.customers.numbers.size() == 10000 && v.customers.names.size() == 10000;
}

// What the invoice window read when it loaded every list at once: the customer lists,
// then settings lines 1-2, the invoice numbers and the next number.
WindowData throughProgram() {
    const Workspace workspace;
    WindowData v;
    {
        Database db(workspace.databasePath());
        v.customers = customerLists(db);
    }
    const ayarlar a = workspace.readSettings(2);
    Database db(workspace.databasePath(a));
    v.numbers = invoiceNumbers(db);
    v.next = nextInvoiceNumber(v.numbers);
    return v;
}

// The same two queries on a connection that is already open, with no checks.
WindowData bareSql(QSqlDatabase &db) {
    WindowData v;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.exec(QStringLiteral("SELECT sirano, adi_soyadi FROM MUSTERI ORDER BY rowid"));
    while (q.next()) {
        v.customers.numbers << q.value(0).toString();
        v.customers.names << q.value(1).toString();
    }
    q.exec(QStringLiteral("select distinct faturano from faturalar order by faturano"));
    while (q.next())
        v.numbers << q.value(0).toLongLong();
    v.next = v.numbers.isEmpty() ? 1 : v.numbers.last() + 1;
    return v;
}

void InvoiceWindowData(benchmark::State &state) {
    const bool program = state.range(0) != 0;
    WorkingFolder here(largeWorkingFolder());
    if (program) {
        for (auto _ : state) {
            const WindowData v = throughProgram();
            if (!isComplete(v)) {
                state.SkipWithError("wrong lists");
                break;
            }
        }
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), u"ham"_qs);
        db.setDatabaseName(QDir::current().filePath(QStringLiteral("fatura.MDB")));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            state.SkipWithError("cannot open");
        for (auto _ : state) {
            const WindowData v = bareSql(db);
            if (!isComplete(v)) {
                state.SkipWithError("wrong lists");
                break;
            }
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"ham"_qs);
    }
    state.SetLabel(program ? "program" : "ham SQL, acik baglanti");
}
BENCHMARK(InvoiceWindowData)
    ->ArgName("program")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole window on the same database.
void InvoiceWindow(benchmark::State &state) {
    openInvoiceWindows(state, largeWorkingFolder(), {});
}
BENCHMARK(InvoiceWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// Replacing invoice 1000, 200 lines, by one of two versions in turn: with replaceInvoice
// (one transaction), or the same delete and inserts each committed on its own.
void ReplaceInvoice(benchmark::State &state) {
    const bool inTransaction = state.range(0) != 0;
    const QString path = benchFile(inTransaction ? QStringLiteral("degistir-islemli.MDB")
                                                 : QStringLiteral("degistir.MDB"));
    SampleDataOptions a;
    a.customers = 40;
    a.invoices = 25;
    a.campaignInvoices = 0;
    writeSampleDatabase(path, a);
    const Customer m = sampleCustomer(1, 1);
    const QDate date(2026, 12, 6);
    const SampleInvoice versions[2] = {sampleInvoice(1, 1000, m, 200, VatExcluded, true, date),
                                       sampleInvoice(2, 1000, m, 200, VatIncluded, false, date)};
    // As the invoice window saves them: with each line's rate and unit beside the rows.
    InvoiceInfo info = versions[0].info;
    {
        Database db(path, Database::Access::Write);
        insertInvoice(db, versions[0].header, versions[0].lines, info);
    }
    int i = 0;
    for (auto _ : state) {
        const SampleInvoice &f = versions[++i % 2];
        Database db(path, Database::Access::Write);
        if (inTransaction) {
            const qint64 count = info.changeCount;
            info = f.info;
            info.changeCount = count;
            if (!replaceInvoice(db, f.header, f.lines, info))
                state.SkipWithError("replacement refused");
        } else {
            QSqlQuery q(db.db());
            q.prepare(QStringLiteral("DELETE FROM faturalar WHERE faturano = ?"));
            q.addBindValue(f.header.faturano);
            q.exec();
            InvoiceWriter(db).add(f.header, f.lines);
        }
    }
    Database db(path);
    if (invoiceRows(db, 1000).size() != 200)
        state.SkipWithError("wrong rows");
    state.SetLabel(inTransaction ? "faturaDegistir, tek islem" : "islemsiz, satir satir");
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(ReplaceInvoice)
    ->ArgName("islem")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
