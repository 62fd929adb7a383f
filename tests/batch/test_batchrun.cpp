#include "../db/testdb.h"
#include "batch/batchrun.h"
#include "words/yaziyacevir.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// Every placement the run uses with a face and size of its own, so an item printed at the
// wrong place or in the wrong font shows. The totals' own fonts must never be used.
ayarlar settings() {
    ayarlar a = varsayilanAyarlar();
    a.kdv_yuzde = u"18"_qs;
    a.yer_fatura_tarihi = {u"8400"_qs, u"2400"_qs, u"Tarih Yazısı"_qs, u"10"_qs};
    a.yer_adi_soyadi = {u"600"_qs, u"2400"_qs, u"Ad Yazısı   "_qs, u"11"_qs};
    a.yer_adresi = {u"650"_qs, u"2700"_qs, u"Adres Yazısı"_qs, u"9"_qs};
    a.yer_vergi_dairesi = {u"700"_qs, u"3300"_qs, u"Bölge Yazısı"_qs, u"8"_qs};
    a.yer_fatura_hareketleri = {u"9999"_qs, u"4500"_qs, u"Satır Yazısı"_qs, u"9.5"_qs};
    a.yer_kdv_orani = {u"7800"_qs, u"12600"_qs, u"Oran Yazısı"_qs, u"30"_qs};
    a.yer_kdv_tutari = {u"9230"_qs, u"12900"_qs, u"Toplam Yazısı"_qs, u"31"_qs};
    a.yer_genel_toplam = {u"9240"_qs, u"13200"_qs, u"Toplam Yazısı"_qs, u"32"_qs};
    a.yer_yazi_ile = {u"600"_qs, u"13500"_qs, u"Yazı Yazısı"_qs, u"33"_qs};
    // The line advance is fixed; this must not change it.
    a.satir_arasi_bosluk = u"3"_qs;
    a.marj_aciklama = u"1500"_qs;
    a.marj_miktar = u"600"_qs;
    a.marj_br_fiyat = u"7000"_qs;
    a.marj_tutar = u"9200"_qs;
    return a;
}

const QString lineFont = u"Satır Yazısı"_qs;
const double lineHeight = RecordingPrinter::lineHeight(9.5);
const QString rule = u"__________________"_qs;

struct Expected {
    QString text;
    QString face;
    double size;
    double x;
    double y;
};

void compareLines(const QList<RecordingPrinter::Line> &got, const QList<Expected> &want) {
    QCOMPARE(got.size(), want.size());
    for (qsizetype i = 0; i < want.size(); ++i) {
        const RecordingPrinter::Line &g = got.at(i);
        const Expected &w = want.at(i);
        const QByteArray at = "line " + QByteArray::number(i + 1) + " (" + w.text.toUtf8() + ")";
        QVERIFY2(g.text == w.text, at + ": text " + g.text.toUtf8());
        QVERIFY2(g.fontName == w.face, at + ": face " + g.fontName.toUtf8());
        QVERIFY2(g.fontSize == w.size, at + ": size " + QByteArray::number(g.fontSize));
        QVERIFY2(g.x == w.x, at + ": x " + QByteArray::number(g.x));
        QVERIFY2(g.y == w.y, at + ": y " + QByteArray::number(g.y));
    }
}

// The totals block and the four items after it, the block starting `top` twips down.
QList<Expected> totals(double top, const QString &discount, const QString &base, const QString &vat,
                       const QString &grandTotal, const QString &money) {
    const double h = lineHeight;
    const double y1 = top;
    const double y2 = y1 + h + 150;
    const double y3 = y2 + h - 250;
    const double y4 = y3 + h - 100;
    const double y5 = y4 + h + 75;
    const double y6 = y5 + h - 175;
    return {
        {rule, lineFont, 9.5, 9200, y1},
        {u"ISKONTO"_qs, lineFont, 9.5, 8000, y2},
        {discount, lineFont, 9.5, 9200, y3},
        {rule, lineFont, 9.5, 9200, y4},
        {u"KDV MATRAHI"_qs, lineFont, 9.5, 8000, y5},
        {base, lineFont, 9.5, 9200, y6},
        {u"Y. "_qs + yaziyacevir(money) + u" TL"_qs, lineFont, 9.5, 600, 13500},
        {u"18"_qs, lineFont, 9.5, 7800, 12600},
        {vat, lineFont, 9.5, 9230, 12900},
        {grandTotal, lineFont, 9.5, 9240, 13200},
    };
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
    void init();
    void fullInvoice();
    void headerTexts_data();
    void headerTexts();
    void selection_data();
    void selection();
    void withoutLinesAndMissingValues();
    void cancel();

private:
    // A campaign KAMPANYAT with these header and line rows (SQL value lists).
    void campaign(const QString &headers, const QString &lines);

    QTemporaryDir m_dir;
    QString m_db;
};

