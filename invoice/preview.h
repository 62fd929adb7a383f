#pragma once

#include "invoice/invoiceprint.h"
#include "printing/printer.h"
#include "printing/printeroffsets.h"
#include "settings/settingsfile.h"
#include "store/invoices.h"

#include <QDate>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPaintDevice;

// The print preview of the settings window, without the window: which invoice it shows and
// how one page is drawn. The page is printed by printInvoice() itself, onto a picture of the
// paper instead of the paper, so the preview can never drift from real printing.

// The invoice the preview places.
struct PreviewInvoice {
    QList<StoredRow> rows;
    InvoiceInfo info;    // what is kept beside the rows
    bool sample = false; // the built-in sample
    QString caption;     // what the window says about it
};

// The built-in sample: a few lines, one with a discount, VAT excluded, dated `date`.
QList<StoredRow> sampleInvoiceRows(const QDate &date = QDate::currentDate());

// The invoice with the largest number in the database file; the sample, and why, when there
// is none or it cannot be read or loaded.
PreviewInvoice previewInvoice(const QString &databaseFile);

// These rows as the invoice window holds them once loaded, with the rates kept beside them or,
// for an older invoice, the settings' VAT rate; and so as its printing prints them.
Invoice previewModel(const QList<StoredRow> &rows, const InvoiceInfo &info, const QString &vatRate);

// An A4 sheet in points.
QSizeF a4Paper();

// The printable area on the paper, in points from the paper's top-left corner: the default
// printer's (margins at the printer's minimum, as printing uses it), or that of the PDF
// written when no printer is installed. Its corner, moved by the printer's offset, is where
// the settings' positions count from.
QRectF printableArea();

// Everything one drawing of the page needs.
struct PreviewPage {
    ayarlar settings;
    QList<StoredRow> rows;
    QImage form;               // the blank form, stretched over the paper; null for none
    QRectF printableArea;      // points, as printableArea() gives it
    bool markCorner = true;    // marks the printable area and the corner positions count from
    PrinterOffset offset = {}; // the default printer's, in millimetres
    InvoiceInfo info = {};     // what is kept beside the rows
};

// The sheets the page's invoice takes when printed with the page's settings.
int sheetCount(const PreviewPage &page);

// Draws one sheet of the paper (0 for the first) at its true size for `device`'s
// resolution, its top-left corner at `paperCorner` (device pixels): white paper, the form
// picture, what printInvoice() prints on that sheet with the page's settings, then the
// marks of the printable area and of the corner positions count from (moved by the printer's
// offset). Returns every line printed on the sheet, as a RecordingPrinter would have kept it.
QList<RecordingPrinter::Line> drawPage(QPaintDevice &device, const QPointF &paperCorner,
                                       const PreviewPage &page, int sheet = 0);
