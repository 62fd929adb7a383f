#include "base/numbers.h"
#include "gui/Form3.h"
#include "gui/Form5.h"
#include "gui/Form7.h"
#include "gui/messages.h"
#include "gui/printersetup.h"
#include "invoice/invoiceprint.h"
#include "invoice/preview.h"
#include "invoice/workspace.h"
#include "printing/printtarget.h"
#include "store/invoices.h"
#include "tests/common/pdftext.h"
#include "tests/common/testdb.h"
#include "tests/common/widgets.h"

#include <QDeadlineTimer>
#include <QFontMetricsF>
#include <QLabel>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

namespace {

constexpr double ptPerMm = 72 / 25.4;
const QString fullSheetPpd = u"/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"_qs;

// Every word of a document at where it begins: points from the paper's corner.
QMultiHash<QString, QPointF> documentWords(const QString &document) {
    QProcess p;
    p.start(u"pdftotext"_qs, {u"-enc"_qs, u"UTF-8"_qs, u"-bbox"_qs, document, u"-"_qs});
    p.waitForFinished(60000);
    static const QRegularExpression word(
        uR"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)"[^>]*>([^<]*)</word>)re"_qs);
    QMultiHash<QString, QPointF> words;
    for (auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words.insert(m.captured(3), {m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    return words;
}

// The largest distance in millimetres from where the settings put each printed text's first
// word (after the blanks a number is printed with), counted from `origin`, to the nearest
// printed word of that text; `worst` names it.
double largestDeviation(const QList<RecordingPrinter::Line> &lines,
                        const QMultiHash<QString, QPointF> &printed, const QPointF &origin,
                        QString *worst) {
    QPdfWriter device(u"/dev/null"_qs);
    device.setResolution(1200);
    double largest = 0;
    for (const RecordingPrinter::Line &l : lines) {
        const QString first = l.text.section(u' ', 0, 0, QString::SectionSkipEmpty);
        if (first.isEmpty())
            continue;
        QFont font(l.fontName);
        font.setPointSizeF(l.fontSize);
        const double blanks =
            QFontMetricsF(font, &device).horizontalAdvance(l.text.left(l.text.indexOf(first)));
        const QPointF at = origin + QPointF(l.x / 20 + blanks * 72 / 1200, l.y / 20);
        double best = 1000;
        for (const QPointF &w : printed.values(first))
            best = std::min(best, std::max(std::abs(w.x() - at.x()), std::abs(w.y() - at.y())));
        if (best / ptPerMm >= largest) {
            largest = best / ptPerMm;
            *worst = u"%1: %2 mm"_qs.arg(first).arg(largest);
        }
    }
    return largest;
}

// The top ruler's centimetre numbers of a marks page: how far they sit, on average, from
// where they belong with no offset when the printable area's corner is at `corner` (points
// from the paper's corner), right and down, in millimetres. NaN unless all twenty are there.
QPointF rulerShift(const QString &document, const QPointF &corner) {
    QPointF sum;
    int numbers = 0;
    for (const auto &[word, at] : documentWords(document).asKeyValueRange()) {
        bool ok = false;
        const int mm = word.toInt(&ok);
        if (!ok || mm % 10 != 0 || mm <= 0 || at.y() > corner.y() + 6 * ptPerMm)
            continue;
        // Each number is 0,4 mm right of its tick and 2 mm down.
        sum += (at - corner) / ptPerMm - QPointF(mm + 0.4, 2);
        ++numbers;
    }
    return numbers == 20 ? sum / numbers : QPointF(qQNaN(), qQNaN());
}

// A number as the user types it and as the window reads it.
double typedNumber(const QString &text) {
    return inputNumber(text).value_or(qQNaN());
}

// Hands everything to another printer and lets the test act in between: once the first line
// of a document is drawn, and once a document has ended (`documents` have ended by then).
class Watched : public Printer {
public:
    using Step = std::function<void(bool ended, int documents)>;
    Watched(std::unique_ptr<Printer> inner, Step step)
        : m_inner(std::move(inner))
        , m_step(std::move(step)) {}

    void setFontName(const QString &name) override { m_inner->setFontName(name); }
    void setFontSize(double points) override { m_inner->setFontSize(points); }
    void setX(double twips) override { m_inner->setX(twips); }
    void setY(double twips) override { m_inner->setY(twips); }
    double x() const override { return m_inner->x(); }
    double y() const override { return m_inner->y(); }
    void printLine(const QString &text) override {
        m_inner->printLine(text);
        if (!m_drawing) {
            m_drawing = true;
            m_step(false, m_documents);
        }
    }
    void drawLine(double x1, double y1, double x2, double y2) override {
        m_inner->drawLine(x1, y1, x2, y2);
    }
    void newSheet() override { m_inner->newSheet(); }
    void endDocument() override {
        m_inner->endDocument();
        m_drawing = false;
        m_step(true, ++m_documents);
    }
    void finish() override { m_inner->finish(); }

private:
    std::unique_ptr<Printer> m_inner;
    Step m_step;
    bool m_drawing = false;
    int m_documents = 0;
};

} // namespace

class TestCups : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void placement_data();
    void placement();
    void refused_data();
    void refused();
    void refusedAfterSubmission();
    void missingDefault_data();
    void missingDefault();
    void offsetNote_data();
    void offsetNote();
    void printerWindowFollowsDefault();
    void queueRemovedDuringBatch_data();
    void queueRemovedDuringBatch();

private:
    QString cups(const QString &tool, const QStringList &arguments);
    void addQueue(const QString &name, const QStringList &driver);
    void setDefault(const QString &queue);
    QStringList jobs() const;
    std::unique_ptr<Form3> printSavedInvoice(bool *printed);
    PrinterSetupWindow *openPrinterWindow(Form5 &settings);

    QTemporaryDir m_dir;
    QProcess m_cupsd;
    std::unique_ptr<Workspace> m_workspace;
    QStringList m_said;
};

QString TestCups::cups(const QString &tool, const QStringList &arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStandardPaths::findExecutable(tool, {u"/usr/sbin"_qs, u"/usr/bin"_qs}),
            QStringList{u"-h"_qs, m_dir.filePath(u"cups.sock"_qs)} + arguments);
    const bool ok = p.waitForFinished(30000) && p.exitCode() == 0;
    return ok ? QString::fromLocal8Bit(p.readAll()) : u"failed: "_qs + p.readAll();
}

// Held jobs keep their document in the spool folder and never reach a filter or a device.
void TestCups::addQueue(const QString &name, const QStringList &driver) {
    const QString out =
        cups(u"lpadmin"_qs,
             QStringList{u"-p"_qs, name, u"-E"_qs, u"-v"_qs, u"file:///dev/null"_qs} + driver +
                 QStringList{u"-o"_qs, u"PageSize=A4"_qs, u"-o"_qs,
                             u"job-hold-until-default=indefinite"_qs});
    QVERIFY2(!out.startsWith(u"failed"_qs), qPrintable(out));
}

// A scheduler of the test's own on a socket in a temporary folder, which this process (and
// Qt in it) reaches through CUPS_SERVER, with a home folder of the test's own for the user's
// printer choices; queues as a new user meets them: a virtual PDF printer printing the whole
// sheet, a PostScript printer with 12 pt margins, a PDF printer with 18 pt at the sides and
// 36 pt at top and bottom, and one whose printable area starts at 12,49 pt and 5,67 pt.
void TestCups::initTestCase() {
    const QString cupsd = QStandardPaths::findExecutable(u"cupsd"_qs, {u"/usr/sbin"_qs});
    if (cupsd.isEmpty() || !QFile::exists(fullSheetPpd) || !havePdftotext())
        QSKIP("needs cupsd (cups), the CUPS-PDF driver (printer-driver-cups-pdf) and pdftotext");
    QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7755)); // for the lp user
    const QDir d(m_dir.path());
    d.mkpath(u"spool/tmp"_qs);
    d.mkpath(u"ev/.cups"_qs);
    QFile::setPermissions(d.filePath(u"spool/tmp"_qs), QFileDevice::Permissions(0x7777));
    QFile files(d.filePath(u"cups-files.conf"_qs)), conf(d.filePath(u"cupsd.conf"_qs));
    QVERIFY(files.open(QIODevice::WriteOnly) && conf.open(QIODevice::WriteOnly));
    files.write(u"ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1\n"
                "StateDir %1\nErrorLog %1/error_log\nAccessLog %1/access_log\nPageLog %1/page_log\n"
                "Printcap %1/printcap\nFileDevice Yes\n%2"_qs
                    .arg(d.path(),
                         ::geteuid() == 0 ? u"User lp\nGroup lp\nSystemGroup root\n"_qs : QString())
                    .toUtf8());
    conf.write(
        u"Listen %1/cups.sock\nBrowsing Off\nPreserveJobFiles Yes\nDefaultAuthType None\n"
        "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
        "<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n"_qs.arg(d.path())
            .toUtf8());
    files.close();
    conf.close();
    // The printing library reads these once, before its first request.
    qputenv("CUPS_SERVER", d.filePath(u"cups.sock"_qs).toLocal8Bit());
    qputenv("CUPS_SERVERROOT", d.path().toLocal8Bit());  // no client.conf of the system
    qputenv("HOME", d.filePath(u"ev"_qs).toLocal8Bit()); // no lpoptions of the user's
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
    m_cupsd.start(cupsd, {u"-f"_qs, u"-c"_qs, conf.fileName(), u"-s"_qs, files.fileName()});
    const QDeadlineTimer deadline(20000);
    while (!cups(u"lpstat"_qs, {u"-r"_qs}).contains(u"is running"_qs)) {
        if (deadline.hasExpired() || !m_cupsd.waitForStarted(0) ||
            m_cupsd.state() == QProcess::NotRunning)
            QSKIP(qPrintable(u"cupsd did not start: "_qs + m_cupsd.readAll()));
        QThread::msleep(50);
    }
    // The full sheet's description with another printable area on A4 (left, bottom, right and
    // top edges in points from the lower left corner).
    QFile fullSheet(fullSheetPpd), fractional(d.filePath(u"kesirli.ppd"_qs));
    QVERIFY(fullSheet.open(QIODevice::ReadOnly) && fractional.open(QIODevice::WriteOnly));
    fractional.write(
        fullSheet.readAll().replace(R"(*ImageableArea A4/A4: "0 0 595 842")",
                                    R"(*ImageableArea A4/A4: "12.49 5.67 582.51 836.33")"));
    fractional.close();
    addQueue(u"Tam"_qs, {u"-P"_qs, fullSheetPpd});
    addQueue(u"Kenarli"_qs, {u"-m"_qs, u"drv:///sample.drv/generic.ppd"_qs});
    addQueue(u"GenelPdf"_qs,
             {u"-P"_qs, u"/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd"_qs});
    addQueue(u"Kesirli"_qs, {u"-P"_qs, fractional.fileName()});
    QTRY_COMPARE(QPrinterInfo::availablePrinterNames().size(), 4);

    m_workspace = std::make_unique<Workspace>(m_dir.filePath(u"calisma"_qs));
    QVERIFY(d.mkpath(u"calisma"_qs));
    m_workspace->seams.printerOffsetsFile = m_dir.filePath(u"kaymalar.ini"_qs);
    ayarlari_yaz(defaultSettings(), m_workspace->settingsPath());
    createDatabase(m_workspace->databasePath());
    Database db(m_workspace->databasePath(), Database::Access::Write);
    QVERIFY(insertInvoice(db,
                          {u"7"_qs, u"Şükrü Öztürk"_qs, u"Atatürk Cad. 5"_qs, u"Kat 2"_qs,
                           u"Konak 42"_qs, 1, u"05.03.2024"_qs, u"İ-9"_qs, u"04.03.2024"_qs, 125},
                          {{2, u"Vida M8"_qs, u"10"_qs, u"50"_qs, u"90,00"_qs},
                           {1.5, u"Somun"_qs, {}, u"1250.5"_qs, u"1.875,75"_qs}}));
    // A campaign of eight invoices, numbers 21 to 28.
    QStringList headers, lines;
    for (int n = 21; n <= 28; ++n) {
        headers << u"(%1, 'ANKARA', '2024-11-05', 'Çankaya', 'Müşteri %1', 'Adres', 0)"_qs.arg(n);
        lines << u"(%1, 'Çay', 2, 12.5)"_qs.arg(n);
    }
    testdb::sql(m_workspace->databasePath(),
                {u"CREATE TABLE KAMPANYAT (ADI TEXT)"_qs,
                 u"CREATE TABLE FATCARIKAMPANYAT (SIRANO, DAGITIM_BOLGESI, FATURA_TARIHI, "
                 "BOLGE, ADI_SOYADI, ADRESI, ISKONTO)"_qs,
                 u"CREATE TABLE FATSTOKKAMPANYAT (FATURANO, ACIKLAMA, MIKTAR, BR_FIYAT)"_qs,
                 u"INSERT INTO FATCARIKAMPANYAT VALUES "_qs + headers.join(u','),
                 u"INSERT INTO FATSTOKKAMPANYAT VALUES "_qs + lines.join(u',')});
    Messages::setTestHandler([this](const Messages::Message &m) {
        m_said << m.text;
        return true;
    });
}

