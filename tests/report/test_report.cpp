#include "invoice/saving.h"
#include "invoice/summary.h"
#include "report/reports.h"
#include "store/invoices.h"
#include "tests/common/testdb.h"

#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

struct Line {
    QString quantity;
    QString price;
    QString discount = {};
    QString rate = {}; // empty: the invoice's
};

Invoice makeInvoice(qint64 number, const QString &date, int mode, const QList<Line> &lines,
                    const QString &customer = u"3"_qs,
                    const QString &taxBox = u"Kadıköy 1234567890"_qs,
                    InvoiceType type = InvoiceType::Sale) {
    Invoice inv;
    inv.header.number = number;
    inv.header.customerNumber = customer;
    inv.header.customerName = customer == u"3" ? u"Anadolu Gıda Ltd. Şti."_qs : u"Ayşe Kaya"_qs;
    inv.header.taxOffice = taxBox;
    inv.header.invoiceDate = date;
    inv.header.type = type;
    if (type == InvoiceType::Return) {
        inv.header.returnedNumber = u"1"_qs;
        inv.header.returnedDate = u"02.03.2026"_qs;
    }
    inv.vatMode = mode;
    inv.setVatRate(u"20"_qs);
    for (const Line &l : lines) {
        const QString refused =
            addLine(inv, LineInput{u"Ürün"_qs, l.discount, l.quantity, l.price, l.rate, {}, {}});
        if (!refused.isEmpty())
            qFatal("%s", qPrintable(refused));
    }
    return inv;
}

void save(const QString &path, const Invoice &invoice) {
    const InvoiceRecord r = invoiceRecord(invoice);
    InvoiceInfo info = r.info;
    Database db(path, Database::Access::Write);
    QVERIFY(insertInvoice(db, r.header, r.lines, info));
}

// The invoices of the checks, worked by hand (20 % unless said):
//  1  02.03.2026 VAT excluded, buyer VKN 1234567890: 2 × 100,00; 1 × 50,00 less 10 %;
//     3 × 10,00 at 1 %.  20 %: base 245,00 VAT 49,00;  1 %: base 30,00 VAT 0,30.
//  2  10.03.2026 VAT included, same buyer: 120,00 + 0,10 + 0,10 = 120,20 holds
//     120,20 × 20 / 120 = 20,0333 → VAT 20,03 (once for the rate, not 20,00 + 0,02 + 0,02),
//     base 100,17.
//  3  15.03.2026 a return to that buyer, excluded: 50,00, VAT 10,00.
//  4  05.04.2026 customer 7 without a tax number, excluded: 10 × 600,00 = 6.000,00, VAT
//     1.200,00.
//  5  20.03.2026 customer 7, written by another program (no rate of its own): 1.000,00
//     excluded, at the settings' 20 %: VAT 200,00.
//  6  25.03.2026 the VKN buyer, excluded: 4.700,00, VAT 940,00.
void writeBooks(const QString &path) {
    save(path, makeInvoice(1, u"02.03.2026"_qs, VatExcluded,
                           {{u"2"_qs, u"100"_qs},
                            {u"1"_qs, u"50"_qs, u"10"_qs},
                            {u"3"_qs, u"10"_qs, {}, u"1"_qs}}));
    save(path, makeInvoice(2, u"10.03.2026"_qs, VatIncluded,
                           {{u"1"_qs, u"120"_qs}, {u"1"_qs, u"0,10"_qs}, {u"1"_qs, u"0,10"_qs}}));
    save(path, makeInvoice(3, u"15.03.2026"_qs, VatExcluded, {{u"1"_qs, u"50"_qs}}, u"3"_qs,
                           u"Kadıköy 1234567890"_qs, InvoiceType::Return));
    save(path, makeInvoice(4, u"05.04.2026"_qs, VatExcluded, {{u"10"_qs, u"600"_qs}}, u"7"_qs,
                           u"Merkez"_qs));
    {
        Database db(path, Database::Access::Write);
        db.transaction([&] {
            InvoiceWriter(db).add({u"7"_qs,
                                   u"Ayşe Kaya"_qs,
                                   {},
                                   {},
                                   u"Merkez"_qs,
                                   VatExcluded,
                                   u"20.03.2026"_qs,
                                   {},
                                   {},
                                   5},
                                  {{1, u"Eski kayıt"_qs, {}, u"1000"_qs, u"1.000,00"_qs}});
        });
    }
    save(path, makeInvoice(6, u"25.03.2026"_qs, VatExcluded, {{u"1"_qs, u"4700"_qs}}));
}

