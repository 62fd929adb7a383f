#include "gui/Form3.h"
#include "gui/pagedlist.h"
#include "store/customers.h"
#include "store/earsivrecords.h"
#include "store/invoices.h"
#include "tests/common/windowfixture.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QScrollBar>
#include <QTableView>

#include <memory>

// Lists that grow with the books, read page by page: the pages of the store, and the invoice
// window's lists that read on as the user scrolls or types.
class TestLists : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fx = std::make_unique<WindowFixture>(); }
    void cleanup() { m_fx.reset(); }
    void pages();
    void customerSearch();
    void invoiceWindow();

private:
    std::unique_ptr<WindowFixture> m_fx;
};

namespace {

// Rows of `count` invoices numbered 3, 6, 9, ..., written in descending order, two rows each.
void storeInvoices(const QString &db, int count) {
    testdb::sql(db,
                {u"WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i - 1 FROM n WHERE i > 1) "
                 "INSERT INTO faturalar (faturano, aciklama) SELECT 3 * i, 'a' FROM n "
                 "UNION ALL SELECT 3 * i, 'b' FROM n"_qs.arg(count)});
}

// `count` customers 1000, 999, ... in that table order, named "Cari <number>".
void storeCustomers(const QString &db, int count) {
    testdb::sql(db, {u"WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i - 1 FROM n WHERE "
                     "i > %1) INSERT INTO MUSTERI (sirano, adi_soyadi) SELECT i, 'Cari ' || i "
                     "FROM n"_qs.arg(1001 - count)});
}

QStringList column(const QAbstractItemModel *m, int c = 0) {
    QStringList l;
    for (int r = 0; r < m->rowCount(); ++r)
        l << m->index(r, c).data().toString();
    return l;
}

} // namespace

void TestLists::pages() {
    storeInvoices(m_fx->db, 5);
    testdb::sql(m_fx->db, {u"INSERT INTO faturalar (faturano) VALUES (NULL)"_qs,
                           u"INSERT INTO MUSTERI (sirano, adi_soyadi) VALUES (21, 'Ayşe''nin'), "
                           "(1, 'Ali'), (12, 'Ayşe'), (3, 'ayşe'), (121, 'Ay')"_qs});
    Database db(m_fx->db);
    // Each number once, NULL never, the next page after the last number of the one before.
    QCOMPARE(invoiceNumbersAfter(db, std::nullopt, 2), (QList<qint64>{3, 6}));
    QCOMPARE(invoiceNumbersAfter(db, 6, 2), (QList<qint64>{9, 12}));
    QCOMPARE(invoiceNumbersAfter(db, 12, 2), (QList<qint64>{15}));
    QCOMPARE(largestInvoiceNumber(db).value_or(0), 15);

    // The e-invoice list: an invoice's first row speaks for it, and only the page's own
    // e-invoice numbers are read.
    testdb::sql(m_fx->db, {u"INSERT INTO faturalar (faturano, adi_soyadi) VALUES (100, 'İlk'), "
                           "(100, 'Sonraki')"_qs});
    {
        Database w(m_fx->db, Database::Access::Write);
        w.transaction([&] {
            lastEArsivSerial(w, u"ABC"_qs, 2026);
            for (qint64 n : {3, 100})
                insertEArsivRecord(w, {n, u"ABC202600000000%1"_qs.arg(n), u"ABC"_qs, 2026, n,
                                       QString::number(n), u"-"_qs, u"-"_qs, u"-"_qs, u"-"_qs});
        });
    }
    const InvoiceSummaryPage summaries = invoiceSummariesAfter(db, 12, 5);
    QStringList listed;
    for (const InvoiceSummary &s : summaries.invoices)
        listed << u"%1 %2"_qs.arg(s.number).arg(s.customerName);
    QCOMPARE(listed, (QStringList{"15 ", "100 İlk"}));
    QCOMPARE(summaries.earsivNumbers.keys(), QList<qint64>{100});

    // Customers in table order.
    const auto entries = [](const QList<CustomerEntry> &l) {
        QStringList s;
        for (const CustomerEntry &e : l)
            s << e.number + u' ' + e.name;
        return s;
    };
    const QList<CustomerEntry> first = customerPage(db, std::nullopt, 3);
    QCOMPARE(entries(first), (QStringList{"21 Ayşe'nin", "1 Ali", "12 Ayşe"}));
    QCOMPARE(entries(customerPage(db, first.last().key, 3)), (QStringList{"3 ayşe", "121 Ay"}));
    // By number: those that start with the digits, ascending, page after page.
    const QList<CustomerEntry> ones = customersByNumber(db, u"1"_qs, {}, 2);
    QCOMPARE(entries(ones), (QStringList{"1 Ali", "12 Ayşe"}));
    QCOMPARE(entries(customersByNumber(db, u"1"_qs, 12, 2)), QStringList{"121 Ay"});
    QCOMPARE(entries(customersByNumber(db, u"2"_qs, {}, 9)), QStringList{"21 Ayşe'nin"});
    QCOMPARE(entries(customersByNumber(db, u"x"_qs, {}, 9)), QStringList());
}

