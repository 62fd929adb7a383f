#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

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

// How every number the user types is read (quantity, unit price, discount percent, VAT rate,
// settings values): the Turkish way. "," before the decimals, "." only between groups of three
// digits: "1.250" is 1250, "1.250,5" is 1250.5, "1250,5" too. Blanks around it and a sign are
// allowed. Anything else is no number, never read as another amount: "18.50" and "1.25" are
// refused, as are the empty text and anything that is not finite.
std::optional<double> inputNumber(QStringView text);

// How number texts that older programs stored are read (a unit price "18.50" in faturalar):
// a text with "," is a Turkish number; without one, "." is the decimal point ("18.50" is 18.5,
// "1.250" is 1.25). Blanks around it are allowed.
std::optional<double> storedNumber(QStringView text);

// The form to type for a text that inputNumber() refuses but that plainly means a number:
// "18.50" gives "18,50", "1.250.50" "1.250,50", "1,250.50" "1.250,50". Empty when there is
// no such form ("12,5 TL", "on iki").
QString typedNumberForm(QStringView typed);

// What a message quotes of a typed text: the text without the blanks around it, a long one
// only by its first 40 characters and "…", so that the message stays readable.
QString typedExcerpt(const QString &typed);

// The message that refuses a typed number: the field as the window names it, what was typed
// and the form to type, e.g. `Br.Fiyat okunamadı: "18.50". ... "18,50" biçiminde yazınız.`
QString typedNumberRefusal(const QString &field, const QString &typed);

// The unit price as the line grid and the database keep it: "." as the decimal point and no
// thousands mark ("1.250,50" and "1250,50" give "1250.50", "1.250" gives "1250"). `typed` is a
// price inputNumber() reads.
QString priceCellText(QStringView typed);
// Back from the grid's form to the form a user types: "1250.50" gives "1250,50".
QString typedPriceText(QStringView cell);

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

// The numbers whose digits start with `digits` (0-9 only, blanks around allowed), as stretches
// of consecutive numbers, each above the one before: 12, then 120 to 129, 1200 to 1299, ...
// while they fit in 64 bits. Empty for anything else. A search by the start of a number.
QList<std::pair<qint64, qint64>> numbersStartingWith(QStringView digits);

// A date as the invoice window writes it ("05.03.2024"; "5.3.2024", "/" and "-" too) or in
// ISO form; nothing for anything else, an impossible day (31.02.2026) included.
std::optional<QDate> invoiceDate(const QString &text);
