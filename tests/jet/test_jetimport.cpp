#include "store/jetimport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using Yama = QList<QPair<QByteArray, QByteArray>>;

namespace {

// A read-only copy of sample file `ad` in `klasor`. Each patch pair replaces bytes by as
// many others, so the file's layout holds; `boy` cuts the copy short.
QString kopya(const QString &ad, const QString &klasor, const QString &hedefAdi = {},
              const Yama &yama = {}, qsizetype boy = -1) {
    QFile kaynak(QStringLiteral(FATURA_ACCESS_SAMPLES "/") + ad);
    QByteArray veri = kaynak.open(QIODevice::ReadOnly) ? kaynak.readAll() : QByteArray();
    for (const auto &[eski, yeni] : yama) {
        if (eski.size() != yeni.size() || !veri.contains(eski))
            qFatal("Patch does not apply: %s", eski.constData());
        veri.replace(eski, yeni);
    }
    const QString yol = QDir(klasor).filePath(hedefAdi.isEmpty() ? ad : hedefAdi);
    QFile hedef(yol);
    if (veri.isEmpty() || !hedef.open(QIODevice::WriteOnly) ||
        hedef.write(boy < 0 ? veri : veri.left(boy)) < 0)
        qFatal("Cannot copy %s", qPrintable(ad));
    hedef.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    return yol;
}

// Every file in the folder with its fingerprint: nothing added, removed or changed shows.
QStringList klasorIcerigi(const QString &klasor) {
    QStringList liste;
    const QDir d(klasor);
    for (const QString &ad : d.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        QFile f(d.filePath(ad));
        f.open(QIODevice::ReadOnly);
        liste << ad + u' ' +
                     QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
    }
    return liste;
}

QVariant sorgu(const QString &yol, const QString &sql) {
    Veritabani db(yol);
    QSqlQuery q(db.db());
    return q.exec(sql) && q.next() ? q.value(0) : QVariant(QStringLiteral("SORGU HATASI"));
}

// What an mdbtools command prints, Jet 3 text read as Windows-1254.
QByteArray mdb(const QString &komut, const QStringList &argumanlar) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MDB_JET3_CHARSET"), QStringLiteral("CP1254"));
    p.setProcessEnvironment(env);
    p.start(komut, argumanlar);
    return p.waitForFinished(60000) && p.exitCode() == 0 ? p.readAllStandardOutput()
                                                         : QByteArray("mdbtools failed");
}

// What the import should hold for one mdb-json value (dates asked for as
// "%Y-%m-%d %H:%M:%S"; libmdb writes day 0 of 1900 for a date it cannot place).
QVariant beklenen(const QJsonValue &v) {
    static const QRegularExpression tarih(u"^(\\d{4}-\\d\\d-\\d\\d) (\\d\\d:\\d\\d:\\d\\d)$"_qs);
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

enum class Bozma { Yok, Durdur, DoluDisk, KesikKaynak };

} // namespace

Q_DECLARE_METATYPE(Bozma)

class JetImportTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { jetIlkTamponBoyu(64 * 1024); }
    void tablolarSatirlarDegerler_data();
    void tablolarSatirlarDegerler();
    void tekDegerler();
    void donusturme_data();
    void donusturme();
    void komutSatiri_data();
    void komutSatiri();
};

void JetImportTest::tablolarSatirlarDegerler_data() {
    QTest::addColumn<QString>("dosya");
    QTest::addColumn<int>("tampon");
    QTest::newRow("Jet 3") << "nwind.mdb" << 64 * 1024;
    QTest::newRow("Jet 4") << "DateTestDatabase.mdb" << 64 * 1024;
    // Texts longer than the buffer: tables are read again with larger ones.
    QTest::newRow("Jet 3, kısa tampon") << "nwind.mdb" << 40;
}

// Every table, its row count, its row order and every value of every kind (currency, dates,
// booleans, NULLs, "Umsätze" and its texts) against mdbtools' own reading.
void JetImportTest::tablolarSatirlarDegerler() {
    QFETCH(QString, dosya);
    QFETCH(int, tampon);
    if (QStandardPaths::findExecutable(QStringLiteral("mdb-json")).isEmpty())
        QSKIP("mdbtools is not installed");
    jetIlkTamponBoyu(size_t(tampon));
    QTemporaryDir dir;
    const QString kaynak = kopya(dosya, dir.path());
    const QString hedef = dir.filePath(QStringLiteral("yeni.db"));
    const AktarmaRaporu rapor = jetAktar(kaynak, hedef);

    const QStringList tablolar =
        QString::fromUtf8(mdb("mdb-tables", {"-1", kaynak})).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(rapor.tablolar.size(), tablolar.size());
    Veritabani db(hedef);
    for (qsizetype t = 0; t < tablolar.size(); ++t) {
        const QString &ad = tablolar[t];
        const qint64 satir = mdb("mdb-export", {"-H", "-e", "-b", "strip", kaynak, ad}).count('\n');
        QCOMPARE(rapor.tablolar[t].satirSayisi, satir);
        const QString tarihBicimi = QStringLiteral("%Y-%m-%d %H:%M:%S");
        const QList<QByteArray> json =
            mdb("mdb-json", {"-D", tarihBicimi, "-T", tarihBicimi, kaynak, ad})
                .trimmed()
                .split('\n');
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(ad)));
        qint64 n = 0;
        for (; q.next(); ++n) {
            const QJsonObject beklenenSatir = QJsonDocument::fromJson(json.value(n)).object();
            for (int k = 0; k < q.record().count(); ++k) {
                const QString sutun = q.record().fieldName(k);
                const QString yer = QStringLiteral("%1/%2/%3: ").arg(ad).arg(n).arg(sutun);
                QCOMPARE(yer + bicim(q.value(k)),
                         yer + bicim(beklenen(beklenenSatir.value(sutun))));
            }
        }
        QCOMPARE(n, satir);
    }
}

