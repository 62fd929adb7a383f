// Damaged copies of the sample Access files, made with fixed seeds: random bytes over a few
// pages, a garbled table list, a cut-off file, and a page chain of an OLE object
// that loops back on itself (libmdb then takes memory without bound). Through fatura-aktar
// and through the program's own import, each ends within the limits with a message naming the
// file, and nothing is written; "Vazgeç" stops a reading at once.
#include "app/oldformat.h"
#include "gui/messages.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

namespace {

enum class Damage { RandomPages, TableList, CutOff, LoopingChain };

// A damaged copy of a sample as fatura.MDB in `folder`. Jet 3 pages are 2 KB, Jet 4 pages
// 4 KB; page 0 (the header that makes it an Access file) stays.
QString damagedCopy(const QString &folder, const char *sample, Damage kind, quint32 seed) {
    QFile in(QStringLiteral(ACCESS_SAMPLES "/") + QLatin1String(sample));
    QByteArray data = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    QRandomGenerator random(seed);
    const qsizetype page = data.at(0x14) == 0 ? 2048 : 4096;
    const int pages = int(data.size() / page);
    const auto somePage = [&] { return 1 + int(random.bounded(pages - 1)); };
    if (kind == Damage::RandomPages) {
        for (int n = 0; n < 4; ++n) {
            const qsizetype at = somePage() * page;
            for (qsizetype i = 0; i < page; ++i)
                data[at + i] = char(random.bounded(256));
        }
    } else if (kind == Damage::TableList) { // the system table that lists the tables
        for (qsizetype i = 16; i < page; ++i)
            data[2 * page + i] = char(random.bounded(256));
    } else if (kind == Damage::CutOff) {
        data.truncate(data.size() / 3);
    } else {
        // Jet 3 data pages of long values ("LVAL"): a row of a chained object starts with the
        // page and row of its next part; one of them is made to point at itself.
        QList<std::pair<qsizetype, quint32>> links; // where, and the row's own page and row
        for (int p = 1; p < pages; ++p) {
            const char *b = data.constData() + p * page;
            if (b[0] != 1 || QByteArray(b + 4, 4) != "LVAL")
                continue;
            for (int r = 0; r < qFromLittleEndian<quint16>(b + 8); ++r) {
                const quint16 offset = qFromLittleEndian<quint16>(b + 10 + 2 * r);
                if (offset & 0xc000)
                    continue; // deleted or a pointer
                const quint32 next = qFromLittleEndian<quint32>(b + (offset & 0x1fff));
                if (next != 0 && int(next >> 8) < pages)
                    links.append({p * page + (offset & 0x1fff), quint32(p << 8 | r)});
            }
        }
        const auto [at, self] = links.at(random.bounded(int(links.size())));
        qToLittleEndian<quint32>(self, data.data() + at);
    }
    const QString path = folder + u"/fatura.MDB"_qs;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Every file under `folder`, with its fingerprint.
QStringList contents(const QString &folder) {
    QStringList list;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile f(QDir(folder).filePath(name));
        f.open(QIODevice::ReadOnly);
        list << name + u' ' +
                    QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
    }
    return list;
}

// fatura-aktar processes still reading a file of `folder`.
int childrenReading(const QString &folder) {
    int n = 0;
    for (const QString &pid : QDir(u"/proc"_qs).entryList(QDir::Dirs)) {
        QFile f(u"/proc/%1/cmdline"_qs.arg(pid));
        n += f.open(QIODevice::ReadOnly) && f.readAll().contains(folder.toUtf8());
    }
    return n;
}

// A damaged copy and what reads it: fatura-aktar alone with these limits (small, so that a
// damaged file meets them soon) when there is no `reason`, otherwise the program's import,
// whose message gives that reason.
struct Case {
    const char *file;
    Damage damage;
    quint32 seed;
    qint64 megabytes;
    int seconds;
    const char *reason;
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestDamagedAccess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Messages::setTestHandler({}); }
    void damaged_data();
    void damaged();
    void cancel();
};

