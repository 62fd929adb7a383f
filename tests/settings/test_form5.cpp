// Mouse events go through the window system, as a user's do, so that a release belongs to
// the widget that took the press.
#define QTEST_QPA_MOUSE_HANDLING

#include "../invoice/pdftext.h"
#include "app/windows.h"
#include "db/database.h"
#include "db/invoices.h"
#include "invoice/invoiceprint.h"
#include "invoice/painterprinter.h"
#include "invoice/printtarget.h"
#include "settings/Form5.h"
#include "settings/onizleme.h"
#include "settings/onizlemepenceresi.h"
#include "ui/imagebutton.h"
#include "ui/messages.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

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

// Invoice 12, then invoice 7: the last saved one is the one with the largest number.
void saveInvoices(const QString &path) {
    veritabaniOlustur(path);
    Veritabani db(path, Veritabani::Erisim::Yazma);
    for (qint64 number : {12, 7}) {
        FaturaBasligi h;
        h.faturano = number;
        h.adi_soyadi = u"Müşteri %1"_qs.arg(number);
        h.vergidaire_no = u"Kadıköy V.D. 111"_qs;
        h.kdvdahil = 1;
        QVERIFY(yeniFaturaKaydet(db, h,
                                 {{2, u"Vida"_qs, u"10"_qs, u"50"_qs, u"100,00"_qs},
                                  {1, u"Somun"_qs, QString(), u"5.5"_qs, u"5,50"_qs}}));
    }
}

// One printed line as text, so that a difference shows in full.
QStringList described(const QList<RecordingPrinter::Line> &lines) {
    QStringList out;
    for (const RecordingPrinter::Line &l : lines)
        out << u"%1 | %2 %3 | %4, %5"_qs.arg(l.text, l.fontName).arg(l.fontSize).arg(l.x).arg(l.y);
    return out;
}

// What the page widget draws now.
QList<RecordingPrinter::Line> drawn(Onizleme *p) {
    p->findChild<QWidget *>(u"sayfa"_qs)->grab();
    return p->cizilenler();
}

QImage pdfPage(const QString &pdf, int dpi) {
    QProcess::execute(u"pdftoppm"_qs, {u"-r"_qs, QString::number(dpi), u"-png"_qs,
                                       u"-singlefile"_qs, pdf, pdf + u"-page"_qs});
    return QImage(pdf + u"-page.png"_qs);
}

// The rectangle holding every pixel darker than mid grey.
QRect ink(const QImage &image) {
    QRect r;
    const QImage g = image.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < g.height(); ++y) {
        for (int x = 0; x < g.width(); ++x) {
            if (g.constScanLine(y)[x] < 128)
                r |= QRect(x, y, 1, 1);
        }
    }
    return r;
}

bool greenish(QRgb c) {
    return qGreen(c) > qRed(c) + 60 && qGreen(c) > qBlue(c) + 60;
}

} // namespace

class TestForm5 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void saveHideCloseAndReload();
    void fontChoiceLandsInTheRowsLine();
    void pressAndRelease_data();
    void pressAndRelease();
    void lineSpacingArrows_data();
    void lineSpacingArrows();
    void unwritableValueStopsTheSave();
    void previewSameAsThePrinter();
    void formPictureShownNeverPrinted();
    void previewZoom();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString settingsPath() const { return file(u"ayarlar.dat"_qs); }
    std::unique_ptr<Form5> shownWindow();
    // The settings window with its preview opened by the user.
    Onizleme *openPreview(Form5 &w);

    QTemporaryDir m_dir;
    QList<Messages::Message> m_messages;
    int m_choices = 0;
    std::optional<QString> m_nextFile;
    std::optional<QFont> m_nextFont;
};

// The working directory is the test's own; message boxes and choosers answer at once.
void TestForm5::initTestCase() {
    QDir::setCurrent(m_dir.path());
    Messages::setTestHandler([this](const Messages::Message &m) { return m_messages << m, true; });
    Form5::setFileChooser([this](QWidget *) { return ++m_choices, m_nextFile; });
    Form5::setFontChooser([this](QWidget *) { return ++m_choices, m_nextFont; });
}

void TestForm5::init() {
    for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files))
        QFile::remove(file(name));
    m_messages.clear();
    m_choices = 0;
    m_nextFile.reset();
    m_nextFont.reset();
}

