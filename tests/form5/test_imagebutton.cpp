// Mouse events go through the window system, so a release belongs to the pressed widget.
#define QTEST_QPA_MOUSE_HANDLING

#include "gui/imagebutton.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class TestImageButton : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pressArea_data();
    void pressArea();
};

void TestImageButton::pressArea_data() {
    QTest::addColumn<bool>("captionOnly");
    QTest::addColumn<QPoint>("pressAt");
    QTest::addColumn<QPoint>("releaseAt"); // in the window
    QTest::addColumn<bool>("takesPress");
    QTest::addColumn<bool>("captionClick");
    const QPoint caption(50, 20), edge(4, 35), elsewhere(200, 30), outside(-80, -60);
    QTest::newRow("picture: edge") << false << edge << edge << true << false;
    QTest::newRow("picture: caption, off") << false << caption << elsewhere << true << false;
    QTest::newRow("picture: edge to caption") << false << edge << caption << true << false;
    QTest::newRow("caption: edge to caption") << true << edge << caption << false << false;
    QTest::newRow("caption: caption") << true << caption << caption << true << true;
    QTest::newRow("caption: caption, outside") << true << caption << outside << true << false;
}

// A press that takes effect shows the pressed picture and belongs to the button until it is
// released, wherever; a press outside the press area does nothing. The focus stays put.
void TestImageButton::pressArea() {
    QFETCH(bool, captionOnly);
    QFETCH(QPoint, pressAt);
    QFETCH(QPoint, releaseAt);
    QFETCH(bool, takesPress);
    QFETCH(bool, captionClick);
    QWidget window;
    window.resize(400, 200);
    auto *b = new ImageButton(u"Tamam"_qs, &window);
    b->setGeometry(0, 0, 100, 40);
    b->setCaptionRect(QRect(30, 10, 40, 20));
    b->setPressArea(captionOnly ? ImageButton::PressArea::Caption
                                : ImageButton::PressArea::Picture);
    auto *edit = new QLineEdit(&window);
    edit->setGeometry(10, 100, 100, 24);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    const QImage raised = b->grab().toImage();
    QSignalSpy released(b, &ImageButton::released);
    QSignalSpy clicked(b, &ImageButton::captionClicked);

    QTest::mousePress(b, Qt::LeftButton, {}, pressAt);
    QCOMPARE(b->grab().toImage() != raised, takesPress);
    QTest::mouseMove(&window, releaseAt);
    QCOMPARE(b->isDown(), takesPress); // moving off does not end the press
    QTest::mouseRelease(&window, Qt::LeftButton, {}, releaseAt);
    QCOMPARE(b->grab().toImage(), raised);
    QCOMPARE(released.count(), takesPress ? 1 : 0);
    QCOMPARE(clicked.count(), captionClick ? 1 : 0);
    QVERIFY(edit->hasFocus());
}

QTEST_MAIN(TestImageButton)
#include "test_imagebutton.moc"
