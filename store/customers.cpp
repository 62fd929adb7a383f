#include "store/customers.h"

#include "base/numbers.h"
#include "base/searchtext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <limits>
#include <vector>

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

namespace {

const QString searchTable = QStringLiteral("musteri_arama");
const QString piecesTable = QStringLiteral("musteri_arama_parca");
const QString stateTable = QStringLiteral("musteri_arama_durum");
const QString searchActivity = QStringLiteral("müşteri araması hazırlanırken");

// A piece of up to three characters as one number: each character in 16 bits, the first
// highest, a missing one 0. The pieces that begin with one or two characters are then one
// stretch of numbers.
qint64 pieceCode(QStringView piece) {
    qint64 code = 0;
    for (int i = 0; i < 3; ++i)
        code = (code << 16) | (i < piece.size() ? piece[i].unicode() : 0);
    return code;
}

// The stretch of codes whose pieces begin with `start` (one to three characters).
std::pair<qint64, qint64> pieceStretch(QStringView start) {
    const qint64 first = pieceCode(start);
    const int open = 3 - int(std::min<qsizetype>(start.size(), 3));
    return {first, first + ((qint64(1) << (16 * open)) - 1)};
}

// Customers a search reads through the pieces, at most; a part whose rarest piece is held by
// more is looked for in the names in order instead.
constexpr int rarePiece = 4000;

QString containsCondition(const Database &db, const QString &column) {
    return db.engine() == Engine::PostgreSQL ? QStringLiteral("strpos(%1, ?) > 0").arg(column)
                                             : QStringLiteral("instr(%1, ?) > 0").arg(column);
}

std::pair<qint64, qint64> tableState(Database &db) {
    QSqlQuery q = run(db, QStringLiteral("SELECT count(*), max(%1) FROM MUSTERI").arg(db.rowKey()),
                      {}, searchActivity);
    return q.next() ? std::pair{q.value(0).toLongLong(), q.value(1).toLongLong()}
                    : std::pair<qint64, qint64>{0, 0};
}

// Inside the caller's transaction.
void createSearchTables(Database &db) {
    const bool server = db.engine() == Engine::PostgreSQL;
    const QString text = server ? QStringLiteral("text COLLATE \"C\"") : QStringLiteral("TEXT");
    const QString integer = db.integerType();
    for (const QString &sql :
         {QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (anahtar %2 PRIMARY KEY, sira %3 NOT NULL, "
                         "katli %3 NOT NULL)")
              .arg(searchTable, integer, text),
          QStringLiteral("CREATE INDEX IF NOT EXISTS musteri_arama_sira ON %1 (sira, anahtar)")
              .arg(searchTable),
          QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (parca %2 NOT NULL, anahtar %2 NOT NULL, "
                         "PRIMARY KEY (parca, anahtar))%3")
              .arg(piecesTable, integer, server ? QString() : QStringLiteral(" WITHOUT ROWID")),
          QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (satir %2 NOT NULL, son %2 NOT NULL)")
              .arg(stateTable, integer)})
        run(db, sql, {}, searchActivity);
}

// Writes the search rows of customers, many to a statement.
class SearchWriter {
public:
    explicit SearchWriter(Database &db)
        : m_db(db) {}

    void add(qint64 key, const QString &name) {
        const QString folded = searchFolded(name);
        m_rows << key << sortingKey(name) << folded;
        if (m_rows.size() >= 3 * batch)
            flushRows();
        for (const QString &piece : searchPieces(folded))
            m_pieces.push_back({pieceCode(piece), key});
    }

    // Writes what is held, the pieces in order: each then goes to the end of its stretch of
    // the index.
    void flush() {
        flushRows();
        std::sort(m_pieces.begin(), m_pieces.end());
        QVariantList values;
        for (const auto &[piece, key] : m_pieces) {
            values << piece << key;
            if (values.size() >= 2 * batch)
                insert(piecesTable, 2, values);
        }
        insert(piecesTable, 2, values);
        m_pieces.clear();
    }

    std::size_t held() const { return m_pieces.size(); }

private:
    static constexpr int batch = 200;