void TestBatchRun::init() {
    m_db = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u".MDB"_qs);
    QFile::remove(m_db);
    veritabaniOlustur(m_db);
}

void TestBatchRun::campaign(const QString &headers, const QString &lines) {
    QStringList sql = {u"CREATE TABLE KAMPANYAT (ADI TEXT)"_qs,
                       u"CREATE TABLE FATCARIKAMPANYAT (SIRANO INTEGER, DAGITIM_BOLGESI TEXT, "
                       "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
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
        {u"ANKARA"_qs, u"Bölge Yazısı"_qs, 8, 700, 3300},
        {u"Çay 1 kg"_qs, lineFont, 9.5, 1500, 4500},
        {u"2"_qs, lineFont, 9.5, 600, 4500},
        {u"12,5"_qs, lineFont, 9.5, 7000, 4500},
        {u"25"_qs, lineFont, 9.5, 9200, 4500},
        {u"Şeker"_qs, lineFont, 9.5, 1500, 4700},
        {u"3"_qs, lineFont, 9.5, 600, 4700},
        {u"25"_qs, lineFont, 9.5, 7000, 4700},
        {u"75"_qs, lineFont, 9.5, 9200, 4700},
    };
    want << totals(4700 + lineHeight + 200, u"10"_qs, u"90"_qs, u"16,2"_qs, u"106,2"_qs,
                   u"106,20"_qs);
    compareLines(printer.lines(), want);
}

void TestBatchRun::headerTexts_data() {
    QTest::addColumn<QVariant>("sirano");
    QTest::addColumn<QVariant>("date");
    QTest::addColumn<QString>("nameLine");
    QTest::addColumn<QString>("dateText");

    const QVariant null;
    QTest::newRow("ISO date") << QVariant(7) << QVariant(u"2024-11-05"_qs) << u" 7   B   Ad"_qs
                              << u"05.11.2024"_qs;
    QTest::newRow("midnight") << QVariant(0) << QVariant(u"2024-01-31 00:00:00"_qs)
                              << u" 0   B   Ad"_qs << u"31.01.2024"_qs;
    QTest::newRow("time of day") << QVariant(-3) << QVariant(u"2024-01-31 13:45:10"_qs)
                                 << u"-3   B   Ad"_qs << u"31.01.2024 13:45:10"_qs;
    QTest::newRow("Turkish date") << QVariant(12.5) << QVariant(u"31.01.2024"_qs)
                                  << u" 12,5   B   Ad"_qs << u"31.01.2024"_qs;
    QTest::newRow("no such day") << QVariant(u"8"_qs) << QVariant(u"2024-02-30"_qs)
                                 << u" 8   B   Ad"_qs << u"2024-02-30"_qs;
    QTest::newRow("missing") << null << null << QString() << QString();
}

void TestBatchRun::headerTexts() {
    QFETCH(QVariant, sirano);
    QFETCH(QVariant, date);
    QFETCH(QString, nameLine);
    QFETCH(QString, dateText);
    RecordingPrinter printer;
    printCampaignInvoice(printer, settings(), {sirano, date, u"B"_qs, u"Ad"_qs, u"Adres"_qs, 0, {}},
                         u"ADANA"_qs);
    QCOMPARE(printer.lines().at(0).text, dateText);
    QCOMPARE(printer.lines().at(1).text, nameLine);
}

void TestBatchRun::selection_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("all empty") << ""
                               << ""
                               << "" << QStringList{"Üç", "Sıfır", "Bir", "İki", "Sıfır Ankara"};
    QTest::newRow("range and region") << "1"
                                      << "3"
                                      << "İSTANBUL" << QStringList{"Üç", "İki"};
    QTest::newRow("region, no numbers") << ""
                                        << ""
                                        << "İSTANBUL" << QStringList{"Sıfır"};
    QTest::newRow("start after end") << "3"
                                     << "1"
                                     << "İSTANBUL" << QStringList{};
    QTest::newRow("lower case") << "0"
                                << "9"
                                << "istanbul" << QStringList{};
    QTest::newRow("dotless capital I") << "0"
                                       << "9"
                                       << "ISTANBUL" << QStringList{};
}

