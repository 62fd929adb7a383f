// Mouse events go through the window system, as a user's do, so that a release belongs to
// the widget that took the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "app/windows.h"
#include "settings/Form5.h"
#include "settings/ayarlar.h"
#include "ui/imagebutton.h"
#include "ui/messages.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {

const QString saved = u"Ayarlar Kaydedildi."_qs;

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file's lines as text, line breaks removed; the count of CR LF pairs beside them.
QStringList fileLines(const QString &path, int *crlf = nullptr) {
    const QByteArray bytes = readAll(path);
    if (crlf)
        *crlf = int(bytes.count("\r\n"));
    QStringList lines =
        QTextCodec::codecForName("Windows-1254")->toUnicode(bytes).split(u"\r\n"_qs);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString trimmedRight(QString s) {
    while (s.endsWith(u' '))
        s.chop(1);
    return s;
}

QLineEdit *box(QWidget *w, const QString &name) {
    auto *e = w->findChild<QLineEdit *>(name);
    if (!e)
        qWarning("no box %s", qPrintable(name));
    return e;
}

ImageButton *button(QWidget *w, const QString &name) {
    return w->findChild<ImageButton *>(name);
}

// A press and a release of the left mouse button at `at`, in the button's coordinates.
void click(ImageButton *b, QPoint at) {
    QTest::mousePress(b, Qt::LeftButton, {}, at);
    QTest::mouseRelease(b, Qt::LeftButton, {}, at);
}

void clickCaption(ImageButton *b) {
    click(b, b->captionRect().center());
}

// Boxes in reading order: top to bottom, left to right.
QList<QLineEdit *> boxesInWindowOrder(QWidget *w) {
    QList<QLineEdit *> boxes = w->findChildren<QLineEdit *>();
    std::sort(boxes.begin(), boxes.end(), [](QWidget *a, QWidget *b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    return boxes;
}

// The widgets of type T whose vertical middle lies within `row`'s height.
template <class T> QList<T *> onTheRowOf(QWidget *w, QWidget *row) {
    QList<T *> found;
    for (T *c : w->findChildren<T *>()) {
        const int mid = c->geometry().center().y();
        if (mid >= row->y() && mid <= row->geometry().bottom())
            found << c;
    }
    std::sort(found.begin(), found.end(), [](QWidget *a, QWidget *b) { return a->x() < b->x(); });
    return found;
}

QLabel *captionLabel(QWidget *w, const QString &text) {
    for (QLabel *l : w->findChildren<QLabel *>()) {
        if (l->text() == text)
            return l;
    }
    qWarning("no caption %s", qPrintable(text));
    return nullptr;
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
    void fontNameTypedWithTrailingBlanks();
    void hiddenAfterSaveAndShownUnchanged();
    void closedByTheFrameReloadsFromTheFile();
    void fontChoiceLandsInTheRowsLine_data();
    void fontChoiceLandsInTheRowsLine();
    void cancelledChoosersLeaveTheBoxes();
    void releaseOffTheButtonStillActs_data();
    void releaseOffTheButtonStillActs();
    void pressOutsideTheCaption_data();
    void pressOutsideTheCaption();
    void lineSpacingArrows_data();
    void lineSpacingArrows();
    void unwritableValueStopsTheSave_data();
    void unwritableValueStopsTheSave();
    void captionsFitAndBoxesDoNotOverlap();

private:
    QString settingsPath() const { return m_dir.filePath(u"ayarlar.dat"_qs); }
    std::unique_ptr<Form5> shownWindow();

    QTemporaryDir m_dir;
    QString m_oldDir;
    QList<Messages::Message> m_messages;
    int m_fileChoices = 0;
    int m_fontChoices = 0;
    std::optional<QString> m_nextFile;
    std::optional<QFont> m_nextFont;
};

void TestForm5::init() {
    QVERIFY(m_dir.isValid());
    QFile::remove(settingsPath());
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    m_messages.clear();
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_messages << m;
        return true;
    });
    m_fileChoices = m_fontChoices = 0;
    m_nextFile.reset();
    m_nextFont.reset();
    Form5::setFileChooser([this](QWidget *) {
        ++m_fileChoices;
        return m_nextFile;
    });
    Form5::setFontChooser([this](QWidget *) {
        ++m_fontChoices;
        return m_nextFont;
    });
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
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QStringList>("filled"); // boxes that get a value, as name=value
    QTest::newRow("no file") << QByteArray() << false << QStringList();
    QTest::newRow("empty file") << QByteArray() << true << QStringList();
    QTest::newRow("two lines") << QByteArray("18\r\nfatura.MDB\r\n") << true
                               << QStringList{u"kdv_yuzde=18"_qs, u"veritabani_yolu=fatura.MDB"_qs};
    QTest::newRow("ends inside the third line, no line break")
        << QByteArray("18\r\nx.db\r\n600           2400") << true
        << QStringList{u"kdv_yuzde=18"_qs, u"veritabani_yolu=x.db"_qs,
                       u"yer_adi_soyadi_sol_bosluk=600"_qs, u"yer_adi_soyadi_ust_bosluk=2400"_qs};
}

void TestForm5::missingOrShortFile() {
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QFETCH(QStringList, filled);
    if (exists) {
        QFile f(settingsPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    auto w = shownWindow();
    QVERIFY(m_messages.isEmpty());

    const QList<QLineEdit *> boxes = w->findChildren<QLineEdit *>();
    QCOMPARE(boxes.size(), 68);
    QSet<QString> names;
    for (QLineEdit *b : boxes) {
        names << b->objectName();
        QString expected;
        for (const QString &f : filled) {
            if (f.section(u'=', 0, 0) == b->objectName())
                expected = f.section(u'=', 1);
        }
        QCOMPARE(b->text(), expected);
    }
    QCOMPARE(names.size(), 68);

    // "Kaydet" writes a complete file from what the boxes hold.
    clickCaption(button(w.get(), u"kaydet_dugmesi"_qs));
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, saved);
    QCOMPARE(m_messages[0].title, u"Ayarlar"_qs);
    QCOMPARE(int(m_messages[0].kind), int(Messages::Kind::Info));
    QVERIFY(!w->isVisible());
    int crlf = 0;
    const QStringList lines = fileLines(settingsPath(), &crlf);
    QCOMPARE(lines.size(), 23);
    QCOMPARE(crlf, 23);
    for (const QString &f : filled)
        QVERIFY2(lines.join(u'|').contains(f.section(u'=', 1)), qPrintable(f));
}

void TestForm5::savedAndLoadedAgain_data() {
    // Templates for each kind of box; %1 becomes a two-digit number that differs from box
    // to box, so that a value saved to the wrong line shows.
    QTest::addColumn<QString>("margin");
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("single");
    QTest::newRow("plain") << "%1"
                           << "Font %1"
                           << "%1"
                           << "%1";
    // Blanks after a margin run past its 14 columns; they must not push the next field.
    QTest::newRow("blanks around")
        << u"  %1"_qs + QString(12, u' ') << " Font  %1" + QString(45, u' ')
        << " %1" + QString(8, u' ') << "%1 0   ";
    QTest::newRow("at the limits") << "12345678901%1" << QString(48, u'F') + u"%1"_qs << "123%1"
                                   << "%1" + QString(60, u'9');
    QTest::newRow("Turkish letters, commas") << "%1"
                                             << "Çağ Şıö İğü %1"
                                             << "%1,5"
                                             << "Yol, İş %1  ";
}

void TestForm5::savedAndLoadedAgain() {
    QFETCH(QString, margin);
    QFETCH(QString, face);
    QFETCH(QString, size);
    QFETCH(QString, single);
    QHash<QString, QString> typed;
    {
        auto w = shownWindow();
        int n = 10;
        for (QLineEdit *b : boxesInWindowOrder(w.get())) {
            const QString name = b->objectName();
            QString t = single;
            if (name.endsWith(u"_sol_bosluk"_qs) || name.endsWith(u"_ust_bosluk"_qs))
                t = margin;
            else if (name.endsWith(u"_yazitipi_adi"_qs))
                t = face;
            else if (name.endsWith(u"_boyutu"_qs))
                t = size;
            b->setText(t.arg(n++));
            typed[name] = b->text();
        }
        clickCaption(button(w.get(), u"kaydet_dugmesi"_qs));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text, saved);
    }
    auto again = shownWindow();
    for (QLineEdit *b : again->findChildren<QLineEdit *>())
        QCOMPARE(b->text(), trimmedRight(typed.value(b->objectName())));
}

void TestForm5::fontNameTypedWithTrailingBlanks() {
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    {
        auto w = shownWindow();
        QLineEdit *face = box(w.get(), u"yer_adresi_yazitipi_adi"_qs);
        face->clear();
        QTest::keyClicks(face, u"Courier New   "_qs);
        QCOMPARE(face->text(), u"Courier New   "_qs);
        clickCaption(button(w.get(), u"kaydet_dugmesi"_qs));
    }
    const QString line4 = fileLines(settingsPath())[3];
    QCOMPARE(line4.mid(28, 50), u"Courier New"_qs.leftJustified(50));
    QCOMPARE(line4.mid(84), varsayilanAyarlar().yer_adresi.boyutu);
    auto again = shownWindow();
    QCOMPARE(box(again.get(), u"yer_adresi_yazitipi_adi"_qs)->text(), u"Courier New"_qs);
}

void TestForm5::hiddenAfterSaveAndShownUnchanged() {
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    Windows windows;
    Form5 *w = windows.openSettings();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    box(w, u"kdv_yuzde"_qs)->setText(u"8"_qs);
    box(w, u"marj_tutar"_qs)->setText(u"9900"_qs);
    clickCaption(button(w, u"kaydet_dugmesi"_qs));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(w->isHidden());
    QCOMPARE(windows.settings(), w); // still loaded

    // The file changes behind the window's back; the window does not read it again.
    QVERIFY(QFile::remove(settingsPath()));
    QCOMPARE(windows.openSettings(), w);
    QVERIFY(w->isVisible());
    QCOMPARE(box(w, u"kdv_yuzde"_qs)->text(), u"8"_qs);
    QCOMPARE(box(w, u"marj_tutar"_qs)->text(), u"9900"_qs);
    QCOMPARE(box(w, u"yer_adi_soyadi_sol_bosluk"_qs)->text(),
             varsayilanAyarlar().yer_adi_soyadi.sol_bosluk);
}

void TestForm5::closedByTheFrameReloadsFromTheFile() {
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    const QByteArray before = readAll(settingsPath());
    Windows windows;
    Form5 *w = windows.openSettings();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    box(w, u"kdv_yuzde"_qs)->setText(u"1"_qs);
    box(w, u"yer_fatura_no_yazitipi_adi"_qs)->setText(u"Courier"_qs);
    QVERIFY(w->close());
    QTRY_VERIFY(!windows.settings());
    QCOMPARE(readAll(settingsPath()), before); // nothing saved, nothing asked
    QVERIFY(m_messages.isEmpty());

    // Another program's change to the file shows on the next opening.
    ayarlar changed = varsayilanAyarlar();
    changed.marj_miktar = u"750"_qs;
    ayarlari_yaz(changed, settingsPath());
    Form5 *again = windows.openSettings();
    QVERIFY(again);
    QCOMPARE(box(again, u"kdv_yuzde"_qs)->text(), varsayilanAyarlar().kdv_yuzde);
    QCOMPARE(box(again, u"yer_fatura_no_yazitipi_adi"_qs)->text(), u"Arial"_qs);
    QCOMPARE(box(again, u"marj_miktar"_qs)->text(), u"750"_qs);
}

void TestForm5::fontChoiceLandsInTheRowsLine_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("row"); // 1-based, top to bottom
    const struct {
        const char *caption;
        int line;
    } rows[] = {{"Adı Soyadı:", 3},      {"Adresi:", 4},           {"Vergi Dairesi:", 5},
                {"Dağıtım Bölgesi:", 6}, {"Fatura No:", 23},       {"Fatura Tarihi:", 7},
                {"İrsaliye No:", 21},    {"İrsaliye Tarihi:", 22}, {"Fatura Hareketleri:", 8},
                {"İskonto:", 9},         {"Kdv Oranı:", 10},       {"Ara Toplam:", 11},
                {"KDV Tutarı:", 12},     {"Genel Toplam:", 13},    {"Yazı İle:", 14}};
    int row = 0;
    for (const auto &r : rows) {
        ++row;
        QTest::newRow(r.caption) << QString::fromUtf8(r.caption) << r.line << row;
    }
}

