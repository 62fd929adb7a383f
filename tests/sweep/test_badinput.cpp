// Mouse events go through the window system, as a user's do, so that a release belongs to
// the widget that took the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "../db/testdb.h"
#include "../invoicewin/invoicefixture.h"
#include "batch/Form7.h"
#include "customers/Form2.h"
#include "db/campaigns.h"
#include "invoice/Form3.h"
#include "settings/Form5.h"
#include "settings/onizlemepenceresi.h"
#include "tools/sampledata.h"
#include "ui/imagebutton.h"
#include "ui/messages.h"

#include <QAbstractSpinBox>
#include <QListWidget>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QToolButton>

#include <cmath>
#include <limits>

// Every entry box of the customer register, the invoice window, the batch window and the
// settings window gets each kind of bad input, and every button is pressed after it. The
// program must go on, say every refusal in plain Turkish, store exactly what was saved on
// purpose and never leave a settings file it cannot read back.

namespace {

// The cells of one grid row and the number of rows, as the invoice window shows them.
QStringList line(const QWidget *form, int row) {
    const auto *grid = field<QTableWidget>(form, "MSFlexGrid1");
    QStringList cells;
    for (int c = 0; c < grid->columnCount(); ++c)
        cells << (grid->item(row, c) ? grid->item(row, c)->text() : QString());
    return cells;
}

int gridRows(const QWidget *form) {
    return field<QTableWidget>(form, "MSFlexGrid1")->rowCount();
}

constexpr int sampleCustomers = 6;

// The invoice window's boxes besides the invoice number (saved only as a whole number not in
// use) and the customer's number and name (saved only when not blank).
const QByteArrayList freeBoxes = {"Text11", "Text16", "Text2",  "Text1", "Text13",
                                  "Text4",  "Text5",  "Text15", "Text6", "Text7"}; // kept as typed
const QByteArrayList lineBoxes = {"Text3", "Text14", "Text9", "Text10", "Text8"};  // read by EKLE

QString shownText(const QWidget *w) {
    if (const auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    return static_cast<const QComboBox *>(w)->currentText();
}

void put(QWidget *w, const QString &text) {
    if (auto *e = qobject_cast<QLineEdit *>(w))
        e->setText(text);
    else
        static_cast<QComboBox *>(w)->setEditText(text);
}

QStringList shownTexts(const QWidget *form, std::initializer_list<const char *> names) {
    QStringList t;
    for (const char *name : names)
        t << shownText(field<QWidget>(form, name));
    return t;
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
    for (const QVariantList &r : testdb::satirlar(db, sql)) {
        QStringList t;
        for (const QVariant &v : r)
            t << (v.isValid() ? v.toString() : u"<NULL>"_qs);
        rows << t;
    }
    return rows;
}

void sameRows(const QList<QStringList> &got, const QList<QStringList> &want) {
    for (qsizetype i = 0; i < std::min(got.size(), want.size()); ++i)
        QCOMPARE(got.at(i), want.at(i));
    QCOMPARE(got.size(), want.size());
}

// An invoice as the window shows it, one row per line that has a quantity, laid out as the
// table's columns after faturano. The quantity is left empty: any finite number.
QList<QStringList> shownInvoice(const QWidget &w) {
    const QStringList header =
        shownTexts(&w, {"Combo1", "Combo2", "Text11", "Text16", "Text2"}) +
        QStringList{QString::number(field<QComboBox>(&w, "Combo3")->currentIndex())} +
        shownTexts(&w, {"Text1", "Text4", "Text13"});
    QList<QStringList> rows;
    for (int r = 0; r < gridRows(&w); ++r) {
        const QStringList cells = line(&w, r);
        if (!cells.at(0).isEmpty())
            rows << header + QStringList{QString()} + cells.mid(1);
    }
    return rows;
}

// The settings boxes in the order of the file's values, each with the name a refusal gives it.
struct SettingsBox {
    QLineEdit *box;
    QString name;
};
QList<SettingsBox> settingsBoxes(const Form5 &w) {
    const std::pair<const char *, const char *> parts[] = {{"_sol_bosluk", "Sol Boşluk"},
                                                           {"_ust_bosluk", "Üst Boşluk"},
                                                           {"_yazitipi_adi", "Yazıtipi Adı"},
                                                           {"_boyutu", "Boyutu"}};
    QList<SettingsBox> boxes;
    for (const AyarSatiri &s : ayarSatirlari()) {
        QString caption = QString::fromUtf8(s.baslik);
        if (s.tek) {
            if (caption.endsWith(u':'))
                caption.chop(1);
            boxes << SettingsBox{field(&w, s.ad), caption};
            continue;
        }
        for (const auto &[suffix, part] : parts)
            boxes << SettingsBox{field(&w, (QByteArray(s.ad) + suffix).constData()),
                                 caption + u' ' + QString::fromUtf8(part)};
    }
    return boxes;
}

// Why a message is no clear Turkish text; empty when it is one. What the user typed may be
// quoted back (a long text only in part); the rest is the program's own text.
QString unclear(const QString &message, const QString &typed) {
    QString own = message;
    for (const QString &t : {typed, typed.trimmed()}) {
        if (!t.isEmpty())
            own.remove(t);
    }
    own = own.trimmed();
    static const QRegularExpression placeholder(u"%\\d"_qs);
    // A Turkish letter, or an ending no English word has: "giriniz", "misiniz", "Kaydedildi".
    static const QRegularExpression turkish(u"[çğıöşüÇĞİÖŞÜ]|\\w(iniz|[dt]i)\\b"_qs);
    if (own.isEmpty())
        return u"no text of its own"_qs;
    if (own.contains(placeholder))
        return u"a placeholder left in it"_qs;
    if (!own.contains(turkish))
        return u"not Turkish"_qs;
    if (own.contains(u"::"_qs) || message.trimmed().endsWith(u':'))
        return u"a name without its value"_qs;
    if (message.size() > 300)
        return u"too long to read"_qs;
    return {};
}

// A figure that became not-a-number or infinity.
const QRegularExpression brokenFigure(u"\\b(nan|inf|infinity)\\b"_qs,
                                      QRegularExpression::CaseInsensitiveOption);
const QRegularExpression moneyFigure(u"^-?\\d{1,3}(\\.\\d{3})*,\\d\\d$"_qs);
const QRegularExpression plainFigure(u"^-?\\d+(,\\d+)?(E[+-]\\d+)?$"_qs);

const QString customersSql = u"SELECT * FROM MUSTERI ORDER BY rowid"_qs;
const QString invoicesSql =
    u"SELECT faturano, musterino, adi_soyadi, adresi, adresi2, vergidaire_no, kdvdahil, "
    "fatura_tarihi, irsaliye_no, irsaliye_tarihi, miktar, aciklama, iskonto, br_fiyat, tutar "
    "FROM faturalar ORDER BY rowid"_qs;
const QString schemaSql = u"SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name"_qs;

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void sweep_data();
    void sweep();

private:
    void customerRegister();
    void invoice(const QByteArrayList &bad, int variant);
    void reloadInvoice();
    void batchWindow();
    void settingsWindow();
    void checkDatabase();

    bool customerInUse(qint64 n) const;

    QTemporaryDir m_dir;
    QString m_oldDir;
    QString m_db;
    QString m_settings;
    int m_row = 0;
    QString m_typed;
    std::optional<qint64> m_whole; // what a number box takes m_typed for

    struct Said {
        QString where;
        QString text;
    };
    QList<Said> m_said;
    QString m_where;
    QHash<QString, int> m_asked;
    RecordingPrinter m_printed;

    // What the database must hold: the rows before the sweep and every save since.
    QList<QStringList> m_schema;
    QMap<QString, QList<QStringList>> m_otherTables;
    QList<QStringList> m_customers;
    QMap<QString, QList<QStringList>> m_invoices; // by number
    QString m_lastInvoice;
    QHash<QString, int> m_campaignSize;
};

void TestBadInput::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    const ayarlar a = varsayilanAyarlar();
    ayarlari_yaz(a);
    m_settings = m_dir.filePath(ayarDosyasi());
    m_db = m_dir.filePath(veritabaniYolu(a.veritabani_yolu));
    OrnekVeri sample;
    sample.musteri = sampleCustomers;
    sample.fatura = 4;
    sample.kampanyaFatura = 8;
    sample.kalem = 3;
    ornekVeritabaniYaz(m_db, sample);
    {
        Veritabani db(m_db, Veritabani::Erisim::Yazma);
        db.islem([&] { ornekKampanyaYaz(db, u"KAMPANYA2"_qs, 3, 2, false, 7, 2024); });
        for (const QString &c : kampanyalar(db))
            m_campaignSize[c] = kampanyaFaturaSayisi(db, c, {});
    }
    QCOMPARE(m_campaignSize.size(), 2);

