#include "base/yaziyacevir.h"
#include "gui/Form3.h"
#include "gui/fieldkeys.h"
#include "store/invoices.h"
#include "tests/common/printfixture.h"
#include "tests/common/windowfixture.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLabel>
#include <QListView>

#include <memory>

// The invoice window: its wiring, focus, messages, grid texts and states, saving and loading
// through the database. The figures themselves are checked at the model, in test_invoice.
class TestForm3 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fx = std::make_unique<WindowFixture>(); }
    void cleanup() { m_fx.reset(); }
    void load();
    void lines();
    void enterChain();
    void customerPick();
    void saving();
    void retrieval();
    void rateAndModeReachPaper();

private:
    void store(qint64 number, const QList<InvoiceLineRecord> &lines, int vatMode = VatIncluded) {
        Database d(m_fx->db, Database::Access::Write);
        insertInvoice(d,
                      {u"3"_qs, u"Kayıtlı Müşteri"_qs, u"Kayıtlı adres"_qs, u"Kat 2"_qs,
                       u"Konak 42"_qs, vatMode, u"05.03.2024"_qs, u"İ-9"_qs, u"04.03.2024"_qs,
                       number},
                      lines);
    }
    QList<StoredRow> rows(qint64 number) {
        Database d(m_fx->db);
        return invoiceRows(d, number);
    }
    // Each stored line as "quantity|description|discount"; a missing value is NULL.
    QStringList stored(qint64 number) {
        QStringList d;
        for (const StoredRow &r : rows(number))
            d << u"%1|%2|%3"_qs.arg(r.miktar ? QString::number(*r.miktar) : u"NULL"_qs,
                                    r.aciklama.value_or(u"NULL"_qs),
                                    r.iskonto.value_or(u"NULL"_qs));
        return d;
    }

    std::unique_ptr<WindowFixture> m_fx;
};

namespace {

// A customer and header typed into the window.
void typeHeader(QWidget *form, const QString &number) {
    const QStringList typed = {number, "21", "Ömer Çelik", "Gül Sok. 3", "Ulus 77", "A-5"};
    for (int i = 0; const char *box : {"Text12", "Combo1", "Combo2", "Text11", "Text2", "Text4"})
        setText(form, box, typed[i++]);
}

// The header boxes, the two customer lists first.
QStringList headerTexts(const QWidget *form) {
    return texts(form,
                 {"Combo1", "Combo2", "Text11", "Text16", "Text2", "Text1", "Text4", "Text13"});
}

const QList<InvoiceLineRecord> threeLines = {{1, u"Bir"_qs, {}, u"10.00"_qs, u"10,00"_qs},
                                             {2, u"İki"_qs, u"10"_qs, u"5.50"_qs, u"11,00"_qs},
                                             {3, u"Üç"_qs, {}, u"1"_qs, u"3,00"_qs}};

} // namespace

void TestForm3::load() {
    {
        Shown<Form3> form(m_fx->workspace);
        const QString today = QDate::currentDate().toString(u"dd.MM.yyyy"_qs);
        QCOMPARE(texts(&form, {"Text12", "Text8", "Text1", "Text13", "Combo3"}),
                 (QStringList{"1", "18", today, today, "Dahil"}));
        QVERIFY(form.state() == u"yeni" && grid(&form) == QList<QStringList>{emptyRow});
    }
    for (qint64 n : {7, 1, 2})
        store(n, {{double(n), u"Kayıtlı"_qs, {}, u"4.00"_qs, {}}});
    Shown<Form3> form(m_fx->workspace);
    // The next number is proposed; " Liste" shows the numbers, Esc and the right button hide
    // them, a double click loads.
    auto *list = field<QListView>(&form, "List1");
    QStringList proposed{text(&form, "Text12")};
    for (int i = 0; i < list->model()->rowCount(); ++i)
        proposed << list->model()->index(i, 0).data().toString();
    QCOMPARE(proposed, (QStringList{"8", "1", "2", "7"}));
    click(&form, "Command5");
    QVERIFY(list->isVisible());
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!list->isVisible());
    click(&form, "Command5");
    QTest::mousePress(list->viewport(), Qt::RightButton);
    QVERIFY(!list->isVisible());
    QTest::mouseRelease(list->viewport(), Qt::RightButton);
    click(&form, "Command5");
    // A double click is a click followed by the second press.
    const QPoint entry = list->visualRect(list->model()->index(2, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry);
    QVERIFY(!list->isVisible());
    QCOMPARE(grid(&form).first(), (QStringList{"7", "Kayıtlı", "", "4.00", "28,00"}));
}

