// Mouse events go through the window system, so that a release belongs to the widget that took
// the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "../invoicewin/invoicefixture.h"
#include "gui/Form2.h"
#include "gui/Form3.h"
#include "gui/Form5.h"
#include "gui/Form7.h"
#include "gui/imagebutton.h"
#include "gui/messages.h"
#include "gui/previewwindow.h"
#include "invoice/workspace.h"
#include "store/campaigns.h"
#include "tools/sampledata.h"

#include <QAbstractSpinBox>
#include <QListWidget>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QToolButton>

#include <cmath>
#include <limits>

// Each kind of bad input goes into every box of the customer register, the invoice, batch and
// settings windows, and every button is pressed after it. The program must go on, refuse in
// plain Turkish, store only what was saved on purpose and keep its settings file readable.

namespace {

constexpr int sampleCustomers = 6;
// Invoice boxes kept as typed, and the line boxes that EKLE reads.
const QByteArrayList freeBoxes = {"Text11", "Text16", "Text2",  "Text1", "Text13",
                                  "Text4",  "Text5",  "Text15", "Text6", "Text7"};
const QByteArrayList lineBoxes = {"Text3", "Text14", "Text9", "Text10", "Text8"};

QStringList shownTexts(const QWidget *form, std::initializer_list<const char *> names) {
    QStringList t;
    for (const char *name : names) {
        const auto *w = field<QWidget>(form, name);
        const auto *e = qobject_cast<const QLineEdit *>(w);
        t << (e ? e->text() : static_cast<const QComboBox *>(w)->currentText());
    }
    return t;
}

void put(QWidget *form, const QByteArrayList &names, const QString &text) {
    for (const QByteArray &name : names) {
        auto *w = field<QWidget>(form, name);
        if (auto *e = qobject_cast<QLineEdit *>(w))
            e->setText(text);
        else
            static_cast<QComboBox *>(w)->setEditText(text);
    }
}

// A pick as the keyboard makes it: the arrow key moves onto the entry.
void pick(QComboBox *c, int index) {
    c->setCurrentIndex(index - 1);
    QTest::keyClick(c, Qt::Key_Down);
}

bool shown(QWidget &w) {
    w.show();
    return QTest::qWaitForWindowExposed(&w);
}

void clickCaption(QWidget *form, const QString &name) {
    auto *b = form->findChild<ImageButton *>(name);
    QVERIFY2(b, qPrintable(name));
    QTest::mouseClick(b, Qt::LeftButton, {}, b->captionRect().center());
}

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

// Row by row first, so that a failure shows the row that differs.
void sameRows(const QList<QStringList> &got, const QList<QStringList> &want) {
    for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i)
        QCOMPARE(got.at(i), want.at(i));
    QCOMPARE(got.size(), want.size());
}

const QString invoicesSql =
    u"SELECT faturano, musterino, adi_soyadi, adresi, adresi2, vergidaire_no, kdvdahil, "
    "fatura_tarihi, irsaliye_no, irsaliye_tarihi, miktar, aciklama, iskonto, br_fiyat, tutar "
    "FROM faturalar ORDER BY rowid"_qs;

QMap<QString, QList<QStringList>> invoicesByNumber(const QString &db) {
    QMap<QString, QList<QStringList>> invoices;
    for (QStringList r : dump(db, invoicesSql))
        invoices[r.takeFirst()] << r;
    return invoices;
}

// An invoice as the window shows it, as the table's rows after faturano; the quantity is left
// empty, as any finite number will do.
QList<QStringList> shownInvoice(const QWidget &w) {
    const QStringList header =
        shownTexts(&w, {"Combo1", "Combo2", "Text11", "Text16", "Text2"}) +
        QStringList{QString::number(field<QComboBox>(&w, "Combo3")->currentIndex())} +
        shownTexts(&w, {"Text1", "Text4", "Text13"});
    QList<QStringList> rows;
    for (const QStringList &cells : grid(&w)) {
        if (!cells.at(0).isEmpty())
            rows << header + QStringList{QString()} + cells.mid(1);
    }
    return rows;
}

