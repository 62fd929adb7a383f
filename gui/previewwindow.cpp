#include "gui/previewwindow.h"

#include "invoice/workspace.h"

#include "base/numbers.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "invoice/invoiceprint.h"
#include "printing/printtarget.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>

namespace {

constexpr int paperMargin = 20; // grey around the paper, in pixels
constexpr double minZoom = 0.1;
constexpr double maxZoom = 4;
constexpr std::array<double, 15> zoomSteps = {0.25, 0.33, 0.5,  0.67, 0.75, 0.9, 1, 1.1,
                                              1.25, 1.5,  1.75, 2,    2.5,  3,   4};

const QString formFileName = QStringLiteral("fatura-formu.jpg");

} // namespace

// The paper on grey, drawn at the preview's zoom. Each paint draws the part it must show
// into a picture with the zoomed resolution, so text is laid out for that size, not scaled.
class PageView : public QWidget {
public:
    explicit PageView(const PreviewPage &page)
        : m_page(page) {
        setObjectName(QStringLiteral("sayfa"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void setDpi(int dpi) {
        m_dpi = dpi;
        fitSheets();
    }
    // An invoice longer than one sheet shows every sheet, one under another.
    void setSheets(int sheets) {
        m_sheets = std::max(1, sheets);
        fitSheets();
    }
    int dpi() const { return m_dpi; }
    int sheets() const { return m_sheets; }
    QRect sheetRect(int sheet) const {
        const QSize paper = paperSize();
        return QRect(QPoint(paperMargin, paperMargin + sheet * (paper.height() + paperMargin)),
                     paper);
    }
    QRect paperRect() const { return sheetRect(0); }
    const QList<RecordingPrinter::Line> &printedLines() const { return m_printedLines; }

protected:
    void paintEvent(QPaintEvent *event) override {
        const QRect exposed = event->rect();
        QImage image(exposed.size(), QImage::Format_RGB32);
        const int dotsPerMeter = qRound(m_dpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        image.fill(palette().color(QPalette::Dark)); // as the scroll area around it
        m_printedLines.clear();
        for (int sheet = 0; sheet < m_sheets; ++sheet) {
            const QRect paper = sheetRect(sheet);
            if (!paper.adjusted(0, 0, 4, 4).intersects(exposed))
                continue;
            const QPoint corner = paper.topLeft() - exposed.topLeft();
            {
                QPainter p(&image);
                p.fillRect(QRect(corner + QPoint(4, 4), paper.size()), QColor(70, 70, 70));
            }
            try {
                m_printedLines += drawPage(image, corner, m_page, sheet);
            } catch (const std::exception &) {
                // Nothing to print on the sheet; the paper and the picture stay.
            }
        }
        QPainter(this).drawImage(exposed.topLeft(), image);
    }

private:
    QSize paperSize() const {
        const QSizeF a4 = a4Paper() * (m_dpi / 72.0);
        return QSize(qRound(a4.width()), qRound(a4.height()));
    }
    void fitSheets() {
        const QSize paper = paperSize();
        setFixedSize(paper.width() + 2 * paperMargin,
                     m_sheets * (paper.height() + paperMargin) + paperMargin);
        update();
    }

    const PreviewPage &m_page;
    int m_dpi = 96;
    int m_sheets = 1;
    QList<RecordingPrinter::Line> m_printedLines;
};

PreviewWindow::PreviewWindow(Workspace &workspace, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_workspace(workspace) {
    setObjectName(QStringLiteral("Onizleme"));
    setWindowTitle(QStringLiteral("Önizleme"));

    const auto button = [this](const char *name, const QString &text, const QString &hint) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    QPushButton *zoomInButton = button("yakinlastir_dugmesi", QStringLiteral("Yakınlaştır"),
                                       QStringLiteral("Ctrl++ ya da Ctrl ile fare tekerleği"));
    QPushButton *zoomOutButton = button("uzaklastir_dugmesi", QStringLiteral("Uzaklaştır"),
                                        QStringLiteral("Ctrl+- ya da Ctrl ile fare tekerleği"));
    QPushButton *actualSizeButton = button("gercek_boyut_dugmesi", QStringLiteral("Gerçek Boyut"),
                                           QStringLiteral("%100 (Ctrl+1)"));
    QPushButton *fitButton =
        button("sigdir_dugmesi", QStringLiteral("Sayfaya Sığdır"), QStringLiteral("Ctrl+0"));
    QPushButton *testPrintButton =
        button("deneme_baskisi_dugmesi", QStringLiteral("Deneme Baskısı"),
               QStringLiteral("Bu faturayı kutulardaki değerlerle varsayılan yazıcıya basar; "
                              "yazıcı yoksa baskilar klasörüne PDF olarak kaydeder"));
    m_zoomLabel = new QLabel(this);
    m_zoomLabel->setObjectName(QStringLiteral("yakinlik_etiketi"));
    m_zoomLabel->setMinimumWidth(
        m_zoomLabel->fontMetrics().horizontalAdvance(QStringLiteral("%0000")));
    connect(zoomInButton, &QPushButton::clicked, this, &PreviewWindow::zoomIn);
    connect(zoomOutButton, &QPushButton::clicked, this, &PreviewWindow::zoomOut);
    connect(actualSizeButton, &QPushButton::clicked, this, [this] { setZoom(1); });
    connect(fitButton, &QPushButton::clicked, this, &PreviewWindow::fitPage);
    connect(testPrintButton, &QPushButton::clicked, this, &PreviewWindow::testPrint);

    const auto shortcut = [this](const QKeySequence &keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    shortcut(QKeySequence::ZoomIn, [this] { zoomIn(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { zoomIn(); });
    shortcut(QKeySequence::ZoomOut, [this] { zoomOut(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_1), [this] { setZoom(1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { fitPage(); });

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("not_etiketi"));
    m_note->setWordWrap(true);

    m_view = new PageView(m_page);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("kaydirma"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setWidget(m_view);
    m_scroll->viewport()->installEventFilter(this);

    auto *row = new QHBoxLayout;
    for (QWidget *w :
         std::initializer_list<QWidget *>{zoomInButton, zoomOutButton, actualSizeButton, fitButton})
        row->addWidget(w);
    row->addWidget(m_zoomLabel);
    row->addStretch();
    row->addWidget(testPrintButton);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(row);
    outer->addWidget(m_note);
    outer->addWidget(m_scroll, 1);

    applyZoom();
    // The whole page at true size; placeBeside() cuts it down to the screen.
    const QSize page = m_view->size();
    resize(page.width() + 40, page.height() + 120);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::load(const ayarlar &a) {
    m_invoice = previewInvoice(m_workspace.databasePath(a));
    m_page.rows = m_invoice.rows;
    m_page.info = m_invoice.info;

    const QString path = m_workspace.filePath(formFileName);
    m_page.form = QFileInfo::exists(path) ? QImage(path) : QImage();
    m_formPath = m_page.form.isNull() ? QString() : path;
    QString formNote;
    if (!m_page.form.isNull())
        formNote = QStringLiteral("Sayfanın altındaki %1 yalnızca ekranda gösterilir, basılmaz.")
                       .arg(formFileName);
    else if (QFileInfo::exists(path))
        formNote = QStringLiteral("%1 okunamadı; boş sayfa gösteriliyor.").arg(formFileName);
    else
        formNote = QStringLiteral("Boş fatura formunun resmi çalışma klasörüne %1 adıyla "
                                  "konursa sayfanın altında gösterilir.")
                       .arg(formFileName);
    m_caption = m_invoice.caption + u'\n' + formNote;
    setSettings(a);
}

void PreviewWindow::refreshPrinter() {
    m_page.printableArea = printableArea();
    const QString printer = QPrinterInfo::defaultPrinterName();
    m_page.offset = m_workspace.printerOffsets().offset(printer);
    QString note = m_caption + QStringLiteral(" Kesikli çizgi baskı alanıdır; konumlar köşesindeki "
                                              "0,0 noktasından ölçülür.");
    if (m_page.offset != PrinterOffset())
        note =
            m_caption +
            QStringLiteral(" Kesikli çizgi baskı alanıdır; konumlar, köşesinden %1 "
                           "yazıcısının kayması kadar (sağa %2 mm, aşağı %3 mm) ötedeki 0,0 "
                           "noktasından ölçülür.")
                .arg(printer, plainNumberText(m_page.offset.x), plainNumberText(m_page.offset.y));
    if (m_view->sheets() > 1)
        note += QStringLiteral("\nFatura kalemleri satır alanına sığmıyor; %1 sayfaya basılır, "
                               "hepsi aşağıda.")
                    .arg(m_view->sheets());
    // Such settings print nothing, and the page shows nothing either.
    if (const QString problem = invoiceFontProblem(m_page.settings); !problem.isEmpty())
        note += u'\n' + problem;
    m_note->setText(note);
    m_view->update();
}

void PreviewWindow::setSettings(const ayarlar &a) {
    m_page.settings = a;
    m_view->setSheets(::sheetCount(m_page));
    refreshPrinter();
}

int PreviewWindow::sheetCount() const {
    return m_view->sheets();
}

void PreviewWindow::placeBeside(const QRect &other) {
    const QScreen *display = screen();
    if (!display)
        return;
    const QRect area = display->availableGeometry();
    const int frameExtra = frameGeometry().width() - width() + 10;
    QSize newSize = size().boundedTo(area.size() - QSize(frameExtra, 60));
    const int roomRight = area.right() - other.right() - frameExtra;
    const int roomLeft = other.left() - area.left() - frameExtra;
    int x = area.right() - frameExtra - newSize.width();
    if (std::max(roomRight, roomLeft) >= 420) {
        newSize.setWidth(std::min(newSize.width(), std::max(roomRight, roomLeft)));
        x = roomRight >= roomLeft ? other.right() + frameExtra
                                  : other.left() - frameExtra - newSize.width();
    }
    resize(newSize);
    move(x, area.top() + 10);
}

void PreviewWindow::setZoom(double factor) {
    m_zoom = std::clamp(factor, minZoom, maxZoom);
    applyZoom();
}

void PreviewWindow::applyZoom() {
    m_view->setDpi(std::max(1, qRound(logicalDpiY() * m_zoom)));
    m_zoomLabel->setText(QStringLiteral("%%1").arg(qRound(m_zoom * 100)));
}

void PreviewWindow::zoomIn() {
    for (double step : zoomSteps) {
        if (step > m_zoom + 1e-6)
            return setZoom(step);
    }
}

void PreviewWindow::zoomOut() {
    for (auto it = zoomSteps.rbegin(); it != zoomSteps.rend(); ++it) {
        if (*it < m_zoom - 1e-6)
            return setZoom(*it);
    }
}

void PreviewWindow::fitPage() {
    const QSizeF a4 = a4Paper() * (logicalDpiY() / 72.0);
    const QSize room = m_scroll->viewport()->size() - QSize(2 * paperMargin, 2 * paperMargin);
    setZoom(std::min(room.width() / a4.width(), room.height() / a4.height()));
}

QRect PreviewWindow::paperRect() const {
    return m_view->paperRect();
}

const QList<RecordingPrinter::Line> &PreviewWindow::printedLines() const {
    return m_view->printedLines();
}

bool PreviewWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_scroll->viewport() || event->type() != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    auto *wheel = static_cast<QWheelEvent *>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier))
        return false;
    // Zoom around the point under the pointer: it stays where it is on the screen.
    const QPoint pointer = wheel->position().toPoint();
    const QRect before = paperRect();
    const QPointF ratio(
        double(m_view->mapFrom(m_scroll->viewport(), pointer).x() - before.x()) / before.width(),
        double(m_view->mapFrom(m_scroll->viewport(), pointer).y() - before.y()) / before.height());
    m_wheel += wheel->angleDelta().y();
    for (; m_wheel >= 120; m_wheel -= 120)
        zoomIn();
    for (; m_wheel <= -120; m_wheel += 120)
        zoomOut();
    const QRect after = paperRect();
    m_scroll->horizontalScrollBar()->setValue(
        qRound(after.x() + ratio.x() * after.width() - pointer.x()));
    m_scroll->verticalScrollBar()->setValue(
        qRound(after.y() + ratio.y() * after.height() - pointer.y()));
    return true;
}

void PreviewWindow::testPrint() {
    QString pdf;
    const bool printed = guarded(this, [&] {
        PrintTarget target = m_workspace.printTarget(QStringLiteral("deneme-baskisi"));
        printInvoice(*target.printer, m_page.settings,
                     previewModel(m_page.rows, m_page.info, m_page.settings.kdv_yuzde));
        target.printer->finish();
        pdf = target.pdfPath;
    });
    if (printed && !pdf.isEmpty())
        Messages::info(this, pdfNotice(pdf));
}