void TestForm5::fontChoiceLandsInTheRowsLine() {
    QFETCH(QString, caption);
    QFETCH(int, line);
    QFETCH(int, row);
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    auto w = shownWindow();

    // The row as a user sees it: its caption, the four boxes and the button beside it.
    QLabel *label = captionLabel(w.get(), caption);
    QVERIFY(label);
    const QList<QLineEdit *> boxes = onTheRowOf<QLineEdit>(w.get(), label);
    QCOMPARE(boxes.size(), 4);
    QVERIFY(label->geometry().right() < boxes[0]->x());
    const QList<ImageButton *> buttons = onTheRowOf<ImageButton>(w.get(), label);
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->caption(), u"Yazıtipi"_qs);
    // Its place among the fifteen "Yazıtipi" buttons, counted from the top.
    int above = 0;
    for (ImageButton *b : w->findChildren<ImageButton *>()) {
        if (b->caption() == u"Yazıtipi"_qs && b->y() < buttons[0]->y())
            ++above;
    }
    QCOMPARE(above + 1, row);

    QFont chosen(u"Courier New"_qs);
    chosen.setPointSizeF(13.5);
    chosen.setItalic(true); // style is not kept
    m_nextFont = chosen;
    clickCaption(buttons[0]);
    QCOMPARE(m_fontChoices, 1);
    QCOMPARE(boxes[2]->text(), u"Courier New"_qs);
    QCOMPARE(boxes[3]->text(), u"13,5"_qs);
    QVERIFY(m_messages.isEmpty()); // nothing saved yet
    QCOMPARE(fileLines(settingsPath()).join(u'|').count(u"Courier New"_qs), 0);

    clickCaption(button(w.get(), u"kaydet_dugmesi"_qs));
    const QStringList lines = fileLines(settingsPath());
    QCOMPARE(lines.size(), 23);
    QCOMPARE(lines[line - 1].mid(28, 50), u"Courier New"_qs.leftJustified(50));
    QCOMPARE(lines[line - 1].mid(84), u"13,5"_qs);
    QCOMPARE(lines.join(u'|').count(u"Courier New"_qs), 1);
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
    QCOMPARE(m_fileChoices, 1);
    QCOMPARE(m_fontChoices, 1);
    QCOMPARE(path->text(), u"fatura.MDB"_qs);
    QCOMPARE(face->text(), u"Arial"_qs);
    QCOMPARE(size->text(), varsayilanAyarlar().yer_kdv_tutari.boyutu);

    // A chosen file goes in whole; a whole-number size has no decimals.
    m_nextFile = m_dir.filePath(u"Yedek Şirket.db"_qs);
    m_nextFont = QFont(u"Nimbus Sans"_qs, 9);
    clickCaption(gozat);
    clickCaption(font);
    QCOMPARE(path->text(), *m_nextFile);
    QCOMPARE(face->text(), u"Nimbus Sans"_qs);
    QCOMPARE(size->text(), u"9"_qs);
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(ayarlari_oku(23, settingsPath()), varsayilanAyarlar()); // only "Kaydet" writes
}