// The customer search: names in the order of the Turkish alphabet, found by any part whatever
// the case and the Turkish letters, read a page after another; kept in step by the program's
// own saves and made anew after another program's.
void TestLists::customerSearch() {
    testdb::sql(m_fx->db, {u"INSERT INTO MUSTERI (sirano, adi_soyadi) VALUES (21, 'Ayşe''nin'), "
                           "(1, 'Ali'), (12, 'Ayşe'), (3, 'ayşe'), (121, 'Ay'), (7, 'ÇİÇEK'), "
                           "(8, 'Cem')"_qs});
    const auto entries = [](const QList<CustomerEntry> &l) {
        QStringList s;
        for (const CustomerEntry &e : l)
            s << e.number + u' ' + e.name;
        return s;
    };
    Database db(m_fx->db, Database::Access::Write);
    QVERIFY(!customerSearchReady(db));
    prepareCustomerSearch(db);
    QVERIFY(customerSearchReady(db));
    const QList<CustomerEntry> page = customersByName(db, QString(), std::nullopt, 4);
    QCOMPARE(entries(page), (QStringList{"1 Ali", "121 Ay", "12 Ayşe", "3 ayşe"}));
    QCOMPARE(entries(customersByName(db, QString(), page.last(), 4)),
             (QStringList{"21 Ayşe'nin", "8 Cem", "7 ÇİÇEK"}));
    const std::pair<QString, QStringList> found[] = {
        {u"AYŞE"_qs, {"12 Ayşe", "3 ayşe", "21 Ayşe'nin"}},
        {u"se"_qs, {"12 Ayşe", "3 ayşe", "21 Ayşe'nin"}},
        {u"'n"_qs, {"21 Ayşe'nin"}},
        {u"cic"_qs, {"7 ÇİÇEK"}},
        {u"i"_qs, {"1 Ali", "21 Ayşe'nin", "7 ÇİÇEK"}},
        {u"li"_qs, {"1 Ali"}},
        {u"xq"_qs, {}},
        {u"ayşe'nin ve"_qs, {}}};
    for (const auto &[part, names] : found)
        QCOMPARE(entries(customersByName(db, part, std::nullopt, 9)), names);

    // The program's saves: found at once under the new name, not under the old, gone when
    // deleted.
    QCOMPARE(addCustomer(db, {40, u"IŞIK Gıda"_qs, {}, {}, {}}), CustomerResult::Ok);
    QCOMPARE(entries(customersByName(db, u"ışık"_qs, std::nullopt, 9)),
             QStringList{"40 IŞIK Gıda"});
    QCOMPARE(updateCustomer(db, {1, u"Veli"_qs, {}, {}, {}}), CustomerResult::Ok);
    QCOMPARE(entries(customersByName(db, u"ali"_qs, std::nullopt, 9)), QStringList());
    QCOMPARE(entries(customersByName(db, u"vel"_qs, std::nullopt, 9)), QStringList{"1 Veli"});
    QCOMPARE(deleteCustomer(db, 40), CustomerResult::Ok);
    QCOMPARE(entries(customersByName(db, u"gida"_qs, std::nullopt, 9)), QStringList());
    QVERIFY(customerSearchReady(db));
    // Another program adds a row: the search is out of step until it is made anew.
    testdb::sql(m_fx->db, {u"INSERT INTO MUSTERI (sirano, adi_soyadi) VALUES (50, 'Yeni')"_qs});
    QVERIFY(!customerSearchReady(db));
    prepareCustomerSearch(db);
    QCOMPARE(entries(customersByName(db, u"yen"_qs, std::nullopt, 9)), QStringList{"50 Yeni"});
    QCOMPARE(
        customerByKey(db, customersByName(db, u"yen"_qs, std::nullopt, 1).first().key)->adi_soyadi,
        u"Yeni"_qs);
}

