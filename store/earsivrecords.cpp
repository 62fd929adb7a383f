#include "store/earsivrecords.h"

#include "base/numbers.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace {

const QString table = QStringLiteral("earsiv_faturalar");

bool haveTable(Database &db) {
    return db.db().tables().contains(table, Qt::CaseInsensitive);
}

// In the order of EArsivRecord.
const QStringList firstColumns = {QStringLiteral("faturano"),
                                  QStringLiteral("gib_no"),
                                  QStringLiteral("seri"),
                                  QStringLiteral("yil"),
                                  QStringLiteral("sira"),
                                  QStringLiteral("uuid"),
                                  QStringLiteral("duzenleme_saati"),
                                  QStringLiteral("kdv_orani"),
                                  QStringLiteral("ozet"),
                                  QStringLiteral("aktarim_zamani")};
// Added later, each with what an older program's record means.
struct LaterColumn {
    const char *name;
    const char *definition;
};
const LaterColumn laterColumns[] = {
    {"senaryo", "TEXT NOT NULL DEFAULT 'EARSIVFATURA'"},
    {"gonderim", "TEXT NOT NULL DEFAULT ''"},
    {"duzenleme_tarihi", "TEXT NOT NULL DEFAULT ''"},
    {"bicim", "INTEGER NOT NULL DEFAULT 1"},
};

// The columns to select: a later one the table lacks is read as its default.
QString selectList(Database &db) {
    const QSqlRecord present = db.db().record(table);
    QStringList list = firstColumns;
    for (const LaterColumn &c : laterColumns) {
        const QString name = QString::fromLatin1(c.name);
        if (present.contains(name))
            list << name;
        else
            list << QString::fromLatin1(c.definition).section(u' ', -1) + QStringLiteral(" AS ") +
                        name;
    }
    return list.join(QStringLiteral(", "));
}

EArsivRecord recordOf(const QSqlQuery &q) {
    EArsivRecord r{q.value(0).toLongLong(), q.value(1).toString(),   q.value(2).toString(),
                   q.value(3).toInt(),      q.value(4).toLongLong(), q.value(5).toString(),
                   q.value(6).toString(),   q.value(7).toString(),   q.value(8).toString(),
                   q.value(9).toString()};
    r.profile = q.value(10).toString();
    r.sendType = q.value(11).toString();
    r.issueDate = q.value(12).toString();
    r.format = q.value(13).toInt();
    return r;
}

std::optional<EArsivRecord> recordWhere(Database &db, const char *column, const QVariant &value) {
    if (!haveTable(db))
        return std::nullopt;
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                          .arg(selectList(db), table, QString::fromLatin1(column)),
                      {value}, QStringLiteral("e-Arşiv kaydı okunurken"));
    if (!q.next())
        return std::nullopt;
    return recordOf(q);
}

} // namespace

std::optional<EArsivRecord> earsivRecord(Database &db, qint64 invoiceNumber) {
    return recordWhere(db, "faturano", invoiceNumber);
}

std::optional<EArsivRecord> earsivRecordOfNumber(Database &db, const QString &gibNumber) {
    return recordWhere(db, "gib_no", gibNumber);
}

QHash<qint64, EArsivRecord> earsivRecords(Database &db, const QList<qint64> &numbers) {
    QHash<qint64, EArsivRecord> records;
    if (numbers.isEmpty() || !haveTable(db))
        return records;
    QSet<qint64> wanted(numbers.cbegin(), numbers.cend());
    // Read between the smallest and the largest number asked for: one query, on the key.
    const auto [low, high] = std::minmax_element(numbers.cbegin(), numbers.cend());
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT %1 FROM %2 WHERE faturano BETWEEN ? AND ?")
                          .arg(selectList(db), table),
                      {*low, *high}, QStringLiteral("e-Arşiv kayıtları okunurken"));
    while (q.next()) {
        const qint64 n = q.value(0).toLongLong();
        if (wanted.contains(n))
            records.insert(n, recordOf(q));
    }
    return records;
}

QHash<qint64, QString> earsivNumbers(Database &db) {
    QHash<qint64, QString> numbers;
    if (!haveTable(db))
        return numbers;
    QSqlQuery q = run(db, QStringLiteral("SELECT faturano, gib_no FROM %1").arg(table), {},
                      QStringLiteral("e-Arşiv numaraları okunurken"));
    while (q.next())
        numbers.insert(q.value(0).toLongLong(), q.value(1).toString());
    return numbers;
}

qint64 lastEArsivSerial(Database &db, const QString &prefix, int year) {
    const QString activity = QStringLiteral("e-Arşiv numarası verilirken");
    // One lock for every series and year: the table too is made under it, as two servers'
    // sessions making it at once collide.
    db.lockNumber(table, 0);
    run(db,
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (faturano %2 PRIMARY KEY, "
                       "gib_no TEXT NOT NULL UNIQUE, seri TEXT NOT NULL, yil INTEGER NOT NULL, "
                       "sira %2 NOT NULL, uuid TEXT NOT NULL UNIQUE, "
                       "duzenleme_saati TEXT NOT NULL, kdv_orani TEXT NOT NULL, "
                       "ozet TEXT NOT NULL, aktarim_zamani TEXT NOT NULL, "
                       "senaryo TEXT NOT NULL DEFAULT 'EARSIVFATURA', "
                       "gonderim TEXT NOT NULL DEFAULT '', "
                       "duzenleme_tarihi TEXT NOT NULL DEFAULT '', "
                       "bicim INTEGER NOT NULL DEFAULT 1, "
                       "UNIQUE (seri, yil, sira))")
            .arg(table, db.integerType()),
        {}, activity);
    const QSqlRecord present = db.db().record(table);
    for (const LaterColumn &c : laterColumns) {
        if (!present.contains(QString::fromLatin1(c.name)))
            run(db,
                QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                    .arg(table, QString::fromLatin1(c.name), QString::fromLatin1(c.definition)),
                {}, activity);
    }
    QSqlQuery q =
        run(db, QStringLiteral("SELECT max(sira) FROM %1 WHERE seri = ? AND yil = ?").arg(table),
            {prefix, year}, activity);
    return q.next() && !q.value(0).isNull() ? q.value(0).toLongLong() : 0;
}

