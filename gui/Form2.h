#pragma once

#include "invoice/customerentry.h"

#include <QString>
#include <QWidget>

class PagedModel;
class QComboBox;
class QLineEdit;
class QPushButton;
class Workspace;

// The customer register "Müşteri tanıtım": adds, changes and deletes the rows of MUSTERI in
// the database the settings name. It holds one customer at a time, in mode "yeni" (a new
// customer is being typed) or "eski" (a stored customer was picked from a list).
//
// Controls (object names), in tab and Enter order, all inside the frame "Frame1"
// ("Müşteri Bilgileri"):
//   Combo1    number list, label Label1 "Müşteri No:"
//   Combo2    name list, label Label2 "Müşteri Adı:"
//   Text1     address line 1, label Label3 "Adresi:"
//   Text2     address line 2, under line 1
//   Text3     tax office and number, label Label4 "Vergi Dairesi/No:"
//   Command1  "KAYDET": save, confirmed with a message naming the customer
//   Command2  "SİL": delete, after a question naming the customer ("Hayır" the default);
//             enabled only by a successful pick
//   Command3  "Yeni": a new customer, the boxes emptied and the next number proposed
//
// The number list is in the order of the numbers, the name list in the order of the Turkish
// alphabet; a pick in one sets the other's text. Only a pick loads a customer; typing never
// changes the mode, so a number typed after a pick saves as a change of the row with that
// number ("Yeni" starts a new one). The lists are read a page at a time as they are scrolled;
// typing offers, under the box, the customers whose number starts with the digits or whose
// name holds the text anywhere, whatever the case and the Turkish letters, and choosing one
// is a pick.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(Workspace &workspace, QWidget *parent = nullptr);

    // "yeni" or "eski".
    QString mode() const { return m_mode; }

Q_SIGNALS:
    // After every successful save, once; a delete or a refused save emits nothing.
    void customerSaved();

private:
    // Mode "yeni", SİL off, the boxes emptied, both lists refilled in stored order and the
    // number box proposing the largest number plus one.
    void reset();
    void pick(qint64 key);
    void kaydet();
    void remove();

    void showCustomer(const Customer &m);
    CustomerBoxes boxes() const;

    Workspace &m_workspace;
    QString m_mode;
    QComboBox *m_number;
    QComboBox *m_name;
    PagedModel *m_numbers;
    PagedModel *m_names;
    QLineEdit *m_address1;
    QLineEdit *m_address2;
    QLineEdit *m_taxOffice;
    QPushButton *m_save;
    QPushButton *m_delete;
    QPushButton *m_new;
};
