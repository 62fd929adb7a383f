// Mouse events go through the window system, as a user's do, so that a release belongs to
// the widget that took the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "app/windows.h"
#include "settings/Form5.h"
#include "ui/imagebutton.h"
#include "ui/messages.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QToolButton>

#include <memory>

namespace {

const QString saved = u"Ayarlar Kaydedildi."_qs;

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file's lines without their CR LF; `complete` tells whether every line had one.
QStringList fileLines(const QString &path, bool *complete = nullptr) {
    const QByteArray bytes = readAll(path);
    if (complete)
        *complete = bytes.endsWith("\r\n") && bytes.count("\r\n") == bytes.count('\n');
    QStringList lines =
        QTextCodec::codecForName("Windows-1254")->toUnicode(bytes).split(u"\r\n"_qs);
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QLineEdit *box(QWidget *w, const QString &name) {
    return w->findChild<QLineEdit *>(name);
}

ImageButton *button(QWidget *w, const QString &name) {
    return w->findChild<ImageButton *>(name);
}

void clickCaption(ImageButton *b) {
    QTest::mouseClick(b, Qt::LeftButton, {}, b->captionRect().center());
}

void save(QWidget *w) {
    clickCaption(button(w, u"kaydet_dugmesi"_qs));
}

// The widgets of type T whose middle lies within the height of `row`, left to right.
template <class T> QList<T *> onTheRowOf(QWidget *w, QWidget *row) {
    QList<T *> found;
    for (T *c : w->findChildren<T *>()) {
        if (c->geometry().center().y() >= row->y() &&
            c->geometry().center().y() <= row->geometry().bottom())
            found << c;
    }
    std::sort(found.begin(), found.end(), [](QWidget *a, QWidget *b) { return a->x() < b->x(); });
    return found;
}

} // namespace

class TestForm5 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void missingOrShortFile_data();
    void missingOrShortFile();
    void savedAndLoadedAgain_data();
    void savedAndLoadedAgain();
    void hiddenAfterSaveClosedByTheFrame();
    void fontChoiceLandsInTheRowsLine_data();
    void fontChoiceLandsInTheRowsLine();
    void cancelledChoosersLeaveTheBoxes();
    void pressAndRelease_data();
    void pressAndRelease();
    void lineSpacingArrows_data();
    void lineSpacingArrows();
    void unwritableValueStopsTheSave_data();
    void unwritableValueStopsTheSave();
    void captionsFitAndNothingOverlaps();

private:
    QString settingsPath() const { return m_dir.filePath(u"ayarlar.dat"_qs); }
    std::unique_ptr<Form5> shownWindow();

    QTemporaryDir m_dir;
    QString m_oldDir;
    QList<Messages::Message> m_messages;
    int m_choices = 0;
    std::optional<QString> m_nextFile;
    std::optional<QFont> m_nextFont;
};

void TestForm5::init() {
    QVERIFY(m_dir.isValid());
    QFile::remove(settingsPath());
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    m_messages.clear();
    Messages::setTestHandler([this](const Messages::Message &m) { return m_messages << m, true; });
    m_choices = 0;
    m_nextFile.reset();
    m_nextFont.reset();
    Form5::setFileChooser([this](QWidget *) { return ++m_choices, m_nextFile; });
    Form5::setFontChooser([this](QWidget *) { return ++m_choices, m_nextFont; });
}

void TestForm5::cleanup() {
    Form5::setFileChooser({});
    Form5::setFontChooser({});
    Messages::setTestHandler({});
    QDir::setCurrent(m_oldDir);
}

std::unique_ptr<Form5> TestForm5::shownWindow() {
    auto w = std::make_unique<Form5>();
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("window not exposed");
    return w;
}

void TestForm5::missingOrShortFile_data() {
    QTest::addColumn<QByteArray>("content"); // null: no file
    QTest::addColumn<QStringList>("filled"); // name=value of the boxes that get a value
    QTest::newRow("no file") << QByteArray() << QStringList();
    QTest::newRow("two lines") << QByteArray("18\r\nfatura.MDB\r\n")
                               << QStringList{u"kdv_yuzde=18"_qs, u"veritabani_yolu=fatura.MDB"_qs};
    QTest::newRow("ends inside the third line")
        << QByteArray("18\r\nx.db\r\n600           2400")
        << QStringList{u"kdv_yuzde=18"_qs, u"veritabani_yolu=x.db"_qs,
                       u"yer_adi_soyadi_sol_bosluk=600"_qs, u"yer_adi_soyadi_ust_bosluk=2400"_qs};
}

