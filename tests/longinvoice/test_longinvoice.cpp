// A 230-line invoice on the default A4 layout: the line block runs from 4500 twips down to the
// subtotal at 11700, a line every 300 twips, so 24 lines fit a sheet and the invoice takes
// 10 sheets. Every line is printed once, each sheet carries the header, the totals and the
// words are on the last sheet only; the PDF and the preview show every sheet.
#include "gui/Form3.h"
#include "gui/messages.h"
#include "gui/previewwindow.h"
#include "invoice/invoiceprint.h"
#include "invoice/saving.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/database.h"
#include "store/invoices.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int lineCount = 230;
constexpr int sheets = 10;
const QString customer = u"Uzun Fatura Ticaret A.Ş."_qs;

QString description(int i) {
    return u"Kalem %1"_qs.arg(i, 3, 10, QLatin1Char('0'));
}

QString pdfText(const QString &path) {
    QProcess p;
    p.start(u"pdftotext"_qs, {u"-enc"_qs, u"UTF-8"_qs, u"-layout"_qs, path, u"-"_qs});
    return p.waitForFinished(60000) && p.exitCode() == 0
               ? QString::fromUtf8(p.readAllStandardOutput())
               : QString();
}

// How often each of the invoice's descriptions appears in `texts`.
QList<int> descriptionCounts(const QStringList &texts) {
    QList<int> counts(lineCount + 1, 0);
    static const QRegularExpression pattern(u"Kalem (\\d{3})"_qs);
    for (const QString &t : texts) {
        for (auto it = pattern.globalMatch(t); it.hasNext();) {
            const int n = it.next().captured(1).toInt();
            if (n >= 1 && n <= lineCount)
                ++counts[n];
        }
    }
    return counts.mid(1);
}

} // namespace

class TestLongInvoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { Messages::setTestHandler({}); }
    void paper();
    void pdf();
    void preview();

private:
    QTemporaryDir m_dir;
    Workspace m_workspace{m_dir.path()};
    QStringList m_messages;
    QString m_grandTotal;
};

void TestLongInvoice::initTestCase() {
    ayarlari_yaz(defaultSettings(), m_workspace.settingsPath());
    createDatabase(m_workspace.databasePath());
    InvoiceHeaderRecord h;
    h.faturano = 1;
    h.musterino = u"7"_qs;
    h.adi_soyadi = customer;
    h.kdvdahil = VatExcluded;
    QList<InvoiceLineRecord> lines;
    for (int i = 1; i <= lineCount; ++i)
        lines << InvoiceLineRecord{double(i % 7 + 1), description(i), QString(), u"2.50"_qs,
                                   QString()};
    Database db(m_workspace.databasePath(), Database::Access::Write);
    QVERIFY(insertInvoice(db, h, lines));
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m.text;
        return false;
    });
}

// What printing hands the printer, sheet by sheet.
void TestLongInvoice::paper() {
    const ayarlar settings = defaultSettings();
    Invoice invoice;
    invoice.setVatRate(settings.kdv_yuzde);
    {
        Database db(m_workspace.databasePath());
        QCOMPARE(loadStoredRows(invoice, invoiceRows(db, 1)), QString());
    }
    const InvoiceFigures figures = computeFigures(invoice);
    m_grandTotal = figures.grandTotalText;
    RecordingPrinter printer;
    printInvoice(printer, settings, invoice);
    QCOMPARE(printer.documents(), 1);

    QStringList texts;
    QList<int> namesOnSheet(sheets, 0);
    QList<int> linesOnSheet(sheets, 0);
    int lastSheet = 0;
    for (const RecordingPrinter::Line &l : printer.lines()) {
        texts << l.text;
        lastSheet = std::max(lastSheet, l.sheet);
        QVERIFY2(l.sheet < sheets, qPrintable(l.text));
        if (l.text == customer)
            ++namesOnSheet[l.sheet];
        if (l.text.startsWith(u"Kalem "_qs)) {
            ++linesOnSheet[l.sheet];
            // Above the subtotal, with room for the line.
            QVERIFY2(l.y >= 4500 && l.y + 300 <= 11700, qPrintable(l.text));
        }
        if (l.text == m_grandTotal || l.text.startsWith(u"Y. "_qs))
            QCOMPARE(l.sheet, sheets - 1);
    }
    QCOMPARE(lastSheet, sheets - 1);
    QCOMPARE(descriptionCounts(texts), QList<int>(lineCount, 1));
    QCOMPARE(namesOnSheet, QList<int>(sheets, 1));
    QCOMPARE(linesOnSheet, (QList<int>{24, 24, 24, 24, 24, 24, 24, 24, 24, 14}));
    QCOMPARE(texts.count(m_grandTotal), 1);
    QCOMPARE(texts.count(u"Y. "_qs + figures.words), 1);
}

