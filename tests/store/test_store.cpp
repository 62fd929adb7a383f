#include "store/campaigns.h"
#include "store/customers.h"
#include "store/invoices.h"
#include "tests/common/testdb.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &contents) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(contents) == contents.size());
}

// The first page of an Access file: a version word, then the engine's name.
QByteArray jetHeader(const char *engine) {
    return QByteArray("\x00\x01\x00\x00", 4) + engine + QByteArray(2000, '\0');
}

InvoiceHeaderRecord header(qint64 number, const QString &name = QStringLiteral("Gülşen Çelik")) {
    return {"12", name,         "İnönü Mah. No: 4", "Kadıköy / İstanbul", "Kadıköy V.D. 1234",
            1,    "05.12.2026", "A-1001",           "04.12.2026",         number};
}

// A line without discount, as the invoice window gives it: the discount is a null text.
InvoiceLineRecord line(const QString &description, double quantity = 1) {
    return {quantity, description, QString(), "12.50", QString::number(quantity * 12.5)};
}

QStringList descriptions(const QList<StoredRow> &rows) {
    QStringList s;
    for (const StoredRow &r : rows)
        s << r.aciklama.value_or(QStringLiteral("<NULL>"));
    return s;
}

const QString allRows = QStringLiteral("SELECT rowid, * FROM faturalar ORDER BY rowid");

const QString headerTable =
    QStringLiteral("CREATE TABLE \"FATCARI%1\" (SIRANO INTEGER, DAGITIM_BOLGESI TEXT, "
                   "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, ISKONTO REAL)");
const QString lineTable = QStringLiteral(
    "CREATE TABLE \"FATSTOK%1\" (FATURANO INTEGER, ACIKLAMA TEXT, MIKTAR REAL, BR_FIYAT REAL)");

} // namespace

class TestStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Whatever failed, every connection has been closed and removed.
    void cleanup() { QCOMPARE(QSqlDatabase::connectionNames(), QStringList{}); }
    void init();
    void openErrors_data();
    void openErrors();
    void readOnly();
    void missingTableAndColumn_data();
    void missingTableAndColumn();
    void creation();
    void transaction();
    void writeAndRead();
    void oldTable();
    void interruptedReplacement_data();
    void interruptedReplacement();
    void campaignList();
    void campaignReading();

private:
    QTemporaryDir m_dir;
    QString m_path; // a new database for each test
};

void TestStore::init() {
    m_path = m_dir.filePath(QStringLiteral("%1.MDB").arg(QTest::currentTestFunction()));
    QFile::remove(m_path);
    createDatabase(m_path);
}

void TestStore::openErrors_data() {
    QTest::addColumn<QString>("tur");
    QTest::addColumn<QByteArray>("icerik");
    QTest::addColumn<QString>("mesaj"); // the start of the text; %1 is the path
    const QString oldFormat = QStringLiteral("Bu veritabanı eski biçimde (Access/Jet): %1\nÖnce "
                                             "aktarılması gerekir");
    QTest::newRow("dosya yok") << "yok" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("klasör") << "klasör" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("boş dosya") << "dosya" << QByteArray() << "Bu dosya bir veritabanı değil: %1";
    QTest::newRow("Access 97/2000") << "dosya" << jetHeader("Standard Jet DB") << oldFormat;
    QTest::newRow("Access 2007") << "dosya" << jetHeader("Standard ACE DB") << oldFormat;
    QTest::newRow("bozuk SQLite") << "dosya"
                                  << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x7f')
                                  << "Bu dosya bir veritabanı değil ya da bozuk: %1\n";
}

void TestStore::openErrors() {
    QFETCH(QString, tur);
    QFETCH(QByteArray, icerik);
    QFETCH(QString, mesaj);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("fatura.MDB"));
    if (tur == u"dosya")
        writeFile(path, icerik);
    else if (tur == u"klasör")
        QVERIFY(QDir().mkdir(path));

    for (const auto access : {Database::Access::Read, Database::Access::Write}) {
        const QString text = thrownText([&] { Database db(path, access); });
        QVERIFY2(text.startsWith(mesaj.arg(path)), qPrintable(text));
    }
    // Looking is all it does: nothing is created and nothing is changed.
    QCOMPARE(QFileInfo::exists(path), tur != u"yok");
    QCOMPARE(fileBytes(path), icerik);
}

