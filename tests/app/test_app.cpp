#include "app/firstrun.h"
#include "app/windows.h"
#include "gui/EArsivWindow.h"
#include "gui/Form1.h"
#include "gui/Form2.h"
#include "gui/Form3.h"
#include "gui/Form4.h"
#include "gui/Form5.h"
#include "gui/Form7.h"
#include "gui/ReportWindow.h"
#include "gui/SellerWindow.h"
#include "gui/buttonpictures.h"
#include "gui/webpanel.h"
#include "tests/common/windowfixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTableWidget>

#include <memory>

namespace {

// Every text a window shows: its title, captions, buttons, menu entries, box hints, list
// entries and column headings.
QStringList shownTexts(QWidget *w) {
    QStringList t{w->windowTitle()};
    for (auto *l : w->findChildren<QLabel *>())
        t << l->text();
    for (auto *b : w->findChildren<QAbstractButton *>())
        t << b->text() << b->toolTip();
    for (auto *a : w->findChildren<QAction *>())
        t << a->text();
    for (auto *g : w->findChildren<QGroupBox *>())
        t << g->title();
    for (auto *e : w->findChildren<QLineEdit *>())
        t << e->placeholderText() << e->toolTip();
    for (auto *c : w->findChildren<QComboBox *>())
        for (int i = 0; i < c->count(); ++i)
            t << c->itemText(i);
    for (auto *h : w->findChildren<QHeaderView *>())
        for (int i = 0; h->model() && i < h->count(); ++i)
            t << h->model()->headerData(i, h->orientation()).toString();
    t.removeAll(QString());
    return t;
}

// Each action as "object name, caption".
QStringList entries(const QList<QAction *> &actions) {
    QStringList l;
    for (QAction *a : actions)
        l << a->objectName() + u", "_qs + a->text();
    return l;
}

} // namespace

class TestApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_fx = std::make_unique<WindowFixture>(); }
    void cleanup() { m_fx.reset(); }
    void firstStart();
    void mainWindow();
    void windowsTogether();
    void menuKeys_data();
    void menuKeys();
    void messageBoxes();
    void windowTexts();

private:
    std::unique_ptr<WindowFixture> m_fx;
};

// Settings without a database are the user's: nothing is written over or beside them but the
// missing button pictures. (A whole first start, pictures that are pictures included, is
// checked in test_recovery, one in a folder that cannot be written in test_fulldisk.)
void TestApp::firstStart() {
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    ayarlar own = defaultSettings();
    own.kdv_yuzde = u"8"_qs;
    ayarlari_yaz(own, dir.filePath(u"ayarlar.dat"_qs));
    QVERIFY(firstRun(dir).isEmpty());
    QCOMPARE(ayarlari_oku(23, dir.filePath(u"ayarlar.dat"_qs)), own);
    QCOMPARE(dir.entryList(QDir::Files),
             QStringList({"ayarlar.dat", pressedPictureFile(), raisedPictureFile()}));
}

