// fatura-earsiv: writes saved invoices as e-Arşiv invoices or e-Faturas (UBL-TR XML and a
// readable PDF), the same files the program's e-Arşiv window writes, and imports the list of
// e-Fatura registered users that chooses between them.

#include "base/failure.h"
#include "base/numbers.h"
#include "earsiv/document.h"
#include "earsiv/export.h"
#include "earsiv/userlist.h"
#include "invoice/workspace.h"
#include "store/database.h"
#include "tools/toolio.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <exception>
#include <optional>

namespace {

const char usageText[] =
    "Kullanım: fatura-earsiv [--dizin KLASÖR] [--kdv ORAN] FATURANO...\n"
    "          fatura-earsiv [--dizin KLASÖR] [--kdv ORAN] --tarih GG.AA.YYYY GG.AA.YYYY\n"
    "          fatura-earsiv [--dizin KLASÖR] --kullanici-listesi DOSYA\n"
    "\n"
    "Kayıtlı faturaları e-fatura olarak yazar: e-Fatura kayıtlı kullanıcısı olan alıcıya\n"
    "e-Fatura, diğerlerine e-Arşiv faturası. Her fatura için KLASÖR/earsiv içine\n"
    "<fatura no>.xml (UBL-TR 1.2) ve okunabilir kopyası <fatura no>.pdf. Yazdığı her\n"
    "dosyanın yolunu ayrı bir satıra yazar. Bir faturaya ilk kez numara ve ETTN\n"
    "verilir (numaralar tarih sırasıyla); yeniden yazılan fatura aynı belgeyi verir.\n"
    "Tarihi bugünden 7 günden daha eski bir faturaya numara verilmez.\n"
    "\n"
    "Seçenekler:\n"
    "  --dizin KLASÖR        ayarlar.dat ile veritabanının bulunduğu çalışma klasörü\n"
    "                        (varsayılan: bulunulan klasör)\n"
    "  --kdv ORAN            faturaların KDV oranı (varsayılan: ayarlardaki oran, fatura\n"
    "                        penceresinin kayıtlı faturayı gösterdiği oran)\n"
    "  --tarih BAŞ BİT       bu iki tarih arasındaki (ikisi de dahil) bütün faturalar\n"
    "  --kullanici-listesi DOSYA\n"
    "                        Gelir İdaresi'nin e-Fatura kayıtlı kullanıcı listesini (XML)\n"
    "                        ya da VKN/TCKN;unvan;etiket satırlarından oluşan bir CSV\n"
    "                        dosyasını veritabanına alır; eski listenin yerine geçer\n"
    "  -h, --yardim          bu yardımı gösterir\n"
    "\n"
    "Çıkış kodu: 0 hepsi yazıldı, 1 en az bir fatura yazılmadı ya da liste alınamadı,\n"
    "2 yanlış kullanım.\n";

using tool::put;

struct Options {
    QString folder = QDir::currentPath();
    QString vatRate;
    QString userList;
    QList<qint64> numbers;
    std::optional<QDate> from;
    std::optional<QDate> to;
    bool help = false;
};

std::optional<QString> parseArguments(const QStringList &arguments, Options &o) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        auto [name, value] = tool::splitOption(arguments.at(i));
        const auto next = [&]() -> std::optional<QString> {
            if (value) {
                const QString v = *value;
                value.reset();
                return v;
            }
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments.at(++i);
        };
        if (name == u"-h" || name == u"--yardim" || name == u"--help") {
            o.help = true;
        } else if (name == u"--dizin" || name == u"--kdv" || name == u"--kullanici-listesi") {
            const std::optional<QString> v = next();
            if (!v || v->isEmpty())
                return QStringLiteral("%1 bir değer ister").arg(name);
            (name == u"--dizin" ? o.folder : name == u"--kdv" ? o.vatRate : o.userList) = *v;
        } else if (name == u"--tarih") {
            if (value)
                return QStringLiteral("--tarih iki tarih ister: --tarih GG.AA.YYYY GG.AA.YYYY");
            const std::optional<QString> first = next();
            const std::optional<QString> second = next();
            if (!first || !second)
                return QStringLiteral("--tarih iki tarih ister: --tarih GG.AA.YYYY GG.AA.YYYY");
            o.from = invoiceDate(*first);
            o.to = invoiceDate(*second);
            if (!o.from)
                return QStringLiteral("tarih geçersiz: %1").arg(*first);
            if (!o.to)
                return QStringLiteral("tarih geçersiz: %1").arg(*second);
            if (*o.from > *o.to)
                return QStringLiteral("başlangıç tarihi bitiş tarihinden sonra: %1 %2")
                    .arg(*first, *second);
        } else if (name.startsWith(u'-') && !wholeNumber(name)) {
            return QStringLiteral("bilinmeyen seçenek: %1").arg(name);
        } else if (const std::optional<qint64> n = wholeNumber(name)) {
            o.numbers << *n;
        } else {
            return QStringLiteral("fatura numarası geçersiz: %1").arg(name);
        }
    }
    if (o.help)
        return std::nullopt;
    if (o.numbers.isEmpty() && !o.from && o.userList.isEmpty())
        return QStringLiteral("fatura numarası, --tarih ya da --kullanici-listesi gerekli");
    if (!o.numbers.isEmpty() && o.from)
        return QStringLiteral("fatura numaraları ile --tarih birlikte verilemez");
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
    // Drawing the PDF needs fonts, not a screen.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Options o;
    if (const std::optional<QString> error = parseArguments(QCoreApplication::arguments(), o))
        return tool::usageError(u"fatura-earsiv: "_qs + *error, usageText);
    if (o.help) {
        put(stdout, QString::fromUtf8(usageText));
        return 0;
    }

    QList<EArsivResult> results;
    qsizetype total = 0;
    try {
        const Workspace workspace(o.folder);
        if (!o.userList.isEmpty()) {
            Database db(workspace.databasePath(), Database::Access::Write);
            const qint64 users = importUserList(db, o.userList, workspace.now());
            put(stdout, QStringLiteral("e-Fatura kullanıcı listesi alındı: %1 kullanıcı (%2)\n")
                            .arg(users)
                            .arg(QDir::toNativeSeparators(o.userList)));
            if (o.numbers.isEmpty() && !o.from)
                return 0;
        }
        EArsivExport exporter(workspace, o.vatRate);
        if (o.from) {
            Database db(workspace.databasePath());
            o.numbers = invoicesDated(db, *o.from, *o.to);
            if (o.numbers.isEmpty())
                put(stderr, QStringLiteral("fatura-earsiv: %1 ile %2 arasında tarihli kayıtlı "
                                           "fatura yok.\n")
                                .arg(o.from->toString(QStringLiteral("dd.MM.yyyy")),
                                     o.to->toString(QStringLiteral("dd.MM.yyyy"))));
        }
        total = o.numbers.size();
        const auto tell = [&] {
            // The refusals, then each file written, then what to know.
            for (const EArsivResult &r : results)
                if (!r.refusal.isEmpty())
                    put(stderr, QStringLiteral("fatura-earsiv: %1\n").arg(r.refusal));
            for (const EArsivResult &r : results)
                for (const QString &file : r.files)
                    put(stdout, QDir::toNativeSeparators(file) + u'\n');
            for (const QString &notice : exporter.runNotices())
                put(stderr, QStringLiteral("fatura-earsiv: %1\n").arg(notice));
            for (const EArsivResult &r : results)
                if (!r.notice.isEmpty())
                    put(stderr, QStringLiteral("fatura-earsiv: %1\n").arg(r.notice));
            std::fflush(stdout);
        };
        try {
            exporter.run(o.numbers, results);
        } catch (...) {
            tell();
            throw;
        }
        tell();
    } catch (const std::exception &e) {
        put(stderr, QStringLiteral("fatura-earsiv: %1\n").arg(failureText(e)));
        qsizetype handled = 0;
        for (const EArsivResult &r : results)
            handled += r.refusal.isEmpty() && r.files.isEmpty() ? 0 : 1;
        if (total > handled)
            put(stderr,
                QStringLiteral("fatura-earsiv: kalan %1 fatura yazılmadı.\n").arg(total - handled));
        return 1;
    }
    for (const EArsivResult &r : results) {
        if (!r.refusal.isEmpty())
            return 1;
    }
    return 0;
}
