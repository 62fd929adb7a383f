#include "../db/testdb.h"
#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "invoice/invoice.h"
#include "invoice/invoiceprint.h"
#include "pdftext.h"
#include "printfixture.h"
#include "printing/printtarget.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

class TestPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placementStep_data();
    void placementStep();
    void fullInvoice();
    void totals_data();
    void totals();
    void missingValues();
    void pdf();
    void pdfUnwritable();

private:
    QTemporaryDir m_dir;
};

namespace {

// A row of invoice 125 with its header: customer, addresses, tax office, VAT on top, dates.
StoredRow storedRow(double quantity, const QString &description, const QString &discount,
                    const QString &price) {
    const QStringList h = {
        "42",         "Şükrü Öztürk", "Atatürk Cad. No: 5", "Çankaya / ANKARA", "Kayıtlı VD",
        "01.05.2024", "A-77",         "30.04.2024"};
    return {h[0], h[1], h[2],     h[3],        h[4],     1,     h[5],        h[6],
            h[7], 125,  quantity, description, discount, price, std::nullopt};
}

QList<StoredRow> fullRows() {
    return {storedRow(2, u"Vida M8"_qs, u"10"_qs, u"50"_qs),
            storedRow(1.5, u"Somun"_qs, {}, u"1250.5"_qs), storedRow(3, u"Pul"_qs, {}, u"0.25"_qs)};
}

// Only "Dahil" prints the window's VAT text; this one must not appear.
const InvoicePrintInputs fullInputs = {u"125"_qs, u"Çankaya VD 1234567890"_qs, VatExcluded,
                                       u"999,99"_qs, u"18"_qs};

// The text printed at a placement's position.
QString printedAt(const RecordingPrinter &printer, const baski_yeri &p) {
    for (const RecordingPrinter::Line &l : printer.lines()) {
        if (l.x == leadingNumber(p.sol_bosluk) && l.y == leadingNumber(p.ust_bosluk))
            return l.text;
    }
    return u"<nothing printed>"_qs;
}

} // namespace

void TestPrinting::fullInvoice() {
    RecordingPrinter printer;
    printInvoice(printer, distinctSettings(), fullRows(), fullInputs);
    QCOMPARE(printer.documents(), 1);

    QList<Expected> want = {
        {u"01.05.2024"_qs, u"Tarih Yazısı"_qs, 10, 8400, 2400},
        {u" 125"_qs, u"Numara Yazısı"_qs, 14, 8430, 2100},
        {u"A-77"_qs, u"İrsaliye Yazısı"_qs, 12, 8410, 2700},
        {u"30.04.2024"_qs, u"İrsaliye Tarihi Yazısı"_qs, 13, 8420, 3000},
        {u"Şükrü Öztürk"_qs, u"Ad Yazısı"_qs, 11, 600, 2400},
        {u"Atatürk Cad. No: 5"_qs, u"Adres Yazısı"_qs, 9, 650, 2700},
        {u"Çankaya / ANKARA"_qs, u"Adres Yazısı"_qs, 9, 650, 2900},
        {u"Çankaya VD 1234567890"_qs, u"Vergi Yazısı"_qs, 8, 700, 3300},
    };
    // Quantity, description, discount, price and amount at their margins; the lines are
    // satir_arasi_bosluk × 100 twips apart.
    const QString line = u"Satır Yazısı"_qs;
    const QList<QStringList> cells = {{" 2", "Vida M8", "10", "50", "100,00"},
                                      {" 1,5", "Somun", "", "1250.5", "1.875,75"},
                                      {" 3", "Pul", "", "0.25", "0,75"}};
    for (int r = 0; r < cells.size(); ++r) {
        for (int c = 0; c < 5; ++c)
            want << Expected{cells[r][c], line, 9.5,
                             QList{600.0, 1500.0, 6100.0, 7000.0, 9200.0}[c], 4500.0 + 300 * r};
    }
    // 100,00 + 1.875,75 + 0,75 = 1.976,50; discount 10,00; VAT 18 % of 1.966,50 = 353,97.
    want << QList<Expected>{{u"1.976,50"_qs, line, 9.5, 9220, 11700},
                            {u"10,00"_qs, line, 9.5, 9210, 12000},
                            {u"Y. İkiBinÜçYüzYirmi YTLKırkYedi Ykr"_qs, line, 9.5, 600, 13500},
                            {u"18"_qs, line, 9.5, 7800, 12600},
                            {u"353,97"_qs, line, 9.5, 9230, 12600},
                            {u"2.320,47"_qs, line, 9.5, 9240, 12900}};
    QCOMPARE(described(printer.lines()), described(want));
}

