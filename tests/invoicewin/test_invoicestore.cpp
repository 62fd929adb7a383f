#include "invoicefixture.h"

#include <memory>

class TestInvoiceStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fx = std::make_unique<InvoiceFixture>(); }
    void cleanup() { m_fx.reset(); }
    void saveNew_data();
    void saveNew();
    void storedNumberRefused();
    void replaceLoaded();
    void failedReplacement();
    void retrieval();
    void retrievalMissing();
    void retrievalNullColumns();

private:
    std::unique_ptr<InvoiceFixture> m_fx;
};

namespace {

const char *const headerBoxes[] = {"Text11", "Text16", "Text2", "Text1", "Text4", "Text13"};

// A customer and header typed into the window.
void typeHeader(QWidget *form, const QString &number) {
    field(form, "Text12")->setText(number);
    field<QComboBox>(form, "Combo1")->setEditText(u"21"_qs);
    field<QComboBox>(form, "Combo2")->setEditText(u"Ömer Çelik"_qs);
    const QStringList values = {"Gül Sok. 3", "", "Ulus 77", "10.04.2024", "A-5", "09.04.2024"};
    int i = 0;
    for (const char *name : headerBoxes)
        field(form, name)->setText(values[i++]);
}

QStringList headerTexts(const QWidget *form) {
    QStringList t = {field<QComboBox>(form, "Combo1")->currentText(),
                     field<QComboBox>(form, "Combo2")->currentText()};
    for (const char *name : headerBoxes)
        t << text(form, name);
    return t;
}

QStringList descriptions(const QList<KayitliSatir> &rows) {
    QStringList d;
    for (const KayitliSatir &r : rows)
        d << r.aciklama.value_or(u"<NULL>"_qs);
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
    // A note without a quantity shows in the grid but is no line of the invoice.
    addLine(&form, u"Not: teslim edildi"_qs, {}, {}, {});
    click(&form, "Command3");

    const QList<KayitliSatir> rows = m_fx->rows(1);
    QCOMPARE(descriptions(rows), (QStringList{"Muayene", "Tahlil"}));
    QCOMPARE(*rows[0].miktar, 1.0);
    QCOMPARE(*rows[1].miktar, 2.5);
    QCOMPARE((QStringList{*rows[0].iskonto, *rows[1].iskonto, *rows[1].br_fiyat, *rows[1].tutar}),
             (QStringList{"", "10", "4", "10,00"}));
    for (const KayitliSatir &r : rows) {
        QCOMPARE(*r.kdvdahil, 1);
        QCOMPARE((QStringList{*r.musterino, *r.adi_soyadi, *r.adresi, *r.adresi2, *r.vergidaire_no,
                              *r.fatura_tarihi, *r.irsaliye_no, *r.irsaliye_tarihi}),
                 (QStringList{"21", "Ömer Çelik", "Gül Sok. 3", "", "Ulus 77", "10.04.2024", "A-5",
                              "09.04.2024"}));
    }
    // One question, then the window closes whatever the answer.
    QCOMPARE(m_fx->messages.size(), 1);
    QVERIFY(m_fx->messages[0].kind == Messages::Kind::Question);
    QCOMPARE(m_fx->messages[0].text, u"Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"_qs);
    QCOMPARE(m_fx->messages[0].title, u"İşlem tamam"_qs);
    QVERIFY(!form.isVisible());

    // Yes prints the stored invoice once, with the figures the window showed.
    QCOMPARE(m_fx->printed.documents(), print ? 1 : 0);
    if (print) {
        const QStringList texts = m_fx->printedTexts();
        for (const char *expected : {" 1", "Ömer Çelik", "Ulus 77", "Muayene", "Tahlil", "10,00",
                                     "20,00", "1,00", "3,42", "22,42"})
            QVERIFY2(texts.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(texts.contains(u"Y. Yirmiİki YTLKırkİki Ykr"_qs));
    }
}

void TestInvoiceStore::storedNumberRefused() {
    m_fx->storeInvoice(5, {{1, u"Eski"_qs, {}, u"7"_qs, u"7,00"_qs}});
    Form3 form;
    form.show();
    typeHeader(&form, u"5"_qs);
    addLine(&form, u"Yeni"_qs, {}, u"1"_qs, u"3"_qs);
    click(&form, "Command3");
    QCOMPARE(m_fx->messageTexts(), QStringList{u"5 numaralı fatura zaten kayıtlı!"_qs});
    QCOMPARE(descriptions(m_fx->rows(5)), QStringList{u"Eski"_qs});
    QVERIFY(form.isVisible());
    QCOMPARE(line(&form, 0)[1], u"Yeni"_qs);
}

void TestInvoiceStore::replaceLoaded() {
    m_fx->storeInvoice(3, threeLines);
    m_fx->storeInvoice(4, {{1, u"Başka"_qs, {}, u"1"_qs, u"1,00"_qs}});
    Form3 form;
    form.show();
    form.faturabul(u"3"_qs);
    addLine(&form, u"Dört"_qs, {}, u"4"_qs, u"1"_qs);
    field(&form, "Text2")->setText(u"Yeni daire"_qs);
    click(&form, "Command3");
    const QList<KayitliSatir> rows = m_fx->rows(3);
    QCOMPARE(descriptions(rows), (QStringList{"Bir", "İki", "Üç", "Dört"}));
    QCOMPARE(*rows[1].iskonto, u"10"_qs);
    QCOMPARE(*rows[1].miktar, 2.0);
    // The header comes from the boxes at the moment of saving.
    for (const KayitliSatir &r : rows)
        QCOMPARE(*r.vergidaire_no, u"Yeni daire"_qs);
    QCOMPARE(descriptions(m_fx->rows(4)), QStringList{u"Başka"_qs});
    QVERIFY(!field(&form, "Text12")->isEnabled());
    QVERIFY(!form.isVisible());
}

void TestInvoiceStore::failedReplacement() {
    m_fx->storeInvoice(3, threeLines);
    // The engine refuses the new line after the old rows were deleted.
    m_fx->execute(u"CREATE TRIGGER bozuk BEFORE INSERT ON faturalar WHEN NEW.aciklama = 'Bozuk' "
                  "BEGIN SELECT RAISE(ABORT, 'satir reddedildi'); END"_qs);
    Form3 form;
    form.show();
    form.faturabul(u"3"_qs);
    addLine(&form, u"Bozuk"_qs, {}, u"1"_qs, u"1"_qs);
    click(&form, "Command3");
    QCOMPARE(descriptions(m_fx->rows(3)), (QStringList{"Bir", "İki", "Üç"}));
    QCOMPARE(m_fx->messages.size(), 1);
    QVERIFY(m_fx->messages[0].kind == Messages::Kind::Error);
    QVERIFY(m_fx->messages[0].text.contains(u"satir reddedildi"_qs));
    QVERIFY(form.isVisible());
    QCOMPARE(gridRows(&form), 5);
}

void TestInvoiceStore::retrieval() {
    m_fx->storeInvoice(
        2, {{1, u"A"_qs, {}, u"10.00"_qs, u"10,00"_qs}, {2, u"B"_qs, {}, u"5.50"_qs, u"11,00"_qs}});
    m_fx->storeInvoice(9, threeLines, 1);
    Form3 form;
    form.show();
    addLine(&form, u"Önceki"_qs, {}, u"9"_qs, u"9"_qs);
    field(&form, "Text14")->setText(u"5"_qs);
    for (int pass = 0; pass < 2; ++pass) {
        form.faturabul(u"2"_qs);
        QCOMPARE(gridRows(&form), 3);
        QCOMPARE(line(&form, 0), (QStringList{"1", "A", "", "10.00", "10,00"}));
        QCOMPARE(line(&form, 1), (QStringList{"2", "B", "", "5.50", "11,00"}));
        QCOMPARE(line(&form, 2), QStringList(5));
        QCOMPARE(texts(&form, {"Text5", "Text15", "Text7"}), (QStringList{"21,00", "0", "21,00"}));
    }
    QCOMPARE(form.state(), u"eski"_qs);
    QVERIFY(!field(&form, "Text12")->isEnabled());
    QCOMPARE(text(&form, "Text12"), u"2"_qs);
    QCOMPARE(headerTexts(&form), (QStringList{"3", "Kayıtlı Müşteri", "Kayıtlı adres", "Kat 2",
                                              "Konak 42", "05.03.2024", "İ-9", "04.03.2024"}));
    QCOMPARE(texts(&form, {"Text3", "Text14"}), (QStringList{"", "5"}));
    QTRY_VERIFY(field(&form, "Text3")->hasFocus());

    // VAT on top is reckoned with the rate the window shows; the discount comes back.
    field(&form, "Text8")->setText(u"10"_qs);
    form.faturabul(u"9"_qs);
    QCOMPARE(field<QComboBox>(&form, "Combo3")->currentText(), u"Hariç"_qs);
    QCOMPARE(texts(&form, {"Text5", "Text15", "Text6", "Text7"}),
             (QStringList{"24,00", "1,1", "2,29", "25,19"}));
}

void TestInvoiceStore::retrievalMissing() {
    Form3 form;
    form.show();
    typeHeader(&form, u"4"_qs);
    addLine(&form, u"Kalem"_qs, {}, u"1"_qs, u"1"_qs);
    const QStringList header = headerTexts(&form);
    form.faturabul(u"77"_qs);
    QCOMPARE(m_fx->messageTexts(), QStringList{u"Fatura bulunamadı !"_qs});
    QVERIFY(m_fx->messages[0].kind == Messages::Kind::Info);
    QCOMPARE(headerTexts(&form), header);
    QCOMPARE(text(&form, "Text12"), u"4"_qs);
    QVERIFY(field(&form, "Text12")->isEnabled());
    QCOMPARE(form.state(), u"yeni"_qs);
    // The old lines are gone, and their sums with them: the next line stands alone.
    QCOMPARE(gridRows(&form), 1);
    QCOMPARE(line(&form, 0), QStringList(5));
    addLine(&form, u"Tek"_qs, {}, u"2"_qs, u"3"_qs);
    QCOMPARE(text(&form, "Text5"), u"6,00"_qs);

    // A number that is no whole number is refused before the database is asked.
    form.faturabul(u"7 OR 1=1"_qs);
    QCOMPARE(m_fx->messageTexts().last(), u"Fatura No geçersiz!"_qs);
    QCOMPARE(gridRows(&form), 2);
}

void TestInvoiceStore::retrievalNullColumns() {
    m_fx->execute(u"INSERT INTO faturalar (faturano, miktar, aciklama, br_fiyat) "
                  "VALUES (6, 2, 'Eksik', '3.00')"_qs);
    Form3 form;
    form.show();
    typeHeader(&form, u"1"_qs);
    const QStringList header = headerTexts(&form);
    form.faturabul(u"6"_qs);
    QVERIFY(m_fx->messages.isEmpty());
    QCOMPARE(text(&form, "Text12"), u"6"_qs);
    QCOMPARE(headerTexts(&form), header);
    QCOMPARE(line(&form, 0), (QStringList{"2", "Eksik", "", "3.00", "6,00"}));
}

QTEST_MAIN(TestInvoiceStore)
#include "test_invoicestore.moc"
