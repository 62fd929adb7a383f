#include "invoice/taxnumbers.h"

#include <QRegularExpression>

namespace {

bool digitsOnly(QStringView s) {
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

int digit(QStringView s, qsizetype i) {
    return s[i].unicode() - u'0';
}

} // namespace

bool validVkn(QStringView n) {
    if (n.size() != 10 || !digitsOnly(n))
        return false;
    int sum = 0;
    for (int i = 0; i < 9; ++i) {
        const int shifted = (digit(n, i) + 9 - i) % 10;
        // Weighted by a power of two, then cast out nines; a 9 stays 9.
        sum += shifted == 9 ? 9 : (shifted * (1 << (9 - i))) % 9;
    }
    return (10 - sum % 10) % 10 == digit(n, 9);
}

bool validTckn(QStringView n) {
    if (n.size() != 11 || !digitsOnly(n) || n[0] == u'0')
        return false;
    int odd = 0;
    int even = 0;
    for (int i = 0; i < 9; ++i)
        (i % 2 == 0 ? odd : even) += digit(n, i);
    if (((odd * 7 - even) % 10 + 10) % 10 != digit(n, 9))
        return false;
    return (odd + even + digit(n, 9)) % 10 == digit(n, 10);
}

std::optional<TaxOfficeAndNumber> taxOfficeAndNumber(const QString &text) {
    static const QRegularExpression run(QStringLiteral("[0-9]+"));
    std::optional<TaxOfficeAndNumber> found;
    for (QRegularExpressionMatchIterator it = run.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength() == 10 || m.capturedLength() == 11)
            found = TaxOfficeAndNumber{text.left(m.capturedStart()), m.captured()};
    }
    if (found) {
        // "Kadıköy V.D. 123…", "Kadıköy / 123…", "Kadıköy - 123…": the office without the
        // marks that only lead to the number.
        static const QRegularExpression lead(
            QStringLiteral("(?:\\s|[-/:,;]|\\bV\\.\\s*D\\.?|\\bVD\\b|\\bVKN\\b|\\bTCKN\\b)+$"),
            QRegularExpression::CaseInsensitiveOption);
        found->office = found->office.remove(lead).simplified();
    }
    return found;
}