void TestForm5::releaseOffTheButtonStillActs_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("Gözat") << "gozat_dugmesi";
    QTest::newRow("Yazıtipi") << "yer_genel_toplam_yazitipi_dugmesi";
    QTest::newRow("Kaydet") << "kaydet_dugmesi";
}

void TestForm5::releaseOffTheButtonStillActs() {
    QFETCH(QString, name);
    m_nextFile = u"/veri/fatura.db"_qs;
    m_nextFont = QFont(u"Courier New"_qs, 12);
    auto w = shownWindow();
    ImageButton *b = button(w.get(), name);
    QVERIFY(b);
    QTest::mousePress(b, Qt::LeftButton, {}, b->captionRect().center());
    QVERIFY(b->isDown());
    // Off the button, across the boxes, and released over another button's caption.
    ImageButton *other = button(w.get(), u"yer_adi_soyadi_yazitipi_dugmesi"_qs);
    QTest::mouseMove(w.get(), QPoint(20, 20));
    QTest::mouseMove(other, other->captionRect().center());
    QTest::mouseRelease(other, Qt::LeftButton, {}, other->captionRect().center());
    QVERIFY(!b->isDown());

    if (name == u"gozat_dugmesi") {
        QCOMPARE(m_fileChoices, 1);
        QCOMPARE(box(w.get(), u"veritabani_yolu"_qs)->text(), u"/veri/fatura.db"_qs);
    } else if (name == u"kaydet_dugmesi") {
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text, saved);
        QVERIFY(QFile::exists(settingsPath()));
        QVERIFY(w->isHidden());
    } else {
        QCOMPARE(m_fontChoices, 1); // once: the other row's button was not pressed
        QCOMPARE(box(w.get(), u"yer_genel_toplam_yazitipi_adi"_qs)->text(), u"Courier New"_qs);
        QCOMPARE(box(w.get(), u"yer_adi_soyadi_yazitipi_adi"_qs)->text(), QString());
    }
}

