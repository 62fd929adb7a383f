#include "db/database.h"
#include "db/invoices.h"
#include "invoice/invoiceprint.h"
#include "invoice/lines.h"
#include "invoice/numbers.h"
#include "invoice/painterprinter.h"
#include "pdftext.h"
#include "words/yaziyacevir.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestPrinting : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fullInvoice();
    void totals_data();
    void totals();
    void lineSpacing_data();
    void lineSpacing();
    void secondAddressLine_data();
    void secondAddressLine();
    void missingAndOddValues();
    void noStoredRow();
    void fromDatabase();
    void fullInvoiceAsPdf();
};

namespace {

struct Expected {
    QString text;
    QString face;
    double size;
    double x;
    double y;
};

// Every placement with a face and size of its own, so an item printed with the wrong
// placement or font shows. The totals' own fonts must never be used.
ayarlar distinctSettings() {
    ayarlar a;
    a.kdv_yuzde = QStringLiteral("20");
    a.veritabani_yolu = QStringLiteral("fatura.MDB");
    a.yer_adi_soyadi = {"600", "2400", "Ad Yazısı", "11"};
    a.yer_adresi = {"650", "2700", "Adres Yazısı      ", "9"};
    a.yer_vergi_dairesi = {"700", "3300", "Vergi Yazısı", "8"};
    a.yer_dagitim_bolgesi = {"1", "1", "Bölge Yazısı", "40"};
    a.yer_fatura_tarihi = {"8400", "2400", "Tarih Yazısı", "10"};
    a.yer_fatura_hareketleri = {"9999", "4500", "Satır Yazısı", "9.5"};
    a.yer_iskonto = {"9210", "12000", "Toplam Yazısı", "30"};
    a.yer_kdv_orani = {"7800", "12600", "Toplam Yazısı", "30"};
    a.yer_ara_toplam = {"9220", "11700", "Toplam Yazısı", "30"};
    a.yer_kdv_tutari = {"9230", "12600", "Toplam Yazısı", "30"};
    a.yer_genel_toplam = {"9240", "12900", "Toplam Yazısı", "30"};
    a.yer_yazi_ile = {"600", "13500", "Toplam Yazısı", "30"};
    a.satir_arasi_bosluk = QStringLiteral("3");
    a.marj_aciklama = QStringLiteral("1500");
    a.marj_br_fiyat = QStringLiteral("7000");
    a.marj_miktar = QStringLiteral("600");
    a.marj_tutar = QStringLiteral("9200");
    a.marj_iskonto = QStringLiteral("6100");
    a.yer_irsaliye_no = {"8410", "2700", "İrsaliye Yazısı", "12"};
    a.yer_irsaliye_tarihi = {"8420", "3000", "İrsaliye Tarihi Yazısı", "13"};
    a.yer_fatura_no = {"8430", "2100", "Numara Yazısı", "14"};
    return a;
}

KayitliSatir storedRow(double quantity, const QString &description, const QString &discount,
                       const QString &price) {
    KayitliSatir r;
    r.musterino = QStringLiteral("42");
    r.adi_soyadi = QStringLiteral("Şükrü Öztürk");
    r.adresi = QStringLiteral("Atatürk Cad. No: 5");
    r.adresi2 = QStringLiteral("Çankaya / ANKARA");
    r.vergidaire_no = QStringLiteral("Kayıtlı Vergi Dairesi");
    r.kdvdahil = 1;
    r.fatura_tarihi = QStringLiteral("01.05.2024");
    r.irsaliye_no = QStringLiteral("A-77");
    r.irsaliye_tarihi = QStringLiteral("30.04.2024");
    r.faturano = 125;
    r.miktar = quantity;
    r.aciklama = description;
    r.iskonto = discount;
    r.br_fiyat = price;
    r.tutar = moneyText(quantity * leadingNumber(price));
    return r;
}

QList<KayitliSatir> fullRows() {
    return {storedRow(2, QStringLiteral("Vida M8"), QStringLiteral("10"), QStringLiteral("50")),
            storedRow(1.5, QStringLiteral("Somun"), QString(), QStringLiteral("1250.5")),
            storedRow(3, QStringLiteral("Pul"), QString(), QStringLiteral("0.25"))};
}

InvoicePrintInputs fullInputs() {
    InvoicePrintInputs in;
    in.invoiceNumber = QStringLiteral("125");
    in.taxOffice = QStringLiteral("Çankaya VD 1234567890");
    in.vatMode = VatExcluded;
    // Only "Dahil" mode prints the window's VAT text; this one must not appear.
    in.vatAmount = QStringLiteral("999,99");
    in.vatRate = QStringLiteral("18");
    return in;
}

void compareLines(const RecordingPrinter &printer, const QList<Expected> &expected) {
    QCOMPARE(printer.lines().size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const RecordingPrinter::Line &got = printer.lines()[i];
        const Expected &want = expected[i];
        const QByteArray where =
            "printed line " + QByteArray::number(i + 1) + " (" + want.text.toUtf8() + ")";
        QVERIFY2(got.text == want.text, where + ": text " + got.text.toUtf8());
        QVERIFY2(got.fontName == want.face, where + ": face " + got.fontName.toUtf8());
        QVERIFY2(got.fontSize == want.size, where + ": size " + QByteArray::number(got.fontSize));
        QVERIFY2(got.x == want.x, where + ": x " + QByteArray::number(got.x));
        QVERIFY2(got.y == want.y, where + ": y " + QByteArray::number(got.y));
        QVERIFY2(got.document == 0, where);
    }
}

// The texts printed at one placement, found by position.
QString printedAt(const RecordingPrinter &printer, double x, double y) {
    for (const RecordingPrinter::Line &l : printer.lines()) {
        if (l.x == x && l.y == y)
            return l.text;
    }
    return QStringLiteral("<nothing printed>");
}

} // namespace