void TestCups::cleanupTestCase() {
    Messages::setTestHandler({});
    m_cupsd.terminate();
    if (!m_cupsd.waitForFinished(10000))
        m_cupsd.kill();
}

void TestCups::init() {
    m_said.clear();
    m_workspace->seams.printTarget = {};
    QFile::remove(m_workspace->seams.printerOffsetsFile);
}

void TestCups::setDefault(const QString &queue) {
    cups(u"lpadmin"_qs, {u"-d"_qs, queue});
    QTRY_COMPARE(QPrinterInfo::defaultPrinterName(), queue);
}

QStringList TestCups::jobs() const {
    const QDir spool(m_dir.filePath(u"spool"_qs));
    QStringList documents;
    for (const QString &f : spool.entryList({u"d*-001"_qs}, QDir::Files, QDir::Name))
        documents << spool.filePath(f);
    return documents;
}

std::unique_ptr<Form3> TestCups::printSavedInvoice(bool *printed) {
    auto w = std::make_unique<Form3>(*m_workspace);
    w->show();
    w->faturabul(u"125"_qs);
    *printed = w->yazdir();
    return w;
}

PrinterSetupWindow *TestCups::openPrinterWindow(Form5 &settings) {
    clickCaption(&settings, "yazici_dugmesi");
    auto *w = settings.findChild<PrinterSetupWindow *>();
    return w && w->isVisible() ? w : nullptr;
}

