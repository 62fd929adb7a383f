#pragma once

#include "store/importprocess.h"
#include "store/jetimport.h"

#include <QString>

class QWidget;

// The conversion the question below starts, without the question and the dialog: the old
// file at `path` replaced by an SQLite copy under the same name (convertJetDatabase()), the
// file read by the fatura-aktar child with its memory and time limits.
ConversionResult convertOldFormat(const QString &path, const ImportProgress &progress = {},
                                  const ImportChild &child = {});

// At start-up: when the database at `path` is an old Access (Jet) file, asks whether to
// bring it over now; on Yes replaces it with an SQLite copy under the same name, showing
// the tables and rows as they go, and says how it went. "Vazgeç" stops the reading at once.
// Returns true when the file was replaced; on No, a stop or a failure the old file stays as
// it was.
bool offerOldFormatImport(QWidget *parent, const QString &path, const ImportChild &child = {});
