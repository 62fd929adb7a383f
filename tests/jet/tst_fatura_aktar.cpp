#include "ornekler.h"

#include "db/database.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class FaturaAktarTest : public QObject {
    Q_OBJECT
private slots:
    void komutSatiri_data();
    void komutSatiri();
};

void FaturaAktarTest::komutSatiri_data() {
    QTest::addColumn<QStringList>("argumanlar");
    QTest::addColumn<int>("cikis");
    QTest::addColumn<QString>("metin");
    QTest::addColumn<int>("tabloSatiri");
    QTest::newRow("-h") << QStringList{"-h"} << 0 << "Kullanım: fatura-aktar KAYNAK.MDB HEDEF" << 0;
    QTest::newRow("--yardim") << QStringList{"--yardim"} << 0 << "üzerine asla yazılmaz" << 0;
    QTest::newRow("argümansız") << QStringList{} << 2 << "Kullanım:" << 0;
    QTest::newRow("bilinmeyen seçenek")
        << QStringList{"-x", "nwind.mdb", "yeni.db"} << 2 << "Bilinmeyen seçenek" << 0;
    QTest::newRow("kaynak yok") << QStringList{"yok.mdb", "yeni.db"} << 1 << "bulunamadı" << 0;
    QTest::newRow("Jet değil") << QStringList{"metin.txt", "yeni.db"} << 1
                               << "Access (Jet) veritabanı değil" << 0;
    QTest::newRow("SQLite kaynak")
        << QStringList{"yeni-bicim.db", "yeni.db"} << 1 << "Access (Jet) veritabanı değil" << 0;
    QTest::newRow("hedef klasörü yok")
        << QStringList{"nwind.mdb", "yok/yeni.db"} << 1 << "Hedef klasör bulunamadı" << 0;
    QTest::newRow("hedef var") << QStringList{"nwind.mdb", "metin.txt"} << 1
                               << "zaten var, üzerine yazılmaz: " << 0;
    QTest::newRow("Jet 3") << QStringList{"nwind.mdb", "yeni.db"} << 0 << "Umsätze: 830 satır" << 9;
    QTest::newRow("Jet 4") << QStringList{"DateTestDatabase.mdb", "yeni.db"} << 0
                           << "DateTest: 6 satır" << 1;
}

void FaturaAktarTest::komutSatiri() {
    QFETCH(QStringList, argumanlar);
    QFETCH(int, cikis);
    QFETCH(QString, metin);
    QFETCH(int, tabloSatiri);
    QTemporaryDir dir;
    kopya(QStringLiteral("nwind.mdb"), dir.path());
    kopya(QStringLiteral("DateTestDatabase.mdb"), dir.path());
    QFile txt(dir.filePath(QStringLiteral("metin.txt")));
    QVERIFY(txt.open(QIODevice::WriteOnly));
    txt.write("bir metin\n");
    txt.close();
    veritabaniOlustur(dir.filePath(QStringLiteral("yeni-bicim.db")));
    const QStringList once = klasorIcerigi(dir.path());

    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(FATURA_AKTAR), argumanlar);
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitCode(), cikis);
    QVERIFY2((cikis == 0 ? out : err).contains(metin), qPrintable(out + err));

    static const QRegularExpression tabloSatirlari(QStringLiteral("^[^:\\n]+: \\d+ satır$"),
                                                   QRegularExpression::MultilineOption);
    QCOMPARE(int(out.count(tabloSatirlari)), tabloSatiri);
    // Nothing is written unless all went well; a target that existed is left as it was.
    const QStringList sonra = klasorIcerigi(dir.path());
    if (tabloSatiri == 0) {
        QCOMPARE(sonra, once);
    } else {
        QCOMPARE(sonra.size(), once.size() + 1);
        QCOMPARE(dosyaTuru(dir.filePath(QStringLiteral("yeni.db"))), DosyaTuru::SQLite);
    }
}

QTEST_GUILESS_MAIN(FaturaAktarTest)
#include "tst_fatura_aktar.moc"
