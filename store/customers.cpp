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

// The customers' names, each distinct name once with its sorting key and its folded form;
// the pieces of each folded name; each customer's name; where the search stood.
const QString namesTable = QStringLiteral("musteri_ad");
const QString piecesTable = QStringLiteral("musteri_ad_parca");
const QString searchTable = QStringLiteral("musteri_arama");
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

// Names a search reads through the pieces, at most; a part whose rarest piece more names
// hold (a fifth of a million) is looked for in the names in order instead, where it is common
// enough to be met soon.
constexpr int rarePiece = 200000;

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
         {QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (ad_no %2 PRIMARY KEY, ad %3 NOT NULL, "
                         "sira %3 NOT NULL, katli %3 NOT NULL)")
              .arg(namesTable, integer, text),
          QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS musteri_ad_ad ON %1 (ad)")
              .arg(namesTable),
          QStringLiteral("CREATE INDEX IF NOT EXISTS musteri_ad_sira ON %1 (sira, ad_no)")
              .arg(namesTable),
          QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (parca %2 NOT NULL, ad_no %2 NOT NULL, "
                         "PRIMARY KEY (parca, ad_no))%3")
              .arg(piecesTable, integer, server ? QString() : QStringLiteral(" WITHOUT ROWID")),
          QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (anahtar %2 PRIMARY KEY, ad_no %2 NOT "
                         "NULL)")
              .arg(searchTable, integer),
          QStringLiteral("CREATE INDEX IF NOT EXISTS musteri_arama_ad ON %1 (ad_no, anahtar)")
              .arg(searchTable),
          QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (satir %2 NOT NULL, son %2 NOT NULL)")
              .arg(stateTable, integer)})
        run(db, sql, {}, searchActivity);
}

// Inserts rows of `columns` values, many to a statement.
class BatchInsert {
public:
    BatchInsert(Database &db, QString into, int columns)
        : m_db(db)
        , m_table(std::move(into))
        , m_columns(columns) {}

    void add(const QVariantList &row) {
        m_values << row;
        if (m_values.size() >= m_columns * batch)
            flush();
    }

    void flush() {
        if (m_values.isEmpty())
            return;
        const QString one = u'(' + QStringList(m_columns, QStringLiteral("?")).join(u',') + u')';
        run(m_db,
            QStringLiteral("INSERT INTO %1 VALUES ").arg(m_table) +
                QStringList(m_values.size() / m_columns, one).join(u','),
            m_values, searchActivity);
        m_values.clear();
    }

private:
    static constexpr int batch = 200;
    Database &m_db;
    QString m_table;
    int m_columns;
    QVariantList m_values;
};

// Writes a new distinct name with its pieces.
void writeName(Database &db, qint64 number, const QString &name, BatchInsert &names,
               std::vector<std::pair<qint64, qint64>> &pieces) {
    const QString folded = searchFolded(name);
    names.add({number, nonNullText(name), sortingKey(name), folded});
    for (const QString &piece : searchPieces(folded))
        pieces.push_back({pieceCode(piece), number});
    Q_UNUSED(db);
}

// The pieces in order: each goes to the end of its stretch of the index.
void writePieces(Database &db, std::vector<std::pair<qint64, qint64>> &pieces) {
    std::sort(pieces.begin(), pieces.end());
    BatchInsert insert(db, piecesTable, 2);
    for (const auto &[piece, name] : pieces)
        insert.add({piece, name});
    insert.flush();
    pieces.clear();
}

bool hasSearch(Database &db) {
    return db.hasTable(stateTable);
}

// The number of a distinct name, made when it is new.
qint64 nameNumber(Database &db, const QString &name) {
    QSqlQuery q = run(db, QStringLiteral("SELECT ad_no FROM %1 WHERE ad = ?").arg(namesTable),
                      {nonNullText(name)}, searchActivity);
    if (q.next())
        return q.value(0).toLongLong();
    q.finish();
    // Two PCs adding a name at once take turns.
    db.lockNumber(namesTable, 0);
    QSqlQuery last =
        run(db, QStringLiteral("SELECT coalesce(max(ad_no), 0) FROM %1").arg(namesTable), {},
            searchActivity);
    const qint64 number = last.next() ? last.value(0).toLongLong() + 1 : 1;
    last.finish();
    BatchInsert names(db, namesTable, 4);
    std::vector<std::pair<qint64, qint64>> pieces;
    writeName(db, number, name, names, pieces);
    names.flush();
    writePieces(db, pieces);
    return number;
}

void indexCustomer(Database &db, qint64 key, const QString &name) {
    run(db, QStringLiteral("INSERT INTO %1 VALUES (?, ?)").arg(searchTable),
        {key, nameNumber(db, name)}, searchActivity);
}

