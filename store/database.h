#pragma once

#include "base/failure.h"
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <stdexcept>

// A database failure with a Turkish text for the user (file path and the engine's own
// words included where there are any).
class DatabaseError : public Failure {
public:
    using Failure::Failure;
};

// What the first bytes of a file say it is.
enum class FileKind { Missing, Empty, SQLite, Jet, Unknown };
FileKind fileKind(const QString &path);

// The path of the one database: the settings value trimmed, fatura.MDB when it is empty.
QString databasePath(const QString &settingsValue);

// A PostgreSQL server's address instead of a file path:
//   postgresql://user@host:port/dbname
// The host may be a socket folder, written percent-encoded (postgresql://u@%2Ftmp%2Fpg/db)
// or as a query (postgresql://u@/db?host=/tmp/pg). The port is optional (5432). A password
// never goes here: libpq reads it from ~/.pgpass or PGPASSWORD.
bool isServerAddress(const QString &path);

// A server address read as a URL, once: the user, the host (or socket folder), the port and
// the database, each percent-decoded.
struct ServerAddress {
    QString user;
    QString host;
    QString database;
    int port = 5432;
};
// Throws DatabaseError when the address cannot be used: not of the form above, or holding a
// password (after the user name, as "%3A" in it, or as "password=" in its query).
ServerAddress serverAddress(const QString &address);

// What is wrong with a server address, as the message that refuses it; empty when it can be
// used or is no server address at all (a file path).
QString serverAddressProblem(const QString &address);

// An address as a message may show it: a password anywhere in it replaced whole by ***.
// Anything else, a file path too, comes back as it is.
QString shownAddress(const QString &address);

enum class Engine { SQLite, PostgreSQL };

// One open database for the length of one operation. Opening checks that the file exists
// and is an SQLite database (an Access/Jet file is told apart and named as such); a write
// access also checks that the file and its folder can be written. A server address connects
// to PostgreSQL instead. Every instance has its own connection while it lives; a file's is
// closed when it goes out of scope, a server's is kept open for the next instance on the
// same address in the same thread (a new one is slow to make), and checked before reuse.
// What differs between the engines is kept in this class.
class Database {
public:
    enum class Access { Read, Write };

    explicit Database(const QString &path, Access access = Access::Read);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QSqlDatabase &db() { return m_db; }
    const QString &path() const { return m_path; }
    Engine engine() const { return m_engine; }

    // The column that keeps rows in the order they were added: SQLite's rowid, on
    // PostgreSQL a bigserial column of the program's own (SQL has no such order of its own).
    QString rowKey() const;
    // What a new table's columns end with: nothing on SQLite, the row key on PostgreSQL.
    QString keyColumnDefinition() const;
    // The type of a whole-number column that holds any qint64, and of an 8-byte float.
    QString integerType() const;
    QString realType() const;
    // Compares texts character for character whatever the column was declared with.
    QString binaryCollation() const;

    // The tables, in the order they were made.
    QStringList tableNames();

    // Inside a transaction: waits until no other connection is writing a new row under this
    // number in `table`; the lock goes with the transaction. Checking whether a number is
    // taken and then writing it is safe only under it. SQLite locks the whole file anyway.
    void lockNumber(const QString &table, qint64 number);

    // After many rows written at once: the server plans its queries by statistics that its
    // background worker gathers only a while later, and without them it may read a whole
    // table for one page of numbers. Only the tables of the books: the system's own belong
    // to the superuser, and the owner of the database is told so for each of them. SQLite
    // plans by its indexes and needs nothing.
    void updateStatistics();

    // Whether the table (or a view) exists, its name matched without regard to case.
    bool hasTable(const QString &table);
    // Throws DatabaseError naming the table when it does not exist.
    void requireTable(const QString &table);

    // Throws DatabaseError naming the table when it does not exist, or the first of
    // `columns` it lacks. Column names are matched without regard to case.
    void requireColumns(const QString &table, const QStringList &columns);

    // Runs `f` inside one transaction: committed when it returns, rolled back when it throws.
    // Called while a transaction is already open, `f` simply joins it, so the outer caller
    // decides about the whole. On an SQLite file opened for writing the transaction holds
    // the file's write lock from its start, waiting for another writer first.
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
    void openServer(Access access);
    bool reuseIdleConnection();
    void begin();
    void commit();
    void rollback();

    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
    Engine m_engine = Engine::SQLite;
    Access m_access = Access::Read;
    bool m_inTransaction = false;
};

// Closes this thread's server connections kept for reuse: before a database they are
// connected to is dropped, or to start afresh.
void closeIdleServerConnections();

// The engine's answer when another connection holds the file locked (SQLITE_BUSY or
// SQLITE_LOCKED; on PostgreSQL a lock wait that timed out, a deadlock or a serialization
// failure), and what the user is told then.
bool lockedByAnother(const QSqlError &error);
QString inUseMessage(const QString &path);

// A table or column name as an SQL identifier: between double quotes, inner quotes doubled.
QString sqlIdentifier(const QString &name);

// A text for binding that is never NULL: the SQLite driver binds a null QString as NULL,
// and a box left empty must be stored as the empty text.
QString nonNullText(const QString &s);

// Creates a new database file with the program's tables and indexes. Refuses a path that
// already exists. For a server address the tables are made in the (empty) database there;
// one that already has the program's tables is refused.
void createDatabase(const QString &path);

// Makes the program's tables and indexes in an open database that has none, inside the
// caller's transaction: SQLite's schema, or on PostgreSQL the same with the row key.
void createTables(Database &db);

// Runs one statement with its values bound, forward only; a failure of the engine becomes
// the program's error, naming what was being done.
QSqlQuery run(Database &db, const QString &sql, const QVariantList &values,
              const QString &activity);
