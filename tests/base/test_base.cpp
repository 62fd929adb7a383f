#include "base/failure.h"
#include "base/money.h"
#include "base/numbers.h"
#include "base/searchtext.h"
#include "base/yaziyacevir.h"

#include <QRandomGenerator>
#include <QTest>

#include <limits>
#include <new>

using OptDouble = std::optional<double>;

class TestBase : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readings();
    void texts();
    void words();
    void searchTexts();
    void failures();
    void kurus();
};

void TestBase::readings() {
    const OptDouble none;
    // The number the text begins with, or 0: settings values and stored prices.
    for (const auto &[text, expected] :
         {std::pair{u"1,5"_qs, 1.0}, {u"1e400"_qs, 1.0}, {u"Arial"_qs, 0.0}})
        QCOMPARE(leadingNumber(text), expected);
    // The program's own texts: "," before the decimals, "." between thousands.
    for (const auto &[text, expected] : {std::pair{u"1.234,56"_qs, OptDouble(1234.56)},
                                         {u"12.5"_qs, 125.0},
                                         {u" -12,50 "_qs, -12.5},
                                         {QString(), none},
                                         {u"12,5 TL"_qs, none},
                                         {u"1E400"_qs, none}})
        QCOMPARE(localNumber(text), expected);
    // What the user types, the Turkish way: "." only between groups of three digits, "," before
    // the decimals. "18.50" and "1.25" are no number: never read as another amount.
    for (const auto &[text, expected] : {std::pair{u" 1.250 "_qs, OptDouble(1250)},
                                         {u"1.000"_qs, 1000.0},
                                         {u"1.250,5"_qs, 1250.5},
                                         {u"1250,5"_qs, 1250.5},
                                         {u"-1.234.567,89"_qs, -1234567.89},
                                         {u"18.50"_qs, none},
                                         {u"1.25"_qs, none},
                                         {u"12.5"_qs, none},
                                         {u"1.2345"_qs, none},
                                         {u"1234.567"_qs, none},
                                         {u".250"_qs, none},
                                         {u"5,"_qs, none},
                                         {u"on iki"_qs, none},
                                         {u"1e400"_qs, none}})
        QCOMPARE(inputNumber(text), expected);
    // What older programs stored keeps its reading: without a comma the dot is the decimal
    // point.
    for (const auto &[text, expected] : {std::pair{u"18.50"_qs, OptDouble(18.5)},
                                         {u"1.250"_qs, 1.25},
                                         {u"1.250,50"_qs, 1250.5},
                                         {u"1.250.50"_qs, none}})
        QCOMPARE(storedNumber(text), expected);
    // A refused number is answered with the form to type, where there plainly is one.
    for (const auto &[typed, form] : {std::pair{u"18.50"_qs, u"18,50"_qs},
                                      {u"1.25"_qs, u"1,25"_qs},
                                      {u" 1.250.50"_qs, u"1.250,50"_qs},
                                      {u"1,250.50"_qs, u"1.250,50"_qs},
                                      {u"12,5 TL"_qs, QString()},
                                      {u"1.250"_qs, QString()}})
        QCOMPARE(typedNumberForm(typed), form);
    QCOMPARE(typedNumberRefusal(u"Br.Fiyat"_qs, u"18.50"_qs),
             u"Br.Fiyat okunamadı: \"18.50\". Ondalıklar virgülle ayrılır, nokta yalnızca "
             "binlikleri ayırır (1.250 bin iki yüz ellidir); \"18,50\" biçiminde yazınız."_qs);
    QCOMPARE(typedNumberRefusal(u"Miktar"_qs, u"iki"_qs),
             u"Miktar bir sayı değil: \"iki\". Sayıyı \"1.250,50\" biçiminde yazınız."_qs);
    // The grid's price and back.
    QCOMPARE(priceCellText(u"1.250"_qs), u"1250"_qs);
    QCOMPARE(priceCellText(u"1.250,50"_qs), u"1250.50"_qs);
    QCOMPARE(typedPriceText(u"1250.50"_qs), u"1250,50"_qs);
    // A money text from its parts; the sign belongs to the kuruş too.
    QCOMPARE(rebuiltValue(u"-0,50"_qs), OptDouble(-0.5));
    QCOMPARE(rebuiltValue(u"1234"_qs), none);
    // Customer and invoice numbers, before any query.
    QCOMPARE(wholeNumber(u" -7 "_qs), std::optional<qint64>(-7));
    QCOMPARE(wholeNumber(u"9223372036854775807"_qs),
             std::optional<qint64>(std::numeric_limits<qint64>::max()));
    QCOMPARE(wholeNumber(u"9223372036854775808"_qs), std::nullopt);
    // A search by a number's start: stretch after stretch, never past the largest number.
    using Stretches = QList<std::pair<qint64, qint64>>;
    const Stretches twelve = numbersStartingWith(u" 12 "_qs);
    QCOMPARE(twelve.mid(0, 3), (Stretches{{12, 12}, {120, 129}, {1200, 1299}}));
    QCOMPARE(twelve.size(), 18);
    QCOMPARE(twelve.last(), (std::pair<qint64, qint64>{1200000000000000000, 1299999999999999999}));
    QCOMPARE(numbersStartingWith(u"0"_qs), (Stretches{{0, 0}}));
    const Stretches nine = numbersStartingWith(u"922337203685477580"_qs);
    QCOMPARE(nine, (Stretches{{922337203685477580, 922337203685477580},
                              {9223372036854775800, std::numeric_limits<qint64>::max()}}));
    for (const QString &text : {u"-1"_qs, u"+1"_qs, u"1a"_qs, u""_qs, u"99999999999999999999"_qs})
        QCOMPARE(numbersStartingWith(text), Stretches());
}

