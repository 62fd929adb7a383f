#include "base/savefile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace {

// The system's words, and what they most often mean when the disk has no room left.
QString reason(const QSaveFile &file) {
    QString text = file.errorString();
    // A write that failed while the buffer was emptied may leave Qt's default text only.
    if (text.isEmpty() || text == QLatin1String("Unknown error"))
        text = QStringLiteral("Dosyaya yazılamadı.");
    return text + fullDiskNote(QFileInfo(file.fileName()).absolutePath());
}

} // namespace

QString fullDiskNote(const QString &folder) {
    const QStorageInfo disk(folder);
    if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < 1024 * 1024)
        return QStringLiteral("\nDiskte boş yer kalmamış olabilir.");
    return QString();
}

QString commitSaveFile(QSaveFile &file) {
    // A buffered write that fails when the file is closed is not seen by commit(): flush
    // first, and keep the temporary file out of place when anything went wrong.
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        const QString why = reason(file);
        file.cancelWriting();
        file.commit();
        return why;
    }
    if (!file.commit())
        return reason(file);
    return QString();
}

QString saveWhole(const QString &path, const QByteArray &data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return reason(file);
    if (file.write(data) != data.size()) {
        const QString why = reason(file);
        file.cancelWriting();
        file.commit();
        return why;
    }
    return commitSaveFile(file);
}
