// fatura-aktar: brings an old Access (Jet) database over into a new SQLite file that the
// program can open, or an SQLite (or Access) database into an empty PostgreSQL database.
//
// libmdb reads an untrusted file, and a damaged one can make it take memory without bound
// or never finish. So the import itself runs in a child copy of this program (--alt-surec)
// that limits its own memory; this side limits its time and reports a death as a damaged
// file. The program's in-program import starts the child the same way.
//
// Ctrl-C or a kill (SIGTERM) stops a run cleanly: the child is stopped, what it wrote is
// removed and the tool says so. What a run killed outright left is removed by the next one.

#include "base/failure.h"
#include "store/database.h"
#include "store/importprocess.h"
#include "store/jetread.h"
#include "store/servercopy.h"
#include "tools/toolio.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <new>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace {

const char usageText[] =
    "Kullanım: fatura-aktar [SEÇENEKLER] KAYNAK.MDB HEDEF\n"
    "\n"
    "Eski Access (Jet 3 / Jet 4) veritabanını KAYNAK.MDB, programın kullandığı yeni\n"
    "biçimde (SQLite) HEDEF dosyasına aktarır. Kaynak dosya yalnızca okunur. MUSTERI ve\n"
    "faturalar tabloları programın kendi yapısını alır; diğer tablolar adları ve\n"
    "sütunlarıyla aktarılır. Access 97 (Jet 3) metinleri Windows-1254 olarak okunur.\n"
    "\n"
    "HEDEF var olmamalıdır: var olan bir dosyanın üzerine asla yazılmaz. Aktarma\n"
    "yarıda kalırsa HEDEF adında dosya oluşmaz. Ctrl-C ya da kill ile durdurulan\n"
    "aktarma yarım kalan dosyalarını siler; öldürülen (kill -9) bir aktarmanın\n"
    "bıraktıklarını bir sonraki çalıştırma siler.\n"
    "\n"
    "HEDEF bir PostgreSQL adresi de olabilir: postgresql://kullanıcı@sunucu:port/veritabanı\n"
    "(parola ~/.pgpass dosyasında ya da PGPASSWORD ortam değişkeninde). KAYNAK, programın\n"
    "SQLite veritabanı ya da bir Access dosyası, o zaman boş bir sunucu veritabanına tek\n"
    "işlemde aktarılır ve her tablonun satır sayısı iki yanda karşılaştırılır; bir hata\n"
    "olursa sunucuda hiçbir şey kalmaz.\n"
    "\n"
    "Kaynak dosya ayrı bir süreçte okunur: bozuk bir dosya bellek ya da süre sınırını\n"
    "aşarsa aktarma durur ve dosyanın bozuk olabileceği söylenir.\n"
    "\n"
    "Seçenekler:\n"
    "  --bellek-siniri MB   Okuyan sürecin kullanabileceği bellek (varsayılan 2048).\n"
    "  --sure-siniri SN     Aktarmanın sürebileceği en uzun süre (varsayılan 1800).\n"
    "  -h, --yardim         Bu yardımı gösterir.\n"
    "\n"
    "Çıkış kodu: 0 aktarma tamamlandı, 1 aktarma yapılamadı, 2 yanlış kullanım,\n"
    "130 Ctrl-C ile, 143 kill ile durduruldu.\n";

using tool::put;

// The signal that asked the run to stop, 0 while none did.
volatile std::sig_atomic_t stopSignal = 0;

void stopRequested(int signal) {
    stopSignal = signal;
}

// Ctrl-C and a plain kill are noticed at the run's next step instead of ending the process
// with its files half-written.
void catchStopSignals() {
    std::signal(SIGINT, stopRequested);
    std::signal(SIGTERM, stopRequested);
}

bool goOn() {
    return stopSignal == 0;
}

// What the user is told after a stop: what became of the target; the exit code is the one a
// shell gives a process that the signal ended.
int stopped(const QString &whatIsLeft) {
    const QString how =
        stopSignal == SIGINT ? QStringLiteral("Ctrl-C") : QStringLiteral("sonlandırma isteği");
    put(stderr, QStringLiteral("fatura-aktar: Aktarma durduruldu (%1). %2\n").arg(how, whatIsLeft));
    return 128 + int(stopSignal);
}

