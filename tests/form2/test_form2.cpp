#include "../db/testdb.h"
#include "gui/Form2.h"
#include "gui/fieldkeys.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Not the default name: the register must open the database the settings name.
const QString dbName = "kayitlar.db";

// Rows as "number|name|address 1|address 2|tax office", put straight into the table: old
// data may repeat numbers or hold texts where numbers belong, which the program refuses.
void addRows(const QStringList &list) {
    Database db(dbName, Database::Access::Write);
    QSqlQuery q(db.db());
    q.prepare("INSERT INTO MUSTERI VALUES (?, ?, ?, ?, ?)");
    for (const QString &row : list) {
        for (const QString &v : (row + "||||").split('|').mid(0, 5))
            q.addBindValue(v);
        QVERIFY(q.exec());
    }
}

// The rows of a query in the same form.
QStringList rows(const QString &sql = "SELECT * FROM MUSTERI ORDER BY rowid") {
    QStringList list;
    for (const QVariantList &r : testdb::queryRows(dbName, sql)) {
        QStringList row;
        for (const QVariant &v : r)
            row << v.toString();
        list << row.join('|');
    }
    return list;
}

QStringList items(const QComboBox *c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

// The window with its controls found by object name.
struct Register {
    Workspace workspace; // the working folder the test made current
    Form2 w{workspace};
    QSignalSpy saved{&w, &Form2::customerSaved};
    QComboBox *number = w.findChild<QComboBox *>("Combo1");
    QComboBox *name = w.findChild<QComboBox *>("Combo2");
    QLineEdit *a1 = w.findChild<QLineEdit *>("Text1");
    QLineEdit *a2 = w.findChild<QLineEdit *>("Text2");
    QLineEdit *tax = w.findChild<QLineEdit *>("Text3");
    QPushButton *save = w.findChild<QPushButton *>("Command1");
    QPushButton *del = w.findChild<QPushButton *>("Command2");

    // A pick as the keyboard makes it: the arrow key moves onto the entry.
    void pick(QComboBox *c, int index) {
        c->setCurrentIndex(index - 1);
        QTest::keyClick(c, Qt::Key_Down);
    }
    bool picked() const { return w.mode() == "eski" && del->isEnabled(); }
    // A new, empty customer.
    bool isReset() const {
        return w.mode() == "yeni" && !del->isEnabled() && name->currentText().isEmpty() &&
               a1->text().isEmpty() && a2->text().isEmpty() && tax->text().isEmpty();
    }
};

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void opensWithListsAndProposal_data();
    void opensWithListsAndProposal();
    void savesNewCustomer();
    void refusesBeforeAnyQuery();
    void changeStoresBothAddressLines();
    void deletes();
    void keyboard();

private:
    QStringList texts() const;

    QTemporaryDir m_dir;
    QList<Messages::Message> m_messages;
    QList<bool> m_answers;
};

void TestForm2::initTestCase() {
    QDir::setCurrent(m_dir.path());
    ayarlar a = defaultSettings();
    a.veritabani_yolu = dbName;
    ayarlari_yaz(a);
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m;
        return !m_answers.isEmpty() && m_answers.takeFirst();
    });
}

void TestForm2::init() {
    QFile::remove(dbName);
    createDatabase(dbName);
    m_messages.clear();
    m_answers.clear();
}

QStringList TestForm2::texts() const {
    QStringList l;
    for (const Messages::Message &m : m_messages)
        l << m.text;
    return l;
}

void TestForm2::opensWithListsAndProposal_data() {
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QString>("proposal");
    QTest::newRow("empty table") << QStringList{} << "1";
    QTest::newRow("gaps") << QStringList{"1", "2", "3", "7", "9"} << "10";
    QTest::newRow("6 deleted") << QStringList{"1", "2", "3", "4", "5", "7"} << "8";
    // Values only old or imported data can hold.
    QTest::newRow("text and fraction ignored") << QStringList{"4", "abc", "12a", "7.5"} << "5";
    QTest::newRow("largest possible stays")
        << QStringList{"3", "9223372036854775807"} << "9223372036854775807";
}

void TestForm2::opensWithListsAndProposal() {
    QFETCH(QStringList, numbers);
    QStringList names;
    for (const QString &n : numbers) {
        names << "Müşteri " + n;
        addRows({n + '|' + names.last()});
    }
    Register r;
    QCOMPARE(items(r.number), numbers);
    QCOMPARE(items(r.name), names);
    QTEST(r.number->currentText(), "proposal");
    QVERIFY(r.isReset());
    QVERIFY(m_messages.isEmpty());
}

void TestForm2::savesNewCustomer() {
    addRows({"3|Ali"});
    Register r;
    QTest::keyClicks(r.name, "D'Arcy O'Neil"); // an apostrophe is just a letter
    r.a1->setText("Atatürk Cad. 5");
    r.a2->setText("Çankaya/Ankara");
    r.tax->setText("Çankaya 1234567890");
    r.save->click();
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows().last(), "4|D'Arcy O'Neil|Atatürk Cad. 5|Çankaya/Ankara|Çankaya 1234567890");
    QVERIFY(r.isReset());
    QCOMPARE(r.number->currentText(), "5");

    // A new customer under a number in use: refused, nothing written, the boxes kept.
    r.number->setEditText("3");
    r.name->setEditText("Veli");
    r.save->click();
    QCOMPARE(texts(), QStringList{"Bu müşteri no zaten kayıtlı!"});
    QCOMPARE(rows().size(), 2);
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(r.name->currentText(), "Veli");

    r.pick(r.name, 1);
    QVERIFY(r.picked());
    QCOMPARE(r.number->currentText() + r.a2->text(), "4Çankaya/Ankara");
}

