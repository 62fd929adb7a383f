#pragma once

#include "printing/printeroffsets.h"
#include "settings/settingsfile.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class Workspace;

// The settings window's "Yazıcı Ayarı": this computer's offset for its default printer, in
// millimetres (right and down; negative is left and up), kept per computer and applied to
// every print, preview and batch run on that printer. "Deneme Baskısı" prints the marks page
// of the layout in the settings window's boxes, moved by the offset in this window's boxes,
// saved or not, so the user can measure how far the printer is off and correct it.
//
// Controls by objectName: yazici_etiketi the printer's name, kayma_x and kayma_y the offset,
// deneme_baskisi_dugmesi and kaydet_dugmesi.
class PrinterSetupWindow : public QWidget {
    Q_OBJECT
public:
    // `settings` gives the layout the marks page shows.
    PrinterSetupWindow(Workspace &workspace, std::function<ayarlar()> settings,
                       QWidget *parent = nullptr);

    // The default printer when the window was made; empty when none is installed.
    const QString &printerName() const { return m_printer; }

    // The offset the boxes hold (an empty box is 0); nothing, after saying which box is
    // wrong, when a box holds no number or one too far.
    std::optional<PrinterOffset> offsetInBoxes();

    // Keeps the offset in the boxes for the printer. Returns false after telling why.
    bool kaydet();
    // Prints the marks page where prints go and says where it went.
    void testPrint();

Q_SIGNALS:
    void offsetSaved();

private:
    Workspace &m_workspace;
    std::function<ayarlar()> m_settings;
    QString m_printer;
    QLabel *m_printerLabel;
    QLineEdit *m_x;
    QLineEdit *m_y;
    QPushButton *m_save;
};
