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

void writeFile(const QString &path, const QByteArray &contents) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(contents) == contents.size());
}

// The first page of an Access file: a version word, then the engine's name.
QByteArray jetHeader(const char *engine) {
    return QByteArray("\x00\x01\x00\x00", 4) + engine + QByteArray(2000, '\0');
}

InvoiceHeaderRecord header(qint64 number, const QString &name = u"Gülşen Çelik"_qs) {
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
        s << r.aciklama.value_or(u"<NULL>"_qs);
    return s;
}

const QString headerTable = u"CREATE TABLE \"FATCARI%1\" (SIRANO INTEGER, DAGITIM_BOLGESI TEXT, "
                            "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                            "ISKONTO REAL)"_qs;
const QString lineTable = u"CREATE TABLE \"FATSTOK%1\" (FATURANO INTEGER, ACIKLAMA TEXT, "
                          "MIKTAR REAL, BR_FIYAT REAL)"_qs;

} // namespace

class TestStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Whatever failed, every connection has been closed and removed.
    void cleanup() { QCOMPARE(QSqlDatabase::connectionNames(), QStringList{}); }
    void init();
    void opening_data();
    void opening();
    void schema_data();
    void schema();
    void transaction();
    void invoices();
    void interruptedReplacement_data();
    void interruptedReplacement();
    void campaignTables();
    void campaignSelection_data();
    void campaignSelection();

private:
    QTemporaryDir m_dir;
    QString m_path; // a new database for each test
};

void TestStore::init() {
    m_path = m_dir.filePath(u"%1.MDB"_qs.arg(QTest::currentTestFunction()));
    QFile::remove(m_path);
    m_path = newDatabase(m_path);
}

void TestStore::opening_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("contents");
    // The refusal for writing, and for reading unless the file opens; %1 is the path, %2 the
    // folder.
    QTest::addColumn<QString>("message");
    const QString oldFormat =
        u"Bu veritabanı eski biçimde (Access/Jet): %1\nÖnce aktarılması gerekir"_qs;
    QTest::newRow("no file") << "missing" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("folder") << "folder" << QByteArray() << "Veritabanı bulunamadı: %1";
    QTest::newRow("empty file") << "file" << QByteArray() << "Bu dosya bir veritabanı değil: %1";
    QTest::newRow("Access 97/2000") << "file" << jetHeader("Standard Jet DB") << oldFormat;
    QTest::newRow("Access 2007") << "file" << jetHeader("Standard ACE DB") << oldFormat;
    QTest::newRow("damaged SQLite")
        << "file" << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x7f')
        << "Bu dosya bir veritabanı değil ya da bozuk: %1\n";
    // Refused for writing whoever runs the program (root too), still open for reading. The
    // journal goes beside the file, so a folder that cannot be written is refused too.
    QTest::newRow("read-only file")
        << "read-only" << QByteArray() << "Veritabanına yazılamıyor (salt okunur): %1";
    QTest::newRow("read-only folder")
        << "read-only folder" << QByteArray() << "Veritabanının bulunduğu klasöre yazılamıyor: %2";
}

void TestStore::opening() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"fatura.MDB"_qs);
    const bool opens = kind.startsWith(u"read-only");
    if (kind == u"file")
        writeFile(path, contents);
    else if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    else if (opens)
        createDatabase(path);
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (kind == u"read-only")
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    if (kind == u"read-only folder")
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray before = fileBytes(path);

    message.replace(u"%1"_qs, path).replace(u"%2"_qs, folder.path());
    for (const auto access : {Database::Access::Read, Database::Access::Write}) {
        const QString text = thrownText([&] { Database db(path, access); });
        const bool refused = !opens || access == Database::Access::Write;
        QVERIFY2(refused ? text.startsWith(message) : text.isEmpty(), qPrintable(text));
    }
    // An existing path is never made a new database, not even an empty file.
    if (kind == u"file")
        QCOMPARE(thrownText([&] { createDatabase(path); }),
                 u"Bu adda bir dosya zaten var: "_qs + path);
    // Looking is all it does: nothing is created and nothing is changed.
    QCOMPARE(QFileInfo::exists(path), kind != u"missing");
    QCOMPARE(fileBytes(path), before);
}

void TestStore::schema_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("message"); // %1 is the path
    QTest::newRow("no faturalar") << "DROP TABLE faturalar"
                                  << "Veritabanında faturalar tablosu yok: %1";
    QTest::newRow("no MUSTERI") << "DROP TABLE MUSTERI"
                                << "Veritabanında MUSTERI tablosu yok: %1";
    QTest::newRow("no TUTAR") << "ALTER TABLE faturalar DROP COLUMN tutar"
                              << "Veritabanının faturalar tablosunda TUTAR sütunu yok: %1";
    QTest::newRow("no adresi2") << "ALTER TABLE MUSTERI DROP COLUMN adresi2"
                                << "Veritabanının MUSTERI tablosunda adresi2 sütunu yok: %1";
}

