#pragma once

#include "store/database.h"

#include <QList>
#include <QStringList>
#include <QVariant>

#include <functional>

// The campaign tables of the database: names that begin with "KAMPANYA" (case-sensitive),
// in the order the database lists them. Only tables count: system tables, views and indexes
// are never campaigns.
QStringList campaigns(Database &db);

// Which invoices of a campaign a batch run prints, as typed in the batch window. All three
// empty selects every invoice; otherwise the number range (leading-number readings, an empty
// text counting as 0) and the region, character for character, must all hold: an empty
// region matches only an empty region, and a NULL never matches.
struct CampaignSelection {
    QString first;
    QString last;
    QString region;
};

// One campaign invoice with its lines. Values are as stored; a NULL is an invalid QVariant.
struct CampaignInvoice {
    QVariant sirano;
    QVariant fatura_tarihi;
    QVariant bolge;
    QVariant adi_soyadi;
    QVariant adresi;
    QVariant iskonto;
    struct Line {
        QVariant aciklama;
        QVariant miktar;
        QVariant br_fiyat;
    };
    QList<Line> lines;
};

// Reads the selected invoices of campaign `campaign` ("FATCARI" + name and "FATSTOK" +
// name) in one pass, in the order the header table yields them, each with its lines in the
// order the line table yields them, and hands them to `each` one at a time; `each` returns
// false to stop. Returns how many invoices were handed over. Line rows whose FATURANO is no
// header's SIRANO are never read. Throws DatabaseError naming a missing table or column.
// Writes nothing.
int readCampaignInvoices(Database &db, const QString &campaign, const CampaignSelection &selection,
                         const std::function<bool(const CampaignInvoice &)> &each);

// How many invoices readCampaignInvoices() would hand over for this selection, counted
// without reading them. Throws as readCampaignInvoices() does.
int countCampaignInvoices(Database &db, const QString &campaign,
                          const CampaignSelection &selection);

// How SQLite runs the statement of readCampaignInvoices() for this selection, one line per
// step of its query plan.
QStringList campaignQueryPlan(Database &db, const QString &campaign,
                              const CampaignSelection &selection);
