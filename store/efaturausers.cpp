#include "store/efaturausers.h"

#include <QSqlError>
#include <QSqlQuery>

#include <vector>

namespace {

const QString usersTable = QStringLiteral("efatura_kullanicilari");
const QString listTable = QStringLiteral("efatura_kullanici_listesi");

// Rows written by one statement: the list holds well over a million users, and a server
// answers each statement over the network.
constexpr int rowsPerStatement = 200;

QString usersDefinition() {
    return QStringLiteral("CREATE TABLE %1 (vkn_tckn TEXT NOT NULL PRIMARY KEY, "
                          "unvan TEXT NOT NULL, etiket TEXT NOT NULL, kayit_tarihi TEXT NOT NULL)")
        .arg(usersTable);
}

void exec(Database &db, QSqlQuery &q, const QString &activity) {
    if (!q.exec())
        db.fail(activity, q.lastError());
}

// A prepared statement that adds `rows` users, leaving out a number already there.
void prepareInsert(Database &db, QSqlQuery &q, int rows, const QString &activity) {
    QStringList values(rows, QStringLiteral("(?, ?, ?, ?)"));
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (vkn_tckn, unvan, etiket, kayit_tarihi) "
                                  "VALUES %2 ON CONFLICT (vkn_tckn) DO NOTHING")
                       .arg(usersTable, values.join(QStringLiteral(", ")))))
        db.fail(activity, q.lastError());
}

void bindUser(QSqlQuery &q, int row, const RegisteredUser &u) {
    q.bindValue(row * 4, nonNullText(u.id));
    q.bindValue(row * 4 + 1, nonNullText(u.title));
    q.bindValue(row * 4 + 2, nonNullText(u.alias));
    q.bindValue(row * 4 + 3,
                nonNullText(u.since.isValid() ? u.since.toString(Qt::ISODate) : QString()));
}

} // namespace

void createRegisteredUserTables(Database &db) {
    const QString activity = QStringLiteral("e-Fatura kullanıcı listesi tablosu oluşturulurken");
    if (!db.hasTable(usersTable))
        run(db, usersDefinition(), {}, activity);
    run(db,
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (anahtar INTEGER PRIMARY KEY "
                       "CHECK (anahtar = 1), aktarim_zamani TEXT NOT NULL, dosya TEXT NOT NULL, "
                       "kullanici_sayisi %2 NOT NULL)")
            .arg(listTable, db.integerType()),
        {}, activity);
}

std::optional<RegisteredUserList> registeredUserList(Database &db) {
    if (!db.hasTable(listTable))
        return std::nullopt;
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT aktarim_zamani, dosya, kullanici_sayisi FROM %1 "
                                     "WHERE anahtar = 1")
                          .arg(listTable),
                      {}, QStringLiteral("e-Fatura kullanıcı listesi okunurken"));
    if (!q.next())
        return std::nullopt;
    return RegisteredUserList{QDateTime::fromString(q.value(0).toString(), Qt::ISODate),
                              q.value(1).toString(), q.value(2).toLongLong()};
}

std::optional<RegisteredUser> registeredUser(Database &db, const QString &id) {
    if (!db.hasTable(usersTable))
        return std::nullopt;
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT vkn_tckn, unvan, etiket, kayit_tarihi FROM %1 "
                                     "WHERE vkn_tckn = ?")
                          .arg(usersTable),
                      {id}, QStringLiteral("e-Fatura kullanıcı listesi okunurken"));
    if (!q.next())
        return std::nullopt;
    return RegisteredUser{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                          QDate::fromString(q.value(3).toString(), Qt::ISODate)};
}

qint64 replaceRegisteredUsers(Database &db, const std::function<bool(RegisteredUser &)> &next,
                              const QString &source, const QDateTime &importedAt) {
    const QString activity = QStringLiteral("e-Fatura kullanıcı listesi yazılırken");
    qint64 kept = 0;
    db.transaction([&] {
        // Made anew each time, so that the list is always under its own key, whatever an
        // earlier copy of the books left.
        run(db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(usersTable), {}, activity);
        createRegisteredUserTables(db);
        QSqlQuery full(db.db());
        prepareInsert(db, full, rowsPerStatement, activity);
        std::vector<RegisteredUser> batch;
        batch.reserve(rowsPerStatement);
        RegisteredUser u;
        while (next(u)) {
            batch.push_back(u);
            if (batch.size() < rowsPerStatement)
                continue;
            for (int i = 0; i < rowsPerStatement; ++i)
                bindUser(full, i, batch[std::size_t(i)]);
            exec(db, full, activity);
            batch.clear();
        }
        if (!batch.empty()) {
            QSqlQuery rest(db.db());
            prepareInsert(db, rest, int(batch.size()), activity);
            for (std::size_t i = 0; i < batch.size(); ++i)
                bindUser(rest, int(i), batch[i]);
            exec(db, rest, activity);
        }
        QSqlQuery count =
            run(db, QStringLiteral("SELECT count(*) FROM %1").arg(usersTable), {}, activity);
        kept = count.next() ? count.value(0).toLongLong() : 0;
        run(db, QStringLiteral("DELETE FROM %1").arg(listTable), {}, activity);
        run(db,
            QStringLiteral("INSERT INTO %1 (anahtar, aktarim_zamani, dosya, kullanici_sayisi) "
                           "VALUES (1, ?, ?, ?)")
                .arg(listTable),
            {importedAt.toString(Qt::ISODate), nonNullText(source), kept}, activity);
    });
    return kept;
}
