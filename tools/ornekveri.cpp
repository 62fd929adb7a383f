// ornek-veri: writes a sample database into a folder, so that a new user sees customers,
// invoices and a campaign at once.

#include "base/numbers.h"
#include "settings/settingsfile.h"
#include "store/database.h"
#include "tools/sampledata.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <limits>
#include <optional>
#include <variant>

namespace {

const char *const yardim =
    "Kullanım: ornek-veri --dizin KLASÖR [seçenekler]\n"
    "\n"
    "KLASÖR içine örnek bir fatura veritabanı (fatura.MDB) yazar: müşteriler, kayıtlı\n"
    "faturalar (iskontolu ve iskontosuz, KDV dahil ve hariç) ve bir kampanya. ayarlar.dat\n"
    "yoksa varsayılan ayarlarla onu da yazar. Var olan bir fatura.MDB'ye dokunmaz.\n"
    "Aynı tohum ve yıl her zaman aynı veriyi verir.\n"
    "\n"
    "Seçenekler:\n"
    "  --dizin KLASÖR         veritabanının yazılacağı klasör (yoksa oluşturulur)\n"
    "  --musteri N            müşteri sayısı (varsayılan 40)\n"
    "  --fatura N             kayıtlı fatura sayısı (varsayılan 25)\n"
    "  --kampanya-fatura N    kampanya faturası sayısı; 0 ise kampanya yazılmaz\n"
    "                         (varsayılan 30)\n"
    "  --kalem N              bir faturadaki en çok kalem sayısı (varsayılan 5)\n"
    "  --tohum S              rastgele sayı tohumu (varsayılan 1)\n"
    "  --yil Y                fatura tarihlerinin ve kampanyanın yılı (varsayılan bu yıl)\n"
    "  --yardim               bu yardımı gösterir\n";

void yaz(FILE *nereye, const QString &metin) {
    std::fputs(metin.toUtf8().constData(), nereye);
}

// A bad command line: the reason, then the usage.
int kullanimHatasi(const QString &neden) {
    yaz(stderr, QStringLiteral("ornek-veri: %1\n\n").arg(neden));
    yaz(stderr, QString::fromUtf8(yardim));
    return 2;
}

struct Secenekler {
    QString dizin;
    OrnekVeri veri;
    bool yardim = false;
};

// Reads the command line; the text of what is wrong when it cannot.
std::optional<QString> oku(const QStringList &argumanlar, Secenekler &s) {
    const auto sayi = [](const QString &ad, const QString &metin, qint64 enAz,
                         qint64 enCok) -> std::variant<qint64, QString> {
        const std::optional<qint64> n = wholeNumber(metin);
        if (!n || *n < enAz || *n > enCok)
            return QStringLiteral("%1 için %2 ile %3 arasında bir tam sayı gerekir: %4")
                .arg(ad)
                .arg(enAz)
                .arg(enCok)
                .arg(metin);
        return *n;
    };
    bool dizinVar = false;
    for (qsizetype i = 1; i < argumanlar.size(); ++i) {
        QString ad = argumanlar.at(i);
        std::optional<QString> deger;
        if (const qsizetype esit = ad.indexOf(QLatin1Char('=')); ad.startsWith(u"--") && esit > 0) {
            deger = ad.mid(esit + 1);
            ad.truncate(esit);
        }
        if (ad == u"--yardim" || ad == u"-h" || ad == u"--help") {
            s.yardim = true;
            continue;
        }
        struct Sayisal {
            const char *ad;
            qint64 enAz;
            qint64 enCok;
        };
        static const Sayisal sayisallar[] = {
            {"--musteri", 0, 10'000'000},
            {"--fatura", 0, 10'000'000},
            {"--kampanya-fatura", 0, 10'000'000},
            {"--kalem", 1, 10'000},
            {"--tohum", 0, std::numeric_limits<qint64>::max()},
            {"--yil", 1900, 9999},
        };
        const Sayisal *sayisal = nullptr;
        for (const Sayisal &ss : sayisallar) {
            if (ad == QLatin1String(ss.ad))
                sayisal = &ss;
        }
        if (ad != u"--dizin" && !sayisal)
            return QStringLiteral("bilinmeyen seçenek: %1").arg(ad);
        if (!deger) {
            if (i + 1 >= argumanlar.size())
                return QStringLiteral("%1 bir değer ister").arg(ad);
            deger = argumanlar.at(++i);
        }
        if (!sayisal) {
            if (deger->isEmpty())
                return QStringLiteral("--dizin boş olamaz");
            s.dizin = *deger;
            dizinVar = true;
            continue;
        }
        const auto n = sayi(ad, *deger, sayisal->enAz, sayisal->enCok);
        if (const QString *hata = std::get_if<QString>(&n))
            return *hata;
        const qint64 v = std::get<qint64>(n);
        if (ad == u"--musteri")
            s.veri.musteri = int(v);
        else if (ad == u"--fatura")
            s.veri.fatura = int(v);
        else if (ad == u"--kampanya-fatura")
            s.veri.kampanyaFatura = int(v);
        else if (ad == u"--kalem")
            s.veri.kalem = int(v);
        else if (ad == u"--tohum")
            s.veri.tohum = quint64(v);
        else
            s.veri.yil = int(v);
    }
    if (s.yardim)
        return std::nullopt;
    if (!dizinVar)
        return QStringLiteral("--dizin gerekli");
    if (s.veri.fatura > 0 && s.veri.musteri == 0)
        return QStringLiteral("fatura yazmak için en az bir müşteri gerekir");
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    Secenekler s;
    s.veri.yil = QDate::currentDate().year();
    if (const std::optional<QString> hata = oku(QCoreApplication::arguments(), s))
        return kullanimHatasi(*hata);
    if (s.yardim) {
        yaz(stdout, QString::fromUtf8(yardim));
        return 0;
    }

    const QDir dizin(s.dizin);
    if (!dizin.exists() && !QDir().mkpath(s.dizin)) {
        yaz(stderr, QStringLiteral("ornek-veri: klasör oluşturulamadı: %1\n").arg(s.dizin));
        return 1;
    }
    const QString veritabani = dizin.filePath(QStringLiteral("fatura.MDB"));
    if (QFileInfo::exists(veritabani)) {
        yaz(stderr,
            QStringLiteral("ornek-veri: veritabanı zaten var, dokunulmadı: %1\n").arg(veritabani));
        return 1;
    }
    try {
        const QString ayarlar = dizin.filePath(ayarDosyasi());
        if (!QFileInfo::exists(ayarlar)) {
            ayarlari_yaz(varsayilanAyarlar(), ayarlar);
            yaz(stdout, QStringLiteral("Varsayılan ayarlar yazıldı: %1\n").arg(ayarlar));
        }
        const OrnekVeriSonucu r = ornekVeritabaniYaz(veritabani, s.veri);
        yaz(stdout, QStringLiteral("Örnek veritabanı yazıldı: %1\n"
                                   "  %2 müşteri, %3 fatura (%4 satır)\n")
                        .arg(veritabani)
                        .arg(r.musteri)
                        .arg(r.fatura)
                        .arg(r.faturaSatiri));
        if (!r.kampanya.isEmpty())
            yaz(stdout, QStringLiteral("  kampanya %1: %2 fatura, %3 kalem\n")
                            .arg(r.kampanya)
                            .arg(r.kampanyaFatura)
                            .arg(r.kampanyaKalemi));
    } catch (const std::exception &e) {
        yaz(stderr, QStringLiteral("ornek-veri: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
    return 0;
}
