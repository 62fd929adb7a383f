#include "gui/Form7.h"

#include "gui/guard.h"
#include "gui/imagebutton.h"
#include "gui/messages.h"
#include "gui/picklist.h"
#include "invoice/batchrun.h"
#include "invoice/books.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>

#include <memory>

namespace {

// Positions are in twips (1/1440 inch) from the client area's top-left corner.
constexpr int windowWidth = 4230;
constexpr int windowHeight = 3555;
constexpr int captionLeft = 60; // captions in front of the inputs start here
constexpr int captionGap = 60;  // and end this far before their input
// The PDF choice sits between the inputs and the button, which is centred below it.
constexpr int choiceTop = 1800;
constexpr int buttonLeft = (windowWidth - 1320) / 2;
constexpr int buttonTop = 2850;

// A run this long or shorter prints without a progress dialog.
constexpr int fewInvoices = 5;

const QStringList regions = {QStringLiteral("ANTALYA"), QStringLiteral("ADANA"),
                             QStringLiteral("ANKARA"),  QStringLiteral("İSTANBUL"),
                             QStringLiteral("İZMİR"),   QStringLiteral("TRABZON")};

// "MS Sans Serif" where it exists, otherwise a face of about its width.
QFont windowFont() {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Nimbus Sans")});
    f.setPointSizeF(8.25);
    return f;
}

// A campaign name made safe for a file name: letters, digits, "-" and "_" kept.
QString fileStem(const QString &campaign) {
    QString stem;
    for (const QChar c : campaign)
        stem += c.isLetterOrNumber() || c == u'-' || c == u'_' ? c : QChar(u'_');
    return stem.isEmpty() ? QStringLiteral("kampanya") : stem;
}

} // namespace

QRect Form7::twips(int left, int top, int width, int height) const {
    const auto px = [this](int t) { return qRound(t * m_scale); };
    return QRect(QPoint(px(left), px(top)), QPoint(px(left + width) - 1, px(top + height) - 1));
}

Form7::Form7(Workspace &workspace, QWidget *parent)
    : QWidget(parent)
    , m_workspace(workspace) {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Otomatik Fatura Basım"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_scale = logicalDpiX() / 1440.0;
    setFixedSize(twips(0, 0, windowWidth, windowHeight).size());
    setFont(windowFont());

    // A caption right-aligned in front of its input, on the input's line.
    const auto caption = [this](const char *name, const QString &text, QWidget *input) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setBuddy(input);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const QRect at = input->geometry();
        const int right = at.left() - qRound(captionGap * m_scale);
        const int left = qRound(captionLeft * m_scale);
        l->setGeometry(left, at.top(), right - left, at.height());
    };

    m_campaign = new QComboBox(this);
    m_campaign->setObjectName(QStringLiteral("Combo1"));
    m_campaign->setGeometry(twips(1515, 315, 2475, 315));
    caption("Label1", QStringLiteral("Kampanya Seç:"), m_campaign);

    m_region = new QComboBox(this);
    m_region->setObjectName(QStringLiteral("Combo2"));
    m_region->setGeometry(twips(1515, 660, 2475, 315));
    caption("Label2", QStringLiteral("Dağıtım Bölgesi:"), m_region);

    m_start = new QLineEdit(this);
    m_start->setObjectName(QStringLiteral("Text1"));
    m_start->setGeometry(twips(1500, 1065, 855, 285));
    caption("Label3", QStringLiteral("Başlangıç No:"), m_start);

    m_end = new QLineEdit(this);
    m_end->setObjectName(QStringLiteral("Text2"));
    m_end->setGeometry(twips(1500, 1380, 855, 285));
    caption("Label4", QStringLiteral("Bitiş No:"), m_end);

    auto *choice = new QGroupBox(QStringLiteral("Yazıcı kurulu değilse:"), this);
    choice->setObjectName(QStringLiteral("PdfSecimi"));
    choice->setGeometry(twips(captionLeft, choiceTop, 3930, 900));
    m_oneFile = new QRadioButton(QStringLiteral("Tek PDF (her fatura bir sayfa)"), choice);
    m_oneFile->setObjectName(QStringLiteral("TekPdf"));
    m_filePerInvoice = new QRadioButton(QStringLiteral("Her fatura ayrı PDF"), choice);
    m_filePerInvoice->setObjectName(QStringLiteral("AyriPdf"));
    const QRect inChoice = twips(0, 0, 3690, 255);
    m_oneFile->setGeometry(inChoice.translated(twips(120, 300, 0, 0).topLeft()));
    m_filePerInvoice->setGeometry(inChoice.translated(twips(120, 585, 0, 0).topLeft()));
    m_oneFile->setChecked(true);

    m_print = new ImageButton(QStringLiteral("Yazdır"), this);
    m_print->setObjectName(QStringLiteral("Yazdir"));
    m_print->setCaptionPointSize(8.25);
    const QRect button = twips(buttonLeft, buttonTop, 1320, 465);
    m_print->setGeometry(button);
    m_print->setCaptionRect(
        twips(buttonLeft + 390, buttonTop + 75, 525, 195).translated(-button.topLeft()));
    m_print->setPressArea(ImageButton::PressArea::Picture);
    connect(m_print, &ImageButton::captionClicked, this, &Form7::yazdir);

    setTabOrder(m_campaign, m_start);
    setTabOrder(m_start, m_end);
    setTabOrder(m_end, m_region);
    setTabOrder(m_region, m_oneFile);

    load();
    roomyLists(this);
    m_campaign->setFocus();

    if (const QScreen *s = screen()) {
        QRect at = rect();
        at.moveCenter(s->availableGeometry().center());
        move(at.topLeft());
    }
}

