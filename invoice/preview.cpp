#include "invoice/preview.h"

#include "base/numbers.h"
#include "invoice/invoice.h"
#include "printing/painterprinter.h"
#include "store/database.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <exception>

namespace {

// Prints on a picture of the paper: a PainterPrinter whose painter starts at the printable
// area's corner of any paint device, keeping every line as it goes.
class SayfaYazici : public PainterPrinter {
public:
    SayfaYazici(QPaintDevice &cihaz, const QPointF &baskiKosesi)
        : m_cihaz(cihaz)
        , m_kose(baskiKosesi) {}
    ~SayfaYazici() override { finishQuietly(); }

    void setFontName(const QString &name) override {
        m_yaziTipi = name;
        PainterPrinter::setFontName(name);
    }
    void setFontSize(double points) override {
        m_boyut = points;
        PainterPrinter::setFontSize(points);
    }
    void printLine(const QString &text) override {
        m_cizilenler.append({text, m_yaziTipi, m_boyut, x(), y(), 0});
        PainterPrinter::printLine(text);
    }

    const QList<RecordingPrinter::Line> &cizilenler() const { return m_cizilenler; }

protected:
    void startDocument(QPainter &painter) override {
        if (!painter.begin(&m_cihaz))
            throw PrinterError(QStringLiteral("Önizleme çizilemedi."));
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.translate(m_kose);
    }
    void closeDocument(QPainter &painter) override { painter.end(); }

private:
    QPaintDevice &m_cihaz;
    QPointF m_kose;
    QString m_yaziTipi;
    double m_boyut = 10;
    QList<RecordingPrinter::Line> m_cizilenler;
};

KayitliSatir ornekSatir(double miktar, const char *aciklama, const char *iskonto,
                        const char *fiyat) {
    KayitliSatir s;
    s.miktar = miktar;
    s.aciklama = QString::fromUtf8(aciklama);
    s.iskonto = QString::fromLatin1(iskonto);
    s.br_fiyat = QString::fromLatin1(fiyat);
    s.tutar = moneyText(miktar * leadingNumber(*s.br_fiyat));
    return s;
}

const QColor koseRengi(210, 0, 110);

void koseyiCiz(QPainter &p, const QRectF &alan, double noktaBasinaPiksel) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(koseRengi, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(alan);
    // The corner itself, and its name in the margin above it.
    const double kol = 36 * noktaBasinaPiksel;
    p.setPen(QPen(koseRengi, 2));
    p.drawLine(alan.topLeft(), alan.topLeft() + QPointF(kol, 0));
    p.drawLine(alan.topLeft(), alan.topLeft() + QPointF(0, kol));
    QFont f;
    f.setPointSizeF(6);
    p.setFont(f);
    p.drawText(alan.topLeft() + QPointF(2 * noktaBasinaPiksel, -2 * noktaBasinaPiksel),
               QStringLiteral("0,0"));
}

} // namespace

QList<KayitliSatir> ornekFatura(const QDate &tarih) {
    const QString gun = tarih.toString(QStringLiteral("dd.MM.yyyy"));
    QList<KayitliSatir> satirlar = {
        ornekSatir(2, "Çay bardağı takımı (6'lı)", "", "145.50"),
        ornekSatir(10, "Toz şeker, 1 kg", "5", "32.75"),
        ornekSatir(1, "Ütü masası", "", "899.90"),
    };
    for (KayitliSatir &s : satirlar) {
        s.musterino = QStringLiteral("1");
        s.adi_soyadi = QStringLiteral("Örnek Gıda ve Ticaret Ltd. Şti.");
        s.adresi = QStringLiteral("Atatürk Cad. No: 15");
        s.adresi2 = QStringLiteral("Çankaya / ANKARA");
        s.vergidaire_no = QStringLiteral("Çankaya V.D. 1234567890");
        s.kdvdahil = VatExcluded;
        s.fatura_tarihi = gun;
        s.irsaliye_no = QStringLiteral("A-004512");
        s.irsaliye_tarihi = gun;
        s.faturano = 1;
    }
    return satirlar;
}

