// fatura-aktar: brings an old Access (Jet) database over into a new SQLite file that the
// program can open.

#include "store/jetimport.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char usageText[] =
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

void put(FILE *out, const QString &text) {
    std::fputs(text.toUtf8().constData(), out);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);

    if (arguments.contains(QStringLiteral("-h")) ||
        arguments.contains(QStringLiteral("--yardim"))) {
        std::fputs(usageText, stdout);
        return 0;
    }
    for (const QString &a : std::as_const(arguments)) {
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            put(stderr, QStringLiteral("Bilinmeyen seçenek: %1\n\n").arg(a));
            std::fputs(usageText, stderr);
            return 2;
        }
    }
    if (arguments.size() != 2) {
        std::fputs("fatura-aktar: bir kaynak ve bir hedef dosya gerekir.\n\n", stderr);
        std::fputs(usageText, stderr);
        return 2;
    }

    const QString &source = arguments[0];
    const QString &target = arguments[1];
    try {
        const ImportReport report = importJet(source, target);
        qint64 total = 0;
        for (const ImportedTable &t : report.tables) {
            put(stdout, QStringLiteral("%1: %2 satır\n").arg(t.targetName).arg(t.rowCount));
            total += t.rowCount;
        }
        for (const QString &note : report.notes)
            put(stdout, QStringLiteral("Not: %1\n").arg(note));
        put(stdout, QStringLiteral("Aktarıldı (%1): %2 tablo, %3 satır -> %4\n")
                        .arg(report.version)
                        .arg(report.tables.size())
                        .arg(total)
                        .arg(target));
        return 0;
    } catch (const std::exception &e) {
        put(stderr, QStringLiteral("fatura-aktar: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}
