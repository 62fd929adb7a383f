#pragma once

#include "invoice/preview.h"
#include "printing/printer.h"
#include "settings/settingsfile.h"

#include <QWidget>

class QLabel;
class QScrollArea;
class SayfaGorunumu;

// The print preview of the settings window, "Önizleme": one A4 page at its true size on the
// screen (zoomable), with an invoice placed by the given settings exactly as printing places
// it, over the picture of the blank form when the working directory holds "fatura-formu.jpg".
// The picture is only shown; "Deneme Baskısı" prints the invoice alone.
class Onizleme : public QWidget {
    Q_OBJECT
public:
    explicit Onizleme(QWidget *parent = nullptr);
    ~Onizleme() override;

    // Reads the invoice to show (the last one saved in the database the settings name, or the
    // sample) and the form picture again, then shows the page with these settings.
    void yukle(const ayarlar &a);
    // The same invoice placed with changed settings.
    void setAyarlar(const ayarlar &a);
    // Moves the window beside `pencere` (a frame on the screen) on the side with more room,
    // so both can be seen; at the screen's right edge when neither side has enough.
    void yanina(const QRect &pencere);

    const OnizlemeFaturasi &fatura() const { return m_fatura; }
    const QString &formResmiYolu() const { return m_formYolu; }

    // 1 is true size.
    double yakinlik() const { return m_yakinlik; }
    void setYakinlik(double yakinlik);
    void yakinlastir();
    void uzaklastir();
    void sayfayaSigdir();

    // The paper's rectangle on the page widget ("sayfa"), in its pixels.
    QRect kagit() const;
    // Every line the latest drawing of the page printed.
    const QList<RecordingPrinter::Line> &cizilenler() const;

    // Prints the invoice with the current settings on the default printer, or into a PDF
    // under "baskilar" when no printer is installed, and then says where it went.
    void denemeBaskisi();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void yakinligiUygula();

    OnizlemeFaturasi m_fatura;
    QString m_formYolu; // empty when there is no form picture
    OnizlemeSayfasi m_sayfa;
    double m_yakinlik = 1;
    int m_tekerlek = 0; // wheel turn not yet spent on a zoom step
    QLabel *m_not = nullptr;
    QLabel *m_yakinlikEtiketi = nullptr;
    QScrollArea *m_kaydirma = nullptr;
    SayfaGorunumu *m_gorunum = nullptr;
};
