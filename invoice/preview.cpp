#include "invoice/preview.h"

#include "base/numbers.h"
#include "invoice/invoice.h"
#include "invoice/saving.h"
#include "printing/painterprinter.h"
#include "store/database.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <exception>

namespace {

// Prints one sheet of a document on a picture of the paper: a PainterPrinter whose painter
// starts at the printable area's corner of any paint device, keeping every line of that
// sheet as it goes; the other sheets' lines are left out.
class PagePrinter : public PainterPrinter {
public:
    PagePrinter(QPaintDevice &device, const QPointF &printCorner, int sheet)
        : m_device(device)
        , m_corner(printCorner)
        , m_wanted(sheet) {}
    ~PagePrinter() override { finishQuietly(); }

    void setFontName(const QString &name) override {
        m_fontName = name;
        PainterPrinter::setFontName(name);
    }
    void setFontSize(double points) override {
        m_fontSize = points;
        PainterPrinter::setFontSize(points);
    }
    void printLine(const QString &text) override {
        if (m_sheet != m_wanted)
            return;
        m_printedLines.append({text, m_fontName, m_fontSize, x(), y(), 0, m_sheet});
        PainterPrinter::printLine(text);
    }
    // One picture is one sheet: only count them.
    void newSheet() override {
        ++m_sheet;
        setX(0);
        setY(0);
    }

    const QList<RecordingPrinter::Line> &printedLines() const { return m_printedLines; }

protected:
    void startDocument(QPainter &painter) override {
        if (!painter.begin(&m_device))
            throw PrinterError(QStringLiteral("Önizleme çizilemedi."));
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.translate(m_corner);
    }
    void startSheet(QPainter &) override {}
    void closeDocument(QPainter &painter) override { painter.end(); }

private:
    QPaintDevice &m_device;
    QPointF m_corner;
    int m_wanted = 0;
    int m_sheet = 0;
    QString m_fontName;
    double m_fontSize = 10;
    QList<RecordingPrinter::Line> m_printedLines;
};

StoredRow sampleRow(double quantity, const char *description, const char *discount,
                    const char *price) {
    StoredRow s;
    s.miktar = quantity;
    s.aciklama = QString::fromUtf8(description);
    s.iskonto = QString::fromLatin1(discount);
    s.br_fiyat = QString::fromLatin1(price);
    s.tutar = moneyText(quantity * leadingNumber(*s.br_fiyat));
    return s;
}

const QColor cornerColour(210, 0, 110);

// The printable area, and the corner positions count from (its own corner, or where the
// printer's offset moves it).
void drawCorner(QPainter &p, const QRectF &area, const QPointF &origin, double pixelsPerPoint) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(cornerColour, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    // The corner itself, and its name in the margin above it.
    const double armLength = 36 * pixelsPerPoint;
    p.setPen(QPen(cornerColour, 2));
    p.drawLine(origin, origin + QPointF(armLength, 0));
    p.drawLine(origin, origin + QPointF(0, armLength));
    QFont f;
    f.setPointSizeF(6);
    p.setFont(f);
    p.drawText(origin + QPointF(2 * pixelsPerPoint, -2 * pixelsPerPoint), QStringLiteral("0,0"));
}

} // namespace

QList<StoredRow> sampleInvoiceRows(const QDate &date) {
    const QString day = date.toString(QStringLiteral("dd.MM.yyyy"));
    QList<StoredRow> rows = {
        sampleRow(2, "Çay bardağı takımı (6'lı)", "", "145.50"),
        sampleRow(10, "Toz şeker, 1 kg", "5", "32.75"),
        sampleRow(1, "Ütü masası", "", "899.90"),
    };
    for (StoredRow &s : rows) {
        s.musterino = QStringLiteral("1");
        s.adi_soyadi = QStringLiteral("Örnek Gıda ve Ticaret Ltd. Şti.");
        s.adresi = QStringLiteral("Atatürk Cad. No: 15");
        s.adresi2 = QStringLiteral("Çankaya / ANKARA");
        s.vergidaire_no = QStringLiteral("Çankaya V.D. 1234567890");
        s.kdvdahil = VatExcluded;
        s.fatura_tarihi = day;
        s.irsaliye_no = QStringLiteral("A-004512");
        s.irsaliye_tarihi = day;
        s.faturano = 1;
    }
    return rows;
}

