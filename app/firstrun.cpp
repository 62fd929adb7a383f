#include "app/firstrun.h"

#include "gui/buttonpictures.h"
#include "settings/settingsfile.h"
#include "store/database.h"

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