void TestPrinting::fullInvoice() {
    RecordingPrinter printer;
    printInvoice(printer, distinctSettings(), fullRows(), fullInputs());
    QCOMPARE(printer.documents(), 1);

    const QString line = QStringLiteral("Satır Yazısı");
    // 100,00 + 1.875,75 + 0,75 = 1.976,50; discount 10,00; VAT 18 % of 1.966,50 = 353,97.
    const QString words = QStringLiteral("Y. ") + yaziyacevir(QStringLiteral("2.320,47"));
    compareLines(printer, {
                              {"01.05.2024", "Tarih Yazısı", 10, 8400, 2400},
                              {" 125", "Numara Yazısı", 14, 8430, 2100},
                              {"A-77", "İrsaliye Yazısı", 12, 8410, 2700},
                              {"30.04.2024", "İrsaliye Tarihi Yazısı", 13, 8420, 3000},
                              {"Şükrü Öztürk", "Ad Yazısı", 11, 600, 2400},
                              {"Atatürk Cad. No: 5", "Adres Yazısı", 9, 650, 2700},
                              {"Çankaya / ANKARA", "Adres Yazısı", 9, 650, 2900},
                              {"Çankaya VD 1234567890", "Vergi Yazısı", 8, 700, 3300},
                              {" 2", line, 9.5, 600, 4500},
                              {"Vida M8", line, 9.5, 1500, 4500},
                              {"10", line, 9.5, 6100, 4500},
                              {"50", line, 9.5, 7000, 4500},
                              {"100,00", line, 9.5, 9200, 4500},
                              {" 1,5", line, 9.5, 600, 4800},
                              {"Somun", line, 9.5, 1500, 4800},
                              {"", line, 9.5, 6100, 4800},
                              {"1250.5", line, 9.5, 7000, 4800},
                              {"1.875,75", line, 9.5, 9200, 4800},
                              {" 3", line, 9.5, 600, 5100},
                              {"Pul", line, 9.5, 1500, 5100},
                              {"", line, 9.5, 6100, 5100},
                              {"0.25", line, 9.5, 7000, 5100},
                              {"0,75", line, 9.5, 9200, 5100},
                              {"1.976,50", line, 9.5, 9220, 11700},
                              {"10,00", line, 9.5, 9210, 12000},
                              {words, line, 9.5, 600, 13500},
                              {"18", line, 9.5, 7800, 12600},
                              {"353,97", line, 9.5, 9230, 12600},
                              {"2.320,47", line, 9.5, 9240, 12900},
                          });
}

