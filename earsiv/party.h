#pragma once

#include "invoice/invoice.h"
#include "store/seller.h"

#include <QString>
#include <QStringView>

#include <optional>
#include <variant>

// The two parties of an e-invoice: the seller from its stored details, the buyer from the
// invoice's customer boxes.

// A tax number with its check digit: VKN, 10 digits.
bool validVkn(QStringView number);
// A Turkish identity number with its two check digits: TCKN, 11 digits, not starting with 0.
bool validTckn(QStringView number);

// The number the rules allow for a buyer whose number is not known: a final consumer.
inline QString finalConsumerNumber() {
    return QStringLiteral("11111111111");
}

// "Kadıköy 1234567890" as users type the tax office and number: the last run of 10 or 11
// digits is the number, the text before it the tax office.
struct TaxOfficeAndNumber {
    QString office;
    QString number;
};
std::optional<TaxOfficeAndNumber> taxOfficeAndNumber(const QString &text);

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
