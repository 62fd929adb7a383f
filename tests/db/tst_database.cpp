#include "db/customers.h"
#include "db/database.h"
#include "db/invoices.h"
#include "testdb.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

QByteArray dosya(const QString &yol) {
    QFile f(yol);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void yaz(const QString &yol, const QByteArray &icerik) {
    QFile f(yol);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(icerik), icerik.size());
}

// The first page of an Access file: a version word, then the engine's name.
QByteArray jetBasi(const char *motor) {
    QByteArray b("\x00\x01\x00\x00", 4);
    b += motor;
    b += QByteArray(1, '\0');
    b += QByteArray(2048 - b.size(), '\x5a');
    return b;
}

FaturaBasligi baslik(qint64 no) {
    FaturaBasligi b;
    b.musterino = QStringLiteral("1");
    b.adi_soyadi = QStringLiteral("Ayşe Yılmaz");
    b.faturano = no;
    return b;
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void acilisHatalari_data();
    void acilisHatalari();
    void saltOkunur();
    void eksikTabloVeSutun();
    void olusturma();
    void islem();
    void baglantiKalmaz();
};

void TestDatabase::acilisHatalari_data() {
    QTest::addColumn<QString>("tur");
    QTest::addColumn<QByteArray>("icerik");
    QTest::addColumn<QString>("mesaj"); // %1 is the path

    const QString degil = QStringLiteral("Bu dosya bir veritabanı değil: %1");
    const QString eski = QStringLiteral("Bu veritabanı eski biçimde (Access/Jet): %1\n");
    QTest::newRow("dosya yok") << "yok" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("klasör") << "klasör" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("boş dosya") << "dosya" << QByteArray() << degil;
    QTest::newRow("metin") << "dosya" << QByteArray("1;Ali Kaya;Kadıköy\r\n2;Veli\r\n") << degil;
    QTest::newRow("yarım SQLite başı") << "dosya" << QByteArray("SQLite form") << degil;
    QTest::newRow("Access 97/2000") << "dosya" << jetBasi("Standard Jet DB") << eski;
    QTest::newRow("Access 2007") << "dosya" << jetBasi("Standard ACE DB") << eski;
    QTest::newRow("bozuk SQLite") << "dosya"
                                  << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x7f')
                                  << "Bu dosya bir veritabanı değil ya da bozuk: %1\n";
}

void TestDatabase::acilisHatalari() {
    QFETCH(QString, tur);
    QFETCH(QByteArray, icerik);
    QFETCH(QString, mesaj);
    QTemporaryDir dizin;
    const QString yol = dizin.filePath(QStringLiteral("fatura.MDB"));
    if (tur == u"dosya")
        yaz(yol, icerik);
    else if (tur == u"klasör")
        QVERIFY(QDir().mkdir(yol));

    const QString beklenen = mesaj.arg(yol);
    for (const auto erisim : {Veritabani::Erisim::Okuma, Veritabani::Erisim::Yazma}) {
        const QString metin = hata([&] { Veritabani db(yol, erisim); });
        QVERIFY2(metin.startsWith(beklenen), qPrintable(metin));
    }
    if (beklenen.contains(u"Access"))
        QVERIFY(hata([&] { Veritabani db(yol); }).contains(u"aktarılması gerekir"));
    // Looking is all it does: nothing is created and nothing is changed.
    QCOMPARE(QFileInfo::exists(yol), tur != u"yok");
    if (tur == u"dosya")
        QCOMPARE(dosya(yol), icerik);
}