// Reading a row names what is missing instead of leaving a value silently empty; a list
// needs only its own columns.
void TestStore::schema() {
    QFETCH(QString, statement);
    QFETCH(QString, message);
    sql(m_path, {statement});
    Database db(m_path, Database::Access::Write);
    const bool onInvoices = statement.contains(u"faturalar");
    const QString list =
        thrownText([&] { onInvoices ? void(invoiceNumbers(db)) : void(customerLists(db)); });
    QCOMPARE(list, statement.startsWith(u"DROP") ? message.arg(m_path) : QString());
    QCOMPARE(
        thrownText([&] { onInvoices ? void(invoiceRows(db, 1)) : void(customerByNumber(db, 1)); }),
        message.arg(m_path));
}

// A failure, inside an inner transaction or after it, rolls back what the inner one did too;
// nested calls commit once, with the outer one.
void TestStore::transaction() {
    Database db(m_path, Database::Access::Write);
    const auto add = [&](int number) { addCustomer(db, Customer{number, u"Ömer"_qs, {}, {}, {}}); };
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

void TestStore::invoices() {
    // A table as another program made it: columns spelled in capitals, an index that holds
    // every column (SQLite would read rows in its order if the query did not ask for the
    // order they were added in), and a second invoice under a stored number joined to it,
    // so that the rows of invoice 5 lie between those of 6.
    sql(m_path, {u"DROP TABLE faturalar"_qs,
                 u"CREATE TABLE faturalar (MUSTERINO TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                 "ADRESI2 TEXT, VERGIDAIRE_NO TEXT, KDVDAHIL INTEGER, FATURA_TARIHI TEXT, "
                 "IRSALIYE_NO TEXT, IRSALIYE_TARIHI TEXT, FATURANO INTEGER, MIKTAR REAL, "
                 "ACIKLAMA TEXT, ISKONTO TEXT, BR_FIYAT TEXT, TUTAR TEXT)"_qs,
                 u"CREATE INDEX baska ON faturalar(FATURANO, ACIKLAMA, MUSTERINO, ADI_SOYADI, "
                 "ADRESI, ADRESI2, VERGIDAIRE_NO, KDVDAHIL, FATURA_TARIHI, IRSALIYE_NO, "
                 "IRSALIYE_TARIHI, MIKTAR, ISKONTO, BR_FIYAT, TUTAR)"_qs,
                 u"INSERT INTO faturalar (FATURANO, ACIKLAMA) VALUES (5, 'Zeytin'), (6, 'Elma'), "
                 "(5, 'Armut'), (6, 'Kiraz'), (5, 'Muz')"_qs});
    Database db(m_path, Database::Access::Write);
    QCOMPARE(descriptions(invoiceRows(db, 5)), (QStringList{"Zeytin", "Armut", "Muz"}));

    // Invoices written after one another, then one replaced: its new rows come back in the
    // order of the new lines; a new invoice under a stored number is refused.
    for (const qint64 number : {10, 7, 100, 8})
        QVERIFY(insertInvoice(db, header(number), {line("c"), line("a"), line("b")}));
    QVERIFY(!insertInvoice(db, header(8), {line("x")}));
    replaceInvoice(db, header(7), {line("ş"), line("b", 2.5), line("ç"), line("a")});
    QVERIFY(insertInvoice(db, header(9), {line("y")}));
    // Numbers, not texts, each once; replaced by no lines, an invoice is gone.
    replaceInvoice(db, header(8), {});
    QCOMPARE(invoiceNumbers(db), (QList<qint64>{5, 6, 7, 9, 10, 100}));
    const QList<StoredRow> r = invoiceRows(db, 7);
    QCOMPARE(descriptions(r), (QStringList{"ş", "b", "ç", "a"}));
    QCOMPARE((QVariantList{r.at(1).faturano.value_or(0), r.at(1).miktar.value_or(0),
                           r.at(1).tutar.value_or("")}),
             (QVariantList{7, 2.5, "31.25"}));
    // Every row carries the whole header; a discount or a box left empty is the empty text,
    // never NULL.
    QCOMPARE(queryRows(m_path, u"SELECT count(*), musterino, adi_soyadi, adresi, adresi2, "
                               "vergidaire_no, kdvdahil, fatura_tarihi, irsaliye_no, "
                               "irsaliye_tarihi, typeof(iskonto), iskonto FROM faturalar WHERE "
                               "faturano = 7 GROUP BY 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12"_qs),
             (QList<QVariantList>{{4, "12", "Gülşen Çelik", "İnönü Mah. No: 4",
                                   "Kadıköy / İstanbul", "Kadıköy V.D. 1234", 1, "05.12.2026",
                                   "A-1001", "04.12.2026", "text", ""}}));
}

void TestStore::interruptedReplacement_data() {
    QTest::addColumn<QString>("trigger");
    // Fails at the n-th row written, or while the old rows are deleted.
    const QString insertTrigger =
        u"CREATE TRIGGER dur BEFORE INSERT ON faturalar WHEN (SELECT count(*) FROM faturalar "
        "WHERE faturano = NEW.faturano) >= %1 BEGIN SELECT RAISE(ABORT, 'disk dolu'); END"_qs;
    QTest::newRow("first row") << insertTrigger.arg(0);
    QTest::newRow("last row") << insertTrigger.arg(3);
    QTest::newRow("deleting")
        << u"CREATE TRIGGER dur BEFORE DELETE ON faturalar WHEN "
           "OLD.aciklama = 'b' BEGIN SELECT RAISE(ABORT, 'disk dolu'); END"_qs;
}

// A replacement that fails half-way leaves the old invoice whole: old or new, never neither.
void TestStore::interruptedReplacement() {
    QFETCH(QString, trigger);
    const QString allRows = u"SELECT rowid, * FROM faturalar ORDER BY rowid"_qs;
    Database db(m_path, Database::Access::Write);
    QVERIFY(insertInvoice(db, header(7), {line("a"), line("b"), line("c")}));
    QVERIFY(insertInvoice(db, header(8), {line("x")}));
    sql(m_path, {trigger});
    const QList<QVariantList> before = queryRows(m_path, allRows);

    const QString text = thrownText([&] {
        replaceInvoice(db, header(7, u"Hüseyin Öztürk"_qs),
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
// is checked on paper in test_invoice.
void TestStore::campaignTables() {
    if (!server().isEmpty())
        QSKIP("SQLite query plans and table kinds");
    // Tables only, named with the eight capitals, in the order they were made; a name with
    // quotes is a name like any other.
    const QString name = u"KAMPANYA \"Kış\" 'Özel'; DROP TABLE MUSTERI; --"_qs;
    const QString table = QString(name).replace(u'"', u"\"\""_qs);
    sql(m_path,
        {"CREATE TABLE KAMPANYA_KIS (a)", "CREATE TABLE kampanya2 (a)",
         "CREATE TABLE FATCARIKAMPANYA1 (a)", "CREATE TABLE Kampanya3 (a)",
         "CREATE TABLE KAMPANYA1 (a)", "CREATE TABLE sayac (n INTEGER PRIMARY KEY AUTOINCREMENT)",
         "INSERT INTO sayac DEFAULT VALUES", "ANALYZE", "CREATE INDEX KAMPANYA1_A ON KAMPANYA1(a)",
         "CREATE VIEW KAMPANYA_GORUNUM AS SELECT * FROM KAMPANYA1", "CREATE TABLE KAMPANYA (a)",
         u"CREATE TABLE \"%1\" (a)"_qs.arg(table), headerTable.arg(table), lineTable.arg(table),
         u"INSERT INTO \"FATCARI%1\" (SIRANO, DAGITIM_BOLGESI, ADI_SOYADI) VALUES (1, 'ADANA', "
         "'Gökçe')"_qs.arg(table),
         u"INSERT INTO \"FATSTOK%1\" VALUES (1, 'Çay', 2, 3)"_qs.arg(table),
         headerTable.arg("KAMPANYAB")});
    Database db(m_path);
    QCOMPARE(campaigns(db), (QStringList{"KAMPANYA_KIS", "KAMPANYA1", "KAMPANYA", name}));
    QStringList readBack;
    readCampaignInvoices(db, name, {"1", "1", "ADANA"}, [&](const CampaignInvoice &f) {
        readBack << f.adi_soyadi.toString() << f.lines.value(0).aciklama.toString();
        return true;
    });
    QCOMPARE(readBack, (QStringList{"Gökçe", "Çay"}));

    // One pass over the headers; the lines are found through an index, not by going through
    // the whole line table for every header; nothing holds the whole run.
    for (const CampaignSelection &s : {CampaignSelection{}, CampaignSelection{"1", "9", "ADANA"}}) {
        const QStringList plan = campaignQueryPlan(db, name, s);
        const QString text = plan.join(u" | "_qs);
        QVERIFY2(plan.size() == 2 && plan.at(0).startsWith(u"SCAN h") &&
                     plan.at(1).startsWith(u"SEARCH k USING") && plan.at(1).contains(u"INDEX") &&
                     !text.contains(u"TEMP B-TREE"),
                 qPrintable(text));
    }
    // A campaign's missing table is named, not read as an empty list.
    QCOMPARE(thrownText([&] { countCampaignInvoices(db, "KAMPANYAB", {}); }),
             u"Veritabanında FATSTOKKAMPANYAB tablosu yok: %1"_qs.arg(m_path));
    QCOMPARE(thrownText([&] { readCampaignInvoices(db, "KAMPANYAC", {}, {}); }),
             u"Veritabanında FATCARIKAMPANYAC tablosu yok: %1"_qs.arg(m_path));
}

void TestStore::campaignSelection_data() {
    QTest::addColumn<QStringList>("typed");    // start, end, region
    QTest::addColumn<QStringList>("invoices"); // each as "name:line,line"
    // Lines in table order, those of no invoice nowhere; two headers with one number share
    // its lines; a header without a number has no name.
    QTest::newRow("all empty") << QStringList{"", "", ""}
                               << QStringList{
                                      "Üç:e,b", "Sıfır:c", "Bir:d", "İki:a",    "Sıfır Ankara:c",
                                      "On:",    "Yok:",    "Boş:",  "Bölgesiz:"};
    // 10 is no number between 1 and 3, however it is stored.
    QTest::newRow("range and region")
        << QStringList{"1", "3", "İSTANBUL"} << QStringList{"Üç:e,b", "İki:a"};
    // Empty numbers count as 0, a missing one as none.
    QTest::newRow("region, no numbers")
        << QStringList{"", "", "İSTANBUL"} << QStringList{"Sıfır:c"};
    QTest::newRow("start after end") << QStringList{"3", "1", "İSTANBUL"} << QStringList{};
    QTest::newRow("lower case") << QStringList{"0", "9", "istanbul"} << QStringList{};
    QTest::newRow("dotless capital I") << QStringList{"0", "9", "ISTANBUL"} << QStringList{};
    // An empty region matches only an empty one, never a missing one.
    QTest::newRow("empty region") << QStringList{"0", "9", ""} << QStringList{"Boş:"};
    QTest::newRow("numbers with text after them")
        << QStringList{"1.5 TL", "2x", "İSTANBUL"} << QStringList{"İki:a"};
}

// Which invoices a batch run reads. The campaign is as an import may leave it: numbers kept
// as text, a region column that ignores case as far as SQLite is concerned.
void TestStore::campaignSelection() {
    if (!server().isEmpty())
        QSKIP("SQLite column types");
    QFETCH(QStringList, typed);
    sql(m_path,
        {u"CREATE TABLE FATCARIKAMPANYAT (SIRANO, DAGITIM_BOLGESI TEXT COLLATE NOCASE, "
         "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, ISKONTO REAL)"_qs,
         lineTable.arg("KAMPANYAT"),
         u"INSERT INTO FATCARIKAMPANYAT (SIRANO, DAGITIM_BOLGESI, ADI_SOYADI) VALUES ('3', "
         "'İSTANBUL', 'Üç'), ('0', 'İSTANBUL', 'Sıfır'), ('1', 'ANKARA', 'Bir'), ('2', "
         "'İSTANBUL', 'İki'), ('0', 'ANKARA', 'Sıfır Ankara'), ('10', 'İSTANBUL', 'On'), (NULL, "
         "'İSTANBUL', 'Yok'), ('4', '', 'Boş'), ('5', NULL, 'Bölgesiz')"_qs,
         u"INSERT INTO FATSTOKKAMPANYAT (FATURANO, ACIKLAMA) VALUES (2, 'a'), (99, 'yetim'), "
         "(3, 'e'), (0, 'c'), (1, 'd'), (3, 'b'), (NULL, 'boş')"_qs});
    const QByteArray before = fileBytes(m_path);
    // A list with nothing picked gives a null region: the same as an empty one.
    const CampaignSelection picked{typed[0], typed[1], typed[2].isEmpty() ? QString() : typed[2]};
    Database db(m_path);
    QStringList invoices;
    const int read = readCampaignInvoices(db, "KAMPANYAT", picked, [&](const CampaignInvoice &f) {
        QStringList lines;
        for (const CampaignInvoice::Line &l : f.lines)
            lines << l.aciklama.toString();
        invoices << f.adi_soyadi.toString() + u':' + lines.join(u',');
        return true;
    });
    QTEST(invoices, "invoices");
    QCOMPARE(read, invoices.size());
    QCOMPARE(countCampaignInvoices(db, "KAMPANYAT", picked), invoices.size());
    QCOMPARE(fileBytes(m_path), before);
}

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
