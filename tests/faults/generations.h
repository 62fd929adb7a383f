#pragma once

// What fault_writer writes, generation after generation. Every generation is recognisable:
// its number is in the customer number, every line text and the settings, and the line
// count and the settings file's length change from one generation to the next.

#include "settings/settingsfile.h"
#include "store/invoices.h"

namespace generations {

// The invoices being replaced in turn; generation g replaces invoice invoiceOf(g).
constexpr int invoiceCount = 4;
inline qint64 invoiceOf(qint64 g) {
    return g % invoiceCount + 1;
}

inline InvoiceHeaderRecord header(qint64 g) {
    InvoiceHeaderRecord b;
    b.musterino = QString::number(g);
    b.adi_soyadi = QStringLiteral("Müşteri %1").arg(g);
    b.kdvdahil = int(g % 2);
    b.faturano = invoiceOf(g);
    return b;
}

// 10 to 130 lines: long enough that most of a write is spent inside the transaction.
inline QList<InvoiceLineRecord> lines(qint64 g) {
    QList<InvoiceLineRecord> list;
    for (int i = 1; i <= 10 + int(g % 9) * 15; ++i)
        list << InvoiceLineRecord{double(i), QStringLiteral("kuşak %1 satır %2").arg(g).arg(i),
                                  i % 3 ? "" : "5", "12.50", QString::number(i * 12.5, 'f', 2)};
    return list;
}

// The generation whose version of invoice `number` these rows are, or nothing when they
// are torn, mixed or missing. A row is written by one statement, so rows that carry exactly
// one generation's header and lines, in order, are that version whole.
inline std::optional<qint64> invoiceGeneration(qint64 number, const QList<StoredRow> &rows) {
    const qint64 g = rows.value(0).musterino.value_or(QStringLiteral("-1")).toLongLong();
    QStringList got, want;
    for (const StoredRow &r : rows)
        got << r.musterino.value_or(QString()) + u'|' + r.aciklama.value_or(QString()) + u'|' +
                   r.tutar.value_or(QString());
    for (const InvoiceLineRecord &k : lines(g))
        want << header(g).musterino + u'|' + k.aciklama + u'|' + k.tutar;
    if (g < 0 || invoiceOf(g) != number || got != want)
        return std::nullopt;
    return g;
}

inline ayarlar settings(qint64 g) {
    ayarlar a = defaultSettings();
    a.kdv_yuzde = QString::number(g % 100);
    a.veritabani_yolu = QStringLiteral("faturalar/kuşak-%1.MDB").arg(g);
    a.marj_aciklama = QString(int(g % 13) + 1, u'9');
    return a;
}

} // namespace generations
