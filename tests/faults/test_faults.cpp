// Kills a process that is writing, at random moments, and checks what it leaves behind:
// every invoice is exactly its old or its new version, and ayarlar.dat is exactly the old or
// the new file. The writer is tests/faults/fault_writer; it writes in a loop, so a kill
// after a random delay lands anywhere in a write, most often inside the transaction.
#include "generations.h"

#include "db/invoices.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

struct Kill {
    QList<qint64> reported; // generations the writer finished before it died
    QString failure;        // set when the writer did not run until it was killed
};

class Writer {
public:
    Writer(const QString &mode, const QString &path)
        : m_mode(mode)
        , m_path(path) {}

    // Starts the writer at generation `first`, waits for it to be ready, then kills it once
    // `reports` generations are done or, when `reports` is 0, after `delayNs`.
    Kill run(qint64 first, qint64 delayNs, int reports = 0) {
        Kill k;
        QProcess p;
        p.start(QStringLiteral(FAULT_WRITER), {m_mode, m_path, QString::number(first)});
        if (!p.waitForStarted(30000)) {
            k.failure = p.errorString();
            return k;
        }
        while (!p.canReadLine() && p.state() == QProcess::Running)
            p.waitForReadyRead(30000);
        if (p.readLine() != "ready\n") {
            p.kill();
            p.waitForFinished();
            k.failure = QString::fromLocal8Bit(p.readAllStandardError());
            return k;
        }
        QElapsedTimer clock;
        clock.start();
        if (reports > 0) {
            QByteArray out;
            while (out.count('\n') < reports && p.state() == QProcess::Running) {
                p.waitForReadyRead(30000);
                out += p.readAll();
            }
            m_cycleNs = clock.nsecsElapsed() / reports;
            m_leftover = out;
        } else {
            // The moment of the kill, to the microsecond: a timer is far too coarse.
            while (clock.nsecsElapsed() < delayNs) {
            }
        }
        const bool wasRunning = p.state() == QProcess::Running;
        p.kill(); // SIGKILL
        p.waitForFinished();
        if (!wasRunning || p.exitStatus() != QProcess::CrashExit) {
            k.failure = QStringLiteral("the writer ended by itself: ") +
                        QString::fromLocal8Bit(p.readAllStandardError());
            return k;
        }
        const QByteArray out = std::exchange(m_leftover, {}) + p.readAllStandardOutput();
        for (const QByteArray &line : out.split('\n')) {
            if (!line.isEmpty())
                k.reported << line.toLongLong();
        }
        return k;
    }

    // How long one write takes, measured by the first run.
    qint64 cycleNs() const { return m_cycleNs; }

private:
    QString m_mode;
    QString m_path;
    qint64 m_cycleNs = 0;
    QByteArray m_leftover;
};

// What a check found after a kill: the write in flight done or not, or what is wrong.
struct Found {
    bool inFlightDone = false;
    QString wrong;
};

