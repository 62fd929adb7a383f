#pragma once

#include "invoice/workspace.h"

#include <QString>

#include <optional>

class QWidget;

// A file or folder chosen by the user through the workspace's chooser, the desktop's own
// dialog when none is set; nothing when the user cancels. `proposed` is the path offered first;
// `filter` the kinds of file offered ("CSV dosyası (*.csv)").
std::optional<QString> choosePath(const Workspace &workspace, QWidget *parent,
                                  Workspace::PathKind kind, const QString &title,
                                  const QString &proposed, const QString &filter = QString());
