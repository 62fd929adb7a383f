#include "base/numbers.h"

#include "base/money.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

QStringView trimmedBlanks(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

std::optional<double> finiteOrNone(double v) {
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

// Parses [sign] digits [sep digits] [E sign digits] where `group` (if not null) may stand
// between the integer digits. Builds a C-locale text for the conversion.
std::optional<double> parseDecimal(QStringView s, QChar decimal, QChar group, bool allowExponent) {
    QString c;
    c.reserve(s.size());
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+'))
        c += s[i++];
    int digits = 0;
    while (i < s.size() && (isDigit(s[i]) || (!group.isNull() && s[i] == group))) {
        if (isDigit(s[i])) {
            c += s[i];
            ++digits;
        }
        ++i;
    }
    if (!decimal.isNull() && i < s.size() && s[i] == decimal) {
        c += u'.';
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            c += s[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (allowExponent && i < s.size() && (s[i] == u'E' || s[i] == u'e')) {
        c += u'e';
        ++i;
        if (i < s.size() && (s[i] == u'-' || s[i] == u'+'))
            c += s[i++];
        int expDigits = 0;
        while (i < s.size() && isDigit(s[i])) {
            c += s[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    bool ok = false;
    const double v = c.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return finiteOrNone(v);
}

// The value's 15 significant digits and the position of the decimal point in them:
// value = 0.digits * 10^point.
struct DecimalForm {
    bool negative = false;
    QString digits;
    int point = 0;
};

DecimalForm decimalForm(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    const QString s = QString::fromLatin1(buf);
    DecimalForm f;
    qsizetype i = 0;
    if (s.startsWith(u'-')) {
        f.negative = true;
        i = 1;
    }
    const qsizetype e = s.indexOf(u'e');
    for (qsizetype k = i; k < e; ++k) {
        if (isDigit(s[k]))
            f.digits += s[k];
    }
    f.point = s.mid(e + 1).toInt() + 1;
    return f;
}

// Adds one to a string of decimal digits.
QString incremented(QString digits) {
    qsizetype k = digits.size() - 1;
    while (k >= 0) {
        if (digits[k] == u'9') {
            digits[k] = u'0';
            --k;
        } else {
            digits[k] = QChar(digits[k].unicode() + 1);
            return digits;
        }
    }
    return QStringLiteral("1") + digits;
}

QString grouped(const QString &integerDigits) {
    QString out;
    const qsizetype n = integerDigits.size();
    for (qsizetype k = 0; k < n; ++k) {
        if (k > 0 && (n - k) % 3 == 0)
            out += u'.';
        out += integerDigits[k];
    }
    return out;
}

} // namespace

double leadingNumber(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    QString c;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        c += text[i++];
    int digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        c += text[i++];
        ++digits;
    }
    if (i + 1 < text.size() && text[i] == u'.' && isDigit(text[i + 1])) {
        c += u'.';
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            c += text[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    return c.toDouble();
}

std::optional<double> localNumber(QStringView text) {
    return parseDecimal(trimmedBlanks(text), u',', u'.', true);
}

std::optional<double> inputNumber(QStringView text) {
    const QStringView t = trimmedBlanks(text);
    // "." only between groups of three digits: the first group one to three digits long.
    const qsizetype comma = t.indexOf(u',');
    const QStringView whole = comma < 0 ? t : t.left(comma);
    qsizetype start = whole.startsWith(u'-') || whole.startsWith(u'+') ? 1 : 0;
    qsizetype group = 0;
    bool grouped = false;
    for (qsizetype i = start; i < whole.size(); ++i) {
        if (whole[i] == u'.') {
            if (group == 0 || (grouped && group != 3) || (!grouped && group > 3))
                return std::nullopt;
            grouped = true;
            group = 0;
        } else if (isDigit(whole[i])) {
            ++group;
        } else {
            return std::nullopt;
        }
    }
    if (grouped && group != 3)
        return std::nullopt;
    // A comma needs its decimals: "5," is a slip, not five.
    if (comma >= 0 && comma + 1 >= t.size())
        return std::nullopt;
    return parseDecimal(t, u',', u'.', false);
}

std::optional<double> storedNumber(QStringView text) {
    const QStringView t = trimmedBlanks(text);
    if (t.contains(u','))
        return parseDecimal(t, u',', u'.', false);
    return parseDecimal(t, u'.', QChar(), false);
}

QString typedNumberForm(QStringView typed) {
    const QString t = trimmedBlanks(typed).toString();
    if (t.isEmpty() || inputNumber(t))
        return QString();
    QStringList candidates;
    // The last "." meant as the decimal point: "18.50", "1.250.50".
    if (!t.contains(u',') && t.contains(u'.')) {
        QString c = t;
        c[c.lastIndexOf(u'.')] = u',';
        candidates << c;
    }
    // The English marks: "1,250.50".
    if (t.contains(u',') && t.contains(u'.') && t.lastIndexOf(u'.') > t.lastIndexOf(u',')) {
        QString c = t;
        for (QChar &ch : c)
            ch = ch == u',' ? QChar(u'.') : ch == u'.' ? QChar(u',') : ch;
        candidates << c;
    }
    for (const QString &c : std::as_const(candidates)) {
        if (inputNumber(c))
            return c;
    }
    return QString();
}

QString typedExcerpt(const QString &typed) {
    constexpr qsizetype longest = 40;
    const QString shown = typed.trimmed();
    if (shown.size() <= longest)
        return shown;
    return shown.left(shown.at(longest - 1).isHighSurrogate() ? longest - 1 : longest) +
           QStringLiteral("…");
}

QString typedNumberRefusal(const QString &field, const QString &typed) {
    const QString form = typedNumberForm(typed);
    const QString shown = typedExcerpt(typed);
    if (!form.isEmpty())
        return QStringLiteral("%1 okunamadı: \"%2\". Ondalıklar virgülle ayrılır, nokta yalnızca "
                              "binlikleri ayırır (1.250 bin iki yüz ellidir); \"%3\" biçiminde "
                              "yazınız.")
            .arg(field, shown, form);
    return QStringLiteral("%1 bir sayı değil: \"%2\". Sayıyı \"1.250,50\" biçiminde yazınız.")
        .arg(field, shown);
}

QString priceCellText(QStringView typed) {
    QString t = trimmedBlanks(typed).toString();
    t.remove(u'.');
    t.replace(u',', u'.');
    return t;
}

QString typedPriceText(QStringView cell) {
    QString t = trimmedBlanks(cell).toString();
    t.replace(u'.', u',');
    return t;
}

QString moneyText(double value) {
    if (!std::isfinite(value))
        return QString();
    const DecimalForm f = decimalForm(value);
    QString integer;
    QString fraction;
    if (f.point <= 0) {
        integer = QStringLiteral("0");
        fraction = QString(-f.point, u'0') + f.digits;
    } else if (f.point >= f.digits.size()) {
        integer = f.digits + QString(f.point - f.digits.size(), u'0');
    } else {
        integer = f.digits.left(f.point);
        fraction = f.digits.mid(f.point);
    }
    fraction = fraction.leftJustified(3, u'0');
    // Half away from zero on the decimal digits: the third decimal alone decides.
    QString cents = integer + fraction.left(2);
    if (fraction[2] >= u'5')
        cents = incremented(cents);
    integer = cents.left(cents.size() - 2);
    const QString decimals = cents.right(2);
    while (integer.size() > 1 && integer.startsWith(u'0'))
        integer.remove(0, 1);
    if (integer.isEmpty())
        integer = QStringLiteral("0");
    const bool zero = integer == QStringLiteral("0") && decimals == QStringLiteral("00");
    return (f.negative && !zero ? QStringLiteral("-") : QString()) + grouped(integer) + u',' +
           decimals;
}

double roundToMoney(double value) {
    return localNumber(moneyText(value)).value_or(0.0);
}

QString plainNumberText(double value) {
    if (!std::isfinite(value))
        return QString();
    if (value == 0.0)
        return QStringLiteral("0");
    // Quantities and prices are mostly whole kuruş: written from the kuruş, as the 15 digits
    // would write them, when the value is that close to them (half of the 15th digit is at
    // least 5e-16 of the value, a double's error far less).
    if (const double kurus = value * 100; std::fabs(kurus) < 1e15) {
        const double whole = std::round(kurus);
        if (whole != 0 && std::fabs(kurus - whole) <= 4e-16 * std::fabs(kurus))
            return plainNumberText(Money::fromKurus(qint64(whole)));
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    QString s = QString::fromLatin1(buf);
    const qsizetype e = s.indexOf(u'e');
    if (e >= 0) {
        // 1e+16 is written "1E+16" and 1e-05 "1E-05".
        s[e] = u'E';
    }
    s.replace(u'.', u',');
    return s;
}

std::optional<double> rebuiltValue(QStringView moneyText) {
    const QStringView t = trimmedBlanks(moneyText);
    const qsizetype p = t.indexOf(u',');
    if (p < 0)
        return std::nullopt;
    const std::optional<double> integer = parseDecimal(t.left(p), QChar(), u'.', false);
    const QStringView centsText = t.mid(p + 1, 2);
    if (!integer || centsText.isEmpty())
        return std::nullopt;
    for (QChar c : centsText) {
        if (!isDigit(c))
            return std::nullopt;
    }
    const double cents = centsText.toInt() / 100.0;
    // The sign belongs to the whole amount: -12,50 is -12.50, not -11.50.
    const bool negative = t.startsWith(u'-');
    return negative ? *integer - cents : *integer + cents;
}

std::optional<qint64> wholeNumber(QStringView text) {
    const QStringView t = trimmedBlanks(text);
    qsizetype i = (t.startsWith(u'-') || t.startsWith(u'+')) ? 1 : 0;
    if (i >= t.size())
        return std::nullopt;
    for (qsizetype k = i; k < t.size(); ++k) {
        if (!isDigit(t[k]))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 v = t.toString().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

QList<std::pair<qint64, qint64>> numbersStartingWith(QStringView digits) {
    QList<std::pair<qint64, qint64>> stretches;
    const QStringView t = trimmedBlanks(digits);
    for (const QChar c : t) {
        if (!isDigit(c))
            return stretches;
    }
    const std::optional<qint64> start = wholeNumber(t);
    if (!start)
        return stretches;
    qint64 low = *start;
    qint64 width = 1;
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    while (true) {
        // The last stretch may end at the largest number rather than at its nines.
        stretches << std::pair{low, low > largest - (width - 1) ? largest : low + (width - 1)};
        if (low == 0 || low > largest / 10 || width > largest / 10)
            break;
        low *= 10;
        width *= 10;
    }
    return stretches;
}

std::optional<QDate> invoiceDate(const QString &text) {
    static const QRegularExpression dotted(
        QStringLiteral("^(\\d{1,2})[./-](\\d{1,2})[./-](\\d{4})$"));
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QString t = text.trimmed();
    QDate d;
    if (const QRegularExpressionMatch m = dotted.match(t); m.hasMatch())
        d = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    else if (const QRegularExpressionMatch i = iso.match(t); i.hasMatch())
        d = QDate(i.captured(1).toInt(), i.captured(2).toInt(), i.captured(3).toInt());
    if (!d.isValid())
        return std::nullopt;
    return d;
}
