#include "gui/buttonpictures.h"

#include "base/savefile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>

QString raisedPictureFile() {
    return QStringLiteral("buton mavi.jpg");
}
QString pressedPictureFile() {
    return QStringLiteral("buton mavi geri.jpg");
}

QImage builtInButtonPicture(bool pressed) {
    QImage img(200, 60, QImage::Format_RGB32);
    img.fill(QColor(113, 189, 240));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(img.rect()).adjusted(2, 2, -2, -2);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    const QColor light(150, 205, 255);
    const QColor dark(30, 90, 180);
    g.setColorAt(0, pressed ? dark : light);
    g.setColorAt(1, pressed ? light : dark);
    p.setPen(QPen(QColor(10, 40, 110), 2));
    p.setBrush(g);
    p.drawRoundedRect(r, 12, 12);
    // A raised button is lit from the top left; a pressed one is sunk.
    p.setPen(QPen(pressed ? QColor(10, 40, 110, 160) : QColor(255, 255, 255, 170), 2));
    p.drawLine(r.topLeft() + QPointF(12, 3), r.topRight() + QPointF(-12, 3));
    return img;
}

QImage buttonPicture(bool pressed) {
    QImage img(pressed ? pressedPictureFile() : raisedPictureFile());
    return img.isNull() ? builtInButtonPicture(pressed) : img;
}

QStringList writeMissingButtonPictures(const QDir &dir) {
    QStringList failed;
    QString why;
    for (bool pressed : {false, true}) {
        const QString path = dir.filePath(pressed ? pressedPictureFile() : raisedPictureFile());
        if (QFileInfo::exists(path))
            continue;
        // Made in memory first: the image writer does not report a write that fails.
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        const QString failure = builtInButtonPicture(pressed).save(&buffer, "JPG", 92)
                                    ? saveWhole(path, jpeg)
                                    : QStringLiteral("JPEG yazılamadı.");
        if (!failure.isEmpty()) {
            failed << path;
            why = failure;
        }
    }
    if (failed.isEmpty())
        return {};
    return {QStringLiteral("Düğme resimleri yazılamadı: %1\n%2")
                .arg(failed.join(QStringLiteral(", ")), why)};
}
