// Exporting e-Arşiv invoices: each invoice's document made from its model and written as
// XML; the same XML texts written bare with QXmlStreamWriter, which is what the writing alone
// costs; and the whole export into files: database, numbers, XML and the PDF copy.

#include "benchdata.h"

#include "earsiv/copy.h"
#include "earsiv/document.h"
#include "earsiv/export.h"
#include "invoice/saving.h"
#include "invoice/workspace.h"
#include "store/invoices.h"
#include "tools/sampledata.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace {

const QDate today(2026, 12, 31);

// A working folder with default settings and a sample database of `invoices` saved
// invoices of five lines, dated through 2025, the seller's details filled in.
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
        writeSampleDatabase(QDir(folder).filePath(QStringLiteral("fatura.MDB")), a);
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
            if (!loadStoredInvoice(invoice, storedInvoice(db, n)).isEmpty())
                throw std::runtime_error("unreadable sample invoice");
            invoice.setVatRate(defaultSettings().kdv_yuzde);
            list << invoice;
        }
        cache.insert(invoices, list);
    }
    return cache[invoices];
}

EArsivParty seller() {
    return sellerParty(sampleSeller());
}

// The XML of every invoice, as the export makes it.
QByteArray documentXml(const Invoice &invoice, const EArsivParty &from, qint64 serial) {
    auto made = earsivDocument(
        invoice, DocumentChoices{from, today, Profile::EArsiv, SendType::Paper, std::nullopt});
    EArsivDocument *d = std::get_if<EArsivDocument>(&made);
    if (!d)
        throw std::runtime_error(std::get<QString>(made).toStdString());
    d->gibNumber = QStringLiteral("ORN2025%1").arg(serial, 9, 10, QLatin1Char('0'));
    d->uuid = QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
    d->issueTime = QTime(10, 0, 0);
    return earsivXml(*d);
}

void EArsivXml(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QList<Invoice> &list = models(invoices);
    const EArsivParty from = seller();
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (int i = 0; i < invoices; ++i)
            bytes += documentXml(list.at(i), from, i + 1).size();
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

const QList<QList<Event>> &documentEvents(int invoices) {
    static QHash<int, QList<QList<Event>>> cache;
    if (!cache.contains(invoices)) {
        const QList<Invoice> &list = models(invoices);
        const EArsivParty from = seller();
        QList<QList<Event>> all;
        for (int i = 0; i < invoices; ++i) {
            QXmlStreamReader r(documentXml(list.at(i), from, i + 1));
            QList<Event> events;
            while (!r.atEnd()) {
                r.readNext();
                if (r.isStartElement())
                    events << Event{
                        r.tokenType(),  r.namespaceUri().toString(), r.name().toString(),
                        r.attributes(), r.namespaceDeclarations(),   {}};
                else if (r.isCharacters() && !r.isWhitespace())
                    events << Event{r.tokenType(), {}, {}, {}, {}, r.text().toString()};
                else if (r.isEndElement())
                    events << Event{r.tokenType(), {}, {}, {}, {}, {}};
            }
            all << events;
        }
        cache.insert(invoices, all);
    }
    return cache[invoices];
}

// One document written again from its events with a bare QXmlStreamWriter.
QByteArray replayed(const QList<Event> &events) {
    QByteArray out;
    QXmlStreamWriter w(&out);
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
    return out;
}

// The floor: the same texts, elements and attributes written with a bare QXmlStreamWriter.
void BareXmlWriter(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QList<QList<Event>> &all = documentEvents(invoices);
    // The same bytes as the export, or the comparison means nothing.
    if (replayed(all.first()) != documentXml(models(invoices).first(), seller(), 1)) {
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

// The whole export as the window and the command run it: each invoice read, numbered in its
// own transaction and written to its XML and PDF files. A fresh copy of the database each
// time, so that every invoice is exported for the first time.
void EArsivExportFiles(benchmark::State &state) {
    const int invoices = int(state.range(0));
    const QString source = sampleFolder(invoices);
    QList<qint64> numbers;
    for (qint64 n = 1; n <= invoices; ++n)
        numbers << n;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = benchFile(QStringLiteral("aktarim-%1-%2").arg(invoices).arg(++run));
        QDir().mkpath(folder);
        for (const QString &name : {settingsFileName(), QStringLiteral("fatura.MDB")})
            QFile::copy(QDir(source).filePath(name), QDir(folder).filePath(name));
        Workspace workspace(folder);
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

// The readable copy alone, drawn into memory: what each invoice's PDF costs.
void EArsivReadableCopy(benchmark::State &state) {
    const QList<Invoice> &list = models(10000);
    const EArsivParty from = seller();
    QList<EArsivDocument> documents;
    for (int i = 0; i < 100; ++i) {
        auto made = earsivDocument(list.at(i), DocumentChoices{from, today, Profile::EArsiv,
                                                               SendType::Paper, std::nullopt});
        documents << std::get<EArsivDocument>(made);
        documents.last().gibNumber =
            QStringLiteral("ORN2025%1").arg(i + 1, 9, 10, QLatin1Char('0'));
        documents.last().uuid = QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
    }
    for (auto _ : state) {
        for (const EArsivDocument &d : documents) {
            QBuffer pdf;
            pdf.open(QIODevice::WriteOnly);
            if (!writeReadableCopy(d, &pdf)) {
                state.SkipWithError("no PDF");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * documents.size());
}
BENCHMARK(EArsivReadableCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
