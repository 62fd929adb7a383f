// A first start and an in-program import killed at random moments (SIGKILL), then the next
// start: it recognises what was cut short and finishes or undoes it by itself, nothing is
// lost and no temporary file is left. The states between the steps are also set up one by
// one, so that the moments a random kill seldom hits are checked every time.
#include "app/firstrun.h"
#include "gui/buttonpictures.h"
#include "settings/settingsfile.h"
#include "store/jetimport.h"
#include "tests/common/testdb.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/prctl.h>
#include <sys/wait.h>

namespace {

constexpr int rounds = 110;
// All kill rounds together stop here; a slow machine fails rather than runs long.
constexpr int deadlineSeconds = 150;

const QString jetSample = QStringLiteral(ACCESS_SAMPLES "/DateTestDatabase.mdb");

// Starts the helper and, once it is ready, lets it work for `delayNs` (to the microsecond: a
// timer is far too coarse) and kills it; with a negative delay it lets it finish. Returns how
// long it worked, or -1 when it did not run as it should.
qint64 runHelper(const QString &mode, const QString &folder, qint64 delayNs) {
    QProcess p;
    p.start(QStringLiteral(START_HELPER), {mode, folder});
    if (!p.waitForReadyRead(30000) || p.readLine() != "hazir\n")
        return -1;
    QElapsedTimer clock;
    clock.start();
    if (delayNs < 0)
        return p.waitForFinished(60000) && p.readAll() == "bitti\n" ? clock.nsecsElapsed() : -1;
    while (clock.nsecsElapsed() < delayNs) {
    }
    p.kill();
    p.waitForFinished();
    // Its fatura-aktar child dies with it (it asked the system for that): this process
    // adopts it (a subreaper) and waits for it, so that the next start comes after.
    const QDeadlineTimer childGone(20000);
    while (::waitpid(-1, nullptr, WNOHANG) >= 0 && !childGone.hasExpired())
        QThread::msleep(1);
    if (childGone.hasExpired() || (p.exitStatus() == QProcess::NormalExit && p.exitCode() != 0)) {
        qWarning("the helper or its child failed: %s", p.readAllStandardError().constData());
        return -1;
    }
    return delayNs;
}

// Everything wrong with a folder after a first start or an import, and the start after it.
// After an import the database is the old file as it was, or a whole import of it with
// the old file kept beside it.
QString problems(const QString &folder, const StartReport &report, bool afterImport) {
    if (!report.problems.isEmpty())
        return u"problems: "_qs + report.problems.join(u'\n');
    const QDir dir(folder);
    const QString database = dir.filePath(u"fatura.MDB"_qs);
    const bool imported = afterImport && fileKind(database) == FileKind::SQLite;
    QStringList want = {u"ayarlar.dat"_qs, raisedPictureFile(), pressedPictureFile(),
                        u"fatura.MDB"_qs};
    if (imported)
        want << u"fatura.MDB.eski"_qs;
    QStringList have = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    want.sort();
    have.sort();
    if (have != want)
        return u"files: "_qs + have.join(u", "_qs);
    if (testdb::fileBytes(dir.filePath(u"ayarlar.dat"_qs)) != settingsFileBytes(defaultSettings()))
        return u"ayarlar.dat is not the default settings"_qs;
    for (const QString &picture : {raisedPictureFile(), pressedPictureFile()})
        if (QImage(dir.filePath(picture)).isNull())
            return picture + u" is no picture"_qs;
    if (afterImport && testdb::fileBytes(imported ? database + u".eski"_qs : database) !=
                           testdb::fileBytes(jetSample))
        return u"the old file changed"_qs;
    if (afterImport && !imported)
        return QString();
    // Whole, with what it must hold; a missing table or column throws.
    if (testdb::queryRows(database, u"PRAGMA integrity_check"_qs) !=
        QList<QVariantList>{{u"ok"_qs}})
        return u"fatura.MDB fails its integrity check"_qs;
    if (afterImport)
        return testdb::queryRows(database, u"SELECT 1 FROM DateTest"_qs).isEmpty()
                   ? u"the imported table is empty"_qs
                   : QString();
    testdb::queryRows(database, u"SELECT faturano, tutar FROM faturalar"_qs);
    testdb::queryRows(database, u"SELECT sirano, adresi2 FROM MUSTERI"_qs);
    return QString();
}

// A folder as the program leaves it at its first start, with the old Access file as its
// database.
void oldFormatFolder(const QString &folder) {
    const QDir dir(folder);
    ayarlari_yaz(defaultSettings(), dir.filePath(u"ayarlar.dat"_qs));
    writeMissingButtonPictures(dir);
    QFile::copy(jetSample, dir.filePath(u"fatura.MDB"_qs));
    QFile::setPermissions(dir.filePath(u"fatura.MDB"_qs),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

void writeFile(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("yarım") <= 0)
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        m_deadline.setRemainingTime(deadlineSeconds * 1000);
        QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
    }
    void firstStartStates_data();
    void firstStartStates();
    void importStates_data();
    void importStates();
    void killed_data();
    void killed();

private:
    QDeadlineTimer m_deadline;
};

void TestRecovery::firstStartStates_data() {
    QTest::addColumn<QStringList>("files"); // what the cut-short first start left
    QTest::addColumn<bool>("noticed");      // the start says it finished the first run
    QTest::newRow("işaret yalnız") << QStringList{"ilk-calisma.yarim"} << true;
    QTest::newRow("yarım veritabanı")
        << QStringList{"ilk-calisma.yarim", "fatura.MDB.kuruluyor", "fatura.MDB.kuruluyor-journal"}
        << true;
    QTest::newRow("veritabanı var") << QStringList{"ilk-calisma.yarim", "fatura.MDB"} << true;
    QTest::newRow("yarım ayar kaydı") << QStringList{"ayarlar.dat.Ab12Cd"} << false;
}

// Each state a first start can be cut short in, as the next start finds it.
void TestRecovery::firstStartStates() {
    QFETCH(QStringList, files);
    QFETCH(bool, noticed);
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    for (const QString &name : files) {
        if (name == u"fatura.MDB")
            createDatabase(dir.filePath(name));
        else if (name == u"ayarlar.dat")
            ayarlari_yaz(defaultSettings(), dir.filePath(name));
        else
            writeFile(dir.filePath(name));
    }
    const StartReport report = prepareWorkingFolder(dir);
    QCOMPARE(problems(tmp.path(), report, false), QString());
    const QString said = report.notices.join(u'\n');
    QCOMPARE(said.contains(u"Yarıda kalan ilk çalışma tamamlandı"_qs), noticed);
    if (noticed && !files.contains(u"fatura.MDB"_qs))
        QVERIFY2(said.contains(dir.filePath(u"fatura.MDB"_qs)), qPrintable(said));
    if (!noticed)
        QVERIFY2(said.contains(dir.filePath(files[0])), qPrintable(said));
}

void TestRecovery::importStates_data() {
    // Where the import was cut short: the database, the old file's and the new file's kind.
    QTest::addColumn<QString>("database"); // "jet", "sqlite" or "" for none
    QTest::addColumn<bool>("oldFile");     // fatura.MDB.eski holds the Access file
    QTest::addColumn<bool>("newFile");     // fatura.MDB.yeni holds the whole import
    QTest::addColumn<bool>("imported");    // afterwards the database is the import
    QTest::addColumn<QString>("notice");
    QTest::newRow("aktarma sürerken") << "jet" << false << false << false << "geri alındı";
    QTest::newRow("aktarma bitti, taşınmadı") << "jet" << false << true << false << "geri alındı";
    QTest::newRow("iki ad değişikliği arasında")
        << "" << true << true << true << "Yarıda kalan aktarma tamamlandı";
    QTest::newRow("işaret kaldı") << "sqlite" << true << false << true << "aktarılmıştı";
}

// Each state of an import cut short, set up as a kill leaves it, then the next start.
void TestRecovery::importStates() {
    QFETCH(QString, database);
    QFETCH(bool, oldFile);
    QFETCH(bool, newFile);
    QFETCH(bool, imported);
    QFETCH(QString, notice);
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    oldFormatFolder(tmp.path());
    const QString path = dir.filePath(u"fatura.MDB"_qs);
    const QString importedFile = dir.filePath(u"import.db"_qs);
    importJet(path, importedFile);
    if (oldFile)
        QVERIFY(QFile::rename(path, path + u".eski"_qs));
    if (database == u"sqlite")
        QVERIFY(QFile::rename(importedFile, path));
    else if (newFile)
        QVERIFY(QFile::rename(importedFile, path + u".yeni"_qs));
    QFile::remove(importedFile);
    if (database.isEmpty())
        QFile::remove(path);
    QFile marker(path + u".aktarma-yarim"_qs);
    QVERIFY(marker.open(QIODevice::WriteOnly) &&
            marker.write("eski=fatura.MDB.eski\nyeni=fatura.MDB.yeni\n") > 0);
    marker.close();
    // What a killed import writes while it works.
    const QString temporary = path + u".yeni.aktariliyor-0123abcd"_qs;
    writeFile(temporary);

    const StartReport report = prepareWorkingFolder(dir);
    QCOMPARE(problems(tmp.path(), report, true), QString());
    QCOMPARE(fileKind(path) == FileKind::SQLite, imported);
    const QString said = report.notices.join(u'\n');
    QVERIFY2(said.contains(notice) && said.contains(temporary), qPrintable(said));
}

void TestRecovery::killed_data() {
    QTest::addColumn<QString>("mode"); // start_helper's
    QTest::newRow("ilk çalışma") << "ilk";
    QTest::newRow("aktarma") << "aktar";
}

// Rounds of: a fresh folder, the helper killed at a random moment of its work, the next
// start, the check. Kills fall anywhere in the work and a little after it.
void TestRecovery::killed() {
    QFETCH(QString, mode);
    const bool afterImport = mode == u"aktar";
    const auto prepared = [&] {
        auto tmp = std::make_unique<QTemporaryDir>();
        if (afterImport)
            oldFormatFolder(tmp->path());
        return tmp;
    };
    const qint64 workNs = runHelper(mode, prepared()->path(), -1);
    QVERIFY2(workNs > 0, "the helper did not work");
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("random seed %u, the work takes %lld ms", seed, workNs / 1000000);
    for (int round = 0; round < rounds; ++round) {
        QVERIFY2(!m_deadline.hasExpired(), qPrintable(u"deadline after %1 rounds"_qs.arg(round)));
        const std::unique_ptr<QTemporaryDir> tmp = prepared();
        QVERIFY2(runHelper(mode, tmp->path(), qint64(random.bounded(1.1 * double(workNs)))) >= 0,
                 qPrintable(u"round %1: the helper failed"_qs.arg(round)));
        const StartReport report = prepareWorkingFolder(QDir(tmp->path()));
        const QString wrong = problems(tmp->path(), report, afterImport);
        QVERIFY2(wrong.isEmpty(), qPrintable(u"round %1: %2"_qs.arg(round).arg(wrong)));
    }
}

QTEST_GUILESS_MAIN(TestRecovery)
#include "test_recovery.moc"
