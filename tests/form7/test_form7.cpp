// Mouse events go through the window system, as a user's do, so that a release belongs to
// the widget that took the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "gui/Form7.h"
#include "gui/guard.h"
#include "gui/imagebutton.h"
#include "tests/common/windowfixture.h"

#include <QApplication>
#include <QFile>
#include <QRadioButton>

namespace {

// The campaign tables, empty but for the invoices' numbers and regions given as SQL values.
void campaignTables(WindowFixture &fx, const QString &invoices) {
    testdb::sql(fx.db,
                {u"CREATE TABLE KAMPANYAT (ADI TEXT)"_qs,
                 u"CREATE TABLE FATCARIKAMPANYAT (SIRANO INTEGER, DAGITIM_BOLGESI TEXT, "
                 "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                 "ISKONTO REAL)"_qs,
                 u"CREATE TABLE FATSTOKKAMPANYAT (FATURANO INTEGER, ACIKLAMA TEXT, "
                 "MIKTAR REAL, BR_FIYAT REAL)"_qs,
                 u"INSERT INTO FATCARIKAMPANYAT (SIRANO, DAGITIM_BOLGESI) VALUES "_qs + invoices});
}

} // namespace

// The batch window's wiring; what a run selects and prints is checked in test_invoice.
class TestForm7 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void window();
    void selectionRefused_data();
    void selectionRefused();
    void keyboard();
    void unforeseenFailure();
};

void TestForm7::window() {
    WindowFixture fx;
    fx.pdfPath = u"baskilar/kampanya"_qs;
    campaignTables(fx, u"(1, 'İSTANBUL'), (2, 'ANKARA'), (3, 'İSTANBUL'), (4, 'İSTANBUL')"_qs);
    {
        Shown<Form7> w(fx.workspace);
        // Both lists filled, nothing chosen in either.
        QCOMPARE(items(field<QComboBox>(&w, "Combo1")) + items(field<QComboBox>(&w, "Combo2")),
                 (QStringList{"KAMPANYAT", "ANTALYA", "ADANA", "ANKARA", "İSTANBUL", "İZMİR",
                              "TRABZON"}));
        QCOMPARE(texts(&w, {"Combo1", "Combo2"}), QStringList(2));
        auto *b = field<ImageButton>(&w, "Yazdir");
        const QPoint caption = b->captionRect().center();
        QTest::mouseClick(b, Qt::LeftButton, {}, caption);
        QCOMPARE(fx.messageTexts(), QStringList{u"Kampanya seçiniz!"_qs});

        // Pressed on the caption and let go elsewhere: nothing prints, nothing more is said.
        field<QComboBox>(&w, "Combo1")->setCurrentIndex(0);
        QTest::mousePress(b, Qt::LeftButton, {}, caption);
        QTest::mouseMove(&w, QPoint(5, 5));
        QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(fx.targets.isEmpty() && fx.messages.size() == 1);

        // The numbers and region typed go to the run; the PDF choice to the print target.
        field(&w, "Text1")->setText(u"1"_qs);
        field(&w, "Text2")->setText(u"3"_qs);
        field<QComboBox>(&w, "Combo2")->setCurrentText(u"İSTANBUL"_qs);
        field<QRadioButton>(&w, "AyriPdf")->setChecked(true);
        QTest::mouseClick(b, Qt::LeftButton, {}, caption);
        QCOMPARE(fx.targets, QList<PdfPrinter::Mode>{PdfPrinter::FilePerDocument});
        QCOMPARE(fx.printed.documents(), 2);
        QCOMPARE(fx.messageTexts().mid(1), QStringList{pdfNotice(u"baskilar/kampanya"_qs)});
    }
    // Without its database the window opens all the same, after a message naming the file.
    fx.messages.clear();
    QFile::remove(fx.db);
    Form7 w(fx.workspace);
    QVERIFY2(fx.messages.size() == 1 && fx.messages[0].text.contains(fx.db),
             qPrintable(fx.messageTexts().join(u'\n')));
    QVERIFY(items(field<QComboBox>(&w, "Combo1")).isEmpty() &&
            field<QComboBox>(&w, "Combo2")->count() == 6);
}

// A selection that can pick nothing is refused before the run, saying why, the focus in the
// box to mend; one that picks nothing of this campaign says so after it. Nothing prints.
void TestForm7::selectionRefused_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("said");    // how the message begins
    QTest::addColumn<QString>("focused"); // empty: the run went
    QTest::newRow("only a region") << QString() << QString() << u"İSTANBUL"_qs
                                   << u"Yalnızca Dağıtım Bölgesi seçildi"_qs << u"Text1"_qs;
    QTest::newRow("first above last")
        << u"9"_qs << u"3"_qs << u"İSTANBUL"_qs << u"Başlangıç No (9) Bitiş No'dan (3) büyük"_qs
        << u"Text2"_qs;
    QTest::newRow("numbers, no region")
        << u"1"_qs << u"3"_qs << QString() << u"Dağıtım Bölgesi seçiniz!"_qs << u"Combo2"_qs;
    QTest::newRow("not a number") << u"1a"_qs << u"3"_qs << u"İSTANBUL"_qs
                                  << u"Başlangıç No geçersiz: \"1a\""_qs << u"Text1"_qs;
    QTest::newRow("nothing there")
        << u"10"_qs << u"20"_qs << u"ANKARA"_qs
        << u"KAMPANYAT kampanyasında 10 - 20 numaraları arasında ANKARA bölgesinde fatura yok"_qs
        << QString();
}

void TestForm7::selectionRefused() {
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, region);
    QFETCH(QString, said);
    QFETCH(QString, focused);
    WindowFixture fx;
    campaignTables(fx, u"(0, 'İSTANBUL'), (2, 'ANKARA')"_qs);
    Shown<Form7> w(fx.workspace);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    field<QComboBox>(&w, "Combo1")->setCurrentIndex(0);
    field(&w, "Text1")->setText(first);
    field(&w, "Text2")->setText(last);
    field<QComboBox>(&w, "Combo2")
        ->setCurrentIndex(field<QComboBox>(&w, "Combo2")->findText(region));
    clickCaption(&w, "Yazdir");
    QCOMPARE(fx.messages.size(), 1);
    QVERIFY2(fx.messages[0].text.startsWith(said), qPrintable(fx.messages[0].text));
    QCOMPARE(fx.printed.documents(), 0);
    if (!focused.isEmpty())
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), focused);
}

// Tab reaches the picture button, and Enter (or Space) on it prints as a click on its caption.
void TestForm7::keyboard() {
    WindowFixture fx;
    Shown<Form7> w(fx.workspace);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *print = field<ImageButton>(&w, "Yazdir");
    field<QComboBox>(&w, "Combo2")->setFocus();
    for (int tabs = 0; tabs < 4 && !print->hasFocus(); ++tabs)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(print->hasFocus());
    QTest::keyClick(print, Qt::Key_Return);
    QTest::keyClick(print, Qt::Key_Space);
    QCOMPARE(fx.messageTexts(), QStringList(2, u"Kampanya seçiniz!"_qs));
}

// A failure nobody foresaw (here: memory ran out) stops the action with a Turkish message,
// and the program goes on.
void TestForm7::unforeseenFailure() {
    WindowFixture fx;
    QVERIFY(!guarded(nullptr, [] { throw std::bad_alloc(); }));
    QCOMPARE(fx.messages.size(), 1);
    QVERIFY2(fx.messages[0].text.startsWith(u"Bellek yetmediği için işlem yapılamadı"_qs),
             qPrintable(fx.messages[0].text));
}

QTEST_MAIN(TestForm7)
#include "test_form7.moc"
