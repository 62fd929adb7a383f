#include "gui/EArsivWindow.h"

#include "earsiv/books.h"
#include "earsiv/document.h"
#include "earsiv/export.h"
#include "earsiv/userlist.h"
#include "gui/choosers.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "gui/pagedlist.h"
#include "invoice/workspace.h"

#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

// A run this long or shorter goes without a progress dialog.
constexpr int fewInvoices = 3;

QString dateText(const QDate &d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace

EArsivWindow::EArsivWindow(Workspace &workspace, QWidget *parent)
    : QWidget(parent)
    , m_workspace(workspace) {
    setObjectName(QStringLiteral("EArsivWindow"));
    setWindowTitle(QStringLiteral("e-Arşiv Faturası"));
    setWindowFlags(Qt::Window);

    // Every stored invoice, read a page at a time as the list is scrolled.
    m_invoices = new PagedModel(
        4,
        [this](const QVariant &key, int count) {
            const InvoiceSummaryPage page =
                EArsivBooks(m_workspace)
                    .invoicesAfter(key.isValid() ? std::optional<qint64>(key.toLongLong())
                                                 : std::nullopt,
                                   count);
            QList<PagedRow> rows;
            for (const InvoiceSummary &s : page.invoices) {
                const QString number = page.earsivNumbers.value(s.number);
                rows << PagedRow{s.number,
                                 {QString::number(s.number), s.date, s.customerName,
                                  number.isEmpty() ? QStringLiteral("henüz yok") : number},
                                 number.isEmpty() ? 3 : -1};
            }
            return rows;
        },
        this);
    m_invoices->setHeaders({QStringLiteral("Fatura No"), QStringLiteral("Tarih"),
                            QStringLiteral("Müşteri"), QStringLiteral("e-Fatura / e-Arşiv No")});
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("invoiceList"));
    m_list->setModel(m_invoices);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_list->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_list->setAlternatingRowColors(true);

    const auto line = [this](const char *name, int width) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaximumWidth(width);
        return e;
    };
    const auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    m_vatRate = line("vatRate", 80);
    m_from = line("fromDate", 110);
    m_to = line("toDate", 110);
    const QDate today = m_workspace.today();
    m_from->setText(dateText(QDate(today.year(), today.month(), 1)));
    m_to->setText(dateText(today));

    QPushButton *selected = button("exportSelected", QStringLiteral("&Seçilenleri Aktar"));
    QPushButton *range = button("exportRange", QStringLiteral("&Tarih Aralığını Aktar"));
    QPushButton *open = button("openFolder", QStringLiteral("&Klasörü Aç"));
    QPushButton *seller = button("sellerDetails", QStringLiteral("&Firma Bilgileri"));
    QPushButton *users = button("importUserList", QStringLiteral("K&ullanıcı Listesini Al"));
    QPushButton *closeButton = button("closeButton", QStringLiteral("Ka&pat"));
    connect(selected, &QPushButton::clicked, this, &EArsivWindow::exportSelected);
    connect(range, &QPushButton::clicked, this, &EArsivWindow::exportRange);
    connect(open, &QPushButton::clicked, this, &EArsivWindow::showFolder);
    connect(seller, &QPushButton::clicked, this, &EArsivWindow::sellerDetailsRequested);
    connect(users, &QPushButton::clicked, this, &EArsivWindow::importUserList);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    m_folder = new QLabel(this);
    m_folder->setObjectName(QStringLiteral("folderLabel"));
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_folder->setText(QStringLiteral("Dosyalar: %1").arg(QDir::toNativeSeparators(folder())));
    m_userList = new QLabel(this);
    m_userList->setObjectName(QStringLiteral("userListLabel"));
    m_userList->setWordWrap(true);

    auto *rate = new QFormLayout;
    rate->addRow(QStringLiteral("KDV Oranı (%):"), m_vatRate);
    auto *rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(QStringLiteral("Başlangıç Tarihi:"), this));
    rangeRow->addWidget(m_from);
    rangeRow->addWidget(new QLabel(QStringLiteral("Bitiş Tarihi:"), this));
    rangeRow->addWidget(m_to);
    rangeRow->addWidget(range);
    rangeRow->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(selected);
    buttons->addWidget(open);
    buttons->addWidget(seller);
    buttons->addWidget(users);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(rate);
    layout->addLayout(rangeRow);
    layout->addLayout(buttons);
    layout->addWidget(m_userList);
    layout->addWidget(m_folder);
    resize(820, 540);

    guarded(this, [&] { m_settingsRate = m_workspace.readSettings(2).kdv_yuzde.trimmed(); });
    m_vatRate->setText(m_settingsRate);
    refresh();
}

void EArsivWindow::showUserList() {
    std::optional<RegisteredUserList> list;
    if (!guarded(this, [&] { list = EArsivBooks(m_workspace).userList(); }))
        return;
    const bool stale = userListStale(list, m_workspace.today());
    m_userList->setText(userListStatus(list, m_workspace.today()));
    // Red only for a list that was imported and has grown old: without one, every buyer simply
    // gets an e-Arşiv invoice.
    m_userList->setStyleSheet(list && stale ? QStringLiteral("color: #b00020;") : QString());
}

