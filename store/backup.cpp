#include "store/backup.h"

#include "base/savefile.h"
#include "store/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSaveFile>
#include <QSqlQuery>
#include <QStandardPaths>

namespace {

const QString stampFormat = QStringLiteral("yyyyMMdd-HHmmss");

QStringList backupsIn(const QDir &dir) {
    // The names sort as the moments they were taken.
    QStringList names = dir.entryList({QStringLiteral("fatura-\?\?\?\?\?\?\?\?-\?\?\?\?\?\?.MDB"),
                                       QStringLiteral("fatura-\?\?\?\?\?\?\?\?-\?\?\?\?\?\?.dump")},
                                      QDir::Files, QDir::Name);
    return names;
}

// Streams `from` into `to` through QSaveFile: the target is whole or untouched.
QString copyWhole(const QString &from, const QString &to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    QByteArray buffer;
    while (!in.atEnd()) {
        buffer = in.read(1 << 20);
        if (buffer.isEmpty() && in.error() != QFileDevice::NoError) {
            out.cancelWriting();
            out.commit();
            return in.errorString();
        }
        if (out.write(buffer) != buffer.size())
            break;
    }
    return commitSaveFile(out);
}

void backupServer(const QString &address, const QString &target) {
    const ServerAddress a = serverAddress(address);
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
    if (program.isEmpty())
        throw DatabaseError(QStringLiteral(
            "Sunucudaki defterlerin yedeği pg_dump ile alınır, bu bilgisayarda kurulu değil.\n"
            "postgresql-client paketini kurun (sudo apt install postgresql-client) ve yeniden "
            "deneyin."));
    QProcess dump;
    dump.setProgram(program);
    dump.setArguments({QStringLiteral("--format=custom"), QStringLiteral("--no-password"),
                       QStringLiteral("--file=") + target, QStringLiteral("--host=") + a.host,
                       QStringLiteral("--port=%1").arg(a.port),
                       QStringLiteral("--username=") + a.user, a.database});
    dump.start();
    const bool finished = dump.waitForFinished(-1);
    if (!finished || dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0) {
        QFile::remove(target);
        throw DatabaseError(
            QStringLiteral("Sunucudaki defterlerin yedeği alınamadı: %1\n%2")
                .arg(shownAddress(address),
                     QString::fromLocal8Bit(dump.readAllStandardError()).trimmed()));
    }
}

} // namespace

QString backupFileName(const QDateTime &moment, bool server) {
    return QStringLiteral("fatura-%1.%2")
        .arg(moment.toString(stampFormat), server ? QStringLiteral("dump") : QStringLiteral("MDB"));
}

bool hasBackupOf(const QString &folder, const QDate &day) {
    const QString prefix =
        QStringLiteral("fatura-%1-").arg(day.toString(QStringLiteral("yyyyMMdd")));
    for (const QString &name : backupsIn(QDir(folder)))
        if (name.startsWith(prefix))
            return true;
    return false;
}

BackupResult backupDatabase(const QString &database, const QString &folder, const QDateTime &moment,
                            int keep) {
    const bool server = isServerAddress(database);
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder))
        throw DatabaseError(QStringLiteral("Yedek klasörü oluşturulamadı: %1").arg(folder));
    BackupResult result;
    result.path = dir.absoluteFilePath(backupFileName(moment, server));
    // Built under a name no backup has, renamed when whole.
    const QString building = result.path + QStringLiteral(".yarim");
    QFile::remove(building);
    if (server) {
        backupServer(database, building);
    } else {
        Database db(database);
        // One read of the whole file: a copy of one moment, whatever others write meanwhile.
        run(db, QStringLiteral("VACUUM INTO ?"), {building},
            QStringLiteral("yedek alınırken (%1)").arg(building));
    }
    if (!server) {
        try {
            checkBackup(building);
        } catch (const DatabaseError &) {
            QFile::remove(building);
            throw;
        }
    }
    QFile::remove(result.path);
    if (!QFile::rename(building, result.path)) {
        QFile::remove(building);
        throw DatabaseError(QStringLiteral("Yedek dosyası yazılamadı: %1").arg(result.path));
    }
    const QStringList all = backupsIn(dir);
    for (qsizetype i = 0; i + keep < all.size(); ++i) {
        if (QFile::remove(dir.absoluteFilePath(all.at(i))))
            result.removed << dir.absoluteFilePath(all.at(i));
    }
    return result;
}

