// Mouse events go through the window system, as a user's do, so that a release belongs to
// the widget that took the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "ui/buttonpictures.h"
#include "ui/imagebutton.h"

#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage solid(const QColor &c) {
    QImage img(40, 12, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// JPEG keeps a flat colour within a few steps.
bool shows(ImageButton *b, QPoint at, const QColor &c) {
    const QColor got = b->grab().toImage().pixelColor(at);
    return qAbs(got.red() - c.red()) < 24 && qAbs(got.green() - c.green()) < 24 &&
           qAbs(got.blue() - c.blue()) < 24;
}

} // namespace

class TestImageButton : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void pressShowsThePressedPicture();
    void pressArea_data();
    void pressArea();

private:
    QTemporaryDir m_dir;
    QString m_oldDir;
    QWidget *m_window = nullptr;
    ImageButton *m_button = nullptr;
};

void TestImageButton::init() {
    QVERIFY(m_dir.isValid());
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    m_window = new QWidget;
    m_window->resize(400, 200);
}

void TestImageButton::cleanup() {
    delete m_window;
    QFile::remove(raisedPictureFile());
    QFile::remove(pressedPictureFile());
    QDir::setCurrent(m_oldDir);
}

void TestImageButton::pressShowsThePressedPicture() {
    // A missing file gives the built-in picture.
    QVERIFY(solid(Qt::green).save(pressedPictureFile(), "JPG"));
    QCOMPARE(ImageButton(u"x"_qs).raisedPicture(), builtInButtonPicture(false));
    QVERIFY(solid(Qt::red).save(raisedPictureFile(), "JPG"));

    auto *edit = new QLineEdit(m_window);
    edit->setGeometry(10, 100, 100, 24);
    auto *b = new ImageButton(u"Tamam"_qs, m_window);
    b->setGeometry(10, 10, 100, 40);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    edit->setFocus();
    QSignalSpy released(b, &ImageButton::released);

    // Both pictures are stretched over the whole button.
    const QPoint corners[] = {QPoint(1, 1), QPoint(98, 38)};
    for (QPoint p : corners)
        QVERIFY(shows(b, p, Qt::red));
    // Any mouse button presses; another one coming and going meanwhile does not end it.
    QTest::mousePress(b, Qt::RightButton, {}, QPoint(5, 5));
    for (QPoint p : corners)
        QVERIFY(shows(b, p, Qt::green));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(b->isDown());
    QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(released.count(), 1);
    for (QPoint p : corners)
        QVERIFY(shows(b, p, Qt::red));
    QVERIFY(edit->hasFocus()); // mouse only: the button never takes the focus

    // Hidden while held, it forgets the press; the late release does nothing.
    QTest::mousePress(b, Qt::MiddleButton, {}, QPoint(5, 5));
    b->hide();
    b->show();
    QVERIFY(shows(b, QPoint(1, 1), Qt::red));
    QTest::mouseRelease(b, Qt::MiddleButton, {}, QPoint(5, 5));
    QCOMPARE(released.count(), 1);
}

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

void TestImageButton::pressArea() {
    QFETCH(bool, captionOnly);
    QFETCH(QPoint, pressAt);
    QFETCH(QPoint, releaseAt);
    QFETCH(bool, takesPress);
    QFETCH(bool, captionClick);

    auto *b = new ImageButton(u"Tamam"_qs, m_window);
    b->setGeometry(0, 0, 100, 40);
    b->setCaptionRect(QRect(30, 10, 40, 20));
    if (captionOnly)
        b->setPressArea(ImageButton::PressArea::Caption);
    auto *other = new ImageButton(u"Öteki"_qs, m_window);
    other->setGeometry(150, 0, 100, 40);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QSignalSpy pressed(b, &ImageButton::pressed);
    QSignalSpy released(b, &ImageButton::released);
    QSignalSpy clicked(b, &ImageButton::captionClicked);
    QSignalSpy otherReleased(other, &ImageButton::released);

    QTest::mousePress(b, Qt::LeftButton, {}, pressAt);
    QCOMPARE(b->isDown(), takesPress);
    QCOMPARE(pressed.count(), takesPress ? 1 : 0);
    QTest::mouseMove(m_window, releaseAt);
    QCOMPARE(b->isDown(), takesPress); // moving off does not end the press
    QCOMPARE(released.count(), 0);
    QTest::mouseRelease(m_window, Qt::LeftButton, {}, releaseAt);
    QVERIFY(!b->isDown());
    QCOMPARE(released.count(), takesPress ? 1 : 0);
    QCOMPARE(clicked.count(), captionClick ? 1 : 0);
    QCOMPARE(otherReleased.count(), 0);
}

QTEST_MAIN(TestImageButton)
#include "test_imagebutton.moc"
