#include "base/numbers.h"
#include "printing/printtarget.h"
#include "tests/common/pdftext.h"
#include "tests/common/printfixture.h"
#include "tests/common/testdb.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

class TestPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placementStep();
    void pdf();
    void pdfUnwritable();

private:
    QTemporaryDir m_dir;
};

// A batch run without a printer, a file per invoice: the empty document after each makes
// no file of its own.
void TestPrinting::pdf() {
    if (!havePdftotext())
        QSKIP("pdftotext (poppler-utils) is not installed");
    PrintTarget target = pdfPrintTarget(u"toplu"_qs, PdfPrinter::FilePerDocument, m_dir.path());
    target.printer->setFontName(u"DejaVu Sans"_qs); // a font every machine with pdftotext has
    for (int n = 1; n <= 3; ++n) {
        target.printer->printLine(u"Şükrü%1 Öztürk"_qs.arg(n));
        target.printer->endDocument();
        target.printer->endDocument();
    }
    target.printer->finish();
    const QDir folder(target.pdfPath);
    QCOMPARE(folder.entryList(QDir::Files),
             (QStringList{"toplu-1.pdf", "toplu-2.pdf", "toplu-3.pdf"}));
    QCOMPARE(pdfPageCount(folder.filePath(u"toplu-3.pdf"_qs)), 1);
    QVERIFY(pdfText(folder.filePath(u"toplu-3.pdf"_qs)).contains(u"Şükrü3 Öztürk"_qs));
}

void TestPrinting::pdfUnwritable() {
    PdfPrinter printer(m_dir.filePath(u"olmayan/klasor/fatura.pdf"_qs), PdfPrinter::OneFile);
    const QString message = testdb::thrownText<PrinterError>([&] { printer.printLine(u"x"_qs); });
    QVERIFY2(message.startsWith(u"PDF dosyası yazılamadı: "_qs + m_dir.filePath(u"olmayan"_qs)),
             qPrintable(message));
    // The printer stays usable: ending and finishing do not fail again.
    printer.endDocument();
    printer.finish();
    // A folder for one file per document that cannot be made fails at once.
    QVERIFY(testdb::thrownText<PrinterError>([&] {
                pdfPrintTarget(QString(300, u'a'), PdfPrinter::FilePerDocument, m_dir.path());
            }).startsWith(u"Baskı klasörü oluşturulamadı"_qs));
}

// Each placement printed by a printer that has face "Önceki", size 12 and stands at 77, 88,
// with the line it then prints.
void TestPrinting::placementStep() {
    const double inf = std::numeric_limits<double>::infinity();
    const QString huge(400, u'9');
    const QString v = u"değer"_qs;
    const std::tuple<baski_yeri, double, Expected> cases[] = {
        {{u"  1500 twips"_qs, u"-100abc"_qs, u"Arial"_qs, u"10.5pt"_qs},
         0,
         {v, u"Arial"_qs, 10.5, 1500, -100}},
        // Unusable faces and sizes keep the current font.
        {{u"1"_qs, u"2"_qs, {}, u"9"_qs}, 0, {v, u"Önceki"_qs, 9, 1, 2}},
        {{u"1"_qs, u"2"_qs, u"Arial"_qs, u"1000.5"_qs}, 0, {v, u"Arial"_qs, 12, 1, 2}},
        // Positions are held within range, so that any turns into device units.
        {{huge, u'-' + huge, u"Arial"_qs, u"10"_qs}, 0, {v, u"Arial"_qs, 10, maxTwips, -maxTwips}},
        // An offset beyond any number holds the position at the edge too.
        {{u"1"_qs, huge, u"Arial"_qs, u"10"_qs}, -inf, {v, u"Arial"_qs, 10, 1, -maxTwips}}};
    for (const auto &[placement, yOffset, want] : cases) {
        RecordingPrinter printer;
        printer.setFontName(u"Önceki"_qs);
        printer.setFontSize(12);
        printer.setX(77);
        printer.setY(88);
        placeAndPrint(printer, readPlacement(placement), v, yOffset);
        QCOMPARE(described(printer.lines()), described({want}));
        QVERIFY(std::isfinite(printer.y()));
    }
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
