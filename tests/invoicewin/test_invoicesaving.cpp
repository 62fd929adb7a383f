#include "invoice/lines.h"
#include "invoice/saving.h"

#include <QTest>

class TestInvoiceSaving : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveCheck_data();
    void saveCheck();
    void record();
    void nextNumber();
    void tooLargeLine();
    void vatRateSteps();
};

namespace {

InvoiceTexts filled() {
    InvoiceTexts t;
    t.invoiceNumber = u"12"_qs;
    t.customerNumber = u"7"_qs;
    t.customerName = u"Ayşe Yılmaz"_qs;
    return t;
}

} // namespace

void TestInvoiceSaving::saveCheck_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("customer");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("all empty") << ""
                               << ""
                               << ""
                               << "Fatura No giriniz!";
    QTest::newRow("blank number") << "  "
                                  << "7"
                                  << "A"
                                  << "Fatura No giriniz!";
    QTest::newRow("no customer") << "12"
                                 << ""
                                 << ""
                                 << "Müşteri No giriniz!";
    QTest::newRow("no name") << "12"
                             << "7"
                             << ""
                             << "Müşteri adı giriniz!";
    // The emptiness checks come first, then the number itself.
    QTest::newRow("bad number, no name") << "12a"
                                         << "7"
                                         << ""
                                         << "Müşteri adı giriniz!";
    QTest::newRow("bad number") << "12a"
                                << "7"
                                << "A"
                                << "Fatura No geçersiz!";
    QTest::newRow("quote") << "1'"
                           << "7"
                           << "A"
                           << "Fatura No geçersiz!";
    QTest::newRow("fraction") << "1,5"
                              << "7"
                              << "A"
                              << "Fatura No geçersiz!";
    QTest::newRow("fine") << " 12 "
                          << "7"
                          << "A"
                          << "";
}

void TestInvoiceSaving::saveCheck() {
    QFETCH(QString, number);
    QFETCH(QString, customer);
    QFETCH(QString, name);
    InvoiceTexts t;
    t.invoiceNumber = number;
    t.customerNumber = customer;
    t.customerName = name;
    QTEST(::saveCheck(t), "message");
}

void TestInvoiceSaving::record() {
    InvoiceTexts t = filled();
    t.address = u"Atatürk Cad. 5"_qs;
    t.address2 = {};
    t.taxOffice = u"Kadıköy 123"_qs;
    t.vatMode = VatExcluded;
    t.invoiceDate = u"01.02.2024"_qs;
    t.deliveryNoteNumber = u"A-1"_qs;
    t.deliveryNoteDate = u"31.01.2024"_qs;
    t.lines = {{u"1"_qs, u"Muayene"_qs, {}, u"10.00"_qs, u"10,00"_qs},
               {u"2,5"_qs, u"Tahlil"_qs, u"10"_qs, u"4"_qs, u"10,00"_qs},
               {{}, u"Açıklama satırı"_qs, {}, {}, {}},
               {u"2.5"_qs, u"Film"_qs, {}, u"1"_qs, u"2,50"_qs},
               {u"1E+16"_qs, u"Çok"_qs, {}, u"1"_qs, u"x"_qs},
               {}};
    const std::optional<InvoiceRecord> r = invoiceRecord(t);
    QVERIFY(r);
    QCOMPARE(r->header.faturano, 12);
    QCOMPARE(r->header.musterino, u"7"_qs);
    QCOMPARE(r->header.adi_soyadi, u"Ayşe Yılmaz"_qs);
    QCOMPARE(r->header.adresi, u"Atatürk Cad. 5"_qs);
    QCOMPARE(r->header.vergidaire_no, u"Kadıköy 123"_qs);
    QCOMPARE(r->header.kdvdahil, 1);
    QCOMPARE(r->header.fatura_tarihi, u"01.02.2024"_qs);
    QCOMPARE(r->header.irsaliye_no, u"A-1"_qs);
    QCOMPARE(r->header.irsaliye_tarihi, u"31.01.2024"_qs);
    // Rows without a quantity (a note, the empty last row) are not lines.
    QCOMPARE(r->lines.size(), 4);
    QCOMPARE(r->lines[0].miktar, 1.0);
    QCOMPARE(r->lines[0].br_fiyat, u"10.00"_qs);
    QCOMPARE(r->lines[1].miktar, 2.5);
    QCOMPARE(r->lines[1].iskonto, u"10"_qs);
    QCOMPARE(r->lines[2].miktar, 2.5);
    QCOMPARE(r->lines[2].aciklama, u"Film"_qs);
    // A loaded line's quantity in exponent form survives a save.
    QCOMPARE(r->lines[3].miktar, 1e16);
    // No discount is the empty text, never a missing value.
    QVERIFY(!r->lines[0].iskonto.isNull());
    QVERIFY(r->lines[0].iskonto.isEmpty());

    t.invoiceNumber = u"on iki"_qs;
    QVERIFY(!invoiceRecord(t));
}

void TestInvoiceSaving::nextNumber() {
    QCOMPARE(nextInvoiceNumber({}), 1);
    QCOMPARE(nextInvoiceNumber({1, 2, 7}), 8);
    QCOMPARE(nextInvoiceNumber({7, 1}), 8);
    QCOMPARE(alreadyStoredMessage(5), u"5 numaralı fatura zaten kayıtlı!"_qs);
}

void TestInvoiceSaving::tooLargeLine() {
    // A line amount beyond any number used to zero the running subtotal silently.
    const QString huge = u"1"_qs + QString(200, u'0');
    for (const QString &discount : {QString(), u"10"_qs}) {
        InvoiceTotals totals{100, 5};
        const LineResult r =
            addLine(totals, {u"x"_qs, discount, huge, huge}, u"18"_qs, VatExcluded);
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(totals.subtotal, 100.0);
        QCOMPARE(totals.discountTotal, 5.0);
    }
    // A VAT amount beyond any number is refused too.
    InvoiceTotals totals{100, 5};
    const QString bigRate = u"1"_qs + QString(307, u'0');
    QVERIFY(!addLine(totals, {u"x"_qs, {}, huge, u"1"_qs}, bigRate, VatExcluded).error.isEmpty());
    QCOMPARE(totals.subtotal, 100.0);
    // A stored line of that size is left out rather than wiping the sums.
    QVERIFY(!addStoredLine(totals, 1e200, {}, {}, huge, u"18"_qs, VatIncluded).error.isEmpty());
    QCOMPARE(totals.subtotal, 100.0);
}

void TestInvoiceSaving::vatRateSteps() {
    QCOMPARE(steppedVatRate(u"18"_qs, 1), u"19"_qs);
    QCOMPARE(steppedVatRate(u"18"_qs, -1), u"17"_qs);
    QCOMPARE(steppedVatRate(u" 18,5 "_qs, 1), u"19,5"_qs);
    QCOMPARE(steppedVatRate(u"0"_qs, -1), u"-1"_qs);
    QVERIFY(!steppedVatRate(u"on sekiz"_qs, 1));
    QVERIFY(!steppedVatRate(QString(), 1));
}

QTEST_APPLESS_MAIN(TestInvoiceSaving)
#include "test_invoicesaving.moc"
