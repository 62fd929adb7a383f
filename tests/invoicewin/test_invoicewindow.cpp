#include "invoicefixture.h"

#include "ui/fieldkeys.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>

#include <memory>

class TestInvoiceWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fx = std::make_unique<InvoiceFixture>(); }
    void cleanup() { m_fx.reset(); }
    void load_data();
    void load();
    void workedExample_data();
    void workedExample();
    void typedNumbers();
    void refusedInput_data();
    void refusedInput();
    void enterChain();
    void saveChecks();
    void newInvoice();
    void vatSpinner();
    void customerPick();
    void customerListsRefresh();
    void invoiceList();

private:
    std::unique_ptr<InvoiceFixture> m_fx;
};

void TestInvoiceWindow::load_data() {
    QTest::addColumn<QList<qint64>>("stored");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QString>("number");
    QTest::newRow("none") << QList<qint64>{} << QStringList{} << u"1"_qs;
    QTest::newRow("1 2 7") << QList<qint64>{7, 1, 2} << QStringList{"1", "2", "7"} << u"8"_qs;
}

void TestInvoiceWindow::load() {
    QFETCH(QList<qint64>, stored);
    for (qint64 n : stored)
        m_fx->storeInvoice(n, {{1, u"x"_qs, {}, u"1"_qs, u"1,00"_qs}});
    Form3 form;
    form.show();
    QTEST(text(&form, "Text12"), "number");
    auto *list = field<QListWidget>(&form, "List1");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    QTEST(entries, "list");
    QVERIFY(!list->isVisible());
    const QString today = QDate::currentDate().toString(u"dd.MM.yyyy"_qs);
    QCOMPARE(texts(&form, {"Text8", "Text1", "Text13"}), (QStringList{"18", today, today}));
    auto *mode = field<QComboBox>(&form, "Combo3");
    QCOMPARE(mode->count(), 2);
    QCOMPARE(mode->currentText(), u"Dahil"_qs);
    QCOMPARE(mode->itemText(1), u"Hariç"_qs);
    QCOMPARE(form.state(), u"yeni"_qs);
    QTRY_VERIFY(field(&form, "Text12")->hasFocus());

    // Five centred headers, each as wide as its printed column at this screen's resolution
    // (never narrower than its header), and one empty row.
    auto *grid = field<QTableWidget>(&form, "MSFlexGrid1");
    const QStringList headers = {"MİKTAR", "AÇIKLAMA", "İSK.%", "BİRİM FİYAT", "TUTAR"};
    const int twips[] = {1500, 3500, 500, 2500, 2960};
    for (int c = 0; c < 5; ++c) {
        QCOMPARE(grid->horizontalHeaderItem(c)->text(), headers[c]);
        QCOMPARE(grid->horizontalHeaderItem(c)->textAlignment(), int(Qt::AlignCenter));
        const int width = qRound(twips[c] * grid->logicalDpiX() / 1440.0);
        QCOMPARE(grid->columnWidth(c),
                 std::max(width, grid->horizontalHeader()->sectionSizeHint(c)));
    }
    QCOMPARE(grid->rowCount(), 1);
}

void TestInvoiceWindow::workedExample_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("first");  // subtotal, discounts, VAT field, grand total
    QTest::addColumn<QStringList>("second"); // the same after the second line
    QTest::addColumn<QString>("words");
    QTest::newRow("Hariç") << 1 << QStringList{"10,00", "0", "1,80", "11,80"}
                           << QStringList{"2.511,00", "250,1", "406,96", "2.667,86"}
                           << u"İkiBinAltıYüzAltmışYedi YTLSeksenAltı Ykr"_qs;
    QTest::newRow("Dahil") << 0 << QStringList{"10,00", "0", "Dahil", "10,00"}
                           << QStringList{"2.511,00", "250,1", "Dahil", "2.260,90"}
                           << u"İkiBinİkiYüzAltmış YTLDoksan Ykr"_qs;
}

