#pragma once

#include "invoice/invoiceprint.h"
#include "printing/printer.h"
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
struct OnizlemeFaturasi {
    QList<KayitliSatir> satirlar;
    bool ornek = false; // the built-in sample
    QString aciklama;   // what the window says about it
};

// The built-in sample: a few lines, one with a discount, VAT excluded, dated `tarih`.
QList<KayitliSatir> ornekFatura(const QDate &tarih = QDate::currentDate());

// The invoice with the largest number in the database that the settings value
// `veritabaniAyari` names; the sample, and why, when there is none or it cannot be read.
OnizlemeFaturasi onizlemeFaturasi(const QString &veritabaniAyari);

// What the invoice window would hand to the printing of these rows: their number, stored tax
// office and VAT mode, the settings' VAT rate and the VAT text of the line arithmetic.
InvoicePrintInputs onizlemeGirdileri(const QList<KayitliSatir> &satirlar, const QString &kdvYuzde);

// An A4 sheet in points.
QSizeF a4Kagidi();

// The printable area on the paper, in points from the paper's top-left corner: the default
// printer's, or that of the PDF written when no printer is installed. Its corner is where
// the settings' positions count from.
QRectF baskiAlani();

// Everything one drawing of the page needs.
struct OnizlemeSayfasi {
    ayarlar ayar;
    QList<KayitliSatir> satirlar;
    QImage form;       // the blank form, stretched over the paper; null for none
    QRectF baskiAlani; // points, as baskiAlani() gives it
    bool kose = true;  // marks the printable area and its corner
};

// Draws the paper at its true size for `cihaz`'s resolution, its top-left corner at
// `kagitKosesi` (device pixels): white paper, the form picture, the invoice printed by
// printInvoice() with the page's settings, then the printable area's mark. Returns every line
// printed, as a RecordingPrinter would have kept it.
QList<RecordingPrinter::Line> sayfayiCiz(QPaintDevice &cihaz, const QPointF &kagitKosesi,
                                         const OnizlemeSayfasi &sayfa);
