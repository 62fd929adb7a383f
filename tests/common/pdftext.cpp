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
