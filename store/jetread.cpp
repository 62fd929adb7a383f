// Reading an Access (Jet) file with libmdb. Only the import child (fatura-aktar) and the
// tests link this: the program itself never loads libmdb.
#include "store/jetread.h"

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

// glib first: mdbtools.h includes it inside extern "C" otherwise.
#include <glib.h>

#include <mdbtools.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct CloseMdb {
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct FreeTableDef {
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using MdbFile = std::unique_ptr<MdbHandle, CloseMdb>;
using MdbTable = std::unique_ptr<MdbTableDef, FreeTableDef>;

// libmdb copies every value into a buffer of the "bind size". A memo that does not fit
// comes back cut short; the table is then read again with a larger size, up to the last.
size_t initialBindSize = 64 * 1024;
constexpr size_t maxBindSize = 64 * 1024 * 1024;
// Large objects are copied a page at a time into the same buffers, whatever the bind size.
constexpr size_t minBufferSize = 8192;
constexpr qint64 progressInterval = 250;

// What a Jet column becomes.
enum class ValueType { Integer, Decimal, Single, Text, Date, Binary, Ole };

ValueType valueType(int mdbType) {
    switch (mdbType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return ValueType::Integer;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return ValueType::Decimal;
    case MDB_FLOAT:
        return ValueType::Single;
    case MDB_DATETIME:
        return ValueType::Date;
    case MDB_BINARY:
        return ValueType::Binary;
    case MDB_OLE:
        return ValueType::Ole;
    default: // text, memo, replication ids and anything newer
        return ValueType::Text;
    }
}

QString sqlType(ValueType type) {
    switch (type) {
    case ValueType::Integer:
        return QStringLiteral("INTEGER");
    case ValueType::Decimal:
    case ValueType::Single:
        return QStringLiteral("REAL");
    case ValueType::Binary:
    case ValueType::Ole:
        return QStringLiteral("BLOB");
    case ValueType::Text:
    case ValueType::Date:
        break;
    }
    return QStringLiteral("TEXT");
}

struct Column {
    MdbColumn *mdb = nullptr;
    QString name;
    ValueType type = ValueType::Text;
    QString targetName;       // column in the new database; empty when it is not copied
    int position = -1;        // position in the INSERT
    bool programText = false; // a text column of the program's own tables
    QByteArray buffer;
    int length = 0;
    qint64 unreadableDates = 0;
};

// libmdb prints numbers with the C library's printf, so the decimal point follows the
// process locale; accept either mark (it never groups thousands).
QByteArray withDecimalPoint(const char *s, int n) {
    QByteArray b(s, n);
    b.replace(',', '.');
    return b.trimmed();
}

std::optional<qint64> integerValue(const QByteArray &b) {
    qint64 v = 0;
    const auto [end, error] = std::from_chars(b.constData(), b.constData() + b.size(), v);
    if (error != std::errc() || end != b.constData() + b.size())
        return std::nullopt;
    return v;
}

template <class T> std::optional<T> decimalValue(const QByteArray &b) {
    T v = 0;
    const auto [end, error] = std::from_chars(b.constData(), b.constData() + b.size(), v);
    if (error != std::errc() || end != b.constData() + b.size())
        return std::nullopt;
    return v;
}

// A single-precision value as the number it was typed as: 0.05 rather than 0.0500000007.
std::optional<double> singleValue(const QByteArray &b) {
    const std::optional<float> f = decimalValue<float>(b);
    if (!f)
        return std::nullopt;
    char shortest[32];
    const auto [end, error] = std::to_chars(shortest, shortest + sizeof shortest, *f);
    if (error != std::errc())
        return double(*f);
    return decimalValue<double>(QByteArray(shortest, int(end - shortest)));
}

int parseDigits(const char *s, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// The date text libmdb was told to write ("%Y-%m-%d %H:%M:%S"). A date it cannot place
// (before 1899-12-30, or too far ahead) comes out as day 0 of 1900 and is invalid here.
std::optional<QDateTime> readDate(const char *s, int n) {
    if (n != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
        return std::nullopt;
    const QDate day(parseDigits(s, 4), parseDigits(s + 5, 2), parseDigits(s + 8, 2));
    const QTime time(parseDigits(s + 11, 2), parseDigits(s + 14, 2), parseDigits(s + 17, 2));
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(day, time);
}

QString dateText(const QDateTime &t, bool programText) {
    // The program's own date texts are Turkish (dd.MM.yyyy); other tables get ISO dates.
    const QString day = t.date().toString(programText ? QStringLiteral("dd.MM.yyyy")
                                                      : QStringLiteral("yyyy-MM-dd"));
    if (t.time() == QTime(0, 0))
        return day;
    return day + QLatin1Char(' ') + t.time().toString(QStringLiteral("HH:mm:ss"));
}

// A value libmdb could not read; the importer names the table and the file.
struct UnreadableValue {
    QString column;
};

// The current row's value of one bound column. `truncated` is set when a text may have been
// cut short by the bind size.
QVariant value(MdbHandle *mdb, Column &k, bool &truncated) {
    const char *s = k.buffer.constData();
    const int n = k.length;
    switch (k.type) {
    case ValueType::Ole: {
        if (n == 0)
            return QVariant();
        size_t size = 0;
        void *data = mdb_ole_read_full(mdb, k.mdb, &size);
        // A broken chain of pages, or one that loops until no memory is left: the object is
        // lost, and an empty value would hide it.
        if (!data)
            throw UnreadableValue{k.name};
        const QByteArray b(static_cast<const char *>(data), qsizetype(size));
        free(data);
        return b;
    }
    case ValueType::Binary: {
        // libmdb hands binary values over as C strings, cut at the first zero byte; the
        // row's own bytes are still in its page buffer.
        const int start = k.mdb->cur_value_start;
        const int size = k.mdb->cur_value_len;
        if (size <= 0 || start < 0 || start + size > int(sizeof mdb->pg_buf))
            return QVariant();
        return QByteArray(reinterpret_cast<const char *>(mdb->pg_buf) + start, size);
    }
    default:
        break;
    }
    if (n == 0) // NULL; libmdb gives an empty text the same way
        return QVariant();
    switch (k.type) {
    case ValueType::Integer:
        if (const auto v = integerValue(withDecimalPoint(s, n)))
            return *v;
        break;
    case ValueType::Decimal:
        if (const auto v = decimalValue<double>(withDecimalPoint(s, n)))
            return *v;
        break;
    case ValueType::Single:
        if (const auto v = singleValue(withDecimalPoint(s, n)))
            return *v;
        break;
    case ValueType::Date:
        if (const auto t = readDate(s, n))
            return dateText(*t, k.programText);
        ++k.unreadableDates;
        return QVariant();
    default:
        if (size_t(n) + 4 >= mdb->bind_size)
            truncated = true;
        break;
    }
    return QString::fromUtf8(s, n);
}

// The columns of one table of the new database, as SQLite lists them.
struct ProgramTable {
    QString name;
    QStringList columns;
    QStringList types;
    bool inSource = false;
};

QList<ProgramTable> programTables(Database &db) {
    QList<ProgramTable> tables;
    QSqlQuery q(db.db());
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                               "ORDER BY rowid")))
        db.fail(QStringLiteral("tablolar okunurken"), q.lastError());
    while (q.next())
        tables.append({q.value(0).toString(), {}, {}, false});
    for (ProgramTable &t : tables) {
        if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(sqlIdentifier(t.name))))
            db.fail(QStringLiteral("tablo okunurken"), q.lastError());
        while (q.next()) {
            t.columns << q.value(1).toString();
            t.types << q.value(2).toString().toUpper();
        }
    }
    return tables;
}

