#pragma once

#include <QByteArray>
#include <QString>

class QSaveFile;

// Files written whole or not at all: into a temporary file beside the target, checked to the
// last byte, then renamed over it (QSaveFile). A full disk never leaves an empty file behind
// a success.

// Finishes `file`: writes out what is still buffered, checks that every write reached the
// file, then gives it its name. Returns why it failed (the system's words, and a note when
// the disk is full), or an empty text when the file is saved. After a failure the old file
// is as it was, and the temporary file goes with `file`.
QString commitSaveFile(QSaveFile &file);

// "Diskte boş yer kalmamış olabilir." on a line of its own when the disk that holds
// `folder` has (almost) no room left, otherwise nothing: what a failed write most often
// means then.
QString fullDiskNote(const QString &folder);

// Writes `data` as the whole of `path`. Returns why it failed, or an empty text.
QString saveWhole(const QString &path, const QByteArray &data);