BackupContents checkBackup(const QString &backup) {
    const auto refuse = [&](const QString &why) {
        throw DatabaseError(
            QStringLiteral("Bu dosya kullanılabilir bir yedek değil: %1\n%2").arg(backup, why));
    };
    if (isServerAddress(backup))
        refuse(QStringLiteral("Yedek bir dosya olmalıdır."));
    switch (fileKind(backup)) {
    case FileKind::Missing:
        throw DatabaseError(QStringLiteral("Yedek dosyası bulunamadı: %1").arg(backup));
    case FileKind::SQLite:
        break;
    default:
        refuse(QStringLiteral("Dosya bir SQLite veritabanı değil."));
    }
    BackupContents c;
    try {
        Database db(backup);
        QSqlQuery check = run(db, QStringLiteral("PRAGMA integrity_check"), {},
                              QStringLiteral("yedek denetlenirken"));
        QStringList problems;
        while (check.next())
            problems << check.value(0).toString();
        if (problems != QStringList{QStringLiteral("ok")})
            refuse(QStringLiteral("Bütünlük denetimi geçmedi: %1")
                       .arg(problems.mid(0, 5).join(QStringLiteral("; "))));
        db.requireColumns(QStringLiteral("faturalar"),
                          {QStringLiteral("faturano"), QStringLiteral("fatura_tarihi"),
                           QStringLiteral("adi_soyadi")});
        db.requireColumns(QStringLiteral("MUSTERI"), {QStringLiteral("sirano")});
        const QString activity = QStringLiteral("yedek okunurken");
        QSqlQuery q =
            run(db, QStringLiteral("SELECT count(DISTINCT faturano) FROM faturalar"), {}, activity);
        c.invoices = q.next() ? q.value(0).toLongLong() : 0;
        q = run(db, QStringLiteral("SELECT count(*) FROM MUSTERI"), {}, activity);
        c.customers = q.next() ? q.value(0).toLongLong() : 0;
        q = run(db,
                QStringLiteral("SELECT faturano, fatura_tarihi, adi_soyadi FROM faturalar WHERE "
                               "faturano IS NOT NULL ORDER BY faturano DESC LIMIT 1"),
                {}, activity);
        if (q.next()) {
            c.newestNumber = q.value(0).toLongLong();
            c.newestDate = q.value(1).toString();
            c.newestCustomer = q.value(2).toString();
        }
    } catch (const DatabaseError &e) {
        if (e.message().startsWith(QStringLiteral("Bu dosya kullanılabilir bir yedek değil")))
            throw;
        refuse(e.message());
    }
    return c;
}

QString contentsText(const BackupContents &c) {
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    QString text = QStringLiteral("%1 fatura, %2 müşteri")
                       .arg(turkish.toString(c.invoices), turkish.toString(c.customers));
    if (c.newestNumber)
        text += QStringLiteral("; en son fatura: %1 numaralı, %2, %3")
                    .arg(*c.newestNumber)
                    .arg(c.newestDate, c.newestCustomer);
    return text;
}

QString restoreBackup(const QString &backup, const QString &database, const QDateTime &moment) {
    if (isServerAddress(database))
        throw DatabaseError(
            QStringLiteral("Sunucudaki defterler program içinden geri yüklenmez: yedeği boş bir "
                           "veritabanına pg_restore ile yükleyin (pg_restore -d VERİTABANI "
                           "DOSYA).\n%1")
                .arg(shownAddress(database)));
    checkBackup(backup);
    const QString kept = database + QStringLiteral(".onceki-") + moment.toString(stampFormat);
    Database db(database, Database::Access::Write);
    // The write lock of the books held throughout: no other program is half-way through a
    // save when the file is replaced, and none starts one.
    db.transaction([&] {
        if (const QString why = copyWhole(database, kept); !why.isEmpty())
            throw DatabaseError(
                QStringLiteral("Defterlerin bir kopyası saklanamadı: %1\n%2").arg(kept, why));
        if (const QString why = copyWhole(backup, database); !why.isEmpty())
            throw DatabaseError(
                QStringLiteral("Yedek geri yüklenemedi; defterler olduğu gibi duruyor: %1\n%2")
                    .arg(database, why));
    });
    return kept;
}
