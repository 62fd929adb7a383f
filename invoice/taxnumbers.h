#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The numbers Turkish invoices name their parties by, as users type them.

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
