// The two figures of the invoice database: listing the invoice numbers of a large database
// with and without the index, and writing a long invoice in one transaction and without.

#include "benchdata.h"

#include "invoice/invoice.h"
#include "tools/sampledata.h"

#include <benchmark/benchmark.h>

namespace {

// What the invoice window does when it opens: open the database, list every number.
void FaturaNumaralari(benchmark::State &state) {
    const bool indeksli = state.range(0) != 0;
    const QString yol = yuzBinFatura(indeksli);
    for (auto _ : state) {
        Veritabani db(yol);
        const QList<qint64> numaralar = faturaNumaralari(db);
        if (numaralar.size() != 100000) {
            state.SkipWithError("wrong number of invoices");
            break;
        }
        benchmark::DoNotOptimize(numaralar.constData());
    }
    state.SetLabel(indeksli ? "indeksli" : "indekssiz");
}
BENCHMARK(FaturaNumaralari)
    ->ArgName("indeks")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Saving a new invoice of 200 lines, as the invoice window does: in one transaction, or,
// for comparison, the same rows each written on its own (every row its own transaction,
// every one waiting for the disk).
void FaturaYaz(benchmark::State &state) {
    const bool islemli = state.range(0) != 0;
    const QString yol =
        benchDosyasi(islemli ? QStringLiteral("yaz-islemli.MDB") : QStringLiteral("yaz.MDB"));
    OrnekVeri a;
    a.musteri = 40;
    a.fatura = 25;
    a.kampanyaFatura = 0;
    ornekVeritabaniYaz(yol, a);
    const Musteri m = ornekMusteri(1, 1);
    OrnekFatura f = ornekFatura(1, 1000, m, 200, VatExcluded, true, QDate(2026, 12, 6));
    qint64 no = 1000;
    for (auto _ : state) {
        f.baslik.faturano = no++;
        Veritabani db(yol, Veritabani::Erisim::Yazma);
        if (islemli) {
            if (!yeniFaturaKaydet(db, f.baslik, f.kalemler)) {
                state.SkipWithError("invoice refused");
                break;
            }
        } else {
            FaturaYazici(db).ekle(f.baslik, f.kalemler);
        }
    }
    state.SetLabel(islemli ? "tek islem" : "islemsiz, satir satir");
    state.SetItemsProcessed(state.iterations() * f.kalemler.size());
}
BENCHMARK(FaturaYaz)
    ->ArgName("islem")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
