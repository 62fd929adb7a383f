#include "settings/ayarlar.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// What the settings window relies on when it writes boxes as the user typed them.
class TestSettingsWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blanksAfterFieldsKeepTheColumns();
    void singleValueProblemsNamed_data();
    void singleValueProblemsNamed();
    void lineCountOutOfRange();
};

void TestSettingsWrite::blanksAfterFieldsKeepTheColumns() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ayarlar.dat"_qs);
    ayarlar a = varsayilanAyarlar();
    // Margins typed with blanks after them, up to the full zone width and beyond.
    a.yer_fatura_no = {u"1200          "_qs, u" 3400                "_qs, u"Arial  "_qs,
                       u"10    "_qs};
    a.yer_adresi = {u"1234567890123      "_qs, u"   "_qs, QString(), u"8 "_qs};
    a.veritabani_yolu = u"C:\\Veri, eski\\fatura.MDB   "_qs;
    QVERIFY(yazilamayanDegerler(a).isEmpty());
    ayarlari_yaz(a, path);

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines[22], QByteArray("1200").leftJustified(14) +
                            QByteArray(" 3400").leftJustified(14) +
                            QByteArray("Arial").leftJustified(56) + "10\r");
    QCOMPARE(lines[3], QByteArray("1234567890123").leftJustified(84) + "8\r");
    QCOMPARE(lines[1], QByteArray("\"C:\\Veri, eski\\fatura.MDB\"\r"));

    const ayarlar back = ayarlari_oku(23, path);
    QCOMPARE(back.yer_fatura_no, (baski_yeri{u"1200"_qs, u" 3400"_qs, u"Arial"_qs, u"10"_qs}));
    QCOMPARE(back.yer_adresi, (baski_yeri{u"1234567890123"_qs, {}, {}, u"8"_qs}));
    QCOMPARE(back.veritabani_yolu, u"C:\\Veri, eski\\fatura.MDB"_qs);
}

void TestSettingsWrite::singleValueProblemsNamed_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reason");
    QTest::newRow("starts with a quote") << "\"fatura.MDB\""
                                         << "çift tırnak ile başlayamaz";
    QTest::newRow("blanks, then a quote") << "  \"x"
                                          << "çift tırnak ile başlayamaz";
    QTest::newRow("comma and quote") << "a,\"b\""
                                     << "virgül ile çift tırnak";
    QTest::newRow("quote inside, no comma") << "12\""
                                            << "";
}

void TestSettingsWrite::singleValueProblemsNamed() {
    QFETCH(QString, value);
    QFETCH(QString, reason);
    ayarlar a = varsayilanAyarlar();
    a.veritabani_yolu = value;
    const QList<YazmaSorunu> problems = yazilamayanDegerler(a);
    if (reason.isEmpty()) {
        QVERIFY(problems.isEmpty());
        QTemporaryDir dir;
        ayarlari_yaz(a, dir.filePath(u"ayarlar.dat"_qs));
        QCOMPARE(ayarlari_oku(2, dir.filePath(u"ayarlar.dat"_qs)).veritabani_yolu, value);
        return;
    }
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems[0].satir, 2);
    QVERIFY2(problems[0].mesaj().contains(u"Database:"_qs), qPrintable(problems[0].mesaj()));
    QVERIFY2(problems[0].neden.contains(reason), qPrintable(problems[0].neden));
}

void TestSettingsWrite::lineCountOutOfRange() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"ayarlar.dat"_qs);
    ayarlari_yaz(varsayilanAyarlar(), path);
    QCOMPARE(ayarDosyasiniOku(path, -1).okunanSatir, 0);
    QCOMPARE(ayarDosyasiniOku(path, 0).okunanSatir, 0);
    QCOMPARE(ayarDosyasiniOku(path, 40).okunanSatir, 23);
    QCOMPARE(ayarDosyasiniOku(path, 40).deger, varsayilanAyarlar());
}

QTEST_GUILESS_MAIN(TestSettingsWrite)
#include "test_settingswrite.moc"
