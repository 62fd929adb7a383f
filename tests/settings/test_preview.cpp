// Mouse events go through the window system, as a user's do.
#define QTEST_QPA_MOUSE_HANDLING

#include "../invoice/pdftext.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every placement with a face and size of its own, so an item drawn with the wrong one shows.
ayarlar distinctSettings() {
    ayarlar a = varsayilanAyarlar();
    int n = 0;
    for (const AyarSatiri &s : ayarSatirlari()) {
        if (s.yer) {
            (a.*s.yer).yazitipi_adi = u"Yazı "_qs + QString::number(++n);
            (a.*s.yer).boyutu = QString::number(7 + n % 6);
        }
    }
    return a;
}

void saveInvoice(const QString &path, qint64 number, const QString &name, int vatMode) {
    Veritabani db(path, Veritabani::Erisim::Yazma);
    FaturaBasligi h;
    h.faturano = number;
    h.musterino = u"3"_qs;
    h.adi_soyadi = name;
    h.vergidaire_no = u"Kadıköy V.D. 111"_qs;
    h.kdvdahil = vatMode;
    h.fatura_tarihi = u"01.05.2024"_qs;
    QVERIFY(yeniFaturaKaydet(db, h,
                             {{2, u"Vida"_qs, u"10"_qs, u"50"_qs, u"100,00"_qs},
                              {1, u"Somun"_qs, QString(), u"5.5"_qs, u"5,50"_qs}}));
}

// One printed line as text, so that a difference shows in full.
QStringList described(const QList<RecordingPrinter::Line> &lines) {
    QStringList out;
    for (const RecordingPrinter::Line &l : lines)
        out << u"%1 | %2 %3 | %4, %5"_qs.arg(l.text, l.fontName).arg(l.fontSize).arg(l.x).arg(l.y);
    return out;
}

QString textAt(const QList<RecordingPrinter::Line> &lines, const baski_yeri &at) {
    for (const RecordingPrinter::Line &l : lines) {
        if (l.x == at.sol_bosluk.toDouble() && l.y == at.ust_bosluk.toDouble())
            return l.text;
    }
    return u"<nothing>"_qs;
}

// What the page widget draws now.
QList<RecordingPrinter::Line> drawn(Onizleme *p) {
    p->findChild<QWidget *>(u"sayfa"_qs)->grab();
    return p->cizilenler();
}

QImage pdfPage(const QString &pdf, int dpi) {
    const QString stem = pdf + u"-page"_qs;
    QProcess::execute(u"pdftoppm"_qs,
                      {u"-r"_qs, QString::number(dpi), u"-png"_qs, u"-singlefile"_qs, pdf, stem});
    return QImage(stem + u".png"_qs);
}

// The rectangle holding every pixel darker than mid grey.
QRect ink(const QImage &image) {
    QRect r;
    const QImage g = image.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < g.height(); ++y) {
        const uchar *row = g.constScanLine(y);
        for (int x = 0; x < g.width(); ++x) {
            if (row[x] < 128)
                r |= QRect(x, y, 1, 1);
        }
    }
    return r;
}

bool greenish(QRgb c) {
    return qGreen(c) > qRed(c) + 60 && qGreen(c) > qBlue(c) + 60;
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void sameAsThePrinter_data();
    void sameAsThePrinter();
    void sampleWhenNoInvoice_data();
    void sampleWhenNoInvoice();
    void formPictureShownNeverPrinted();
    void pageWhereThePaperGetsIt();
    void zoom();

private:
    QString file(const QString &name) const { return m_dir.filePath(name); }
    // The settings window with its preview opened by the user.
    Onizleme *openPreview(Form5 &w);

    QTemporaryDir m_dir;
    QString m_oldDir;
    QList<Messages::Message> m_messages;
};

void TestPreview::init() {
    QVERIFY(m_dir.isValid());
    for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files))
        QFile::remove(file(name));
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    m_messages.clear();
    Messages::setTestHandler([this](const Messages::Message &m) { return m_messages << m, true; });
}

void TestPreview::cleanup() {
    Messages::setTestHandler({});
    QDir::setCurrent(m_oldDir);
}

Onizleme *TestPreview::openPreview(Form5 &w) {
    if (!w.isVisible()) {
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qWarning("window not exposed");
    }
    auto *b = w.findChild<ImageButton *>(u"onizleme_dugmesi"_qs);
    QTest::mouseClick(b, Qt::LeftButton, {}, b->captionRect().center());
    auto *p = w.findChild<Onizleme *>();
    if (p && !QTest::qWaitForWindowExposed(p))
        qWarning("preview not exposed");
    return p;
}

void TestPreview::sameAsThePrinter_data() {
    QTest::addColumn<int>("vatMode");
    QTest::addColumn<QString>("vat");
    // Subtotal 105,50, discount 10,00, VAT rate 18 (typed, not saved).
    QTest::newRow("VAT excluded") << 1 << u"17,19"_qs;
    QTest::newRow("VAT included") << 0 << u"Dahil"_qs;
}

