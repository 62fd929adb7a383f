#pragma once

#include "store/earsivrecords.h"
#include "store/efaturausers.h"
#include "store/seller.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

class Workspace;

// What the e-invoice windows do with the books, each call one operation on the database the
// settings name. Throws DatabaseError, SettingsError or EArsivError with the Turkish text.
class EArsivBooks {
public:
    explicit EArsivBooks(const Workspace &workspace);

    // Up to `count` stored invoices above the number `after`, with their e-invoice numbers.
    InvoiceSummaryPage invoicesAfter(std::optional<qint64> after, int count) const;
    // The invoices dated from `from` to `to`, in date order.
    QList<qint64> invoicesDated(const QDate &from, const QDate &to) const;

    // The registered e-Fatura users, when a list was imported; importing one from `path`
    // replaces it and gives the count of users.
    std::optional<RegisteredUserList> userList() const;
    qint64 importUserList(const QString &path) const;

    // The seller, the business itself; nothing before it was first saved.
    std::optional<SellerRecord> seller() const;
    void saveSeller(const SellerRecord &seller) const;

private:
    QString path() const;

    const Workspace &m_workspace;
};