// "Yeni Aç" opens the register once. A customer saved there reaches the invoice window's
// customer lists; the invoice in progress keeps its date, lines, state and subtotal, and goes
// on adding to it. Without an invoice window a save refreshes nothing and breaks nothing.
// Chosen twice from the menu, each window is loaded once and shown beside the main window.
// "Çıkış" closes the main window, which closes the others in a fixed order, itself last; each
// closed window goes, so the order they go in is the order they were closed in. (Closing it
// by its frame is the same close().)
void TestApp::windowsTogether() {
    Windows windows(m_fx->workspace);
    windows.showMain();
    Form3 *invoice = windows.openInvoice();
    setText(invoice, "Text1", u"01.02.2024"_qs);
    addLine(invoice, {}, {}, u"2"_qs, u"7,50"_qs);
    const QList<QStringList> lines = grid(invoice);

    click(invoice, "Command4");
    Form2 *customers = windows.customers();
    click(invoice, "Command4");
    QVERIFY(customers && customers->isVisible() && windows.customers() == customers);
    setText(customers, "Combo2", u"Şükrü Öztürk"_qs);
    click(customers, "Command1");
    QCOMPARE(items(field<QComboBox>(invoice, "Combo1")) +
                 items(field<QComboBox>(invoice, "Combo2")),
             (QStringList{"1", "Şükrü Öztürk"}));
    QCOMPARE(grid(invoice), lines);
    QCOMPARE(text(invoice, "Text1") + invoice->state(), u"01.02.2024yeni"_qs);
    addLine(invoice, {}, {}, u"1"_qs, u"5"_qs);
    QCOMPARE(text(invoice, "Text5"), u"20,00"_qs);

    // Its lines are not saved: closing asks, and only a yes closes it.
    m_fx->discard = false;
    QVERIFY(!invoice->close());
    QVERIFY(windows.invoice() && invoice->isVisible());
    QVERIFY(m_fx->messageTexts().last().startsWith(u"Bu fatura kaydedilmedi"_qs));
    m_fx->discard = true;
    invoice->close();
    QTRY_VERIFY(!windows.invoice());
    m_fx->messages.clear();
    setText(customers, "Combo2", u"İkinci Müşteri"_qs);
    click(customers, "Command1");
    QVERIFY(!windows.invoice());
    QCOMPARE(m_fx->messageTexts(),
             QStringList{u"2 numaralı müşteri kaydedildi: İkinci Müşteri"_qs});

    Form4 *main = windows.mainWindow();
    const QStringList actions = {"Ayarlar", "otomatikbasim", "otofaturalastir", "hakkinda",
                                 "musteri"};
    for (const QString &action : actions + actions)
        main->findChild<QAction *>(action)->trigger();
    QStringList gone;
    qsizetype shown = 0; // the main window too
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName().startsWith(u"Form"_qs)) {
            ++shown;
            connect(w, &QObject::destroyed, [&gone, name = w->objectName()] { gone << name; });
        }
    }
    QCOMPARE(shown, actions.size() + 1);
    main->findChild<QAction *>(u"cikis"_qs)->trigger();
    QTRY_VERIFY(!windows.mainWindow());
    QCOMPARE(gone, (QStringList{"Form1", "Form2", "Form3", "Form5", "Form7", "Form4"}));
}

// The menus' object names and captions; "Makbuz" is shown but cannot be chosen. The maker's
// link opens the site; without a browser the user is told, with the address. The about box's
// address opens the site and closes the box; so does a link in the advert panel.
void TestApp::mainWindow() {
    QStringList launched;
    bool browserWorks = true;
    Workspace &workspace = m_fx->workspace;
    workspace.seams.openUrl = [&](const QUrl &address) {
        return launched << address.toString(), browserWorks;
    };
    Form4 w(workspace);
    auto *menu = field<QMenu>(&w, "faturalama");
    QCOMPARE(entries(w.menuBar()->actions()) + entries(menu->actions()),
             (QStringList{
                 ", &İşlemler", "Ayarlar, &Ayarlar", "hakkinda, &Hakkında", "cikis, &Çıkış",
                 "musteri, &Müşteri Girişi", "otofaturalastir, &Fatura Girişi",
                 "otomatikbasim, &Otomatik Fatura Basım", "earsiv, &e-Arşiv Faturası",
                 "raporlar, &Raporlar", "yedekle, &Yedekle", "yedekklasore, Yedeği &Klasöre Al...",
                 "geriyukle, Yedekten &Geri Yükle...", "makbuz, &Makbuz"}));
    QVERIFY(!menu->actions().last()->isEnabled() && menu->actions().last()->isVisible());

    auto *label1 = field<QLabel>(&w, "Label1");
    Q_EMIT label1->linkActivated(u"x"_qs);
    QVERIFY(launched.size() == 1 && launched[0].contains(u"example.com"_qs));
    browserWorks = false;
    Q_EMIT label1->linkActivated(u"x"_qs);
    QVERIFY(m_fx->messages.size() == 1 && m_fx->messages[0].text.contains(launched[0].mid(7)));
    browserWorks = true;
    Shown<Form1> about(workspace);
    Q_EMIT field<QLabel>(&about, "Label4")->linkActivated(u"x"_qs);
    QCOMPARE(launched.size(), 3);
    QTRY_VERIFY(!about.isVisible());
    Q_EMIT w.webPanel()->anchorClicked(QUrl(u"http://127.0.0.1/reklam"_qs));
    QCOMPARE(launched.size(), 4);
}

