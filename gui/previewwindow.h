#pragma once

#include "invoice/preview.h"
#include "printing/printer.h"
#include "settings/settingsfile.h"

#include <QWidget>

class QLabel;
class QScrollArea;
class PageView;
class Workspace;

// The print preview of the settings window, "Önizleme": one A4 page at its true size on the
// screen (zoomable), with an invoice placed by the given settings exactly as printing places
// it, over the picture of the blank form when the working directory holds "fatura-formu.jpg".
// The picture is only shown; "Deneme Baskısı" prints the invoice alone.
class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    explicit PreviewWindow(Workspace &workspace, QWidget *parent = nullptr);
    ~PreviewWindow() override;

    // Reads the invoice to show (the last one saved in the database the settings name, or the
    // sample) and the form picture again, then shows the page with these settings.
    void load(const ayarlar &a);
    // The same invoice placed with changed settings.
    void setSettings(const ayarlar &a);
    // Reads the default printer's printable area and offset again.
    void refreshPrinter();
    // Moves the window beside `other` (a frame on the screen) on the side with more room,
    // so both can be seen; at the screen's right edge when neither side has enough.
    void placeBeside(const QRect &other);

    const PreviewInvoice &invoice() const { return m_invoice; }
    const QString &formPicturePath() const { return m_formPath; }

    // 1 is true size.
    double zoom() const { return m_zoom; }
    void setZoom(double factor);
    void zoomIn();
    void zoomOut();
    void fitPage();

    // The first sheet's rectangle on the page widget ("sayfa"), in its pixels.
    QRect paperRect() const;
    // The sheets the invoice takes, shown one under another.
    int sheetCount() const;
    // Every line the latest drawing of the page printed.
    const QList<RecordingPrinter::Line> &printedLines() const;

    // Prints the invoice with the current settings on the default printer, or into a PDF
    // under "baskilar" when no printer is installed, and then says where it went.
    void testPrint();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyZoom();

    Workspace &m_workspace;
    PreviewInvoice m_invoice;
    QString m_formPath; // empty when there is no form picture
    PreviewPage m_page;
    double m_zoom = 1;
    int m_wheel = 0;   // wheel turn not yet spent on a zoom step
    QString m_caption; // what the note says of the invoice and the form picture
    QLabel *m_note = nullptr;
    QLabel *m_zoomLabel = nullptr;
    QScrollArea *m_scroll = nullptr;
    PageView *m_view = nullptr;
};
