// What the invoice window refuses to round silently, and what a stopped batch run says.
#include "gui/Form3.h"
#include "gui/Form7.h"
#include "gui/messages.h"
#include "invoice/invoice.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "tools/sampledata.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Prints nothing anywhere; after `stopAfter` documents it presses "İptal" of the window's
// progress dialog, as a user would.
class CancellingPrinter : public RecordingPrinter {
public:
    CancellingPrinter(QWidget *window, int stopAfter)
        : m_window(window)
        , m_stopAfter(stopAfter) {}
    void endDocument() override {
        RecordingPrinter::endDocument();
        if (documents() == m_stopAfter)
            if (auto *dialog = m_window->findChild<QProgressDialog *>())
                dialog->cancel();
    }

private:
    QWidget *m_window;
    int m_stopAfter;
};

} // namespace

class TestLimits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { Messages::setTestHandler({}); }
    void init() { m_messages.clear(); }
    void refusedLines_data();
    void refusedLines();
    void refusedInWindow();
    void stoppedBatch_data();
    void stoppedBatch();

private:
    QTemporaryDir m_dir;
    Workspace m_workspace{m_dir.path()};
    QString m_campaign;
    QStringList m_messages;
};

void TestLimits::initTestCase() {
    SampleDataOptions options;
    options.campaignInvoices = 9;
    ayarlari_yaz(defaultSettings(), m_workspace.settingsPath());
    m_campaign = writeSampleDatabase(m_workspace.databasePath(), options).campaign;
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m.text;
        return false;
    });
}

void TestLimits::refusedLines_data() {
    QTest::addColumn<QStringList>("first"); // a line already there: quantity, price
    QTest::addColumn<QStringList>("typed"); // discount, quantity, price
    QTest::addColumn<QString>("vatRate");   // VAT excluded at this rate
    QTest::addColumn<QString>("message");   // empty: the line is taken
    QTest::addColumn<QString>("amount");    // the taken line's amount
    const QStringList none;
    // Discount percent: 0 to 100.
    QTest::newRow("iskonto -5") << none << QStringList{"-5", "1", "10"} << "20"
                                << "İskonto yüzdesi 0 ile 100 arasında olmalı: -5"
                                << "";
    QTest::newRow("iskonto 100,5") << none << QStringList{"100,5", "1", "10"} << "20"
                                   << "İskonto yüzdesi 0 ile 100 arasında olmalı: 100,5"
                                   << "";
    QTest::newRow("iskonto 100") << none << QStringList{"100", "1", "10"} << "20"
                                 << ""
                                 << "10,00";
    QTest::newRow("iskonto 0") << none << QStringList{"0", "2", "10"} << "20"
                               << ""
                               << "20,00";
    // A typed number with more digits than a number keeps.
    QTest::newRow("16 basamaklı miktar")
        << none << QStringList{"", "1234567890123456", "1"} << "20"
        << "Miktar en fazla 15 anlamlı basamak olabilir: 1234567890123456"
        << "";
    QTest::newRow("16 basamaklı fiyat")
        << none << QStringList{"", "1", "0,1234567890123456"} << "20"
        << "Birim fiyat en fazla 15 anlamlı basamak olabilir: 0,1234567890123456"
        << "";
    QTest::newRow("sıfırları çok fiyat")
        << none << QStringList{"", "1", "000012,500000000000000000"} << "20"
        << ""
        << "12,50";
    // Amounts in kuruş: at most 15 digits, 9.999.999.999.999,99.
    QTest::newRow("en büyük tutar") << none << QStringList{"", "1", "9.999.999.999.999,99"} << "0"
                                    << ""
                                    << "9.999.999.999.999,99";
    QTest::newRow("satır tutarı") << none << QStringList{"", "10", "1.000.000.000.000,00"} << "0"
                                  << "Satır tutarı 15 basamağı aşıyor (en çok "
                                     "9.999.999.999.999,99); satır eklenmedi."
                                  << "";
    QTest::newRow("ara toplam")
        << QStringList{"1", "6.000.000.000.000,00"} << QStringList{"", "1", "6.000.000.000.000,00"}
        << "0"
        << "Ara toplam 15 basamağı aşıyor (en çok 9.999.999.999.999,99); satır eklenmedi."
        << "";
    QTest::newRow("genel toplam")
        << none << QStringList{"", "1", "9.000.000.000.000,00"} << "20"
        << "Genel toplam 15 basamağı aşıyor (en çok 9.999.999.999.999,99); satır eklenmedi."
        << "";
}

// A refused line names its field and changes nothing; a taken one keeps its kuruş.
void TestLimits::refusedLines() {
    QFETCH(QStringList, first);
    QFETCH(QStringList, typed);
    QFETCH(QString, vatRate);
    QFETCH(QString, message);
    QFETCH(QString, amount);
    Invoice invoice;
    invoice.vatMode = VatExcluded;
    invoice.setVatRate(vatRate);
    if (!first.isEmpty())
        QCOMPARE(addLine(invoice, {u"önceki"_qs, {}, first[0], first[1]}), QString());
    const Invoice before = invoice;
    QCOMPARE(addLine(invoice, {u"kalem"_qs, typed[0], typed[1], typed[2]}), message);
    if (!message.isEmpty()) {
        QCOMPARE(invoice.lines, before.lines);
        return;
    }
    QCOMPARE(computeFigures(invoice).lineAmounts.last(), amount);
}

// The window shows the refusal and keeps what was typed.
void TestLimits::refusedInWindow() {
    Form3 form(m_workspace);
    form.findChild<QLineEdit *>(u"Text14"_qs)->setText(u"150"_qs);
    form.findChild<QLineEdit *>(u"Text9"_qs)->setText(u"1"_qs);
    form.findChild<QLineEdit *>(u"Text10"_qs)->setText(u"10"_qs);
    form.findChild<QPushButton *>(u"Command2"_qs)->click();
    QCOMPARE(m_messages, QStringList{u"İskonto yüzdesi 0 ile 100 arasında olmalı: 150"_qs});
    QVERIFY(form.invoice().lines.isEmpty());
    QCOMPARE(form.findChild<QLineEdit *>(u"Text14"_qs)->text(), u"150"_qs);
}

void TestLimits::stoppedBatch_data() {
    QTest::addColumn<QString>("pdfPath"); // where the prints went; empty for a printer
    QTest::addColumn<QString>("message");
    const QString stopped = u"Toplu baskı durduruldu: 3 / 9 fatura basıldı."_qs;
    QTest::newRow("yazıcı") << QString() << stopped;
    QTest::newRow("PDF") << u"baskilar/kampanya"_qs
                         << stopped + u'\n' + pdfNotice(u"baskilar/kampanya"_qs);
}

// "İptal" after the third of nine invoices: the message says the run stopped part-way and
// how far it came.
void TestLimits::stoppedBatch() {
    QFETCH(QString, pdfPath);
    QFETCH(QString, message);
    Form7 w(m_workspace);
    w.show();
    m_workspace.seams.printTarget = [&](const QString &, PdfPrinter::Mode) {
        PrintTarget t;
        t.printer = std::make_unique<CancellingPrinter>(&w, 3);
        t.pdfPath = pdfPath;
        return t;
    };
    w.findChild<QComboBox *>(u"Combo1"_qs)->setCurrentText(m_campaign);
    w.yazdir();
    m_workspace.seams.printTarget = {};
    QCOMPARE(m_messages, QStringList{message});
}

QTEST_MAIN(TestLimits)
#include "test_limits.moc"
