#include "gui/Form2.h"
#include "tests/common/windowfixture.h"

#include "base/numbers.h"

#include <QApplication>
#include <QCompleter>
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
    void search();

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

// The numbers in their order, the names in the order of the Turkish alphabet; the proposal is
// the largest number plus one, never a number in use, whatever old or imported data holds.
void TestForm2::opensWithListsAndProposal() {
    const QList<std::pair<QStringList, QString>> cases = {
        {{}, "1"},
        {{"4", "abc", "12a", "7.5"}, "5"},                      // text and fraction ignored
        {{"3", "9223372036854775807"}, "9223372036854775807"}}; // the largest possible stays
    for (const auto &[numbers, proposal] : cases) {
        if (!testdb::server().isEmpty() && numbers.contains(u"abc"_qs))
            continue; // the server's number column holds numbers only
        QStringList added;
        QList<qint64> whole;
        for (const QString &n : numbers) {
            added << n + u"|Müşteri "_qs + n;
            if (wholeNumber(n))
                whole << *wholeNumber(n);
        }
        std::sort(whole.begin(), whole.end());
        QStringList listedNumbers;
        for (qint64 n : whole)
            listedNumbers << QString::number(n);
        testdb::sql(m_fx->db, {"DELETE FROM MUSTERI"});
        addRows(added);
        Register r(m_fx->workspace);
        QCOMPARE(items(r.number) << r.number->currentText(), listedNumbers << proposal);
        QCOMPARE(items(r.name).size(), numbers.size());
        QVERIFY(r.isReset());
    }
    // Names in Turkish order whatever their case: Ç after C, ı before i, Ö after O.
    testdb::sql(m_fx->db, {"DELETE FROM MUSTERI"});
    addRows({"1|Zeki", "2|özlem", "3|Çelik", "4|İnce", "5|Cengiz", "6|ışık", "7|Oya", "8|ali"});
    Register r(m_fx->workspace);
    QCOMPARE(items(r.name),
             (QStringList{"ali", "Cengiz", "Çelik", "ışık", "İnce", "Oya", "özlem", "Zeki"}));
    // Rows with room for the dots of Ö and İ above the letters.
    QVERIFY(r.name->view()->sizeHintForRow(6) >= r.name->fontMetrics().height() * 5 / 4);
    QVERIFY(m_fx->messages.isEmpty());
}

