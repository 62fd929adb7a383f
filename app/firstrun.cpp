#include "app/firstrun.h"

#include "gui/buttonpictures.h"
#include "settings/settingsfile.h"
#include "store/database.h"

#include <QFileInfo>

QStringList firstRun(const QDir &dir) {
    QStringList problems;
    const QString settingsPath = dir.filePath(ayarDosyasi());
    const ayarlar defaults = varsayilanAyarlar();
    const QString dbPath = dir.filePath(veritabaniYolu(defaults.veritabani_yolu));
    if (!QFileInfo::exists(settingsPath) && !QFileInfo::exists(dbPath)) {
        try {
            ayarlari_yaz(defaults, settingsPath);
            veritabaniOlustur(dbPath);
        } catch (const std::exception &e) {
            problems << QString::fromUtf8(e.what());
        }
    }
    if (!writeMissingButtonPictures(dir))
        problems << QStringLiteral("Düğme resimleri yazılamadı: %1").arg(dir.absolutePath());
    return problems;
}
