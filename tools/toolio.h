#pragma once

// What the command-line tools share: text out in UTF-8, a bad command line told the same
// way, and "--name=value" read as a name and its value.

#include <QString>

#include <cstdio>
#include <optional>

namespace tool {

inline void put(FILE *out, const QString &text) {
    std::fputs(text.toUtf8().constData(), out);
}

// What is wrong, a blank line, then the usage; returns the exit code of a bad command line.
inline int usageError(const QString &reason, const char *usage) {
    put(stderr, reason + QStringLiteral("\n\n"));
    std::fputs(usage, stderr);
    return 2;
}

struct OptionWord {
    QString name;
    std::optional<QString> value; // only when given as --name=value
};

inline OptionWord splitOption(const QString &word) {
    const qsizetype equalsAt = word.indexOf(QLatin1Char('='));
    if (word.startsWith(QLatin1String("--")) && equalsAt > 0)
        return {word.left(equalsAt), word.mid(equalsAt + 1)};
    return {word, std::nullopt};
}

} // namespace tool
