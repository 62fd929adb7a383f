#include "store/servercopy.h"

#include "store/database.h"
#include "store/earsivrecords.h"
#include "store/efaturausers.h"
#include "store/invoices.h"
#include "store/summaries.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

bool isProgramTable(const QString &name) {
    return !name.compare(QLatin1String("MUSTERI"), Qt::CaseInsensitive) ||
           !name.compare(QLatin1String("faturalar"), Qt::CaseInsensitive);
}

// SQLite's rules for a declared type's affinity, as server types. Columns without a type or of
// NUMERIC affinity can hold anything in SQLite, so they become text.
QString serverType(const QString &declared) {
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return QStringLiteral("bigint");
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) ||
        t.contains(QLatin1String("TEXT")))
        return QStringLiteral("text");
    if (t.contains(QLatin1String("BLOB")))
        return QStringLiteral("bytea");
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB")))
        return QStringLiteral("double precision");
    return QStringLiteral("text");
}

struct Column {
    QString name; // lower case: the server folds the program's unquoted names so
    QString type;
};

QList<Column> sourceColumns(Database &db, const QString &table) {
    QSqlQuery q = run(db, QStringLiteral("SELECT name, type FROM pragma_table_info(?)"), {table},
                      QStringLiteral("%1 tablosu okunurken").arg(table));
    QList<Column> columns;
    while (q.next())
        columns << Column{q.value(0).toString().toLower(), serverType(q.value(1).toString())};
    return columns;
}

// `sqlName` is the table as the statement names it.
qint64 count(Database &db, const QString &sqlName, const QString &table) {
    QSqlQuery q = run(db, QStringLiteral("SELECT count(*) FROM %1").arg(sqlName), {},
                      QStringLiteral("%1 tablosunun satırları sayılırken").arg(table));
    return q.next() ? q.value(0).toLongLong() : -1;
}

} // namespace

QList<ImportedTable> copyToServer(const QString &source, const QString &address,
                                  const std::function<void(const QString &, qint64)> &progress) {
    if (!isServerAddress(address))
        throw DatabaseError(
            QStringLiteral("Hedef bir PostgreSQL adresi değil: %1").arg(shownAddress(address)));
    Database from(source);
    Database to(address, Database::Access::Write);
    if (!to.tableNames().isEmpty())
        throw DatabaseError(
            QStringLiteral("Hedef veritabanı boş değil; aktarma yalnızca boş bir veritabanına "
                           "yapılır: %1")
                .arg(to.path()));
    QList<ImportedTable> copied;
    to.transaction([&] {
        createTables(to);
        // The program's own tables with their keys, as the program makes them: the e-Arşiv
        // numbers, what is kept beside each invoice (its saves are counted by a key) and the
        // e-Fatura user list (looked up by its key).
        lastEArsivSerial(to, {}, 0);
        createInvoiceInfoTable(to);
        createRegisteredUserTables(to);
        // The reports' summaries name the rows they were made from by their keys: the invoice
        // rows keep theirs there, so the summaries hold as they are.
        createSummaryTables(to);
        run(to, QStringLiteral("DELETE FROM fatura_ozet_durum"), {},
            QStringLiteral("fatura özeti tablosu aktarılırken"));
        for (const QString &table : from.tableNames()) {
            if (table.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                continue;
            const QString activity = QStringLiteral("%1 tablosu aktarılırken").arg(table);
            // The program's own tables go under the names its queries use, the others under
            // their own, spelled as they are.
            const QString target = isProgramTable(table) || to.db().tables().contains(table)
                                       ? table
                                       : sqlIdentifier(table);
            const QList<Column> columns = sourceColumns(from, table);
            QStringList names;
            QStringList definitions;
            for (const Column &c : columns) {
                names << sqlIdentifier(c.name);
                definitions << sqlIdentifier(c.name) + QLatin1Char(' ') + c.type;
            }
            const bool invoiceRows =
                !table.compare(QLatin1String("faturalar"), Qt::CaseInsensitive);
            if (invoiceRows)
                names << to.rowKey();
            if (!isProgramTable(table) && !to.db().tables().contains(table))
                run(to,
                    QStringLiteral("CREATE TABLE %1 (%2%3)")
                        .arg(target, definitions.join(QStringLiteral(", ")),
                             to.keyColumnDefinition()),
                    {}, activity);
            QSqlQuery insert(to.db());
            QStringList placeholders(names.size(), QStringLiteral("?"));
            if (!insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                    .arg(target, names.join(QStringLiteral(", ")),
                                         placeholders.join(QStringLiteral(", ")))))
                to.fail(activity, insert.lastError());
            QSqlQuery rows = run(
                from,
                QStringLiteral("SELECT *%1 FROM %2 ORDER BY rowid")
                    .arg(invoiceRows ? QStringLiteral(", rowid") : QString(), sqlIdentifier(table)),
                {}, activity);
            qint64 n = 0;
            while (rows.next()) {
                for (int i = 0; i < names.size(); ++i)
                    insert.bindValue(i, rows.value(i));
                if (!insert.exec())
                    to.fail(QStringLiteral("%1 tablosunun %2. satırı aktarılırken")
                                .arg(table)
                                .arg(n + 1),
                            insert.lastError());
                if (++n % 10000 == 0 && progress)
                    progress(table, n);
            }
            // Every row there, none twice: counted on both sides before anything is kept.
            const qint64 there = count(to, target, table);
            if (there != n || count(from, sqlIdentifier(table), table) != n)
                throw DatabaseError(QStringLiteral("%1 tablosunda satır sayısı tutmuyor: %2 "
                                                   "satırdan %3 satır aktarıldı (%4)")
                                        .arg(table)
                                        .arg(n)
                                        .arg(there)
                                        .arg(to.path()));
            if (invoiceRows && n > 0)
                run(to,
                    QStringLiteral("SELECT setval(pg_get_serial_sequence('faturalar', '%1'), "
                                   "(SELECT max(%1) FROM faturalar))")
                        .arg(to.rowKey()),
                    {}, activity);
            copied << ImportedTable{table, table, n};
        }
        run(to,
            QStringLiteral("INSERT INTO fatura_ozet_durum (tek, son_satir) SELECT 1, 0 WHERE NOT "
                           "EXISTS (SELECT 1 FROM fatura_ozet_durum)"),
            {}, QStringLiteral("fatura özeti tablosu aktarılırken"));
    });
    to.updateStatistics();
    return copied;
}