// The table's rows as the screen shows them.
QList<QStringList> texts(const ReportTable &t) {
    QList<QStringList> rows;
    for (qsizetype r = 0; r < t.rows.size(); ++r) {
        QStringList row;
        for (qsizetype c = 0; c < t.headers.size(); ++c)
            row << t.text(r, c);
        rows << row;
    }
    return rows;
}

// A CSV file read back as a spreadsheet reads it: BOM, ";" between fields, quoted fields.
QList<QStringList> parseCsv(const QByteArray &bytes) {
    QList<QStringList> rows;
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return rows;
    const QString text = QString::fromUtf8(bytes.mid(3));
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            row << field;
            field.clear();
        } else if (c == u'\r') {
        } else if (c == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else {
            field += c;
        }
    }
    return rows;
}

// A field of the file as a number, the Turkish way: "-1234,56".
std::optional<double> csvNumber(const QString &field) {
    static const QRegularExpression number(u"^-?[0-9]+(,[0-9]+)?$"_qs);
    if (!number.match(field).hasMatch())
        return std::nullopt;
    return QString(field).replace(u',', u'.').toDouble();
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    const ReportPeriod m_period{QDate(2026, 3, 1), QDate(2026, 4, 30)};

private Q_SLOTS:
    void init() {
        m_path = newDatabase(m_dir.filePath(u"fatura-%1.MDB"_qs).arg(QTest::currentTestFunction()));
        writeBooks(m_path);
        Database db(m_path, Database::Access::Write);
        prepareReports(db, u"20"_qs);
    }

    void vatSummary() {
        Database db(m_path, Database::Access::Write);
        const ReportTable t = vatReport(db, m_period);
        const QList<QStringList> expected = {
            {u"Mart 2026"_qs, u"%1"_qs, u"1"_qs, u"30,00"_qs, u"0,30"_qs, u"0"_qs, u"0,00"_qs,
             u"0,00"_qs, u"30,00"_qs, u"0,30"_qs},
            {u"Mart 2026"_qs, u"%20"_qs, u"4"_qs, u"6.045,17"_qs, u"1.209,03"_qs, u"1"_qs,
             u"50,00"_qs, u"10,00"_qs, u"5.995,17"_qs, u"1.199,03"_qs},
            {u"Nisan 2026"_qs, u"%20"_qs, u"1"_qs, u"6.000,00"_qs, u"1.200,00"_qs, u"0"_qs,
             u"0,00"_qs, u"0,00"_qs, u"6.000,00"_qs, u"1.200,00"_qs},
            {u"Dönem Toplamı"_qs, u"%1"_qs, u"1"_qs, u"30,00"_qs, u"0,30"_qs, u"0"_qs, u"0,00"_qs,
             u"0,00"_qs, u"30,00"_qs, u"0,30"_qs},
            {u"Dönem Toplamı"_qs, u"%20"_qs, u"5"_qs, u"12.045,17"_qs, u"2.409,03"_qs, u"1"_qs,
             u"50,00"_qs, u"10,00"_qs, u"11.995,17"_qs, u"2.399,03"_qs},
            {u"Genel Toplam"_qs, u""_qs, u"6"_qs, u"12.075,17"_qs, u"2.409,33"_qs, u"1"_qs,
             u"50,00"_qs, u"10,00"_qs, u"12.025,17"_qs, u"2.399,33"_qs},
        };
        QCOMPARE(texts(t), expected);
        // Invoice 5 kept no rate: the user is told it was counted at the settings' rate.
        QCOMPARE(t.notes.size(), 1);
        QVERIFY2(t.notes.first().contains(u"1 faturası"_qs), qPrintable(t.notes.first()));

        // The same figures from the invoices' own model, one by one.
        Money vat;
        for (qint64 n = 1; n <= 6; ++n) {
            Invoice inv;
            inv.setVatRate(u"20"_qs);
            QCOMPARE(loadStoredInvoice(inv, storedInvoice(db, n)), QString());
            const InvoiceFigures f = computeFigures(inv);
            vat += inv.header.type == InvoiceType::Return ? -f.vat : f.vat;
        }
        QCOMPARE(moneyText(vat), u"2.399,33"_qs);
    }

    void buyersAndFormBs() {
        Database db(m_path, Database::Access::Write);
        const ReportTable t = buyerReport(db, m_period, defaultFormThreshold());
        const QList<QStringList> expected = {
            {u""_qs, u"7"_qs, u"Ayşe Kaya"_qs, u"2"_qs, u"0"_qs, u"7.000,00"_qs, u"1.400,00"_qs,
             u"8.400,00"_qs, u"Nisan 2026"_qs},
            {u"1234567890"_qs, u"3"_qs, u"Anadolu Gıda Ltd. Şti."_qs, u"3"_qs, u"1"_qs,
             u"5.025,17"_qs, u"999,33"_qs, u"6.024,50"_qs, u"Mart 2026"_qs},
            {u""_qs, u""_qs, u"Toplam"_qs, u"5"_qs, u"1"_qs, u"12.025,17"_qs, u"2.399,33"_qs,
             u"14.424,50"_qs, u""_qs},
        };
        QCOMPARE(texts(t), expected);
        QCOMPARE(t.marked, (QList<bool>{true, true, false}));

        // The law moves the threshold: at 6.000 TL only April's 6.000,00 reaches it.
        const ReportTable higher = buyerReport(db, m_period, Money::fromKurus(600000));
        QCOMPARE(higher.marked, (QList<bool>{true, false, false}));

        // Form Bs: the VKN buyer's March sales (three invoices, the return is no sale);
        // customer 7 has no tax number and is named in a note instead.
        const ReportTable bs = formBsList(db, m_period, defaultFormThreshold());
        QCOMPARE(bs.headers, (QStringList{u"Ay"_qs, u"VKN/TCKN"_qs, u"Unvanı"_qs, u"Ülkesi"_qs,
                                          u"Belge Sayısı"_qs, u"Bedeli (KDV Hariç)"_qs}));
        QCOMPARE(texts(bs), (QList<QStringList>{{u"Mart 2026"_qs, u"1234567890"_qs,
                                                 u"Anadolu Gıda Ltd. Şti."_qs, u"Türkiye"_qs,
                                                 u"3"_qs, u"5.075,17"_qs}}));
        QCOMPARE(bs.notes.size(), 1);
        // One month: exactly the form's columns.
        const ReportTable march = formBsList(db, monthPeriod(2026, 3), defaultFormThreshold());
        QCOMPARE(march.headers.first(), u"VKN/TCKN"_qs);
        QCOMPARE(march.rows.size(), 1);
    }

    void monthlyAndCsv() {
        Database db(m_path, Database::Access::Write);
        const ReportTable t = monthlySales(db, lastTwelveMonths(QDate(2026, 4, 17)));
        QCOMPARE(t.rows.size(), 13); // May 2025 to April 2026, and the total
        QCOMPARE(texts(t).at(10),
                 (QStringList{u"Mart 2026"_qs, u"6.025,17"_qs, u"1.199,33"_qs, u"7.224,50"_qs}));
        QCOMPARE(texts(t).at(11),
                 (QStringList{u"Nisan 2026"_qs, u"6.000,00"_qs, u"1.200,00"_qs, u"7.200,00"_qs}));
        QCOMPARE(texts(t).at(0),
                 (QStringList{u"Mayıs 2025"_qs, u"0,00"_qs, u"0,00"_qs, u"0,00"_qs}));

        // The file read back: every amount a number with "," before its decimals, equal to
        // the screen's figure; names with Turkish letters intact.
        const QByteArray bytes = csvText(buyerReport(db, m_period, defaultFormThreshold()));
        const QList<QStringList> rows = parseCsv(bytes);
        QVERIFY(rows.size() >= 4);
        QCOMPARE(rows.at(0).size(), 9);
        QCOMPARE(rows.at(2).at(2), u"Anadolu Gıda Ltd. Şti."_qs);
        QCOMPARE(rows.at(2).at(0), u"1234567890"_qs);
        QCOMPARE(csvNumber(rows.at(2).at(5)), std::optional<double>(5025.17));
        QCOMPARE(csvNumber(rows.at(2).at(6)), std::optional<double>(999.33));
        QCOMPARE(csvNumber(rows.at(3).at(7)), std::optional<double>(14424.5));
        QCOMPARE(csvNumber(rows.at(2).at(3)), std::optional<double>(3));
    }

    // What other programs do to the books reaches the reports: an invoice added without a
    // summary, one replaced the old way (rows deleted and written again), a line that cannot
    // be read, and a change of the settings' rate for invoices that kept none.
    void summariesFollowTheBooks() {
        const auto marchVat = [this] {
            Database db(m_path, Database::Access::Write);
            return texts(vatReport(db, monthPeriod(2026, 3))).last().at(9);
        };
        QCOMPARE(marchVat(), u"1.199,33"_qs);

        // Invoice 6 rewritten by an older program at 5.000,00: VAT 1.000,00 instead of 940,00.
        sql(m_path, {u"DELETE FROM faturalar WHERE faturano = 6"_qs,
                     u"INSERT INTO faturalar (musterino, adi_soyadi, vergidaire_no, kdvdahil, "
                     "fatura_tarihi, faturano, miktar, aciklama, iskonto, br_fiyat, tutar) VALUES "
                     "('3', 'Anadolu', 'Kadıköy 1234567890', 1, '25.03.2026', 6, 1, 'x', '', "
                     "'5000', '5.000,00')"_qs});
        {
            Database db(m_path, Database::Access::Write);
            QVERIFY(!prepareReports(db, u"20"_qs).isEmpty());
        }
        QCOMPARE(marchVat(), u"1.259,33"_qs);

        // The settings' rate goes to 18: invoices 5 and 6 (no rate of their own) follow it:
        // 1.000,00 and 5.000,00 at 18 % instead of 20 %: 120,00 less.
        {
            Database db(m_path, Database::Access::Write);
            QVERIFY(!prepareReports(db, u"18"_qs).isEmpty());
        }
        QCOMPARE(marchVat(), u"1.139,33"_qs);

        // A line another program stored with a price that is no number: the invoice is left
        // out and named.
        sql(m_path, {u"INSERT INTO faturalar (musterino, adi_soyadi, vergidaire_no, kdvdahil, "
                     "fatura_tarihi, faturano, miktar, aciklama, iskonto, br_fiyat, tutar) VALUES "
                     "('3', 'Anadolu', '', 1, '26.03.2026', 8, 2, 'x', '', 'on lira', '20')"_qs});
        Database db(m_path, Database::Access::Write);
        prepareReports(db, u"18"_qs);
        const ReportTable t = vatReport(db, monthPeriod(2026, 3));
        QVERIFY(t.notes.last().startsWith(u"Şu faturalar okunamadığı için rapora girmedi: 8 ("_qs));
        // Nothing more to do: a second pass finds the summaries whole.
        QCOMPARE(updateSummaries(db, u"18"_qs).summarised, 0);
    }

    // A save through the program writes the summary with the invoice: no pass is needed, and a
    // replacement's new figures are there at once.
    void savedWithTheInvoice() {
        Database db(m_path, Database::Access::Write);
        Invoice inv = makeInvoice(1, u"02.03.2026"_qs, VatExcluded, {{u"1"_qs, u"1000"_qs}});
        StoredInvoice stored = storedInvoice(db, 1);
        InvoiceRecord r = invoiceRecord(inv);
        r.info.changeCount = stored.info.changeCount;
        QVERIFY(replaceInvoice(db, r.header, r.lines, r.info));
        QCOMPARE(updateSummaries(db, u"20"_qs).summarised, 0);
        // March: 49,30 of invoice 1 became 200,00.
        QCOMPARE(texts(vatReport(db, monthPeriod(2026, 3))).last().at(9), u"1.350,03"_qs);
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "test_report.moc"
