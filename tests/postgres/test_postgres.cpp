// What only a server has: its messages, its locks, and two PCs saving at once.

#include "invoice/customerentry.h"
#include "invoice/saving.h"
#include "invoice/summary.h"
#include "store/campaigns.h"
#include "store/customers.h"
#include "store/invoices.h"
#include "store/servercopy.h"
#include "tests/common/testdb.h"
#include "tools/sampledata.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cstdio>
#include <thread>

using namespace testdb;

namespace {

const int savesPerWriter = 500;
const int linesPerInvoice = 3;

// One writer: saves invoices or customers 1..500 as the windows do, each line marked with
// the writer's letter, and prints one line per save: "+" or "-" and the refusal.
int write(const QString &address, const QString &what, const QString &letter) {
    for (int n = 1; n <= savesPerWriter; ++n) {
        QString refusal;
        try {
            Database db(address, Database::Access::Write);
            if (what == u"fatura") {
                InvoiceHeaderRecord h;
                h.faturano = n;
                h.adi_soyadi = letter;
                QList<InvoiceLineRecord> lines;
                for (int i = 0; i < linesPerInvoice; ++i)
                    lines << InvoiceLineRecord{1, letter, {}, u"1"_qs, u"1"_qs};
                if (!insertInvoice(db, h, lines))
                    refusal = alreadyStoredMessage(n);
            } else {
                refusal = resultMessage(addCustomer(db, Customer{n, letter, {}, {}, {}}));
            }
        } catch (const DatabaseError &e) {
            refusal = e.message();
        }
        std::printf("%s\n", qPrintable(refusal.isEmpty() ? u"+"_qs : u"- "_qs + refusal));
    }
    return 0;
}

} // namespace

class TestPostgres : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        if (server().isEmpty())
            QSKIP("FATURA_TEST_SERVER names no server");
    }
    void messages();
    void keptConnections();
    void copy();
    void statisticsAsOwner();
    void twoWriters_data();
    void twoWriters();
};

// Every failure to get at the books names the address, never a password; a lock held by
// another PC is "in use", as a busy SQLite file is.
void TestPostgres::messages() {
    const QString db = newDatabase({});
    const QString base = db.left(db.lastIndexOf(u'/'));
    const QString socket = QUrl::fromPercentEncoding(base.mid(base.indexOf(u'@') + 1).toUtf8());
    const QString noServer = u"postgresql://fatura@%2Fyok%2Fklasor:5432/fatura"_qs;
    const QString noLogin =
        u"postgresql://kimse@"_qs + base.mid(base.indexOf(u'@') + 1) + u"/fatura"_qs;
    const QString noBooks = base + u"/fatura"_qs;
    const QString withPassword = u"postgresql://fatura:gizli@%2Ftmp:5432/fatura"_qs;
    const QString noDatabase = base + u"/yok"_qs;
    QCOMPARE(thrownText([&] { Database d(noServer); }).section(u'\n', 0, 0),
             u"Veritabanı sunucusuna bağlanılamadı: "_qs + noServer);
    QCOMPARE(thrownText([&] { Database d(noLogin); }).section(u'\n', 0, 0),
             u"Veritabanı sunucusu girişi kabul etmedi: "_qs + noLogin);
    QCOMPARE(thrownText([&] { Database d(noDatabase); }).section(u'\n', 0, 0),
             u"Veritabanı bulunamadı: "_qs + noDatabase);
    for (const QString &typed : {withPassword, noBooks + u"?password=gizli"_qs}) {
        const QString text = thrownText([&] { Database d(typed); });
        QVERIFY2(text.contains(u"***") && !text.contains(u"gizli"), qPrintable(text));
    }
    {
        Database d(noBooks);
        QCOMPARE(thrownText([&] { invoiceNumbers(d); }),
                 u"Veritabanında faturalar tablosu yok: "_qs + noBooks);
    }
    {
        // A table's name is only ever looked for, however it is spelled.
        Database d(db);
        const QString name = u"x'); DROP TABLE faturalar; --\\"_qs;
        QCOMPARE(thrownText([&] { d.requireColumns(name, {}); }),
                 u"Veritabanında %1 tablosu yok: %2"_qs.arg(name, db));
        d.requireColumns(u"FATURALAR"_qs, {u"FATURANO"_qs});
    }
    // The socket folder as a query gives the same server.
    const QString query = u"postgresql://fatura@/"_qs + db.mid(db.lastIndexOf(u'/') + 1) +
                          u"?host="_qs + socket.section(u':', 0, 0) + u"&port="_qs +
                          socket.section(u':', 1);
    Database first(query, Database::Access::Write);
    Database second(db, Database::Access::Write);
    const QList<InvoiceLineRecord> line = {{1, u"Çay"_qs, {}, u"1"_qs, u"1"_qs}};
    first.transaction([&] {
        QVERIFY(insertInvoice(first, {}, line));
        QCOMPARE(thrownText([&] { insertInvoice(second, {}, line); }), inUseMessage(db));
    });
    QVERIFY(!insertInvoice(second, {}, line));
}

