#include "customers/entry.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

class TestCustomerEntry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checksBeforeSave_data();
    void checksBeforeSave();
    void proposedNumber_data();
    void proposedNumber();
};

void TestCustomerEntry::checksBeforeSave_data() {
    QTest::addColumn<QString>("no");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<qint64>("number");

    const QString noName = QStringLiteral("Müşteri adı girilmelidir!");
    const QString noNumber = QStringLiteral("Müşteri no girilmelidir!");
    const QString badNumber = QStringLiteral("Müşteri No geçersiz!");
    QTest::newRow("both empty: name first") << ""
                                            << "" << noName << qint64(0);
    QTest::newRow("number but no name") << "5"
                                        << "" << noName << qint64(0);
    QTest::newRow("name but no number") << ""
                                        << "Ali" << noNumber << qint64(0);
    QTest::newRow("blank name counts as filled") << ""
                                                 << "   " << noNumber << qint64(0);
    QTest::newRow("blank number is no number") << "  "
                                               << "Ali" << badNumber << qint64(0);
    QTest::newRow("letters") << "abc"
                             << "Ali" << badNumber << qint64(0);
    QTest::newRow("query text") << "1 OR 1=1"
                                << "Ali" << badNumber << qint64(0);
    QTest::newRow("fraction") << "1,5"
                              << "Ali" << badNumber << qint64(0);
    QTest::newRow("too large") << "9223372036854775808"
                               << "Ali" << badNumber << qint64(0);
    QTest::newRow("blanks around") << " 12 "
                                   << "Ali"
                                   << "" << qint64(12);
    QTest::newRow("largest") << "9223372036854775807"
                             << "Ali"
                             << "" << std::numeric_limits<qint64>::max();
}

void TestCustomerEntry::checksBeforeSave() {
    QFETCH(QString, no);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(qint64, number);

    const MusteriKutulari boxes{no, name, QStringLiteral("Cad. 1"), QStringLiteral("Kat 2"),
                                QStringLiteral("Kadıköy 123")};
    const std::variant<Musteri, QString> result = kaydedilecekMusteri(boxes);
    if (!message.isEmpty()) {
        QCOMPARE(std::get<QString>(result), message);
        return;
    }
    const Musteri &m = std::get<Musteri>(result);
    QCOMPARE(m.sirano, number);
    QCOMPARE(m.adi_soyadi, name);
    QCOMPARE(m.adresi, boxes.adresi);
    QCOMPARE(m.adresi2, boxes.adresi2);
    QCOMPARE(m.vergidaire_no, boxes.vergidaire_no);
}

void TestCustomerEntry::proposedNumber_data() {
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<qint64>("proposal");

    QTest::newRow("empty table") << QStringList{} << qint64(1);
    QTest::newRow("gaps: largest plus one") << QStringList{"1", "2", "3", "7", "9"} << qint64(10);
    QTest::newRow("count plus one is in use")
        << QStringList{"1", "2", "3", "4", "5", "7"} << qint64(8);
    QTest::newRow("stored out of order") << QStringList{"9", "4", "12", "3"} << qint64(13);
    QTest::newRow("text and fraction ignored")
        << QStringList{"4", "'abc'", "'12a'", "7.5"} << qint64(5);
    QTest::newRow("only odd values") << QStringList{"NULL", "'x'"} << qint64(1);
    QTest::newRow("largest possible stays")
        << QStringList{"3", "9223372036854775807"} << std::numeric_limits<qint64>::max();
}

void TestCustomerEntry::proposedNumber() {
    QFETCH(QStringList, values);
    QFETCH(qint64, proposal);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("fatura.MDB"));
    veritabaniOlustur(path);
    Veritabani db(path, Veritabani::Erisim::Yazma);
    QSqlQuery q(db.db());
    for (const QString &v : values)
        QVERIFY(q.exec(
            QStringLiteral("INSERT INTO MUSTERI (sirano, adi_soyadi) VALUES (%1, 'x')").arg(v)));
    q = QSqlQuery();
    QCOMPARE(onerilenMusteriNo(db), proposal);
}

QTEST_GUILESS_MAIN(TestCustomerEntry)
#include "tst_customerentry.moc"
