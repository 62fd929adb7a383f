// Kills a process that is replacing invoices, at random moments, and checks what it leaves
// behind: every invoice is exactly its old or its new version. The writer is this program
// started with --writer; it writes in a loop, so a kill after a random delay lands anywhere in
// a write, most often inside the transaction. (That ayarlar.dat is written whole or not at
// all is checked on a full disk, in test_fulldisk.)
#include "store/invoices.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <exception>
#include <map>
#include <unistd.h>

namespace {

constexpr int rounds = 200;
// The rounds stop here, done or not; a slow machine fails rather than runs long.
constexpr int deadlineSeconds = 90;

// Generation g of the writer replaces invoice invoiceOf(g). Each is recognisable: g is in
// the customer number and every line text, and the line count changes from one generation to
// the next.
constexpr int invoiceCount = 4;
qint64 invoiceOf(qint64 g) {
    return g % invoiceCount + 1;
}

InvoiceHeaderRecord header(qint64 g) {
    return {QString::number(g), u"Müşteri"_qs, {}, {}, {}, 0, {}, {}, {}, invoiceOf(g)};
}

// 10 to 130 lines: long enough that most of a write is spent inside the transaction.
QList<InvoiceLineRecord> lines(qint64 g) {
    QList<InvoiceLineRecord> list;
    for (int i = 1; i <= 10 + int(g % 9) * 15; ++i)
        list << InvoiceLineRecord{double(i), u"kuşak %1 satır %2"_qs.arg(g).arg(i),
                                  i % 3 ? "" : "5", "12.50", QString::number(i * 12.5, 'f', 2)};
    return list;
}

// The generation whose version of invoice `number` these rows are, or nothing when they are
// torn, mixed or missing. A row is written by one statement, so rows that carry exactly one
// generation's header and lines, in order, are that version whole.
std::optional<qint64> invoiceGeneration(qint64 number, const QList<StoredRow> &rows) {
    const qint64 g = rows.value(0).musterino.value_or(u"-1"_qs).toLongLong();
    QStringList got, want;
    for (const StoredRow &r : rows)
        got << r.musterino.value_or(QString()) + u'|' + r.aciklama.value_or(QString()) + u'|' +
                   r.tutar.value_or(QString());
    for (const InvoiceLineRecord &k : lines(g))
        want << QString::number(g) + u'|' + k.aciklama + u'|' + k.tutar;
    return g >= 0 && invoiceOf(g) == number && got == want ? std::optional(g) : std::nullopt;
}

// The writer: "--writer <database> <first generation>" replaces invoices. It prints "ready"
// before the first write and each generation's number after its write has returned, each
// line in one write(2) so that a kill never leaves half a line. A failed write ends it
// through std::terminate, with the error on its error output.
int writer(int argc, char **argv) {
    QCoreApplication app(argc, argv); // the SQL driver is a plugin
    const QStringList args = app.arguments();
    const auto say = [](const QByteArray &line) {
        if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size())
            std::_Exit(3);
    };
    say("ready\n");
    for (qint64 g = args.at(3).toLongLong();; ++g) {
        Database db(args.at(2), Database::Access::Write);
        InvoiceInfo info = invoiceInfo(db, invoiceOf(g));
        if (!replaceInvoice(db, header(g), lines(g), info))
            std::terminate();
        say(QByteArray::number(g) + '\n');
    }
}

// Starts the writer, waits until it is ready, lets it write for `delayNs` and kills it with
// SIGKILL. Returns the generations it finished before it died; nothing when it did not run
// until it was killed.
std::optional<QList<qint64>> killWriter(const QStringList &args, qint64 delayNs) {
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), QStringList{u"--writer"_qs} + args);
    while (!p.canReadLine() && p.state() != QProcess::NotRunning)
        p.waitForReadyRead(30000);
    const bool ready = p.readLine() == "ready\n";
    QElapsedTimer clock;
    clock.start();
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
    for (const QByteArray &line : p.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            reported << line.toLongLong();
    return reported;
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void invoiceReplacement();
};

// Rounds of start, kill at a random moment, check. `stored` holds the generation of each
// invoice; each must now be that generation or the one that may have been in flight when the
// writer died.
void TestFaults::invoiceReplacement() {
    const QDeadlineTimer deadline(deadlineSeconds * 1000);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"fatura.MDB"_qs);
    createDatabase(path);
    std::map<qint64, qint64> stored;
    qint64 next = invoiceCount;
    {
        Database db(path, Database::Access::Write);
        for (qint64 g = 0; g < next; ++g) {
            QVERIFY(insertInvoice(db, header(g), lines(g)));
            stored[invoiceOf(g)] = g;
        }
    }
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("random seed %u", seed);
    // The first run, half a second long, measures a write; later kills come at any point of
    // up to three.
    qint64 cycleNs = 0;
    for (int round = 0; round < rounds; ++round) {
        QVERIFY2(!deadline.hasExpired(), qPrintable(u"deadline reached in round %1"_qs.arg(round)));
        const qint64 delayNs = round ? qint64(random.bounded(3.0 * double(cycleNs))) : 500000000;
        const std::optional<QList<qint64>> reported =
            killWriter({path, QString::number(next)}, delayNs);
        QVERIFY2(reported, "the writer did not run until it was killed");
        if (round == 0)
            cycleNs = delayNs / std::max<qsizetype>(1, reported->size());
        for (qint64 g : *reported)
            stored[invoiceOf(g)] = g;
        const qint64 inFlight = reported->isEmpty() ? next : reported->last() + 1;
        // Read as the program reads after a crash: the invoice window opens the database for
        // reading first.
        Database db(path);
        QSqlQuery q(db.db());
        QVERIFY(q.exec(u"PRAGMA integrity_check"_qs) && q.next());
        QCOMPARE(q.value(0).toString(), u"ok"_qs);
        for (auto &[number, generation] : stored) {
            const std::optional<qint64> found = invoiceGeneration(number, invoiceRows(db, number));
            QVERIFY2(
                found == generation || (found == inFlight && invoiceOf(inFlight) == number),
                qPrintable(u"round %1: invoice %2 is neither generation %3 nor %4"_qs.arg(round)
                               .arg(number)
                               .arg(generation)
                               .arg(inFlight)));
            generation = *found;
        }
        next = inFlight + 1;
    }
}

int main(int argc, char **argv) {
    if (argc == 4 && qstrcmp(argv[1], "--writer") == 0)
        return writer(argc, argv);
    QCoreApplication app(argc, argv);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_faults.moc"
