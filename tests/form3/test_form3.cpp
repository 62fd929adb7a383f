#include "base/yaziyacevir.h"
#include "gui/Form3.h"
#include "gui/fieldkeys.h"
#include "store/invoices.h"
#include "tests/common/printfixture.h"
#include "tests/common/windowfixture.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTableView>

#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The invoice window: its wiring, focus, messages, grid texts and states, saving and loading
// through the database. The figures themselves are checked at the model, in test_invoice.
class TestForm3 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fx = std::make_unique<WindowFixture>(); }
    void cleanup() { m_fx.reset(); }
    void enterChain();
    void loading();
    void saving();
    void savedElsewhereMeanwhile();
    void silentServer();
    void rateAndModeReachPaper();
    void mixedRatesKept();
    void totalsShowOnly();
    void unsavedWorkAsked();
    void correctAndRemoveLines();
    void keyboard();
    void messagesPointToTheirBox_data();
    void messagesPointToTheirBox();
    void fitsTheScreen();
    void invoiceList();

private:
    void store(qint64 number, const QList<InvoiceLineRecord> &lines, int vatMode = VatIncluded) {
        Database d(m_fx->db, Database::Access::Write);
        insertInvoice(d,
                      {u"3"_qs, u"Kayıtlı Müşteri"_qs, u"Kayıtlı adres"_qs, u"Kat 2"_qs,
                       u"Konak 42"_qs, vatMode, u"05.03.2024"_qs, u"İ-9"_qs, u"04.03.2024"_qs,
                       number},
                      lines);
    }

    std::unique_ptr<WindowFixture> m_fx;
};

namespace {

// The rows of the list of saved invoices, each as its cells.
QList<QStringList> listRows(const QTableView *list) {
    QList<QStringList> rows;
    for (int r = 0; r < list->model()->rowCount(); ++r) {
        rows << QStringList();
        for (int c = 0; c < list->model()->columnCount(); ++c)
            rows.last() << list->model()->index(r, c).data().toString();
    }
    return rows;
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

// Enter walks the boxes in their order to EKLE, the box with the focus tinted. (Enter on a
// button presses it: test_form2's keyboard.)
void TestForm3::enterChain() {
    Shown<Form3> form(m_fx->workspace);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const QStringList order = {"Text12", "Combo1", "Combo2", "Text11",  "Text16", "Text2",
                               "Text1",  "Text13", "Text4",  "Combo3",  "Combo6", "Text3",
                               "Text14", "Text9",  "Text10", "Command2"};
    const auto focused = [] {
        QWidget *w = QApplication::focusWidget();
        if (w && qobject_cast<QComboBox *>(w->parentWidget()))
            w = w->parentWidget();
        return w ? w->objectName() : QString();
    };
    QLineEdit *first = field(&form, "Text12");
    QTRY_COMPARE(focused(), order[0]);
    QCOMPARE(first->text(), u"1"_qs); // the number an empty database proposes
    QCOMPARE(first->palette().color(QPalette::Base), FocusColours::focusedColour(first));
    for (const QString &next : order.mid(1)) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(focused(), next);
    }
    QCOMPARE(first->palette().color(QPalette::Base), FocusColours::normalColour(first));
    // Enter passes over the unit and the line's own rate, which keep their defaults, but Tab
    // reaches them; a line at 0 % asks for its exemption before EKLE; a return for the
    // returned invoice.
    field(&form, "Text9")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(focused(), u"Combo4"_qs);
    QVERIFY(!field<QComboBox>(&form, "Combo5")->isEnabled());
    field(&form, "Text17")->setText(u"0"_qs);
    field(&form, "Text10")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(focused(), u"Combo5"_qs);
    field<QComboBox>(&form, "Combo6")->setCurrentIndex(1);
    QTest::keyClick(field<QComboBox>(&form, "Combo6"), Qt::Key_Return);
    QTRY_COMPARE(focused(), u"Text19"_qs);
}

// The next number is proposed and " Liste" shows the stored ones in order; Esc and the
// right button hide the list, a double click loads. A number that is not stored keeps the
// header boxes and drops the lines with their sums, so the next line stands alone. A load
// replaces what is shown, keeps the typed discount percent and reckons with the VAT rate the
// window shows. YENİ FATURA starts over.
void TestForm3::loading() {
    store(9, threeLines, VatExcluded);
    store(2, {{1, u"A"_qs, {}, u"10.00"_qs, {}}, {2, u"B"_qs, {}, u"5.50"_qs, {}}});
    Shown<Form3> form(m_fx->workspace);
    const QString today = QDate::currentDate().toString(u"dd.MM.yyyy"_qs);
    QCOMPARE(texts(&form, {"Text12", "Text8", "Text1", "Text13", "Combo3"}) << form.state(),
             (QStringList{"10", "18", today, today, "Dahil", "yeni"}));
    auto *list = field<QTableView>(&form, "List1");
    click(&form, "Command5");
    QVERIFY(list->isVisible());
    QCOMPARE(listRows(list), (QList<QStringList>{{"9", "05.03.2024", "Kayıtlı Müşteri", "27,02"},
                                                 {"2", "05.03.2024", "Kayıtlı Müşteri", "21,00"}}));
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!list->isVisible());
    click(&form, "Command5");
    QTest::mousePress(list->viewport(), Qt::RightButton);
    QVERIFY(!list->isVisible());
    QTest::mouseRelease(list->viewport(), Qt::RightButton);

