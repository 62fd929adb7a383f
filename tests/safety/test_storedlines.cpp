// Invoices written by another program (the Access import, another tool) and then loaded and
// saved again in the invoice window. A stored number is read with the input reading; a line
// that still cannot be read stops the load with a message naming invoice and line, and
// nothing in the database changes.
#include "gui/Form3.h"
#include "tests/common/windowfixture.h"

class TestStoredLines : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void load_data();
    void load();
};

void TestStoredLines::load_data() {
    QTest::addColumn<QString>("quantity"); // the second line's stored values, in SQL
    QTest::addColumn<QString>("price");
    // Read: the grid's row, then the stored quantity after a save. Not read: the reason given.
    QTest::addColumn<QStringList>("expected");
    const auto row = [](const char *name, const char *quantity, const QString &price,
                        const QStringList &expected) {
        QTest::newRow(name) << QString::fromUtf8(quantity) << price << expected;
    };
    row("binlik ayraçlı miktar", "'1.250,5'", "'2'",
        {"1250,5", "İkinci", "", "2", "2.501,00", "real 1250.5"});
    row("virgüllü fiyat", "3", "'12,5'", {"3", "İkinci", "", "12,5", "37,50", "real 3.0"});
    row("boş miktar", "NULL", "'4'", {"miktar boş"});
    row("sayı olmayan miktar", "'iki'", "'4'", {"miktar bir sayı değil: iki"});
    row("sayı olmayan fiyat", "2", "'12,5 TL'", {"birim fiyat bir sayı değil: 12,5 TL"});
    row("sayıya sığmayan tutar", "1e200", "'1" + QString(200, u'0') + u'\'',
        {"tutar bir sayı olamayacak kadar büyük"});
}

// Invoice 7 with a first line of 1 x 10 and a second line as another program stored it.
void TestStoredLines::load() {
    QFETCH(QString, quantity);
    QFETCH(QString, price);
    QFETCH(QStringList, expected);
    WindowFixture fx;
    const QString insert =
        u"INSERT INTO faturalar (musterino, adi_soyadi, kdvdahil, faturano, "
        "miktar, aciklama, iskonto, br_fiyat, tutar) VALUES ('3', 'Ayşe', 1, 7, "_qs;
    testdb::sql(fx.db, {insert + u"1, 'Birinci', '', '10', '10,00')"_qs,
                        insert + u"%1, 'İkinci', '', %2, 'eski tutar')"_qs.arg(quantity, price)});
    const QString all = u"SELECT * FROM faturalar"_qs;
    const QList<QVariantList> before = testdb::queryRows(fx.db, all);
    Form3 form(fx.workspace);
    form.faturabul(u"7"_qs);
    if (expected.size() > 1) {
        // Shown as meant, and saved again as the same number with the amount shown.
        QCOMPARE(fx.messageTexts(), QStringList());
        QCOMPARE(form.state(), u"eski"_qs);
        QCOMPARE(grid(&form).mid(0, 2),
                 (QList<QStringList>{{"1", "Birinci", "", "10", "10,00"}, expected.mid(0, 5)}));
        form.transfer();
        QCOMPARE(testdb::queryRows(fx.db, u"SELECT typeof(miktar) || ' ' || miktar, tutar FROM "
                                          "faturalar ORDER BY rowid"_qs),
                 (QList<QVariantList>{{"real 1.0", "10,00"}, {expected[5], expected[4]}}));
        return;
    }
    // The window stays a new invoice; saved under that number anyway, it is refused as a new
    // invoice and the stored one stays untouched.
    QCOMPARE(fx.messageTexts(), QStringList{u"7 numaralı faturanın 2. satırı okunamadı (%1); "
                                            "fatura yüklenmedi."_qs.arg(expected[0])});
    QCOMPARE(form.state(), u"yeni"_qs);
    QCOMPARE(grid(&form), QList<QStringList>{emptyRow});
    setText(&form, "Text12", u"7"_qs);
    addLine(&form, u"Yeni"_qs, {}, u"1"_qs, u"1"_qs);
    form.transfer();
    QCOMPARE(fx.messageTexts().value(1), u"7 numaralı fatura zaten kayıtlı!"_qs);
    QCOMPARE(testdb::queryRows(fx.db, all), before);
}

QTEST_MAIN(TestStoredLines)
#include "test_storedlines.moc"