QString versionName(const MdbHandle *mdb) {
    switch (mdb->f->jet_version) {
    case MDB_VER_JET3:
        return QStringLiteral("Jet 3");
    case MDB_VER_JET4:
        return QStringLiteral("Jet 4");
    default:
        return QStringLiteral("ACE");
    }
}

[[noreturn]] void writeFailure(const QString &target, const QString &activity,
                               const QString &engine) {
    throw DatabaseError(
        QStringLiteral("Aktarma yapılamadı (%1): %2\n%3").arg(activity, target, engine));
}

[[noreturn]] void writeFailure(const QString &target, const QString &table, const QSqlError &e) {
    writeFailure(target, QStringLiteral("%1 tablosu yazılırken").arg(table), e.text());
}

class JetImporter {
public:
    JetImporter(MdbHandle *mdb, Database &db, const QString &source, const QString &target,
                const ImportProgress &progress, ImportReport &report)
        : m_mdb(mdb)
        , m_db(db)
        , m_source(source)
        , m_target(target)
        , m_progress(progress)
        , m_report(report)
        , m_programTables(programTables(db)) {}

    void copyTable(MdbCatalogEntry *entry);
    void noteMissingProgramTables();

private:
    QString prepareTable(const QString &sourceName, std::vector<Column> &columns);
    qint64 copyRows(MdbTableDef *table, const QString &sourceName, const QString &targetName,
                    std::vector<Column> &columns, QSqlQuery &insert);
    void reportProgress(const QString &table, qint64 done, qint64 total) {
        if (m_progress && !m_progress(table, done, total))
            throw ImportStopped();
    }

