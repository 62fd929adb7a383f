#include "earsivfixture.h"

#include "base/numbers.h"
#include "earsiv/copy.h"
#include "earsiv/document.h"
#include "earsiv/export.h"
#include "earsiv/userlist.h"
#include "store/earsivrecords.h"
#include "store/efaturausers.h"
#include "tests/common/pdftext.h"
#include "tools/sampledata.h"

#include <QCryptographicHash>
#include <QTextCodec>

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

QString refused(qint64 number, const QString &reason, bool efatura = false) {
    return u"%1 numaralı fatura %2 olarak yazılmadı: %3"_qs.arg(number).arg(
        efatura ? u"e-Fatura"_qs : u"e-Arşiv faturası"_qs, reason);
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

// The invoice numbers of a run with what became of each: its GİB number or its refusal.
QMap<qint64, QString> outcomes(const QList<EArsivResult> &results) {
    QMap<qint64, QString> m;
    for (const EArsivResult &r : results)
        m.insert(r.invoiceNumber, r.refusal.isEmpty() ? r.gibNumber : r.refusal);
    return m;
}

// Writes `text` to a file of `dir` and returns its path.
QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &text) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return {};
    return f.fileName();
}

// The tax administration's list as it publishes it: users with their e-Fatura mailboxes
// under their documents.
const QByteArray gibList = R"(<?xml version="1.0" encoding="UTF-8"?>
<UserList>
  <User>
    <Identifier>1234567890</Identifier>
    <Title>IŞIK ELEKTRİK LİMİTED ŞİRKETİ</Title>
    <Type>Özel</Type>
    <FirstCreationTime>2014-03-01T10:00:00</FirstCreationTime>
    <Documents>
      <Document type="Invoice">
        <Alias><Name>urn:mail:defaultgb@isik.com.tr</Name><CreationTime>2014-03-01T10:00:00</CreationTime></Alias>
        <Alias><Name>urn:mail:defaultpk@isik.com.tr</Name><CreationTime>2014-03-01T10:00:00</CreationTime></Alias>
      </Document>
      <Document type="DespatchAdvice">
        <Alias><Name>urn:mail:irsaliyepk@isik.com.tr</Name><CreationTime>2020-01-01T10:00:00</CreationTime></Alias>
      </Document>
    </Documents>
  </User>
  <User>
    <Identifier>10000000146</Identifier>
    <Title>AYŞE YILMAZ</Title>
    <FirstCreationTime>2026-06-27T00:00:00</FirstCreationTime>
    <Documents>
      <Document type="Invoice">
        <Alias><Name>urn:mail:defaultpk@ayse.com</Name><CreationTime>2026-06-27T00:00:00</CreationTime></Alias>
      </Document>
    </Documents>
  </User>
  <User>
    <Identifier>4840847211</Identifier>
    <Title>KAPANMIŞ TİCARET A.Ş.</Title>
    <FirstCreationTime>2015-01-01T00:00:00</FirstCreationTime>
    <Documents>
      <Document type="Invoice">
        <Alias><Name>urn:mail:defaultpk@kapanmis.com</Name><CreationTime>2015-01-01T00:00:00</CreationTime><DeletionTime>2025-01-01T00:00:00</DeletionTime></Alias>
      </Document>
      <Document type="DespatchAdvice">
        <Alias><Name>urn:mail:irsaliyepk@kapanmis.com</Name><CreationTime>2020-01-01T00:00:00</CreationTime></Alias>
      </Document>
    </Documents>
  </User>
  <User>
    <Identifier>9876543217</Identifier>
    <Alias>urn:mail:defaultpk@eski.com.tr</Alias>
    <Title>ESKİ BİÇİM LTD. ŞTİ.</Title>
    <Type>Özel</Type>
    <FirstCreationTime>2013-11-13T09:38:19</FirstCreationTime>
  </User>
</UserList>
)";

} // namespace

class TestEArsiv : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void taxNumbers();
    void buyer();
    void sellerChecks();
    void words();
    void schemaAndSums_data();
    void schemaAndSums();
    void refusals_data();
    void refusals();
    void returns();
    void numbersFollowDates();
    void numbering();
    void olderRecords();
    void wholeOrNothing();
    void readableCopy();
    void qrCode_data();
    void qrCode();
    void userList_data();
    void userList();
    void profiles();
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
    const QString noPlace = u"müşterinin (%1) ikinci adres satırında ilçe ve il yok (%2); faturada "
                            "ikisi de yazılır. Müşteri kartında ikinci adres satırını \"İlçe / "
                            "İl\" biçiminde yazınız, örneğin \"Kadıköy / İstanbul\"."_qs;
    const QString company = u"müşteri (%1) bir şirket, ama vergi kutusunda vergi kimlik numarası "
                            "yok; şirkete fatura VKN ile düzenlenir, nihai tüketici olarak "
                            "yazılamaz. Müşteri kartında vergi kutusuna vergi dairesini ve 10 "
                            "haneli VKN'yi yazınız, örneğin \"Kadıköy 1234567890\"."_qs;
    const QList<std::pair<QStringList, QStringList>> cases = {
        {{"Işık Elektrik Ltd. Şti.", "Şişli 1234567890", "Şişli / İstanbul"},
         {"VKN", "1234567890", "Işık Elektrik Ltd. Şti.", "Şişli", "Gül Sok. 3", "Şişli",
          "İstanbul"}},
        {{"  Ayşe  Gül Yılmaz ", "Konak V.D. 10000000146", "Konak/İzmir"},
         {"TCKN", "10000000146", "Ayşe Gül|Yılmaz", "Konak", "Gül Sok. 3", "Konak", "İzmir"}},
        // A person without a number is a final consumer.
        {{"Ömer Çelik", "Ulus 77", "Altındağ / Ankara"},
         {"TCKN", "11111111111", "Ömer|Çelik", "", "Gül Sok. 3", "Altındağ", "Ankara"}},
        // The last run of 10 or 11 digits is the number, whatever comes before it.
        {{"Deniz Ltd. Şti.", "Tel 2165550000 Kadıköy 4840847211", "Kadıköy / İstanbul"},
         {"VKN", "4840847211", "Deniz Ltd. Şti.", "Tel 2165550000 Kadıköy", "Gül Sok. 3", "Kadıköy",
          "İstanbul"}},
        {{"Ömer Çelik", "Büyük Mükellefler 2 V.D. 10000000146", "Yenimahalle / Ankara"},
         {"TCKN", "10000000146", "Ömer|Çelik", "Büyük Mükellefler 2", "Gül Sok. 3", "Yenimahalle",
          "Ankara"}},
        {{"Kaya Kırtasiye", "Ulus 1234567891", "Ulus / Ankara"},
         {"müşterinin (Kaya Kırtasiye) vergi numarası geçersiz: 1234567891 (kontrol hanesi "
          "tutmuyor)."}},
        {{"Ayşe Yılmaz", "Konak 10000000147", "Konak / İzmir"},
         {"müşterinin (Ayşe Yılmaz) TC kimlik numarası geçersiz: 10000000147 (kontrol haneleri "
          "tutmuyor)."}},
        {{"Peşin", "", "Konak / İzmir"},
         {"müşterinin adı (Peşin) ad ve soyad olarak yazılmalıdır (TC kimlik numaralı ya da "
          "nihai tüketici alıcı)."}},
        // The second line without "/", empty, or with one side empty.
        {{"Ayşe Yılmaz", "Konak 10000000146", "İzmir"}, {noPlace.arg("Ayşe Yılmaz", "\"İzmir\"")}},
        {{"Ayşe Yılmaz", "Konak 10000000146", " "}, {noPlace.arg("Ayşe Yılmaz", "boş")}},
        {{"Ayşe Yılmaz", "Konak 10000000146", "Konak /"},
         {noPlace.arg("Ayşe Yılmaz", "\"Konak /\"")}},
        // A company is never a final consumer, however its name is written.
        {{"Doğan Kardeşler Ltd.", "", "Konak / İzmir"}, {company.arg("Doğan Kardeşler Ltd.")}},
        {{"YILDIZ GIDA SAN. VE TİC. A.Ş.", "Konak", "Konak / İzmir"},
         {company.arg("YILDIZ GIDA SAN. VE TİC. A.Ş.")}},
        {{"Kaya Ltd.Şti.", "11111111111", "Konak / İzmir"}, {company.arg("Kaya Ltd.Şti.")}},
        {{"Deniz Kollektif Şirketi", "Konak", "Konak / İzmir"},
         {company.arg("Deniz Kollektif Şirketi")}}};
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
    // People whose names only look like words of a company's.
    for (const QString &person : {u"Ayşe Tıkır"_qs, u"Sanem Kaya"_qs, u"Kaya Kırtasiye"_qs})
        QVERIFY2(!looksLikeCompany(person), qPrintable(person));
}

