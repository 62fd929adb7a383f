#include "earsivfixture.h"
#include "tests/common/windowfixture.h"

#include "app/windows.h"
#include "gui/EArsivWindow.h"
#include "gui/Form3.h"
#include "gui/Form4.h"
#include "gui/SellerWindow.h"
#include "invoice/earsivexport.h"
#include "store/earsivrecords.h"

#include <QLabel>
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
    void windowGrandTotal_data();
    void windowGrandTotal();
    void menu();
    void sellerWindow();
    void exportWindow();

private:
    std::unique_ptr<EArsivFixture> m_fx;
    QStringList m_messages;
};

void TestEArsivWindows::init() {
    m_fx = std::make_unique<EArsivFixture>();
    m_messages.clear();
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m.text;
        return false;
    });
}

void TestEArsivWindows::cleanup() {
    Messages::setTestHandler({});
    m_fx.reset();
}

void TestEArsivWindows::windowGrandTotal_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("grandTotal");
    QTest::newRow("Hariç") << int(VatExcluded) << u"2.667,86"_qs;
    QTest::newRow("Dahil") << int(VatIncluded) << u"2.260,90"_qs;
}

// The worked examples typed into the invoice window and saved there: the e-invoice asks for
// what the window showed, before the save and after loading the invoice again.
void TestEArsivWindows::windowGrandTotal() {
    QFETCH(int, mode);
    {
        Form3 form(m_fx->workspace);
        form.show();
        field<QComboBox>(&form, "Combo3")->setCurrentIndex(mode);
        field<QComboBox>(&form, "Combo1")->setEditText(u"21"_qs);
        field<QComboBox>(&form, "Combo2")->setEditText(u"Ömer Çelik"_qs);
        field(&form, "Text2")->setText(u"Ulus 10000000146"_qs);
        field(&form, "Text16")->setText(u"Altındağ / Ankara"_qs);
        addLine(&form, u"Muayene"_qs, {}, u"1"_qs, u"10,00"_qs);
        addLine(&form, u"Tahlil"_qs, u"10"_qs, u"2"_qs, u"1250,50"_qs);
        QTEST(text(&form, "Text7"), "grandTotal");
        click(&form, "Command3");
        QCOMPARE(m_messages, QStringList{u"Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"_qs});
    }
    Form3 loaded(m_fx->workspace);
    loaded.show();
    loaded.faturabul(u"1"_qs);
    QTEST(text(&loaded, "Text7"), "grandTotal");

    const EArsivResult r = EArsivExport(m_fx->workspace).exportInvoice(1);
    QCOMPARE(r.refusal, QString());
    const XmlValues x(fileBytes(r.files.first()));
    QCOMPARE(kurus(x.one(u"Invoice/LegalMonetaryTotal/PayableAmount"_qs)),
             windowKurus(text(&loaded, "Text7")));
    QCOMPARE(x.one(u"Invoice/IssueDate"_qs), u"2026-06-30"_qs);
    QCOMPARE(x.one(u"Invoice/AccountingCustomerParty/Party/PostalAddress/CityName"_qs),
             u"Ankara"_qs);
}

void TestEArsivWindows::menu() {
    Windows windows(m_fx->workspace);
    windows.showMain();
    // Where it sits in the menu is checked with the other entries in tests/app.
    auto *earsiv = windows.mainWindow()->findChild<QAction *>(u"earsiv"_qs);
    earsiv->trigger();
    QVERIFY(windows.earsiv() && windows.earsiv()->isVisible());
    QCOMPARE(windows.earsiv()->windowTitle(), u"e-Arşiv Faturası"_qs);
    click(windows.earsiv(), "sellerDetails");
    QVERIFY(windows.seller() && windows.seller()->isVisible());
    QCOMPARE(text(windows.seller(), "title"), EArsivFixture::seller().title);
    // Closing the main window closes them too.
    QPointer<EArsivWindow> earsivWindow = windows.earsiv();
    QPointer<SellerWindow> sellerWindow = windows.seller();
    windows.mainWindow()->close();
    QTRY_VERIFY(!earsivWindow && !sellerWindow);
}

