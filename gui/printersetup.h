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
// millimetres: how far the print is moved right and down (negative is left and up), kept per
// computer and applied to every print, preview and batch run on that printer. The default
// printer is read each time the window is shown. "Deneme Baskısı" prints the marks page of
// the layout in the settings window's boxes on the printer the window names, moved by the
// offset in this window's boxes, saved or not, so the user can measure how far the marks
// land from the form's boxes and correct it; the note under the boxes says how, with a
// worked example.
//
// Controls by objectName: yazici_etiketi the printer's name (or why there is none to use),
// kayma_x and kayma_y the offset, kayma_notu the note, deneme_baskisi_dugmesi and
// kaydet_dugmesi.
class PrinterSetupWindow : public QWidget {
    Q_OBJECT
public:
    // `settings` gives the layout the marks page shows.
    PrinterSetupWindow(Workspace &workspace, std::function<ayarlar()> settings,
                       QWidget *parent = nullptr);

    // The default printer when the window was last shown; empty when there is none to use.
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

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Finds the default printer and shows it with its kept offset.
    void readPrinter();

    Workspace &m_workspace;
    std::function<ayarlar()> m_settings;
    QString m_printer;
    QLabel *m_printerLabel;
    QLineEdit *m_x;
    QLineEdit *m_y;
    QPushButton *m_testPrint;
    QPushButton *m_save;
};
