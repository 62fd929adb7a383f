#include "base/numbers.h"
#include "printing/printtarget.h"
#include "tests/common/pdftext.h"
#include "tests/common/testdb.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

class TestPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placementStep_data();
    void placementStep();
    void pdf();
    void pdfUnwritable();

private:
    QTemporaryDir m_dir;
};

void TestPrinting::pdf() {
    if (!havePdftotext())
        QSKIP("pdftotext (poppler-utils) is not installed");
    // The name's placement, in a font every machine with pdftotext has.
    const baski_yeri name{defaultSettings().yer_adi_soyadi.sol_bosluk,
                          defaultSettings().yer_adi_soyadi.ust_bosluk, u"DejaVu Sans"_qs, u"10"_qs};
    for (const PdfPrinter::Mode mode : {PdfPrinter::OneFile, PdfPrinter::FilePerDocument}) {
        // A batch run without a printer: three invoices, an empty document after each.
        PrintTarget target = pdfPrintTarget(u"toplu"_qs, mode, m_dir.path());
        QCOMPARE(QFileInfo(target.pdfPath).absolutePath(), m_dir.filePath(u"baskilar"_qs));
        for (int n = 1; n <= 3; ++n) {
            placeAndPrint(*target.printer, name, u"Şükrü%1 Öztürk ğüşıöçİ"_qs.arg(n));
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
        QVERIFY2(pdfText(first).contains(u"Şükrü1 Öztürk ğüşıöçİ"_qs), qPrintable(pdfText(first)));
        // The placement where the settings put it (points = twips / 20 + the 10 pt margin); the
        // next line one line of the font lower, measured at the PDF's resolution.
        const PdfWord w = pdfWord(first, u"Şükrü1"_qs);
        const double y2 = pdfWord(first, u"ikinci"_qs).y;
        QVERIFY2(qAbs(w.x - (leadingNumber(name.sol_bosluk) / 20 + 10)) < 0.75 &&
                     qAbs(w.y - (leadingNumber(name.ust_bosluk) / 20 + 10)) < 0.75 &&
                     y2 - w.y > 10 && y2 - w.y < 14,
                 QByteArray::number(w.x) + ", " + QByteArray::number(w.y) + ", " +
                     QByteArray::number(y2));
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
    QTEST(line.fontName, "wantFace");
    QTEST((QList<double>{line.fontSize, line.x, line.y}), "want");
    QVERIFY(std::isfinite(printer.y()));
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
