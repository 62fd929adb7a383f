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

// The e-invoice (UBL-TR 1.2 on OASIS UBL 2.1) of a saved invoice, made from the invoice model,
// so that its figures are those of the invoice window: an e-Arşiv invoice, or an e-Fatura for
// a buyer on the tax administration's list of registered users.
//
// Every amount is whole kuruş and every sum adds up exactly:
// - a line's amount after its discount and its discount are the window's; in "Dahil" mode
//   the VAT is taken out of each line and the discount is shown without VAT, rounded on its
//   own, and the line's amount before the discount is the amount after it plus that discount;
// - the VAT of each rate is the window's (rounded once per rate), and the lines' VAT carries
//   the rounding within their rate, so that the lines of a rate add up to that rate's VAT;
// - the lines' amounts after discount make the line total, which is the amount before VAT;
//   that plus the VAT is the amount with VAT, which is what is paid: the window's grand total.

// The scenarios (ProfileID) the program writes.
namespace Profile {
inline const QString EArsiv = QStringLiteral("EARSIVFATURA");
inline const QString Temel = QStringLiteral("TEMELFATURA");
inline const QString Ticari = QStringLiteral("TICARIFATURA");
} // namespace Profile

// How an e-Arşiv invoice reaches its buyer.
namespace SendType {
inline const QString Paper = QStringLiteral("KAGIT");
inline const QString Electronic = QStringLiteral("ELEKTRONIK");
} // namespace SendType

struct EArsivLine {
    QString name;
    double quantity = 0;
    double unitPrice = 0; // VAT excluded
    std::optional<double> discountPercent;
    QString unit = QStringLiteral("C62"); // UN/ECE code
    double vatRate = 0;
    QString exemptionCode; // for a line at 0 %
    QString exemptionReason;
    qint64 gross = 0;    // quantity × price, VAT excluded, before the discount
    qint64 discount = 0; // VAT excluded
    qint64 net = 0;      // gross − discount: the line's amount
    qint64 vat = 0;
};

// The VAT of the lines of one rate (and, at 0 %, of one exemption).
struct EArsivTax {
    double rate = 0;
    QString exemptionCode;
    QString exemptionReason;
    qint64 taxable = 0;
    qint64 vat = 0;
};

// The invoice a return names: its GİB number and date.
struct ReturnedInvoice {
    QString gibNumber;
    QDate date;
};

struct EArsivDocument {
    EArsivParty seller;
    EArsivParty buyer;
    qint64 invoiceNumber = 0;
    QDate issueDate;
    QString profile = Profile::EArsiv;
    QString typeCode = QStringLiteral("SATIS"); // SATIS, ISTISNA or IADE
    QString sendType;                           // e-Arşiv only: KAGIT or ELEKTRONIK
    QString deliveryNoteNumber;
    QDate deliveryNoteDate;
    std::optional<ReturnedInvoice> returned;
    bool vatIncluded = false;
    QList<EArsivLine> lines;
    QList<EArsivTax> taxes;   // by rate, lowest first
    qint64 grossTotal = 0;    // the lines before their discounts, VAT excluded
    qint64 discountTotal = 0; // VAT excluded
    qint64 lineTotal = 0;     // the lines' amounts: the amount before VAT
    qint64 vat = 0;
    qint64 payable = 0; // lineTotal + vat: the window's grand total
    QString words;      // "Yalnız: …" with the grand total in words

    // The document's number and identity, given when it is first exported, and the time of
    // day it carries.
    QString gibNumber;
    QString uuid;
    QTime issueTime;

    bool isEFatura() const { return profile != Profile::EArsiv; }
};

// What the document needs beyond the invoice.
struct DocumentChoices {
    EArsivParty seller;
    QDate today;
    QString profile = Profile::EArsiv;
    QString sendType = SendType::Paper;
    // For a return: the invoice it returns, as found by the caller.
    std::optional<ReturnedInvoice> returned;
};

// The document of `invoice` (a saved invoice with its VAT rate set), or the reason it cannot
// be one, naming what to correct: no lines; a date that cannot be read or lies after today; a
// delivery note whose date cannot be read; a buyer that buyerParty() refuses; a negative
// line or total; a rate outside 0 to 100; a line at 0 % without its exemption; a rate whose
// VAT rounds to 0,00; a return without the invoice it returns; figures too large to be exact
// to the kuruş. A return to an e-Fatura user goes as TEMELFATURA, as the rules allow no other.
std::variant<EArsivDocument, QString> earsivDocument(const Invoice &invoice,
                                                     const DocumentChoices &choices);

// The document as UTF-8 XML, unsigned (the integrator signs it).
QByteArray earsivXml(const EArsivDocument &document);

// The text of the tax administration's QR code for the document: JSON with the seller's and
// buyer's numbers, scenario, type, date, number, UUID, currency, the amount of the lines, the
// base and VAT of each rate, the amount with VAT and what is paid, each as the XML writes it.
QByteArray qrText(const EArsivDocument &document);

// A rate as the XML's Percent and the QR code's keys write it: "18", "18.5".
QString percentText(double rate);

// Kuruş as the readable copy shows them: "2.260,90".
QString kurusText(qint64 kurus);

// "Yalnız: " and the words of a money text, a space between words, the units TL and Kr.
QString amountInWords(const QString &moneyText);

// "İkiBinAltıYüz" as "İki Bin Altı Yüz": a space before each word that starts with a capital.
QString spacedWords(const QString &words);

// The title of a scenario's copy ("e-FATURA", "e-ARŞİV FATURA") and the readable name of a
// type, as the copy shows them.
QString documentTitle(const QString &profile);
QString typeName(const QString &typeCode);