// The seller's details with one box wrong: the message the details window shows.
void TestEArsiv::sellerChecks() {
    const QString prefix =
        u"Seri öneki 3 karakter olmalıdır: büyük harf (A-Z) ya da rakam, örneğin ABC!"_qs;
    const QString efaturaPrefix = u"e-Fatura seri öneki 3 karakter olmalıdır: büyük harf (A-Z) "
                                  "ya da rakam, örneğin EFA!"_qs;
    const QList<std::tuple<QString SellerRecord::*, QString, QString>> cases = {
        {&SellerRecord::taxNumber, {}, u"VKN ya da TCKN giriniz!"_qs},
        {&SellerRecord::taxNumber, u"1234567891"_qs, u"VKN geçersiz: kontrol hanesi tutmuyor!"_qs},
        {&SellerRecord::taxNumber, u"10000000147"_qs,
         u"TCKN geçersiz: kontrol haneleri tutmuyor!"_qs},
        {&SellerRecord::taxNumber, u"10000000146"_qs, u"Adı giriniz!"_qs},
        {&SellerRecord::email, u"satis.deniz.com"_qs, u"E-posta adresi geçersiz!"_qs},
        {&SellerRecord::seriesPrefix, u"AB"_qs, prefix},
        {&SellerRecord::seriesPrefix, u"abc"_qs, prefix},
        {&SellerRecord::seriesPrefix, u"ŞEN"_qs, prefix},
        {&SellerRecord::efaturaPrefix, u"EF"_qs, efaturaPrefix},
        {&SellerRecord::efaturaPrefix, u"ABC"_qs,
         u"e-Fatura seri öneki e-Arşiv seri önekinden farklı olmalıdır: her belge türünün "
         "numaraları kendi serisinde sıralanır!"_qs},
        {&SellerRecord::efaturaPrefix, {}, {}},
        {&SellerRecord::efaturaProfile, u"EARSIVFATURA"_qs,
         u"e-Fatura senaryosu TEMELFATURA ya da TICARIFATURA olmalıdır!"_qs},
        {&SellerRecord::sendType, u"POSTA"_qs,
         u"e-Arşiv gönderim şekli KAGIT ya da ELEKTRONIK olmalıdır!"_qs}};
    for (const auto &[box, value, message] : cases) {
        SellerRecord s = EArsivFixture::seller();
        s.*box = value;
        QCOMPARE(sellerProblem(s), message);
    }
}

// The amount in words as the copy and the XML's note carry it: a space between words,
// whatever units the words come with.
void TestEArsiv::words() {
    const QList<std::pair<QString, QString>> cases = {
        {u"2.667,86"_qs, u"Yalnız: İki Bin Altı Yüz Altmış Yedi TL Seksen Altı Kr"_qs},
        {u"14.300,00"_qs, u"Yalnız: On Dört Bin Üç Yüz TL"_qs},
        {u"0,50"_qs, u"Yalnız: Elli Kr"_qs},
        {u"1.000.001,01"_qs, u"Yalnız: Bir Milyon Bir TL Bir Kr"_qs}};
    for (const auto &[money, said] : cases)
        QCOMPARE(amountInWords(money), said);
    QCOMPARE(spacedWords(u"OnDörtBinÜçYüz TL"_qs), u"On Dört Bin Üç Yüz TL"_qs);
    QCOMPARE(spacedWords(u"Dokuz Yüz TL"_qs), u"Dokuz Yüz TL"_qs);
}

void TestEArsiv::schemaAndSums_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("rate"); // typed for the export; with `saved`, saved with it
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QList<QStringList>>("lines");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tax");
    QTest::addColumn<QString>("payable"); // the window's grand total, worked out by hand
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("rates"); // of the TaxSubtotals, in order
    QTest::addColumn<QStringList>("units"); // of the lines

    const QStringList two = {u"C62"_qs, u"C62"_qs};
    QTest::newRow("worked example, Hariç")
        << int(VatExcluded) << u"18"_qs << false << worked << u"Ömer Çelik"_qs
        << u"Ulus 10000000146"_qs << u"2667.86"_qs << u"SATIS"_qs << QStringList{u"18"_qs} << two;
    QTest::newRow("worked example, Dahil")
        << int(VatIncluded) << u"18"_qs << false << worked << u"Ömer Çelik"_qs
        << u"Ulus 10000000146"_qs << u"2260.90"_qs << u"SATIS"_qs << QStringList{u"18"_qs} << two;
    const QList<QStringList> odd = {
        {u"3"_qs, u"Çay & Şeker <1 kg>"_qs, {}, u"33,33"_qs},
        {u"2,5"_qs, u"O'nun \"özel\" ürünü"_qs, u"12,5"_qs, u"19,99"_qs},
        {u"7"_qs, u"Kağıt havlu"_qs, u"2,5"_qs, u"1,01"_qs},
        {u"1"_qs, u"İğne"_qs, {}, u"0,05"_qs}};
    const QStringList four(4, u"C62"_qs);
    QTest::newRow("Hariç, discounts, 20")
        << int(VatExcluded) << u"20"_qs << false << odd << u"Gül'ün & <Çiçekçisi>"_qs
        << u"Şişli V.D. 1234567890"_qs << u"180.79"_qs << u"SATIS"_qs << QStringList{u"20"_qs}
        << four;
    QTest::newRow("Dahil, discounts, 10, final consumer")
        << int(VatIncluded) << u"10"_qs << false << odd << u"Işıl Öz"_qs << QString()
        << u"150.66"_qs << u"SATIS"_qs << QStringList{u"10"_qs} << four;
    QTest::newRow("Hariç, 18,5") << int(VatExcluded) << u"18,5"_qs << false << odd << u"Işıl Öz"_qs
                                 << u"Konak 12345678950"_qs << u"178.53"_qs << u"SATIS"_qs
                                 << QStringList{u"18.5"_qs} << four;

    // Bread at 1 %, cheese by the kilo at 10 %, detergent at 20 % less 10 %: 30,00 + 0,30;
    // 277,50 + 27,75; 270,00 + 54,00.
    const QList<QStringList> grocer = {
        {u"3"_qs, u"Ekmek"_qs, {}, u"10,00"_qs, u"1"_qs},
        {u"1,5"_qs, u"Beyaz peynir"_qs, {}, u"185,00"_qs, u"10"_qs, u"Kg"_qs},
        {u"2"_qs, u"Deterjan"_qs, u"10"_qs, u"150,00"_qs, u"20"_qs, u"Paket"_qs}};
    const QStringList grocerUnits = {u"C62"_qs, u"KGM"_qs, u"PA"_qs};
    const QStringList grocerRates = {u"1"_qs, u"10"_qs, u"20"_qs};
    QTest::newRow("three rates, Hariç")
        << int(VatExcluded) << u"20"_qs << true << grocer << u"Ayşe Yılmaz"_qs
        << u"Kadıköy 10000000146"_qs << u"659.55"_qs << u"SATIS"_qs << grocerRates << grocerUnits;
    // The same prices with VAT: what is paid is the lines less their discount.
    QTest::newRow("three rates, Dahil")
        << int(VatIncluded) << u"20"_qs << true << grocer << u"Ayşe Yılmaz"_qs
        << u"Kadıköy 10000000146"_qs << u"577.50"_qs << u"SATIS"_qs << grocerRates << grocerUnits;
    // A book at 0 % (not exempt: 351) beside notebooks at 20 %: 100,00 + 50,00 + 10,00.
    const QList<QStringList> books = {
        {u"1"_qs, u"Kitap"_qs, {}, u"100,00"_qs, u"0"_qs, {}, u"351"_qs},
        {u"2"_qs, u"Defter"_qs, {}, u"25,00"_qs, u"20"_qs},
        {u"3"_qs, u"Kumaş"_qs, {}, u"0,00"_qs, u"0"_qs, u"Metre"_qs, u"301"_qs}};
    QTest::newRow("0 % with exemptions, an exempt one makes it ISTISNA")
        << int(VatExcluded) << u"20"_qs << true << books << u"Ayşe Yılmaz"_qs
        << u"Kadıköy 10000000146"_qs << u"160.00"_qs << u"ISTISNA"_qs
        << QStringList{u"0"_qs, u"0"_qs, u"20"_qs} << QStringList{u"C62"_qs, u"C62"_qs, u"MTR"_qs};
    QTest::newRow("0 % not exempt stays a sale")
        << int(VatIncluded) << u"20"_qs << true << books.mid(0, 2) << u"Ayşe Yılmaz"_qs
        << u"Kadıköy 10000000146"_qs << u"150.00"_qs << u"SATIS"_qs
        << QStringList{u"0"_qs, u"20"_qs} << QStringList{u"C62"_qs, u"C62"_qs};
}

