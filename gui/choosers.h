#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

// The desktop's dialogs through which the user picks a file, a folder or a font. A test puts
// its own answers in their place, as it answers messages (gui/messages.h), so that no test
// ever waits on a dialog. Each gives nothing when the user cancels.
namespace Choosers {

enum class PathKind { OpenFile, SaveFile, Folder };

using FileChooser = std::function<std::optional<QString>(QWidget *parent)>;
using PathChooser = std::function<std::optional<QString>(
    QWidget *parent, PathKind kind, const QString &title, const QString &proposed)>;
using FontChooser = std::function<std::optional<QFont>(QWidget *parent)>;

// A test's answers; an empty function leaves that chooser the desktop's dialog.
struct TestHooks {
    FileChooser file;
    FontChooser font;
    PathChooser path;
};
void setTestHooks(TestHooks hooks);

// A file to open (the settings' database, the e-Fatura user list); the path in the system's
// own separators.
std::optional<QString> chooseFile(QWidget *parent, const QString &title = QString(),
                                  const QString &filter = QString());
std::optional<QFont> chooseFont(QWidget *parent);
// A file to read, a file to write or a folder. `proposed` is the path offered first; `filter`
// the kinds of file offered ("CSV dosyası (*.csv)").
std::optional<QString> choosePath(QWidget *parent, PathKind kind, const QString &title,
                                  const QString &proposed, const QString &filter = QString());

} // namespace Choosers
