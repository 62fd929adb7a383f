#include "benchdata.h"

#include "settings/settingsfile.h"
#include "tools/sampledata.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>

namespace {

QTemporaryDir &runFolder() {
    static QTemporaryDir d = [] {
        const QString parent = qEnvironmentVariable("FATURA_BENCH_DIZIN", QDir::tempPath());
        return QTemporaryDir(parent + QStringLiteral("/fatura-bench-XXXXXX"));
    }();
    if (!d.isValid())
        throw std::runtime_error("no temporary folder for the benchmark");
    return d;
}

} // namespace

QString benchFile(const QString &name) {
    const QString path = runFolder().filePath(name);
    QFile::remove(path);
    return path;
}

QString keptSampleFolder(const QString &path, const SampleDataOptions &options) {
    const QDir dir(path);
    const QString database = dir.filePath(QStringLiteral("fatura.MDB"));
    if (QFile::exists(database))
        return path;
    const QString partial = database + QStringLiteral(".yaziliyor");
    if (!QDir().mkpath(path) || (QFile::exists(partial) && !QFile::remove(partial)))
        throw std::runtime_error("cannot prepare the kept benchmark folder");
    writeSampleDatabase(partial, options);
    if (!QFile::rename(partial, database))
        throw std::runtime_error("cannot keep the benchmark database");
    ayarlari_yaz(defaultSettings(), dir.filePath(settingsFileName()));
    return path;
}

SampleDataOptions hundredThousandBooks(int customers) {
    SampleDataOptions a;
    a.customers = customers;
    a.invoices = 100000;
    a.maxLines = 5;
    a.exactLines = true;
    a.campaignInvoices = 0;
    return a;
}

QString hundredThousandInvoices(bool indexed) {
    static const QString withIndex = [] {
        const QString path = benchFile(QStringLiteral("yuzbin.MDB"));
        writeSampleDatabase(path, hundredThousandBooks(1000));
        return path;
    }();
    static const QString withoutIndex = [] {
        const QString path = benchFile(QStringLiteral("yuzbin-indekssiz.MDB"));
        if (!QFile::copy(withIndex, path))
            throw std::runtime_error("cannot copy the benchmark database");
        Database db(path, Database::Access::Write);
        QSqlQuery q(db.db());
        QStringList indexes;
        if (q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                  "tbl_name = 'faturalar'"))) {
            while (q.next())
                indexes << q.value(0).toString();
        }
        for (const QString &indexName : indexes) {
            if (!q.exec(QStringLiteral("DROP INDEX \"%1\"").arg(indexName)))
                throw std::runtime_error(q.lastError().text().toStdString());
        }
        if (indexes.isEmpty())
            throw std::runtime_error("the benchmark database has no index to drop");
        return path;
    }();
    return indexed ? withIndex : withoutIndex;
}

QString benchCampaign() {
    return QStringLiteral("KAMPANYA2026");
}

void writeCampaignFile(const QString &path, int invoices) {
    SampleDataOptions a;
    a.customers = 1;
    a.invoices = 0;
    a.campaignInvoices = invoices;
    a.maxLines = 5;
    a.exactLines = true;
    a.year = 2026;
    writeSampleDatabase(path, a);
}

QString campaignFile(int invoices) {
    static QHash<int, QString> files;
    if (!files.contains(invoices)) {
        const QString path = benchFile(QStringLiteral("kampanya-%1.MDB").arg(invoices));
        writeCampaignFile(path, invoices);
        files.insert(invoices, path);
    }
    return files.value(invoices);
}

long procStatusKb(const char *name) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}