void TestForm3::lines() {
    Shown<Form3> form(m_fx->workspace);
    // The worked example, VAT on top: the sums and the grid follow each line.
    field<QComboBox>(&form, "Combo3")->setCurrentIndex(VatExcluded);
    addLine(&form, u"Muayene"_qs, {}, u"1"_qs, u"10,00"_qs);
    addLine(&form, u"Tahlil"_qs, u"10"_qs, u"2"_qs, u"1250,50"_qs);
    QCOMPARE(texts(&form, {"Text5", "Text15", "Text6", "Text7"}),
             (QStringList{"2.511,00", "250,1", "406,96", "2.667,86"}));
    // The line entry is emptied, ready for the next line.
    QCOMPARE(texts(&form, {"Text3", "Text14", "Text9", "Text10"}), QStringList(4));
    // A refusal adds nothing and keeps what the user typed.
    field(&form, "Text3")->setText(u"İkinci"_qs);
    // The box, what is typed into it, the name the message gives it and the grand total then.
    for (const QStringList &c : QList<QStringList>{
             {"Text8", "on sekiz", "KDV", ""}, {"Text10", "10 TL", "Birim fiyat", "2.667,86"}}) {
        setText(&form, c[0], c[1]);
        click(&form, "Command2");
        QVERIFY2(m_fx->messages.size() == 1 && m_fx->messages.takeFirst().text.contains(c[2]),
                 qPrintable(c[2]));
        // Nothing added, nothing the user typed lost. A rate that is no number shows no
        // grand total rather than a wrong one.
        QCOMPARE(grid(&form).size(), 3);
        QCOMPARE(texts(&form, {"Text5", "Text7", "Text3", c[0]}),
                 (QStringList{"2.511,00", c[3], "İkinci", c[1]}));
        setText(&form, "Text8", u"18"_qs);
    }
    // The quantity shows as typed, the price with "." before the decimals and no thousands
    // marks; all four fields empty still add a line, worth nothing.
    addLine(&form, u"İade"_qs, {}, u"-2,5"_qs, u"1.250,50"_qs);
    addLine(&form, {}, {}, {}, {});
    QCOMPARE(grid(&form), (QList<QStringList>{{"1", "Muayene", "", "10.00", "10,00"},
                                              {"2", "Tahlil", "10", "1250.50", "2.501,00"},
                                              {"-2,5", "İade", "", "1250.50", "-3.126,25"},
                                              {"", "", "", "", "0,00"},
                                              emptyRow}));
    QVERIFY(m_fx->messages.isEmpty());
}

