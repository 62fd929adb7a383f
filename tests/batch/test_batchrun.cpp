#include "../db/testdb.h"
#include "../invoice/printfixture.h"
#include "batch/batchrun.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The printing's settings with a VAT rate of 18. The line advance is fixed: their line
// spacing of 3 must not change it.
ayarlar settings() {
    ayarlar a = distinctSettings();
    a.kdv_yuzde = u"18"_qs;
    return a;
}

const QString lineFont = u"Satır Yazısı"_qs;

// The totals block, starting `top` twips down, each step moved from where the line above
// left the printer, then the four items at their own positions.
QList<Expected> totals(double top, const QString &discount, const QString &base, const QString &vat,
                       const QString &grandTotal, const QString &words) {
    const double h = RecordingPrinter::lineHeight(9.5);
    const QString rule = u"__________________"_qs;
    return {
        {rule, lineFont, 9.5, 9200, top},
        {u"ISKONTO"_qs, lineFont, 9.5, 8000, top + h + 150},
        {discount, lineFont, 9.5, 9200, top + 2 * h - 100},
        {rule, lineFont, 9.5, 9200, top + 3 * h - 200},
        {u"KDV MATRAHI"_qs, lineFont, 9.5, 8000, top + 4 * h - 125},
        {base, lineFont, 9.5, 9200, top + 5 * h - 300},
        {u"Y. "_qs + words + u" TL"_qs, lineFont, 9.5, 600, 13500},
        {u"18"_qs, lineFont, 9.5, 7800, 12600},
        {vat, lineFont, 9.5, 9230, 12600},
        {grandTotal, lineFont, 9.5, 9240, 12900},
    };
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<RecordingPrinter::Line> document(const RecordingPrinter &printer, int n) {
    QList<RecordingPrinter::Line> lines;
    for (const RecordingPrinter::Line &l : printer.lines()) {
        if (l.document == n)
            lines << l;
    }
    return lines;
}

} // namespace

class TestBatchRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fullInvoice();
    void headerTexts();
    void selection_data();
    void selection();
    void withoutLinesAndMissingValues();
    void cancel();

private:
    // A new database with a campaign KAMPANYAT of these header and line rows (SQL value
    // lists). As an import may leave it, numbers may be kept as text and the region column
    // ignores case as far as SQLite is concerned.
    void campaign(const QString &headers, const QString &lines = {});

    QTemporaryDir m_dir;
    QString m_db;
    int m_databases = 0;
};

void TestBatchRun::campaign(const QString &headers, const QString &lines) {
    m_db = m_dir.filePath(u"%1.MDB"_qs.arg(++m_databases));
    veritabaniOlustur(m_db);
    QStringList sql = {u"CREATE TABLE KAMPANYAT (ADI TEXT)"_qs,
                       u"CREATE TABLE FATCARIKAMPANYAT (SIRANO, DAGITIM_BOLGESI TEXT COLLATE "
                       "NOCASE, FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                       "ISKONTO REAL)"_qs,
                       u"CREATE TABLE FATSTOKKAMPANYAT (FATURANO INTEGER, ACIKLAMA TEXT, "
                       "MIKTAR REAL, BR_FIYAT REAL)"_qs,
                       u"INSERT INTO FATCARIKAMPANYAT VALUES "_qs + headers};
    if (!lines.isEmpty())
        sql << u"INSERT INTO FATSTOKKAMPANYAT VALUES "_qs + lines;
    testdb::sql(m_db, sql);
}

void TestBatchRun::fullInvoice() {
    // Subtotal 2 x 12,5 + 3 x 25 = 100, discount 10, VAT 18 %.
    campaign(u"(15, 'ANKARA', '2024-11-05', 'Çankaya', 'Şükrü Öztürk', 'Atatürk Cad. 5', 10)"_qs,
             u"(15, 'Çay 1 kg', 2, 12.5), (15, 'Şeker', 3, 25)"_qs);
    RecordingPrinter printer;
    QCOMPARE(
        runBatch(printer, settings(), m_db, u"KAMPANYAT"_qs, {u"15"_qs, u"15"_qs, u"ANKARA"_qs}),
        1);
    QCOMPARE(printer.documents(), 1);
    QList<Expected> want = {
        {u"05.11.2024"_qs, u"Tarih Yazısı"_qs, 10, 8400, 2400},
        {u" 15   Çankaya   Şükrü Öztürk"_qs, u"Ad Yazısı"_qs, 11, 600, 2400},
        {u"Atatürk Cad. 5"_qs, u"Adres Yazısı"_qs, 9, 650, 2700},
        {u"ANKARA"_qs, u"Vergi Yazısı"_qs, 8, 700, 3300},
        {u"Çay 1 kg"_qs, lineFont, 9.5, 1500, 4500},
        {u"2"_qs, lineFont, 9.5, 600, 4500},
        {u"12,5"_qs, lineFont, 9.5, 7000, 4500},
        {u"25"_qs, lineFont, 9.5, 9200, 4500},
        {u"Şeker"_qs, lineFont, 9.5, 1500, 4700},
        {u"3"_qs, lineFont, 9.5, 600, 4700},
        {u"25"_qs, lineFont, 9.5, 7000, 4700},
        {u"75"_qs, lineFont, 9.5, 9200, 4700},
    };
    want << totals(4700 + RecordingPrinter::lineHeight(9.5) + 200, u"10"_qs, u"90"_qs, u"16,2"_qs,
                   u"106,2"_qs, u"YüzAltı YTLYirmi Ykr"_qs);
    QCOMPARE(described(printer.lines()), described(want));
}

