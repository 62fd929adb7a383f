// Mouse events go through the window system, so that a release belongs to the widget that took
// the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "base/numbers.h"
#include "gui/Form2.h"
#include "gui/Form3.h"
#include "gui/Form5.h"
#include "gui/choosers.h"
#include "gui/messages.h"
#include "gui/previewwindow.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "tests/common/recorder.h"
#include "tests/common/testdb.h"
#include "tests/common/widgets.h"
#include "tools/sampledata.h"

#include <QAbstractSpinBox>
#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>

#include <algorithm>

// One input of each kind that reaches code of its own goes into every box of the customer
// register, the invoice and settings windows, and every button is pressed after it.
// The program must go on, refuse in plain Turkish, store only what was saved on purpose and
// keep its settings file readable.

namespace {

constexpr int sampleCustomers = 6;
// Invoice boxes kept as typed, and the line boxes that EKLE reads.
const QByteArrayList freeBoxes = {"Text11", "Text16", "Text2",  "Text1", "Text13",
                                  "Text4",  "Text5",  "Text15", "Text6", "Text7"};
const QByteArrayList lineBoxes = {"Text3", "Text14", "Text9", "Text10", "Text8"};
const QString customersSql = u"SELECT * FROM \"MUSTERI\" ORDER BY rowid"_qs;
// Any finite quantity will do: the window shows it rounded.
const QString invoicesSql =
    u"SELECT faturano, musterino, adi_soyadi, adresi, adresi2, vergidaire_no, kdvdahil, "
    "fatura_tarihi, irsaliye_no, irsaliye_tarihi, abs(miktar) < 1e300, aciklama, iskonto, "
    "br_fiyat, tutar FROM faturalar ORDER BY faturano, rowid"_qs;

void put(QWidget *form, const QByteArrayList &names, const QString &t) {
    for (const QByteArray &name : names)
        setText(form, name, t);
}

// Every row of a query as texts, a NULL as "<NULL>".
QList<QStringList> dump(const QString &db, const QString &sql) {
    QList<QStringList> rows;
    for (const QVariantList &r : testdb::queryRows(db, sql)) {
        rows << QStringList();
        for (const QVariant &v : r)
            rows.last() << (v.isValid() ? v.toString() : u"<NULL>"_qs);
    }
    return rows;
}

// An invoice as the window shows it, as the rows invoicesSql gives.
QList<QStringList> shownInvoice(const QWidget &w, qint64 number) {
    const QStringList header =
        QStringList{QString::number(number)} +
        texts(&w, {"Combo1", "Combo2", "Text11", "Text16", "Text2"}) +
        QStringList{QString::number(field<QComboBox>(&w, "Combo3")->currentIndex())} +
        texts(&w, {"Text1", "Text4", "Text13"}) + QStringList{u"1"_qs};
    QList<QStringList> rows;
    for (const QStringList &cells : grid(&w))
        if (!cells.at(0).isEmpty())
            rows << header + cells.mid(1);
    return rows;
}

// Besides the typed text quoted back, a message has words of its own, with a Turkish letter or
// an ending no English word has ("giriniz", "misiniz", "Kaydedildi"); no placeholder left, no
// name without its value, short enough to read.
bool clearTurkish(const QString &message, const QString &typed) {
    static const QRegularExpression turkish(u"[çğıöşüÇĞİÖŞÜ]|\\w(iniz|[dt]i)\\b"_qs);
    static const QRegularExpression placeholder(u"%\\d"_qs);
    QString own = message;
    for (const QString &t : {typed, typed.trimmed()}) {
        if (!t.isEmpty())
            own.remove(t);
    }
    return own.contains(turkish) && !own.contains(placeholder) && !own.contains(u"::"_qs) &&
           !message.trimmed().endsWith(u':') && message.size() <= 300;
}

const QRegularExpression brokenFigure(u"\\b(nan|inf|infinity)\\b"_qs,
                                      QRegularExpression::CaseInsensitiveOption);

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void sweep_data();
    void sweep();

private:
    void customerRegister();
    void invoices();
    void settingsWindow();