// The checks come before any query: without the database a query ends in an error message
// naming it, as the save that passes them shows; the boxes keep what was typed.
void TestForm2::refusesBeforeAnyQuery() {
    Register r;
    QVERIFY(QFile::remove(dbName));
    // Number, name, the one message; the name is checked first.
    for (const QStringList &c : QList<QStringList>{
             {"", "", "Müşteri adı girilmelidir!"},
             {"", "  ", "Müşteri no girilmelidir!"},
             {"1; DELETE FROM MUSTERI", "Ali", "Müşteri No geçersiz!"},
             {"1", "Ali", "Veritabanı bulunamadı: " + r.workspace.filePath(dbName)}}) {
        m_messages.clear();
        r.number->setEditText(c[0]);
        r.name->setEditText(c[1]);
        r.save->click();
        QCOMPARE(texts(), QStringList{c[2]});
    }
    QCOMPARE(m_messages.first().kind, Messages::Kind::Error);
    QCOMPARE(r.name->currentText(), "Ali");
    QCOMPARE(r.saved.count(), 0);
}

// A pick by number or by name loads the first row that has it; a change of that row saves
// both address lines, and the reset after it empties them.
void TestForm2::changeStoresBothAddressLines() {
    addRows({"1|Ali|A1|A2", "2|Veli|V1|V2|VD", "2|Veli|ikinci"});
    Register r;
    r.pick(r.name, 2);
    QVERIFY(r.picked());
    QCOMPARE(r.number->currentText(), "2");
    QCOMPARE(r.a1->text() + r.a2->text() + r.tax->text(), "V1V2VD");

    r.name->setEditText("Veli Can");
    r.a1->setText("Yeni Cad.");
    r.a2->setText("Yeni Kat");
    r.save->click();
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows(),
             QStringList({"1|Ali|A1|A2|", "2|Veli Can|Yeni Cad.|Yeni Kat|VD", "2|Veli|ikinci||"}));
    QVERIFY(r.isReset());

    // A number edited after the pick to one that has no row: nothing changes anywhere.
    r.pick(r.number, 0);
    r.number->setEditText("77");
    r.a1->setText("Başka");
    r.save->click();
    QCOMPARE(texts(), QStringList{"Müşteri bulunamadı!"});
    QCOMPARE(rows().first(), "1|Ali|A1|A2|");
    QVERIFY(r.picked());
    QCOMPARE(r.saved.count(), 1);
}

void TestForm2::deletes() {
    addRows({"1|A", "2|B", "2|B2"});
    testdb::sql(dbName, {"INSERT INTO faturalar (faturano, musterino, adi_soyadi) "
                         "VALUES (100, '2', 'B')"});
    const QString invoices = "SELECT faturano, musterino, adi_soyadi FROM faturalar";
    Register r;
    r.pick(r.number, 1);
    m_answers << false;
    r.del->click();
    QCOMPARE(texts(), QStringList{"Emin misiniz?"});
    QCOMPARE(m_messages.first().kind, Messages::Kind::Question);
    QCOMPARE(rows().size(), 3);
    QVERIFY(r.picked());

    m_answers << true;
    r.del->click();
    QCOMPARE(rows(), QStringList({"1|A|||", "2|B2|||"}));
    QCOMPARE(rows(invoices), QStringList{"100|2|B"});
    QVERIFY(r.isReset());
    QCOMPARE(items(r.name), QStringList({"A", "B2"}));
    QCOMPARE(r.saved.count(), 0);
}

// Enter walks the fields up to KAYDET without pressing it, and on KAYDET presses it. A typed
// number or name neither loads that customer nor completes to another entry, as Qt's
// editable lists would.
void TestForm2::keyboard() {
    addRows({"5|Ali|adres", "10|Can"});
    Register r;
    r.w.show();
    QVERIFY(QTest::qWaitForWindowActive(&r.w));
    r.number->setFocus();
    r.number->clearEditText();
    QTest::keyClicks(r.number, "1");
    QCOMPARE(r.number->currentText(), "1"); // not completed to 10
    QCOMPARE(r.number->lineEdit()->palette().color(QPalette::Base),
             FocusColours::focusedColour(r.number));
    QTest::keyClicks(r.number, "\b5\r");
    QTRY_COMPARE(QApplication::focusWidget(), r.name);
    QTest::keyClicks(r.name, "Ali\r");
    QTRY_COMPARE(QApplication::focusWidget(), r.a1);
    QCOMPARE(r.w.mode() + r.a1->text(), "yeni");

    r.number->setEditText("11");
    r.a1->setText("Yeni adres");
    for (QWidget *next : QList<QWidget *>{r.a2, r.tax, r.save}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), next);
    }
    QCOMPARE(r.saved.count(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(rows().last(), "11|Ali|Yeni adres||");
    QVERIFY(m_messages.isEmpty());
    // The number is proposed, so the next customer starts at the name.
    QTRY_COMPARE(QApplication::focusWidget(), r.name);
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