// A saved invoice printed from the invoice window on the default printer: every value lands
// where the settings put it from the corner of the printable area, moved by the printer's
// offset, also where that corner is not on a whole point. The preview counts from the same
// corner.
void TestCups::placement_data() {
    QTest::addColumn<QString>("queue");
    QTest::addColumn<QMarginsF>("margins"); // the printable margins its driver gives, in points
    QTest::addColumn<PrinterOffset>("offset");
    QTest::newRow("whole sheet, +2,0 / -1,5 mm")
        << u"Tam"_qs << QMarginsF() << PrinterOffset{2.0, -1.5};
    QTest::newRow("12 pt margins") << u"Kenarli"_qs << QMarginsF(12, 12, 12, 12) << PrinterOffset{};
    QTest::newRow("18/36 pt margins")
        << u"GenelPdf"_qs << QMarginsF(18, 36, 18, 36) << PrinterOffset{};
    QTest::newRow("12,49/5,67 pt margins")
        << u"Kesirli"_qs << QMarginsF(12.49, 5.67, 12.49, 5.67) << PrinterOffset{};
}

void TestCups::placement() {
    QFETCH(QString, queue);
    QFETCH(QMarginsF, margins);
    QFETCH(PrinterOffset, offset);
    setDefault(queue);
    m_workspace->printerOffsets().setOffset(queue, offset);
    const qsizetype before = jobs().size();
    bool printed = false;
    const auto w = printSavedInvoice(&printed);
    QVERIFY2(printed && m_said.isEmpty() && !w->isVisible(), qPrintable(m_said.join(u'\n')));
    QCOMPARE(jobs().size(), before + 1);

    RecordingPrinter settingsSay;
    printInvoice(settingsSay, m_workspace->readSettings(23), storedForm(w->invoice()));
    QString worst;
    const double deviation = largestDeviation(
        settingsSay.lines(), documentWords(jobs().last()),
        QPointF(margins.left() + offset.x * ptPerMm, margins.top() + offset.y * ptPerMm), &worst);
    QVERIFY2(deviation <= 0.05, qPrintable(worst));

    const QRectF area = ::printableArea(); // the preview's, of the default printer
    QVERIFY2(std::abs(area.left() - margins.left()) < 0.01 &&
                 std::abs(area.top() - margins.top()) < 0.01,
             qPrintable(u"%1, %2"_qs.arg(area.left()).arg(area.top())));
    QCOMPARE(qRound(area.right() + margins.right()), qRound(a4Paper().width()));
}

