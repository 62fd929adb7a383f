#include "db/invoices.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString tablo = QStringLiteral("faturalar");

template <class T> std::optional<T> deger(const QSqlRecord &r, const char *kolon) {
    // Column names are matched without regard to case: FATURANO and faturano are one column.
    const int i = r.indexOf(QString::fromLatin1(kolon));
    if (i < 0 || r.isNull(i))
        return std::nullopt;
    const QVariant v = r.value(i);
    if constexpr (std::is_same_v<T, QString>) {
        return v.toString();
    } else {
        bool ok = false;
        T sayi{};
        if constexpr (std::is_same_v<T, double>)
            sayi = v.toDouble(&ok);
        else if constexpr (std::is_same_v<T, qint64>)
            sayi = v.toLongLong(&ok);
        else
            sayi = T(v.toInt(&ok));
        if (!ok)
            return std::nullopt;
        return sayi;
    }
}

KayitliSatir satirOku(const QSqlRecord &r) {
    KayitliSatir s;
    s.musterino = deger<QString>(r, "musterino");
    s.adi_soyadi = deger<QString>(r, "adi_soyadi");
    s.adresi = deger<QString>(r, "adresi");
    s.adresi2 = deger<QString>(r, "adresi2");
    s.vergidaire_no = deger<QString>(r, "vergidaire_no");
    s.kdvdahil = deger<int>(r, "kdvdahil");
    s.fatura_tarihi = deger<QString>(r, "fatura_tarihi");
    s.irsaliye_no = deger<QString>(r, "irsaliye_no");
    s.irsaliye_tarihi = deger<QString>(r, "irsaliye_tarihi");
    s.faturano = deger<qint64>(r, "FATURANO");
    s.miktar = deger<double>(r, "MIKTAR");
    s.aciklama = deger<QString>(r, "ACIKLAMA");
    s.iskonto = deger<QString>(r, "iskonto");
    s.br_fiyat = deger<QString>(r, "BR_FIYAT");
    s.tutar = deger<QString>(r, "TUTAR");
    return s;
}

void hazirla(Veritabani &db, QSqlQuery &q, const QString &sql, const QString &neYapilirken) {
    if (!q.prepare(sql))
        db.hata(neYapilirken, q.lastError().text());
}

void calistir(Veritabani &db, QSqlQuery &q, const QString &neYapilirken) {
    if (!q.exec())
        db.hata(neYapilirken, q.lastError().text());
}

void kalemleriYaz(Veritabani &db, const FaturaBasligi &b, const QList<FaturaKalemi> &kalemler) {
    const QString neYapilirken = QStringLiteral("%1 numaralı fatura kaydedilirken").arg(b.faturano);
    QSqlQuery q(db.db());
    hazirla(db, q,
            QStringLiteral("INSERT INTO faturalar (musterino, adi_soyadi, adresi, adresi2, "
                           "vergidaire_no, kdvdahil, fatura_tarihi, irsaliye_no, irsaliye_tarihi, "
                           "FATURANO, MIKTAR, ACIKLAMA, iskonto, BR_FIYAT, TUTAR) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            neYapilirken);
    for (const FaturaKalemi &k : kalemler) {
        const QVariantList degerler = {metinDegeri(b.musterino),
                                       metinDegeri(b.adi_soyadi),
                                       metinDegeri(b.adresi),
                                       metinDegeri(b.adresi2),
                                       metinDegeri(b.vergidaire_no),
                                       b.kdvdahil,
                                       metinDegeri(b.fatura_tarihi),
                                       metinDegeri(b.irsaliye_no),
                                       metinDegeri(b.irsaliye_tarihi),
                                       b.faturano,
                                       k.miktar,
                                       metinDegeri(k.aciklama),
                                       metinDegeri(k.iskonto),
                                       metinDegeri(k.br_fiyat),
                                       metinDegeri(k.tutar)};
        for (int i = 0; i < degerler.size(); ++i)
            q.bindValue(i, degerler.at(i));
        calistir(db, q, neYapilirken);
    }
}

bool faturaVar(Veritabani &db, qint64 faturano) {
    QSqlQuery q(db.db());
    hazirla(db, q, QStringLiteral("SELECT 1 FROM faturalar WHERE faturano = ? LIMIT 1"),
            QStringLiteral("fatura aranırken"));
    q.addBindValue(faturano);
    calistir(db, q, QStringLiteral("fatura aranırken"));
    return q.next();
}

} // namespace

QList<qint64> faturaNumaralari(Veritabani &db) {
    db.tabloGerekli(tablo);
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    hazirla(db, q, QStringLiteral("select distinct faturano from faturalar order by faturano"),
            QStringLiteral("fatura numaraları okunurken"));
    calistir(db, q, QStringLiteral("fatura numaraları okunurken"));
    QList<qint64> numaralar;
    while (q.next()) {
        if (!q.value(0).isNull())
            numaralar << q.value(0).toLongLong();
    }
    return numaralar;
}

QList<KayitliSatir> faturaSatirlari(Veritabani &db, qint64 faturano) {
    db.tabloGerekli(tablo);
    const QString neYapilirken = QStringLiteral("%1 numaralı fatura okunurken").arg(faturano);
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    hazirla(db, q, QStringLiteral("select * from faturalar where faturano=? ORDER BY rowid"),
            neYapilirken);
    q.addBindValue(faturano);
    calistir(db, q, neYapilirken);
    QList<KayitliSatir> satirlar;
    while (q.next())
        satirlar << satirOku(q.record());
    return satirlar;
}

bool yeniFaturaKaydet(Veritabani &db, const FaturaBasligi &baslik,
                      const QList<FaturaKalemi> &kalemler) {
    db.tabloGerekli(tablo);
    bool kaydedildi = false;
    db.islem([&] {
        if (faturaVar(db, baslik.faturano))
            return;
        kalemleriYaz(db, baslik, kalemler);
        kaydedildi = true;
    });
    return kaydedildi;
}

void faturaDegistir(Veritabani &db, const FaturaBasligi &baslik,
                    const QList<FaturaKalemi> &kalemler) {
    db.tabloGerekli(tablo);
    db.islem([&] {
        const QString neYapilirken =
            QStringLiteral("%1 numaralı fatura silinirken").arg(baslik.faturano);
        QSqlQuery q(db.db());
        hazirla(db, q, QStringLiteral("DELETE FROM faturalar WHERE faturano = ?"), neYapilirken);
        q.addBindValue(baslik.faturano);
        calistir(db, q, neYapilirken);
        kalemleriYaz(db, baslik, kalemler);
    });
}