void TestEArsiv::schemaAndSums() {
    QFETCH(int, mode);
    QFETCH(QString, rate);
    QFETCH(bool, saved);
    QFETCH(QList<QStringList>, lines);
    QFETCH(QString, name);
    QFETCH(QString, tax);
    QFETCH(QString, payable);
    QFETCH(QString, type);
    QFETCH(QStringList, rates);
    QFETCH(QStringList, units);
    EArsivFixture fx;
    Saved s;
    s.vatMode = mode;
    s.name = name;
    s.tax = tax;
    s.rate = saved ? rate : QString();
    fx.store(5, lines, s);
    const EArsivResult r = EArsivExport(fx.workspace, saved ? QString() : rate).exportInvoice(5);
    QCOMPARE(r.refusal, QString());
    QCOMPARE(r.files, (QStringList{fx.file(r.gibNumber, ".xml"), fx.file(r.gibNumber, ".pdf")}));
    QCOMPARE(schemaProblems({r.files.first()}), QString());

    const XmlValues x(fileBytes(r.files.first()));
    const QString buyer = u"Invoice/AccountingCustomerParty/Party/"_qs;
    const QStringList buyerName = x.all(buyer + u"PartyName/Name"_qs) +
                                  x.all(buyer + u"Person/FirstName"_qs) +
                                  x.all(buyer + u"Person/FamilyName"_qs);
    QCOMPARE((QStringList{x.one(u"Invoice/ID"_qs), x.one(u"Invoice/ProfileID"_qs),
                          x.one(u"Invoice/InvoiceTypeCode"_qs), x.one(u"Invoice/IssueDate"_qs),
                          x.one(u"Invoice/IssueTime"_qs), x.one(u"Invoice/LineCountNumeric"_qs),
                          x.one(u"Invoice/AccountingSupplierParty/Party/PartyName/Name"_qs),
                          buyerName.join(u' '), x.one(u"Invoice/AdditionalDocumentReference/ID"_qs),
                          x.one(u"Invoice/AdditionalDocumentReference/DocumentTypeCode"_qs)}),
             (QStringList{r.gibNumber, u"EARSIVFATURA"_qs, type, u"2026-06-25"_qs, u"10:11:12"_qs,
                          QString::number(lines.size()), EArsivFixture::seller().title, name,
                          u"KAGIT"_qs, u"SEND_TYPE"_qs}));
    QVERIFY(x.one(u"Invoice/Note"_qs).startsWith(u"Yalnız: "_qs));
    QCOMPARE(x.all(u"Invoice/TaxTotal/TaxSubtotal/Percent"_qs), rates);
    QCOMPARE(x.all(u"Invoice/InvoiceLine/InvoicedQuantity/@unitCode"_qs), units);

    // The sums add up to the kuruş, and what is paid is the window's grand total.
    const QString total = u"Invoice/LegalMonetaryTotal/"_qs;
    const QString taxTotal = u"Invoice/TaxTotal/"_qs;
    const qint64 lineTotal = kurus(x.one(total + u"LineExtensionAmount"_qs));
    const qint64 vat = kurus(x.one(taxTotal + u"TaxAmount"_qs));
    const qint64 paid = kurus(payable);
    const QStringList nets = x.all(u"Invoice/InvoiceLine/LineExtensionAmount"_qs);
    const QStringList vats = x.all(u"Invoice/InvoiceLine/TaxTotal/TaxAmount"_qs);
    const QStringList cuts = x.all(u"Invoice/InvoiceLine/AllowanceCharge/Amount"_qs);
    QCOMPARE(
        (QList<qint64>{sum(nets), kurus(x.one(total + u"TaxExclusiveAmount"_qs)),
                       sum(x.all(taxTotal + u"TaxSubtotal/TaxableAmount"_qs)), sum(vats),
                       sum(x.all(taxTotal + u"TaxSubtotal/TaxAmount"_qs)), lineTotal + vat,
                       kurus(x.one(total + u"TaxInclusiveAmount"_qs)),
                       kurus(x.one(total + u"PayableAmount"_qs)),
                       kurus(x.one(total + u"AllowanceTotalAmount"_qs))}),
        (QList<qint64>{lineTotal, lineTotal, lineTotal, vat, vat, paid, paid, paid, sum(cuts)}));

    // Each rate's VAT is its base × rate, rounded once; at 0 % the exemption is named.
    const QStringList bases = x.all(taxTotal + u"TaxSubtotal/TaxableAmount"_qs);
    const QStringList rateVat = x.all(taxTotal + u"TaxSubtotal/TaxAmount"_qs);
    QCOMPARE(x.all(taxTotal + u"TaxSubtotal/TaxCategory/TaxExemptionReasonCode"_qs).size(),
             rates.count(u"0"_qs));
    for (qsizetype i = 0; i < rates.size(); ++i) {
        const double exact = kurus(bases[i]) * rates[i].toDouble() / 100;
        QVERIFY2(std::abs(kurus(rateVat[i]) - exact) <= 0.5, qPrintable(rateVat[i]));
    }

    // Each line: its VAT within a kuruş of its own, its amount its base less its discount.
    const QStringList lineRates = x.all(u"Invoice/InvoiceLine/TaxTotal/TaxSubtotal/Percent"_qs);
    const QStringList lineBases = x.all(u"Invoice/InvoiceLine/AllowanceCharge/BaseAmount"_qs);
    QCOMPARE(nets.size(), lines.size());
    QCOMPARE(lineRates.size(), lines.size());
    qsizetype discounted = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QVERIFY2(std::abs(kurus(vats[i]) - kurus(nets[i]) * lineRates[i].toDouble() / 100) <= 1.0,
                 qPrintable(vats[i] + u" / "_qs + nets[i]));
        if (lines[i][2].isEmpty())
            continue;
        QCOMPARE(kurus(lineBases[discounted]) - kurus(cuts[discounted]), kurus(nets[i]));
        ++discounted;
    }
    QCOMPARE(lineBases.size(), discounted);
}

void TestEArsiv::refusals_data() {
    QTest::addColumn<QList<QStringList>>("lines");
    QTest::addColumn<Saved>("saved");
    QTest::addColumn<QStringList>("sql"); // run on the books after the save
    QTest::addColumn<QString>("reason");

    Saved plain;
    QTest::newRow("VAT rounds to 0,00")
        << QList<QStringList>{{u"1"_qs, u"Toka"_qs, {}, u"0,01"_qs}} << plain << QStringList()
        << u"%18 KDV'li satırların KDV'si 0,00 TL'ye yuvarlanıyor (matrah 0,01 TL); KDV'si sıfır "
           "olan oran istisna kodu ister. Tutarı düzeltiniz ya da satırı %0 KDV ve istisna "
           "koduyla yazınız."_qs;
    Saved zero = plain;
    zero.rate = u"20"_qs;
    QTest::newRow("0 % without its exemption")
        << QList<QStringList>{{u"1"_qs, u"Kitap"_qs, {}, u"50"_qs, u"0"_qs, {}, u"351"_qs}}
        << zero
        // The line's details as kept: rate 0, unit C62, no exemption code or text.
        << QStringList{u"UPDATE fatura_bilgi SET satirlar = '0\u001FC62\u001F\u001F'"_qs}
        << u"1. satırın KDV oranı %0, ama istisna kodu ve nedeni yok; %0 KDV'li satır istisna "
           "koduyla yazılır. Faturada satıra istisna kodunu (örneğin 351) giriniz."_qs;
    Saved noPlace = plain;
    noPlace.address2 = u"İzmir"_qs;
    QTest::newRow("no district and city")
        << one << noPlace << QStringList()
        << u"müşterinin (Ayşe Yılmaz) ikinci adres satırında ilçe ve il yok (\"İzmir\"); "
           "faturada ikisi de yazılır. Müşteri kartında ikinci adres satırını \"İlçe / İl\" "
           "biçiminde yazınız, örneğin \"Kadıköy / İstanbul\"."_qs;
    Saved company = plain;
    company.name = u"Doğan Kardeşler Ltd."_qs;
    company.tax = QString();
    QTest::newRow("a company without a VKN")
        << one << company << QStringList()
        << u"müşteri (Doğan Kardeşler Ltd.) bir şirket, ama vergi kutusunda vergi kimlik numarası "
           "yok; şirkete fatura VKN ile düzenlenir, nihai tüketici olarak yazılamaz. Müşteri "
           "kartında vergi kutusuna vergi dairesini ve 10 haneli VKN'yi yazınız, örneğin "
           "\"Kadıköy 1234567890\"."_qs;
    Saved note = plain;
    note.deliveryDate = u"32.13.2026"_qs;
    QTest::newRow("a delivery note dated unreadably")
        << one << note << QStringList()
        << u"irsaliye tarihi okunamadı (32.13.2026); irsaliye numarası (İ-12) ile birlikte "
           "GG.AA.YYYY biçiminde yazılmalıdır. Faturada irsaliye tarihini düzeltiniz ya da "
           "irsaliye numarasını siliniz."_qs;
    Saved old = plain;
    old.date = u"22.06.2026"_qs;
    QTest::newRow("more than seven days old")
        << one << old << QStringList()
        << u"fatura tarihi (22.06.2026) bugünden (30.06.2026) 8 gün önce; e-fatura, fatura "
           "tarihinden en geç 7 gün içinde düzenlenir. Bu fatura kâğıt fatura olarak kalır, "
           "e-fatura olarak yazılamaz."_qs;
    Saved future = plain;
    future.date = u"01.07.2026"_qs;
    QTest::newRow("dated tomorrow") << one << future << QStringList()
                                    << u"fatura tarihi (01.07.2026) bugünden ileri; e-Arşiv "
                                       "faturası ileri tarihli olamaz."_qs;
    Saved unreadable = plain;
    unreadable.date = u"31.02.2026"_qs;
    QTest::newRow("an impossible date") << one << unreadable << QStringList()
                                        << u"fatura tarihi okunamadı (31.02.2026); GG.AA.YYYY "
                                           "biçiminde olmalıdır."_qs;
    QTest::newRow("a negative line of a sale")
        << QList<QStringList>{{u"-1"_qs, u"İade"_qs, {}, u"100"_qs}} << plain << QStringList()
        << u"1. satırın tutarı eksi (-100,00); iade için fatura tipi İADE seçilip tutarlar artı "
           "yazılır."_qs;
    QTest::newRow("a discount above the amount")
        << QList<QStringList>{{u"1"_qs, u"Kalem"_qs, u"150"_qs, u"10"_qs}} << plain << QStringList()
        << u"1. satırın iskontosu (150) eksi ya da satır tutarından büyük."_qs;
    Saved negativeReturn = plain;
    negativeReturn.rate = u"18"_qs;
    negativeReturn.type = InvoiceType::Return;
    negativeReturn.returnedNumber = u"XYZ2026000000001"_qs;
    negativeReturn.returnedDate = u"10.06.2026"_qs;
    QTest::newRow("a negative line of a return")
        << QList<QStringList>{{u"-1"_qs, u"İade"_qs, {}, u"100"_qs}} << negativeReturn
        << QStringList()
        << u"1. satırın tutarı eksi (-100,00); İADE faturasında tutarlar artı yazılır."_qs;
    Saved unknownReturn = negativeReturn;
    unknownReturn.returnedNumber = u"9"_qs;
    QTest::newRow("a return of an invoice never exported")
        << one << unknownReturn << QStringList()
        << u"iade edilen 9 numaralı fatura henüz e-fatura olarak yazılmamış; önce onu yazınız ya "
           "da faturada \"İade Edilen Fatura\" kutusuna iade edilen faturanın e-fatura numarasını "
           "(ABC2026000000001 biçiminde) giriniz."_qs;
    Saved strangeReturn = negativeReturn;
    strangeReturn.returnedNumber = u"A-123"_qs;
    QTest::newRow("a return of no invoice")
        << one << strangeReturn << QStringList()
        << u"\"İade Edilen Fatura\" (A-123) bir e-fatura numarası (ABC2026000000001 biçiminde) ya "
           "da bu programda kayıtlı bir fatura numarası olmalıdır."_qs;
}

