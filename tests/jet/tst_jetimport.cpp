#include "ornekler.h"

#include "db/customers.h"
#include "db/database.h"
#include "db/jetimport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QVariant sorgu(const QString &yol, const QString &sql) {
    Veritabani db(yol);
    QSqlQuery q(db.db());
    if (!q.exec(sql) || !q.next())
        return QStringLiteral("SORGU HATASI: ") + q.lastError().text();
    return q.value(0);
}

// What the import should hold for one mdb-json value (dates asked for as
// "%Y-%m-%d %H:%M:%S"; libmdb writes day 0 of 1900 for a date it cannot place).
QVariant beklenen(const QJsonValue &v) {
    static const QRegularExpression tarih(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d) (\\d\\d:\\d\\d:\\d\\d)$"));
    if (v.isObject())
        return QByteArray::fromBase64(v[QStringLiteral("$binary")].toString().toLatin1());
    const QRegularExpressionMatch m = tarih.match(v.toString());
    if (!m.hasMatch())
        return v.toVariant();
    if (!QDate::fromString(m.captured(1), Qt::ISODate).isValid())
        return QVariant();
    return m.captured(2) == QLatin1String("00:00:00") ? m.captured(1) : v.toString();
}

// A value's kind and text, numbers to 7 digits: single-precision values differ further down.
QString bicim(const QVariant &v) {
    if (v.isNull())
        return QStringLiteral("NULL");
    if (v.typeId() == QMetaType::QByteArray)
        return QStringLiteral("ikili ") + QString::fromLatin1(v.toByteArray().toHex());
    if (v.typeId() == QMetaType::QString)
        return QStringLiteral("metin ") + v.toString();
    return QStringLiteral("sayı ") + QString::number(v.toDouble(), 'g', 7);
}

// Every file this process writes stops growing at `sinir` bytes, as on a full disk.
struct DoluDisk {
    rlimit eski{};
    explicit DoluDisk(rlim_t sinir) {
        getrlimit(RLIMIT_FSIZE, &eski);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit r = eski;
        r.rlim_cur = sinir;
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~DoluDisk() { setrlimit(RLIMIT_FSIZE, &eski); }
};

enum class Bozma { Durdur, DoluDisk, KesikKaynak };

} // namespace

Q_DECLARE_METATYPE(Bozma)

class JetImportTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { jetIlkTamponBoyu(64 * 1024); }
    void tablolarSatirlarDegerler_data();
    void tablolarSatirlarDegerler();
    void tekDegerler_data();
    void tekDegerler();
    void programTablolari();
    void yaridaKalan_data();
    void yaridaKalan();
    void eskiDosyaninAdi_data();
    void eskiDosyaninAdi();
};

void JetImportTest::tablolarSatirlarDegerler_data() {
    QTest::addColumn<QString>("dosya");
    QTest::addColumn<int>("tampon");
    QTest::newRow("Jet 3") << QStringLiteral("nwind.mdb") << 64 * 1024;
    QTest::newRow("Jet 4") << QStringLiteral("DateTestDatabase.mdb") << 64 * 1024;
    // Texts longer than the buffer: tables are read again with larger ones.
    QTest::newRow("Jet 3, kısa tampon") << QStringLiteral("nwind.mdb") << 40;
    QTest::newRow("Jet 4, kısa tampon") << QStringLiteral("DateTestDatabase.mdb") << 40;
}

