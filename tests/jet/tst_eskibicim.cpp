#include "ornekler.h"

#include "app/oldformat.h"
#include "db/database.h"
#include "ui/messages.h"

#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

class EskiBicimTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Messages::setTestHandler({}); }
    void baslangicta_data();
    void baslangicta();
};

void EskiBicimTest::baslangicta_data() {
    QTest::addColumn<QString>("dosya");
    QTest::addColumn<bool>("evet");
    QTest::addColumn<bool>("vazgec");
    QTest::addColumn<bool>("aktarildi");
    QTest::addColumn<QString>("mesajlar");
    QTest::addColumn<QString>("sonMesaj");
    const QString soru = QStringLiteral("Bu veritabanı eski biçimde. Şimdi aktarılsın mı?");
    QTest::newRow("hayır") << "nwind" << false << false << false << "S" << soru;
    QTest::newRow("evet") << "nwind" << true << false << true << "SI"
                          << "fatura.MDB.eski";
    QTest::newRow("vazgeç") << "nwind" << true << true << false << "SI"
                            << "durduruldu";
    QTest::newRow("bozuk dosya") << "kesik" << true << false << false << "SE"
                                 << "Eski dosya olduğu gibi duruyor";
    QTest::newRow("zaten yeni biçim") << "sqlite" << true << false << false << ""
                                      << "";
}

void EskiBicimTest::baslangicta() {
    QFETCH(QString, dosya);
    QFETCH(bool, evet);
    QFETCH(bool, vazgec);
    QFETCH(bool, aktarildi);
    QFETCH(QString, mesajlar);
    QFETCH(QString, sonMesaj);
    QTemporaryDir dir;
    const QString yol = dir.filePath(QStringLiteral("fatura.MDB"));
    if (dosya == QLatin1String("sqlite"))
        veritabaniOlustur(yol);
    else
        kopya(QStringLiteral("nwind.mdb"), dir.path(), QStringLiteral("fatura.MDB"), {},
              dosya == QLatin1String("kesik") ? 1000000 : -1);
    const QStringList once = klasorIcerigi(dir.path());

    QString turler;
    QString son;
    Messages::setTestHandler([&](const Messages::Message &m) {
        turler += QLatin1Char("IWES"[int(m.kind)]);
        son = m.text;
        return evet;
    });
    // Watches the progress dialog while the import runs (it handles events as it goes).
    QWidget pencere;
    QStringList etiketler;
    QTimer izle;
    izle.setInterval(0);
    connect(&izle, &QTimer::timeout, this, [&] {
        auto *d = pencere.findChild<QProgressDialog *>(QStringLiteral("aktarma"));
        if (!d || !d->isVisible())
            return;
        etiketler << d->labelText();
        if (vazgec && d->labelText().startsWith(QLatin1String("Orders ")))
            d->cancel();
    });
    izle.start();

    QCOMPARE(offerOldFormatImport(&pencere, yol), aktarildi);
    izle.stop();
    QCOMPARE(turler, mesajlar);
    QVERIFY2(son.contains(sonMesaj), qPrintable(son));
    if (aktarildi) {
        QCOMPARE(dosyaTuru(yol), DosyaTuru::SQLite);
        QCOMPARE(klasorIcerigi(dir.path()).size(), 2);
        QVERIFY(etiketler.contains(QStringLiteral("Orders tablosu aktarılıyor: 250 / 830 satır")));
    } else {
        QCOMPARE(klasorIcerigi(dir.path()), once);
    }
}

QTEST_MAIN(EskiBicimTest)
#include "tst_eskibicim.moc"
