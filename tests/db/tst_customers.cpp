#include "db/customers.h"
#include "db/invoices.h"
#include "testdb.h"

#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

Musteri musteri(qint64 no, const QString &ad) {
    return {no, ad, QStringLiteral("Çamlıca Mah. No: %1").arg(no), QStringLiteral("Üsküdar"),
            QStringLiteral("Üsküdar V.D. %1").arg(no)};
}

// Adds rows as they are, duplicates included: the older program accepted them.
void hamEkle(const QString &yol, const QList<Musteri> &musteriler) {
    QStringList komutlar;
    for (const Musteri &m : musteriler)
        komutlar << QStringLiteral("INSERT INTO MUSTERI VALUES (%1, '%2', '%3', '%4', '%5')")
                        .arg(m.sirano)
                        .arg(m.adi_soyadi, m.adresi, m.adresi2, m.vergidaire_no);
    sql(yol, komutlar);
}

const QString tumMusteriler = QStringLiteral("SELECT rowid, * FROM MUSTERI ORDER BY rowid");

} // namespace

class TestCustomers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listeKayitSirasinda();
    void ilkSatirKazanir();
    void kesmeIsaretiVeTirnak();
    void ekleme();
    void degistirme();
    void silmeFaturalaraDokunmaz();
    void onerilenNumara();

private:
    QTemporaryDir m_dizin;
    QString m_yol;
};

void TestCustomers::init() {
    m_yol = m_dizin.filePath(QStringLiteral("%1.MDB").arg(QTest::currentTestFunction()));
    QFile::remove(m_yol);
    veritabaniOlustur(m_yol);
}

void TestCustomers::listeKayitSirasinda() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(musteriListesi(db).numaralar, QStringList{});
    for (const Musteri &m : {musteri(5, "Zeynep Koç"), musteri(3, "Ahmet Işık"),
                             musteri(9, "Çağrı Şimşek"), musteri(1, "İsmail Öz")})
        QCOMPARE(musteriEkle(db, m), MusteriSonucu::Tamam);
    // Neither sorted by number nor by name, and the two lists stay parallel.
    const MusteriListesi l = musteriListesi(db);
    QCOMPARE(l.numaralar, (QStringList{"5", "3", "9", "1"}));
    QCOMPARE(l.adlar, (QStringList{"Zeynep Koç", "Ahmet Işık", "Çağrı Şimşek", "İsmail Öz"}));
}

void TestCustomers::ilkSatirKazanir() {
    hamEkle(m_yol, {musteri(4, "Aynı Ad"), musteri(2, "Ali"), musteri(4, "İkinci Dört"),
                    musteri(6, "Aynı Ad")});
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(musteriNoIle(db, 4)->adi_soyadi, QStringLiteral("Aynı Ad"));
    QCOMPARE(musteriAdiIle(db, QStringLiteral("Aynı Ad"))->sirano, 4);
    QVERIFY(!musteriNoIle(db, 7));
    QVERIFY(!musteriAdiIle(db, QStringLiteral("aynı ad")));

    // A change or a delete acts on that first row only.
    QCOMPARE(musteriDegistir(db, musteri(4, "Değişen")), MusteriSonucu::Tamam);
    QCOMPARE(sutun(m_yol, QStringLiteral("SELECT adi_soyadi FROM MUSTERI ORDER BY rowid")),
             (QVariantList{"Değişen", "Ali", "İkinci Dört", "Aynı Ad"}));
    QCOMPARE(musteriSil(db, 4), MusteriSonucu::Tamam);
    QCOMPARE(musteriNoIle(db, 4)->adi_soyadi, QStringLiteral("İkinci Dört"));
    QCOMPARE(musteriListesi(db).numaralar, (QStringList{"2", "4", "6"}));
}

void TestCustomers::kesmeIsaretiVeTirnak() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    const QString kesmeli = QStringLiteral("Öztürk'ün Fırını");
    QCOMPARE(musteriEkle(db, musteri(1, kesmeli)), MusteriSonucu::Tamam);
    QCOMPARE(musteriEkle(db, musteri(2, "Ali \"Usta\"; --")), MusteriSonucu::Tamam);

    const std::optional<Musteri> m = musteriAdiIle(db, kesmeli);
    QVERIFY(m);
    QCOMPARE(m->sirano, 1);
    QCOMPARE(m->adi_soyadi, kesmeli);
    QCOMPARE(musteriAdiIle(db, QStringLiteral("Ali \"Usta\"; --"))->sirano, 2);
    // Typed text is a value, never part of the query.
    QVERIFY(!musteriAdiIle(db, QStringLiteral("x' OR '1'='1")));
    QVERIFY(!musteriAdiIle(db, QStringLiteral("x' OR 1=1 --")));
    QCOMPARE(musteriListesi(db).adlar, (QStringList{kesmeli, "Ali \"Usta\"; --"}));
}