// A server connection outlives its Database for the next one on the same address: never
// while in use, never a reading one for writing, and never once the server has ended it.
void TestPostgres::keptConnections() {
    const QString db = newDatabase({});
    const auto pid = [](Database &d) {
        QSqlQuery q = run(d, u"SELECT pg_backend_pid()"_qs, {}, u"test"_qs);
        return q.next() ? q.value(0).toLongLong() : -1;
    };
    qint64 first = 0;
    {
        Database a(db);
        first = pid(a);
    }
    {
        Database b(db);
        QCOMPARE(pid(b), first);
        Database c(db);
        QVERIFY(pid(c) != first);
    }
    {
        Database w(db, Database::Access::Write);
        QVERIFY(pid(w) != first);
        InvoiceHeaderRecord h;
        h.faturano = 7;
        QVERIFY(insertInvoice(w, h, {{1, u"Çay"_qs, {}, u"1"_qs, u"1"_qs}}));
        run(w, u"SELECT pg_terminate_backend(?)"_qs, {first}, u"test"_qs);
    }
    Database d(db);
    QVERIFY(pid(d) != first);
    QCOMPARE(invoiceNumbers(d), QList<qint64>{7});
    // Another thread's kept connection goes with the thread.
    const QStringList names = QSqlDatabase::connectionNames();
    std::thread([&] { Database t(db); }).join();
    QCOMPARE(QSqlDatabase::connectionNames(), names);
}

// fatura-aktar's copy: the same books, rows in the same order, only into an empty database.
// What the program keeps beside an invoice goes too, with its key: a replacement there is
// still checked against the saves made before the move.
void TestPostgres::copy() {
    QTemporaryDir folder;
    const QString file = folder.filePath(u"fatura.MDB"_qs);
    writeSampleDatabase(file);
    InvoiceHeaderRecord h;
    h.faturano = 1000;
    const QList<InvoiceLineRecord> line = {{1, u"Çay"_qs, {}, u"1"_qs, u"1"_qs}};
    {
        Database w(file, Database::Access::Write);
        // Saved with what is kept beside it: a rate of its own and a unit.
        InvoiceInfo info;
        info.hasDetails = true;
        info.kdv_orani = u"18"_qs;
        info.lines = {{u"1"_qs, u"KGM"_qs, {}, {}}};
        QVERIFY(insertInvoice(w, h, line, info) && replaceInvoice(w, h, line, info));
        // The reports' summaries, made in the file before the move.
        QVERIFY(updateSummaries(w, u"20"_qs).summarised > 0);
    }
    const QString db = newDatabase({});
    QVERIFY(thrownText([&] { copyToServer(file, db); }).startsWith(u"Hedef veritabanı boş değil"));
    sql(db, {u"DROP TABLE faturalar"_qs, u"DROP TABLE MUSTERI"_qs});
    const QList<ImportedTable> tables = copyToServer(file, db);
    QCOMPARE(tables.size(), 11);
    {
        // The summaries came along and still hold for the rows: nothing to summarise again.
        Database server(db, Database::Access::Write);
        QCOMPARE(updateSummaries(server, u"20"_qs).summarised, 0);
        const QString all = u"SELECT * FROM fatura_ozet ORDER BY faturano, sira"_qs;
        QCOMPARE(queryRows(db, all), queryRows(file, all));
        QVERIFY(queryRows(db, all).size() > 1);
    }
    {
        Database server(db);
        const StoredInvoice copied = storedInvoice(server, 1000);
        QVERIFY(copied.info.hasDetails && copied.info.kdv_orani == u"18");
        QCOMPARE(copied.info.lines.value(0).birim, u"KGM"_qs);
    }
    // Every row, in the order it was added.
    for (const QString &table : {u"MUSTERI"_qs, u"faturalar"_qs}) {
        const QString all = u"SELECT * FROM %1 ORDER BY rowid"_qs.arg(table);
        QCOMPARE(queryRows(db, all), queryRows(file, all));
    }
    {
        Database w(db, Database::Access::Write);
        InvoiceInfo before;
        before.changeCount = 1;
        QVERIFY(!replaceInvoice(w, h, line, before));
        InvoiceInfo loaded = invoiceInfo(w, 1000);
        QCOMPARE(loaded.changeCount, 2);
        QVERIFY(replaceInvoice(w, h, line, loaded));
        QCOMPARE(loaded.changeCount, 3);
    }
    Database from(file);
    Database to(db);
    QCOMPARE(campaigns(to), campaigns(from));
    const auto names = [](Database &d) {
        QStringList s;
        readCampaignInvoices(d, campaigns(d).value(0), {u"1"_qs, u"20"_qs, u"ADANA"_qs},
                             [&](const CampaignInvoice &f) {
                                 s << f.adi_soyadi.toString()
                                   << f.lines.value(0).aciklama.toString();
                                 return true;
                             });
        return s;
    };
    QVERIFY(!names(from).isEmpty());
    QCOMPARE(names(to), names(from));
}

