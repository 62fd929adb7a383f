#include "customers/Form2.h"
#include "db/invoices.h"
#include "settings/ayarlar.h"
#include "ui/fieldkeys.h"
#include "ui/messages.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

static bool operator==(const Musteri &a, const Musteri &b) {
    return a.sirano == b.sirano && a.adi_soyadi == b.adi_soyadi && a.adresi == b.adresi &&
           a.adresi2 == b.adresi2 && a.vergidaire_no == b.vergidaire_no;
}

namespace {

// Not the default name: the register must open the database the settings name.
const QString dbName = "kayitlar.db";

Musteri row(qint64 no, const QString &name, const QString &a1 = {}, const QString &a2 = {},
            const QString &tax = {}) {
    return {no, name, a1, a2, tax};
}

// Straight into the table: old data may repeat numbers, which the program refuses.
void addRows(const QList<Musteri> &list) {
    Veritabani db(dbName, Veritabani::Erisim::Yazma);
    QSqlQuery q(db.db());
    q.prepare("INSERT INTO MUSTERI VALUES (?, ?, ?, ?, ?)");
    for (const Musteri &m : list) {
        for (const QVariant &v :
             QVariantList{m.sirano, m.adi_soyadi, m.adresi, m.adresi2, m.vergidaire_no})
            q.addBindValue(v.toString());
        QVERIFY(q.exec());
    }
}

QList<Musteri> rows() {
    Veritabani db(dbName);
    QList<Musteri> list;
    QSqlQuery q("SELECT * FROM MUSTERI ORDER BY rowid", db.db());
    while (q.next())
        list << Musteri{q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(),
                        q.value(3).toString(), q.value(4).toString()};
    return list;
}

QStringList items(const QComboBox *c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

// The window with its controls found by object name.
struct Register {
    Form2 w;
    QSignalSpy saved{&w, &Form2::musteriKaydedildi};
    QComboBox *no = w.findChild<QComboBox *>("Combo1");
    QComboBox *name = w.findChild<QComboBox *>("Combo2");
    QLineEdit *a1 = w.findChild<QLineEdit *>("Text1");
    QLineEdit *a2 = w.findChild<QLineEdit *>("Text2");
    QLineEdit *tax = w.findChild<QLineEdit *>("Text3");
    QPushButton *save = w.findChild<QPushButton *>("Command1");
    QPushButton *del = w.findChild<QPushButton *>("Command2");

    // A pick as the keyboard makes it: the arrow key moves onto the entry.
    void pick(QComboBox *c, int index) {
        c->setCurrentIndex(index - 1);
        QTest::keyClick(c, Qt::Key_Down);
    }
    bool picked() const { return w.mod() == "eski" && del->isEnabled(); }
    // A new, empty customer.
    bool isReset() const {
        return w.mod() == "yeni" && !del->isEnabled() && name->currentText().isEmpty() &&
               a1->text().isEmpty() && a2->text().isEmpty() && tax->text().isEmpty();
    }
    bool showActive() {
        w.show();
        return QTest::qWaitForWindowActive(&w);
    }
};

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void opensWithListsAndProposal_data();
    void opensWithListsAndProposal();
    void savesNewCustomer();
    void refusesBeforeAnyQuery_data();
    void refusesBeforeAnyQuery();
    void changeStoresBothAddressLines();
    void pickByNameTakesFirstRow();
    void onlyAPickLoads();
    void deletes();
    void keyboard();
    void databaseFailures();

private:
    QStringList texts() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
    QList<Messages::Message> m_messages;
    QList<bool> m_answers;
};

void TestForm2::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    ayarlar a = varsayilanAyarlar();
    a.veritabani_yolu = dbName;
    ayarlari_yaz(a);
    veritabaniOlustur(dbName);
    m_messages.clear();
    m_answers.clear();
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m;
        return !m_answers.isEmpty() && m_answers.takeFirst();
    });
}

void TestForm2::cleanup() {
    Messages::setTestHandler({});
    QDir::setCurrent(m_previousDir);
    m_dir.reset();
}

