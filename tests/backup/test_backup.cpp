#include "settings/settingsfile.h"
#include "store/backup.h"
#include "store/invoices.h"
#include "tests/common/testdb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace testdb;

namespace {

InvoiceHeaderRecord header(qint64 number) {
    return {u"3"_qs, u"Anadolu Gıda"_qs, {}, {}, u"Kadıköy 1234567890"_qs,
            1,       u"05.03.2026"_qs,   {}, {}, number};
}

QList<InvoiceLineRecord> lines(int count) {
    QList<InvoiceLineRecord> l;
    for (int i = 0; i < count; ++i)
        l << InvoiceLineRecord{1, u"Ürün %1"_qs.arg(i), u""_qs, u"10"_qs, u"10,00"_qs};
    return l;
}

// Another program at work: saves invoices 1, 2, 3, ... one transaction each, five lines
// each, and prints every number once it is committed.
int saveAgainAndAgain(const QString &path) {
    for (qint64 n = 1;; ++n) {
        Database db(path, Database::Access::Write);
        if (!insertInvoice(db, header(n), lines(5)))
            return 1;
        std::printf("%lld\n", static_cast<long long>(n));
        std::fflush(stdout);
    }
}

qint64 invoiceCount(const QString &path) {
    return queryRows(path, u"SELECT count(DISTINCT faturano) FROM faturalar"_qs)
        .first()
        .first()
        .toLongLong();
}

// Fills the books with `count` invoices in one go.
void fill(const QString &path, qint64 first, qint64 count) {
    Database db(path, Database::Access::Write);
    db.transaction([&] {
        InvoiceWriter writer(db);
        for (qint64 n = first; n < first + count; ++n)
            writer.add(header(n), lines(5));
    });
}

QString yedek(const QStringList &arguments, int *code = nullptr, QString *err = nullptr) {
    QProcess p;
    p.start(QStringLiteral(FATURA_YEDEK), arguments);
    p.waitForFinished(120000);
    if (code)
        *code = p.exitCode();
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString folder(const QString &name) {
        QDir(m_dir.path()).mkpath(name);
        return m_dir.filePath(name);
    }

    // A working folder as the program leaves it: the settings name fatura.MDB.
    QString workingFolder(const QString &name) {
        const QString f = folder(name);
        ayarlari_yaz(defaultSettings(), f + u"/ayarlar.dat"_qs);
        return f;
    }

private Q_SLOTS:
    void init() {
        if (!server().isEmpty() && QByteArray(QTest::currentTestFunction()) != "serverBackup")
            QSKIP("SQLite dosyasına özgü");
    }

    // A backup taken while another process saves invoices in a loop: it passes the integrity
    // check and holds every invoice committed before it began, each whole.
    void backupWhileSaving() {
        const QString work = folder(u"kayitli"_qs);
        const QString books = work + u"/fatura.MDB"_qs;
        createDatabase(books);
        QProcess saver;
        saver.start(QCoreApplication::applicationFilePath(), {u"--kaydet"_qs, books});
        QString printed;
        const auto committed = [&] {
            printed += QString::fromUtf8(saver.readAllStandardOutput());
            const QStringList numbers = printed.split(u'\n', Qt::SkipEmptyParts);
            return numbers.isEmpty() ? 0 : numbers.last().toLongLong();
        };
        QTRY_VERIFY_WITH_TIMEOUT(committed() >= 30, 30000);
        const qint64 before = committed();
        const BackupResult r = backupDatabase(books, work + u"/yedekler"_qs,
                                              QDateTime(QDate(2026, 3, 5), QTime(9, 0)));
        // The saver went on while the copy was made.
        QTRY_VERIFY_WITH_TIMEOUT(committed() > before + 5, 30000);
        saver.kill();
        saver.waitForFinished();

        QCOMPARE(QFileInfo(r.path).fileName(), u"fatura-20260305-090000.MDB"_qs);
        QCOMPARE(queryRows(r.path, u"PRAGMA integrity_check"_qs),
                 (QList<QVariantList>{{u"ok"_qs}}));
        const QList<QVariantList> perInvoice = queryRows(
            r.path, u"SELECT faturano, count(*) FROM faturalar GROUP BY faturano ORDER BY 1"_qs);
        QVERIFY(perInvoice.size() >= before);
        for (qsizetype i = 0; i < perInvoice.size(); ++i) {
            QCOMPARE(perInvoice.at(i).at(0).toLongLong(), qint64(i + 1));
            QCOMPARE(perInvoice.at(i).at(1).toLongLong(), 5);
        }
        QCOMPARE(checkBackup(r.path).invoices, qint64(perInvoice.size()));
    }

    // The last 30 backups stay; a day's backup is found by its date.
    void keepsThirty() {
        const QString books = m_dir.filePath(u"otuz.MDB"_qs);
        createDatabase(books);
        const QString to = folder(u"otuz"_qs);
        QFile(to + u"/baska-dosya.txt"_qs).open(QIODevice::WriteOnly);
        const QDateTime first(QDate(2026, 1, 1), QTime(8, 0));
        BackupResult last;
        for (int day = 0; day < 32; ++day)
            last = backupDatabase(books, to, first.addDays(day));
        QCOMPARE(last.removed.size(), 1);
        const QStringList left = QDir(to).entryList(QDir::Files, QDir::Name);
        QCOMPARE(left.size(), 31); // 30 backups and the other file
        QCOMPARE(left.first(), u"baska-dosya.txt"_qs);
        QCOMPARE(left.at(1), u"fatura-20260103-080000.MDB"_qs);
        QVERIFY(hasBackupOf(to, QDate(2026, 2, 1)));
        QVERIFY(!hasBackupOf(to, QDate(2026, 1, 2)));
    }

    // A damaged backup, or a file that is no backup at all, is refused with a message naming
    // it; the books stay as they were, byte for byte.
    void damagedRefused_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bozuk sayfa") << u"pages"_qs << u"Bütünlük denetimi geçmedi"_qs;
        QTest::newRow("kesik dosya") << u"cut"_qs << u"kullanılabilir bir yedek değil"_qs;
        QTest::newRow("metin dosyası") << u"text"_qs << u"SQLite veritabanı değil"_qs;
        QTest::newRow("tablosuz") << u"empty"_qs << u"faturalar"_qs;
    }
    void damagedRefused() {
        QFETCH(QString, damage);
        QFETCH(QString, expected);
        const QString work = workingFolder(u"bozuk-"_qs + damage);
        const QString books = work + u"/fatura.MDB"_qs;
        createDatabase(books);
        fill(books, 1, 10);
        const QString backup = work + u"/yedek.MDB"_qs;
        createDatabase(backup);
        fill(backup, 1, 2000);
        QFile f(backup);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (damage == u"pages") {
            // Garbage over pages of the table's middle, header intact.
            f.seek(f.size() / 2);
            f.write(QByteArray(8192, '\x5a'));
        } else if (damage == u"cut") {
            f.resize(f.size() / 3);
        } else if (damage == u"text") {
            f.resize(0);
            f.write("MİKTAR;AÇIKLAMA\n");
        } else {
            f.close();
            QFile::remove(backup);
            QSqlDatabase raw = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"bos"_qs);
            raw.setDatabaseName(backup);
            QVERIFY(raw.open());
            QVERIFY(QSqlQuery(raw).exec(u"CREATE TABLE baska (x)"_qs));
            raw.close();
        }
        f.close();
        QSqlDatabase::removeDatabase(u"bos"_qs);
        const QByteArray booksBefore = fileBytes(books);
        const QString refused = thrownText(
            [&] { restoreBackup(backup, books, QDateTime(QDate(2026, 3, 5), QTime(9, 0))); });
        QVERIFY2(refused.contains(expected), qPrintable(refused));
        QVERIFY2(refused.contains(backup), qPrintable(refused));
        QCOMPARE(fileBytes(books), booksBefore);
        QVERIFY(QDir(work).entryList({u"*.onceki-*"_qs}).isEmpty());
        // The command line says the same and ends with 1.
        int code = 0;
        QString err;
        yedek({u"geri-yukle"_qs, backup, u"--evet"_qs, u"--dizin"_qs, work}, &code, &err);
        QCOMPARE(code, 1);
        QVERIFY2(err.contains(expected), qPrintable(err));
        QCOMPARE(fileBytes(books), booksBefore);
    }

    // fatura-yedek al, then geri-yukle: the contents are shown before the books are replaced,
    // "h" leaves them, "e" puts the backup in and keeps the old books beside.
    void commandLine() {
        const QString work = workingFolder(u"komut"_qs);
        const QString books = work + u"/fatura.MDB"_qs;
        createDatabase(books);
        fill(books, 1, 12);
        int code = -1;
        const QString path = yedek({u"al"_qs, u"--dizin"_qs, work}, &code).trimmed();
        QCOMPARE(code, 0);
        QVERIFY2(QRegularExpression(u"/yedekler/fatura-[0-9]{8}-[0-9]{6}\\.MDB$"_qs)
                     .match(path)
                     .hasMatch(),
                 qPrintable(path));
        fill(books, 13, 8);
        QCOMPARE(invoiceCount(books), 20);

        QProcess no;
        no.start(QStringLiteral(FATURA_YEDEK), {u"geri-yukle"_qs, path, u"--dizin"_qs, work});
        no.write("h\n");
        no.closeWriteChannel();
        QVERIFY(no.waitForFinished(60000));
        QCOMPARE(no.exitCode(), 1);
        const QString shown = QString::fromUtf8(no.readAllStandardOutput());
        QVERIFY2(shown.contains(u"12 fatura, 0 müşteri; en son fatura: 12 numaralı, 05.03.2026, "
                                "Anadolu Gıda"_qs),
                 qPrintable(shown));
        QCOMPARE(invoiceCount(books), 20);

        const QString done =
            yedek({u"geri-yukle"_qs, path, u"--evet"_qs, u"--dizin"_qs, work}, &code);
        QCOMPARE(code, 0);
        QCOMPARE(invoiceCount(books), 12);
        const QStringList kept = QDir(work).entryList({u"fatura.MDB.onceki-*"_qs});
        QCOMPARE(kept.size(), 1);
        QCOMPARE(invoiceCount(work + u'/' + kept.first()), 20);
        QVERIFY2(done.contains(kept.first()), qPrintable(done));
    }

    // SIGKILL at many moments of a restore: afterwards the books are the old ones or the
    // restored ones, whole, never a mixture or nothing.
    void killedRestore() {
        const QString work = workingFolder(u"olum"_qs);
        const QString books = work + u"/fatura.MDB"_qs;
        createDatabase(books);
        fill(books, 1, 100);
        const QString backup = work + u"/buyuk.MDB"_qs;
        createDatabase(backup);
        fill(backup, 1, 60000); // some 20 MB: copying it takes a while
        int oldBooks = 0;
        int restored = 0;
        for (int attempt = 0; attempt < 12; ++attempt) {
            QProcess p;
            p.start(QStringLiteral(FATURA_YEDEK),
                    {u"geri-yukle"_qs, backup, u"--evet"_qs, u"--dizin"_qs, work});
            QVERIFY(p.waitForStarted());
            // Killed at a different point each time: at once (the backup being checked),
            // as soon as the old books are kept (the backup being copied in), or not at all.
            if (attempt % 3 != 0)
                QTRY_VERIFY_WITH_TIMEOUT(
                    !QDir(work).entryList({u"fatura.MDB.onceki-*"_qs}).isEmpty() ||
                        p.state() == QProcess::NotRunning,
                    60000);
            if (attempt % 3 == 2)
                p.waitForFinished(60000);
            p.kill();
            p.waitForFinished();
            QCOMPARE(queryRows(books, u"PRAGMA integrity_check"_qs),
                     (QList<QVariantList>{{u"ok"_qs}}));
            const qint64 n = invoiceCount(books);
            QVERIFY2(n == 100 || n == 60000, qPrintable(QString::number(n)));
            (n == 100 ? oldBooks : restored)++;
            // Back to the old books for the next attempt.
            if (n == 60000) {
                QFile::remove(books);
                createDatabase(books);
                fill(books, 1, 100);
            }
            for (const QString &k : QDir(work).entryList({u"fatura.MDB.onceki-*"_qs}))
                QFile::remove(work + u'/' + k);
        }
        qInfo("eski defterler: %d, geri yüklenmiş: %d", oldBooks, restored);
        QVERIFY(oldBooks > 0);
        QVERIFY(restored > 0);
    }

    // On a server the copy is pg_dump's; without pg_dump the message names the package.
    void serverBackup() {
        if (server().isEmpty())
            QSKIP("FATURA_TEST_SERVER yok");
        const QString address = newDatabase(m_dir.filePath(u"sunucu.MDB"_qs));
        fill(address, 1, 10);
        const BackupResult r = backupDatabase(address, folder(u"sunucu"_qs),
                                              QDateTime(QDate(2026, 3, 5), QTime(9, 0)));
        QVERIFY2(r.path.endsWith(u"/fatura-20260305-090000.dump"_qs), qPrintable(r.path));
        QProcess list;
        list.start(u"pg_restore"_qs, {u"--list"_qs, r.path});
        QVERIFY(list.waitForFinished(60000));
        QCOMPARE(list.exitCode(), 0);
        QVERIFY(
            QString::fromUtf8(list.readAllStandardOutput()).contains(u"TABLE public faturalar"_qs));

        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        const QString refused = thrownText(
            [&] { backupDatabase(address, folder(u"sunucu2"_qs), QDateTime::currentDateTime()); });
        qputenv("PATH", path);
        QVERIFY2(refused.contains(u"postgresql-client paketini kurun"_qs), qPrintable(refused));
        QVERIFY(QDir(folder(u"sunucu2"_qs)).isEmpty());
    }
};

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == u"--kaydet")
        return saveAgainAndAgain(args.at(2));
    TestBackup test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_backup.moc"
