#include "invoicefixture.h"

#include <QLabel>

#include <memory>

class TestInvoiceStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fx = std::make_unique<InvoiceFixture>(); }
    void cleanup() { m_fx.reset(); }
    void saveNew_data();
    void saveNew();
    void replacement();
    void retrieval();

private:
    std::unique_ptr<InvoiceFixture> m_fx;
};

namespace {

// A customer and header typed into the window.
void typeHeader(QWidget *form, const QString &number) {
    field(form, "Text12")->setText(number);
    field<QComboBox>(form, "Combo1")->setEditText(u"21"_qs);
    field<QComboBox>(form, "Combo2")->setEditText(u"Ömer Çelik"_qs);
    field(form, "Text11")->setText(u"Gül Sok. 3"_qs);
    field(form, "Text2")->setText(u"Ulus 77"_qs);
    field(form, "Text4")->setText(u"A-5"_qs);
}

// The header boxes, the two customer lists first.
QStringList headerTexts(const QWidget *form) {
    return QStringList{field<QComboBox>(form, "Combo1")->currentText(),
                       field<QComboBox>(form, "Combo2")->currentText()} +
           texts(form, {"Text11", "Text16", "Text2", "Text1", "Text4", "Text13"});
}

// Each stored line as "quantity|description|discount"; a missing value is NULL.
QStringList stored(const QList<KayitliSatir> &rows) {
    QStringList d;
    for (const KayitliSatir &r : rows)
        d << u"%1|%2|%3"_qs.arg(r.miktar ? QString::number(*r.miktar) : u"NULL"_qs,
                                r.aciklama.value_or(u"NULL"_qs), r.iskonto.value_or(u"NULL"_qs));
    return d;
}

const QList<FaturaKalemi> threeLines = {{1, u"Bir"_qs, {}, u"10.00"_qs, u"10,00"_qs},
                                        {2, u"İki"_qs, u"10"_qs, u"5.50"_qs, u"11,00"_qs},
                                        {3, u"Üç"_qs, {}, u"1"_qs, u"3,00"_qs}};

} // namespace

