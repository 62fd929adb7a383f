// A first start and an in-program import killed at random moments (SIGKILL), then the next
// start: it recognises what was cut short and finishes or undoes it by itself, nothing is
// lost and no temporary file is left. The states between the steps are also set up one by
// one, so that the moments a random kill seldom hits are checked every time.
#include "app/firstrun.h"
#include "gui/buttonpictures.h"
#include "settings/settingsfile.h"
#include "store/database.h"
#include "store/jetimport.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
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

QByteArray bytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList names(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Starts the helper, lets it work for `delayNs` after it is ready (to the microsecond: a
// timer is far too coarse) and kills it. Returns whether it had finished by then; nothing
// when it did not run as it should.
std::optional<bool> killHelper(const QString &mode, const QString &folder, qint64 delayNs,
                               qint64 *workNs = nullptr) {
    QProcess p;
    p.start(QStringLiteral(START_HELPER), {mode, folder});
    while (!p.canReadLine() && p.state() != QProcess::NotRunning)
        p.waitForReadyRead(30000);
    if (p.readLine() != "hazir\n") {
        qWarning("the helper did not start: %s", p.readAllStandardError().constData());
        return std::nullopt;
    }
    QElapsedTimer clock;
    clock.start();
    if (workNs) {
        p.waitForFinished(60000);
        *workNs = clock.nsecsElapsed();
        return p.exitCode() == 0 && p.readAll() == "bitti\n" ? std::optional(true) : std::nullopt;
    }
    while (clock.nsecsElapsed() < delayNs) {
    }
    p.kill();
    p.waitForFinished();
    // Its fatura-aktar child dies with it (it asked the system for that): this process
    // adopts it (a subreaper) and waits for it, so that the next start comes after.
    const QDeadlineTimer childGone(20000);
    for (;;) {
        const pid_t reaped = ::waitpid(-1, nullptr, WNOHANG);
        if (reaped < 0)
            break; // no child left
        if (reaped == 0 && childGone.hasExpired()) {
            qWarning("the helper's child outlived it");
            return std::nullopt;
        }
        if (reaped == 0)
            QThread::msleep(1);
    }
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() != 0) {
        qWarning("%s", p.readAllStandardError().constData());
        return std::nullopt;
    }
    return p.readAll().contains("bitti");
}

// Everything wrong with a folder after a first start and the start after it.
QString firstStartProblems(const QString &folder, const StartReport &report) {
    if (!report.problems.isEmpty())
        return u"problems: "_qs + report.problems.join(u'\n');
    const QStringList want = {u"ayarlar.dat"_qs, raisedPictureFile(), pressedPictureFile(),
                              u"fatura.MDB"_qs};
    QStringList sortedWant = want;
    sortedWant.sort();
    if (names(folder) != sortedWant)
        return u"files: "_qs + names(folder).join(u", "_qs);
    const QDir dir(folder);
    if (bytes(dir.filePath(u"ayarlar.dat"_qs)) != settingsFileBytes(defaultSettings()))
        return u"ayarlar.dat is not the default settings"_qs;
    for (const QString &picture : {raisedPictureFile(), pressedPictureFile()})
        if (QImage(dir.filePath(picture)).isNull())
            return picture + u" is no picture"_qs;
    Database db(dir.filePath(u"fatura.MDB"_qs));
    QSqlQuery q(db.db());
    if (!q.exec(u"PRAGMA integrity_check"_qs) || !q.next() || q.value(0).toString() != u"ok")
        return u"fatura.MDB fails its integrity check"_qs;
    db.requireColumns(u"faturalar"_qs, {u"faturano"_qs, u"tutar"_qs});
    db.requireColumns(u"MUSTERI"_qs, {u"sirano"_qs, u"adresi2"_qs});
    return QString();
}

// Everything wrong with a folder after an import and the start after it: the database is the
// old file as it was, or a whole import of it with the old file kept beside it.
QString importProblems(const QString &folder, const StartReport &report, bool *imported) {
    if (!report.problems.isEmpty())
        return u"problems: "_qs + report.problems.join(u'\n');
    const QDir dir(folder);
    const QString database = dir.filePath(u"fatura.MDB"_qs);
    QStringList want = {u"ayarlar.dat"_qs, raisedPictureFile(), pressedPictureFile(),
                        u"fatura.MDB"_qs};
    *imported = fileKind(database) == FileKind::SQLite;
    if (*imported)
        want << u"fatura.MDB.eski"_qs;
    want.sort();
    if (names(folder) != want)
        return u"files: "_qs + names(folder).join(u", "_qs);
    if (!*imported)
        return bytes(database) == bytes(jetSample) ? QString() : u"the old file changed"_qs;
    if (bytes(dir.filePath(u"fatura.MDB.eski"_qs)) != bytes(jetSample))
        return u"the old file was not kept whole"_qs;
    Database db(database);
    QSqlQuery q(db.db());
    if (!q.exec(u"SELECT count(*) FROM DateTest"_qs) || !q.next() || q.value(0).toInt() <= 0)
        return u"the imported table is missing"_qs;
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
    void killedFirstStart();
    void killedImport();

private:
    // Rounds of: a fresh folder, the helper killed at a random moment of its work, the next
    // start, the check. Kills fall anywhere in the work and a little after it.
    template <class Prepare, class Check>
    void killRounds(const QString &mode, Prepare &&prepare, Check &&check);

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
    QTest::newRow("ikisi de var") << QStringList{"ilk-calisma.yarim", "fatura.MDB", "ayarlar.dat"}
                                  << true;
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
        else {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("yarım") > 0);
        }
    }
    const StartReport report = prepareWorkingFolder(dir);
    QCOMPARE(firstStartProblems(tmp.path(), report), QString());
    const QString said = report.notices.join(u'\n');
    QCOMPARE(said.contains(u"Yarıda kalan ilk çalışma tamamlandı"_qs), noticed);
    if (noticed && !files.contains(u"fatura.MDB"_qs))
        QVERIFY2(said.contains(dir.filePath(u"fatura.MDB"_qs)), qPrintable(said));
    if (files.contains(u"ayarlar.dat.Ab12Cd"_qs))
        QVERIFY2(said.contains(dir.filePath(u"ayarlar.dat.Ab12Cd"_qs)), qPrintable(said));
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
    QFile temporary(path + u".yeni.aktariliyor-0123abcd"_qs);
    QVERIFY(temporary.open(QIODevice::WriteOnly) && temporary.write("yarım") > 0);
    temporary.close();

    const StartReport report = prepareWorkingFolder(dir);
    bool isImport = false;
    QCOMPARE(importProblems(tmp.path(), report, &isImport), QString());
    QCOMPARE(isImport, imported);
    const QString said = report.notices.join(u'\n');
    QVERIFY2(said.contains(notice) && said.contains(temporary.fileName()), qPrintable(said));
}

