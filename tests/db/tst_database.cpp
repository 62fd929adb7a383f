#include "db/customers.h"
#include "db/invoices.h"
#include "testdb.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
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
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(icerik) == icerik.size());
}

// The first page of an Access file: a version word, then the engine's name.
QByteArray jetBasi(const char *motor) {
    return QByteArray("\x00\x01\x00\x00", 4) + motor + QByteArray(2000, '\0');
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Whatever failed, every connection has been closed and removed.
    void cleanup() { QCOMPARE(QSqlDatabase::connectionNames(), QStringList{}); }
    void acilisHatalari_data();
    void acilisHatalari();
    void saltOkunur();
    void eksikTabloVeSutun_data();
    void eksikTabloVeSutun();
    void olusturma();
    void islem();
};

void TestDatabase::acilisHatalari_data() {
    QTest::addColumn<QString>("tur");
    QTest::addColumn<QByteArray>("icerik");
    QTest::addColumn<QString>("mesaj"); // the start of the text; %1 is the path

    const QString degil = QStringLiteral("Bu dosya bir veritabanı değil: %1");
    const QString eski = QStringLiteral("Bu veritabanı eski biçimde (Access/Jet): %1\nÖnce "
                                        "aktarılması gerekir");
    QTest::newRow("dosya yok") << "yok" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("klasör") << "klasör" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("boş dosya") << "dosya" << QByteArray() << degil;
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

    for (const auto erisim : {Veritabani::Erisim::Okuma, Veritabani::Erisim::Yazma}) {
        const QString metin = hata([&] { Veritabani db(yol, erisim); });
        QVERIFY2(metin.startsWith(mesaj.arg(yol)), qPrintable(metin));
    }
    // Looking is all it does: nothing is created and nothing is changed.
    QCOMPARE(QFileInfo::exists(yol), tur != u"yok");
    QCOMPARE(dosya(yol), icerik);
}

