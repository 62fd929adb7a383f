#include "invoice/summary.h"

#include "base/numbers.h"
#include "invoice/saving.h"
#include "store/invoices.h"

namespace {

// Invoices read and summarised in one go, one transaction each.
constexpr qsizetype batchSize = 400;

} // namespace

SummaryRecord summaryRecord(const Invoice &invoice) {
    const Invoice stored = storedForm(invoice);
    const InvoiceHeader &h = stored.header;
    SummaryRecord s;
    s.isReturn = h.type == InvoiceType::Return;
    s.customerNumber = h.customerNumber.trimmed();
    s.customerName = h.customerName.trimmed();
    s.taxBox = h.taxOffice.trimmed();
    s.date = invoiceDate(h.invoiceDate).value_or(QDate());
    if (!s.date.isValid()) {
        s.problem = QStringLiteral("fatura tarihi okunamadı: \"%1\"").arg(h.invoiceDate);
        return s;
    }
    const InvoiceFigures f = computeFigures(stored);
    if (!f.fits) {
        s.problem = QStringLiteral("tutarı hesaplanamayacak kadar büyük");
        return s;
    }
    if (!f.hasGrandTotal || f.vatGroups.isEmpty()) {
        s.problem = QStringLiteral("KDV oranı okunamadı");
        return s;
    }
    for (const VatGroup &g : f.vatGroups)
        s.rates << SummaryRate{g.rateText, g.base, g.vat};
    return s;
}

SummaryUpdate updateSummaries(Database &db, const QString &settingsRate,
                              const std::function<void(qint64, qint64)> &progress) {
    const std::optional<double> rate = inputNumber(settingsRate);
    const QString rateText = rate ? plainNumberText(*rate) : settingsRate.trimmed();
    SummaryWork work;
    db.transaction([&] { work = summaryWork(db, rateText); });
    SummaryUpdate done;
    if (work.complete)
        return done;
    const qint64 total = work.numbers.size();
    for (qsizetype from = 0; from < work.numbers.size(); from += batchSize) {
        const QList<qint64> batch = work.numbers.mid(from, batchSize);
        db.transaction([&] {
            const QList<StoredInvoiceAt> stored = storedInvoices(db, batch);
            QList<SummaryRecord> summaries(batch.size());
            QList<qint64> lastRows(batch.size(), 0);
            qsizetype at = 0;
            for (const StoredInvoiceAt &s : stored) {
                while (batch.at(at) != s.number)
                    ++at;
                Invoice invoice;
                invoice.setVatRate(rateText);
                SummaryRecord summary;
                const QString problem = loadStoredInvoice(invoice, s.stored);
                if (problem.isEmpty()) {
                    summary = summaryRecord(invoice);
                } else {
                    const StoredRow &first = s.stored.rows.first();
                    summary.date =
                        invoiceDate(first.fatura_tarihi.value_or(QString())).value_or(QDate());
                    summary.customerNumber = first.musterino.value_or(QString()).trimmed();
                    summary.customerName = first.adi_soyadi.value_or(QString()).trimmed();
                    summary.taxBox = first.vergidaire_no.value_or(QString()).trimmed();
                    summary.problem = problem;
                }
                if (!s.stored.info.hasDetails) {
                    summary.settingsRate = rateText;
                    ++done.atSettingsRate;
                }
                summaries[at] = summary;
                lastRows[at] = s.lastRow;
            }
            writeSummaries(db, batch, summaries, lastRows);
        });
        done.summarised += batch.size();
        if (progress)
            progress(done.summarised, total);
    }
    db.transaction([&] { finishSummaryWork(db, work); });
    return done;
}
