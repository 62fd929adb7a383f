#include "printing/painterprinter.h"

#include "base/savefile.h"
#include "printing/printerstatus.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QScopeGuard>

#include <cmath>

namespace {

constexpr double twipsPerInch = 1440;
constexpr double millimetresPerInch = 25.4;
// The lines of a page that measures a printer: thin, but no printer loses them.
constexpr double lineWidthMm = 0.2;

// The empty file that held a PDF's name (see pdfPrintTarget) goes when the PDF is not written.
void dropEmptyFile(const QString &path) {
    const QFileInfo info(path);
    if (info.isFile() && info.size() == 0)
        QFile::remove(path);
}

int deviceUnits(double twips, int dpi) {
    // clampedTwips keeps the product far inside the range of int.
    return int(std::lround(clampedTwips(twips) * dpi / twipsPerInch));
}

} // namespace

PainterPrinter::PainterPrinter() {
    m_font.setPointSizeF(10);
}

PainterPrinter::~PainterPrinter() = default;

void PainterPrinter::setFontName(const QString &name) {
    if (!name.isEmpty() && name != m_font.family()) {
        m_font.setFamily(name);
        m_fontReady = false;
    }
}

void PainterPrinter::setFontSize(double points) {
    // QFont refuses sizes <= 0 with a warning; an unusable size keeps the current one.
    if (usableFontSize(points) && points != m_font.pointSizeF()) {
        m_font.setPointSizeF(points);
        m_fontReady = false;
    }
}

void PainterPrinter::setX(double twips) {
    m_x = clampedTwips(twips);
}

void PainterPrinter::setY(double twips) {
    m_y = clampedTwips(twips);
}

void PainterPrinter::ensureDocument() {
    if (m_inDocument)
        return;
    startDocument(m_painter);
    m_inDocument = true;
    m_fontReady = false;
}

void PainterPrinter::printLine(const QString &text) {
    ensureDocument();
    const int dpiX = m_painter.device()->logicalDpiX();
    const int dpiY = m_painter.device()->logicalDpiY();
    if (!m_fontReady) {
        // The painter's own metrics are those of the device's resolution; a QFontMetrics of
        // the bare font would measure at screen resolution.
        m_painter.setFont(m_font);
        const QFontMetrics metrics = m_painter.fontMetrics();
        m_ascent = metrics.ascent();
        m_lineHeightTwips = metrics.lineSpacing() * twipsPerInch / dpiY;
        m_fontReady = true;
    }
    m_painter.drawText(QPoint(deviceUnits(m_x, dpiX), deviceUnits(m_y, dpiY) + m_ascent), text);
    m_x = 0;
    m_y = clampedTwips(m_y + m_lineHeightTwips);
}

void PainterPrinter::drawLine(double x1, double y1, double x2, double y2) {
    ensureDocument();
    const int dpiX = m_painter.device()->logicalDpiX();
    const int dpiY = m_painter.device()->logicalDpiY();
    m_painter.save();
    m_painter.setPen(QPen(Qt::black, lineWidthMm * dpiX / millimetresPerInch));
    m_painter.drawLine(QPoint(deviceUnits(x1, dpiX), deviceUnits(y1, dpiY)),
                       QPoint(deviceUnits(x2, dpiX), deviceUnits(y2, dpiY)));
    m_painter.restore();
}

void PainterPrinter::newSheet() {
    m_x = 0;
    m_y = 0;
    // A sheet before anything was printed is the document's first.
    if (m_inDocument)
        startSheet(m_painter);
}

void PainterPrinter::endDocument() {
    m_x = 0;
    m_y = 0;
    if (!m_inDocument)
        return;
    m_inDocument = false;
    closeDocument(m_painter);
}

void PainterPrinter::finish() {
    endDocument();
    closeOutput(m_painter);
}

void PainterPrinter::endPainter(QPainter &painter, const QString &message) {
    if (painter.isActive() && !painter.end())
        throw PrinterError(message);
}

void PainterPrinter::finishQuietly() noexcept {
    try {
        finish();
    } catch (...) {
        if (m_painter.isActive())
            m_painter.end();
    }
}

// ---------------------------------------------------------------------------------------

PdfPrinter::PdfPrinter(const QString &path, Mode mode)
    : m_path(path)
    , m_mode(mode) {}

PdfPrinter::~PdfPrinter() {
    finishQuietly();
}

QString PdfPrinter::numberedPath(const QString &path, int number) {
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QStringLiteral("pdf") : info.suffix();
    const QString name =
        QStringLiteral("%1-%2.%3").arg(info.completeBaseName()).arg(number).arg(suffix);
    return info.dir().filePath(name);
}

QPageLayout PdfPrinter::pageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Point);
}

void PdfPrinter::openWriter(QPainter &painter, const QString &path) {
    m_currentFile = path;
    m_file = std::make_unique<QSaveFile>(path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        const QString why = m_file->errorString();
        m_file.reset();
        dropEmptyFile(path);
        throw PrinterError(QStringLiteral("PDF dosyası yazılamadı: %1\n%2").arg(path, why));
    }
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setCreator(QStringLiteral("Fatura"));
    m_writer->setResolution(1200);
    m_writer->setPageLayout(pageLayout());
    if (!painter.begin(m_writer.get())) {
        m_writer.reset();
        m_file.reset();
        dropEmptyFile(path);
        throw PrinterError(QStringLiteral("PDF dosyası yazılamadı: %1").arg(path));
    }
}

