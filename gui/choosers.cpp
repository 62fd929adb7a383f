#include "gui/choosers.h"

#include <QDir>
#include <QFileDialog>
#include <QFontDialog>

namespace Choosers {

namespace {

TestHooks &hooks() {
    static TestHooks h;
    return h;
}

} // namespace

void setTestHooks(TestHooks h) {
    hooks() = std::move(h);
}

std::optional<QString> chooseFile(QWidget *parent, const QString &title, const QString &filter) {
    if (hooks().file)
        return hooks().file(parent);
    const QString path = QFileDialog::getOpenFileName(parent, title, QString(), filter);
    if (path.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(path);
}

std::optional<QFont> chooseFont(QWidget *parent) {
    if (hooks().font)
        return hooks().font(parent);
    bool chosen = false;
    const QFont f = QFontDialog::getFont(&chosen, parent);
    if (!chosen)
        return std::nullopt;
    return f;
}

std::optional<QString> choosePath(QWidget *parent, PathKind kind, const QString &title,
                                  const QString &proposed, const QString &filter) {
    if (hooks().path)
        return hooks().path(parent, kind, title, proposed);
    QString path;
    switch (kind) {
    case PathKind::OpenFile:
        path = QFileDialog::getOpenFileName(parent, title, proposed, filter);
        break;
    case PathKind::SaveFile:
        path = QFileDialog::getSaveFileName(parent, title, proposed, filter);
        break;
    case PathKind::Folder:
        path = QFileDialog::getExistingDirectory(parent, title, proposed);
        break;
    }
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace Choosers
