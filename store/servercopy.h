#pragma once

#include "store/jetimport.h"

#include <QList>
#include <QString>

#include <functional>

// Copies the program's SQLite database `source` into the empty PostgreSQL database at
// `address`, in one transaction: MUSTERI and faturalar get the program's server schema, so do
// the e-Arşiv numbers and what is kept beside each invoice (fatura_bilgi), the other tables
// (campaigns, the seller's details) their columns with the nearest server type. Rows keep their
// order. Afterwards every table's rows are counted on both sides; a difference rolls the whole copy
// back. `progress` is told each table's rows as they go. Throws DatabaseError, naming the table,
// when anything fails; the server's database is then as empty as before.
QList<ImportedTable>
copyToServer(const QString &source, const QString &address,
             const std::function<void(const QString &, qint64)> &progress = {});
