#pragma once

#include <QDir>
#include <QStringList>

// Prepares a working directory at the program's first start there: when it holds neither
// ayarlar.dat nor the database, writes the default settings and an empty database with its
// tables. The two button pictures are written whenever they are missing. Returns the
// messages of what could not be done (empty when all went well).
QStringList firstRun(const QDir &dir);

// What a start found and did in the working folder before any window opens.
struct StartReport {
    QStringList notices;  // what was cleaned up, naming the files
    QStringList problems; // what could not be done
};

// Everything a start does in the working folder before a window opens: removes what imports
// and e-Arşiv exports killed half-way left in the folder and beside the database the
// settings name, then does firstRun().
StartReport prepareWorkingFolder(const QDir &dir);