    const QStringList header = {"4", "21", "Ömer Çelik", "Gül Sok. 3", "Ulus 77", "A-5"};
    for (int i = 0; const char *box : {"Text12", "Combo1", "Combo2", "Text11", "Text2", "Text4"})
        setText(&form, box, header[i++]);
    addLine(&form, u"Önceki"_qs, {}, u"9"_qs, u"9"_qs);
    const QStringList typed = headerTexts(&form);
    form.faturabul(u"77"_qs);
    QCOMPARE(m_fx->toldTexts(), QStringList{u"Fatura bulunamadı !"_qs});
    QCOMPARE(headerTexts(&form) << text(&form, "Text12") << form.state(),
             typed + QStringList({"4", "yeni"}));
    QCOMPARE(grid(&form), QList<QStringList>{emptyRow});
    // The line entry is emptied and focused for the next line; the quantity shows as typed,
    // the price with "." before the decimals and no thousands marks.
    addLine(&form, u"Tek"_qs, u"10"_qs, u"-2,5"_qs, u"1.250,50"_qs);
    QCOMPARE(grid(&form).first(), (QStringList{"-2,5", "Tek", "10", "1250.50", "-3.126,25"}));
    QCOMPARE(texts(&form, {"Text5", "Text3", "Text14", "Text9", "Text10"}),
             (QStringList{"-3.126,25", "", "", "", ""}));
    QCOMPARE(form.focusWidget(), field(&form, "Text3"));

