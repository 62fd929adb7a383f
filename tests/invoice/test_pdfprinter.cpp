#include "invoice/painterprinter.h"
#include "invoice/printtarget.h"
#include "pdftext.h"

#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

class TestPdfPrinter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void textLandsAtItsPosition_data();
    void textLandsAtItsPosition();
    void printedLineMovesByItsHeight();
    void onePagePerDocument();
    void oneFilePerDocument();
    void unwritablePath();
    void absurdValuesArePrinted();
    void unknownSystemPrinter();
    void pdfTargetNames();
    void pdfTargetInUnwritableFolder();
    void programTarget();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QDir m_dir;
};

namespace {

// The printable area of the PDF starts 10 pt in from the paper's edges.
constexpr double margin = 10;
// pdftotext measures glyph boxes from the font's own ascent, which is not quite Qt's.
constexpr double tolerance = 0.75;

double points(double twips) {
    return twips / 20 + margin;
}

} // namespace

void TestPdfPrinter::init() {
    if (!havePdftotext())
        QSKIP("pdftotext (poppler-utils) is not installed");
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_dir.setPath(m_tmp->path());
}

void TestPdfPrinter::textLandsAtItsPosition_data() {
    QTest::addColumn<QString>("face");
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");

    QTest::newRow("corner") << "DejaVu Sans" << 10.0 << 0.0 << 0.0;
    QTest::newRow("one inch, two inches") << "DejaVu Sans" << 12.0 << 1440.0 << 2880.0;
    QTest::newRow("invoice number box") << "DejaVu Serif" << 10.0 << 8400.0 << 2100.0;
    QTest::newRow("grand total, large") << "DejaVu Sans" << 24.0 << 9200.0 << 12900.0;
    QTest::newRow("fractional twips") << "DejaVu Sans" << 9.5 << 600.5 << 4500.25;
}

void TestPdfPrinter::textLandsAtItsPosition() {
    QFETCH(QString, face);
    QFETCH(double, size);
    QFETCH(double, x);
    QFETCH(double, y);

    const QString path = m_dir.filePath(QStringLiteral("konum.pdf"));
    {
        PdfPrinter printer(path);
        printer.setFontName(face);
        printer.setFontSize(size);
        printer.setX(x);
        printer.setY(y);
        printer.printLine(QStringLiteral("KONUM"));
        printer.endDocument();
        printer.finish();
        QCOMPARE(printer.files(), QStringList{path});
    }
    const PdfWord w = findWord(pdfWords(path), QStringLiteral("KONUM"));
    QCOMPARE(w.text, QStringLiteral("KONUM"));
    QVERIFY2(qAbs(w.xMin - points(x)) < tolerance, qPrintable(QString::number(w.xMin)));
    QVERIFY2(qAbs(w.yMin - points(y)) < tolerance, qPrintable(QString::number(w.yMin)));
    // The size is in points: capital letters are most of the size tall.
    QVERIFY2(w.yMax - w.yMin > size * 0.8 && w.yMax - w.yMin < size * 1.4,
             qPrintable(QString::number(w.yMax - w.yMin)));
}

void TestPdfPrinter::printedLineMovesByItsHeight() {
    // A line printed after another goes where y() said the printer stood, one line of the
    // font further down (measured at the device's resolution, not the screen's).
    const QString path = m_dir.filePath(QStringLiteral("satirlar.pdf"));
    double yAfterFirst = 0;
    double yAfterSecond = 0;
    {
        PdfPrinter printer(path);
        printer.setFontName(QStringLiteral("DejaVu Sans"));
        printer.setFontSize(20);
        printer.setX(2000);
        printer.setY(3000);
        printer.printLine(QStringLiteral("BIR"));
        QCOMPARE(printer.x(), 0.0);
        yAfterFirst = printer.y();
        printer.setX(2000);
        printer.printLine(QStringLiteral("IKI"));
        yAfterSecond = printer.y();
        printer.printLine(QStringLiteral("UC"));
        printer.endDocument();
    }
    // DejaVu Sans at 20 pt has a line spacing of about 23 pt, 465 twips.
    QVERIFY2(yAfterFirst - 3000 > 20 * 20 && yAfterFirst - 3000 < 20 * 20 * 1.4,
             qPrintable(QString::number(yAfterFirst)));
    QCOMPARE(yAfterSecond - yAfterFirst, yAfterFirst - 3000);

    const QList<PdfWord> words = pdfWords(path);
    QCOMPARE(findWord(words, QStringLiteral("BIR")).page, 0);
    QVERIFY(qAbs(findWord(words, QStringLiteral("IKI")).yMin - points(yAfterFirst)) < tolerance);
    QVERIFY(qAbs(findWord(words, QStringLiteral("IKI")).xMin - points(2000)) < tolerance);
    // After a printed line x is 0: the left edge of the printable area.
    QVERIFY(qAbs(findWord(words, QStringLiteral("UC")).xMin - points(0)) < tolerance);
    QVERIFY(qAbs(findWord(words, QStringLiteral("UC")).yMin - points(yAfterSecond)) < tolerance);
}

