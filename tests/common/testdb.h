#pragma once

// Helpers for tests on real database files and other files.

#include "store/database.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>

namespace testdb {

// The PostgreSQL server the database and window tests run against a second time
// (postgresql://user@host:port/db of a database to make others in); empty for SQLite.
inline QString server() {
    return qEnvironmentVariable("FATURA_TEST_SERVER");
}

// A statement written for SQLite as it runs on the server: rowid is the program's key there,
// and a table made by a test gets that key as the program's own tables have it.
inline QString forEngine(const QString &path, QString statement) {
    if (!isServerAddress(path))
        return statement;
    statement.replace(QRegularExpression(QStringLiteral("\\browid\\b")),
                      QStringLiteral("kayit_no"));
    if (statement.startsWith(QStringLiteral("CREATE TABLE"), Qt::CaseInsensitive) &&
        statement.endsWith(u')'))
        statement.insert(statement.size() - 1, QStringLiteral(", kayit_no bigserial PRIMARY KEY"));
    return statement;
}

// A new database with the program's tables: the file at `path`, or, with FATURA_TEST_SERVER
// set, this process's database on that server emptied. Returns what to open it by.
inline QString newDatabase(const QString &path) {
    const QString address = server();
    if (address.isEmpty()) {
        createDatabase(path);
        return path;
    }
    const QString name = QStringLiteral("t_%1_%2")
                             .arg(QCoreApplication::applicationName())
                             .arg(QCoreApplication::applicationPid());
    const qsizetype query = address.indexOf(u'?');
    const QString base = address.left(query < 0 ? address.size() : query);
    const QString database =
        base.left(base.lastIndexOf(u'/') + 1) + name + (query < 0 ? QString() : address.mid(query));
    static bool made = false;
    const auto exec = [](const QString &at, const QStringList &statements) {
        Database db(at, Database::Access::Write);
        QSqlQuery q(db.db());
        for (const QString &statement : statements)
            if (!q.exec(statement))
                throw std::runtime_error(q.lastError().text().toStdString());
    };
    if (!made)
        exec(address, {QStringLiteral("CREATE DATABASE \"%1\"").arg(name)});
    made = true;
    exec(database, {QStringLiteral("DROP SCHEMA IF EXISTS public CASCADE"),
                    QStringLiteral("CREATE SCHEMA public")});
    createDatabase(database);
    return database;
}

// Runs statements on the file through a connection of its own, as another program would,
// all in one transaction.
inline void sql(const QString &path, const QStringList &statements) {
    Database db(path, Database::Access::Write);
    db.transaction([&] {
        QSqlQuery q(db.db());
        for (const QString &statement : statements) {
            if (!q.exec(forEngine(path, statement)))
                throw std::runtime_error(
                    (statement + QStringLiteral(": ") + q.lastError().text()).toStdString());
        }
    });
}

// Every row of a query; a NULL is an invalid QVariant. The server's key column is left out
// unless asked for by name, as SQLite leaves out rowid.
inline QList<QVariantList> queryRows(const QString &path, const QString &query) {
    Database db(path);
    QSqlQuery q(db.db());
    if (!q.exec(forEngine(path, query)))
        throw std::runtime_error(
            (query + QStringLiteral(": ") + q.lastError().text()).toStdString());
    const bool keyAsked = query.contains(QStringLiteral("rowid,"));
    QList<QVariantList> result;
    while (q.next()) {
        result << QVariantList{};
        for (int i = 0; i < q.record().count(); ++i) {
            if (!keyAsked && q.record().fieldName(i) == u"kayit_no")
                continue;
            result.last() << (q.isNull(i) ? QVariant() : q.value(i));
        }
    }
    return result;
}

// A file's bytes; empty when it cannot be read.
inline QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The text of the exception of type E that `f` throws; empty when it throws none.
template <class E = DatabaseError, class F> QString thrownText(F &&f) {
    try {
        f();
    } catch (const E &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace testdb
