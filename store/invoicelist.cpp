#include "store/invoicelist.h"

#include "base/numbers.h"

#include <QSqlQuery>

#include <limits>

namespace {

const QString summaryTable = QStringLiteral("fatura_ozet");
const QString activity = QStringLiteral("fatura listesi okunurken");

InvoiceListEntry entryOf(const QSqlQuery &q) {
    InvoiceListEntry e;
    e.number = q.value(0).toLongLong();
    e.date = QDate::fromString(q.value(1).toString(), Qt::ISODate);
    e.isReturn = q.value(2).toLongLong() != 0;
    e.customerNumber = q.value(3).toString();
    e.customerName = q.value(4).toString();
    e.hasTotal = q.value(5).isNull();
    e.grandTotal = Money::fromKurus(q.value(6).toLongLong());
    return e;
}

// One statement of the list: the invoices' first summary rows that `condition` picks, newest
// first, with the sum of every row of each.
QList<InvoiceListEntry> page(Database &db, const QString &condition, QVariantList values,
                             std::optional<qint64> before, int count) {
    QString where = QStringLiteral("o.sira = 0");
    if (!condition.isEmpty())
        where += QStringLiteral(" AND ") + condition;
    if (before) {
        where += QStringLiteral(" AND o.faturano < ?");
        values << *before;
    }
    values << count;
    QSqlQuery q =
        run(db,
            QStringLiteral("SELECT o.faturano, o.tarih, o.iade, o.musterino, o.adi_soyadi, "
                           "o.sorun, (SELECT sum(t.matrah + t.kdv) FROM %1 t WHERE "
                           "t.faturano = o.faturano) FROM %1 o WHERE %2 ORDER BY "
                           "o.faturano DESC LIMIT ?")
                .arg(summaryTable, where),
            values, activity);
    QList<InvoiceListEntry> entries;
    while (q.next())
        entries << entryOf(q);
    return entries;
}

} // namespace

void prepareInvoiceList(Database &db) {
    run(db,
        QStringLiteral("CREATE INDEX IF NOT EXISTS fatura_ozet_musteri ON %1 (musterino, "
                       "faturano) WHERE sira = 0")
            .arg(summaryTable),
        {}, QStringLiteral("fatura listesi hazırlanırken"));
}

QList<InvoiceListEntry> invoiceListPage(Database &db, const InvoiceListFilter &filter,
                                        std::optional<qint64> before, int count) {
    switch (filter.kind) {
    case InvoiceListFilter::Kind::All:
        return page(db, QString(), {}, before, count);
    case InvoiceListFilter::Kind::Number: {
        // The stretches from the highest down, each read newest first.
        QList<InvoiceListEntry> entries;
        const QList<std::pair<qint64, qint64>> stretches = numbersStartingWith(filter.digits);
        for (qsizetype i = stretches.size() - 1; i >= 0 && entries.size() < count; --i) {
            const auto &[low, high] = stretches.at(i);
            if (before && low >= *before)
                continue;
            entries << page(db, QStringLiteral("o.faturano BETWEEN ? AND ?"), {low, high}, before,
                            count - int(entries.size()));
        }
        return entries;
    }
    case InvoiceListFilter::Kind::Dates:
        return page(db, QStringLiteral("o.tarih BETWEEN ? AND ?"),
                    {filter.from.toString(Qt::ISODate), filter.to.toString(Qt::ISODate)}, before,
                    count);
    case InvoiceListFilter::Kind::Customers: {
        if (filter.customerNumbers.isEmpty())
            return {};
        QVariantList values;
        for (const QString &n : filter.customerNumbers)
            values << n;
        const QString marks = QStringList(values.size(), QStringLiteral("?")).join(u',');
        return page(db, QStringLiteral("o.musterino IN (%1)").arg(marks), values, before, count);
    }
    }
    return {};
}