    void flushRows() { insert(searchTable, 3, m_rows); }

    void insert(const QString &into, int columns, QVariantList &values) {
        if (values.isEmpty())
            return;
        const QString one = u'(' + QStringList(columns, QStringLiteral("?")).join(u',') + u')';
        const QString sql = QStringLiteral("INSERT INTO %1 VALUES ").arg(into) +
                            QStringList(values.size() / columns, one).join(u',');
        run(m_db, sql, values, searchActivity);
        values.clear();
    }

    Database &m_db;
    QVariantList m_rows;
    std::vector<std::pair<qint64, qint64>> m_pieces;
};

bool hasSearch(Database &db) {
    return db.hasTable(stateTable);
}

void indexCustomer(Database &db, qint64 key, const QString &name) {
    SearchWriter w(db);
    w.add(key, name);
    w.flush();
}

void unindexCustomer(Database &db, qint64 key) {
    run(db, QStringLiteral("DELETE FROM %1 WHERE anahtar = ?").arg(searchTable), {key},
        searchActivity);
    run(db, QStringLiteral("DELETE FROM %1 WHERE anahtar = ?").arg(piecesTable), {key},
        searchActivity);
}

// After one row of MUSTERI was added (`added` 1) or removed (-1) by the program. A search out
// of step before stays so, and is made again before it is used.
void moveState(Database &db, int added, qint64 key) {
    const QString last =
        added > 0 ? QStringLiteral("CASE WHEN son < ? THEN ? ELSE son END")
                  : QStringLiteral("(SELECT coalesce(max(%1), 0) FROM MUSTERI)").arg(db.rowKey());
    run(db, QStringLiteral("UPDATE %1 SET satir = satir + ?, son = %2").arg(stateTable, last),
        added > 0 ? QVariantList{added, key, key} : QVariantList{added}, searchActivity);
}

// The row key of the first row with that number, the one the register acts on.
std::optional<qint64> firstRowKey(Database &db, qint64 number) {
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT %1 FROM MUSTERI WHERE sirano = ? ORDER BY %1 LIMIT 1")
                          .arg(db.rowKey()),
                      {number}, QStringLiteral("müşteri aranırken"));
    return q.next() ? std::optional<qint64>(q.value(0).toLongLong()) : std::nullopt;
}

CustomerEntry entryOf(const QSqlQuery &q) {
    return CustomerEntry{q.value(0).toLongLong(), q.value(2).toString(), q.value(3).toString(),
                         q.value(1).toString()};
}

} // namespace

bool customerSearchReady(Database &db) {
    db.requireColumns(table, {QStringLiteral("sirano"), QStringLiteral("adi_soyadi")});
    if (!hasSearch(db))
        return false;
    QSqlQuery q =
        run(db, QStringLiteral("SELECT satir, son FROM %1").arg(stateTable), {}, searchActivity);
    if (!q.next())
        return false;
    const std::pair<qint64, qint64> kept{q.value(0).toLongLong(), q.value(1).toLongLong()};
    q.finish();
    return kept == tableState(db);
}

void prepareCustomerSearch(Database &db) {
    if (customerSearchReady(db))
        return;
    db.transaction([&] {
        // Two PCs making it at once on a server: the second waits and finds it made.
        db.lockNumber(searchTable, 0);
        createSearchTables(db);
        if (customerSearchReady(db))
            return;
        for (const QString &t : {searchTable, piecesTable, stateTable})
            run(db, QStringLiteral("DELETE FROM %1").arg(t), {}, searchActivity);
        // The names first, then the writes: one statement at a time on the connection.
        std::vector<std::pair<qint64, QString>> names;
        {
            QSqlQuery q = run(
                db,
                QStringLiteral("SELECT %1, adi_soyadi FROM MUSTERI ORDER BY %1").arg(db.rowKey()),
                {}, searchActivity);
            while (q.next())
                names.emplace_back(q.value(0).toLongLong(), q.value(1).toString());
        }
        SearchWriter w(db);
        for (const auto &[key, name] : names) {
            w.add(key, name);
            // In slices, each written in the pieces' order; memory stays small.
            if (w.held() >= 2'000'000)
                w.flush();
        }
        w.flush();
        const std::pair<qint64, qint64> state = tableState(db);
        run(db, QStringLiteral("INSERT INTO %1 VALUES (?, ?)").arg(stateTable),
            {state.first, state.second}, searchActivity);
    });
}