// One case: rounds of start, kill at a random moment, check. `check` gets the generations
// the writer reported and the one that may have been in flight when it died.
template <class Check>
void killRounds(Writer &writer, qint64 first, QDeadlineTimer deadline, Check &&check) {
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qint64 next = first;
    int done = 0;
    for (int round = 0; round < roundsPerCase; ++round) {
        QVERIFY2(!deadline.hasExpired(),
                 qPrintable(QStringLiteral("deadline reached after %1 rounds").arg(round)));
        // The first run measures a write; later kills come at any point of up to three.
        const qint64 delayNs =
            round == 0 ? 0 : qint64(random.bounded(3.0 * double(writer.cycleNs())));
        const Kill k = writer.run(next, delayNs, round == 0 ? 5 : 0);
        QVERIFY2(k.failure.isEmpty(), qPrintable(k.failure));
        const qint64 inFlight = k.reported.isEmpty() ? next : k.reported.last() + 1;
        Found found;
        try {
            found = check(k.reported, inFlight);
        } catch (const std::exception &e) {
            found.wrong = QString::fromUtf8(e.what());
        }
        QVERIFY2(
            found.wrong.isEmpty(),
            qPrintable(
                QStringLiteral("round %1 (seed %2): %3").arg(round).arg(seed).arg(found.wrong)));
        done += found.inFlightDone;
        next = inFlight + 1;
    }
    qInfo("%d rounds, one write %lld us; the write in flight was found done %d times",
          roundsPerCase, writer.cycleNs() / 1000, done);
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
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
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("fatura.MDB"));
    veritabaniOlustur(path);
    std::map<qint64, qint64> stored; // invoice number -> generation
    {
        Veritabani db(path, Veritabani::Erisim::Yazma);
        for (qint64 g = 0; g < generations::invoiceCount; ++g) {
            QVERIFY(yeniFaturaKaydet(db, generations::header(g), generations::lines(g)));
            stored[generations::invoiceOf(g)] = g;
        }
    }

    int journals = 0;
    Writer writer(QStringLiteral("fatura"), path);
    killRounds(writer, generations::invoiceCount, m_deadline,
               [&](const QList<qint64> &reported, qint64 inFlight) {
                   for (qint64 g : reported)
                       stored[generations::invoiceOf(g)] = g;
                   journals += QFileInfo(path + QStringLiteral("-journal")).size() > 0;
                   // Read as the program reads after a crash: the invoice window opens the
                   // database for reading first.
                   Veritabani db(path);
                   QSqlQuery q(db.db());
                   QStringList integrity;
                   if (q.exec(QStringLiteral("PRAGMA integrity_check"))) {
                       while (q.next())
                           integrity << q.value(0).toString();
                   }
                   if (integrity != QStringList{QStringLiteral("ok")})
                       return Found{false, u"integrity check: "_qs + integrity.join(u' ')};
                   QList<qint64> numbers;
                   for (const auto &[number, generation] : stored)
                       numbers << number;
                   if (faturaNumaralari(db) != numbers)
                       return Found{false, u"invoice numbers changed"_qs};
                   Found found;
                   for (auto &[number, generation] : stored) {
                       const std::optional<qint64> g = generations::invoiceGeneration(
                           number, faturaSatirlari(db, number), &found.wrong);
                       if (!g)
                           return found;
                       if (*g == generation)
                           continue;
                       if (*g != inFlight || generations::invoiceOf(inFlight) != number)
                           return Found{false, QStringLiteral("invoice %1 is generation %2, "
                                                              "expected %3 or %4")
                                                   .arg(number)
                                                   .arg(*g)
                                                   .arg(generation)
                                                   .arg(inFlight)};
                       generation = *g;
                       found.inFlightDone = true;
                   }
                   return found;
               });
    qInfo("a kill left a journal to roll back (inside the transaction) %d times", journals);
}

void TestFaults::settingsSave() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("ayarlar.dat"));
    ayarlari_yaz(generations::settings(0), path);
    qint64 stored = 0;
    int strays = 0;

    Writer writer(QStringLiteral("ayar"), path);
    killRounds(writer, 1, m_deadline, [&](const QList<qint64> &reported, qint64 inFlight) {
        if (!reported.isEmpty())
            stored = reported.last();
        const QByteArray bytes = fileBytes(path);
        strays = int(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size()) - 1;
        if (bytes == ayarDosyasiIcerigi(generations::settings(stored)))
            return Found{};
        if (bytes != ayarDosyasiIcerigi(generations::settings(inFlight)))
            return Found{false, QStringLiteral("ayarlar.dat is neither generation %1 nor %2:\n%3")
                                    .arg(stored)
                                    .arg(inFlight)
                                    .arg(QString::fromLatin1(bytes.left(200)))};
        stored = inFlight;
        return Found{true, {}};
    });
    if (QTest::currentTestFailed())
        return;
    // Whatever a kill left in the folder, the program still saves and reads.
    qInfo("files the kills left beside ayarlar.dat: %d", strays);
    ayarlari_yaz(varsayilanAyarlar(), path);
    QCOMPARE(ayarlari_oku(23, path), varsayilanAyarlar());
}

QTEST_GUILESS_MAIN(TestFaults)
#include "test_faults.moc"