void TestForm5::pressOutsideTheCaption_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("acts");
    QTest::newRow("Yazıtipi") << "yer_fatura_no_yazitipi_dugmesi" << false;
    QTest::newRow("Kaydet") << "kaydet_dugmesi" << false;
    QTest::newRow("Gözat reacts on its whole picture") << "gozat_dugmesi" << true;
}

void TestForm5::pressOutsideTheCaption() {
    QFETCH(QString, name);
    QFETCH(bool, acts);
    m_nextFile = u"başka.db"_qs;
    m_nextFont = QFont(u"Courier New"_qs, 12);
    auto w = shownWindow();
    ImageButton *b = button(w.get(), name);
    QVERIFY(b);
    // On the picture, near its lower left corner, away from the caption.
    const QPoint corner(2, b->height() - 3);
    QVERIFY(!b->captionRect().contains(corner));
    const QImage before = b->grab().toImage();
    QTest::mousePress(b, Qt::LeftButton, {}, corner);
    QCOMPARE(b->isDown(), acts);
    QCOMPARE(b->grab().toImage() == before, !acts); // the pressed picture shows, or nothing
    QTest::mouseRelease(b, Qt::LeftButton, {}, corner);

    const int actions = m_fileChoices + m_fontChoices + int(m_messages.size());
    QCOMPARE(actions, acts ? 1 : 0);
    QVERIFY(w->isVisible());
    QCOMPARE(QFile::exists(settingsPath()), false);
    QCOMPARE(box(w.get(), u"veritabani_yolu"_qs)->text(), acts ? u"başka.db"_qs : QString());
    QCOMPARE(box(w.get(), u"yer_fatura_no_yazitipi_adi"_qs)->text(), QString());
}