    m_schema = dump(m_db, schemaSql);
    for (const QStringList &t : m_schema) {
        if (t.at(0) == u"table" && t.at(1) != u"MUSTERI" && t.at(1) != u"faturalar")
            m_otherTables[t.at(1)] =
                dump(m_db, u"SELECT * FROM \"%1\" ORDER BY rowid"_qs.arg(t.at(1)));
    }
    m_customers = dump(m_db, customersSql);
    for (QStringList r : dump(m_db, invoicesSql))
        m_invoices[r.takeFirst()] << r;

    Messages::setTestHandler([this](const Messages::Message &m) {
        m_said << Said{m_where, m.text};
        // Yes, then No, then Yes to each question: both ways run.
        return m.kind == Messages::Kind::Question && m_asked[m.text]++ % 2 == 0;
    });
    const auto recorder = [this] {
        PrintTarget t;
        t.printer = std::make_unique<Recorder>(m_printed);
        return t;
    };
    Form3::setPrintTargetFactory([recorder](const QString &) { return recorder(); });
    Form7::setPrintTargetFactory(
        [recorder](const QString &, PdfPrinter::Mode) { return recorder(); });
    // The choosers bring the typed text too: as a path, as a font's name.
    Form5::setFileChooser([this](QWidget *) { return std::optional<QString>(m_typed); });
    Form5::setFontChooser([this](QWidget *) {
        QFont f;
        f.setFamily(m_typed);
        return std::optional<QFont>(f);
    });
}

