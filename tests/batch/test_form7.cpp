// Mouse events go through the window system, as a user's do, so that a release belongs to
// the widget that took the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "../db/testdb.h"
#include "batch/Form7.h"
#include "settings/ayarlar.h"
#include "ui/imagebutton.h"
#include "ui/messages.h"

#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "tests/common/recorder.h"

class TestForm7 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void load();
    void printButton();

private:
    QTemporaryDir m_dir;
    QString m_oldDir;
    QString m_db;
    QStringList m_messages;
    QList<PdfPrinter::Mode> m_targets;
    RecordingPrinter m_printed;
};

namespace {

QStringList entries(const Form7 &w, const char *name) {
    const auto *c = w.findChild<QComboBox *>(QString::fromLatin1(name));
    QStringList s;
    for (int i = 0; i < c->count(); ++i)
        s << c->itemText(i);
    return s;
}

} // namespace

void TestForm7::init() {
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    ayarlari_yaz(varsayilanAyarlar());
    m_db = m_dir.filePath(veritabaniYolu(varsayilanAyarlar().veritabani_yolu));
    QFile::remove(m_db);
    veritabaniOlustur(m_db);
    testdb::sql(m_db, {u"CREATE TABLE KAMPANYA1 (a)"_qs, u"CREATE TABLE kampanya2 (a)"_qs,
                       u"CREATE TABLE FATCARIKAMPANYA1 (SIRANO INTEGER, DAGITIM_BOLGESI, "
                       "FATURA_TARIHI, BOLGE, ADI_SOYADI, ADRESI, ISKONTO)"_qs,
                       u"CREATE TABLE FATSTOKKAMPANYA1 (FATURANO, ACIKLAMA, MIKTAR, BR_FIYAT)"_qs,
                       u"INSERT INTO FATCARIKAMPANYA1 VALUES (1, 'ADANA', NULL, 'X', 'a', '', 0), "
                       "(2, 'ANKARA', NULL, 'X', 'b', '', 0), (3, 'İZMİR', NULL, 'X', 'c', '', "
                       "0)"_qs});
    m_messages.clear();
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m.text;
        return false;
    });
    m_targets.clear();
    m_printed = RecordingPrinter();
    Form7::setPrintTargetFactory([this](const QString &, PdfPrinter::Mode mode) {
        m_targets << mode;
        PrintTarget t;
        t.printer = std::make_unique<Recorder>(m_printed);
        t.pdfPath = u"baskilar/kampanya"_qs;
        return t;
    });
}

void TestForm7::cleanup() {
    Form7::setPrintTargetFactory({});
    Messages::setTestHandler({});
    QDir::setCurrent(m_oldDir);
}

void TestForm7::load() {
    {
        Form7 w;
        // The database's campaign tables; which those are is checked in tests/db.
        QCOMPARE(entries(w, "Combo1"), QStringList{"KAMPANYA1"});
        QCOMPARE(entries(w, "Combo2"),
                 (QStringList{"ANTALYA", "ADANA", "ANKARA", "İSTANBUL", "İZMİR", "TRABZON"}));
        for (const char *name : {"Combo1", "Combo2"})
            QCOMPARE(w.findChild<QComboBox *>(QString::fromLatin1(name))->currentIndex(), -1);
        QVERIFY(m_messages.isEmpty());
    }
    // Without its database the window opens all the same, after a message naming the file
    // as the settings name it.
    QFile::remove(m_db);
    Form7 w;
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.at(0).contains(varsayilanAyarlar().veritabani_yolu.trimmed()),
             qPrintable(m_messages.at(0)));
    QVERIFY(entries(w, "Combo1").isEmpty());
    QCOMPARE(entries(w, "Combo2").size(), 6);
}

void TestForm7::printButton() {
    Form7 w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto *b = w.findChild<ImageButton *>(u"Yazdir"_qs);
    const QPoint caption = b->captionRect().center();
    QTest::mouseClick(b, Qt::LeftButton, {}, caption);
    QCOMPARE(m_messages, QStringList{u"Kampanya seçiniz!"_qs});
    m_messages.clear();

    // Pressed on the caption and let go elsewhere: the picture comes back, nothing prints.
    w.findChild<QComboBox *>(u"Combo1"_qs)->setCurrentIndex(0);
    QTest::mousePress(b, Qt::LeftButton, {}, caption);
    QVERIFY(b->isDown());
    QTest::mouseMove(&w, QPoint(5, 5));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!b->isDown());
    QVERIFY(m_targets.isEmpty());
    QVERIFY(m_messages.isEmpty());

    w.findChild<QRadioButton *>(u"AyriPdf"_qs)->setChecked(true);
    QTest::mouseClick(b, Qt::LeftButton, {}, caption);
    // Both numbers and the region empty: every invoice of the campaign.
    QCOMPARE(m_targets, QList<PdfPrinter::Mode>{PdfPrinter::FilePerDocument});
    QCOMPARE(m_printed.documents(), 3);
    QCOMPARE(m_messages, QStringList{pdfNotice(u"baskilar/kampanya"_qs)});
}

QTEST_MAIN(TestForm7)
#include "test_form7.moc"