void TestInvoiceStore::saveNew_data() {
    QTest::addColumn<bool>("print");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

void TestInvoiceStore::saveNew() {
    QFETCH(bool, print);
    m_fx->answer = print;
    Form3 form;
    form.show();
    typeHeader(&form, u"1"_qs);
    field<QComboBox>(&form, "Combo3")->setCurrentIndex(1);
    addLine(&form, u"Muayene"_qs, {}, u"1"_qs, u"10,00"_qs);
    addLine(&form, u"Tahlil"_qs, u"10"_qs, u"2,5"_qs, u"4"_qs);
    addLine(&form, u"Film"_qs, {}, u"0.5"_qs, u"1"_qs);
    // A note without a quantity shows in the grid but is no line of the invoice.
    addLine(&form, u"Not: teslim edildi"_qs, {}, {}, {});
    click(&form, "Command3");

    const QList<KayitliSatir> rows = m_fx->rows(1);
    QCOMPARE(stored(rows), (QStringList{"1|Muayene|", "2.5|Tahlil|10", "0.5|Film|"}));
    const KayitliSatir &r = rows[1];
    QCOMPARE((QStringList{*r.musterino, *r.adi_soyadi, *r.adresi, *r.adresi2, *r.vergidaire_no,
                          *r.fatura_tarihi, *r.irsaliye_no, *r.irsaliye_tarihi}),
             headerTexts(&form));
    QCOMPARE(r.kdvdahil, 1);
    // One question, then the window closes whatever the answer.
    QCOMPARE(m_fx->messages.size(), 1);
    QCOMPARE(m_fx->messages[0].text, u"Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"_qs);
    QCOMPARE(m_fx->messages[0].title, u"İşlem tamam"_qs);
    QVERIFY(!form.isVisible());

    // Yes prints the stored invoice once, with the figures the window showed (the discount
    // lowers the VAT base: 3,51 and 23,01).
    QCOMPARE(m_fx->printed.documents(), print ? 1 : 0);
    if (print) {
        QStringList printed;
        for (const RecordingPrinter::Line &l : m_fx->printed.lines())
            printed << l.text;
        QCOMPARE(texts(&form, {"Text6", "Text7"}), (QStringList{"3,51", "23,01"}));
        for (const QString &shown :
             texts(&form, {"Text5", "Text6", "Text7"}) +
                 QStringList{u"Y. "_qs + field<QLabel>(&form, "Label4")->text()})
            QVERIFY2(printed.contains(shown), qPrintable(shown));
    }
}

void TestInvoiceStore::replacement() {
    // A new invoice under a stored number, then a replacement whose first line the engine
    // refuses after the old rows were deleted: each time the stored invoice stays as it was, a
    // message says why, and the window stays open with what the user typed, so a retry goes
    // through.
    m_fx->storeInvoice(3, threeLines);
    m_fx->storeInvoice(4, {{1, u"Başka"_qs, {}, u"1"_qs, {}}});
    testdb::sql(m_fx->db, {u"CREATE TRIGGER bozuk BEFORE INSERT ON faturalar WHEN NEW.aciklama "
                           "= 'Bir' BEGIN SELECT RAISE(ABORT, 'satir reddedildi'); END"_qs});
    const QStringList old = {"1|Bir|", "2|İki|10", "3|Üç|"};
    Form3 form;
    form.show();
    typeHeader(&form, u"3"_qs);
    addLine(&form, u"Yeni"_qs, {}, u"1"_qs, u"3"_qs);
    click(&form, "Command3");
    QCOMPARE(m_fx->messageTexts(), QStringList{u"3 numaralı fatura zaten kayıtlı!"_qs});
    QCOMPARE(stored(m_fx->rows(3)), old);
    QVERIFY(form.isVisible());

    form.faturabul(u"3"_qs);
    addLine(&form, u"Dört"_qs, {}, u"4"_qs, u"1"_qs);
    click(&form, "Command3");
    QCOMPARE(stored(m_fx->rows(3)), old);
    QCOMPARE(m_fx->messages.size(), 2);
    QVERIFY(m_fx->messages[1].kind == Messages::Kind::Error);
    QVERIFY(m_fx->messages[1].text.contains(u"satir reddedildi"_qs));
    QVERIFY(form.isVisible());

    testdb::sql(m_fx->db, {u"DROP TRIGGER bozuk"_qs});
    field(&form, "Text2")->setText(u"Yeni daire"_qs);
    click(&form, "Command3");
    const QList<KayitliSatir> rows = m_fx->rows(3);
    QCOMPARE(stored(rows), old + QStringList{u"4|Dört|"_qs});
    // The header comes from the boxes at the moment of saving.
    QCOMPARE(rows[3].vergidaire_no, u"Yeni daire"_qs);
    QCOMPARE(stored(m_fx->rows(4)), QStringList{u"1|Başka|"_qs});
    QVERIFY(!form.isVisible());
}

void TestInvoiceStore::retrieval() {
    m_fx->storeInvoice(2, {{1, u"A"_qs, {}, u"10.00"_qs, {}}, {2, u"B"_qs, {}, u"5.50"_qs, {}}});
    m_fx->storeInvoice(9, threeLines, 1);
    Form3 form;
    form.show();
    typeHeader(&form, u"4"_qs);
    addLine(&form, u"Önceki"_qs, {}, u"9"_qs, u"9"_qs);
    // A number that is not stored: the header boxes stay, the lines go and their sums with
    // them, so the next line stands alone.
    const QStringList typed = headerTexts(&form);
    form.faturabul(u"77"_qs);
    QCOMPARE(m_fx->messageTexts(), QStringList{u"Fatura bulunamadı !"_qs});
    QCOMPARE(headerTexts(&form), typed);
    QCOMPARE(text(&form, "Text12"), u"4"_qs);
    QCOMPARE(form.state(), u"yeni"_qs);
    QCOMPARE(grid(&form), QList<QStringList>{emptyRow});
    QCOMPARE(texts(&form, {"Text5", "Text15", "Text6", "Text7"}), QStringList(4));
    addLine(&form, u"Tek"_qs, {}, u"2"_qs, u"3"_qs);
    QCOMPARE(text(&form, "Text5"), u"6,00"_qs);
    // A number that is no whole number is refused before the database is asked.
    form.faturabul(u"7 OR 1=1"_qs);
    QCOMPARE(m_fx->messageTexts().last(), u"Fatura No geçersiz!"_qs);
    QCOMPARE(grid(&form).size(), 2);

    field(&form, "Text14")->setText(u"5"_qs);
    for (int pass = 0; pass < 2; ++pass) {
        form.faturabul(u"2"_qs);
        QCOMPARE(grid(&form),
                 (QList<QStringList>{
                     {"1", "A", "", "10.00", "10,00"}, {"2", "B", "", "5.50", "11,00"}, emptyRow}));
        QCOMPARE(texts(&form, {"Text5", "Text15", "Text7"}), (QStringList{"21,00", "0", "21,00"}));
    }
    QCOMPARE(form.state(), u"eski"_qs);
    QVERIFY(!field(&form, "Text12")->isEnabled());
    QCOMPARE(text(&form, "Text12"), u"2"_qs);
    QCOMPARE(headerTexts(&form), (QStringList{"3", "Kayıtlı Müşteri", "Kayıtlı adres", "Kat 2",
                                              "Konak 42", "05.03.2024", "İ-9", "04.03.2024"}));
    QCOMPARE(text(&form, "Text14"), u"5"_qs);

    // VAT on top is reckoned with the rate the window shows; the discount comes back.
    field(&form, "Text8")->setText(u"10"_qs);
    form.faturabul(u"9"_qs);
    QCOMPARE(field<QComboBox>(&form, "Combo3")->currentText(), u"Hariç"_qs);
    QCOMPARE(texts(&form, {"Text15", "Text6", "Text7"}), (QStringList{"1,1", "2,29", "25,19"}));

    // A row written by another program, most columns without a value: the boxes whose
    // columns are missing keep what they held.
    testdb::sql(m_fx->db, {u"INSERT INTO faturalar (faturano, miktar, aciklama, br_fiyat) "
                           "VALUES (6, 2, 'Eksik', '3.00')"_qs});
    const QStringList header = headerTexts(&form);
    form.faturabul(u"6"_qs);
    QCOMPARE(m_fx->messages.size(), 2);
    QCOMPARE(text(&form, "Text12"), u"6"_qs);
    QCOMPARE(headerTexts(&form), header);
    QCOMPARE(grid(&form).first(), (QStringList{"2", "Eksik", "", "3.00", "6,00"}));
}

QTEST_MAIN(TestInvoiceStore)
#include "test_invoicestore.moc"