void TestForm5::missingOrShortFile() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, filled);
    if (!content.isNull()) {
        QFile f(settingsPath());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }
    auto w = shownWindow();
    QVERIFY(m_messages.isEmpty());
    const QList<QLineEdit *> boxes = w->findChildren<QLineEdit *>();
    QCOMPARE(boxes.size(), 68);
    QSet<QString> names;
    for (QLineEdit *b : boxes) {
        names << b->objectName();
        const QStringList match =
            filled.filter(QRegularExpression(u"^"_qs + b->objectName() + u'='));
        QCOMPARE(b->text(), match.isEmpty() ? QString() : match[0].section(u'=', 1));
        QCOMPARE(b->cursorPosition(), 0); // a long value shows from its beginning
    }
    QCOMPARE(names.size(), 68);

    save(w.get());
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, saved);
    QCOMPARE(m_messages[0].title, u"Ayarlar"_qs);
    QCOMPARE(int(m_messages[0].kind), int(Messages::Kind::Info));
    QVERIFY(w->isHidden());
    bool complete = false;
    QCOMPARE(fileLines(settingsPath(), &complete).size(), 23);
    QVERIFY(complete);
}

void TestForm5::savedAndLoadedAgain_data() {
    // Margin, face, size and single value; %1 becomes a number that differs from box to box,
    // so a value on the wrong line shows.
    QTest::addColumn<QStringList>("kinds");
    QTest::newRow("plain") << QStringList{u"%1"_qs, u"Font %1"_qs, u"%1"_qs, u"%1"_qs};
    // Blanks after a margin run past its 14 columns; they must not push the next field.
    QTest::newRow("trailing blanks, font names too")
        << QStringList{u"  %1"_qs + QString(12, u' '), u" Font  %1"_qs + QString(45, u' '),
                       u"%1      "_qs, u"%1 0   "_qs};
    QTest::newRow("at the limits") << QStringList{u"12345678901%1"_qs, QString(48, u'F') + u"%1"_qs,
                                                  u"123%1"_qs, u"%1"_qs + QString(60, u'9')};
    QTest::newRow("Turkish letters, commas")
        << QStringList{u"%1"_qs, u"Çağ Şıö İğü %1"_qs, u"%1,5"_qs, u"Yol, İş %1  "_qs};
}

void TestForm5::savedAndLoadedAgain() {
    QFETCH(QStringList, kinds);
    QHash<QString, QString> typed;
    {
        auto w = shownWindow();
        int n = 10;
        for (QLineEdit *b : w->findChildren<QLineEdit *>()) {
            const QString name = b->objectName();
            const int kind = !name.startsWith(u"yer_"_qs)         ? 3
                             : name.endsWith(u"_bosluk"_qs)       ? 0
                             : name.endsWith(u"_yazitipi_adi"_qs) ? 1
                                                                  : 2;
            b->setText(kinds[kind].arg(n++));
            typed[name] = b->text();
        }
        save(w.get());
        QCOMPARE(m_messages.size(), 1);
    }
    // The fixed columns hold whatever blanks were typed.
    const QString line23 = fileLines(settingsPath()).value(22);
    QCOMPARE(line23.mid(28, 50).trimmed(), typed[u"yer_fatura_no_yazitipi_adi"_qs].trimmed());
    QCOMPARE(line23.mid(84), typed[u"yer_fatura_no_boyutu"_qs].trimmed());

    auto again = shownWindow();
    for (QLineEdit *b : again->findChildren<QLineEdit *>()) {
        QString expected = typed.value(b->objectName());
        while (expected.endsWith(u' '))
            expected.chop(1);
        QCOMPARE(b->text(), expected);
    }
}

