#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <stdexcept>

// A database failure with a Turkish text for the user (file path and the engine's own
// words included where there are any).
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString &message);
    QString message() const;
};

// What the first bytes of a file say it is.
enum class FileKind { Missing, Empty, SQLite, Jet, Unknown };
FileKind fileKind(const QString &path);

// The path of the one database: the settings value trimmed, fatura.MDB when it is empty.
QString databasePath(const QString &settingsValue);

// One open database for the length of one operation. Opening checks that the file exists
// and is an SQLite database (an Access/Jet file is told apart and named as such); a write
// access also checks that the file and its folder can be written. Every instance has its
// own connection, closed and removed when it goes out of scope.
class Database {
public:
    enum class Access { Read, Write };

    explicit Database(const QString &path, Access access = Access::Read);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QSqlDatabase &db() { return m_db; }
    const QString &path() const { return m_path; }

    // Throws DatabaseError naming the table when it does not exist.
    void requireTable(const QString &table);

    // Throws DatabaseError naming the table when it does not exist, or the first of
    // `columns` it lacks. Column names are matched without regard to case.
    void requireColumns(const QString &table, const QStringList &columns);

    // Runs `f` inside one transaction: committed when it returns, rolled back when it throws.
    // Called while a transaction is already open, `f` simply joins it, so the outer caller
    // decides about the whole.
    template <class F> void transaction(F &&f) {
        if (m_inTransaction) {
            f();
            return;
        }
        begin();
        try {
            f();
        } catch (...) {
            rollback();
            throw;
        }
        commit();
    }

    // A failure of the engine turned into the program's error, naming the file. A file that
    // another program holds locked (after the wait) is reported as in use, never as damaged.
    [[noreturn]] void fail(const QString &activity, const QString &engineText) const;
    [[noreturn]] void fail(const QString &activity, const QSqlError &error) const;

private:
    void begin();
    void commit();
    void rollback();

    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
    bool m_inTransaction = false;
};

// The engine's answer when another connection holds the file locked (SQLITE_BUSY or
// SQLITE_LOCKED), and what the user is told then.
bool lockedByAnother(const QSqlError &error);
QString inUseMessage(const QString &path);

// A table or column name as an SQL identifier: between double quotes, inner quotes doubled.
QString sqlIdentifier(const QString &name);

// A text for binding that is never NULL: the SQLite driver binds a null QString as NULL,
// and a box left empty must be stored as the empty text.
QString nonNullText(const QString &s);

// Creates a new database file with the program's tables and indexes. Refuses a path that
// already exists.
void createDatabase(const QString &path);

// Runs one statement with its values bound, forward only; a failure of the engine becomes
// the program's error, naming what was being done.
QSqlQuery run(Database &db, const QString &sql, const QVariantList &values,
              const QString &activity);