// A printer that cannot take the invoice: a message naming it, no job, no word of success,
// and the invoice window stays open.
void TestCups::refused_data() {
    QTest::addColumn<QString>("command"); // what happens to the queue once it was chosen
    QTest::addColumn<QString>("said");
    QTest::newRow("stopped") << u"cupsdisable"_qs << u"Yazıcı durdurulmuş: Gecici"_qs;
    QTest::newRow("rejecting") << u"cupsreject"_qs << u"Yazıcı yeni iş kabul etmiyor: Gecici"_qs;
}

void TestCups::refused() {
    QFETCH(QString, command);
    QFETCH(QString, said);
    addQueue(u"Gecici"_qs, {u"-P"_qs, fullSheetPpd});
    setDefault(u"Gecici"_qs);
    m_workspace->seams.printTarget = [&](const QString &stem, PdfPrinter::Mode mode) {
        PrintTarget t = programPrintTarget(stem, mode, m_workspace->folder());
        cups(command.section(u' ', 0, 0), command.split(u' ').mid(1) << u"Gecici"_qs);
        return t;
    };
    const qsizetype before = jobs().size();
    bool printed = true;
    const auto w = printSavedInvoice(&printed);
    QVERIFY(!printed && w->isVisible());
    QCOMPARE(m_said.size(), 1);
    QVERIFY2(m_said[0].startsWith(said) &&
                 m_said[0].endsWith(u"\n\n125 numaralı fatura yazdırılmadı."_qs),
             qPrintable(m_said[0]));

    QCOMPARE(jobs().size(), before);
    cups(u"lpadmin"_qs, {u"-x"_qs, u"Gecici"_qs});
}