void TestInvoiceWindow::workedExample() {
    QFETCH(int, mode);
    Form3 form;
    form.show();
    field<QComboBox>(&form, "Combo3")->setCurrentIndex(mode);
    addLine(&form, u"Muayene"_qs, {}, u"1"_qs, u"10,00"_qs);
    QTEST(texts(&form, {"Text5", "Text15", "Text6", "Text7"}), "first");
    addLine(&form, u"Tahlil"_qs, u"10"_qs, u"2"_qs, u"1250,50"_qs);
    QTEST(texts(&form, {"Text5", "Text15", "Text6", "Text7"}), "second");
    QTEST(field<QLabel>(&form, "Label4")->text(), "words");
    QCOMPARE(line(&form, 0), (QStringList{"1", "Muayene", "", "10.00", "10,00"}));
    QCOMPARE(line(&form, 1), (QStringList{"2", "Tahlil", "10", "1250.50", "2.501,00"}));
    QCOMPARE(line(&form, 2), QStringList(5));
    QCOMPARE(gridRows(&form), 3);
    // The line entry is emptied, ready for the next line.
    QCOMPARE(texts(&form, {"Text3", "Text14", "Text9", "Text10"}), QStringList(4));
    // The words follow any change of the grand total and empty with it.
    field(&form, "Text7")->setText(u"1.234,56"_qs);
    QCOMPARE(field<QLabel>(&form, "Label4")->text(), u"BinİkiYüzOtuzDört YTLElliAltı Ykr"_qs);
    field(&form, "Text7")->clear();
    QCOMPARE(field<QLabel>(&form, "Label4")->text(), QString());
}

void TestInvoiceWindow::typedNumbers() {
    Form3 form;
    form.show();
    field<QComboBox>(&form, "Combo3")->setCurrentIndex(1);
    // Two and a half counts as two and a half; a grouped price is the price meant.
    addLine(&form, u"A"_qs, {}, u"2,5"_qs, u"10,00"_qs);
    addLine(&form, u"B"_qs, {}, u"1"_qs, u"1.250,50"_qs);
    QCOMPARE(line(&form, 0), (QStringList{"2,5", "A", "", "10.00", "25,00"}));
    QCOMPARE(line(&form, 1), (QStringList{"1", "B", "", "1250.50", "1.250,50"}));
    // A returned item: the sign holds for the kuruş too.
    addLine(&form, u"İade"_qs, {}, u"-1"_qs, u"1.288,00"_qs);
    QCOMPARE(texts(&form, {"Text5", "Text6", "Text7"}), (QStringList{"-12,50", "-2,25", "-14,75"}));
    // All four fields empty still adds a line, worth nothing.
    addLine(&form, {}, {}, {}, {});
    QCOMPARE(line(&form, 3), (QStringList{"", "", "", "", "0,00"}));
    QCOMPARE(gridRows(&form), 5);
    QVERIFY(m_fx->messages.isEmpty());
}

void TestInvoiceWindow::refusedInput_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("named");
    QTest::newRow("quantity") << u"Text9"_qs << u"iki"_qs << u"Miktar"_qs;
    QTest::newRow("price") << u"Text10"_qs << u"10 TL"_qs << u"Birim fiyat"_qs;
    QTest::newRow("discount") << u"Text14"_qs << u"%5"_qs << u"İskonto"_qs;
    QTest::newRow("VAT rate") << u"Text8"_qs << u"on sekiz"_qs << u"KDV"_qs;
}

void TestInvoiceWindow::refusedInput() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, named);
    Form3 form;
    form.show();
    field<QComboBox>(&form, "Combo3")->setCurrentIndex(1);
    addLine(&form, u"İlk"_qs, {}, u"1"_qs, u"5"_qs);
    field(&form, "Text3")->setText(u"İkinci"_qs);
    field(&form, qPrintable(box))->setText(typed);
    click(&form, "Command2");
    QCOMPARE(m_fx->messages.size(), 1);
    QVERIFY(m_fx->messages[0].kind == Messages::Kind::Info);
    QVERIFY2(m_fx->messages[0].text.contains(named), qPrintable(m_fx->messages[0].text));
    // Nothing added, nothing recomputed, nothing the user typed lost.
    QCOMPARE(gridRows(&form), 2);
    QCOMPARE(texts(&form, {"Text5", "Text7", "Text3"}), (QStringList{"5,00", "5,90", "İkinci"}));
    QCOMPARE(text(&form, qPrintable(box)), typed);
}

void TestInvoiceWindow::enterChain() {
    Form3 form;
    form.show();
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
        if (order[i] == u"Combo3"_qs) { // its face, not a text area, shows the focus
            auto *mode = field<QComboBox>(&form, "Combo3");
            QVERIFY(mode->palette().color(QPalette::Button) !=
                    QApplication::palette(mode).color(QPalette::Button));
        }
    }
    QCOMPARE(first->palette().color(QPalette::Base), FocusColours::normalColour(first));
    field(&form, "Text9")->setText(u"3"_qs);
    field(&form, "Text10")->setText(u"2,50"_qs);
    QTest::keyClick(field<QPushButton>(&form, "Command2"), Qt::Key_Return);
    QCOMPARE(line(&form, 0), (QStringList{"3", "", "5", "2.50", "7,50"}));
    QTRY_COMPARE(focused(), u"Text3"_qs);

    // Tab takes the same way.
    QWidget *w = first;
    for (int i = 1; i < order.size(); ++i) {
        do
            w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || qobject_cast<QComboBox *>(w->parentWidget()));
        QCOMPARE(w->objectName(), order[i]);
    }
}

