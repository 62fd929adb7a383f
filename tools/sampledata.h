#pragma once

#include "store/customers.h"
#include "store/invoices.h"
#include "store/seller.h"

#include <QDate>
#include <QList>
#include <QString>

// Sample data for demonstrations, tests and benchmarks: Turkish customers, saved invoices
// and a campaign, the same for the same seed and year.

struct SampleDataOptions {
    int customers = 40;
    int invoices = 25;
    int campaignInvoices = 30;
    int maxLines = 5;        // the most lines an invoice has
    bool exactLines = false; // every invoice has exactly `maxLines` lines
    quint64 seed = 1;
    int year = 2024; // of the invoice dates (in number order through the year) and the campaign
    // When it lies in `year`, the invoice dates end on this day instead of the year's last:
    // an invoice of the current year is then never dated in the future.
    QDate lastDay{};
};

// What was written.
struct SampleDataResult {
    int customers = 0;
    int invoices = 0;
    int invoiceLines = 0;
    QString campaign; // "KAMPANYA<year>", empty when no campaign invoice was asked for
    int campaignInvoices = 0;
    int campaignLines = 0;
};

// Customer number `number` of the sample: a company with a VKN or a person with a TCKN, both
// with valid check digits, written after the tax office as users type them.
Customer sampleCustomer(quint64 seed, qint64 number);

// The seller's details of the sample, for its e-Arşiv invoices.
SellerRecord sampleSeller();

struct SampleInvoice {
    InvoiceHeaderRecord header;
    QList<InvoiceLineRecord> lines;
    InvoiceInfo info; // the rates, units and exemptions, as the invoice window keeps them
};

// Invoice `number` of the sample for customer `m`, dated `date`, with `lineCount` lines
// whose cells are computed as the invoice window computes them from what a user typed.
// `vatMode` is 0 ("Dahil") or 1 ("Hariç"); without `withDiscounts` no line has a discount, with
// it the first line and some others have one.
SampleInvoice sampleInvoice(quint64 seed, qint64 number, const Customer &m, int lineCount,
                            int vatMode, bool withDiscounts, const QDate &date);

// Creates the database `path` with the program's tables (refused when the file exists) and
// fills it, the seller's details included, all in one transaction. Throws DatabaseError.
SampleDataResult writeSampleDatabase(const QString &path, const SampleDataOptions &options = {});

// Adds a campaign to an open database: the tables `campaign`, "FATCARI" + `campaign` and
// "FATSTOK" + `campaign` with `invoices` invoices of up to `maxLines` lines (exactly `maxLines`
// with `exactLines`). Returns the number of lines written.
int writeSampleCampaign(Database &db, const QString &campaign, int invoices, int maxLines,
                        bool exactLines, quint64 seed, int year);
