#pragma once

#include "store/customers.h"

#include <QString>

#include <variant>

// The texts of the customer register's boxes, as typed.
struct CustomerBoxes {
    QString number;
    QString adi_soyadi;
    QString adresi;
    QString adresi2;
    QString vergidaire_no;
};

// The number in the number box, or the message that refuses it: "Müşteri no girilmelidir!"
// for an empty box, "Müşteri No geçersiz!" for anything that is not a whole number.
std::variant<qint64, QString> customerNumberFromText(const QString &number);

// The row a save writes, or the message of the first check that fails. The name is checked
// before the number and only one message comes back; a name of blanks counts as filled.
// Texts are kept as typed.
std::variant<Customer, QString> customerToSave(const CustomerBoxes &boxes);

// What the user is told when the table refuses a write; empty for Ok.
QString resultMessage(CustomerResult result);

// The confirmation of a saved customer, naming it.
QString savedMessage(const Customer &customer);

// The question before a delete, naming the customer (number and the name shown).
QString deleteQuestion(qint64 number, const QString &name);
