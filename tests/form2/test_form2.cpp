#include "gui/Form2.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "tests/common/testdb.h"
#include "tests/common/widgets.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

// Not the default name: the register must open the database the settings name.
QString dbName = "kayitlar.db";
const std::initializer_list<QAnyStringView> boxes = {"Combo1", "Combo2", "Text1", "Text2", "Text3"};

// Rows as "number|name|address 1|address 2|tax office", put straight into the table: old
// data may repeat numbers or hold texts where numbers belong, which the program refuses.
void addRows(const QStringList &list) {
    QStringList inserts;
    for (const QString &row : list)
        inserts << "INSERT INTO MUSTERI VALUES ('" +
                       (row + "||||").split('|').mid(0, 5).join("', '") + "')";
    testdb::sql(dbName, inserts);
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

struct Register {
    Workspace workspace; // the working folder the test made current
    Form2 w{workspace};
    QSignalSpy saved{&w, &Form2::customerSaved};
    QComboBox *number = field<QComboBox>(&w, "Combo1");
    QComboBox *name = field<QComboBox>(&w, "Combo2");
    QPushButton *del = field<QPushButton>(&w, "Command2");

    bool picked() const { return w.mode() == "eski" && del->isEnabled(); }
    // A new, empty customer.
    bool isReset() const {
        return w.mode() == "yeni" && !del->isEnabled() && texts(&w, boxes).mid(1) == QStringList(4);
    }
    void save(const QStringList &typed) {
        for (qsizetype i = 0; i < typed.size(); ++i)
            setText(&w, std::data(boxes)[i], typed[i]);
        click(&w, "Command1");
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
    void saves();
    void changeAndDelete();
    void keyboard();

private:
    QTemporaryDir m_dir;
    QStringList m_said; // every message's text
    QList<Messages::Kind> m_kinds;
    QList<bool> m_answers;
};

void TestForm2::initTestCase() {
    QDir::setCurrent(m_dir.path());
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_said << m.text;
        m_kinds << m.kind;
        return !m_answers.isEmpty() && m_answers.takeFirst();
    });
}

void TestForm2::init() {
    QFile::remove(dbName);
    dbName = testdb::newDatabase(u"kayitlar.db"_qs);
    ayarlar a = defaultSettings();
    a.veritabani_yolu = dbName;
    ayarlari_yaz(a);
    m_said.clear();
    m_kinds.clear();
    m_answers.clear();
}

// The proposal is the largest number plus one, never a number in use.
void TestForm2::opensWithListsAndProposal_data() {
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QString>("proposal");
    QTest::newRow("empty table") << QStringList{} << "1";
    QTest::newRow("6 deleted") << QStringList{"1", "2", "3", "4", "5", "7"} << "8";
    // Values only old or imported data can hold.
    QTest::newRow("text and fraction ignored") << QStringList{"4", "abc", "12a", "7.5"} << "5";
    QTest::newRow("largest possible stays")
        << QStringList{"3", "9223372036854775807"} << "9223372036854775807";
}

void TestForm2::opensWithListsAndProposal() {
    QFETCH(QStringList, numbers);
    if (!testdb::server().isEmpty() && numbers.contains(u"abc"_qs))
        QSKIP("the server's number column holds numbers only");
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
    QVERIFY(m_said.isEmpty());
}