// The printing system refuses the job itself, after the printer was found ready: the
// submission's own result is read, not Qt's silence.
void TestCups::refusedAfterSubmission() {
    SystemPrinter printer(u"Kenarli"_qs);
    printer.printLine(u"Deneme"_qs);
    cups(u"cupsreject"_qs, {u"Kenarli"_qs});
    const QString message = testdb::thrownText<PrinterError>([&] { printer.endDocument(); });
    cups(u"cupsaccept"_qs, {u"Kenarli"_qs});
    QVERIFY2(message.startsWith(u"Yazıcı baskı işini almadı: Kenarli\n"_qs) &&
                 message.contains(u"not accepting jobs"_qs),
             qPrintable(message));
}

// No default printer among the installed ones: the default was removed, or the user's own
// choice names a queue that is not there. Nothing is printed, on another printer or into a
// PDF; the message names the missing printer and the invoice window stays open. The printer
// window says the same.
void TestCups::missingDefault_data() {
    QTest::addColumn<QString>("namedBy");
    QTest::addColumn<QString>("said"); // what both say first
    const QString lpoptions = QDir::toNativeSeparators(m_dir.filePath(u"ev/.cups/lpoptions"_qs));
    QTest::newRow("removed") << QString()
                             << u"Varsayılan yazıcı bulunamadı: Gecici\nBu yazıcı kaldırılmış; "
                                "kurulu yazıcılardan birini varsayılan yazıcı yapın."_qs;
    for (const QString &variable : {u"LPDEST"_qs, u"PRINTER"_qs})
        QTest::newRow(qPrintable(variable))
            << variable
            << u"Varsayılan yazıcı bulunamadı: Yok\n%1 ortam değişkeninde varsayılan yazıcı olarak "
               "bu ad yazılı, ama bu adla kurulu bir yazıcı yok; o ayarı düzeltin."_qs.arg(
                   variable);
    QTest::newRow("lpoptions")
        << u"lpoptions"_qs
        << u"Varsayılan yazıcı bulunamadı: Yok\n%1 dosyasında varsayılan yazıcı olarak bu ad "
           "yazılı, ama bu adla kurulu bir yazıcı yok; o ayarı düzeltin."_qs.arg(lpoptions);
}

