#include "benchdata.h"

#include "tools/sampledata.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>

namespace {

QTemporaryDir &dizin() {
    static QTemporaryDir d = [] {
        const QString ust = qEnvironmentVariable("FATURA_BENCH_DIZIN", QDir::tempPath());
        return QTemporaryDir(ust + QStringLiteral("/fatura-bench-XXXXXX"));
    }();
    if (!d.isValid())
        throw std::runtime_error("no temporary folder for the benchmark");
    return d;
}

} // namespace

QString benchDosyasi(const QString &ad) {
    const QString yol = dizin().filePath(ad);
    QFile::remove(yol);
    return yol;
}

QString yuzBinFatura(bool indeksli) {
    static const QString ile = [] {
        const QString yol = benchDosyasi(QStringLiteral("yuzbin.MDB"));
        OrnekVeri a;
        a.musteri = 1000;
        a.fatura = 100000;
        a.kalem = 5;
        a.tamKalem = true;
        a.kampanyaFatura = 0;
        ornekVeritabaniYaz(yol, a);
        return yol;
    }();
    static const QString siz = [] {
        const QString yol = benchDosyasi(QStringLiteral("yuzbin-indekssiz.MDB"));
        if (!QFile::copy(ile, yol))
            throw std::runtime_error("cannot copy the benchmark database");
        Veritabani db(yol, Veritabani::Erisim::Yazma);
        QSqlQuery q(db.db());
        QStringList indeksler;
        if (q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                  "tbl_name = 'faturalar'"))) {
            while (q.next())
                indeksler << q.value(0).toString();
        }
        for (const QString &indeks : indeksler) {
            if (!q.exec(QStringLiteral("DROP INDEX \"%1\"").arg(indeks)))
                throw std::runtime_error(q.lastError().text().toStdString());
        }
        if (indeksler.isEmpty())
            throw std::runtime_error("the benchmark database has no index to drop");
        return yol;
    }();
    return indeksli ? ile : siz;
}

QString benchKampanyasi() {
    return QStringLiteral("KAMPANYA2026");
}

void kampanyaDosyasiYaz(const QString &yol, int fatura) {
    OrnekVeri a;
    a.musteri = 1;
    a.fatura = 0;
    a.kampanyaFatura = fatura;
    a.kalem = 5;
    a.tamKalem = true;
    a.yil = 2026;
    ornekVeritabaniYaz(yol, a);
}

QString kampanyaDosyasi(int fatura) {
    static QHash<int, QString> dosyalar;
    if (!dosyalar.contains(fatura)) {
        const QString yol = benchDosyasi(QStringLiteral("kampanya-%1.MDB").arg(fatura));
        kampanyaDosyasiYaz(yol, fatura);
        dosyalar.insert(fatura, yol);
    }
    return dosyalar.value(fatura);
}
