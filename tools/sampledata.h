#pragma once

#include "store/customers.h"
#include "store/invoices.h"

#include <QDate>
#include <QList>
#include <QString>

// Sample data for demonstrations, tests and benchmarks: Turkish customers, saved invoices
// and a campaign, the same for the same seed and year.

struct OrnekVeri {
    int musteri = 40;
    int fatura = 25;
    int kampanyaFatura = 30;
    int kalem = 5;         // the most lines an invoice has
    bool tamKalem = false; // every invoice has exactly `kalem` lines
    quint64 tohum = 1;
    int yil = 2024; // of the invoice dates (in number order through the year) and the campaign
};

// What was written.
struct OrnekVeriSonucu {
    int musteri = 0;
    int fatura = 0;
    int faturaSatiri = 0;
    QString kampanya; // "KAMPANYA<yil>", empty when no campaign invoice was asked for
    int kampanyaFatura = 0;
    int kampanyaKalemi = 0;
};

// Customer number `sirano` of the sample.
Musteri ornekMusteri(quint64 tohum, qint64 sirano);

struct OrnekFatura {
    FaturaBasligi baslik;
    QList<FaturaKalemi> kalemler;
};

// Invoice `faturano` of the sample for customer `m`, dated `tarih`, with `kalemSayisi` lines
// whose cells are computed as the invoice window computes them from what a user typed.
// `kdvdahil` is 0 ("Dahil") or 1 ("Hariç"); without `iskontolu` no line has a discount, with
// it the first line and some others have one.
OrnekFatura ornekFatura(quint64 tohum, qint64 faturano, const Musteri &m, int kalemSayisi,
                        int kdvdahil, bool iskontolu, const QDate &tarih);

// Creates the database `yol` with the program's tables (refused when the file exists) and
// fills it, all in one transaction. Throws VeritabaniHatasi.
OrnekVeriSonucu ornekVeritabaniYaz(const QString &yol, const OrnekVeri &ayar = {});

// Adds a campaign to an open database: the tables `kampanya`, "FATCARI" + `kampanya` and
// "FATSTOK" + `kampanya` with `fatura` invoices of up to `kalem` lines (exactly `kalem`
// with `tamKalem`). Returns the number of lines written.
int ornekKampanyaYaz(Veritabani &db, const QString &kampanya, int fatura, int kalem, bool tamKalem,
                     quint64 tohum, int yil);