// The settings boxes in file order, each with the name a refusal gives it.
QList<std::pair<QLineEdit *, QString>> settingsBoxes(const Form5 &w) {
    const char *const parts[][2] = {{"_sol_bosluk", "Sol Boşluk"},
                                    {"_ust_bosluk", "Üst Boşluk"},
                                    {"_yazitipi_adi", "Yazıtipi Adı"},
                                    {"_boyutu", "Boyutu"}};
    QList<std::pair<QLineEdit *, QString>> boxes;
    for (const SettingsLine &s : settingsLines()) {
        const QString caption = QString::fromUtf8(s.caption);
        if (s.single) {
            boxes.append({field(&w, s.name), caption.chopped(caption.endsWith(u':') ? 1 : 0)});
            continue;
        }
        for (const auto &[suffix, part] : parts)
            boxes.append({field(&w, (QByteArray(s.name) + suffix).constData()),
                          caption + u' ' + QString::fromUtf8(part)});
    }
    return boxes;
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
const QRegularExpression moneyFigure(u"^-?\\d{1,3}(\\.\\d{3})*,\\d\\d$"_qs);
const QRegularExpression plainFigure(u"^-?\\d+(,\\d+)?(E[+-]\\d+)?$"_qs);

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
    void reloadInvoice();
    void batchWindow();
    void settingsWindow();
    void checkDatabase();

    QTemporaryDir m_dir;
    Workspace m_workspace{m_dir.path()};
    QString m_db, m_settings;
    int m_row = 0;
    QString m_typed;
    std::optional<qint64> m_whole; // what a number box takes m_typed for
    QStringList m_said;            // every message shown
    QHash<QString, int> m_asked;
    RecordingPrinter m_printed;
    // What the database must hold: the rows before the sweep and every save since.
    QMap<QString, QList<QStringList>> m_untouched; // by query
    QList<QStringList> m_customers;
    QMap<QString, QList<QStringList>> m_invoices; // by number
    QString m_lastInvoice;
    QHash<QString, int> m_campaignSize;
};

void TestBadInput::initTestCase() {
    QVERIFY(m_dir.isValid() && QDir::setCurrent(m_dir.path()));
    m_settings = m_dir.filePath(settingsFileName());
    m_db = m_dir.filePath(databasePath(defaultSettings().veritabani_yolu));
    writeSampleDatabase(
        m_db, {.customers = sampleCustomers, .invoices = 4, .campaignInvoices = 8, .maxLines = 3});
    {
        Database db(m_db, Database::Access::Write);
        db.transaction([&] { writeSampleCampaign(db, u"KAMPANYA2"_qs, 3, 2, false, 7, 2024); });
        for (const QString &c : campaigns(db))
            m_campaignSize[c] = countCampaignInvoices(db, c, {});
    }

    // The schema and every table but the two the windows write never change.
    const QString schemaSql =
        u"SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name"_qs;
    const QList<QStringList> schema = dump(m_db, schemaSql);
    m_untouched[schemaSql] = schema;
    for (const QStringList &t : schema) {
        const QString sql = u"SELECT * FROM \"%1\" ORDER BY rowid"_qs.arg(t.at(1));
        if (t.at(0) == u"table" && t.at(1) != u"MUSTERI" && t.at(1) != u"faturalar")
            m_untouched[sql] = dump(m_db, sql);
    }
    m_customers = dump(m_db, u"SELECT * FROM MUSTERI ORDER BY rowid"_qs);
    m_invoices = invoicesByNumber(m_db);

    Messages::setTestHandler([this](const Messages::Message &m) {
        m_said << m.text;
        // Yes, then No, then Yes to each question: both ways run.
        return m.kind == Messages::Kind::Question && m_asked[m.text]++ % 2 == 0;
    });
    const auto recorder = [this] {
        PrintTarget t;
        t.printer = std::make_unique<Recorder>(m_printed);
        return t;
    };
    m_workspace.seams.printTarget = [recorder](const QString &, PdfPrinter::Mode) {
        return recorder();
    };
    // The choosers bring the typed text too: as a path, as a font's name.
    m_workspace.seams.chooseFile = [this](QWidget *) { return std::optional<QString>(m_typed); };
    m_workspace.seams.chooseFont = [this](QWidget *) {
        QFont f;
        f.setFamily(m_typed);
        return std::optional<QFont>(f);
    };
}

