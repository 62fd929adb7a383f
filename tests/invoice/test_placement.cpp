#include "invoice/printer.h"

#include <QTest>

#include <limits>

class TestPlacement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placementStep_data();
    void placementStep();
    void printedLineMovesDown();
};

namespace {

const double inf = std::numeric_limits<double>::infinity();
const QString hugeNumber = QStringLiteral("9").repeated(400);

} // namespace

void TestPlacement::placementStep_data() {
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("size");
    QTest::addColumn<double>("yOffset");
    QTest::addColumn<QString>("wantFace");
    QTest::addColumn<double>("wantSize");
    QTest::addColumn<double>("wantX");
    QTest::addColumn<double>("wantY");

    // The printer starts each case with face "Önceki" and size 12.
    const auto add = [](const char *name, const QString &x, const QString &y, const QString &face,
                        const QString &size, double yOffset, const QString &wantFace,
                        double wantSize, double wantX, double wantY) {
        QTest::newRow(name) << x << y << face << size << yOffset << wantFace << wantSize << wantX
                            << wantY;
    };
    const QString arial = QStringLiteral("Arial");
    const QString before = QStringLiteral("Önceki");

    add("plain", "600", "2400", arial, "11", 0, arial, 11, 600, 2400);
    add("fixed columns with trailing blanks", "600           ", "2400          ",
        "Times New Roman                                   ", "11   ", 0, "Times New Roman", 11,
        600, 2400);
    add("offset added to y only", "600", "2700", arial, "10", 200, arial, 10, 600, 2900);
    add("leading numbers", "  1500 twips", "-100abc", arial, "10.5pt", 0, arial, 10.5, 1500, -100);
    add("comma ends the number", "12,7", "3,9", arial, "10,5", 0, arial, 10, 12, 3);
    add("not numbers read as 0", "x", "", arial, "9", 0, arial, 9, 0, 0);
    add("empty face keeps the current one", "1", "2", "", "9", 0, before, 9, 1, 2);
    add("size 0 keeps the current one", "1", "2", arial, "0", 0, arial, 12, 1, 2);
    add("empty size keeps the current one", "1", "2", arial, "", 0, arial, 12, 1, 2);
    add("largest size taken", "1", "2", arial, "1000", 0, arial, 1000, 1, 2);
    add("size larger than a sheet keeps the current one", "1", "2", arial, "1000.5", 0, arial, 12,
        1, 2);
    add("size of 400 digits keeps the current one", "1", "2", arial, hugeNumber, 0, arial, 12, 1,
        2);
    add("positions of 400 digits are held", hugeNumber, u'-' + hugeNumber, arial, "10", 0, arial,
        10, maxTwips, -maxTwips);
    add("infinite offset is held", "1", "2", arial, "10", inf, arial, 10, 1, maxTwips);
    // inf - inf is no number at all; such a position goes to the corner.
    add("infinite position and opposite offset", "1", hugeNumber, arial, "10", -inf, arial, 10, 1,
        0);
}

void TestPlacement::placementStep() {
    QFETCH(QString, x);
    QFETCH(QString, y);
    QFETCH(QString, face);
    QFETCH(QString, size);
    QFETCH(double, yOffset);
    QFETCH(QString, wantFace);
    QFETCH(double, wantSize);
    QFETCH(double, wantX);
    QFETCH(double, wantY);

    RecordingPrinter printer;
    printer.setFontName(QStringLiteral("Önceki"));
    printer.setFontSize(12);
    printer.setX(77);
    printer.setY(88);
    placeAndPrint(printer, baski_yeri{x, y, face, size}, QStringLiteral("değer"), yOffset);

    QCOMPARE(printer.lines().size(), 1);
    const RecordingPrinter::Line &line = printer.lines().first();
    QCOMPARE(line.text, QStringLiteral("değer"));
    QCOMPARE(line.fontName, wantFace);
    QCOMPARE(line.fontSize, wantSize);
    QCOMPARE(line.x, wantX);
    QCOMPARE(line.y, wantY);
    QVERIFY(std::isfinite(printer.y()));
}

void TestPlacement::printedLineMovesDown() {
    // Several items are placed relative to where a printed line leaves the printer.
    RecordingPrinter printer;
    placeAndPrint(printer, baski_yeri{"9200", "5000", "Arial", "10"}, QStringLiteral("bir"));
    QCOMPARE(printer.x(), 0.0);
    QCOMPARE(printer.y(), 5000 + RecordingPrinter::lineHeight(10));
    printer.setX(9200);
    printer.setY(printer.y() + 150);
    printer.printLine(QStringLiteral("iki"));
    QCOMPARE(printer.lines()[1].y, 5000 + RecordingPrinter::lineHeight(10) + 150);

    // A new document starts at the corner and keeps the font.
    printer.endDocument();
    QCOMPARE(printer.x(), 0.0);
    QCOMPARE(printer.y(), 0.0);
    printer.printLine(QStringLiteral("üç"));
    QCOMPARE(printer.lines()[2].document, 1);
    QCOMPARE(printer.lines()[2].fontName, QStringLiteral("Arial"));
    QCOMPARE(printer.lines()[1].document, 0);
    QCOMPARE(printer.documents(), 1);
}

QTEST_GUILESS_MAIN(TestPlacement)
#include "test_placement.moc"
