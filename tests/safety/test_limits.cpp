// What the invoice refuses to round silently, and what a stopped batch run says.
#include "gui/Form7.h"
#include "invoice/invoice.h"
#include "tests/common/windowfixture.h"
#include "tools/sampledata.h"

#include <QProgressDialog>

namespace {

// Prints nothing anywhere; after the third document it presses "İptal" of the window's
// progress dialog, as a user would.
class CancellingPrinter : public RecordingPrinter {
public:
    explicit CancellingPrinter(QWidget *window)
        : m_window(window) {}
    void endDocument() override {
        RecordingPrinter::endDocument();
        if (auto *dialog = m_window->findChild<QProgressDialog *>(); dialog && documents() == 3)
            dialog->cancel();
    }

private:
    QWidget *m_window;
};

} // namespace

class TestLimits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusedLines();
    void stoppedBatch();
};

// A refused line names its field and changes nothing; a taken one keeps its kuruş.
void TestLimits::refusedLines() {
    const QString range = u"İskonto yüzdesi 0 ile 100 arasında olmalı: "_qs;
    const QString digits = u" en fazla 15 anlamlı basamak olabilir: "_qs;
    const QString beyond =
        u" 15 basamağı aşıyor (en çok 9.999.999.999.999,99); satır eklenmedi."_qs;
    const QList<QStringList> cases = {
        // VAT rate (added on top), discount, quantity, price; the refusal or the amount taken;
        // the price of a line there before.
        {"20", "-5", "1", "10", range + "-5"},
        {"20", "100", "1", "10", "10,00"},
        // A typed number with more digits than a number keeps; zeros around it do not count.
        {"20", "", "1234567890123456", "1", "Miktar" + digits + "1234567890123456"},
        {"20", "", "1", "0,1234567890123456", "Birim fiyat" + digits + "0,1234567890123456"},
        {"20", "", "1", "000012,500000000000000000", "12,50"},
        // Amounts in kuruş: at most 15 digits.
        {"0", "", "1", "9.999.999.999.999,99", "9.999.999.999.999,99"},
        {"0", "", "10", "1.000.000.000.000,00", "Satır tutarı" + beyond},
        {"0", "", "1", "6.000.000.000.000,00", "Ara toplam" + beyond, "6.000.000.000.000,00"},
        {"20", "", "1", "9.000.000.000.000,00", "Genel toplam" + beyond},
    };
    for (const QStringList &c : cases) {
        Invoice invoice;
        invoice.vatMode = VatExcluded;
        invoice.setVatRate(c[0]);
        if (c.size() > 5)
            QCOMPARE(addLine(invoice, {u"önceki"_qs, {}, u"1"_qs, c[5], {}, {}, u"350"_qs}),
                     QString());
        const Invoice before = invoice;
        // The exemption counts only for the lines at 0 %.
        const QString refusal =
            addLine(invoice, {u"kalem"_qs, c[1], c[2], c[3], {}, {}, u"350"_qs});
        if (refusal.isEmpty()) {
            QCOMPARE(moneyText(computeFigures(invoice).lineAmounts.last()), c[4]);
        } else {
            QCOMPARE(refusal, c[4]);
            QCOMPARE(invoice.lines, before.lines);
        }
    }
}

// "İptal" after the third of nine invoices: the message says the run stopped part-way, how
// far it came and, into a PDF, where that went.
void TestLimits::stoppedBatch() {
    WindowFixture fx;
    {
        Database db(fx.db, Database::Access::Write);
        writeSampleCampaign(db, u"KAMPANYA"_qs, 9, 3, false, 1, 2024);
    }
    const QString stopped = u"Toplu baskı durduruldu: 3 / 9 fatura basıldı."_qs;
    for (const QString &pdfPath : {QString(), u"baskilar/kampanya"_qs}) {
        Shown<Form7> w(fx.workspace);
        fx.workspace.seams.printTarget = [&](const QString &, PdfPrinter::Mode) {
            PrintTarget t;
            t.printer = std::make_unique<CancellingPrinter>(&w);
            t.pdfPath = pdfPath;
            return t;
        };
        fx.messages.clear();
        field<QComboBox>(&w, "Combo1")->setCurrentText(u"KAMPANYA"_qs);
        w.yazdir();
        QCOMPARE(fx.messageTexts(),
                 QStringList{pdfPath.isEmpty() ? stopped : stopped + u'\n' + pdfNotice(pdfPath)});
    }
}

QTEST_MAIN(TestLimits)
#include "test_limits.moc"
