// Kills a process that is writing, at random moments, and checks what it leaves behind:
// every invoice is exactly its old or its new version, and ayarlar.dat is exactly the old or
// the new file. The writer is tests/faults/fault_writer; it writes in a loop, so a kill
// after a random delay lands anywhere in a write, most often inside the transaction.
#include "generations.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <map>

namespace {

constexpr int roundsPerCase = 200;
// Both cases together stop here, done or not; a slow machine fails rather than runs long.
constexpr int deadlineSeconds = 90;

// Starts the writer, waits until it is ready, lets it write for `delayNs` (or, given
// `cycleNs`, for five generations, to measure one) and kills it with SIGKILL. Returns the
// generations it finished before it died; nothing when it did not run until it was killed.
std::optional<QList<qint64>> killWriter(const QStringList &args, qint64 delayNs, qint64 *cycleNs) {
    QProcess p;
    p.start(QStringLiteral(FAULT_WRITER), args);
    while (!p.canReadLine() && p.state() != QProcess::NotRunning)
        p.waitForReadyRead(30000);
    const bool ready = p.readLine() == "ready\n";
    QElapsedTimer clock;
    clock.start();
    QByteArray out;
    while (ready && cycleNs && out.count('\n') < 5 && p.state() == QProcess::Running) {
        p.waitForReadyRead(30000);
        out += p.readAll();
    }
    if (cycleNs)
        *cycleNs = clock.nsecsElapsed() / 5;
    // The moment of the kill, to the microsecond: a timer is far too coarse.
    while (clock.nsecsElapsed() < delayNs) {
    }
    const bool running = p.state() == QProcess::Running;
    p.kill();
    p.waitForFinished();
    if (!ready || !running || p.exitStatus() != QProcess::CrashExit) {
        qWarning("%s %s", qPrintable(p.errorString()), p.readAllStandardError().constData());
        return std::nullopt;
    }
    QList<qint64> reported;
    for (const QByteArray &line : (out + p.readAllStandardOutput()).split('\n')) {
        if (!line.isEmpty())
            reported << line.toLongLong();
    }
    return reported;
}

// One case: rounds of start, kill at a random moment, check. `check` gets the generations
// the writer reported and the one that may have been in flight when it died, sets
// `inFlightDone` when it finds that one written, and says what is wrong, if anything.
template <class Check>
void killRounds(const QString &mode, const QString &path, qint64 first, QDeadlineTimer deadline,
                Check &&check) {
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("random seed %u", seed);
    qint64 cycleNs = 0;
    qint64 next = first;
    int done = 0;
    for (int round = 0; round < roundsPerCase; ++round) {
        QVERIFY2(!deadline.hasExpired(),
                 qPrintable(QStringLiteral("deadline reached after %1 rounds").arg(round)));
        // The first run measures a write; later kills come at any point of up to three.
        const std::optional<QList<qint64>> reported = killWriter(
            {mode, path, QString::number(next)}, qint64(random.bounded(3.0 * double(cycleNs))),
            round == 0 ? &cycleNs : nullptr);
        QVERIFY2(reported, "the writer did not run until it was killed");
        const qint64 inFlight = reported->isEmpty() ? next : reported->last() + 1;
        bool inFlightDone = false;
        QString wrong;
        try {
            wrong = check(*reported, inFlight, inFlightDone);
        } catch (const std::exception &e) {
            wrong = QString::fromUtf8(e.what());
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(wrong)));
        done += inFlightDone;
        next = inFlight + 1;
    }
    qInfo("%d rounds, one write %lld us; the write in flight was found done %d times",
          roundsPerCase, cycleNs / 1000, done);
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { m_deadline.setRemainingTime(deadlineSeconds * 1000); }
    void invoiceReplacement();
    void settingsSave();

private:
    QDeadlineTimer m_deadline;
};

void TestFaults::invoiceReplacement() {
    using namespace generations;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fatura.MDB"));
    createDatabase(path);
    std::map<qint64, qint64> stored; // invoice number -> generation
    {
        Database db(path, Database::Access::Write);
        for (qint64 g = 0; g < invoiceCount; ++g) {
            QVERIFY(insertInvoice(db, header(g), lines(g)));
            stored[invoiceOf(g)] = g;
        }
    }
    killRounds(QStringLiteral("fatura"), path, invoiceCount, m_deadline,
               [&](const QList<qint64> &reported, qint64 inFlight, bool &inFlightDone) {
                   for (qint64 g : reported)
                       stored[invoiceOf(g)] = g;
                   // Read as the program reads after a crash: the invoice window opens the
                   // database for reading first.
                   Database db(path);
                   QSqlQuery q(db.db());
                   if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next() ||
                       q.value(0).toString() != u"ok")
                       return u"integrity check: "_qs + q.value(0).toString();
                   for (auto &[number, generation] : stored) {
                       const std::optional<qint64> g =
                           invoiceGeneration(number, invoiceRows(db, number));
                       if (g == generation)
                           continue;
                       if (g != inFlight || invoiceOf(inFlight) != number)
                           return QString::asprintf("invoice %lld is neither generation %lld "
                                                    "nor %lld",
                                                    number, generation, inFlight);
                       generation = *g;
                       inFlightDone = true;
                   }
                   return QString();
               });
}

void TestFaults::settingsSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ayarlar.dat"));
    ayarlari_yaz(generations::settings(0), path);
    qint64 stored = 0;
    killRounds(QStringLiteral("ayar"), path, 1, m_deadline,
               [&](const QList<qint64> &reported, qint64 inFlight, bool &inFlightDone) {
                   if (!reported.isEmpty())
                       stored = reported.last();
                   QFile f(path);
                   const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : "?";
                   if (bytes == settingsFileBytes(generations::settings(stored)))
                       return QString();
                   if (bytes != settingsFileBytes(generations::settings(inFlight)))
                       return QString::asprintf("ayarlar.dat is neither generation %lld nor "
                                                "%lld:\n%s",
                                                stored, inFlight, bytes.left(200).constData());
                   stored = inFlight;
                   inFlightDone = true;
                   return QString();
               });
    if (QTest::currentTestFailed())
        return;
    // Whatever a kill left in the folder, the program still saves and reads.
    ayarlari_yaz(defaultSettings(), path);
    QCOMPARE(ayarlari_oku(23, path), defaultSettings());
}

QTEST_GUILESS_MAIN(TestFaults)
#include "test_faults.moc"