QStringList TestForm2::texts() const {
    QStringList l;
    for (const Messages::Message &m : m_messages)
        l << m.text;
    return l;
}

void TestForm2::opensWithListsAndProposal_data() {
    QTest::addColumn<QList<qint64>>("numbers");
    QTest::addColumn<QString>("proposal");

    QTest::newRow("empty table") << QList<qint64>{} << "1";
    QTest::newRow("gaps") << QList<qint64>{1, 2, 3, 7, 9} << "10";
    QTest::newRow("6 deleted") << QList<qint64>{1, 2, 3, 4, 5, 7} << "8";
    QTest::newRow("stored order kept") << QList<qint64>{9, 1, 7} << "10";
}

void TestForm2::opensWithListsAndProposal() {
    QFETCH(QList<qint64>, numbers);
    QFETCH(QString, proposal);
    QList<Musteri> list;
    QStringList numberTexts, names;
    for (qint64 n : numbers) {
        list << row(n, QString("Müşteri %1").arg(n));
        numberTexts << QString::number(n);
        names << list.last().adi_soyadi;
    }
    addRows(list);

    Register r;
    QVERIFY(r.del);
    QCOMPARE(r.w.windowTitle(), "Müşteri tanıtım");
    QCOMPARE(r.w.findChild<QGroupBox *>("Frame1")->title(), "Müşteri Bilgileri");
    QCOMPARE(items(r.no), numberTexts);
    QCOMPARE(items(r.name), names);
    QCOMPARE(r.no->currentText(), proposal);
    QVERIFY(r.isReset());
    QVERIFY(m_messages.isEmpty());
}

void TestForm2::savesNewCustomer() {
    addRows({row(3, "Ali")});
    Register r;
    QTest::keyClicks(r.name, "Zeynep Kaya");
    r.a1->setText("Atatürk Cad. 5");
    r.a2->setText("Çankaya/Ankara");
    r.tax->setText("Çankaya 1234567890");
    r.save->click();
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows().last(),
             (Musteri{4, "Zeynep Kaya", "Atatürk Cad. 5", "Çankaya/Ankara", "Çankaya 1234567890"}));
    QVERIFY(r.isReset());
    QCOMPARE(items(r.no), QStringList({"3", "4"}));
    QCOMPARE(r.no->currentText(), "5");

    // A number in use: refused, nothing written, the boxes keep what was typed.
    r.no->setEditText("3");
    r.name->setEditText("Veli");
    r.save->click();
    QCOMPARE(texts(), QStringList{"Bu müşteri no zaten kayıtlı!"});
    QCOMPARE(m_messages.first().kind, Messages::Kind::Info);
    QCOMPARE(rows().size(), 2);
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(r.name->currentText(), "Veli");
}

void TestForm2::refusesBeforeAnyQuery_data() {
    QTest::addColumn<QString>("no");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");

    QTest::newRow("both empty") << ""
                                << ""
                                << "Müşteri adı girilmelidir!";
    QTest::newRow("no number, blank name") << ""
                                           << "  "
                                           << "Müşteri no girilmelidir!";
    QTest::newRow("letters") << "abc"
                             << "Ali"
                             << "Müşteri No geçersiz!";
    QTest::newRow("query text") << "1; DELETE FROM MUSTERI"
                                << "Ali"
                                << "Müşteri No geçersiz!";
}

void TestForm2::refusesBeforeAnyQuery() {
    QFETCH(QString, no);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Register r;
    // Without the database any query would end in an error message of its own.
    QVERIFY(QFile::remove(dbName));
    r.no->setEditText(no);
    r.name->setEditText(name);
    r.save->click();
    QCOMPARE(texts(), QStringList{message});
    QCOMPARE(m_messages.first().kind, Messages::Kind::Info);
    QCOMPARE(m_messages.first().title, "Fatura");
    QCOMPARE(r.saved.count(), 0);
    QCOMPARE(r.no->currentText(), no);
}

