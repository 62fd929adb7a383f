#include "invoice/preview.h"
#include "printing/markspage.h"
#include "printing/painterprinter.h"
#include "printing/printeroffsets.h"
#include "tests/common/pdftext.h"
#include "tests/common/testdb.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

constexpr double twipsPerMm = 1440 / 25.4;

bool dark(const QImage &image, const QPointF &at) {
    return image.rect().contains(at.toPoint()) && qGray(image.pixel(at.toPoint())) < 128;
}

// The rectangle around every dark pixel.
QRect ink(const QImage &image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) < 100)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

class TestPrinterOffsets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void store();
    void marksPage();
    void previewMoves();

private:
    QTemporaryDir m_dir;
};

// Each printer keeps its own offset, read back by another store on the same file. Too far or
// not a number: refused, naming the printer.
void TestPrinterOffsets::store() {
    const QString file = m_dir.filePath(u"kaymalar.ini"_qs);
    PrinterOffsets(file).setOffset(u"Ofis"_qs, {2.0, -1.5});
    PrinterOffsets(file).setOffset(u"Ofis/kopya ğü"_qs, {-maxOffsetMm, maxOffsetMm});
    QCOMPARE(PrinterOffsets(file).offset(u"Ofis"_qs), (PrinterOffset{2.0, -1.5}));
    QCOMPARE(PrinterOffsets(file).offset(u"Ofis/kopya ğü"_qs),
             (PrinterOffset{-maxOffsetMm, maxOffsetMm}));
    for (const PrinterOffset o : {PrinterOffset{maxOffsetMm + 0.01, 0}, PrinterOffset{0, NAN}})
        QCOMPARE(testdb::thrownText<PrinterError>(
                     [&] { PrinterOffsets(file).setOffset(u"Ofis"_qs, o); }),
                 u"Yazıcı kayması en fazla 50 mm olabilir: Ofis"_qs);
}

// The marks page, rendered as a printer would get it: a cross centred on every position of
// the layout, from the printable area's corner.
void TestPrinterOffsets::marksPage() {
    if (!havePdftotext() || QStandardPaths::findExecutable(u"pdftoppm"_qs).isEmpty())
        QSKIP("pdftotext and pdftoppm (poppler-utils) are not installed");
    ayarlar settings = defaultSettings();
    settings.yer_fatura_no = {u"8400"_qs, u"1700"_qs, u"Arial"_qs, u"10"_qs};
    const QList<LayoutMark> marks = layoutMarks(settings);

    const QString pdf = m_dir.filePath(u"isaretler.pdf"_qs);
    {
        PdfPrinter printer(pdf);
        printMarksPage(printer, settings, u"Deneme baskısı"_qs);
        printer.finish();
    }
    // Every position with its caption and millimetres, the line block's columns too.
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(u"Fatura No (148,2; 30)"_qs) &&
                 text.contains(u"Sütun: İskonto (107,6; 79,4)"_qs),
             qPrintable(text));

    // 10 pixels a millimetre; the PDF's printable area starts 10 pt in.
    QProcess render;
    render.start(u"pdftoppm"_qs, {u"-r"_qs, u"254"_qs, u"-png"_qs, u"-singlefile"_qs, pdf,
                                  m_dir.filePath(u"isaretler"_qs)});
    QVERIFY(render.waitForFinished(60000) && render.exitCode() == 0);
    const QImage page(m_dir.filePath(u"isaretler.png"_qs));
    QVERIFY(!page.isNull());
    const double pxPerMm = 10;
    const QPointF corner(10 / 72.0 * 25.4 * pxPerMm, 10 / 72.0 * 25.4 * pxPerMm);
    const auto at = [&](double xTwips, double yTwips) {
        return corner + QPointF(xTwips, yTwips) / twipsPerMm * pxPerMm;
    };
    for (const LayoutMark &m : marks) {
        const double arm = markArm * 0.8;
        for (const QPointF &p : {at(m.x, m.y), at(m.x - arm, m.y), at(m.x + arm, m.y),
                                 at(m.x, m.y - arm), at(m.x, m.y + arm)})
            QVERIFY2(dark(page, p), qPrintable(m.caption));
        // Between the arms the paper is blank.
        QVERIFY2(!dark(page, at(m.x - arm / 2, m.y - arm / 2)), qPrintable(m.caption));
    }
}

// The preview places the invoice from the printable area's corner moved by the printer's
// offset: the ink moves by exactly that much.
void TestPrinterOffsets::previewMoves() {
    PreviewPage page;
    page.settings = defaultSettings();
    page.rows = sampleInvoiceRows(QDate(2024, 3, 5));
    page.printableArea = PdfPrinter::pageLayout().paintRect(QPageLayout::Point);
    page.markCorner = false;
    QRect inked[2];
    for (const bool moved : {false, true}) {
        page.offset = moved ? PrinterOffset{2.0, -1.5} : PrinterOffset{};
        QImage image(2100, 2970, QImage::Format_RGB32); // A4 at 10 pixels a millimetre
        image.setDotsPerMeterX(10000);
        image.setDotsPerMeterY(10000);
        image.fill(Qt::gray);
        drawPage(image, QPointF(0, 0), page);
        inked[moved] = ink(image);
    }
    QVERIFY(inked[0].isValid());
    QCOMPARE(inked[1], inked[0].translated(20, -15));
}

QTEST_MAIN(TestPrinterOffsets)
#include "test_printeroffsets.moc"
