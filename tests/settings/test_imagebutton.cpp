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

const QColor raisedColour(220, 30, 30);
const QColor pressedColour(30, 200, 30);

QImage solid(const QColor &c) {
    QImage img(40, 12, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

bool near(const QColor &a, const QColor &b) {
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 &&
           qAbs(a.blue() - b.blue()) < 24;
}

// The colour the button shows at `at`, as drawn.
QColor shown(ImageButton *b, QPoint at) {
    return b->grab().toImage().pixelColor(at);
}

} // namespace

class TestImageButton : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void picturesFromWorkingDirectory_data();
    void picturesFromWorkingDirectory();
    void builtInPicturesWhenFilesAreMissing();
    void pressArea_data();
    void pressArea();
    void releaseBelongsToPressedButton();
    void onlyThePressingMouseButtonEndsThePress();
    void takesNoFocus();

private:
    ImageButton *addButton(const QString &caption, const QPoint &at);

    QTemporaryDir m_dir;
    QString m_oldDir;
    QWidget *m_window = nullptr;
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
    m_window = nullptr;
    for (const QString &f : {raisedPictureFile(), pressedPictureFile()})
        QFile::remove(m_dir.filePath(f));
    QDir::setCurrent(m_oldDir);
}

ImageButton *TestImageButton::addButton(const QString &caption, const QPoint &at) {
    auto *b = new ImageButton(caption, m_window);
    b->setGeometry(QRect(at, QSize(100, 40)));
    b->setCaptionRect(QRect(30, 10, 40, 20));
    return b;
}

void TestImageButton::picturesFromWorkingDirectory_data() {
    QTest::addColumn<Qt::MouseButton>("mouse");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void TestImageButton::picturesFromWorkingDirectory() {
    QFETCH(Qt::MouseButton, mouse);
    QVERIFY(solid(raisedColour).save(raisedPictureFile(), "JPG"));
    QVERIFY(solid(pressedColour).save(pressedPictureFile(), "JPG"));
    ImageButton *b = addButton(u"Tamam"_qs, QPoint(10, 10));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));

    // Stretched to the whole button: the far corners show the picture too.
    const QPoint corners[] = {QPoint(1, 1), QPoint(98, 38)};
    for (QPoint p : corners)
        QVERIFY2(near(shown(b, p), raisedColour), qPrintable(shown(b, p).name()));

    QTest::mousePress(b, mouse, {}, QPoint(5, 5));
    QVERIFY(b->isDown());
    for (QPoint p : corners)
        QVERIFY2(near(shown(b, p), pressedColour), qPrintable(shown(b, p).name()));

    QTest::mouseRelease(b, mouse, {}, QPoint(5, 5));
    QVERIFY(!b->isDown());
    for (QPoint p : corners)
        QVERIFY(near(shown(b, p), raisedColour));
}

void TestImageButton::builtInPicturesWhenFilesAreMissing() {
    QVERIFY(solid(pressedColour).save(pressedPictureFile(), "JPG"));
    // Only the pressed picture is there: the raised one is the program's own.
    ImageButton *b = addButton(u"Tamam"_qs, QPoint(10, 10));
    QCOMPARE(b->raisedPicture(), builtInButtonPicture(false));
    QVERIFY(near(b->pressedPicture().pixelColor(3, 3), pressedColour));

    QFile::remove(pressedPictureFile());
    ImageButton *c = addButton(u"Tamam"_qs, QPoint(150, 10));
    QCOMPARE(c->pressedPicture(), builtInButtonPicture(true));
    QVERIFY(c->raisedPicture() != c->pressedPicture());
}

void TestImageButton::pressArea_data() {
    QTest::addColumn<bool>("captionOnly");
    QTest::addColumn<QPoint>("pressAt");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<bool>("takesPress");
    QTest::addColumn<bool>("captionClick");

    const QPoint caption(50, 20);
    const QPoint edge(4, 35);
    const QPoint outside(250, 150);
    QTest::newRow("picture: on the picture") << false << edge << edge << true << false;
    QTest::newRow("picture: caption to caption") << false << caption << caption << true << true;
    QTest::newRow("picture: caption, released outside")
        << false << caption << outside << true << false;
    QTest::newRow("picture: picture, released on the caption")
        << false << edge << caption << true << false;
    QTest::newRow("caption: on the picture") << true << edge << edge << false << false;
    QTest::newRow("caption: picture, released on the caption")
        << true << edge << caption << false << false;
    QTest::newRow("caption: caption to caption") << true << caption << caption << true << true;
    QTest::newRow("caption: caption, released outside")
        << true << caption << outside << true << false;
    QTest::newRow("caption: caption, released outside the window")
        << true << caption << QPoint(-80, -60) << true << false;
}

