#include "app/firstrun.h"

#include "gui/buttonpictures.h"
#include "settings/settingsfile.h"
#include "store/database.h"
#include "store/jetimport.h"

#include <QFileInfo>

QStringList firstRun(const QDir &dir) {
    QStringList problems;
    const QString settingsPath = dir.filePath(settingsFileName());
    const ayarlar defaults = defaultSettings();
    const QString dbPath = dir.filePath(databasePath(defaults.veritabani_yolu));
    if (!QFileInfo::exists(settingsPath) && !QFileInfo::exists(dbPath)) {
        try {
            ayarlari_yaz(defaults, settingsPath);
            createDatabase(dbPath);
        } catch (const std::exception &e) {
            problems << QString::fromUtf8(e.what());
        }
    }
    problems << writeMissingButtonPictures(dir);
    return problems;
}

StartReport prepareWorkingFolder(const QDir &dir) {
    StartReport report;
    const QString settingsPath = dir.filePath(settingsFileName());
    const QString database =
        dir.filePath(databasePath(readSettingsFile(settingsPath, 2).values.veritabani_yolu));
    QStringList removed = removeImportLeftoversIn(dir.absolutePath());
    const QString databaseFolder = QFileInfo(database).absolutePath();
    if (QFileInfo(databaseFolder) != QFileInfo(dir.absolutePath()))
        removed << removeImportLeftoversIn(databaseFolder);
    if (!removed.isEmpty())
        report.notices << QStringLiteral(
                              "Yarıda kalmış bir aktarmanın geçici dosyaları silindi: %1")
                              .arg(removed.join(QStringLiteral(", ")));
    report.problems << firstRun(dir);
    return report;
}