QList<CustomerEntry> customersByName(Database &db, const QString &part,
                                     const std::optional<CustomerEntry> &after, int count) {
    const QString activity = QStringLiteral("müşteriler aranırken");
    const QString folded = searchFolded(part);
    QString where;
    QVariantList values;
    if (!folded.isEmpty()) {
        // The pieces of the part and how many customers hold each, counted no further than
        // needed: one held by nobody answers at once.
        QList<std::pair<qint64, qint64>> stretches;
        if (folded.size() < 3) {
            stretches << pieceStretch(folded);
        } else {
            for (qsizetype i = 0; i + 3 <= folded.size(); ++i) {
                const qint64 code = pieceCode(QStringView(folded).mid(i, 3));
                if (!stretches.contains(std::pair{code, code}))
                    stretches << std::pair{code, code};
            }
        }
        std::pair<qint64, qint64> rarest;
        qint64 fewest = std::numeric_limits<qint64>::max();
        for (const auto &stretch : std::as_const(stretches)) {
            QSqlQuery q = run(db,
                              QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1 WHERE parca "
                                             "BETWEEN ? AND ? LIMIT ?) AS t")
                                  .arg(piecesTable),
                              {stretch.first, stretch.second, rarePiece + 1}, activity);
            const qint64 held = q.next() ? q.value(0).toLongLong() : 0;
            if (held == 0)
                return {};
            if (held < fewest) {
                fewest = held;
                rarest = stretch;
            }
        }
        where = containsCondition(db, QStringLiteral("a.katli"));
        values << folded;
        if (fewest <= rarePiece) {
            where += QStringLiteral(" AND a.anahtar IN (SELECT anahtar FROM %1 WHERE parca "
                                    "BETWEEN ? AND ?)")
                         .arg(piecesTable);
            values << rarest.first << rarest.second;
        }
    }
    if (after) {
        where += (where.isEmpty() ? QString() : QStringLiteral(" AND ")) +
                 QStringLiteral("(a.sira, a.anahtar) > (?, ?)");
        values << after->order << after->key;
    }
    values << count;
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT a.anahtar, a.sira, m.sirano, m.adi_soyadi FROM %1 a "
                                     "JOIN MUSTERI m ON m.%2 = a.anahtar%3 ORDER BY a.sira, "
                                     "a.anahtar LIMIT ?")
                          .arg(searchTable, db.rowKey(),
                               where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where),
                      values, activity);
    QList<CustomerEntry> page;
    while (q.next())
        page << entryOf(q);
    return page;
}

QList<CustomerEntry> customersByNumber(Database &db, const QString &digits,
                                       std::optional<qint64> after, int count) {
    db.requireColumns(table, {QStringLiteral("sirano"), QStringLiteral("adi_soyadi")});
    const QString typed = digits.trimmed();
    // The numbers that start with the digits, one stretch after another, each above the one
    // before: 12, then 120 to 129, 1200 to 1299, ... while the numbers fit.
    QList<std::pair<qint64, qint64>> stretches;
    if (typed.isEmpty()) {
        stretches << std::pair{std::numeric_limits<qint64>::min(),
                               std::numeric_limits<qint64>::max()};
    } else {
        for (const QChar c : typed)
            if (c < u'0' || c > u'9')
                return {};
        const std::optional<qint64> start = wholeNumber(typed);
        if (!start)
            return {};
        qint64 low = *start;
        qint64 width = 1;
        constexpr qint64 largest = std::numeric_limits<qint64>::max();
        while (true) {
            stretches << std::pair{low, low + (width - 1)};
            if (low == 0 || low > largest / 10 || width > largest / 10 ||
                low * 10 > largest - width * 10)
                break;
            low *= 10;
            width *= 10;
        }
    }
    // Whole numbers only: an older program's text in the column is no number to look for.
    const QString integers = db.engine() == Engine::SQLite
                                 ? QStringLiteral(" AND typeof(sirano) = 'integer'")
                                 : QString();
    QList<CustomerEntry> page;
    for (const auto &[low, high] : std::as_const(stretches)) {
        if (page.size() >= count)
            break;
        if (after && high <= *after)
            continue;
        const qint64 from = after && *after >= low ? *after : low;
        const bool open = after && *after >= low;
        QSqlQuery q =
            run(db,
                QStringLiteral("SELECT %1, NULL, sirano, adi_soyadi FROM MUSTERI WHERE "
                               "sirano %2 ? AND sirano <= ?%3 ORDER BY sirano, %1 "
                               "LIMIT ?")
                    .arg(db.rowKey(), open ? QStringLiteral(">") : QStringLiteral(">="), integers),
                {from, high, count - int(page.size())}, QStringLiteral("müşteriler aranırken"));
        while (q.next())
            page << entryOf(q);
    }
    return page;
}