void TestLists::invoiceWindow() {
    const int invoices = PagedModel::pageSize * 2 + 50;
    storeInvoices(m_fx->db, invoices);
    storeCustomers(m_fx->db, PagedModel::pageSize + 10);
    Shown<Form3> form(m_fx->workspace);
    QCOMPARE(text(&form, "Text12"), QString::number(3 * invoices + 1));

    // List1 holds a page when shown, and every number, newest first, once scrolled to the
    // end; nothing is read before it is shown.
    auto *list = field<QTableView>(&form, "List1");
    QCOMPARE(list->model()->rowCount(), 0);
    click(&form, "Command5");
    QCOMPARE(list->model()->rowCount(), PagedModel::pageSize);
    QStringList expected;
    for (int i = invoices; i >= 1; --i)
        expected << QString::number(3 * i);
    for (int turn = 0; turn < 10 && list->model()->rowCount() < invoices; ++turn) {
        list->scrollToBottom();
        QTest::qWait(20);
    }
    QCOMPARE(column(list->model()), expected);

    // The customer boxes read on likewise, numbers ascending, names in alphabetical order.
    auto *numbers = field<QComboBox>(&form, "Combo1");
    auto *names = field<QComboBox>(&form, "Combo2");
    QCOMPARE(numbers->count(), PagedModel::pageSize);
    QVERIFY(numbers->currentText().isEmpty() && names->currentText().isEmpty());
    numbers->setCurrentIndex(PagedModel::pageSize - 2);
    QTest::keyClick(numbers, Qt::Key_Down);
    QCOMPARE(numbers->count(), PagedModel::pageSize + 10);
    QCOMPARE(items(numbers).first() + u' ' + items(numbers).last(), u"791 1000"_qs);
    names->setCurrentIndex(PagedModel::pageSize - 2);
    QTest::keyClick(names, Qt::Key_Down);
    QCOMPARE(items(names).first() + u' ' + items(names).last(), u"Cari 1000 Cari 999"_qs);

    // Typing offers the customers whose name holds the text, each with its number; choosing
    // one loads it.
    names->setEditText({});
    names->setFocus();
    QTest::keyClicks(names->lineEdit(), u"Cari 80"_qs);
    QCompleter *search = names->findChild<QCompleter *>();
    QTRY_VERIFY(search->popup()->isVisible());
    QStringList offers;
    for (int n = 800; n < 810; ++n)
        offers << u"Cari %1  (%1)"_qs.arg(n);
    QCOMPARE(column(search->popup()->model()), offers);
    // Enter without choosing keeps the text as typed: a new customer may start like an old one.
    QTest::keyClick(search->popup(), Qt::Key_Return);
    QVERIFY(!search->popup()->isVisible());
    QCOMPARE(names->currentText(), u"Cari 80"_qs);
    QTest::keyClicks(names->lineEdit(), u"8"_qs);
    QTRY_VERIFY(search->popup()->isVisible());
    QCOMPARE(column(search->popup()->model()), QStringList{"Cari 808  (808)"});
    QTest::keyClicks(names->lineEdit(), u"\b"_qs);
    search->popup()->setCurrentIndex(search->popup()->model()->index(2, 0));
    QTest::keyClick(search->popup(), Qt::Key_Return);
    QCOMPARE(texts(&form, {"Combo1", "Combo2"}), (QStringList{"802", "Cari 802"}));
    QVERIFY(m_fx->messages.isEmpty());
}

QTEST_MAIN(TestLists)
#include "test_lists.moc"