void TestForm3::enterChain() {
    Shown<Form3> form(m_fx->workspace);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const QStringList order = {"Text12", "Combo1", "Combo2", "Text11", "Text16",
                               "Text2",  "Text1",  "Text13", "Text4",  "Combo3",
                               "Text3",  "Text14", "Text9",  "Text10", "Command2"};
    const auto focused = [] {
        QWidget *w = QApplication::focusWidget();
        if (w && qobject_cast<QComboBox *>(w->parentWidget()))
            w = w->parentWidget();
        return w ? w->objectName() : QString();
    };
    QLineEdit *first = field(&form, "Text12");
    QTRY_COMPARE(focused(), order[0]);
    QCOMPARE(first->palette().color(QPalette::Base), FocusColours::focusedColour(first));
    for (int i = 1; i < order.size(); ++i) {
        if (order[i] == u"Text9"_qs)
            QTest::keyClicks(QApplication::focusWidget(), u"5"_qs); // the discount
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(focused(), order[i]);
    }
    QCOMPARE(first->palette().color(QPalette::Base), FocusColours::normalColour(first));
    field(&form, "Text9")->setText(u"3"_qs);
    field(&form, "Text10")->setText(u"2,50"_qs);
    QTest::keyClick(field<QPushButton>(&form, "Command2"), Qt::Key_Return);
    QCOMPARE(grid(&form).first(), (QStringList{"3", "", "5", "2.50", "7,50"}));
    QTRY_COMPARE(focused(), u"Text3"_qs);
}

void TestForm3::customerPick() {
    testdb::sql(m_fx->db, {u"INSERT INTO MUSTERI VALUES (12, 'Ali Veli', 'Cumhuriyet Cad. 1', "
                           "'Daire 3', 'Konak 1'), (5, 'Ayşe''nin Dükkânı', 'Liman Sok.', '', "
                           "'Bornova 2'), (8, 'Silinecek', 'Yok', '', '')"_qs});
    Shown<Form3> form(m_fx->workspace);
    const std::initializer_list<QAnyStringView> shownCustomer = {"Combo2", "Text11", "Text16",
                                                                 "Text2"};
    choose(field<QComboBox>(&form, "Combo1"), u"12"_qs);
    QCOMPARE(texts(&form, shownCustomer),
             (QStringList{"Ali Veli", "Cumhuriyet Cad. 1", "Daire 3", "Konak 1"}));
    choose(field<QComboBox>(&form, "Combo2"), u"Ayşe'nin Dükkânı"_qs);
    const QStringList picked = {"Ayşe'nin Dükkânı", "Liman Sok.", "", "Bornova 2"};
    QCOMPARE(texts(&form, {"Combo1"}) + texts(&form, shownCustomer), QStringList{u"5"_qs} + picked);

    // A customer removed since the lists were filled is found by neither: nothing changes.
    testdb::sql(m_fx->db, {u"DELETE FROM MUSTERI WHERE sirano = 8"_qs});
    choose(field<QComboBox>(&form, "Combo1"), u"8"_qs);
    QCOMPARE(texts(&form, shownCustomer), picked);
    QVERIFY(m_fx->messages.isEmpty());
}