    form.faturabul(u"2"_qs);
    setText(&form, "Text14", u"5"_qs);
    setText(&form, "Text8", u"10"_qs);
    // A line half typed before the load does not ride into the loaded invoice.
    for (const char *box : {"Text3", "Text9", "Text10"})
        setText(&form, box, u"yarım"_qs);
    field<QComboBox>(&form, "Combo1")->setFocus();
    click(&form, "Command5");
    // A double click is a click followed by the second press.
    const QPoint entry = list->visualRect(list->model()->index(0, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry);
    QVERIFY(!list->isVisible());
    QCOMPARE(grid(&form), (QList<QStringList>{{"1", "Bir", "", "10.00", "10,00"},
                                              {"2", "İki", "10", "5.50", "11,00"},
                                              {"3", "Üç", "", "1", "3,00"},
                                              emptyRow}));
    QCOMPARE(texts(&form, {"Combo3", "Text5", "Text15", "Text6", "Text7"}),
             (QStringList{"Hariç", "24,00", "1,1", "2,29", "25,19"}));
    QVERIFY(form.state() == u"eski" && !field(&form, "Text12")->isEnabled());
    QCOMPARE(headerTexts(&form) << text(&form, "Text12") << text(&form, "Text14"),
             (QStringList{"3", "Kayıtlı Müşteri", "Kayıtlı adres", "Kat 2", "Konak 42",
                          "05.03.2024", "İ-9", "04.03.2024", "9", "5"}));
    // Each box shows its text from the beginning.
    for (const char *box : {"Text11", "Text16", "Text2", "Text4"})
        QCOMPARE(field<QLineEdit>(&form, box)->cursorPosition(), 0);
    QCOMPARE(texts(&form, {"Text3", "Text9", "Text10"}), QStringList(3));
    QCOMPARE(form.focusWidget(), field(&form, "Text3"));

    // The next number, open to typing, the sums and the header gone, the line entry
    // prefilled; the discount stays.
    click(&form, "Command1");
    QVERIFY(field(&form, "Text12")->isEnabled() && grid(&form) == QList<QStringList>{emptyRow});
    QCOMPARE(texts(&form, {"Text12", "Text5", "Text6", "Text7", "Text15", "Text11", "Combo3",
                           "Text3", "Text9", "Text10", "Text14"}),
             (QStringList{"10", "", "", "", "", "", "Dahil", "Muayene Bedeli", "1", "10,00", "5"}));
    click(&form, "Command2");
    QCOMPARE(text(&form, "Text5"), u"10,00"_qs);
}

// A pick from either list shows that customer; one removed since the lists were filled is
// found by neither, and nothing changes. A loaded invoice is replaced, with the header and VAT
// mode the boxes show at the moment of saving, the other invoices left alone. Asked whether to
// print, Yes prints it once with the grand total the window showed, No prints nothing; either
// way the window closes. (Which box goes to which column is checked for every save in
// test_badinput; a new invoice under a stored number is refused in test_storedlines.)
void TestForm3::saving() {
    testdb::sql(m_fx->db, {u"INSERT INTO MUSTERI VALUES (12, 'Ali Veli', 'Cumhuriyet Cad. 1', "
                           "'Daire 3', 'Konak 1'), (5, 'Ayşe''nin Dükkânı', 'Liman Sok.', '', "
                           "'Bornova 2'), (8, 'Silinecek', 'Yok', '', '')"_qs});
    store(3, threeLines);
    store(4, {{1, u"Başka"_qs, {}, u"1"_qs, {}}});
    m_fx->answer = true;
    Shown<Form3> form(m_fx->workspace);
    auto *numbers = field<QComboBox>(&form, "Combo1");
    auto *names = field<QComboBox>(&form, "Combo2");
    const std::initializer_list<QAnyStringView> customer = {"Combo1", "Combo2", "Text11", "Text16",
                                                            "Text2"};
    pick(numbers, numbers->findText(u"12"_qs));
    QCOMPARE(texts(&form, customer),
             (QStringList{"12", "Ali Veli", "Cumhuriyet Cad. 1", "Daire 3", "Konak 1"}));
    pick(names, names->findText(u"Ayşe'nin Dükkânı"_qs));
    const QStringList picked = {"5", "Ayşe'nin Dükkânı", "Liman Sok.", "", "Bornova 2"};
    QCOMPARE(texts(&form, customer), picked);
    testdb::sql(m_fx->db, {u"DELETE FROM MUSTERI WHERE sirano = 8"_qs});
    pick(numbers, numbers->findText(u"8"_qs));
    QCOMPARE(texts(&form, customer).mid(1), picked.mid(1));
    QVERIFY(m_fx->messages.isEmpty());

    // An invoice without a line is not "saved": nothing stored, nothing printed, the window
    // waits for the line.
    const QStringList stored = m_fx->rows(u"SELECT faturano, aciklama FROM faturalar"_qs);
    click(&form, "Command3");
    QCOMPARE(m_fx->messageTexts(), QStringList{lineCheck(Invoice())});
    QVERIFY(lineCheck(Invoice()).contains(u"satır yok"_qs));
    QCOMPARE(m_fx->rows(u"SELECT faturano, aciklama FROM faturalar"_qs), stored);
    QVERIFY(form.isVisible() && m_fx->printed.documents() == 0);
    QCOMPARE(form.focusWidget(), field(&form, "Text3"));
    m_fx->messages.clear();

    form.faturabul(u"3"_qs);
    addLine(&form, u"Dört"_qs, {}, u"4"_qs, u"1"_qs);
    setText(&form, "Text2", u"Yeni daire"_qs);
    field<QComboBox>(&form, "Combo3")->setCurrentIndex(VatExcluded);
    click(&form, "Command3");
    QCOMPARE(
        m_fx->rows(u"SELECT miktar, aciklama, iskonto FROM faturalar ORDER BY faturano, rowid"_qs),
        QStringList({"1|Bir|", "2|İki|10", "3|Üç|", "4|Dört|", "1|Başka|"}));
    QCOMPARE(m_fx->rows(u"SELECT DISTINCT vergidaire_no, kdvdahil FROM faturalar WHERE "
                        "faturano = 3"_qs),
             QStringList{u"Yeni daire|1"_qs});
    QCOMPARE(m_fx->toldTexts(), QStringList{u"Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"_qs});
    QVERIFY(!form.isVisible() && m_fx->printed.documents() == 1);
    QCOMPARE(printedAt(m_fx->printed, m_fx->workspace.readSettings(23).yer_genel_toplam),
             text(&form, "Text7"));

    m_fx->answer = false;
    m_fx->messages.clear();
    Shown<Form3> again(m_fx->workspace);
    again.faturabul(u"3"_qs);
    click(&again, "Command3");
    QVERIFY(!again.isVisible() && m_fx->toldTexts().size() == 1 && m_fx->printed.documents() == 1);
}

// Two windows (two PCs) load invoice 7 and each adds a line. The first to save is saved; the
// second is refused, naming the invoice, its lines kept in the window and nothing written.
// Loaded again, it shows the first one's line and saves on top of it.
void TestForm3::savedElsewhereMeanwhile() {
    store(7, threeLines);
    Shown<Form3> first(m_fx->workspace);
    Shown<Form3> second(m_fx->workspace);
    first.faturabul(u"7"_qs);
    second.faturabul(u"7"_qs);
    addLine(&first, u"Birinci"_qs, {}, u"1"_qs, u"1"_qs);
    addLine(&second, u"İkinci"_qs, {}, u"1"_qs, u"1"_qs);
    click(&first, "Command3");
    QCOMPARE(m_fx->toldTexts(), QStringList{u"Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"_qs});
    const QString linesOf7 = u"SELECT aciklama FROM faturalar WHERE faturano = 7 ORDER BY rowid"_qs;
    const QStringList saved = {u"Bir"_qs, u"İki"_qs, u"Üç"_qs, u"Birinci"_qs};
    QCOMPARE(m_fx->rows(linesOf7), saved);
    m_fx->messages.clear();
    click(&second, "Command3");
    QCOMPARE(m_fx->toldTexts(),
             QStringList{u"7 numaralı fatura, siz yükledikten sonra başka bir yerde değiştirilip "
                         "kaydedilmiş; değişiklikleriniz kaydedilmedi.\nFaturayı yeniden "
                         "yükleyip değişikliklerinizi tekrar yapın."_qs});
    QCOMPARE(m_fx->rows(linesOf7), saved);
    QVERIFY(second.isVisible() && second.state() == u"eski");
    QCOMPARE(second.invoice().lines.size(), 4);

    m_fx->messages.clear();
    second.faturabul(u"7"_qs);
    addLine(&second, u"İkinci"_qs, {}, u"1"_qs, u"1"_qs);
    click(&second, "Command3");
    QCOMPARE(m_fx->toldTexts(), QStringList{u"Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"_qs});
    QCOMPARE(m_fx->rows(linesOf7), saved + QStringList{u"İkinci"_qs});
}

// A server that takes the connection and never answers: the window waits once and says so
// once, naming the address, instead of once for every list it fills.
void TestForm3::silentServer() {
    if (!testdb::server().isEmpty())
        QSKIP("no server of the tests' own is needed");
    // A listening socket nobody reads: the system accepts the connection, nothing answers.
    const int listening = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listening >= 0);
    const auto closeSocket = qScopeGuard([&] { ::close(listening); });
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    QVERIFY(::bind(listening, reinterpret_cast<sockaddr *>(&at), size) == 0 &&
            ::listen(listening, 16) == 0 &&
            ::getsockname(listening, reinterpret_cast<sockaddr *>(&at), &size) == 0);
    const QString address = u"postgresql://fatura@127.0.0.1:%1/fatura"_qs.arg(ntohs(at.sin_port));
    ayarlar a = m_fx->workspace.readSettings(23);
    a.veritabani_yolu = address;
    ayarlari_yaz(a, m_fx->workspace.settingsPath());

