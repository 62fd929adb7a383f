#include "app/windows.h"
#include "customers/Form2.h"
#include "db/database.h"
#include "invoice/Form3.h"
#include "settings/ayarlar.h"
#include "ui/messages.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

// The links between windows that the program makes: the customer register refreshes an open
// invoice window's customer lists, and "Yeni Aç" opens the register.
class TestWindowLinks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void savedCustomerReachesOpenInvoice();
    void newCustomerButtonOpensRegister();

private:
    QTemporaryDir m_dir;
    QString m_oldDir;
};

namespace {

template <class T = QLineEdit> T *child(QWidget *w, const char *name) {
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no %s", name);
    return c;
}

QStringList items(QComboBox *c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

} // namespace

void TestWindowLinks::initTestCase() {
    m_oldDir = QDir::currentPath();
    ayarlari_yaz(varsayilanAyarlar(), m_dir.filePath(u"ayarlar.dat"_qs));
    veritabaniOlustur(m_dir.filePath(u"fatura.MDB"_qs));
    QDir::setCurrent(m_dir.path());
    Messages::setTestHandler([](const Messages::Message &m) {
        qWarning("unexpected message: %s", qPrintable(m.text));
        return false;
    });
}

void TestWindowLinks::cleanupTestCase() {
    Messages::setTestHandler({});
    QDir::setCurrent(m_oldDir);
}

void TestWindowLinks::savedCustomerReachesOpenInvoice() {
    Windows windows;
    Form3 *invoice = windows.openInvoice();
    // An invoice in progress: a line, a changed date, a customer typed by hand.
    child(invoice, "Text1")->setText(u"01.02.2024"_qs);
    child<QComboBox>(invoice, "Combo2")->setEditText(u"Elle Yazılan"_qs);
    child(invoice, "Text9")->setText(u"2"_qs);
    child(invoice, "Text10")->setText(u"7,50"_qs);
    child<QPushButton>(invoice, "Command2")->click();
    const QString subtotal = child(invoice, "Text5")->text();
    QCOMPARE(subtotal, u"15,00"_qs);
    const int rows = child<QTableWidget>(invoice, "MSFlexGrid1")->rowCount();
    QVERIFY(items(child<QComboBox>(invoice, "Combo2")).isEmpty());

    Form2 *customers = windows.openCustomers();
    child<QComboBox>(customers, "Combo2")->setEditText(u"Şükrü Öztürk"_qs);
    child<QPushButton>(customers, "Command1")->click();

    QCOMPARE(items(child<QComboBox>(invoice, "Combo2")), QStringList{u"Şükrü Öztürk"_qs});
    QCOMPARE(items(child<QComboBox>(invoice, "Combo1")), QStringList{u"1"_qs});
    // Nothing else of the invoice moved.
    QCOMPARE(child(invoice, "Text5")->text(), subtotal);
    QCOMPARE(child(invoice, "Text1")->text(), u"01.02.2024"_qs);
    QCOMPARE(child<QComboBox>(invoice, "Combo2")->currentText(), u"Elle Yazılan"_qs);
    QCOMPARE(child<QTableWidget>(invoice, "MSFlexGrid1")->rowCount(), rows);
    QCOMPARE(invoice->state(), u"yeni"_qs);
    // The next line still adds to the same subtotal.
    child(invoice, "Text9")->setText(u"1"_qs);
    child(invoice, "Text10")->setText(u"5"_qs);
    child<QPushButton>(invoice, "Command2")->click();
    QCOMPARE(child(invoice, "Text5")->text(), u"20,00"_qs);

    // Without an invoice window a save refreshes nothing and breaks nothing.
    invoice->close();
    QTRY_VERIFY(!windows.invoice());
    child<QComboBox>(customers, "Combo2")->setEditText(u"İkinci Müşteri"_qs);
    child<QPushButton>(customers, "Command1")->click();
    QVERIFY(!windows.invoice());
}

void TestWindowLinks::newCustomerButtonOpensRegister() {
    Windows windows;
    Form3 *invoice = windows.openInvoice();
    QVERIFY(!windows.customers());
    child<QPushButton>(invoice, "Command4")->click();
    QVERIFY(windows.customers());
    QVERIFY(windows.customers()->isVisible());
    Form2 *first = windows.customers();
    child<QPushButton>(invoice, "Command4")->click();
    QCOMPARE(windows.customers(), first);
}

QTEST_MAIN(TestWindowLinks)
#include "test_windowlinks.moc"
