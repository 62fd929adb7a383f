#include "earsivfixture.h"

#include "base/numbers.h"
#include "earsiv/export.h"
#include "store/earsivrecords.h"
#include "tests/common/pdftext.h"
#include "tools/sampledata.h"

#include <QCryptographicHash>

#include <algorithm>
#include <memory>

using namespace testdb;

namespace {

const QRegularExpression
    uuidPattern(u"^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$"_qs);

// The two worked examples of the invoice window: 1 × 10,00 and 2 × 1250,50 less 10 %.
const QList<QStringList> worked = {{u"1"_qs, u"Muayene"_qs, {}, u"10,00"_qs},
                                   {u"2"_qs, u"Tahlil"_qs, u"10"_qs, u"1250,50"_qs}};
const QList<QStringList> one = {{u"1"_qs, u"Kalem"_qs, {}, u"100"_qs}};

QString refused(qint64 number, const QString &reason) {
    return u"%1 numaralı fatura e-Arşiv faturası olarak yazılmadı: %2"_qs.arg(number).arg(reason);
}

qint64 sum(const QStringList &amounts) {
    qint64 s = 0;
    for (const QString &a : amounts)
        s += kurus(a);
    return s;
}

// The text of a PDF with each line kept as it stands on the page.
QString pageText(const QString &pdf) {
    QProcess p;
    p.start(u"pdftotext"_qs, {u"-layout"_qs, u"-enc"_qs, u"UTF-8"_qs, pdf, u"-"_qs});
    return p.waitForFinished(60000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

// The exit code (-1 when it did not end by itself), the lines of standard output and the
// standard error of fatura-earsiv.
std::tuple<int, QStringList, QString> command(const QStringList &arguments) {
    QProcess p;
    p.start(QStringLiteral(FATURA_BINARY_DIR "/tools/fatura-earsiv"), arguments);
    const bool ended = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

class TestEArsiv : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void taxNumbers();
    void buyer();
    void sellerChecks();
    void schemaAndSums_data();
    void schemaAndSums();
    void numbering();
    void wholeOrNothing();
    void readableCopy();
    void sampleDatabaseAndCommand();
    void twoAtOnce_data();
    void twoAtOnce();
};

void TestEArsiv::taxNumbers() {
    // Worked out by hand from the published check-digit rules: VKNs (the last with a 9
    // weighted), TCKNs, then neither: a check digit off, digits swapped, the final consumer's
    // number, a leading 0, nine and twelve digits, a letter.
    const QStringList vkn = {"1234567890", "9876543217", "4840847211", "4242424249"};
    const QStringList tckn = {"10000000146", "12345678950", "11111111110"};
    const QStringList neither = {
        "1234567891",  "2134567890", "10000000156",  "10000000147", "11111111111",
        "01234567896", "123456789",  "123456789012", "12345678a0",  ""};
    for (const QString &n : vkn + tckn + neither)
        QVERIFY2(validVkn(n) == vkn.contains(n) && validTckn(n) == tckn.contains(n), qPrintable(n));
}

// The buyer from the customer boxes: name, tax box and second address line in; scheme, id,
// title or "first|family", tax office, street, district and city out, or the refusal.
void TestEArsiv::buyer() {
    const QList<std::pair<QStringList, QStringList>> cases = {
        {{"Işık Elektrik Ltd. Şti.", "Şişli 1234567890", "Şişli / İstanbul"},
         {"VKN", "1234567890", "Işık Elektrik Ltd. Şti.", "Şişli", "Gül Sok. 3", "Şişli",
          "İstanbul"}},
        {{"  Ayşe  Gül Yılmaz ", "Konak V.D. 10000000146", "İzmir"},
         {"TCKN", "10000000146", "Ayşe Gül|Yılmaz", "Konak", "Gül Sok. 3", "", "İzmir"}},
        {{"Ömer Çelik", "Ulus 77", ""},
         {"TCKN", "11111111111", "Ömer|Çelik", "", "Gül Sok. 3", "", ""}},
        // The last run of 10 or 11 digits is the number, whatever comes before it.
        {{"Deniz Ltd. Şti.", "Tel 2165550000 Kadıköy 4840847211", "Kadıköy / İstanbul"},
         {"VKN", "4840847211", "Deniz Ltd. Şti.", "Tel 2165550000 Kadıköy", "Gül Sok. 3", "Kadıköy",
          "İstanbul"}},
        {{"Ömer Çelik", "Büyük Mükellefler 2 V.D. 10000000146", ""},
         {"TCKN", "10000000146", "Ömer|Çelik", "Büyük Mükellefler 2", "Gül Sok. 3", "", ""}},
        {{"Kaya Kırtasiye", "Ulus 1234567891", ""},
         {"müşterinin (Kaya Kırtasiye) vergi numarası geçersiz: 1234567891 (kontrol hanesi "
          "tutmuyor)."}},
        {{"Ayşe Yılmaz", "Konak 10000000147", ""},
         {"müşterinin (Ayşe Yılmaz) TC kimlik numarası geçersiz: 10000000147 (kontrol haneleri "
          "tutmuyor)."}},
        {{"Peşin", "", ""},
         {"müşterinin adı (Peşin) ad ve soyad olarak yazılmalıdır (TC kimlik numaralı ya da "
          "nihai tüketici alıcı)."}}};
    for (const auto &[in, out] : cases) {
        InvoiceHeader h;
        h.customerName = in[0];
        h.taxOffice = in[1];
        h.address = u" Gül  Sok. 3"_qs;
        h.address2 = in[2];
        const std::variant<EArsivParty, QString> b = buyerParty(h);
        if (const QString *refusal = std::get_if<QString>(&b)) {
            QCOMPARE(QStringList{*refusal}, out);
            continue;
        }
        const EArsivParty &p = std::get<EArsivParty>(b);
        const QString named = p.person ? p.firstName + u'|' + p.familyName : p.title;
        QCOMPARE((QStringList{p.scheme(), p.id, named, p.taxOffice, p.street, p.district, p.city}),
                 out);
    }
}

// The seller's details with one box wrong: the message the details window shows.
void TestEArsiv::sellerChecks() {
    const QString prefix =
        u"Seri öneki 3 karakter olmalıdır: büyük harf (A-Z) ya da rakam, örneğin ABC!"_qs;
    const QList<std::tuple<QString SellerRecord::*, QString, QString>> cases = {
        {&SellerRecord::taxNumber, {}, u"VKN ya da TCKN giriniz!"_qs},
        {&SellerRecord::taxNumber, u"1234567891"_qs, u"VKN geçersiz: kontrol hanesi tutmuyor!"_qs},
        {&SellerRecord::taxNumber, u"10000000147"_qs,
         u"TCKN geçersiz: kontrol haneleri tutmuyor!"_qs},
        {&SellerRecord::taxNumber, u"10000000146"_qs, u"Adı giriniz!"_qs},
        {&SellerRecord::email, u"satis.deniz.com"_qs, u"E-posta adresi geçersiz!"_qs},
        {&SellerRecord::seriesPrefix, u"AB"_qs, prefix},
        {&SellerRecord::seriesPrefix, u"abc"_qs, prefix},
        {&SellerRecord::seriesPrefix, u"ŞEN"_qs, prefix}};
    for (const auto &[box, value, message] : cases) {
        SellerRecord s = EArsivFixture::seller();
        s.*box = value;
        QCOMPARE(sellerProblem(s), message);
    }
}

void TestEArsiv::schemaAndSums_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QList<QStringList>>("lines");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tax");
    QTest::addColumn<QString>("payable"); // the window's grand total, worked out by hand

    QTest::newRow("worked example, Hariç")
        << int(VatExcluded) << u"18"_qs << worked << u"Ömer Çelik"_qs << u"Ulus 10000000146"_qs
        << u"2667.86"_qs;
    QTest::newRow("worked example, Dahil")
        << int(VatIncluded) << u"18"_qs << worked << u"Ömer Çelik"_qs << u"Ulus 10000000146"_qs
        << u"2260.90"_qs;
    const QList<QStringList> odd = {
        {u"3"_qs, u"Çay & Şeker <1 kg>"_qs, {}, u"33,33"_qs},
        {u"2,5"_qs, u"O'nun \"özel\" ürünü"_qs, u"12,5"_qs, u"19,99"_qs},
        {u"7"_qs, u"Kağıt havlu"_qs, u"2,5"_qs, u"1,01"_qs},
        {u"1"_qs, u"İğne"_qs, {}, u"0,05"_qs}};
    QTest::newRow("Hariç, discounts, 20")
        << int(VatExcluded) << u"20"_qs << odd << u"Gül'ün & <Çiçekçisi>"_qs
        << u"Şişli V.D. 1234567890"_qs << u"180.79"_qs;
    QTest::newRow("Dahil, discounts, 10, final consumer")
        << int(VatIncluded) << u"10"_qs << odd << u"Işıl Öz"_qs << QString() << u"150.66"_qs;
    QTest::newRow("Hariç, 18,5") << int(VatExcluded) << u"18,5"_qs << odd << u"Işıl Öz"_qs
                                 << u"Konak 12345678950"_qs << u"178.53"_qs;
}

void TestEArsiv::schemaAndSums() {
    QFETCH(int, mode);
    QFETCH(QString, rate);
    QFETCH(QList<QStringList>, lines);
    QFETCH(QString, name);
    QFETCH(QString, tax);
    QFETCH(QString, payable);
    EArsivFixture fx;
    fx.store(5, lines, mode, u"15.06.2026"_qs, name, tax);
    const EArsivResult r = EArsivExport(fx.workspace, rate).exportInvoice(5);
    QCOMPARE(r.refusal, QString());
    QCOMPARE(r.files, (QStringList{fx.file(r.gibNumber, ".xml"), fx.file(r.gibNumber, ".pdf")}));
    QCOMPARE(schemaProblems({r.files.first()}), QString());

    const XmlValues x(fileBytes(r.files.first()));
    const QString buyer = u"Invoice/AccountingCustomerParty/Party/"_qs;
    const QStringList buyerName = x.all(buyer + u"PartyName/Name"_qs) +
                                  x.all(buyer + u"Person/FirstName"_qs) +
                                  x.all(buyer + u"Person/FamilyName"_qs);
    QCOMPARE((QStringList{x.one(u"Invoice/ID"_qs), x.one(u"Invoice/IssueDate"_qs),
                          x.one(u"Invoice/IssueTime"_qs), x.one(u"Invoice/LineCountNumeric"_qs),
                          x.one(u"Invoice/AccountingSupplierParty/Party/PartyName/Name"_qs),
                          buyerName.join(u' '), x.one(u"Invoice/TaxTotal/TaxSubtotal/Percent"_qs)}),
             (QStringList{r.gibNumber, u"2026-06-15"_qs, u"10:11:12"_qs,
                          QString::number(lines.size()), EArsivFixture::seller().title, name,
                          QString::number(*inputNumber(rate), 'g', 15)}));
    QVERIFY(x.one(u"Invoice/Note"_qs).startsWith(u"Yalnız: "_qs));

    // The sums add up to the kuruş, and what is paid is the window's grand total.
    const QString total = u"Invoice/LegalMonetaryTotal/"_qs;
    const QString taxTotal = u"Invoice/TaxTotal/"_qs;
    const qint64 lineTotal = kurus(x.one(total + u"LineExtensionAmount"_qs));
    const qint64 vat = kurus(x.one(taxTotal + u"TaxAmount"_qs));
    const qint64 paid = kurus(payable);
    const QStringList nets = x.all(u"Invoice/InvoiceLine/LineExtensionAmount"_qs);
    const QStringList vats = x.all(u"Invoice/InvoiceLine/TaxTotal/TaxAmount"_qs);
    QCOMPARE((QList<qint64>{sum(nets), kurus(x.one(total + u"TaxExclusiveAmount"_qs)),
                            kurus(x.one(taxTotal + u"TaxSubtotal/TaxableAmount"_qs)), sum(vats),
                            kurus(x.one(taxTotal + u"TaxSubtotal/TaxAmount"_qs)), lineTotal + vat,
                            kurus(x.one(total + u"TaxInclusiveAmount"_qs)),
                            kurus(x.one(total + u"PayableAmount"_qs))}),
             (QList<qint64>{lineTotal, lineTotal, lineTotal, vat, vat, paid, paid, paid}));

    // Each line: its VAT within a kuruş of its own, its amount its base less its discount.
    const QStringList bases = x.all(u"Invoice/InvoiceLine/AllowanceCharge/BaseAmount"_qs);
    const QStringList cuts = x.all(u"Invoice/InvoiceLine/AllowanceCharge/Amount"_qs);
    QCOMPARE(nets.size(), lines.size());
    qsizetype discounted = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QVERIFY2(std::abs(kurus(vats[i]) - kurus(nets[i]) * *inputNumber(rate) / 100) <= 1.0,
                 qPrintable(vats[i] + u" / "_qs + nets[i]));
        if (lines[i][2].isEmpty())
            continue;
        QCOMPARE(kurus(bases[discounted]) - kurus(cuts[discounted]), kurus(nets[i]));
        ++discounted;
    }
    QCOMPARE(bases.size(), discounted);
}

// Numbers go in the order of export, gapless, each year on its own (a year's first is 1,
// whether an earlier year's was given before it or after); a refused invoice takes none and
// leaves no file. An invoice exported again is the same document; another rate or a changed
// invoice is refused.
void TestEArsiv::numbering() {
    EArsivFixture fx;
    for (qint64 n : {1, 2, 3})
        fx.store(n, one);
    fx.store(5, one, VatExcluded, u"20.12.2025"_qs);
    fx.store(10, one, VatExcluded, u"10.01.2025"_qs);
    fx.store(4, {{u"-1"_qs, u"İade"_qs, {}, u"100"_qs}});
    fx.store(7, {{u"1"_qs, u"Kalem"_qs, u"150"_qs, u"10"_qs}});
    fx.store(8, one, VatExcluded, u"01.07.2026"_qs);
    fx.store(9, one, VatExcluded, u"31.02.2026"_qs);
    QList<EArsivResult> results;
    QVERIFY(EArsivExport(fx.workspace).run({10, 3, 4, 7, 1, 8, 9, 77, 5, 2}, results));
    QStringList numbers;
    for (const EArsivResult &r : results)
        numbers << r.gibNumber + r.refusal;
    QCOMPARE(numbers,
             (QStringList{
                 "ABC2025000000001", "ABC2026000000001",
                 refused(4, u"1. satırın tutarı eksi (-100,00); iade için İADE faturası gerekir, "
                            u"bu sürümde yazılamıyor."_qs),
                 refused(7, u"1. satırın iskontosu (150) eksi ya da satır tutarından büyük."_qs),
                 "ABC2026000000002",
                 refused(8, u"fatura tarihi (01.07.2026) bugünden ileri; e-Arşiv faturası ileri "
                            u"tarihli olamaz."_qs),
                 refused(9, u"fatura tarihi okunamadı (31.02.2026); GG.AA.YYYY biçiminde "
                            u"olmalıdır."_qs),
                 refused(77, u"fatura bulunamadı."_qs), "ABC2025000000002", "ABC2026000000003"}));
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files).size(), 10);
    QSet<QString> uuids;
    for (const QVariantList &row : queryRows(fx.db, u"SELECT uuid FROM earsiv_faturalar"_qs)) {
        QVERIFY(uuidPattern.match(row[0].toString()).hasMatch());
        uuids << row[0].toString();
    }
    QCOMPARE(uuids.size(), 5);

    // Again, later, with the settings' rate changed: the same document to the byte, with
    // the rate it was made with and the time it was first given.
    const QString given = fx.file(u"ABC2026000000002"_qs, ".xml");
    const QByteArray first = fileBytes(given);
    ayarlar a = ayarlari_oku(2, fx.workspace.settingsPath());
    a.kdv_yuzde = u"20"_qs;
    ayarlari_yaz(a, fx.workspace.settingsPath());
    fx.time = QTime(17, 0, 0);
    fx.today = fx.today.addDays(3);
    QFile::remove(given);
    EArsivExport exporter(fx.workspace);
    exporter.exportInvoice(1);
    QCOMPARE(fileBytes(given), first);
    // A new invoice goes on from the last number of its year.
    fx.store(6, one, VatIncluded);
    QCOMPARE(exporter.exportInvoice(6).gibNumber, u"ABC2026000000004"_qs);
    // An invoice saved with its rate goes out at that rate whatever the settings say, and not
    // at another one typed for the export.
    fx.store(11, one, VatExcluded, u"15.06.2026"_qs, u"Ayşe Yılmaz"_qs, u"Kadıköy 10000000146"_qs,
             u"10"_qs);
    QCOMPARE(EArsivExport(fx.workspace, u"18"_qs).exportInvoice(11).refusal,
             refused(11, u"fatura %10 KDV ile kaydedilmiş; başka bir KDV oranıyla yazılamaz."_qs));
    const EArsivResult own = exporter.exportInvoice(11);
    QVERIFY2(fileBytes(fx.file(own.gibNumber, ".xml")).contains("<cbc:Percent>10</cbc:Percent>"),
             qPrintable(own.refusal));

    // The same rate typed passes; another rate, or an invoice changed after it was given, is
    // refused and nothing is written.
    QCOMPARE(EArsivExport(fx.workspace, u"18"_qs).exportInvoice(1).refusal, QString());
    QCOMPARE(EArsivExport(fx.workspace, u"20"_qs).exportInvoice(1).refusal,
             refused(1, u"daha önce ABC2026000000002 numarasıyla %18 KDV ile verildi; başka bir "
                        u"KDV oranıyla yeniden yazılamaz."_qs));
    fx.store(1, {{u"2"_qs, u"Kalem"_qs, {}, u"100"_qs}});
    QFile::remove(given);
    QCOMPARE(EArsivExport(fx.workspace).exportInvoice(1).refusal,
             refused(1, u"ABC2026000000002 numarasıyla verildikten sonra faturası ya da firma "
                        u"bilgileri değiştirilmiş. Verilmiş bir e-Arşiv faturası "
                        u"değiştirilemez; iptal edilip yenisi düzenlenmelidir."_qs));
    QVERIFY(!QFile::exists(given));

    // A run stopped after the second invoice handles two.
    QList<EArsivResult> part;
    QList<int> told;
    QVERIFY(!EArsivExport(fx.workspace).run({2, 3, 5}, part, [&](int done, int total) {
        told << done << total;
        return done < 2;
    }));
    QCOMPARE(part.size(), 2);
    QCOMPARE(told, (QList<int>{0, 3, 1, 3, 2, 3}));
}

