#pragma once

#include "invoice/saving.h"
#include "store/customers.h"
#include "store/invoicelist.h"
#include "store/invoices.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
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

    // Invoices.

    // Makes the list of saved invoices ready: the summaries of invoices written by another
    // program or an older version made once (a long pass on large books, told through
    // `progress`: done, of how many), the list's index and the customer search.
    void prepareInvoiceList(const std::function<void(qint64, qint64)> &progress = {}) const;
    // Up to `count` saved invoices below the number `before`, newest first, those `search`
    // picks: every one when it is empty; digits: the numbers that start with them; a day
    // (05.03.2026) or a month (03.2026): the invoices dated then; any other text: the
    // invoices of the customers whose name holds it, case and Turkish letters aside (through
    // the customer search, the first 500 such customers).
    QList<InvoiceListEntry> invoiceList(const QString &search, std::optional<qint64> before,
                                        int count) const;

private:
    QString path() const;

    const Workspace &m_workspace;
};
