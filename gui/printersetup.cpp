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
#include <QPrinterInfo>
#include <QPushButton>
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
    , m_settings(std::move(settings))
    , m_printer(QPrinterInfo::defaultPrinterName()) {
    setObjectName(QStringLiteral("YaziciAyari"));
    setWindowTitle(windowTitleText);

    m_printerLabel = new QLabel(this);
    m_printerLabel->setObjectName(QStringLiteral("yazici_etiketi"));
    m_printerLabel->setWordWrap(true);
    m_x = new QLineEdit(this);
    m_x->setObjectName(QStringLiteral("kayma_x"));
    m_y = new QLineEdit(this);
    m_y->setObjectName(QStringLiteral("kayma_y"));
    auto *note = new QLabel(
        QStringLiteral("Deneme baskısı, ayarlardaki her konuma bir artı işareti ve kenarlara "
                       "milimetre cetveli basar. İşaretlerin formdaki yerlerinden ne kadar "
                       "kaydığını ölçüp buraya yazın: sağa ve aşağı artı, sola ve yukarı eksi."),
        this);
    note->setWordWrap(true);
    auto *testPrintButton = new QPushButton(QStringLiteral("Deneme Baskısı"), this);
    testPrintButton->setObjectName(QStringLiteral("deneme_baskisi_dugmesi"));
    m_save = new QPushButton(QStringLiteral("Kaydet"), this);
    m_save->setObjectName(QStringLiteral("kaydet_dugmesi"));
    connect(testPrintButton, &QPushButton::clicked, this, &PrinterSetupWindow::testPrint);
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (kaydet())
            Messages::info(this,
                           QStringLiteral("Yazıcı kayması kaydedildi: %1\n%2")
                               .arg(m_printer, offsetText(*offsetInBoxes())),
                           windowTitleText);
    });

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Sağa kayma (mm):"), m_x);
    form->addRow(QStringLiteral("Aşağı kayma (mm):"), m_y);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(testPrintButton);
    buttons->addStretch();
    buttons->addWidget(m_save);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(m_printerLabel);
    outer->addLayout(form);
    outer->addWidget(note);
    outer->addLayout(buttons);

    if (m_printer.isEmpty()) {
        m_printerLabel->setText(QStringLiteral("Bu bilgisayarda kurulu bir yazıcı yok; baskılar "
                                               "PDF olarak kaydedilir ve kayma uygulanmaz."));
        for (QWidget *w : std::initializer_list<QWidget *>{m_x, m_y, m_save})
            w->setEnabled(false);
    } else {
        m_printerLabel->setText(QStringLiteral("Varsayılan yazıcı: %1").arg(m_printer));
        const PrinterOffset o = m_workspace.printerOffsets().offset(m_printer);
        m_x->setText(plainNumberText(o.x));
        m_y->setText(plainNumberText(o.y));
    }
    resize(360, sizeHint().height());
}

std::optional<PrinterOffset> PrinterSetupWindow::offsetInBoxes() {
    PrinterOffset o;
    const std::pair<QLineEdit *, double *> boxes[] = {{m_x, &o.x}, {m_y, &o.y}};
    for (const auto &[box, value] : boxes) {
        const QString caption =
            box == m_x ? QStringLiteral("Sağa kayma") : QStringLiteral("Aşağı kayma");
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
        target = m_workspace.printTarget(QStringLiteral("deneme-isaretleri"));
        QString title = QStringLiteral("Deneme baskısı");
        if (target.systemPrinter) {
            // The offset being tried, for the printer it was typed for.
            if (boxes && target.printerName == m_printer)
                target.systemPrinter->setOffset(*boxes);
            title += QStringLiteral(" – yazıcı: %1, kayma: %2")
                         .arg(target.printerName, offsetText(target.systemPrinter->offset()));
        }
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