void TestEArsiv::wholeOrNothing() {
    EArsivFixture fx;
    fx.store(1, worked);

    // The PDF cannot be written: the XML goes again, and so does the number.
    QVERIFY(QDir().mkpath(fx.file(u"ABC2026000000001"_qs, ".pdf")));
    const QString failure =
        thrownText<EArsivError>([&] { EArsivExport(fx.workspace).exportInvoice(1); });
    QVERIFY2(failure.startsWith(u"e-Arşiv faturasının PDF kopyası yazılamadı: "_qs +
                                fx.file(u"ABC2026000000001"_qs, ".pdf")),
             qPrintable(failure));
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files), QStringList());
    QVERIFY(!Database(fx.db).db().tables().contains(u"earsiv_faturalar"_qs));

    // The folder cannot be made. Neither failure, nor a refused rate of 0, uses a number up.
    QVERIFY(QDir(fx.folder()).removeRecursively());
    QFile blocker(fx.folder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(thrownText<EArsivError>([&] { EArsivExport(fx.workspace).exportInvoice(1); }),
             u"e-Arşiv klasörü oluşturulamadı: "_qs + fx.folder());
    QVERIFY(QFile::remove(fx.folder()));
    QCOMPARE(EArsivExport(fx.workspace, u"0"_qs).exportInvoice(1).refusal,
             refused(1, u"KDV oranı 0'dan büyük, en çok 100 olmalıdır: 0"_qs));
    QCOMPARE(EArsivExport(fx.workspace).exportInvoice(1).gibNumber, u"ABC2026000000001"_qs);

    // Without the seller's details nothing starts.
    testdb::sql(fx.db, {u"DELETE FROM satici_bilgileri"_qs});
    QCOMPARE(thrownText<EArsivError>([&] { EArsivExport e(fx.workspace); }),
             u"Firma bilgileri girilmemiş. e-Arşiv faturası yazmadan önce \"Firma Bilgileri\" "
             u"penceresinde satıcının (işletmenin) bilgilerini girin."_qs);
}

