#include "db/customers.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

// The register's own cases (empty table, gaps) are in tst_form2; these are the values only
// old or imported data can hold.
class TestCustomerNumbers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void proposedNumber_data();
    void proposedNumber();
};

void TestCustomerNumbers::proposedNumber_data() {
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<qint64>("proposal");

    QTest::newRow("text and fraction ignored") << QStringList{"4", "'abc'", "'12a'", "7.5"} << 5ll;
    QTest::newRow("only odd values") << QStringList{"NULL", "'x'"} << 1ll;
    QTest::newRow("largest possible stays")
        << QStringList{"3", "9223372036854775807"} << std::numeric_limits<qint64>::max();
}

void TestCustomerNumbers::proposedNumber() {
    QFETCH(QStringList, values);
    QFETCH(qint64, proposal);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("fatura.MDB");
    veritabaniOlustur(path);
    Veritabani db(path, Veritabani::Erisim::Yazma);
    QSqlQuery q(db.db());
    for (const QString &v : values)
        QVERIFY(
            q.exec(QString("INSERT INTO MUSTERI (sirano, adi_soyadi) VALUES (%1, 'x')").arg(v)));
    q = QSqlQuery();
    QCOMPARE(onerilenMusteriNo(db), proposal);
}

QTEST_GUILESS_MAIN(TestCustomerNumbers)
#include "tst_customernumbers.moc"
