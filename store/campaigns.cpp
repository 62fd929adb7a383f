#include "store/campaigns.h"

#include "base/numbers.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <numeric>

namespace {

const QString headerPrefix = QStringLiteral("FATCARI");
const QString linePrefix = QStringLiteral("FATSTOK");

bool selectsAll(const CampaignSelection &selection) {
    return selection.first.isEmpty() && selection.last.isEmpty() && selection.region.isEmpty();
}

// Columns of the result, in order.
enum Column {
    HeaderRow,
    Number,
    InvoiceDate,
    Region,
    Name,
    Address,
    Discount,
    LineRow,
    Description,
    Quantity,
    UnitPrice,
};

// The selection as SQL, its values bound in order by run(). The numbers compare as
// numbers even where a table keeps them as text; the region compares character for character
// even where the column was declared to ignore case. A NULL makes every comparison false, so
// such a row is never selected.
QString selectionCondition(const Database &db, const CampaignSelection &selection) {
    if (selectsAll(selection))
        return {};
    return QStringLiteral(" WHERE CAST(h.SIRANO AS NUMERIC) >= ?"
                          " AND CAST(h.SIRANO AS NUMERIC) <= ?"
                          " AND h.DAGITIM_BOLGESI = ? ") +
           db.binaryCollation();
}

enum class QueryKind { Invoices, Plan, Count };

// Header and lines in one statement. The line table has no index of its own, so SQLite
// builds a temporary one on FATURANO for the join: one pass over each table instead of a
// pass over the lines for every invoice. Only the header order is asked of SQL; asking for
// the line order too would make SQLite sort the whole run before the first row. The lines
// of one invoice are put in table order afterwards.
QString queryText(const Database &db, const QString &campaign, const CampaignSelection &selection,
                  QueryKind kind) {
    const QString header = sqlIdentifier(headerPrefix + campaign);
    if (kind == QueryKind::Count)
        return QStringLiteral("SELECT count(*) FROM %1 AS h").arg(header) +
               selectionCondition(db, selection);
    QString sql = QStringLiteral("SELECT h.%3, h.SIRANO, h.FATURA_TARIHI, h.BOLGE, h.ADI_SOYADI, "
                                 "h.ADRESI, h.ISKONTO, k.%3, k.ACIKLAMA, k.MIKTAR, k.BR_FIYAT "
                                 "FROM %1 AS h LEFT JOIN %2 AS k ON k.FATURANO = h.SIRANO")
                      .arg(header, sqlIdentifier(linePrefix + campaign), db.rowKey());
    sql += selectionCondition(db, selection) + QStringLiteral(" ORDER BY h.") + db.rowKey();
    if (kind == QueryKind::Plan)
        sql.prepend(db.engine() == Engine::PostgreSQL ? QStringLiteral("EXPLAIN ")
                                                      : QStringLiteral("EXPLAIN QUERY PLAN "));
    return sql;
}

// Checks both tables, then prepares and runs the statement for the selection.
void run(Database &db, QSqlQuery &q, const QString &campaign, const CampaignSelection &selection,
         QueryKind kind) {
    // SQLite's rowid is no column; the key of a server's table is.
    const QStringList order =
        db.engine() == Engine::PostgreSQL ? QStringList{db.rowKey()} : QStringList{};
    db.requireColumns(headerPrefix + campaign,
                      QStringList{QStringLiteral("SIRANO"), QStringLiteral("DAGITIM_BOLGESI"),
                                  QStringLiteral("FATURA_TARIHI"), QStringLiteral("BOLGE"),
                                  QStringLiteral("ADI_SOYADI"), QStringLiteral("ADRESI"),
                                  QStringLiteral("ISKONTO")} +
                          order);
    db.requireColumns(linePrefix + campaign,
                      QStringList{QStringLiteral("FATURANO"), QStringLiteral("ACIKLAMA"),
                                  QStringLiteral("MIKTAR"), QStringLiteral("BR_FIYAT")} +
                          order);
    const QString activity = QStringLiteral("%1 kampanyası okunurken").arg(campaign);
    q.setForwardOnly(true);
    if (!q.prepare(queryText(db, campaign, selection, kind)))
        db.fail(activity, q.lastError());
    if (!selectsAll(selection)) {
        q.addBindValue(leadingNumber(selection.first));
        q.addBindValue(leadingNumber(selection.last));
        // An empty region matches only an empty region, never a missing one.
        q.addBindValue(nonNullText(selection.region));
    }
    if (!q.exec())
        db.fail(activity, q.lastError());
}

QVariant value(const QSqlQuery &q, int column) {
    return q.isNull(column) ? QVariant() : q.value(column);
}

// Puts the lines of one invoice in the order of their rows in the line table.
void inTableOrder(QList<CampaignInvoice::Line> &lines, const QList<qint64> &rowIds) {
    if (std::is_sorted(rowIds.begin(), rowIds.end()))
        return;
    QList<qsizetype> order(rowIds.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](qsizetype a, qsizetype b) { return rowIds.at(a) < rowIds.at(b); });
    QList<CampaignInvoice::Line> ordered;
    ordered.reserve(lines.size());
    for (qsizetype i : order)
        ordered << lines.at(i);
    lines = std::move(ordered);
}

} // namespace

