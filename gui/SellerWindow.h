#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class Workspace;

// "Firma Bilgileri": the seller's own details that every e-invoice carries, kept in the
// database the settings name. Saving checks them first (VKN or TCKN with its check digits,
// the name the number calls for, tax office, address, the two series prefixes) and says what
// is missing or wrong.
//
// Controls by objectName: taxNumber, title, firstName, familyName, taxOffice, street,
// district, city, phone, email, seriesPrefix (e-Arşiv), efaturaPrefix, efaturaProfile (a list:
// Temel Fatura, Ticari Fatura), sendType (a list: Kâğıt, Elektronik); the buttons save and
// closeButton.
class SellerWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the stored details; a database that cannot be read is a message, and the
    // window opens empty.
    explicit SellerWindow(Workspace &workspace, QWidget *parent = nullptr);

    // Checks and stores the details; says "Firma bilgileri kaydedildi." when they are stored.
    void save();

Q_SIGNALS:
    void saved();

private:
    Workspace &m_workspace;
    QLineEdit *m_taxNumber;
    QLineEdit *m_title;
    QLineEdit *m_firstName;
    QLineEdit *m_familyName;
    QLineEdit *m_taxOffice;
    QLineEdit *m_street;
    QLineEdit *m_district;
    QLineEdit *m_city;
    QLineEdit *m_phone;
    QLineEdit *m_email;
    QLineEdit *m_seriesPrefix;
    QLineEdit *m_efaturaPrefix;
    QComboBox *m_efaturaProfile;
    QComboBox *m_sendType;
};
