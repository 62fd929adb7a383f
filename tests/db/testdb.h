#pragma once

// Helpers for tests on real database files.

#include "store/database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>

namespace testdb {

// Runs statements on the file through a connection of its own, as another program would,
// all in one transaction.
inline void sql(const QString &yol, const QStringList &komutlar) {
    Veritabani db(yol, Veritabani::Erisim::Yazma);
    db.islem([&] {
        QSqlQuery q(db.db());
        for (const QString &komut : komutlar) {
            if (!q.exec(komut))
                throw std::runtime_error(
                    (komut + QStringLiteral(": ") + q.lastError().text()).toStdString());
        }
    });
}

// Every row of a query; a NULL is an invalid QVariant.
inline QList<QVariantList> satirlar(const QString &yol, const QString &sorgu) {
    Veritabani db(yol);
    QSqlQuery q(db.db());
    if (!q.exec(sorgu))
        throw std::runtime_error(
            (sorgu + QStringLiteral(": ") + q.lastError().text()).toStdString());
    QList<QVariantList> sonuc;
    while (q.next()) {
        sonuc << QVariantList{};
        for (int i = 0; i < q.record().count(); ++i)
            sonuc.last() << (q.isNull(i) ? QVariant() : q.value(i));
    }
    return sonuc;
}

// The text of the exception of type E that `f` throws; empty when it throws none.
template <class E = VeritabaniHatasi, class F> QString hata(F &&f) {
    try {
        f();
    } catch (const E &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace testdb
