#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// Copies of the books taken while the program runs, and putting one back.

// The name of a backup taken at `moment`: fatura-YYYYMMDD-HHMMSS.MDB, or .dump for the books
// of a server (pg_dump's own format).
QString backupFileName(const QDateTime &moment, bool server);

// Whether `folder` holds a backup taken on `day`.
bool hasBackupOf(const QString &folder, const QDate &day);

struct BackupResult {
    QString path;        // the new backup
    QStringList removed; // older backups removed to keep `keep`
};

// Copies the books at `database` (a file or a server address) into `folder`, made when
// missing. A file is copied at one moment by SQLite itself (VACUUM INTO) while other programs
// go on writing, into a temporary name renamed when whole and checked; a server's books by
// pg_dump, and without it a message says which package to install. Afterwards only the newest
// `keep` backups stay in the folder. Throws DatabaseError naming the file or folder.
BackupResult backupDatabase(const QString &database, const QString &folder, const QDateTime &moment,
                            int keep = 30);

// What a backup holds, as the user is shown it before the books are replaced by it.
struct BackupContents {
    qint64 invoices = 0;
    qint64 customers = 0;
    std::optional<qint64> newestNumber; // the largest invoice number
    QString newestDate;
    QString newestCustomer;
};

// Checks a backup file: an SQLite file that passes its integrity check and holds the books'
// tables. Throws DatabaseError naming the file and what is wrong with it.
BackupContents checkBackup(const QString &backup);

// "1.234 fatura, 56 müşteri; en son fatura: 1234 numaralı, 05.03.2026, Anadolu Gıda"
QString contentsText(const BackupContents &contents);

// Replaces the books at `database` with the checked `backup`. The books as they were are
// kept beside them first (<database>.onceki-YYYYMMDD-HHMMSS, returned). Both files are
// written whole under a temporary name and renamed, so a kill at any moment leaves the old
// books or the restored ones, never a mixture; no other program writes meanwhile. A server's
// books are not replaced here: the message says how. Throws DatabaseError.
QString restoreBackup(const QString &backup, const QString &database, const QDateTime &moment);
