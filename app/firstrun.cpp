#include "app/firstrun.h"

#include "base/savefile.h"
#include "earsiv/export.h"
#include "gui/buttonpictures.h"
#include "settings/settingsfile.h"
#include "store/database.h"
#include "store/jetimport.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Written before the first run makes anything and removed when it is done: found at a start,
// it says the first run was cut short and is to be finished.
const QString firstRunMarker = QStringLiteral("ilk-calisma.yarim");

QString defaultDatabase(const QDir &dir) {
    return dir.filePath(databasePath(defaultSettings().veritabani_yolu));
}

// The new database is built under this name and renamed when it is whole.
QString databaseUnderConstruction(const QDir &dir) {
    return defaultDatabase(dir) + QStringLiteral(".kuruluyor");
}

QStringList removeFiles(const QStringList &paths) {
    QStringList removed;
    for (const QString &path : paths)
        if (QFile::remove(path))
            removed << path;
    return removed;
}

// What a kill during a save of the program's own files may leave: the temporary file of a
// QSaveFile ("<name>.<6 letters or digits>") where the system has no unnamed temporary files.
QStringList saveLeftovers(const QDir &dir) {
    QStringList found;
    for (const QString &name :
         {settingsFileName(), raisedPictureFile(), pressedPictureFile(), firstRunMarker}) {
        const QRegularExpression pattern(u'^' + QRegularExpression::escape(name) +
                                         QStringLiteral("\\.[A-Za-z0-9]{6}$"));
        for (const QString &f : dir.entryList({name + QStringLiteral(".*")},
                                              QDir::Files | QDir::Hidden | QDir::System))
            if (pattern.match(f).hasMatch())
                found << dir.filePath(f);
    }
    return found;
}

// The first run's database and settings, each whole: the database is built under a
// temporary name and renamed, the settings are written through QSaveFile; what exists stays.
// The marker goes when both are there. Returns the files made; throws on a failure.
QStringList completeFirstRun(const QDir &dir) {
    QStringList made;
    const QString database = defaultDatabase(dir);
    const QString building = databaseUnderConstruction(dir);
    removeFiles({building, building + QStringLiteral("-journal")});
    if (!QFileInfo::exists(database)) {
        createDatabase(building);
        if (!QFile::rename(building, database)) {
            removeFiles({building});
            throw DatabaseError(QStringLiteral("Veritabanı oluşturulamadı: %1").arg(database));
        }
        made << database;
    }
    const QString settings = dir.filePath(settingsFileName());
    if (!QFileInfo::exists(settings)) {
        ayarlari_yaz(defaultSettings(), settings);
        made << settings;
    }
    QFile::remove(dir.filePath(firstRunMarker));
    return made;
}

} // namespace

QStringList firstRun(const QDir &dir) {
    QStringList problems;
    const QString settingsPath = dir.filePath(settingsFileName());
    if (!QFileInfo::exists(settingsPath) && !QFileInfo::exists(defaultDatabase(dir))) {
        const QString marker = dir.filePath(firstRunMarker);
        const QString why = saveWhole(
            marker, QStringLiteral("# Program bu klasörde ilk kez çalıştırılıyor; yarıda kalırsa "
                                   "bir sonraki açılışta tamamlanır.\n")
                        .toUtf8());
        try {
            if (!why.isEmpty())
                throw SettingsError(QStringLiteral("İlk çalışma yapılamadı; ayar dosyası ve "
                                                   "veritabanı oluşturulmadı: %1, %2\n%3 "
                                                   "yazılamadı: %4")
                                        .arg(settingsPath, defaultDatabase(dir), marker, why));
            completeFirstRun(dir);
        } catch (const std::exception &e) {
            problems << failureText(e);
        }
    }
    problems << writeMissingButtonPictures(dir);
    return problems;
}

StartReport prepareWorkingFolder(const QDir &dir) {
    StartReport report;
    // A first run cut short: finished, whatever it had made so far.
    const QStringList saves = removeFiles(saveLeftovers(dir));
    if (QFileInfo::exists(dir.filePath(firstRunMarker))) {
        try {
            const QStringList made = completeFirstRun(dir);
            report.notices << QStringLiteral("Yarıda kalan ilk çalışma tamamlandı.%1")
                                  .arg(made.isEmpty() ? QString()
                                                      : QStringLiteral("\nOluşturulan dosyalar: ") +
                                                            made.join(QStringLiteral(", ")));
        } catch (const std::exception &e) {
            report.problems << failureText(e);
        }
    }
    if (!saves.isEmpty())
        report.notices << QStringLiteral("Yarıda kalmış bir kaydın geçici dosyaları silindi: %1")
                              .arg(saves.join(QStringLiteral(", ")));

    const QString settingsPath = dir.filePath(settingsFileName());
    const QString setting = databasePath(readSettingsFile(settingsPath, 2).values.veritabani_yolu);
    const QString database = isServerAddress(setting) ? setting : dir.filePath(setting);
    // An e-Arşiv export cut short: files of a number never recorded, temporary files.
    const auto tidyEArsiv = [&] {
        const QStringList removed = tidyEArsivFolder(dir, database);
        if (!removed.isEmpty())
            report.notices << QStringLiteral("Yarıda kalmış bir e-Arşiv yazımının dosyaları "
                                             "silindi (numarası kaydedilmemiş belgeler ve "
                                             "geçici dosyalar): %1")
                                  .arg(removed.join(QStringLiteral(", ")));
    };
    // The books on a server: no file of them to finish or undo here.
    if (isServerAddress(database)) {
        tidyEArsiv();
        report.problems << firstRun(dir);
        return report;
    }
    // An import cut short: its temporary files go, a conversion is finished or undone.
    QStringList removed = removeImportLeftoversIn(dir.absolutePath());
    const QString databaseFolder = QFileInfo(database).absolutePath();
    if (QFileInfo(databaseFolder) != QFileInfo(dir.absolutePath()))
        removed << removeImportLeftoversIn(databaseFolder);
    if (!removed.isEmpty())
        report.notices << QStringLiteral(
                              "Yarıda kalmış bir aktarmanın geçici dosyaları silindi: %1")
                              .arg(removed.join(QStringLiteral(", ")));
    const Recovery recovery = recoverConversion(database);
    report.notices << recovery.notices;
    report.problems << recovery.problems;
    tidyEArsiv();

    report.problems << firstRun(dir);
    return report;
}
