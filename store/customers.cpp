#include "store/customers.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <limits>

namespace {

QString text(const QSqlQuery &q, const char *column) {
    return q.value(QString::fromLatin1(column)).toString();
}

Customer customerFromRow(const QSqlQuery &q) {
    return {q.value(QStringLiteral("sirano")).toLongLong(), text(q, "adi_soyadi"),
            text(q, "adresi"), text(q, "adresi2"), text(q, "vergidaire_no")};
}

std::optional<Customer> firstRow(QSqlQuery &q) {
    if (!q.next())
        return std::nullopt;
    return customerFromRow(q);
}

const QString table = QStringLiteral("MUSTERI");

void requireAllColumns(Database &db) {
    db.requireColumns(table, {QStringLiteral("sirano"), QStringLiteral("adi_soyadi"),
                              QStringLiteral("adresi"), QStringLiteral("adresi2"),
                              QStringLiteral("vergidaire_no")});
}

// The first row with a number: the one the register acts on when numbers repeat.
QString firstRowCondition(const Database &db) {
    return QStringLiteral("%1 = (SELECT %1 FROM MUSTERI WHERE sirano = ? ORDER BY %1 LIMIT 1)")
        .arg(db.rowKey());
}

} // namespace

CustomerLists customerLists(Database &db) {
    db.requireColumns(table, {QStringLiteral("sirano"), QStringLiteral("adi_soyadi")});
    QSqlQuery q = run(
        db, QStringLiteral("SELECT sirano, adi_soyadi FROM MUSTERI ORDER BY %1").arg(db.rowKey()),
        {}, QStringLiteral("müşteriler okunurken"));
    CustomerLists lists;
    while (q.next()) {
        lists.numbers << q.value(0).toString();
        lists.names << q.value(1).toString();
    }
    return lists;
}

namespace {

QList<CustomerEntry> pageWhere(Database &db, const QString &condition, QVariantList values,
                               std::optional<qint64> after, int count) {
    db.requireColumns(table, {QStringLiteral("sirano"), QStringLiteral("adi_soyadi")});
    QStringList conditions;
    if (!condition.isEmpty())
        conditions << condition;
    if (after) {
        conditions << db.rowKey() + QStringLiteral(" > ?");
        values << *after;
    }
    values << count;
    const QString where =
        conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(u" AND ");
    QSqlQuery q =
        run(db,
            QStringLiteral("SELECT %1, sirano, adi_soyadi FROM MUSTERI%2 ORDER BY %1 LIMIT ?")
                .arg(db.rowKey(), where),
            values, QStringLiteral("müşteriler okunurken"));
    QList<CustomerEntry> page;
    while (q.next())
        page << CustomerEntry{q.value(0).toLongLong(), q.value(1).toString(),
                              q.value(2).toString()};
    return page;
}

} // namespace

QList<CustomerEntry> customerPage(Database &db, std::optional<qint64> after, int count) {
    return pageWhere(db, {}, {}, after, count);
}

QList<CustomerEntry> customersStartingWith(Database &db, CustomerColumn column,
                                           const QString &prefix, std::optional<qint64> after,
                                           int count) {
    // substr() counts characters alike on every engine, where LIKE would ignore the case of
    // some letters on one and not on another.
    const QString field = column == CustomerColumn::Number ? QStringLiteral("CAST(sirano AS TEXT)")
                                                           : QStringLiteral("adi_soyadi");
    return pageWhere(db, QStringLiteral("substr(%1, 1, ?) = ?").arg(field),
                     {int(prefix.toUcs4().size()), prefix}, after, count);
}

std::optional<Customer> customerByNumber(Database &db, qint64 number) {
    requireAllColumns(db);
    QSqlQuery q =
        run(db, QStringLiteral("select * from MUSTERI where sirano=? ORDER BY %1").arg(db.rowKey()),
            {number}, QStringLiteral("müşteri aranırken"));
    return firstRow(q);
}

std::optional<Customer> customerByName(Database &db, const QString &name) {
    requireAllColumns(db);
    QSqlQuery q = run(
        db, QStringLiteral("select * from MUSTERI where adi_soyadi=? ORDER BY %1").arg(db.rowKey()),
        {name}, QStringLiteral("müşteri aranırken"));
    return firstRow(q);
}

qint64 proposedCustomerNumber(Database &db) {
    db.requireColumns(table, {QStringLiteral("sirano")});
    // Only whole numbers count: a value stored as text by an older program sorts above
    // every integer in SQLite and would spoil the proposal. PostgreSQL's column holds nothing
    // else.
    QSqlQuery q = run(
        db,
        db.engine() == Engine::PostgreSQL
            ? QStringLiteral("SELECT max(sirano) FROM MUSTERI")
            : QStringLiteral("SELECT max(sirano) FROM MUSTERI WHERE typeof(sirano) = 'integer'"),
        {}, QStringLiteral("müşteri numaraları okunurken"));
    if (!q.next() || q.value(0).isNull())
        return 1;
    const qint64 largest = q.value(0).toLongLong();
    // Nothing lies above the largest number there is; proposing it again gets the
    // "already in use" answer on save instead of an overflow.
    return largest == std::numeric_limits<qint64>::max() ? largest : largest + 1;
}

CustomerResult addCustomer(Database &db, const Customer &m) {
    requireAllColumns(db);
    CustomerResult result = CustomerResult::Ok;
    db.transaction([&] {
        db.lockNumber(table, m.sirano);
        QSqlQuery existing = run(db, QStringLiteral("SELECT 1 FROM MUSTERI WHERE sirano = ?"),
                                 {m.sirano}, QStringLiteral("müşteri aranırken"));
        if (existing.next()) {
            result = CustomerResult::NumberTaken;
            return;
        }
        run(db,
            QStringLiteral("INSERT INTO MUSTERI (sirano, adi_soyadi, adresi, adresi2, "
                           "vergidaire_no) VALUES (?, ?, ?, ?, ?)"),
            {m.sirano, nonNullText(m.adi_soyadi), nonNullText(m.adresi), nonNullText(m.adresi2),
             nonNullText(m.vergidaire_no)},
            QStringLiteral("müşteri kaydedilirken"));
    });
    return result;
}

CustomerResult updateCustomer(Database &db, const Customer &m) {
    requireAllColumns(db);
    QSqlQuery q = run(db,
                      QStringLiteral("UPDATE MUSTERI SET sirano = ?, adi_soyadi = ?, adresi = ?, "
                                     "adresi2 = ?, vergidaire_no = ? WHERE ") +
                          firstRowCondition(db),
                      {m.sirano, nonNullText(m.adi_soyadi), nonNullText(m.adresi),
                       nonNullText(m.adresi2), nonNullText(m.vergidaire_no), m.sirano},
                      QStringLiteral("müşteri kaydedilirken"));
    return q.numRowsAffected() > 0 ? CustomerResult::Ok : CustomerResult::NotFound;
}

CustomerResult deleteCustomer(Database &db, qint64 number) {
    db.requireColumns(table, {QStringLiteral("sirano")});
    QSqlQuery q = run(db, QStringLiteral("DELETE FROM MUSTERI WHERE ") + firstRowCondition(db),
                      {number}, QStringLiteral("müşteri silinirken"));
    return q.numRowsAffected() > 0 ? CustomerResult::Ok : CustomerResult::NotFound;
}
