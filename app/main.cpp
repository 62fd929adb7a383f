#include "app/firstrun.h"
#include "app/oldformat.h"
#include "app/windows.h"
#include "gui/Form4.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/database.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fatura"));
    QApplication::setApplicationDisplayName(QStringLiteral("Fatura"));

    // Qt's own dialogs (file and font choosers) in Turkish too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    Workspace workspace(QDir::currentPath());
    const QStringList problems = firstRun(QDir(workspace.folder()));
    Windows windows(workspace);
    windows.showMain();
    for (const QString &problem : problems)
        Messages::error(windows.mainWindow(), problem);
    // An Access file from the old program: offer to bring it over before anything opens it.
    offerOldFormatImport(
        windows.mainWindow(),
        workspace.databasePath(readSettingsFile(workspace.settingsPath(), 2).values));
    return app.exec();
}
