// A batch run to PDF: the program's run; the same texts at the same places drawn with a
// bare QPainter on the same kind of PDF device, which is what the drawing alone costs; and
// the run with the old way of reading, the whole line table for every invoice.

#include "benchdata.h"
#include "oldprinting.h"

#include "invoice/batchrun.h"
#include "printing/painterprinter.h"

#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// One text as a run draws it: its document, font and position in twips.
struct Cizim {
    int belge;
    QString metin;
    QString yazitipi;
    double boyut;
    double x;
    double y;
};

// Passes everything to a PdfPrinter and keeps what is drawn where.
class Kaydeden : public Printer {
public:
    Kaydeden(PdfPrinter &p, QList<Cizim> &cizimler)
        : m_p(p)
        , m_cizimler(cizimler) {}
    void setFontName(const QString &n) override {
        if (!n.isEmpty())
            m_yazitipi = n;
        m_p.setFontName(n);
    }
    void setFontSize(double b) override {
        if (usableFontSize(b))
            m_boyut = b;
        m_p.setFontSize(b);
    }
    void setX(double t) override { m_p.setX(t); }
    void setY(double t) override { m_p.setY(t); }
    double x() const override { return m_p.x(); }
    double y() const override { return m_p.y(); }
    void printLine(const QString &metin) override {
        m_cizimler << Cizim{m_belge, metin, m_yazitipi, m_boyut, m_p.x(), m_p.y()};
        m_p.printLine(metin);
    }
    void endDocument() override {
        ++m_belge;
        m_p.endDocument();
    }

private:
    PdfPrinter &m_p;
    QList<Cizim> &m_cizimler;
    QString m_yazitipi;
    double m_boyut = 10;
    int m_belge = 0;
};

const QList<Cizim> &cizimler(int fatura) {
    static QHash<int, QList<Cizim>> hepsi;
    if (!hepsi.contains(fatura)) {
        QList<Cizim> c;
        PdfPrinter pdf(benchDosyasi(QStringLiteral("kayit.pdf")));
        Kaydeden k(pdf, c);
        runBatch(k, varsayilanAyarlar(), kampanyaDosyasi(fatura), benchKampanyasi(), {});
        pdf.finish();
        hepsi.insert(fatura, c);
    }
    return hepsi[fatura];
}

void TopluBasim(benchmark::State &state) {
    const int fatura = int(state.range(0));
    const QString yol = kampanyaDosyasi(fatura);
    const QString pdf = benchDosyasi(QStringLiteral("toplu.pdf"));
    const ayarlar ayar = varsayilanAyarlar();
    for (auto _ : state) {
        PdfPrinter p(pdf);
        const int n = runBatch(p, ayar, yol, benchKampanyasi(), {});
        p.finish();
        if (n != fatura) {
            state.SkipWithError("wrong invoices");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * fatura);
}
BENCHMARK(TopluBasim)
    ->ArgName("fatura")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The floor: nothing but the texts of the run drawn where the run draws them.
void YalinPainter(benchmark::State &state) {
    const int fatura = int(state.range(0));
    const QList<Cizim> &c = cizimler(fatura);
    const QString pdf = benchDosyasi(QStringLiteral("yalin.pdf"));
    const auto birim = [](double twips, int dpi) { return int(std::lround(twips * dpi / 1440)); };
    for (auto _ : state) {
        QPdfWriter w(pdf);
        w.setResolution(1200);
        w.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Point));
        QPainter p(&w);
        int belge = 0;
        QString yazitipi;
        double boyut = 0;
        int ust = 0;
        for (const Cizim &d : c) {
            if (d.belge != belge) {
                w.newPage();
                belge = d.belge;
            }
            if (d.yazitipi != yazitipi || d.boyut != boyut) {
                QFont f;
                f.setFamily(d.yazitipi);
                f.setPointSizeF(d.boyut);
                p.setFont(f);
                ust = p.fontMetrics().ascent();
                yazitipi = d.yazitipi;
                boyut = d.boyut;
            }
            p.drawText(QPoint(birim(d.x, 1200), birim(d.y, 1200) + ust), d.metin);
        }
        p.end();
        if (belge != fatura - 1) {
            state.SkipWithError("wrong pages");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * fatura);
}
BENCHMARK(YalinPainter)
    ->ArgName("fatura")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void EskiYontemleBasim(benchmark::State &state) {
    const int fatura = int(state.range(0));
    const QString yol = kampanyaDosyasi(fatura);
    const QString pdf = benchDosyasi(QStringLiteral("eski.pdf"));
    const ayarlar ayar = varsayilanAyarlar();
    for (auto _ : state) {
        PdfPrinter p(pdf);
        const int n = eskiYontemleBasim(p, ayar, yol, benchKampanyasi());
        p.finish();
        if (n != fatura) {
            state.SkipWithError("wrong invoices");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * fatura);
}
BENCHMARK(EskiYontemleBasim)
    ->ArgName("fatura")
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