void TestCups::missingDefault() {
    QFETCH(QString, namedBy);
    QFETCH(QString, said);
    const QString lpoptions = m_dir.filePath(u"ev/.cups/lpoptions"_qs);
    const auto restore = qScopeGuard([&] {
        qunsetenv("LPDEST");
        qunsetenv("PRINTER");
        QFile::remove(lpoptions);
    });
    if (namedBy.isEmpty()) {
        // The program has printed on it, so it knows the name once it is gone.
        addQueue(u"Gecici"_qs, {u"-P"_qs, fullSheetPpd});
        setDefault(u"Gecici"_qs);
        bool printed = false;
        printSavedInvoice(&printed);
        QVERIFY(printed);
        cups(u"lpadmin"_qs, {u"-x"_qs, u"Gecici"_qs});
        QTRY_VERIFY(QPrinterInfo::defaultPrinterName().isEmpty());
    } else {
        setDefault(u"Tam"_qs); // the system's own choice, which the user's one overrides
        if (namedBy == u"lpoptions") {
            QFile file(lpoptions);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Default Yok\n");
        } else {
            qputenv(namedBy.toLatin1(), "Yok");
        }
    }
    m_said.clear();
    const QString installed =
        u"\nKurulu yazıcılar: "_qs + QPrinterInfo::availablePrinterNames().join(u", "_qs);
    const QDir pdfs(m_workspace->filePath(u"baskilar"_qs));
    const qsizetype pdfsBefore = pdfs.entryList(QDir::Files).size();
    const qsizetype before = jobs().size();
    bool printed = true;
    const auto w = printSavedInvoice(&printed);
    QVERIFY(!printed && w->isVisible());
    QCOMPARE(m_said, QStringList{said + installed +
                                 u"\nBaskı başka bir yazıcıya gönderilmedi.\n\n"
                                 "125 numaralı fatura yazdırılmadı."_qs});
    QCOMPARE(jobs().size(), before);
    QCOMPARE(pdfs.entryList(QDir::Files).size(), pdfsBefore);

    Form5 settings(*m_workspace);
    settings.show();
    PrinterSetupWindow *pw = openPrinterWindow(settings);
    QVERIFY(pw);
    QCOMPARE(field<QLabel>(pw, "yazici_etiketi")->text(), said + installed);
    QVERIFY(!field<QPushButton>(pw, "deneme_baskisi_dugmesi")->isEnabled() &&
            !field<QPushButton>(pw, "kaydet_dugmesi")->isEnabled());
}

// The printer window's note, followed to the letter on a printer whose form sits off: the
// marks page shows how far the marks slid from the form's boxes, the user types what the
// note says, and the next marks page sits on the form within a tenth of a millimetre. First
// the note's own worked example, then a user whose kept offset was typed the old way.
void TestCups::offsetNote_data() {
    QTest::addColumn<PrinterOffset>("kept");
    QTest::addColumn<PrinterOffset>("form"); // where the form's boxes sit from where the
                                             // layout puts them, mm right and down
    QTest::newRow("the note's example") << PrinterOffset{} << PrinterOffset{qQNaN(), qQNaN()};
    QTest::newRow("kept the old way") << PrinterOffset{2, 0} << PrinterOffset{-2.1, 0.6};
}