    QTemporaryDir m_dir;
    Workspace m_workspace{m_dir.path()};
    QString m_db, m_settings;
    int m_row = 0;
    QString m_typed;
    QStringList m_said; // every message shown
    QHash<QString, int> m_asked;
    RecordingPrinter m_printed;
    // What the database must hold: the rows before the sweep and every save since.
    QMap<QString, QList<QStringList>> m_tables;  // by query
    QMap<qint64, QList<QStringList>> m_invoices; // by number
    QList<QStringList> m_saveCounts;             // the program's count of each saved invoice
};

void TestBadInput::initTestCase() {
    QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
    m_settings = m_dir.filePath(settingsFileName());
    m_db = m_dir.filePath(databasePath(defaultSettings().veritabani_yolu));
    writeSampleDatabase(
        m_db, {.customers = sampleCustomers, .invoices = 4, .campaignInvoices = 8, .maxLines = 3});
    // The schema and every table but the invoices, which are kept by number; the windows add
    // only customers and invoices, and what is kept beside an invoice (the count of its saves,
    // its rates and units, what the reports read of it) and the customers' search tables, in
    // tables of the program's own, made at the first save or search.
    const QString schemaSql = u"SELECT type, name, tbl_name, sql FROM sqlite_master WHERE "
                              "tbl_name NOT IN ('fatura_bilgi', 'fatura_ozet', "
                              "'fatura_ozet_durum', 'musteri_ad', 'musteri_ad_parca', "
                              "'musteri_arama', 'musteri_arama_durum') ORDER BY name"_qs;
    m_tables[schemaSql] = dump(m_db, schemaSql);
    for (const QStringList &t : m_tables[schemaSql]) {
        const QString sql = u"SELECT * FROM \"%1\" ORDER BY rowid"_qs.arg(t.at(1));
        if (t.at(0) == u"table" && t.at(1) != u"faturalar")
            m_tables[sql] = dump(m_db, sql);
    }
    for (const QStringList &r : dump(m_db, invoicesSql))
        m_invoices[r.at(0).toLongLong()] << r;
    // The sample's invoices were written with what is kept beside them, saved once each.
    m_saveCounts =
        dump(m_db, u"SELECT faturano, degisiklik FROM fatura_bilgi ORDER BY faturano"_qs);

    Messages::setTestHandler([this](const Messages::Message &m) {
        m_said << m.text;
        // Yes, then No, then Yes to each question: both ways run.
        return m.kind == Messages::Kind::Question && m_asked[m.text]++ % 2 == 0;
    });
    m_workspace.seams.printTarget = [this](const QString &, PdfPrinter::Mode) {
        PrintTarget t;
        t.printer = std::make_unique<Recorder>(m_printed);
        return t;
    };
    // The choosers bring the typed text too: as a path, as a font's name.
    Choosers::setTestHooks({.file = [this](QWidget *) { return std::optional<QString>(m_typed); },
                            .font = [this](QWidget *) { return std::optional(QFont(m_typed)); },
                            .path = {}});
}

void TestBadInput::sweep_data() {
    QTest::addColumn<QString>("typed");
    // clang-format off
    const std::pair<const char *, QString> kinds[] = {
        {"empty", u""_qs}, {"blanks", u"   "_qs},
        {"10000 characters", QString(u"Ab'ç,\" "_qs).repeated(1430).left(10000)},
        {"turkish letters", u"İıŞşĞğÜüÖöÇç"_qs},
        {"quotes", u"O'Neil'); DROP TABLE \"faturalar\"; --"_qs},
        {"control characters", u"a\tb\r\n"_qs + QChar(0) + QChar(0x1b) + u"[31m"_qs},
        {"placeholders", u"%1 %2"_qs}, {"a file, not a database", u"/etc/passwd"_qs},
        {"grouped money", u"1.234,56"_qs}, {"24 digits", u"123456789012345678901234"_qs},
        {"1e400", u"1e400"_qs}, {"emoji", u"🧾😀"_qs},
        // Whole numbers, the largest last: no number can be proposed above it, so every later
        // save would be refused.
        {"negative", u"-5"_qs}, {"smallest whole number", u"-9223372036854775808"_qs},
        {"largest whole number", u"9223372036854775807"_qs}};
    // clang-format on
    for (const auto &[name, typed] : kinds)
        QTest::newRow(name) << typed;
}

