#pragma once

// Helpers for window tests: controls found by object name, used as a user uses them.

#include "gui/imagebutton.h"

#include <QAnyStringView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

// The child `name`; a missing one ends the test program, as every later step would fail.
template <class T = QLineEdit> T *field(const QWidget *form, QAnyStringView name) {
    T *w = form->findChild<T *>(name.toString());
    if (!w)
        qFatal("no %s", qPrintable(name.toString()));
    return w;
}

// The text a box shows, a line edit's or an editable list's; setText() types over it.
inline QString text(const QWidget *form, QAnyStringView name) {
    if (const auto *c = qobject_cast<const QComboBox *>(field<QWidget>(form, name)))
        return c->currentText();
    return field(form, name)->text();
}
inline QStringList texts(const QWidget *form, std::initializer_list<QAnyStringView> names) {
    QStringList t;
    for (QAnyStringView name : names)
        t << text(form, name);
    return t;
}
inline void setText(const QWidget *form, QAnyStringView name, const QString &t) {
    if (auto *c = qobject_cast<QComboBox *>(field<QWidget>(form, name)))
        c->setEditText(t);
    else
        field(form, name)->setText(t);
}

inline void click(const QWidget *form, QAnyStringView button) {
    QTest::mouseClick(field<QPushButton>(form, button), Qt::LeftButton);
}

// A picture button clicked on its caption, where every one of them acts.
inline void clickCaption(const QWidget *form, QAnyStringView name) {
    auto *b = field<ImageButton>(form, name);
    QTest::mouseClick(b, Qt::LeftButton, {}, b->captionRect().center());
}

inline bool shown(QWidget &w) {
    w.show();
    return QTest::qWaitForWindowExposed(&w);
}

// A window shown, and on the screen, as soon as it is made.
template <class W> struct Shown : W {
    template <class... A>
    explicit Shown(A &&...a)
        : W(std::forward<A>(a)...) {
        shown(*this);
    }
};

inline QStringList items(const QComboBox *c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

// A pick as the keyboard makes it: the arrow key moves onto the entry.
inline void pick(QComboBox *c, int index) {
    c->setCurrentIndex(index - 1);
    QTest::keyClick(c, Qt::Key_Down);
}

// The invoice grid: its rows, each as the cells of columns `first` to `last` (line n of the
// invoice is row n - 1). By default the five columns every invoice had: quantity,
// description, discount, price, amount; 5 and 6 are the line's rate and unit.
inline QList<QStringList> grid(const QWidget *form, int first = 0, int last = 4) {
    const auto *g = field<QTableWidget>(form, "MSFlexGrid1");
    QList<QStringList> rows;
    for (int r = 0; r < g->rowCount(); ++r) {
        rows << QStringList();
        for (int c = first; c <= last; ++c)
            rows.last() << (g->item(r, c) ? g->item(r, c)->text() : QString());
    }
    return rows;
}