PreviewInvoice previewInvoice(const QString &databaseFile) {
    PreviewInvoice f;
    try {
        Database db(databaseFile);
        if (const std::optional<qint64> last = largestInvoiceNumber(db)) {
            const StoredInvoice stored = storedInvoice(db, *last);
            f.rows = stored.rows;
            f.info = stored.info;
            f.caption = QStringLiteral("Son kayıtlı fatura: %1").arg(*last);
            Invoice probe;
            const QString problem = loadStoredInvoice(probe, stored);
            if (!problem.isEmpty()) {
                f.rows.clear();
                f.info = InvoiceInfo();
                f.caption = problem + QStringLiteral("\nÖrnek fatura gösteriliyor.");
            }
        } else {
            f.caption = QStringLiteral("Veritabanında kayıtlı fatura yok; örnek fatura "
                                       "gösteriliyor.");
        }
    } catch (const std::exception &e) {
        f.rows.clear();
        f.caption =
            QStringLiteral("Veritabanı okunamadı; örnek fatura gösteriliyor.\n") + failureText(e);
    }
    if (f.rows.isEmpty()) {
        f.rows = sampleInvoiceRows();
        f.sample = true;
    }
    return f;
}

Invoice previewModel(const QList<StoredRow> &rows, const InvoiceInfo &info,
                     const QString &vatRate) {
    Invoice invoice;
    invoice.setVatRate(vatRate.trimmed());
    loadStoredInvoice(invoice, StoredInvoice{rows, info});
    return storedForm(invoice);
}

QSizeF a4Paper() {
    return QPageSize(QPageSize::A4).size(QPageSize::Point);
}

QRectF printableArea() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return PdfPrinter::pageLayout().paintRect(QPageLayout::Point);
    return ::printableArea(info);
}

int sheetCount(const PreviewPage &page) {
    if (page.rows.isEmpty())
        return 1;
    return sheetCount(page.settings, previewModel(page.rows, page.info, page.settings.kdv_yuzde));
}

QList<RecordingPrinter::Line> drawPage(QPaintDevice &device, const QPointF &paperCorner,
                                       const PreviewPage &page, int sheet) {
    const double pixelsPerPointX = device.logicalDpiX() / 72.0;
    const double pixelsPerPointY = device.logicalDpiY() / 72.0;
    const auto onDevice = [&](const QRectF &points) {
        return QRectF(paperCorner.x() + points.x() * pixelsPerPointX,
                      paperCorner.y() + points.y() * pixelsPerPointY,
                      points.width() * pixelsPerPointX, points.height() * pixelsPerPointY);
    };
    const QRectF paper = onDevice(QRectF(QPointF(0, 0), a4Paper()));
    const QRectF area = onDevice(page.printableArea);
    constexpr double pointsPerMm = 72 / 25.4;
    const QPointF origin = area.topLeft() + QPointF(page.offset.x * pointsPerMm * pixelsPerPointX,
                                                    page.offset.y * pointsPerMm * pixelsPerPointY);
    {
        QPainter p(&device);
        p.fillRect(paper, Qt::white);
        if (!page.form.isNull()) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(paper, page.form);
        }
    }

    QList<RecordingPrinter::Line> printed;
    if (!page.rows.isEmpty()) {
        PagePrinter printer(device, origin, sheet);
        printInvoice(printer, page.settings,
                     previewModel(page.rows, page.info, page.settings.kdv_yuzde));
        printer.finish();
        printed = printer.printedLines();
    }

    if (page.markCorner) {
        QPainter p(&device);
        drawCorner(p, area, origin, pixelsPerPointX);
    }
    return printed;
}
