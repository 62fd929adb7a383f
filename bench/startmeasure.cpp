// One start of the program to its main window on the screen, and the process ends: what
// main() does, linked as the program is linked, so that a whole-process timing from outside
// counts the dynamic loading too. Run in a working folder after its first start; nothing is
// printed. Beside it `bos-pencere-olcum`, the floor: a bare Qt Widgets main window.
//   cd /tmp/bos && build/ci/bench/fatura-baslangic-olcum   (once, to make the folder's files)
//   FATURA_REKLAM_URL=about:blank build/ci/bench/fatura-baslangic-olcum

#include "app/application.h"
#include "app/dailybackup.h"
#include "app/firstrun.h"
#include "app/oldformat.h"
#include "app/windows.h"
#include "gui/Form4.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"

#include <QApplication>
#include <QDir>
#include <QWindow>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    setUpApplication(app);
    Workspace workspace(QDir::currentPath());
    const StartReport start = prepareWorkingFolder(QDir(workspace.folder()));
    Windows windows(workspace);
    windows.showMain();
    // A start that had something to say is not the start measured here.
    if (!start.notices.isEmpty() || !start.problems.isEmpty() || !dailyBackup(workspace).isEmpty())
        return 1;
    offerOldFormatImport(
        windows.mainWindow(),
        workspace.databasePath(readSettingsFile(workspace.settingsPath(), 2).values));
    QWidget *main = windows.mainWindow();
    while (!main->windowHandle() || !main->windowHandle()->isExposed())
        QApplication::processEvents();
    return 0;
}
