#include "gui/messages.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace {

Messages::Handler &testHandler() {
    static Messages::Handler handler;
    return handler;
}

bool show(QWidget *parent, const Messages::Message &message) {
    if (testHandler())
        return testHandler()(message);
    return Messages::messageBox(parent, message)->exec() == QMessageBox::Yes;
}

} // namespace

namespace Messages {

QString appTitle() {
    return QStringLiteral("Fatura");
}

void info(QWidget *parent, const QString &text, const QString &title) {
    show(parent, {Kind::Info, title, text});
}

void error(QWidget *parent, const QString &text, const QString &title) {
    show(parent, {Kind::Error, title, text});
}

bool ask(QWidget *parent, const QString &text, const QString &title, bool yesIsDefault) {
    return show(parent, {Kind::Question, title, text, yesIsDefault});
}

std::unique_ptr<QMessageBox> messageBox(QWidget *parent, const Message &message) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(message.title);
    box->setText(message.text);
    switch (message.kind) {
    case Kind::Info:
        box->setIcon(QMessageBox::Information);
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case Kind::Warning:
    case Kind::Error:
        box->setIcon(QMessageBox::Warning);
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case Kind::Question:
        box->setIcon(QMessageBox::Question);
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(message.yesIsDefault ? QMessageBox::Yes : QMessageBox::No);
        box->setEscapeButton(QMessageBox::No);
        box->button(QMessageBox::Yes)->setText(QStringLiteral("&Evet"));
        box->button(QMessageBox::No)->setText(QStringLiteral("&Hayır"));
        break;
    }
    if (QAbstractButton *ok = box->button(QMessageBox::Ok))
        ok->setText(QStringLiteral("Tamam"));
    return box;
}

void setTestHandler(Handler handler) {
    testHandler() = std::move(handler);
}

} // namespace Messages