void TestBadInput::sweep_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("whole"); // the whole number a number box takes it for
    const auto ch = [](char16_t c) { return QString(QChar(c)); };
    // clang-format off
    const std::pair<const char *, QString> kinds[] = {
        {"empty", u""_qs}, {"blanks", u"   "_qs}, {"apostrophe", u"'"_qs}, {"quote", u"\""_qs},
        {"both quotes", u"O'Neil \"Ltd\" '"_qs}, {"sql or", u"1 or 1=1"_qs},
        {"sql drop", u"'; DROP TABLE faturalar; --"_qs},
        {"sql delete", u"1; DELETE FROM MUSTERI"_qs}, {"sql quoted or", u"x' OR '1'='1"_qs},
        {"sql schema", u"\"); DROP TABLE MUSTERI; UPDATE sqlite_master SET sql=''; --"_qs},
        {"10000 characters", QString(u"Ab'ç,\" "_qs).repeated(1430).left(10000)},
        {"10000 digits", QString(10000, u'9')}, {"letters", u"abc"_qs},
        {"digits then letters", u"12abc"_qs}, {"nan", u"nan"_qs}, {"inf", u"inf"_qs},
        {"-inf", u"-inf"_qs}, {"Infinity", u"Infinity"_qs}, {"1e400", u"1e400"_qs},
        {"1e-400", u"1e-400"_qs}, {"exponent", u"1E5"_qs}, {"negative money", u"-12,50"_qs},
        {"20+ digits", u"123456789012345678901234"_qs},
        {"400 digits money", QString(400, u'9') + u",99"_qs}, {"two commas", u"1,2,3"_qs},
        {"two dots", u"1.2.3"_qs}, {"grouped money", u"1.234,56"_qs},
        {"turkish letters", u"İıŞşĞğÜüÖöÇç"_qs}, {"arabic", u"فاتورة ١٢٣"_qs},
        {"arabic digits", u"١٢٣"_qs}, {"chinese", u"发票"_qs}, {"emoji", u"🧾😀"_qs},
        {"tab", u"a\tb"_qs}, {"nul", u"a"_qs + ch(0) + u"b"_qs}, {"cr lf", u"a\r\nb"_qs},
        {"escape", ch(0x1b) + u"[31m"_qs}, {"right to left mark", ch(0x202e) + u"abc"_qs},
        {"lone comma", u","_qs}, {"lone dot", u"."_qs}, {"percent", u"%"_qs},
        {"double dash", u"--"_qs}, {"backslashes", u"\\\\"_qs},
        {"absolute path", u"/etc/passwd"_qs}, {"relative path", u"../../x"_qs},
        {"html", u"<b>x</b>"_qs}, {"placeholders", u"%1 %2"_qs}};
    // Whole numbers, the largest last: no number can be proposed above it, so every later save
    // would be refused.
    const std::tuple<const char *, QString, qint64> wholes[] = {
        {"negative", u"-5"_qs, -5}, {"number in blanks", u" 4200000 "_qs, 4200000},
        {"zero", u"0"_qs, 0},
        {"smallest whole number", u"-9223372036854775808"_qs, std::numeric_limits<qint64>::min()},
        {"largest whole number", u"9223372036854775807"_qs, std::numeric_limits<qint64>::max()}};
    // clang-format on
    for (const auto &[name, typed] : kinds)
        QTest::newRow(name) << typed << QVariant();
    for (const auto &[name, typed, n] : wholes)
        QTest::newRow(name) << typed << QVariant(n);
}

void TestBadInput::sweep() {
    QFETCH(QString, typed);
    QFETCH(QVariant, whole);
    m_typed = typed;
    m_whole = whole.isValid() ? std::optional<qint64>(whole.toLongLong()) : std::nullopt;
    m_said.clear();
    m_printed = RecordingPrinter();
    m_lastInvoice.clear();
    ++m_row;
    // What the last row saved in the settings would steer the other windows.
    ayarlari_yaz(defaultSettings(), m_settings);

    for (auto step :
         {&TestBadInput::customerRegister, &TestBadInput::invoices, &TestBadInput::reloadInvoice,
          &TestBadInput::batchWindow, &TestBadInput::settingsWindow}) {
        (this->*step)();
        if (QTest::currentTestFailed())
            return;
    }
    for (const QString &text : m_said)
        QVERIFY2(clearTurkish(text, m_typed), qPrintable(text.left(300)));
    if (!brokenFigure.match(m_typed).hasMatch()) {
        for (const RecordingPrinter::Line &l : m_printed.lines())
            QVERIFY2(!brokenFigure.match(l.text).hasMatch(), qPrintable(l.text));
    }
    checkDatabase();
}

