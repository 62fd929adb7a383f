#include "gui/Form2.h"
#include "tests/common/windowfixture.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>

#include <memory>

namespace {

const std::initializer_list<QAnyStringView> boxes = {"Combo1", "Combo2", "Text1", "Text2", "Text3"};

// The register with its controls at hand (::boxes, as Form2 has a boxes() of its own).
struct Register : Form2 {
    using Form2::Form2;
    QSignalSpy saved{this, &Form2::customerSaved};
    QComboBox *number = field<QComboBox>(this, "Combo1");
    QComboBox *name = field<QComboBox>(this, "Combo2");
    QPushButton *del = field<QPushButton>(this, "Command2");

    bool picked() const { return mode() == "eski" && del->isEnabled(); }
    // A new, empty customer.
    bool isReset() const {
        return mode() == "yeni" && !del->isEnabled() &&
               texts(this, ::boxes).mid(1) == QStringList(4);
    }
    void save(const QStringList &typed) {
        for (qsizetype i = 0; i < typed.size(); ++i)
            setText(this, std::data(::boxes)[i], typed[i]);
        click(this, "Command1");
    }
};

} // namespace

// The customer register, on the database the settings name (not the default one).
class TestForm2 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fx = std::make_unique<WindowFixture>(); }
    void cleanup() { m_fx.reset(); }
    void opensWithListsAndProposal();
    void saves();
    void changeAndDelete();
    void keyboard();

private:
    // Rows as "number|name|address 1|address 2|tax office", put straight into the table: old
    // data may repeat numbers or hold texts where numbers belong, which the program refuses.
    void addRows(const QStringList &list) {
        QStringList inserts;
        for (const QString &row : list)
            inserts << "INSERT INTO MUSTERI VALUES ('" +
                           (row + "||||").split('|').mid(0, 5).join("', '") + "')";
        testdb::sql(m_fx->db, inserts);
    }
    // The rows of the table in the same form.
    QStringList rows() const { return m_fx->rows("SELECT * FROM MUSTERI ORDER BY rowid"); }

    std::unique_ptr<WindowFixture> m_fx;
};

// The lists in stored order; the proposal is the largest number plus one, never a number in
// use, whatever old or imported data holds.
void TestForm2::opensWithListsAndProposal() {
    const QList<std::pair<QStringList, QString>> cases = {
        {{}, "1"},
        {{"4", "abc", "12a", "7.5"}, "5"},                      // text and fraction ignored
        {{"3", "9223372036854775807"}, "9223372036854775807"}}; // the largest possible stays
    for (const auto &[numbers, proposal] : cases) {
        if (!testdb::server().isEmpty() && numbers.contains(u"abc"_qs))
            continue; // the server's number column holds numbers only
        QStringList names, added;
        for (const QString &n : numbers) {
            names << "Müşteri " + n;
            added << n + '|' + names.last();
        }
        testdb::sql(m_fx->db, {"DELETE FROM MUSTERI"});
        addRows(added);
        Register r(m_fx->workspace);
        QCOMPARE(items(r.number) + items(r.name) << r.number->currentText(),
                 numbers + names << proposal);
        QVERIFY(r.isReset());
    }
    QVERIFY(m_fx->messages.isEmpty());
}

// A new customer is saved as typed (an apostrophe is just a letter) and the register starts
// the next one, proposing the largest number plus one (not the count plus one). One under a
// number in use is refused: nothing written, the boxes kept.
void TestForm2::saves() {
    addRows({"3|Ali"});
    Register r(m_fx->workspace);
    r.save({"4", "D'Arcy O'Neil", "Atatürk Cad. 5", "Çankaya/Ankara", "Çankaya 1234567890"});
    QVERIFY(m_fx->messages.isEmpty());
    QCOMPARE(rows().last(), "4|D'Arcy O'Neil|Atatürk Cad. 5|Çankaya/Ankara|Çankaya 1234567890");
    QVERIFY(r.isReset());
    QCOMPARE(r.number->currentText(), "5");

    r.save({"3", "Veli"});
    QCOMPARE(m_fx->messageTexts(), QStringList{"Bu müşteri no zaten kayıtlı!"});
    QCOMPARE(rows().size(), 2);
    QCOMPARE(r.name->currentText(), "Veli");

    // The checks come before any query: without the database a query ends in an error
    // message naming it, as the save that passes them shows; the boxes keep what was typed.
    if (!testdb::server().isEmpty())
        QSKIP("the rest takes the database file away");
    QVERIFY(QFile::remove(m_fx->db));
    // Number, name, the one message; the name is checked first.
    for (const QStringList &c :
         QList<QStringList>{{"", "", "Müşteri adı girilmelidir!"},
                            {"", "  ", "Müşteri no girilmelidir!"},
                            {"1; DELETE FROM MUSTERI", "Ali", "Müşteri No geçersiz!"},
                            {"1", "Ali", "Veritabanı bulunamadı: " + m_fx->db}}) {
        m_fx->messages.clear();
        r.save(c.mid(0, 2));
        QCOMPARE(m_fx->messageTexts(), QStringList{c[2]});
    }
    QCOMPARE(r.name->currentText(), "Ali");
    QCOMPARE(r.saved.count(), 1); // the first save only
}