void TestEArsiv::readableCopy() {
    QVERIFY(havePdftotext());
    EArsivFixture fx;
    QList<QStringList> many;
    for (int i = 1; i <= 70; ++i)
        many << QStringList{QString::number(i % 4 + 1),
                            u"Ürün %1 çok uzun bir açıklamayla"_qs.arg(i),
                            i % 3 ? QString() : u"10"_qs, u"12,50"_qs};
    fx.store(1, worked);
    fx.store(2, many, VatIncluded);
    EArsivExport exporter(fx.workspace);
    const EArsivResult short_ = exporter.exportInvoice(1);
    const EArsivResult long_ = exporter.exportInvoice(2);

    const QString text = pageText(short_.files.at(1)).simplified();
    QCOMPARE(pdfPageCount(short_.files.at(1)), 1);
    const QString uuid = XmlValues(fileBytes(short_.files.at(0))).one(u"Invoice/UUID"_qs);
    for (const QString &shown :
         {EArsivFixture::seller().title, u"VKN: 1234567890"_qs, u"Fatura No: ABC2026000000001"_qs,
          u"ETTN: "_qs + uuid, u"Düzenleme Tarihi: 15.06.2026"_qs, u"Düzenleme Saati: 10:11:12"_qs,
          u"Ayşe Yılmaz"_qs, u"TCKN: 10000000146"_qs, u"Kadıköy / İstanbul"_qs,
          u"Mal Hizmet Toplam Tutarı 2.511,00 TL"_qs, u"Toplam İskonto 250,10 TL"_qs,
          u"KDV Matrahı (%18) 2.260,90 TL"_qs, u"Hesaplanan KDV (%18) 406,96 TL"_qs,
          u"Ödenecek Tutar 2.667,86 TL"_qs, u"Yalnız: İkiBinAltıYüzAltmışYedi TL SeksenAltı Kr"_qs})
        QVERIFY2(text.contains(shown), qPrintable(shown));

    // A long invoice goes on over further pages: every line printed once, the totals last.
    const int pages = pdfPageCount(long_.files.at(1));
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
    const QString all = pdfText(long_.files.at(1));
    const QStringList sheets = all.split(u'\f');
    for (int i = 1; i <= 70; ++i)
        QCOMPARE(all.count(u"Ürün %1 "_qs.arg(i)), 1);
    QVERIFY(sheets.at(pages - 1).contains(u"Ödenecek Tutar"_qs));
    QVERIFY(!sheets.at(0).contains(u"Ödenecek Tutar"_qs));
    QVERIFY(sheets.at(pages - 1).contains(u"Sayfa %1 / %1"_qs.arg(pages)));
}

