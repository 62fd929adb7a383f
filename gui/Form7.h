#pragma once

#include <QWidget>

class ImageButton;
class QComboBox;
class QLineEdit;
class QRadioButton;
class Workspace;

// The batch print window "Otomatik Fatura Basım": pick a campaign, optionally a range of
// invoice numbers and a region, and "Yazdır" prints the campaign's invoices that they select.
//
// Controls by objectName: Combo1 the campaign list, Text1 the start number, Text2 the end
// number, Combo2 the region list, Yazdir the picture button (only a click on its caption
// prints), TekPdf and AyriPdf one PDF for the run or one PDF per invoice (they matter only
// when no printer is installed).
class Form7 : public QWidget {
    Q_OBJECT
public:
    // Lists the campaigns of the database the settings name. A database that cannot be read
    // is a message; the window then opens with an empty campaign list.
    explicit Form7(Workspace &workspace, QWidget *parent = nullptr);

    // Prints the invoices the window's inputs select, each its own document, on the default
    // printer or, when there is none, into PDF under baskilar/ as chosen in the window. Says
    // "Kampanya seçiniz!" when no campaign is picked. A long run shows its progress and can
    // be cancelled, or stopped by closing the window: what was printed stays printed.
    void yazdir();

private:
    QRect twips(int left, int top, int width, int height) const;
    void load();

    Workspace &m_workspace;
    double m_scale = 1.0; // pixels per twip
    bool m_printing = false;

    QComboBox *m_campaign; // Combo1
    QLineEdit *m_start;    // Text1
    QLineEdit *m_end;      // Text2
    QComboBox *m_region;   // Combo2
    QRadioButton *m_oneFile;
    QRadioButton *m_filePerInvoice;
    ImageButton *m_print; // Yazdir
};
