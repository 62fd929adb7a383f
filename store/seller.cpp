#include "store/seller.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString table = QStringLiteral("satici_bilgileri");

// In the order of SellerRecord.
const QStringList columns = {QStringLiteral("vkn_tckn"),      QStringLiteral("unvan"),
                             QStringLiteral("adi"),           QStringLiteral("soyadi"),
                             QStringLiteral("vergi_dairesi"), QStringLiteral("adres"),
                             QStringLiteral("ilce"),          QStringLiteral("il"),
                             QStringLiteral("telefon"),       QStringLiteral("eposta"),
                             QStringLiteral("seri_oneki")};
// Added later: an older program's table has none of them.
const QStringList laterColumns = {QStringLiteral("efatura_seri_oneki"),
                                  QStringLiteral("efatura_senaryo"),
                                  QStringLiteral("gonderim_sekli")};

void exec(Database &db, QSqlQuery &q, const QString &activity) {
    if (!q.exec())
        db.fail(activity, q.lastError());
}

} // namespace

std::optional<SellerRecord> readSeller(Database &db) {
    if (!db.db().tables().contains(table, Qt::CaseInsensitive))
        return std::nullopt;
    const QString activity = QStringLiteral("firma bilgileri okunurken");
    db.requireColumns(table, columns);
    const QSqlRecord present = db.db().record(table);
    QStringList read = columns;
    for (const QString &c : laterColumns)
        read << (present.contains(c) ? c : QStringLiteral("NULL"));
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE anahtar = 1")
                       .arg(read.join(QStringLiteral(", ")), table)))
        db.fail(activity, q.lastError());
    exec(db, q, activity);
    if (!q.next())
        return std::nullopt;
    const auto at = [&q](int i) { return q.value(i).toString(); };
    SellerRecord s{at(0), at(1), at(2), at(3), at(4), at(5), at(6), at(7), at(8), at(9), at(10)};
    s.efaturaPrefix = at(11);
    if (!q.value(12).isNull() && !at(12).isEmpty())
        s.efaturaProfile = at(12);
    if (!q.value(13).isNull() && !at(13).isEmpty())
        s.sendType = at(13);
    return s;
}

void writeSeller(Database &db, const SellerRecord &s) {
    const QString activity = QStringLiteral("firma bilgileri kaydedilirken");
    db.transaction([&] {
        // One row only: the key can be nothing but 1.
        run(db,
            QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (anahtar INTEGER PRIMARY KEY "
                           "CHECK (anahtar = 1), %2)")
                .arg(table, columns.join(QStringLiteral(" TEXT NOT NULL, ")) +
                                QStringLiteral(" TEXT NOT NULL")),
            {}, activity);
        const QSqlRecord present = db.db().record(table);
        for (const QString &c : laterColumns) {
            if (!present.contains(c))
                run(db,
                    QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT NOT NULL DEFAULT ''")
                        .arg(table, c),
                    {}, activity);
        }
        const QStringList all = columns + laterColumns;
        QSqlQuery q(db.db());
        if (!q.prepare(QStringLiteral("DELETE FROM %1").arg(table)))
            db.fail(activity, q.lastError());
        exec(db, q, activity);
        const QStringList placeholders(all.size(), QStringLiteral("?"));
        if (!q.prepare(QStringLiteral("INSERT INTO %1 (anahtar, %2) VALUES (1, %3)")
                           .arg(table, all.join(QStringLiteral(", ")),
                                placeholders.join(QStringLiteral(", ")))))
            db.fail(activity, q.lastError());
        for (const QString *v : {&s.taxNumber, &s.title, &s.firstName, &s.familyName, &s.taxOffice,
                                 &s.street, &s.district, &s.city, &s.phone, &s.email,
                                 &s.seriesPrefix, &s.efaturaPrefix, &s.efaturaProfile, &s.sendType})
            q.addBindValue(nonNullText(*v));
        exec(db, q, activity);
    });
}
