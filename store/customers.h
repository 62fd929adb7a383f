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
struct CustomerEntry {
    qint64 key = 0;
    QString number;
    QString name;
};

enum class CustomerColumn { Number, Name };

// Up to `count` customers after the one at `after` (from the first when there is none), in
// the order the table holds them: one page of a list read as the user scrolls it.
QList<CustomerEntry> customerPage(Database &db, std::optional<qint64> after, int count);

// The same, only the customers whose number or name starts with `prefix`, exactly as typed.
QList<CustomerEntry> customersStartingWith(Database &db, CustomerColumn column,
                                           const QString &prefix, std::optional<qint64> after,
                                           int count);

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