std::unique_ptr<Form5> TestForm5::shownWindow() {
    auto w = std::make_unique<Form5>();
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("window not exposed");
    return w;
}

// With no file every box is empty, without a word. "Kaydet" writes all 23 lines and hides the
// window, which opens again as it was without reading the file. Closed by its frame it drops
// its edits, and the next opening shows the file: every box as saved less its trailing
// blanks, which never push a fixed column.
void TestForm5::saveHideCloseAndReload() {
    Windows windows;
    QPointer<Form5> w = windows.openSettings();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QVERIFY(m_messages.isEmpty());
    const QList<QLineEdit *> boxes = w->findChildren<QLineEdit *>();
    QCOMPARE(boxes.size(), 68);
    QHash<QString, QString> typed;
    int n = 10; // a number of its own in every box, so a value on the wrong line shows
    for (QLineEdit *b : boxes) {
        const QString name = b->objectName();
        QVERIFY2(b->text().isEmpty(), qPrintable(name));
        const QString kind = !name.startsWith(u"yer_"_qs)         ? u"Yol, İş %1  "_qs
                             : name.endsWith(u"_bosluk"_qs)       ? u"  %1            "_qs
                             : name.endsWith(u"_yazitipi_adi"_qs) ? u" Çağ Font %1      "_qs
                                                                  : u"%1,5   "_qs;
        b->setText(kind.arg(n++));
        typed[name] = b->text();
    }
    save(w);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, u"Ayarlar Kaydedildi."_qs);
    QCOMPARE(m_messages[0].title, u"Ayarlar"_qs);
    QCOMPARE(m_messages[0].kind, Messages::Kind::Info);
    QVERIFY(w && w->isHidden()); // hidden, not closed: it keeps its boxes
    QCOMPARE(ayarDosyasiniOku(settingsPath()).okunanSatir, 23);

    ayarlar changed = ayarlari_oku(23, settingsPath());
    changed.kdv_yuzde = u"8"_qs;
    ayarlari_yaz(changed, settingsPath());
    QCOMPARE(windows.openSettings(), w.data());
    QVERIFY(w->isVisible());
    for (QLineEdit *b : boxes)
        QCOMPARE(b->text(), typed[b->objectName()]);
    box(w, u"kdv_yuzde"_qs)->setText(u"1"_qs);
    QVERIFY(w->close());
    QTRY_VERIFY(!windows.settings());
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(ayarlari_oku(23, settingsPath()), changed);

    typed[u"kdv_yuzde"_qs] = u"8"_qs;
    w = windows.openSettings();
    for (QLineEdit *b : w->findChildren<QLineEdit *>()) {
        QString expected = typed.value(b->objectName());
        while (expected.endsWith(u' '))
            expected.chop(1);
        QCOMPARE(b->text(), expected);
        QCOMPARE(b->cursorPosition(), 0); // a long value shows from its beginning
    }
}

// Each "Yazıtipi" button writes into the boxes of the row it stands on, and "Kaydet" puts
// them on that row's file line. A cancelled choice changes nothing.
void TestForm5::fontChoiceLandsInTheRowsLine() {
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    auto w = shownWindow();
    clickCaption(button(w.get(), u"yer_kdv_tutari_yazitipi_dugmesi"_qs));
    clickCaption(button(w.get(), u"gozat_dugmesi"_qs));
    QCOMPARE(m_choices, 2);
    QCOMPARE(w->kutulardakiAyarlar(), varsayilanAyarlar());

    const std::pair<const char *, int> rows[] = {
        // window order, file line
        {"Adı Soyadı:", 3},      {"Adresi:", 4},           {"Vergi Dairesi:", 5},
        {"Dağıtım Bölgesi:", 6}, {"Fatura No:", 23},       {"Fatura Tarihi:", 7},
        {"İrsaliye No:", 21},    {"İrsaliye Tarihi:", 22}, {"Fatura Hareketleri:", 8},
        {"İskonto:", 9},         {"Kdv Oranı:", 10},       {"Ara Toplam:", 11},
        {"KDV Tutarı:", 12},     {"Genel Toplam:", 13},    {"Yazı İle:", 14}};
    int above = -1;
    for (const auto &[caption, line] : rows) {
        QLabel *label = nullptr;
        for (QLabel *l : w->findChildren<QLabel *>())
            label = l->text() == QString::fromUtf8(caption) ? l : label;
        QVERIFY2(label && label->y() > above, caption);
        above = label->y();
        ImageButton *onRow = nullptr;
        for (ImageButton *b : w->findChildren<ImageButton *>()) {
            if (b->caption() == u"Yazıtipi"_qs && label->geometry().contains(label->x(), b->y()))
                onRow = b;
        }
        QVERIFY2(onRow, caption);
        QFont chosen(u"Courier New"_qs);
        chosen.setPointSizeF(line + 0.5);
        m_nextFont = chosen;
        clickCaption(onRow);
    }
    QCOMPARE(ayarlari_oku(23, settingsPath()), varsayilanAyarlar()); // only "Kaydet" writes
    save(w.get());
    const ayarlar saved = ayarlari_oku(23, settingsPath());
    for (const auto &[caption, line] : rows) {
        const baski_yeri &y = saved.*ayarSatirlari()[line - 1].yer;
        QCOMPARE(y.yazitipi_adi + u'|' + y.boyutu, u"Courier New|%1,5"_qs.arg(line));
    }
}

