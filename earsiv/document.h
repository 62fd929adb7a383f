#pragma once

#include "base/numbers.h"
#include "earsiv/party.h"
#include "invoice/invoice.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>
#include <variant>

// The e-Arşiv invoice (UBL-TR 1.2 on OASIS UBL 2.1) of a saved invoice, made from the invoice
// model, so that its figures are those of the invoice window.
//
// Every amount is whole kuruş and every sum adds up exactly:
// - a line's amount before and after its discount and its discount are the window's (its
//   money texts); in "Dahil" mode the VAT is taken out of each line and the discount is
//   shown without VAT, rounded on its own, and the line's amount before the discount is the
//   amount after it plus that discount;
// - the VAT of the invoice is the window's (VAT excluded: rate × (subtotal − discounts);
//   VAT included: the grand total × rate / (100 + rate)), and the lines' VAT carries the
//   rounding: line k gets round(rate × lines 1..k) − round(rate × lines 1..k−1), so that the
//   lines' VAT adds up to the invoice's VAT and no line is more than one kuruş off its own;
// - the lines' amounts after discount make the line total, which is the amount before VAT;
//   that plus the VAT is the amount with VAT, which is what is paid: the window's grand total.

struct EArsivLine {
    QString name;
    double quantity = 0;
    double unitPrice = 0; // VAT excluded
    std::optional<double> discountPercent;
    QString unit = QStringLiteral("C62"); // UN/ECE code
    qint64 gross = 0;                     // quantity × price, VAT excluded, before the discount
    qint64 discount = 0;                  // VAT excluded
    qint64 net = 0;                       // gross − discount: the line's amount
    qint64 vat = 0;
};

struct EArsivDocument {
    EArsivParty seller;
    EArsivParty buyer;
    qint64 invoiceNumber = 0;
    QDate issueDate;
    QString deliveryNoteNumber;
    QDate deliveryNoteDate; // invalid when the delivery note's date cannot be read
    bool vatIncluded = false;
    double vatRate = 0;
    QList<EArsivLine> lines;
    qint64 grossTotal = 0;    // the lines before their discounts, VAT excluded
    qint64 discountTotal = 0; // VAT excluded
    qint64 lineTotal = 0;     // the lines' amounts: the amount before VAT
    qint64 vat = 0;
    qint64 payable = 0; // lineTotal + vat: the window's grand total
    QString words;      // "Yalnız: …" with the grand total in words

    // The document's number and identity, given when it is first exported.
    QString gibNumber;
    QString uuid;
    QTime issueTime;
};

// The document of `invoice` (a saved invoice with its VAT rate set) from `seller`, or the
// reason it cannot be one: no lines, a date that cannot be read or lies after `today`, a
// negative line or total (a return needs a return invoice), a VAT rate that is not above 0,
// a buyer that buyerParty() refuses, figures too large to be exact to the kuruş.
std::variant<EArsivDocument, QString> earsivDocument(const Invoice &invoice,
                                                     const EArsivParty &seller, const QDate &today);

// The document as UTF-8 XML, unsigned (the integrator signs it).
QByteArray earsivXml(const EArsivDocument &document);

// Kuruş as the readable copy shows them: "2.260,90".
QString kurusText(qint64 kurus);

// "Yalnız: " and the words of a money text, the units written TL and Kr.
QString amountInWords(const QString &moneyText);
