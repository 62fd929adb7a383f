#include "store/customers.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <limits>

namespace {

QSqlQuery calistir(Veritabani &db, const QString &sql, const QVariantList &degerler,
                   const QString &neYapilirken) {
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        db.hata(neYapilirken, q.lastError().text());
    for (const QVariant &v : degerler)
        q.addBindValue(v);
    if (!q.exec())
        db.hata(neYapilirken, q.lastError().text());
    return q;
}

QString metin(const QSqlQuery &q, const char *kolon) {
    return q.value(QString::fromLatin1(kolon)).toString();
}

Musteri satirdan(const QSqlQuery &q) {
    return {q.value(QStringLiteral("sirano")).toLongLong(), metin(q, "adi_soyadi"),
            metin(q, "adresi"), metin(q, "adresi2"), metin(q, "vergidaire_no")};
}

std::optional<Musteri> ilkSatir(QSqlQuery &q) {
    if (!q.next())
        return std::nullopt;
    return satirdan(q);
}

const QString tablo = QStringLiteral("MUSTERI");

void tumKolonlarGerekli(Veritabani &db) {
    db.kolonlarGerekli(tablo, {QStringLiteral("sirano"), QStringLiteral("adi_soyadi"),
                               QStringLiteral("adresi"), QStringLiteral("adresi2"),
                               QStringLiteral("vergidaire_no")});
}

// The first row with a number: the one the register acts on when numbers repeat.
const char *const ilkSatirKosulu =
    "rowid = (SELECT rowid FROM MUSTERI WHERE sirano = ? ORDER BY rowid LIMIT 1)";

} // namespace

MusteriListesi musteriListesi(Veritabani &db) {
    db.kolonlarGerekli(tablo, {QStringLiteral("sirano"), QStringLiteral("adi_soyadi")});
    QSqlQuery q =
        calistir(db, QStringLiteral("SELECT sirano, adi_soyadi FROM MUSTERI ORDER BY rowid"), {},
                 QStringLiteral("müşteriler okunurken"));
    MusteriListesi liste;
    while (q.next()) {
        liste.numaralar << q.value(0).toString();
        liste.adlar << q.value(1).toString();
    }
    return liste;
}

std::optional<Musteri> musteriNoIle(Veritabani &db, qint64 sirano) {
    tumKolonlarGerekli(db);
    QSqlQuery q =
        calistir(db, QStringLiteral("select * from MUSTERI where sirano=? ORDER BY rowid"),
                 {sirano}, QStringLiteral("müşteri aranırken"));
    return ilkSatir(q);
}

std::optional<Musteri> musteriAdiIle(Veritabani &db, const QString &adi_soyadi) {
    tumKolonlarGerekli(db);
    QSqlQuery q =
        calistir(db, QStringLiteral("select * from MUSTERI where adi_soyadi=? ORDER BY rowid"),
                 {adi_soyadi}, QStringLiteral("müşteri aranırken"));
    return ilkSatir(q);
}

qint64 onerilenMusteriNo(Veritabani &db) {
    db.kolonlarGerekli(tablo, {QStringLiteral("sirano")});
    // Only whole numbers count: a value stored as text by an older program sorts above
    // every integer in SQLite and would spoil the proposal.
    QSqlQuery q = calistir(
        db, QStringLiteral("SELECT max(sirano) FROM MUSTERI WHERE typeof(sirano) = 'integer'"), {},
        QStringLiteral("müşteri numaraları okunurken"));
    if (!q.next() || q.value(0).isNull())
        return 1;
    const qint64 enBuyuk = q.value(0).toLongLong();
    // Nothing lies above the largest number there is; proposing it again gets the
    // "already in use" answer on save instead of an overflow.
    return enBuyuk == std::numeric_limits<qint64>::max() ? enBuyuk : enBuyuk + 1;
}

MusteriSonucu musteriEkle(Veritabani &db, const Musteri &m) {
    tumKolonlarGerekli(db);
    MusteriSonucu sonuc = MusteriSonucu::Tamam;
    db.islem([&] {
        QSqlQuery var = calistir(db, QStringLiteral("SELECT 1 FROM MUSTERI WHERE sirano = ?"),
                                 {m.sirano}, QStringLiteral("müşteri aranırken"));
        if (var.next()) {
            sonuc = MusteriSonucu::NoKayitli;
            return;
        }
        calistir(db,
                 QStringLiteral("INSERT INTO MUSTERI (sirano, adi_soyadi, adresi, adresi2, "
                                "vergidaire_no) VALUES (?, ?, ?, ?, ?)"),
                 {m.sirano, metinDegeri(m.adi_soyadi), metinDegeri(m.adresi),
                  metinDegeri(m.adresi2), metinDegeri(m.vergidaire_no)},
                 QStringLiteral("müşteri kaydedilirken"));
    });
    return sonuc;
}

MusteriSonucu musteriDegistir(Veritabani &db, const Musteri &m) {
    tumKolonlarGerekli(db);
    QSqlQuery q =
        calistir(db,
                 QStringLiteral("UPDATE MUSTERI SET sirano = ?, adi_soyadi = ?, adresi = ?, "
                                "adresi2 = ?, vergidaire_no = ? WHERE ") +
                     QString::fromLatin1(ilkSatirKosulu),
                 {m.sirano, metinDegeri(m.adi_soyadi), metinDegeri(m.adresi),
                  metinDegeri(m.adresi2), metinDegeri(m.vergidaire_no), m.sirano},
                 QStringLiteral("müşteri kaydedilirken"));
    return q.numRowsAffected() > 0 ? MusteriSonucu::Tamam : MusteriSonucu::Bulunamadi;
}

MusteriSonucu musteriSil(Veritabani &db, qint64 sirano) {
    db.kolonlarGerekli(tablo, {QStringLiteral("sirano")});
    QSqlQuery q = calistir(
        db, QStringLiteral("DELETE FROM MUSTERI WHERE ") + QString::fromLatin1(ilkSatirKosulu),
        {sirano}, QStringLiteral("müşteri silinirken"));
    return q.numRowsAffected() > 0 ? MusteriSonucu::Tamam : MusteriSonucu::Bulunamadi;
}