void TestInvoiceWindow::saveChecks() {
    Form3 form;
    form.show();
    field(&form, "Text12")->setText(u"  "_qs);
    click(&form, "Command3");
    field(&form, "Text12")->setText(u"4"_qs);
    click(&form, "Command3");
    field<QComboBox>(&form, "Combo1")->setEditText(u"3"_qs);
    click(&form, "Command3");
    field<QComboBox>(&form, "Combo2")->setEditText(u"Ali"_qs);
    field(&form, "Text12")->setText(u"4a"_qs);
    click(&form, "Command3");
    QCOMPARE(m_fx->messageTexts(), (QStringList{"Fatura No giriniz!", "Müşteri No giriniz!",
                                                "Müşteri adı giriniz!", "Fatura No geçersiz!"}));
    for (const Messages::Message &m : std::as_const(m_fx->messages))
        QVERIFY(m.kind == Messages::Kind::Info && m.title == u"Fatura"_qs);
    QVERIFY(form.isVisible());
    QVERIFY(m_fx->rows(4).isEmpty());
}

void TestInvoiceWindow::newInvoice() {
    m_fx->storeInvoice(6, {{1, u"x"_qs, {}, u"1"_qs, u"1,00"_qs}});
    Form3 form;
    form.show();
    field<QComboBox>(&form, "Combo3")->setCurrentIndex(1);
    field(&form, "Text11")->setText(u"Adres"_qs);
    addLine(&form, u"A"_qs, {}, u"1"_qs, u"100"_qs);
    addLine(&form, u"B"_qs, {}, u"2"_qs, u"50"_qs);
    field(&form, "Text14")->setText(u"5"_qs);
    field(&form, "Text12")->setEnabled(false);

    click(&form, "Command1");
    QVERIFY(field(&form, "Text12")->isEnabled());
    QCOMPARE(text(&form, "Text12"), u"7"_qs);
    QCOMPARE(gridRows(&form), 1);
    QCOMPARE(line(&form, 0), QStringList(5));
    QCOMPARE(texts(&form, {"Text5", "Text6", "Text7", "Text15", "Text11"}), QStringList(5));
    QVERIFY(field<QLabel>(&form, "Label4")->text().isEmpty());
    QCOMPARE(field<QComboBox>(&form, "Combo3")->currentIndex(), 0);
    QCOMPARE(texts(&form, {"Text3", "Text9", "Text10", "Text14"}),
             (QStringList{"Muayene Bedeli", "1", "10,00", "5"}));

    // The running sums start again: the first line of the new invoice is all there is.
    field(&form, "Text14")->clear();
    click(&form, "Command2");
    QCOMPARE(line(&form, 0), (QStringList{"1", "Muayene Bedeli", "", "10.00", "10,00"}));
    QCOMPARE(texts(&form, {"Text5", "Text7"}), (QStringList{"10,00", "10,00"}));
}

void TestInvoiceWindow::vatSpinner() {
    Form3 form;
    form.show();
    field<QComboBox>(&form, "Combo3")->setCurrentIndex(1);
    addLine(&form, u"A"_qs, {}, u"1"_qs, u"100"_qs);
    auto *arrows = field<QAbstractSpinBox>(&form, "UpDown1");
    arrows->stepUp();
    QCOMPARE(text(&form, "Text8"), u"19"_qs);
    arrows->stepDown();
    arrows->stepDown();
    // Nothing is recomputed until the next line.
    QCOMPARE(texts(&form, {"Text8", "Text6", "Text7"}), (QStringList{"17", "18,00", "118,00"}));
    addLine(&form, {}, {}, {}, {});
    QCOMPARE(text(&form, "Text6"), u"17,00"_qs);
    // A rate that is no number is left for the user to mend.
    field(&form, "Text8")->setText(u"yok"_qs);
    arrows->stepUp();
    QCOMPARE(text(&form, "Text8"), u"yok"_qs);
}

