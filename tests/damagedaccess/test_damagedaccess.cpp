// Damaged copies of the sample Access files, made with fixed seeds: random bytes over a few
// pages, zeroed pages, a garbled table list, a cut-off file, and a page chain of an OLE object
// that loops back on itself (libmdb then takes memory without bound). Through fatura-aktar
// and through the program's own import, each ends within the limits with a message naming the
// file, and nothing is written; "Vazgeç" stops a reading at once.
#include "app/oldformat.h"
#include "gui/messages.h"
#include "store/database.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

namespace {

enum class Damage { RandomPages, ZeroedPages, TableList, CutOff, LoopingChain };

QByteArray sample(const QString &name) {
    QFile f(QStringLiteral(ACCESS_SAMPLES "/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The damaged copy. Jet 3 pages are 2 KB, Jet 4 pages 4 KB; page 0 (the header that makes it
// an Access file) stays.
QByteArray damaged(QByteArray data, Damage kind, quint32 seed) {
    QRandomGenerator random(seed);
    const qsizetype page = data.at(0x14) == 0 ? 2048 : 4096;
    const int pages = int(data.size() / page);
    const auto somePage = [&] { return 1 + int(random.bounded(pages - 1)); };
    switch (kind) {
    case Damage::RandomPages:
        for (int n = 0; n < 4; ++n) {
            const qsizetype at = somePage() * page;
            for (qsizetype i = 0; i < page; ++i)
                data[at + i] = char(random.bounded(256));
        }
        break;
    case Damage::ZeroedPages:
        for (int n = 0; n < 20; ++n)
            data.replace(somePage() * page, page, QByteArray(page, '\0'));
        break;
    case Damage::TableList: // the system table that lists the tables
        for (qsizetype i = 16; i < page; ++i)
            data[2 * page + i] = char(random.bounded(256));
        break;
    case Damage::CutOff:
        data.truncate(data.size() / 3);
        break;
    case Damage::LoopingChain: {
        // Jet 3 data pages of long values ("LVAL"): a row of a chained object starts with the
        // page and row of its next part; one of them is made to point at itself.
        QList<qsizetype> links;
        for (int p = 1; p < pages; ++p) {
            const char *b = data.constData() + p * page;
            if (b[0] != 1 || QByteArray(b + 4, 4) != "LVAL")
                continue;
            const int rows = qFromLittleEndian<quint16>(b + 8);
            for (int r = 0; r < rows; ++r) {
                const quint16 offset = qFromLittleEndian<quint16>(b + 10 + 2 * r);
                if (offset & 0xc000)
                    continue; // deleted or a pointer
                const quint32 next = qFromLittleEndian<quint32>(b + (offset & 0x1fff));
                if (next != 0 && int(next >> 8) < pages)
                    links << p * page + (offset & 0x1fff);
            }
        }
        const qsizetype at = links.at(random.bounded(int(links.size())));
        qToLittleEndian<quint32>(
            quint32((at / page) << 8) | quint32(/* the row whose offset points here */ [&] {
                const char *b = data.constData() + (at / page) * page;
                for (int r = 0;; ++r)
                    if ((qFromLittleEndian<quint16>(b + 10 + 2 * r) & 0x1fff) == at % page)
                        return r;
            }()),
            data.data() + at);
        break;
    }
    }
    return data;
}

// Every file under `folder`, with its fingerprint.
QStringList contents(const QString &folder) {
    QStringList list;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        list << it.fileName() + u' ' +
                    QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
    }
    list.sort();
    return list;
}

void write(const QString &path, const QByteArray &data) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
}

// fatura-aktar processes still reading a file of `folder`.
int childrenReading(const QString &folder) {
    int n = 0;
    for (const QString &pid : QDir(u"/proc"_qs).entryList(QDir::Dirs)) {
        QFile f(u"/proc/%1/cmdline"_qs.arg(pid));
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(folder.toUtf8()))
            ++n;
    }
    return n;
}

// Small limits, so that a damaged file meets them soon.
ImportChild testChild(qint64 megabytes, int seconds) {
    ImportChild child;
    child.program = QStringLiteral(FATURA_AKTAR);
    child.memoryMegabytes = megabytes;
    child.seconds = seconds;
    return child;
}

} // namespace

Q_DECLARE_METATYPE(Damage)

class TestDamagedAccess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Messages::setTestHandler({}); }
    void commandLine_data();
    void commandLine();
    void inProgram_data();
    void inProgram();
    void cancel();
};

void TestDamagedAccess::commandLine_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("rastgele sayfalar") << "nwind.mdb" << Damage::RandomPages << 3u;
    QTest::newRow("sıfırlanmış sayfalar") << "nwind.mdb" << Damage::ZeroedPages << 1u;
    QTest::newRow("tablo listesi") << "nwind.mdb" << Damage::TableList << 1u;
    QTest::newRow("kesik") << "nwind.mdb" << Damage::CutOff << 1u;
    // Most pages of this small file are unused: only its table list is sure to be read.
    QTest::newRow("tablo listesi, Jet 4") << "DateTestDatabase.mdb" << Damage::TableList << 1u;
    QTest::newRow("kendine dönen nesne zinciri") << "nwind.mdb" << Damage::LoopingChain << 1u;
}

