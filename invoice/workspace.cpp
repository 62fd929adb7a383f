#include "invoice/workspace.h"

#include "store/database.h"

#include <QDesktopServices>
#include <QUrl>

Workspace::Workspace(const QString &folder)
    : m_folder(QDir(folder).absolutePath()) {}

QString Workspace::filePath(const QString &name) const {
    return QDir(m_folder).filePath(name);
}

QString Workspace::settingsPath() const {
    return filePath(settingsFileName());
}

ayarlar Workspace::readSettings(int lines) const {
    return ayarlari_oku(lines, settingsPath());
}

QString Workspace::databasePath() const {
    return databasePath(readSettings(2));
}

QString Workspace::databasePath(const ayarlar &settings) const {
    const QString path = ::databasePath(settings.veritabani_yolu);
    return isServerAddress(path) ? path : filePath(path);
}

PrintTarget Workspace::printTarget(const QString &stem, PdfPrinter::Mode mode) const {
    if (seams.printTarget)
        return seams.printTarget(stem, mode);
    return programPrintTarget(stem, mode, m_folder, printerOffsets());
}

PrinterOffsets Workspace::printerOffsets() const {
    return PrinterOffsets(seams.printerOffsetsFile);
}

QDate Workspace::today() const {
    return seams.clock ? seams.clock() : QDate::currentDate();
}

QDateTime Workspace::now() const {
    if (seams.now)
        return seams.now();
    const QDateTime now = QDateTime::currentDateTime();
    return seams.clock ? QDateTime(seams.clock(), now.time()) : now;
}

bool Workspace::openFolder(const QString &path) const {
    const QUrl url = QUrl::fromLocalFile(path);
    return seams.openUrl ? seams.openUrl(url) : QDesktopServices::openUrl(url);
}

bool Workspace::openWebAddress(const QString &address) const {
    const QUrl url(address);
    return seams.openUrl ? seams.openUrl(url) : QDesktopServices::openUrl(url);
}
