#include "base/yaziyacevir.h"

#include <array>

namespace {

const std::array<QString, 10> ones = {QString(),
                                      QStringLiteral("Bir"),
                                      QStringLiteral("İki"),
                                      QStringLiteral("Üç"),
                                      QStringLiteral("Dört"),
                                      QStringLiteral("Beş"),
                                      QStringLiteral("Altı"),
                                      QStringLiteral("Yedi"),
                                      QStringLiteral("Sekiz"),
                                      QStringLiteral("Dokuz")};

const std::array<QString, 10> tens = {QString(),
                                      QStringLiteral("On"),
                                      QStringLiteral("Yirmi"),
                                      QStringLiteral("Otuz"),
                                      QStringLiteral("Kırk"),
                                      QStringLiteral("Elli"),
                                      QStringLiteral("Altmış"),
                                      QStringLiteral("Yetmiş"),
                                      QStringLiteral("Seksen"),
                                      QStringLiteral("Doksan")};

// Scale of each three-digit group of a 15-digit number, most significant first.
const std::array<QString, 5> scales = {QStringLiteral("Trilyon"), QStringLiteral("Milyar"),
                                       QStringLiteral("Milyon"), QStringLiteral("Bin"), QString()};

bool digitsOnly(QStringView s) {
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Exactly 15 digits to words, group by group.
QString groupsToWords(const QString &fifteenDigits) {
    QString result;
    for (int g = 0; g < 5; ++g) {
        const int y = fifteenDigits.at(3 * g).digitValue();
        const int o = fifteenDigits.at(3 * g + 1).digitValue();
        const int b = fifteenDigits.at(3 * g + 2).digitValue();
        QString group;
        if (y == 1)
            group = QStringLiteral("Yüz");
        else if (y > 1)
            group = ones[y] + QStringLiteral("Yüz");
        group += tens[o] + ones[b];
        if (!group.isEmpty())
            group += scales[g];
        // One thousand is "Bin", never "BirBin".
        if (g == 3 && group == QStringLiteral("BirBin"))
            group = QStringLiteral("Bin");
        result += group;
    }
    return result;
}

} // namespace

QString yaziyacevir(const QString &amount) {
    QString s = amount;
    s.remove(u'.');
    const qsizetype comma = s.indexOf(u',');
    // Every caller passes a two-decimal text; without a comma there are no lira digits to read.
    if (comma < 0)
        return QStringLiteral("ytl de Hata");

    QString result;
    const bool negative = s.startsWith(u'-');
    bool minusGoesToKurus = false;
    const QString lira = s.left(comma).mid(negative ? 1 : 0);
    if (!digitsOnly(lira) || lira.size() > 15) {
        result = QStringLiteral("ytl de Hata");
    } else {
        const QString words = groupsToWords(lira.rightJustified(15, u'0'));
        if (!words.isEmpty())
            result =
                (negative ? QStringLiteral("Eksi") : QString()) + words + QStringLiteral(" TL");
        else
            minusGoesToKurus = negative; // -0,50 reads "EksiElli Kr"
    }

    const QString kurusDigits = s.mid(comma + 1, 2);
    if (!digitsOnly(kurusDigits))
        return QStringLiteral("kuruş ta Hata");
    const QString kurusWords = groupsToWords(kurusDigits.rightJustified(15, u'0'));
    if (!kurusWords.isEmpty()) {
        if (minusGoesToKurus)
            result += QStringLiteral("Eksi");
        result += kurusWords + QStringLiteral(" Kr");
    }
    return result;
}
