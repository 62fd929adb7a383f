// Exporting e-invoices: each invoice's document made from its model and written as XML; the
// same XML texts written bare with QXmlStreamWriter, which is what the writing alone costs;
// the readable copy alone; and the whole export into files (database, numbers, XML and the PDF
// copy, on every core, one sync) against a floor that writes the same XMLs and PDFs with bare
// QXmlStreamWriter and QPdfWriter on every core with one sync.

#include "benchdata.h"

#include "earsiv/copy.h"
#include "earsiv/document.h"
#include "earsiv/export.h"
#include "earsiv/qrcode.h"
#include "invoice/saving.h"
#include "invoice/workspace.h"
#include "store/invoices.h"
#include "tools/sampledata.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSqlQuery>
#include <QThread>
#include <QThreadPool>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

// The day of the export: the sample's invoices are dated the day before, as a shop exports
// its day's invoices.
const QDate today(2026, 12, 31);

// A working folder with default settings and a sample database of `invoices` saved invoices
// of five lines, dated the day before `today`, each customer's district and city given, the
// seller's details filled in.
QString sampleFolder(int invoices) {
    static QHash<int, QString> made;
    if (!made.contains(invoices)) {
        const QString folder = benchFile(QStringLiteral("earsiv-%1").arg(invoices));
        QDir().mkpath(folder);
        ayarlari_yaz(defaultSettings(), QDir(folder).filePath(settingsFileName()));
        SampleDataOptions a;
        a.customers = 1000;
        a.invoices = invoices;
        a.maxLines = 5;
        a.exactLines = true;
        a.campaignInvoices = 0;
        a.year = 2025;
        const QString path = QDir(folder).filePath(QStringLiteral("fatura.MDB"));
        writeSampleDatabase(path, a);
        Database db(path, Database::Access::Write);
        db.transaction([&] {
            QSqlQuery q(db.db());
            const QString day = today.addDays(-1).toString(QStringLiteral("dd.MM.yyyy"));
            if (!q.exec(QStringLiteral("UPDATE faturalar SET fatura_tarihi = '%1', "
                                       "irsaliye_tarihi = '%1'")
                            .arg(day)) ||
                !q.exec(QStringLiteral("UPDATE faturalar SET adresi2 = 'Merkez / Ankara' WHERE "
                                       "adresi2 NOT LIKE '%/%'")))
                throw std::runtime_error("cannot date the sample");
        });
        made.insert(invoices, folder);
    }
    return made.value(invoices);
}

// The saved invoices as the program loads them, at the settings' rate.
const QList<Invoice> &models(int invoices) {
    static QHash<int, QList<Invoice>> cache;
    if (!cache.contains(invoices)) {
        const QString folder = sampleFolder(invoices);
        Database db(QDir(folder).filePath(QStringLiteral("fatura.MDB")));
        QList<Invoice> list;
        for (qint64 n = 1; n <= invoices; ++n) {
            Invoice invoice;
            invoice.setVatRate(defaultSettings().kdv_yuzde);
            if (!loadStoredInvoice(invoice, storedInvoice(db, n)).isEmpty())
                throw std::runtime_error("unreadable sample invoice");
            list << invoice;
        }
        cache.insert(invoices, list);
    }
    return cache[invoices];
}

// The documents of the sample's invoices as the export makes them, numbered.
const QList<EArsivDocument> &documents(int invoices) {
    static QHash<int, QList<EArsivDocument>> cache;
    if (!cache.contains(invoices)) {
        const QList<Invoice> &list = models(invoices);
        DocumentChoices choices;
        choices.seller = sellerParty(sampleSeller());
        choices.today = today;
        QList<EArsivDocument> made;
        for (int i = 0; i < invoices; ++i) {
            auto d = earsivDocument(list.at(i), choices);
            if (const QString *refusal = std::get_if<QString>(&d))
                throw std::runtime_error(refusal->toStdString());
            EArsivDocument &doc = std::get<EArsivDocument>(d);
            doc.gibNumber = QStringLiteral("ORN2026%1").arg(i + 1, 9, 10, QLatin1Char('0'));
            doc.uuid = QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
            doc.issueTime = QTime(10, 0, 0);
            made << doc;
        }
        cache.insert(invoices, made);
    }
    return cache[invoices];
}

