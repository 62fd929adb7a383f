#include "customers/Form2.h"
#include "db/database.h"
#include "settings/ayarlar.h"
#include "ui/fieldkeys.h"
#include "ui/messages.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Not the default name: the register must open the database the settings name.
const QString dbName = "kayitlar.db";

// Rows as "number|name|address 1|address 2|tax office", put straight into the table: old
// data may repeat numbers or hold texts where numbers belong, which the program refuses.
void addRows(const QStringList &list) {
    Veritabani db(dbName, Veritabani::Erisim::Yazma);
    QSqlQuery q(db.db());
    q.prepare("INSERT INTO MUSTERI VALUES (?, ?, ?, ?, ?)");
    for (const QString &row : list) {
        for (const QString &v : (row + "||||").split('|').mid(0, 5))
            q.addBindValue(v);
        QVERIFY(q.exec());
    }
}

QStringList rows() {
    Veritabani db(dbName);
    QStringList list;
    QSqlQuery q("SELECT * FROM MUSTERI ORDER BY rowid", db.db());
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < 5; ++i)
            row << q.value(i).toString();
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
    Form2 w;
    QSignalSpy saved{&w, &Form2::musteriKaydedildi};
    QComboBox *no = w.findChild<QComboBox *>("Combo1");
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
    bool picked() const { return w.mod() == "eski" && del->isEnabled(); }
    // A new, empty customer.
    bool isReset() const {
        return w.mod() == "yeni" && !del->isEnabled() && name->currentText().isEmpty() &&
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
    void refusesBeforeAnyQuery_data();
    void refusesBeforeAnyQuery();
    void changeStoresBothAddressLines();
    void deletes();
    void keyboard();
    void databaseFailures();

private:
    QStringList texts() const;

    QTemporaryDir m_dir;
    QList<Messages::Message> m_messages;
    QList<bool> m_answers;
};

void TestForm2::initTestCase() {
    QDir::setCurrent(m_dir.path());
    ayarlar a = varsayilanAyarlar();
    a.veritabani_yolu = dbName;
    ayarlari_yaz(a);
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m;
        return !m_answers.isEmpty() && m_answers.takeFirst();
    });
}

void TestForm2::init() {
    QFile::remove(dbName);
    veritabaniOlustur(dbName);
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
    QTest::newRow("only odd values") << QStringList{"", "x"} << "1";
    QTest::newRow("largest possible stays")
        << QStringList{"3", "9223372036854775807"} << "9223372036854775807";
}

void TestForm2::opensWithListsAndProposal() {
    QFETCH(QStringList, numbers);
    QFETCH(QString, proposal);
    QStringList list, names;
    for (const QString &n : numbers) {
        names << "Müşteri " + n;
        list << n + '|' + names.last();
    }
    addRows(list);
    Register r;
    QCOMPARE(items(r.no), numbers);
    QCOMPARE(items(r.name), names);
    QCOMPARE(r.no->currentText(), proposal);
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
    QCOMPARE(r.no->currentText(), "5");

    // A new customer under a number in use: refused, nothing written, the boxes kept.
    r.no->setEditText("3");
    r.name->setEditText("Veli");
    r.save->click();
    QCOMPARE(texts(), QStringList{"Bu müşteri no zaten kayıtlı!"});
    QCOMPARE(m_messages.first().kind, Messages::Kind::Info);
    QCOMPARE(rows().size(), 2);
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(r.name->currentText(), "Veli");

    r.pick(r.name, 1);
    QVERIFY(r.picked());
    QCOMPARE(r.no->currentText(), "4");
    QCOMPARE(r.a2->text(), "Çankaya/Ankara");
}

void TestForm2::refusesBeforeAnyQuery_data() {
    QTest::addColumn<QString>("no");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("both empty") << QString() << QString() << u"Müşteri adı girilmelidir!"_qs;
    QTest::newRow("no number, blank name")
        << QString() << u"  "_qs << u"Müşteri no girilmelidir!"_qs;
    QTest::newRow("not a number") << u"1; DELETE FROM MUSTERI"_qs << u"Ali"_qs
                                  << u"Müşteri No geçersiz!"_qs;
}

void TestForm2::refusesBeforeAnyQuery() {
    QFETCH(QString, no);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Register r;
    // Without the database any query would end in an error message of its own.
    QVERIFY(QFile::remove(dbName));
    r.no->setEditText(no);
    r.name->setEditText(name);
    r.save->click();
    QCOMPARE(texts(), QStringList{message});
    QCOMPARE(m_messages.first().kind, Messages::Kind::Info);
    QCOMPARE(r.saved.count(), 0);
}