void TestEArsiv::sampleDatabaseAndCommand() {
    QTemporaryDir dir;
    const QDir folder(dir.path());
    ayarlari_yaz(defaultSettings(), folder.filePath(settingsFileName()));
    writeSampleDatabase(folder.filePath(u"fatura.MDB"_qs), {.year = 2025});

    // Every saved invoice of the sample exports; each file is told on its own line.
    const auto [code, out, err] =
        command({u"--dizin"_qs, folder.path(), u"--tarih"_qs, u"01.01.2025"_qs, u"31.12.2025"_qs});
    QVERIFY2(code == 0, qPrintable(err));
    const QStringList xml = out.filter(u".xml"_qs);
    QCOMPARE(xml.size(), 25);
    QCOMPARE(schemaProblems(xml), QString());
}

void TestEArsiv::twoAtOnce_data() {
    QTest::addColumn<bool>("onServer");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
}

// Two PCs, each with its own working folder, export the same 25 invoices from one set of
// books at once, one from the first, the other from the last. Both finish; each invoice has
// one number, the serials go 1 to 25 without a gap, and both folders hold the same documents,
// the recorded ones.
void TestEArsiv::twoAtOnce() {
    QFETCH(bool, onServer);
    if (onServer && server().isEmpty())
        QSKIP("FATURA_TEST_SERVER names no server");
    QTemporaryDir dir;
    QString db = dir.filePath(u"fatura.MDB"_qs);
    if (onServer) {
        db = newDatabase({});
        sql(db, {u"DROP TABLE faturalar"_qs, u"DROP TABLE MUSTERI"_qs});
    }
    const int count = 25;
    writeSampleDatabase(db, {.invoices = count, .campaignInvoices = 0, .year = 2025});
    QList<qint64> numbers;
    for (int n = 1; n <= count; ++n)
        numbers << n;
    QList<std::shared_ptr<QProcess>> pcs;
    QStringList folders;
    for (const QString &pc : {u"A"_qs, u"B"_qs}) {
        const QDir folder(dir.filePath(pc));
        QVERIFY(folder.mkpath(u"."_qs));
        ayarlar a = defaultSettings();
        a.veritabani_yolu = db;
        ayarlari_yaz(a, folder.filePath(settingsFileName()));
        QStringList arguments = {u"--dizin"_qs, folder.path()};
        for (qint64 n : numbers)
            arguments << QString::number(n);
        auto p = std::make_shared<QProcess>();
        p->start(QStringLiteral(FATURA_BINARY_DIR "/tools/fatura-earsiv"), arguments);
        pcs << p;
        folders << earsivFolder(folder);
        std::reverse(numbers.begin(), numbers.end());
    }
    for (const auto &p : pcs) {
        QVERIFY(p->waitForFinished(300000));
        const QString err = QString::fromUtf8(p->readAllStandardError());
        QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, qPrintable(err));
        QCOMPARE(p->readAllStandardOutput().count('\n'), 2 * count);
    }
    const QList<QVariantList> records =
        queryRows(db, u"SELECT sira, gib_no, ozet FROM earsiv_faturalar ORDER BY sira"_qs);
    QCOMPARE(records.size(), count);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(records[i][0].toInt(), i + 1);
        const QString gib = records[i][1].toString();
        for (const QString &folder : folders) {
            const QByteArray xml = fileBytes(QDir(folder).filePath(gib + u".xml"_qs));
            QCOMPARE(QString::fromLatin1(
                         QCryptographicHash::hash(xml, QCryptographicHash::Sha256).toHex()),
                     records[i][2].toString());
        }
    }
    for (const QString &folder : folders)
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2 * count);
}

QTEST_MAIN(TestEArsiv)
#include "test_earsiv.moc"
