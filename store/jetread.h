#pragma once

#include "store/jetimport.h"

// Reading Access (Jet) files with libmdb, in a library of its own (fatura_jetread): the
// program starts without libmdb and leaves the reading of an untrusted file to its import
// child, fatura-aktar (store/importprocess.h).

// Copies every user table of the Jet file `source` into a new SQLite file `target`, rows in
// the order the file yields them. The data goes to a temporary file beside `target`
// ("<target>.aktariliyor-<8 hex digits>", locked by "<that>.kilit" while it is written), which
// gets its final name only after every table's row count was checked in it. Refuses a
// missing source, a file that is not Jet and a target that exists. Throws DatabaseError
// (ImportStopped when stopped); on any failure no file is left under `target` and the
// temporary file is removed.
ImportReport importJet(const QString &source, const QString &target,
                       const ImportProgress &progress = {});

// The bind size every table starts with (64 KiB); a longer text makes the import read that
// table again with a larger one. Tests lower it to reach that path with short texts.
void setJetInitialBindSize(size_t size);

// convertJetDatabase() with the import in this process.
ConversionResult convertJetDatabase(const QString &path, const ImportProgress &progress = {});
