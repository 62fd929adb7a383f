#include "store/campaigns.h"
#include "store/customers.h"
#include "store/invoices.h"
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

FaturaBasligi baslik(qint64 no, const QString &ad = QStringLiteral("Gülşen Çelik")) {
    return {"12", ad,           "İnönü Mah. No: 4", "Kadıköy / İstanbul", "Kadıköy V.D. 1234",
            1,    "05.12.2026", "A-1001",           "04.12.2026",         no};
}

// A line without discount, as the invoice window gives it: the discount is a null text.
FaturaKalemi kalem(const QString &aciklama, double miktar = 1) {
    return {miktar, aciklama, QString(), "12.50", QString::number(miktar * 12.5)};
}

QStringList aciklamalar(const QList<KayitliSatir> &satirlar) {
    QStringList s;
    for (const KayitliSatir &r : satirlar)
        s << r.aciklama.value_or(QStringLiteral("<NULL>"));
    return s;
}

const QString tumSatirlar = QStringLiteral("SELECT rowid, * FROM faturalar ORDER BY rowid");

const QString baslikTablosu =
    QStringLiteral("CREATE TABLE \"FATCARI%1\" (SIRANO INTEGER, DAGITIM_BOLGESI TEXT, "
                   "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, ISKONTO REAL)");
const QString kalemTablosu = QStringLiteral(
    "CREATE TABLE \"FATSTOK%1\" (FATURANO INTEGER, ACIKLAMA TEXT, MIKTAR REAL, BR_FIYAT REAL)");

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Whatever failed, every connection has been closed and removed.
    void cleanup() { QCOMPARE(QSqlDatabase::connectionNames(), QStringList{}); }
    void init();
    void acilisHatalari_data();
    void acilisHatalari();
    void saltOkunur();
    void eksikTabloVeSutun_data();
    void eksikTabloVeSutun();
    void olusturma();
    void islem();
    void kayitVeOkuma();
    void eskiTablo();
    void yarimKalanDegistirme_data();
    void yarimKalanDegistirme();
    void kampanyaListesi();
    void kampanyaOkuma();

private:
    QTemporaryDir m_dizin;
    QString m_yol; // a new database for each test
};

void TestDatabase::init() {
    m_yol = m_dizin.filePath(QStringLiteral("%1.MDB").arg(QTest::currentTestFunction()));
    QFile::remove(m_yol);
    veritabaniOlustur(m_yol);
}