// Each invoice an integrator or the rules would refuse is refused before it gets a number:
// the message names it and says what to correct; nothing is written or recorded.
void TestEArsiv::refusals() {
    QFETCH(QList<QStringList>, lines);
    QFETCH(Saved, saved);
    QFETCH(QStringList, sql);
    QFETCH(QString, reason);
    EArsivFixture fx;
    fx.store(3, lines, saved);
    if (!sql.isEmpty())
        testdb::sql(fx.db, sql);
    QList<EArsivResult> results;
    QCOMPARE(EArsivExport(fx.workspace).run({3}, results), EArsivRunEnd::Completed);
    QCOMPARE(outcomes(results), (QMap<qint64, QString>{{3, refused(3, reason)}}));
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files), QStringList());
    QVERIFY(queryRows(fx.db, u"SELECT name FROM sqlite_master WHERE name = 'earsiv_faturalar'"_qs)
                .isEmpty() ||
            queryRows(fx.db, u"SELECT * FROM earsiv_faturalar"_qs).isEmpty());
}

// A return is an IADE invoice naming the one it returns, by the GİB number of an invoice of
// these books exported before or as typed, with its date.
void TestEArsiv::returns() {
    EArsivFixture fx;
    Saved sale;
    sale.date = u"24.06.2026"_qs;
    fx.store(1, worked, sale);
    Saved back = sale;
    back.date = u"26.06.2026"_qs;
    back.type = InvoiceType::Return;
    back.returnedNumber = u"1"_qs;
    back.returnedDate = u"24.06.2026"_qs;
    back.rate = u"18"_qs;
    fx.store(2, {{u"1"_qs, u"Tahlil"_qs, {}, u"1250,50"_qs}}, back);
    back.returnedNumber = u"XYZ2025000000123"_qs;
    back.returnedDate = u"10.12.2025"_qs;
    fx.store(3, one, back);
    QList<EArsivResult> results;
    EArsivExport exporter(fx.workspace);
    QCOMPARE(exporter.run({1}, results), EArsivRunEnd::Completed);
    QCOMPARE(exporter.run({2, 3}, results), EArsivRunEnd::Completed);
    QCOMPARE(outcomes(results), (QMap<qint64, QString>{{1, u"ABC2026000000001"_qs},
                                                       {2, u"ABC2026000000002"_qs},
                                                       {3, u"ABC2026000000003"_qs}}));
    QStringList xml;
    for (const EArsivResult &r : results)
        xml << r.files.value(0);
    QCOMPARE(schemaProblems(xml), QString());
    const QString reference = u"Invoice/BillingReference/InvoiceDocumentReference/"_qs;
    const QList<QStringList> expected = {
        {u"SATIS"_qs, {}, {}, {}},
        {u"IADE"_qs, u"ABC2026000000001"_qs, u"2026-06-24"_qs, u"IADE"_qs},
        {u"IADE"_qs, u"XYZ2025000000123"_qs, u"2025-12-10"_qs, u"IADE"_qs}};
    for (int i = 0; i < 3; ++i) {
        const XmlValues x(fileBytes(xml[i]));
        QCOMPARE((QStringList{x.one(u"Invoice/InvoiceTypeCode"_qs), x.one(reference + u"ID"_qs),
                              x.one(reference + u"IssueDate"_qs),
                              x.one(reference + u"DocumentTypeCode"_qs)}),
                 expected[i]);
    }
    // A sale and its return in one run, the return named first: the sale is numbered first,
    // and the return names its new number.
    sale.date = u"27.06.2026"_qs;
    fx.store(4, worked, sale);
    back.date = u"27.06.2026"_qs;
    back.returnedNumber = u"4"_qs;
    back.returnedDate = sale.date;
    fx.store(5, one, back);
    QList<EArsivResult> together;
    exporter.run({5, 4}, together);
    QCOMPARE(outcomes(together),
             (QMap<qint64, QString>{{4, u"ABC2026000000004"_qs}, {5, u"ABC2026000000005"_qs}}));
    const XmlValues returned(fileBytes(fx.file(u"ABC2026000000005"_qs, ".xml")));
    QCOMPARE((QStringList{returned.one(reference + u"ID"_qs),
                          returned.one(reference + u"IssueDate"_qs)}),
             (QStringList{u"ABC2026000000004"_qs, u"2026-06-27"_qs}));
    // The copy says what it returns.
    const QString copy = pageText(results[1].files[1]).simplified();
    for (const QString &shown : {u"Fatura Tipi: İADE"_qs, u"İade Fatura No: ABC2026000000001"_qs,
                                 u"İade Fatura Tarihi: 24.06.2026"_qs})
        QVERIFY2(copy.contains(shown), qPrintable(shown));
}

// Within a series and year numbers follow the dates: a run numbers in date order, and no
// invoice dated before the last numbered one gets a number. Each series goes on its own.
void TestEArsiv::numbersFollowDates() {
    EArsivFixture fx;
    const QList<std::pair<qint64, QString>> dated = {
        {1, u"29.06.2026"_qs}, {2, u"24.06.2026"_qs}, {3, u"26.06.2026"_qs}};
    for (const auto &[n, date] : dated) {
        Saved s;
        s.date = date;
        fx.store(n, one, s);
    }
    QList<EArsivResult> results;
    EArsivExport(fx.workspace).run({1, 2, 3}, results);
    QCOMPARE(outcomes(results), (QMap<qint64, QString>{{2, u"ABC2026000000001"_qs},
                                                       {3, u"ABC2026000000002"_qs},
                                                       {1, u"ABC2026000000003"_qs}}));
    // Later, an invoice dated before the 29th: refused, both named; one of the 29th goes on.
    Saved earlier;
    earlier.date = u"27.06.2026"_qs;
    fx.store(4, one, earlier);
    Saved same;
    same.date = u"29.06.2026"_qs;
    fx.store(5, one, same);
    // A buyer on the e-Fatura list gets a number of the e-Fatura series, whatever the date.
    {
        Database d(fx.db, Database::Access::Write);
        replaceRegisteredUsers(
            d,
            [n = 0](RegisteredUser &u) mutable {
                u = {u"1234567890"_qs, u"IŞIK ELEKTRİK"_qs, {}, {}};
                return n++ == 0;
            },
            u"liste.csv"_qs, QDateTime(fx.today, fx.time));
    }
    Saved registered = earlier;
    registered.date = u"23.06.2026"_qs;
    registered.name = u"Işık Elektrik Ltd. Şti."_qs;
    registered.tax = u"Şişli 1234567890"_qs;
    fx.store(6, one, registered);
    results.clear();
    EArsivExport(fx.workspace).run({4, 5, 6}, results);
    QCOMPARE(outcomes(results),
             (QMap<qint64, QString>{
                 {4, refused(4, u"tarihi (27.06.2026), ABC serisinde 2026 yılında en son numara "
                                "verilen ABC2026000000003 numaralı belgenin (1 numaralı fatura) "
                                "tarihinden (29.06.2026) önce; numaralar tarih sırasını izler, bu "
                                "tarihe artık numara verilemez."_qs)},
                 {5, u"ABC2026000000004"_qs},
                 {6, u"EFA2026000000001"_qs}}));
    QCOMPARE(
        queryRows(fx.db, u"SELECT count(*) FROM earsiv_faturalar"_qs).value(0).value(0).toInt(), 5);
}

