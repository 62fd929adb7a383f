// ornek-veri: writes a sample database into a folder, so that a new user sees customers,
// invoices and a campaign at once.

#include "base/failure.h"
#include "base/numbers.h"
#include "settings/settingsfile.h"
#include "store/database.h"
#include "tools/sampledata.h"
#include "tools/toolio.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <limits>
#include <optional>
#include <variant>

namespace {

const char *const usageText =
    "Kullanım: ornek-veri --dizin KLASÖR [seçenekler]\n"
    "\n"
    "KLASÖR içine örnek bir fatura veritabanı (fatura.MDB) yazar: müşteriler, kayıtlı\n"
    "faturalar (iskontolu ve iskontosuz, KDV dahil ve hariç, %1, %20 ve istisnalı %0\n"
    "KDV'li satırlar, iadeler), e-Fatura ve e-Arşiv için firma bilgileri, şirket\n"
    "müşterilerin e-Fatura kullanıcı listesi ve bir kampanya. ayarlar.dat\n"
    "yoksa varsayılan ayarlarla onu da yazar. Var olan bir fatura.MDB'ye dokunmaz.\n"
    "Aynı tohum ve yıl her zaman aynı veriyi verir.\n"
    "\n"
    "Seçenekler:\n"
    "  --dizin KLASÖR         veritabanının yazılacağı klasör (yoksa oluşturulur)\n"
    "  --sunucu ADRES         veritabanını dosyaya değil bu PostgreSQL veritabanına\n"
    "                         yazar (postgresql://kullanıcı@sunucu:port/veritabanı;\n"
    "                         tablosu olmamalı); yeni ayarlar.dat bu adresi alır\n"
    "  --musteri N            müşteri sayısı (varsayılan 40)\n"
    "  --fatura N             kayıtlı fatura sayısı (varsayılan 25)\n"
    "  --kampanya-fatura N    kampanya faturası sayısı; 0 ise kampanya yazılmaz\n"
    "                         (varsayılan 30)\n"
    "  --kalem N              bir faturadaki en çok kalem sayısı (varsayılan 5)\n"
    "  --tohum S              rastgele sayı tohumu (varsayılan 1)\n"
    "  --yil Y                fatura tarihlerinin ve kampanyanın yılı (varsayılan bu yıl;\n"
    "                         bu yılın faturaları bugünden ileri tarihli olmaz)\n"
    "  --yardim               bu yardımı gösterir\n";

using tool::put;

struct Options {
    QString folder;
    QString server; // a PostgreSQL address instead of fatura.MDB in the folder
    SampleDataOptions sample;
    bool help = false;
};

// Reads the command line; the text of what is wrong when it cannot.
std::optional<QString> parseArguments(const QStringList &arguments, Options &s) {
    const auto parseNumber = [](const QString &name, const QString &text, qint64 lowest,
                                qint64 highest) -> std::variant<qint64, QString> {
        const std::optional<qint64> n = wholeNumber(text);
        if (!n || *n < lowest || *n > highest)
            return QStringLiteral("%1 için %2 ile %3 arasında bir tam sayı gerekir: %4")
                .arg(name)
                .arg(lowest)
                .arg(highest)
                .arg(text);
        return *n;
    };
    bool folderGiven = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        auto [name, value] = tool::splitOption(arguments.at(i));
        if (name == u"--yardim" || name == u"-h" || name == u"--help") {
            s.help = true;
            continue;
        }
        struct NumericOption {
            const char *name;
            qint64 lowest;
            qint64 highest;
        };
        static const NumericOption numericOptions[] = {
            {"--musteri", 0, 10'000'000},
            {"--fatura", 0, 10'000'000},
            {"--kampanya-fatura", 0, 10'000'000},
            {"--kalem", 1, 10'000},
            {"--tohum", 0, std::numeric_limits<qint64>::max()},
            {"--yil", 1900, 9999},
        };
        const NumericOption *numeric = nullptr;
        for (const NumericOption &ss : numericOptions) {
            if (name == QLatin1String(ss.name))
                numeric = &ss;
        }
        if (name != u"--dizin" && name != u"--sunucu" && !numeric)
            return QStringLiteral("bilinmeyen seçenek: %1").arg(name);
        if (!value) {
            if (i + 1 >= arguments.size())
                return QStringLiteral("%1 bir değer ister").arg(name);
            value = arguments.at(++i);
        }
        if (name == u"--sunucu") {
            // Refused here, before the folder or its settings file is written.
            if (const QString problem = serverAddressProblem(*value); !problem.isEmpty())
                return problem;
            if (!isServerAddress(*value))
                return QStringLiteral("--sunucu bir PostgreSQL adresi ister: %1")
                    .arg(shownAddress(*value));
            s.server = *value;
            continue;
        }
        if (!numeric) {
            if (value->isEmpty())
                return QStringLiteral("--dizin boş olamaz");
            s.folder = *value;
            folderGiven = true;
            continue;
        }
        const auto n = parseNumber(name, *value, numeric->lowest, numeric->highest);
        if (const QString *error = std::get_if<QString>(&n))
            return *error;
        const qint64 v = std::get<qint64>(n);
        if (name == u"--musteri")
            s.sample.customers = int(v);
        else if (name == u"--fatura")
            s.sample.invoices = int(v);
        else if (name == u"--kampanya-fatura")
            s.sample.campaignInvoices = int(v);
        else if (name == u"--kalem")
            s.sample.maxLines = int(v);
        else if (name == u"--tohum")
            s.sample.seed = quint64(v);
        else
            s.sample.year = int(v);
    }
    if (s.help)
        return std::nullopt;
    if (!folderGiven)
        return QStringLiteral("--dizin gerekli");
    if (s.sample.invoices > 0 && s.sample.customers == 0)
        return QStringLiteral("fatura yazmak için en az bir müşteri gerekir");
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    Options s;
    s.sample.year = QDate::currentDate().year();
    // Invoices of this year are dated no later than today: e-Arşiv invoices cannot be dated
    // in the future.
    s.sample.lastDay = QDate::currentDate();
    if (const std::optional<QString> error = parseArguments(QCoreApplication::arguments(), s))
        return tool::usageError(u"ornek-veri: "_qs + *error, usageText);
    if (s.help) {
        put(stdout, QString::fromUtf8(usageText));
        return 0;
    }

    const QDir folder(s.folder);
    if (!folder.exists() && !QDir().mkpath(s.folder)) {
        put(stderr, QStringLiteral("ornek-veri: klasör oluşturulamadı: %1\n").arg(s.folder));
        return 1;
    }
    const QString database =
        s.server.isEmpty() ? folder.filePath(QStringLiteral("fatura.MDB")) : s.server;
    if (QFileInfo::exists(database)) {
        put(stderr,
            QStringLiteral("ornek-veri: veritabanı zaten var, dokunulmadı: %1\n").arg(database));
        return 1;
    }
    try {
        const QString settingsPath = folder.filePath(settingsFileName());
        if (!QFileInfo::exists(settingsPath)) {
            ayarlar a = defaultSettings();
            if (!s.server.isEmpty())
                a.veritabani_yolu = s.server;
            ayarlari_yaz(a, settingsPath);
            put(stdout, QStringLiteral("Varsayılan ayarlar yazıldı: %1\n").arg(settingsPath));
        }
        const SampleDataResult r = writeSampleDatabase(database, s.sample);
        // One arg() for all: a server address may hold "%2F".
        put(stdout, QStringLiteral("Örnek veritabanı yazıldı: %1\n"
                                   "  %2 müşteri, %3 fatura (%4 satır)\n")
                        .arg(database, QString::number(r.customers), QString::number(r.invoices),
                             QString::number(r.invoiceLines)));
        if (!r.campaign.isEmpty())
            put(stdout, QStringLiteral("  kampanya %1: %2 fatura, %3 kalem\n")
                            .arg(r.campaign)
                            .arg(r.campaignInvoices)
                            .arg(r.campaignLines));
    } catch (const std::exception &e) {
        put(stderr, QStringLiteral("ornek-veri: %1\n").arg(failureText(e)));
        return 1;
    }
    return 0;
}