void TestBase::texts() {
    // Money: two decimals, rounded half away from zero on the 15-digit decimal form.
    for (const auto &[value, expected] : {std::pair{-2.675, "-2,68"},
                                          {2.674999, "2,67"},
                                          {-0.001, "0,00"},
                                          {999.995, "1.000,00"},
                                          {123456789012.345, "123.456.789.012,35"}}) {
        QCOMPARE(moneyText(value), QString::fromLatin1(expected));
        // Read back by the local reading as the value rounded.
        QCOMPARE(localNumber(QString::fromLatin1(expected)).value(), roundToMoney(value));
    }
    // Plain: at most 15 significant digits, shortest form, no thousands marks; read back as
    // the value.
    for (const auto &[value, expected] : {std::pair{1234.5, "1234,5"},
                                          {0.1 + 0.2, "0,3"},
                                          {-0.0, "0"},
                                          {123456789012345.0, "123456789012345"},
                                          {1e16, "1E+16"}}) {
        QCOMPARE(plainNumberText(value), QString::fromLatin1(expected));
        QCOMPARE(localNumber(QString::fromLatin1(expected)).value(), value);
    }
}

void TestBase::words() {
    // The lira of today: " TL" and " Kr", never the YTL that ended in 2009.
    const std::pair<const char *, const char *> amounts[] = {
        // Between them the rows use every word: ones, tens, hundreds with and without a
        // leading one, each group of three digits (one thousand alone as "Bin"), the kuruş.
        {"1.234,56", "BinİkiYüzOtuzDört TLElliAltı Kr"},
        {"110,45", "YüzOn TLKırkBeş Kr"},
        {"21.000,00", "YirmiBirBin TL"},
        {"1.001.000,00", "BirMilyonBin TL"},
        {"3.470.000,05", "ÜçMilyonDörtYüzYetmişBin TLBeş Kr"},
        {"58.967,86", "ElliSekizBinDokuzYüzAltmışYedi TLSeksenAltı Kr"},
        {"999.999.999.999,99", "DokuzYüzDoksanDokuzMilyarDokuzYüzDoksanDokuzMilyonDokuzYüzDoksan"
                               "DokuzBinDokuzYüzDoksanDokuz TLDoksanDokuz Kr"},
        {"999.000.000.000.001,00", "DokuzYüzDoksanDokuzTrilyonBir TL"},
        {"0,00", ""},
        {"-1.234,50", "EksiBinİkiYüzOtuzDört TLElli Kr"},
        // Below one lira the sign goes before the kuruş words.
        {"-0,50", "EksiElli Kr"},
        // The error texts: lira that are too many or not digits (the kuruş words still
        // follow), kuruş that are not digits (whatever the lira), no comma at all.
        {"1.000.000.000.000.000,25", "ytl de HataYirmiBeş Kr"},
        {"12a,00", "ytl de Hata"},
        {"abc,5x", "kuruş ta Hata"},
        {"1234", "ytl de Hata"}};
    for (const auto &[amount, expected] : amounts)
        QCOMPARE(yaziyacevir(QString::fromUtf8(amount)), QString::fromUtf8(expected));
}

