#pragma once

#include "store/database.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Bringing an old Access (Jet 3 / Jet 4) file over into a new SQLite database. The source
// is only ever read. MUSTERI and faturalar get the program's own schema and indexes; every
// other table keeps its name and columns.

// Thrown when the progress callback asked to stop; nothing was left behind.
class AktarmaDurduruldu : public VeritabaniHatasi {
public:
    AktarmaDurduruldu();
};

// One table as it was brought over.
struct AktarilanTablo {
    QString kaynakAdi;      // name in the Jet file
    QString hedefAdi;       // name in the new database (MUSTERI and faturalar as spelled here)
    qint64 satirSayisi = 0; // rows read from the source, and found in the new database
};

struct AktarmaRaporu {
    QString surum;                  // "Jet 3", "Jet 4" or "ACE"
    QList<AktarilanTablo> tablolar; // in the order of the file's own table list
    QStringList notlar;             // dropped columns, unreadable dates, ... (Turkish)
};

// Called when a table starts, every few hundred rows and when it ends, with the table's
// name in the source, the rows copied so far and the rows the table holds. Returning false
// stops the import.
using AktarmaIlerlemesi = std::function<bool(const QString &tablo, qint64 yapilan, qint64 toplam)>;

// Copies every user table of the Jet file `kaynak` into a new SQLite file `hedef`, rows in
// the order the file yields them. The data goes to a temporary file beside `hedef`, which
// gets its final name only after every table's row count was checked in it. Refuses a
// missing source, a file that is not Jet and a target that exists. Throws VeritabaniHatasi
// (AktarmaDurduruldu when stopped); on any failure no file is left under `hedef` and the
// temporary file is removed.
AktarmaRaporu jetAktar(const QString &kaynak, const QString &hedef,
                       const AktarmaIlerlemesi &ilerleme = {});

// The bind size every table starts with (64 KiB); a longer text makes the import read that
// table again with a larger one. Tests lower it to reach that path with short texts.
void jetIlkTamponBoyu(size_t boy);

// The name the old file is kept under: `<yol>.eski`, or `.eski2`, `.eski3`, ... when taken.
QString eskiDosyaAdi(const QString &yol);

struct DonusturmeSonucu {
    QString eskiDosya; // where the Jet file is now
    AktarmaRaporu rapor;
};

// Replaces the Jet database at `yol` with an SQLite copy under the same name, so that the
// settings keep naming it: imports into a new file beside it, then moves the old file to
// eskiDosyaAdi(yol) and the new one to `yol`. Any failure leaves the old file as it was,
// under its own name, and throws VeritabaniHatasi saying why.
DonusturmeSonucu jetVeritabaniniDonustur(const QString &yol,
                                         const AktarmaIlerlemesi &ilerleme = {});