    Shown<Form3> form(m_fx->workspace);
    QCOMPARE(m_fx->messages.size(), 1);
    QCOMPARE(m_fx->messages[0].kind, Messages::Kind::Error);
    QCOMPARE(m_fx->messages[0].text.section(u'\n', 0, 0),
             u"Veritabanı sunucusuna bağlanılamadı: "_qs + address);
    QCOMPARE(texts(&form, {"Text8", "Text12"}), (QStringList{"18", ""}));
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
        Shown<Form3> form(m_fx->workspace);
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

// The grocer's invoice typed in the window: bread and cheese at 1 %, detergent at the
// invoice's 20 % less 10 %. Worked by hand: 1 %: 2 × 10,00 + 1,5 × 240,00 = 380,00, VAT 3,80;
// 20 %: 150,00 − 15,00 = 135,00, VAT 27,00; subtotal 530,00, discount 15, VAT 30,80, grand
// total 545,80. Saved, loaded into a new window after the settings' rate went from 20 to 10,
// and printed: the same figures everywhere. An invoice saved without the rates (an older
// one) takes the window's rate, unit "Adet". A return names the invoice it returns.
void TestForm3::mixedRatesKept() {
    ayarlar settings = m_fx->workspace.readSettings(23);
    settings.kdv_yuzde = u"20"_qs;
    ayarlari_yaz(settings, m_fx->workspace.settingsPath());
    const QStringList figures = {"530,00", "15", "30,80", "545,80"};
    const QList<QStringList> taxColumns = {{"1", "Adet"}, {"20", "Adet"}, {"1", "Kg"}, {"", ""}};
    {
        Shown<Form3> form(m_fx->workspace);
        for (const auto &[box, value] :
             {std::pair{"Text12", u"1"_qs}, {"Combo1", u"5"_qs}, {"Combo2", u"Bakkal"_qs}})
            setText(&form, box, value);
        field<QComboBox>(&form, "Combo3")->setCurrentIndex(VatExcluded);
        const auto add = [&form](const QString &what, const QString &discount,
                                 const QString &quantity, const QString &unit, const QString &price,
                                 const QString &rate) {
            setText(&form, "Combo4", unit);
            setText(&form, "Text17", rate);
            addLine(&form, what, discount, quantity, price);
        };
        add(u"Ekmek"_qs, {}, u"2"_qs, u"Adet"_qs, u"10,00"_qs, u"1"_qs);
        add(u"Deterjan"_qs, u"10"_qs, u"1"_qs, u"Adet"_qs, u"150,00"_qs, {});
        add(u"Peynir"_qs, {}, u"1,5"_qs, u"kg"_qs, u"240,00"_qs, u"1"_qs);
        QCOMPARE(m_fx->messageTexts(), QStringList());
        QCOMPARE(texts(&form, {"Text5", "Text15", "Text6", "Text7"}), figures);
        QCOMPARE(grid(&form, 5, 6), taxColumns);
        QCOMPARE(field(&form, "Text6")->toolTip(), u"%1: 3,80 · %20: 27,00"_qs);
        click(&form, "Command3");
        QVERIFY(!form.isVisible());
    }
    settings.kdv_yuzde = u"10"_qs;
    ayarlari_yaz(settings, m_fx->workspace.settingsPath());
    store(2, {{1, u"Eski"_qs, {}, u"100"_qs, u"100,00"_qs}}, VatExcluded);

    Shown<Form3> form(m_fx->workspace);
    QCOMPARE(text(&form, "Text8"), u"10"_qs);
    form.faturabul(u"1"_qs);
    QCOMPARE(texts(&form, {"Text8", "Text5", "Text15", "Text6", "Text7"}),
             QStringList{u"20"_qs} + figures);
    QCOMPARE(grid(&form, 5, 6), taxColumns);
    m_fx->printed = RecordingPrinter();
    QVERIFY(form.yazdir());
    const RecordingPrinter &paper = m_fx->printed;
    QCOMPARE((QStringList{printedAt(paper, settings.yer_ara_toplam),
                          printedAt(paper, settings.yer_kdv_orani),
                          printedAt(paper, settings.yer_kdv_tutari),
                          printedAt(paper, settings.yer_genel_toplam)}),
             (QStringList{"530,00", "%1 / %20", "30,80", "545,80"}));

    // The older invoice: the rate the window shows, as always. So is one whose rows another
    // program rewrote after the save: what was kept beside them belonged to other rows.
    Shown<Form3> older(m_fx->workspace);
    older.faturabul(u"2"_qs);
    QCOMPARE(texts(&older, {"Text8", "Text6", "Text7"}), (QStringList{"10", "10,00", "110,00"}));
    QCOMPARE(grid(&older, 5, 6).first(), (QStringList{"10", "Adet"}));
    testdb::sql(m_fx->db, {u"UPDATE faturalar SET aciklama = 'Çavdar ekmeği' WHERE faturano = 1 "
                           "AND aciklama = 'Ekmek'"_qs});
    {
        Shown<Form3> rewritten(m_fx->workspace);
        rewritten.faturabul(u"1"_qs);
        QCOMPARE(text(&rewritten, "Text8"), u"10"_qs);
        QCOMPARE(grid(&rewritten, 5, 6).mid(0, 3),
                 (QList<QStringList>{{"10", "Adet"}, {"10", "Adet"}, {"10", "Adet"}}));
    }

    // A return without the returned invoice is refused, naming the box; the number of a stored
    // invoice brings its date.
    m_fx->messages.clear();
    setText(&older, "Combo1", u"5"_qs);
    setText(&older, "Combo2", u"Bakkal"_qs);
    click(&older, "Command1");
    setText(&older, "Combo1", u"5"_qs);
    setText(&older, "Combo2", u"Bakkal"_qs);
    field<QComboBox>(&older, "Combo6")->setCurrentIndex(1);
    addLine(&older, u"Deterjan"_qs, {}, u"1"_qs, u"150,00"_qs);
    click(&older, "Command3");
    QCOMPARE(m_fx->toldTexts().size(), 1);
    QVERIFY2(m_fx->toldTexts()[0].startsWith(u"İade Edilen Fatura giriniz"_qs),
             qPrintable(m_fx->toldTexts()[0]));
    setText(&older, "Text19", u"1"_qs);
    Q_EMIT field(&older, "Text19")->editingFinished();
    QCOMPARE(text(&older, "Text20"), QDate::currentDate().toString(u"dd.MM.yyyy"_qs));
    click(&older, "Command3");
    QVERIFY(!older.isVisible());
    Shown<Form3> returned(m_fx->workspace);
    returned.faturabul(u"3"_qs);
    QCOMPARE(texts(&returned, {"Combo6", "Text19", "Text20", "Text7"}),
             (QStringList{"İADE", "1", QDate::currentDate().toString(u"dd.MM.yyyy"_qs), "150,00"}));
}

namespace {

// The box with the focus, an editable list for its line edit.
QString focusedBox() {
    QWidget *w = QApplication::focusWidget();
    if (w && qobject_cast<QComboBox *>(w->parentWidget()))
        w = w->parentWidget();
    return w ? w->objectName() : QString();
}

} // namespace

// The totals show the model and take no typing: a grand total typed over once turned the
// words into "ytl de Hata" while the paper printed the real total. Tab passes them by.
void TestForm3::totalsShowOnly() {
    Shown<Form3> form(m_fx->workspace);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    addLine(&form, u"Vida"_qs, {}, u"2"_qs, u"5"_qs);
    const auto shownTotals = [&form] {
        return texts(&form, {"Text5", "Text15", "Text6", "Text7"})
               << field<QLabel>(&form, "Label4")->text();
    };
    const QStringList totals = shownTotals();
    QCOMPARE(totals.last(), yaziyacevir(u"10,00"_qs));
    for (const char *box : {"Text5", "Text15", "Text6", "Text7"}) {
        QLineEdit *total = field(&form, box);
        QVERIFY2(total->isReadOnly(), box);
        total->setFocus();
        QTest::keyClicks(total, u"99"_qs);
        QTest::keyClick(total, Qt::Key_Backspace);
    }
    QCOMPARE(shownTotals(), totals);
    field<QPushButton>(&form, "Command2")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(focusedBox(), u"Command3"_qs);
}

// Nothing typed goes without a yes. Closing, YENİ FATURA and loading another invoice ask when
// lines, header boxes or a half-typed line would go, with "Hayır" as the answer Enter gives;
// "Hayır" keeps all of it. Nothing typed: nothing asked. Replacing a saved invoice asks too,
// naming it; "Hayır" writes nothing.
void TestForm3::unsavedWorkAsked() {
    store(9, threeLines);
    m_fx->discard = false;
    const auto asked = [this] {
        QStringList q;
        for (const Messages::Message &m : m_fx->messages)
            if (WindowFixture::keepingWork(m.text))
                q << m.text.section(u'\n', -1);
        m_fx->messages.clear();
        return q;
    };
    {
        Shown<Form3> untouched(m_fx->workspace);
        QVERIFY(untouched.close());
        QCOMPARE(asked(), QStringList());
    }
    Shown<Form3> form(m_fx->workspace);
    setText(&form, "Text3", u"yarım satır"_qs);
    QVERIFY(form.hasUnsavedWork());
    QVERIFY(!form.close());
    QCOMPARE(asked(), QStringList{u"Yine de pencere kapatılsın mı?"_qs});
    setText(&form, "Text3", QString());
    QVERIFY(!form.hasUnsavedWork());
    addLine(&form, u"Vida"_qs, {}, u"2"_qs, u"5"_qs);
    const QList<QStringList> lines = grid(&form);
    click(&form, "Command1");
    form.faturabul(u"9"_qs);
    QTest::keyClick(&form, Qt::Key_Escape);
    QCOMPARE(asked(), (QStringList{u"Yine de yeni fatura başlatılsın mı?"_qs,
                                   u"Yine de 9 numaralı fatura yüklensin mi?"_qs,
                                   u"Yine de pencere kapatılsın mı?"_qs}));
    QVERIFY(form.isVisible() && grid(&form) == lines && form.state() == u"yeni");
    // "Hayır" is what Enter answers.
    form.close();
    QVERIFY(!m_fx->messages.last().yesIsDefault);
    m_fx->messages.clear();

    m_fx->discard = true;
    form.faturabul(u"9"_qs);
    QCOMPARE(form.state(), u"eski"_qs);
    QCOMPARE(asked().size(), 1);
    // Loaded and not changed: nothing to ask.
    QVERIFY(!form.hasUnsavedWork());
    addLine(&form, u"Ek"_qs, {}, u"1"_qs, u"1"_qs);
    m_fx->discard = false;
    m_fx->answer = true;
    const QString rows = u"SELECT aciklama FROM faturalar WHERE faturano = 9 ORDER BY rowid"_qs;
    click(&form, "Command3");
    QCOMPARE(asked(), QStringList{u"Kaydedilsin mi?"_qs});
    QCOMPARE(m_fx->rows(rows), (QStringList{"Bir", "İki", "Üç"}));
    QVERIFY(form.isVisible());
    m_fx->discard = true;
    m_fx->answer = false;
    click(&form, "Command3");
    QCOMPARE(m_fx->rows(rows), (QStringList{"Bir", "İki", "Üç", "Ek"}));
    // Saved and closed without a question about its work.
    QVERIFY(!form.isVisible());
    QCOMPARE(m_fx->messageTexts(),
             (QStringList{u"9 numaralı kayıtlı fatura, ekrandaki haliyle değiştirilecek.\n"
                          "Kaydedilsin mi?"_qs,
                          u"Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"_qs}));
}

// A wrong line is mended in the grid: Delete (or "Satırı Sil") removes the selected line; Enter,
// F2, a double click (or "Satırı Düzelt") puts it back into the line boxes, and EKLE puts the
// corrected line in its place; Esc leaves it as it was. The totals follow at once, and what
// is saved is what the grid shows.
void TestForm3::correctAndRemoveLines() {
    Shown<Form3> form(m_fx->workspace);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    setText(&form, "Combo1", u"1"_qs);
    setText(&form, "Combo2", u"Alıcı"_qs);
    addLine(&form, u"Bir"_qs, {}, u"1"_qs, u"1.250"_qs);
    addLine(&form, u"Yanlış"_qs, {}, u"9"_qs, u"9"_qs);
    addLine(&form, u"Üç"_qs, u"10"_qs, u"2,5"_qs, u"4"_qs);
    QCOMPARE(text(&form, "Text5"), u"1.341,00"_qs);
    auto *g = field<QTableWidget>(&form, "MSFlexGrid1");
    const auto button = [&form] { return field<QPushButton>(&form, "Command2")->text(); };
    g->setFocus();
    g->selectRow(1);
    QTest::keyClick(g, Qt::Key_Delete);
    QCOMPARE(grid(&form), (QList<QStringList>{{"1", "Bir", "", "1250", "1.250,00"},
                                              {"2,5", "Üç", "10", "4", "10,00"},
                                              emptyRow}));
    QCOMPARE(texts(&form, {"Text5", "Text15"}), (QStringList{"1.260,00", "1"}));

    // F2 on the first line: its boxes as typed, the price in the form to type.
    g->selectRow(0);
    QTest::keyClick(g, Qt::Key_F2);
    QCOMPARE(texts(&form, {"Text3", "Text14", "Text9", "Text10"}) << button(),
             (QStringList{"Bir", "", "1", "1250", "DÜZELT"}));
    QCOMPARE(form.correctedLine(), 0);
    QCOMPARE(focusedBox(), u"Text3"_qs);
    setText(&form, "Text9", u"2"_qs);
    QTest::keyClick(field(&form, "Text10"), Qt::Key_Return);
    QTRY_COMPARE(focusedBox(), u"Command2"_qs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(grid(&form).first(), (QStringList{"2", "Bir", "", "1250", "2.500,00"}));
    QCOMPARE(texts(&form, {"Text5", "Text3"}) << button(), (QStringList{"2.510,00", "", "EKLE"}));
    QCOMPARE(form.correctedLine(), -1);

    // A double click, then Esc: the line stays as it was, and the window stays open.
    const QPoint second = g->visualItemRect(g->item(1, 1)).center();
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, second);
    QCOMPARE(texts(&form, {"Text3", "Text9"}), (QStringList{"Üç", "2,5"}));
    QTest::keyClick(field(&form, "Text3"), Qt::Key_Escape);
    QVERIFY(form.isVisible() && form.correctedLine() == -1);
    QCOMPARE(texts(&form, {"Text3", "Text9"}) << button(), (QStringList{"", "", "EKLE"}));
    QCOMPARE(grid(&form).at(1), (QStringList{"2,5", "Üç", "10", "4", "10,00"}));

    // The grid's menu holds both; a correction refused keeps the line.
    QCOMPARE(g->contextMenuPolicy(), Qt::ActionsContextMenu);
    g->selectRow(1);
    field<QAction>(g, "satiriDuzelt")->trigger();
    setText(&form, "Text10", u"4.5"_qs);
    click(&form, "Command2");
    QCOMPARE(grid(&form).at(1), (QStringList{"2,5", "Üç", "10", "4", "10,00"}));
    QCOMPARE(form.correctedLine(), 1);
    setText(&form, "Text10", u"4,5"_qs);
    click(&form, "Command2");
    QCOMPARE(grid(&form).at(1), (QStringList{"2,5", "Üç", "10", "4.5", "11,25"}));
    g->selectRow(0);
    field<QAction>(g, "satiriSil")->trigger();
    QCOMPARE(grid(&form), (QList<QStringList>{{"2,5", "Üç", "10", "4.5", "11,25"}, emptyRow}));
    m_fx->answer = false;
    click(&form, "Command3");
    QCOMPARE(m_fx->rows(u"SELECT miktar, aciklama, br_fiyat, tutar FROM faturalar"_qs),
             QStringList{u"2.5|Üç|4.5|11,25"_qs});
}

// Without the mouse: a customer number and Enter fills the customer; Enter on KAYDET YAZDIR
// and Ctrl+S save; the list of saved invoices loads with Enter and hides with Esc; Esc closes
// the window.
void TestForm3::keyboard() {
    testdb::sql(m_fx->db, {u"INSERT INTO MUSTERI VALUES (12, 'Ali Veli', 'Cumhuriyet Cad. 1', "
                           "'Daire 3', 'Konak 1')"_qs});
    store(9, threeLines);
    Shown<Form3> form(m_fx->workspace);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *number = field<QComboBox>(&form, "Combo1");
    number->setFocus();
    number->setEditText(u"12"_qs);
    QTest::keyClick(number->lineEdit(), Qt::Key_Return);
    QCOMPARE(texts(&form, {"Combo2", "Text11", "Text16", "Text2"}),
             (QStringList{"Ali Veli", "Cumhuriyet Cad. 1", "Daire 3", "Konak 1"}));
    QTRY_COMPARE(focusedBox(), u"Combo2"_qs);
    // A number nobody has leaves the boxes as typed.
    setText(&form, "Text11", u"elle yazılan"_qs);
    number->setEditText(u"77"_qs);
    QTest::keyClick(number->lineEdit(), Qt::Key_Return);
    QCOMPARE(text(&form, "Text11"), u"elle yazılan"_qs);

    // Enter on the focused KAYDET YAZDIR, then Ctrl+S: each runs the save's checks.
    auto *save = field<QPushButton>(&form, "Command3");
    save->setFocus();
    QTest::keyClick(save, Qt::Key_Return);
    QTest::keyClick(field(&form, "Text3"), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_fx->toldTexts(), QStringList(2, lineCheck(Invoice())));
    m_fx->messages.clear();

    // The list: Ctrl+L shows it, Enter loads the entry, Esc hides it and not the window.
    auto *list = field<QTableView>(&form, "List1");
    QTest::keyClick(&form, Qt::Key_L, Qt::ControlModifier);
    QTRY_VERIFY(list->isVisible() && field(&form, "Text21")->hasFocus());
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!list->isVisible() && form.isVisible());
    QTest::keyClick(&form, Qt::Key_L, Qt::ControlModifier);
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(!list->isVisible());
    QCOMPARE(form.state() + text(&form, "Text12"), u"eski9"_qs);
    // Esc closes the window; nothing of it was changed, so nothing is asked.
    QTest::keyClick(field(&form, "Text3"), Qt::Key_Escape);
    QTRY_VERIFY(!form.isVisible());
    QCOMPARE(m_fx->toldTexts(), QStringList());
}