void TestBadInput::cleanupTestCase() {
    Form3::setPrintTargetFactory({});
    Form7::setPrintTargetFactory({});
    Form5::setFileChooser({});
    Form5::setFontChooser({});
    Messages::setTestHandler({});
    QDir::setCurrent(m_oldDir);
}

void TestBadInput::sweep_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("whole"); // the whole number a number box takes it for
    const auto row = [](const char *name, const QString &typed, const QVariant &whole = {}) {
        QTest::newRow(name) << typed << whole;
    };
    const auto ch = [](char16_t c) { return QString(QChar(c)); };
    row("empty", u""_qs);
    row("blanks", u"   "_qs);
    row("apostrophe", u"'"_qs);
    row("double quote", u"\""_qs);
    row("both quotes", u"O'Neil \"Ltd\" '"_qs);
    row("sql or", u"1 or 1=1"_qs);
    row("sql drop", u"'; DROP TABLE faturalar; --"_qs);
    row("sql delete", u"1; DELETE FROM MUSTERI"_qs);
    row("sql quoted or", u"x' OR '1'='1"_qs);
    row("sql schema", u"\"); DROP TABLE MUSTERI; UPDATE sqlite_master SET sql=''; --"_qs);
    row("10000 characters", QString(u"Ab'ç,\" "_qs).repeated(1430).left(10000));
    row("10000 digits", QString(10000, u'9'));
    row("letters", u"abc"_qs);
    row("digits then letters", u"12abc"_qs);
    row("nan", u"nan"_qs);
    row("inf", u"inf"_qs);
    row("-inf", u"-inf"_qs);
    row("Infinity", u"Infinity"_qs);
    row("1e400", u"1e400"_qs);
    row("1e-400", u"1e-400"_qs);
    row("exponent", u"1E5"_qs);
    row("negative", u"-5"_qs, -5);
    row("negative money", u"-12,50"_qs);
    row("20+ digits", u"123456789012345678901234"_qs);
    row("400 digits money", QString(400, u'9') + u",99"_qs);
    row("two commas", u"1,2,3"_qs);
    row("two dots", u"1.2.3"_qs);
    row("grouped money", u"1.234,56"_qs);
    row("number in blanks", u" 4200000 "_qs, 4200000);
    row("zero", u"0"_qs, 0);
    row("smallest whole number", u"-9223372036854775808"_qs, std::numeric_limits<qint64>::min());
    row("turkish letters", u"İıŞşĞğÜüÖöÇç"_qs);
    row("arabic", u"فاتورة ١٢٣"_qs);
    row("arabic digits", u"١٢٣"_qs);
    row("chinese", u"发票"_qs);
    row("emoji", u"🧾😀"_qs);
    row("tab", u"a\tb"_qs);
    row("nul", u"a"_qs + ch(0) + u"b"_qs);
    row("cr lf", u"a\r\nb"_qs);
    row("escape", ch(0x1b) + u"[31m"_qs);
    row("right to left mark", ch(0x202e) + u"abc"_qs);
    row("lone comma", u","_qs);
    row("lone dot", u"."_qs);
    row("percent", u"%"_qs);
    row("double dash", u"--"_qs);
    row("backslashes", u"\\\\"_qs);
    row("absolute path", u"/etc/passwd"_qs);
    row("relative path", u"../../x"_qs);
    row("html", u"<b>x</b>"_qs);
    row("placeholders", u"%1 %2"_qs);
    // Last: no number can be proposed above it, so every later save would be refused.
    row("largest whole number", u"9223372036854775807"_qs, std::numeric_limits<qint64>::max());
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

    // Every box of the invoice at once comes first, so that a whole number saves with the rest.
    const QList<std::function<void()>> steps = {
        [&] { customerRegister(); },
        [&] {
            invoice(QByteArrayList{"Text12", "Combo1", "Combo2"} + freeBoxes + lineBoxes, m_row);
        },
        [&] { invoice({"Text12"}, m_row + 1); },
        [&] { invoice({"Combo1"}, m_row + 2); },
        [&] { invoice({"Combo2"}, m_row + 3); },
        [&] { invoice(freeBoxes + lineBoxes, m_row + 4); },
        [&] { reloadInvoice(); },
        [&] { batchWindow(); },
        [&] { settingsWindow(); }};
    for (const auto &step : steps) {
        step();
        if (QTest::currentTestFailed())
            return;
    }

    for (const Said &s : m_said) {
        const QString why = unclear(s.text, m_typed);
        QVERIFY2(why.isEmpty(),
                 qPrintable(u"%1: %2: \"%3\""_qs.arg(s.where, why, s.text.left(300))));
    }
    if (!brokenFigure.match(m_typed).hasMatch()) {
        for (const RecordingPrinter::Line &l : m_printed.lines())
            QVERIFY2(!brokenFigure.match(l.text).hasMatch(), qPrintable(l.text));
    }
    checkDatabase();
}