void TestCups::offsetNote() {
    QFETCH(PrinterOffset, kept);
    QFETCH(PrinterOffset, form);
    setDefault(u"Tam"_qs); // its printable area is the whole sheet
    m_workspace->printerOffsets().setOffset(u"Tam"_qs, kept);
    Form5 settings(*m_workspace);
    settings.show();
    PrinterSetupWindow *w = openPrinterWindow(settings);
    QVERIFY(w);
    const QLabel *note = w->findChild<QLabel *>(u"kayma_notu"_qs);
    QVERIFY(note);
    static const QRegularExpression example(
        uR"(Örnek: kutular 0 iken işaretler ([\d,]+) mm sağa ve ([\d,]+) mm yukarı kaymışsa )"
        uR"("Baskıyı sağa kaydır" kutusuna (-?[\d,]+), "Baskıyı aşağı kaydır" kutusuna )"
        uR"((-?[\d,]+) yazın\.)"_qs);
    const QRegularExpressionMatch m = example.match(note->text());
    QVERIFY2(m.hasMatch(), qPrintable(note->text()));
    const bool noteExample = std::isnan(form.x);
    if (noteExample)
        form = {-typedNumber(m.captured(1)), typedNumber(m.captured(2))};

    click(w, "deneme_baskisi_dugmesi");
    const QPointF landed = rulerShift(jobs().last(), {}) - QPointF(form.x, form.y);
    // What a person reads off the form with a ruler: tenths of a millimetre.
    const QPointF slid(std::round(landed.x() * 10) / 10, std::round(landed.y() * 10) / 10);
    QStringList typed;
    if (noteExample) {
        QCOMPARE(slid, QPointF(typedNumber(m.captured(1)), -typedNumber(m.captured(2))));
        typed = QStringList{m.captured(3), m.captured(4)};
    } else {
        // The note's rule: what the marks slid right or down comes off the box's number.
        typed = QStringList{plainNumberText(kept.x - slid.x()), plainNumberText(kept.y - slid.y())};
    }
    setText(w, "kayma_x", typed[0]);
    setText(w, "kayma_y", typed[1]);
    click(w, "deneme_baskisi_dugmesi");
    const QPointF off = rulerShift(jobs().last(), {}) - QPointF(form.x, form.y);
    QVERIFY2(std::abs(off.x()) <= 0.1 && std::abs(off.y()) <= 0.1,
             qPrintable(u"typed %1; the marks are %2 mm right and %3 mm down of the boxes"_qs.arg(
                 typed.join(u" / "_qs), plainNumberText(std::round(off.x() * 10) / 10),
                 plainNumberText(std::round(off.y() * 10) / 10))));
    QCOMPARE(m_said, QStringList(2, u"Deneme baskısı yazıcıya gönderildi: Tam"_qs));
}

// The printer window reads the default printer each time it is shown, with that printer's
// kept offset; the values typed are tried and kept for the printer it names, even when the
// default changes while it is open.
void TestCups::printerWindowFollowsDefault() {
    m_workspace->printerOffsets().setOffset(u"Tam"_qs, {1, 1});
    m_workspace->printerOffsets().setOffset(u"Kenarli"_qs, {0.5, -0.5});
    setDefault(u"Tam"_qs);
    Form5 settings(*m_workspace);
    settings.show();
    PrinterSetupWindow *w = openPrinterWindow(settings);
    QVERIFY(w && w->printerName() == u"Tam");
    QCOMPARE(texts(w, {"kayma_x", "kayma_y"}), (QStringList{"1", "1"}));
    w->close();

    setDefault(u"Kenarli"_qs);
    QCOMPARE(openPrinterWindow(settings), w);
    QCOMPARE(field<QLabel>(w, "yazici_etiketi")->text(), u"Varsayılan yazıcı: Kenarli"_qs);
    QCOMPARE(texts(w, {"kayma_x", "kayma_y"}), (QStringList{"0,5", "-0,5"}));
    setText(w, "kayma_x", u"2,0"_qs);
    setText(w, "kayma_y", u"-1,5"_qs);
    setDefault(u"Tam"_qs);
    click(w, "deneme_baskisi_dugmesi");
    QCOMPARE(m_said, QStringList{u"Deneme baskısı yazıcıya gönderildi: Kenarli"_qs});
    // Kenarli's printable area starts 12 pt in; the rulers moved by the typed offset.
    const QPointF moved = rulerShift(jobs().last(), {12, 12});
    QVERIFY2(std::abs(moved.x() - 2.0) < 0.1 && std::abs(moved.y() + 1.5) < 0.1,
             qPrintable(u"%1 / %2"_qs.arg(moved.x()).arg(moved.y())));
    QCOMPARE(m_workspace->printerOffsets().offset(u"Kenarli"_qs), (PrinterOffset{0.5, -0.5}));

    click(w, "kaydet_dugmesi");
    QCOMPARE(m_said.mid(1),
             QStringList{u"Yazıcı kayması kaydedildi: Kenarli\nsağa 2 mm, aşağı -1,5 mm"_qs});
    QCOMPARE(m_workspace->printerOffsets().offset(u"Kenarli"_qs), (PrinterOffset{2.0, -1.5}));
    QCOMPARE(m_workspace->printerOffsets().offset(u"Tam"_qs), (PrinterOffset{1, 1}));
}

