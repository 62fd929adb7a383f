// fatura-simge: draws the program's menu icon, a sheet of invoice paper on a blue tile, as
// PNG files in the hicolor layout: OUTDIR/<n>x<n>/apps/fatura.png for each size n given.
// The same drawing, in the same 48-unit grid, is fatura.svg beside this file.

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>

namespace {

void draw(QPainter &p) {
    QLinearGradient sky(0, 2, 0, 46);
    sky.setColorAt(0, QColor(32, 86, 160));
    sky.setColorAt(1, QColor(113, 189, 240));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(2, 2, 44, 44), 8, 8);

    // The sheet with its folded corner, and its shadow.
    QPainterPath sheet;
    sheet.moveTo(12, 7);
    sheet.lineTo(30, 7);
    sheet.lineTo(36, 13);
    sheet.lineTo(36, 41);
    sheet.lineTo(12, 41);
    sheet.closeSubpath();
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawPath(sheet.translated(1.5, 1.5));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(30, 7);
    fold.lineTo(30, 13);
    fold.lineTo(36, 13);
    fold.closeSubpath();
    p.setBrush(QColor(200, 212, 228));
    p.drawPath(fold);

    // The title, the ruled lines and the total.
    p.setBrush(QColor(32, 86, 160));
    p.drawRect(QRectF(16, 11, 10, 3));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(160, 170, 185), 1.5));
    for (const double y : {19.0, 23.5, 28.0, 32.5})
        p.drawLine(QPointF(16, y), QPointF(32, y));
    p.setPen(QPen(QColor(200, 40, 40), 2.5));
    p.drawLine(QPointF(23, 37), QPointF(32, 37));
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc < 3) {
        std::fputs("Kullanım: fatura-simge KLASÖR BOYUT...\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int n = std::atoi(argv[i]);
        if (n < 8 || n > 1024) {
            std::fprintf(stderr, "fatura-simge: geçersiz boyut: %s\n", argv[i]);
            return 2;
        }
        QImage image(n, n, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(n / 48.0, n / 48.0);
            draw(p);
        }
        const QString dir = QStringLiteral("%1x%1/apps").arg(n);
        if (!out.mkpath(dir) || !image.save(out.filePath(dir + QStringLiteral("/fatura.png")))) {
            std::fprintf(stderr, "fatura-simge: yazılamadı: %s\n", qPrintable(out.filePath(dir)));
            return 1;
        }
    }
    return 0;
}