void Form7::load() {
    QStringList names;
    guarded(this, [&] { names = Books(m_workspace).campaignNames(); });
    m_campaign->addItems(names);
    m_region->addItems(regions);
    // Nothing is picked until the user picks it.
    m_campaign->setCurrentIndex(-1);
    m_region->setCurrentIndex(-1);
}

void Form7::yazdir() {
    // The progress dialog lets events through; a second click must not start a second run.
    if (m_printing)
        return;
    if (m_campaign->currentIndex() < 0) {
        Messages::info(this, QStringLiteral("Kampanya seçiniz!"));
        m_campaign->setFocus();
        return;
    }
    const QString campaign = m_campaign->currentText();
    const CampaignSelection selection{m_start->text().trimmed(), m_end->text().trimmed(),
                                      m_region->currentText()};
    SelectionField named = SelectionField::None;
    if (const QString problem = selectionCheck(selection, &named); !problem.isEmpty()) {
        Messages::info(this, problem);
        QWidget *box = named == SelectionField::First  ? static_cast<QWidget *>(m_start)
                       : named == SelectionField::Last ? static_cast<QWidget *>(m_end)
                                                       : static_cast<QWidget *>(m_region);
        box->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(box))
            edit->selectAll();
        return;
    }
    m_printing = true;
    const auto done = qScopeGuard([this] { m_printing = false; });

    const PdfPrinter::Mode mode =
        m_filePerInvoice->isChecked() ? PdfPrinter::FilePerDocument : PdfPrinter::OneFile;

    PrintTarget target;
    int printed = 0;
    int total = 0;
    bool stopped = false;
    std::unique_ptr<QProgressDialog> dialog;
    const auto progress = [&](int n, int all) {
        printed = n;
        total = all;
        if (all <= fewInvoices)
            return true;
        if (!dialog) {
            dialog =
                std::make_unique<QProgressDialog>(QString(), QStringLiteral("İptal"), 0, all, this);
            dialog->setWindowTitle(Messages::appTitle());
            dialog->setWindowModality(Qt::WindowModal);
            dialog->setMinimumDuration(500);
        }
        dialog->setLabelText(QStringLiteral("%1 / %2").arg(n).arg(all));
        dialog->setValue(n);
        // Closing the window stops the run as cancelling does.
        stopped = dialog->wasCanceled() || !isVisible();
        return !stopped;
    };
    QString failure;
    QStringList begun; // the number of each invoice as its printing began
    try {
        const ayarlar settings = m_workspace.readSettings(19);
        const QString stem = fileStem(campaign);
        target = m_workspace.printTarget(stem, mode);
        runBatch(*target.printer, settings, m_workspace.databasePath(settings), campaign, selection,
                 progress, &begun);
        target.printer->finish();
    } catch (const std::exception &e) {
        failure = failureText(e);
        // After a failure too, the invoices printed before it are handed over; whether that
        // worked decides what the message may say.
        if (target.printer) {
            try {
                target.printer->finish();
            } catch (const std::exception &late) {
                failure += u'\n' + failureText(late);
            }
        }
    }
    dialog.reset(); // gone before a message shows
    // A job the printing system took may still be dropped unprinted (its queue deleted): what
    // became of each is asked before the printer goes.
    QList<JobOutcome> outcomes;
    if (!failure.isEmpty() && target.systemPrinter)
        outcomes = target.systemPrinter->jobOutcomes();
    // Into PDF, only the invoices in files written whole count as printed.
    if (const auto *writer = dynamic_cast<const PdfPrinter *>(target.printer.get())) {
        if (mode == PdfPrinter::FilePerDocument)
            printed = int(writer->files().size());
        else if (writer->files().isEmpty())
            printed = 0;
    }
    target.printer.reset();

    const bool pdf = !target.pdfPath.isEmpty();
    const bool toPrinter = !target.printerName.isEmpty();
    const QString count =
        QStringLiteral("Toplu baskı durduruldu: %1 / %2 fatura basıldı.").arg(printed).arg(total);
    if (!failure.isEmpty()) {
        QString text = failure;
        if (total > 0 && toPrinter)
            text += QStringLiteral("\n\n") + printerRunReport(total, begun, outcomes);
        else if (total > 0)
            text += u'\n' + count;
        if (pdf && printed > 0)
            text +=
                QStringLiteral("\nBasılanlar: %1").arg(QDir::toNativeSeparators(target.pdfPath));
        Messages::error(this, text);
    } else if (toPrinter && printed > 0) {
        Messages::info(this, printed == total
                                 ? QStringLiteral("%1 fatura yazıcıya gönderildi: %2")
                                       .arg(printed)
                                       .arg(target.printerName)
                                 : QStringLiteral("Baskı durduruldu: %1 faturadan %2 tanesi "
                                                  "yazıcıya gönderildi: %3")
                                       .arg(total)
                                       .arg(printed)
                                       .arg(target.printerName));
    } else if (stopped && !toPrinter) {
        Messages::info(this,
                       pdf && printed > 0 ? count + u'\n' + pdfNotice(target.pdfPath) : count);
    } else if (pdf && printed > 0) {
        Messages::info(this, pdfNotice(target.pdfPath));
    } else if (total == 0) {
        Messages::info(this, nothingSelectedMessage(campaign, selection));
    }
    if (pdf && printed == 0 && mode == PdfPrinter::FilePerDocument)
        QDir().rmdir(target.pdfPath); // the folder made for the files, still empty
}