void TestPdfPrinter::onePagePerDocument() {
    const QString path = m_dir.filePath(QStringLiteral("toplu.pdf"));
    {
        PdfPrinter printer(path, PdfPrinter::OneFile);
        for (int n = 1; n <= 3; ++n) {
            printer.setX(1000);
            printer.setY(1000 * n);
            printer.printLine(QStringLiteral("Belge%1").arg(n));
            printer.endDocument();
            // An empty document between two makes no blank page.
            printer.endDocument();
            // The next document starts at the corner.
            QCOMPARE(printer.y(), 0.0);
        }
        QVERIFY(printer.files().isEmpty());
        printer.finish();
        QCOMPARE(printer.files(), QStringList{path});
    }
    QCOMPARE(pdfPageCount(path), 3);
    const QList<PdfWord> words = pdfWords(path);
    for (int n = 1; n <= 3; ++n) {
        const PdfWord w = findWord(words, QStringLiteral("Belge%1").arg(n));
        QCOMPARE(w.page, n - 1);
        QVERIFY(qAbs(w.yMin - points(1000 * n)) < tolerance);
    }
}

void TestPdfPrinter::oneFilePerDocument() {
    const QString path = m_dir.filePath(QStringLiteral("fatura.pdf"));
    {
        PdfPrinter printer(path, PdfPrinter::FilePerDocument);
        for (int n = 1; n <= 3; ++n) {
            printer.printLine(QStringLiteral("Belge%1").arg(n));
            printer.printLine(QStringLiteral("ikinci satır"));
            printer.endDocument();
            // Each file is complete as soon as its document ends.
            QCOMPARE(printer.files().size(), n);
            QCOMPARE(pdfPageCount(printer.files().last()), 1);
        }
        printer.endDocument();
        printer.finish();
        QCOMPARE(printer.files(), (QStringList{m_dir.filePath(QStringLiteral("fatura-1.pdf")),
                                               m_dir.filePath(QStringLiteral("fatura-2.pdf")),
                                               m_dir.filePath(QStringLiteral("fatura-3.pdf"))}));
    }
    QVERIFY(!QFile::exists(path));
    QCOMPARE(m_dir.entryList({QStringLiteral("*.pdf")}).size(), 3);
    for (int n = 1; n <= 3; ++n) {
        const QString text = pdfText(PdfPrinter::numberedPath(path, n));
        QVERIFY2(text.contains(QStringLiteral("Belge%1").arg(n)), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("ikinci satır")));
    }
}

void TestPdfPrinter::unwritablePath() {
    const QString path = m_dir.filePath(QStringLiteral("olmayan/klasor/fatura.pdf"));
    for (PdfPrinter::Mode mode : {PdfPrinter::OneFile, PdfPrinter::FilePerDocument}) {
        PdfPrinter printer(path, mode);
        try {
            printer.printLine(QStringLiteral("x"));
            QFAIL("printing to a missing folder went through");
        } catch (const PrinterError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("PDF dosyası yazılamadı: ")),
                     qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("olmayan/klasor/fatura")),
                     qPrintable(e.message()));
        }
        // The printer stays usable: ending and finishing do not fail again.
        printer.endDocument();
        printer.finish();
        QVERIFY(printer.files().isEmpty());
    }
}

void TestPdfPrinter::absurdValuesArePrinted() {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QString path = m_dir.filePath(QStringLiteral("uc.pdf"));
    {
        PdfPrinter printer(path);
        printer.setFontName(QStringLiteral("DejaVu Sans"));
        printer.setFontSize(10);
        printer.setX(inf);
        printer.setY(-1e300);
        QCOMPARE(printer.x(), maxTwips);
        QCOMPARE(printer.y(), -maxTwips);
        printer.printLine(QStringLiteral("uzakta"));
        QVERIFY(std::isfinite(printer.y()));
        printer.setX(nan);
        printer.setY(maxTwips);
        printer.printLine(QStringLiteral("altta"));
        QCOMPARE(printer.y(), maxTwips);

        for (double size : {0.0, -3.0, nan, inf, 1e9})
            printer.setFontSize(size);
        printer.setFontName(QString());
        printer.setX(1440);
        printer.setY(1440);
        printer.printLine(QStringLiteral("YERINDE"));
        printer.endDocument();
    }
    QCOMPARE(pdfPageCount(path), 1);
    const PdfWord w = findWord(pdfWords(path), QStringLiteral("YERINDE"));
    QVERIFY(qAbs(w.xMin - points(1440)) < tolerance);
    QVERIFY(qAbs(w.yMin - points(1440)) < tolerance);
    // Still 10 pt: none of the unusable sizes was taken.
    QVERIFY2(w.yMax - w.yMin < 14, qPrintable(QString::number(w.yMax - w.yMin)));
}