void TestDatabase::saltOkunur() {
    QTemporaryDir dizin;
    const QString yol = dizin.filePath(QStringLiteral("fatura.MDB"));
    veritabaniOlustur(yol);
    {
        Veritabani db(yol, Veritabani::Erisim::Yazma);
        QVERIFY(yeniFaturaKaydet(db, baslik(4), {FaturaKalemi{1, "Çay", "", "10", "10,00"}}));
    }
    const auto izinler = QFile::permissions(yol);
    const auto geriVer = qScopeGuard([&] {
        QFile::setPermissions(yol, izinler);
        QFile::setPermissions(dizin.path(), QFile::permissions(dizin.path()) | QFile::WriteOwner);
    });
    const QByteArray once = dosya(yol);

    // A file marked read-only is refused for writing, whoever runs the program, and still
    // opens for reading.
    QVERIFY(QFile::setPermissions(yol, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QCOMPARE(hata([&] { Veritabani db(yol, Veritabani::Erisim::Yazma); }),
             QStringLiteral("Veritabanına yazılamıyor (salt okunur): %1").arg(yol));
    {
        Veritabani db(yol);
        QCOMPARE(faturaNumaralari(db), QList<qint64>{4});
    }
    QVERIFY(QFile::setPermissions(yol, izinler));

    // A connection opened for reading refuses a write by the engine itself.
    {
        Veritabani db(yol);
        const QString metin = hata([&] { yeniFaturaKaydet(db, baslik(5), {FaturaKalemi{}}); });
        QVERIFY2(metin.startsWith(QStringLiteral("Veritabanı hatası (")), qPrintable(metin));
        QVERIFY2(metin.contains(yol), qPrintable(metin));
    }

    // The journal goes beside the file: a folder that cannot be written is refused too.
    QVERIFY(QFile::setPermissions(dizin.path(), QFile::ReadOwner | QFile::ExeOwner));
    QCOMPARE(hata([&] { Veritabani db(yol, Veritabani::Erisim::Yazma); }),
             QStringLiteral("Veritabanının bulunduğu klasöre yazılamıyor: %1").arg(dizin.path()));
    QCOMPARE(dosya(yol), once);
}

void TestDatabase::eksikTabloVeSutun() {
    QTemporaryDir dizin;
    const QString bos = dizin.filePath(QStringLiteral("bos.db"));
    const QString eksik = dizin.filePath(QStringLiteral("eksik.db"));
    veritabaniOlustur(bos);
    sql(bos, {QStringLiteral("DROP TABLE faturalar"), QStringLiteral("DROP TABLE MUSTERI"),
              QStringLiteral("CREATE TABLE baska (a)")});
    veritabaniOlustur(eksik);
    sql(eksik, {QStringLiteral("DROP TABLE faturalar"), QStringLiteral("DROP TABLE MUSTERI"),
                QStringLiteral("CREATE TABLE faturalar (musterino TEXT, adi_soyadi TEXT, adresi "
                               "TEXT, adresi2 TEXT, vergidaire_no TEXT, kdvdahil INTEGER, "
                               "fatura_tarihi TEXT, irsaliye_no TEXT, irsaliye_tarihi TEXT, "
                               "faturano INTEGER, miktar REAL, aciklama TEXT, iskonto TEXT, "
                               "br_fiyat TEXT)"),
                QStringLiteral("CREATE TABLE MUSTERI (sirano INTEGER, adi_soyadi TEXT, adresi "
                               "TEXT, vergidaire_no TEXT)")});

    Veritabani b(bos, Veritabani::Erisim::Yazma);
    const QString faturalarYok = QStringLiteral("Veritabanında faturalar tablosu yok: %1").arg(bos);
    const QString musteriYok = QStringLiteral("Veritabanında MUSTERI tablosu yok: %1").arg(bos);
    QCOMPARE(hata([&] { faturaNumaralari(b); }), faturalarYok);
    QCOMPARE(hata([&] { faturaSatirlari(b, 1); }), faturalarYok);
    QCOMPARE(hata([&] { yeniFaturaKaydet(b, baslik(1), {}); }), faturalarYok);
    QCOMPARE(hata([&] { faturaDegistir(b, baslik(1), {}); }), faturalarYok);
    QCOMPARE(hata([&] { musteriListesi(b); }), musteriYok);
    QCOMPARE(hata([&] { musteriAdiIle(b, QStringLiteral("Ali")); }), musteriYok);
    QCOMPARE(hata([&] { musteriEkle(b, Musteri{}); }), musteriYok);

    Veritabani e(eksik, Veritabani::Erisim::Yazma);
    const QString tutarYok =
        QStringLiteral("Veritabanının faturalar tablosunda TUTAR sütunu yok: %1").arg(eksik);
    const QString adres2Yok =
        QStringLiteral("Veritabanının MUSTERI tablosunda adresi2 sütunu yok: %1").arg(eksik);
    // What a list needs is there; what a whole row needs is not.
    QCOMPARE(faturaNumaralari(e), QList<qint64>{});
    QCOMPARE(musteriListesi(e).numaralar, QStringList{});
    QCOMPARE(hata([&] { faturaSatirlari(e, 1); }), tutarYok);
    QCOMPARE(hata([&] { yeniFaturaKaydet(e, baslik(1), {FaturaKalemi{}}); }), tutarYok);
    QCOMPARE(hata([&] { musteriNoIle(e, 1); }), adres2Yok);
    QCOMPARE(hata([&] { musteriDegistir(e, Musteri{}); }), adres2Yok);
    QCOMPARE(sutun(eksik, QStringLiteral("SELECT count(*) FROM faturalar")), QVariantList{0});
}

void TestDatabase::olusturma() {
    QTemporaryDir dizin;
    const QString yol = dizin.filePath(QStringLiteral("yeni.MDB"));
    veritabaniOlustur(yol);

    // The lookups the windows make go through an index, not through every row.
    const QStringList sorgular = {
        QStringLiteral("select distinct faturano from faturalar order by faturano"),
        QStringLiteral("select * from faturalar where faturano=1 ORDER BY rowid"),
        QStringLiteral("select * from MUSTERI where sirano=1 ORDER BY rowid"),
        QStringLiteral("select * from MUSTERI where adi_soyadi='Ali' ORDER BY rowid"),
    };
    for (const QString &sorgu : sorgular) {
        QString adimlar;
        for (const QVariantList &satir :
             satirlar(yol, QStringLiteral("EXPLAIN QUERY PLAN ") + sorgu))
            adimlar += satir.value(3).toString() + QStringLiteral(" | ");
        QVERIFY2(adimlar.contains(u"USING") && adimlar.contains(u"INDEX"), qPrintable(adimlar));
        QVERIFY2(!adimlar.contains(u"TEMP B-TREE"), qPrintable(adimlar));
    }

    // An existing path is never replaced, not even an empty file.
    const QString var = dizin.filePath(QStringLiteral("var.MDB"));
    yaz(var, QByteArray());
    QCOMPARE(hata([&] { veritabaniOlustur(var); }),
             QStringLiteral("Bu adda bir dosya zaten var: %1").arg(var));
    QCOMPARE(hata([&] { veritabaniOlustur(yol); }),
             QStringLiteral("Bu adda bir dosya zaten var: %1").arg(yol));
    QCOMPARE(dosya(var), QByteArray());

    // A folder that does not exist: an error, and no file left behind.
    const QString klasorsuz = dizin.filePath(QStringLiteral("yok/fatura.MDB"));
    QVERIFY(hata([&] {
                veritabaniOlustur(klasorsuz);
            }).startsWith(QStringLiteral("Veritabanı oluşturulamadı: %1\n").arg(klasorsuz)));
    QVERIFY(!QFileInfo::exists(klasorsuz));
}

void TestDatabase::islem() {
    QTemporaryDir dizin;
    const QString yol = dizin.filePath(QStringLiteral("fatura.MDB"));
    veritabaniOlustur(yol);
    const auto ekle = [](Veritabani &db, int no) {
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("INSERT INTO MUSTERI (sirano) VALUES (%1)").arg(no)));
    };
    const auto numaralar = [&] {
        return sutun(yol, QStringLiteral("SELECT sirano FROM MUSTERI ORDER BY rowid"));
    };
    struct Dur {};

    Veritabani db(yol, Veritabani::Erisim::Yazma);
    db.islem([&] { ekle(db, 1); });
    QCOMPARE(numaralar(), QVariantList{1});

    // A failure rolls back everything, also what an inner transaction did.
    QVERIFY_THROWS_EXCEPTION(Dur, db.islem([&] {
        ekle(db, 2);
        db.islem([&] { ekle(db, 3); });
        throw Dur{};
    }));
    QCOMPARE(numaralar(), QVariantList{1});

    // After a rollback the next transaction is a transaction again, not loose statements;
    // an inner transaction that fails takes the outer one with it.
    QVERIFY_THROWS_EXCEPTION(Dur, db.islem([&] {
        ekle(db, 5);
        db.islem([&] {
            ekle(db, 6);
            throw Dur{};
        });
    }));
    QCOMPARE(numaralar(), QVariantList{1});

    // Nested calls commit once, with the outer one.
    db.islem([&] {
        musteriEkle(db, Musteri{7, QStringLiteral("Ömer"), {}, {}, {}});
        db.islem([&] { ekle(db, 8); });
    });
    QCOMPARE(numaralar(), (QVariantList{1, 7, 8}));
}

void TestDatabase::baglantiKalmaz() {
    QTemporaryDir dizin;
    const QString yol = dizin.filePath(QStringLiteral("fatura.MDB"));
    const QString bozuk = dizin.filePath(QStringLiteral("bozuk.MDB"));
    veritabaniOlustur(yol);
    yaz(bozuk, QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x01'));
    {
        Veritabani a(yol);
        Veritabani b(yol, Veritabani::Erisim::Yazma);
        QVERIFY(a.db().connectionName() != b.db().connectionName());
        QCOMPARE(QSqlDatabase::connectionNames().size(), 2);
        QVERIFY(yeniFaturaKaydet(b, baslik(1), {FaturaKalemi{}}));
        QCOMPARE(faturaNumaralari(a), QList<qint64>{1});
    }
    QVERIFY(!hata([&] { Veritabani db(bozuk); }).isEmpty());
    QVERIFY(!hata([&] {
                 Veritabani db(yol);
                 faturaSatirlari(db, 1);
                 musteriListesi(db);
                 db.hata(QStringLiteral("deneme"), QStringLiteral("motor"));
             }).isEmpty());
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList{});
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
