#include "pdftext.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString run(const QStringList &arguments) {
    QProcess p;
    p.start(u"pdftotext"_qs,
            QStringList{u"-enc"_qs, u"UTF-8"_qs} + arguments + QStringList{u"-"_qs});
    const bool ran =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return ran ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

} // namespace

bool havePdftotext() {
    return !QStandardPaths::findExecutable(u"pdftotext"_qs).isEmpty();
}

QString pdfText(const QString &pdfPath) {
    return run({pdfPath});
}

int pdfPageCount(const QString &pdfPath) {
    return int(pdfText(pdfPath).count(u'\f'));
}

PdfWord pdfWord(const QString &pdfPath, const QString &text) {
    // Each word carries its box in points.
    const QRegularExpression word(
        uR"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)"[^>]*>%1</word>)re"_qs.arg(
            QRegularExpression::escape(text)));
    const QRegularExpressionMatch m = word.match(run({u"-bbox"_qs, pdfPath}));
    return m.hasMatch() ? PdfWord{m.captured(1).toDouble(), m.captured(2).toDouble()}
                        : PdfWord{-1, -1};
}

QList<PdfBox> pdfWords(const QString &pdfPath) {
    static const QRegularExpression item(
        uR"re(<page |<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>)re"_qs);
    QList<PdfBox> words;
    int page = 0;
    for (QRegularExpressionMatchIterator it = item.globalMatch(run({u"-bbox"_qs, pdfPath}));
         it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(u"<page"_qs)) {
            ++page;
            continue;
        }
        QString text = m.captured(5);
        text.replace(u"&amp;"_qs, u"&"_qs)
            .replace(u"&lt;"_qs, u"<"_qs)
            .replace(u"&gt;"_qs, u">"_qs)
            .replace(u"&quot;"_qs, u"\""_qs)
            .replace(u"&apos;"_qs, u"'"_qs);
        words << PdfBox{text,
                        page,
                        m.captured(1).toDouble(),
                        m.captured(2).toDouble(),
                        m.captured(3).toDouble(),
                        m.captured(4).toDouble()};
    }
    return words;
}
