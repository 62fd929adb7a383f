#pragma once

#include "store/database.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Bringing an old Access (Jet 3 / Jet 4) file over into a new SQLite database. The source
// is only ever read. MUSTERI and faturalar get the program's own schema and indexes; every
// other table keeps its name and columns.

// Thrown when the progress callback asked to stop; nothing was left behind.
class ImportStopped : public DatabaseError {
public:
    ImportStopped();
};

// One table as it was brought over.
struct ImportedTable {
    QString sourceName;  // name in the Jet file
    QString targetName;  // name in the new database (MUSTERI and faturalar as spelled here)
    qint64 rowCount = 0; // rows read from the source, and found in the new database
};

struct ImportReport {
    QString version;             // "Jet 3", "Jet 4" or "ACE"
    QList<ImportedTable> tables; // in the order of the file's own table list
    QStringList notes;           // dropped columns, unreadable dates, ... (Turkish)
};

// Called when a table starts, every few hundred rows and when it ends, with the table's
// name in the source, the rows copied so far and the rows the table holds. Returning false
// stops the import.
using ImportProgress = std::function<bool(const QString &table, qint64 done, qint64 total)>;

// Removes what imports killed half-way left beside `target` (or, the second form, anywhere in
// `folder`): temporary files whose lock is free or held by a process that is gone. An import
// still running keeps its files. Returns the temporary files removed.
QStringList removeImportLeftovers(const QString &target);
QStringList removeImportLeftoversIn(const QString &folder);

// The temporary file an import into `target` writes first, the suffix of its lock file, and
// the temporary file removed with its journals: shared by the reader (store/jetread.h).
QString importTemporaryName(const QString &target);
QString importLockSuffix();
void removeImportTemporary(const QString &name);

// The name the old file is kept under: `<path>.eski`, or `.eski2`, `.eski3`, ... when taken.
QString oldFileName(const QString &path);

struct ConversionResult {
    QString oldFile; // where the Jet file is now
    ImportReport report;
};

// Replaces the Jet database at `path` with an SQLite copy under the same name, so that the
// settings keep naming it: imports into a new file beside it with `import(source, target)`
// (importJet() of store/jetread.h, or in a child process: importJetInChild), then moves the
// old file to oldFileName(path) and the new one to `path`. `import` throws as importJet()
// does. Any failure leaves the old file as it was, under its own name, and throws
// DatabaseError saying why. The plan (the old and the new name) is written first beside `path`
// ("<path>.aktarma-yarim"), so that a kill at any moment leaves a state recoverConversion()
// finishes or undoes.
using JetImport = std::function<ImportReport(const QString &source, const QString &target)>;
ConversionResult convertJetDatabase(const QString &path, const JetImport &import);

// What a start did about an interrupted conversion: notices naming the files it touched, and
// problems it could not solve.
struct Recovery {
    QStringList notices;
    QStringList problems;
};

// Finishes or undoes a conversion of `path` that a kill interrupted: killed between the two
// renames, the new file takes the database's name; killed before the old file was moved, the
// half-done import goes and the old file stays (the import is offered again). Nothing to do
// when no conversion of `path` was under way.
Recovery recoverConversion(const QString &path);