// A pick by number or by name loads the first row that has it; a change of that row saves
// both address lines, and the reset after it empties them. A number edited after the pick
// to one that has no row changes nothing anywhere. SİL asks first; it deletes the picked row
// and no invoice.
void TestForm2::changeAndDelete() {
    addRows({"1|Ali|A1|A2", "2|Veli|V1|V2|VD", "2|Veli|ikinci"});
    testdb::sql(m_fx->db, {"INSERT INTO faturalar (faturano, musterino, adi_soyadi) "
                           "VALUES (100, '2', 'Veli')"});
    Register r(m_fx->workspace);
    pick(r.name, 2);
    QVERIFY(r.picked());
    QCOMPARE(texts(&r, boxes).join('|'), "2|Veli|V1|V2|VD");
    r.save({"2", "Veli Can", "Yeni Cad.", "Yeni Kat"});
    QVERIFY(m_fx->messages.isEmpty());
    QCOMPARE(rows(),
             QStringList({"1|Ali|A1|A2|", "2|Veli Can|Yeni Cad.|Yeni Kat|VD", "2|Veli|ikinci||"}));
    QVERIFY(r.isReset());

    pick(r.number, 0);
    r.save({"77", "Ali", "Başka"});
    QCOMPARE(m_fx->messageTexts(), QStringList{"Müşteri bulunamadı!"});
    QCOMPARE(rows().first(), "1|Ali|A1|A2|");
    QVERIFY(r.picked());
    QCOMPARE(r.saved.count(), 1); // the change only

    pick(r.number, 1);
    r.del->click();
    QVERIFY(m_fx->messages.last().text == "Emin misiniz?" &&
            m_fx->messages.last().kind == Messages::Kind::Question);
    QVERIFY(rows().size() == 3 && r.picked());

    m_fx->answer = true;
    r.del->click();
    QCOMPARE(rows(), QStringList({"1|Ali|A1|A2|", "2|Veli|ikinci||"}));
    QCOMPARE(m_fx->rows("SELECT faturano, musterino, adi_soyadi FROM faturalar"),
             QStringList{"100|2|Veli"});
    QVERIFY(r.isReset());
    QCOMPARE(items(r.name), QStringList({"Ali", "Veli"}));
}

// A typed number or name neither loads that customer nor completes to another entry, as Qt's
// editable lists would; Enter on KAYDET presses it. (The invoice window's test walks a whole
// Enter chain.)
void TestForm2::keyboard() {
    addRows({"5|Ali|adres", "10|Can"});
    Register r(m_fx->workspace);
    r.show();
    QVERIFY(QTest::qWaitForWindowActive(&r));
    r.number->setFocus();
    r.number->clearEditText();
    QTest::keyClicks(r.number, "1");
    QCOMPARE(r.number->currentText(), "1"); // not completed to 10
    QTest::keyClicks(r.number, "\b5\r");
    QTest::keyClicks(r.name, "Ali\r");
    QCOMPARE(r.mode() + text(&r, "Text1"), "yeni");

    r.number->setEditText("11");
    field<QPushButton>(&r, "Command1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(rows().last(), "11|Ali|||");
    QVERIFY(m_fx->messages.isEmpty());
    // The number is proposed, so the next customer starts at the name.
    QTRY_COMPARE(QApplication::focusWidget(), r.name);
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