void TestForm5::lineSpacingArrows_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("steps"); // '+' up, '-' down
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("up and back") << "3"
                                 << "+-" << QStringList{u"4"_qs, u"3"_qs};
    QTest::newRow("below zero") << "1"
                                << "---" << QStringList{u"0"_qs, u"-1"_qs, u"-2"_qs};
    QTest::newRow("empty counts as 0") << ""
                                       << "+" << QStringList{u"1"_qs};
    QTest::newRow("no number counts as 0") << "iki"
                                           << "-" << QStringList{u"-1"_qs};
    QTest::newRow("blanks around a number") << " 5 "
                                            << "+" << QStringList{u"6"_qs};
    QTest::newRow("Turkish decimals") << "2,5"
                                      << "++" << QStringList{u"3,5"_qs, u"4,5"_qs};
    QTest::newRow("decimal point") << "1.5"
                                   << "-" << QStringList{u"0,5"_qs};
    QTest::newRow("tenths stay exact") << "0,1"
                                       << "+-" << QStringList{u"1,1"_qs, u"0,1"_qs};
}

void TestForm5::lineSpacingArrows() {
    QFETCH(QString, start);
    QFETCH(QString, steps);
    QFETCH(QStringList, shown);
    auto w = shownWindow();
    QLineEdit *spacing = box(w.get(), u"satir_arasi_bosluk"_qs);
    auto *up = w->findChild<QToolButton *>(u"satir_arasi_artir"_qs);
    auto *down = w->findChild<QToolButton *>(u"satir_arasi_azalt"_qs);
    QVERIFY(up && down);
    // The arrows stand beside the spacing box, the up arrow above the down arrow.
    QVERIFY(up->x() > spacing->geometry().right());
    QVERIFY(up->y() < down->y());
    spacing->setText(start);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        QToolButton *arrow = steps[i] == u'+' ? up : down;
        QTest::mouseClick(arrow, Qt::LeftButton, {}, arrow->rect().center());
        QCOMPARE(spacing->text(), shown[i]);
    }
    QVERIFY(m_messages.isEmpty());
}

