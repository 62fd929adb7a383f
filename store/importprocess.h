#pragma once

#include "store/jetimport.h"

#include <QString>

// The Access import in a child process: libmdb reads an untrusted file, and a damaged one can
// make it take memory without bound or never finish. The child is the fatura-aktar program,
// which limits its own memory; this side limits its time, and can stop it at once.

struct ImportChild {
    // fatura-aktar; empty means the one beside this program, or else the one on the PATH.
    QString program;
    qint64 memoryMegabytes = 2048;
    int seconds = 1800;
};

// The program an empty ImportChild::program stands for.
QString importProgram(const ImportChild &child);

// importJet() run by the child: the same report, the same refusals and messages. The
// progress callback is also called every few tenths of a second while the child works, so a
// dialog stays responsive; returning false kills the child at once. A child that dies, goes
// over its memory or time limit, or is stopped leaves nothing behind: no target, no
// temporary file. Throws DatabaseError naming the source (ImportStopped when stopped).
ImportReport importJetInChild(const ImportChild &child, const QString &source,
                              const QString &target, const ImportProgress &progress = {});

// What the child prints on its standard output, one record a line, fields between tabs:
//   ilerleme <table> <done> <total>   surum <version>
//   tablo <source name> <target name> <rows>   not <text>   hata <message>
QByteArray importRecord(const QStringList &fields);