void TestBadInput::customerRegister() {
    const std::initializer_list<const char *> boxes = {"Combo1", "Combo2", "Text1", "Text2",
                                                       "Text3"};
    // A stored customer picked, then the text typed over its number: neither SİL (asked twice,
    // so that both answers run) nor KAYDET may reach any row.
    {
        Form2 w(m_workspace);
        QVERIFY(shown(w));
        pick(field<QComboBox>(&w, "Combo1"), m_row % sampleCustomers);
        put(&w, {"Combo1"}, m_typed);
        for (const char *button : {"Command2", "Command2", "Command1"})
            click(&w, button);
    }
    // A new customer: the text in the number, in the name, in the three other boxes.
    std::optional<QStringList> named; // the customer saved under the typed name
    for (const QByteArrayList &bad : {QByteArrayList{"Combo1"}, QByteArrayList{"Combo2"},
                                      QByteArrayList{"Text1", "Text2", "Text3"}}) {
        Form2 w(m_workspace);
        QVERIFY(shown(w));
        QSignalSpy saved(&w, &Form2::customerSaved);
        for (const char *box : {"Combo2", "Text1", "Text2", "Text3"})
            put(&w, {box}, QLatin1String(box));
        put(&w, bad, m_typed);
        QStringList row = shownTexts(&w, boxes);
        const std::optional<qint64> number =
            bad.contains("Combo1") ? m_whole : std::optional<qint64>(row.at(0).toLongLong());
        if (number)
            row[0] = QString::number(*number);
        const bool accepted = number && !row.at(1).isEmpty() &&
                              std::none_of(m_customers.begin(), m_customers.end(),
                                           [&](const QStringList &r) { return r[0] == row[0]; });
        click(&w, "Command1");
        QCOMPARE(saved.count(), accepted ? 1 : 0);
        if (accepted)
            m_customers << row;
        if (accepted && bad.contains("Combo2"))
            named = row;
    }
    // Picked by that name, the customer shows as saved.
    if (named) {
        Form2 w(m_workspace);
        QVERIFY(shown(w));
        auto *names = field<QComboBox>(&w, "Combo2");
        pick(names, names->findText(m_typed));
        QCOMPARE(w.mode(), u"eski"_qs);
        QCOMPARE(shownTexts(&w, boxes), *named);
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
        Form3 w(m_workspace);
        QVERIFY(shown(w));
        pick(field<QComboBox>(&w, "Combo1"), variant % sampleCustomers);
        field<QComboBox>(&w, "Combo3")->setCurrentIndex(variant++ % 2);
        addLine(&w, u"Kalem"_qs, {}, u"2"_qs, u"12,50"_qs);
        QCOMPARE(grid(&w).size(), 2);
        for (const QByteArray &box : bad) {
            if (!lineBoxes.contains(box))
                continue;
            addLine(&w, u"Kalem 2"_qs, {}, u"1"_qs, u"5"_qs);
            put(&w, {box}, m_typed);
            const qsizetype rows = grid(&w).size(), said = m_said.size();
            click(&w, "Command2");
            // Either a line or a message saying why not; the totals stay figures.
            const bool added = grid(&w).size() == rows + 1;
            QVERIFY2(added != (m_said.size() > said), box.constData());
            if (!added)
                continue;
            for (const QString &money : {grid(&w).at(rows - 1).at(4), text(&w, "Text5"),
                                         text(&w, "Text6"), text(&w, "Text7")})
                QVERIFY2(money == u"Dahil" || moneyFigure.match(money).hasMatch(),
                         qPrintable(money));
            QVERIFY2(plainFigure.match(text(&w, "Text15")).hasMatch(),
                     qPrintable(text(&w, "Text15")));
        }
        put(&w, bad, m_typed);
        QTest::keyClick(field<QAbstractSpinBox>(&w, "UpDown1"), Qt::Key_Up);
        QTest::keyClick(field<QAbstractSpinBox>(&w, "UpDown1"), Qt::Key_Down);

        const QString number = !bad.contains("Text12") ? text(&w, "Text12")
                               : m_whole               ? QString::number(*m_whole)
                                                       : QString();
        const bool blankCustomer =
            (bad.contains("Combo1") || bad.contains("Combo2")) && m_typed.trimmed().isEmpty();
        const bool accepted = !number.isEmpty() && !m_invoices.contains(number) && !blankCustomer;
        const QList<QStringList> rows = shownInvoice(w);
        click(&w, "Command3");
        // A save closes the window; a refusal leaves it open.
        QCOMPARE(!w.isVisible(), accepted);
        if (accepted) {
            m_invoices[number] = rows;
            m_lastInvoice = number;
        }
    }
}

// The other buttons, and the invoice saved last taken from the list and saved again as it
// shows: what it saves must be what was saved before.
void TestBadInput::reloadInvoice() {
    Form3 w(m_workspace);
    QVERIFY(shown(w));
    for (const char *button : {"Command4", "Command1", "Command5"})
        click(&w, button);
    auto *list = field<QListWidget>(&w, "List1");
    const QList<QListWidgetItem *> found = list->findItems(m_lastInvoice, Qt::MatchExactly);
    QVERIFY(list->isVisible() && found.size() == 1);
    list->scrollToItem(found.first());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(found.first()).center());
    QCOMPARE(w.state(), u"eski"_qs);
    click(&w, "Command3");
    QVERIFY(!w.isVisible());
}

