#include "printing/printeroffsets.h"

#include "printing/printer.h"

#include <QDir>
#include <QSettings>
#include <QUrl>

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<QSettings> openSettings(const QString &file) {
    if (file.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("Fatura"), QStringLiteral("Fatura"));
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

// A printer name as one key: a slash would open a group, and case may be lost.
QString key(const QString &printerName, const char *axis) {
    return QStringLiteral("printerOffsets/%1/%2")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(printerName)), QLatin1String(axis));
}

const QString lastDefaultKey = QStringLiteral("lastDefaultPrinter");

bool usable(double mm) {
    return std::isfinite(mm) && std::abs(mm) <= maxOffsetMm;
}

} // namespace

PrinterOffsets::PrinterOffsets(const QString &file)
    : m_file(file) {}

PrinterOffset PrinterOffsets::offset(const QString &printerName) const {
    if (printerName.isEmpty())
        return {};
    const auto settings = openSettings(m_file);
    const auto read = [&](const char *axis) {
        bool ok = false;
        const double mm = settings->value(key(printerName, axis)).toDouble(&ok);
        // A value edited by hand into nonsense moves nothing.
        return ok && usable(mm) ? mm : 0.0;
    };
    return {read("x"), read("y")};
}

void PrinterOffsets::setOffset(const QString &printerName, const PrinterOffset &offset) const {
    if (!usable(offset.x) || !usable(offset.y))
        throw PrinterError(QStringLiteral("Yazıcı kayması en fazla %1 mm olabilir: %2")
                               .arg(maxOffsetMm)
                               .arg(printerName));
    const auto settings = openSettings(m_file);
    settings->setValue(key(printerName, "x"), offset.x);
    settings->setValue(key(printerName, "y"), offset.y);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        throw PrinterError(QStringLiteral("Yazıcı kayması kaydedilemedi: %1\n%2")
                               .arg(printerName, QDir::toNativeSeparators(settings->fileName())));
}

QString PrinterOffsets::lastDefaultPrinter() const {
    return openSettings(m_file)->value(lastDefaultKey).toString();
}

void PrinterOffsets::keepLastDefaultPrinter(const QString &printerName) const {
    const auto settings = openSettings(m_file);
    if (settings->value(lastDefaultKey).toString() != printerName)
        settings->setValue(lastDefaultKey, printerName);
}
