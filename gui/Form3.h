#pragma once

#include "invoice/books.h"
#include "invoice/invoice.h"
#include "invoice/saving.h"

#include <QWidget>

class QAbstractSpinBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QFrame;
class QTableView;
class PagedModel;
class QPushButton;
class QTableWidget;
class Workspace;

// The invoice entry window "Fatura Giriş": one invoice's header, its lines and totals;
// saves it, loads a saved one and hands it to printing. The window keeps an invoice model
// and shows it: every figure on screen comes from the model, never from a field's text.
//
// The line grid MSFlexGrid1 keeps its column headers in the table's own header, so they stay
// in view while the lines scroll. Line n of the invoice is table row n - 1, and the table
// always ends with one empty row below the last line. A line is removed with Delete (or
// "Satırı Sil") and put back into the line boxes to be corrected with Enter, F2 or a double
// click ("Satırı Düzelt"); EKLE then puts it back in its place.
//
// Nothing typed is lost without a yes: closing the window, YENİ FATURA and loading another
// invoice ask first when the window holds unsaved work, and replacing a saved invoice asks
// too. The keyboard reaches everything: Enter moves on (a customer number and Enter fills the
// customer), Ctrl+S saves, Ctrl+N starts a new invoice, Ctrl+L lists the saved ones, Esc
// closes (or ends a correction).
//
// " Liste" (Ctrl+L) shows the saved invoices over the window: number, date, customer and grand
// total, newest first, found by typing into its box (Text21) a number, part of a name or a date;
// Enter or a double click loads one, Esc hides the list.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(Workspace &workspace, QWidget *parent = nullptr);

    // Empties and refills both customer lists, puts today's date into the invoice and
    // delivery-note dates and sets the state to "yeni".
    void musteriload();

    // Saves what the window shows: a new invoice ("yeni") or a replacement of the loaded one
    // ("eski"), each in one piece; then asks whether to print and closes the window. A
    // refusal or a failure says why and leaves the window open as it was; a print that fails
    // after the save leaves it open holding the stored invoice ("eski").
    void transfer();

    // Loads the saved invoice `number` into the window (state "eski"). Says
    // "Fatura bulunamadı !" when there is none.
    void faturabul(const QString &number);

    // Prints the invoice the window holds, as it was saved, as one document where the
    // workspace sends prints, then closes the window. A printer that fails is a message
    // naming it, and the window stays open. Returns whether it printed.
    bool yazdir();

    // The invoice as the window holds it: its lines, VAT mode and rate, and the header of
    // the last save or load.
    const Invoice &invoice() const { return m_invoice; }

    // "yeni" while a new invoice is entered, "eski" after a saved one was loaded.
    QString state() const { return m_state; }

    // Whether anything was typed, picked or changed since the invoice was started, loaded or
    // saved: lines, header boxes, a half-typed line.
    bool hasUnsavedWork() const;

    // The line being corrected (0 for the first), or -1.
    int correctedLine() const { return m_correcting; }

public Q_SLOTS:
    // Refills the two customer lists after the customer register saved a customer; the
    // customer typed or picked, the dates, lines and totals stay as they are.
    void refreshCustomerLists();

Q_SIGNALS:
    // "Yeni Aç": the user wants the customer register to add a customer.
    void newCustomerRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void showFromStart();
    void buildWindow();
    void load();
    void showToday();
    void pickCustomerByNumber(const QString &number);
    void pickCustomer(qint64 key);
    void showCustomer(const Customer &customer);
    void reloadCustomerLists(bool keepTexts);
    void addTypedLine();
    void showLines();
    void removeLine(int line);
    void correctLine(int line);
    void endCorrection();
    int selectedLine() const;
    void clearLineBoxes();
    void focusBox(QWidget *box);
    void focusLineField(LineField field);
    void focusHeaderField(HeaderField field);
    QStringList work() const;
    void markSaved();
    bool mayDiscard(const QString &question);
    void fitToScreen();
    void enableExemption();
    void enableReturnBoxes();
    void fillReturnedDate();
    void showFigures();
    void cutGrid();
    void newInvoice();
    void saveClicked();
    void stepVatRate(int step);
    void showInvoiceList();
    void hideInvoiceList();
    void loadListed(int row);
    HeaderTexts headerTexts() const;
    bool print(const QString &afterFailure);

    Workspace &m_workspace;
    Invoice m_invoice;
    QString m_state;
    // What the database held beside the invoice when it was loaded or last saved here: a
    // replacement is refused once someone else has saved it since.
    InvoiceInfo m_stored;
    // What the window held when it was last started, loaded or saved.
    QStringList m_savedWork;
    int m_correcting = -1;
    bool m_placed = false;

    QLineEdit *m_invoiceNumber;  // Text12
    QComboBox *m_customerNumber; // Combo1
    QComboBox *m_customerName;   // Combo2
    QLineEdit *m_address;        // Text11
    QLineEdit *m_address2;       // Text16
    QLineEdit *m_taxOffice;      // Text2
    QLineEdit *m_invoiceDate;    // Text1
    QLineEdit *m_deliveryDate;   // Text13
    QLineEdit *m_deliveryNumber; // Text4
    QComboBox *m_vatMode;        // Combo3
    QComboBox *m_invoiceType;    // Combo6
    QLineEdit *m_returnedNumber; // Text19
    QLineEdit *m_returnedDate;   // Text20
    QLineEdit *m_description;    // Text3
    QLineEdit *m_discount;       // Text14
    QLineEdit *m_quantity;       // Text9
    QLineEdit *m_unitPrice;      // Text10
    QComboBox *m_unit;           // Combo4
    QLineEdit *m_lineRate;       // Text17
    QComboBox *m_exemption;      // Combo5
    QPushButton *m_add;          // Command2
    QTableWidget *m_grid;        // MSFlexGrid1
    QLineEdit *m_subtotal;       // Text5
    QLineEdit *m_discountTotal;  // Text15
    QLineEdit *m_vatRate;        // Text8
    QAbstractSpinBox *m_vatStep; // UpDown1
    QLineEdit *m_vat;            // Text6
    QLineEdit *m_grandTotal;     // Text7
    QLabel *m_words;             // Label4
    QPushButton *m_newInvoice;   // Command1
    QPushButton *m_save;         // Command3
    QPushButton *m_newCustomer;  // Command4
    QPushButton *m_list;         // Command5
    QFrame *m_listPanel;
    QLineEdit *m_listSearch;   // Text21
    QTableView *m_invoiceList; // List1
    PagedModel *m_invoiceNumbers;
    PagedModel *m_customerNumbers;
    PagedModel *m_customerNames;
};
