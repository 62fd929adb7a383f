// Kills a process that is writing, at random moments, and checks what it leaves behind:
// every invoice is exactly its old or its new version, and ayarlar.dat is exactly the old or
// the new file. The writer is this program started with --writer; it writes in a loop, so a
// kill after a random delay lands anywhere in a write, most often inside the transaction.
#include "settings/settingsfile.h"
#include "store/invoices.h"
#include "tests/common/testdb.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

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

// The generation whose settings file these bytes are, or nothing when they are torn.
std::optional<qint64> settingsGeneration(const QByteArray &bytes) {
    static const QRegularExpression number(u"-(\\d+)\\.MDB"_qs);
    const qint64 g = number.match(QString::fromLatin1(bytes)).captured(1).toLongLong();
    return bytes == settingsFileBytes(settings(g)) ? std::optional(g) : std::nullopt;
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
    // A failed write ends it through std::terminate, with the error on its error output.
    say("ready");
    for (qint64 g = args.at(4).toLongLong();; ++g) {
        if (args.at(2) == u"fatura") {
            Database db(args.at(3), Database::Access::Write);
            replaceInvoice(db, header(g), lines(g));
        } else {
            ayarlari_yaz(settings(g), args.at(3));
        }
        say(QByteArray::number(g));
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
    for (const QByteArray &line : (out + p.readAllStandardOutput()).split('\n'))
        if (!line.isEmpty())
            reported << line.toLongLong();
    return reported;
}

// One case: rounds of start, kill at a random moment, check. `stored` holds the generation of
// each invoice (or of the one settings file), `keyOf` tells which a generation writes, and
// `observe` reads the generation each now holds, nothing where it is torn. Each must be the
// stored generation or the one that may have been in flight when the writer died.
template <class Observe>
void killRounds(const QString &mode, const QString &path, std::map<qint64, qint64> stored,
                qint64 first, qint64 (*keyOf)(qint64), QDeadlineTimer deadline, Observe &&observe) {
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
        for (qint64 g : *reported)
            stored[keyOf(g)] = g;
        const qint64 inFlight = reported->isEmpty() ? next : reported->last() + 1;
        std::map<qint64, std::optional<qint64>> found;
        try {
            found = observe();
        } catch (const std::exception &e) {
            QFAIL(qPrintable(QStringLiteral("round %1: %2").arg(round).arg(e.what())));
        }
        for (auto &[key, generation] : stored) {
            const bool inFlightDone = found[key] == inFlight && keyOf(inFlight) == key;
            QVERIFY2(
                found[key] == generation || inFlightDone,
                qPrintable(QString::asprintf("round %d: %s %lld is neither generation %lld "
                                             "nor %lld",
                                             round, qPrintable(mode), key, generation, inFlight)));
            done += inFlightDone;
            generation = found[key].value();
        }
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
    killRounds(QStringLiteral("fatura"), path, stored, invoiceCount, invoiceOf, m_deadline, [&] {
        // Read as the program reads after a crash: the invoice window opens the database for
        // reading first.
        Database db(path);
        QSqlQuery q(db.db());
        if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next() ||
            q.value(0).toString() != u"ok")
            throw std::runtime_error("integrity check: " + q.value(0).toString().toStdString());
        std::map<qint64, std::optional<qint64>> found;
        for (qint64 number = 1; number <= invoiceCount; ++number)
            found[number] = invoiceGeneration(number, invoiceRows(db, number));
        return found;
    });
}

void TestFaults::settingsSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ayarlar.dat"));
    ayarlari_yaz(settings(0), path);
    killRounds(
        QStringLiteral("ayar"), path, {{0, 0}}, 1, [](qint64) { return qint64(0); }, m_deadline,
        [&] {
            return std::map<qint64, std::optional<qint64>>{
                {0, settingsGeneration(testdb::fileBytes(path))}};
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
