#include "gui/imagebutton.h"

#include "gui/buttonpictures.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

ImageButton::ImageButton(const QString &caption, QWidget *parent)
    : QWidget(parent)
    , m_caption(caption)
    , m_raised(buttonPicture(false))
    , m_pressed(buttonPicture(true)) {
    // Tab reaches it; a click leaves the focus where the user was typing.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCaptionPointSize(8.25);
}

void ImageButton::setCaption(const QString &caption) {
    m_caption = caption;
    update();
}

void ImageButton::setCaptionPointSize(qreal points) {
    QFont f = font();
    // Faces of about Tahoma's width come before the desktop's default, which is often wider.
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Arial"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans")});
    f.setPointSizeF(points);
    f.setBold(true);
    setFont(f);
    update();
}

void ImageButton::setCaptionRect(const QRect &rect) {
    m_captionRect = rect;
    update();
}

QRect ImageButton::captionRect() const {
    const QRect set = m_captionRect.isValid() ? m_captionRect : rect();
    const QFontMetrics fm(font());
    QRect text(QPoint(0, 0), QSize(fm.horizontalAdvance(m_caption), fm.height()));
    text.moveCenter(set.center());
    return set.united(text).intersected(rect());
}

void ImageButton::setPressArea(PressArea area) {
    m_area = area;
}

void ImageButton::setPictures(const QImage &raised, const QImage &pressed) {
    m_raised = raised;
    m_pressed = pressed;
    update();
}

void ImageButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), isDown() ? m_pressed : m_raised);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(captionRect(), Qt::AlignCenter, m_caption);
    if (hasFocus()) {
        QPen dotted(palette().color(QPalette::WindowText), 1, Qt::DotLine);
        p.setPen(dotted);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

bool ImageButton::takesPressAt(const QPoint &pos) const {
    return m_area == PressArea::Picture ? rect().contains(pos) : captionRect().contains(pos);
}

void ImageButton::mousePressEvent(QMouseEvent *event) {
    // Accepted even where it does nothing, so that the press does not reach the window.
    event->accept();
    const QPoint pos = event->position().toPoint();
    if (isDown() || !takesPressAt(pos))
        return;
    m_button = event->button();
    m_pressOnCaption = captionRect().contains(pos);
    update();
    Q_EMIT pressed();
}

void ImageButton::mouseDoubleClickEvent(QMouseEvent *event) {
    // The second press of a quick double click is a press like any other.
    mousePressEvent(event);
}

void ImageButton::mouseReleaseEvent(QMouseEvent *event) {
    event->accept();
    if (!isDown() || event->button() != m_button)
        return;
    const bool onCaption = m_pressOnCaption && captionRect().contains(event->position().toPoint());
    cancelPress();
    // The action may close the window and take the button with it.
    const QPointer<ImageButton> self(this);
    Q_EMIT released();
    if (self && onCaption)
        Q_EMIT captionClicked();
}

void ImageButton::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat() && !isDown())
            actByKeyboard();
        break;
    case Qt::Key_Space:
        if (!event->isAutoRepeat() && !isDown()) {
            m_button = Qt::LeftButton;
            m_pressOnCaption = true;
            m_keyPress = true;
            update();
            Q_EMIT pressed();
        }
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ImageButton::keyReleaseEvent(QKeyEvent *event) {
    if (event->key() != Qt::Key_Space || event->isAutoRepeat() || !m_keyPress) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    cancelPress();
    const QPointer<ImageButton> self(this);
    Q_EMIT released();
    if (self)
        Q_EMIT captionClicked();
}

// The whole of a click on the caption, from the keyboard.
void ImageButton::actByKeyboard() {
    const QPointer<ImageButton> self(this);
    Q_EMIT pressed();
    if (self)
        Q_EMIT released();
    if (self)
        Q_EMIT captionClicked();
}

// Space held while the focus moves on is no press any more.
void ImageButton::focusOutEvent(QFocusEvent *event) {
    if (m_keyPress)
        cancelPress();
    update();
    QWidget::focusOutEvent(event);
}

void ImageButton::cancelPress() {
    m_keyPress = false;
    m_button = Qt::NoButton;
    m_pressOnCaption = false;
    update();
}

// A button that disappears or is disabled while held will never see its release.
void ImageButton::hideEvent(QHideEvent *event) {
    if (isDown())
        cancelPress();
    QWidget::hideEvent(event);
}

void ImageButton::changeEvent(QEvent *event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled() && isDown())
        cancelPress();
    QWidget::changeEvent(event);
}
