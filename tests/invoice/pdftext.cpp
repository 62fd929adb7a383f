#include "pdftext.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString run(const QStringList &arguments) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString unescaped(const QString &html) {
    QString s = html;
    s.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    s.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    s.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    s.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return s;
}

} // namespace

bool havePdftotext() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

QString pdfText(const QString &pdfPath) {
    return run({QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfPath, QStringLiteral("-")});
}

int pdfPageCount(const QString &pdfPath) {
    return int(pdfText(pdfPath).count(u'\f'));
}

QList<PdfWord> pdfWords(const QString &pdfPath) {
    const QString html = run({QStringLiteral("-bbox"), QStringLiteral("-enc"),
                              QStringLiteral("UTF-8"), pdfPath, QStringLiteral("-")});
    // Pages start with "<page "; each word carries its box in points.
    static const char pattern[] = R"re(<page |<word xMin="([-\d.]+)" yMin="([-\d.]+)")re"
                                  R"re( xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>)re";
    static const QRegularExpression tag(QString::fromLatin1(pattern));
    QList<PdfWord> words;
    int page = -1;
    auto it = tag.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0) == QLatin1String("<page ")) {
            ++page;
            continue;
        }
        words.append({unescaped(m.captured(5)), m.captured(1).toDouble(), m.captured(2).toDouble(),
                      m.captured(3).toDouble(), m.captured(4).toDouble(), page});
    }
    return words;
}

PdfWord findWord(const QList<PdfWord> &words, const QString &text) {
    for (const PdfWord &w : words) {
        if (w.text == text)
            return w;
    }
    return PdfWord{QString(), 0, 0, 0, 0, -1};
}