void TestForm5::hiddenAfterSaveClosedByTheFrame() {
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    Windows windows;
    Form5 *w = windows.openSettings();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    box(w, u"kdv_yuzde"_qs)->setText(u"8"_qs);
    save(w);
    QVERIFY(w->isHidden());
    // Opened again it shows its boxes as they were, without reading the changed file.
    QVERIFY(QFile::remove(settingsPath()));
    QCOMPARE(windows.openSettings(), w);
    QVERIFY(w->isVisible());
    QCOMPARE(box(w, u"kdv_yuzde"_qs)->text(), u"8"_qs);
    QCOMPARE(box(w, u"yer_adresi_yazitipi_adi"_qs)->text(), u"Arial"_qs);

    // Closed by its frame, edits are lost without a word; the next opening reads the file.
    ayarlar changed = varsayilanAyarlar();
    changed.marj_miktar = u"750"_qs;
    ayarlari_yaz(changed, settingsPath());
    box(w, u"kdv_yuzde"_qs)->setText(u"1"_qs);
    QVERIFY(w->close());
    QTRY_VERIFY(!windows.settings());
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(ayarlari_oku(23, settingsPath()), changed);
    w = windows.openSettings();
    QCOMPARE(box(w, u"kdv_yuzde"_qs)->text(), changed.kdv_yuzde);
    QCOMPARE(box(w, u"marj_miktar"_qs)->text(), u"750"_qs);
}

void TestForm5::fontChoiceLandsInTheRowsLine_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("row"); // counted from the top
    const std::pair<const char *, int> rows[] = {
        {"Adı Soyadı:", 3},      {"Adresi:", 4},           {"Vergi Dairesi:", 5},
        {"Dağıtım Bölgesi:", 6}, {"Fatura No:", 23},       {"Fatura Tarihi:", 7},
        {"İrsaliye No:", 21},    {"İrsaliye Tarihi:", 22}, {"Fatura Hareketleri:", 8},
        {"İskonto:", 9},         {"Kdv Oranı:", 10},       {"Ara Toplam:", 11},
        {"KDV Tutarı:", 12},     {"Genel Toplam:", 13},    {"Yazı İle:", 14}};
    int row = 0;
    for (const auto &[caption, line] : rows)
        QTest::newRow(caption) << QString::fromUtf8(caption) << line << ++row;
}

void TestForm5::fontChoiceLandsInTheRowsLine() {
    QFETCH(QString, caption);
    QFETCH(int, line);
    QFETCH(int, row);
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    auto w = shownWindow();

    // The row as the user sees it: the caption, four boxes, then the "Yazıtipi" button.
    QLabel *label = nullptr;
    for (QLabel *l : w->findChildren<QLabel *>())
        label = l->text() == caption ? l : label;
    QVERIFY(label);
    const QList<QLineEdit *> boxes = onTheRowOf<QLineEdit>(w.get(), label);
    const QList<ImageButton *> buttons = onTheRowOf<ImageButton>(w.get(), label);
    QCOMPARE(boxes.size(), 4);
    QCOMPARE(buttons.size(), 1);
    QVERIFY(label->geometry().right() < boxes[0]->x());
    int above = 0;
    for (ImageButton *b : w->findChildren<ImageButton *>())
        above += b->caption() == u"Yazıtipi"_qs && b->y() < buttons[0]->y();
    QCOMPARE(above + 1, row);

    QFont chosen(u"Courier New"_qs);
    chosen.setPointSizeF(13.5);
    m_nextFont = chosen;
    clickCaption(buttons[0]);
    QCOMPARE(boxes[2]->text(), u"Courier New"_qs);
    QCOMPARE(boxes[3]->text(), u"13,5"_qs);
    QCOMPARE(ayarlari_oku(23, settingsPath()), varsayilanAyarlar()); // only "Kaydet" writes
    save(w.get());
    const QStringList lines = fileLines(settingsPath());
    QCOMPARE(lines[line - 1].mid(28), u"Courier New"_qs.leftJustified(56) + u"13,5"_qs);
    QCOMPARE(lines.join(u'|').count(u"Courier"_qs), 1);
}

