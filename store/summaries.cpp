#include "store/summaries.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace {

const QString summaryTable = QStringLiteral("fatura_ozet");
const QString markTable = QStringLiteral("fatura_ozet_durum");

const QString writeActivity = QStringLiteral("fatura özeti yazılırken");
const QString readActivity = QStringLiteral("fatura özetleri okunurken");

QString isoDate(const QDate &d) {
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

// SQLite gives a new row the largest row key plus one: rows deleted at the end of the table
// (another program replacing the last invoice) leave their keys to the rows written next, and
// the largest key alone does not show the change. So the mark keeps the texts of the last
// rows it covers too.
constexpr qint64 tailRows = 500;

QString tailFingerprint(Database &db, qint64 upTo) {
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT %1, faturano, miktar, aciklama, iskonto, br_fiyat, "
                                     "fatura_tarihi, kdvdahil, musterino, adi_soyadi, "
                                     "vergidaire_no FROM faturalar WHERE %1 > ? AND %1 <= ? "
                                     "ORDER BY %1")
                          .arg(db.rowKey()),
                      {upTo - tailRows, upTo}, readActivity);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    while (q.next()) {
        for (int i = 0; i < 11; ++i) {
            hash.addData(q.isNull(i) ? QByteArray("\x1d") : q.value(i).toString().toUtf8());
            hash.addData("\x1f");
        }
    }
    return QString::fromLatin1(hash.result().toHex());
}

struct Mark {
    qint64 upTo = 0;
    QString tail;
};

// The summary table summarised up to this row key of faturalar; 0 when never.
Mark summaryMark(Database &db) {
    QSqlQuery q =
        run(db, QStringLiteral("SELECT son_satir, izi FROM %1 WHERE tek = 1").arg(markTable), {},
            readActivity);
    return q.next() ? Mark{q.value(0).toLongLong(), q.value(1).toString()} : Mark{};
}

void moveMark(Database &db, qint64 from, qint64 to, const QString &activity) {
    run(db,
        QStringLiteral("UPDATE %1 SET son_satir = ?, izi = ? WHERE tek = 1 AND son_satir = ?")
            .arg(markTable),
        {to, tailFingerprint(db, to), from}, activity);
}