void TestCustomers::ekleme() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(musteriEkle(db, musteri(3, "Emine Kurt")), MusteriSonucu::Tamam);
    const QList<QVariantList> once = satirlar(m_yol, tumMusteriler);
    QCOMPARE(musteriEkle(db, musteri(3, "Başka Biri")), MusteriSonucu::NoKayitli);
    QCOMPARE(satirlar(m_yol, tumMusteriler), once);

    Musteri bos;
    bos.sirano = 8;
    QCOMPARE(musteriEkle(db, bos), MusteriSonucu::Tamam);
    QCOMPARE(satirlar(m_yol, QStringLiteral("SELECT typeof(adi_soyadi), typeof(adresi2) FROM "
                                            "MUSTERI WHERE sirano = 8")),
             (QList<QVariantList>{{"text", "text"}}));
    const std::optional<Musteri> geri = musteriNoIle(db, 3);
    QVERIFY(geri);
    QCOMPARE(geri->adresi, QStringLiteral("Çamlıca Mah. No: 3"));
    QCOMPARE(geri->adresi2, QStringLiteral("Üsküdar"));
    QCOMPARE(geri->vergidaire_no, QStringLiteral("Üsküdar V.D. 3"));
}

void TestCustomers::degistirme() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(musteriEkle(db, musteri(1, "Işıl Ak")), MusteriSonucu::Tamam);
    QCOMPARE(musteriEkle(db, musteri(2, "Barış Ak")), MusteriSonucu::Tamam);
    Musteri m = musteri(1, "Işıl Akgül");
    m.adresi2 = QStringLiteral("Bornova / İzmir");
    QCOMPARE(musteriDegistir(db, m), MusteriSonucu::Tamam);
    const std::optional<Musteri> geri = musteriNoIle(db, 1);
    QCOMPARE(geri->adi_soyadi, QStringLiteral("Işıl Akgül"));
    QCOMPARE(geri->adresi2, QStringLiteral("Bornova / İzmir"));
    QCOMPARE(musteriNoIle(db, 2)->adi_soyadi, QStringLiteral("Barış Ak"));

    const QList<QVariantList> once = satirlar(m_yol, tumMusteriler);
    QCOMPARE(musteriDegistir(db, musteri(5, "Yok")), MusteriSonucu::Bulunamadi);
    QCOMPARE(musteriSil(db, 5), MusteriSonucu::Bulunamadi);
    QCOMPARE(satirlar(m_yol, tumMusteriler), once);
}

void TestCustomers::silmeFaturalaraDokunmaz() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(musteriEkle(db, musteri(3, "Hatice Aydın")), MusteriSonucu::Tamam);
    FaturaBasligi b;
    b.musterino = QStringLiteral("3");
    b.adi_soyadi = QStringLiteral("Hatice Aydın");
    b.faturano = 11;
    QVERIFY(yeniFaturaKaydet(db, b, {FaturaKalemi{1, "Çay", "", "5", "5,00"}, FaturaKalemi{}}));
    b.faturano = 12;
    QVERIFY(yeniFaturaKaydet(db, b, {FaturaKalemi{2, "Şeker", "5", "7", "14,00"}}));
    const QString faturalar = QStringLiteral("SELECT rowid, * FROM faturalar ORDER BY rowid");
    const QList<QVariantList> once = satirlar(m_yol, faturalar);

    QCOMPARE(musteriSil(db, 3), MusteriSonucu::Tamam);
    QVERIFY(!musteriNoIle(db, 3));
    QCOMPARE(satirlar(m_yol, faturalar), once);
    QCOMPARE(faturaSatirlari(db, 11).value(0).adi_soyadi, QStringLiteral("Hatice Aydın"));
}

void TestCustomers::onerilenNumara() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(onerilenMusteriNo(db), 1);
    // Numbers 1, 2, 3, 4, 5 and 7 with 6 deleted: the count plus one would be in use.
    for (const qint64 no : {1, 2, 3, 4, 5, 6, 7})
        QCOMPARE(musteriEkle(db, musteri(no, "M")), MusteriSonucu::Tamam);
    QCOMPARE(musteriSil(db, 6), MusteriSonucu::Tamam);
    QCOMPARE(onerilenMusteriNo(db), 8);
    // A number another program stored as text is not a number to count from.
    sql(m_yol, {QStringLiteral("INSERT INTO MUSTERI (sirano) VALUES ('12a')")});
    QCOMPARE(onerilenMusteriNo(db), 8);
}

QTEST_GUILESS_MAIN(TestCustomers)
#include "tst_customers.moc"
