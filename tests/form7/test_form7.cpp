// Mouse events go through the window system, as a user's do, so that a release belongs to
// the widget that took the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "gui/Form7.h"
#include "gui/imagebutton.h"
#include "gui/messages.h"
#include "invoice/batchrun.h"
#include "invoice/workspace.h"
#include "tests/common/printfixture.h"
#include "tests/common/testdb.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "tests/common/recorder.h"

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

QStringList entries(const Form7 &w, const char *name) {
    const auto *c = w.findChild<QComboBox *>(QString::fromLatin1(name));
    QStringList s;
    for (int i = 0; i < c->count(); ++i)
        s << c->itemText(i);
    return s;
}

} // namespace

class TestForm7 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void fullInvoice();
    void headerTexts();
    void selection_data();
    void selection();
    void withoutLinesAndMissingValues();
    void cancel();
    void window();

private:
    // A new database with a campaign KAMPANYAT of these header and line rows (SQL value
    // lists). As an import may leave it, numbers may be kept as text and the region column
    // ignores case as far as SQLite is concerned.
    void campaign(const QString &headers, const QString &lines = {});
    // Nine invoices for the selection cases, in settings that name their database.
    void sampleCampaign();

    QTemporaryDir m_dir;
    Workspace m_workspace{m_dir.path()};
    QString m_db;
    int m_databases = 0;
    QStringList m_messages;
    QList<PdfPrinter::Mode> m_targets;
    RecordingPrinter m_printed;
};

// The batch window's messages are kept and its printing recorded.
void TestForm7::initTestCase() {
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m.text;
        return false;
    });
    m_workspace.seams.printTarget = [this](const QString &, PdfPrinter::Mode mode) {
        m_targets << mode;
        PrintTarget t;
        t.printer = std::make_unique<Recorder>(m_printed);
        t.pdfPath = u"baskilar/kampanya"_qs;
        return t;
    };
}

void TestForm7::cleanupTestCase() {
    Messages::setTestHandler({});
}

void TestForm7::campaign(const QString &headers, const QString &lines) {
    m_db = m_dir.filePath(u"%1.MDB"_qs.arg(++m_databases));
    createDatabase(m_db);
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

void TestForm7::sampleCampaign() {
    campaign(u"('3', 'İSTANBUL', NULL, 'X', 'Üç', '', 0), ('0', 'İSTANBUL', NULL, 'X', 'Sıfır', "
             "'', 0), ('1', 'ANKARA', NULL, 'X', 'Bir', '', 0), ('2', 'İSTANBUL', NULL, 'X', "
             "'İki', '', 0), ('0', 'ANKARA', NULL, 'X', 'Sıfır Ankara', '', 0), ('10', "
             "'İSTANBUL', NULL, 'X', 'On', '', 0), (NULL, 'İSTANBUL', NULL, 'X', 'Yok', '', 0), "
             "('4', '', NULL, 'X', 'Boş', '', 0), ('5', NULL, NULL, 'X', 'Bölgesiz', '', 0)"_qs,
             u"(2, 'a', 1, 1), (99, 'yetim', 1, 1), (3, 'e', 1, 1), (0, 'c', 1, 1), "
             "(1, 'd', 1, 1), (3, 'b', 1, 1), (NULL, 'boş', 1, 1)"_qs);
    ayarlar a = defaultSettings();
    a.veritabani_yolu = m_db;
    ayarlari_yaz(a, m_workspace.settingsPath());
}

void TestForm7::fullInvoice() {
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
    };
    // Description, quantity, price and amount of each line, 200 twips apart.
    const QList<QStringList> cells = {{"Çay 1 kg", "2", "12,5", "25"}, {"Şeker", "3", "25", "75"}};
    for (int r = 0; r < cells.size(); ++r) {
        for (int c = 0; c < 4; ++c)
            want << Expected{cells[r][c], lineFont, 9.5, QList{1500.0, 600.0, 7000.0, 9200.0}[c],
                             4500.0 + 200 * r};
    }
    want << totals(4700 + RecordingPrinter::lineHeight(9.5) + 200, u"10"_qs, u"90"_qs, u"16,2"_qs,
                   u"106,2"_qs, u"YüzAltı YTLYirmi Ykr"_qs);
    QCOMPARE(described(printer.lines()), described(want));
}