// The menus open from the keyboard whatever the I: "&İşlemler" with Alt and the dotted İ (the
// menu bar's own key), the Latin I or the dotless ı, and F10.
void TestApp::menuKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("modifiers");
    // A letter arrives as its capital's key with the letter itself as text.
    QTest::newRow("Alt+i") << int(Qt::Key_I) << u"i"_qs << int(Qt::AltModifier);
    QTest::newRow("Alt+ı") << int(Qt::Key_I) << u"ı"_qs << int(Qt::AltModifier);
    QTest::newRow("Alt+İ") << 0x130 << u"İ"_qs << int(Qt::AltModifier);
    QTest::newRow("F10") << int(Qt::Key_F10) << QString() << int(Qt::NoModifier);
}

void TestApp::menuKeys() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, modifiers);
    Shown<Form4> w(m_fx->workspace);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *menu = field<QMenu>(&w, "faturalama");
    QTest::sendKeyEvent(QTest::Click, &w, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(menu->isVisible());
    // The first entry is chosen; Down and Enter take the next.
    QSignalSpy invoice(&w, &Form4::invoiceRequested);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    QTRY_COMPARE(invoice.count(), 1);
}

// The about box names the program and its version. Every message box carries its icon;
// a question has Turkish buttons and the default its asker chose.
void TestApp::messageBoxes() {
    Form1 about(m_fx->workspace);
    QCOMPARE(field<QLabel>(&about, "surum")->text(),
             u"Fatura "_qs + QStringLiteral(FATURA_VERSION));
    const std::tuple<Messages::Message, QMessageBox::Icon, QString> boxes[] = {
        {{Messages::Kind::Info, u"Fatura"_qs, u"bilgi"_qs}, QMessageBox::Information, u"Tamam"_qs},
        {{Messages::Kind::Error, u"Fatura"_qs, u"hata"_qs}, QMessageBox::Warning, u"Tamam"_qs},
        {{Messages::Kind::Question, u"Fatura"_qs, u"soru"_qs}, QMessageBox::Question, u"&Evet"_qs},
        {{Messages::Kind::Question, u"Fatura"_qs, u"soru"_qs, false},
         QMessageBox::Question,
         u"&Hayır"_qs}};
    for (const auto &[message, icon, defaultButton] : boxes) {
        const std::unique_ptr<QMessageBox> box = Messages::messageBox(nullptr, message);
        QCOMPARE(box->icon(), icon);
        QCOMPARE(box->text(), message.text);
        QAbstractButton *chosen =
            box->defaultButton() ? box->defaultButton() : box->buttons().first();
        QCOMPARE(chosen->text(), defaultButton);
    }
}

// The texts of every window are spelled right: none of the old slips (a misspelt word, two
// words run together, an English caption, the currency that ended in 2009, "Ünvan"), and the
// mended captions are there.
void TestApp::windowTexts() {
    Workspace &ws = m_fx->workspace;
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.emplace_back(std::make_unique<Form1>(ws));
    windows.emplace_back(std::make_unique<Form2>(ws));
    windows.emplace_back(std::make_unique<Form3>(ws));
    windows.emplace_back(std::make_unique<Form4>(ws));
    windows.emplace_back(std::make_unique<Form5>(ws));
    windows.emplace_back(std::make_unique<Form7>(ws));
    windows.emplace_back(std::make_unique<EArsivWindow>(ws));
    windows.emplace_back(std::make_unique<SellerWindow>(ws));
    windows.emplace_back(std::make_unique<ReportWindow>(ws));
    static const QRegularExpression slip(
        u"Otomotik|Database|\\bY(TL|KR|kr)\\b|Ünvan|ünvan|\\p{Ll}[A-ZÇĞİÖŞÜ]\\p{Ll}"_qs);
    QStringList all;
    for (const std::unique_ptr<QWidget> &w : windows) {
        for (QString text : shownTexts(w.get())) {
            text.remove(m_fx->dir.path()); // a folder's name is not the program's text
            QVERIFY2(!slip.match(text).hasMatch(),
                     qPrintable(w->metaObject()->className() + u": "_qs + text));
            all << text;
        }
    }
    for (const char *mended : {"&Otomatik Fatura Basım", "İrsaliye Tarihi:",
                               "Fatura Sütun Marjları:", "Veritabanı:", "Unvan:"})
        QVERIFY2(all.contains(QString::fromUtf8(mended)), mended);
}

QTEST_MAIN(TestApp)
#include "test_app.moc"