OnizlemeFaturasi onizlemeFaturasi(const QString &veritabaniAyari) {
    OnizlemeFaturasi f;
    try {
        Veritabani db(veritabaniYolu(veritabaniAyari));
        const QList<qint64> numaralar = faturaNumaralari(db);
        if (!numaralar.isEmpty()) {
            f.satirlar = faturaSatirlari(db, numaralar.last());
            f.aciklama = QStringLiteral("Son kayıtlı fatura: %1").arg(numaralar.last());
        }
        if (f.satirlar.isEmpty())
            f.aciklama = QStringLiteral("Veritabanında kayıtlı fatura yok; örnek fatura "
                                        "gösteriliyor.");
    } catch (const std::exception &e) {
        f.satirlar.clear();
        f.aciklama = QStringLiteral("Veritabanı okunamadı; örnek fatura gösteriliyor.\n") +
                     QString::fromUtf8(e.what());
    }
    if (f.satirlar.isEmpty()) {
        f.satirlar = ornekFatura();
        f.ornek = true;
    }
    return f;
}

InvoicePrintInputs onizlemeGirdileri(const QList<KayitliSatir> &satirlar, const QString &kdvYuzde) {
    InvoicePrintInputs g;
    g.vatRate = kdvYuzde;
    if (satirlar.isEmpty())
        return g;
    const KayitliSatir &ilk = satirlar.first();
    g.invoiceNumber = ilk.faturano ? QString::number(*ilk.faturano) : QString();
    g.taxOffice = ilk.vergidaire_no.value_or(QString());
    g.vatMode = ilk.kdvdahil.value_or(VatIncluded) == VatExcluded ? VatExcluded : VatIncluded;
    // The VAT field as the invoice window shows it once these rows are loaded.
    InvoiceTotals toplamlar;
    for (const KayitliSatir &s : satirlar)
        g.vatAmount = addStoredLine(toplamlar, s.miktar.value_or(0), s.aciklama.value_or(QString()),
                                    s.iskonto.value_or(QString()), s.br_fiyat.value_or(QString()),
                                    kdvYuzde, g.vatMode)
                          .totals.vat;
    return g;
}

QSizeF a4Kagidi() {
    return QPageSize(QPageSize::A4).size(QPageSize::Point);
}

QRectF baskiAlani() {
    const QPrinterInfo bilgi = QPrinterInfo::defaultPrinter();
    if (bilgi.isNull())
        return PdfPrinter::pageLayout().paintRect(QPageLayout::Point);
    const QPrinter yazici(bilgi, QPrinter::HighResolution);
    return yazici.pageLayout().paintRect(QPageLayout::Point);
}

QList<RecordingPrinter::Line> sayfayiCiz(QPaintDevice &cihaz, const QPointF &kagitKosesi,
                                         const OnizlemeSayfasi &sayfa) {
    const double pikselX = cihaz.logicalDpiX() / 72.0;
    const double pikselY = cihaz.logicalDpiY() / 72.0;
    const auto cihazda = [&](const QRectF &noktalar) {
        return QRectF(kagitKosesi.x() + noktalar.x() * pikselX,
                      kagitKosesi.y() + noktalar.y() * pikselY, noktalar.width() * pikselX,
                      noktalar.height() * pikselY);
    };
    const QRectF kagit = cihazda(QRectF(QPointF(0, 0), a4Kagidi()));
    const QRectF alan = cihazda(sayfa.baskiAlani);
    {
        QPainter p(&cihaz);
        p.fillRect(kagit, Qt::white);
        if (!sayfa.form.isNull()) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(kagit, sayfa.form);
        }
    }

    QList<RecordingPrinter::Line> cizilenler;
    if (!sayfa.satirlar.isEmpty()) {
        SayfaYazici yazici(cihaz, alan.topLeft());
        printInvoice(yazici, sayfa.ayar, sayfa.satirlar,
                     onizlemeGirdileri(sayfa.satirlar, sayfa.ayar.kdv_yuzde));
        yazici.finish();
        cizilenler = yazici.cizilenler();
    }

    if (sayfa.kose) {
        QPainter p(&cihaz);
        koseyiCiz(p, alan, pikselX);
    }
    return cizilenler;
}
