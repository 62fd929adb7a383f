#include "store/earsivrecords.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString table = QStringLiteral("earsiv_faturalar");

bool haveTable(Database &db) {
    return db.db().tables().contains(table, Qt::CaseInsensitive);
}

const char *const selectColumns =
    "faturano, gib_no, seri, yil, sira, uuid, duzenleme_saati, kdv_orani, ozet, aktarim_zamani";

std::optional<EArsivRecord> recordWhere(Database &db, const char *column, const QVariant &value) {
    if (!haveTable(db))
        return std::nullopt;
    QSqlQuery q =
        run(db,
            QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                .arg(QString::fromLatin1(selectColumns), table, QString::fromLatin1(column)),
            {value}, QStringLiteral("e-Arşiv kaydı okunurken"));
    if (!q.next())
        return std::nullopt;
    return EArsivRecord{q.value(0).toLongLong(), q.value(1).toString(),   q.value(2).toString(),
                        q.value(3).toInt(),      q.value(4).toLongLong(), q.value(5).toString(),
                        q.value(6).toString(),   q.value(7).toString(),   q.value(8).toString(),
                        q.value(9).toString()};
}

} // namespace

std::optional<EArsivRecord> earsivRecord(Database &db, qint64 invoiceNumber) {
    return recordWhere(db, "faturano", invoiceNumber);
}

std::optional<EArsivRecord> earsivRecordOfNumber(Database &db, const QString &gibNumber) {
    return recordWhere(db, "gib_no", gibNumber);
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
                       "UNIQUE (seri, yil, sira))")
            .arg(table, db.integerType()),
        {}, activity);
    QSqlQuery q =
        run(db, QStringLiteral("SELECT max(sira) FROM %1 WHERE seri = ? AND yil = ?").arg(table),
            {prefix, year}, activity);
    return q.next() && !q.value(0).isNull() ? q.value(0).toLongLong() : 0;
}

void insertEArsivRecord(Database &db, const EArsivRecord &r) {
    run(db,
        QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
            .arg(table, QString::fromLatin1(selectColumns)),
        {r.invoiceNumber, r.gibNumber, r.prefix, r.year, r.serial, r.uuid, r.issueTime, r.vatRate,
         r.digest, r.exportedAt},
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