    MdbHandle *m_mdb;
    Database &m_db;
    QString m_source;
    QString m_target;
    const ImportProgress &m_progress;
    ImportReport &m_report;
    QList<ProgramTable> m_programTables;
};

// Decides where each source column goes and creates the table when it is not one of the
// program's. Returns the name of the table in the new database.
QString JetImporter::prepareTable(const QString &sourceName, std::vector<Column> &columns) {
    ProgramTable *program = nullptr;
    for (ProgramTable &t : m_programTables)
        if (t.name.compare(sourceName, Qt::CaseInsensitive) == 0)
            program = &t;

    if (!program) {
        QStringList definitions;
        for (Column &k : columns) {
            k.targetName = k.name;
            definitions << sqlIdentifier(k.name) + QLatin1Char(' ') + sqlType(k.type);
        }
        QSqlQuery q(m_db.db());
        if (!q.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                        .arg(sqlIdentifier(sourceName), definitions.join(QStringLiteral(", ")))))
            writeFailure(m_target, sourceName, q.lastError());
        return sourceName;
    }

    program->inSource = true;
    QStringList found, dropped, missing;
    for (Column &k : columns) {
        for (qsizetype i = 0; i < program->columns.size(); ++i) {
            if (program->columns[i].compare(k.name, Qt::CaseInsensitive) == 0) {
                k.targetName = program->columns[i];
                k.programText = program->types[i] == QLatin1String("TEXT");
                found << k.targetName;
            }
        }
        if (k.targetName.isEmpty())
            dropped << k.name;
    }
    for (const QString &name : std::as_const(program->columns))
        if (!found.contains(name))
            missing << name;
    const QString separator = QStringLiteral(", ");
    if (!dropped.isEmpty())
        m_report.notes << QStringLiteral(
                              "%1: programın tablosunda olmayan sütunlar aktarılmadı: %2.")
                              .arg(program->name, dropped.join(separator));
    if (!missing.isEmpty())
        m_report.notes << QStringLiteral("%1: kaynakta olmayan sütunlar boş kaldı: %2.")
                              .arg(program->name, missing.join(separator));
    return program->name;
}

void JetImporter::copyTable(MdbCatalogEntry *entry) {
    const QString sourceName = QString::fromUtf8(entry->object_name);
    MdbTable table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        throw DatabaseError(QStringLiteral("Access dosyasındaki %1 tablosu okunamadı: %2")
                                .arg(sourceName, m_source));

    std::vector<Column> columns(table->num_cols);
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        columns[i].mdb = column;
        columns[i].name = QString::fromUtf8(column->name);
        columns[i].type = valueType(column->col_type);
    }
    const QString targetName = prepareTable(sourceName, columns);

    QStringList names, placeholders;
    for (Column &k : columns) {
        if (k.targetName.isEmpty())
            continue;
        k.position = int(names.size());
        names << sqlIdentifier(k.targetName);
        placeholders << QStringLiteral("?");
    }

    QSqlQuery insert(m_db.db());
    const QString sql =
        names.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(sqlIdentifier(targetName))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(sqlIdentifier(targetName), names.join(QStringLiteral(", ")),
                       placeholders.join(QStringLiteral(", ")));
    if (!insert.prepare(sql))
        writeFailure(m_target, targetName, insert.lastError());

    const qint64 copied = copyRows(table.get(), sourceName, targetName, columns, insert);

    // The file keeps each table's row count; reading fewer rows means damaged pages.
    if (copied != qint64(table->num_rows))
        throw DatabaseError(QStringLiteral("Access dosyasındaki %1 tablosu %2 satır bildiriyor, "
                                           "%3 satır okunabildi; dosya bozuk olabilir: %4")
                                .arg(sourceName)
                                .arg(table->num_rows)
                                .arg(copied)
                                .arg(m_source));
    for (const Column &k : columns)
        if (k.unreadableDates > 0)
            m_report.notes << QStringLiteral("%1.%2: %3 tarih okunamadı (1899 öncesi ya da "
                                             "çok ileri), boş bırakıldı.")
                                  .arg(sourceName, k.name)
                                  .arg(k.unreadableDates);
    m_report.tables.append({sourceName, targetName, copied});
}

