// Opening the invoice window on a large database (100,000 saved invoices, 10,000
// customers), through the functions the window calls, against the bare queries on an open
// connection; and replacing a 200-line invoice in one transaction against the same rows
// deleted and written without one.

#include "benchdata.h"

#include "gui/Form3.h"
#include "gui/messages.h"
#include "invoice/saving.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "tools/sampledata.h"

#include <QDir>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace {

// A working folder as the program's: ayarlar.dat naming fatura.MDB, which holds 10,000
// customers and 100,000 invoices of 5 lines (500,000 rows). Made once per run.
QString buyukCalismaDizini() {
    static const QString dizin = [] {
        const QString yol = benchDosyasi(QStringLiteral("pencere"));
        if (!QDir().mkpath(yol))
            throw std::runtime_error("cannot make the working folder");
        OrnekVeri a;
        a.musteri = 10000;
        a.fatura = 100000;
        a.kalem = 5;
        a.tamKalem = true;
        a.kampanyaFatura = 0;
        ornekVeritabaniYaz(QDir(yol).filePath(QStringLiteral("fatura.MDB")), a);
        ayarlari_yaz(varsayilanAyarlar(), QDir(yol).filePath(ayarDosyasi()));
        return yol;
    }();
    return dizin;
}

// The benchmark runs in the working folder and goes back where it was.
class CalismaDizini {
public:
    explicit CalismaDizini(const QString &yol)
        : m_onceki(QDir::currentPath()) {
        QDir::setCurrent(yol);
    }
    ~CalismaDizini() { QDir::setCurrent(m_onceki); }
    CalismaDizini(const CalismaDizini &) = delete;
    CalismaDizini &operator=(const CalismaDizini &) = delete;

private:
    QString m_onceki;
};

struct PencereVerisi {
    QList<qint64> numaralar;
    qint64 sonraki = 0;
    MusteriListesi musteriler;
};

bool tamam(const PencereVerisi &v) {
    return v.numaralar.size() == 100000 && v.sonraki == v.numaralar.last() + 1 &&
           v.musteriler.numaralar.size() == 10000 && v.musteriler.adlar.size() == 10000;
}

// What the invoice window reads when it loads, step by step as it does: the customer
// lists (musteriload), then settings lines 1-2, the invoice numbers and the next number.
PencereVerisi programIle() {
    PencereVerisi v;
    {
        Veritabani db(ayarlardakiVeritabani());
        v.musteriler = musteriListesi(db);
    }
    const ayarlar a = ayarlari_oku(2);
    Veritabani db(veritabaniYolu(a.veritabani_yolu));
    v.numaralar = faturaNumaralari(db);
    v.sonraki = nextInvoiceNumber(v.numaralar);
    return v;
}

// The same two queries on a connection that is already open, with no checks.
PencereVerisi hamSql(QSqlDatabase &db) {
    PencereVerisi v;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.exec(QStringLiteral("SELECT sirano, adi_soyadi FROM MUSTERI ORDER BY rowid"));
    while (q.next()) {
        v.musteriler.numaralar << q.value(0).toString();
        v.musteriler.adlar << q.value(1).toString();
    }
    q.exec(QStringLiteral("select distinct faturano from faturalar order by faturano"));
    while (q.next())
        v.numaralar << q.value(0).toLongLong();
    v.sonraki = v.numaralar.isEmpty() ? 1 : v.numaralar.last() + 1;
    return v;
}

void FaturaPenceresiVerisi(benchmark::State &state) {
    const bool program = state.range(0) != 0;
    CalismaDizini burada(buyukCalismaDizini());
    if (program) {
        for (auto _ : state) {
            const PencereVerisi v = programIle();
            if (!tamam(v)) {
                state.SkipWithError("wrong lists");
                break;
            }
        }
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), u"ham"_qs);
        db.setDatabaseName(QDir::current().filePath(QStringLiteral("fatura.MDB")));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            state.SkipWithError("cannot open");
        for (auto _ : state) {
            const PencereVerisi v = hamSql(db);
            if (!tamam(v)) {
                state.SkipWithError("wrong lists");
                break;
            }
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"ham"_qs);
    }
    state.SetLabel(program ? "program" : "ham SQL, acik baglanti");
}
BENCHMARK(FaturaPenceresiVerisi)
    ->ArgName("program")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole window on the same database: the data above put into its lists.
void FaturaPenceresi(benchmark::State &state) {
    CalismaDizini burada(buyukCalismaDizini());
    QString hata;
    Messages::setTestHandler([&](const Messages::Message &m) {
        hata = m.text;
        return false;
    });
    for (auto _ : state) {
        auto *pencere = new Form3;
        state.PauseTiming();
        delete pencere;
        state.ResumeTiming();
        if (!hata.isEmpty()) {
            state.SkipWithError(hata.toStdString().c_str());
            break;
        }
    }
    Messages::setTestHandler({});
}
BENCHMARK(FaturaPenceresi)->Unit(benchmark::kMillisecond)->UseRealTime();

// Replacing invoice 1000, 200 lines, by one of two versions in turn: with faturaDegistir
// (one transaction), or the same delete and inserts each committed on its own.
void FaturaDegistir(benchmark::State &state) {
    const bool islemli = state.range(0) != 0;
    const QString yol = benchDosyasi(islemli ? QStringLiteral("degistir-islemli.MDB")
                                             : QStringLiteral("degistir.MDB"));
    OrnekVeri a;
    a.musteri = 40;
    a.fatura = 25;
    a.kampanyaFatura = 0;
    ornekVeritabaniYaz(yol, a);
    const Musteri m = ornekMusteri(1, 1);
    const QDate tarih(2026, 12, 6);
    const OrnekFatura surumler[2] = {ornekFatura(1, 1000, m, 200, VatExcluded, true, tarih),
                                     ornekFatura(2, 1000, m, 200, VatIncluded, false, tarih)};
    {
        Veritabani db(yol, Veritabani::Erisim::Yazma);
        yeniFaturaKaydet(db, surumler[0].baslik, surumler[0].kalemler);
    }
    int i = 0;
    for (auto _ : state) {
        const OrnekFatura &f = surumler[++i % 2];
        Veritabani db(yol, Veritabani::Erisim::Yazma);
        if (islemli) {
            faturaDegistir(db, f.baslik, f.kalemler);
        } else {
            QSqlQuery q(db.db());
            q.prepare(QStringLiteral("DELETE FROM faturalar WHERE faturano = ?"));
            q.addBindValue(f.baslik.faturano);
            q.exec();
            FaturaYazici(db).ekle(f.baslik, f.kalemler);
        }
    }
    Veritabani db(yol);
    if (faturaSatirlari(db, 1000).size() != 200)
        state.SkipWithError("wrong rows");
    state.SetLabel(islemli ? "faturaDegistir, tek islem" : "islemsiz, satir satir");
    state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(FaturaDegistir)
    ->ArgName("islem")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
