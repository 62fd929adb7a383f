#include "base/searchtext.h"

#include <QSet>

namespace {

// The letters Turkish and the neighbouring languages a shop's books hold, in the order of the
// Turkish alphabet; q, w and x where a Turkish dictionary puts them.
const QString alphabet = QStringLiteral("abcçdefgğhıijklmnoöpqrsştuüvwxyz");

// The I's first, as Turkish has them; then lower case.
QString turkishLower(const QString &text) {
    QString t = text;
    for (QChar &c : t) {
        if (c == u'I')
            c = QChar(0x131);       // ı
        else if (c == QChar(0x130)) // İ
            c = u'i';
    }
    return t.toLower();
}

// A letter without its marks: "ç" is "c", "â" is "a"; ı has none and becomes i.
QChar bare(QChar c) {
    if (c == QChar(0x131))
        return u'i';
    if (c.unicode() < 0x80)
        return c;
    const QString d = QString(c).normalized(QString::NormalizationForm_D);
    return d.isEmpty() ? c : d.at(0);
}

} // namespace

QString searchFolded(const QString &text) {
    QString folded = turkishLower(text);
    for (QChar &c : folded)
        c = bare(c);
    return folded;
}

QString sortingKey(const QString &text) {
    const QString lower = turkishLower(text);
    QString key;
    key.reserve(lower.size());
    for (const QChar c : lower) {
        qsizetype at = alphabet.indexOf(c);
        // â, î, û sort with a, i, u.
        if (at < 0 && c.unicode() >= 0x80 && c != QChar(0x131))
            at = alphabet.indexOf(QString(c).normalized(QString::NormalizationForm_D).at(0));
        if (at >= 0)
            key += QChar(char16_t(u'A' + at)); // A to `, above the digits and blanks
        else if (c.isDigit() || c.unicode() < u'A')
            key += c; // blanks, digits and signs before the letters
        else
            key += QChar(char16_t(0x100 + c.unicode())); // anything else after them
    }
    return key;
}

QStringList searchPieces(const QString &folded) {
    QSet<QString> seen;
    QStringList pieces;
    const auto add = [&](const QString &piece) {
        if (!piece.isEmpty() && !seen.contains(piece)) {
            seen.insert(piece);
            pieces << piece;
        }
    };
    const qsizetype n = folded.size();
    for (qsizetype i = 0; i + 3 <= n; ++i)
        add(folded.mid(i, 3));
    add(folded.right(std::min<qsizetype>(2, n)));
    add(folded.right(1));
    return pieces;
}