// A refusal says the form to type and puts the focus back in the box it names, its text
// selected to be typed over.
void TestForm3::messagesPointToTheirBox_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("said"); // how the message ends
    QTest::addColumn<bool>("saving");  // the save's check, else EKLE's
    const QString date = u"Tarihi GG.AA.YYYY biçiminde yazınız (örnek: 05.01.2027)."_qs;
    QTest::newRow("price 18.50") << u"Text10"_qs << u"18.50"_qs
                                 << u"\"18,50\" biçiminde yazınız."_qs << false;
    QTest::newRow("quantity 1.25")
        << u"Text9"_qs << u"1.25"_qs << u"\"1,25\" biçiminde yazınız."_qs << false;
    QTest::newRow("discount 200") << u"Text14"_qs << u"200"_qs << u": 200"_qs << false;
    QTest::newRow("invoice date 32.13.2026") << u"Text1"_qs << u"32.13.2026"_qs << date << true;
    QTest::newRow("delivery date 31.04.2026") << u"Text13"_qs << u"31.04.2026"_qs << date << true;
    QTest::newRow("no customer name") << u"Combo2"_qs << QString() << u"giriniz!"_qs << true;
}

void TestForm3::messagesPointToTheirBox() {
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, said);
    QFETCH(bool, saving);
    Shown<Form3> form(m_fx->workspace);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    setText(&form, "Combo1", u"1"_qs);
    setText(&form, "Combo2", u"Alıcı"_qs);
    addLine(&form, u"Vida"_qs, {}, u"1"_qs, u"1"_qs);
    for (const char *line : {"Text3", "Text14", "Text9", "Text10"})
        setText(&form, line, u"1"_qs);
    setText(&form, box, typed);
    click(&form, saving ? "Command3" : "Command2");
    QCOMPARE(m_fx->toldTexts().size(), 1);
    QVERIFY2(m_fx->toldTexts()[0].endsWith(said), qPrintable(m_fx->toldTexts()[0]));
    QTRY_COMPARE(focusedBox(), box);
    if (!typed.isEmpty()) {
        auto *edit = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(edit && edit->selectedText() == typed);
    }
    QCOMPARE(m_fx->rows(u"SELECT count(*) FROM faturalar"_qs), QStringList{u"0"_qs});
}