// Every table, its row count, its row order and every value against mdbtools' own reading.
void JetImportTest::tablolarSatirlarDegerler() {
    QFETCH(QString, dosya);
    QFETCH(int, tampon);
    jetIlkTamponBoyu(size_t(tampon));
    QTemporaryDir dir;
    const QString kaynak = kopya(dosya, dir.path());
    const QString hedef = dir.filePath(QStringLiteral("yeni.db"));
    const AktarmaRaporu rapor = jetAktar(kaynak, hedef);

    QByteArray cikti;
    MDB_CALISTIR(cikti, "mdb-tables", QStringLiteral("-1"), kaynak);
    const QStringList tablolar =
        QString::fromUtf8(cikti).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rapor.tablolar.size(), tablolar.size());

    for (qsizetype t = 0; t < tablolar.size(); ++t) {
        const QString &ad = tablolar[t];
        QCOMPARE(rapor.tablolar[t].kaynakAdi, ad);
        QCOMPARE(rapor.tablolar[t].hedefAdi, ad);
        MDB_CALISTIR(cikti, "mdb-export", QStringLiteral("-H"), QStringLiteral("-e"),
                     QStringLiteral("-b"), QStringLiteral("strip"), kaynak, ad);
        const qint64 satir = cikti.count('\n');
        QCOMPARE(rapor.tablolar[t].satirSayisi, satir);

        const QString tarihBicimi = QStringLiteral("%Y-%m-%d %H:%M:%S");
        MDB_CALISTIR(cikti, "mdb-json", QStringLiteral("-D"), tarihBicimi, QStringLiteral("-T"),
                     tarihBicimi, kaynak, ad);
        const QList<QByteArray> jsonSatirlari = cikti.trimmed().split('\n');
        Veritabani db(hedef);
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(ad)));
        qint64 n = 0;
        while (q.next()) {
            QVERIFY2(n < jsonSatirlari.size(), qPrintable(ad));
            const QJsonObject json = QJsonDocument::fromJson(jsonSatirlari[n]).object();
            const QSqlRecord kayit = q.record();
            for (int k = 0; k < kayit.count(); ++k) {
                const QString yer =
                    QStringLiteral("%1/%2/%3: ").arg(ad).arg(n).arg(kayit.fieldName(k));
                QCOMPARE(yer + bicim(kayit.value(k)),
                         yer + bicim(beklenen(json.value(kayit.fieldName(k)))));
            }
            ++n;
        }
        QCOMPARE(n, satir);
    }
}

void JetImportTest::tekDegerler_data() {
    QTest::addColumn<QString>("dosya");
    QTest::addColumn<Yama>("yama");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QVariant>("deger");
    const QString nw = QStringLiteral("nwind.mdb");
    const QString dt = QStringLiteral("DateTestDatabase.mdb");
    const auto satir = [](const char *ad, const QString &dosya, const char *sql, QVariant d,
                          const Yama &yama = {}) {
        QTest::newRow(ad) << dosya << yama << QString::fromUtf8(sql) << d;
    };
    satir("para", nw, "SELECT Freight FROM Orders WHERE OrderID = 10330", 12.75);
    satir("tek duyarlık", nw,
          "SELECT Discount FROM \"Order Details\" WHERE OrderID = 10251 AND ProductID = 22", 0.05);
    satir("tarih", nw, "SELECT OrderDate FROM Orders WHERE OrderID = 10330", "1994-11-16");
    satir("doğru", nw, "SELECT Discontinued FROM Products WHERE ProductID = 5", 1);
    satir("NULL", nw, "SELECT ShipRegion IS NULL FROM Orders WHERE OrderID = 10331", 1);
    satir("Umsätze metni", nw,
          "SELECT ShipAddress || '|' || ShipCity FROM \"Umsätze\" WHERE OrderID = 10330",
          "Carrera 52 con Ave. Bolívar #65-98 Llano Largo|Barquisimeto");
    satir("not alanı satır sonuyla", nw, "SELECT Address FROM Employees WHERE EmployeeID = 1",
          "507 - 20th Ave. E.\r\nApt. 2A");
    satir("tarih 9999", dt, "SELECT DateTimeCol IS NULL FROM DateTest WHERE IDCol = 2", 1);
    satir("tarih 1900 öncesi", dt, "SELECT DateCol IS NULL FROM DateTest WHERE IDCol = 3", 1);
    satir("1900 başı", dt, "SELECT TimeCol FROM DateTest WHERE IDCol = 3", "1900-01-01");
    // The samples have no Turkish letter, no time of day and no binary column; patched
    // copies bring them. Byte 0xDD is İ in Windows-1254 (Ý in Windows-1252):
    satir("Jet 3 Windows-1254", nw, "SELECT Address FROM Customers WHERE CustomerID = 'BERGS'",
          "İerguvsvägen  8",
          {{"Berguvsv", "\xDD"
                        "erguvsv"}});
    // 2021-12-02 becomes 2021-12-02 12:00:30:
    satir("saatli tarih", dt, "SELECT DateTimeCol FROM DateTest WHERE IDCol = 1",
          "2021-12-02 12:00:30",
          {{QByteArray::fromHex("0000000080BEE540"), QByteArray::fromHex("832DD80290BEE540")}});
    // Shippers.Phone's column type byte turned from text (0x0A) to binary (0x09), one value
    // holding a zero byte:
    const QByteArray sifirli = QByteArray::fromHex("283530332900353535") + "-9831";
    satir("ikili, sıfır baytlı", nw, "SELECT hex(Phone) FROM Shippers WHERE ShipperID = 1",
          QString::fromLatin1(sifirli.toHex().toUpper()),
          {{QByteArray::fromHex("0A02000100020000000904E4040200001800"),
            QByteArray::fromHex("0902000100020000000904E4040200001800")},
           {"(503) 555-9831", sifirli}});
}

