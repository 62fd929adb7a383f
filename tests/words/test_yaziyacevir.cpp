#include "invoice/numbers.h"
#include "words/yaziyacevir.h"

#include <QTest>

class TestYaziyaCevir : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void words_data();
    void words();
    void followsMoneyText_data();
    void followsMoneyText();
};

void TestYaziyaCevir::words_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *amount, const char *expected) {
        QTest::newRow(amount) << QString::fromUtf8(amount) << QString::fromUtf8(expected);
    };
    row("1.234,56", "BinİkiYüzOtuzDört YTLElliAltı Ykr");
    row("100,00", "Yüz YTL");
    row("15,00", "OnBeş YTL");
    row("1.000,00", "Bin YTL");
    row("21.000,00", "YirmiBirBin YTL");
    row("1.001.000,00", "BirMilyonBin YTL");
    row("2.000.000,05", "İkiMilyon YTLBeş Ykr");
    row("999.999.999.999,99", "DokuzYüzDoksanDokuzMilyarDokuzYüzDoksanDokuzMilyonDokuzYüzDoksan"
                              "DokuzBinDokuzYüzDoksanDokuz YTLDoksanDokuz Ykr");
    row("0,00", "");
    row("0,50", "Elli Ykr");
    row("-1.234,00", "EksiBinİkiYüzOtuzDört YTL");
    row("-1.234,50", "EksiBinİkiYüzOtuzDört YTLElli Ykr");
    // Every ones and tens word, hundreds with and without a leading one.
    row("2.600,00", "İkiBinAltıYüz YTL");
    row("110,00", "YüzOn YTL");
    row("3.470.000,00", "ÜçMilyonDörtYüzYetmişBin YTL");
    row("58.963,00", "ElliSekizBinDokuzYüzAltmışÜç YTL");
    row("1.000.000.000.000,00", "BirTrilyon YTL");
    row("999.000.000.000.001,00", "DokuzYüzDoksanDokuzTrilyonBir YTL");
    row("81.000,00", "SeksenBirBin YTL");
    row("1.000.001,00", "BirMilyonBir YTL");
    row("2.667,86", "İkiBinAltıYüzAltmışYedi YTLSeksenAltı Ykr");
    // Negative amounts below one lira put the sign before the kuruş words.
    row("-0,50", "EksiElli Ykr");
    // The faults: lira digits that are not digits or too many; kuruş that are not digits.
    row("1.000.000.000.000.000,25", "ytl de HataYirmiBeş Ykr");
    row("12a,00", "ytl de Hata");
    row("+5,00", "ytl de Hata");
    row("5,5x", "kuruş ta Hata");
    row("abc,de", "kuruş ta Hata");
    // No comma at all: nothing to read the lira from.
    row("1234", "ytl de Hata");
    row("", "ytl de Hata");
}

void TestYaziyaCevir::words() {
    QFETCH(QString, amount);
    QFETCH(QString, expected);
    const QString result = yaziyacevir(amount);
    QCOMPARE(result, expected);
    QVERIFY(!result.startsWith(u' '));
    QVERIFY(!result.endsWith(u' '));
}

// Whatever the program writes as money text reads back into words without an error text.
void TestYaziyaCevir::followsMoneyText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("rounded") << 106.2 << QStringLiteral("YüzAltı YTLYirmi Ykr");
    QTest::newRow("half") << 0.005 << QStringLiteral("Bir Ykr");
    QTest::newRow("thousands") << 123456.7
                               << QStringLiteral("YüzYirmiÜçBinDörtYüzElliAltı YTLYetmiş Ykr");
    QTest::newRow("negative") << -15.0 << QStringLiteral("EksiOnBeş YTL");
}

void TestYaziyaCevir::followsMoneyText() {
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(yaziyacevir(moneyText(value)), expected);
}

QTEST_APPLESS_MAIN(TestYaziyaCevir)
#include "test_yaziyacevir.moc"
