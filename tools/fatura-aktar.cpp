// fatura-aktar: brings an old Access (Jet) database over into a new SQLite file that the
// program can open.

#include "store/jetimport.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char yardim[] =
    "Kullanım: fatura-aktar KAYNAK.MDB HEDEF\n"
    "\n"
    "Eski Access (Jet 3 / Jet 4) veritabanını KAYNAK.MDB, programın kullandığı yeni\n"
    "biçimde (SQLite) HEDEF dosyasına aktarır. Kaynak dosya yalnızca okunur. MUSTERI ve\n"
    "faturalar tabloları programın kendi yapısını alır; diğer tablolar adları ve\n"
    "sütunlarıyla aktarılır. Access 97 (Jet 3) metinleri Windows-1254 olarak okunur.\n"
    "\n"
    "HEDEF var olmamalıdır: var olan bir dosyanın üzerine asla yazılmaz. Aktarma\n"
    "yarıda kalırsa HEDEF adında dosya oluşmaz.\n"
    "\n"
    "Seçenekler:\n"
    "  -h, --yardim   Bu yardımı gösterir.\n"
    "\n"
    "Çıkış kodu: 0 aktarma tamamlandı, 1 aktarma yapılamadı, 2 yanlış kullanım.\n";

void yaz(FILE *nereye, const QString &metin) {
    std::fputs(metin.toUtf8().constData(), nereye);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStringList argumanlar = QCoreApplication::arguments().mid(1);

    if (argumanlar.contains(QStringLiteral("-h")) ||
        argumanlar.contains(QStringLiteral("--yardim"))) {
        std::fputs(yardim, stdout);
        return 0;
    }
    for (const QString &a : std::as_const(argumanlar)) {
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            yaz(stderr, QStringLiteral("Bilinmeyen seçenek: %1\n\n").arg(a));
            std::fputs(yardim, stderr);
            return 2;
        }
    }
    if (argumanlar.size() != 2) {
        std::fputs("fatura-aktar: bir kaynak ve bir hedef dosya gerekir.\n\n", stderr);
        std::fputs(yardim, stderr);
        return 2;
    }

    const QString &kaynak = argumanlar[0];
    const QString &hedef = argumanlar[1];
    try {
        const AktarmaRaporu rapor = jetAktar(kaynak, hedef);
        qint64 toplam = 0;
        for (const AktarilanTablo &t : rapor.tablolar) {
            yaz(stdout, QStringLiteral("%1: %2 satır\n").arg(t.hedefAdi).arg(t.satirSayisi));
            toplam += t.satirSayisi;
        }
        for (const QString &not_ : rapor.notlar)
            yaz(stdout, QStringLiteral("Not: %1\n").arg(not_));
        yaz(stdout, QStringLiteral("Aktarıldı (%1): %2 tablo, %3 satır -> %4\n")
                        .arg(rapor.surum)
                        .arg(rapor.tablolar.size())
                        .arg(toplam)
                        .arg(hedef));
        return 0;
    } catch (const std::exception &e) {
        yaz(stderr, QStringLiteral("fatura-aktar: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}