void TestPreview::sameAsThePrinter() {
    QFETCH(int, vatMode);
    QFETCH(QString, vat);
    ayarlari_yaz(distinctSettings());
    veritabaniOlustur(file(u"fatura.MDB"_qs));
    saveInvoice(file(u"fatura.MDB"_qs), 12, u"Son Fatura"_qs, vatMode);
    saveInvoice(file(u"fatura.MDB"_qs), 7, u"Sonra Kaydedilen"_qs, 1 - vatMode);

    Form5 w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.findChild<QLineEdit *>(u"yer_fatura_no_sol_bosluk"_qs)->setText(u"5000"_qs);
    w.findChild<QLineEdit *>(u"kdv_yuzde"_qs)->setText(u"18"_qs);
    Onizleme *p = openPreview(w);
    QVERIFY(p && p->isVisible());
    QVERIFY(p->findChild<QLabel *>(u"not_etiketi"_qs)->text().contains(u"fatura: 12"_qs));

    QList<KayitliSatir> rows;
    {
        Veritabani db(file(u"fatura.MDB"_qs));
        rows = faturaSatirlari(db, 12);
    }
    const InvoicePrintInputs inputs{u"12"_qs, u"Kadıköy V.D. 111"_qs, vatMode,
                                    vatMode == 0 ? u"Dahil"_qs : QString(), u"18"_qs};
    const auto printed = [&] {
        RecordingPrinter printer;
        printInvoice(printer, w.kutulardakiAyarlar(), rows, inputs);
        return printer.lines();
    };
    QList<RecordingPrinter::Line> lines = drawn(p);
    QCOMPARE(described(lines), described(printed()));
    QCOMPARE(textAt(lines, {u"5000"_qs, u"2100"_qs, {}, {}}), u" 12"_qs);
    QCOMPARE(textAt(lines, varsayilanAyarlar().yer_kdv_tutari), vat);

    // Boxes holding no number place at 0, and the preview follows the boxes as they change.
    w.findChild<QLineEdit *>(u"yer_fatura_no_ust_bosluk"_qs)->setText(u"yukarı"_qs);
    w.findChild<QLineEdit *>(u"satir_arasi_bosluk"_qs)->setText(u"x"_qs);
    lines = drawn(p);
    QCOMPARE(described(lines), described(printed()));
    QCOMPARE(textAt(lines, {u"5000"_qs, u"0"_qs, {}, {}}), u" 12"_qs);

    QVERIFY(m_messages.isEmpty());
    QCOMPARE(ayarlari_oku(23), distinctSettings()); // nothing was saved
}

void TestPreview::sampleWhenNoInvoice_data() {
    QTest::addColumn<QString>("database");
    QTest::addColumn<QByteArray>("content"); // null: the database is made empty, "-": no file
    QTest::addColumn<QString>("note");
    QTest::newRow("no invoice") << "fatura.MDB" << QByteArray() << "kayıtlı fatura yok";
    QTest::newRow("no database") << "yok.db" << QByteArray("-") << "yok.db";
    QTest::newRow("not a database") << "bozuk.db" << QByteArray("merhaba") << "bozuk.db";
}

void TestPreview::sampleWhenNoInvoice() {
    QFETCH(QString, database);
    QFETCH(QByteArray, content);
    QFETCH(QString, note);
    ayarlar a = varsayilanAyarlar();
    a.veritabani_yolu = database;
    ayarlari_yaz(a);
    if (content.isNull()) {
        veritabaniOlustur(file(database));
    } else if (content != "-") {
        QFile f(file(database));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }

    Form5 w;
    Onizleme *p = openPreview(w);
    QVERIFY(p && p->fatura().ornek);
    const QString shown = p->findChild<QLabel *>(u"not_etiketi"_qs)->text();
    QVERIFY2(shown.contains(u"örnek fatura"_qs) && shown.contains(note), qPrintable(shown));
    QVERIFY(m_messages.isEmpty());
    // A few lines with a discount, VAT excluded: every total is there.
    const QList<RecordingPrinter::Line> lines = drawn(p);
    QVERIFY(lines.size() > 8 + 2 * 5 + 6);
    QVERIFY(!textAt(lines, a.yer_iskonto).isEmpty());
    QVERIFY(textAt(lines, a.yer_kdv_tutari).contains(u','));
    QVERIFY(textAt(lines, a.yer_yazi_ile).size() > 10);

    // Another database typed into the box, not saved: the next opening reads its invoice.
    const QString other = file(u"diger.db"_qs);
    veritabaniOlustur(other);
    saveInvoice(other, 31, u"Diğer Müşteri"_qs, 1);
    w.findChild<QLineEdit *>(u"veritabani_yolu"_qs)->setText(other);
    QCOMPARE(openPreview(w), p);
    QVERIFY(!p->fatura().ornek);
    QCOMPARE(textAt(drawn(p), a.yer_adi_soyadi), u"Diğer Müşteri"_qs);
}

