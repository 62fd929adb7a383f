#pragma once

#include "invoice/saving.h"
#include "store/customers.h"
#include "store/invoices.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Workspace;

// What the windows do with the books, each call one operation on the database the settings
// name (opened, used and closed; the settings are read at each call, so a changed path counts
// at once). Windows reach the database only through here. Every call throws DatabaseError or
// SettingsError with the Turkish text for the user.
class Books {
public:
    explicit Books(const Workspace &workspace);

    // Customers.

    // Makes the customer search ready (see prepareCustomerSearch()): before a list of names is
    // shown. Writes only when another program changed MUSTERI.
    void prepareCustomerSearch() const;
    // Customers sorted by name whose name holds `part`, case and Turkish letters aside.
    QList<CustomerEntry> customersByName(const QString &part,
                                         const std::optional<CustomerEntry> &after,
                                         int count) const;
    // Customers whose number starts with `digits`, ascending by number.
    QList<CustomerEntry> customersByNumber(const QString &digits, std::optional<qint64> after,
                                           int count) const;
    std::optional<Customer> customerByKey(qint64 key) const;
    std::optional<Customer> customerByNumber(qint64 number) const;
    std::optional<Customer> customerByName(const QString &name) const;
    qint64 proposedCustomerNumber() const;
    CustomerResult addCustomer(const Customer &customer) const;
    CustomerResult updateCustomer(const Customer &customer) const;
    CustomerResult deleteCustomer(qint64 number) const;

private:
    QString path() const;

    const Workspace &m_workspace;
};