void TestPrinting::totals_data() {
    // Lines as typed in the window: quantity, discount percent, unit price.
    QTest::addColumn<QList<QStringList>>("typed");
    QTest::addColumn<int>("vatMode");
    QTest::addColumn<QString>("vatRate");
    QTest::addColumn<QString>("subtotal");
    QTest::addColumn<QString>("discount");
    QTest::addColumn<QString>("vat");
    QTest::addColumn<QString>("grandTotal");

    using Lines = QList<QStringList>;
    const auto add = [](const char *name, const Lines &typed, int mode, const char *rate,
                        const char *subtotal, const char *discount, const char *vat,
                        const char *grand) {
        QTest::newRow(name) << typed << mode << QString::fromUtf8(rate)
                            << QString::fromUtf8(subtotal) << QString::fromUtf8(discount)
                            << QString::fromUtf8(vat) << QString::fromUtf8(grand);
    };
    const QStringList hundred{"1", "", "100"};
    const QStringList twoAtFifty{"2", "10", "50"};
    add("Hariç 18, one line of 100,00", {hundred}, 1, "18", "100,00", "", "18,00", "118,00");
    add("Dahil, one line of 100,00", {hundred}, 0, "18", "100,00", "", "Dahil", "100,00");
    add("10 % off 2 x 50, Hariç 18", {twoAtFifty}, 1, "18", "100,00", "10,00", "16,20", "106,20");
    add("10 % off 2 x 50, Dahil", {twoAtFifty}, 0, "18", "100,00", "10,00", "Dahil", "90,00");
    // The settings say 20: the window's rate counts.
    add("window's rate 8,5", {hundred}, 1, "8,5", "100,00", "", "8,50", "108,50");
    add("quantity 2,5 at 1.250,50", {{"2,5", "", "1.250,50"}}, 1, "18", "3.126,25", "", "562,73",
        "3.688,98");
    add("12.5 % off 3 x 19,99", {{"3", "12.5", "19,99"}}, 1, "18", "59,97", "7,50", "9,44",
        "61,91");
    add("two discounted lines", {twoAtFifty, {"1", "5", "200"}}, 1, "18", "300,00", "20,00",
        "50,40", "330,40");
    add("a returned item", {{"-1", "", "100"}}, 1, "18", "-100,00", "", "-18,00", "-118,00");
}

void TestPrinting::totals() {
    QFETCH(QList<QStringList>, typed);
    QFETCH(int, vatMode);
    QFETCH(QString, vatRate);
    QFETCH(QString, subtotal);
    QFETCH(QString, discount);
    QFETCH(QString, vat);
    QFETCH(QString, grandTotal);

    // What the window showed while the lines were typed, and what saving stored.
    InvoiceTotals window;
    TotalsTexts shown;
    QList<KayitliSatir> rows;
    for (const QStringList &t : typed) {
        const LineResult r =
            addLine(window, {QStringLiteral("kalem"), t[1], t[0], t[2]}, vatRate, vatMode);
        QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
        shown = r.totals;
        rows << storedRow(inputNumber(t[0]).value(), QStringLiteral("kalem"), t[1],
                          priceCellText(t[2]));
    }

    InvoicePrintInputs in = fullInputs();
    in.vatMode = vatMode;
    in.vatRate = vatRate;
    in.vatAmount = shown.vat;
    const ayarlar settings = distinctSettings();
    RecordingPrinter printer;
    printInvoice(printer, settings, rows, in);
    QCOMPARE(printer.documents(), 1);

    const auto at = [&](const baski_yeri &p) {
        return printedAt(printer, leadingNumber(p.sol_bosluk), leadingNumber(p.ust_bosluk));
    };
    QCOMPARE(at(settings.yer_ara_toplam), subtotal);
    QCOMPARE(at(settings.yer_iskonto), discount);
    QCOMPARE(at(settings.yer_kdv_orani), vatRate);
    QCOMPARE(at(settings.yer_kdv_tutari), vat);
    QCOMPARE(at(settings.yer_genel_toplam), grandTotal);
    QCOMPARE(at(settings.yer_yazi_ile), QStringLiteral("Y. ") + yaziyacevir(grandTotal));

    // Paper and screen agree.
    QCOMPARE(at(settings.yer_ara_toplam), shown.subtotal);
    QCOMPARE(at(settings.yer_kdv_tutari), shown.vat);
    QCOMPARE(at(settings.yer_genel_toplam), shown.grandTotal);
    QCOMPARE(localNumber(at(settings.yer_iskonto)).value_or(0),
             localNumber(shown.discountTotal).value());
}