void unindexCustomer(Database &db, qint64 key) {
    run(db, QStringLiteral("DELETE FROM %1 WHERE anahtar = ?").arg(searchTable), {key},
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
        for (const QString &t : {namesTable, piecesTable, searchTable, stateTable})
            run(db, QStringLiteral("DELETE FROM %1").arg(t), {}, searchActivity);
        // The names first, then the writes: one statement at a time on the connection.
        std::vector<std::pair<qint64, QString>> customers;
        {
            QSqlQuery q = run(
                db,
                QStringLiteral("SELECT %1, adi_soyadi FROM MUSTERI ORDER BY %1").arg(db.rowKey()),
                {}, searchActivity);
            while (q.next())
                customers.emplace_back(q.value(0).toLongLong(), q.value(1).toString());
        }
        QHash<QString, qint64> numbers;
        BatchInsert names(db, namesTable, 4);
        BatchInsert rows(db, searchTable, 2);
        std::vector<std::pair<qint64, qint64>> pieces;
        for (const auto &[key, name] : customers) {
            auto it = numbers.constFind(name);
            if (it == numbers.constEnd()) {
                it = numbers.insert(name, numbers.size() + 1);
                writeName(db, *it, name, names, pieces);
            }
            rows.add({key, *it});
            // In slices, each written in the pieces' order; memory stays small.
            if (pieces.size() >= 2'000'000)
                writePieces(db, pieces);
        }
        names.flush();
        rows.flush();
        writePieces(db, pieces);
        const std::pair<qint64, qint64> state = tableState(db);
        run(db, QStringLiteral("INSERT INTO %1 VALUES (?, ?)").arg(stateTable),
            {state.first, state.second}, searchActivity);
    });
}

QList<CustomerEntry> customersByName(Database &db, const QString &part,
                                     const std::optional<CustomerEntry> &after, int count) {
    const QString activity = QStringLiteral("müşteriler aranırken");
    const QString folded = searchFolded(part);
    // Which names: those whose folded form holds the part, through its rarest piece when few
    // names hold that, else every name in order with the test.
    QString from = namesTable + QStringLiteral(" n");
    QString where;
    QVariantList values;
    if (!folded.isEmpty()) {
        // The pieces of the part and how many names hold each, counted no further than needed:
        // one held by nobody answers at once.
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
        // A piece nobody holds first: each answers from one step into the index.
        for (const auto &stretch : std::as_const(stretches)) {
            QSqlQuery q = run(db,
                              QStringLiteral("SELECT 1 FROM %1 WHERE parca BETWEEN ? AND ? LIMIT 1")
                                  .arg(piecesTable),
                              {stretch.first, stretch.second}, activity);
            if (!q.next())
                return {};
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
        if (fewest <= rarePiece) {
            from = QStringLiteral("(SELECT DISTINCT ad_no AS numara FROM %1 WHERE parca BETWEEN ? "
                                  "AND ?) p JOIN %2 n ON n.ad_no = p.numara")
                       .arg(piecesTable, namesTable);
            values << rarest.first << rarest.second;
        }
        where = containsCondition(db, QStringLiteral("n.katli"));
        values << folded;
    }
    // The names from where the page begins, a batch at a time, then their customers.
    QList<CustomerEntry> page;
    QString order = after ? after->order : QString();
    qint64 name = after ? after->nameKey : 0;
    qint64 key = after ? after->key : 0;
    bool first = !after;
    while (page.size() < count) {
        QVariantList batchValues = values;
        QString batchWhere = where;
        if (!first) {
            batchWhere += (batchWhere.isEmpty() ? QString() : QStringLiteral(" AND ")) +
                          QStringLiteral("(n.sira, n.ad_no) >= (?, ?)");
            batchValues << order << name;
        }
        constexpr int batch = 200;
        batchValues << batch;
        std::vector<std::pair<qint64, QString>> names;
        {
            QSqlQuery q =
                run(db,
                    QStringLiteral("SELECT n.ad_no, n.sira FROM %1%2 ORDER BY n.sira, "
                                   "n.ad_no LIMIT ?")
                        .arg(from, batchWhere.isEmpty() ? QString()
                                                        : QStringLiteral(" WHERE ") + batchWhere),
                    batchValues, activity);
            while (q.next())
                names.emplace_back(q.value(0).toLongLong(), q.value(1).toString());
        }
        for (const auto &[number, sorting] : names) {
            if (page.size() >= count)
                break;
            // Within the name the page began in, after its last customer.
            const bool same = !first && number == name && sorting == order;
            QSqlQuery q = run(db,
                              QStringLiteral("SELECT c.anahtar, m.sirano, m.adi_soyadi FROM %1 c "
                                             "JOIN MUSTERI m ON m.%2 = c.anahtar WHERE c.ad_no = "
                                             "?%3 ORDER BY c.anahtar LIMIT ?")
                                  .arg(searchTable, db.rowKey(),
                                       same ? QStringLiteral(" AND c.anahtar > ?") : QString()),
                              same ? QVariantList{number, key, count - int(page.size())}
                                   : QVariantList{number, count - int(page.size())},
                              activity);
            while (q.next())
                page << CustomerEntry{q.value(0).toLongLong(), q.value(1).toString(),
                                      q.value(2).toString(), sorting, number};
        }
        if (names.size() < batch)
            break;
        // On after the last name of the batch.
        order = names.back().second;
        name = names.back().first + 1;
        first = false;
        key = 0;
    }
    return page;
}

QList<CustomerEntry> customersByNumber(Database &db, const QString &digits,
                                       std::optional<qint64> after, int count) {
    db.requireColumns(table, {QStringLiteral("sirano"), QStringLiteral("adi_soyadi")});
    const QString typed = digits.trimmed();
    // The numbers that start with the digits, one stretch after another, each above the one
    // before; without digits every number.
    const QList<std::pair<qint64, qint64>> stretches =
        typed.isEmpty() ? QList{std::pair{std::numeric_limits<qint64>::min(),
                                          std::numeric_limits<qint64>::max()}}
                        : numbersStartingWith(typed);
    if (stretches.isEmpty())
        return {};
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
