#pragma once

#include "invoice/invoice.h"
#include "invoice/taxnumbers.h"
#include "store/seller.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <variant>

// The two parties of an e-invoice: the seller from its stored details, the buyer from the
// invoice's customer boxes.

struct EArsivParty {
    bool person = false; // a TCKN party: named by first and family name, not by title
    QString id;          // VKN or TCKN
    QString title;       // a VKN party's name
    QString firstName;
    QString familyName;
    QString taxOffice;
    QString street;
    QString district;
    QString city;
    QString phone;
    QString email;
    bool finalConsumer = false;

    QString scheme() const { return person ? QStringLiteral("TCKN") : QStringLiteral("VKN"); }
    // The name as a person reads it.
    QString name() const { return person ? firstName + u' ' + familyName : title; }
};

// The first thing wrong with the seller's details, as the message that says so; empty when
// they can go on an e-invoice.
QString sellerProblem(const SellerRecord &seller);

// The seller as a party; the details must have passed sellerProblem().
EArsivParty sellerParty(const SellerRecord &seller);

// Whether a name is a company's: it carries a company's marks ("Ltd.", "Şti.", "A.Ş.",
// "Anonim", "Kollektif", "Tic.", "San." …).
bool looksLikeCompany(const QString &name);

// The buyer of an invoice: the number and tax office from the tax box, a final consumer when
// it holds no number; the name as a title (VKN) or split into first and family name (TCKN,
// the family name is the last word); the address box the street; the second address line
// written "İlçe / İl" the district and city. Refused, the message naming the customer and
// what to type: a number that fails its check digits, a person's name of one word, a company
// without a tax number (a company is no final consumer), a second address line without both
// district and city.
std::variant<EArsivParty, QString> buyerParty(const InvoiceHeader &header);