void TestDatabase::acilisHatalari_data() {
    QTest::addColumn<QString>("tur");
    QTest::addColumn<QByteArray>("icerik");
    QTest::addColumn<QString>("mesaj"); // the start of the text; %1 is the path
    const QString eski = QStringLiteral("Bu veritabanı eski biçimde (Access/Jet): %1\nÖnce "
                                        "aktarılması gerekir");
    QTest::newRow("dosya yok") << "yok" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("klasör") << "klasör" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("boş dosya") << "dosya" << QByteArray() << "Bu dosya bir veritabanı değil: %1";
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
    const auto izinler = QFile::permissions(m_yol);
    const auto geriVer = qScopeGuard([&] {
        QFile::setPermissions(m_yol, izinler);
        QFile::setPermissions(m_dizin.path(),
                              QFile::permissions(m_dizin.path()) | QFile::WriteOwner);
    });
    const QByteArray once = dosya(m_yol);

    // A file marked read-only is refused for writing, whoever runs the program (root too),
    // and still opens for reading.
    QVERIFY(QFile::setPermissions(m_yol, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QCOMPARE(hata([&] { Veritabani db(m_yol, Veritabani::Erisim::Yazma); }),
             QStringLiteral("Veritabanına yazılamıyor (salt okunur): %1").arg(m_yol));
    Veritabani okuma(m_yol);
    QCOMPARE(faturaNumaralari(okuma), QList<qint64>{});
    QVERIFY(QFile::setPermissions(m_yol, izinler));

    // The journal goes beside the file: a folder that cannot be written is refused too.
    QVERIFY(QFile::setPermissions(m_dizin.path(), QFile::ReadOwner | QFile::ExeOwner));
    QCOMPARE(hata([&] { Veritabani db(m_yol, Veritabani::Erisim::Yazma); }),
             QStringLiteral("Veritabanının bulunduğu klasöre yazılamıyor: %1").arg(m_dizin.path()));
    QCOMPARE(dosya(m_yol), once);
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
    sql(m_yol, {komut});
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    const bool fatura = komut.contains(u"faturalar");
    const bool tablo = komut.startsWith(u"DROP");
    const QString liste =
        hata([&] { fatura ? void(faturaNumaralari(db)) : void(musteriListesi(db)); });
    QCOMPARE(liste, tablo ? mesaj.arg(m_yol) : QString());
    QCOMPARE(hata([&] { fatura ? void(faturaSatirlari(db, 1)) : void(musteriNoIle(db, 1)); }),
             mesaj.arg(m_yol));
}

void TestDatabase::olusturma() {
    // The lookups the windows make go through an index, not through every row.
    for (const char *sorgu : {"select distinct faturano from faturalar order by faturano",
                              "select * from faturalar where faturano=1 ORDER BY rowid",
                              "select * from MUSTERI where sirano=1 ORDER BY rowid",
                              "select * from MUSTERI where adi_soyadi='Ali' ORDER BY rowid"}) {
        QString adimlar;
        for (const QVariantList &s : satirlar(m_yol, u"EXPLAIN QUERY PLAN "_qs + sorgu))
            adimlar += s.value(3).toString() + " | ";
        QVERIFY2(adimlar.contains(u"INDEX") && !adimlar.contains(u"TEMP B-TREE"),
                 qPrintable(adimlar));
    }

    // An existing path is never replaced, not even an empty file.
    const QString var = m_dizin.filePath(QStringLiteral("var.MDB"));
    yaz(var, QByteArray());
    QCOMPARE(hata([&] { veritabaniOlustur(var); }),
             QStringLiteral("Bu adda bir dosya zaten var: %1").arg(var));
    QCOMPARE(dosya(var), QByteArray());
}

// A failure, inside an inner transaction or after it, rolls back what the inner one did too;
// nested calls commit once, with the outer one.
void TestDatabase::islem() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    const auto ekle = [&](int no) {
        musteriEkle(db, Musteri{no, QStringLiteral("Ömer"), {}, {}, {}});
    };
    struct Dur {};
    // Twice, so that the second must again be a transaction, not loose statements.
    for (const bool icinde : {false, true}) {
        QVERIFY_THROWS_EXCEPTION(Dur, db.islem([&] {
            ekle(1);
            db.islem([&] {
                ekle(2);
                if (icinde)
                    throw Dur{};
            });
            throw Dur{};
        }));
    }
    db.islem([&] {
        ekle(7);
        db.islem([&] { ekle(8); });
    });
    QCOMPARE(satirlar(m_yol, "SELECT sirano FROM MUSTERI"), (QList<QVariantList>{{7}, {8}}));
}

void TestDatabase::kayitVeOkuma() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    for (const qint64 no : {10, 9, 100, 2})
        QVERIFY(yeniFaturaKaydet(db, baslik(no), {kalem("Çay", 2.5), kalem("Şeker"), kalem("Un")}));
    // Numbers, not texts: 9 before 10, 100 last; each once however many lines it has.
    QCOMPARE(faturaNumaralari(db), (QList<qint64>{2, 9, 10, 100}));

    // Three lines are three rows, each with the whole header; a discount or a box left
    // empty is the empty text, never NULL.
    QCOMPARE(satirlar(m_yol, QStringLiteral("SELECT count(*), musterino, adi_soyadi, adresi, "
                                            "adresi2, vergidaire_no, kdvdahil, fatura_tarihi, "
                                            "irsaliye_no, irsaliye_tarihi, typeof(iskonto), "
                                            "iskonto FROM faturalar WHERE faturano = 9 GROUP BY "
                                            "2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12")),
             (QList<QVariantList>{{3, "12", "Gülşen Çelik", "İnönü Mah. No: 4",
                                   "Kadıköy / İstanbul", "Kadıköy V.D. 1234", 1, "05.12.2026",
                                   "A-1001", "04.12.2026", "text", ""}}));
    const QList<KayitliSatir> okunan = faturaSatirlari(db, 9);
    QCOMPARE(aciklamalar(okunan), (QStringList{"Çay", "Şeker", "Un"}));
    QVERIFY(okunan.at(0).miktar == 2.5 && okunan.at(0).iskonto == QString());
}