void TestStore::readOnly() {
    const auto permissions = QFile::permissions(m_path);
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(m_path, permissions);
        QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::WriteOwner);
    });
    const QByteArray before = fileBytes(m_path);

    // A file marked read-only is refused for writing, whoever runs the program (root too),
    // and still opens for reading.
    QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QCOMPARE(thrownText([&] { Database db(m_path, Database::Access::Write); }),
             QStringLiteral("Veritabanına yazılamıyor (salt okunur): %1").arg(m_path));
    Database reading(m_path);
    QCOMPARE(invoiceNumbers(reading), QList<qint64>{});
    QVERIFY(QFile::setPermissions(m_path, permissions));

    // The journal goes beside the file: a folder that cannot be written is refused too.
    QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    QCOMPARE(thrownText([&] { Database db(m_path, Database::Access::Write); }),
             QStringLiteral("Veritabanının bulunduğu klasöre yazılamıyor: %1").arg(m_dir.path()));
    QCOMPARE(fileBytes(m_path), before);
}

void TestStore::missingTableAndColumn_data() {
    QTest::addColumn<QString>("komut");
    QTest::addColumn<QString>("mesaj"); // %1 is the path
    QTest::newRow("faturalar yok") << "DROP TABLE faturalar"
                                   << "Veritabanında faturalar tablosu yok: %1";
    QTest::newRow("MUSTERI yok") << "DROP TABLE MUSTERI"
                                 << "Veritabanında MUSTERI tablosu yok: %1";
    QTest::newRow("TUTAR yok") << "ALTER TABLE faturalar DROP COLUMN tutar"
                               << "Veritabanının faturalar tablosunda TUTAR sütunu yok: %1";
    QTest::newRow("adresi2 yok") << "ALTER TABLE MUSTERI DROP COLUMN adresi2"
                                 << "Veritabanının MUSTERI tablosunda adresi2 sütunu yok: %1";
}

// Reading a row names what is missing instead of leaving a value silently empty; a list
// needs only its own columns.
void TestStore::missingTableAndColumn() {
    QFETCH(QString, komut);
    QFETCH(QString, mesaj);
    sql(m_path, {komut});
    Database db(m_path, Database::Access::Write);
    const bool onInvoices = komut.contains(u"faturalar");
    const bool dropsTable = komut.startsWith(u"DROP");
    const QString list =
        thrownText([&] { onInvoices ? void(invoiceNumbers(db)) : void(customerLists(db)); });
    QCOMPARE(list, dropsTable ? mesaj.arg(m_path) : QString());
    QCOMPARE(
        thrownText([&] { onInvoices ? void(invoiceRows(db, 1)) : void(customerByNumber(db, 1)); }),
        mesaj.arg(m_path));
}

void TestStore::creation() {
    // The lookups the windows make go through an index, not through every row.
    for (const char *query : {"select distinct faturano from faturalar order by faturano",
                              "select * from faturalar where faturano=1 ORDER BY rowid",
                              "select * from MUSTERI where sirano=1 ORDER BY rowid",
                              "select * from MUSTERI where adi_soyadi='Ali' ORDER BY rowid"}) {
        QString steps;
        for (const QVariantList &s : queryRows(m_path, u"EXPLAIN QUERY PLAN "_qs + query))
            steps += s.value(3).toString() + " | ";
        QVERIFY2(steps.contains(u"INDEX") && !steps.contains(u"TEMP B-TREE"), qPrintable(steps));
    }

    // An existing path is never replaced, not even an empty file.
    const QString existing = m_dir.filePath(QStringLiteral("var.MDB"));
    writeFile(existing, QByteArray());
    QCOMPARE(thrownText([&] { createDatabase(existing); }),
             QStringLiteral("Bu adda bir dosya zaten var: %1").arg(existing));
    QCOMPARE(fileBytes(existing), QByteArray());
}

// A failure, inside an inner transaction or after it, rolls back what the inner one did too;
// nested calls commit once, with the outer one.
void TestStore::transaction() {
    Database db(m_path, Database::Access::Write);
    const auto add = [&](int number) {
        addCustomer(db, Customer{number, QStringLiteral("Ömer"), {}, {}, {}});
    };
    struct Stop {};
    // Twice, so that the second must again be a transaction, not loose statements.
    for (const bool inner : {false, true}) {
        QVERIFY_THROWS_EXCEPTION(Stop, db.transaction([&] {
            add(1);
            db.transaction([&] {
                add(2);
                if (inner)
                    throw Stop{};
            });
            throw Stop{};
        }));
    }
    db.transaction([&] {
        add(7);
        db.transaction([&] { add(8); });
    });
    QCOMPARE(queryRows(m_path, "SELECT sirano FROM MUSTERI"), (QList<QVariantList>{{7}, {8}}));
}