void TestForm3::saving() {
    // Refused saves: a new invoice under a stored number, then a replacement whose first line the
    // engine refuses after the old rows were deleted. Each time the stored invoice stays as it was,
    // a message says why, and the window stays open with what the user typed, so a retry goes
    // through.
    store(3, threeLines);
    store(4, {{1, u"Başka"_qs, {}, u"1"_qs, {}}});
    testdb::sql(m_fx->db, {u"CREATE TRIGGER bozuk BEFORE INSERT ON faturalar WHEN NEW.aciklama "
                           "= 'Bir' BEGIN SELECT RAISE(ABORT, 'satir reddedildi'); END"_qs});
    const QStringList old = {"1|Bir|", "2|İki|10", "3|Üç|"};
    const QString question = u"Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"_qs;
    {
        Shown<Form3> form(m_fx->workspace);
        typeHeader(&form, u"3"_qs);
        addLine(&form, u"Yeni"_qs, {}, u"1"_qs, u"3"_qs);
        click(&form, "Command3");
        QCOMPARE(m_fx->messageTexts(), QStringList{u"3 numaralı fatura zaten kayıtlı!"_qs});
        QCOMPARE(stored(3), old);
        QVERIFY(form.isVisible());

        form.faturabul(u"3"_qs);
        addLine(&form, u"Dört"_qs, {}, u"4"_qs, u"1"_qs);
        click(&form, "Command3");
        QCOMPARE(stored(3), old);
        QVERIFY(m_fx->messages.size() == 2 && m_fx->messages[1].kind == Messages::Kind::Error);
        QVERIFY(m_fx->messages[1].text.contains(u"satir reddedildi"_qs) && form.isVisible());

        // The retry goes through, answered No: nothing printed, the window closes. The header
        // comes from the boxes at the moment of saving.
        testdb::sql(m_fx->db, {u"DROP TRIGGER bozuk"_qs});
        field(&form, "Text2")->setText(u"Yeni daire"_qs);
        click(&form, "Command3");
        QCOMPARE(stored(3), old + QStringList{u"4|Dört|"_qs});
        QCOMPARE(rows(3)[3].vergidaire_no, u"Yeni daire"_qs);
        QCOMPARE(stored(4), QStringList{u"1|Başka|"_qs});
        QCOMPARE(m_fx->messageTexts().mid(2), QStringList{question});
        QVERIFY(!form.isVisible());
        QCOMPARE(m_fx->printed.documents(), 0);
    }
    // A new invoice answered Yes. A note without a quantity shows in the grid but is no line
    // of the invoice.
    m_fx->answer = true;
    m_fx->messages.clear();
    Shown<Form3> form(m_fx->workspace);
    typeHeader(&form, u"1"_qs);
    field<QComboBox>(&form, "Combo3")->setCurrentIndex(VatExcluded);
    addLine(&form, u"Muayene"_qs, {}, u"1"_qs, u"10,00"_qs);
    addLine(&form, u"Tahlil"_qs, u"10"_qs, u"2,5"_qs, u"4"_qs);
    addLine(&form, u"Not: teslim edildi"_qs, {}, {}, {});
    click(&form, "Command3");
    QCOMPARE(stored(1), (QStringList{"1|Muayene|", "2.5|Tahlil|10"}));
    const StoredRow r = rows(1)[1];
    QCOMPARE((QStringList{*r.musterino, *r.adi_soyadi, *r.adresi, *r.adresi2, *r.vergidaire_no,
                          *r.fatura_tarihi, *r.irsaliye_no, *r.irsaliye_tarihi}),
             headerTexts(&form));
    QCOMPARE(r.kdvdahil, 1);
    QCOMPARE(m_fx->messageTexts(), QStringList{question});
    QVERIFY(!form.isVisible());
    // Yes prints the stored invoice once, with the grand total the window showed.
    QCOMPARE(m_fx->printed.documents(), 1);
    QCOMPARE(printedAt(m_fx->printed, m_fx->workspace.readSettings(23).yer_genel_toplam),
             text(&form, "Text7"));
}