QStringList campaigns(Database &db) {
    // Indexes, views and triggers are not tables.
    QStringList names;
    for (const QString &name : db.tableNames()) {
        if (name.startsWith(QLatin1String("KAMPANYA"), Qt::CaseSensitive) &&
            !name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
            names << name;
    }
    return names;
}

int readCampaignInvoices(Database &db, const QString &campaign, const CampaignSelection &selection,
                         const std::function<bool(const CampaignInvoice &)> &each) {
    QSqlQuery q(db.db());
    run(db, q, campaign, selection, QueryKind::Invoices);

    int handedOver = 0;
    bool haveInvoice = false;
    qint64 currentHeaderRow = 0;
    CampaignInvoice f;
    QList<qint64> lineRowIds;
    // Hands the invoice gathered so far over; false when the caller wants no more.
    const auto handOver = [&] {
        inTableOrder(f.lines, lineRowIds);
        ++handedOver;
        return each(f);
    };
    while (q.next()) {
        const qint64 rowId = q.value(HeaderRow).toLongLong();
        if (!haveInvoice || rowId != currentHeaderRow) {
            if (haveInvoice && !handOver())
                return handedOver;
            haveInvoice = true;
            currentHeaderRow = rowId;
            f = CampaignInvoice{value(q, Number),
                                value(q, InvoiceDate),
                                value(q, Region),
                                value(q, Name),
                                value(q, Address),
                                value(q, Discount),
                                {}};
            lineRowIds.clear();
        }
        // An invoice without lines comes as one row whose line columns are all NULL.
        if (!q.isNull(LineRow)) {
            lineRowIds << q.value(LineRow).toLongLong();
            f.lines << CampaignInvoice::Line{value(q, Description), value(q, Quantity),
                                             value(q, UnitPrice)};
        }
    }
    if (q.lastError().isValid())
        db.fail(QStringLiteral("%1 kampanyası okunurken").arg(campaign), q.lastError());
    if (haveInvoice)
        handOver();
    return handedOver;
}

int countCampaignInvoices(Database &db, const QString &campaign,
                          const CampaignSelection &selection) {
    QSqlQuery q(db.db());
    run(db, q, campaign, selection, QueryKind::Count);
    if (!q.next())
        db.fail(QStringLiteral("%1 kampanyası okunurken").arg(campaign), q.lastError());
    return q.value(0).toInt();
}

QStringList campaignQueryPlan(Database &db, const QString &campaign,
                              const CampaignSelection &selection) {
    QSqlQuery q(db.db());
    run(db, q, campaign, selection, QueryKind::Plan);
    QStringList rows;
    // SQLite's plan has its text in the fourth column, PostgreSQL's in the only one.
    const int text = db.engine() == Engine::PostgreSQL ? 0 : 3;
    while (q.next())
        rows << q.value(text).toString();
    return rows;
}