void TestDamagedAccess::damaged_data() {
    QTest::addColumn<Case>("c");
    QTest::newRow("rastgele sayfalar") << Case{"nwind.mdb", Damage::RandomPages, 3, 256, 20, ""};
    QTest::newRow("tablo listesi") << Case{"nwind.mdb", Damage::TableList, 1, 256, 20, ""};
    QTest::newRow("kesik") << Case{"nwind.mdb", Damage::CutOff, 1, 256, 20, ""};
    // Most pages of this small file are unused: only its table list is sure to be read.
    QTest::newRow("tablo listesi, Jet 4")
        << Case{"DateTestDatabase.mdb", Damage::TableList, 1, 256, 20, ""};
    // In the program: libmdb follows the looping chain until the memory limit stops it; with
    // room for a long time, the time limit ends it.
    QTest::newRow("bellek sınırı") << Case{"nwind.mdb", Damage::LoopingChain, 1, 256, 60, "Photo"};
    QTest::newRow("süre sınırı") << Case{"nwind.mdb", Damage::LoopingChain, 1, 8192,
                                         2,           "2 saniyede"};
}

// fatura-aktar alone exits with 1 and a message naming the file. In the program, the
// question at start answered "Evet": the message names the file and says the old file is as
// it was. It is, nothing else was written, and no child is left reading.
void TestDamagedAccess::damaged() {
    QFETCH(Case, c);
    QTemporaryDir dir;
    const QString path = damagedCopy(dir.path(), c.file, c.damage, c.seed);
    const QStringList before = contents(dir.path());
    QElapsedTimer clock;
    clock.start();
    if (!*c.reason) {
        QProcess p;
        p.start(QStringLiteral(FATURA_AKTAR),
                {u"--bellek-siniri"_qs, QString::number(c.megabytes), u"--sure-siniri"_qs,
                 QString::number(c.seconds), path, dir.filePath(u"yeni.db"_qs)});
        QVERIFY(p.waitForFinished(60000));
        const QString said = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(said.startsWith(u"fatura-aktar: "_qs) && said.contains(path), qPrintable(said));
    } else {
        QList<Messages::Message> shown;
        Messages::setTestHandler([&](const Messages::Message &m) { return shown << m, true; });
        QVERIFY(!offerOldFormatImport(
            nullptr, path, ImportChild{QStringLiteral(FATURA_AKTAR), c.megabytes, c.seconds}));
        QCOMPARE(shown.size(), 2); // the question, then the failure
        QCOMPARE(shown[1].kind, Messages::Kind::Error);
        QVERIFY2(shown[1].text.startsWith(u"Veritabanı aktarılamadı: "_qs + path) &&
                     shown[1].text.contains(QString::fromUtf8(c.reason)) &&
                     shown[1].text.endsWith(u"Eski dosya olduğu gibi duruyor."_qs),
                 qPrintable(shown[1].text));
        QCOMPARE(childrenReading(dir.path()), 0);
    }
    QVERIFY(clock.elapsed() < c.seconds * 1000 + 10000);
    QCOMPARE(contents(dir.path()), before);
}

// "Vazgeç" while libmdb is lost in the looping chain: the child is killed at once.
void TestDamagedAccess::cancel() {
    QTemporaryDir dir;
    const QString path = damagedCopy(dir.path(), "nwind.mdb", Damage::LoopingChain, 1);
    const QStringList before = contents(dir.path());
    QList<Messages::Message> shown;
    Messages::setTestHandler([&](const Messages::Message &m) { return shown << m, true; });
    QElapsedTimer sinceCancel;
    int reading = 0;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QProgressDialog *>(w);
            // Once libmdb is stuck in the object, as a user who waited would.
            if (dialog && w->objectName() == u"aktarma" && !sinceCancel.isValid() &&
                dialog->labelText().contains(u"Employees"_qs)) {
                reading = childrenReading(dir.path());
                sinceCancel.start();
                dialog->cancel();
            }
        }
    });
    press.start(20);
    QVERIFY(!offerOldFormatImport(nullptr, path, {QStringLiteral(FATURA_AKTAR), 8192, 60}));
    const qint64 afterCancel = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
    QCOMPARE(reading, 1);
    QVERIFY2(afterCancel >= 0 && afterCancel < 1500, qPrintable(QString::number(afterCancel)));
    QCOMPARE(childrenReading(dir.path()), 0);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].text, u"Aktarma durduruldu; eski dosya olduğu gibi duruyor: "_qs + path);
    QCOMPARE(contents(dir.path()), before);
}

QTEST_MAIN(TestDamagedAccess)
#include "test_damagedaccess.moc"
