// A first start and an in-program import killed at random moments (SIGKILL), then the next
// start: it recognises what was cut short and finishes or undoes it by itself, nothing is
// lost and no temporary file is left. The states between the steps are also set up one by
// one, so that the moments a random kill seldom hits are checked every time.
#include "app/firstrun.h"
#include "earsiv/export.h"
#include "gui/buttonpictures.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/jetread.h"
#include "tests/common/testdb.h"
#include "tools/sampledata.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A working folder with sample books of ten invoices of yesterday (the export and the command
// go by today's date), the first three of them e-Arşiv invoices already.
constexpr int earsivInvoices = 10;
const QDate yesterday = QDate::currentDate().addDays(-1);
const QString firstGiven = u"ORN"_qs + QString::number(yesterday.year()) + u"000000001"_qs;

void earsivFolder(const QString &folder) {
    const QDir dir(folder);
    ayarlari_yaz(defaultSettings(), dir.filePath(u"ayarlar.dat"_qs));
    const QString db = dir.filePath(u"fatura.MDB"_qs);
    writeSampleDatabase(db, {.invoices = earsivInvoices, .campaignInvoices = 0, .year = 2025});
    testdb::sql(db, {u"UPDATE faturalar SET fatura_tarihi = '%1', irsaliye_tarihi = '%1'"_qs.arg(
                         yesterday.toString(u"dd.MM.yyyy"_qs)),
                     u"UPDATE faturalar SET adresi2 = 'Merkez / Ankara' WHERE adresi2 NOT LIKE "
                     "'%/%'"_qs});
    QList<EArsivResult> results;
    Workspace workspace(folder);
    EArsivExport(workspace).run({1, 2, 3}, results);
}

void copyFolder(const QString &from, const QString &to) {
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString copy = to + file.mid(from.size());
        QDir().mkpath(QFileInfo(copy).absolutePath());
        if (!QFile::copy(file, copy))
            qFatal("cannot copy %s", qPrintable(file));
    }
}

// Everything wrong with the e-Arşiv folder of `folder`: a file that is not a recorded
// document whole (its XML to the byte, a PDF to its end), a record without its two files,
// anything else there.
QString earsivProblems(const QString &folder) {
    const QDir dir(earsivFolder(QDir(folder)));
    QHash<QString, QString> digests;
    for (const QVariantList &row :
         testdb::queryRows(QDir(folder).filePath(u"fatura.MDB"_qs),
                           u"SELECT gib_no, ozet FROM earsiv_faturalar"_qs))
        digests.insert(row[0].toString(), row[1].toString());
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    QStringList wrong;
    for (const QString &name : files) {
        const QString number = name.section(u'.', 0, 0);
        const QString ending = name.mid(number.size());
        const QByteArray bytes = testdb::fileBytes(dir.filePath(name));
        if (!digests.contains(number) || (ending != u".xml" && ending != u".pdf"))
            wrong << name;
        else if (ending == u".xml"
                     ? QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() !=
                           digests.value(number).toLatin1()
                     : !bytes.startsWith("%PDF-") || !bytes.trimmed().endsWith("%%EOF"))
            wrong << name + u" (bozuk)"_qs;
    }
    for (const QString &number : digests.keys())
        for (const QString &ending : {u".xml"_qs, u".pdf"_qs})
            if (!files.contains(number + ending))
                wrong << number + ending + u" (yok)"_qs;
    return wrong.join(u", "_qs);
}

// A document in the e-Arşiv folder of `folder` that no record stands behind, or the note of
// one being written.
bool halfWritten(const QString &folder) {
    const QDir dir(earsivFolder(QDir(folder)));
    QStringList given;
    for (const QVariantList &row : testdb::queryRows(QDir(folder).filePath(u"fatura.MDB"_qs),
                                                     u"SELECT gib_no FROM earsiv_faturalar"_qs))
        given << row[0].toString();
    for (const QString &name : dir.entryList(QDir::Files))
        if (name.endsWith(u".yarim") || !given.contains(name.section(u'.', 0, 0)))
            return true;
    return false;
}

