#include "invoice/books.h"

#include "invoice/workspace.h"
#include "store/database.h"

Books::Books(const Workspace &workspace)
    : m_workspace(workspace) {}

QString Books::path() const {
    return m_workspace.databasePath();
}

void Books::prepareCustomerSearch() const {
    const QString at = path();
    {
        Database db(at);
        if (customerSearchReady(db))
            return;
    }
    Database db(at, Database::Access::Write);
    ::prepareCustomerSearch(db);
}

QList<CustomerEntry> Books::customersByName(const QString &part,
                                            const std::optional<CustomerEntry> &after,
                                            int count) const {
    Database db(path());
    return ::customersByName(db, part, after, count);
}

QList<CustomerEntry> Books::customersByNumber(const QString &digits, std::optional<qint64> after,
                                              int count) const {
    Database db(path());
    return ::customersByNumber(db, digits, after, count);
}

std::optional<Customer> Books::customerByKey(qint64 key) const {
    Database db(path());
    return ::customerByKey(db, key);
}

std::optional<Customer> Books::customerByNumber(qint64 number) const {
    Database db(path());
    return ::customerByNumber(db, number);
}

std::optional<Customer> Books::customerByName(const QString &name) const {
    Database db(path());
    return ::customerByName(db, name);
}

qint64 Books::proposedCustomerNumber() const {
    Database db(path());
    return ::proposedCustomerNumber(db);
}

CustomerResult Books::addCustomer(const Customer &customer) const {
    Database db(path(), Database::Access::Write);
    return ::addCustomer(db, customer);
}

CustomerResult Books::updateCustomer(const Customer &customer) const {
    Database db(path(), Database::Access::Write);
    return ::updateCustomer(db, customer);
}

CustomerResult Books::deleteCustomer(qint64 number) const {
    Database db(path(), Database::Access::Write);
    return ::deleteCustomer(db, number);
}