bool TestBadInput::customerInUse(qint64 n) const {
    return std::any_of(m_customers.begin(), m_customers.end(),
                       [&](const QStringList &r) { return r.at(0) == QString::number(n); });
}

void TestBadInput::customerRegister() {
    const auto boxTexts = [](const Form2 &w) {
        return shownTexts(&w, {"Combo1", "Combo2", "Text1", "Text2", "Text3"});
    };
    // A stored customer picked, then a number typed over it: neither a delete (asked twice,
    // so that both answers run) nor a change may reach any row.
    {
        QVERIFY2(!m_whole || !customerInUse(*m_whole), "the input names a stored customer");
        Form2 w;
        QVERIFY(shown(w));
        pick(field<QComboBox>(&w, "Combo1"), m_row % sampleCustomers);
        QVERIFY(field<QPushButton>(&w, "Command2")->isEnabled());
        put(field<QWidget>(&w, "Combo1"), m_typed);
        for (const char *button : {"Command2", "Command2", "Command1"}) {
            m_where = u"Form2 Combo1 after a pick, "_qs + QLatin1String(button);
            click(&w, button);
        }
    }
    // A new customer: the text in the number, in the name, in the three other boxes.
    std::optional<QStringList> named; // the customer saved under the typed name
    for (const QByteArrayList &bad : {QByteArrayList{"Combo1"}, QByteArrayList{"Combo2"},
                                      QByteArrayList{"Text1", "Text2", "Text3"}}) {
        Form2 w;
        QVERIFY(shown(w));
        QSignalSpy saved(&w, &Form2::musteriKaydedildi);
        put(field<QWidget>(&w, "Combo2"), u"Deneme Müşteri"_qs);
        for (const char *box : {"Text1", "Text2", "Text3"})
            put(field<QWidget>(&w, box), QLatin1String(box));
        for (const QByteArray &box : bad)
            put(field<QWidget>(&w, box), m_typed);
        QStringList row = boxTexts(w);
        const std::optional<qint64> number =
            bad.contains("Combo1") ? m_whole : std::optional<qint64>(row.at(0).toLongLong());
        if (number)
            row[0] = QString::number(*number);
        const bool accepted = number && !customerInUse(*number) && !row.at(1).isEmpty();
        m_where = u"Form2 "_qs + QString::fromLatin1(bad.join('+')) + u", KAYDET"_qs;
        click(&w, "Command1");
        QCOMPARE(saved.count(), accepted ? 1 : 0);
        if (accepted)
            m_customers << row;
        if (accepted && bad.contains("Combo2"))
            named = row;
    }
    // Picked by that name, the customer shows as saved.
    if (named) {
        Form2 w;
        QVERIFY(shown(w));
        auto *names = field<QComboBox>(&w, "Combo2");
        const int i = names->findText(m_typed);
        QVERIFY(i >= 0);
        m_where = u"Form2 Combo2 pick"_qs;
        pick(names, i);
        QCOMPARE(w.mod(), u"eski"_qs);
        QCOMPARE(boxTexts(w), *named);
    }
}

