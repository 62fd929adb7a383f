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
struct Drawing {
    int document;
    QString text;
    QString fontName;
    double fontSize;
    double x;
    double y;
};

// Passes everything to a PdfPrinter and keeps what is drawn where.
class RecordingPdfPrinter : public Printer {
public:
    RecordingPdfPrinter(PdfPrinter &p, QList<Drawing> &drawings)
        : m_p(p)
        , m_drawings(drawings) {}
    void setFontName(const QString &n) override {
        if (!n.isEmpty())
            m_fontName = n;
        m_p.setFontName(n);
    }
    void setFontSize(double b) override {
        if (usableFontSize(b))
            m_fontSize = b;
        m_p.setFontSize(b);
    }
    void setX(double t) override { m_p.setX(t); }
    void setY(double t) override { m_p.setY(t); }
    double x() const override { return m_p.x(); }
    double y() const override { return m_p.y(); }
    void printLine(const QString &text) override {
        m_drawings << Drawing{m_document, text, m_fontName, m_fontSize, m_p.x(), m_p.y()};
        m_p.printLine(text);
    }
    void newSheet() override { m_p.newSheet(); }
    void endDocument() override {
        ++m_document;
        m_p.endDocument();
    }

private:
    PdfPrinter &m_p;
    QList<Drawing> &m_drawings;
    QString m_fontName;
    double m_fontSize = 10;
    int m_document = 0;
};

const QList<Drawing> &drawings(int invoices) {
    static QHash<int, QList<Drawing>> cache;
    if (!cache.contains(invoices)) {
        QList<Drawing> c;
        PdfPrinter pdf(benchFile(QStringLiteral("kayit.pdf")));
        RecordingPdfPrinter k(pdf, c);
        runBatch(k, defaultSettings(), campaignFile(invoices), benchCampaign(), {});
        pdf.finish();
        cache.insert(invoices, c);
    }
    return cache[invoices];
}

void BatchPrint(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QString path = campaignFile(invoices);
    const QString pdf = benchFile(QStringLiteral("toplu.pdf"));
    const ayarlar settings = defaultSettings();
    for (auto _ : state) {
        PdfPrinter p(pdf);
        const int n = runBatch(p, settings, path, benchCampaign(), {});
        p.finish();
        if (n != invoices) {
            state.SkipWithError("wrong invoices");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * invoices);
}
BENCHMARK(BatchPrint)
    ->ArgName("fatura")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The floor: nothing but the texts of the run drawn where the run draws them.
void BarePainter(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QList<Drawing> &c = drawings(invoices);
    const QString pdf = benchFile(QStringLiteral("yalin.pdf"));
    const auto toDevice = [](double twips, int dpi) {
        return int(std::lround(twips * dpi / 1440));
    };
    for (auto _ : state) {
        QPdfWriter w(pdf);
        w.setResolution(1200);
        w.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                    QMarginsF(10, 10, 10, 10), QPageLayout::Point));
        QPainter p(&w);
        int document = 0;
        QString fontName;
        double fontSize = 0;
        int ascent = 0;
        for (const Drawing &d : c) {
            if (d.document != document) {
                w.newPage();
                document = d.document;
            }
            if (d.fontName != fontName || d.fontSize != fontSize) {
                QFont f;
                f.setFamily(d.fontName);
                f.setPointSizeF(d.fontSize);
                p.setFont(f);
                ascent = p.fontMetrics().ascent();
                fontName = d.fontName;
                fontSize = d.fontSize;
            }
            p.drawText(QPoint(toDevice(d.x, 1200), toDevice(d.y, 1200) + ascent), d.text);
        }
        p.end();
        if (document != invoices - 1) {
            state.SkipWithError("wrong pages");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * invoices);
}
BENCHMARK(BarePainter)
    ->ArgName("fatura")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void OldWayBatchPrint(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QString path = campaignFile(invoices);
    const QString pdf = benchFile(QStringLiteral("eski.pdf"));
    const ayarlar settings = defaultSettings();
    for (auto _ : state) {
        PdfPrinter p(pdf);
        const int n = printTheOldWay(p, settings, path, benchCampaign());
        p.finish();
        if (n != invoices) {
            state.SkipWithError("wrong invoices");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * invoices);
}
BENCHMARK(OldWayBatchPrint)
    ->ArgName("fatura")
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