// Numbers are gapless within a year; a refused invoice takes none and leaves no file. An
// invoice exported again is the same document; another rate or a changed invoice is refused.
void TestEArsiv::numbering() {
    EArsivFixture fx;
    fx.today = QDate(2026, 1, 3);
    Saved s;
    for (const auto &[n, date] : QList<std::pair<qint64, QString>>{{1, u"02.01.2026"_qs},
                                                                   {2, u"03.01.2026"_qs},
                                                                   {3, u"31.12.2025"_qs},
                                                                   {5, u"30.12.2025"_qs}}) {
        s.date = date;
        fx.store(n, one, s);
    }
    QList<EArsivResult> results;
    QCOMPARE(EArsivExport(fx.workspace).run({2, 3, 77, 1, 5}, results), EArsivRunEnd::Completed);
    // Each year on its own, from 1, in date order.
    QCOMPARE(outcomes(results),
             (QMap<qint64, QString>{{5, u"ABC2025000000001"_qs},
                                    {3, u"ABC2025000000002"_qs},
                                    {1, u"ABC2026000000001"_qs},
                                    {2, u"ABC2026000000002"_qs},
                                    {77, refused(77, u"fatura bulunamadı."_qs)}}));
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files).size(), 8);
    QSet<QString> uuids;
    for (const QVariantList &row : queryRows(fx.db, u"SELECT uuid FROM earsiv_faturalar"_qs)) {
        QVERIFY(uuidPattern.match(row[0].toString()).hasMatch());
        uuids << row[0].toString();
    }
    QCOMPARE(uuids.size(), 4);

    // Again, later, with the settings' rate changed: the same document to the byte, with
    // the rate it was made with and the time it was first given, though older than a week now.
    const QString given = fx.file(u"ABC2026000000001"_qs, ".xml");
    const QByteArray first = fileBytes(given);
    ayarlar a = ayarlari_oku(2, fx.workspace.settingsPath());
    a.kdv_yuzde = u"20"_qs;
    ayarlari_yaz(a, fx.workspace.settingsPath());
    fx.time = QTime(17, 0, 0);
    fx.today = fx.today.addDays(30);
    QFile::remove(given);
    EArsivExport exporter(fx.workspace);
    QCOMPARE(exporter.exportInvoice(1).refusal, QString());
    QCOMPARE(fileBytes(given), first);
    // A new invoice goes on from the last number of its year.
    s.date = u"01.02.2026"_qs;
    s.vatMode = VatIncluded;
    fx.store(6, one, s);
    QCOMPARE(exporter.exportInvoice(6).gibNumber, u"ABC2026000000003"_qs);
    // An invoice saved with its rate goes out at that rate whatever the settings say, and not
    // at another one typed for the export.
    s.rate = u"10"_qs;
    s.vatMode = VatExcluded;
    fx.store(11, one, s);
    QCOMPARE(EArsivExport(fx.workspace, u"18"_qs).exportInvoice(11).refusal,
             refused(11, u"fatura %10 KDV ile kaydedilmiş; başka bir KDV oranıyla yazılamaz."_qs));
    const EArsivResult own = exporter.exportInvoice(11);
    QVERIFY2(fileBytes(fx.file(own.gibNumber, ".xml")).contains("<cbc:Percent>10</cbc:Percent>"),
             qPrintable(own.refusal));

    // The same rate typed passes; another rate, or an invoice changed after it was given, is
    // refused and nothing is written.
    QCOMPARE(EArsivExport(fx.workspace, u"18"_qs).exportInvoice(1).refusal, QString());
    QCOMPARE(EArsivExport(fx.workspace, u"20"_qs).exportInvoice(1).refusal,
             refused(1, u"daha önce ABC2026000000001 numarasıyla %18 KDV ile verildi; başka bir "
                        u"KDV oranıyla yeniden yazılamaz."_qs));
    s = Saved();
    s.date = u"02.01.2026"_qs;
    fx.store(1, {{u"2"_qs, u"Kalem"_qs, {}, u"100"_qs}}, s);
    QFile::remove(given);
    QCOMPARE(EArsivExport(fx.workspace).exportInvoice(1).refusal,
             refused(1, u"ABC2026000000001 numarasıyla verildikten sonra faturası ya da firma "
                        u"bilgileri değiştirilmiş. Verilmiş bir e-fatura değiştirilemez; iptal "
                        u"edilip yenisi düzenlenmelidir."_qs));
    QVERIFY(!QFile::exists(given));

    // A run stopped after the second invoice keeps the two it told of, begins nothing more and
    // drops what other cores drew meanwhile; the numbers kept have no gap.
    fx.today = QDate(2026, 2, 3);
    for (qint64 n : {21, 22, 23, 24}) {
        s.date = u"0%1.02.2026"_qs.arg(std::min<qint64>(n - 20, 3));
        fx.store(n, one, s);
    }
    QList<EArsivResult> part;
    QList<int> told;
    QCOMPARE(EArsivExport(fx.workspace)
                 .run({21, 22, 23, 24}, part,
                      [&](int done, int total) {
                          told << done << total;
                          return done < 2;
                      }),
             EArsivRunEnd::Cancelled);
    QCOMPARE(told, (QList<int>{0, 4, 1, 4, 2, 4}));
    QCOMPARE(part.size(), 2);
    for (qsizetype i = 0; i < part.size(); ++i)
        QCOMPARE(part[i].gibNumber, u"ABC20260000000%1"_qs.arg(i + 5, 2, 10, QLatin1Char('0')));
    QCOMPARE(queryRows(fx.db, u"SELECT count(*) FROM earsiv_faturalar WHERE faturano > 20"_qs)
                 .value(0)
                 .value(0)
                 .toLongLong(),
             part.size());
    for (const QString &name : QDir(fx.folder()).entryList(QDir::Files | QDir::Hidden))
        QVERIFY2(!name.contains(u".yarim"_qs) && !name.contains(u".xml."_qs) &&
                     !name.contains(u".pdf."_qs),
                 qPrintable(name));
    QCOMPARE(QDir(fx.folder()).entryList({u"*.xml"_qs}).size(), 5 + part.size());
}

// Books written by an older program: its e-Arşiv table without the dates, scenarios and send
// types, its documents in the form it wrote them. The table is brought up to date, a record's
// date comes from its invoice, and its files stay as they were given.
void TestEArsiv::olderRecords() {
    EArsivFixture fx;
    Saved s;
    s.date = u"29.06.2026"_qs;
    fx.store(1, one, s);
    const QByteArray oldXml = "<Invoice>önceki sürüm</Invoice>";
    QVERIFY(QDir().mkpath(fx.folder()));
    QFile xml(fx.file(u"ABC2026000000001"_qs, ".xml"));
    QVERIFY(xml.open(QIODevice::WriteOnly) && xml.write(oldXml) == oldXml.size());
    xml.close();
    QFile pdf(fx.file(u"ABC2026000000001"_qs, ".pdf"));
    QVERIFY(pdf.open(QIODevice::WriteOnly) && pdf.write("%PDF-1.4 %%EOF") > 0);
    pdf.close();
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(oldXml, QCryptographicHash::Sha256).toHex());
    sql(fx.db, {u"CREATE TABLE earsiv_faturalar (faturano INTEGER PRIMARY KEY, gib_no TEXT NOT "
                "NULL UNIQUE, seri TEXT NOT NULL, yil INTEGER NOT NULL, sira INTEGER NOT NULL, "
                "uuid TEXT NOT NULL UNIQUE, duzenleme_saati TEXT NOT NULL, kdv_orani TEXT NOT "
                "NULL, ozet TEXT NOT NULL, aktarim_zamani TEXT NOT NULL, UNIQUE (seri, yil, "
                "sira))"_qs,
                u"INSERT INTO earsiv_faturalar VALUES (1, 'ABC2026000000001', 'ABC', 2026, 1, "
                "'3F2504E0-4F89-41D3-9A0C-0305E82C3301', '09:00:00', '18', '%1', "
                "'2026-06-29T09:00:00')"_qs.arg(digest)});
    s.date = u"27.06.2026"_qs;
    fx.store(2, one, s);
    s.date = u"30.06.2026"_qs;
    fx.store(3, one, s);
    QList<EArsivResult> results;
    EArsivExport(fx.workspace).run({1, 2, 3}, results);
    QCOMPARE(outcomes(results),
             (QMap<qint64, QString>{
                 {1, u"ABC2026000000001"_qs},
                 {2, refused(2, u"tarihi (27.06.2026), ABC serisinde 2026 yılında en son numara "
                                "verilen ABC2026000000001 numaralı belgenin (1 numaralı fatura) "
                                "tarihinden (29.06.2026) önce; numaralar tarih sırasını izler, bu "
                                "tarihe artık numara verilemez."_qs)},
                 {3, u"ABC2026000000002"_qs}}));
    QCOMPARE(results.first().notice,
             u"1 numaralı fatura ABC2026000000001 numarasıyla programın önceki bir sürümüyle "
             "verilmişti; dosyaları olduğu gibi bırakıldı."_qs);
    QCOMPARE(fileBytes(fx.file(u"ABC2026000000001"_qs, ".xml")), oldXml);
    QCOMPARE(
        queryRows(fx.db, u"SELECT gib_no, duzenleme_tarihi, senaryo, bicim FROM "
                         "earsiv_faturalar ORDER BY sira"_qs),
        (QList<QVariantList>{{u"ABC2026000000001"_qs, u"2026-06-29"_qs, u"EARSIVFATURA"_qs, 1},
                             {u"ABC2026000000002"_qs, u"2026-06-30"_qs, u"EARSIVFATURA"_qs, 2}}));
    // Without its files the old document cannot be written again: the user is told so.
    QVERIFY(QFile::remove(fx.file(u"ABC2026000000001"_qs, ".xml")));
    QCOMPARE(EArsivExport(fx.workspace).exportInvoice(1).refusal,
             refused(1, u"ABC2026000000001 numarasıyla programın önceki bir sürümüyle verildi; bu "
                        "sürüm o belgeyi aynen yeniden yazamıyor ve dosyaları e-Arşiv klasöründe "
                        "eksik ya da değişmiş. Entegratöre gönderilmiş olan dosyaları "
                        "kullanınız."_qs));
}

