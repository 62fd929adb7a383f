// fatura-aktar: brings an old Access (Jet) database over into a new SQLite file that the
// program can open, or an SQLite (or Access) database into an empty PostgreSQL database.
//
// libmdb reads an untrusted file, and a damaged one can make it take memory without bound
// or never finish. So the import itself runs in a child copy of this program (--alt-surec)
// that limits its own memory; this side limits its time and reports a death as a damaged
// file. The program's in-program import starts the child the same way.

#include "store/database.h"
#include "store/importprocess.h"
#include "store/jetimport.h"
#include "store/servercopy.h"
#include "tools/toolio.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <new>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif
#ifdef Q_OS_LINUX
#include <csignal>
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
    "yarıda kalırsa HEDEF adında dosya oluşmaz.\n"
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
    "Çıkış kodu: 0 aktarma tamamlandı, 1 aktarma yapılamadı, 2 yanlış kullanım.\n";

using tool::put;

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
    put(stderr, QStringLiteral("fatura-aktar: %1\n").arg(QString::fromUtf8(e.what())));
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
        record({QStringLiteral("hata"), QString::fromUtf8(e.what())});
        return 1;
    }
}

// An SQLite database, or an Access file brought over into a temporary one first, copied to
// the server.
int toServer(const ImportChild &child, const QString &source, const QString &target) {
    try {
        QTemporaryDir folder;
        QString from = source;
        if (fileKind(source) == FileKind::Jet) {
            from = folder.filePath(QStringLiteral("aktarma.sqlite"));
            importJetInChild(child, source, from);
        }
        const QList<ImportedTable> tables =
            copyToServer(from, target, [](const QString &table, qint64 rows) {
                put(stdout, QStringLiteral("%1: %2 satır...\n").arg(table).arg(rows));
            });
        const qint64 total = putTables(tables);
        put(stdout, QStringLiteral("Aktarıldı: %1 tablo, %2 satır -> %3\n")
                        .arg(tables.size())
                        .arg(total)
                        .arg(target));
        return 0;
    } catch (const std::exception &e) {
        return failed(e);
    }
}

} // namespace

int main(int argc, char *argv[]) {
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
    if (isServerAddress(target))
        return toServer(child, source, target);
    try {
        const ImportReport report = importJetInChild(child, source, target);
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
        return failed(e);
    }
}
