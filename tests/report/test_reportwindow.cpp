#include "gui/Form4.h"
#include "gui/ReportWindow.h"
#include "gui/backupactions.h"
#include "invoice/saving.h"
#include "store/backup.h"
#include "store/invoices.h"
#include "tests/common/windowfixture.h"

#include <QAction>
#include <QBarSet>
#include <QChart>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedBarSeries>
#include <QTabWidget>

namespace {

Invoice invoice(qint64 number, const QString &date, int mode, const QList<QStringList> &lines,
                InvoiceType type = InvoiceType::Sale) {
    Invoice inv;
    inv.header.number = number;
    inv.header.customerNumber = u"3"_qs;
    inv.header.customerName = u"Anadolu Gıda Ltd. Şti."_qs;
    inv.header.taxOffice = u"Kadıköy V.D. 1234567890"_qs;
    inv.header.invoiceDate = date;
    inv.header.type = type;
    inv.vatMode = mode;
    inv.setVatRate(u"20"_qs);
    for (const QStringList &l : lines)
        if (const QString refused = addLine(
                inv, LineInput{u"Ürün"_qs, l.value(2), l.at(0), l.at(1), l.value(3), {}, {}});
            !refused.isEmpty())
            qFatal("%s", qPrintable(refused));
    return inv;
}

void save(const QString &db, const Invoice &inv) {
    const InvoiceRecord r = invoiceRecord(inv);
    InvoiceInfo info = r.info;
    Database d(db, Database::Access::Write);
    if (!insertInvoice(d, r.header, r.lines, info))
        qFatal("not saved");
}

QStringList row(const QTableWidget *t, int r) {
    QStringList cells;
    for (int c = 0; c < t->columnCount(); ++c)
        cells << (t->item(r, c) ? t->item(r, c)->text() : QString());
    return cells;
}

} // namespace

class TestReportWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_fx;
    QString m_nextPath;

