#include "store/campaigns.h"

#include "base/numbers.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <numeric>

namespace {

const QString baslikOnEki = QStringLiteral("FATCARI");
const QString kalemOnEki = QStringLiteral("FATSTOK");

// A table name as an SQL identifier: between double quotes, inner quotes doubled.
QString tanimlayici(const QString &ad) {
    QString s = ad;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

bool hepsiSecili(const KampanyaSecimi &secim) {
    return secim.baslangic.isEmpty() && secim.bitis.isEmpty() && secim.bolge.isEmpty();
}

// Columns of the result, in order.
enum Kolon {
    BaslikSirasi,
    Sirano,
    FaturaTarihi,
    Bolge,
    AdiSoyadi,
    Adresi,
    Iskonto,
    KalemSirasi,
    Aciklama,
    Miktar,
    BrFiyat,
};

// The selection as SQL, its values bound in order by bindSecim(). The numbers compare as
// numbers even where a table keeps them as text; the region compares character for character
// even where the column was declared to ignore case. A NULL makes every comparison false, so
// such a row is never selected.
QString secimKosulu(const KampanyaSecimi &secim) {
    if (hepsiSecili(secim))
        return {};
    return QStringLiteral(" WHERE CAST(h.SIRANO AS NUMERIC) >= ?"
                          " AND CAST(h.SIRANO AS NUMERIC) <= ?"
                          " AND h.DAGITIM_BOLGESI = ? COLLATE BINARY");
}

enum class Sorgu { Faturalar, Plan, Sayi };

// Header and lines in one statement. The line table has no index of its own, so SQLite
// builds a temporary one on FATURANO for the join: one pass over each table instead of a
// pass over the lines for every invoice. Only the header order is asked of SQL; asking for
// the line order too would make SQLite sort the whole run before the first row. The lines
// of one invoice are put in table order afterwards.
QString sorguMetni(const QString &kampanya, const KampanyaSecimi &secim, Sorgu tur) {
    const QString baslik = tanimlayici(baslikOnEki + kampanya);
    if (tur == Sorgu::Sayi)
        return QStringLiteral("SELECT count(*) FROM %1 AS h").arg(baslik) + secimKosulu(secim);
    QString sql =
        QStringLiteral("SELECT h.rowid, h.SIRANO, h.FATURA_TARIHI, h.BOLGE, h.ADI_SOYADI, "
                       "h.ADRESI, h.ISKONTO, k.rowid, k.ACIKLAMA, k.MIKTAR, k.BR_FIYAT "
                       "FROM %1 AS h LEFT JOIN %2 AS k ON k.FATURANO = h.SIRANO")
            .arg(baslik, tanimlayici(kalemOnEki + kampanya));
    sql += secimKosulu(secim) + QStringLiteral(" ORDER BY h.rowid");
    if (tur == Sorgu::Plan)
        sql.prepend(QStringLiteral("EXPLAIN QUERY PLAN "));
    return sql;
}

// Checks both tables, then prepares and runs the statement for the selection.
void calistir(Veritabani &db, QSqlQuery &q, const QString &kampanya, const KampanyaSecimi &secim,
              Sorgu tur) {
    db.kolonlarGerekli(baslikOnEki + kampanya,
                       {QStringLiteral("SIRANO"), QStringLiteral("DAGITIM_BOLGESI"),
                        QStringLiteral("FATURA_TARIHI"), QStringLiteral("BOLGE"),
                        QStringLiteral("ADI_SOYADI"), QStringLiteral("ADRESI"),
                        QStringLiteral("ISKONTO")});
    db.kolonlarGerekli(kalemOnEki + kampanya,
                       {QStringLiteral("FATURANO"), QStringLiteral("ACIKLAMA"),
                        QStringLiteral("MIKTAR"), QStringLiteral("BR_FIYAT")});
    const QString neYapilirken = QStringLiteral("%1 kampanyası okunurken").arg(kampanya);
    q.setForwardOnly(true);
    if (!q.prepare(sorguMetni(kampanya, secim, tur)))
        db.hata(neYapilirken, q.lastError().text());
    if (!hepsiSecili(secim)) {
        q.addBindValue(leadingNumber(secim.baslangic));
        q.addBindValue(leadingNumber(secim.bitis));
        // An empty region matches only an empty region, never a missing one.
        q.addBindValue(metinDegeri(secim.bolge));
    }
    if (!q.exec())
        db.hata(neYapilirken, q.lastError().text());
}

QVariant deger(const QSqlQuery &q, int kolon) {
    return q.isNull(kolon) ? QVariant() : q.value(kolon);
}

// Puts the lines of one invoice in the order of their rows in the line table.
void tabloSirasina(QList<KampanyaFaturasi::Kalem> &kalemler, const QList<qint64> &siralar) {
    if (std::is_sorted(siralar.begin(), siralar.end()))
        return;
    QList<qsizetype> yer(siralar.size());
    std::iota(yer.begin(), yer.end(), 0);
    std::sort(yer.begin(), yer.end(),
              [&](qsizetype a, qsizetype b) { return siralar.at(a) < siralar.at(b); });
    QList<KampanyaFaturasi::Kalem> sirali;
    sirali.reserve(kalemler.size());
    for (qsizetype i : yer)
        sirali << kalemler.at(i);
    kalemler = std::move(sirali);
}

} // namespace

QStringList kampanyalar(Veritabani &db) {
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    // sqlite_master lists tables in the order they were made; indexes, views and triggers are
    // not tables.
    if (!q.exec(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid")))
        db.hata(QStringLiteral("kampanyalar okunurken"), q.lastError().text());
    QStringList adlar;
    while (q.next()) {
        const QString ad = q.value(0).toString();
        if (ad.startsWith(QLatin1String("KAMPANYA"), Qt::CaseSensitive) &&
            !ad.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
            adlar << ad;
    }
    return adlar;
}

int kampanyaFaturalari(Veritabani &db, const QString &kampanya, const KampanyaSecimi &secim,
                       const std::function<bool(const KampanyaFaturasi &)> &her) {
    QSqlQuery q(db.db());
    calistir(db, q, kampanya, secim, Sorgu::Faturalar);

    int verilen = 0;
    bool fatura = false;
    qint64 baslikSirasi = 0;
    KampanyaFaturasi f;
    QList<qint64> kalemSiralari;
    // Hands the invoice gathered so far over; false when the caller wants no more.
    const auto ver = [&] {
        tabloSirasina(f.kalemler, kalemSiralari);
        ++verilen;
        return her(f);
    };
    while (q.next()) {
        const qint64 sira = q.value(BaslikSirasi).toLongLong();
        if (!fatura || sira != baslikSirasi) {
            if (fatura && !ver())
                return verilen;
            fatura = true;
            baslikSirasi = sira;
            f = KampanyaFaturasi{deger(q, Sirano),
                                 deger(q, FaturaTarihi),
                                 deger(q, Bolge),
                                 deger(q, AdiSoyadi),
                                 deger(q, Adresi),
                                 deger(q, Iskonto),
                                 {}};
            kalemSiralari.clear();
        }
        // An invoice without lines comes as one row whose line columns are all NULL.
        if (!q.isNull(KalemSirasi)) {
            kalemSiralari << q.value(KalemSirasi).toLongLong();
            f.kalemler << KampanyaFaturasi::Kalem{deger(q, Aciklama), deger(q, Miktar),
                                                  deger(q, BrFiyat)};
        }
    }
    if (q.lastError().isValid())
        db.hata(QStringLiteral("%1 kampanyası okunurken").arg(kampanya), q.lastError().text());
    if (fatura)
        ver();
    return verilen;
}

int kampanyaFaturaSayisi(Veritabani &db, const QString &kampanya, const KampanyaSecimi &secim) {
    QSqlQuery q(db.db());
    calistir(db, q, kampanya, secim, Sorgu::Sayi);
    if (!q.next())
        db.hata(QStringLiteral("%1 kampanyası okunurken").arg(kampanya), q.lastError().text());
    return q.value(0).toInt();
}

QStringList kampanyaSorguPlani(Veritabani &db, const QString &kampanya,
                               const KampanyaSecimi &secim) {
    QSqlQuery q(db.db());
    calistir(db, q, kampanya, secim, Sorgu::Plan);
    QStringList satirlar;
    while (q.next())
        satirlar << q.value(3).toString();
    return satirlar;
}