void TestPrinting::totals_data() {
    // One stored line (quantity, discount percent, price), the window's VAT mode and rate, then
    // the discount total, VAT and grand total that must be printed.
    QTest::addColumn<QStringList>("line");
    QTest::addColumn<int>("vatMode");
    QTest::addColumn<QString>("vatRate");
    QTest::addColumn<QStringList>("printed");
    const QStringList hundred{"1", "", "100"};
    const QStringList twoAtFifty{"2", "10", "50"};
    QTest::newRow("Dahil") << hundred << 0 << u"18"_qs << QStringList{"", "Dahil", "100,00"};
    // The discount lowers the VAT base, as on screen.
    QTest::newRow("discount, Hariç")
        << twoAtFifty << 1 << u"18"_qs << QStringList{"10,00", "16,20", "106,20"};
    QTest::newRow("discount, Dahil")
        << twoAtFifty << 0 << u"18"_qs << QStringList{"10,00", "Dahil", "90,00"};
    // The settings say 20: the window's rate counts.
    QTest::newRow("window's rate")
        << hundred << 1 << u"8,5"_qs << QStringList{"", "8,50", "108,50"};
}

void TestPrinting::totals() {
    QFETCH(QStringList, line);
    QFETCH(int, vatMode);
    QFETCH(QString, vatRate);
    const ayarlar s = distinctSettings();
    RecordingPrinter p;
    // The window's VAT box says "Dahil"; only that mode may print it.
    printInvoice(p, s, {storedRow(line[0].toDouble(), u"kalem"_qs, line[1], line[2])},
                 {u"125"_qs, {}, vatMode, u"Dahil"_qs, vatRate});
    QTEST((QStringList{printedAt(p, s.yer_iskonto), printedAt(p, s.yer_kdv_tutari),
                       printedAt(p, s.yer_genel_toplam)}),
          "printed");
}

void TestPrinting::missingValues() {
    // A row whose every column is NULL, a discount that is no number, a row without
    // quantity: nothing stops the print, and what is missing prints empty and counts as 0.
    // Only the first row's header prints; its second address line, even empty, 200 twips
    // under the first.
    StoredRow noQuantity = storedRow(0, u"Miktarsız"_qs, u"10"_qs, u"7"_qs);
    noQuantity.miktar.reset();
    RecordingPrinter printer;
    printInvoice(printer, distinctSettings(),
                 {StoredRow(), storedRow(2, u"Tuhaf"_qs, u"yüzde on"_qs, u"50"_qs), noQuantity},
                 fullInputs);
    QCOMPARE(described(printer.lines().mid(6, 1)),
             described(QList<Expected>{{{}, u"Adres Yazısı"_qs, 9, 650, 2900}}));
    QStringList texts;
    for (const RecordingPrinter::Line &l : printer.lines())
        texts << l.text;
    QCOMPARE(texts.mid(0, 8), (QStringList{"", "", "", "", "", "", "", "Çankaya VD 1234567890"}));
    QCOMPARE(texts.mid(8, 15), (QStringList{"", "", "", "", "0,00", " 2", "Tuhaf", "yüzde on", "50",
                                            "100,00", "", "Miktarsız", "10", "7", "0,00"}));
    QCOMPARE(texts.mid(23), (QStringList{"100,00", "0,00", u"Y. "_qs + yaziyacevir(u"118,00"_qs),
                                         "18", "18,00", "118,00"}));
}

void TestPrinting::pdf() {
    if (!havePdftotext())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QString path = m_dir.filePath(u"fatura-125.pdf"_qs);
    const ayarlar settings = defaultSettings();
    {
        PdfPrinter printer(path);
        printInvoice(printer, settings, fullRows(), fullInputs);
        printer.finish();
    }
    QCOMPARE(pdfPageCount(path), 1);
    const QString text = pdfText(path);
    for (const QString &s :
         {u"01.05.2024"_qs, u"Çankaya / ANKARA"_qs, u"Vida M8"_qs, u"1.875,75"_qs, u"2.320,47"_qs,
          u"Y. İkiBinÜçYüzYirmi YTLKırkYedi Ykr"_qs})
        QVERIFY2(text.contains(s), qPrintable(s));
    // The name where the settings put it: points = twips / 20 + the 10 pt margin.
    const PdfWord w = pdfWord(path, u"Şükrü"_qs);
    QVERIFY2(qAbs(w.x - (leadingNumber(settings.yer_adi_soyadi.sol_bosluk) / 20 + 10)) < 0.75 &&
                 qAbs(w.y - (leadingNumber(settings.yer_adi_soyadi.ust_bosluk) / 20 + 10)) < 0.75,
             QByteArray::number(w.x) + ", " + QByteArray::number(w.y));

    for (const PdfPrinter::Mode mode : {PdfPrinter::OneFile, PdfPrinter::FilePerDocument}) {
        // A batch run without a printer: three invoices, an empty document after each.
        PrintTarget target = pdfPrintTarget(u"toplu"_qs, mode, m_dir.path());
        QCOMPARE(QFileInfo(target.pdfPath).absolutePath(), m_dir.filePath(u"baskilar"_qs));
        target.printer->setFontName(u"DejaVu Sans"_qs);
        target.printer->setFontSize(10);
        for (int n = 1; n <= 3; ++n) {
            target.printer->setY(1000);
            target.printer->printLine(u"Belge%1"_qs.arg(n));
            target.printer->printLine(u"ikinci"_qs);
            target.printer->endDocument();
            target.printer->endDocument();
        }
        target.printer->finish();

        QString first = target.pdfPath;
        if (mode == PdfPrinter::FilePerDocument) {
            QCOMPARE(QDir(target.pdfPath).entryList(QDir::Files),
                     (QStringList{"toplu-1.pdf", "toplu-2.pdf", "toplu-3.pdf"}));
            first = QDir(target.pdfPath).filePath(u"toplu-1.pdf"_qs);
        }
        QCOMPARE(pdfPageCount(first), mode == PdfPrinter::OneFile ? 3 : 1);
        // The next line is one line of the font lower, measured at the PDF's resolution.
        const double y1 = pdfWord(first, u"Belge1"_qs).y;
        const double y2 = pdfWord(first, u"ikinci"_qs).y;
        QVERIFY2(qAbs(y1 - (1000 / 20 + 10)) < 0.75 && y2 - y1 > 10 && y2 - y1 < 14,
                 QByteArray::number(y1) + ", " + QByteArray::number(y2));
    }
}

