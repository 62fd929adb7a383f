#include "app/firstrun.h"
#include "db/database.h"
#include "settings/ayarlar.h"
#include "ui/buttonpictures.h"

#include <QFile>
#include <QImage>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestFirstRun : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newDirectory();
    void existingFilesAreKept();
    void unwritableDirectory();
};

void TestFirstRun::newDirectory() {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QVERIFY(firstRun(dir).isEmpty());
    // Default settings, byte for byte as the writer makes them.
    QFile settings(dir.filePath(u"ayarlar.dat"_qs));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), ayarDosyasiIcerigi(varsayilanAyarlar()));
    QCOMPARE(varsayilanAyarlar().kdv_yuzde, u"20"_qs);
    QCOMPARE(varsayilanAyarlar().veritabani_yolu, u"fatura.MDB"_qs);
    QVERIFY(yazilamayanDegerler(varsayilanAyarlar()).isEmpty());

    // An empty database with both tables.
    const QString dbPath = dir.filePath(u"fatura.MDB"_qs);
    QCOMPARE(dosyaTuru(dbPath), DosyaTuru::SQLite);
    {
        Veritabani db(dbPath);
        db.tabloGerekli(u"MUSTERI"_qs);
        db.tabloGerekli(u"faturalar"_qs);
        QSqlQuery q(db.db());
        QVERIFY(q.exec(u"SELECT count(*) FROM faturalar"_qs) && q.next());
        QCOMPARE(q.value(0).toInt(), 0);
    }
    // The button pictures, readable.
    for (const QString &name : {raisedPictureFile(), pressedPictureFile()})
        QVERIFY(!QImage(dir.filePath(name)).isNull());

    // A second start changes nothing.
    const QByteArray before = ayarDosyasiIcerigi(varsayilanAyarlar());
    QVERIFY(firstRun(dir).isEmpty());
    settings.seek(0);
    QCOMPARE(settings.readAll(), before);
}

void TestFirstRun::existingFilesAreKept() {
    // Settings without a database: the path the user set is not filled with a new file.
    QTemporaryDir a;
    ayarlar own = varsayilanAyarlar();
    own.kdv_yuzde = u"8"_qs;
    ayarlari_yaz(own, QDir(a.path()).filePath(u"ayarlar.dat"_qs));
    QVERIFY(firstRun(QDir(a.path())).isEmpty());
    QVERIFY(!QFile::exists(QDir(a.path()).filePath(u"fatura.MDB"_qs)));
    QCOMPARE(ayarlari_oku(2, QDir(a.path()).filePath(u"ayarlar.dat"_qs)).kdv_yuzde, u"8"_qs);

    // A database without settings: no default settings are written over a user's data.
    QTemporaryDir b;
    veritabaniOlustur(QDir(b.path()).filePath(u"fatura.MDB"_qs));
    QVERIFY(firstRun(QDir(b.path())).isEmpty());
    QVERIFY(!QFile::exists(QDir(b.path()).filePath(u"ayarlar.dat"_qs)));

    // A picture of the user's own is not replaced.
    QFile own1(QDir(b.path()).filePath(raisedPictureFile()));
    QVERIFY(own1.open(QIODevice::WriteOnly));
    own1.write("not a picture");
    own1.close();
    QFile::remove(QDir(b.path()).filePath(pressedPictureFile()));
    firstRun(QDir(b.path()));
    QVERIFY(own1.open(QIODevice::ReadOnly));
    QCOMPARE(own1.readAll(), QByteArray("not a picture"));
}

void TestFirstRun::unwritableDirectory() {
    if (geteuid() == 0)
        QSKIP("running as root: every directory is writable");
    QTemporaryDir tmp;
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
    const QStringList problems = firstRun(QDir(tmp.path()));
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!problems.isEmpty());
    QVERIFY(problems.first().contains(tmp.path()));
}

QTEST_MAIN(TestFirstRun)
#include "test_firstrun.moc"
