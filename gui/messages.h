#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

// Every message box of the program goes through here, so that they all carry the
// application's title and a test can answer them instead of a person.
namespace Messages {

enum class Kind { Info, Warning, Error, Question };

struct Message {
    Kind kind;
    QString title;
    QString text;
    // For a question: whether Enter answers Yes. A question whose Yes loses something has No.
    bool yesIsDefault = true;
};

// The application's title on message boxes and the main window.
QString appTitle();

// An OK box with the information icon, as the program's own checks show them.
void info(QWidget *parent, const QString &text, const QString &title = appTitle());
// An OK box with a warning icon, for failures of files, the database or the printer.
void error(QWidget *parent, const QString &text, const QString &title = appTitle());
// "Evet" and "Hayır" with the question icon; true for Yes. `yesIsDefault` false makes Enter
// answer No, for a question whose Yes throws something away.
bool ask(QWidget *parent, const QString &text, const QString &title = appTitle(),
         bool yesIsDefault = true);

// The box a message is shown in: its icon, buttons with Turkish captions, the default one.
std::unique_ptr<QMessageBox> messageBox(QWidget *parent, const Message &message);

// Tests: while a handler is set no box is shown; the handler sees each message and its
// return value answers a question (true is Yes).
using Handler = std::function<bool(const Message &)>;
void setTestHandler(Handler handler);

} // namespace Messages