void TestBatchRun::headerTexts() {
    // A stored time of midnight is the day alone; a date that does not exist prints as it
    // stands. The number is a plain number text.
    RecordingPrinter p;
    printCampaignInvoice(p, settings(),
                         {-3, u"2024-01-31 00:00:00"_qs, u"B"_qs, u"Ad"_qs, {}, 0, {}}, {});
    printCampaignInvoice(p, settings(), {12.5, u"2024-02-30"_qs, u"B"_qs, u"Ad"_qs, {}, 0, {}}, {});
    QCOMPARE(
        (QStringList{p.lines()[0].text, p.lines()[1].text, p.lines()[14].text, p.lines()[15].text}),
        (QStringList{"31.01.2024", "-3   B   Ad", "2024-02-30", " 12,5   B   Ad"}));
}

void TestBatchRun::selection_data() {
    QTest::addColumn<QStringList>("typed");     // start, end, region
    QTest::addColumn<QStringList>("documents"); // each as "name:line,line"
    // Lines in table order, those of no invoice nowhere; two headers with one number share
    // its lines; a header without a number prints no name.
    QTest::newRow("all empty") << QStringList{"", "", ""}
                               << QStringList{
                                      "Üç:e,b", "Sıfır:c", "Bir:d", "İki:a",    "Sıfır Ankara:c",
                                      "On:",    ":",       "Boş:",  "Bölgesiz:"};
    // 10 is no number between 1 and 3, however it is stored.
    QTest::newRow("range and region")
        << QStringList{"1", "3", "İSTANBUL"} << QStringList{"Üç:e,b", "İki:a"};
    // Empty numbers count as 0, a missing one as none.
    QTest::newRow("region, no numbers")
        << QStringList{"", "", "İSTANBUL"} << QStringList{"Sıfır:c"};
    QTest::newRow("start after end") << QStringList{"3", "1", "İSTANBUL"} << QStringList{};
    QTest::newRow("lower case") << QStringList{"0", "9", "istanbul"} << QStringList{};
    QTest::newRow("other case") << QStringList{"0", "9", "Ankara"} << QStringList{};
    QTest::newRow("dotless capital I") << QStringList{"0", "9", "ISTANBUL"} << QStringList{};
    // An empty region matches only an empty one, never a missing one.
    QTest::newRow("empty region") << QStringList{"0", "9", ""} << QStringList{"Boş:"};
    QTest::newRow("numbers with text after them")
        << QStringList{"1.5 TL", "2x", "İSTANBUL"} << QStringList{"İki:a"};
}

