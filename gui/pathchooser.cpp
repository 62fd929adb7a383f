#include "gui/pathchooser.h"

#include <QFileDialog>

std::optional<QString> choosePath(const Workspace &workspace, QWidget *parent,
                                  Workspace::PathKind kind, const QString &title,
                                  const QString &proposed, const QString &filter) {
    if (workspace.seams.choosePath)
        return workspace.seams.choosePath(parent, kind, title, proposed);
    QString path;
    switch (kind) {
    case Workspace::PathKind::OpenFile:
        path = QFileDialog::getOpenFileName(parent, title, proposed, filter);
        break;
    case Workspace::PathKind::SaveFile:
        path = QFileDialog::getSaveFileName(parent, title, proposed, filter);
        break;
    case Workspace::PathKind::Folder:
        path = QFileDialog::getExistingDirectory(parent, title, proposed);
        break;
    }
    if (path.isEmpty())
        return std::nullopt;
    return path;
}