void TestPrinting::lineSpacing_data() {
    QTest::addColumn<QString>("spacing");
    QTest::addColumn<double>("step");

    QTest::newRow("3") << "3" << 300.0;
    QTest::newRow("with blanks") << "3   " << 300.0;
    QTest::newRow("0") << "0" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("2.5") << "2.5" << 250.0;
    QTest::newRow("comma ends the number") << "2,5" << 200.0;
}

void TestPrinting::lineSpacing() {
    QFETCH(QString, spacing);
    QFETCH(double, step);

    ayarlar settings = distinctSettings();
    settings.satir_arasi_bosluk = spacing;
    settings.yer_fatura_hareketleri.ust_bosluk = QStringLiteral("5000   ");
    RecordingPrinter printer;
    printInvoice(printer, settings, fullRows(), fullInputs());

    const double columns[] = {600, 1500, 6100, 7000, 9200};
    for (int row = 0; row < 3; ++row) {
        for (int cell = 0; cell < 5; ++cell) {
            const RecordingPrinter::Line &l = printer.lines()[8 + row * 5 + cell];
            QCOMPARE(l.y, 5000 + row * step);
            QCOMPARE(l.x, columns[cell]);
        }
    }
}

void TestPrinting::secondAddressLine_data() {
    QTest::addColumn<std::optional<QString>>("first");
    QTest::addColumn<std::optional<QString>>("second");

    QTest::newRow("both lines") << std::optional<QString>(QStringLiteral("Birinci"))
                                << std::optional<QString>(QStringLiteral("İkinci"));
    QTest::newRow("second empty") << std::optional<QString>(QStringLiteral("Birinci"))
                                  << std::optional<QString>(QString());
    QTest::newRow("second without a value")
        << std::optional<QString>(QStringLiteral("Birinci")) << std::optional<QString>();
    QTest::newRow("neither has a value") << std::optional<QString>() << std::optional<QString>();
}

void TestPrinting::secondAddressLine() {
    QFETCH(std::optional<QString>, first);
    QFETCH(std::optional<QString>, second);

    QList<KayitliSatir> rows = fullRows();
    rows[0].adresi = first;
    rows[0].adresi2 = second;
    // Only the first row's header is printed.
    rows[1].adresi2 = QStringLiteral("başka satırın adresi");
    ayarlar settings = distinctSettings();
    settings.yer_adresi = {"  650", "2700  ", "Adres Yazısı", "9"};
    RecordingPrinter printer;
    printInvoice(printer, settings, rows, fullInputs());

    const RecordingPrinter::Line &one = printer.lines()[5];
    const RecordingPrinter::Line &two = printer.lines()[6];
    QCOMPARE(one.text, first.value_or(QString()));
    QCOMPARE(two.text, second.value_or(QString()));
    QCOMPARE(two.x, 650.0);
    QCOMPARE(two.y, 2900.0);
    QCOMPARE(two.fontName, one.fontName);
    QCOMPARE(two.fontSize, one.fontSize);
    QCOMPARE(one.y, 2700.0);
}