// The work folder of a copy to a server from an Access file, in the system's temporary
// folder and held by a lock file while the run lives.
const QString workFolderLock = QStringLiteral("kilit");

// Removes what runs killed outright left: temporary files beside `target` (or the work
// folders of copies to a server) whose lock no living run holds. Says what it removed.
void removeLeftoversOfDeadRuns(const QString &target) {
    QStringList removed;
    if (isServerAddress(target)) {
        const QDir temp(QDir::tempPath());
        for (const QString &name : temp.entryList({QStringLiteral("fatura-aktar-*")},
                                                  QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDir folder(temp.filePath(name));
            if (!folder.exists(workFolderLock))
                continue;
            QLockFile lock(folder.filePath(workFolderLock));
            lock.setStaleLockTime(0); // only a lock whose process is gone is stale
            if (!lock.tryLock(0))
                continue;
            lock.unlock();
            if (folder.removeRecursively())
                removed << folder.path();
        }
    } else {
        removed = removeImportLeftovers(target);
    }
    if (!removed.isEmpty())
        put(stdout, QStringLiteral("Yarıda kalmış bir aktarmanın geçici dosyaları silindi: %1\n")
                        .arg(removed.join(QStringLiteral(", "))));
}

// One line a table; returns the rows of them all.
qint64 putTables(const QList<ImportedTable> &tables) {
    qint64 total = 0;
    for (const ImportedTable &t : tables) {
        put(stdout, QStringLiteral("%1: %2 satır\n").arg(t.targetName).arg(t.rowCount));
        total += t.rowCount;
    }
    return total;
}

int failed(const std::exception &e) {
    put(stderr, QStringLiteral("fatura-aktar: %1\n").arg(failureText(e)));
    return 1;
}

void record(const QStringList &fields) {
    std::fputs(importRecord(fields).constData(), stdout);
    std::fflush(stdout);
}

// The child's address space is held to `megabytes`, so that a damaged file makes it fail
// instead of the machine. Nothing happens where the system has no such limit.
void limitMemory(qint64 megabytes) {
#ifdef Q_OS_UNIX
    rlimit r{};
    r.rlim_cur = r.rlim_max = rlim_t(megabytes) * 1024 * 1024;
    setrlimit(RLIMIT_AS, &r);
#else
    Q_UNUSED(megabytes);
#endif
}

// The child dies with the program that started it (`parent`), so that a killed program
// leaves no import running on; one already gone before this point ends the child here.
// Elsewhere the parent's time limit and kill are all there is.
void dieWithParent(qint64 parent) {
#ifdef Q_OS_LINUX
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != pid_t(parent))
        _exit(1);
#else
    Q_UNUSED(parent);
#endif
}

// The child: imports and reports in records, a failure's message too.
int runChild(qint64 parent, const QString &source, const QString &target, qint64 memoryMegabytes) {
    // Ctrl-C reaches the child too: the program that started it stops it and removes what
    // it wrote, and a child that dies on its own would look like a damaged file.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    dieWithParent(parent);
    limitMemory(memoryMegabytes);
    try {
        const ImportReport report =
            importJet(source, target, [](const QString &table, qint64 done, qint64 total) {
                record({QStringLiteral("ilerleme"), table, QString::number(done),
                        QString::number(total)});
                return true;
            });
        record({QStringLiteral("surum"), report.version});
        for (const ImportedTable &t : report.tables)
            record(
                {QStringLiteral("tablo"), t.sourceName, t.targetName, QString::number(t.rowCount)});
        for (const QString &note : report.notes)
            record({QStringLiteral("not"), note});
        return 0;
    } catch (const std::bad_alloc &) {
        return 3; // over the memory limit: the parent names the file
    } catch (const std::exception &e) {
        record({QStringLiteral("hata"), failureText(e)});
        return 1;
    }
}