void TestForm5::pressAndRelease_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("onCaption");
    QTest::addColumn<bool>("acts");
    QTest::newRow("Gözat, beside its caption") << "gozat_dugmesi" << false << true;
    QTest::newRow("Yazıtipi") << "yer_genel_toplam_yazitipi_dugmesi" << true << true;
    QTest::newRow("Yazıtipi, beside its caption")
        << "yer_genel_toplam_yazitipi_dugmesi" << false << false;
    QTest::newRow("Kaydet") << "kaydet_dugmesi" << true << true;
    QTest::newRow("Kaydet, beside its caption") << "kaydet_dugmesi" << false << false;
}

// A press, then off the button across the window and released over another button's caption:
// the pressed button acts, on release, unless the press missed its press area.
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
    QTest::mousePress(b, Qt::LeftButton, {}, at);
    ImageButton *other = button(w.get(), u"yer_adi_soyadi_yazitipi_dugmesi"_qs);
    QTest::mouseMove(w.get(), QPoint(20, 20));
    QTest::mouseMove(other, other->captionRect().center());
    QCOMPARE(m_choices + int(m_messages.size()), 0);
    QTest::mouseRelease(other, Qt::LeftButton, {}, other->captionRect().center());

    QCOMPARE(m_choices + int(m_messages.size()), acts ? 1 : 0);
    QCOMPARE(QFile::exists(settingsPath()), acts && name == u"kaydet_dugmesi");
    QCOMPARE(box(w.get(), u"veritabani_yolu"_qs)->text().isEmpty(), !(acts && name[0] == u'g'));
    QCOMPARE(box(w.get(), u"yer_genel_toplam_boyutu"_qs)->text().isEmpty(),
             !(acts && name[0] == u'y'));
}

void TestForm5::lineSpacingArrows_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("steps"); // each: the arrow ('+' up, '-' down), then the box
    QTest::newRow("up and back") << u"3"_qs << u"+4 -3"_qs;
    QTest::newRow("below zero") << u"1"_qs << u"-0 --1 --2"_qs;
    QTest::newRow("no number counts as 0") << u"3x"_qs << u"--1"_qs;
    QTest::newRow("Turkish decimals") << u" 2,5 "_qs << u"+3,5"_qs;
}

void TestForm5::lineSpacingArrows() {
    QFETCH(QString, start);
    QFETCH(QString, steps);
    auto w = shownWindow();
    QLineEdit *spacing = box(w.get(), u"satir_arasi_bosluk"_qs);
    spacing->setText(start);
    for (const QString &step : steps.split(u' ')) {
        const char *arrow = step[0] == u'+' ? "satir_arasi_artir" : "satir_arasi_azalt";
        QTest::mouseClick(w->findChild<QToolButton *>(QString::fromLatin1(arrow)), Qt::LeftButton);
        QCOMPARE(spacing->text(), step.mid(1));
    }
}