void EArsivXml(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QList<Invoice> &list = models(invoices);
    DocumentChoices choices;
    choices.seller = sellerParty(sampleSeller());
    choices.today = today;
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (int i = 0; i < invoices; ++i) {
            auto d = earsivDocument(list.at(i), choices);
            EArsivDocument &doc = std::get<EArsivDocument>(d);
            doc.gibNumber = QStringLiteral("ORN2026%1").arg(i + 1, 9, 10, QLatin1Char('0'));
            doc.uuid = QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
            doc.issueTime = QTime(10, 0, 0);
            bytes += earsivXml(doc).size();
        }
    }
    state.SetItemsProcessed(state.iterations() * invoices);
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(EArsivXml)->ArgName("fatura")->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One XML document as the reader sees it, to be written again without any figuring.
struct Event {
    QXmlStreamReader::TokenType type;
    QString namespaceUri;
    QString name;
    QXmlStreamAttributes attributes;
    QXmlStreamNamespaceDeclarations namespaces;
    QString text;
};

QList<Event> eventsOf(const QByteArray &xml) {
    QXmlStreamReader r(xml);
    QList<Event> events;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement())
            events << Event{r.tokenType(),  r.namespaceUri().toString(), r.name().toString(),
                            r.attributes(), r.namespaceDeclarations(),   {}};
        else if (r.isCharacters() && !r.isWhitespace())
            events << Event{r.tokenType(), {}, {}, {}, {}, r.text().toString()};
        else if (r.isEndElement())
            events << Event{r.tokenType(), {}, {}, {}, {}, {}};
    }
    return events;
}