// A pick by number or by name (the first row of that name) loads the customer; a change
// saves both address lines, and the reset after it empties them.
void TestForm2::changeStoresBothAddressLines() {
    addRows({"1|Ali|A1|A2", "2|Veli|V1|V2|VD", "6|Veli|ikinci"});
    Register r;
    QVERIFY(!r.del->isEnabled());
    r.pick(r.name, 2);
    QVERIFY(r.picked());
    QCOMPARE(r.no->currentText(), "2");
    QCOMPARE(r.a1->text() + r.a2->text() + r.tax->text(), "V1V2VD");

    r.name->setEditText("Veli Can");
    r.a1->setText("Yeni Cad.");
    r.a2->setText("Yeni Kat");
    r.save->click();
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows().mid(0, 2), QStringList({"1|Ali|A1|A2|", "2|Veli Can|Yeni Cad.|Yeni Kat|VD"}));
    QVERIFY(r.isReset());

    // A number edited after the pick to one that has no row: nothing changes anywhere.
    r.pick(r.no, 0);
    r.no->setEditText("77");
    r.a1->setText("Başka");
    r.save->click();
    QCOMPARE(texts(), QStringList{"Müşteri bulunamadı!"});
    QCOMPARE(rows().first(), "1|Ali|A1|A2|");
    QVERIFY(r.picked());
    QCOMPARE(r.saved.count(), 1);
}

void TestForm2::deletes() {
    addRows({"1|A", "2|B", "2|B2"});
    {
        Veritabani db(dbName, Veritabani::Erisim::Yazma);
        QVERIFY(QSqlQuery(db.db()).exec("INSERT INTO faturalar (faturano, musterino, adi_soyadi) "
                                        "VALUES (100, '2', 'B')"));
    }
    Register r;
    r.pick(r.no, 1);
    m_answers << false;
    r.del->click();
    QCOMPARE(texts(), QStringList{"Emin misiniz?"});
    QCOMPARE(m_messages.first().kind, Messages::Kind::Question);
    QCOMPARE(rows().size(), 3);
    QVERIFY(r.picked());

    m_answers << true;
    r.del->click();
    QCOMPARE(rows(), QStringList({"1|A|||", "2|B2|||"}));
    {
        Veritabani db(dbName);
        QSqlQuery q("SELECT faturano, musterino, adi_soyadi FROM faturalar", db.db());
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString() + q.value(1).toString() + q.value(2).toString(), "1002B");
    }
    QVERIFY(r.isReset());
    QCOMPARE(items(r.name), QStringList({"A", "B2"}));
    QCOMPARE(r.saved.count(), 0);

    // A number edited to one without a row: told so, nothing deleted, the window as it was.
    r.pick(r.no, 0);
    r.no->setEditText("55");
    m_answers << true;
    r.del->click();
    QCOMPARE(texts().last(), "Müşteri bulunamadı!");
    QCOMPARE(rows().size(), 2);
    QVERIFY(r.picked());
}

// Enter walks the fields in order up to KAYDET without pressing it; on KAYDET it presses it.
// Typing a number or name that is in the lists and moving on neither loads that customer nor
// completes the typing to another entry, as Qt's editable lists would.
void TestForm2::keyboard() {
    addRows({"5|Ali|adres", "10|Can"});
    Register r;
    r.w.show();
    QVERIFY(QTest::qWaitForWindowActive(&r.w));
    r.no->setFocus();
    r.no->clearEditText();
    QTest::keyClicks(r.no, "1");
    QCOMPARE(r.no->currentText(), "1"); // not completed to 10
    QCOMPARE(r.no->lineEdit()->palette().color(QPalette::Base), FocusColours::focusedColour(r.no));
    QTest::keyClicks(r.no, "\b5\r");
    QTRY_COMPARE(QApplication::focusWidget(), r.name);
    QTest::keyClicks(r.name, "Ali\r");
    QTRY_COMPARE(QApplication::focusWidget(), r.a1);
    QCOMPARE(r.w.mod() + r.a1->text(), "yeni");
    QVERIFY(m_messages.isEmpty());

    r.no->setEditText("11");
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

// Errors never end the program: each says what failed, and the same action works again
// once the file is back.
void TestForm2::databaseFailures() {
    addRows({"1|Ali|A1"});
    Register r;
    r.pick(r.no, 0);
    QVERIFY(QFile::rename(dbName, "elsewhere.db"));
    r.a1->setText("değişti");
    r.save->click();
    m_answers << true;
    r.del->click();
    r.pick(r.name, 0);
    QCOMPARE(m_messages.size(), 4); // save, the question, delete, pick
    for (int i : {0, 2, 3}) {
        QCOMPARE(m_messages.at(i).kind, Messages::Kind::Error);
        QVERIFY2(m_messages.at(i).text.contains(dbName), qPrintable(m_messages.at(i).text));
    }
    QVERIFY(r.picked());
    QCOMPARE(r.a1->text(), "değişti");

    QVERIFY(QFile::rename("elsewhere.db", dbName));
    r.save->click();
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows().first(), "1|Ali|değişti||");
}

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