void TestEArsivWindows::sellerWindow() {
    sql(m_fx->db, {u"DROP TABLE satici_bilgileri"_qs});
    {
        SellerWindow w(m_fx->workspace);
        w.show();
        QCOMPARE(text(&w, "taxNumber"), QString());
        QSignalSpy saved(&w, &SellerWindow::saved);
        click(&w, "save");
        QCOMPARE(m_messages, QStringList{u"VKN ya da TCKN giriniz!"_qs});
        // A person: first and family name instead of a title; a prefix typed small.
        const QList<QPair<const char *, QString>> typed = {
            {"taxNumber", u"10000000146"_qs},  {"firstName", u"Ayşe"_qs},
            {"taxOffice", u"Konak"_qs},        {"street", u"Gül Sok. 3"_qs},
            {"district", u"Konak"_qs},         {"city", u"İzmir"_qs},
            {"email", u"ayse@example.com"_qs}, {"seriesPrefix", u"ay1"_qs}};
        for (const auto &[name, value] : typed)
            field(&w, name)->setText(value);
        click(&w, "save");
        QCOMPARE(m_messages.last(), u"Soyadı giriniz!"_qs);
        QVERIFY(!Database(m_fx->db).db().tables().contains(u"satici_bilgileri"_qs));
        field(&w, "familyName")->setText(u"Yılmaz"_qs);
        click(&w, "save");
        QCOMPARE(m_messages.last(), u"Firma bilgileri kaydedildi."_qs);
        QCOMPARE(saved.count(), 1);
        QCOMPARE(text(&w, "seriesPrefix"), u"AY1"_qs);
    }
    Database d(m_fx->db);
    const std::optional<SellerRecord> stored = readSeller(d);
    QVERIFY(stored);
    QCOMPARE(stored->familyName, u"Yılmaz"_qs);
    QCOMPARE(stored->seriesPrefix, u"AY1"_qs);

    // Shown again when the window opens; a database that cannot be written is told.
    SellerWindow again(m_fx->workspace);
    QCOMPARE(texts(&again, {"taxNumber", "firstName", "familyName", "city", "seriesPrefix"}),
             (QStringList{"10000000146", "Ayşe", "Yılmaz", "İzmir", "AY1"}));
    QFile::setPermissions(m_fx->db, QFileDevice::ReadOwner);
    m_messages.clear();
    field(&again, "city")->setText(u"Manisa"_qs);
    click(&again, "save");
    QFile::setPermissions(m_fx->db, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(m_messages, QStringList{u"Veritabanına yazılamıyor (salt okunur): "_qs + m_fx->db});
    QCOMPARE(readSeller(d)->city, u"İzmir"_qs);
}

void TestEArsivWindows::exportWindow() {
    const QList<QStringList> one = {{u"1"_qs, u"Kalem"_qs, {}, u"100"_qs}};
    EArsivFixture::Header cash;
    cash.name = u"Peşin Müşteri"_qs;
    cash.taxOffice.clear();
    for (qint64 n : {1, 2, 3})
        m_fx->store(n, one, VatExcluded);
    m_fx->store(4, {{u"-1"_qs, u"İade"_qs, {}, u"100"_qs}}, VatExcluded);
    m_fx->store(5, one, VatIncluded, cash);

    EArsivWindow w(m_fx->workspace);
    w.show();
    QCOMPARE(column(&w, 0), (QStringList{"1", "2", "3", "4", "5"}));
    QCOMPARE(column(&w, 2).last(), u"Peşin Müşteri"_qs);
    QCOMPARE(column(&w, 3), QStringList(5, u"henüz yok"_qs));
    QCOMPARE(texts(&w, {"vatRate", "fromDate", "toDate"}),
             (QStringList{"18", "01.06.2026", "30.06.2026"}));
    QCOMPARE(field<QLabel>(&w, "folderLabel")->text(), u"Dosyalar: "_qs + m_fx->folder());

    click(&w, "exportSelected");
    QCOMPARE(m_messages, QStringList{u"Aktarılacak faturaları listeden seçiniz!"_qs});
    m_messages.clear();
    selectRows(&w, {2, 0});
    click(&w, "exportSelected");
    QCOMPARE(m_messages, QStringList{u"2 e-Arşiv faturası yazıldı:\n"_qs + m_fx->folder()});
    QCOMPARE(column(&w, 3), (QStringList{"ABC2026000000001", "henüz yok", "ABC2026000000002",
                                         "henüz yok", "henüz yok"}));
    QVERIFY(QFile::exists(m_fx->file(u"ABC2026000000002"_qs, ".pdf")));

    // The date boxes are checked before anything runs.
    const QList<QPair<QStringList, QString>> dates = {
        {{"31.02.2026", "30.06.2026"}, u"Başlangıç tarihi geçersiz: GG.AA.YYYY yazınız!"_qs},
        {{"01.06.2026", "haziran"}, u"Bitiş tarihi geçersiz: GG.AA.YYYY yazınız!"_qs},
        {{"02.06.2026", "01.06.2026"}, u"Başlangıç tarihi bitiş tarihinden sonra olamaz!"_qs},
        {{"01.01.2020", "31.01.2020"},
         u"01.01.2020 ile 31.01.2020 arasında tarihli kayıtlı fatura yok."_qs}};
    for (const auto &[range, message] : dates) {
        m_messages.clear();
        field(&w, "fromDate")->setText(range[0]);
        field(&w, "toDate")->setText(range[1]);
        click(&w, "exportRange");
        QCOMPARE(m_messages, QStringList{message});
    }

    // The month: what was given is written again, the others get the next numbers; the
    // final consumer and the refused return are told.
    m_messages.clear();
    field(&w, "fromDate")->setText(u"1.6.2026"_qs);
    field(&w, "toDate")->setText(u"30.06.2026"_qs);
    click(&w, "exportRange");
    QCOMPARE(m_messages,
             QStringList{u"4 e-Arşiv faturası yazıldı:\n"_qs + m_fx->folder() +
                         u"\n\n5 numaralı faturanın müşterisinin (Peşin Müşteri) vergi ya da TC "
                         u"kimlik numarası yok: nihai tüketici (11111111111) olarak yazıldı."
                         u"\n\nYazılmayan faturalar:\n4 numaralı fatura e-Arşiv faturası olarak "
                         u"yazılmadı: 1. satırın tutarı eksi (-100,00); iade için İADE faturası "
                         u"gerekir, bu sürümde yazılamıyor."_qs});
    QCOMPARE(column(&w, 3), (QStringList{"ABC2026000000001", "ABC2026000000003", "ABC2026000000002",
                                         "henüz yok", "ABC2026000000004"}));

    // Another rate for an invoice given with 18 is refused.
    m_messages.clear();
    field(&w, "vatRate")->setText(u"20"_qs);
    selectRows(&w, {0});
    click(&w, "exportSelected");
    QCOMPARE(m_messages,
             QStringList{u"Hiçbir e-Arşiv faturası yazılmadı.\n\nYazılmayan faturalar:\n1 "
                         u"numaralı fatura e-Arşiv faturası olarak yazılmadı: daha önce "
                         u"ABC2026000000001 numarasıyla %18 KDV ile verildi; başka bir KDV "
                         u"oranıyla yeniden yazılamaz."_qs});

    // Left at the settings' rate, the box keeps each invoice's own rate.
    m_fx->store(7, one, VatExcluded);
    QCOMPARE(EArsivExport(m_fx->workspace, u"20"_qs).exportInvoice(7).gibNumber,
             u"ABC2026000000005"_qs);
    m_messages.clear();
    field(&w, "vatRate")->setText(u" 18 "_qs);
    w.refresh();
    selectRows(&w, {5});
    click(&w, "exportSelected");
    QCOMPARE(m_messages, QStringList{u"1 e-Arşiv faturası yazıldı:\n"_qs + m_fx->folder()});

    // A file that cannot be written stops the run with its message; nothing is given.
    m_messages.clear();
    field(&w, "vatRate")->setText(u"18"_qs);
    m_fx->store(6, one, VatExcluded);
    w.refresh();
    QVERIFY(QDir().mkpath(m_fx->file(u"ABC2026000000006"_qs, ".xml")));
    selectRows(&w, {5});
    click(&w, "exportSelected");
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().startsWith(u"e-Arşiv dosyası yazılamadı: "_qs +
                                           m_fx->file(u"ABC2026000000006"_qs, ".xml")),
             qPrintable(m_messages.first()));
    QCOMPARE(column(&w, 3).at(5), u"henüz yok"_qs);

    // The folder, through the desktop; a refusal of the desktop is told.
    QStringList opened;
    m_fx->workspace.seams.openFolder = [&](const QString &path) {
        opened << path;
        return opened.size() == 1;
    };
    m_messages.clear();
    click(&w, "openFolder");
    click(&w, "openFolder");
    QCOMPARE(opened, QStringList(2, m_fx->folder()));
    QCOMPARE(m_messages, QStringList{u"Klasör açılamadı: "_qs + m_fx->folder()});

    QSignalSpy seller(&w, &EArsivWindow::sellerDetailsRequested);
    click(&w, "sellerDetails");
    QCOMPARE(seller.count(), 1);
}

QTEST_MAIN(TestEArsivWindows)
#include "test_earsivwindows.moc"