// A value the file cannot hold stops the whole save with a message naming its box; once
// corrected, the save goes through.
void TestForm5::unwritableValueStopsTheSave() {
    ayarlari_yaz(varsayilanAyarlar(), settingsPath());
    auto w = shownWindow();
    box(w.get(), u"kdv_yuzde"_qs)->setText(u"10"_qs);
    box(w.get(), u"yer_fatura_no_sol_bosluk"_qs)->setText(u"12345678901234"_qs);
    save(w.get());
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].text.contains(u"Fatura No: Sol Boşluk"_qs),
             qPrintable(m_messages[0].text));
    QVERIFY(w->isVisible());
    QCOMPARE(ayarlari_oku(23, settingsPath()), varsayilanAyarlar());

    box(w.get(), u"yer_fatura_no_sol_bosluk"_qs)->setText(u"1234"_qs);
    save(w.get());
    QCOMPARE(m_messages.size(), 2);
    QCOMPARE(ayarlari_oku(23, settingsPath()).kdv_yuzde, u"10"_qs);
}

Onizleme *TestForm5::openPreview(Form5 &w) {
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        qWarning("window not exposed");
    auto *b = w.findChild<ImageButton *>(u"onizleme_dugmesi"_qs);
    QTest::mouseClick(b, Qt::LeftButton, {}, b->captionRect().center());
    auto *p = w.findChild<Onizleme *>();
    if (p && !QTest::qWaitForWindowExposed(p))
        qWarning("preview not exposed");
    return p;
}

// With no invoice in the database the sample is shown. The database named in the box, saved
// or not, is read again at each opening; its last saved invoice is placed with the values in
// the boxes, unsaved, exactly as printing places it: same texts, fonts and twips.
void TestForm5::previewSameAsThePrinter() {
    ayarlar a = varsayilanAyarlar();
    int n = 0; // a face and size for every placement, so one drawn with another's shows
    for (const AyarSatiri &s : ayarSatirlari()) {
        if (s.yer)
            a.*s.yer = {(a.*s.yer).sol_bosluk, (a.*s.yer).ust_bosluk,
                        u"Yazı "_qs + QString::number(++n), QString::number(7 + n % 6)};
    }
    ayarlari_yaz(a);
    veritabaniOlustur(file(u"fatura.MDB"_qs));
    saveInvoices(file(u"diger.db"_qs));

    Form5 w;
    Onizleme *p = openPreview(w);
    QVERIFY(p && p->isVisible() && p->fatura().ornek);
    QLabel *note = p->findChild<QLabel *>(u"not_etiketi"_qs);
    QVERIFY2(note->text().contains(u"örnek fatura"_qs), qPrintable(note->text()));
    w.findChild<QLineEdit *>(u"veritabani_yolu"_qs)->setText(file(u"diger.db"_qs));
    w.findChild<QLineEdit *>(u"yer_fatura_no_sol_bosluk"_qs)->setText(u"5000"_qs);
    w.findChild<QLineEdit *>(u"kdv_yuzde"_qs)->setText(u"18"_qs);
    QCOMPARE(openPreview(w), p);
    QVERIFY(note->text().contains(u"fatura: 12"_qs));

    const QList<KayitliSatir> rows = [&] {
        Veritabani db(file(u"diger.db"_qs));
        return faturaSatirlari(db, 12);
    }();
    const auto printed = [&] {
        RecordingPrinter printer;
        printInvoice(printer, w.kutulardakiAyarlar(), rows,
                     {u"12"_qs, u"Kadıköy V.D. 111"_qs, 1, QString(), u"18"_qs});
        return described(printer.lines());
    };
    QCOMPARE(described(drawn(p)), printed());

    // The open preview follows the boxes as they change.
    w.findChild<QLineEdit *>(u"yer_fatura_no_ust_bosluk"_qs)->setText(u"3000"_qs);
    QCOMPARE(described(drawn(p)), printed());
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(ayarlari_oku(23), a); // nothing was saved
}