std::optional<Customer> customerByKey(Database &db, qint64 key) {
    requireAllColumns(db);
    QSqlQuery q = run(db, QStringLiteral("select * from MUSTERI where %1 = ?").arg(db.rowKey()),
                      {key}, QStringLiteral("müşteri aranırken"));
    return firstRow(q);
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
        const bool server = db.engine() == Engine::PostgreSQL;
        QSqlQuery added =
            run(db,
                QStringLiteral("INSERT INTO MUSTERI (sirano, adi_soyadi, adresi, adresi2, "
                               "vergidaire_no) VALUES (?, ?, ?, ?, ?)") +
                    (server ? QStringLiteral(" RETURNING ") + db.rowKey() : QString()),
                {m.sirano, nonNullText(m.adi_soyadi), nonNullText(m.adresi), nonNullText(m.adresi2),
                 nonNullText(m.vergidaire_no)},
                QStringLiteral("müşteri kaydedilirken"));
        // The search learns the customer in the same transaction.
        if (hasSearch(db)) {
            const qint64 key = server && added.next() ? added.value(0).toLongLong()
                                                      : added.lastInsertId().toLongLong();
            added.finish();
            indexCustomer(db, key, m.adi_soyadi);
            moveState(db, 1, key);
        }
    });
    return result;
}

CustomerResult updateCustomer(Database &db, const Customer &m) {
    requireAllColumns(db);
    CustomerResult result = CustomerResult::NotFound;
    db.transaction([&] {
        const std::optional<qint64> key = firstRowKey(db, m.sirano);
        if (!key)
            return;
        run(db,
            QStringLiteral(
                "UPDATE MUSTERI SET sirano = ?, adi_soyadi = ?, adresi = ?, adresi2 = ?, "
                "vergidaire_no = ? WHERE %1 = ?")
                .arg(db.rowKey()),
            {m.sirano, nonNullText(m.adi_soyadi), nonNullText(m.adresi), nonNullText(m.adresi2),
             nonNullText(m.vergidaire_no), *key},
            QStringLiteral("müşteri kaydedilirken"));
        if (hasSearch(db)) {
            unindexCustomer(db, *key);
            indexCustomer(db, *key, m.adi_soyadi);
        }
        result = CustomerResult::Ok;
    });
    return result;
}

CustomerResult deleteCustomer(Database &db, qint64 number) {
    db.requireColumns(table, {QStringLiteral("sirano")});
    CustomerResult result = CustomerResult::NotFound;
    db.transaction([&] {
        const std::optional<qint64> key = firstRowKey(db, number);
        if (!key)
            return;
        run(db, QStringLiteral("DELETE FROM MUSTERI WHERE %1 = ?").arg(db.rowKey()), {*key},
            QStringLiteral("müşteri silinirken"));
        if (hasSearch(db)) {
            unindexCustomer(db, *key);
            moveState(db, -1, *key);
        }
        result = CustomerResult::Ok;
    });
    return result;
}