// What the samples lack, brought by patched copies: one import serves every query of a copy.
void JetImportTest::tekDegerler() {
    const QByteArray sifirli = QByteArray::fromHex("283530332900353535") + "-9831";
    const struct {
        const char *dosya;
        Yama yama;
        QList<std::pair<const char *, QVariant>> sorgular; // SQL, value
    } kopyalar[] = {
        // Byte 0xDD is İ in Windows-1254. Shippers.Phone's type byte turned from text (0x0A)
        // to binary (0x09), with a zero byte in a value.
        {"nwind.mdb",
         {{"Berguvsv", "\xDD" + QByteArray("erguvsv")},
          {QByteArray::fromHex("0A02000100020000000904E4040200001800"),
           QByteArray::fromHex("0902000100020000000904E4040200001800")},
          {"(503) 555-9831", sifirli}},
         {{"SELECT Address FROM Customers WHERE CustomerID = 'BERGS'", "İerguvsvägen  8"},
          {"SELECT hex(Phone) FROM Shippers WHERE ShipperID = 1",
           QString::fromLatin1(sifirli.toHex().toUpper())}}},
        // A date with a time of day.
        {"DateTestDatabase.mdb",
         {{QByteArray::fromHex("0000000080BEE540"), QByteArray::fromHex("832DD80290BEE540")}},
         {{"SELECT DateTimeCol FROM DateTest WHERE IDCol = 1", "2021-12-02 12:00:30"}}},
        // Tables and columns named as the program's own, in other letter cases, get its schema.
        {"nwind.mdb",
         {{"Customers", "FATURALAR"},
          {"Ums\xE4tze", "Musteri"},
          {"CustomerID", "Adi_Soyadi"},
          {"Region", "ADRESI"},
          {"Country", "adresi2"}},
         {{"SELECT group_concat(name) FROM sqlite_master",
           "MUSTERI,faturalar,faturalar_faturano,musteri_sirano,musteri_adi_soyadi,"
           "Order Details,Orders,Products,Shippers,Categories,Employees,Suppliers"},
          {"SELECT adi_soyadi || '|' || ifnull(adresi, 'NULL') || '|' || adresi2 || '|' || "
           "count(*) FROM faturalar",
           "ALFKI|NULL|Germany|91"}}}};
    for (const auto &k : kopyalar) {
        QTemporaryDir dir;
        const QString hedef = dir.filePath(QStringLiteral("yeni.db"));
        jetAktar(kopya(QString::fromLatin1(k.dosya), dir.path(), {}, k.yama), hedef);
        for (const auto &[sql, deger] : k.sorgular) {
            const QVariant v = sorgu(hedef, QString::fromUtf8(sql));
            QVERIFY2(v == deger, qPrintable(QString::fromUtf8(sql) + u" -> "_qs + v.toString()));
        }
    }
}

void JetImportTest::donusturme_data() {
    QTest::addColumn<Bozma>("bozma");
    QTest::addColumn<bool>("programda");
    QTest::newRow("program: tamam") << Bozma::Yok << true;
    QTest::newRow("aktarma: disk doldu") << Bozma::DoluDisk << false;
    QTest::newRow("program: durduruldu") << Bozma::Durdur << true;
    QTest::newRow("program: disk doldu") << Bozma::DoluDisk << true;
    QTest::newRow("program: kaynak kesik") << Bozma::KesikKaynak << true;
}