void TestPrinting::missingAndOddValues() {
    // A row whose every column is NULL, a row with a discount that is no number, a row
    // without quantity. Nothing stops the print.
    KayitliSatir empty;
    KayitliSatir odd =
        storedRow(2, QStringLiteral("Tuhaf"), QStringLiteral("yüzde on"), QStringLiteral("50"));
    KayitliSatir noQuantity =
        storedRow(0, QStringLiteral("Miktarsız"), QStringLiteral("10"), QStringLiteral("7"));
    noQuantity.miktar.reset();

    const ayarlar settings = distinctSettings();
    InvoicePrintInputs in = fullInputs();
    RecordingPrinter printer;
    printInvoice(printer, settings, {empty, odd, noQuantity}, in);
    QCOMPARE(printer.documents(), 1);
    QCOMPARE(printer.lines().size(), 8 + 3 * 5 + 6);

    QStringList texts;
    for (const RecordingPrinter::Line &l : printer.lines())
        texts << l.text;
    // Header from the empty first row: all empty except the window's tax office.
    QCOMPARE(texts.mid(0, 8), (QStringList{"", "", "", "", "", "", "", "Çankaya VD 1234567890"}));
    QCOMPARE(texts.mid(8, 5), (QStringList{"", "", "", "", "0,00"}));
    QCOMPARE(texts.mid(13, 5), (QStringList{" 2", "Tuhaf", "yüzde on", "50", "100,00"}));
    QCOMPARE(texts.mid(18, 5), (QStringList{"", "Miktarsız", "10", "7", "0,00"}));
    // The odd discount takes nothing off; the discount of a line without quantity is 0,00.
    const auto at = [&](const baski_yeri &p) {
        return printedAt(printer, leadingNumber(p.sol_bosluk), leadingNumber(p.ust_bosluk));
    };
    QCOMPARE(at(settings.yer_ara_toplam), QStringLiteral("100,00"));
    QCOMPARE(at(settings.yer_iskonto), QStringLiteral("0,00"));
    QCOMPARE(at(settings.yer_kdv_tutari), QStringLiteral("18,00"));
    QCOMPARE(at(settings.yer_genel_toplam), QStringLiteral("118,00"));

    // A discount that is no number on its own: no discount at all, so nothing is printed.
    RecordingPrinter onlyOdd;
    printInvoice(onlyOdd, settings, {odd}, in);
    QCOMPARE(printedAt(onlyOdd, 9210, 12000), QString());

    // "Hariç" with a rate that is no number: no VAT, no grand total, no words.
    in.vatRate = QStringLiteral("on sekiz");
    RecordingPrinter noRate;
    printInvoice(noRate, settings, {odd}, in);
    QCOMPARE(printedAt(noRate, 9220, 11700), QStringLiteral("100,00"));
    QCOMPARE(printedAt(noRate, 7800, 12600), QStringLiteral("on sekiz"));
    QCOMPARE(printedAt(noRate, 9230, 12600), QString());
    QCOMPARE(printedAt(noRate, 9240, 12900), QString());
    QCOMPARE(printedAt(noRate, 600, 13500), QString());
}

void TestPrinting::noStoredRow() {
    RecordingPrinter printer;
    InvoicePrintInputs in = fullInputs();
    in.invoiceNumber = QStringLiteral(" 4711 ");
    try {
        printInvoice(printer, distinctSettings(), {}, in);
        QFAIL("an invoice without rows was printed");
    } catch (const PrinterError &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("4711 numaralı fatura bulunamadı")),
                 qPrintable(e.message()));
    }
    QVERIFY(printer.lines().isEmpty());
    QCOMPARE(printer.documents(), 0);
}

void TestPrinting::fromDatabase() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = QDir(dir.path()).filePath(QStringLiteral("fatura.MDB"));
    veritabaniOlustur(path);
    {
        Veritabani db(path, Veritabani::Erisim::Yazma);
        FaturaBasligi h;
        h.faturano = 125;
        h.musterino = QStringLiteral("42");
        h.adi_soyadi = QStringLiteral("Şükrü Öztürk");
        h.adresi = QStringLiteral("Atatürk Cad. No: 5");
        h.kdvdahil = 1;
        h.fatura_tarihi = QStringLiteral("01.05.2024");
        QVERIFY(yeniFaturaKaydet(db, h,
                                 {{2, QStringLiteral("Vida"), QStringLiteral("10"),
                                   QStringLiteral("50"), QStringLiteral("100,00")},
                                  {1, QStringLiteral("Somun"), QString(), QStringLiteral("5.5"),
                                   QStringLiteral("5,50")}}));
        h.faturano = 126;
        QVERIFY(yeniFaturaKaydet(db, h,
                                 {{1, QStringLiteral("Başka fatura"), QString(),
                                   QStringLiteral("1"), QStringLiteral("1,00")}}));
        // A row written by another program, with most columns NULL.
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral(
            "INSERT INTO faturalar (FATURANO, ACIKLAMA) VALUES (127, 'yalnız açıklama')")));
    }

    ayarlar settings = distinctSettings();
    settings.veritabani_yolu = QStringLiteral("  ") + path + QStringLiteral("  ");
    RecordingPrinter printer;
    printSavedInvoice(printer, settings, fullInputs());
    QCOMPARE(printer.documents(), 1);
    QCOMPARE(printer.lines().size(), 8 + 2 * 5 + 6);
    QCOMPARE(printer.lines()[1].text, QStringLiteral(" 125"));
    QCOMPARE(printer.lines()[4].text, QStringLiteral("Şükrü Öztürk"));
    QCOMPARE(printer.lines()[6].text, QString());
    QCOMPARE(printer.lines()[9].text, QStringLiteral("Vida"));
    QCOMPARE(printer.lines()[14].text, QStringLiteral("Somun"));
    // 105,50 - 10,00 discount, 18 % VAT of 95,50 = 17,19.
    QCOMPARE(printedAt(printer, 9220, 11700), QStringLiteral("105,50"));
    QCOMPARE(printedAt(printer, 9240, 12900), QStringLiteral("112,69"));

    InvoicePrintInputs in = fullInputs();
    in.invoiceNumber = QStringLiteral("127");
    RecordingPrinter sparse;
    printSavedInvoice(sparse, settings, in);
    QCOMPARE(sparse.lines().size(), 8 + 5 + 6);
    QCOMPARE(sparse.lines()[1].text, QStringLiteral(" 127"));
    QCOMPARE(sparse.lines()[9].text, QStringLiteral("yalnız açıklama"));

    in.invoiceNumber = QStringLiteral("128");
    QVERIFY_THROWS_EXCEPTION(PrinterError, printSavedInvoice(printer, settings, in));
    in.invoiceNumber = QStringLiteral("12a");
    try {
        printSavedInvoice(printer, settings, in);
        QFAIL("a number with a letter was looked up");
    } catch (const PrinterError &e) {
        QCOMPARE(e.message(), QStringLiteral("Fatura No geçersiz!"));
    }
    QCOMPARE(printer.documents(), 1);

    settings.veritabani_yolu = QDir(dir.path()).filePath(QStringLiteral("yok.MDB"));
    QVERIFY_THROWS_EXCEPTION(VeritabaniHatasi, printSavedInvoice(printer, settings, fullInputs()));
}

