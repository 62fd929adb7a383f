// Invoices written by another program (the Access import, another tool) and then loaded and
// saved again in the invoice window. A stored number is read with the input reading; a line
// that still cannot be read stops the load with a message naming invoice and line, and
// nothing in the database changes.
#include "gui/Form3.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/database.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every row of invoice `number`, each column as its type and value.
QStringList storedRows(const QString &path, qint64 number) {
    Database db(path);
    QSqlQuery q(db.db());
    q.prepare(u"SELECT * FROM faturalar WHERE faturano = ? ORDER BY rowid"_qs);
    q.addBindValue(number);
    q.exec();
    QStringList rows;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.record().count(); ++i)
            cells << (q.isNull(i) ? u"NULL"_qs
                                  : QString::fromLatin1(q.value(i).typeName()) + u' ' +
                                        q.value(i).toString());
        rows << cells.join(u'|');
    }
    return rows;
}

void run(const QString &path, const QString &sql) {
    Database db(path, Database::Access::Write);
    QSqlQuery q(db.db());
    if (!q.exec(sql))
        qFatal("%s", qPrintable(sql));
}

// The grid's rows with a quantity: quantity, description, discount, price, amount.
QStringList grid(QWidget *w) {
    auto *g = w->findChild<QTableWidget *>(u"MSFlexGrid1"_qs);
    QStringList rows;
    for (int r = 0; r < g->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < g->columnCount(); ++c)
            cells << (g->item(r, c) ? g->item(r, c)->text() : QString());
        if (!cells[0].isEmpty())
            rows << cells.join(u'|');
    }
    return rows;
}

} // namespace

class TestStoredLines : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { Messages::setTestHandler({}); }
    void init() { m_messages.clear(); }
    void readable_data();
    void readable();
    void unreadable_data();
    void unreadable();

private:
    // Invoice `number` with a first line of 1 x 10 and a second line of these stored values,
    // as another program wrote it.
    void store(qint64 number, const QString &quantity, const QString &price);

    QTemporaryDir m_dir;
    Workspace m_workspace{m_dir.path()};
    QStringList m_messages;
};

void TestStoredLines::initTestCase() {
    ayarlar a = defaultSettings();
    a.kdv_yuzde = u"20"_qs;
    ayarlari_yaz(a, m_workspace.settingsPath());
    createDatabase(m_workspace.databasePath());
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m.text;
        return false; // no printing after a save
    });
}

void TestStoredLines::store(qint64 number, const QString &quantity, const QString &price) {
    const QString header =
        u"INSERT INTO faturalar (musterino, adi_soyadi, kdvdahil, faturano, "
        "miktar, aciklama, iskonto, br_fiyat, tutar) VALUES ('3', 'Ayşe', 1, "_qs +
        QString::number(number);
    run(m_workspace.databasePath(), header + u", 1, 'Birinci', '', '10', '10,00')"_qs);
    run(m_workspace.databasePath(),
        header + u", %1, 'İkinci', '', %2, 'eski tutar')"_qs.arg(quantity, price));
}

void TestStoredLines::readable_data() {
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("quantity"); // SQL values
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("line");   // as the grid shows it
    QTest::addColumn<double>("miktar");  // as saved again
    QTest::addColumn<QString>("amount"); // the saved amount
    QTest::newRow("metin miktar 2,5") << qint64(11) << "'2,5'"
                                      << "'4'"
                                      << "2,5|İkinci||4|10,00" << 2.5 << "10,00";
    QTest::newRow("binlik ayraçlı miktar") << qint64(12) << "'1.250,5'"
                                           << "'2'"
                                           << "1250,5|İkinci||2|2.501,00" << 1250.5 << "2.501,00";
    QTest::newRow("virgüllü fiyat") << qint64(13) << "3"
                                    << "'12,5'"
                                    << "3|İkinci||12,5|37,50" << 3.0 << "37,50";
}

// A quantity stored as text, or a price with a decimal comma: shown as meant and saved again
// as the same number.
void TestStoredLines::readable() {
    QFETCH(qint64, number);
    QFETCH(QString, quantity);
    QFETCH(QString, price);
    QFETCH(QString, line);
    QFETCH(double, miktar);
    QFETCH(QString, amount);
    store(number, quantity, price);
    Form3 form(m_workspace);
    form.faturabul(QString::number(number));
    QCOMPARE(m_messages, QStringList());
    QCOMPARE(form.state(), u"eski"_qs);
    QCOMPARE(grid(&form), (QStringList{u"1|Birinci||10|10,00"_qs, line}));
    form.transfer();
    const QStringList rows = storedRows(m_workspace.databasePath(), number);
    QCOMPARE(rows.size(), 2);
    const QStringList second = rows[1].split(u'|');
    QCOMPARE(second[10], u"double "_qs + QString::number(miktar));
    QCOMPARE(second[14], u"QString "_qs + amount);
}

void TestStoredLines::unreadable_data() {
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("reason");
    QTest::newRow("boş miktar") << qint64(21) << "NULL"
                                << "'4'"
                                << "miktar boş";
    QTest::newRow("sayı olmayan miktar") << qint64(22) << "'iki'"
                                         << "'4'"
                                         << "miktar bir sayı değil: iki";
    QTest::newRow("sayı olmayan fiyat") << qint64(23) << "2"
                                        << "'12,5 TL'"
                                        << "birim fiyat bir sayı değil: 12,5 TL";
    QTest::newRow("boş fiyat") << qint64(24) << "2"
                               << "NULL"
                               << "birim fiyat boş";
    QTest::newRow("sayıya sığmayan tutar")
        << qint64(25) << "1e200"
        << "'1" + QString(200, u'0') + u'\'' << "tutar bir sayı olamayacak kadar büyük";
}

// A line that cannot be read: the message names invoice and line, the window stays a new
// invoice, and a save afterwards changes nothing of the stored one.
void TestStoredLines::unreadable() {
    QFETCH(qint64, number);
    QFETCH(QString, quantity);
    QFETCH(QString, price);
    QFETCH(QString, reason);
    store(number, quantity, price);
    const QStringList before = storedRows(m_workspace.databasePath(), number);
    Form3 form(m_workspace);
    form.faturabul(QString::number(number));
    QCOMPARE(m_messages, QStringList{u"%1 numaralı faturanın 2. satırı okunamadı (%2); fatura "
                                     "yüklenmedi."_qs.arg(number)
                                         .arg(reason)});
    QCOMPARE(form.state(), u"yeni"_qs);
    QCOMPARE(grid(&form), QStringList());
    // Saved under that number anyway: refused as a new invoice, the stored one untouched.
    form.findChild<QLineEdit *>(u"Text12"_qs)->setText(QString::number(number));
    form.transfer();
    QCOMPARE(m_messages.value(1), u"%1 numaralı fatura zaten kayıtlı!"_qs.arg(number));
    QCOMPARE(storedRows(m_workspace.databasePath(), number), before);
}

QTEST_MAIN(TestStoredLines)
#include "test_storedlines.moc"
