#include "store/jetimport.h"

#include "base/savefile.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTime>
#include <QVariant>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

// A temporary file is the target's name, this, and eight hexadecimal digits; its lock file
// is the temporary file's name and the suffix.
const QString temporaryInfix = QStringLiteral(".aktariliyor-");
const QString lockSuffix = QStringLiteral(".kilit");

// A name beside `target` that nothing uses yet.
QString temporaryName(const QString &target) {
    for (;;) {
        const QString name =
            QStringLiteral("%1%2%3")
                .arg(target, temporaryInfix)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        if (!QFileInfo::exists(name) && !QFileInfo::exists(name + QStringLiteral("-journal")) &&
            !QFileInfo::exists(name + lockSuffix))
            return name;
    }
}

void removeTemporary(const QString &name) {
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(name + QLatin1String(suffix));
}

// The first of `name`, `name`2, `name`3, ... that does not exist.
QString freeName(const QString &name) {
    QString candidate = name;
    for (int i = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++i)
        candidate = name + QString::number(i);
    return candidate;
}

// The temporary files in `folder` of imports into targets whose names begin with `prefix`
// (any target when it is empty) that nobody is writing any more: their lock is free, or was
// held by a process that is gone. Returns the temporary files' paths, removed.
QStringList removeDeadTemporaries(const QDir &folder, const QString &prefix) {
    static const QRegularExpression pattern(
        QStringLiteral("^(.+\\.aktariliyor-[0-9a-f]{8})(-journal|-wal|-shm|\\.kilit)?$"));
    QStringList bases;
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch() && m.captured(1).startsWith(prefix) && !bases.contains(m.captured(1)))
            bases << m.captured(1);
    }
    QStringList removed;
    for (const QString &base : std::as_const(bases)) {
        const QString path = folder.filePath(base);
        QLockFile lock(path + lockSuffix);
        lock.setStaleLockTime(0); // only a lock whose process is gone is stale
        if (!lock.tryLock(0)) {
            // A lock file names its process a moment after it is made; one that still names
            // none a second later lost its writer in between: nobody holds it.
            qint64 pid = 0;
            QString host, program;
            const QDeadlineTimer filled(1000);
            bool named = lock.getLockInfo(&pid, &host, &program);
            while (!named && !filled.hasExpired()) {
                QThread::msleep(10);
                named = lock.getLockInfo(&pid, &host, &program);
            }
            if (named || !QFile::remove(path + lockSuffix) || !lock.tryLock(0))
                continue; // an import is writing it now
        }
        removeTemporary(path);
        removed << path;
    }
    return removed;
}

QString markerPath(const QString &path) {
    return path + QStringLiteral(".aktarma-yarim");
}

// The marker of a conversion: the old file's and the new file's names, beside `path`.
struct Marker {
    QString oldFile;
    QString newFile;
};

std::optional<Marker> readMarker(const QString &path) {
    QFile f(markerPath(path));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    Marker m;
    const QDir dir = QFileInfo(path).absoluteDir();
    for (const QByteArray &line : f.read(64 * 1024).split('\n')) {
        const QString text = QString::fromUtf8(line).trimmed();
        if (text.startsWith(u"eski="))
            m.oldFile = dir.filePath(text.mid(5));
        else if (text.startsWith(u"yeni="))
            m.newFile = dir.filePath(text.mid(5));
    }
    if (m.oldFile.isEmpty() || m.newFile.isEmpty() || QFileInfo(m.oldFile).fileName().isEmpty())
        return std::nullopt;
    return m;
}

QString writeMarker(const QString &path, const Marker &m) {
    const QString text =
        QStringLiteral(
            "# Veritabanı yeni biçime aktarılıyor. Program yarıda kesilirse bir\n"
            "# sonraki açılışta aktarmayı bitirir ya da geri alır; bu dosyayı silmeyin.\n"
            "eski=%1\nyeni=%2\n")
            .arg(QFileInfo(m.oldFile).fileName(), QFileInfo(m.newFile).fileName());
    return saveWhole(markerPath(path), text.toUtf8());
}

} // namespace

QString importTemporaryName(const QString &target) {
    return temporaryName(target);
}

QString importLockSuffix() {
    return lockSuffix;
}

void removeImportTemporary(const QString &name) {
    removeTemporary(name);
}

ImportStopped::ImportStopped()
    : DatabaseError(QStringLiteral("Aktarma durduruldu.")) {}

QStringList removeImportLeftovers(const QString &target) {
    const QFileInfo info(target);
    return removeDeadTemporaries(info.absoluteDir(), info.fileName());
}

QStringList removeImportLeftoversIn(const QString &folder) {
    return removeDeadTemporaries(QDir(folder), QString());
}

QString oldFileName(const QString &path) {
    return freeName(path + QStringLiteral(".eski"));
}