void TestBadInput::sweep() {
    QFETCH(QString, typed);
    m_typed = typed;
    m_said.clear();
    m_printed = RecordingPrinter();
    ++m_row;
    // What the last row saved in the settings would steer the other windows.
    ayarlari_yaz(defaultSettings(), m_settings);

    for (auto step : {&TestBadInput::customerRegister, &TestBadInput::invoices,
                      &TestBadInput::settingsWindow}) {
        (this->*step)();
        if (QTest::currentTestFailed())
            return;
    }
    for (const QString &said : m_said)
        QVERIFY2(clearTurkish(said, m_typed), qPrintable(said.left(300)));
    if (!brokenFigure.match(m_typed).hasMatch())
        for (const RecordingPrinter::Line &l : m_printed.lines())
            QVERIFY2(!brokenFigure.match(l.text).hasMatch(), qPrintable(l.text));
    // The database holds what it held and what was saved, nothing else.
    for (auto it = m_tables.cbegin(); it != m_tables.cend(); ++it)
        QCOMPARE(dump(m_db, it.key()), it.value());
    QList<QStringList> invoices;
    for (const QList<QStringList> &rows : std::as_const(m_invoices))
        invoices += rows;
    QCOMPARE(dump(m_db, invoicesSql), invoices);
    if (!m_saveCounts.isEmpty())
        QCOMPARE(dump(m_db, u"SELECT faturano, degisiklik FROM fatura_bilgi ORDER BY faturano"_qs),
                 m_saveCounts);
}

// A stored customer picked, then the text typed over its number: neither SİL (asked twice, so
// that both answers run) nor KAYDET may reach any row. Then a new customer with the text in the
// number, in the name, in the three other boxes: saved as shown or refused with a message.
void TestBadInput::customerRegister() {
    const std::initializer_list<QAnyStringView> boxes = {"Combo1", "Combo2", "Text1", "Text2",
                                                         "Text3"};
    {
        Shown<Form2> w(m_workspace);
        pick(field<QComboBox>(&w, "Combo1"), m_row % sampleCustomers);
        setText(&w, "Combo1", m_typed);
        for (const char *button : {"Command2", "Command2", "Command1"})
            click(&w, button);
    }
    for (const QByteArrayList &bad : {QByteArrayList{"Combo1"}, QByteArrayList{"Combo2"},
                                      QByteArrayList{"Text1", "Text2", "Text3"}}) {
        Shown<Form2> w(m_workspace);
        QSignalSpy saved(&w, &Form2::customerSaved);
        put(&w, {"Combo2", "Text1", "Text2", "Text3"}, u"Ad"_qs);
        put(&w, bad, m_typed);
        QStringList row = texts(&w, boxes);
        const qsizetype said = m_said.size();
        click(&w, "Command1");
        // Saved and confirmed, naming the customer, or refused with a message saying why.
        QVERIFY(m_said.size() == said + 1);
        QCOMPARE(saved.count() == 1, m_said.last().contains(u"numaralı müşteri kaydedildi"_qs));
        if (saved.isEmpty())
            continue;
        QVERIFY(wholeNumber(row[0]));
        row[0] = QString::number(*wholeNumber(row[0]));
        m_tables[customersSql] << row;
    }
}