// Names as the searches and lists compare them: the four I's one letter, case and marks
// aside; sorted in the order of the Turkish alphabet; the pieces kept to find any part.
void TestBase::searchTexts() {
    for (const auto &[text, folded] : {std::pair{u"Işık Öztürk"_qs, u"isik ozturk"_qs},
                                       {u"İSTANBUL ısparta"_qs, u"istanbul isparta"_qs},
                                       {u"ÇAĞLAR Dükkânı"_qs, u"caglar dukkani"_qs},
                                       {u"Ayşe'nin 2. Şubesi"_qs, u"ayse'nin 2. subesi"_qs}})
        QCOMPARE(searchFolded(text), folded);
    QStringList names = {u"Zeki"_qs, u"özlem"_qs, u"Çelik"_qs, u"İnce"_qs,    u"Cengiz"_qs,
                         u"ışık"_qs, u"Oya"_qs,   u"ali"_qs,   u"Ali Can"_qs, u"ISMAİL"_qs,
                         u"Ümit"_qs, u"Ulus"_qs,  u"Şahin"_qs, u"Sevgi"_qs,   u"1. Cadde"_qs};
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return sortingKey(a) < sortingKey(b); });
    QCOMPARE(names,
             (QStringList{"1. Cadde", "ali", "Ali Can", "Cengiz", "Çelik", "ISMAİL", "ışık", "İnce",
                          "Oya", "özlem", "Sevgi", "Şahin", "Ulus", "Ümit", "Zeki"}));
    QCOMPARE(sortingKey(u"AYŞE"_qs), sortingKey(u"ayşe"_qs));
    QCOMPARE(searchPieces(u"aliali"_qs), (QStringList{"ali", "lia", "ial", "li", "i"}));
    QCOMPARE(searchPieces(u"al"_qs), (QStringList{"al", "l"}));
}

// What the user reads of a failure: the program's own words as they stand; an exception the
// program did not foresee never as bare English, its detail after a Turkish sentence.
void TestBase::failures() {
    const QString own = u"Veritabanı bulunamadı: /tmp/yok.MDB"_qs;
    QCOMPARE(failureText(Failure(own)), own);
    const std::bad_alloc noMemory;
    const std::out_of_range fault("vector::_M_range_check");
    const std::pair<const std::exception *, QString> foreign[] = {
        {&noMemory, u"Bellek yetmediği"_qs}, {&fault, u"Beklenmeyen bir hata oluştu"_qs}};
    for (const auto &[e, sentence] : foreign) {
        const QString text = failureText(*e);
        QVERIFY2(text.startsWith(sentence), qPrintable(text));
        QVERIFY2(text.endsWith(u"Ayrıntı: "_qs + QString::fromUtf8(e->what())), qPrintable(text));
    }
}

// Amounts in kuruş: rounded as the 15 decimal digits of the value say (2.675 is 2,68, the
// double's 2.67499999… notwithstanding), whether the quick way or the digits decide; texts
// written from the kuruş alone.
void TestBase::kurus() {
    for (const auto &[lira, text] : {std::pair{2.675, "2,68"},
                                     {1.005, "1,01"},
                                     {-2.675, "-2,68"},
                                     {0.125, "0,13"},
                                     {0.1 + 0.2, "0,30"},
                                     {123456.785, "123.456,79"},
                                     {-0.004, "0,00"},
                                     {1e12 + 0.005, "1.000.000.000.000,01"}})
        QCOMPARE(moneyText(Money::fromLira(lira).value()), QString::fromLatin1(text));
    QVERIFY(!Money::fromLira(1e17) && !Money::fromLira(std::nan("")));
    QCOMPARE(plainNumberText(Money::fromKurus(-110)), u"-1,1"_qs);
    QCOMPARE(decimalPointText(Money::fromKurus(123456)), u"1234.56"_qs);
    QCOMPARE(moneyText(*Money::fromKurus(9000).percent(18.5)), u"16,65"_qs);
    QCOMPARE(moneyText(*Money::fromKurus(38000).includedTax(1)), u"3,76"_qs);

    // Random amounts, near halves of a kuruş too: the same money as the digits give, and the
    // same plain text as 15 significant digits.
    QRandomGenerator random(7);
    for (int i = 0; i < 20000; ++i) {
        const double cents = double(random.bounded(2000000000)) - 1e9;
        const double nudge = i % 3 == 0 ? 0.5 : (i % 3 == 1 ? random.generateDouble() : 1e-7);
        const double scale = QList<double>{1, 0.01, 0.001, 1e-5}[i % 4];
        const double value = (cents + nudge) * scale;
        QCOMPARE(moneyText(Money::fromLira(value).value()), moneyText(value));
        QString digits = QString::asprintf("%.15g", value).replace(u'.', u',');
        digits.replace(u'e', u'E');
        QCOMPARE(plainNumberText(value), value == 0 ? u"0"_qs : digits);
    }
}

QTEST_APPLESS_MAIN(TestBase)
#include "test_base.moc"