void JetImportTest::tekDegerler() {
    QFETCH(QString, dosya);
    QFETCH(Yama, yama);
    QFETCH(QString, sql);
    QFETCH(QVariant, deger);
    QTemporaryDir dir;
    const QString hedef = dir.filePath(QStringLiteral("yeni.db"));
    jetAktar(kopya(dosya, dir.path(), {}, yama), hedef);
    const QVariant v = sorgu(hedef, sql);
    QVERIFY2(v == deger, qPrintable(v.toString()));
}

// Customers renamed FATURALAR and Umsätze renamed Musteri, some columns renamed after the
// program's own, in other letter cases.
void JetImportTest::programTablolari() {
    QTemporaryDir dir;
    const QString kaynak = kopya(QStringLiteral("nwind.mdb"), dir.path(), {},
                                 {{"Customers", "FATURALAR"},
                                  {"Ums\xE4tze", "Musteri"},
                                  {"CustomerID", "Adi_Soyadi"},
                                  {"Region", "ADRESI"},
                                  {"Country", "adresi2"}});
    const QString hedef = dir.filePath(QStringLiteral("yeni.db"));
    const AktarmaRaporu rapor = jetAktar(kaynak, hedef);

    QStringList adlar;
    for (const AktarilanTablo &t : rapor.tablolar)
        adlar << t.kaynakAdi + QLatin1Char('>') + t.hedefAdi;
    QVERIFY2(adlar.contains(QStringLiteral("FATURALAR>faturalar")), qPrintable(adlar.join(' ')));
    QVERIFY(adlar.contains(QStringLiteral("Musteri>MUSTERI")));
    const QString notlar = rapor.notlar.join(QLatin1Char('\n'));
    QVERIFY2(notlar.contains(QStringLiteral("CompanyName")), qPrintable(notlar));
    QVERIFY(notlar.contains(QStringLiteral("faturano")));

    QCOMPARE(sorgu(hedef, QStringLiteral("SELECT group_concat(name) FROM sqlite_master")),
             QVariant(QStringLiteral("MUSTERI,faturalar,faturalar_faturano,musteri_sirano,"
                                     "musteri_adi_soyadi,Order Details,Orders,Products,Shippers,"
                                     "Categories,Employees,Suppliers")));
    QCOMPARE(sorgu(hedef, QStringLiteral("SELECT count(*) FROM pragma_table_info('faturalar')")),
             QVariant(15));
    QCOMPARE(sorgu(hedef, QStringLiteral("SELECT adi_soyadi || '|' || ifnull(adresi, 'NULL') || "
                                         "'|' || adresi2 || '|' || count(*) FROM faturalar")),
             QVariant(QStringLiteral("ALFKI|NULL|Germany|91")));

    // The program's own reading finds the customers.
    Veritabani db(hedef);
    const MusteriListesi musteriler = musteriListesi(db);
    QCOMPARE(musteriler.adlar.size(), 830);
    QCOMPARE(musteriler.adlar.first(), QStringLiteral("LILAS"));
}

void JetImportTest::yaridaKalan_data() {
    QTest::addColumn<Bozma>("bozma");
    QTest::addColumn<bool>("programda");
    for (const bool programda : {false, true}) {
        const char *yol = programda ? "program: " : "aktarma: ";
        QTest::addRow("%sdurduruldu", yol) << Bozma::Durdur << programda;
        QTest::addRow("%sdisk doldu", yol) << Bozma::DoluDisk << programda;
        QTest::addRow("%skaynak kesik", yol) << Bozma::KesikKaynak << programda;
    }
}

