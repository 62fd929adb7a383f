#include "invoice/printer.h"

#include <QTest>

#include <limits>

class TestPlacement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placementStep_data();
    void placementStep();
};

void TestPlacement::placementStep_data() {
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

void TestPlacement::placementStep() {
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

QTEST_GUILESS_MAIN(TestPlacement)
#include "test_placement.moc"