void TestBatchRun::selection() {
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, region);
    QFETCH(QStringList, names);
    campaign(
        u"(3, 'İSTANBUL', NULL, 'X', 'Üç', '', 0), (0, 'İSTANBUL', NULL, 'X', 'Sıfır', '', 0), "
        "(1, 'ANKARA', NULL, 'X', 'Bir', '', 0), (2, 'İSTANBUL', NULL, 'X', 'İki', '', 0), "
        "(0, 'ANKARA', NULL, 'X', 'Sıfır Ankara', '', 0)"_qs,
        // Line 99 belongs to no invoice.
        u"(2, 'a', 1, 1), (99, 'yetim', 1, 1), (3, 'b', 1, 1), (0, 'c', 1, 1), "
        "(1, 'd', 1, 1), (3, 'e', 1, 1)"_qs);
    RecordingPrinter printer;
    QCOMPARE(runBatch(printer, settings(), m_db, u"KAMPANYAT"_qs, {start, end, region}),
             names.size());
    QCOMPARE(printer.documents(), names.size());
    for (int d = 0; d < names.size(); ++d) {
        const QList<RecordingPrinter::Line> lines = document(printer, d);
        QVERIFY(lines.at(1).text.endsWith(u"   X   "_qs + names.at(d)));
        QCOMPARE(lines.at(3).text, region);
        // Every invoice starts its lines at the line block's top.
        QCOMPARE(lines.at(4).y, 4500.0);
    }
    for (const RecordingPrinter::Line &l : printer.lines())
        QVERIFY(l.text != u"yetim"_qs);
}

void TestBatchRun::withoutLinesAndMissingValues() {
    // The first invoice misses its district, date and discount, and two of its lines miss a
    // quantity or a price; the run goes on to the second, which has no lines at all.
    campaign(u"(4, 'ADANA', NULL, NULL, 'Ad', 'Adres', NULL), "
             "(5, 'ADANA', '2024-12-01', 'Seyhan', 'Ad', 'Adres', 10)"_qs,
             u"(4, 'Miktarsız', NULL, 3), (4, 'Fiyatsız', 2, NULL), (4, 'Tam', 2, 4.5)"_qs);
    RecordingPrinter printer;
    QCOMPARE(runBatch(printer, settings(), m_db, u"KAMPANYAT"_qs, {}), 2);

    const QList<RecordingPrinter::Line> first = document(printer, 0);
    QCOMPARE(first.at(0).text, QString());
    QCOMPARE(first.at(1).text, QString());
    QStringList cells;
    for (qsizetype i = 4; i < 16; ++i)
        cells << first.at(i).text;
    QCOMPARE(cells, (QStringList{"Miktarsız", "", "3", "", "Fiyatsız", "2", "", "", "Tam", "2",
                                 "4,5", "9"}));
    QCOMPARE(first.at(18).text, QString()); // the discount
    QCOMPARE(first.at(21).text, u"9"_qs);
    QCOMPARE(first.at(25).text, u"10,62"_qs);

    // Without lines the block starts 200 twips below the line after the region, still in
    // the line block's font, and its figures come from a subtotal of 0.
    QList<Expected> second = {
        {u"01.12.2024"_qs, u"Tarih Yazısı"_qs, 10, 8400, 2400},
        {u" 5   Seyhan   Ad"_qs, u"Ad Yazısı"_qs, 11, 600, 2400},
        {u"Adres"_qs, u"Adres Yazısı"_qs, 9, 650, 2700},
        {QString(), u"Bölge Yazısı"_qs, 8, 700, 3300},
    };
    second << totals(3300 + RecordingPrinter::lineHeight(8) + 200, u"10"_qs, u"-10"_qs, u"-1,8"_qs,
                     u"-11,8"_qs, u"-11,80"_qs);
    compareLines(document(printer, 1), second);
}

void TestBatchRun::cancel() {
    campaign(u"(1, 'ADANA', NULL, 'X', 'a', '', 0), (2, 'ADANA', NULL, 'X', 'b', '', 0), "
             "(3, 'ADANA', NULL, 'X', 'c', '', 0), (4, 'ANKARA', NULL, 'X', 'd', '', 0), "
             "(5, 'ADANA', NULL, 'X', 'e', '', 0)"_qs,
             {});
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