void TestInvoiceWindow::customerPick() {
    m_fx->addCustomer(12, u"Ali Veli"_qs, u"Cumhuriyet Cad. 1"_qs, u"Daire 3"_qs, u"Konak 1"_qs);
    m_fx->addCustomer(5, u"Ayşe'nin Dükkânı"_qs, u"Liman Sok."_qs, {}, u"Bornova 2"_qs);
    m_fx->addCustomer(8, u"Silinecek"_qs, u"Yok"_qs);
    Form3 form;
    form.show();
    auto *number = field<QComboBox>(&form, "Combo1");
    auto *name = field<QComboBox>(&form, "Combo2");
    QCOMPARE(number->count(), 3);
    QCOMPARE(name->itemText(1), u"Ayşe'nin Dükkânı"_qs);
    QVERIFY(number->currentText().isEmpty());

    choose(number, u"12"_qs);
    QCOMPARE(name->currentText(), u"Ali Veli"_qs);
    QCOMPARE(texts(&form, {"Text11", "Text16", "Text2"}),
             (QStringList{"Cumhuriyet Cad. 1", "Daire 3", "Konak 1"}));
    choose(name, u"Ayşe'nin Dükkânı"_qs);
    QCOMPARE(number->currentText(), u"5"_qs);
    QCOMPARE(texts(&form, {"Text11", "Text16", "Text2"}),
             (QStringList{"Liman Sok.", "", "Bornova 2"}));

    // A customer removed since the lists were filled is found by neither: nothing changes.
    {
        Veritabani db(m_fx->database(), Veritabani::Erisim::Yazma);
        musteriSil(db, 8);
    }
    choose(number, u"8"_qs);
    QCOMPARE(name->currentText(), u"Ayşe'nin Dükkânı"_qs);
    choose(name, u"Silinecek"_qs);
    QCOMPARE(number->currentText(), u"8"_qs);
    QCOMPARE(texts(&form, {"Text11", "Text16", "Text2"}),
             (QStringList{"Liman Sok.", "", "Bornova 2"}));
    QVERIFY(m_fx->messages.isEmpty());

    // A row without a number lists as an empty entry; picking it asks nothing of the database.
    m_fx->execute(u"INSERT INTO MUSTERI (sirano, adi_soyadi) VALUES (NULL, 'Numarasız')"_qs);
    form.musteriListeleriniYenile();
    choose(number, QString());
    QCOMPARE(m_fx->messageTexts(), QStringList{u"Müşteri No geçersiz!"_qs});
    QCOMPARE(name->currentText(), u"Silinecek"_qs);
}

void TestInvoiceWindow::customerListsRefresh() {
    m_fx->addCustomer(1, u"Bir"_qs);
    Form3 form;
    form.show();
    field<QComboBox>(&form, "Combo1")->setEditText(u"1"_qs);
    field(&form, "Text1")->setText(u"01.01.2024"_qs);
    addLine(&form, u"A"_qs, {}, u"1"_qs, u"100"_qs);
    m_fx->addCustomer(2, u"İki"_qs);

    form.musteriListeleriniYenile();
    QCOMPARE(field<QComboBox>(&form, "Combo1")->count(), 2);
    QCOMPARE(field<QComboBox>(&form, "Combo2")->itemText(1), u"İki"_qs);
    QCOMPARE(field<QComboBox>(&form, "Combo1")->currentText(), u"1"_qs);
    QCOMPARE(texts(&form, {"Text1", "Text5"}), (QStringList{"01.01.2024", "100,00"}));
    // The running subtotal was kept, so the next line adds to it.
    addLine(&form, u"B"_qs, {}, u"1"_qs, u"50"_qs);
    QCOMPARE(text(&form, "Text5"), u"150,00"_qs);
}

void TestInvoiceWindow::invoiceList() {
    m_fx->storeInvoice(3, {{2, u"Kayıtlı"_qs, {}, u"4.00"_qs, u"8,00"_qs}});
    Form3 form;
    form.show();
    QSignalSpy newCustomer(&form, &Form3::yeniMusteriIstendi);
    click(&form, "Command4");
    QCOMPARE(newCustomer.size(), 1);

    auto *list = field<QListWidget>(&form, "List1");
    click(&form, "Command5");
    QVERIFY(list->isVisible());
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!list->isVisible());
    click(&form, "Command5");
    // Hidden as the right button goes down.
    QTest::mousePress(list->viewport(), Qt::RightButton);
    QVERIFY(!list->isVisible());
    QTest::mouseRelease(list->viewport(), Qt::RightButton);

    click(&form, "Command5");
    // A double click is a click followed by the second press.
    const QPoint entry = list->visualItemRect(list->item(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry);
    QVERIFY(!list->isVisible());
    QCOMPARE(form.state(), u"eski"_qs);
    QCOMPARE(line(&form, 0), (QStringList{"2", "Kayıtlı", "", "4.00", "8,00"}));
}

QTEST_MAIN(TestInvoiceWindow)
#include "test_invoicewindow.moc"