void TestForm5::cancelledChoosersLeaveTheBoxes() {
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    auto w = shownWindow();
    ImageButton *gozat = button(w.get(), u"gozat_dugmesi"_qs);
    ImageButton *font = button(w.get(), u"yer_kdv_tutari_yazitipi_dugmesi"_qs);
    QLineEdit *path = box(w.get(), u"veritabani_yolu"_qs);
    QLineEdit *face = box(w.get(), u"yer_kdv_tutari_yazitipi_adi"_qs);
    QLineEdit *size = box(w.get(), u"yer_kdv_tutari_boyutu"_qs);
    clickCaption(gozat);
    clickCaption(font);
    QCOMPARE(m_choices, 2);
    QCOMPARE(path->text(), u"fatura.MDB"_qs);
    QCOMPARE(face->text() + size->text(), u"Arial10"_qs);

    m_nextFile = m_dir.filePath(u"Yedek Şirket.db"_qs);
    m_nextFont = QFont(u"Nimbus Sans"_qs, 9);
    clickCaption(gozat);
    clickCaption(font);
    QCOMPARE(path->text(), QDir::toNativeSeparators(*m_nextFile));
    QCOMPARE(face->text() + u'|' + size->text(), u"Nimbus Sans|9"_qs);
}

void TestForm5::pressAndRelease_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("onCaption");
    QTest::addColumn<bool>("acts");
    QTest::newRow("Gözat") << "gozat_dugmesi" << true << true;
    QTest::newRow("Gözat, beside its caption") << "gozat_dugmesi" << false << true;
    QTest::newRow("Yazıtipi") << "yer_genel_toplam_yazitipi_dugmesi" << true << true;
    QTest::newRow("Yazıtipi, beside its caption")
        << "yer_genel_toplam_yazitipi_dugmesi" << false << false;
    QTest::newRow("Kaydet") << "kaydet_dugmesi" << true << true;
    QTest::newRow("Kaydet, beside its caption") << "kaydet_dugmesi" << false << false;
}

void TestForm5::pressAndRelease() {
    QFETCH(QString, name);
    QFETCH(bool, onCaption);
    QFETCH(bool, acts);
    m_nextFile = u"başka.db"_qs;
    m_nextFont = QFont(u"Courier New"_qs, 12);
    auto w = shownWindow();
    ImageButton *b = button(w.get(), name);
    const QPoint at = onCaption ? b->captionRect().center() : QPoint(2, b->height() - 3);
    QVERIFY(b->captionRect().contains(at) == onCaption);
    const QImage before = b->grab().toImage();
    QTest::mousePress(b, Qt::LeftButton, {}, at);
    QCOMPARE(b->grab().toImage() != before, acts); // the pressed picture, or nothing at all

    // Off the button, across the boxes, released over another button's caption.
    ImageButton *other = button(w.get(), u"yer_adi_soyadi_yazitipi_dugmesi"_qs);
    QTest::mouseMove(w.get(), QPoint(20, 20));
    QTest::mouseMove(other, other->captionRect().center());
    QTest::mouseRelease(other, Qt::LeftButton, {}, other->captionRect().center());
    QCOMPARE(b->grab().toImage() == before, true);

    QCOMPARE(m_choices + int(m_messages.size()), acts ? 1 : 0);
    QCOMPARE(QFile::exists(settingsPath()), acts && name == u"kaydet_dugmesi");
    QCOMPARE(w->isVisible(), !(acts && name == u"kaydet_dugmesi"));
    QCOMPARE(box(w.get(), u"veritabani_yolu"_qs)->text().isEmpty(), !(acts && name[0] == u'g'));
    QCOMPARE(box(w.get(), u"yer_genel_toplam_yazitipi_adi"_qs)->text().isEmpty(),
             !(acts && name[0] == u'y'));
    QVERIFY(box(w.get(), u"yer_adi_soyadi_yazitipi_adi"_qs)->text().isEmpty());
}

void TestForm5::lineSpacingArrows_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("steps"); // each: the arrow ('+' up, '-' down), then the box
    QTest::newRow("up and back") << u"3"_qs << u"+4 -3"_qs;
    QTest::newRow("below zero") << u"1"_qs << u"-0 --1 --2"_qs;
    QTest::newRow("empty counts as 0") << QString() << u"+1"_qs;
    QTest::newRow("no number counts as 0") << u"3x"_qs << u"--1"_qs;
    QTest::newRow("Turkish decimals") << u" 2,5 "_qs << u"+3,5"_qs;
    QTest::newRow("decimal point, tenths exact") << u"0.1"_qs << u"+1,1 +2,1"_qs;
}

