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
    QString seriesPrefix; // three capital letters or digits, the start of every e-Arşiv number
    // The start of every e-Fatura number, for buyers on the registered-user list; empty while
    // the seller has none.
    QString efaturaPrefix = {};
    // The e-Fatura scenario: "TEMELFATURA", or "TICARIFATURA" when the buyer may accept or
    // refuse the invoice.
    QString efaturaProfile = QStringLiteral("TEMELFATURA");
    // How the buyer gets an e-Arşiv invoice: "KAGIT" (the copy printed and handed over) or
    // "ELEKTRONIK" (sent as a file).
    QString sendType = QStringLiteral("KAGIT");

    bool operator==(const SellerRecord &) const = default;
};

// The stored details; nothing while none were saved (the table not made yet, or empty).
// Details saved by an older program, without the e-Fatura prefix, scenario and send type,
// have the defaults above.
std::optional<SellerRecord> readSeller(Database &db);

// Stores the details in place of any held before, in one transaction that also makes the
// table the first time (and adds the columns an older program's table lacks).
void writeSeller(Database &db, const SellerRecord &seller);