void TestForm2::changeStoresBothAddressLines() {
    addRows({row(1, "Ali", "A1", "A2"), row(2, "Veli", "V1", "V2", "VD")});
    Register r;
    r.pick(r.no, 1);
    QVERIFY(r.picked());
    QCOMPARE(r.name->currentText(), "Veli");
    QCOMPARE(r.a2->text(), "V2");
    QCOMPARE(r.tax->text(), "VD");

    r.name->setEditText("Veli Can");
    r.a1->setText("Yeni Cad.");
    r.a2->setText("Yeni Kat");
    r.save->click();
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows(), (QList<Musteri>{{1, "Ali", "A1", "A2", ""},
                                     {2, "Veli Can", "Yeni Cad.", "Yeni Kat", "VD"}}));
    QVERIFY(r.isReset());

    // A number edited after the pick to one that has no row: nothing changes anywhere.
    r.pick(r.no, 0);
    r.no->setEditText("77");
    r.a1->setText("Başka");
    r.save->click();
    QCOMPARE(texts(), QStringList{"Müşteri bulunamadı!"});
    QCOMPARE(rows().first(), (Musteri{1, "Ali", "A1", "A2", ""}));
    QVERIFY(r.picked());
    QCOMPARE(r.a1->text(), "Başka");
    QCOMPARE(r.saved.count(), 1);
}

void TestForm2::pickByNameTakesFirstRow() {
    addRows({row(4, "Ayşe", "ilk"), row(8, "Can"), row(6, "Ayşe", "ikinci")});
    Register r;
    r.pick(r.name, 2);
    QCOMPARE(r.no->currentText(), "4");
    QCOMPARE(r.a1->text(), "ilk");
    QVERIFY(r.picked());

    // An apostrophe in a name is just a letter.
    r.pick(r.name, 1);
    r.save->click(); // Can unchanged; back to a new customer
    QTest::keyClicks(r.name, "D'Arcy O'Neil");
    r.a1->setText("x");
    r.save->click();
    QCOMPARE(r.saved.count(), 2);
    QCOMPARE(rows().last(), (Musteri{9, "D'Arcy O'Neil", "x", "", ""}));
    r.pick(r.name, items(r.name).indexOf("D'Arcy O'Neil"));
    QCOMPARE(r.no->currentText(), "9");
    QCOMPARE(r.a1->text(), "x");
    QVERIFY(r.picked());
    QVERIFY(m_messages.isEmpty());
}

void TestForm2::onlyAPickLoads() {
    addRows({row(5, "Ali", "adres"), row(10, "Can")});
    Register r;
    QVERIFY(r.showActive());
    // Typing an existing number or name and moving on enters it, it does not load it.
    r.no->setFocus();
    r.no->clearEditText();
    QTest::keyClicks(r.no, "1");
    QCOMPARE(r.no->currentText(), "1"); // not completed to 10
    QTest::keyClicks(r.no, "\b5\t");
    QTest::keyClicks(r.name, "Ali\t");
    QTRY_VERIFY(r.a1->hasFocus());
    QCOMPARE(r.w.mod(), "yeni");
    QCOMPARE(r.a1->text(), "");
    QCOMPARE(items(r.name), QStringList({"Ali", "Can"}));

    // A pick whose row has gone meanwhile finds nothing and changes nothing.
    {
        Veritabani db(dbName, Veritabani::Erisim::Yazma);
        QVERIFY(QSqlQuery(db.db()).exec("DELETE FROM MUSTERI"));
    }
    r.pick(r.no, 0);
    r.pick(r.name, 1);
    QCOMPARE(r.w.mod(), "yeni");
    QVERIFY(!r.del->isEnabled());
    QCOMPARE(r.a1->text(), "");
    QVERIFY(m_messages.isEmpty());
}

