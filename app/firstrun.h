#pragma once

#include <QDir>
#include <QStringList>

// Prepares a working directory at the program's first start there: when it holds neither
// ayarlar.dat nor the database, writes the default settings and an empty database with its
// tables. The two button pictures are written whenever they are missing. Returns the
// messages of what could not be done (empty when all went well).
QStringList firstRun(const QDir &dir);