void TestDatabase::eskiTablo() {
    // A table as another program made it: columns spelled in capitals, an index that holds
    // every column (SQLite would read rows in its order if the query did not ask for the
    // order they were added in), and a second invoice under a stored number joined to it,
    // so that the rows of invoice 5 lie between those of 6.
    sql(m_yol,
        {QStringLiteral("DROP TABLE faturalar"),
         QStringLiteral("CREATE TABLE faturalar (MUSTERINO TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                        "ADRESI2 TEXT, VERGIDAIRE_NO TEXT, KDVDAHIL INTEGER, FATURA_TARIHI TEXT, "
                        "IRSALIYE_NO TEXT, IRSALIYE_TARIHI TEXT, FATURANO INTEGER, MIKTAR REAL, "
                        "ACIKLAMA TEXT, ISKONTO TEXT, BR_FIYAT TEXT, TUTAR TEXT)"),
         QStringLiteral("CREATE INDEX baska ON faturalar(FATURANO, ACIKLAMA, MUSTERINO, "
                        "ADI_SOYADI, ADRESI, ADRESI2, VERGIDAIRE_NO, KDVDAHIL, FATURA_TARIHI, "
                        "IRSALIYE_NO, IRSALIYE_TARIHI, MIKTAR, ISKONTO, BR_FIYAT, TUTAR)"),
         QStringLiteral("INSERT INTO faturalar (FATURANO, ACIKLAMA) VALUES (5, 'Zeytin'), "
                        "(6, 'Elma'), (5, 'Armut'), (6, 'Kiraz'), (5, 'Muz')")});
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(aciklamalar(faturaSatirlari(db, 5)), (QStringList{"Zeytin", "Armut", "Muz"}));

    // Invoices written after one another, then the first one replaced: its new rows come
    // back in the order of the new lines.
    QVERIFY(yeniFaturaKaydet(db, baslik(7), {kalem("c"), kalem("a"), kalem("b")}));
    QVERIFY(yeniFaturaKaydet(db, baslik(8), {kalem("z")}));
    faturaDegistir(db, baslik(7), {kalem("ş"), kalem("b", 3), kalem("ç"), kalem("a")});
    QVERIFY(yeniFaturaKaydet(db, baslik(9), {kalem("y")}));
    const QList<KayitliSatir> r = faturaSatirlari(db, 7);
    QCOMPARE(aciklamalar(r), (QStringList{"ş", "b", "ç", "a"}));
    // "FATURANO" and "faturano" are one column; replaced by no lines, an invoice is gone.
    faturaDegistir(db, baslik(8), {});
    QCOMPARE(faturaNumaralari(db), (QList<qint64>{5, 6, 7, 9}));
    QCOMPARE((QVariantList{r.at(1).faturano.value_or(0), r.at(1).miktar.value_or(0),
                           r.at(1).adi_soyadi.value_or(""), r.at(1).tutar.value_or("")}),
             (QVariantList{7, 3.0, "Gülşen Çelik", "37.5"}));
}

void TestDatabase::yarimKalanDegistirme_data() {
    QTest::addColumn<QString>("tetik");
    // Fails at the n-th row written, or while the old rows are deleted.
    const QString ekleme =
        QStringLiteral("CREATE TRIGGER dur BEFORE INSERT ON faturalar "
                       "WHEN (SELECT count(*) FROM faturalar WHERE faturano = NEW.faturano) >= %1 "
                       "BEGIN SELECT RAISE(ABORT, 'disk dolu'); END");
    QTest::newRow("ilk satır") << ekleme.arg(0);
    QTest::newRow("son satır") << ekleme.arg(3);
    QTest::newRow("silerken") << QStringLiteral("CREATE TRIGGER dur BEFORE DELETE ON faturalar "
                                                "WHEN OLD.aciklama = 'b' "
                                                "BEGIN SELECT RAISE(ABORT, 'disk dolu'); END");
}

// A replacement that fails half-way leaves the old invoice whole: old or new, never neither.
void TestDatabase::yarimKalanDegistirme() {
    QFETCH(QString, tetik);
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QVERIFY(yeniFaturaKaydet(db, baslik(7), {kalem("a"), kalem("b"), kalem("c")}));
    QVERIFY(yeniFaturaKaydet(db, baslik(8), {kalem("x")}));
    sql(m_yol, {tetik});
    const QList<QVariantList> once = satirlar(m_yol, tumSatirlar);

    const QString metin = hata([&] {
        faturaDegistir(db, baslik(7, QStringLiteral("Hüseyin Öztürk")),
                       {kalem("a"), kalem("b"), kalem("c"), kalem("d")});
    });
    QVERIFY2(metin.contains(u"7 numaralı fatura") && metin.contains(u"disk dolu") &&
                 metin.contains(m_yol),
             qPrintable(metin));
    QCOMPARE(satirlar(m_yol, tumSatirlar), once);
    // The same connection goes on working.
    QVERIFY(yeniFaturaKaydet(db, baslik(9), {}));
}