qint64 JetImporter::copyRows(MdbTableDef *table, const QString &sourceName,
                             const QString &targetName, std::vector<Column> &columns,
                             QSqlQuery &insert) {
    const qint64 total = table->num_rows;
    for (size_t size = initialBindSize;; size *= 16) {
        mdb_set_bind_size(m_mdb, size);
        for (unsigned i = 0; i < columns.size(); ++i) {
            Column &k = columns[i];
            k.unreadableDates = 0;
            if (k.position < 0)
                continue; // not bound: libmdb does not even decode it
            k.buffer = QByteArray(qsizetype(std::max(size, minBufferSize)), '\0');
            k.length = 0;
            if (mdb_bind_column(table, int(i) + 1, k.buffer.data(), &k.length) < 0)
                throw DatabaseError(
                    QStringLiteral("Access dosyasındaki %1 tablosunun %2 sütunu okunamadı: %3")
                        .arg(sourceName, k.name, m_source));
        }
        mdb_rewind_table(table);
        reportProgress(sourceName, 0, total);

        qint64 copied = 0;
        bool truncated = false;
        while (!truncated && mdb_fetch_row(table)) {
            try {
                for (Column &k : columns)
                    if (k.position >= 0 && k.type != ValueType::Ole)
                        insert.bindValue(k.position, value(m_mdb, k, truncated));
                // Large objects last: reading them moves libmdb through other pages.
                for (Column &k : columns)
                    if (k.position >= 0 && k.type == ValueType::Ole)
                        insert.bindValue(k.position, value(m_mdb, k, truncated));
            } catch (const UnreadableValue &v) {
                throw DatabaseError(QStringLiteral("Access dosyasındaki %1 tablosunun %2 sütununda "
                                                   "%3. satır okunamadı; dosya bozuk olabilir: %4")
                                        .arg(sourceName, v.column)
                                        .arg(copied + 1)
                                        .arg(m_source));
            }
            if (truncated)
                break;
            if (!insert.exec())
                writeFailure(m_target, targetName, insert.lastError());
            if (++copied % progressInterval == 0)
                reportProgress(sourceName, copied, std::max(total, copied));
        }
        if (!truncated) {
            reportProgress(sourceName, copied, std::max(total, copied));
            return copied;
        }
        if (size * 16 > maxBindSize)
            throw DatabaseError(
                QStringLiteral("Access dosyasındaki %1 tablosunda aktarılamayacak kadar uzun "
                               "bir metin var: %2")
                    .arg(sourceName, m_source));
        QSqlQuery deleteRows(m_db.db());
        if (!deleteRows.exec(QStringLiteral("DELETE FROM %1").arg(sqlIdentifier(targetName))))
            writeFailure(m_target, targetName, deleteRows.lastError());
    }
}

void JetImporter::noteMissingProgramTables() {
    for (const ProgramTable &t : std::as_const(m_programTables))
        if (!t.inSource)
            m_report.notes
                << QStringLiteral("Kaynakta %1 tablosu yok; boş olarak oluşturuldu.").arg(t.name);
}

// Fills the new file `temporary` (which does not exist yet) from the Jet file.
ImportReport fillFrom(const QString &source, const QString &temporary, const QString &target,
                      const ImportProgress &progress) {
    createDatabase(temporary);
    Database db(temporary, Database::Access::Write);

    // Turkish Access 97 files: without this libmdb reads Jet 3 text as Windows-1252.
    qputenv("MDB_JET3_CHARSET", "CP1254");
    MdbFile mdb(mdb_open(QFile::encodeName(source).constData(), MDB_NOFLAGS));
    if (!mdb)
        throw DatabaseError(QStringLiteral("Access dosyası açılamadı: %1").arg(source));
    // The default formats follow the locale; these are read back in value().
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(mdb.get());

    ImportReport report;
    report.version = versionName(mdb.get());
    GPtrArray *catalog = mdb_read_catalog(mdb.get(), MDB_TABLE);
    if (!catalog)
        throw DatabaseError(
            QStringLiteral("Access dosyasının tablo listesi okunamadı: %1").arg(source));

    JetImporter importer(mdb.get(), db, source, target, progress, report);
    // One transaction, so that a failure leaves nothing half-written even in the temporary
    // file; errors name the target rather than the temporary file.
    QSqlDatabase &connection = db.db();
    if (!connection.transaction())
        writeFailure(target, QStringLiteral("işlem başlatılırken"), connection.lastError().text());
    try {
        for (guint i = 0; i < catalog->len; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(catalog, i));
            if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
                importer.copyTable(entry);
        }
    } catch (...) {
        connection.rollback();
        throw;
    }
    if (!connection.commit()) {
        const QString text = connection.lastError().text();
        connection.rollback();
        writeFailure(target, QStringLiteral("kayıt tamamlanırken"), text);
    }
    importer.noteMissingProgramTables();
    return report;
}

