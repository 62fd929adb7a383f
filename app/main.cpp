#include "app/application.h"
#include "app/commandline.h"
#include "app/dailybackup.h"
#include "app/firstrun.h"
#include "app/oldformat.h"
#include "app/windows.h"
#include "gui/Form4.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/database.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    // Read before QApplication, so that --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine options = parseCommandLine(arguments, QDir::homePath());
    if (options.action != CommandLine::Action::Run)
        return answerWithoutRunning(options);

    // The working folder becomes the current directory, so that relative paths the user typed
    // (a PDF folder, a database) mean the same in every dialog. It comes first: without a
    // display Qt would end the program before it could say why.
    if (const QString problem = enterWorkingFolder(options.folder); !problem.isEmpty()) {
        std::fprintf(stderr, "fatura: %s\n", problem.toUtf8().constData());
        if (options.fromMenu && displayAvailable(arguments)) {
            QApplication app(argc, argv);
            QApplication::setApplicationDisplayName(QStringLiteral("Fatura"));
            Messages::error(nullptr, problem);
        }
        return 1;
    }
    if (!displayAvailable(arguments)) {
        std::fprintf(stderr, "fatura: %s\n",
                     QStringLiteral("Ekran bulunamadı: program bir masaüstü oturumunda "
                                    "(DISPLAY ya da WAYLAND_DISPLAY) çalıştırılmalıdır.")
                         .toUtf8()
                         .constData());
        return 1;
    }

    QApplication app(argc, argv);
    setUpApplication(app);
    Workspace workspace(QDir::currentPath());
    const StartReport start = prepareWorkingFolder(QDir(workspace.folder()));
    Windows windows(workspace);
    windows.showMain();
    for (const QString &notice : start.notices)
        Messages::info(windows.mainWindow(), notice);
    for (const QString &problem : start.problems)
        Messages::error(windows.mainWindow(), problem);
    // The first start of the day keeps a copy of the books.
    if (const QString failed = dailyBackup(workspace); !failed.isEmpty())
        Messages::error(windows.mainWindow(), failed);
    // An Access file from the old program: offer to bring it over before anything opens it.
    offerOldFormatImport(
        windows.mainWindow(),
        workspace.databasePath(readSettingsFile(workspace.settingsPath(), 2).values));
    return app.exec();
}
