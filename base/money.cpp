#include "base/money.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Beyond this many lira a kuruş count would not fit in 64 bits.
constexpr double largestLira = 9.0e16;
constexpr qint64 largestTextKurus = 999'999'999'999'999;

// Thousands grouped: "1234567" is "1.234.567".
QString grouped(qint64 whole) {
    QString digits = QString::number(whole);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, u'.');
    return digits;
}

} // namespace

std::optional<Money> Money::fromLira(double lira) {
    if (!std::isfinite(lira) || std::fabs(lira) >= largestLira)
        return std::nullopt;
    // Most amounts are far from half a kuruş: then rounding the kuruş as they are gives what
    // the decimal digits give, without writing them out. Below ten million lira the 15 digits
    // reach a millionth of a kuruş, so only an amount within a hundred-thousandth of a half is
    // left to the digits.
    const double hundredths = lira * 100;
    if (std::fabs(hundredths) < 1e9) {
        const double fraction = std::fabs(hundredths - std::trunc(hundredths));
        if (std::fabs(fraction - 0.5) > 1e-5)
            return Money(qint64(std::llround(hundredths)));
    }
    // The 15 significant digits of the value, d.dddddddddddddde±x, read as a person reads them.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(lira));
    char digits[16];
    digits[0] = buf[0];
    std::memcpy(digits + 1, buf + 2, 14);
    digits[15] = '\0';
    const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
    // How many of those digits stand before the kuruş' decimal point.
    const int kept = exponent + 3;
    qint64 kurus = 0;
    if (kept >= 15) {
        kurus = std::atoll(digits);
        for (int i = 15; i < kept; ++i)
            kurus *= 10;
    } else if (kept >= 0) {
        for (int i = 0; i < kept; ++i)
            kurus = kurus * 10 + (digits[i] - '0');
        // Half away from zero: the first digit dropped alone decides.
        if (digits[kept] >= '5')
            ++kurus;
    }
    return Money(lira < 0 ? -kurus : kurus);
}

std::optional<Money> Money::percent(double percent) const {
    return fromLira(double(m_kurus) * percent / 10000);
}

std::optional<Money> Money::includedTax(double percent) const {
    if (percent <= -100)
        return std::nullopt;
    return fromLira(double(m_kurus) * percent / (100 + percent) / 100);
}

bool Money::fitsText() const {
    return m_kurus >= -largestTextKurus && m_kurus <= largestTextKurus;
}

QString moneyText(Money m) {
    const qint64 k = m.kurus();
    const quint64 magnitude = k < 0 ? quint64(0) - quint64(k) : quint64(k);
    QString text = grouped(qint64(magnitude / 100)) + u',' +
                   QString::number(magnitude % 100).rightJustified(2, u'0');
    return k < 0 ? u'-' + text : text;
}

QString plainNumberText(Money m) {
    const qint64 k = m.kurus();
    const quint64 magnitude = k < 0 ? quint64(0) - quint64(k) : quint64(k);
    QString text = QString::number(magnitude / 100);
    if (const quint64 cents = magnitude % 100) {
        text += u',' + QString::number(cents).rightJustified(2, u'0');
        if (text.endsWith(u'0'))
            text.chop(1);
    }
    return k < 0 ? u'-' + text : text;
}

QString decimalPointText(Money m) {
    QString text = moneyText(m);
    text.remove(u'.');
    text.replace(u',', u'.');
    return text;
}