void TestPrinting::pdfUnwritable() {
    const QString missing = m_dir.filePath(u"olmayan/klasor/fatura.pdf"_qs);
    for (PdfPrinter::Mode mode : {PdfPrinter::OneFile, PdfPrinter::FilePerDocument}) {
        PdfPrinter printer(missing, mode);
        const QString message =
            testdb::thrownText<PrinterError>([&] { printer.printLine(u"x"_qs); });
        QVERIFY2(message.startsWith(u"PDF dosyası yazılamadı: "_qs + m_dir.filePath(u"olmayan"_qs)),
                 qPrintable(message));
        // The printer stays usable: ending and finishing do not fail again.
        printer.endDocument();
        printer.finish();
    }
    // A folder for one file per document that cannot be made fails at once.
    QVERIFY(testdb::thrownText<PrinterError>([&] {
                pdfPrintTarget(QString(300, u'a'), PdfPrinter::FilePerDocument, m_dir.path());
            }).startsWith(u"Baskı klasörü oluşturulamadı"_qs));
}

void TestPrinting::placementStep_data() {
    QTest::addColumn<QStringList>("placement"); // x, y, face, size
    QTest::addColumn<double>("yOffset");
    QTest::addColumn<QString>("wantFace");
    QTest::addColumn<QList<double>>("want"); // size, x, y

    // The printer starts each case with face "Önceki" and size 12.
    const auto add = [](const char *name, const QStringList &placement, double yOffset,
                        const char *wantFace, const QList<double> &want) {
        QTest::newRow(name) << placement << yOffset << QString::fromUtf8(wantFace) << want;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double max = maxTwips;
    const QString huge(400, u'9');

    add("leading numbers", {"  1500 twips", "-100abc", "Arial", "10.5pt"}, 0, "Arial",
        {10.5, 1500, -100});
    // Unusable faces and sizes keep the current font.
    add("empty face", {"1", "2", "", "9"}, 0, "Önceki", {9, 1, 2});
    add("size 0", {"1", "2", "Arial", "0"}, 0, "Arial", {12, 1, 2});
    add("largest size", {"1", "2", "Arial", "1000"}, 0, "Arial", {1000, 1, 2});
    add("size larger than a sheet", {"1", "2", "Arial", "1000.5"}, 0, "Arial", {12, 1, 2});
    // Positions are held within range, so that any turns into device units.
    add("positions of 400 digits", {huge, u'-' + huge, "Arial", "10"}, 0, "Arial", {10, max, -max});
    add("infinite offset", {"1", "2", "Arial", "10"}, inf, "Arial", {10, 1, max});
    // inf - inf is no number at all; such a position goes to the corner.
    add("infinite position and opposite offset", {"1", huge, "Arial", "10"}, -inf, "Arial",
        {10, 1, 0});
}

void TestPrinting::placementStep() {
    QFETCH(QStringList, placement);
    QFETCH(double, yOffset);
    RecordingPrinter printer;
    printer.setFontName(u"Önceki"_qs);
    printer.setFontSize(12);
    printer.setX(77);
    printer.setY(88);
    placeAndPrint(printer, {placement[0], placement[1], placement[2], placement[3]}, u"değer"_qs,
                  yOffset);
    QCOMPARE(printer.lines().size(), 1);
    const RecordingPrinter::Line &line = printer.lines().first();
    QCOMPARE(line.text, u"değer"_qs);
    QTEST(line.fontName, "wantFace");
    QTEST((QList<double>{line.fontSize, line.x, line.y}), "want");
    QVERIFY(std::isfinite(printer.y()));
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