void TestBatchRun::selection() {
    QFETCH(QStringList, typed);
    campaign(u"('3', 'İSTANBUL', NULL, 'X', 'Üç', '', 0), ('0', 'İSTANBUL', NULL, 'X', 'Sıfır', "
             "'', 0), ('1', 'ANKARA', NULL, 'X', 'Bir', '', 0), ('2', 'İSTANBUL', NULL, 'X', "
             "'İki', '', 0), ('0', 'ANKARA', NULL, 'X', 'Sıfır Ankara', '', 0), ('10', "
             "'İSTANBUL', NULL, 'X', 'On', '', 0), (NULL, 'İSTANBUL', NULL, 'X', 'Yok', '', 0), "
             "('4', '', NULL, 'X', 'Boş', '', 0), ('5', NULL, NULL, 'X', 'Bölgesiz', '', 0)"_qs,
             u"(2, 'a', 1, 1), (99, 'yetim', 1, 1), (3, 'e', 1, 1), (0, 'c', 1, 1), "
             "(1, 'd', 1, 1), (3, 'b', 1, 1), (NULL, 'boş', 1, 1)"_qs);
    const QByteArray before = fileBytes(m_db);
    // A list with nothing picked gives a null region: the same as an empty one.
    const KampanyaSecimi picked{typed[0], typed[1], typed[2].isEmpty() ? QString() : typed[2]};
    RecordingPrinter printer;
    int total = -1;
    const int printed =
        runBatch(printer, settings(), m_db, u"KAMPANYAT"_qs, picked, [&](int, int n) {
            total = n;
            return true;
        });
    QStringList documents;
    for (int d = 0; d < printer.documents(); ++d) {
        const QList<RecordingPrinter::Line> lines = document(printer, d);
        QStringList descriptions; // printed at the description margin
        for (const RecordingPrinter::Line &l : lines) {
            if (l.x == 1500)
                descriptions << l.text;
        }
        documents << lines.at(1).text.section(u"   "_qs, -1) + u':' + descriptions.join(u',');
        QCOMPARE(lines.at(3).text, typed[2]);
        // Every invoice starts its lines at the line block's top.
        if (!descriptions.isEmpty())
            QCOMPARE(lines.at(4).y, 4500.0);
    }
    QTEST(documents, "documents");
    QCOMPARE(printed, documents.size());
    QCOMPARE(total, documents.size());
    // A batch run only reads.
    QCOMPARE(fileBytes(m_db), before);
}

void TestBatchRun::withoutLinesAndMissingValues() {
    // The first invoice misses its district, date and discount, and two of its lines miss a
    // quantity or a price; the run goes on to the second, which has no lines at all.
    campaign(u"(4, 'ADANA', NULL, NULL, 'Ad', 'Adres', NULL), "
             "(5, 'ADANA', '2024-12-01', 'Seyhan', 'Ad', 'Adres', 10)"_qs,
             u"(4, 'Miktarsız', NULL, 3), (4, 'Fiyatsız', 2, NULL), (4, 'Tam', 2, 4.5)"_qs);
    RecordingPrinter printer;
    QCOMPARE(runBatch(printer, settings(), m_db, u"KAMPANYAT"_qs, {}), 2);

    QStringList first;
    for (const RecordingPrinter::Line &l : document(printer, 0))
        first << l.text;
    QCOMPARE(first.mid(0, 2), QStringList(2));
    QCOMPARE(first.mid(4, 12), (QStringList{"Miktarsız", "", "3", "", "Fiyatsız", "2", "", "",
                                            "Tam", "2", "4,5", "9"}));
    QCOMPARE((QStringList{first[18], first[21], first[25]}), (QStringList{"", "9", "10,62"}));

    // Without lines the block starts 200 twips below the line after the region, still in
    // the line block's font, and its figures come from a subtotal of 0.
    QList<Expected> second = {
        {u"01.12.2024"_qs, u"Tarih Yazısı"_qs, 10, 8400, 2400},
        {u" 5   Seyhan   Ad"_qs, u"Ad Yazısı"_qs, 11, 600, 2400},
        {u"Adres"_qs, u"Adres Yazısı"_qs, 9, 650, 2700},
        {QString(), u"Vergi Yazısı"_qs, 8, 700, 3300},
    };
    second << totals(3300 + RecordingPrinter::lineHeight(8) + 200, u"10"_qs, u"-10"_qs, u"-1,8"_qs,
                     u"-11,8"_qs, u"EksiOnBir YTLSeksen Ykr"_qs);
    QCOMPARE(described(document(printer, 1)), described(second));
}

void TestBatchRun::cancel() {
    campaign(u"(1, 'ADANA', NULL, 'X', 'a', '', 0), (2, 'ADANA', NULL, 'X', 'b', '', 0), "
             "(3, 'ADANA', NULL, 'X', 'c', '', 0), (4, 'ANKARA', NULL, 'X', 'd', '', 0), "
             "(5, 'ADANA', NULL, 'X', 'e', '', 0)"_qs);
    RecordingPrinter printer;
    QList<QPair<int, int>> calls;
    const int printed = runBatch(printer, settings(), m_db, u"KAMPANYAT"_qs,
                                 {u"1"_qs, u"5"_qs, u"ADANA"_qs}, [&](int done, int total) {
                                     calls << qMakePair(done, total);
                                     return done < 2;
                                 });
    QCOMPARE(printed, 2);
    QCOMPARE(printer.documents(), 2);
    QCOMPARE(calls, (QList<QPair<int, int>>{{0, 4}, {1, 4}, {2, 4}}));
}

QTEST_GUILESS_MAIN(TestBatchRun)
#include "test_batchrun.moc"
