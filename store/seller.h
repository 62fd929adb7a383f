#pragma once

#include "store/database.h"

#include <QString>

#include <optional>

// The seller's own details for the e-invoice, one row in a table of its own that is made the
// first time the details are saved.
struct SellerRecord {
    QString taxNumber;  // VKN (10 digits) or TCKN (11 digits)
    QString title;      // the company's title, for a VKN
    QString firstName;  // for a TCKN
    QString familyName; // for a TCKN
    QString taxOffice;
    QString street;
    QString district;
    QString city;
    QString phone;
    QString email;
    QString seriesPrefix; // three capital letters or digits, the start of every e-invoice number

    bool operator==(const SellerRecord &) const = default;
};

// The stored details; nothing while none were saved (the table not made yet, or empty).
std::optional<SellerRecord> readSeller(Database &db);

// Stores the details in place of any held before, in one transaction that also makes the
// table the first time.
void writeSeller(Database &db, const SellerRecord &seller);