// A stored customer picked, one good line added, the text typed into each line box in turn
// (EKLE after each), then into the other boxes of `bad`; the VAT rate stepped up and down,
// and KAYDET YAZDIR.
void TestBadInput::invoice(const QByteArrayList &bad, int variant) {
    Form3 w;
    QVERIFY(shown(w));
    const QString where = u"Form3 "_qs + QString::fromLatin1(bad.size() == 1 ? bad[0] : "boxes");
    m_where = where + u", picks"_qs;
    pick(field<QComboBox>(&w, "Combo1"), variant % sampleCustomers);
    field<QComboBox>(&w, "Combo3")->setCurrentIndex(variant % 2);
    addLine(&w, u"Kalem"_qs, {}, u"2"_qs, u"12,50"_qs);
    QCOMPARE(gridRows(&w), 2);
    // The proposal never goes below a stored number.
    const qint64 proposed = text(&w, "Text12").toLongLong();
    for (const QString &n : m_invoices.keys())
        QVERIFY2(proposed >= n.toLongLong(), qPrintable(text(&w, "Text12")));

    for (const QByteArray &box : bad) {
        if (!lineBoxes.contains(box))
            continue;
        addLine(&w, u"Kalem 2"_qs, {}, u"1"_qs, u"5"_qs);
        put(field<QWidget>(&w, box), m_typed);
        m_where = where + u" "_qs + QString::fromLatin1(box) + u", EKLE"_qs;
        const int rows = gridRows(&w);
        const qsizetype said = m_said.size();
        click(&w, "Command2");
        const bool added = gridRows(&w) == rows + 1;
        // Either a line or a message saying why not.
        QVERIFY2(added != (m_said.size() > said), qPrintable(m_where));
        if (added) {
            for (const QString &money :
                 {line(&w, rows - 1).at(4), text(&w, "Text5"), text(&w, "Text7")})
                QVERIFY2(moneyFigure.match(money).hasMatch(), qPrintable(money));
            QVERIFY2(plainFigure.match(text(&w, "Text15")).hasMatch(),
                     qPrintable(text(&w, "Text15")));
            const QString vat = text(&w, "Text6");
            QVERIFY2(vat == u"Dahil" || moneyFigure.match(vat).hasMatch(), qPrintable(vat));
        }
    }
    for (const QByteArray &box : bad) {
        if (!lineBoxes.contains(box))
            put(field<QWidget>(&w, box), m_typed);
    }
    m_where = where + u", UpDown1"_qs;
    auto *arrows = field<QAbstractSpinBox>(&w, "UpDown1");
    QTest::keyClick(arrows, Qt::Key_Up);
    QTest::keyClick(arrows, Qt::Key_Down);

    const QString number = !bad.contains("Text12") ? text(&w, "Text12")
                           : m_whole               ? QString::number(*m_whole)
                                                   : QString();
    const bool blankCustomer =
        (bad.contains("Combo1") || bad.contains("Combo2")) && m_typed.trimmed().isEmpty();
    const bool accepted = !number.isEmpty() && !m_invoices.contains(number) && !blankCustomer;
    const QList<QStringList> rows = shownInvoice(w);
    m_where = where + u", KAYDET YAZDIR"_qs;
    click(&w, "Command3");
    // A save closes the window; a refusal leaves it open.
    QCOMPARE(!w.isVisible(), accepted);
    if (accepted) {
        m_invoices[number] = rows;
        m_lastInvoice = number;
    }
}