// A campaign of eight invoices on a queue that goes half-way through: its first two jobs were
// printed, the third was cancelled in the queue and the fourth went with the queue. The
// message says so, in Turkish before any words of the printing system's, and where to start
// again.
void TestCups::queueRemovedDuringBatch_data() {
    QTest::addColumn<bool>("whileDrawing"); // deleted while the fifth invoice is drawn
    QTest::addColumn<QString>("failure");   // what the message says first, in Turkish
    QTest::newRow("between two invoices") << false << u"Yazıcı bulunamadı: Silinen"_qs;
    QTest::newRow("while an invoice is drawn")
        << true << u"Yazıcı baskı işini almadı: Silinen\nYazıcı bu arada kaldırılmış."_qs;
}

void TestCups::queueRemovedDuringBatch() {
    QFETCH(bool, whileDrawing);
    QFETCH(QString, failure);
    // A queue that sends its jobs straight to its device once they are let go.
    addQueue(u"Silinen"_qs, {u"-m"_qs, u"raw"_qs});
    setDefault(u"Silinen"_qs);
    const auto step = [&](bool ended, int documents) {
        static const QRegularExpression job(u"^(Silinen-\\d+)"_qs,
                                            QRegularExpression::MultilineOption);
        if (ended && documents <= 3) {
            // The job just taken, the only one waiting: let go, or at the third cancelled.
            const QString waiting = cups(u"lpstat"_qs, {u"-o"_qs, u"Silinen"_qs});
            const QString id = job.match(waiting).captured(1);
            QVERIFY2(!id.isEmpty(), qPrintable(waiting));
            if (documents == 3)
                cups(u"cancel"_qs, {id});
            else
                cups(u"lp"_qs, {u"-i"_qs, id, u"-H"_qs, u"resume"_qs});
            QTRY_VERIFY(cups(u"lpstat"_qs, {u"-o"_qs, u"Silinen"_qs}).trimmed().isEmpty());
        }
        if (documents == 4 && ended != whileDrawing)
            cups(u"lpadmin"_qs, {u"-x"_qs, u"Silinen"_qs});
    };
    m_workspace->seams.printTarget = [&](const QString &stem, PdfPrinter::Mode mode) {
        PrintTarget t =
            programPrintTarget(stem, mode, m_workspace->folder(), m_workspace->printerOffsets());
        t.printer = std::make_unique<Watched>(std::move(t.printer), step);
        return t;
    };
    Shown<Form7> w(*m_workspace);
    auto *campaign = field<QComboBox>(&w, "Combo1");
    campaign->setCurrentIndex(campaign->findText(u"KAMPANYAT"_qs));
    w.yazdir();
    QVERIFY(w.isVisible());
    QCOMPARE(m_said.size(), 1);
    const QString said = m_said[0];
    QVERIFY2(said.startsWith(failure + u'\n') &&
                 said.endsWith(u"\n\n8 faturadan 2 tanesi yazıcıya ulaştı. 2 tanesi yazdırma "
                               "sistemine verilmişti, ama basılmadan silindi.\nBaskıyı 23 "
                               "numaralı faturadan yeniden başlatın."_qs),
             qPrintable(said));
}

QTEST_MAIN(TestCups)
#include "test_cups.moc"