std::optional<LatestNumbered> latestNumbered(Database &db, const QString &prefix, int year) {
    const QString activity = QStringLiteral("e-Arşiv numarası verilirken");
    // Records of an older program have no date of their own: their invoice's is theirs.
    QSqlQuery undated = run(db,
                            QStringLiteral("SELECT faturano FROM %1 WHERE seri = ? AND yil = ? "
                                           "AND duzenleme_tarihi = ''")
                                .arg(table),
                            {prefix, year}, activity);
    QList<qint64> numbers;
    while (undated.next())
        numbers << undated.value(0).toLongLong();
    for (qint64 n : numbers) {
        QSqlQuery date =
            run(db,
                QStringLiteral("SELECT fatura_tarihi FROM faturalar WHERE faturano = ? "
                               "ORDER BY %1 LIMIT 1")
                    .arg(db.rowKey()),
                {n}, activity);
        const std::optional<QDate> d =
            date.next() ? invoiceDate(date.value(0).toString()) : std::nullopt;
        if (d)
            run(db,
                QStringLiteral("UPDATE %1 SET duzenleme_tarihi = ? WHERE faturano = ?").arg(table),
                {d->toString(Qt::ISODate), n}, activity);
    }
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT faturano, gib_no, duzenleme_tarihi FROM %1 "
                                     "WHERE seri = ? AND yil = ? AND duzenleme_tarihi <> '' "
                                     "ORDER BY duzenleme_tarihi DESC, sira DESC LIMIT 1")
                          .arg(table),
                      {prefix, year}, activity);
    if (!q.next())
        return std::nullopt;
    return LatestNumbered{q.value(0).toLongLong(), q.value(1).toString(),
                          QDate::fromString(q.value(2).toString(), Qt::ISODate)};
}

void insertEArsivRecord(Database &db, const EArsivRecord &r) {
    QStringList columns = firstColumns;
    for (const LaterColumn &c : laterColumns)
        columns << QString::fromLatin1(c.name);
    const QStringList placeholders(columns.size(), QStringLiteral("?"));
    run(db,
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(table, columns.join(QStringLiteral(", ")),
                 placeholders.join(QStringLiteral(", "))),
        {r.invoiceNumber, r.gibNumber, r.prefix, r.year, r.serial, r.uuid, r.issueTime, r.vatRate,
         r.digest, r.exportedAt, r.profile, nonNullText(r.sendType), nonNullText(r.issueDate),
         r.format},
        QStringLiteral("%1 numaralı faturanın e-Arşiv kaydı yazılırken").arg(r.invoiceNumber));
}

QList<InvoiceSummary> invoiceSummaries(Database &db) {
    db.requireColumns(QStringLiteral("faturalar"),
                      {QStringLiteral("faturano"), QStringLiteral("fatura_tarihi"),
                       QStringLiteral("adi_soyadi")});
    // The header of an invoice is on its every row; its first row speaks for it.
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT faturano, fatura_tarihi, adi_soyadi FROM faturalar "
                                     "WHERE %1 IN (SELECT min(%1) FROM faturalar "
                                     "WHERE faturano IS NOT NULL GROUP BY faturano) "
                                     "ORDER BY faturano")
                          .arg(db.rowKey()),
                      {}, QStringLiteral("fatura listesi okunurken"));
    QList<InvoiceSummary> list;
    while (q.next())
        list << InvoiceSummary{q.value(0).toLongLong(), q.value(1).toString(),
                               q.value(2).toString()};
    return list;
}

InvoiceSummaryPage invoiceSummariesAfter(Database &db, std::optional<qint64> after, int count) {
    db.requireColumns(QStringLiteral("faturalar"),
                      {QStringLiteral("faturano"), QStringLiteral("fatura_tarihi"),
                       QStringLiteral("adi_soyadi")});
    QVariantList values;
    if (after)
        values << *after;
    values << count;
    // The page is chosen on the index of the numbers, then only its first rows are read.
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT faturano, fatura_tarihi, adi_soyadi FROM faturalar "
                                     "WHERE %1 IN (SELECT min(%1) FROM faturalar WHERE %2 "
                                     "GROUP BY faturano ORDER BY faturano LIMIT ?) "
                                     "ORDER BY faturano")
                          .arg(db.rowKey(), after ? QStringLiteral("faturano > ?")
                                                  : QStringLiteral("faturano IS NOT NULL")),
                      values, QStringLiteral("fatura listesi okunurken"));
    InvoiceSummaryPage page;
    while (q.next())
        page.invoices << InvoiceSummary{q.value(0).toLongLong(), q.value(1).toString(),
                                        q.value(2).toString()};
    if (page.invoices.isEmpty() || !haveTable(db))
        return page;
    QSqlQuery numbers = run(
        db,
        QStringLiteral("SELECT faturano, gib_no FROM %1 WHERE faturano BETWEEN ? AND ?").arg(table),
        {page.invoices.first().number, page.invoices.last().number},
        QStringLiteral("e-Arşiv numaraları okunurken"));
    while (numbers.next())
        page.earsivNumbers.insert(numbers.value(0).toLongLong(), numbers.value(1).toString());
    return page;
}