void TestForm5::lineSpacingArrows() {
    QFETCH(QString, start);
    QFETCH(QString, steps);
    auto w = shownWindow();
    QLineEdit *spacing = box(w.get(), u"satir_arasi_bosluk"_qs);
    auto *up = w->findChild<QToolButton *>(u"satir_arasi_artir"_qs);
    auto *down = w->findChild<QToolButton *>(u"satir_arasi_azalt"_qs);
    QVERIFY(up->x() > spacing->geometry().right() && up->y() < down->y());
    spacing->setText(start);
    for (const QString &step : steps.split(u' ')) {
        QTest::mouseClick(step[0] == u'+' ? up : down, Qt::LeftButton);
        QCOMPARE(spacing->text(), step.mid(1));
    }
}

void TestForm5::unwritableValueStopsTheSave_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("named");
    QTest::newRow("14-character margin") << "yer_fatura_no_sol_bosluk"
                                         << "12345678901234"
                                         << "Fatura No: Sol Boşluk";
    QTest::newRow("51-character face")
        << "yer_yazi_ile_yazitipi_adi" << QString(51, u'A') << "Yazı İle: Yazıtipi Adı";
    QTest::newRow("6-character size") << "yer_adresi_boyutu"
                                      << "10,125"
                                      << "Adresi: Boyutu";
    QTest::newRow("path starting with a quote") << "veritabani_yolu"
                                                << "\"fatura.db"
                                                << "Database:";
    QTest::newRow("letter outside the code page") << "marj_br_fiyat"
                                                  << "7000₺"
                                                  << "Br.Fiyat";
}

void TestForm5::unwritableValueStopsTheSave() {
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, named);
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    const QByteArray before = readAll(settingsPath());
    auto w = shownWindow();
    box(w.get(), u"kdv_yuzde"_qs)->setText(u"10"_qs); // a good change beside the bad one
    box(w.get(), name)->setText(value);
    save(w.get());
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].text.contains(named), qPrintable(m_messages[0].text));
    QVERIFY(w->isVisible());
    QCOMPARE(readAll(settingsPath()), before);

    box(w.get(), name)->setText(value.left(4).remove(u'"')); // corrected, the save goes through
    save(w.get());
    QCOMPARE(m_messages.size(), 2);
    QCOMPARE(m_messages[1].text, saved);
    QCOMPARE(ayarlari_oku(23, settingsPath()).kdv_yuzde, u"10"_qs);
}

void TestForm5::captionsFitAndNothingOverlaps() {
    auto w = shownWindow();
    for (QLabel *l : w->findChildren<QLabel *>()) {
        // Every line of a caption fits its label, whatever face stands in for the font.
        const QStringList lines = l->text().split(u'\n');
        QVERIFY2(l->fontMetrics().height() * lines.size() <= l->height(), qPrintable(l->text()));
        for (const QString &line : lines)
            QVERIFY2(l->fontMetrics().horizontalAdvance(line) <= l->width(), qPrintable(line));
        QVERIFY(w->rect().contains(l->geometry()));
    }
    QList<QWidget *> controls;
    for (QWidget *c : w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        controls << c;
    controls.removeIf([](QWidget *c) { return qobject_cast<QLabel *>(c); });
    QCOMPARE(controls.size(), 68 + 18 + 2);
    for (QWidget *c : controls) {
        QVERIFY(w->rect().contains(c->geometry()));
        for (QWidget *d : controls)
            QVERIFY2(c == d || !c->geometry().intersects(d->geometry()),
                     qPrintable(c->objectName() + u" / "_qs + d->objectName()));
    }
    for (ImageButton *b : w->findChildren<ImageButton *>())
        QVERIFY(b->fontMetrics().horizontalAdvance(b->caption()) <= b->width());
}

QTEST_MAIN(TestForm5)
#include "test_form5.moc"
