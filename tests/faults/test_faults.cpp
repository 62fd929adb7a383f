// Kills a process that is writing, at random moments, and checks what it leaves behind:
// every invoice is exactly its old or its new version, and ayarlar.dat is exactly the old or
// the new file. The writer is this program started with --writer; it writes in a loop, so a
// kill after a random delay lands anywhere in a write, most often inside the transaction.
#include "settings/settingsfile.h"
#include "store/invoices.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <map>
#include <unistd.h>

namespace {

constexpr int roundsPerCase = 200;
// Both cases together stop here, done or not; a slow machine fails rather than runs long.
constexpr int deadlineSeconds = 90;

// What the writer writes, generation after generation. Every generation is recognisable: its
// number is in the customer number, every line text and the settings, and the line count and
// the settings file's length change from one generation to the next. Generation g replaces
// invoice invoiceOf(g).
constexpr int invoiceCount = 4;
qint64 invoiceOf(qint64 g) {
    return g % invoiceCount + 1;
}

InvoiceHeaderRecord header(qint64 g) {
    InvoiceHeaderRecord b;
    b.musterino = QString::number(g);
    b.adi_soyadi = QStringLiteral("Müşteri %1").arg(g);
    b.kdvdahil = int(g % 2);
    b.faturano = invoiceOf(g);
    return b;
}

// 10 to 130 lines: long enough that most of a write is spent inside the transaction.
QList<InvoiceLineRecord> lines(qint64 g) {
    QList<InvoiceLineRecord> list;
    for (int i = 1; i <= 10 + int(g % 9) * 15; ++i)
        list << InvoiceLineRecord{double(i), QStringLiteral("kuşak %1 satır %2").arg(g).arg(i),
                                  i % 3 ? "" : "5", "12.50", QString::number(i * 12.5, 'f', 2)};
    return list;
}

// The generation whose version of invoice `number` these rows are, or nothing when they are
// torn, mixed or missing. A row is written by one statement, so rows that carry exactly one
// generation's header and lines, in order, are that version whole.
std::optional<qint64> invoiceGeneration(qint64 number, const QList<StoredRow> &rows) {
    const qint64 g = rows.value(0).musterino.value_or(QStringLiteral("-1")).toLongLong();
    QStringList got, want;
    for (const StoredRow &r : rows)
        got << r.musterino.value_or(QString()) + u'|' + r.aciklama.value_or(QString()) + u'|' +
                   r.tutar.value_or(QString());
    for (const InvoiceLineRecord &k : lines(g))
        want << header(g).musterino + u'|' + k.aciklama + u'|' + k.tutar;
    if (g < 0 || invoiceOf(g) != number || got != want)
        return std::nullopt;
    return g;
}

ayarlar settings(qint64 g) {
    ayarlar a = defaultSettings();
    a.kdv_yuzde = QString::number(g % 100);
    a.veritabani_yolu = QStringLiteral("faturalar/kuşak-%1.MDB").arg(g);
    a.marj_aciklama = QString(int(g % 13) + 1, u'9');
    return a;
}

// The writer: "--writer fatura <database> <first generation>" replaces invoices,
// "--writer ayar <settings file> <first generation>" saves the settings. It prints "ready"
// before the first write and each generation's number after its write has returned, each
// line in one write(2) so that a kill never leaves half a line.
int writer(int argc, char **argv) {
    QCoreApplication app(argc, argv); // the SQL driver is a plugin
    const QStringList args = app.arguments();
    const auto say = [](const QByteArray &line) {
        const QByteArray out = line + '\n';
        if (::write(STDOUT_FILENO, out.constData(), size_t(out.size())) != out.size())
            std::_Exit(3);
    };
    qint64 g = args.at(4).toLongLong();
    try {
        say("ready");
        for (;; ++g) {
            if (args.at(2) == u"fatura") {
                Database db(args.at(3), Database::Access::Write);
                replaceInvoice(db, header(g), lines(g));
            } else {
                ayarlari_yaz(settings(g), args.at(3));
            }
            say(QByteArray::number(g));
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "generation %lld: %s\n", static_cast<long long>(g), e.what());
        return 1;
    }
}

// Starts the writer, waits until it is ready, lets it write for `delayNs` (or, given
// `cycleNs`, for five generations, to measure one) and kills it with SIGKILL. Returns the
// generations it finished before it died; nothing when it did not run until it was killed.
std::optional<QList<qint64>> killWriter(const QStringList &args, qint64 delayNs, qint64 *cycleNs) {
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), QStringList{u"--writer"_qs} + args);
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
    ayarlari_yaz(settings(0), path);
    qint64 stored = 0;
    killRounds(QStringLiteral("ayar"), path, 1, m_deadline,
               [&](const QList<qint64> &reported, qint64 inFlight, bool &inFlightDone) {
                   if (!reported.isEmpty())
                       stored = reported.last();
                   QFile f(path);
                   const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : "?";
                   if (bytes == settingsFileBytes(settings(stored)))
                       return QString();
                   if (bytes != settingsFileBytes(settings(inFlight)))
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

int main(int argc, char **argv) {
    if (argc == 5 && qstrcmp(argv[1], "--writer") == 0)
        return writer(argc, argv);
    QCoreApplication app(argc, argv);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_faults.moc"
