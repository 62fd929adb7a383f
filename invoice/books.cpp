#include "invoice/books.h"

#include "base/numbers.h"
#include "invoice/summary.h"
#include "invoice/workspace.h"
#include "store/campaigns.h"
#include "store/database.h"

#include <QRegularExpression>

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

void Books::prepareInvoiceList(const std::function<void(qint64, qint64)> &progress) const {
    const ayarlar settings = m_workspace.readSettings(2);
    Database db(m_workspace.databasePath(settings), Database::Access::Write);
    updateSummaries(db, settings.kdv_yuzde.trimmed(), progress);
    db.transaction([&] { ::prepareInvoiceList(db); });
    // A name is looked for through the customers.
    ::prepareCustomerSearch(db);
}

QList<InvoiceListEntry> Books::invoiceList(const QString &search, std::optional<qint64> before,
                                           int count) const {
    static const QRegularExpression month(QStringLiteral("^(\\d{1,2})[./-](\\d{4})$"));
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    const QString typed = search.trimmed();
    InvoiceListFilter filter;
    Database db(path());
    if (typed.isEmpty()) {
        filter.kind = InvoiceListFilter::Kind::All;
    } else if (digits.match(typed).hasMatch()) {
        filter.kind = InvoiceListFilter::Kind::Number;
        filter.digits = typed;
    } else if (const std::optional<QDate> day = invoiceDate(typed)) {
        filter.kind = InvoiceListFilter::Kind::Dates;
        filter.from = filter.to = *day;
    } else if (const QRegularExpressionMatch m = month.match(typed);
               m.hasMatch() && QDate(m.captured(2).toInt(), m.captured(1).toInt(), 1).isValid()) {
        filter.kind = InvoiceListFilter::Kind::Dates;
        filter.from = QDate(m.captured(2).toInt(), m.captured(1).toInt(), 1);
        filter.to = filter.from.addMonths(1).addDays(-1);
    } else {
        filter.kind = InvoiceListFilter::Kind::Customers;
        for (const CustomerEntry &c : ::customersByName(db, typed, std::nullopt, 500))
            filter.customerNumbers << c.number;
    }
    return invoiceListPage(db, filter, before, count);
}

qint64 Books::proposedInvoiceNumber() const {
    Database db(path());
    return nextInvoiceNumber(largestInvoiceNumber(db));
}

std::optional<QString> Books::invoiceDateOf(qint64 number) const {
    Database db(path());
    const QList<StoredRow> rows = invoiceRows(db, number);
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().fatura_tarihi;
}

StoredInvoice Books::loadInvoice(qint64 number) const {
    Database db(path());
    return storedInvoice(db, number);
}

bool Books::saveInvoice(const InvoiceRecord &record, InvoiceInfo &info, bool replacing) const {
    Database db(path(), Database::Access::Write);
    return replacing ? replaceInvoice(db, record.header, record.lines, info)
                     : insertInvoice(db, record.header, record.lines, info);
}

QStringList Books::campaignNames() const {
    Database db(path());
    return campaigns(db);
}

BackupResult Books::backUp(const QString &folder) const {
    return backupDatabase(path(), folder, m_workspace.now());
}

BackupContents Books::checkBackup(const QString &backup) {
    return ::checkBackup(backup);
}

QString Books::restore(const QString &backup) const {
    return restoreBackup(backup, path(), m_workspace.now());
}

QString Books::shownBooks() const {
    return shownAddress(path());
}

QString Books::databaseSettingProblem(const QString &setting) {
    return serverAddressProblem(setting);
}