void TestPreview::formPictureShownNeverPrinted() {
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("a printer is installed; the test print would go to paper");
    if (!havePdftotext() || QStandardPaths::findExecutable(u"pdftoppm"_qs).isEmpty())
        QSKIP("poppler's pdftotext and pdftoppm are needed");
    ayarlari_yaz(varsayilanAyarlar());
    QDir(file(u"baskilar"_qs)).removeRecursively();
    QImage form(300, 424, QImage::Format_RGB32);
    form.fill(QColor(40, 200, 40));
    QVERIFY(form.save(file(u"fatura-formu.jpg"_qs)));

    Form5 w;
    Onizleme *p = openPreview(w);
    QVERIFY(p && !p->formResmiYolu().isEmpty());
    const QImage page = p->findChild<QWidget *>(u"sayfa"_qs)->grab().toImage();
    const QRect paper = p->kagit();
    // Low on the sheet, below everything printed; beside the paper there is none of it.
    QVERIFY(greenish(page.pixel(paper.center().x(), paper.top() + paper.height() * 97 / 100)));
    QVERIFY(!greenish(page.pixel(paper.topLeft() - QPoint(5, 5))));

    QTest::mouseClick(p->findChild<QPushButton *>(u"deneme_baskisi_dugmesi"_qs), Qt::LeftButton);
    const QStringList pdfs = QDir(file(u"baskilar"_qs)).entryList({u"*.pdf"_qs});
    QCOMPARE(pdfs.size(), 1);
    const QString pdf = file(u"baskilar/"_qs + pdfs[0]);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].text, pdfNotice(pdf));
    QVERIFY(pdfText(pdf).contains(u"Ütü masası"_qs));
    const QImage printed = pdfPage(pdf, 30);
    QVERIFY(!printed.isNull() && !ink(printed).isEmpty());
    for (int y = 0; y < printed.height(); ++y) {
        for (int x = 0; x < printed.width(); ++x)
            QVERIFY(!greenish(printed.pixel(x, y)));
    }
}

// The preview's page, drawn at the resolution of a rendering of the printed PDF, carries its
// text over the same part of the sheet.
void TestPreview::pageWhereThePaperGetsIt() {
    if (QStandardPaths::findExecutable(u"pdftoppm"_qs).isEmpty())
        QSKIP("poppler's pdftoppm is needed");
    const int dpi = 100;
    OnizlemeSayfasi sayfa;
    sayfa.ayar = varsayilanAyarlar();
    sayfa.ayar.yer_yazi_ile = {u"300"_qs, u"15500"_qs, u"Arial"_qs, u"14"_qs};
    sayfa.satirlar = ornekFatura(QDate(2024, 5, 1));
    sayfa.baskiAlani = PdfPrinter::pageLayout().paintRect(QPageLayout::Point);
    sayfa.kose = false;
    const QString pdf = file(u"sayfa.pdf"_qs);
    {
        PdfPrinter printer(pdf);
        printInvoice(printer, sayfa.ayar, sayfa.satirlar,
                     onizlemeGirdileri(sayfa.satirlar, sayfa.ayar.kdv_yuzde));
        printer.finish();
    }
    const QImage printed = pdfPage(pdf, dpi);
    QVERIFY(std::abs(printed.width() - 210 / 25.4 * dpi) < 1);
    QVERIFY(std::abs(printed.height() - 297 / 25.4 * dpi) < 1);
    QImage preview(printed.size(), QImage::Format_RGB32);
    preview.setDotsPerMeterX(qRound(dpi / 0.0254));
    preview.setDotsPerMeterY(qRound(dpi / 0.0254));
    preview.fill(Qt::white);
    sayfayiCiz(preview, QPointF(0, 0), sayfa);

    const QRect a = ink(preview);
    const QRect b = ink(printed);
    QString seen;
    QDebug(&seen) << "preview" << a << "paper" << b;
    QVERIFY2(std::abs(a.left() - b.left()) <= 2 && std::abs(a.top() - b.top()) <= 2 &&
                 std::abs(a.right() - b.right()) <= 4 && std::abs(a.bottom() - b.bottom()) <= 2,
             qPrintable(seen));
}

void TestPreview::zoom() {
    ayarlari_yaz(varsayilanAyarlar());
    Form5 w;
    Onizleme *p = openPreview(w);
    QVERIFY(p);
    // In percent of true size: an A4 sheet's width at the screen's resolution.
    const double a4 = 210 / 25.4 * p->logicalDpiY();
    const auto shown = [p, a4](const char *button) {
        if (button)
            QTest::mouseClick(p->findChild<QPushButton *>(QString::fromLatin1(button)),
                              Qt::LeftButton);
        return qRound(p->kagit().width() / a4 * 100);
    };
    QCOMPARE(shown(nullptr), 100);
    QCOMPARE(shown("uzaklastir_dugmesi"), 90);
    QWidget *viewport = p->findChild<QScrollArea *>()->viewport();
    QWheelEvent turn(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), {}, {0, 240},
                     Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &turn);
    QCOMPARE(shown(nullptr), 110);
    shown("sigdir_dugmesi");
    const QSize room = viewport->size() - p->kagit().size();
    QVERIFY(room.width() >= 0 && room.height() >= 0 && std::min(room.width(), room.height()) < 50);
    QCOMPARE(shown("gercek_boyut_dugmesi"), 100);
}

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
