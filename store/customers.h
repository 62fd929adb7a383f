#pragma once

#include "store/database.h"

#include <QStringList>

#include <optional>

// One row of MUSTERI.
struct Musteri {
    qint64 sirano = 0;
    QString adi_soyadi;
    QString adresi;
    QString adresi2;
    QString vergidaire_no;
};

// The customer numbers and names, parallel, in the order the table holds them.
struct MusteriListesi {
    QStringList numaralar;
    QStringList adlar;
};

MusteriListesi musteriListesi(Veritabani &db);

// The first row with that number or name, if any.
std::optional<Musteri> musteriNoIle(Veritabani &db, qint64 sirano);
std::optional<Musteri> musteriAdiIle(Veritabani &db, const QString &adi_soyadi);

// The number proposed for a new customer: the largest whole number in use plus one (1 for
// an empty table; the largest number itself when it is the largest a number can be).
qint64 onerilenMusteriNo(Veritabani &db);

enum class MusteriSonucu { Tamam, NoKayitli, Bulunamadi };

// Adds a customer; refused (NoKayitli, nothing written) when the number is in use.
MusteriSonucu musteriEkle(Veritabani &db, const Musteri &m);
// Changes every column of the first row with m.sirano, adresi2 included; Bulunamadi when
// there is none.
MusteriSonucu musteriDegistir(Veritabani &db, const Musteri &m);
// Deletes the first row with that number; Bulunamadi when there is none. Invoices are
// never touched.
MusteriSonucu musteriSil(Veritabani &db, qint64 sirano);