// fatura-aktar with a 256 MB memory limit and 20 seconds: exit code 1, a message naming the
// file, nothing written.
void TestDamagedAccess::commandLine() {
    QFETCH(QString, file);
    QFETCH(Damage, damage);
    QFETCH(quint32, seed);
    QTemporaryDir dir;
    const QString source = dir.filePath(u"bozuk.mdb"_qs);
    write(source, damaged(sample(file), damage, seed));
    const QStringList before = contents(dir.path());
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(QStringLiteral(FATURA_AKTAR), {u"--bellek-siniri"_qs, u"256"_qs, u"--sure-siniri"_qs,
                                           u"20"_qs, source, dir.filePath(u"yeni.db"_qs)});
    QVERIFY(p.waitForFinished(60000));
    qInfo("ended after %lld ms", clock.elapsed());
    QVERIFY(clock.elapsed() < 30000);
    const QString said = QString::fromUtf8(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(said.startsWith(u"fatura-aktar: "_qs) && said.contains(source), qPrintable(said));
    QCOMPARE(contents(dir.path()), before);
}

void TestDamagedAccess::inProgram_data() {
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<qint64>("megabytes");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("reason");
    // libmdb follows the looping chain until the memory limit stops it.
    QTest::newRow("bellek sınırı") << Damage::LoopingChain << qint64(256) << 60 << "Photo";
    // With room for a long time, the time limit ends it.
    QTest::newRow("süre sınırı") << Damage::LoopingChain << qint64(8192) << 2 << "2 saniyede";
    QTest::newRow("tablo listesi") << Damage::TableList << qint64(256) << 60 << "tablo listesi";
}

// The question at start answered "Evet": the message names the file and says the old file is
// as it was; it is, and nothing else was written.
void TestDamagedAccess::inProgram() {
    QFETCH(Damage, damage);
    QFETCH(qint64, megabytes);
    QFETCH(int, seconds);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"fatura.MDB"_qs);
    write(path, damaged(sample(u"nwind.mdb"_qs), damage, 1));
    const QStringList before = contents(dir.path());
    QList<Messages::Message> shown;
    Messages::setTestHandler([&](const Messages::Message &m) { return shown << m, true; });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!offerOldFormatImport(nullptr, path, testChild(megabytes, seconds)));
    qInfo("ended after %lld ms", clock.elapsed());
    QVERIFY(clock.elapsed() < seconds * 1000 + 20000);
    QCOMPARE(shown.size(), 2); // the question, then the failure
    QCOMPARE(shown[1].kind, Messages::Kind::Error);
    QVERIFY2(shown[1].text.startsWith(u"Veritabanı aktarılamadı: "_qs + path) &&
                 shown[1].text.contains(reason) &&
                 shown[1].text.endsWith(u"Eski dosya olduğu gibi duruyor."_qs),
             qPrintable(shown[1].text));
    QCOMPARE(contents(dir.path()), before);
    QCOMPARE(childrenReading(dir.path()), 0);
}

// "Vazgeç" while libmdb is lost in the looping chain: the child is killed at once.
void TestDamagedAccess::cancel() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"fatura.MDB"_qs);
    write(path, damaged(sample(u"nwind.mdb"_qs), Damage::LoopingChain, 1));
    const QStringList before = contents(dir.path());
    QList<Messages::Message> shown;
    Messages::setTestHandler([&](const Messages::Message &m) { return shown << m, true; });
    QElapsedTimer sinceCancel;
    int reading = 0;
    QTimer press;
    press.setInterval(20);
    QObject::connect(&press, &QTimer::timeout, [&] {
        auto *dialog = qApp->findChild<QProgressDialog *>(u"aktarma"_qs);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (!dialog && w->objectName() == u"aktarma")
                dialog = qobject_cast<QProgressDialog *>(w);
        // Once libmdb is stuck in the object, as a user who waited would.
        if (!dialog || !dialog->labelText().contains(u"Employees"_qs) || sinceCancel.isValid())
            return;
        reading = childrenReading(dir.path());
        sinceCancel.start();
        dialog->cancel();
    });
    press.start();
    QVERIFY(!offerOldFormatImport(nullptr, path, testChild(8192, 60)));
    const qint64 afterCancel = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
    qInfo("the dialog was gone %lld ms after \"Vazgeç\"", afterCancel);
    QCOMPARE(reading, 1);
    QVERIFY2(afterCancel >= 0 && afterCancel < 1500, qPrintable(QString::number(afterCancel)));
    QCOMPARE(childrenReading(dir.path()), 0);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].text, u"Aktarma durduruldu; eski dosya olduğu gibi duruyor: "_qs + path);
    QCOMPARE(contents(dir.path()), before);
}

QTEST_MAIN(TestDamagedAccess)
#include "test_damagedaccess.moc"
