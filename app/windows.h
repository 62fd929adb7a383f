#pragma once

#include <QObject>
#include <QPointer>

class Form1;
class Form2;
class Form3;
class Form4;
class Form5;
class Form7;
class EArsivWindow;
class ReportWindow;
class SellerWindow;
class Workspace;

// Opens and closes the program's windows. A window is created (its load runs) the first
// time it is opened and shown modeless; opening it again only brings it to the front.
// Closing the main window closes the about box, the customer register, the invoice window,
// the settings window, the batch window, the e-Arşiv window, the seller's details and the
// reports, in that order, then the main window itself; a window that keeps unsaved work open
// (its user said no) stops that, and the program goes on.
class Windows : public QObject {
    Q_OBJECT
public:
    explicit Windows(Workspace &workspace, QObject *parent = nullptr);
    ~Windows() override;

    Form4 *mainWindow() const;
    void showMain();

    Form1 *openAbout();
    Form2 *openCustomers();
    Form3 *openInvoice();
    Form5 *openSettings();
    Form7 *openBatch();
    EArsivWindow *openEArsiv();
    SellerWindow *openSeller();
    ReportWindow *openReports();

    // The window when it is loaded, otherwise null.
    Form1 *about() const;
    Form2 *customers() const;
    Form3 *invoice() const;
    Form5 *settings() const;
    Form7 *batch() const;
    EArsivWindow *earsiv() const;
    SellerWindow *seller() const;
    ReportWindow *reports() const;

private:
    template <class W> W *open(QPointer<W> &slot);
    void wire(QWidget *) {}
    void wire(Form2 *customers);
    void wire(Form3 *invoice);
    void wire(EArsivWindow *earsiv);
    // Closes the other windows in order; false when one of them stays open (its user kept
    // unsaved work), and the windows after it are left open too.
    bool closeOthers();

    Workspace &m_workspace;
    QPointer<Form4> m_main;
    QPointer<Form1> m_about;
    QPointer<Form2> m_customers;
    QPointer<Form3> m_invoice;
    QPointer<Form5> m_settings;
    QPointer<Form7> m_batch;
    QPointer<EArsivWindow> m_earsiv;
    QPointer<SellerWindow> m_seller;
    QPointer<ReportWindow> m_reports;
};
