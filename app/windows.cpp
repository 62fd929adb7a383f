#include "app/windows.h"

#include "gui/EArsivWindow.h"
#include "gui/Form1.h"
#include "gui/Form2.h"
#include "gui/Form3.h"
#include "gui/Form4.h"
#include "gui/Form5.h"
#include "gui/Form7.h"
#include "gui/ReportWindow.h"
#include "gui/SellerWindow.h"
#include "gui/backupactions.h"
#include "invoice/workspace.h"

#include <type_traits>

Windows::Windows(Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_main(new Form4(workspace)) {
    m_main->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_main, &Form4::customersRequested, this, &Windows::openCustomers);
    connect(m_main, &Form4::invoiceRequested, this, &Windows::openInvoice);
    connect(m_main, &Form4::batchRequested, this, &Windows::openBatch);
    connect(m_main, &Form4::earsivRequested, this, &Windows::openEArsiv);
    connect(m_main, &Form4::settingsRequested, this, &Windows::openSettings);
    connect(m_main, &Form4::reportsRequested, this, &Windows::openReports);
    connect(m_main, &Form4::backupRequested, this,
            [this] { backUpBooks(m_workspace, m_main, false); });
    connect(m_main, &Form4::backupToFolderRequested, this,
            [this] { backUpBooks(m_workspace, m_main, true); });
    connect(m_main, &Form4::restoreRequested, this, [this] { restoreBooks(m_workspace, m_main); });
    connect(m_main, &Form4::aboutRequested, this, &Windows::openAbout);
    m_main->setBeforeClose([this] { return closeOthers(); });
}

Windows::~Windows() {
    // Gone with the program: nobody is left to answer a question.
    const QList<QWidget *> order = {m_about,  m_customers, m_invoice, m_settings, m_batch,
                                    m_earsiv, m_seller,    m_reports, m_main};
    for (QWidget *w : order)
        delete w;
}

template <class W> W *Windows::open(QPointer<W> &slot) {
    if (!slot) {
        if constexpr (std::is_constructible_v<W, Workspace &>)
            slot = new W(m_workspace);
        else
            slot = new W;
        slot->setAttribute(Qt::WA_DeleteOnClose);
        wire(slot.data());
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}

Form4 *Windows::mainWindow() const {
    return m_main;
}
Form1 *Windows::about() const {
    return m_about;
}
Form2 *Windows::customers() const {
    return m_customers;
}
Form3 *Windows::invoice() const {
    return m_invoice;
}
Form5 *Windows::settings() const {
    return m_settings;
}
Form7 *Windows::batch() const {
    return m_batch;
}
EArsivWindow *Windows::earsiv() const {
    return m_earsiv;
}
SellerWindow *Windows::seller() const {
    return m_seller;
}
ReportWindow *Windows::reports() const {
    return m_reports;
}

void Windows::showMain() {
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
}

Form1 *Windows::openAbout() {
    return open(m_about);
}
Form2 *Windows::openCustomers() {
    return open(m_customers);
}
Form3 *Windows::openInvoice() {
    return open(m_invoice);
}
Form5 *Windows::openSettings() {
    return open(m_settings);
}
Form7 *Windows::openBatch() {
    return open(m_batch);
}
EArsivWindow *Windows::openEArsiv() {
    return open(m_earsiv);
}
SellerWindow *Windows::openSeller() {
    return open(m_seller);
}
ReportWindow *Windows::openReports() {
    return open(m_reports);
}

// Windows never know each other; the links between them are made here.
void Windows::wire(Form2 *customers) {
    // A saved customer shows in an open invoice window's lists at once; its invoice stays.
    connect(customers, &Form2::customerSaved, this, [this] {
        if (m_invoice)
            m_invoice->refreshCustomerLists();
    });
}
void Windows::wire(Form3 *invoice) {
    connect(invoice, &Form3::newCustomerRequested, this, &Windows::openCustomers);
}
void Windows::wire(EArsivWindow *earsiv) {
    connect(earsiv, &EArsivWindow::sellerDetailsRequested, this, &Windows::openSeller);
}

bool Windows::closeOthers() {
    const QList<QWidget *> order = {m_about, m_customers, m_invoice, m_settings,
                                    m_batch, m_earsiv,    m_seller,  m_reports};
    for (QWidget *w : order) {
        // A window that keeps its unsaved work stops the closing there.
        if (w && !w->close())
            return false;
    }
    return true;
}
