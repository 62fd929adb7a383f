#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

// A picture button: a caption over a raised picture, and the pressed picture in its place
// while a mouse button is held down on it. Both pictures are stretched to the button's size.
// Tab gives it the keyboard focus (a click leaves the focus where it was), shown by a dotted frame
// round the caption: Enter acts at once, Space shows the pressed picture and acts when it comes up,
// as a push button does.
//
// A press belongs to the button until its mouse button comes up, wherever the pointer is
// by then; released() reports that moment, captionClicked() only a press and a release that
// were both on the caption.
class ImageButton : public QWidget {
    Q_OBJECT
public:
    // Where a press takes effect: anywhere on the picture, or only on the caption. A press
    // elsewhere does nothing at all.
    enum class PressArea { Picture, Caption };

    // Takes its pictures from "buton mavi.jpg" and "buton mavi geri.jpg" in the working
    // directory, or the built-in ones where a file is missing.
    explicit ImageButton(const QString &caption, QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // Bold Tahoma in this size; a similar face where Tahoma is not installed.
    void setCaptionPointSize(qreal points);

    // The caption's rectangle in the button's own coordinates (by default the whole button).
    void setCaptionRect(const QRect &rect);
    // The rectangle that counts as the caption: the one set, widened where a substitute font
    // draws the text wider than it, never beyond the button.
    QRect captionRect() const;

    void setPressArea(PressArea area);
    PressArea pressArea() const { return m_area; }

    void setPictures(const QImage &raised, const QImage &pressed);
    QImage raisedPicture() const { return m_raised; }
    QImage pressedPicture() const { return m_pressed; }

    // From a press that took effect until its mouse button comes up.
    bool isDown() const { return m_button != Qt::NoButton; }

Q_SIGNALS:
    void pressed();
    // The mouse button of a press that took effect came up, wherever the pointer was.
    void released();
    // Press and release both inside the caption's rectangle; follows released().
    void captionClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool takesPressAt(const QPoint &pos) const;
    void cancelPress();
    void actByKeyboard();

    QString m_caption;
    QRect m_captionRect;
    PressArea m_area = PressArea::Picture;
    QImage m_raised;
    QImage m_pressed;
    Qt::MouseButton m_button = Qt::NoButton;
    bool m_pressOnCaption = false;
    bool m_keyPress = false; // the press is Space held down
};