void TestForm7::headerTexts() {
    // A stored time of midnight is the day alone; a date that does not exist prints as it
    // stands. The number is a plain number text.
    RecordingPrinter p;
    const auto print = [&](const CampaignInvoice &stored) {
        printCampaignInvoice(p, settings(), campaignInvoiceModel(stored, settings()), {});
    };
    print({-3, u"2024-01-31 00:00:00"_qs, u"B"_qs, u"Ad"_qs, {}, 0, {}});
    print({12.5, u"2024-02-30"_qs, u"B"_qs, u"Ad"_qs, {}, 0, {}});
    QCOMPARE(
        (QStringList{p.lines()[0].text, p.lines()[1].text, p.lines()[14].text, p.lines()[15].text}),
        (QStringList{"31.01.2024", "-3   B   Ad", "2024-02-30", " 12,5   B   Ad"}));
}

void TestForm7::selection_data() {
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

void TestForm7::selection() {
    QFETCH(QStringList, typed);
    sampleCampaign();
    const QByteArray before = fileBytes(m_db);
    // A list with nothing picked gives a null region: the same as an empty one.
    const CampaignSelection picked{typed[0], typed[1], typed[2].isEmpty() ? QString() : typed[2]};
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

void TestForm7::withoutLinesAndMissingValues() {
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

void TestForm7::cancel() {
    sampleCampaign();
    RecordingPrinter printer;
    QList<QPair<int, int>> calls;
    const int printed =
        runBatch(printer, settings(), m_db, u"KAMPANYAT"_qs, {}, [&](int done, int total) {
            calls << qMakePair(done, total);
            return done < 2;
        });
    QCOMPARE(printed, 2);
    QCOMPARE(printer.documents(), 2);
    QCOMPARE(calls, (QList<QPair<int, int>>{{0, 9}, {1, 9}, {2, 9}}));
}

void TestForm7::window() {
    sampleCampaign();
    {
        Form7 w(m_workspace);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // The database's campaign tables; which those are is checked in tests/db.
        QCOMPARE(entries(w, "Combo1"), QStringList{"KAMPANYAT"});
        QCOMPARE(entries(w, "Combo2"),
                 (QStringList{"ANTALYA", "ADANA", "ANKARA", "İSTANBUL", "İZMİR", "TRABZON"}));
        for (const char *name : {"Combo1", "Combo2"})
            QCOMPARE(w.findChild<QComboBox *>(QString::fromLatin1(name))->currentIndex(), -1);
        auto *b = w.findChild<ImageButton *>(u"Yazdir"_qs);
        const QPoint caption = b->captionRect().center();
        QTest::mouseClick(b, Qt::LeftButton, {}, caption);
        QCOMPARE(m_messages, QStringList{u"Kampanya seçiniz!"_qs});
        m_messages.clear();

        // Pressed on the caption and let go elsewhere: the picture comes back, nothing prints.
        w.findChild<QComboBox *>(u"Combo1"_qs)->setCurrentIndex(0);
        QTest::mousePress(b, Qt::LeftButton, {}, caption);
        QVERIFY(b->isDown());
        QTest::mouseMove(&w, QPoint(5, 5));
        QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!b->isDown());
        QVERIFY(m_targets.isEmpty());
        QVERIFY(m_messages.isEmpty());

        w.findChild<QRadioButton *>(u"AyriPdf"_qs)->setChecked(true);
        QTest::mouseClick(b, Qt::LeftButton, {}, caption);
        // Both numbers and the region empty: every invoice of the campaign.
        QCOMPARE(m_targets, QList<PdfPrinter::Mode>{PdfPrinter::FilePerDocument});
        QCOMPARE(m_printed.documents(), 9);
        QCOMPARE(m_messages, QStringList{pdfNotice(u"baskilar/kampanya"_qs)});
    }
    // Without its database the window opens all the same, after a message naming the file
    // as the settings name it.
    m_messages.clear();
    QFile::remove(m_db);
    Form7 w(m_workspace);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.at(0).contains(m_db), qPrintable(m_messages.at(0)));
    QVERIFY(entries(w, "Combo1").isEmpty());
    QCOMPARE(entries(w, "Combo2").size(), 6);
}

QTEST_MAIN(TestForm7)
#include "test_form7.moc"
