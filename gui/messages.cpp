#include "gui/messages.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace {

Messages::Handler &testHandler() {
    static Messages::Handler handler;
    return handler;
}

bool show(QWidget *parent, Messages::Kind kind, const QString &text, const QString &title) {
    if (testHandler())
        return testHandler()({kind, title, text});
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (kind) {
    case Messages::Kind::Info:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Messages::Kind::Warning:
    case Messages::Kind::Error:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Messages::Kind::Question:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Evet"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Hayır"));
        break;
    }
    if (QAbstractButton *ok = box.button(QMessageBox::Ok))
        ok->setText(QStringLiteral("Tamam"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace

namespace Messages {

QString appTitle() {
    return QStringLiteral("Fatura");
}

void info(QWidget *parent, const QString &text, const QString &title) {
    show(parent, Kind::Info, text, title);
}

void error(QWidget *parent, const QString &text, const QString &title) {
    show(parent, Kind::Error, text, title);
}

bool ask(QWidget *parent, const QString &text, const QString &title) {
    return show(parent, Kind::Question, text, title);
}

void setTestHandler(Handler handler) {
    testHandler() = std::move(handler);
}

} // namespace Messages