// fatura-earsiv exporting every invoice of the books in `folder`: run to its end (a negative
// `killAfterNs`), or killed after that long. Returns how long it ran, or -1 when it failed.
qint64 runEArsiv(const QString &folder, qint64 killAfterNs) {
    QStringList arguments = {u"--dizin"_qs, folder};
    for (int n = 1; n <= earsivInvoices; ++n)
        arguments << QString::number(n);
    QProcess p;
    p.start(QStringLiteral(FATURA_EARSIV), arguments);
    if (!p.waitForStarted(30000))
        return -1;
    QElapsedTimer clock;
    clock.start();
    if (killAfterNs < 0) {
        const bool done = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit &&
                          p.exitCode() == 0;
        if (!done)
            qWarning("fatura-earsiv: %s", p.readAllStandardError().constData());
        return done ? clock.nsecsElapsed() : -1;
    }
    while (clock.nsecsElapsed() < killAfterNs) {
    }
    p.kill();
    p.waitForFinished();
    return killAfterNs;
}

// fatura-aktar importing the Access sample into `target`, in a process group of its own as a
// terminal starts it: run to its end (a negative `afterNs`), or sent `signal` after that long
// (SIGINT to the whole group, as Ctrl-C is; another signal to the tool alone). Returns its
// exit status, code and standard error once it and its child are gone.
struct AktarRun {
    bool crashed = false;
    int code = -1;
    QString said;
    qint64 ns = 0;
};
AktarRun runAktar(const QString &target, qint64 afterNs, int signal) {
    QProcess p;
    p.setChildProcessModifier([] { ::setpgid(0, 0); });
    p.start(QStringLiteral(FATURA_AKTAR), {QStringLiteral(ACCESS_SAMPLES "/nwind.mdb"), target});
    AktarRun run;
    if (!p.waitForStarted(30000))
        return run;
    QElapsedTimer clock;
    clock.start();
    if (afterNs >= 0) {
        while (clock.nsecsElapsed() < afterNs) {
        }
        ::kill(signal == SIGINT ? -pid_t(p.processId()) : pid_t(p.processId()), signal);
    }
    p.waitForFinished(120000);
    run.ns = clock.nsecsElapsed();
    // A child left without its parent dies with it; this process adopts it and waits.
    const QDeadlineTimer childGone(20000);
    while (::waitpid(-1, nullptr, WNOHANG) >= 0 && !childGone.hasExpired())
        QThread::msleep(1);
    run.crashed = p.exitStatus() != QProcess::NormalExit;
    run.code = p.exitCode();
    run.said = QString::fromUtf8(p.readAllStandardError());
    return run;
}