void TestPdfPrinter::unknownSystemPrinter() {
    const QString name = QStringLiteral("Böyle Bir Yazıcı Yok 42");
    QVERIFY(!QPrinterInfo::availablePrinterNames().contains(name));
    try {
        SystemPrinter printer(name);
        QFAIL("an unknown printer was accepted");
    } catch (const PrinterError &e) {
        QCOMPARE(e.message(), QStringLiteral("Yazıcı bulunamadı: ") + name);
    }
    if (QPrinterInfo::defaultPrinter().isNull()) {
        QVERIFY_THROWS_EXCEPTION(PrinterError, SystemPrinter());
    } else {
        SystemPrinter printer;
        QCOMPARE(printer.printerName(), QPrinterInfo::defaultPrinter().printerName());
    }
}

void TestPdfPrinter::pdfTargetNames() {
    const QString baskilar = m_dir.filePath(QStringLiteral("baskilar"));
    PrintTarget first = pdfPrintTarget(QStringLiteral("fatura"), PdfPrinter::OneFile, m_dir.path());
    PrintTarget second =
        pdfPrintTarget(QStringLiteral("fatura"), PdfPrinter::OneFile, m_dir.path());
    QVERIFY(first.printerName.isEmpty());
    QCOMPARE(QFileInfo(first.pdfPath).absolutePath(), baskilar);
    QVERIFY(QFileInfo(first.pdfPath).fileName().startsWith(QStringLiteral("fatura-")));
    QVERIFY(first.pdfPath.endsWith(QStringLiteral(".pdf")));
    // Made within the same second, still two names.
    QVERIFY(first.pdfPath != second.pdfPath);
    QCOMPARE(QFileInfo(second.pdfPath).absolutePath(), baskilar);

    first.printer->printLine(QStringLiteral("ilk"));
    first.printer->endDocument();
    first.printer->finish();
    QCOMPARE(pdfPageCount(first.pdfPath), 1);
    second.printer.reset();
    QVERIFY(!QFile::exists(second.pdfPath));
    QVERIFY(QFile::exists(first.pdfPath));

    PrintTarget batch =
        pdfPrintTarget(QStringLiteral("toplu"), PdfPrinter::FilePerDocument, m_dir.path());
    QCOMPARE(QFileInfo(batch.pdfPath).absolutePath(), baskilar);
    QVERIFY(QFileInfo(batch.pdfPath).isDir());
    for (int n = 0; n < 2; ++n) {
        batch.printer->printLine(QStringLiteral("belge"));
        batch.printer->endDocument();
    }
    batch.printer->finish();
    QCOMPARE(QDir(batch.pdfPath).entryList(QDir::Files),
             (QStringList{QStringLiteral("toplu-1.pdf"), QStringLiteral("toplu-2.pdf")}));
    QVERIFY(pdfNotice(first.pdfPath).contains(QDir::toNativeSeparators(first.pdfPath)));
}

void TestPdfPrinter::pdfTargetInUnwritableFolder() {
    // A file where the folder should be.
    QTemporaryDir dir;
    QFile blocker(QDir(dir.path()).filePath(QStringLiteral("baskilar")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        pdfPrintTarget(QStringLiteral("fatura"), PdfPrinter::OneFile, dir.path());
        QFAIL("a PDF target was made inside a file");
    } catch (const PrinterError &e) {
        QVERIFY2(e.message().contains(blocker.fileName()), qPrintable(e.message()));
    }
}

void TestPdfPrinter::programTarget() {
    // Nothing is printed here: on a machine with a printer this would reach paper.
    PrintTarget target =
        programPrintTarget(QStringLiteral("fatura"), PdfPrinter::OneFile, m_dir.path());
    QVERIFY(target.printer);
    if (QPrinterInfo::defaultPrinter().isNull()) {
        QVERIFY(target.printerName.isEmpty());
        QVERIFY(target.pdfPath.startsWith(m_dir.filePath(QStringLiteral("baskilar/"))));
        QVERIFY(dynamic_cast<PdfPrinter *>(target.printer.get()));
    } else {
        QCOMPARE(target.printerName, QPrinterInfo::defaultPrinter().printerName());
        QVERIFY(target.pdfPath.isEmpty());
        QVERIFY(dynamic_cast<SystemPrinter *>(target.printer.get()));
    }
}

QTEST_MAIN(TestPdfPrinter)
#include "test_pdfprinter.moc"
