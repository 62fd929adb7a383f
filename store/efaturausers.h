#pragma once

#include "store/database.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// The tax administration's list of e-Fatura registered users, as the user last imported it,
// in two tables of the program's own: the users, and one row with when and from which file
// the list came.

struct RegisteredUser {
    QString id;    // VKN or TCKN
    QString title; // the name the list gives
    QString alias; // the mailbox label, "urn:mail:defaultpk@…"; may be empty
    QDate since;   // when the user's e-Fatura registration began; invalid when not known
};

struct RegisteredUserList {
    QDateTime importedAt;
    QString source; // the file's name
    qint64 count = 0;
};

// When and from where the list was imported; nothing while it never was.
std::optional<RegisteredUserList> registeredUserList(Database &db);

// The user with this VKN or TCKN; nothing when the imported list does not hold it (or no
// list was imported).
std::optional<RegisteredUser> registeredUser(Database &db, const QString &id);

// Replaces the list with the users `next` gives one after another (it returns false after
// the last, and may throw to stop), in one transaction: a failure leaves the list held before.
// A number given twice keeps its first entry. Returns the number of users kept.
qint64 replaceRegisteredUsers(Database &db, const std::function<bool(RegisteredUser &)> &next,
                              const QString &source, const QDateTime &importedAt);

// Makes the two tables when they are not there, inside the caller's transaction.
void createRegisteredUserTables(Database &db);