class SummaryWriter {
public:
    explicit SummaryWriter(Database &db)
        : m_db(db)
        , m_delete(db.db())
        , m_insert(db.db()) {
        if (!m_delete.prepare(
                QStringLiteral("DELETE FROM %1 WHERE faturano = ?").arg(summaryTable)))
            db.fail(writeActivity, m_delete.lastError());
        if (!m_insert.prepare(QStringLiteral("INSERT INTO %1 (faturano, sira, tarih, iade, "
                                             "musterino, adi_soyadi, vergidaire_no, kdv_orani, "
                                             "matrah, kdv, son_satir, ayar_orani, sorun) VALUES "
                                             "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                  .arg(summaryTable)))
            db.fail(writeActivity, m_insert.lastError());
    }

    void write(qint64 number, const SummaryRecord *s, qint64 lastRow) {
        const QString activity =
            QStringLiteral("%1 numaralı faturanın özeti yazılırken").arg(number);
        m_delete.bindValue(0, number);
        if (!m_delete.exec())
            m_db.fail(activity, m_delete.lastError());
        if (!s)
            return;
        // An invoice without a rate still gets its row: the reports know it is there.
        QList<SummaryRate> rates = s->rates;
        const bool placeholder = rates.isEmpty();
        if (placeholder)
            rates << SummaryRate{};
        for (qsizetype i = 0; i < rates.size(); ++i) {
            const SummaryRate &r = rates.at(i);
            const QString problem = !s->problem.isEmpty() ? s->problem
                                    : placeholder         ? QStringLiteral("KDV oranı yok")
                                                          : QString();
            const QVariantList values = {number,
                                         qint64(i),
                                         nonNullText(isoDate(s->date)),
                                         s->isReturn ? 1 : 0,
                                         nonNullText(s->customerNumber),
                                         nonNullText(s->customerName),
                                         nonNullText(s->taxBox),
                                         placeholder ? QVariant() : QVariant(r.rate),
                                         r.base.kurus(),
                                         r.vat.kurus(),
                                         lastRow,
                                         s->settingsRate.isEmpty() ? QVariant()
                                                                   : QVariant(s->settingsRate),
                                         problem.isEmpty() ? QVariant() : QVariant(problem)};
            for (int v = 0; v < values.size(); ++v)
                m_insert.bindValue(v, values.at(v));
            if (!m_insert.exec())
                m_db.fail(activity, m_insert.lastError());
        }
    }

private:
    Database &m_db;
    QSqlQuery m_delete;
    QSqlQuery m_insert;
};

QList<qint64> numbersOf(QSqlQuery &q) {
    QList<qint64> numbers;
    while (q.next())
        numbers << q.value(0).toLongLong();
    return numbers;
}

} // namespace

void createSummaryTables(Database &db) {
    db.transaction([&] {
        // Two PCs making the tables at once on a server: the second waits, then finds them.
        db.lockNumber(summaryTable, 0);
        const QString activity = QStringLiteral("fatura özeti tablosu oluşturulurken");
        const QString integer = db.integerType();
        run(db,
            QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (faturano %2 NOT NULL, sira %2 NOT "
                           "NULL, tarih TEXT NOT NULL, iade %2 NOT NULL, musterino TEXT, "
                           "adi_soyadi TEXT, vergidaire_no TEXT, kdv_orani TEXT, matrah %2 NOT "
                           "NULL, kdv %2 NOT NULL, son_satir %2 NOT NULL, ayar_orani TEXT, sorun "
                           "TEXT, PRIMARY KEY (faturano, sira))")
                .arg(summaryTable, integer),
            {}, activity);
        // The VAT summary reads nothing but this index.
        run(db,
            QStringLiteral("CREATE INDEX IF NOT EXISTS fatura_ozet_tarih ON %1 (tarih, iade, "
                           "kdv_orani, matrah, kdv)")
                .arg(summaryTable),
            {}, activity);
        run(db,
            QStringLiteral("CREATE INDEX IF NOT EXISTS fatura_ozet_ayar ON %1 (ayar_orani) "
                           "WHERE ayar_orani IS NOT NULL")
                .arg(summaryTable),
            {}, activity);
        // The invoices summarised at the settings' rate, counted per period; those that could
        // not be summarised.
        run(db,
            QStringLiteral("CREATE INDEX IF NOT EXISTS fatura_ozet_ayarli ON %1 (tarih) WHERE "
                           "ayar_orani IS NOT NULL AND sira = 0")
                .arg(summaryTable),
            {}, activity);
        run(db,
            QStringLiteral("CREATE INDEX IF NOT EXISTS fatura_ozet_sorun ON %1 (faturano) WHERE "
                           "sorun IS NOT NULL")
                .arg(summaryTable),
            {}, activity);
        run(db,
            QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (tek %2 PRIMARY KEY, son_satir %2 NOT "
                           "NULL, izi TEXT)")
                .arg(markTable, integer),
            {}, activity);
        QSqlQuery there =
            run(db, QStringLiteral("SELECT 1 FROM %1 WHERE tek = 1").arg(markTable), {}, activity);
        if (!there.next()) {
            there.finish();
            run(db, QStringLiteral("INSERT INTO %1 (tek, son_satir) VALUES (1, 0)").arg(markTable),
                {}, activity);
        }
    });
}

std::optional<qint64> lastInvoiceRow(Database &db) {
    QSqlQuery q =
        run(db, QStringLiteral("SELECT max(%1) FROM faturalar").arg(db.rowKey()), {}, readActivity);
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

void writeInvoiceSummary(Database &db, qint64 number, const SummaryRecord *summary,
                         std::optional<qint64> lastRowBefore) {
    if (!db.hasTable(summaryTable)) {
        if (!summary)
            return;
        createSummaryTables(db);
    }
    const QString activity = QStringLiteral("%1 numaralı faturanın özeti yazılırken").arg(number);
    QSqlQuery last =
        run(db, QStringLiteral("SELECT max(%1) FROM faturalar WHERE faturano = ?").arg(db.rowKey()),
            {number}, activity);
    const qint64 lastRow = last.next() ? last.value(0).toLongLong() : 0;
    last.finish();
    SummaryWriter(db).write(number, summary, lastRow);
    // Summarised up to the rows before these, the table is summarised up to these too. On a
    // server another PC may have moved the mark meanwhile; then it stays where it is.
    if (summary && summaryMark(db).upTo == lastRowBefore.value_or(0))
        moveMark(db, lastRowBefore.value_or(0), lastInvoiceRow(db).value_or(0), activity);
}

SummaryWork summaryWork(Database &db, const QString &settingsRate) {
    if (!db.hasTable(markTable))
        createSummaryTables(db);
    SummaryWork work;
    const Mark mark = summaryMark(db);
    const qint64 upTo = mark.upTo;
    const qint64 last = lastInvoiceRow(db).value_or(0);
    work.upTo = last;
    QList<qint64> numbers;
    const QString key = db.rowKey();
    if (last != upTo) {
        // New rows since the last pass: the invoices they belong to, unless their summary
        // was written with them. Fewer rows than then (the last ones deleted): every invoice.
        const qint64 from = last > upTo ? upTo : 0;
        QSqlQuery q =
            run(db,
                QStringLiteral("SELECT f.faturano FROM (SELECT faturano, max(%1) AS son FROM "
                               "faturalar WHERE %1 > ? AND faturano IS NOT NULL GROUP BY "
                               "faturano) f LEFT JOIN %2 o ON o.faturano = f.faturano AND o.sira "
                               "= 0 WHERE o.son_satir IS NULL OR o.son_satir <> f.son")
                    .arg(key, summaryTable),
                {from}, readActivity);
        numbers = numbersOf(q);
        if (last < upTo) {
            QSqlQuery gone = run(db,
                                 QStringLiteral("SELECT o.faturano FROM %1 o WHERE o.sira = 0 "
                                                "AND NOT EXISTS (SELECT 1 FROM faturalar f "
                                                "WHERE f.faturano = o.faturano)")
                                     .arg(summaryTable),
                                 {}, readActivity);
            numbers << numbersOf(gone);
        }
    }
    // The last rows covered by the mark written again under the same keys: their invoices.
    if (last >= upTo && upTo > 0 && tailFingerprint(db, upTo) != mark.tail) {
        QSqlQuery tail = run(db,
                             QStringLiteral("SELECT DISTINCT faturano FROM faturalar WHERE %1 > ? "
                                            "AND %1 <= ? AND faturano IS NOT NULL")
                                 .arg(key),
                             {upTo - tailRows, upTo}, readActivity);
        numbers << numbersOf(tail);
    }
    // Summarised at the settings' rate of then, and that rate has changed since.
    QSqlQuery stale = run(db,
                          QStringLiteral("SELECT faturano FROM %1 WHERE (ayar_orani < ? OR "
                                         "ayar_orani > ?) AND sira = 0")
                              .arg(summaryTable),
                          {settingsRate, settingsRate}, readActivity);
    numbers << numbersOf(stale);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    work.numbers = numbers;
    work.complete = numbers.isEmpty() && last == upTo;
    // What was read as the mark goes back as the condition of moving it.
    work.previousMark = upTo;
    return work;
}

void writeSummaries(Database &db, const QList<qint64> &numbers,
                    const QList<SummaryRecord> &summaries, const QList<qint64> &lastRows) {
    SummaryWriter writer(db);
    for (qsizetype i = 0; i < numbers.size(); ++i)
        writer.write(numbers.at(i), lastRows.at(i) > 0 ? &summaries.at(i) : nullptr,
                     lastRows.at(i));
}

void finishSummaryWork(Database &db, const SummaryWork &work) {
    moveMark(db, work.previousMark, work.upTo, writeActivity);
}

QList<VatTotal> vatTotals(Database &db, const QDate &from, const QDate &to) {
    if (!db.hasTable(summaryTable))
        return {};
    // Grouped by day, the order of the index, so that the database sums as it reads and sorts
    // nothing; the days are added up to months here.
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT tarih, iade, kdv_orani, count(*), CAST(sum(matrah) "
                                     "AS BIGINT), CAST(sum(kdv) AS BIGINT) FROM %1 WHERE tarih "
                                     ">= ? AND tarih <= ? AND kdv_orani IS NOT NULL GROUP BY "
                                     "tarih, iade, kdv_orani")
                          .arg(summaryTable),
                      {isoDate(from), isoDate(to)}, readActivity);
    QList<VatTotal> totals;
    QHash<QString, qsizetype> at;
    while (q.next()) {
        const QString month = q.value(0).toString().left(7);
        const bool isReturn = q.value(1).toInt() != 0;
        const QString rate = q.value(2).toString();
        const QString key = month + (isReturn ? u'I' : u'S') + rate;
        auto it = at.find(key);
        if (it == at.end()) {
            it = at.insert(key, totals.size());
            totals << VatTotal{month, isReturn, rate, 0, Money(), Money()};
        }
        VatTotal &t = totals[*it];
        t.invoices += q.value(3).toLongLong();
        t.base += Money::fromKurus(q.value(4).toLongLong());
        t.vat += Money::fromKurus(q.value(5).toLongLong());
    }
    return totals;
}

QList<BuyerTotal> buyerTotals(Database &db, const QDate &from, const QDate &to) {
    if (!db.hasTable(summaryTable))
        return {};
    QSqlQuery q =
        run(db,
            QStringLiteral("SELECT substr(tarih, 1, 7), iade, musterino, vergidaire_no, "
                           "max(adi_soyadi), count(DISTINCT faturano), CAST(sum(matrah) AS "
                           "BIGINT), CAST(sum(kdv) AS BIGINT) FROM %1 WHERE tarih >= ? AND tarih "
                           "<= ? AND kdv_orani IS NOT NULL GROUP BY substr(tarih, 1, 7), iade, "
                           "musterino, vergidaire_no")
                .arg(summaryTable),
            {isoDate(from), isoDate(to)}, readActivity);
    QList<BuyerTotal> totals;
    while (q.next())
        totals << BuyerTotal{q.value(0).toString(),
                             q.value(1).toInt() != 0,
                             q.value(2).toString(),
                             q.value(3).toString(),
                             q.value(4).toString(),
                             q.value(5).toLongLong(),
                             Money::fromKurus(q.value(6).toLongLong()),
                             Money::fromKurus(q.value(7).toLongLong())};
    return totals;
}

QList<SummaryProblem> summaryProblems(Database &db, const QDate &from, const QDate &to) {
    if (!db.hasTable(summaryTable))
        return {};
    // Few rows, found through their own index; without a date an invoice belongs to no
    // period, so it is named in every one.
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT faturano, sorun, tarih FROM %1 WHERE sorun IS NOT "
                                     "NULL ORDER BY faturano")
                          .arg(summaryTable),
                      {}, readActivity);
    const QString first = isoDate(from);
    const QString last = isoDate(to);
    QList<SummaryProblem> problems;
    while (q.next()) {
        const QString day = q.value(2).toString();
        if (day.isEmpty() || (day >= first && day <= last))
            problems << SummaryProblem{q.value(0).toLongLong(), q.value(1).toString()};
    }
    return problems;
}

qint64 settingsRateCount(Database &db, const QDate &from, const QDate &to) {
    if (!db.hasTable(summaryTable))
        return 0;
    QSqlQuery q = run(db,
                      QStringLiteral("SELECT count(*) FROM %1 WHERE ayar_orani IS NOT NULL AND "
                                     "sira = 0 AND tarih >= ? AND tarih <= ?")
                          .arg(summaryTable),
                      {isoDate(from), isoDate(to)}, readActivity);
    return q.next() ? q.value(0).toLongLong() : 0;
}
