// A 230-line invoice on the default A4 layout: the line block runs from 4500 twips down to the
// subtotal at 11700, a line every 300 twips, so 24 lines fit a sheet and the invoice takes
// 10 sheets. Every line is printed once, each sheet carries the header, the totals and the
// words are on the last sheet only; the PDF and the preview show every sheet.
#include "gui/Form3.h"
#include "gui/previewwindow.h"
#include "invoice/batchrun.h"
#include "invoice/invoiceprint.h"
#include "store/invoices.h"
#include "tests/common/pdftext.h"
#include "tests/common/windowfixture.h"

#include <QRegularExpression>

namespace {

constexpr int lineCount = 230;
constexpr int sheets = 10;
const QString customer = u"Uzun Fatura Ticaret A.Ş."_qs;
const QRegularExpression linePattern(u"Kalem (\\d{3})"_qs);

// How often each of the invoice's lines appears in `texts`.
QList<int> lineCounts(const QStringList &texts) {
    QList<int> counts(lineCount, 0);
    for (const QString &t : texts)
        for (auto it = linePattern.globalMatch(t); it.hasNext();)
            ++counts[it.next().captured(1).toInt() - 1];
    return counts;
}

} // namespace

class TestLongInvoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void pdf();
    void preview();
    void campaign();

private:
    WindowFixture m_fx;
};

void TestLongInvoice::initTestCase() {
    InvoiceHeaderRecord h;
    h.faturano = 1;
    h.musterino = u"7"_qs;
    h.adi_soyadi = customer;
    h.kdvdahil = VatExcluded;
    QList<InvoiceLineRecord> lines;
    for (int i = 1; i <= lineCount; ++i)
        lines << InvoiceLineRecord{double(i % 7 + 1), u"Kalem %1"_qs.arg(i, 3, 10, QChar(u'0')),
                                   QString(), u"2.50"_qs, QString()};
    Database db(m_fx.db, Database::Access::Write);
    QVERIFY(insertInvoice(db, h, lines));
}

// "Yazdır" of the invoice window into a PDF: one document, a page a sheet.
void TestLongInvoice::pdf() {
    if (!havePdftotext())
        QSKIP("pdftotext (poppler-utils) is needed to read the PDF back");
    m_fx.workspace.seams.printTarget = [this](const QString &stem, PdfPrinter::Mode mode) {
        return pdfPrintTarget(stem, mode, m_fx.dir.path());
    };
    Form3 form(m_fx.workspace);
    form.faturabul(u"1"_qs);
    QCOMPARE(form.invoice().lines.size(), lineCount);
    form.yazdir();
    RecordingPrinter paper;
    printInvoice(paper, m_fx.workspace.readSettings(23), form.invoice());
    QCOMPARE(paper.documents(), 1);
    const QStringList pdfs = QDir(m_fx.dir.filePath(u"baskilar"_qs)).entryList({u"*.pdf"_qs});
    QCOMPARE(pdfs.size(), 1);
    const QString path = m_fx.dir.filePath(u"baskilar/"_qs + pdfs[0]);
    QCOMPARE(m_fx.messageTexts(), QStringList{pdfNotice(path)});

    QStringList pages = pdfText(path).split(u'\f');
    pages.removeLast(); // after the last form feed
    QCOMPARE(pages.size(), sheets);
    QCOMPARE(lineCounts(pages), QList<int>(lineCount, 1));
    const FigureTexts figures = figureTexts(form.invoice(), computeFigures(form.invoice()));
    for (int i = 0; i < sheets; ++i) {
        const bool last = i == sheets - 1;
        // Lines beyond 24 would run into the totals.
        QCOMPARE(pages[i].count(linePattern), last ? 14 : 24);
        QCOMPARE(pages[i].count(customer), 1);
        QCOMPARE(pages[i].count(figures.grandTotal), int(last));
        QCOMPARE(pages[i].count(u"Y. "_qs + figures.words), int(last));
    }
}

// The preview shows every sheet, one under another, with every line on one of them.
void TestLongInvoice::preview() {
    PreviewWindow w(m_fx.workspace);
    w.load(m_fx.workspace.readSettings(23));
    QVERIFY(!w.invoice().sample);
    QCOMPARE(w.sheetCount(), sheets);
    QWidget *page = field<QWidget>(&w, "sayfa");
    QVERIFY(page->height() > sheets * w.paperRect().height());
    page->grab();
    QStringList texts;
    for (const RecordingPrinter::Line &l : w.printedLines())
        texts << l.text;
    QCOMPARE(lineCounts(texts), QList<int>(lineCount, 1));
    QCOMPARE(texts.count(customer), sheets);
}

// A campaign invoice of as many lines: 200 twips apart from 4500 down to 11700, 36 a sheet, so
// 7 sheets, each with the header; the totals block once, under the last line.
void TestLongInvoice::campaign() {
    CampaignInvoice stored;
    stored.adi_soyadi = customer;
    for (int i = 1; i <= lineCount; ++i)
        stored.lines << CampaignInvoice::Line{u"Kalem %1"_qs.arg(i, 3, 10, QChar(u'0')), 1, 2};
    RecordingPrinter paper;
    printCampaignInvoice(paper, printLayout(defaultSettings()),
                         campaignInvoiceModel(stored, defaultSettings()), u"Merkez"_qs);
    QCOMPARE(paper.documents(), 1);
    QStringList texts;
    QList<QStringList> onSheet(7);
    for (const RecordingPrinter::Line &l : paper.lines()) {
        const bool line = l.text.contains(linePattern);
        // No line runs into the subtotal's row.
        QVERIFY(l.sheet < 7 && (!line || l.y < 11700));
        onSheet[l.sheet] << (line ? u"kalem"_qs : l.text);
        texts << l.text;
    }
    QCOMPARE(lineCounts(texts), QList<int>(lineCount, 1));
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(onSheet[i].count(u"kalem"_qs), i < 6 ? 36 : 14);
        QCOMPARE(onSheet[i].count(u"Merkez"_qs), 1);
        QCOMPARE(onSheet[i].count(u"KDV MATRAHI"_qs), int(i == 6));
    }
}

QTEST_MAIN(TestLongInvoice)
#include "test_longinvoice.moc"