// A file that cannot be written stops the run there: what was numbered before it is kept
// whole, that invoice and those after it get no number, and nothing half-written is left.
void TestEArsiv::wholeOrNothing() {
    EArsivFixture fx;
    Saved s;
    for (const auto &[n, date] : QList<std::pair<qint64, QString>>{
             {1, u"24.06.2026"_qs}, {2, u"25.06.2026"_qs}, {3, u"26.06.2026"_qs}}) {
        s.date = date;
        fx.store(n, worked, s);
    }
    // The second one's PDF cannot be named: a folder is in its place.
    QVERIFY(QDir().mkpath(fx.file(u"ABC2026000000002"_qs, ".pdf")));
    QList<EArsivResult> results;
    const QString failure = thrownText<EArsivError>([&] {
        EArsivExport(fx.workspace).run({3, 2, 1}, results);
    });
    QVERIFY2(failure.startsWith(u"e-faturanın PDF kopyası yazılamadı: "_qs +
                                fx.file(u"ABC2026000000002"_qs, ".pdf")),
             qPrintable(failure));
    QCOMPARE(outcomes(results), (QMap<qint64, QString>{{1, u"ABC2026000000001"_qs}}));
    QCOMPARE(QDir(fx.folder()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             (QStringList{"ABC2026000000001.pdf", "ABC2026000000001.xml"}));
    QCOMPARE(queryRows(fx.db, u"SELECT faturano FROM earsiv_faturalar"_qs),
             (QList<QVariantList>{{1}}));
    QVERIFY(QDir(fx.file(u"ABC2026000000002"_qs, ".pdf")).removeRecursively());
    results.clear();
    EArsivExport(fx.workspace).run({3, 2}, results);
    QCOMPARE(outcomes(results),
             (QMap<qint64, QString>{{2, u"ABC2026000000002"_qs}, {3, u"ABC2026000000003"_qs}}));

    // The folder cannot be made. Neither failure, nor a refused rate of 0, uses a number up.
    s.date = u"27.06.2026"_qs;
    fx.store(4, worked, s);
    QVERIFY(QDir(fx.folder()).removeRecursively());
    QFile blocker(fx.folder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QCOMPARE(thrownText<EArsivError>([&] { EArsivExport(fx.workspace).exportInvoice(4); }),
             u"e-Arşiv klasörü oluşturulamadı: "_qs + fx.folder());
    QVERIFY(QFile::remove(fx.folder()));
    QCOMPARE(EArsivExport(fx.workspace, u"0"_qs).exportInvoice(4).refusal,
             refused(4, u"1. satırın KDV oranı %0, ama istisna kodu ve nedeni yok; %0 KDV'li "
                        "satır istisna koduyla yazılır. Faturada satıra istisna kodunu (örneğin "
                        "351) giriniz."_qs));
    QCOMPARE(EArsivExport(fx.workspace).exportInvoice(4).gibNumber, u"ABC2026000000004"_qs);

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
    Saved s;
    s.savedAt = QDateTime(QDate(2026, 6, 25), QTime(14, 35, 7));
    s.rate = u"18"_qs;
    fx.store(1, worked, s);
    Saved dahil;
    dahil.vatMode = VatIncluded;
    fx.store(2, many, dahil);
    // Names and texts longer than their boxes, a word longer than its column.
    Saved wide;
    wide.name = u"Karadeniz Ereğli Demir Çelik Fabrikaları ve Uluslararası Ticaret Anonim Şirketi "
                "Genel Müdürlüğü Satın Alma Müdürlüğü"_qs;
    wide.tax = u"Büyük Mükellefler 1234567890"_qs;
    const QString longWord = u"ÜçYüzYirmiSekizParçalıEndüstriyelMutfakTakımıMontajDahil"_qs;
    fx.store(3, {{u"1"_qs, u"Paslanmaz çelik tezgah "_qs + longWord, {}, u"1000"_qs}}, wide);
    testdb::sql(fx.db, {u"UPDATE faturalar SET adresi = 'Cumhuriyet Mahallesi Atatürk Bulvarı "
                        "Büyük İş Merkezi C Blok Kat 14 Daire 27 Kapı No 125/7 Yanı Eczane "
                        "Karşısı' WHERE faturano = 3"_qs});
    EArsivExport exporter(fx.workspace);
    const EArsivResult short_ = exporter.exportInvoice(1);
    const EArsivResult long_ = exporter.exportInvoice(2);
    const EArsivResult wide_ = exporter.exportInvoice(3);

    const QString text = pageText(short_.files.at(1)).simplified();
    QCOMPARE(pdfPageCount(short_.files.at(1)), 1);
    const XmlValues xml(fileBytes(short_.files.at(0)));
    // The amount of the lines after their discounts, as the XML and the QR code have it; the
    // time the invoice was saved.
    QCOMPARE(xml.one(u"Invoice/IssueTime"_qs), u"14:35:07"_qs);
    QCOMPARE(xml.one(u"Invoice/Note"_qs),
             u"Yalnız: İki Bin Altı Yüz Altmış Yedi TL Seksen Altı Kr"_qs);
    for (const QString &shown :
         {EArsivFixture::seller().title, u"VKN: 1234567890"_qs, u"Fatura No: ABC2026000000001"_qs,
          u"ETTN: "_qs + xml.one(u"Invoice/UUID"_qs), u"Düzenleme Tarihi: 25.06.2026"_qs,
          u"Düzenleme Saati: 14:35:07"_qs, u"Senaryo: EARSIVFATURA"_qs, u"Fatura Tipi: SATIŞ"_qs,
          u"Gönderim Şekli: KÂĞIT"_qs, u"Ayşe Yılmaz"_qs, u"TCKN: 10000000146"_qs,
          u"Kadıköy / İstanbul"_qs, u"Mal Hizmet Toplam Tutarı 2.260,90 TL"_qs,
          u"Toplam İskonto 250,10 TL"_qs, u"KDV Matrahı (%18) 2.260,90 TL"_qs,
          u"Hesaplanan KDV (%18) 406,96 TL"_qs, u"Ödenecek Tutar 2.667,86 TL"_qs,
          u"Yalnız: İki Bin Altı Yüz Altmış Yedi TL Seksen Altı Kr"_qs})
        QVERIFY2(text.contains(shown), qPrintable(shown));

    // A long invoice goes on over further pages: every line printed once, the totals last;
    // prices with the VAT taken out shown to the kuruş (12,50 / 1,18 = 10,59).
    const int pages = pdfPageCount(long_.files.at(1));
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
    const QString all = pdfText(long_.files.at(1));
    const QStringList sheets = all.split(u'\f');
    for (int i = 1; i <= 70; ++i)
        QCOMPARE(all.count(u"Ürün %1 "_qs.arg(i)), 1);
    QVERIFY(sheets.at(pages - 1).contains(u"Ödenecek Tutar"_qs));
    QVERIFY(!sheets.at(0).contains(u"Ödenecek Tutar"_qs));
    QVERIFY(sheets.at(pages - 1).contains(u"Sayfa %1 / %1"_qs.arg(pages)));
    QVERIFY(all.contains(u"10,59"_qs));
    QVERIFY(!all.contains(u"10,5932"_qs));

    // Nothing runs out of its box: the description's words stay in their column (24 to 67 mm
    // from the edge of the page), the long word broken over lines with none of it lost; the
    // buyer's lines follow one another without overlapping.
    const QList<PdfBox> words = pdfWords(wide_.files.at(1));
    const double mm = 72 / 25.4;
    const auto first = [&](const QString &word, double left, double right) {
        for (const PdfBox &w : words)
            if (w.page == 1 && w.text == word && w.xMin >= left * mm && w.xMin < right * mm)
                return w;
        return PdfBox{{}, 0, -1, -1, -1, -1};
    };
    const PdfBox heading = first(u"Hizmet"_qs, 24, 67);
    const PdfBox totals = first(u"Mal"_qs, 80, 210);
    QList<PdfBox> description;
    for (const PdfBox &w : words)
        if (w.page == 1 && w.xMin >= 24 * mm && w.xMin < 67 * mm && w.yMin > heading.yMax &&
            w.yMax < totals.yMin)
            description << w;
    std::sort(description.begin(), description.end(), [](const PdfBox &a, const PdfBox &b) {
        return std::pair(a.yMin, a.xMin) < std::pair(b.yMin, b.xMin);
    });
    QString read;
    for (const PdfBox &w : description) {
        read += w.text;
        QVERIFY2(w.xMax <= 67 * mm, qPrintable(w.text));
    }
    QCOMPARE(read, QString(u"Paslanmaz çelik tezgah "_qs + longWord).remove(u' '));
    const PdfBox sayin = first(u"SAYIN"_qs, 0, 111);
    const PdfBox ettn = first(u"ETTN:"_qs, 0, 111);
    QList<PdfBox> buyer;
    for (const PdfBox &w : words)
        if (w.page == 1 && w.xMin < 111 * mm && w.yMin >= sayin.yMin && w.yMin < ettn.yMin)
            buyer << w;
    QVERIFY(buyer.size() > 20);
    const auto overlap = [](const PdfBox &a, const PdfBox &b) {
        return a.xMin < b.xMax - 0.5 && b.xMin < a.xMax - 0.5 && a.yMin < b.yMax - 0.5 &&
               b.yMin < a.yMax - 0.5;
    };
    for (qsizetype i = 0; i < buyer.size(); ++i)
        for (qsizetype j = i + 1; j < buyer.size(); ++j)
            QVERIFY2(!overlap(buyer[i], buyer[j]),
                     qPrintable(buyer[i].text + u" / "_qs + buyer[j].text));
    const QString wideText = pdfText(wide_.files.at(1)).simplified();
    for (const QString &part : {u"Genel Müdürlüğü Satın Alma Müdürlüğü"_qs, u"Eczane Karşısı"_qs})
        QVERIFY2(wideText.contains(part), qPrintable(part));
}

void TestEArsiv::qrCode_data() {
    QTest::addColumn<QList<QStringList>>("lines");
    QTest::addColumn<Saved>("saved");
    QTest::addColumn<bool>("registered"); // the buyer is on the e-Fatura list
    Saved plain;
    plain.rate = u"20"_qs;
    QTest::newRow("e-Arşiv, three rates")
        << QList<QStringList>{{u"3"_qs, u"Ekmek"_qs, {}, u"10,00"_qs, u"1"_qs},
                              {u"2"_qs, u"Deterjan"_qs, u"10"_qs, u"150,00"_qs, u"20"_qs},
                              {u"1,5"_qs, u"Peynir"_qs, {}, u"185,00"_qs, u"10"_qs, u"Kg"_qs}}
        << plain << false;
    Saved company = plain;
    company.name = u"Işık Elektrik Ltd. Şti."_qs;
    company.tax = u"Şişli 1234567890"_qs;
    company.vatMode = VatIncluded;
    QTest::newRow("e-Fatura with exempt lines")
        << QList<QStringList>{{u"1"_qs, u"Kitap"_qs, {}, u"100,00"_qs, u"0"_qs, {}, u"351"_qs},
                              {u"1"_qs, u"İhraç"_qs, {}, u"40,00"_qs, u"0"_qs, {}, u"301"_qs},
                              {u"4"_qs, u"Kalem"_qs, {}, u"12,50"_qs}}
        << company << true;
    Saved back = plain;
    back.type = InvoiceType::Return;
    back.returnedNumber = u"XYZ2026000000007"_qs;
    back.returnedDate = u"20.06.2026"_qs;
    QTest::newRow("return") << QList<QStringList>{{u"1"_qs, u"Tahlil"_qs, {}, u"1250,50"_qs}}
                            << back << false;
}

// The QR code of the copy, read from the rendered page as a phone reads it, holds exactly
// the fields of the tax administration's standard, each as the XML has it.
void TestEArsiv::qrCode() {
    QFETCH(QList<QStringList>, lines);
    QFETCH(Saved, saved);
    QFETCH(bool, registered);
    EArsivFixture fx;
    if (registered) {
        QTemporaryDir tmp;
        Database d(fx.db, Database::Access::Write);
        importUserList(d, writeFile(tmp, u"liste.xml"_qs, gibList), QDateTime(fx.today, fx.time));
    }
    fx.store(1, lines, saved);
    const EArsivResult r = EArsivExport(fx.workspace).exportInvoice(1);
    QCOMPARE(r.refusal, QString());
    const QByteArray read = qrOnFirstPage(r.files.at(1));
    QJsonParseError error;
    const QJsonObject qr = QJsonDocument::fromJson(read, &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError, read.constData());

    const XmlValues x(fileBytes(r.files.at(0)));
    const QString party = u"Invoice/Accounting%1Party/Party/PartyIdentification/ID"_qs;
    const QString total = u"Invoice/LegalMonetaryTotal/"_qs;
    QMap<QString, QString> expected = {
        {u"vkntckn"_qs, x.one(party.arg(u"Supplier"_qs))},
        {u"avkntckn"_qs, x.one(party.arg(u"Customer"_qs))},
        {u"senaryo"_qs, x.one(u"Invoice/ProfileID"_qs)},
        {u"tip"_qs, x.one(u"Invoice/InvoiceTypeCode"_qs)},
        {u"tarih"_qs, x.one(u"Invoice/IssueDate"_qs)},
        {u"no"_qs, x.one(u"Invoice/ID"_qs)},
        {u"ettn"_qs, x.one(u"Invoice/UUID"_qs)},
        {u"parabirimi"_qs, x.one(u"Invoice/DocumentCurrencyCode"_qs)},
        {u"malhizmettoplam"_qs, x.one(total + u"LineExtensionAmount"_qs)},
        {u"vergidahil"_qs, x.one(total + u"TaxInclusiveAmount"_qs)},
        {u"odenecek"_qs, x.one(total + u"PayableAmount"_qs)}};
    // Each rate's base and VAT; the exemptions at 0 % together.
    const QStringList percents = x.all(u"Invoice/TaxTotal/TaxSubtotal/Percent"_qs);
    const QStringList bases = x.all(u"Invoice/TaxTotal/TaxSubtotal/TaxableAmount"_qs);
    const QStringList vats = x.all(u"Invoice/TaxTotal/TaxSubtotal/TaxAmount"_qs);
    QMap<QString, std::pair<qint64, qint64>> byRate;
    for (qsizetype i = 0; i < percents.size(); ++i) {
        byRate[percents[i]].first += kurus(bases[i]);
        byRate[percents[i]].second += kurus(vats[i]);
    }
    for (auto it = byRate.cbegin(); it != byRate.cend(); ++it) {
        expected.insert(u"kdvmatrah(%1)"_qs.arg(it.key()),
                        decimalPointText(Money::fromKurus(it.value().first)));
        expected.insert(u"hesaplanankdv(%1)"_qs.arg(it.key()),
                        decimalPointText(Money::fromKurus(it.value().second)));
    }
    QMap<QString, QString> got;
    for (auto it = qr.constBegin(); it != qr.constEnd(); ++it)
        got.insert(it.key(), it.value().toString());
    QCOMPARE(got, expected);
    QCOMPARE(got.value(u"senaryo"_qs), registered ? u"TEMELFATURA"_qs : u"EARSIVFATURA"_qs);
}

void TestEArsiv::userList_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("users"); // "id|title|alias|since", or the refusal
    QTest::newRow("the tax administration's XML")
        << gibList << u"liste.xml"_qs
        << QStringList{u"10000000146|AYŞE YILMAZ|urn:mail:defaultpk@ayse.com|2026-06-27"_qs,
                       u"1234567890|IŞIK ELEKTRİK LİMİTED ŞİRKETİ|urn:mail:defaultpk@isik.com.tr|"
                       "2014-03-01"_qs,
                       u"9876543217|ESKİ BİÇİM LTD. ŞTİ.|urn:mail:defaultpk@eski.com.tr|"
                       "2013-11-13"_qs};
    QTest::newRow("a CSV with a heading and quotes")
        << QByteArray("\xEF\xBB\xBFVKN/TCKN;Unvan;Etiket\r\n"
                      "1234567890;\"Işık; Elektrik\";urn:mail:defaultpk@isik.com.tr\r\n"
                      "\r\n"
                      "10000000146;Ayşe Yılmaz\r\n")
        << u"liste.csv"_qs
        << QStringList{u"10000000146|Ayşe Yılmaz||"_qs,
                       u"1234567890|Işık; Elektrik|urn:mail:defaultpk@isik.com.tr|"_qs};
    QTest::newRow("tabs, saved in Windows-1254")
        << QTextCodec::codecForName("Windows-1254")->fromUnicode(u"4840847211\tŞİRİN GIDA\tpk\n"_qs)
        << u"liste.txt"_qs << QStringList{u"4840847211|ŞİRİN GIDA|pk|"_qs};
    QTest::newRow("a number that is none")
        << QByteArray("1234567890;A\n12345;B\n") << u"liste.csv"_qs
        << QStringList{u"e-Fatura kullanıcı listesi okunamadı: %1, 2. satır: VKN ya da TCKN 10 ya "
                       "da 11 haneli bir sayı olmalıdır, \"12345\" yazıyor."_qs};
    QTest::newRow("an XML cut short")
        << gibList.left(400) << u"liste.xml"_qs
        << QStringList{
               u"e-Fatura kullanıcı listesi okunamadı: %1, 10. satır: XML bozuk ya da yarım "
               "(Premature end of document.)."_qs};
    QTest::newRow("a ZIP archive")
        << QByteArray("PK\x03\x04 arşiv") << u"liste.zip"_qs
        << QStringList{u"e-Fatura kullanıcı listesi bir ZIP arşivi: %1\nArşivi açıp içindeki XML "
                       "dosyasını seçiniz."_qs};
    QTest::newRow("no user") << QByteArray("VKN;Unvan\n") << u"liste.csv"_qs
                             << QStringList{u"e-Fatura kullanıcı listesinde hiç kullanıcı yok: "
                                            "%1\nListe değiştirilmedi."_qs};
}

// The list is imported whole in place of the one held, with its date; a file that cannot be
// read is refused, naming it and the line, and the list held stays.
void TestEArsiv::userList() {
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(QStringList, users);
    EArsivFixture fx;
    QTemporaryDir tmp;
    const QString held = writeFile(tmp, u"eski.csv"_qs, "9876543217;Eski Liste\n");
    const QString path = writeFile(tmp, name, file);
    Database db(fx.db, Database::Access::Write);
    QCOMPARE(importUserList(db, held, QDateTime(QDate(2026, 6, 1), QTime(9, 0))), qint64(1));
    const QDateTime at(fx.today, fx.time);
    const QString refusal = thrownText<EArsivError>([&] { importUserList(db, path, at); });
    QStringList listed;
    for (const QVariantList &row : queryRows(fx.db, u"SELECT vkn_tckn, unvan, etiket, kayit_tarihi "
                                                    "FROM efatura_kullanicilari ORDER BY 1"_qs))
        listed << row[0].toString() + u'|' + row[1].toString() + u'|' + row[2].toString() + u'|' +
                      row[3].toString();
    const std::optional<RegisteredUserList> list = registeredUserList(db);
    QVERIFY(list);
    if (!refusal.isEmpty()) {
        QCOMPARE(QStringList{refusal}, QStringList{users.first().arg(path)});
        QCOMPARE(listed, QStringList{u"9876543217|Eski Liste||"_qs});
        QCOMPARE(list->source, u"eski.csv"_qs);
        QCOMPARE(list->count, qint64(1));
        return;
    }
    QCOMPARE(listed, users);
    QCOMPARE(list->importedAt, at);
    QCOMPARE(list->source, name);
    QCOMPARE(list->count, qint64(users.size()));
    QCOMPARE(registeredUser(db, users.first().section(u'|', 0, 0))->title,
             users.first().section(u'|', 1, 1));
    QVERIFY(!registeredUser(db, u"4242424249"_qs));

    // What the window says of it: fresh for a week, then to be imported again.
    QCOMPARE(
        userListStatus(list, fx.today),
        u"e-Fatura kullanıcı listesi: 30.06.2026 tarihli, %1 kullanıcı (%2)."_qs.arg(users.size())
            .arg(name));
    QVERIFY(!userListStale(list, fx.today.addDays(7)));
    QCOMPARE(userListStatus(list, fx.today.addDays(8)),
             u"e-Fatura kullanıcı listesi: 30.06.2026 tarihli, %1 kullanıcı (%2); bir haftadan "
             "eski, güncel listeyi alınız."_qs.arg(users.size())
                 .arg(name));
    QCOMPARE(userListStatus(std::nullopt, fx.today),
             u"e-Fatura kullanıcı listesi alınmamış: vergi numaralı alıcılar da e-Arşiv faturası "
             "alır."_qs);
}

// The document per buyer: an e-Fatura for one on the list by the invoice's date (the
// seller's scenario, the e-Fatura series), an e-Arşiv invoice for every other; a list older
// than a week, or none, is told. The command imports the list too.
void TestEArsiv::profiles() {
    EArsivFixture fx;
    QTemporaryDir tmp;
    const QString list = writeFile(tmp, u"liste.xml"_qs, gibList);
    {
        // Imported ten days ago.
        Database d(fx.db, Database::Access::Write);
        importUserList(d, list, QDateTime(fx.today.addDays(-10), fx.time));
    }
    Saved company;
    company.name = u"Işık Elektrik Ltd. Şti."_qs;
    company.tax = u"Şişli 1234567890"_qs;
    fx.store(1, one, company);
    // Registered on the 27th: an invoice of the 26th is an e-Arşiv invoice, one of the 28th an
    // e-Fatura.
    Saved person;
    person.date = u"26.06.2026"_qs;
    fx.store(2, one, person);
    person.date = u"28.06.2026"_qs;
    fx.store(3, one, person);
    // Its e-Fatura mailbox closed: an e-Arşiv invoice.
    Saved closed = company;
    closed.name = u"Kapanmış Ticaret A.Ş."_qs;
    closed.tax = u"Kadıköy 4840847211"_qs;
    fx.store(4, one, closed);
    Saved consumer;
    consumer.tax = QString();
    fx.store(5, one, consumer);
    QList<EArsivResult> results;
    EArsivExport exporter(fx.workspace);
    exporter.run({1, 2, 3, 4, 5}, results);
    // Each series numbers in date order: the 25th (1, 4, 5), the 26th (2), the 28th (3).
    QCOMPARE(outcomes(results), (QMap<qint64, QString>{{1, u"EFA2026000000001"_qs},
                                                       {2, u"ABC2026000000003"_qs},
                                                       {3, u"EFA2026000000002"_qs},
                                                       {4, u"ABC2026000000001"_qs},
                                                       {5, u"ABC2026000000002"_qs}}));
    QMap<qint64, EArsivResult> byNumber;
    QStringList xml;
    for (const EArsivResult &r : results) {
        byNumber.insert(r.invoiceNumber, r);
        xml << r.files.value(0);
    }
    QStringList profiles;
    for (const EArsivResult &r : byNumber)
        profiles << XmlValues(fileBytes(r.files.value(0))).one(u"Invoice/ProfileID"_qs) +
                        (r.efatura ? u" e"_qs : QString());
    QCOMPARE(profiles, (QStringList{"TEMELFATURA e", "EARSIVFATURA", "TEMELFATURA e",
                                    "EARSIVFATURA", "EARSIVFATURA"}));
    QCOMPARE(schemaProblems(xml), QString());
    // An e-Fatura carries no send type; its copy says what it is.
    QCOMPARE(XmlValues(fileBytes(byNumber[1].files.value(0)))
                 .all(u"Invoice/AdditionalDocumentReference/ID"_qs),
             QStringList());
    const QString efaturaCopy = pageText(byNumber[1].files.value(1)).simplified();
    QVERIFY(efaturaCopy.contains(u"e-FATURA"_qs) &&
            efaturaCopy.contains(u"Senaryo: TEMELFATURA"_qs));
    QCOMPARE(exporter.runNotices(),
             QStringList{u"e-Fatura kayıtlı kullanıcı listesi 10 gün önce (20.06.2026) alınmış, "
                         "bir haftadan eski: yeni e-Fatura kullanıcıları e-Arşiv faturası almış "
                         "olabilir. Güncel listeyi \"Kullanıcı Listesini Al\" ile alınız."_qs});
    QCOMPARE(exportSummary(results, 5, EArsivRunEnd::Completed, fx.folder(), exporter.runNotices())
                 .section(u'\n', 0, 0),
             u"3 e-Arşiv faturası ve 2 e-Fatura yazıldı:"_qs);
    QCOMPARE(exportSummary({byNumber[1]}, 1, EArsivRunEnd::Completed, fx.folder()),
             u"1 e-Fatura yazıldı:\n"_qs + fx.folder());

    // The seller chooses the commercial scenario; without an e-Fatura prefix it cannot write one.
    SellerRecord seller = EArsivFixture::seller();
    seller.efaturaProfile = u"TICARIFATURA"_qs;
    {
        Database d(fx.db, Database::Access::Write);
        writeSeller(d, seller);
    }
    company.date = u"29.06.2026"_qs;
    fx.store(6, one, company);
    QCOMPARE(XmlValues(fileBytes(EArsivExport(fx.workspace).exportInvoice(6).files.value(0)))
                 .one(u"Invoice/ProfileID"_qs),
             u"TICARIFATURA"_qs);
    seller.efaturaPrefix.clear();
    {
        Database d(fx.db, Database::Access::Write);
        writeSeller(d, seller);
    }
    company.date = u"30.06.2026"_qs;
    fx.store(7, one, company);
    QCOMPARE(EArsivExport(fx.workspace).exportInvoice(7).refusal,
             refused(7,
                     u"alıcı (Işık Elektrik Ltd. Şti., 1234567890) e-Fatura kayıtlı "
                     "kullanıcısı; e-Fatura seri öneki girilmemiş. \"Firma Bilgileri\" "
                     "penceresinde \"e-Fatura Seri Öneki\"ni giriniz."_qs,
                     true));

    // The command imports a list in place of the one held; one it cannot read changes nothing.
    const auto [code, out, err] =
        command({u"--dizin"_qs, fx.dir.path(), u"--kullanici-listesi"_qs, list});
    QCOMPARE(code, 0);
    QCOMPARE(out, QStringList{u"e-Fatura kullanıcı listesi alındı: 3 kullanıcı (%1)"_qs.arg(list)});
    const QString broken = writeFile(tmp, u"bozuk.csv"_qs, "12;X\n");
    const auto [badCode, badOut, badErr] =
        command({u"--dizin"_qs, fx.dir.path(), u"--kullanici-listesi"_qs, broken});
    QCOMPARE(badCode, 1);
    QCOMPARE(badErr.split(u'\n').filter(u"fatura-earsiv:"_qs).join(u'\n') + u'\n',
             u"fatura-earsiv: e-Fatura kullanıcı listesi okunamadı: %1, 1. satır: VKN ya "
             "da TCKN 10 ya da 11 haneli bir sayı olmalıdır, \"12\" yazıyor.\n"_qs.arg(broken));
    Database d(fx.db);
    QCOMPARE(registeredUserList(d)->count, 3);
}

void TestEArsiv::sampleDatabaseAndCommand() {
    QTemporaryDir dir;
    const QDir folder(dir.path());
    ayarlari_yaz(defaultSettings(), folder.filePath(settingsFileName()));
    const QString db = folder.filePath(u"fatura.MDB"_qs);
    writeSampleDatabase(db, {.year = 2025});
    // The command works on today's date: the sample's invoices are dated yesterday, as a shop
    // exports its day's invoices, and every customer's second line names district and city.
    const QDate yesterday = QDate::currentDate().addDays(-1);
    sql(db, {u"UPDATE faturalar SET fatura_tarihi = '%1', irsaliye_tarihi = '%1'"_qs.arg(
                 yesterday.toString(u"dd.MM.yyyy"_qs)),
             u"UPDATE faturalar SET adresi2 = 'Merkez / Ankara' WHERE adresi2 NOT LIKE '%/%'"_qs});

    // Every saved invoice of the sample exports; each file is told on its own line.
    const auto [code, out, err] =
        command({u"--dizin"_qs, folder.path(), u"--tarih"_qs, yesterday.toString(u"dd.MM.yyyy"_qs),
                 yesterday.toString(u"dd.MM.yyyy"_qs)});
    QVERIFY2(code == 0, qPrintable(err));
    const QStringList xml = out.filter(u".xml"_qs);
    QCOMPARE(xml.size(), 25);
    QCOMPARE(schemaProblems(xml), QString());
    // The sample's companies are on its list of e-Fatura users: they get e-Faturas in the
    // seller's e-Fatura series, everybody else e-Arşiv invoices.
    int efaturas = 0;
    for (const QString &path : xml) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        const bool efatura = QFileInfo(path).fileName().startsWith(u"ORF"_qs);
        efaturas += efatura;
        QVERIFY2(
            text.contains(efatura ? "<cbc:ProfileID>TEMELFATURA<" : "<cbc:ProfileID>EARSIVFATURA<"),
            qPrintable(path));
    }
    QVERIFY2(efaturas > 0 && efaturas < xml.size(), qPrintable(QString::number(efaturas)));
}

void TestEArsiv::twoAtOnce_data() {
    QTest::addColumn<bool>("onServer");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
}

// Two PCs, each with its own working folder, export the same 25 invoices from one set of
// books at once, one from the first, the other from the last. Both finish; each invoice has
// one number, each series' serials (e-Arşiv and e-Fatura) go from 1 without a gap, and both
// folders hold the same documents, the recorded ones.
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
    sql(db, {u"UPDATE faturalar SET fatura_tarihi = '%1', irsaliye_tarihi = '%1'"_qs.arg(
                 QDate::currentDate().addDays(-1).toString(u"dd.MM.yyyy"_qs)),
             u"UPDATE faturalar SET adresi2 = 'Merkez / Ankara' WHERE adresi2 NOT LIKE '%/%'"_qs});
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
        queryRows(db, u"SELECT sira, gib_no, ozet FROM earsiv_faturalar ORDER BY gib_no"_qs);
    QCOMPARE(records.size(), count);
    QHash<QString, int> serials; // the last serial of each series
    for (int i = 0; i < count; ++i) {
        const QString gib = records[i][1].toString();
        QCOMPARE(records[i][0].toInt(), ++serials[gib.left(3)]);
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