void TestForm3::retrieval() {
    store(2, {{1, u"A"_qs, {}, u"10.00"_qs, {}}, {2, u"B"_qs, {}, u"5.50"_qs, {}}});
    store(9, threeLines, VatExcluded);
    Shown<Form3> form(m_fx->workspace);
    typeHeader(&form, u"4"_qs);
    addLine(&form, u"Önceki"_qs, {}, u"9"_qs, u"9"_qs);
    // A number that is not stored: the header boxes stay, the lines go and their sums with
    // them, so the next line stands alone.
    const QStringList typed = headerTexts(&form);
    form.faturabul(u"77"_qs);
    QCOMPARE(m_fx->messageTexts(), QStringList{u"Fatura bulunamadı !"_qs});
    QCOMPARE(headerTexts(&form) << text(&form, "Text12") << form.state(),
             typed + QStringList({"4", "yeni"}));
    QCOMPARE(grid(&form), QList<QStringList>{emptyRow});
    addLine(&form, u"Tek"_qs, {}, u"2"_qs, u"3"_qs);
    QCOMPARE(text(&form, "Text5"), u"6,00"_qs);

    // Loading twice shows the invoice once; the typed discount percent stays.
    field(&form, "Text14")->setText(u"5"_qs);
    form.faturabul(u"2"_qs);
    form.faturabul(u"2"_qs);
    QCOMPARE(grid(&form),
             (QList<QStringList>{
                 {"1", "A", "", "10.00", "10,00"}, {"2", "B", "", "5.50", "11,00"}, emptyRow}));
    QCOMPARE(texts(&form, {"Text5", "Text15", "Text7"}), (QStringList{"21,00", "0", "21,00"}));
    QVERIFY(form.state() == u"eski" && !field(&form, "Text12")->isEnabled());
    QCOMPARE(headerTexts(&form) << text(&form, "Text12") << text(&form, "Text14"),
             (QStringList{"3", "Kayıtlı Müşteri", "Kayıtlı adres", "Kat 2", "Konak 42",
                          "05.03.2024", "İ-9", "04.03.2024", "2", "5"}));

    // VAT on top is reckoned with the rate the window shows; the discount comes back.
    field(&form, "Text8")->setText(u"10"_qs);
    form.faturabul(u"9"_qs);
    QCOMPARE(field<QComboBox>(&form, "Combo3")->currentText(), u"Hariç"_qs);
    QCOMPARE(texts(&form, {"Text15", "Text6", "Text7"}), (QStringList{"1,1", "2,29", "25,19"}));

    // YENİ FATURA starts over: the next number, open to typing, the grid back to one empty
    // row, the sums and the header gone, the line entry prefilled; the discount stays.
    click(&form, "Command1");
    QVERIFY(field(&form, "Text12")->isEnabled());
    QCOMPARE(grid(&form), QList<QStringList>{emptyRow});
    QCOMPARE(texts(&form, {"Text12", "Text5", "Text6", "Text7", "Text15", "Text11", "Combo3",
                           "Text3", "Text9", "Text10", "Text14"}),
             (QStringList{"10", "", "", "", "", "", "Dahil", "Muayene Bedeli", "1", "10,00", "5"}));
    click(&form, "Command2");
    QCOMPARE(text(&form, "Text5"), u"10,00"_qs);
}

void TestForm3::rateAndModeReachPaper() {
    // A saved invoice, VAT on top at 18: subtotal 24,00, discount 1,1, VAT 4,12. Its rate or
    // mode changed in the window, the paper says what the window says.
    store(5, threeLines, VatExcluded);
    const ayarlar settings = m_fx->workspace.readSettings(23);
    const QList<std::pair<std::function<void(Form3 &)>, QStringList>> changes = {
        {[](Form3 &f) { field<QAbstractSpinBox>(&f, "UpDown1")->stepUp(); },
         {"19", "4,35", "27,25"}},
        {[](Form3 &f) { field(&f, "Text8")->setText(u"8,5"_qs); }, {"8,5", "1,95", "24,85"}},
        {[](Form3 &f) { field<QComboBox>(&f, "Combo3")->setCurrentIndex(VatIncluded); },
         {"18", "Dahil", "22,90"}},
    };
    for (const auto &[change, shown] : changes) {
        Form3 form(m_fx->workspace);
        form.show();
        form.faturabul(u"5"_qs);
        QCOMPARE(texts(&form, {"Text6", "Text7"}), (QStringList{"4,12", "27,02"}));
        change(form);
        QCOMPARE(texts(&form, {"Text8", "Text6", "Text7"}), shown);
        const QString words = field<QLabel>(&form, "Label4")->text();
        QCOMPARE(words, yaziyacevir(shown[2]));

        m_fx->printed = RecordingPrinter();
        form.yazdir();
        const RecordingPrinter &paper = m_fx->printed;
        QCOMPARE((QStringList{printedAt(paper, settings.yer_kdv_orani),
                              printedAt(paper, settings.yer_kdv_tutari),
                              printedAt(paper, settings.yer_genel_toplam),
                              printedAt(paper, settings.yer_yazi_ile)}),
                 shown + QStringList{u"Y. "_qs + words});
    }
}

QTEST_MAIN(TestForm3)
#include "test_form3.moc"
