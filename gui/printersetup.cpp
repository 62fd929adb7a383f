#include "gui/printersetup.h"

#include "base/numbers.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "printing/markspage.h"
#include "printing/printtarget.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString windowTitleText = QStringLiteral("Yazıcı Ayarı");

QString offsetText(const PrinterOffset &o) {
    return QStringLiteral("sağa %1 mm, aşağı %2 mm")
        .arg(plainNumberText(o.x), plainNumberText(o.y));
}

} // namespace

PrinterSetupWindow::PrinterSetupWindow(Workspace &workspace, std::function<ayarlar()> settings,
                                       QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_workspace(workspace)
    , m_settings(std::move(settings)) {
    setObjectName(QStringLiteral("YaziciAyari"));
    setWindowTitle(windowTitleText);

    m_printerLabel = new QLabel(this);
    m_printerLabel->setObjectName(QStringLiteral("yazici_etiketi"));
    m_printerLabel->setWordWrap(true);
    m_x = new QLineEdit(this);
    m_x->setObjectName(QStringLiteral("kayma_x"));
    m_y = new QLineEdit(this);
    m_y->setObjectName(QStringLiteral("kayma_y"));
    // The boxes say how far the print moves, as they always did: offsets kept by earlier
    // versions keep working. The note says how to get there from what is measured.
    auto *note = new QLabel(
        QStringLiteral(
            "Deneme baskısı, ayarlardaki her konuma bir artı işareti ve kenarlara milimetre "
            "cetveli basar; kutulardaki kayma denenir ama kaydedilmez. İşaretlerin formdaki "
            "yerlerinden ne kadar kaydığını ölçün ve baskıyı o kadar ters yöne kaydırın: "
            "işaretler sağa ya da aşağı kaydıysa ölçtüğünüzü kutudaki sayıdan çıkarın, sola ya "
            "da yukarı kaydıysa ekleyin.\n"
            "Örnek: kutular 0 iken işaretler 2 mm sağa ve 1,5 mm yukarı kaymışsa \"Baskıyı sağa "
            "kaydır\" kutusuna -2, \"Baskıyı aşağı kaydır\" kutusuna 1,5 yazın."),
        this);
    note->setObjectName(QStringLiteral("kayma_notu"));
    note->setWordWrap(true);
    m_testPrint = new QPushButton(QStringLiteral("Deneme Baskısı"), this);
    m_testPrint->setObjectName(QStringLiteral("deneme_baskisi_dugmesi"));
    m_save = new QPushButton(QStringLiteral("Kaydet"), this);
    m_save->setObjectName(QStringLiteral("kaydet_dugmesi"));
    connect(m_testPrint, &QPushButton::clicked, this, &PrinterSetupWindow::testPrint);
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (kaydet())
            Messages::info(this,
                           QStringLiteral("Yazıcı kayması kaydedildi: %1\n%2")
                               .arg(m_printer, offsetText(*offsetInBoxes())),
                           windowTitleText);
    });

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Baskıyı sağa kaydır (mm):"), m_x);
    form->addRow(QStringLiteral("Baskıyı aşağı kaydır (mm):"), m_y);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_testPrint);
    buttons->addStretch();
    buttons->addWidget(m_save);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(m_printerLabel);
    outer->addLayout(form);
    outer->addWidget(note);
    outer->addLayout(buttons);

    readPrinter();
    resize(420, sizeHint().height());
}

void PrinterSetupWindow::showEvent(QShowEvent *event) {
    // The default printer may have changed since the window was last open; a window coming
    // back from the task bar keeps what was typed.
    if (!event->spontaneous())
        readPrinter();
    QWidget::showEvent(event);
}

void PrinterSetupWindow::readPrinter() {
    const ProgramPrinter printer = programPrinter(m_workspace.printerOffsets());
    m_printer = printer.name;
    const bool named = !m_printer.isEmpty();
    for (QWidget *w : std::initializer_list<QWidget *>{m_x, m_y, m_save})
        w->setEnabled(named);
    m_testPrint->setEnabled(printer.problem.isEmpty());
    PrinterOffset o;
    if (!printer.problem.isEmpty()) {
        m_printerLabel->setText(printer.problem);
    } else if (!named) {
        m_printerLabel->setText(QStringLiteral("Bu bilgisayarda kurulu bir yazıcı yok; baskılar "
                                               "PDF olarak kaydedilir ve kayma uygulanmaz."));
    } else {
        m_printerLabel->setText(QStringLiteral("Varsayılan yazıcı: %1").arg(m_printer));
        o = m_workspace.printerOffsets().offset(m_printer);
    }
    m_x->setText(named ? plainNumberText(o.x) : QString());
    m_y->setText(named ? plainNumberText(o.y) : QString());
}

std::optional<PrinterOffset> PrinterSetupWindow::offsetInBoxes() {
    PrinterOffset o;
    const std::pair<QLineEdit *, double *> boxes[] = {{m_x, &o.x}, {m_y, &o.y}};
    for (const auto &[box, value] : boxes) {
        const QString caption =
            box == m_x ? QStringLiteral("Sağa kaydırma") : QStringLiteral("Aşağı kaydırma");
        const QString typed = box->text().trimmed();
        const std::optional<double> mm =
            typed.isEmpty() ? std::optional<double>(0) : inputNumber(typed);
        if (!mm || !std::isfinite(*mm)) {
            Messages::info(this, QStringLiteral("%1 bir sayı olmalı (mm).").arg(caption),
                           windowTitleText);
            return std::nullopt;
        }
        if (std::abs(*mm) > maxOffsetMm) {
            Messages::info(this,
                           QStringLiteral("%1 en fazla %2 mm olabilir.")
                               .arg(caption, plainNumberText(maxOffsetMm)),
                           windowTitleText);
            return std::nullopt;
        }
        *value = *mm;
    }
    return o;
}

bool PrinterSetupWindow::kaydet() {
    if (m_printer.isEmpty())
        return false;
    const std::optional<PrinterOffset> o = offsetInBoxes();
    if (!o)
        return false;
    if (!guarded(this, [&] { m_workspace.printerOffsets().setOffset(m_printer, *o); }))
        return false;
    emit offsetSaved();
    return true;
}

void PrinterSetupWindow::testPrint() {
    std::optional<PrinterOffset> boxes;
    if (!m_printer.isEmpty() && !(boxes = offsetInBoxes()))
        return;
    PrintTarget target;
    const bool printed = guarded(this, [&] {
        // The offset being tried goes to the printer it was typed for, whatever the default
        // is by now.
        target = boxes ? systemPrintTarget(m_printer, *boxes)
                       : m_workspace.printTarget(QStringLiteral("deneme-isaretleri"));
        QString title = QStringLiteral("Deneme baskısı");
        if (target.systemPrinter)
            title += QStringLiteral(" – yazıcı: %1, kayma: %2")
                         .arg(target.printerName, offsetText(target.systemPrinter->offset()));
        printMarksPage(*target.printer, m_settings(), title);
        target.printer->finish();
    });
    if (!printed)
        return;
    if (!target.pdfPath.isEmpty())
        Messages::info(this, pdfNotice(target.pdfPath), windowTitleText);
    else if (!target.printerName.isEmpty())
        Messages::info(
            this, QStringLiteral("Deneme baskısı yazıcıya gönderildi: %1").arg(target.printerName),
            windowTitleText);
}
