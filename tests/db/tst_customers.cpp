// What the customer register's own tests (tests/customers) cannot see: rows as an older
// program left them, NULLs, and texts that look like SQL.
#include "db/customers.h"
#include "db/invoices.h"
#include "testdb.h"

#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

class TestCustomers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void satirlar();
};

void TestCustomers::satirlar() {
    QTemporaryDir dizin;
    const QString yol = dizin.filePath(QStringLiteral("fatura.MDB"));
    veritabaniOlustur(yol);
    // Numbers and names repeating, as the older program allowed.
    sql(yol, {QStringLiteral("INSERT INTO MUSTERI (sirano, adi_soyadi) VALUES (5, 'Aynı Ad'), "
                             "(5, 'İkinci Beş'), (1, 'Aynı Ad')"),
              QStringLiteral("INSERT INTO faturalar (musterino, adi_soyadi, faturano) VALUES "
                             "('5', 'Aynı Ad', 11), ('5', 'Aynı Ad', 11)")});
    const QString tumu = QStringLiteral("SELECT rowid, * FROM MUSTERI");
    Veritabani db(yol, Veritabani::Erisim::Yazma);
    QCOMPARE(musteriEkle(db, Musteri{2, "Öztürk'ün Fırını", {}, {}, {}}), MusteriSonucu::Tamam);
    QCOMPARE(musteriListesi(db).numaralar, (QStringList{"5", "5", "1", "2"}));
    // The first row wins; names compare exactly; typed text is a value, never SQL.
    QCOMPARE(musteriNoIle(db, 5)->adi_soyadi, "Aynı Ad");
    QCOMPARE(musteriAdiIle(db, QStringLiteral("Aynı Ad"))->sirano, 5);
    QCOMPARE(musteriAdiIle(db, QStringLiteral("Öztürk'ün Fırını"))->sirano, 2);
    QVERIFY(!musteriAdiIle(db, QStringLiteral("aynı ad")));
    QVERIFY(!musteriAdiIle(db, QStringLiteral("x' OR '1'='1")));

    // A change acts on the first row with the number, empty boxes stored as empty texts;
    // a refused or missing number changes nothing.
    QCOMPARE(musteriDegistir(db, Musteri{5, "Değişen", {}, "Bornova", {}}), MusteriSonucu::Tamam);
    const QList<QVariantList> once = testdb::satirlar(yol, tumu);
    QCOMPARE(once.first(), (QVariantList{1, 5, "Değişen", "", "Bornova", ""}));
    QCOMPARE(musteriEkle(db, Musteri{2, "Başka", {}, {}, {}}), MusteriSonucu::NoKayitli);
    QCOMPARE(musteriDegistir(db, Musteri{7, "Yok", {}, {}, {}}), MusteriSonucu::Bulunamadi);
    QCOMPARE(musteriSil(db, 7), MusteriSonucu::Bulunamadi);
    QCOMPARE(testdb::satirlar(yol, tumu), once);

    // A delete takes the first row too, and leaves every invoice row as it was.
    const QString faturalar = QStringLiteral("SELECT rowid, * FROM faturalar");
    const QList<QVariantList> faturalarOnce = testdb::satirlar(yol, faturalar);
    QCOMPARE(musteriSil(db, 5), MusteriSonucu::Tamam);
    QCOMPARE(musteriNoIle(db, 5)->adi_soyadi, "İkinci Beş");
    QCOMPARE(testdb::satirlar(yol, faturalar), faturalarOnce);
}

QTEST_GUILESS_MAIN(TestCustomers)
#include "tst_customers.moc"
