#pragma once

#include "store/efaturausers.h"

#include <QDateTime>
#include <QString>

#include <optional>

class Database;

// The list of e-Fatura registered users, as the tax administration publishes it or as a
// plain table:
// - its XML: <UserList> with a <User> for each user, holding <Identifier> (VKN or TCKN),
//   <Title>, <FirstCreationTime> and either the e-Fatura mailboxes under
//   <Documents><Document type="Invoice"><Alias><Name>urn:mail:…pk@…</Name> (a mailbox with a
//   <DeletionTime> is closed; a user with documents but no open e-Fatura mailbox is no
//   e-Fatura user) or, in the older form, one <Alias> beside the title;
// - a CSV file: VKN/TCKN, title and mailbox label, separated by ";" (or a tab, or ","),
//   fields in double quotes where they hold the separator, a heading line allowed, in UTF-8
//   or Windows-1254 as spreadsheets save it.
//
// Imports the file at `path` in place of the list held, with the moment `at`, in one
// transaction; returns how many users the list holds now. Throws EArsivError naming the file
// (and the line, where one is at fault) when it cannot be read: not there, a ZIP archive not
// yet opened, an XML or CSV that is not whole, a number that is not 10 or 11 digits, no user
// at all. Nothing is changed then.
qint64 importUserList(Database &db, const QString &path, const QDateTime &at);

// What the user is told about the imported list: its date, the number of users and, when it
// is older than a week on `today`, that it should be imported again; that none was imported
// when none was.
QString userListStatus(const std::optional<RegisteredUserList> &list, const QDate &today);

// Whether the list is missing or older than a week on `today`.
bool userListStale(const std::optional<RegisteredUserList> &list, const QDate &today);