// One document written again from its events with a bare QXmlStreamWriter.
void replay(const QList<Event> &events, QIODevice *out) {
    QXmlStreamWriter w(out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    for (const Event &e : events) {
        if (e.type == QXmlStreamReader::StartElement) {
            for (const QXmlStreamNamespaceDeclaration &n : e.namespaces) {
                if (n.prefix().isEmpty())
                    w.writeDefaultNamespace(n.namespaceUri().toString());
                else
                    w.writeNamespace(n.namespaceUri().toString(), n.prefix().toString());
            }
            w.writeStartElement(e.namespaceUri, e.name);
            w.writeAttributes(e.attributes);
        } else if (e.type == QXmlStreamReader::Characters) {
            w.writeCharacters(e.text);
        } else {
            w.writeEndElement();
        }
    }
    w.writeEndDocument();
}

QByteArray replayed(const QList<Event> &events) {
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    replay(events, &b);
    return out;
}

const QList<QList<Event>> &documentEvents(int invoices) {
    static QHash<int, QList<QList<Event>>> cache;
    if (!cache.contains(invoices)) {
        QList<QList<Event>> all;
        for (const EArsivDocument &d : documents(invoices))
            all << eventsOf(earsivXml(d));
        cache.insert(invoices, all);
    }
    return cache[invoices];
}

// The floor: the same texts, elements and attributes written with a bare QXmlStreamWriter.
void BareXmlWriter(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QList<QList<Event>> &all = documentEvents(invoices);
    // The same bytes as the export, or the comparison means nothing.
    if (replayed(all.first()) != earsivXml(documents(invoices).first())) {
        state.SkipWithError("the bare writer does not write the same bytes");
        return;
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const QList<Event> &events : all)
            bytes += replayed(events).size();
    }
    state.SetItemsProcessed(state.iterations() * invoices);
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BareXmlWriter)
    ->ArgName("fatura")
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The readable copy alone, drawn into memory on one core: what each invoice's PDF costs.
void EArsivReadableCopy(benchmark::State &state) {
    const QList<EArsivDocument> &list = documents(1000);
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            QBuffer pdf;
            pdf.open(QIODevice::WriteOnly);
            if (!writeReadableCopy(list.at(i), &pdf)) {
                state.SkipWithError("no PDF");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(EArsivReadableCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

// A fresh working folder holding a copy of the sample's settings and books, for a run that
// gives every invoice its first number.
QString freshCopy(int invoices, int run) {
    const QString source = sampleFolder(invoices);
    const QString folder = benchFile(QStringLiteral("aktarim-%1-%2").arg(invoices).arg(run));
    QDir().mkpath(folder);
    for (const QString &name : {settingsFileName(), QStringLiteral("fatura.MDB")})
        QFile::copy(QDir(source).filePath(name), QDir(folder).filePath(name));
    return folder;
}

// The whole export as the window and the command run it: each invoice read, checked and
// numbered in date order, its XML and PDF written on every core, one sync, one commit.
void EArsivExportFiles(benchmark::State &state) {
    const int invoices = int(state.range(0));
    QList<qint64> numbers;
    for (qint64 n = 1; n <= invoices; ++n)
        numbers << n;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Workspace workspace(freshCopy(invoices, ++run));
        workspace.seams.clock = [] { return today; };
        state.ResumeTiming();
        EArsivExport exporter(workspace);
        QList<EArsivResult> results;
        exporter.run(numbers, results);
        if (results.size() != invoices || !results.last().refusal.isEmpty()) {
            state.SkipWithError("not every invoice was exported");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * invoices);
}
BENCHMARK(EArsivExportFiles)
    ->ArgName("fatura")
    ->Arg(1000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the floor draws of one copy, worked out beforehand: each text with its font and where
// it starts, each box, and the QR code's modules; the same texts, fonts and QR code as the
// export's copy, placed without measuring a word.
struct BareText {
    int font; // 0 normal, 1 bold, 2 small, 3 cell, 4 small bold, 5 heading, 6 title
    QPointF at;
    QString text;
};
struct BarePage {
    QList<BareText> texts;
    QList<QRectF> boxes;
};
struct BareCopy {
    QList<BarePage> pages;
    QList<QRectF> modules;
};

constexpr int dpi = 300;
double u(double mm) {
    return mm * dpi / 25.4;
}

BareCopy bareCopy(const EArsivDocument &d) {
    BareCopy c;
    c.pages << BarePage();
    BarePage *page = &c.pages.last();
    const auto text = [&](int font, double x, double y, const QString &t) {
        page->texts << BareText{font, QPointF(u(x), u(y)), t};
    };
    double y = 18;
    text(5, 15, y, d.seller.name());
    for (const QString &s :
         {d.seller.street, d.seller.district + QStringLiteral(" / ") + d.seller.city,
          QStringLiteral("Tel: ") + d.seller.phone, QStringLiteral("E-posta: ") + d.seller.email,
          QStringLiteral("Vergi Dairesi: ") + d.seller.taxOffice,
          QStringLiteral("VKN: ") + d.seller.id})
        text(0, 15, y += 4, s);
    text(6, 120, 30, documentTitle(d.profile));
    if (const std::optional<QrCode> q = qrCode(qrText(d))) {
        const double m = 30.0 / (q->size + 8);
        for (int r = 0; r < q->size; ++r)
            for (int col = 0; col < q->size; ++col)
                if (q->at(col, r))
                    c.modules << QRectF(u(165 + (col + 4) * m), u(15 + (r + 4) * m), u(m), u(m));
    }
    const QList<std::pair<QString, QString>> info = {
        {QStringLiteral("Fatura No:"), d.gibNumber},
        {QStringLiteral("Düzenleme Tarihi:"), d.issueDate.toString(QStringLiteral("dd.MM.yyyy"))},
        {QStringLiteral("Düzenleme Saati:"), d.issueTime.toString(QStringLiteral("HH:mm:ss"))},
        {QStringLiteral("Senaryo:"), d.profile},
        {QStringLiteral("Fatura Tipi:"), typeName(d.typeCode)},
        {QStringLiteral("Gönderim Şekli:"), QStringLiteral("KÂĞIT")},
        {QStringLiteral("İrsaliye No:"), d.deliveryNoteNumber},
        {QStringLiteral("İrsaliye Tarihi:"),
         d.deliveryNoteDate.toString(QStringLiteral("dd.MM.yyyy"))}};
    y = 50;
    for (const auto &[label, value] : info) {
        text(1, 116, y, label);
        text(0, 148, y, value);
        y += 5;
    }
    page->boxes << QRectF(u(115), u(47), u(80), u(42));
    y = 50;
    text(1, 17, y, QStringLiteral("SAYIN"));
    text(5, 17, y += 5, d.buyer.name());
    for (const QString &s :
         {d.buyer.street, d.buyer.district + QStringLiteral(" / ") + d.buyer.city,
          QStringLiteral("Vergi Dairesi: ") + d.buyer.taxOffice,
          d.buyer.scheme() + QStringLiteral(": ") + d.buyer.id})
        text(0, 17, y += 4, s);
    page->boxes << QRectF(u(15), u(47), u(96), u(30));
    text(0, 15, 95, QStringLiteral("ETTN: ") + d.uuid);
    const double widths[] = {9, 43, 16, 22, 14, 18, 12, 20, 26};
    const QStringList titles = {QStringLiteral("Sıra No"),
                                QStringLiteral("Mal / Hizmet"),
                                QStringLiteral("Miktar"),
                                QStringLiteral("Birim Fiyat (TL)"),
                                QStringLiteral("İskonto Oranı"),
                                QStringLiteral("İskonto Tutarı (TL)"),
                                QStringLiteral("KDV Oranı"),
                                QStringLiteral("KDV Tutarı (TL)"),
                                QStringLiteral("Mal Hizmet Tutarı (TL)")};
    y = 102;
    const auto row = [&](const QStringList &cells, int font) {
        double x = 15;
        for (int i = 0; i < 9; ++i) {
            page->boxes << QRectF(u(x), u(y), u(widths[i]), u(6));
            text(font, x + 1.2, y + 4, cells.value(i));
            x += widths[i];
        }
        y += 6;
    };
    row(titles, 4);
    for (qsizetype i = 0; i < d.lines.size(); ++i) {
        const EArsivLine &l = d.lines.at(i);
        const bool discounted = l.discountPercent && *l.discountPercent != 0;
        row({QString::number(i + 1), l.name, plainNumberText(l.quantity) + u' ' + unitName(l.unit),
             copyPriceText(l.unitPrice, d.vatIncluded),
             discounted ? u'%' + plainNumberText(*l.discountPercent) : QString(),
             discounted ? kurusText(l.discount) : QString(), u'%' + plainNumberText(l.vatRate),
             kurusText(l.vat), kurusText(l.net)},
            3);
    }
    y += 4;
    QList<std::pair<QString, qint64>> totals = {
        {QStringLiteral("Mal Hizmet Toplam Tutarı"), d.lineTotal},
        {QStringLiteral("Toplam İskonto"), d.discountTotal}};
    for (const EArsivTax &t : d.taxes)
        totals << std::pair(QStringLiteral("KDV Matrahı (%") + plainNumberText(t.rate) + u')',
                            t.taxable)
               << std::pair(QStringLiteral("Hesaplanan KDV (%") + plainNumberText(t.rate) + u')',
                            t.vat);
    totals << std::pair(QStringLiteral("Vergiler Dahil Toplam Tutar"), d.payable)
           << std::pair(QStringLiteral("Ödenecek Tutar"), d.payable);
    for (const auto &[label, amount] : totals) {
        page->boxes << QRectF(u(85), u(y), u(110), u(5.5));
        text(0, 86.5, y + 4, label);
        text(0, 170, y + 4, kurusText(amount) + QStringLiteral(" TL"));
        y += 5.5;
    }
    text(1, 15, y + 6, d.words);
    text(2, 15, y + 12,
         QStringLiteral("Fiyatlar KDV dahil girilmiştir; KDV, tutarlardan satırın oranıyla "
                        "ayrılmış, fiyatlar ve tutarlar KDV hariç gösterilmiştir."));
    text(2, 15, 280, QStringLiteral("e-Arşiv faturasının okunabilir kopyası · ") + d.gibNumber);
    text(2, 180, 280, QStringLiteral("Sayfa 1 / 1"));
    return c;
}

const QList<BareCopy> &bareCopies(int invoices) {
    static QHash<int, QList<BareCopy>> cache;
    if (!cache.contains(invoices)) {
        QList<BareCopy> all;
        for (const EArsivDocument &d : documents(invoices))
            all << bareCopy(d);
        cache.insert(invoices, all);
    }
    return cache[invoices];
}

bool drawBare(const BareCopy &c, QIODevice *out) {
    QPdfWriter writer(out);
    writer.setResolution(dpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    QPainter p;
    if (!p.begin(&writer))
        return false;
    QFont fonts[7];
    const double sizes[7] = {8.5, 8.5, 7.5, 8, 7.5, 11, 15};
    for (int i = 0; i < 7; ++i) {
        fonts[i].setFamilies({QStringLiteral("DejaVu Sans")});
        fonts[i].setPointSizeF(sizes[i]);
        fonts[i].setBold(i == 1 || i >= 4);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRects(c.modules.constData(), int(c.modules.size()));
    p.setBrush(Qt::NoBrush);
    for (qsizetype i = 0; i < c.pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        p.setPen(QPen(Qt::gray, u(0.2)));
        p.drawRects(c.pages[i].boxes.constData(), int(c.pages[i].boxes.size()));
        p.setPen(Qt::black);
        for (const BareText &t : c.pages[i].texts) {
            p.setFont(fonts[t.font]);
            p.drawText(t.at, t.text);
        }
    }
    return p.end();
}

// The floor of the copy alone: the same texts, boxes and QR code drawn bare into memory on one
// core.
void BareReadableCopy(benchmark::State &state) {
    const QList<BareCopy> &copies = bareCopies(1000);
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            QBuffer pdf;
            pdf.open(QIODevice::WriteOnly);
            if (!drawBare(copies.at(i), &pdf)) {
                state.SkipWithError("no PDF");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BareReadableCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same XMLs and PDFs written on every core with bare QXmlStreamWriter and
// QPdfWriter, each file straight under its name, then one sync of the folder's disk.
void BareExportFiles(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QList<QList<Event>> &events = documentEvents(invoices);
    const QList<BareCopy> &copies = bareCopies(invoices);
    const QList<EArsivDocument> &docs = documents(invoices);
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = benchFile(QStringLiteral("yalin-%1-%2").arg(invoices).arg(++run));
        QDir().mkpath(folder);
        state.ResumeTiming();
        QThreadPool pool;
        pool.setMaxThreadCount(QThread::idealThreadCount());
        for (int i = 0; i < invoices; ++i)
            pool.start([&, i] {
                QFile xml(QDir(folder).filePath(docs.at(i).gibNumber + QStringLiteral(".xml")));
                if (xml.open(QIODevice::WriteOnly))
                    replay(events.at(i), &xml);
                QFile pdf(QDir(folder).filePath(docs.at(i).gibNumber + QStringLiteral(".pdf")));
                if (pdf.open(QIODevice::WriteOnly))
                    drawBare(copies.at(i), &pdf);
            });
        pool.waitForDone();
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
        ::syncfs(fd);
        ::close(fd);
    }
    state.SetItemsProcessed(state.iterations() * invoices);
}
BENCHMARK(BareExportFiles)
    ->ArgName("fatura")
    ->Arg(1000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