// A new customer is saved as typed (an apostrophe is just a letter) and the register starts
// the next one. One under a number in use is refused: nothing written, the boxes kept.
void TestForm2::saves() {
    addRows({"3|Ali"});
    Register r;
    r.save({"4", "D'Arcy O'Neil", "Atatürk Cad. 5", "Çankaya/Ankara", "Çankaya 1234567890"});
    QVERIFY(m_said.isEmpty());
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows().last(), "4|D'Arcy O'Neil|Atatürk Cad. 5|Çankaya/Ankara|Çankaya 1234567890");
    QVERIFY(r.isReset());
    QCOMPARE(r.number->currentText(), "5");

    r.save({"3", "Veli"});
    QCOMPARE(m_said, QStringList{"Bu müşteri no zaten kayıtlı!"});
    QCOMPARE(rows().size(), 2);
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(r.name->currentText(), "Veli");

    // The checks come before any query: without the database a query ends in an error
    // message naming it, as the save that passes them shows; the boxes keep what was typed.
    if (!testdb::server().isEmpty())
        QSKIP("the rest takes the database file away");
    QVERIFY(QFile::remove(dbName));
    // Number, name, the one message; the name is checked first.
    for (const QStringList &c : QList<QStringList>{
             {"", "", "Müşteri adı girilmelidir!"},
             {"", "  ", "Müşteri no girilmelidir!"},
             {"1; DELETE FROM MUSTERI", "Ali", "Müşteri No geçersiz!"},
             {"1", "Ali", "Veritabanı bulunamadı: " + r.workspace.filePath(dbName)}}) {
        m_said.clear();
        r.save(c.mid(0, 2));
        QCOMPARE(m_said, QStringList{c[2]});
    }
    QCOMPARE(m_kinds.last(), Messages::Kind::Error);
    QCOMPARE(r.name->currentText(), "Ali");
    QCOMPARE(r.saved.count(), 1);
}

// A pick by number or by name loads the first row that has it; a change of that row saves
// both address lines, and the reset after it empties them. A number edited after the pick
// to one that has no row changes nothing anywhere. SİL asks first; it deletes the picked row
// and no invoice.
void TestForm2::changeAndDelete() {
    addRows({"1|Ali|A1|A2", "2|Veli|V1|V2|VD", "2|Veli|ikinci"});
    testdb::sql(dbName, {"INSERT INTO faturalar (faturano, musterino, adi_soyadi) "
                         "VALUES (100, '2', 'Veli')"});
    Register r;
    pick(r.name, 2);
    QVERIFY(r.picked());
    QCOMPARE(texts(&r.w, boxes).join('|'), "2|Veli|V1|V2|VD");
    r.save({"2", "Veli Can", "Yeni Cad.", "Yeni Kat"});
    QVERIFY(m_said.isEmpty());
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows(),
             QStringList({"1|Ali|A1|A2|", "2|Veli Can|Yeni Cad.|Yeni Kat|VD", "2|Veli|ikinci||"}));
    QVERIFY(r.isReset());

    pick(r.number, 0);
    r.save({"77", "Ali", "Başka"});
    QCOMPARE(m_said, QStringList{"Müşteri bulunamadı!"});
    QCOMPARE(rows().first(), "1|Ali|A1|A2|");
    QVERIFY(r.picked());
    QCOMPARE(r.saved.count(), 1);

    pick(r.number, 1);
    m_answers << false;
    r.del->click();
    QCOMPARE(m_said.last(), "Emin misiniz?");
    QCOMPARE(m_kinds.last(), Messages::Kind::Question);
    QCOMPARE(rows().size(), 3);
    QVERIFY(r.picked());

    m_answers << true;
    r.del->click();
    QCOMPARE(rows(), QStringList({"1|Ali|A1|A2|", "2|Veli|ikinci||"}));
    QCOMPARE(rows("SELECT faturano, musterino, adi_soyadi FROM faturalar"),
             QStringList{"100|2|Veli"});
    QVERIFY(r.isReset());
    QCOMPARE(items(r.name), QStringList({"Ali", "Veli"}));
}

// A typed number or name neither loads that customer nor completes to another entry, as Qt's
// editable lists would; Enter on KAYDET presses it. (The invoice window's test walks a whole
// Enter chain.)
void TestForm2::keyboard() {
    addRows({"5|Ali|adres", "10|Can"});
    Register r;
    r.w.show();
    QVERIFY(QTest::qWaitForWindowActive(&r.w));
    r.number->setFocus();
    r.number->clearEditText();
    QTest::keyClicks(r.number, "1");
    QCOMPARE(r.number->currentText(), "1"); // not completed to 10
    QTest::keyClicks(r.number, "\b5\r");
    QTest::keyClicks(r.name, "Ali\r");
    QCOMPARE(r.w.mode() + text(&r.w, "Text1"), "yeni");

    r.number->setEditText("11");
    field<QPushButton>(&r.w, "Command1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(rows().last(), "11|Ali|||");
    QVERIFY(m_said.isEmpty());
    // The number is proposed, so the next customer starts at the name.
    QTRY_COMPARE(QApplication::focusWidget(), r.name);
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
