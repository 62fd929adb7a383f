#include "base/yaziyacevir.h"

#include <QTest>

class TestAmountInWords : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void words_data();
    void words();
};

void TestAmountInWords::words_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *amount, const char *expected) {
        QTest::newRow(amount) << QString::fromUtf8(amount) << QString::fromUtf8(expected);
    };
    // Between them the rows use every word: ones, tens, hundreds with and without a leading
    // one, each group of three digits, and the kuruş.
    row("1.234,56", "BinİkiYüzOtuzDört YTLElliAltı Ykr");
    row("110,00", "YüzOn YTL");
    row("45,00", "KırkBeş YTL");
    row("21.000,00", "YirmiBirBin YTL");
    row("1.001.000,00", "BirMilyonBin YTL");
    row("2.000.000,05", "İkiMilyon YTLBeş Ykr");
    row("3.470.000,00", "ÜçMilyonDörtYüzYetmişBin YTL");
    row("58.963,00", "ElliSekizBinDokuzYüzAltmışÜç YTL");
    row("2.667,86", "İkiBinAltıYüzAltmışYedi YTLSeksenAltı Ykr");
    row("999.999.999.999,99", "DokuzYüzDoksanDokuzMilyarDokuzYüzDoksanDokuzMilyonDokuzYüzDoksan"
                              "DokuzBinDokuzYüzDoksanDokuz YTLDoksanDokuz Ykr");
    row("1.000.000.000.000,00", "BirTrilyon YTL");
    row("999.000.000.000.001,00", "DokuzYüzDoksanDokuzTrilyonBir YTL");
    row("0,00", "");
    row("-1.234,50", "EksiBinİkiYüzOtuzDört YTLElli Ykr");
    // Below one lira the sign goes before the kuruş words.
    row("-0,50", "EksiElli Ykr");
    // The error texts: lira that are not digits or too many, kuruş that are not digits,
    // no comma at all.
    row("1.000.000.000.000.000,25", "ytl de HataYirmiBeş Ykr");
    row("12a,00", "ytl de Hata");
    row("5,5x", "kuruş ta Hata");
    row("abc,de", "kuruş ta Hata");
    row("1234", "ytl de Hata");
    row("", "ytl de Hata");
}

void TestAmountInWords::words() {
    QFETCH(QString, amount);
    QTEST(yaziyacevir(amount), "expected");
}

QTEST_APPLESS_MAIN(TestAmountInWords)
#include "test_yaziyacevir.moc"