template <class Prepare, class Check>
void TestRecovery::killRounds(const QString &mode, Prepare &&prepare, Check &&check) {
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("random seed %u", seed);
    qint64 workNs = 0;
    {
        QTemporaryDir tmp;
        prepare(tmp.path());
        QVERIFY2(killHelper(mode, tmp.path(), 0, &workNs) == true, "the helper did not work");
    }
    int finished = 0;
    int recovered = 0;
    for (int round = 0; round < rounds; ++round) {
        QVERIFY2(!m_deadline.hasExpired(),
                 qPrintable(u"deadline reached after %1 rounds"_qs.arg(round)));
        QTemporaryDir tmp;
        prepare(tmp.path());
        const std::optional<bool> done =
            killHelper(mode, tmp.path(), qint64(random.bounded(1.1 * double(workNs))));
        QVERIFY2(done, qPrintable(u"round %1: the helper failed"_qs.arg(round)));
        finished += *done;
        const StartReport report = prepareWorkingFolder(QDir(tmp.path()));
        recovered += !report.notices.isEmpty();
        const QString wrong = check(tmp.path(), report);
        QVERIFY2(wrong.isEmpty(), qPrintable(u"round %1: %2"_qs.arg(round).arg(wrong)));
    }
    qInfo("%d rounds, the work takes %lld ms; %d finished before the kill, %d needed the next "
          "start to finish or undo something",
          rounds, workNs / 1000000, finished, recovered);
}

void TestRecovery::killedFirstStart() {
    killRounds(
        u"ilk"_qs, [](const QString &) {},
        [](const QString &folder, const StartReport &report) {
            return firstStartProblems(folder, report);
        });
}

void TestRecovery::killedImport() {
    int imports = 0;
    killRounds(u"aktar"_qs, oldFormatFolder, [&](const QString &folder, const StartReport &r) {
        bool imported = false;
        const QString wrong = importProblems(folder, r, &imported);
        imports += imported;
        return wrong;
    });
    qInfo("%d of the folders hold the import afterwards", imports);
}

QTEST_GUILESS_MAIN(TestRecovery)
#include "test_recovery.moc"