// A failure leaves the folder exactly as it was: the source byte for byte, no target, no
// temporary file, and in the program no old file moved aside.
void JetImportTest::yaridaKalan() {
    QFETCH(Bozma, bozma);
    QFETCH(bool, programda);
    QTemporaryDir dir;
    const QString kaynak =
        kopya(QStringLiteral("nwind.mdb"), dir.path(), QStringLiteral("fatura.MDB"), {},
              bozma == Bozma::KesikKaynak ? 1000000 : -1);
    const QString hedef = dir.filePath(QStringLiteral("yeni.db"));
    const QStringList once = klasorIcerigi(dir.path());
    const QDateTime degisme = QFileInfo(kaynak).lastModified();

    bool ortasinda = false;
    const AktarmaIlerlemesi ilerleme = [&](const QString &tablo, qint64 yapilan, qint64) {
        ortasinda = ortasinda || (tablo == QLatin1String("Orders") && yapilan > 0);
        return !(bozma == Bozma::Durdur && ortasinda);
    };
    std::optional<DoluDisk> dolu;
    if (bozma == Bozma::DoluDisk)
        dolu.emplace(200 * 1024);
    QString mesaj;
    try {
        if (programda)
            jetVeritabaniniDonustur(kaynak, ilerleme);
        else
            jetAktar(kaynak, hedef, ilerleme);
    } catch (const VeritabaniHatasi &e) {
        mesaj = e.mesaj();
    }
    dolu.reset();

    QVERIFY2(!mesaj.isEmpty(), "the import did not fail");
    if (bozma == Bozma::Durdur || bozma == Bozma::DoluDisk)
        QVERIFY(ortasinda);
    if (programda && bozma != Bozma::Durdur)
        QVERIFY2(mesaj.contains(QStringLiteral("Eski dosya olduğu gibi duruyor")),
                 qPrintable(mesaj));
    QCOMPARE(klasorIcerigi(dir.path()), once);
    QCOMPARE(QFileInfo(kaynak).lastModified(), degisme);
}

void JetImportTest::eskiDosyaninAdi_data() {
    QTest::addColumn<QStringList>("onceden");
    QTest::addColumn<QString>("eskiAdi");
    QTest::newRow("ilk") << QStringList{} << "fatura.MDB.eski";
    QTest::newRow(".eski var") << QStringList{"fatura.MDB.eski"} << "fatura.MDB.eski2";
    QTest::newRow(".eski, .eski2 var")
        << QStringList{"fatura.MDB.eski", "fatura.MDB.eski2"} << "fatura.MDB.eski3";
    QTest::newRow("arada boşluk") << QStringList{"fatura.MDB.eski", "fatura.MDB.eski3"}
                                  << "fatura.MDB.eski2";
}

// The program's replacement: the old file moves aside only after the import is complete,
// and the new file takes the old name.
void JetImportTest::eskiDosyaninAdi() {
    QFETCH(QStringList, onceden);
    QFETCH(QString, eskiAdi);
    QTemporaryDir dir;
    const QString yol =
        kopya(QStringLiteral("DateTestDatabase.mdb"), dir.path(), QStringLiteral("fatura.MDB"));
    const QByteArray iz = parmakIzi(yol);
    for (const QString &ad : onceden) {
        QFile f(dir.filePath(ad));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ad.toUtf8());
    }
    const QStringList digerleri = klasorIcerigi(dir.path()).filter(QStringLiteral(".eski"));

    bool yerinde = true;
    int cagri = 0;
    const DonusturmeSonucu sonuc =
        jetVeritabaniniDonustur(yol, [&](const QString &, qint64, qint64) {
            ++cagri;
            yerinde = yerinde && parmakIzi(yol) == iz && !QFile::exists(dir.filePath(eskiAdi));
            return true;
        });
    QVERIFY(cagri >= 2);
    QVERIFY(yerinde);
    QCOMPARE(sonuc.eskiDosya, dir.filePath(eskiAdi));
    QCOMPARE(parmakIzi(sonuc.eskiDosya), iz);
    QCOMPARE(dosyaTuru(yol), DosyaTuru::SQLite);
    QCOMPARE(sorgu(yol, QStringLiteral("SELECT count(*) FROM DateTest")), QVariant(6));
    const QStringList sonra = klasorIcerigi(dir.path());
    for (const QString &d : digerleri)
        QVERIFY(sonra.contains(d));
    QCOMPARE(sonra.size(), onceden.size() + 2);
}

QTEST_GUILESS_MAIN(JetImportTest)
#include "tst_jetimport.moc"