// An SQLite database, or an Access file brought over into a temporary one first, copied to
// the server.
int toServer(const ImportChild &child, const QString &source, const QString &target) {
    try {
        std::optional<QTemporaryDir> folder;
        std::optional<QLockFile> held;
        QString from = source;
        if (fileKind(source) == FileKind::Jet) {
            folder.emplace(QDir(QDir::tempPath()).filePath(QStringLiteral("fatura-aktar-XXXXXX")));
            held.emplace(QDir(folder->path()).filePath(workFolderLock));
            if (!folder->isValid() || !held->tryLock(0))
                throw DatabaseError(
                    QStringLiteral("Geçici klasör oluşturulamadı: %1").arg(QDir::tempPath()));
            from = folder->filePath(QStringLiteral("aktarma.sqlite"));
            importJetInChild(child, source, from,
                             [](const QString &, qint64, qint64) { return goOn(); });
        }
        if (!goOn())
            throw ImportStopped();
        const QList<ImportedTable> tables =
            copyToServer(from, target, [](const QString &table, qint64 rows) {
                // Thrown inside the copy's transaction: the server keeps nothing.
                if (!goOn())
                    throw ImportStopped();
                put(stdout, QStringLiteral("%1: %2 satır...\n").arg(table).arg(rows));
            });
        const qint64 total = putTables(tables);
        put(stdout, QStringLiteral("Aktarıldı: %1 tablo, %2 satır -> %3\n")
                        .arg(tables.size())
                        .arg(total)
                        .arg(target));
        return 0;
    } catch (const std::exception &e) {
        if (!goOn())
            return stopped(QStringLiteral("Sunucuya hiçbir şey yazılmadı: %1").arg(target));
        return failed(e);
    }
}

} // namespace

int main(int argc, char *argv[]) {
    catchStopSignals();
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);

    if (arguments.contains(QStringLiteral("-h")) ||
        arguments.contains(QStringLiteral("--yardim"))) {
        std::fputs(usageText, stdout);
        return 0;
    }
    ImportChild child;
    child.program = QCoreApplication::applicationFilePath();
    qint64 parent = 0; // set for the child: the process that started it
    QStringList files;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == u"--alt-surec" && i + 1 < arguments.size()) {
            parent = arguments[++i].toLongLong();
        } else if (a == u"--bellek-siniri" || a == u"--sure-siniri") {
            bool ok = false;
            const qint64 n = arguments.value(i + 1).toLongLong(&ok);
            if (!ok || n <= 0 || n > 1000000)
                return tool::usageError(QStringLiteral("%1 için pozitif bir sayı gerekir.").arg(a),
                                        usageText);
            if (a == u"--bellek-siniri")
                child.memoryMegabytes = n;
            else
                child.seconds = int(n);
            ++i;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return tool::usageError(QStringLiteral("Bilinmeyen seçenek: %1").arg(a), usageText);
        } else {
            files << a;
        }
    }
    if (files.size() != 2)
        return tool::usageError(u"fatura-aktar: bir kaynak ve bir hedef dosya gerekir."_qs,
                                usageText);

    const QString &source = files[0];
    const QString &target = files[1];
    if (parent > 0)
        return runChild(parent, source, target, child.memoryMegabytes);
    // An address the copy could not use is refused before anything is read or written.
    if (const QString problem = serverAddressProblem(target); !problem.isEmpty()) {
        put(stderr, QStringLiteral("fatura-aktar: %1\n").arg(problem));
        return 1;
    }
    removeLeftoversOfDeadRuns(target);
    if (isServerAddress(target))
        return toServer(child, source, target);
    try {
        if (!goOn())
            throw ImportStopped();
        const ImportReport report = importJetInChild(
            child, source, target, [](const QString &, qint64, qint64) { return goOn(); });
        const qint64 total = putTables(report.tables);
        for (const QString &note : report.notes)
            put(stdout, QStringLiteral("Not: %1\n").arg(note));
        put(stdout, QStringLiteral("Aktarıldı (%1): %2 tablo, %3 satır -> %4\n")
                        .arg(report.version)
                        .arg(report.tables.size())
                        .arg(total)
                        .arg(target));
        return 0;
    } catch (const std::exception &e) {
        if (!goOn())
            return stopped(
                QStringLiteral("%1 oluşturulmadı; yarım kalan dosyalar silindi.").arg(target));
        return failed(e);
    }
}