ConversionResult convertJetDatabase(const QString &path, const JetImport &import) {
    const auto failure = [&](const QString &reason) {
        return DatabaseError(
            QStringLiteral("Veritabanı aktarılamadı: %1\n%2\nEski dosya olduğu gibi duruyor.")
                .arg(path, reason));
    };
    if (fileKind(path) != FileKind::Jet)
        throw failure(QStringLiteral("Dosya eski biçimde (Access/Jet) değil."));
    if (QFileInfo::exists(markerPath(path)))
        throw failure(QStringLiteral("Yarıda kalmış bir aktarma var; program yeniden "
                                     "açıldığında tamamlanır: %1")
                          .arg(markerPath(path)));

    // The plan is written down first, so that a kill at any later moment leaves a state the
    // next start finishes or undoes (recoverConversion).
    ConversionResult result;
    const Marker marker{oldFileName(path), freeName(path + QStringLiteral(".yeni"))};
    const QString newFile = marker.newFile;
    result.oldFile = marker.oldFile;
    if (const QString why = writeMarker(path, marker); !why.isEmpty())
        throw failure(QStringLiteral("%1 yazılamadı: %2").arg(markerPath(path), why));
    const auto undo = [&] {
        removeImportLeftovers(newFile);
        QFile::remove(newFile);
        QFile::remove(markerPath(path));
    };
    try {
        result.report = import(path, newFile);
    } catch (const ImportStopped &) {
        undo();
        throw;
    } catch (const std::exception &e) {
        undo();
        throw failure(failureText(e));
    }

    if (!QFile::rename(path, result.oldFile)) {
        undo();
        throw failure(QStringLiteral("Eski dosyanın adı değiştirilemedi: %1").arg(result.oldFile));
    }
    if (!QFile::rename(newFile, path)) {
        if (!QFile::rename(result.oldFile, path))
            throw DatabaseError(
                QStringLiteral("Veritabanı aktarılamadı: %1\nEski dosya şimdi %2, aktarılan "
                               "dosya %3 adını taşıyor; program yeniden açıldığında aktarma "
                               "tamamlanır.")
                    .arg(path, result.oldFile, newFile));
        undo();
        throw failure(QStringLiteral("Yeni dosyaya veritabanının adı verilemedi."));
    }
    QFile::remove(markerPath(path));
    return result;
}

Recovery recoverConversion(const QString &path) {
    Recovery r;
    const QString markerFile = markerPath(path);
    if (!QFileInfo::exists(markerFile))
        return r;
    const std::optional<Marker> marker = readMarker(path);
    if (!marker) {
        r.problems << QStringLiteral("Yarıda kalan aktarmanın kaydı okunamadı: %1\nDosyalara "
                                     "dokunulmadı; kaydı inceleyip silin.")
                          .arg(markerFile);
        return r;
    }
    QStringList removed = removeImportLeftovers(marker->newFile);
    const FileKind kind = fileKind(path);
    if (kind == FileKind::Missing && fileKind(marker->newFile) == FileKind::SQLite &&
        fileKind(marker->oldFile) == FileKind::Jet) {
        // Killed between the two renames: the new file takes the database's name.
        if (!QFile::rename(marker->newFile, path)) {
            r.problems << QStringLiteral("Yarıda kalan aktarma tamamlanamadı: %1 dosyasına %2 "
                                         "adı verilemedi.")
                              .arg(marker->newFile, path);
            return r;
        }
        r.notices << QStringLiteral("Yarıda kalan aktarma tamamlandı: %1 artık yeni biçimde "
                                    "(%2 dosyasından).\nEski dosya: %3")
                         .arg(path, marker->newFile, marker->oldFile);
    } else if (kind == FileKind::Missing && fileKind(marker->oldFile) == FileKind::Jet) {
        // The new file is not there whole: the old one gets its name back.
        if (!QFile::rename(marker->oldFile, path)) {
            r.problems << QStringLiteral("Yarıda kalan aktarma geri alınamadı: %1 dosyasına %2 "
                                         "adı verilemedi.")
                              .arg(marker->oldFile, path);
            return r;
        }
        if (QFile::remove(marker->newFile))
            removed << marker->newFile;
        r.notices << QStringLiteral("Yarıda kalan aktarma geri alındı: %1 eski adına döndü.")
                         .arg(marker->oldFile);
    } else if (kind == FileKind::Jet) {
        // The old file was never moved: the import is undone and will be offered again.
        if (QFile::remove(marker->newFile))
            removed << marker->newFile;
        r.notices << QStringLiteral("Yarıda kalan aktarma geri alındı; eski dosya olduğu gibi "
                                    "duruyor: %1")
                         .arg(path);
    } else if (kind == FileKind::SQLite) {
        // Killed after the last rename: only the marker was left.
        r.notices << QStringLiteral("Veritabanı yeni biçime aktarılmıştı: %1\nEski dosya: %2")
                         .arg(path, marker->oldFile);
    } else {
        r.problems << QStringLiteral("Yarıda kalan aktarma tamamlanamadı; veritabanı "
                                     "bulunamadı: %1\nEski dosya: %2, aktarılan dosya: %3")
                          .arg(path, marker->oldFile, marker->newFile);
        return r;
    }
    if (!removed.isEmpty())
        r.notices.last() +=
            QStringLiteral("\nSilinen yarım dosyalar: %1").arg(removed.join(QStringLiteral(", ")));
    QFile::remove(markerFile);
    return r;
}