void TestForm5::unwritableValueStopsTheSave_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("named");
    QTest::newRow("14-character margin") << "yer_fatura_no_sol_bosluk"
                                         << "12345678901234"
                                         << "Fatura No: Sol Boşluk";
    QTest::newRow("14-character top margin") << "yer_irsaliye_tarihi_ust_bosluk"
                                             << "1234567890123 4"
                                             << "İrsaliye Tarihi: Üst Boşluk";
    QTest::newRow("51-character face")
        << "yer_yazi_ile_yazitipi_adi" << QString(51, u'A') << "Yazı İle: Yazıtipi Adı";
    QTest::newRow("6-character size") << "yer_adresi_boyutu"
                                      << "10,125"
                                      << "Adresi: Boyutu";
    QTest::newRow("comma and quote in the path") << "veritabani_yolu"
                                                 << "C:\\a,\"b\".db"
                                                 << "Database:";
    QTest::newRow("path starting with a quote") << "veritabani_yolu"
                                                << "\"fatura.db"
                                                << "Database:";
    QTest::newRow("letter outside the code page") << "marj_br_fiyat"
                                                  << "7000€₺"
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
    QLineEdit *bad = box(w.get(), name);
    QVERIFY(bad);
    bad->setText(value);

    clickCaption(button(w.get(), u"kaydet_dugmesi"_qs));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].text.contains(named), qPrintable(m_messages[0].text));
    QVERIFY(m_messages[0].text != saved);
    QCOMPARE(readAll(settingsPath()), before);
    QVERIFY(w->isVisible());
    QCOMPARE(bad->text(), value); // the box keeps what was typed, to be corrected

    // Corrected, the save goes through.
    bad->setText(value.left(5).remove(u'"'));
    clickCaption(button(w.get(), u"kaydet_dugmesi"_qs));
    QCOMPARE(m_messages.size(), 2);
    QCOMPARE(m_messages[1].text, saved);
    QCOMPARE(ayarlari_oku(23, settingsPath()).kdv_yuzde, u"10"_qs);
}

void TestForm5::captionsFitAndBoxesDoNotOverlap() {
    auto w = shownWindow();
    const QRect client = w->rect();
    for (QLabel *l : w->findChildren<QLabel *>()) {
        // Every line of a caption fits its label, whatever face stands in for the font.
        const QFontMetrics fm(l->font());
        const QStringList lines = l->text().split(u'\n');
        QVERIFY2(fm.height() * lines.size() <= l->height(), qPrintable(l->text()));
        for (const QString &line : lines)
            QVERIFY2(fm.horizontalAdvance(line) <= l->width(), qPrintable(line));
        QVERIFY(client.contains(l->geometry()));
    }
    QList<QWidget *> controls;
    for (QWidget *c : w->findChildren<QWidget *>()) {
        if (!qobject_cast<QLabel *>(c) && c->parentWidget() == w.get())
            controls << c;
    }
    QCOMPARE(controls.size(), 68 + 17 + 2);
    for (QWidget *c : controls) {
        QVERIFY2(client.contains(c->geometry()), qPrintable(c->objectName()));
        for (QWidget *d : controls) {
            if (c != d)
                QVERIFY2(!c->geometry().intersects(d->geometry()),
                         qPrintable(c->objectName() + u" / "_qs + d->objectName()));
        }
    }
    // Button captions fit their buttons.
    for (ImageButton *b : w->findChildren<ImageButton *>()) {
        const QFontMetrics fm(b->font());
        QVERIFY2(fm.horizontalAdvance(b->caption()) <= b->width(), qPrintable(b->objectName()));
    }
}

QTEST_MAIN(TestForm5)
#include "test_form5.moc"