// Reads the finished file again, through a connection of its own: every table must hold
// exactly the rows that were read from the source.
void verify(const QString &temporary, const QString &target, const ImportReport &report) {
    Database db(temporary);
    QSqlQuery q(db.db());
    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next() ||
        q.value(0).toString() != QLatin1String("ok"))
        throw DatabaseError(QStringLiteral("Aktarılan veritabanı bozuk çıktı: %1\n%2")
                                .arg(target, q.lastError().isValid() ? q.lastError().text()
                                                                     : q.value(0).toString()));
    for (const ImportedTable &t : report.tables) {
        if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(sqlIdentifier(t.targetName))) ||
            !q.next())
            throw DatabaseError(QStringLiteral("Aktarılan %1 tablosu okunamadı: %2\n%3")
                                    .arg(t.targetName, target, q.lastError().text()));
        const qint64 count = q.value(0).toLongLong();
        if (count != t.rowCount)
            throw DatabaseError(
                QStringLiteral("%1 tablosunun satır sayısı tutmuyor: kaynakta %2, aktarılanda %3.")
                    .arg(t.targetName)
                    .arg(t.rowCount)
                    .arg(count));
    }
}

} // namespace

ImportReport importJet(const QString &source, const QString &target,
                       const ImportProgress &progress) {
    switch (fileKind(source)) {
    case FileKind::Jet:
        break;
    case FileKind::Missing:
        throw DatabaseError(QStringLiteral("Kaynak dosya bulunamadı: %1").arg(source));
    default:
        throw DatabaseError(
            QStringLiteral("Bu dosya bir Access (Jet) veritabanı değil: %1").arg(source));
    }
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() || targetInfo.isSymLink())
        throw DatabaseError(
            QStringLiteral("Hedef dosya zaten var, üzerine yazılmaz: %1").arg(target));
    const QFileInfo folder(targetInfo.absolutePath());
    if (!folder.isDir())
        throw DatabaseError(QStringLiteral("Hedef klasör bulunamadı: %1").arg(folder.filePath()));
    if (!folder.isWritable())
        throw DatabaseError(QStringLiteral("Hedef klasöre yazılamıyor: %1").arg(folder.filePath()));

    const QString temporary = importTemporaryName(target);
    // Held while the temporary file exists: a lock whose process is gone tells a later start
    // that the file is a leftover (removeImportLeftovers).
    QLockFile lock(temporary + importLockSuffix());
    if (!lock.tryLock(0))
        throw DatabaseError(
            QStringLiteral("Geçici dosya oluşturulamadı: %1").arg(temporary + importLockSuffix()));
    auto cleanup = qScopeGuard([&] { removeImportTemporary(temporary); });
    const ImportReport report = fillFrom(source, temporary, target, progress);
    verify(temporary, target, report);
    // Never replaces a file that appeared meanwhile.
    if (!QFile::rename(temporary, target))
        throw DatabaseError(
            QFileInfo::exists(target)
                ? QStringLiteral("Hedef dosya zaten var, üzerine yazılmaz: %1").arg(target)
                : QStringLiteral("Aktarılan dosyaya son adı verilemedi: %1").arg(target));
    cleanup.dismiss();
    return report;
}

void setJetInitialBindSize(size_t size) {
    initialBindSize = std::max<size_t>(size, 32);
}

ConversionResult convertJetDatabase(const QString &path, const ImportProgress &progress) {
    return convertJetDatabase(path, [&](const QString &source, const QString &target) {
        return importJet(source, target, progress);
    });
}
