// Leftovers and unbounded reads: an import killed half-way leaves its temporary files, which
// the next start removes (and only those whose import is gone); a huge ayarlar.dat is read
// only as far as its lines go.
#include "app/firstrun.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <QDeadlineTimer>
#include <QThread>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

// The temporary files of imports in `folder`, by name.
QStringList temporaries(const QString &folder) {
    return QDir(folder).entryList({u"*.aktariliyor-*"_qs}, QDir::Files | QDir::Hidden);
}

// The most memory this process has held so far, in megabytes.
qint64 peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QByteArray bytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestLeftovers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0); }
    void hugeSettings();
    void killedImport();
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
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(workspace.readSettings(23), defaultSettings());
        QCOMPARE(workspace.databasePath(), workspace.filePath(u"fatura.MDB"_qs));
    }
    const qint64 grown = peakMegabytes() - before;
    qInfo("20 reads of both kinds: %lld ms, peak memory grew by %lld MB", clock.elapsed(), grown);
    QVERIFY2(grown < 20, qPrintable(QString::number(grown)));
}

// fatura-aktar killed while it writes: the next start removes its temporary files and
// nothing else; an import that is still running keeps its own.
void TestLeftovers::killedImport() {
    QTemporaryDir dir;
    const QString source = dir.filePath(u"eski.mdb"_qs);
    QVERIFY(QFile::copy(QStringLiteral(ACCESS_SAMPLES "/nwind.mdb"), source));
    const QByteArray sourceBytes = bytes(source);
    ayarlari_yaz(defaultSettings(), dir.filePath(u"ayarlar.dat"_qs));

    QProcess killed;
    killed.start(QStringLiteral(FATURA_AKTAR), {source, dir.filePath(u"ilk.db"_qs)});
    QVERIFY(killed.waitForStarted());
    // The temporary database itself, not only its lock.
    static const QRegularExpression database(u"^ilk\\.db\\.aktariliyor-[0-9a-f]{8}$"_qs);
    QTRY_VERIFY_WITH_TIMEOUT(temporaries(dir.path()).indexOf(database) >= 0, 20000);
    killed.kill();
    QVERIFY(killed.waitForFinished());
    // Its child, which reads the file, dies with it; adopted by this process (a subreaper),
    // it is waited for, as a later start comes after it.
    const QDeadlineTimer childGone(20000);
    while (::waitpid(-1, nullptr, WNOHANG) >= 0 && !childGone.hasExpired())
        QThread::msleep(1);
    QVERIFY(!childGone.hasExpired());
    const QStringList leftByKill = temporaries(dir.path());
    QVERIFY(leftByKill.indexOf(database) >= 0);

    // An import that is running while the program starts (this process holds its lock, as
    // the import does): its files stay.
    const QString live = dir.filePath(u"ikinci.db.aktariliyor-0123abcd"_qs);
    QFile(live).open(QIODevice::WriteOnly);
    QLockFile lock(live + u".kilit"_qs);
    QVERIFY(lock.tryLock(0));

    const StartReport report = prepareWorkingFolder(QDir(dir.path()));
    QCOMPARE(temporaries(dir.path()), (QStringList{u"ikinci.db.aktariliyor-0123abcd"_qs,
                                                   u"ikinci.db.aktariliyor-0123abcd.kilit"_qs}));
    QVERIFY2(report.notices.join(u'\n').contains(dir.filePath(leftByKill.filter(database).first())),
             qPrintable(report.notices.join(u'\n')));
    QVERIFY(!QFile::exists(dir.filePath(u"ilk.db"_qs)));
    QCOMPARE(bytes(source), sourceBytes);
}

QTEST_GUILESS_MAIN(TestLeftovers)
#include "test_leftovers.moc"