void EArsivWindow::importUserList() {
    const std::optional<QString> path = Choosers::chooseFile(
        this, QStringLiteral("e-Fatura Kullanıcı Listesi"),
        QStringLiteral("Kullanıcı listesi (*.xml *.csv *.txt);;Tüm dosyalar (*)"));
    if (!path)
        return;
    qint64 users = 0;
    if (guarded(this, [&] { users = EArsivBooks(m_workspace).importUserList(*path); }))
        Messages::info(this, QStringLiteral("e-Fatura kullanıcı listesi alındı: %1 kullanıcı.\n%2")
                                 .arg(users)
                                 .arg(QDir::toNativeSeparators(*path)));
    showUserList();
}

QString EArsivWindow::folder() const {
    return m_workspace.filePath(QStringLiteral("earsiv"));
}

void EArsivWindow::refresh() {
    guarded(this, [&] { m_invoices->reload(); });
    showUserList();
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1);
    m_list->resizeColumnToContents(3);
}

void EArsivWindow::exportSelected() {
    QList<int> rows;
    for (const QModelIndex &i : m_list->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    QList<qint64> numbers;
    for (int row : rows)
        numbers << m_invoices->key(row).toLongLong();
    if (numbers.isEmpty()) {
        Messages::info(this, QStringLiteral("Aktarılacak faturaları listeden seçiniz!"));
        return;
    }
    exportInvoices(numbers);
}

void EArsivWindow::exportRange() {
    const std::optional<QDate> from = invoiceDate(m_from->text());
    const std::optional<QDate> to = invoiceDate(m_to->text());
    if (!from) {
        Messages::info(this, QStringLiteral("Başlangıç tarihi geçersiz: GG.AA.YYYY yazınız!"));
        return;
    }
    if (!to) {
        Messages::info(this, QStringLiteral("Bitiş tarihi geçersiz: GG.AA.YYYY yazınız!"));
        return;
    }
    if (*from > *to) {
        Messages::info(this, QStringLiteral("Başlangıç tarihi bitiş tarihinden sonra olamaz!"));
        return;
    }
    QList<qint64> numbers;
    if (!guarded(this, [&] { numbers = EArsivBooks(m_workspace).invoicesDated(*from, *to); }))
        return;
    if (numbers.isEmpty()) {
        Messages::info(this, QStringLiteral("%1 ile %2 arasında tarihli kayıtlı fatura yok.")
                                 .arg(dateText(*from), dateText(*to)));
        return;
    }
    exportInvoices(numbers);
}

void EArsivWindow::exportInvoices(const QList<qint64> &numbers) {
    // The progress dialog lets events through; a second click must not start a second run.
    if (m_running)
        return;
    m_running = true;
    const auto done = qScopeGuard([this] { m_running = false; });

    QList<EArsivResult> results;
    EArsivRunEnd end = EArsivRunEnd::Completed;
    QStringList runNotices;
    QString outFolder = folder();
    std::unique_ptr<QProgressDialog> dialog;
    const auto progress = [&](int n, int total) {
        if (total <= fewInvoices)
            return true;
        if (!dialog) {
            dialog = std::make_unique<QProgressDialog>(QString(), QStringLiteral("İptal"), 0, total,
                                                       this);
            dialog->setWindowTitle(Messages::appTitle());
            dialog->setWindowModality(Qt::WindowModal);
            dialog->setMinimumDuration(500);
        }
        dialog->setLabelText(
            QStringLiteral("e-Arşiv faturaları yazılıyor: %1 / %2").arg(n).arg(total));
        dialog->setValue(n);
        return !dialog->wasCanceled() && isVisible();
    };
    const bool ok = guarded(this, [&] {
        const auto closeDialog = qScopeGuard([&] { dialog.reset(); });
        // Only a rate the user typed is a rate asked for; the settings' is the default.
        const QString rate = m_vatRate->text().trimmed();
        EArsivExport exporter(m_workspace, rate == m_settingsRate ? QString() : rate);
        outFolder = exporter.folder();
        // Numbers once given stay: the user says yes to them first.
        const auto confirm = [&](const EArsivPlan &plan) {
            return Messages::ask(this, numberingQuestion(plan));
        };
        try {
            end = exporter.run(numbers, results, progress, confirm);
        } catch (...) {
            runNotices = exporter.runNotices();
            throw;
        }
        runNotices = exporter.runNotices();
    });
    // After a failure too, what was written before it is told, and the list shows it.
    if (!ok)
        end = EArsivRunEnd::Failed;
    // Declined, nothing changed: the list and its selection stay as they are.
    if (end == EArsivRunEnd::Declined)
        return;
    if (ok || !results.isEmpty())
        Messages::info(this,
                       exportSummary(results, int(numbers.size()), end, outFolder, runNotices));
    refresh();
}

void EArsivWindow::showFolder() {
    const QString dir = folder();
    if (!QDir().mkpath(dir)) {
        Messages::error(this, QStringLiteral("e-Arşiv klasörü oluşturulamadı: %1").arg(dir));
        return;
    }
    if (!m_workspace.openFolder(dir))
        Messages::error(this, QStringLiteral("Klasör açılamadı: %1").arg(dir));
}
