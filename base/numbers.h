#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

// Every reading and writing of numbers the program uses. Texts on screen and paper follow
// Turkish conventions whatever the machine's locale: "," before the decimals, "." between
// groups of thousands (1.234,56).

// The number a text begins with: leading blanks skipped, an optional sign, digits and
// optionally "." and digits; reading stops at the first character that does not fit, and a
// text that does not begin with a number reads as 0. "1,5" reads as 1, "1.250.50" as 1.25.
// Used for settings values (positions, sizes) and for the stored unit price.
double leadingNumber(QStringView text);

// The whole text as a Turkish number: "," before the decimals, "." grouping thousands,
// surrounding blanks allowed ("1.234,56" is 1234.56, "250,1" is 250.1). Also takes the
// exponent form the plain number text writes for very large values ("1E+16").
// Anything else, and the empty text, is no number.
std::optional<double> localNumber(QStringView text);

// How a number the user typed is read (quantity, unit price, discount percent, VAT rate):
// a text with "," is a Turkish number ("1.250,50" is 1250.5); a text without "," takes "."
// as the decimal point ("12.5" is 12.5, "1.250" is 1.25). Blanks around it are allowed.
// The empty text and anything that is not a finite number is no number.
std::optional<double> inputNumber(QStringView text);

// The unit price as the line grid and the database keep it: "." as the decimal point and no
// thousands mark ("1.250,50" and "1250,50" give "1250.50"; "12.5" stays "12.5").
QString priceCellText(QStringView typed);

// Exactly two decimals, rounded half away from zero on the value's 15-digit decimal form
// (2.675 gives "2,68", -2.675 "-2,68"), thousands grouped: "2.511,00", "0,50".
QString moneyText(double value);

// The value as money: its money text read back.
double roundToMoney(double value);

// The shortest text of the value with at most 15 significant digits, "," before the
// decimals and no thousands marks: "250,1", "0", "1234,5"; 0.1 + 0.2 gives "0,3".
QString plainNumberText(double value);

// The value of a money text rebuilt from its parts: the whole lira before the first "," and
// the two kuruş digits after it, the sign applying to both ("-12,50" is -12.5).
// A text without "," or with parts that are not numbers has no rebuilt value.
std::optional<double> rebuiltValue(QStringView moneyText);

// A customer or invoice number as typed: digits only, blanks around allowed, an optional
// sign, within the range of a 64-bit number. Anything else is no whole number.
std::optional<qint64> wholeNumber(QStringView text);

// A date as the invoice window writes it ("05.03.2024"; "5.3.2024", "/" and "-" too) or in
// ISO form; nothing for anything else, an impossible day (31.02.2026) included.
std::optional<QDate> invoiceDate(const QString &text);
