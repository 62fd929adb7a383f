// Leftovers and unbounded reads: the temporary files of an import that is gone are removed at
// the next start, those of an import still running stay; a huge ayarlar.dat is read only as
// far as its lines go.
#include "app/firstrun.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"

#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

namespace {

// The most memory this process has held so far, in megabytes.
qint64 peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

class TestLeftovers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hugeSettings();
    void temporaries();
};

// A 200 MB ayarlar.dat whose 23 lines come first: every settings read takes them and stops.
void TestLeftovers::hugeSettings() {
    QTemporaryDir dir;
    Workspace workspace(dir.path());
    {
        QFile f(workspace.settingsPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write(settingsFileBytes(defaultSettings())) > 0);
        QVERIFY(f.resize(200LL * 1024 * 1024)); // the rest holes, read as zero bytes
    }
    const qint64 before = peakMegabytes();
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(workspace.readSettings(23), defaultSettings());
        QCOMPARE(workspace.databasePath(), workspace.filePath(u"fatura.MDB"_qs));
    }
    const qint64 grown = peakMegabytes() - before;
    QVERIFY2(grown < 20, qPrintable(QString::number(grown)));
}

// Temporary files of two imports: one whose writer is gone, and one still running, whose lock
// this process holds as the import does.
void TestLeftovers::temporaries() {
    QTemporaryDir dir;
    ayarlari_yaz(defaultSettings(), dir.filePath(u"ayarlar.dat"_qs));
    const QString dead = dir.filePath(u"ilk.db.aktariliyor-0123abcd"_qs);
    const QString live = dir.filePath(u"ikinci.db.aktariliyor-4567cdef"_qs);
    for (const QString &path : {dead, dead + u"-journal"_qs, live})
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    QLockFile lock(live + u".kilit"_qs);
    QVERIFY(lock.tryLock(0));
    const StartReport report = prepareWorkingFolder(QDir(dir.path()));
    QCOMPARE(QDir(dir.path()).entryList({u"*.aktariliyor-*"_qs}, QDir::Files),
             (QStringList{u"ikinci.db.aktariliyor-4567cdef"_qs,
                          u"ikinci.db.aktariliyor-4567cdef.kilit"_qs}));
    QVERIFY2(report.notices.join(u'\n').contains(dead), qPrintable(report.notices.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestLeftovers)
#include "test_leftovers.moc"
