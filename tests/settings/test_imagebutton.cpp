// Mouse events go through the window system, as a user's do, so that a release belongs to
// the widget that took the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "ui/imagebutton.h"

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

    const QPoint caption(50, 20);
    const QPoint edge(4, 35);
    const QPoint otherButton(200, 30);
    const QPoint outside(-80, -60);
    QTest::newRow("picture: on the picture") << false << edge << edge << true << false;
    QTest::newRow("picture: caption to caption") << false << caption << caption << true << true;
    QTest::newRow("picture: caption, released on another button")
        << false << caption << otherButton << true << false;
    QTest::newRow("picture: picture, released on the caption")
        << false << edge << caption << true << false;
    QTest::newRow("caption: on the picture") << true << edge << edge << false << false;
    QTest::newRow("caption: picture, released on the caption")
        << true << edge << caption << false << false;
    QTest::newRow("caption: caption to caption") << true << caption << caption << true << true;
    QTest::newRow("caption: caption, released outside the window")
        << true << caption << outside << true << false;
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
    if (captionOnly)
        b->setPressArea(ImageButton::PressArea::Caption);
    auto *other = new ImageButton(u"Öteki"_qs, &window);
    other->setGeometry(150, 0, 100, 40);
    auto *edit = new QLineEdit(&window);
    edit->setGeometry(10, 100, 100, 24);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    const QImage raised = b->grab().toImage();
    QSignalSpy released(b, &ImageButton::released);
    QSignalSpy clicked(b, &ImageButton::captionClicked);
    QSignalSpy otherReleased(other, &ImageButton::released);

    QTest::mousePress(b, Qt::LeftButton, {}, pressAt);
    QCOMPARE(b->grab().toImage() != raised, takesPress);
    QTest::mouseMove(&window, releaseAt);
    QCOMPARE(b->isDown(), takesPress); // moving off does not end the press
    QTest::mouseRelease(&window, Qt::LeftButton, {}, releaseAt);
    QCOMPARE(b->grab().toImage(), raised);
    QCOMPARE(released.count(), takesPress ? 1 : 0);
    QCOMPARE(clicked.count(), captionClick ? 1 : 0);
    QCOMPARE(otherReleased.count(), 0);
    QVERIFY(edit->hasFocus());
}

QTEST_MAIN(TestImageButton)
#include "test_imagebutton.moc"