void TestStore::writeAndRead() {
    Database db(m_path, Database::Access::Write);
    for (const qint64 number : {10, 9, 100, 2})
        QVERIFY(insertInvoice(db, header(number), {line("Çay", 2.5), line("Şeker"), line("Un")}));
    // Numbers, not texts: 9 before 10, 100 last; each once however many lines it has.
    QCOMPARE(invoiceNumbers(db), (QList<qint64>{2, 9, 10, 100}));

    // Three lines are three rows, each with the whole header; a discount or a box left
    // empty is the empty text, never NULL.
    QCOMPARE(queryRows(m_path, QStringLiteral("SELECT count(*), musterino, adi_soyadi, adresi, "
                                              "adresi2, vergidaire_no, kdvdahil, fatura_tarihi, "
                                              "irsaliye_no, irsaliye_tarihi, typeof(iskonto), "
                                              "iskonto FROM faturalar WHERE faturano = 9 GROUP BY "
                                              "2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12")),
             (QList<QVariantList>{{3, "12", "Gülşen Çelik", "İnönü Mah. No: 4",
                                   "Kadıköy / İstanbul", "Kadıköy V.D. 1234", 1, "05.12.2026",
                                   "A-1001", "04.12.2026", "text", ""}}));
    const QList<StoredRow> readBack = invoiceRows(db, 9);
    QCOMPARE(descriptions(readBack), (QStringList{"Çay", "Şeker", "Un"}));
    QVERIFY(readBack.at(0).miktar == 2.5 && readBack.at(0).iskonto == QString());
}

void TestStore::oldTable() {
    // A table as another program made it: columns spelled in capitals, an index that holds
    // every column (SQLite would read rows in its order if the query did not ask for the
    // order they were added in), and a second invoice under a stored number joined to it,
    // so that the rows of invoice 5 lie between those of 6.
    sql(m_path,
        {QStringLiteral("DROP TABLE faturalar"),
         QStringLiteral("CREATE TABLE faturalar (MUSTERINO TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                        "ADRESI2 TEXT, VERGIDAIRE_NO TEXT, KDVDAHIL INTEGER, FATURA_TARIHI TEXT, "
                        "IRSALIYE_NO TEXT, IRSALIYE_TARIHI TEXT, FATURANO INTEGER, MIKTAR REAL, "
                        "ACIKLAMA TEXT, ISKONTO TEXT, BR_FIYAT TEXT, TUTAR TEXT)"),
         QStringLiteral("CREATE INDEX baska ON faturalar(FATURANO, ACIKLAMA, MUSTERINO, "
                        "ADI_SOYADI, ADRESI, ADRESI2, VERGIDAIRE_NO, KDVDAHIL, FATURA_TARIHI, "
                        "IRSALIYE_NO, IRSALIYE_TARIHI, MIKTAR, ISKONTO, BR_FIYAT, TUTAR)"),
         QStringLiteral("INSERT INTO faturalar (FATURANO, ACIKLAMA) VALUES (5, 'Zeytin'), "
                        "(6, 'Elma'), (5, 'Armut'), (6, 'Kiraz'), (5, 'Muz')")});
    Database db(m_path, Database::Access::Write);
    QCOMPARE(descriptions(invoiceRows(db, 5)), (QStringList{"Zeytin", "Armut", "Muz"}));

    // Invoices written after one another, then the first one replaced: its new rows come
    // back in the order of the new lines.
    QVERIFY(insertInvoice(db, header(7), {line("c"), line("a"), line("b")}));
    QVERIFY(insertInvoice(db, header(8), {line("z")}));
    replaceInvoice(db, header(7), {line("ş"), line("b", 3), line("ç"), line("a")});
    QVERIFY(insertInvoice(db, header(9), {line("y")}));
    const QList<StoredRow> r = invoiceRows(db, 7);
    QCOMPARE(descriptions(r), (QStringList{"ş", "b", "ç", "a"}));
    // "FATURANO" and "faturano" are one column; replaced by no lines, an invoice is gone.
    replaceInvoice(db, header(8), {});
    QCOMPARE(invoiceNumbers(db), (QList<qint64>{5, 6, 7, 9}));
    QCOMPARE((QVariantList{r.at(1).faturano.value_or(0), r.at(1).miktar.value_or(0),
                           r.at(1).adi_soyadi.value_or(""), r.at(1).tutar.value_or("")}),
             (QVariantList{7, 3.0, "Gülşen Çelik", "37.5"}));
}

void TestStore::interruptedReplacement_data() {
    QTest::addColumn<QString>("tetik");
    // Fails at the n-th row written, or while the old rows are deleted.
    const QString insertTrigger =
        QStringLiteral("CREATE TRIGGER dur BEFORE INSERT ON faturalar "
                       "WHEN (SELECT count(*) FROM faturalar WHERE faturano = NEW.faturano) >= %1 "
                       "BEGIN SELECT RAISE(ABORT, 'disk dolu'); END");
    QTest::newRow("ilk satır") << insertTrigger.arg(0);
    QTest::newRow("son satır") << insertTrigger.arg(3);
    QTest::newRow("silerken") << QStringLiteral("CREATE TRIGGER dur BEFORE DELETE ON faturalar "
                                                "WHEN OLD.aciklama = 'b' "
                                                "BEGIN SELECT RAISE(ABORT, 'disk dolu'); END");
}

