#include "fuzz/checks.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "settings/settingsfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// Single values are read without the blanks around them.
ayarlar normalised(ayarlar a) {
    for (const SettingsLine &s : settingsLines()) {
        if (s.single)
            a.*s.single = (a.*s.single).trimmed();
    }
    return a;
}

std::optional<double> valueOf(const QByteArray &bytes) {
    if (size_t(bytes.size()) < sizeof(double))
        return std::nullopt;
    double v;
    std::memcpy(&v, bytes.constData(), sizeof v);
    return v;
}

QString text(const QByteArray &bytes) {
    return QString::fromUtf8(bytes);
}

} // namespace

QString settingsProblem(const QByteArray &bytes) {
    const SettingsRead reading = parseSettings(bytes, 23);
    if (reading.linesRead < 0 || reading.linesRead > 23)
        return QStringLiteral("line count %1").arg(reading.linesRead);
    const SettingsRead twoLines = parseSettings(bytes, 2);
    if (twoLines.values.kdv_yuzde != reading.values.kdv_yuzde ||
        twoLines.values.veritabani_yolu != reading.values.veritabani_yolu ||
        twoLines.linesRead != std::min(2, reading.linesRead))
        return QStringLiteral("reading two lines differs from reading all");
    if (!unwritableValues(reading.values).isEmpty())
        return {};
    const SettingsRead readAgain = parseSettings(settingsFileBytes(reading.values), 23);
    if (readAgain.linesRead != 23)
        return QStringLiteral("written file reads back %1 lines").arg(readAgain.linesRead);
    if (normalised(readAgain.values) != normalised(reading.values))
        return QStringLiteral("written file reads back other values");
    return {};
}

QString wordsProblem(const QByteArray &bytes) {
    const QString words = yaziyacevir(text(bytes));
    if (words.startsWith(u' ') || words.endsWith(u' '))
        return QStringLiteral("blank at an end of \"%1\"").arg(words);
    const std::optional<double> v = valueOf(bytes);
    if (v && std::isfinite(*v) && std::fabs(*v) < 1e14) {
        const QString money = moneyText(*v);
        const QString w = yaziyacevir(money);
        if (w.contains(u"Hata"))
            return QStringLiteral("%1 in words: %2").arg(money, w);
    }
    return {};
}

QString numbersProblem(const QByteArray &bytes) {
    const QString t = text(bytes);
    (void)leadingNumber(t);
    (void)priceCellText(t);
    (void)wholeNumber(t);
    (void)rebuiltValue(t);
    for (const auto &reading : {localNumber(t), inputNumber(t)}) {
        if (reading && !std::isfinite(*reading))
            return QStringLiteral("\"%1\" reads as %2").arg(t).arg(*reading);
    }

    const std::optional<double> v = valueOf(bytes);
    if (!v || !std::isfinite(*v))
        return {};
    // Both texts keep 15 significant digits. Next to the largest double that rounding goes
    // past it (-1.7976931348623157e308 is written "-1,79769313486232E+308"), and no text of
    // that value can read back.
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.15g", *v);
    const double fifteen = std::strtod(digits, nullptr);
    if (!std::isfinite(fifteen))
        return {};
    // The plain text reads back as exactly the 15-digit value.
    const QString plainText = plainNumberText(*v);
    const auto plain = localNumber(plainText);
    if (!plain || *plain != fifteen)
        return QStringLiteral("plain text %1 of %2").arg(plainText, QLatin1String(digits));
    const QString money = moneyText(*v);
    const auto back = localNumber(money);
    if (!back)
        return QStringLiteral("money text %1 does not read back").arg(money);
    if (std::fabs(*v) < 1e13) {
        // Rounding moves a value by at most half a kuruş, and the rebuilt value agrees.
        if (std::fabs(*back - *v) > 0.005 + 1e-9 * std::fabs(*v))
            return QStringLiteral("money text %1 of %2").arg(money, QLatin1String(digits));
        const auto rebuilt = rebuiltValue(money);
        if (!rebuilt || std::fabs(*rebuilt - *back) > 1e-6)
            return QStringLiteral("money text %1 rebuilds otherwise").arg(money);
    }
    return {};
}
