// Reading a campaign for a batch run: the one pass of kampanyaFaturalari() against the way
// the batch printer used to work, going through the whole line table for every invoice.

#include "benchdata.h"

#include "db/campaigns.h"

#include <QSqlError>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

namespace {

const QString kampanya = benchKampanyasi();

void TekGecis(benchmark::State &state) {
    const int fatura = int(state.range(0));
    const QString yol = kampanyaDosyasi(fatura);
    for (auto _ : state) {
        Veritabani db(yol);
        qint64 kalemler = 0;
        const int n = kampanyaFaturalari(db, kampanya, {}, [&](const KampanyaFaturasi &f) {
            kalemler += f.kalemler.size();
            return true;
        });
        if (n != fatura || kalemler != 5 * fatura) {
            state.SkipWithError("wrong invoices");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * fatura);
}
BENCHMARK(TekGecis)
    ->ArgName("fatura")
    ->Arg(500)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The old algorithm: every header row, and for each the line table from its first row to
// its last, keeping the rows whose FATURANO is the header's SIRANO.
void EskiYontem(benchmark::State &state) {
    const int fatura = int(state.range(0));
    const QString yol = kampanyaDosyasi(fatura);
    for (auto _ : state) {
        Veritabani db(yol);
        QSqlQuery basliklar(db.db());
        basliklar.setForwardOnly(true);
        QSqlQuery kalemler(db.db());
        kalemler.setForwardOnly(true);
        if (!basliklar.exec(QStringLiteral("SELECT SIRANO, FATURA_TARIHI, BOLGE, ADI_SOYADI, "
                                           "ADRESI, ISKONTO FROM FATCARI%1")
                                .arg(kampanya)) ||
            !kalemler.prepare(QStringLiteral("SELECT FATURANO, ACIKLAMA, MIKTAR, BR_FIYAT FROM "
                                             "FATSTOK%1")
                                  .arg(kampanya))) {
            state.SkipWithError("query failed");
            break;
        }
        qint64 bulunan = 0;
        while (basliklar.next()) {
            KampanyaFaturasi f{basliklar.value(0),
                               basliklar.value(1),
                               basliklar.value(2),
                               basliklar.value(3),
                               basliklar.value(4),
                               basliklar.value(5),
                               {}};
            const qint64 sirano = f.sirano.toLongLong();
            kalemler.exec();
            while (kalemler.next()) {
                if (kalemler.value(0).toLongLong() == sirano)
                    f.kalemler << KampanyaFaturasi::Kalem{kalemler.value(1), kalemler.value(2),
                                                          kalemler.value(3)};
            }
            bulunan += f.kalemler.size();
            benchmark::DoNotOptimize(f.kalemler.constData());
        }
        if (bulunan != 5 * fatura) {
            state.SkipWithError("wrong lines");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * fatura);
}
BENCHMARK(EskiYontem)
    ->ArgName("fatura")
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