void TestDatabase::saltOkunur() {
    QTemporaryDir dizin;
    const QString yol = dizin.filePath(QStringLiteral("fatura.MDB"));
    veritabaniOlustur(yol);
    sql(yol, {QStringLiteral("INSERT INTO faturalar (faturano) VALUES (4)")});
    const auto izinler = QFile::permissions(yol);
    const auto geriVer = qScopeGuard([&] {
        QFile::setPermissions(yol, izinler);
        QFile::setPermissions(dizin.path(), QFile::permissions(dizin.path()) | QFile::WriteOwner);
    });
    const QByteArray once = dosya(yol);

    // A file marked read-only is refused for writing, whoever runs the program (root too),
    // and still opens for reading.
    QVERIFY(QFile::setPermissions(yol, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QCOMPARE(hata([&] { Veritabani db(yol, Veritabani::Erisim::Yazma); }),
             QStringLiteral("Veritabanına yazılamıyor (salt okunur): %1").arg(yol));
    Veritabani okuma(yol);
    QCOMPARE(faturaNumaralari(okuma), QList<qint64>{4});
    QVERIFY(QFile::setPermissions(yol, izinler));

    // The journal goes beside the file: a folder that cannot be written is refused too.
    QVERIFY(QFile::setPermissions(dizin.path(), QFile::ReadOwner | QFile::ExeOwner));
    QCOMPARE(hata([&] { Veritabani db(yol, Veritabani::Erisim::Yazma); }),
             QStringLiteral("Veritabanının bulunduğu klasöre yazılamıyor: %1").arg(dizin.path()));
    QCOMPARE(dosya(yol), once);
}

void TestDatabase::eksikTabloVeSutun_data() {
    QTest::addColumn<QString>("komut");
    QTest::addColumn<QString>("mesaj"); // %1 is the path
    QTest::newRow("faturalar yok") << "DROP TABLE faturalar"
                                   << "Veritabanında faturalar tablosu yok: %1";
    QTest::newRow("MUSTERI yok") << "DROP TABLE MUSTERI"
                                 << "Veritabanında MUSTERI tablosu yok: %1";
    QTest::newRow("TUTAR yok") << "ALTER TABLE faturalar DROP COLUMN tutar"
                               << "Veritabanının faturalar tablosunda TUTAR sütunu yok: %1";
    QTest::newRow("adresi2 yok") << "ALTER TABLE MUSTERI DROP COLUMN adresi2"
                                 << "Veritabanının MUSTERI tablosunda adresi2 sütunu yok: %1";
}

// Reading a row names what is missing instead of leaving a value silently empty; a list
// needs only its own columns.
void TestDatabase::eksikTabloVeSutun() {
    QFETCH(QString, komut);
    QFETCH(QString, mesaj);
    QTemporaryDir dizin;
    const QString yol = dizin.filePath(QStringLiteral("fatura.MDB"));
    veritabaniOlustur(yol);
    sql(yol, {komut});
    Veritabani db(yol, Veritabani::Erisim::Yazma);
    const bool fatura = komut.contains(u"faturalar");
    const bool tablo = komut.startsWith(u"DROP");
    const QString liste =
        hata([&] { fatura ? void(faturaNumaralari(db)) : void(musteriListesi(db)); });
    QCOMPARE(liste, tablo ? mesaj.arg(yol) : QString());
    QCOMPARE(hata([&] { fatura ? void(faturaSatirlari(db, 1)) : void(musteriNoIle(db, 1)); }),
             mesaj.arg(yol));
}

void TestDatabase::olusturma() {
    QTemporaryDir dizin;
    const QString yol = dizin.filePath(QStringLiteral("yeni.MDB"));
    veritabaniOlustur(yol);

    // The lookups the windows make go through an index, not through every row.
    for (const char *sorgu : {"select distinct faturano from faturalar order by faturano",
                              "select * from faturalar where faturano=1 ORDER BY rowid",
                              "select * from MUSTERI where sirano=1 ORDER BY rowid",
                              "select * from MUSTERI where adi_soyadi='Ali' ORDER BY rowid"}) {
        QString adimlar;
        for (const QVariantList &s : satirlar(yol, u"EXPLAIN QUERY PLAN "_qs + sorgu))
            adimlar += s.value(3).toString() + " | ";
        QVERIFY2(adimlar.contains(u"INDEX") && !adimlar.contains(u"TEMP B-TREE"),
                 qPrintable(adimlar));
    }

    // An existing path is never replaced, not even an empty file.
    const QString var = dizin.filePath(QStringLiteral("var.MDB"));
    yaz(var, QByteArray());
    QCOMPARE(hata([&] { veritabaniOlustur(var); }),
             QStringLiteral("Bu adda bir dosya zaten var: %1").arg(var));
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
    Veritabani db(yol, Veritabani::Erisim::Yazma);
    const auto ekle = [&](int no) {
        QVERIFY(QSqlQuery(db.db()).exec(
            QStringLiteral("INSERT INTO MUSTERI (sirano) VALUES (%1)").arg(no)));
    };
    const auto numaralar = [&] { return satirlar(yol, "SELECT sirano FROM MUSTERI"); };
    struct Dur {};

    // A failure rolls back everything, also what an inner transaction did, whether it comes
    // after the inner one or inside it; after a rollback the next transaction is a
    // transaction again, not loose statements.
    db.islem([&] { ekle(1); });
    for (const bool icinde : {false, true}) {
        QVERIFY_THROWS_EXCEPTION(Dur, db.islem([&] {
            ekle(2);
            db.islem([&] {
                ekle(3);
                if (icinde)
                    throw Dur{};
            });
            throw Dur{};
        }));
        QCOMPARE(numaralar(), QList<QVariantList>{{1}});
    }
    // Nested calls, a row function's own among them, commit once, with the outer one.
    db.islem([&] {
        musteriEkle(db, Musteri{7, QStringLiteral("Ömer"), {}, {}, {}});
        db.islem([&] { ekle(8); });
    });
    QCOMPARE(numaralar(), (QList<QVariantList>{{1}, {7}, {8}}));
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