// A replacement that fails half-way leaves the old invoice whole: old or new, never neither.
void TestStore::interruptedReplacement() {
    QFETCH(QString, tetik);
    Database db(m_path, Database::Access::Write);
    QVERIFY(insertInvoice(db, header(7), {line("a"), line("b"), line("c")}));
    QVERIFY(insertInvoice(db, header(8), {line("x")}));
    sql(m_path, {tetik});
    const QList<QVariantList> before = queryRows(m_path, allRows);

    const QString text = thrownText([&] {
        replaceInvoice(db, header(7, QStringLiteral("Hüseyin Öztürk")),
                       {line("a"), line("b"), line("c"), line("d")});
    });
    QVERIFY2(text.contains(u"7 numaralı fatura") && text.contains(u"disk dolu") &&
                 text.contains(m_path),
             qPrintable(text));
    QCOMPARE(queryRows(m_path, allRows), before);
    // The same connection goes on working.
    QVERIFY(insertInvoice(db, header(9), {}));
}

// Which tables are campaigns and how SQLite reads one. What a batch run selects and prints
// is checked on paper in tests/batch.
void TestStore::campaignList() {
    // Tables only, named with the eight capitals, in the order they were made; a name
    // with quotes is a name like any other.
    const QString name = QStringLiteral("KAMPANYA \"Kış\" 'Özel'; DROP TABLE MUSTERI; --");
    QString table = name;
    table.replace(u'"', QStringLiteral("\"\""));
    sql(m_path,
        {"CREATE TABLE KAMPANYA_KIS (a)", "CREATE TABLE kampanya2 (a)",
         "CREATE TABLE FATCARIKAMPANYA1 (a)", "CREATE TABLE Kampanya3 (a)",
         "CREATE TABLE KAMPANYA1 (a)", "CREATE TABLE sayac (n INTEGER PRIMARY KEY AUTOINCREMENT)",
         "INSERT INTO sayac DEFAULT VALUES", "ANALYZE", "CREATE INDEX KAMPANYA1_A ON KAMPANYA1(a)",
         "CREATE VIEW KAMPANYA_GORUNUM AS SELECT * FROM KAMPANYA1", "CREATE TABLE KAMPANYA (a)",
         QStringLiteral("CREATE TABLE \"%1\" (a)").arg(table), headerTable.arg(table),
         lineTable.arg(table),
         QStringLiteral("INSERT INTO \"FATCARI%1\" (SIRANO, DAGITIM_BOLGESI, ADI_SOYADI) VALUES "
                        "(1, 'ADANA', 'Gökçe')")
             .arg(table),
         QStringLiteral("INSERT INTO \"FATSTOK%1\" VALUES (1, 'Çay', 2, 3)").arg(table)});
    Database db(m_path);
    QCOMPARE(campaigns(db), (QStringList{"KAMPANYA_KIS", "KAMPANYA1", "KAMPANYA", name}));
    QStringList readBack;
    readCampaignInvoices(db, name, {"1", "1", "ADANA"}, [&](const CampaignInvoice &f) {
        readBack << f.adi_soyadi.toString() << f.lines.value(0).aciklama.toString();
        return true;
    });
    QCOMPARE(readBack, (QStringList{"Gökçe", "Çay"}));
}

void TestStore::campaignReading() {
    sql(m_path,
        {headerTable.arg("KAMPANYAK"), lineTable.arg("KAMPANYAK"), headerTable.arg("KAMPANYAB")});
    Database db(m_path);
    // One pass over the headers; the lines are found through an index, not by going through
    // the whole line table for every header; nothing holds the whole run.
    for (const CampaignSelection &s : {CampaignSelection{}, CampaignSelection{"1", "9", "ADANA"}}) {
        const QStringList plan = campaignQueryPlan(db, "KAMPANYAK", s);
        const QString text = plan.join(QStringLiteral(" | "));
        QVERIFY2(plan.size() == 2 && plan.at(0).startsWith(u"SCAN h") &&
                     plan.at(1).startsWith(u"SEARCH k USING") && plan.at(1).contains(u"INDEX") &&
                     !text.contains(u"TEMP B-TREE"),
                 qPrintable(text));
    }
    // A campaign's missing table is named, not read as an empty list.
    QCOMPARE(thrownText([&] { countCampaignInvoices(db, "KAMPANYAB", {}); }),
             QStringLiteral("Veritabanında FATSTOKKAMPANYAB tablosu yok: %1").arg(m_path));
    QCOMPARE(thrownText([&] { readCampaignInvoices(db, "KAMPANYAC", {}, {}); }),
             QStringLiteral("Veritabanında FATCARIKAMPANYAC tablosu yok: %1").arg(m_path));
}

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