private Q_SLOTS:
    void init() {
        m_fx = std::make_unique<WindowFixture>();
        m_fx->workspace.seams.clock = [] { return QDate(2026, 4, 17); };
        m_fx->workspace.seams.now = [] { return QDateTime(QDate(2026, 4, 17), QTime(10, 30)); };
        Choosers::setTestHooks(
            {.file = {},
             .font = {},
             .path = [this](QWidget *, Choosers::PathKind, const QString &, const QString &) {
                 return m_nextPath.isEmpty() ? std::nullopt : std::optional<QString>(m_nextPath);
             }});
        // By hand (20 %): 1 excluded 2 × 100 + 50 less 10 % + 3 × 10 at 1 %: 245,00 / 49,00
        // and 30,00 / 0,30; 2 included 120,00 + 0,10 + 0,10: VAT 20,03 once for the rate,
        // base 100,17; 3 a return of 50,00 / 10,00.
        save(m_fx->db, invoice(1, u"02.03.2026"_qs, VatExcluded,
                               {{u"2"_qs, u"100"_qs},
                                {u"1"_qs, u"50"_qs, u"10"_qs},
                                {u"3"_qs, u"10"_qs, {}, u"1"_qs}}));
        save(m_fx->db,
             invoice(2, u"10.03.2026"_qs, VatIncluded,
                     {{u"1"_qs, u"120"_qs}, {u"1"_qs, u"0,10"_qs}, {u"1"_qs, u"0,10"_qs}}));
        Invoice ret =
            invoice(3, u"15.03.2026"_qs, VatExcluded, {{u"1"_qs, u"50"_qs}}, InvoiceType::Return);
        ret.header.returnedNumber = u"1"_qs;
        ret.header.returnedDate = u"02.03.2026"_qs;
        save(m_fx->db, ret);
    }
    void cleanup() { m_fx.reset(); }

    // March: the tables, the marks of the threshold, the chart, the CSV and the Form Bs list
    // as saved.
    void marchReports() {
        Shown<ReportWindow> w(m_fx->workspace);
        QCOMPARE(field<QComboBox>(&w, "monthBox")->currentIndex(), 3); // April, today's
        field<QComboBox>(&w, "monthBox")->setCurrentIndex(2);
        click(&w, "showButton");
        const auto *vat = field<QTableWidget>(&w, "vatTable");
        QCOMPARE(vat->rowCount(), 5);
        QCOMPARE(row(vat, 0),
                 (QStringList{u"Mart 2026"_qs, u"%1"_qs, u"1"_qs, u"30,00"_qs, u"0,30"_qs, u"0"_qs,
                              u"0,00"_qs, u"0,00"_qs, u"30,00"_qs, u"0,30"_qs}));
        QCOMPARE(row(vat, 1),
                 (QStringList{u"Mart 2026"_qs, u"%20"_qs, u"2"_qs, u"345,17"_qs, u"69,03"_qs,
                              u"1"_qs, u"50,00"_qs, u"10,00"_qs, u"295,17"_qs, u"59,03"_qs}));
        QCOMPARE(row(vat, 4).mid(8), (QStringList{u"325,17"_qs, u"59,33"_qs}));
        QCOMPARE(m_fx->messages.size(), 0);

        // 325,17 in March is below 5.000: no mark; at 300 the buyer is marked.
        const auto *buyers = field<QTableWidget>(&w, "buyerTable");
        QCOMPARE(row(buyers, 0).last(), QString());
        setText(&w, "thresholdBox", u"300"_qs);
        Q_EMIT field(&w, "thresholdBox")->editingFinished();
        QCOMPARE(row(buyers, 0).at(0), u"1234567890"_qs);
        QCOMPARE(row(buyers, 0).last(), u"Mart 2026"_qs);
        QVERIFY(buyers->item(0, 0)->background().color() !=
                buyers->item(1, 0)->background().color());

        m_nextPath = m_fx->dir.filePath(u"bs.csv"_qs);
        click(&w, "formBsButton");
        QCOMPARE(testdb::fileBytes(m_nextPath),
                 "\xEF\xBB\xBF" +
                     u"VKN/TCKN;Unvanı;Ülkesi;Belge Sayısı;Bedeli (KDV Hariç)\r\n"
                     "1234567890;Anadolu Gıda Ltd. Şti.;Türkiye;2;375,17\r\n"_qs.toUtf8());
        QVERIFY(m_fx->messageTexts().last().startsWith(u"Form Bs listesi kaydedildi (1 alıcı)"_qs));

        // The chart: April 2025 to March 2026, March last, the VAT stacked on the base.
        field<QTabWidget>(&w, "reportTabs")->setCurrentIndex(ReportWindow::SalesTab);
        const auto *series = qobject_cast<QStackedBarSeries *>(w.chart()->series().value(0));
        QVERIFY(series);
        QCOMPARE(series->count(), 2);
        QCOMPARE(series->barSets().at(0)->count(), 12);
        QCOMPARE(series->barSets().at(0)->at(11), 325.17);
        QCOMPARE(series->barSets().at(1)->at(11), 59.33);
        QCOMPARE(series->barSets().at(0)->at(10), 0.0);
        if (const QString shot = qEnvironmentVariable("FATURA_RAPOR_EKRANI"); !shot.isEmpty())
            w.grab().save(shot);

        // "CSV Kaydet" writes the tab shown: the monthly figures.
        m_nextPath = m_fx->dir.filePath(u"aylik.csv"_qs);
        click(&w, "csvButton");
        const QByteArray bytes = testdb::fileBytes(m_nextPath);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(u"\r\n"_qs);
        QCOMPARE(lines.at(0), u"Ay;KDV Hariç Satış;KDV;Toplam"_qs);
        QCOMPARE(lines.at(12), u"Mart 2026;325,17;59,33;384,50"_qs);

        m_nextPath = m_fx->dir.filePath(u"aylik.pdf"_qs);
        click(&w, "pdfButton");
        QVERIFY(testdb::fileBytes(m_nextPath).startsWith("%PDF"));
        QCOMPARE(m_fx->messageTexts().last(), u"PDF dosyası kaydedildi: "_qs + m_nextPath);
    }

    // Two dates typed: one that cannot be read is named, and nothing is shown.
    void datesTyped() {
        Shown<ReportWindow> w(m_fx->workspace);
        field<QComboBox>(&w, "periodKind")->setCurrentIndex(3);
        QVERIFY(field(&w, "fromDate")->isVisible());
        QVERIFY(!field<QComboBox>(&w, "monthBox")->isVisible());
        setText(&w, "fromDate", u"01.03.2026"_qs);
        setText(&w, "toDate", u"31.02.2026"_qs);
        click(&w, "showButton");
        QCOMPARE(m_fx->messageTexts(), (QStringList{u"Bitiş tarihi GG.AA.YYYY biçiminde "
                                                    "girilmelidir (örnek: 01.03.2026)."_qs}));
        QCOMPARE(field<QTableWidget>(&w, "vatTable")->rowCount(), 0);
        setText(&w, "toDate", u"15.03.2026"_qs);
        click(&w, "showButton");
        // Up to the 15th: the return is in, invoice 2 too.
        QCOMPARE(row(field<QTableWidget>(&w, "vatTable"), 1).at(9), u"59,03"_qs);
    }

    // The main menu opens the reports and takes backups; a backup is put back after its
    // contents were shown and confirmed, the old books kept beside.
    void menuAndBackups() {
        Form4 main(m_fx->workspace);
        QSignalSpy reports(&main, &Form4::reportsRequested);
        main.findChild<QAction *>(u"raporlar"_qs)->trigger();
        QCOMPARE(reports.size(), 1);
        QSignalSpy backup(&main, &Form4::backupRequested);
        main.findChild<QAction *>(u"yedekle"_qs)->trigger();
        QCOMPARE(backup.size(), 1);
        if (!testdb::server().isEmpty())
            return;

        QVERIFY(backUpBooks(m_fx->workspace, &main, false));
        const QString taken = backupFolder(m_fx->workspace) + u"/fatura-20260417-103000.MDB"_qs;
        QCOMPARE(m_fx->messageTexts().last(), u"Yedek alındı: "_qs + taken);
        save(m_fx->db, invoice(4, u"05.04.2026"_qs, VatExcluded, {{u"1"_qs, u"10"_qs}}));

        m_nextPath = taken;
        m_fx->answer = false;
        QVERIFY(!restoreBooks(m_fx->workspace, &main));
        QVERIFY2(m_fx->messageTexts().last().contains(
                     u"3 fatura, 0 müşteri; en son fatura: 3 numaralı, 15.03.2026"_qs),
                 qPrintable(m_fx->messageTexts().last()));
        QCOMPARE(m_fx->rows(u"SELECT count(DISTINCT faturano) FROM faturalar"_qs),
                 QStringList{u"4"_qs});
        m_fx->answer = true;
        QVERIFY(restoreBooks(m_fx->workspace, &main));
        QCOMPARE(m_fx->rows(u"SELECT count(DISTINCT faturano) FROM faturalar"_qs),
                 QStringList{u"3"_qs});
        QVERIFY(QFile::exists(m_fx->db + u".onceki-20260417-103000"_qs));
        QVERIFY(m_fx->messageTexts().last().startsWith(u"Yedek geri yüklendi."_qs));
    }
};

QTEST_MAIN(TestReportWindow)
#include "test_reportwindow.moc"
