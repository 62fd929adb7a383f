#include "generations.h"

namespace generations {

qint64 invoiceOf(qint64 g) {
    return g % invoiceCount + 1;
}

FaturaBasligi header(qint64 g) {
    FaturaBasligi b;
    b.musterino = QString::number(g);
    b.adi_soyadi = QStringLiteral("Müşteri %1").arg(g);
    b.adresi = QStringLiteral("Çınar Sok. No: %1").arg(g);
    b.adresi2 = QStringLiteral("Kadıköy / İstanbul");
    b.vergidaire_no = QStringLiteral("Kadıköy V.D. %1").arg(g);
    b.kdvdahil = int(g % 2);
    b.fatura_tarihi = QStringLiteral("05.12.2026");
    b.irsaliye_no = QStringLiteral("İ-%1").arg(g);
    b.irsaliye_tarihi = QStringLiteral("04.12.2026");
    b.faturano = invoiceOf(g);
    return b;
}

QList<FaturaKalemi> lines(qint64 g) {
    // 10 to 130 lines: long enough that most of a write is spent inside the transaction.
    const int count = 10 + int(g % 9) * 15;
    QList<FaturaKalemi> list;
    for (int i = 1; i <= count; ++i) {
        list << FaturaKalemi{double(i), QStringLiteral("kuşak %1 satır %2").arg(g).arg(i),
                             i % 3 ? QString() : QStringLiteral("5"), QStringLiteral("12.50"),
                             QString::number(i * 12.5, 'f', 2)};
    }
    return list;
}

std::optional<qint64> invoiceGeneration(qint64 faturano, const QList<KayitliSatir> &rows,
                                        QString *why) {
    if (rows.isEmpty()) {
        *why = QStringLiteral("invoice %1 has no rows").arg(faturano);
        return std::nullopt;
    }
    bool ok = false;
    const qint64 g = rows.first().musterino.value_or(QString()).toLongLong(&ok);
    if (!ok || invoiceOf(g) != faturano) {
        *why = QStringLiteral("invoice %1: first row is of no generation").arg(faturano);
        return std::nullopt;
    }
    const FaturaBasligi b = header(g);
    const QList<FaturaKalemi> expected = lines(g);
    if (rows.size() != expected.size()) {
        *why = QStringLiteral("invoice %1, generation %2: %3 rows, %4 expected")
                   .arg(faturano)
                   .arg(g)
                   .arg(rows.size())
                   .arg(expected.size());
        return std::nullopt;
    }
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const KayitliSatir &r = rows.at(i);
        const FaturaKalemi &k = expected.at(i);
        const bool same = r.musterino == b.musterino && r.adi_soyadi == b.adi_soyadi &&
                          r.adresi == b.adresi && r.adresi2 == b.adresi2 &&
                          r.vergidaire_no == b.vergidaire_no && r.kdvdahil == b.kdvdahil &&
                          r.fatura_tarihi == b.fatura_tarihi && r.irsaliye_no == b.irsaliye_no &&
                          r.irsaliye_tarihi == b.irsaliye_tarihi && r.faturano == b.faturano &&
                          r.miktar == k.miktar && r.aciklama == k.aciklama &&
                          r.iskonto == k.iskonto && r.br_fiyat == k.br_fiyat && r.tutar == k.tutar;
        if (!same) {
            *why = QStringLiteral("invoice %1, generation %2: row %3 differs")
                       .arg(faturano)
                       .arg(g)
                       .arg(i + 1);
            return std::nullopt;
        }
    }
    return g;
}

ayarlar settings(qint64 g) {
    ayarlar a = varsayilanAyarlar();
    a.kdv_yuzde = QString::number(g % 100);
    a.veritabani_yolu = QStringLiteral("faturalar/kuşak-%1.MDB").arg(g);
    a.marj_aciklama = QString(int(g % 13) + 1, u'9');
    a.yer_yazi_ile.yazitipi_adi = QStringLiteral("Yazı %1").arg(g);
    a.yer_fatura_no.boyutu = QString::number(8 + g % 5);
    return a;
}

} // namespace generations