void TestForm2::deletes() {
    addRows({row(1, "A"), row(2, "B"), row(2, "B2")});
    {
        Veritabani db(dbName, Veritabani::Erisim::Yazma);
        FaturaBasligi h;
        h.musterino = "2";
        h.adi_soyadi = "B";
        h.faturano = 100;
        QVERIFY(yeniFaturaKaydet(db, h, {FaturaKalemi{1, "Vida", "", "2.5", "2,50"}}));
    }
    Register r;
    r.pick(r.no, 1);
    QVERIFY(r.picked());

    m_answers << false;
    r.del->click();
    QCOMPARE(texts(), QStringList{"Emin misiniz?"});
    QCOMPARE(m_messages.first().kind, Messages::Kind::Question);
    QCOMPARE(rows().size(), 3);
    QVERIFY(r.picked());

    m_answers << true;
    r.del->click();
    QCOMPARE(m_messages.size(), 2);
    QCOMPARE(rows(), (QList<Musteri>{{1, "A", "", "", ""}, {2, "B2", "", "", ""}}));
    {
        Veritabani db(dbName);
        const QList<KayitliSatir> invoice = faturaSatirlari(db, 100);
        QCOMPARE(invoice.size(), 1);
        QCOMPARE(invoice.first().musterino, "2");
        QCOMPARE(invoice.first().adi_soyadi, "B");
    }
    QVERIFY(r.isReset());
    QCOMPARE(items(r.name), QStringList({"A", "B2"}));
    QCOMPARE(r.saved.count(), 0);

    // A number edited to one without a row: told so, nothing deleted, the window as it was.
    r.pick(r.no, 0);
    r.no->setEditText("55");
    m_answers << true;
    r.del->click();
    QCOMPARE(texts().last(), "Müşteri bulunamadı!");
    QCOMPARE(rows().size(), 2);
    QVERIFY(r.picked());
}

void TestForm2::keyboard() {
    addRows({row(1, "Ali")});
    Register r;
    QVERIFY(r.showActive());
    r.pick(r.no, 0); // enables SİL, so the whole order can be walked
    const QList<QWidget *> order = {r.no, r.name, r.a1, r.a2, r.tax, r.save, r.del};
    r.no->setFocus();
    for (qsizetype i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), order.at(i));
    }
    // The focused field is tinted, the one it left is not.
    r.no->setFocus();
    QTRY_VERIFY(r.no->hasFocus());
    QCOMPARE(r.no->lineEdit()->palette().color(QPalette::Base), FocusColours::focusedColour(r.no));
    QCOMPARE(r.tax->palette().color(QPalette::Base), FocusColours::normalColour(r.tax));

    // Enter walks the fields up to KAYDET without pressing it.
    r.a1->setText("Yeni adres");
    for (qsizetype i = 1; i <= 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), order.at(i));
    }
    QCOMPARE(r.saved.count(), 0);
    QVERIFY(r.picked());
    // Enter on the focused button presses it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows().first().adresi, "Yeni adres");
    QVERIFY(m_messages.isEmpty());
    // The number is proposed, so the next customer starts at the name.
    QTRY_COMPARE(QApplication::focusWidget(), r.name);
}

void TestForm2::databaseFailures() {
    addRows({row(1, "Ali", "A1")});
    Register r;
    r.pick(r.no, 0);
    QVERIFY(QFile::rename(dbName, "elsewhere.db"));

    r.a1->setText("değişti");
    r.save->click();
    m_answers << true;
    r.del->click();
    r.pick(r.name, 0);
    QCOMPARE(m_messages.size(), 4); // save, the question, delete, pick
    for (int i : {0, 2, 3}) {
        QCOMPARE(m_messages.at(i).kind, Messages::Kind::Error);
        QVERIFY2(m_messages.at(i).text.contains(dbName), qPrintable(m_messages.at(i).text));
    }
    QCOMPARE(r.saved.count(), 0);
    QVERIFY(r.picked());
    QCOMPARE(r.a1->text(), "değişti");

    // The program went on: with the file back, the same save goes through.
    QVERIFY(QFile::rename("elsewhere.db", dbName));
    r.save->click();
    QCOMPARE(r.saved.count(), 1);
    QCOMPARE(rows().first().adresi, "değişti");
}

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