// The form picture is shown, never printed; the test print carries the invoice (the sample:
// the database is not one) over the same part of the sheet as the preview's page.
void TestForm5::formPictureShownNeverPrinted() {
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("a printer is installed; the test print would go to paper");
    if (!havePdftotext() || QStandardPaths::findExecutable(u"pdftoppm"_qs).isEmpty())
        QSKIP("poppler's pdftotext and pdftoppm are needed");
    ayarlar a = varsayilanAyarlar();
    a.yer_yazi_ile = {u"300"_qs, u"15500"_qs, u"Arial"_qs, u"14"_qs}; // ink near the foot
    ayarlari_yaz(a);
    QImage form(300, 424, QImage::Format_RGB32);
    form.fill(QColor(40, 200, 40));
    QVERIFY(form.save(file(u"fatura-formu.jpg"_qs)));
    QFile notADatabase(file(u"fatura.MDB"_qs));
    QVERIFY(notADatabase.open(QIODevice::WriteOnly) && notADatabase.write("merhaba") == 7);
    notADatabase.close();

    Form5 w;
    Onizleme *p = openPreview(w);
    QVERIFY(p && !p->formResmiYolu().isEmpty() && p->fatura().ornek);
    const QImage page = p->findChild<QWidget *>(u"sayfa"_qs)->grab().toImage();
    const QRect paper = p->kagit();
    // Low on the sheet, below everything printed; beside the paper there is none of it.
    QVERIFY(greenish(page.pixel(paper.center().x(), paper.top() + paper.height() * 99 / 100)));
    QVERIFY(!greenish(page.pixel(paper.topLeft() - QPoint(5, 5))));

    QDir(file(u"baskilar"_qs)).removeRecursively();
    QTest::mouseClick(p->findChild<QPushButton *>(u"deneme_baskisi_dugmesi"_qs), Qt::LeftButton);
    const QStringList pdfs = QDir(file(u"baskilar"_qs)).entryList({u"*.pdf"_qs});
    QCOMPARE(pdfs.size(), 1);
    const QString pdf = file(u"baskilar/"_qs + pdfs[0]);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, pdfNotice(pdf));
    QVERIFY(pdfText(pdf).contains(u"Ütü masası"_qs));
    const int dpi = 100;
    const QImage printed = pdfPage(pdf, dpi);
    int green = 0;
    for (int y = 0; y < printed.height(); ++y) {
        for (int x = 0; x < printed.width(); ++x)
            green += greenish(printed.pixel(x, y));
    }
    QCOMPARE(green, 0);

    // The page drawn at the rendering's resolution, without the form and the corner mark.
    QImage preview(printed.size(), QImage::Format_RGB32);
    preview.setDotsPerMeterX(qRound(dpi / 0.0254));
    preview.setDotsPerMeterY(qRound(dpi / 0.0254));
    preview.fill(Qt::white);
    sayfayiCiz(preview, QPointF(0, 0),
               {a,
                p->fatura().satirlar,
                {},
                PdfPrinter::pageLayout().paintRect(QPageLayout::Point),
                false});
    const QRect drawnInk = ink(preview);
    const QRect printedInk = ink(printed);
    QString seen;
    QDebug(&seen) << "preview" << drawnInk << "paper" << printedInk;
    QVERIFY2(std::abs(drawnInk.left() - printedInk.left()) <= 2 &&
                 std::abs(drawnInk.top() - printedInk.top()) <= 2 &&
                 std::abs(drawnInk.right() - printedInk.right()) <= 4 &&
                 std::abs(drawnInk.bottom() - printedInk.bottom()) <= 2,
             qPrintable(seen));
}

// In percent of true size: an A4 sheet's width at the screen's resolution.
void TestForm5::previewZoom() {
    ayarlari_yaz(varsayilanAyarlar());
    Form5 w;
    Onizleme *p = openPreview(w);
    QVERIFY(p->fatura().ornek && m_messages.isEmpty()); // no database at all: the sample
    const auto shown = [p](const char *button) {
        if (button)
            QTest::mouseClick(p->findChild<QPushButton *>(QString::fromLatin1(button)),
                              Qt::LeftButton);
        return qRound(p->kagit().width() / (210 / 25.4 * p->logicalDpiY()) * 100);
    };
    QCOMPARE(shown(nullptr), 100);
    QCOMPARE(shown("uzaklastir_dugmesi"), 90);
    shown("sigdir_dugmesi");
    const QSize room = p->findChild<QScrollArea *>()->viewport()->size() - p->kagit().size();
    QVERIFY(room.width() >= 0 && room.height() >= 0 && std::min(room.width(), room.height()) < 50);
    QCOMPARE(shown("gercek_boyut_dugmesi"), 100);
}

QTEST_MAIN(TestForm5)
#include "test_form5.moc"