void PdfPrinter::closeFile(QPainter &painter) {
    const QString file = m_currentFile;
    const auto failed = [&](const QString &why) {
        m_writer.reset();
        m_file.reset();
        dropEmptyFile(file);
        return PrinterError(QStringLiteral("PDF dosyası yazılamadı: %1\n%2").arg(file, why));
    };
    if (painter.isActive() && !painter.end())
        throw failed(QStringLiteral("PDF tamamlanamadı."));
    m_writer.reset();
    if (!m_file)
        return;
    const QString why = commitSaveFile(*m_file);
    if (!why.isEmpty())
        throw failed(why);
    m_file.reset();
    m_files.append(file);
}

void PdfPrinter::startDocument(QPainter &painter) {
    ++m_documents;
    if (m_mode == FilePerDocument) {
        openWriter(painter, numberedPath(m_path, m_documents));
    } else if (!painter.isActive()) {
        openWriter(painter, m_path);
    } else if (!m_writer->newPage()) {
        throw PrinterError(QStringLiteral("PDF dosyasına sayfa eklenemedi: %1").arg(m_path));
    }
}

void PdfPrinter::startSheet(QPainter &) {
    if (!m_writer->newPage())
        throw PrinterError(QStringLiteral("PDF dosyasına sayfa eklenemedi: %1").arg(m_currentFile));
}

void PdfPrinter::closeDocument(QPainter &painter) {
    if (m_mode == FilePerDocument)
        closeFile(painter);
}

void PdfPrinter::closeOutput(QPainter &painter) {
    if (m_mode == OneFile && m_documents == 0) {
        // Nothing was printed: leave no file behind, not even the empty one that held the
        // name (see pdfPrintTarget).
        dropEmptyFile(m_path);
        return;
    }
    if (!painter.isActive())
        return;
    closeFile(painter);
}

// ---------------------------------------------------------------------------------------

SystemPrinter::SystemPrinter(const QString &printerName)
    : m_titleStem(QStringLiteral("Fatura %1%2-")
                      .arg(QString::number(QCoreApplication::applicationPid(), 36),
                           QString::number(QDateTime::currentMSecsSinceEpoch(), 36))) {
    if (printerName.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            throw PrinterError(QStringLiteral("Bu bilgisayarda kurulu bir yazıcı yok."));
        m_name = info.printerName();
    } else {
        // Qt silently falls back to the default printer for a name it does not know.
        if (!QPrinterInfo::availablePrinterNames().contains(printerName))
            throw PrinterError(QStringLiteral("Yazıcı bulunamadı: %1").arg(printerName));
        m_name = printerName;
    }
    m_jobs = JobWatch(m_name);
}

SystemPrinter::~SystemPrinter() {
    finishQuietly();
}

void SystemPrinter::startDocument(QPainter &painter) {
    // A printer that went away, stopped or refuses jobs since it was chosen: Qt would hand
    // the job to another printer, let it wait unprinted, or lose it without a word.
    checkPrinterReady(m_name);
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setPrinterName(m_name);
    if (m_printer->printerName() != m_name) {
        m_printer.reset();
        throw PrinterError(QStringLiteral("Yazıcı bulunamadı: %1").arg(m_name));
    }
    usePrintableArea(*m_printer);
    m_title = m_titleStem + QString::number(++m_documents);
    m_printer->setDocName(m_title);
    if (!painter.begin(m_printer.get())) {
        m_printer.reset();
        throw PrinterError(QStringLiteral("Yazıcıya yazdırılamadı: %1").arg(m_name));
    }
    const int resolution = m_printer->resolution();
    const double dotsPerMm = resolution / millimetresPerInch;
    painter.translate(originRounding(m_printer->pageLayout(), resolution) +
                      QPointF(m_offset.x * dotsPerMm, m_offset.y * dotsPerMm));
}

void SystemPrinter::startSheet(QPainter &) {
    if (!m_printer->newPage())
        throw PrinterError(QStringLiteral("Yazıcıya yazdırılamadı: %1").arg(m_name));
}

void SystemPrinter::closeDocument(QPainter &painter) {
    const auto release = qScopeGuard([this] { m_printer.reset(); });
    endPainter(painter, QStringLiteral("Yazıcıya yazdırılamadı: %1").arg(m_name));
    // Nothing may talk to the printing system between the painter's end and this.
    checkJobAccepted(m_name);
    m_jobs.taken(m_title);
}

void usePrintableArea(QPrinter &printer) {
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
}

QPointF originRounding(const QPageLayout &layout, int resolution) {
    const QPointF exact = layout.paintRect(QPageLayout::Point).topLeft() * resolution / 72.0;
    return exact - QPointF(layout.paintRectPixels(resolution).topLeft());
}

QRectF printableArea(const QPrinterInfo &info) {
    QPrinter printer(info, QPrinter::HighResolution);
    usePrintableArea(printer);
    return printer.pageLayout().paintRect(QPageLayout::Point);
}