// The window opens inside the screen's free area with its totals in view, small enough for
// 1366×768 at 125 % (1093×614, less a panel and the title bar); made larger, the description
// column takes the width while the invoice number keeps its own.
void TestForm3::fitsTheScreen() {
    Shown<Form3> form(m_fx->workspace);
    const QSize least = form.minimumSizeHint();
    QVERIFY2(least.width() <= 1000 && least.height() <= 540,
             qPrintable(u"%1×%2"_qs.arg(least.width()).arg(least.height())));
    const QRect free = form.screen()->availableGeometry();
    QVERIFY(form.width() <= free.width() && form.height() + 40 <= free.height());
    QVERIFY(form.rect().contains(field(&form, "Text7")->geometry()));
    auto *g = field<QTableWidget>(&form, "MSFlexGrid1");
    const int description = g->columnWidth(1);
    const int number = field(&form, "Text12")->width();
    form.resize(form.width() + 300, form.height() + 100);
    QTRY_VERIFY(g->columnWidth(1) >= description + 250);
    QCOMPARE(field(&form, "Text12")->width(), number);
}

// The saved invoices with number, date, customer and grand total, newest first; found by a
// number (those that start with it), a day or a month, or part of a customer's name whatever
// the case and the Turkish letters. From the search box Down reaches the list and Enter loads.
void TestForm3::invoiceList() {
    testdb::sql(m_fx->db, {u"INSERT INTO MUSTERI VALUES (12, 'Ayşe Yılmaz', '', '', ''), "
                           "(5, 'IŞIK Gıda', '', '', '')"_qs});
    const auto save = [this](qint64 number, const char *customer, const QString &name,
                             const QString &date, const QString &price) {
        Database d(m_fx->db, Database::Access::Write);
        QVERIFY(insertInvoice(
            d, {QString::fromLatin1(customer), name, {}, {}, {}, VatIncluded, date, {}, {}, number},
            {{1, u"Kalem"_qs, {}, price, {}}}));
    };
    save(101, "12", u"Ayşe Yılmaz"_qs, u"05.03.2024"_qs, u"10.00"_qs);
    save(102, "5", u"IŞIK Gıda"_qs, u"06.03.2024"_qs, u"1250.50"_qs);
    save(120, "12", u"Ayşe Yılmaz"_qs, u"05.04.2024"_qs, u"3"_qs);
    save(7, "5", u"IŞIK Gıda"_qs, u"05.03.2024"_qs, u"4"_qs);
    Shown<Form3> form(m_fx->workspace);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    click(&form, "Command5");
    auto *list = field<QTableView>(&form, "List1");
    QCOMPARE(listRows(list), (QList<QStringList>{{"120", "05.04.2024", "Ayşe Yılmaz", "3,00"},
                                                 {"102", "06.03.2024", "IŞIK Gıda", "1.250,50"},
                                                 {"101", "05.03.2024", "Ayşe Yılmaz", "10,00"},
                                                 {"7", "05.03.2024", "IŞIK Gıda", "4,00"}}));
    // Numbers and amounts stand against the right edge, names and dates at the left.
    QList<bool> right;
    for (int column = 0; column < 4; ++column)
        right << (list->model()->index(0, column).data(Qt::TextAlignmentRole).toInt() &
                  Qt::AlignRight);
    QCOMPARE(right, (QList<bool>{true, false, false, true}));
    const std::pair<QString, QStringList> searches[] = {
        {u"1"_qs, {"120", "102", "101"}}, {u"12"_qs, {"120"}},
        {u"05.03.2024"_qs, {"101", "7"}}, {u"3.2024"_qs, {"102", "101", "7"}},
        {u"ışık"_qs, {"102", "7"}},       {u"yılm"_qs, {"120", "101"}},
        {u"AYSE YIL"_qs, {"120", "101"}}, {u"kimse"_qs, {}}};
    for (const auto &[typed, numbers] : searches) {
        setText(&form, "Text21", typed);
        QStringList shown;
        for (const QStringList &row : listRows(list))
            shown << row.first();
        QCOMPARE(shown, numbers);
    }
    setText(&form, "Text21", u"ışık"_qs);
    QTest::keyClick(field(&form, "Text21"), Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE(form.state() + text(&form, "Text12") + text(&form, "Text5"), u"eski74,00"_qs);
    QVERIFY(m_fx->messages.isEmpty());
}

QTEST_MAIN(TestForm3)
#include "test_form3.moc"
