#pragma once

// Helpers for tests on real database files and other files.

#include "store/database.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>

namespace testdb {

// Runs statements on the file through a connection of its own, as another program would,
// all in one transaction.
inline void sql(const QString &path, const QStringList &statements) {
    Database db(path, Database::Access::Write);
    db.transaction([&] {
        QSqlQuery q(db.db());
        for (const QString &statement : statements) {
            if (!q.exec(statement))
                throw std::runtime_error(
                    (statement + QStringLiteral(": ") + q.lastError().text()).toStdString());
        }
    });
}

// Every row of a query; a NULL is an invalid QVariant.
inline QList<QVariantList> queryRows(const QString &path, const QString &query) {
    Database db(path);
    QSqlQuery q(db.db());
    if (!q.exec(query))
        throw std::runtime_error(
            (query + QStringLiteral(": ") + q.lastError().text()).toStdString());
    QList<QVariantList> result;
    while (q.next()) {
        result << QVariantList{};
        for (int i = 0; i < q.record().count(); ++i)
            result.last() << (q.isNull(i) ? QVariant() : q.value(i));
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
