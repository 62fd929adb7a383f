#pragma once

#include "gui/messages.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "tests/common/recorder.h"
#include "tests/common/testdb.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

// A working folder holding ayarlar.dat (VAT rate 18) and an empty database, and a workspace
// on it. Messages are kept and questions answered with `answer`; printing goes into
// `printed`, and each print target's mode into `targets`.
class WindowFixture {
public:
    WindowFixture()
        : workspace(dir.path()) {
        ayarlar a = defaultSettings();
        a.kdv_yuzde = u" 18 "_qs;
        ayarlari_yaz(a, workspace.settingsPath());
        db = workspace.databasePath(a);
        createDatabase(db);
        Messages::setTestHandler([this](const Messages::Message &m) {
            messages << m;
            return answer;
        });
        workspace.seams.printTarget = [this](const QString &, PdfPrinter::Mode mode) {
            targets << mode;
            PrintTarget t;
            t.printer = std::make_unique<Recorder>(printed);
            t.pdfPath = pdfPath;
            return t;
        };
    }
    ~WindowFixture() { Messages::setTestHandler({}); }

    QStringList messageTexts() const {
        QStringList t;
        for (const Messages::Message &m : messages)
            t << m.text;
        return t;
    }

    QTemporaryDir dir;
    Workspace workspace;
    QString db;
    QList<Messages::Message> messages;
    bool answer = false;
    RecordingPrinter printed;
    QList<PdfPrinter::Mode> targets;
    QString pdfPath; // where the print target says a PDF went; empty as for a printer
};

template <class T = QLineEdit> T *field(const QWidget *form, const char *name) {
    T *w = form->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no %s", name);
    return w;
}

// The texts of one or more boxes.
inline QStringList texts(const QWidget *form, std::initializer_list<const char *> names) {
    QStringList t;
    for (const char *name : names)
        t << field(form, name)->text();
    return t;
}
inline QString text(const QWidget *form, const char *name) {
    return field(form, name)->text();
}

// The grid: its rows, each as its five cells (line n of the invoice is row n - 1).
inline QList<QStringList> grid(const QWidget *form) {
    const auto *g = field<QTableWidget>(form, "MSFlexGrid1");
    QList<QStringList> rows;
    for (int r = 0; r < g->rowCount(); ++r) {
        rows << QStringList();
        for (int c = 0; c < g->columnCount(); ++c)
            rows.last() << (g->item(r, c) ? g->item(r, c)->text() : QString());
    }
    return rows;
}
inline const QStringList emptyRow(5);

inline void click(const QWidget *form, const char *button) {
    QTest::mouseClick(field<QPushButton>(form, button), Qt::LeftButton);
}

// Types one line into the invoice window's line entry and presses EKLE.
inline void addLine(const QWidget *form, const QString &description, const QString &discount,
                    const QString &quantity, const QString &price) {
    field(form, "Text3")->setText(description);
    field(form, "Text14")->setText(discount);
    field(form, "Text9")->setText(quantity);
    field(form, "Text10")->setText(price);
    click(form, "Command2");
}

// Picks an entry from a drop-down list as a user does: open it, choose, Enter.
inline void choose(QComboBox *combo, const QString &entry) {
    const int i = combo->findText(entry);
    QVERIFY2(i >= 0, qPrintable(entry));
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    view->setCurrentIndex(view->model()->index(i, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!view->isVisible());
}