void TestImageButton::pressArea() {
    QFETCH(bool, captionOnly);
    QFETCH(QPoint, pressAt);
    QFETCH(QPoint, releaseAt);
    QFETCH(bool, takesPress);
    QFETCH(bool, captionClick);

    ImageButton *b = addButton(u"Tamam"_qs, QPoint(10, 10));
    if (captionOnly)
        b->setPressArea(ImageButton::PressArea::Caption);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QSignalSpy pressed(b, &ImageButton::pressed);
    QSignalSpy released(b, &ImageButton::released);
    QSignalSpy clicked(b, &ImageButton::captionClicked);

    QTest::mousePress(b, Qt::LeftButton, {}, pressAt);
    QCOMPARE(b->isDown(), takesPress);
    QCOMPARE(pressed.count(), takesPress ? 1 : 0);
    QCOMPARE(released.count(), 0);
    QTest::mouseMove(b, releaseAt);
    QCOMPARE(b->isDown(), takesPress); // moving off does not end the press
    QTest::mouseRelease(b, Qt::LeftButton, {}, releaseAt);
    QVERIFY(!b->isDown());
    QCOMPARE(released.count(), takesPress ? 1 : 0);
    QCOMPARE(clicked.count(), captionClick ? 1 : 0);
}

void TestImageButton::releaseBelongsToPressedButton() {
    ImageButton *a = addButton(u"Bir"_qs, QPoint(10, 10));
    ImageButton *b = addButton(u"İki"_qs, QPoint(150, 10));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QSignalSpy aReleased(a, &ImageButton::released);
    QSignalSpy bPressed(b, &ImageButton::pressed);
    QSignalSpy bReleased(b, &ImageButton::released);
    QSignalSpy bClicked(b, &ImageButton::captionClicked);

    QTest::mousePress(a, Qt::LeftButton, {}, QPoint(50, 20));
    QTest::mouseMove(b, QPoint(50, 20));
    QVERIFY(!b->isDown());
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(aReleased.count(), 1);
    QVERIFY(!a->isDown());
    QCOMPARE(bPressed.count(), 0);
    QCOMPARE(bReleased.count(), 0);
    QCOMPARE(bClicked.count(), 0);
}

void TestImageButton::onlyThePressingMouseButtonEndsThePress() {
    ImageButton *b = addButton(u"Tamam"_qs, QPoint(10, 10));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QSignalSpy pressed(b, &ImageButton::pressed);
    QSignalSpy released(b, &ImageButton::released);

    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(50, 20));
    QTest::mousePress(b, Qt::RightButton, {}, QPoint(50, 20));
    QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(50, 20));
    QVERIFY(b->isDown());
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 0);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(50, 20));
    QVERIFY(!b->isDown());
    QCOMPARE(released.count(), 1);

    // A button hidden while held forgets the press: showing it again shows it raised, and
    // the late release does nothing.
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(50, 20));
    b->hide();
    QVERIFY(!b->isDown());
    b->show();
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(released.count(), 1);
}

void TestImageButton::takesNoFocus() {
    auto *edit = new QLineEdit(m_window);
    edit->setGeometry(10, 100, 100, 24);
    ImageButton *b = addButton(u"Tamam"_qs, QPoint(10, 10));
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    QSignalSpy released(b, &ImageButton::released);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(released.count(), 1);
    QVERIFY(edit->hasFocus());
    // Tab moves between entry fields only.
    QTest::keyClick(edit, Qt::Key_Tab);
    QVERIFY(!b->hasFocus());
}

QTEST_MAIN(TestImageButton)
#include "test_imagebutton.moc"