// Which tables are campaigns and how SQLite reads one. What a batch run selects and prints
// is checked on paper in tests/batch.
void TestDatabase::kampanyaListesi() {
    // Tables only, named with the eight capitals, in the order they were made; a name
    // with quotes is a name like any other.
    const QString ad = QStringLiteral("KAMPANYA \"Kış\" 'Özel'; DROP TABLE MUSTERI; --");
    QString tablo = ad;
    tablo.replace(u'"', QStringLiteral("\"\""));
    sql(m_yol,
        {"CREATE TABLE KAMPANYA_KIS (a)", "CREATE TABLE kampanya2 (a)",
         "CREATE TABLE FATCARIKAMPANYA1 (a)", "CREATE TABLE Kampanya3 (a)",
         "CREATE TABLE KAMPANYA1 (a)", "CREATE TABLE sayac (n INTEGER PRIMARY KEY AUTOINCREMENT)",
         "INSERT INTO sayac DEFAULT VALUES", "ANALYZE", "CREATE INDEX KAMPANYA1_A ON KAMPANYA1(a)",
         "CREATE VIEW KAMPANYA_GORUNUM AS SELECT * FROM KAMPANYA1", "CREATE TABLE KAMPANYA (a)",
         QStringLiteral("CREATE TABLE \"%1\" (a)").arg(tablo), baslikTablosu.arg(tablo),
         kalemTablosu.arg(tablo),
         QStringLiteral("INSERT INTO \"FATCARI%1\" (SIRANO, DAGITIM_BOLGESI, ADI_SOYADI) VALUES "
                        "(1, 'ADANA', 'Gökçe')")
             .arg(tablo),
         QStringLiteral("INSERT INTO \"FATSTOK%1\" VALUES (1, 'Çay', 2, 3)").arg(tablo)});
    Veritabani db(m_yol);
    QCOMPARE(kampanyalar(db), (QStringList{"KAMPANYA_KIS", "KAMPANYA1", "KAMPANYA", ad}));
    QStringList okunan;
    kampanyaFaturalari(db, ad, {"1", "1", "ADANA"}, [&](const KampanyaFaturasi &f) {
        okunan << f.adi_soyadi.toString() << f.kalemler.value(0).aciklama.toString();
        return true;
    });
    QCOMPARE(okunan, (QStringList{"Gökçe", "Çay"}));
}

void TestDatabase::kampanyaOkuma() {
    sql(m_yol, {baslikTablosu.arg("KAMPANYAK"), kalemTablosu.arg("KAMPANYAK"),
                baslikTablosu.arg("KAMPANYAB")});
    Veritabani db(m_yol);
    // One pass over the headers; the lines are found through an index, not by going through
    // the whole line table for every header; nothing holds the whole run.
    for (const KampanyaSecimi &s : {KampanyaSecimi{}, KampanyaSecimi{"1", "9", "ADANA"}}) {
        const QStringList plan = kampanyaSorguPlani(db, "KAMPANYAK", s);
        const QString metin = plan.join(QStringLiteral(" | "));
        QVERIFY2(plan.size() == 2 && plan.at(0).startsWith(u"SCAN h") &&
                     plan.at(1).startsWith(u"SEARCH k USING") && plan.at(1).contains(u"INDEX") &&
                     !metin.contains(u"TEMP B-TREE"),
                 qPrintable(metin));
    }
    // A campaign's missing table is named, not read as an empty list.
    QCOMPARE(hata([&] { kampanyaFaturaSayisi(db, "KAMPANYAB", {}); }),
             QStringLiteral("Veritabanında FATSTOKKAMPANYAB tablosu yok: %1").arg(m_yol));
    QCOMPARE(hata([&] { kampanyaFaturalari(db, "KAMPANYAC", {}, {}); }),
             QStringLiteral("Veritabanında FATCARIKAMPANYAC tablosu yok: %1").arg(m_yol));
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
