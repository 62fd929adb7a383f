// Leftovers and unbounded reads: an import killed half-way leaves its temporary files, which
// the next start removes (and only those whose import is gone); a huge ayarlar.dat is read
// only as far as its lines go.
#include "app/firstrun.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

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

    const auto startImport = [&](QProcess &p, const QString &target) {
        p.start(QStringLiteral(FATURA_AKTAR), {source, dir.filePath(target)});
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!temporaries(dir.path()).filter(target).isEmpty(), 20000);
    };
    QProcess killed;
    startImport(killed, u"ilk.db"_qs);
    if (QTest::currentTestFailed())
        return;
    killed.kill();
    QVERIFY(killed.waitForFinished());
    QVERIFY(!temporaries(dir.path()).isEmpty());

    // A second import runs while the program starts: its files stay.
    QProcess running;
    running.setWorkingDirectory(dir.path());
    startImport(running, u"ikinci.db"_qs);
    if (QTest::currentTestFailed())
        return;
    const StartReport report = prepareWorkingFolder(QDir(dir.path()));
    const QStringList left = temporaries(dir.path());
    QVERIFY2(left.filter(u"ilk.db"_qs).isEmpty(), qPrintable(left.join(u", "_qs)));
    QVERIFY2(!left.filter(u"ikinci.db"_qs).isEmpty(), qPrintable(left.join(u", "_qs)));
    QVERIFY2(report.notices.join(u'\n').contains(dir.filePath(u"ilk.db.aktariliyor-"_qs)),
             qPrintable(report.notices.join(u'\n')));
    QVERIFY(running.waitForFinished(120000));
    QCOMPARE(running.exitCode(), 0);
    QCOMPARE(temporaries(dir.path()), QStringList());
    QVERIFY(!QFile::exists(dir.filePath(u"ilk.db"_qs)));
    QCOMPARE(bytes(source), sourceBytes);
}

QTEST_GUILESS_MAIN(TestLeftovers)
#include "test_leftovers.moc"
