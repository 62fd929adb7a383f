#include "earsivfixture.h"

#include "app/windows.h"
#include "earsiv/export.h"
#include "gui/EArsivWindow.h"
#include "gui/Form4.h"
#include "gui/SellerWindow.h"
#include "gui/choosers.h"
#include "gui/messages.h"
#include "store/efaturausers.h"
#include "tests/common/widgets.h"

#include <QLabel>
#include <QScopeGuard>
#include <QSignalSpy>

#include <memory>

using namespace testdb;

namespace {

// The texts of one column of the e-Arşiv window's list.
QStringList column(const QWidget *w, int c) {
    const QAbstractItemModel *list = field<QTableView>(w, "invoiceList")->model();
    QStringList t;
    for (int r = 0; r < list->rowCount(); ++r)
        t << list->index(r, c).data().toString();
    return t;
}

void selectRows(const QWidget *w, const QList<int> &rows) {
    auto *list = field<QTableView>(w, "invoiceList");
    list->clearSelection();
    for (int r : rows)
        list->selectionModel()->select(list->model()->index(r, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace

class TestEArsivWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { qputenv("FATURA_REKLAM_URL", "about:blank"); }
    void init();
    void cleanup();
    void menu();
    void sellerWindow();
    void exportWindow();
    void userList();

private:
    std::unique_ptr<EArsivFixture> m_fx;
    QStringList m_messages;
    bool m_answer = true; // to a question
};

void TestEArsivWindows::init() {
    m_fx = std::make_unique<EArsivFixture>();
    m_messages.clear();
    m_answer = true;
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m.text;
        return m_answer;
    });
}

void TestEArsivWindows::cleanup() {
    Messages::setTestHandler({});
    m_fx.reset();
}

void TestEArsivWindows::menu() {
    Windows windows(m_fx->workspace);
    windows.showMain();
    // Where it sits in the menu is checked with the other entries in tests/app.
    windows.mainWindow()->findChild<QAction *>(u"earsiv"_qs)->trigger();
    QVERIFY(windows.earsiv() && windows.earsiv()->isVisible());
    click(windows.earsiv(), "sellerDetails");
    QVERIFY(windows.seller() && windows.seller()->isVisible());
}

void TestEArsivWindows::sellerWindow() {
    sql(m_fx->db, {u"DROP TABLE satici_bilgileri"_qs});
    {
        Shown<SellerWindow> w(m_fx->workspace);
        QSignalSpy saved(&w, &SellerWindow::saved);
        // A person: first and family name instead of a title; prefixes typed small.
        const QList<QPair<const char *, QString>> typed = {
            {"taxNumber", u"10000000146"_qs},  {"firstName", u"Ayşe"_qs},
            {"taxOffice", u"Konak"_qs},        {"street", u"Gül Sok. 3"_qs},
            {"district", u"Konak"_qs},         {"city", u"İzmir"_qs},
            {"email", u"ayse@example.com"_qs}, {"seriesPrefix", u"ay1"_qs},
            {"efaturaPrefix", u"ay1"_qs}};
        for (const auto &[name, value] : typed)
            setText(&w, name, value);
        click(&w, "save");
        QCOMPARE(m_messages, QStringList{u"Soyadı giriniz!"_qs});
        QVERIFY(!Database(m_fx->db).db().tables().contains(u"satici_bilgileri"_qs));
        setText(&w, "familyName", u"Yılmaz"_qs);
        click(&w, "save");
        QCOMPARE(m_messages.last(),
                 u"e-Fatura seri öneki e-Arşiv seri önekinden farklı olmalıdır: her belge "
                 "türünün numaraları kendi serisinde sıralanır!"_qs);
        setText(&w, "efaturaPrefix", u"ef1"_qs);
        field<QComboBox>(&w, "efaturaProfile")->setCurrentIndex(1);
        field<QComboBox>(&w, "sendType")->setCurrentIndex(1);
        click(&w, "save");
        QCOMPARE(m_messages.last(), u"Firma bilgileri kaydedildi."_qs);
        QCOMPARE(saved.count(), 1);
    }
    // Shown again when the window opens.
    SellerWindow again(m_fx->workspace);
    QCOMPARE(texts(&again, {"taxNumber", "firstName", "familyName", "city", "seriesPrefix",
                            "efaturaPrefix", "efaturaProfile", "sendType"}),
             (QStringList{"10000000146", "Ayşe", "Yılmaz", "İzmir", "AY1", "EF1", "Ticari Fatura",
                          "Elektronik"}));
    Database d(m_fx->db);
    QCOMPARE(readSeller(d)->efaturaProfile, u"TICARIFATURA"_qs);
    QCOMPARE(readSeller(d)->sendType, u"ELEKTRONIK"_qs);
}

void TestEArsivWindows::exportWindow() {
    const QList<QStringList> one = {{u"1"_qs, u"Kalem"_qs, {}, u"100"_qs}};
    for (qint64 n : {1, 2, 3})
        m_fx->store(n, one);
    m_fx->store(4, {{u"-1"_qs, u"İade"_qs, {}, u"100"_qs}});
    Saved consumer;
    consumer.vatMode = VatIncluded;
    consumer.name = u"Peşin Müşteri"_qs;
    consumer.tax = QString();
    m_fx->store(5, one, consumer);
    const QString noList = u"e-Fatura kayıtlı kullanıcı listesi hiç alınmamış: vergi numaralı "
                           "alıcılar e-Fatura kullanıcısı olsa da e-Arşiv faturası aldı. Gelir "
                           "İdaresi'nin listesini indirip \"Kullanıcı Listesini Al\" ile "
                           "alınız."_qs;

    Shown<EArsivWindow> w(m_fx->workspace);
    QCOMPARE(column(&w, 0), (QStringList{"1", "2", "3", "4", "5"}));
    QCOMPARE(texts(&w, {"vatRate", "fromDate", "toDate"}),
             (QStringList{"18", "01.06.2026", "30.06.2026"}));

    // Numbers are given only after a yes, to the question that says how many and which dates.
    const QString question = u"2 faturaya yeni e-fatura numarası verilecek (tarihi 25.06.2026). "
                             "Numara verilen fatura artık değiştirilemez ve numarası geri "
                             "alınamaz.\n\nDevam edilsin mi?"_qs;
    selectRows(&w, {2, 0});
    m_answer = false;
    click(&w, "exportSelected");
    QCOMPARE(m_messages, QStringList{question});
    QCOMPARE(column(&w, 3), QStringList(5, u"henüz yok"_qs));
    QCOMPARE(QDir(m_fx->folder()).entryList(QDir::Files), QStringList());
    m_messages.clear();
    m_answer = true;
    click(&w, "exportSelected");
    QCOMPARE(m_messages, (QStringList{question, u"2 e-Arşiv faturası yazıldı:\n"_qs +
                                                    m_fx->folder() + u"\n\n"_qs + noList}));
    QCOMPARE(column(&w, 3), (QStringList{"ABC2026000000001", "henüz yok", "ABC2026000000002",
                                         "henüz yok", "henüz yok"}));

    // The date boxes are checked before anything runs.
    m_messages.clear();
    setText(&w, "fromDate", u"31.02.2026"_qs);
    click(&w, "exportRange");
    QCOMPARE(m_messages, QStringList{u"Başlangıç tarihi geçersiz: GG.AA.YYYY yazınız!"_qs});

    // The month: what was given is written again, the others get the next numbers; the
    // final consumer and the refused return are told.
    m_messages.clear();
    setText(&w, "fromDate", u"1.6.2026"_qs);
    setText(&w, "toDate", u"30.06.2026"_qs);
    click(&w, "exportRange");
    QCOMPARE(
        m_messages,
        (QStringList{question,
                     u"4 e-Arşiv faturası yazıldı:\n"_qs + m_fx->folder() + u"\n\n"_qs + noList +
                         u"\n\n5 numaralı faturanın müşterisinin (Peşin Müşteri) vergi ya da "
                         "TC kimlik numarası yok: nihai tüketici (11111111111) olarak "
                         "yazıldı.\n\nYazılmayan faturalar:\n4 numaralı fatura e-Arşiv "
                         "faturası olarak yazılmadı: 1. satırın tutarı eksi (-100,00); iade "
                         "için fatura tipi İADE seçilip tutarlar artı yazılır."_qs}));
    QCOMPARE(column(&w, 3), (QStringList{"ABC2026000000001", "ABC2026000000003", "ABC2026000000002",
                                         "henüz yok", "ABC2026000000004"}));

    // Left at the settings' rate, the box keeps each invoice's own rate; written again, an
    // invoice is asked nothing.
    m_fx->store(7, one);
    QCOMPARE(EArsivExport(m_fx->workspace, u"20"_qs).exportInvoice(7).gibNumber,
             u"ABC2026000000005"_qs);
    m_messages.clear();
    setText(&w, "vatRate", u" 18 "_qs);
    w.refresh();
    selectRows(&w, {5});
    click(&w, "exportSelected");
    QCOMPARE(m_messages, QStringList{u"1 e-Arşiv faturası yazıldı:\n"_qs + m_fx->folder()});

    // The folder, through the desktop.
    QStringList opened;
    m_fx->workspace.seams.openUrl = [&](const QUrl &url) {
        opened << url.toLocalFile();
        return true;
    };
    click(&w, "openFolder");
    QCOMPARE(opened, QStringList{m_fx->folder()});
}

// The list of e-Fatura users, imported with the button: the window says from when it is and
// how many it holds, and says so in red once it is older than a week. A file that cannot be
// read is told and changes nothing.
void TestEArsivWindows::userList() {
    QTemporaryDir tmp;
    const QString csv = tmp.filePath(u"liste.csv"_qs);
    QFile f(csv);
    QVERIFY(f.open(QIODevice::WriteOnly) &&
            f.write("1234567890;Işık Elektrik\n10000000146;Ayşe Yılmaz\n") > 0);
    f.close();
    std::optional<QString> chosen = csv;
    Choosers::setTestHooks({.file = [&](QWidget *) { return chosen; }, .font = {}, .path = {}});
    const auto unhook = qScopeGuard([] { Choosers::setTestHooks({}); });

    Shown<EArsivWindow> w(m_fx->workspace);
    auto *label = field<QLabel>(&w, "userListLabel");
    QCOMPARE(label->text(), u"e-Fatura kullanıcı listesi alınmamış: vergi numaralı alıcılar da "
                            "e-Arşiv faturası alır."_qs);
    click(&w, "importUserList");
    QCOMPARE(m_messages,
             QStringList{u"e-Fatura kullanıcı listesi alındı: 2 kullanıcı.\n"_qs + csv});
    QCOMPARE(label->text(),
             u"e-Fatura kullanıcı listesi: 30.06.2026 tarihli, 2 kullanıcı (liste.csv)."_qs);
    QCOMPARE(label->styleSheet(), QString());

    // A week and a day later.
    m_fx->today = m_fx->today.addDays(8);
    w.refresh();
    QCOMPARE(label->text(), u"e-Fatura kullanıcı listesi: 30.06.2026 tarihli, 2 kullanıcı "
                            "(liste.csv); bir haftadan eski, güncel listeyi alınız."_qs);
    QVERIFY(label->styleSheet().contains(u"color"_qs));

    // A file that is no list; then the chooser cancelled.
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("Bu bir liste değil\n") > 0);
    f.close();
    m_messages.clear();
    click(&w, "importUserList");
    QCOMPARE(m_messages, QStringList{u"e-Fatura kullanıcı listesinde hiç kullanıcı yok: %1\nListe "
                                     "değiştirilmedi."_qs.arg(csv)});
    chosen.reset();
    m_messages.clear();
    click(&w, "importUserList");
    QCOMPARE(m_messages, QStringList());
    Database d(m_fx->db);
    QCOMPARE(registeredUserList(d)->count, qint64(2));
}

QTEST_MAIN(TestEArsivWindows)
#include "test_earsivwindows.moc"
