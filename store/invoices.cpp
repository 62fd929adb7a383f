#include "store/invoices.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString tablo = QStringLiteral("faturalar");

// In the order the rows are written.
const QStringList kolonlar = {QStringLiteral("musterino"),
                              QStringLiteral("adi_soyadi"),
                              QStringLiteral("adresi"),
                              QStringLiteral("adresi2"),
                              QStringLiteral("vergidaire_no"),
                              QStringLiteral("kdvdahil"),
                              QStringLiteral("fatura_tarihi"),
                              QStringLiteral("irsaliye_no"),
                              QStringLiteral("irsaliye_tarihi"),
                              QStringLiteral("FATURANO"),
                              QStringLiteral("MIKTAR"),
                              QStringLiteral("ACIKLAMA"),
                              QStringLiteral("iskonto"),
                              QStringLiteral("BR_FIYAT"),
                              QStringLiteral("TUTAR")};

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
    db.kolonlarGerekli(tablo, {QStringLiteral("faturano")});
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
    db.kolonlarGerekli(tablo, kolonlar);
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
    db.kolonlarGerekli(tablo, kolonlar);
    bool kaydedildi = false;
    db.islem([&] {
        if (faturaVar(db, baslik.faturano))
            return;
        FaturaYazici(db).ekle(baslik, kalemler);
        kaydedildi = true;
    });
    return kaydedildi;
}

void faturaDegistir(Veritabani &db, const FaturaBasligi &baslik,
                    const QList<FaturaKalemi> &kalemler) {
    db.kolonlarGerekli(tablo, kolonlar);
    db.islem([&] {
        const QString neYapilirken =
            QStringLiteral("%1 numaralı fatura silinirken").arg(baslik.faturano);
        QSqlQuery q(db.db());
        hazirla(db, q, QStringLiteral("DELETE FROM faturalar WHERE faturano = ?"), neYapilirken);
        q.addBindValue(baslik.faturano);
        calistir(db, q, neYapilirken);
        FaturaYazici(db).ekle(baslik, kalemler);
    });
}

FaturaYazici::FaturaYazici(Veritabani &db)
    : m_db(db)
    , m_sorgu(db.db()) {
    m_db.kolonlarGerekli(tablo, kolonlar);
    QStringList yerler;
    for (qsizetype i = 0; i < kolonlar.size(); ++i)
        yerler << QStringLiteral("?");
    hazirla(m_db, m_sorgu,
            QStringLiteral("INSERT INTO faturalar (%1) VALUES (%2)")
                .arg(kolonlar.join(QStringLiteral(", ")), yerler.join(QStringLiteral(", "))),
            QStringLiteral("fatura kaydedilirken"));
}

void FaturaYazici::ekle(const FaturaBasligi &b, const QList<FaturaKalemi> &kalemler) {
    const QString neYapilirken = QStringLiteral("%1 numaralı fatura kaydedilirken").arg(b.faturano);
    // The header is the same on every row; bind it once.
    const QVariantList baslik = {metinDegeri(b.musterino),       metinDegeri(b.adi_soyadi),
                                 metinDegeri(b.adresi),          metinDegeri(b.adresi2),
                                 metinDegeri(b.vergidaire_no),   b.kdvdahil,
                                 metinDegeri(b.fatura_tarihi),   metinDegeri(b.irsaliye_no),
                                 metinDegeri(b.irsaliye_tarihi), b.faturano};
    for (int i = 0; i < baslik.size(); ++i)
        m_sorgu.bindValue(i, baslik.at(i));
    const int ilkKalemKolonu = int(baslik.size());
    for (const FaturaKalemi &k : kalemler) {
        m_sorgu.bindValue(ilkKalemKolonu, k.miktar);
        m_sorgu.bindValue(ilkKalemKolonu + 1, metinDegeri(k.aciklama));
        m_sorgu.bindValue(ilkKalemKolonu + 2, metinDegeri(k.iskonto));
        m_sorgu.bindValue(ilkKalemKolonu + 3, metinDegeri(k.br_fiyat));
        m_sorgu.bindValue(ilkKalemKolonu + 4, metinDegeri(k.tutar));
        calistir(m_db, m_sorgu, neYapilirken);
    }
}