// "Yazdır" of the invoice window into a PDF: one page a sheet, every line on one of them.
void TestLongInvoice::pdf() {
    if (QStandardPaths::findExecutable(u"pdftotext"_qs).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the PDF back");
    m_messages.clear();
    m_workspace.seams.printTarget = [this](const QString &stem, PdfPrinter::Mode mode) {
        return pdfPrintTarget(stem, mode, m_dir.path());
    };
    {
        Form3 form(m_workspace);
        form.faturabul(u"1"_qs);
        QCOMPARE(form.invoice().lines.size(), lineCount);
        form.yazdir();
    }
    m_workspace.seams.printTarget = {};
    const QStringList pdfs = QDir(m_dir.filePath(u"baskilar"_qs)).entryList({u"*.pdf"_qs});
    QCOMPARE(pdfs.size(), 1);
    const QString path = m_dir.filePath(u"baskilar/"_qs + pdfs[0]);
    QCOMPARE(m_messages, QStringList{pdfNotice(path)});

    QStringList pages = pdfText(path).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    QCOMPARE(pages.size(), sheets);
    QCOMPARE(descriptionCounts(pages), QList<int>(lineCount, 1));
    for (int i = 0; i < sheets; ++i) {
        QVERIFY2(pages[i].contains(customer), qPrintable(QString::number(i)));
        QCOMPARE(pages[i].contains(u"Y. "_qs), i == sheets - 1);
    }
    // Drawn, the first sheet has nothing from the subtotal's line down (11700 twips and the
    // 10 pt margin, at 80 dpi); the last one has the totals there.
    const QString png = m_dir.filePath(u"sayfa"_qs);
    QCOMPARE(QProcess::execute(u"pdftoppm"_qs, {u"-png"_qs, u"-r"_qs, u"80"_qs, path, png}), 0);
    const int totalsRow = qRound((11700 / 1440.0 + 10 / 72.0) * 80);
    const auto inkFrom = [&](int sheet) {
        const QImage image(u"%1-%2.png"_qs.arg(png).arg(sheet, 2, 10, QLatin1Char('0')));
        for (int y = totalsRow; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 160)
                    return true;
        return false;
    };
    QVERIFY(!inkFrom(1));
    QVERIFY(inkFrom(sheets));
}

// The preview shows every sheet, one under another, with every line on one of them.
void TestLongInvoice::preview() {
    PreviewWindow w(m_workspace);
    w.load(defaultSettings());
    QVERIFY(!w.invoice().sample);
    QCOMPARE(w.sheetCount(), sheets);
    QWidget *page = w.findChild<QWidget *>(u"sayfa"_qs);
    QVERIFY(page->height() > sheets * w.paperRect().height());
    page->grab();
    QStringList texts;
    for (const RecordingPrinter::Line &l : w.printedLines())
        texts << l.text;
    QCOMPARE(descriptionCounts(texts), QList<int>(lineCount, 1));
    QCOMPARE(texts.count(customer), sheets);
}

QTEST_MAIN(TestLongInvoice)
#include "test_longinvoice.moc"