// A new customer is saved as typed (an apostrophe is just a letter) and the register starts
// the next one, proposing the largest number plus one (not the count plus one). One under a
// number in use is refused: nothing written, the boxes kept.
void TestForm2::saves() {
    addRows({"3|Ali"});
    Register r(m_fx->workspace);
    r.save({"4", "D'Arcy O'Neil", "Atatürk Cad. 5", "Çankaya/Ankara", "Çankaya 1234567890"});
    QCOMPARE(m_fx->messageTexts(), QStringList{"4 numaralı müşteri kaydedildi: D'Arcy O'Neil"});
    m_fx->messages.clear();
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

// A pick by number loads the first row that has it, a pick by name the very row; a change of
// that row saves
// both address lines, and the reset after it empties them. A number edited after the pick
// to one that has no row changes nothing anywhere. SİL asks first; it deletes the picked row
// and no invoice.
void TestForm2::changeAndDelete() {
    addRows({"1|Ali|A1|A2", "2|Veli|V1|V2|VD", "2|Veli|ikinci"});
    testdb::sql(m_fx->db, {"INSERT INTO faturalar (faturano, musterino, adi_soyadi) "
                           "VALUES (100, '2', 'Veli')"});
    Register r(m_fx->workspace);
    pick(r.name, 1);
    QVERIFY(r.picked());
    QCOMPARE(texts(&r, boxes).join('|'), "2|Veli|V1|V2|VD");
    r.save({"2", "Veli Can", "Yeni Cad.", "Yeni Kat"});
    QCOMPARE(m_fx->messageTexts(), QStringList{"2 numaralı müşteri kaydedildi: Veli Can"});
    m_fx->messages.clear();
    QCOMPARE(rows(),
             QStringList({"1|Ali|A1|A2|", "2|Veli Can|Yeni Cad.|Yeni Kat|VD", "2|Veli|ikinci||"}));
    QVERIFY(r.isReset());

    pick(r.number, 0);
    r.save({"77", "Ali", "Başka"});
    QCOMPARE(m_fx->messageTexts(),
             QStringList{"Müşteri bulunamadı! Bu numarayla kayıtlı müşteri yok; yeni müşteri için "
                         "önce Yeni düğmesine basınız."});
    QCOMPARE(rows().first(), "1|Ali|A1|A2|");
    QVERIFY(r.picked());
    QCOMPARE(r.saved.count(), 1); // the change only

    // "Yeni" after viewing a customer: a new one, saved as new.
    m_fx->messages.clear();
    click(&r, "Command3");
    QVERIFY(r.isReset());
    QCOMPARE(r.number->currentText(), u"3"_qs);
    r.save({"3", "Yeni Müşteri"});
    QCOMPARE(m_fx->messageTexts(), QStringList{"3 numaralı müşteri kaydedildi: Yeni Müşteri"});
    QCOMPARE(rows().last(), "3|Yeni Müşteri|||");

    // The delete question names the customer; Enter answers "Hayır".
    pick(r.number, 1);
    r.del->click();
    QCOMPARE(m_fx->messages.last().text,
             u"2 numaralı müşteri \"Veli Can\" silinsin mi?\nMüşterinin faturaları silinmez."_qs);
    QVERIFY(m_fx->messages.last().kind == Messages::Kind::Question &&
            !m_fx->messages.last().yesIsDefault);
    QVERIFY(rows().size() == 4 && r.picked());

    m_fx->answer = true;
    r.del->click();
    QCOMPARE(rows(), QStringList({"1|Ali|A1|A2|", "2|Veli|ikinci||", "3|Yeni Müşteri|||"}));
    QCOMPARE(m_fx->rows("SELECT faturano, musterino, adi_soyadi FROM faturalar"),
             QStringList{"100|2|Veli"});
    QVERIFY(r.isReset());
    QCOMPARE(items(r.name), QStringList({"Ali", "Veli", "Yeni Müşteri"}));
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
    QCOMPARE(m_fx->messageTexts(), QStringList{"11 numaralı müşteri kaydedildi: Ali"});
    // The number is proposed, so the next customer starts at the name.
    QTRY_COMPARE(QApplication::focusWidget(), r.name);
}

// Typing in the name box offers, under it, every customer whose name holds the text anywhere,
// whatever the case and the Turkish letters, in the order of the alphabet, each with its
// number; choosing one loads that one, even where two share a name. The number box offers the
// numbers that start with the digits. A customer another program added is found too.
void TestForm2::search() {
    addRows({"1|Ayşe Kaya", "2|IŞIK GIDA", "3|Hayri Öztürk", "4|ayşe", "5|Kaya Ltd.", "12|Ayşe",
             "120|Zeynep"});
    Register r(m_fx->workspace);
    r.show();
    QVERIFY(QTest::qWaitForWindowActive(&r));
    QCompleter *offers = r.name->findChild<QCompleter *>();
    const auto offered = [offers] {
        QStringList l;
        for (int i = 0; i < offers->completionModel()->rowCount(); ++i)
            l << offers->completionModel()->index(i, 0).data().toString();
        return l;
    };
    const auto type = [&r](const QString &t) {
        r.name->lineEdit()->setFocus();
        r.name->lineEdit()->setText(t);
        Q_EMIT r.name->lineEdit()->textEdited(t);
    };
    const std::pair<QString, QStringList> searches[] = {
        {u"ay"_qs,
         {"ayşe  (4)", "Ayşe  (12)", "Ayşe Kaya  (1)", "Hayri Öztürk  (3)", "Kaya Ltd.  (5)"}},
        {u"AYŞE"_qs, {"ayşe  (4)", "Ayşe  (12)", "Ayşe Kaya  (1)"}},
        {u"ozt"_qs, {"Hayri Öztürk  (3)"}},
        {u"ışık"_qs, {"IŞIK GIDA  (2)"}},
        {u"isik g"_qs, {"IŞIK GIDA  (2)"}},
        {u"e k"_qs, {"Ayşe Kaya  (1)"}},
        {u"q"_qs, {}}};
    for (const auto &[typed, found] : searches) {
        type(typed);
        QCOMPARE(offered(), found);
    }
    type(u"ayşe"_qs);
    QTRY_VERIFY(offers->popup()->isVisible());
    offers->popup()->setCurrentIndex(offers->completionModel()->index(1, 0));
    QTest::keyClick(offers->popup(), Qt::Key_Return);
    QCOMPARE(texts(&r, boxes).mid(0, 2), (QStringList{"12", "Ayşe"}));
    QVERIFY(r.picked());

    r.number->lineEdit()->setFocus();
    r.number->lineEdit()->clear();
    QTest::keyClicks(r.number->lineEdit(), u"12"_qs);
    QCompleter *numbers = r.number->findChild<QCompleter *>();
    QStringList listed;
    for (int i = 0; i < numbers->completionModel()->rowCount(); ++i)
        listed << numbers->completionModel()->index(i, 0).data().toString();
    QCOMPARE(listed, (QStringList{"12  Ayşe", "120  Zeynep"}));

    // Another program's customer: the list made anew finds it.
    addRows({"130|Ayşegül"});
    click(&r, "Command3");
    type(u"gül"_qs);
    QCOMPARE(offered(), QStringList{u"Ayşegül  (130)"_qs});
}

QTEST_MAIN(TestForm2)
#include "test_form2.moc"