void TestPrinting::fullInvoiceAsPdf() {
    if (!havePdftotext())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = QDir(dir.path()).filePath(QStringLiteral("fatura-125.pdf"));
    const ayarlar settings = varsayilanAyarlar();
    {
        PdfPrinter printer(path);
        printInvoice(printer, settings, fullRows(), fullInputs());
        printer.finish();
    }
    QCOMPARE(pdfPageCount(path), 1);
    const QString text = pdfText(path);
    for (const char *s :
         {"01.05.2024", "125", "A-77", "30.04.2024", "Şükrü Öztürk", "Atatürk Cad. No: 5",
          "Çankaya / ANKARA", "Çankaya VD 1234567890", "Vida M8", "1250.5", "1.875,75", "1.976,50",
          "10,00", "353,97", "2.320,47"}) {
        QVERIFY2(text.contains(QString::fromUtf8(s)), s);
    }
    QVERIFY(text.contains(QStringLiteral("Y. ") + yaziyacevir(QStringLiteral("2.320,47"))));
    QVERIFY(!text.contains(QStringLiteral("Kayıtlı Vergi Dairesi")));

    // Values where the settings put them: points = twips / 20 + the 10 pt margin.
    const QList<PdfWord> words = pdfWords(path);
    const auto check = [&](const QString &word, const QString &x, const QString &y) {
        const PdfWord w = findWord(words, word);
        const QByteArray what =
            word.toUtf8() + " at " + QByteArray::number(w.xMin) + ", " + QByteArray::number(w.yMin);
        QVERIFY2(w.page == 0, what);
        QVERIFY2(qAbs(w.xMin - (leadingNumber(x) / 20 + 10)) < 0.75, what);
        QVERIFY2(qAbs(w.yMin - (leadingNumber(y) / 20 + 10)) < 0.75, what);
    };
    check(QStringLiteral("Şükrü"), settings.yer_adi_soyadi.sol_bosluk,
          settings.yer_adi_soyadi.ust_bosluk);
    check(QStringLiteral("2.320,47"), settings.yer_genel_toplam.sol_bosluk,
          settings.yer_genel_toplam.ust_bosluk);
    check(QStringLiteral("Somun"), settings.marj_aciklama,
          QString::number(leadingNumber(settings.yer_fatura_hareketleri.ust_bosluk) +
                          leadingNumber(settings.satir_arasi_bosluk) * 100));
    check(QStringLiteral("01.05.2024"), settings.yer_fatura_tarihi.sol_bosluk,
          settings.yer_fatura_tarihi.ust_bosluk);
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