// Each set of boxes in turn: a stored customer picked, one good line added, the text typed into
// each line box (EKLE after each), then into the other boxes; the VAT rate stepped, and KAYDET
// YAZDIR. Every box at once comes first, so that a whole number saves with the rest.
void TestBadInput::invoices() {
    const QByteArrayList all = freeBoxes + lineBoxes;
    const QByteArrayList every = QByteArrayList{"Text12", "Combo1", "Combo2"} + all;
    const QList<QByteArrayList> sets = {every, {"Text12"}, {"Combo1"}, {"Combo2"}, all};
    for (int variant = m_row; const QByteArrayList &bad : sets) {
        Shown<Form3> w(m_workspace);
        pick(field<QComboBox>(&w, "Combo1"), variant % sampleCustomers);
        field<QComboBox>(&w, "Combo3")->setCurrentIndex(variant++ % 2);
        const auto addLine = [&w] {
            put(&w, {"Text3", "Text14", "Text9", "Text10"}, u"2"_qs);
            click(&w, "Command2");
        };
        addLine();
        for (const QByteArray &box : bad) {
            if (!lineBoxes.contains(box))
                continue;
            addLine();
            put(&w, {box}, m_typed);
            const qsizetype rows = grid(&w).size(), said = m_said.size();
            click(&w, "Command2");
            // Either a line or a message saying why not.
            QVERIFY2((grid(&w).size() == rows + 1) != (m_said.size() > said), box.constData());
        }
        put(&w, bad, m_typed);
        QTest::keyClick(field<QAbstractSpinBox>(&w, "UpDown1"), Qt::Key_Up);
        QTest::keyClick(field<QAbstractSpinBox>(&w, "UpDown1"), Qt::Key_Down);

        // A save closes the window; a refusal says why and leaves it open.
        const std::optional<qint64> number = wholeNumber(text(&w, "Text12"));
        const QList<QStringList> rows = shownInvoice(w, number.value_or(0));
        const qsizetype said = m_said.size();
        click(&w, "Command3");
        QVERIFY(m_said.size() > said); // the refusal, or the question whether to print
        if (!w.isVisible()) {
            QVERIFY(number);
            m_invoices[*number] = rows;
            // Each a new invoice, saved once.
            m_saveCounts << QStringList{QString::number(*number), u"1"_qs};
            std::sort(m_saveCounts.begin(), m_saveCounts.end(),
                      [](const QStringList &a, const QStringList &b) {
                          return a[0].toLongLong() < b[0].toLongLong();
                      });
        }
    }
}

// Every button with the text in every box, the preview's included, then "Kaydet": a refusal
// leaves the file as it was; after a save the file reads whole, and the window opened again
// shows what the boxes held, less the blanks around a value.
void TestBadInput::settingsWindow() {
    Shown<Form5> w(m_workspace);
    const QList<QLineEdit *> boxes = w.findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly);
    for (QLineEdit *b : boxes)
        b->setText(m_typed);
    for (ImageButton *b : w.findChildren<ImageButton *>()) {
        if (b->objectName() != u"kaydet_dugmesi")
            clickCaption(&w, b->objectName());
    }
    for (QToolButton *b : w.findChildren<QToolButton *>())
        QTest::mouseClick(b, Qt::LeftButton);
    auto *preview = w.findChild<PreviewWindow *>();
    QVERIFY(preview && QTest::qWaitForWindowExposed(preview));
    for (QPushButton *b : preview->findChildren<QPushButton *>()) {
        QTest::mouseClick(b, Qt::LeftButton);
        preview->grab();
    }
    preview->close();

    const QByteArray file = testdb::fileBytes(m_settings);
    const qsizetype said = m_said.size();
    QVERIFY(shown(w));
    clickCaption(&w, "kaydet_dugmesi");
    QCOMPARE(m_said.size(), said + 1);
    if (w.isVisible()) {
        QCOMPARE(testdb::fileBytes(m_settings), file);
        return;
    }
    QCOMPARE(readSettingsFile(m_settings).linesRead, 23);
    const Form5 again(m_workspace);
    for (QLineEdit *b : boxes)
        QCOMPARE(field(&again, b->objectName())->text().trimmed(), b->text().trimmed());
}

QTEST_MAIN(TestBadInput)
#include "test_badinput.moc"