void TestBadInput::batchWindow() {
    Form7 w(m_workspace);
    QVERIFY(shown(w));
    auto *campaigns = field<QComboBox>(&w, "Combo1");
    auto *regions = field<QComboBox>(&w, "Combo2");
    QCOMPARE(campaigns->count(), m_campaignSize.size());
    int clicks = 0;
    for (const auto &[start, end] : {std::pair(true, false), {false, true}, {true, true}}) {
        field(&w, "Text1")->setText(start ? m_typed : QString());
        field(&w, "Text2")->setText(end ? m_typed : QString());
        for (int c = -1; c < campaigns->count(); ++c) {
            for (int r : {-1, m_row % int(regions->count())}) {
                campaigns->setCurrentIndex(c);
                regions->setCurrentIndex(r);
                auto *radio = field<QWidget>(&w, ++clicks % 2 ? "AyriPdf" : "TekPdf");
                QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
                const int documents = m_printed.documents();
                const qsizetype said = m_said.size();
                clickCaption(&w, u"Yazdir"_qs);
                // No campaign: told so. A campaign: never more invoices than it holds.
                if (c < 0)
                    QCOMPARE(m_said.size(), said + 1);
                else
                    QVERIFY(m_printed.documents() - documents <=
                            m_campaignSize.value(campaigns->currentText()));
            }
        }
    }
}

void TestBadInput::settingsWindow() {
    Form5 w(m_workspace);
    QVERIFY(shown(w));
    const auto boxes = settingsBoxes(w);
    QCOMPARE(boxes.size(), w.findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly).size());
    QStringList old;
    for (const auto &b : boxes) {
        old << b.first->text();
        b.first->setText(m_typed);
    }

    // Every button with the text in every box, the preview's included.
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

    // The text in every box again (the choosers changed some), then "Kaydet" until the file
    // takes what is left: each refusal leaves the file as it was and names a box still holding
    // the text, which gets its old value back.
    QList<bool> holds(boxes.size(), true);
    for (const auto &b : boxes)
        b.first->setText(m_typed);
    while (true) {
        const QByteArray before = fileBytes(m_settings);
        const qsizetype said = m_said.size();
        clickCaption(&w, u"kaydet_dugmesi"_qs);
        QCOMPARE(m_said.size(), said + 1);
        if (!w.isVisible())
            break;
        QCOMPARE(fileBytes(m_settings), before);
        const QString &refusal = m_said.last();
        qsizetype i = 0;
        while (i < boxes.size() && !(holds.at(i) && refusal.contains(boxes.at(i).second)))
            ++i;
        QVERIFY2(i < boxes.size(), qPrintable(refusal));
        boxes.at(i).first->setText(old.at(i));
        holds[i] = false;
    }
    // Saved: 23 whole lines, and the window opened again shows what the boxes held, less the
    // blanks around a value.
    const QByteArray file = fileBytes(m_settings);
    QVERIFY(file.endsWith("\r\n"));
    QCOMPARE((QList<qsizetype>{file.count("\r\n"), file.count('\r'), file.count('\n')}),
             QList<qsizetype>(3, 23));
    const Form5 again(m_workspace);
    const auto reread = settingsBoxes(again);
    for (qsizetype i = 0; i < boxes.size(); ++i)
        QCOMPARE(reread.at(i).first->text().trimmed(), boxes.at(i).first->text().trimmed());
}

void TestBadInput::checkDatabase() {
    for (auto it = m_untouched.cbegin(); it != m_untouched.cend(); ++it)
        sameRows(dump(m_db, it.key()), it.value());
    sameRows(dump(m_db, u"SELECT * FROM MUSTERI ORDER BY rowid"_qs), m_customers);

    QMap<QString, QList<QStringList>> invoices = invoicesByNumber(m_db);
    QCOMPARE(invoices.keys(), m_invoices.keys());
    for (auto it = m_invoices.cbegin(); it != m_invoices.cend(); ++it) {
        QList<QStringList> &got = invoices[it.key()];
        // A quantity typed into the window may be saved as any finite number.
        for (qsizetype i = 0; i < std::min(got.size(), it.value().size()); ++i) {
            bool ok = false;
            if (it.value().at(i).at(9).isNull() && std::isfinite(got[i][9].toDouble(&ok)) && ok)
                got[i][9] = QString();
        }
        sameRows(got, it.value());
    }
}

QTEST_MAIN(TestBadInput)
#include "test_badinput.moc"