// The files in `folder`.
QStringList filesIn(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
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
    void earsivStates_data();
    void earsivStates();
    void earsivKilled();
    void earsivLockLeftEmpty();
    void aktarStopped_data();
    void aktarStopped();

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

void TestRecovery::earsivStates_data() {
    QTest::addColumn<QString>("left");  // what the kill left beside the first e-Arşiv invoice
    QTest::addColumn<bool>("recorded"); // its record was committed before the kill
    QTest::addColumn<bool>("written");  // its two files were written
    QTest::newRow("XML yeniden yazılırken") << ".xml.SezKZf" << true << true;
    QTest::newRow("PDF yeniden yazılırken") << ".pdf.Ab12Cd" << true << true;
    QTest::newRow("ilk yazım, not yazılırken") << ".yarim.Xy34Zw" << false << false;
    QTest::newRow("ilk yazım, dosyalar yazıldı") << ".yarim" << false << true;
    QTest::newRow("ilk yazım, kayıttan sonra") << ".yarim" << true << true;
}

// Each state a kill during an e-Arşiv export leaves, set up as the kill leaves it; then the
// next start, or the next export. The temporary files and the note go; the files of a number
// never recorded go; recorded ones stay as they were. A start while an export is writing
// there leaves the folder to it.
void TestRecovery::earsivStates() {
    QFETCH(QString, left);
    QFETCH(bool, recorded);
    QFETCH(bool, written);
    QTemporaryDir given;
    earsivFolder(given.path());
    enum By { Start, Export, StartWhileExporting };
    for (const By by : {Start, Export, StartWhileExporting}) {
        const bool byStart = by != Export;
        QTemporaryDir tmp;
        copyFolder(given.path(), tmp.path());
        const QDir dir(earsivFolder(QDir(tmp.path())));
        const QString db = QDir(tmp.path()).filePath(u"fatura.MDB"_qs);
        const QString uuid =
            testdb::queryRows(db, u"SELECT uuid FROM earsiv_faturalar WHERE faturano = 1"_qs)
                .value(0)
                .value(0)
                .toString();
        if (!recorded)
            testdb::sql(db, {u"DELETE FROM earsiv_faturalar WHERE faturano = 1"_qs});
        const QString pdf = dir.filePath(firstGiven + u".pdf"_qs);
        const QByteArray pdfBytes = testdb::fileBytes(pdf);
        if (!written) {
            QVERIFY(QFile::remove(pdf));
            QVERIFY(QFile::remove(dir.filePath(firstGiven + u".xml"_qs)));
        }
        QFile leftover(dir.filePath(firstGiven + left));
        QVERIFY(leftover.open(QIODevice::WriteOnly) && leftover.write(uuid.toLatin1()) > 0);
        leftover.close();

        QString said;
        if (by == StartWhileExporting) {
            // An export that writes there now: its files are left to it.
            QLockFile exporting(dir.filePath(u".kilit"_qs));
            QVERIFY(exporting.tryLock(0));
            said = prepareWorkingFolder(QDir(tmp.path())).notices.join(u'\n');
            QVERIFY2(!said.contains(dir.path()), qPrintable(said));
            QVERIFY(leftover.exists());
            continue;
        }
        if (byStart) {
            said = prepareWorkingFolder(QDir(tmp.path())).notices.join(u'\n');
        } else {
            Workspace workspace(tmp.path());
            QCOMPARE(EArsivExport(workspace).exportInvoice(2).gibNumber,
                     u"ORN"_qs + QString::number(yesterday.year()) + u"000000002"_qs);
        }
        QCOMPARE(earsivProblems(tmp.path()), QString());
        if (byStart)
            QVERIFY2(said.contains(leftover.fileName()), qPrintable(said));
        if (recorded)
            QCOMPARE(testdb::fileBytes(pdf), pdfBytes);
    }
}

// A kill between making the folder's lock file and writing its process into it leaves the
// file empty, with no process to ask whether it still runs. Neither the next start nor the
// next export may take the folder for one being written for ever.
void TestRecovery::earsivLockLeftEmpty() {
    QTemporaryDir given;
    earsivFolder(given.path());
    for (const bool byStart : {true, false}) {
        QTemporaryDir tmp;
        copyFolder(given.path(), tmp.path());
        const QString lock = QDir(earsivFolder(QDir(tmp.path()))).filePath(u".kilit"_qs);
        QFile empty(lock);
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        if (byStart)
            prepareWorkingFolder(QDir(tmp.path()));
        else
            QVERIFY(runEArsiv(tmp.path(), -1) > 0);
        QVERIFY2(!QFile::exists(lock), byStart ? "by the start" : "by the export");
        QCOMPARE(earsivProblems(tmp.path()), QString());
    }
}

// Rounds of: sample books with three e-Arşiv invoices, fatura-earsiv exporting all ten
// killed at a random moment, then the next start or the next export, the check. At least
// three kills must fall while a first export's files were written but not recorded: the
// rounds go on until they have.
void TestRecovery::earsivKilled() {
    QTemporaryDir given;
    earsivFolder(given.path());
    const auto prepared = [&] {
        auto tmp = std::make_unique<QTemporaryDir>();
        copyFolder(given.path(), tmp->path());
        return tmp;
    };
    const qint64 workNs = runEArsiv(prepared()->path(), -1);
    QVERIFY2(workNs > 0, "fatura-earsiv did not work");
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("random seed %u, the export takes %lld ms", seed, workNs / 1000000);
    int caught = 0;
    for (int round = 0; round < 20 || (caught < 3 && round < 120); ++round) {
        QVERIFY2(!m_deadline.hasExpired(), qPrintable(u"deadline after %1 rounds"_qs.arg(round)));
        const std::unique_ptr<QTemporaryDir> tmp = prepared();
        runEArsiv(tmp->path(), qint64(random.bounded(1.1 * double(workNs))));
        caught += halfWritten(tmp->path()) ? 1 : 0;
        if (round % 2 == 0)
            prepareWorkingFolder(QDir(tmp->path()));
        else
            QVERIFY2(runEArsiv(tmp->path(), -1) > 0,
                     qPrintable(u"round %1: the next export failed"_qs.arg(round)));
        const QString wrong = earsivProblems(tmp->path());
        QVERIFY2(wrong.isEmpty(), qPrintable(u"round %1: %2"_qs.arg(round).arg(wrong)));
    }
    qInfo("%d kills fell while a first export was unrecorded", caught);
    QVERIFY(caught >= 3);
}

void TestRecovery::aktarStopped_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl-C") << int(SIGINT);
    QTest::newRow("kill") << int(SIGTERM);
    QTest::newRow("kill -9") << int(SIGKILL);
}

