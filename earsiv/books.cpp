#include "earsiv/books.h"

#include "earsiv/export.h"
#include "earsiv/userlist.h"
#include "invoice/workspace.h"
#include "store/database.h"

EArsivBooks::EArsivBooks(const Workspace &workspace)
    : m_workspace(workspace) {}

QString EArsivBooks::path() const {
    return m_workspace.databasePath();
}

InvoiceSummaryPage EArsivBooks::invoicesAfter(std::optional<qint64> after, int count) const {
    Database db(path());
    return invoiceSummariesAfter(db, after, count);
}

QList<qint64> EArsivBooks::invoicesDated(const QDate &from, const QDate &to) const {
    Database db(path());
    return ::invoicesDated(db, from, to);
}

std::optional<RegisteredUserList> EArsivBooks::userList() const {
    Database db(path());
    return registeredUserList(db);
}

qint64 EArsivBooks::importUserList(const QString &file) const {
    Database db(path(), Database::Access::Write);
    return ::importUserList(db, file, m_workspace.now());
}

std::optional<SellerRecord> EArsivBooks::seller() const {
    Database db(path());
    return readSeller(db);
}

void EArsivBooks::saveSeller(const SellerRecord &seller) const {
    Database db(path(), Database::Access::Write);
    writeSeller(db, seller);
}