// The invoice saved last, taken from the list, shows as it was saved and saves again as it
// is; the other buttons run on the way.
void TestBadInput::reloadInvoice() {
    QVERIFY(!m_lastInvoice.isEmpty());
    Form3 w;
    QVERIFY(shown(w));
    QSignalSpy wanted(&w, &Form3::yeniMusteriIstendi);
    m_where = u"Form3 Yeni Aç, YENİ FATURA, Liste"_qs;
    click(&w, "Command4");
    QCOMPARE(wanted.count(), 1);
    click(&w, "Command1");
    click(&w, "Command5");
    auto *list = field<QListWidget>(&w, "List1");
    QTRY_VERIFY(list->isVisible());
    const QList<QListWidgetItem *> found = list->findItems(m_lastInvoice, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    list->scrollToItem(found.first());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(found.first()).center());
    QCOMPARE(w.state(), u"eski"_qs);
    sameRows(shownInvoice(w), m_invoices.value(m_lastInvoice));
    m_where = u"Form3 saved again"_qs;
    click(&w, "Command3");
    QVERIFY(!w.isVisible());
}

void TestBadInput::batchWindow() {
    Form7 w;
    QVERIFY(shown(w));
    auto *campaigns = field<QComboBox>(&w, "Combo1");
    auto *regions = field<QComboBox>(&w, "Combo2");
    QCOMPARE(campaigns->count(), m_campaignSize.size());
    const char *const radios[] = {"TekPdf", "AyriPdf"};
    int clicks = 0;
    for (const auto &[start, end] : {std::pair(true, false), {false, true}, {true, true}}) {
        field(&w, "Text1")->setText(start ? m_typed : QString());
        field(&w, "Text2")->setText(end ? m_typed : QString());
        for (int c = -1; c < campaigns->count(); ++c) {
            for (int r : {-1, m_row % int(regions->count())}) {
                campaigns->setCurrentIndex(c);
                regions->setCurrentIndex(r);
                auto *radio = field<QRadioButton>(&w, radios[++clicks % 2]);
                QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(8, radio->height() / 2));
                QVERIFY(radio->isChecked());
                m_where = u"Form7 Text1 %1 Text2 %2 campaign %3 region %4, Yazdır"_qs.arg(start)
                              .arg(end)
                              .arg(c)
                              .arg(r);
                const int documents = m_printed.documents();
                const qsizetype said = m_said.size();
                clickCaption(&w, u"Yazdir"_qs);
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
    const QByteArray original = fileBytes(m_settings);
    const auto restore = qScopeGuard([&] {
        QFile f(m_settings);
        if (!f.open(QIODevice::WriteOnly) || f.write(original) != original.size())
            qWarning("settings file not restored");
    });
    Form5 w;
    QVERIFY(shown(w));
    const QList<SettingsBox> boxes = settingsBoxes(w);
    QCOMPARE(boxes.size(), w.findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly).size());
    QStringList old;
    for (const SettingsBox &b : boxes) {
        old << b.box->text();
        b.box->setText(m_typed);
    }

    // Every button with the text in every box, the preview's included.
    for (ImageButton *b : w.findChildren<ImageButton *>()) {
        if (b->objectName() == u"kaydet_dugmesi")
            continue;
        m_where = u"Form5 "_qs + b->objectName();
        clickCaption(&w, b->objectName());
    }
    for (QToolButton *b : w.findChildren<QToolButton *>()) {
        m_where = u"Form5 "_qs + b->objectName();
        QTest::mouseClick(b, Qt::LeftButton);
    }
    auto *preview = w.findChild<Onizleme *>();
    QVERIFY(preview);
    QVERIFY(QTest::qWaitForWindowExposed(preview));
    for (QPushButton *b : preview->findChildren<QPushButton *>()) {
        m_where = u"Önizleme "_qs + b->objectName();
        QTest::mouseClick(b, Qt::LeftButton);
        preview->grab();
    }
    preview->close();

    // The text in every box again (the choosers changed some), then "Kaydet" until the file
    // takes what is left: each refusal leaves the file as it was and names a box holding the
    // text, which gets its old value back.
    QList<bool> holds;
    for (const SettingsBox &b : boxes) {
        b.box->setText(m_typed);
        holds << true;
    }
    for (m_where = u"Form5 Kaydet"_qs;;) {
        const QByteArray before = fileBytes(m_settings);
        const qsizetype said = m_said.size();
        clickCaption(&w, u"kaydet_dugmesi"_qs);
        QCOMPARE(m_said.size(), said + 1);
        if (!w.isVisible())
            break;
        QCOMPARE(fileBytes(m_settings), before);
        const QString &refusal = m_said.last().text;
        qsizetype i = 0;
        while (i < boxes.size() && !(holds.at(i) && refusal.contains(boxes.at(i).name)))
            ++i;
        QVERIFY2(i < boxes.size(), qPrintable(refusal));
        boxes.at(i).box->setText(old.at(i));
        holds[i] = false;
    }
    // Saved: a whole file, and opened again the window shows what the boxes held, less
    // blanks around a value.
    const QByteArray file = fileBytes(m_settings);
    QVERIFY(file.endsWith("\r\n"));
    QCOMPARE(file.count("\r\n"), 23);
    QCOMPARE(file.count('\n'), 23);
    QCOMPARE(file.count('\r'), 23);
    const Form5 again;
    const QList<SettingsBox> reread = settingsBoxes(again);
    for (qsizetype i = 0; i < boxes.size(); ++i)
        QCOMPARE(reread.at(i).box->text().trimmed(), boxes.at(i).box->text().trimmed());
}

void TestBadInput::checkDatabase() {
    sameRows(dump(m_db, schemaSql), m_schema);
    for (auto it = m_otherTables.cbegin(); it != m_otherTables.cend(); ++it)
        sameRows(dump(m_db, u"SELECT * FROM \"%1\" ORDER BY rowid"_qs.arg(it.key())), it.value());
    sameRows(dump(m_db, customersSql), m_customers);

    QMap<QString, QList<QStringList>> invoices;
    for (QStringList r : dump(m_db, invoicesSql))
        invoices[r.takeFirst()] << r;
    QCOMPARE(invoices.keys(), m_invoices.keys());
    for (auto it = m_invoices.cbegin(); it != m_invoices.cend(); ++it) {
        QList<QStringList> got = invoices.value(it.key());
        for (qsizetype i = 0; i < std::min(got.size(), it.value().size()); ++i) {
            // A quantity saved from the window is any finite number.
            if (it.value().at(i).at(9).isNull()) {
                bool ok = false;
                QVERIFY2(std::isfinite(got[i][9].toDouble(&ok)) && ok, qPrintable(got[i][9]));
                got[i][9] = QString();
            }
        }
        sameRows(got, it.value());
    }
}

QTEST_MAIN(TestBadInput)
#include "test_badinput.moc"