// The program moves the old file aside, to the first name not taken, only after a complete
// import, and the new file takes the old name. A failure leaves the folder exactly as it was.
void JetImportTest::donusturme() {
    QFETCH(Bozma, bozma);
    QFETCH(bool, programda);
    QTemporaryDir dir;
    const QString kaynak = kopya(QStringLiteral("nwind.mdb"), dir.path(), u"fatura.MDB"_qs, {},
                                 bozma == Bozma::KesikKaynak ? 1000000 : -1);
    for (const char *ad : {"fatura.MDB.eski", "fatura.MDB.eski3"}) {
        QFile f(dir.filePath(QString::fromLatin1(ad)));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(ad) > 0);
    }
    const QStringList once = klasorIcerigi(dir.path());
    const QString eski = dir.filePath(QStringLiteral("fatura.MDB.eski2"));

    bool ortasinda = false;
    bool yerinde = true;
    const AktarmaIlerlemesi ilerleme = [&](const QString &tablo, qint64 yapilan, qint64) {
        ortasinda = ortasinda || (tablo == u"Orders" && yapilan > 0);
        yerinde = yerinde && dosyaTuru(kaynak) == DosyaTuru::Jet && !QFile::exists(eski);
        return !(bozma == Bozma::Durdur && ortasinda);
    };
    std::optional<DoluDisk> dolu;
    if (bozma == Bozma::DoluDisk)
        dolu.emplace(200 * 1024);
    const QString hedef = dir.filePath(QStringLiteral("yeni.db"));
    QString mesaj;
    QString eskiDosya;
    try {
        if (programda)
            eskiDosya = jetVeritabaniniDonustur(kaynak, ilerleme).eskiDosya;
        else
            jetAktar(kaynak, hedef, ilerleme);
    } catch (const VeritabaniHatasi &e) {
        mesaj = e.mesaj();
    }
    dolu.reset();

    QVERIFY(yerinde && (ortasinda || bozma == Bozma::KesikKaynak));
    if (bozma == Bozma::Yok) {
        QVERIFY2(mesaj.isEmpty(), qPrintable(mesaj));
        QCOMPARE(eskiDosya, eski);
        QString tasinan = once.filter(u"fatura.MDB "_qs).value(0); // the source, unchanged
        tasinan.replace(0, 10, u"fatura.MDB.eski2"_qs);
        const QStringList sonra = klasorIcerigi(dir.path());
        QVERIFY(sonra.contains(tasinan) && sonra.size() == once.size() + 1);
        QCOMPARE(sorgu(kaynak, QStringLiteral("SELECT count(*) FROM \"Umsätze\"")), QVariant(830));
        return;
    }
    QVERIFY2(!mesaj.isEmpty(), "the import did not fail");
    // A write error names the file the user asked for, not a temporary one beside it.
    if (bozma == Bozma::DoluDisk && !programda)
        QVERIFY2(mesaj.contains(hedef) && !mesaj.contains(hedef + u'.'), qPrintable(mesaj));
    if (programda && bozma != Bozma::Durdur)
        QVERIFY2(mesaj.contains(u"Eski dosya olduğu gibi duruyor"), qPrintable(mesaj));
    QCOMPARE(klasorIcerigi(dir.path()), once);
}

void JetImportTest::komutSatiri_data() {
    QTest::addColumn<QStringList>("argumanlar");
    QTest::addColumn<int>("cikis");
    QTest::addColumn<QString>("metin");
    QTest::addColumn<int>("tabloSatiri");
    QTest::newRow("--yardim") << QStringList{"--yardim"} << 0 << "üzerine asla yazılmaz" << 0;
    QTest::newRow("argümansız") << QStringList{} << 2 << "Kullanım: fatura-aktar" << 0;
    QTest::newRow("kaynak yok") << QStringList{"yok.mdb", "yeni.db"} << 1 << "bulunamadı" << 0;
    QTest::newRow("Jet değil") << QStringList{"metin.txt", "yeni.db"} << 1
                               << "Access (Jet) veritabanı değil" << 0;
    QTest::newRow("hedef var") << QStringList{"nwind.mdb", "metin.txt"} << 1
                               << "zaten var, üzerine yazılmaz: " << 0;
    QTest::newRow("Jet 3") << QStringList{"nwind.mdb", "yeni.db"} << 0 << "Umsätze: 830 satır" << 9;
}

// fatura-aktar: a line per table with its row count, or a message and an exit code; nothing
// is written unless all went well, and a target that exists is left as it was.
void JetImportTest::komutSatiri() {
    QFETCH(QStringList, argumanlar);
    QFETCH(int, cikis);
    QFETCH(QString, metin);
    QFETCH(int, tabloSatiri);
    QTemporaryDir dir;
    kopya(QStringLiteral("nwind.mdb"), dir.path());
    QFile txt(dir.filePath(QStringLiteral("metin.txt")));
    QVERIFY(txt.open(QIODevice::WriteOnly) && txt.write("bir metin\n") > 0);
    txt.close();
    const QStringList once = klasorIcerigi(dir.path());

    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(FATURA_AKTAR), argumanlar);
    QVERIFY(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), cikis);
    QVERIFY2((cikis == 0 ? out : err).contains(metin), qPrintable(out + err));
    static const QRegularExpression tabloSatirlari(u"^[^:\\n]+: \\d+ satır$"_qs,
                                                   QRegularExpression::MultilineOption);
    QCOMPARE(int(out.count(tabloSatirlari)), tabloSatiri);
    if (tabloSatiri == 0)
        QCOMPARE(klasorIcerigi(dir.path()), once);
    else
        QCOMPARE(dosyaTuru(dir.filePath(QStringLiteral("yeni.db"))), DosyaTuru::SQLite);
}

QTEST_GUILESS_MAIN(JetImportTest)
#include "test_jetimport.moc"
