#pragma once

#include <QList>
#include <QWidget>

class QLabel;
class QLineEdit;
class PagedModel;
class QTableView;
class Workspace;

// "e-Arşiv Faturası": lists the saved invoices with their e-invoice number (or none yet) and
// exports the chosen ones, or those dated within a range, as e-Arşiv invoices or e-Faturas
// into earsiv/ in the working folder. Before invoices get their first numbers it asks,
// saying how many and which dates; a long run shows its progress and can be cancelled. The
// VAT rate box starts at the settings' rate, the rate the invoice window shows a loaded
// invoice with; left so, an invoice exported before keeps the rate it was first made with.
// The list of e-Fatura users is imported here, and its date shown (in red when it is older
// than a week).
//
// Controls by objectName: invoiceList (columns: number, date, customer, e-invoice number),
// vatRate, fromDate, toDate, exportSelected, exportRange, openFolder, sellerDetails,
// importUserList, userListLabel, closeButton, folderLabel.
class EArsivWindow : public QWidget {
    Q_OBJECT
public:
    explicit EArsivWindow(Workspace &workspace, QWidget *parent = nullptr);

    // Reads the list again.
    void refresh();
    // Exports the invoices selected in the list.
    void exportSelected();
    // Exports the invoices dated from the first date box to the second.
    void exportRange();
    // Shows the e-Arşiv folder (made when missing).
    void showFolder();
    // Asks for the list of e-Fatura users and imports it.
    void importUserList();

Q_SIGNALS:
    // "Firma Bilgileri": the user wants to enter the seller's details.
    void sellerDetailsRequested();

private:
    void exportInvoices(const QList<qint64> &numbers);
    void showUserList();
    QString folder() const;

    Workspace &m_workspace;
    bool m_running = false;
    QString m_settingsRate;
    QTableView *m_list;
    PagedModel *m_invoices;
    QLineEdit *m_vatRate;
    QLineEdit *m_from;
    QLineEdit *m_to;
    QLabel *m_folder;
    QLabel *m_userList;
};