// The set-up the README gives: a database made for a user who owns it and is no superuser.
// Both tools end by gathering the statistics of the books' tables, every one of them, and
// print nothing but their own lines: no warning about the system's tables, which only the
// superuser may analyse.
void TestPostgres::statisticsAsOwner() {
    const QString address = server();
    const QString owner =
        address.left(address.indexOf(u"://") + 3) + u"muhasebe"_qs +
        address.mid(address.indexOf(u'@'), address.lastIndexOf(u'/') - address.indexOf(u'@') + 1);
    {
        Database d(address, Database::Access::Write);
        if (!run(d, u"SELECT 1 FROM pg_roles WHERE rolname = 'muhasebe'"_qs, {}, u"test"_qs).next())
            run(d, u"CREATE ROLE muhasebe LOGIN"_qs, {}, u"test"_qs);
        for (const char *name : {"sahip_ornek", "sahip_aktar"}) {
            run(d, u"DROP DATABASE IF EXISTS %1 WITH (FORCE)"_qs.arg(QLatin1String(name)), {},
                u"test"_qs);
            run(d, u"CREATE DATABASE %1 OWNER muhasebe"_qs.arg(QLatin1String(name)), {},
                u"test"_qs);
        }
    }
    QTemporaryDir folder;
    const QString file = folder.filePath(u"fatura.MDB"_qs);
    writeSampleDatabase(file);
    const std::pair<QString, QStringList> runs[] = {
        {u"" FATURA_BINARY_DIR "/tools/ornek-veri"_qs,
         {u"--dizin"_qs, folder.filePath(u"demo"_qs), u"--sunucu"_qs, owner + u"sahip_ornek"_qs}},
        {u"" FATURA_BINARY_DIR "/fatura-aktar"_qs, {file, owner + u"sahip_aktar"_qs}}};
    for (const auto &[program, arguments] : runs) {
        QProcess p;
        p.start(program, arguments);
        QVERIFY(p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit);
        const QString errors = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(p.exitCode() == 0 && errors.isEmpty(), qPrintable(errors.left(2000)));
        QVERIFY(!p.readAllStandardOutput().isEmpty());
        // A table never analysed counts its rows as -1.
        const QList<QVariantList> unanalysed =
            queryRows(arguments.last(), u"SELECT count(*) FROM pg_class c JOIN pg_namespace n ON "
                                        "n.oid = c.relnamespace WHERE n.nspname = 'public' AND "
                                        "c.relkind = 'r' AND c.reltuples < 0"_qs);
        QCOMPARE(unanalysed, (QList<QVariantList>{{0}}));
    }
}

void TestPostgres::twoWriters_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("check"); // rows of a number, and by how many writers
    QTest::newRow("invoices") << "fatura"
                              << "SELECT faturano, count(*), count(DISTINCT aciklama) FROM "
                                 "faturalar GROUP BY faturano";
    QTest::newRow("customers") << "musteri"
                               << "SELECT sirano, count(*), count(DISTINCT adi_soyadi) FROM "
                                  "MUSTERI GROUP BY sirano";
}

// Two PCs save the same 500 numbers at once: each number is stored once, whole, by one of
// them; the other is refused with the program's message.
void TestPostgres::twoWriters() {
    QFETCH(QString, what);
    QFETCH(QString, check);
    const QString db = newDatabase({});
    QList<QProcess *> writers;
    for (const QString &letter : {u"A"_qs, u"B"_qs}) {
        auto *p = new QProcess(this);
        p->start(QCoreApplication::applicationFilePath(), {u"--yaz"_qs, db, what, letter});
        writers << p;
    }
    int saves = 0;
    QStringList refusals;
    for (QProcess *p : writers) {
        QVERIFY(p->waitForFinished(120000));
        QCOMPARE(p->exitCode(), 0);
        for (const QString &line : QString::fromUtf8(p->readAllStandardOutput()).split(u'\n')) {
            if (line == u"+")
                ++saves;
            else if (line.startsWith(u"- "))
                refusals << line.mid(2);
        }
    }
    int duplicates = 0;
    const QList<QVariantList> rows = queryRows(db, check);
    for (const QVariantList &r : rows) {
        const int expected = what == u"fatura" ? linesPerInvoice : 1;
        if (r.at(1).toInt() != expected || r.at(2).toInt() != 1)
            ++duplicates;
    }
    int otherRefusals = 0;
    for (const QString &r : refusals) {
        const QString stored = what == u"fatura"
                                   ? alreadyStoredMessage(r.section(u' ', 0, 0).toLongLong())
                                   : resultMessage(CustomerResult::NumberTaken);
        otherRefusals += r == stored || r == inUseMessage(db) ? 0 : 1;
    }
    std::printf("%s: %d saves, %d refusals, %d numbers stored, duplicates found: %d\n",
                qPrintable(what), saves, int(refusals.size()), int(rows.size()), duplicates);
    QCOMPARE(duplicates, 0);
    QCOMPARE(otherRefusals, 0);
    QCOMPARE(saves + refusals.size(), 2 * savesPerWriter);
    QCOMPARE(rows.size(), saves);
}

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == u"--yaz")
        return write(args.at(2), args.at(3), args.at(4));
    TestPostgres test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_postgres.moc"
