#pragma once

#include "store/database.h"

#include <QStringList>

#include <optional>

// One row of MUSTERI.
struct Customer {
    qint64 sirano = 0;
    QString adi_soyadi;
    QString adresi;
    QString adresi2;
    QString vergidaire_no;
};

// The customer numbers and names, parallel, in the order the table holds them.
struct CustomerLists {
    QStringList numbers;
    QStringList names;
};

CustomerLists customerLists(Database &db);

// One customer as a picker lists it; `key` is its place in the table, to read on from.
// `order` is where a list sorted by name has it (the name's sortingKey()).
struct CustomerEntry {
    qint64 key = 0;
    QString number;
    QString name;
    QString order = {};
    qint64 nameKey = 0; // which of the names with that order, in a list by name
};

enum class CustomerColumn { Number, Name };

// Up to `count` customers after the one at `after` (from the first when there is none), in
// the order the table holds them: one page of a list read as the user scrolls it.
QList<CustomerEntry> customerPage(Database &db, std::optional<qint64> after, int count);

// The customer search kept beside MUSTERI in tables of the program's own (MUSTERI itself is
// never altered): each distinct name once, folded for searching (searchFolded()) with its
// sorting key, the pieces of three letters of the folded names (searchPieces()) with the names
// that hold them, and each customer's name. The program's own saves keep it in step in their
// transaction; a table changed by another program (rows added or removed: the count or the last row
// differ from what the search last saw) is searched again from scratch here, in one transaction.
// Needs the database opened for writing when anything is to be done. Throws DatabaseError.
void prepareCustomerSearch(Database &db);

// Whether the search is in step with MUSTERI as far as the count and the last row tell.
bool customerSearchReady(Database &db);

// Up to `count` customers in the order of their names (the Turkish alphabet, case aside), after
// `after` (from the first when there is none), whose name holds `part` anywhere, whatever the
// case and the Turkish letters' marks ("ay" finds "Ayşe" and "Kaya", "isik" finds "IŞIK");
// an empty `part` holds for every customer. Customers of one name follow each other in the
// order they were added. Reads the search tables; call prepareCustomerSearch() first. A part
// none of whose pieces is kept answers at once; one with a rare piece reads only the names
// holding that piece; a common one reads the names in order until the page is full.
QList<CustomerEntry> customersByName(Database &db, const QString &part,
                                     const std::optional<CustomerEntry> &after, int count);

// Up to `count` customers whose number starts with the digits `digits` (every customer for
// none), ascending by number, after the number `after`: each stretch of numbers read through
// the number's index ("12" is 12, 120 to 129, 1200 to 1299, ...).
QList<CustomerEntry> customersByNumber(Database &db, const QString &digits,
                                       std::optional<qint64> after, int count);

// The customer at that place in the table, if it is still there.
std::optional<Customer> customerByKey(Database &db, qint64 key);

// The first row with that number or name, if any.
std::optional<Customer> customerByNumber(Database &db, qint64 number);
std::optional<Customer> customerByName(Database &db, const QString &name);

// The number proposed for a new customer: the largest whole number in use plus one (1 for
// an empty table; the largest number itself when it is the largest a number can be).
qint64 proposedCustomerNumber(Database &db);

enum class CustomerResult { Ok, NumberTaken, NotFound };

// Adds a customer; refused (NumberTaken, nothing written) when the number is in use.
CustomerResult addCustomer(Database &db, const Customer &m);
// Changes every column of the first row with m.sirano, adresi2 included; NotFound when
// there is none.
CustomerResult updateCustomer(Database &db, const Customer &m);
// Deletes the first row with that number; NotFound when there is none. Invoices are
// never touched.
CustomerResult deleteCustomer(Database &db, qint64 number);
