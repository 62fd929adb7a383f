#include "store/importprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int pollMs = 50;

// A child that died: most often a damaged file that made libmdb go over the memory limit.
QString childFailure(const QString &source, const ImportChild &child) {
    return QStringLiteral("Access dosyası okunamadı; dosya bozuk olabilir: %1\n"
                          "Okuma %2 MB bellek sınırını aştı ya da yarıda kesildi. Hiçbir dosya "
                          "yazılmadı.")
        .arg(source)
        .arg(child.memoryMegabytes);
}

QString escaped(QString s) {
    s.replace(u'\\', QStringLiteral("\\\\"));
    s.replace(u'\t', QStringLiteral("\\t"));
    s.replace(u'\n', QStringLiteral("\\n"));
    s.replace(u'\r', QStringLiteral("\\r"));
    return s;
}

QString unescaped(const QString &s) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar c = s[++i];
        out += c == u't' ? QChar(u'\t') : c == u'n' ? QChar(u'\n') : c == u'r' ? QChar(u'\r') : c;
    }
    return out;
}

// Whatever the child left: its temporary file and lock, and the target when the kill came
// just after the child gave it its name.
void removeChildFiles(const QString &target, bool targetToo) {
    removeImportLeftovers(target);
    if (targetToo)
        QFile::remove(target);
}

} // namespace

QString importProgram(const ImportChild &child) {
    if (!child.program.isEmpty())
        return child.program;
    const QString name = QStringLiteral("fatura-aktar");
    const QString beside =
        QStandardPaths::findExecutable(name, {QCoreApplication::applicationDirPath()});
    return beside.isEmpty() ? QStandardPaths::findExecutable(name) : beside;
}

QByteArray importRecord(const QStringList &fields) {
    QStringList out;
    for (const QString &f : fields)
        out << escaped(f);
    return out.join(u'\t').toUtf8() + '\n';
}

ImportReport importJetInChild(const ImportChild &child, const QString &source,
                              const QString &target, const ImportProgress &progress) {
    const QString program = importProgram(child);
    if (program.isEmpty())
        throw DatabaseError(QStringLiteral("Aktarma programı fatura-aktar bulunamadı."));
    const bool targetExisted = QFile::exists(target);

    QProcess p;
    p.setProgram(program);
    p.setArguments({QStringLiteral("--alt-surec"),
                    QString::number(QCoreApplication::applicationPid()),
                    QStringLiteral("--bellek-siniri"), QString::number(child.memoryMegabytes),
                    source, target});
    // libmdb's own warnings: many for a damaged file, and a full pipe would stall the child.
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QIODevice::ReadOnly);
    if (!p.waitForStarted(30000))
        throw DatabaseError(
            QStringLiteral("Aktarma programı başlatılamadı: %1\n%2").arg(program, p.errorString()));

    const QDeadlineTimer deadline(qint64(child.seconds) * 1000);
    ImportReport report;
    QString failure;
    QString table;
    qint64 done = 0;
    qint64 total = 0;
    QByteArray pending;
    const auto readRecords = [&] {
        pending += p.readAllStandardOutput();
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QStringList f = QString::fromUtf8(pending.left(end)).split(u'\t');
            QStringList v;
            for (const QString &s : f)
                v << unescaped(s);
            if (v[0] == u"ilerleme" && v.size() == 4) {
                table = v[1];
                done = v[2].toLongLong();
                total = v[3].toLongLong();
            } else if (v[0] == u"surum" && v.size() == 2) {
                report.version = v[1];
            } else if (v[0] == u"tablo" && v.size() == 4) {
                report.tables.append({v[1], v[2], v[3].toLongLong()});
            } else if (v[0] == u"not" && v.size() == 2) {
                report.notes << v[1];
            } else if (v[0] == u"hata" && v.size() == 2) {
                failure = v[1];
            }
        }
    };
    const auto stop = [&] {
        p.kill();
        p.waitForFinished(10000);
        removeChildFiles(target, !targetExisted);
    };
    while (p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(pollMs);
        readRecords();
        if (progress && !progress(table, done, total)) {
            stop();
            throw ImportStopped();
        }
        if (deadline.hasExpired()) {
            stop();
            throw DatabaseError(QStringLiteral("Access dosyası %1 saniyede okunamadı; dosya bozuk "
                                               "olabilir: %2\nAktarma durduruldu, hiçbir dosya "
                                               "yazılmadı.")
                                    .arg(child.seconds)
                                    .arg(source));
        }
    }
    p.waitForFinished();
    readRecords();
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return report;
    removeChildFiles(target, !targetExisted);
    // Exit code 1 is a failure the child explains itself; anything else is a death.
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 1 && !failure.isEmpty())
        throw DatabaseError(failure);
    throw DatabaseError(childFailure(source, child));
}
