#pragma once

#include "invoice/saving.h"
#include "store/backup.h"
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

    // The number a new invoice is proposed: one above the largest stored.
    qint64 proposedInvoiceNumber() const;
    // The stored invoice's date as it was saved; nothing when no such invoice is stored.
    std::optional<QString> invoiceDateOf(qint64 number) const;
    // One stored invoice with what is kept beside it; no rows when none is stored.
    StoredInvoice loadInvoice(qint64 number) const;
    // Writes `record` as a new invoice, or over the stored one when `replacing`. False when
    // refused, nothing written: a new one's number is taken, or the stored one was saved
    // elsewhere since `info` was read. Saved, `info` holds what is stored now.
    bool saveInvoice(const InvoiceRecord &record, InvoiceInfo &info, bool replacing) const;

    // The campaigns' names, for the batch print.
    QStringList campaignNames() const;

    // Backups (see store/backup.h): the books copied into `folder`; a backup file checked;
    // the books replaced by a backup, the old ones kept beside (their path returned).
    BackupResult backUp(const QString &folder) const;
    static BackupContents checkBackup(const QString &backup);
    QString restore(const QString &backup) const;
    // The books as a message names them: a file's path, a server's address without password.
    QString shownBooks() const;

    // What is wrong with a database setting that names a server; empty when it is usable or
    // names a file.
    static QString databaseSettingProblem(const QString &setting);

private:
    QString path() const;

    const Workspace &m_workspace;
};
