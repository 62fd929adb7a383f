#include "gui/fieldkeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace {

// An editable combo box takes its keys and focus through its line edit.
QWidget *owner(QObject *o, const QList<QWidget *> &fields) {
    for (QWidget *w : fields) {
        if (w == o)
            return w;
        if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit() == o)
            return w;
    }
    return nullptr;
}

void watch(QWidget *w, QObject *filter) {
    w->installEventFilter(filter);
    if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit())
        combo->lineEdit()->installEventFilter(filter);
}

QColor blend(const QColor &a, const QColor &b, double t) {
    return QColor::fromRgbF(a.redF() * (1 - t) + b.redF() * t,
                            a.greenF() * (1 - t) + b.greenF() * t,
                            a.blueF() * (1 - t) + b.blueF() * t);
}

} // namespace

EnterChain::EnterChain(const QList<QWidget *> &fields, QObject *parent)
    : QObject(parent)
    , m_fields(fields) {
    for (QWidget *w : m_fields)
        watch(w, this);
}

void EnterChain::passOver(QWidget *field) {
    m_passedOver << field;
}

bool EnterChain::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    QWidget *field = owner(watched, m_fields);
    if (!field)
        return false;
    if (auto *button = qobject_cast<QAbstractButton *>(field)) {
        if (button->isEnabled())
            button->click();
        return true;
    }
    const qsizetype i = m_fields.indexOf(field);
    for (qsizetype k = i + 1; k < m_fields.size(); ++k) {
        QWidget *next = m_fields.at(k);
        if (next->isEnabled() && next->isVisible() && !m_passedOver.contains(next)) {
            next->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    return true;
}

FocusColours::FocusColours(const QList<QWidget *> &fields, QObject *parent)
    : QObject(parent) {
    for (QWidget *w : fields) {
        w->setAutoFillBackground(true);
        watch(w, this);
        paint(w, false);
    }
}

// Both colours come from the application's palette for the widget, never from the widget's
// own palette, which this class has already tinted.
QColor FocusColours::focusedColour(const QWidget *w) {
    const QPalette p = QApplication::palette(w);
    return blend(p.color(QPalette::Active, QPalette::Base),
                 p.color(QPalette::Active, QPalette::Highlight), 0.22);
}

QColor FocusColours::normalColour(const QWidget *w) {
    return QApplication::palette(w).color(QPalette::Active, QPalette::Base);
}

void FocusColours::paint(QWidget *w, bool focused) {
    QPalette p = w->palette();
    const QColor c = focused ? focusedColour(w) : normalColour(w);
    p.setColor(QPalette::Base, c);
    // A drop-down list that cannot be typed into draws its face in the button colour.
    if (auto *combo = qobject_cast<QComboBox *>(w); combo && !combo->isEditable()) {
        const QPalette app = QApplication::palette(w);
        const QColor button = app.color(QPalette::Active, QPalette::Button);
        p.setColor(QPalette::Button,
                   focused ? blend(button, app.color(QPalette::Active, QPalette::Highlight), 0.22)
                           : button);
    }
    w->setPalette(p);
    if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit())
        combo->lineEdit()->setPalette(p);
}

bool FocusColours::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (auto *w = qobject_cast<QWidget *>(watched)) {
            QWidget *target = w;
            if (auto *combo = qobject_cast<QComboBox *>(w->parentWidget());
                combo && combo->lineEdit() == w)
                target = combo;
            paint(target, event->type() == QEvent::FocusIn);
        }
    }
    return false;
}
