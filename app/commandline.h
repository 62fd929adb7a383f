#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line. Read before any window exists, so
// that --help and --version answer without a display.
struct CommandLine {
    enum class Action {
        Run,     // start the program in `folder`
        Help,    // print `text` to standard output, exit 0
        Version, // print `text` to standard output, exit 0
        Error,   // print `text` to standard error, exit 2
    };
    Action action = Action::Run;
    // The working folder: empty for the current directory (started from a terminal).
    QString folder;
    // Started from the desktop menu (--menu): problems are shown in a message box too.
    bool fromMenu = false;
    QString text;
};

// The folder the program works in when started from the menu: "Fatura" in the home folder.
QString menuFolder(const QString &homePath);

// Reads `arguments` (the program's name first). Qt's own options (-platform, -style, ...)
// are accepted and left for QApplication.
CommandLine parseCommandLine(const QStringList &arguments, const QString &homePath);

// For a command line that does not run the program: prints its text (help and version to
// standard output, an error to standard error) and returns the exit code, 0 or 2.
int answerWithoutRunning(const CommandLine &commandLine);

// Creates `path` when it is missing and makes it the current directory. Returns the Turkish
// message of what went wrong, empty when it is the current directory now.
QString enterWorkingFolder(const QString &path);

// Whether a window can be shown: Qt ends the whole process, with its own English text, when
// it finds no display. False only where a desktop would need DISPLAY or WAYLAND_DISPLAY and
// neither is set (and no other platform is chosen, by QT_QPA_PLATFORM or -platform).
bool displayAvailable(const QStringList &arguments);
