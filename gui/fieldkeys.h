#pragma once

#include <QList>
#include <QObject>

class QWidget;

// Enter in an entry field moves the focus to the next field of a chain, as the program's
// windows have always done; Enter on a button presses it like a click.
class EnterChain : public QObject {
    Q_OBJECT
public:
    // `fields` in Enter order; the last one is usually a button.
    EnterChain(const QList<QWidget *> &fields, QObject *parent);

    // Enter leaves `field` for the next one as usual, but never lands on it: a field with a
    // default that is seldom changed, reached with Tab or the mouse.
    void passOver(QWidget *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QWidget *> m_fields;
    QList<QWidget *> m_passedOver;
};

// A focused field gets a tint of the desktop's highlight colour; an unfocused one its
// normal background. Follows the palette, so it suits light and dark colour schemes.
class FocusColours : public QObject {
    Q_OBJECT
public:
    FocusColours(const QList<QWidget *> &fields, QObject *parent);

    static QColor focusedColour(const QWidget *w);
    static QColor normalColour(const QWidget *w);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void paint(QWidget *w, bool focused);
};
