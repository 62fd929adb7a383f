#include "invoice/lines.h"
#include "invoice/saving.h"

#include <QTest>

#include <limits>

class TestInvoiceSaving : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void record();
    void tooLargeLine();
};

void TestInvoiceSaving::record() {
    InvoiceTexts t{
        u"12"_qs,    u"7"_qs,          u"Ayşe Yılmaz"_qs, u"Atatürk Cad. 5"_qs, {}, u"Kadıköy 1"_qs,
        VatExcluded, u"01.02.2024"_qs, u"A-1"_qs,         u"31.01.2024"_qs,     {}};
    t.lines = {{u"1"_qs, u"Muayene"_qs, {}, u"10.00"_qs, u"10,00"_qs},
               {u"2,5"_qs, u"Tahlil"_qs, u"10"_qs, u"4"_qs, u"10,00"_qs},
               {{}, u"Not satırı"_qs, {}, {}, {}},
               {u"2.5"_qs, u"Film"_qs, {}, u"1"_qs, u"2,50"_qs},
               {u"1E+16"_qs, u"Çok"_qs, {}, u"1"_qs, u"x"_qs},
               {}};
    const std::optional<InvoiceRecord> r = invoiceRecord(t);
    QVERIFY(r);
    const FaturaBasligi &h = r->header;
    QCOMPARE(h.faturano, 12);
    QCOMPARE(h.kdvdahil, 1);
    QCOMPARE((QStringList{h.musterino, h.adi_soyadi, h.adresi, h.adresi2, h.vergidaire_no,
                          h.fatura_tarihi, h.irsaliye_no, h.irsaliye_tarihi}),
             (QStringList{"7", "Ayşe Yılmaz", "Atatürk Cad. 5", "", "Kadıköy 1", "01.02.2024",
                          "A-1", "31.01.2024"}));
    // Rows without a quantity (a note, the empty last row) are not lines; a quantity is
    // stored as meant, also a loaded one in exponent form.
    QList<double> quantities;
    QStringList descriptions;
    for (const FaturaKalemi &k : r->lines) {
        quantities << k.miktar;
        descriptions << k.aciklama;
    }
    QCOMPARE(quantities, (QList<double>{1, 2.5, 2.5, 1e16}));
    QCOMPARE(descriptions, (QStringList{"Muayene", "Tahlil", "Film", "Çok"}));
    QCOMPARE(r->lines[1].iskonto, u"10"_qs);
    // No discount is the empty text, never a missing value.
    QVERIFY(!r->lines[0].iskonto.isNull() && r->lines[0].iskonto.isEmpty());

    t.invoiceNumber = u"on iki"_qs;
    QVERIFY(!invoiceRecord(t));
    QCOMPARE(nextInvoiceNumber({}), 1);
    QCOMPARE(nextInvoiceNumber({7, 1, 2}), 8);
    const qint64 largest = std::numeric_limits<qint64>::max();
    QCOMPARE(nextInvoiceNumber({3, largest}), largest);
}

void TestInvoiceSaving::tooLargeLine() {
    // A line amount beyond any number used to zero the running subtotal silently.
    const QString huge = u"1"_qs + QString(200, u'0');
    for (const QString &discount : {QString(), u"10"_qs}) {
        InvoiceTotals totals{100, 5};
        QVERIFY(!addLine(totals, {u"x"_qs, discount, huge, huge}, u"18"_qs, VatExcluded)
                     .error.isEmpty());
        QCOMPARE(totals.subtotal, 100.0);
        QCOMPARE(totals.discountTotal, 5.0);
    }
    // So is a VAT amount beyond any number, and a stored line that large.
    InvoiceTotals totals{100, 5};
    const QString bigRate = u"1"_qs + QString(307, u'0');
    QVERIFY(!addLine(totals, {u"x"_qs, {}, huge, u"1"_qs}, bigRate, VatExcluded).error.isEmpty());
    QVERIFY(!addStoredLine(totals, 1e200, {}, {}, huge, u"18"_qs, VatIncluded).error.isEmpty());
    QCOMPARE(totals.subtotal, 100.0);
}

QTEST_APPLESS_MAIN(TestInvoiceSaving)
#include "test_invoicesaving.moc"