// fatura-aktar stopped at random moments of its import. Ctrl-C or a kill: it ends with the
// shell's code for the signal and a Turkish message, and leaves nothing in the folder (or it
// had finished, and the target is whole). Killed outright, the next run removes what it left
// and imports. The rounds go on until at least three stops fell in the import.
void TestRecovery::aktarStopped() {
    QFETCH(int, signal);
    QTemporaryDir first;
    const AktarRun whole = runAktar(first.filePath(u"hedef.db"_qs), -1, 0);
    QVERIFY2(!whole.crashed && whole.code == 0, qPrintable(whole.said));
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("random seed %u, the import takes %lld ms", seed, whole.ns / 1000000);
    const QString stopMessage = u"fatura-aktar: Aktarma durduruldu (%1). %2 oluşturulmadı; "
                                "yarım kalan dosyalar silindi.\n"_qs;
    int caught = 0;
    for (int round = 0; round < 20 || (caught < 3 && round < 150); ++round) {
        QVERIFY2(!m_deadline.hasExpired(), qPrintable(u"deadline after %1 rounds"_qs.arg(round)));
        QTemporaryDir tmp;
        const QString target = tmp.filePath(u"hedef.db"_qs);
        const AktarRun r = runAktar(target, qint64(random.bounded(1.1 * double(whole.ns))), signal);
        const QString where = u"round %1: %2"_qs.arg(round).arg(r.said);
        const QStringList left = filesIn(tmp.path());
        if (!r.crashed && r.code == 0) {
            QVERIFY2(left == QStringList{u"hedef.db"_qs}, qPrintable(where + left.join(u' ')));
            continue;
        }
        if (signal == SIGKILL) {
            caught += left.isEmpty() ? 0 : 1;
            // Killed after its child had given the import its name: the target is whole.
            if (left.contains(u"hedef.db"_qs)) {
                QCOMPARE(left, QStringList{u"hedef.db"_qs});
                QCOMPARE(fileKind(target), FileKind::SQLite);
                continue;
            }
            const AktarRun next = runAktar(target, -1, 0);
            QVERIFY2(!next.crashed && next.code == 0, qPrintable(where + next.said));
            QCOMPARE(filesIn(tmp.path()), QStringList{u"hedef.db"_qs});
            continue;
        }
        // Before the tool could take the signal, the signal ended it: nothing was written yet.
        QVERIFY2(left.isEmpty(), qPrintable(where + left.join(u' ')));
        if (r.crashed)
            continue;
        ++caught;
        QCOMPARE(r.code, 128 + signal);
        QCOMPARE(
            r.said.section(u'\n', -2),
            stopMessage.arg(signal == SIGINT ? u"Ctrl-C"_qs : u"sonlandırma isteği"_qs, target));
    }
    qInfo("%d stops fell in the import", caught);
    QVERIFY(caught >= 3);
}

QTEST_MAIN(TestRecovery)
#include "test_recovery.moc"
