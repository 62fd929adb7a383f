// fatura-rapor: the month's reports of the "Raporlar" window from a terminal.

#include "base/failure.h"
#include "base/numbers.h"
#include "base/savefile.h"
#include "invoice/workspace.h"
#include "report/reports.h"
#include "store/database.h"
#include "tools/toolio.h"

#include <QCoreApplication>
#include <QDir>

#include <exception>
#include <optional>

namespace {

const char usageText[] =
    "Kullanım: fatura-rapor kdv|musteri|satis --baslangic GG.AA.YYYY --bitis GG.AA.YYYY\n"
    "                       [--csv DOSYA] [--dizin KLASÖR] [--esik TUTAR] [--bs DOSYA]\n"
    "\n"
    "Raporlar penceresinin raporlarını yazar:\n"
    "  kdv       KDV Özeti: ay ve KDV oranına göre matrah ve KDV, iadeler ayrı ve düşülmüş\n"
    "  musteri   Müşteri Satışları: alıcıya göre fatura sayısı ve tutarlar; Form Ba/Bs\n"
    "            sınırını aşan alıcılar işaretli\n"
    "  satis     Aylık Satışlar: iki tarih arasındaki her ayın KDV hariç satışı ve KDV'si\n"
    "\n"
    "Seçenekler:\n"
    "  --baslangic TARİH     dönemin ilk günü\n"
    "  --bitis TARİH         dönemin son günü (dahil)\n"
    "  --csv DOSYA           tabloyu ekrana değil, bu CSV dosyasına yazar (UTF-8, \";\"\n"
    "                        ayraçlı, ondalıklar \",\" ile: Türkçe hesap tablosu sayı okur)\n"
    "  --dizin KLASÖR        ayarlar.dat ile veritabanının bulunduğu çalışma klasörü\n"
    "                        (varsayılan: bulunulan klasör)\n"
    "  --esik TUTAR          Form Ba/Bs sınırı, KDV hariç aylık tutar (varsayılan 5.000)\n"
    "  --bs DOSYA            musteri ile: Form Bs listesini bu CSV dosyasına yazar\n"
    "  -h, --yardim          bu yardımı gösterir\n"
    "\n"
    "Çıkış kodu: 0 yazıldı, 1 hata, 2 yanlış kullanım.\n";

using tool::put;

struct Options {
    QString report;
    QString folder = QDir::currentPath();
    std::optional<QDate> from;
    std::optional<QDate> to;
    QString csv;
    QString bs;
    Money threshold = defaultFormThreshold();
    bool help = false;
};

std::optional<QString> parseArguments(const QStringList &arguments, Options &o) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        auto [name, value] = tool::splitOption(arguments.at(i));
        const auto next = [&]() -> std::optional<QString> {
            if (value)
                return *value;
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments.at(++i);
        };
        if (name == u"-h" || name == u"--yardim" || name == u"--help") {
            o.help = true;
        } else if (name == u"--baslangic" || name == u"--bitis") {
            const std::optional<QString> v = next();
            if (!v)
                return QStringLiteral("%1 bir tarih ister (GG.AA.YYYY)").arg(name);
            const std::optional<QDate> d = invoiceDate(*v);
            if (!d)
                return QStringLiteral("tarih geçersiz: %1 (GG.AA.YYYY biçiminde yazın)").arg(*v);
            (name == u"--baslangic" ? o.from : o.to) = *d;
        } else if (name == u"--csv" || name == u"--dizin" || name == u"--bs") {
            const std::optional<QString> v = next();
            if (!v || v->isEmpty())
                return QStringLiteral("%1 bir değer ister").arg(name);
            (name == u"--csv" ? o.csv : name == u"--bs" ? o.bs : o.folder) = *v;
        } else if (name == u"--esik") {
            const std::optional<QString> v = next();
            const std::optional<double> amount = v ? inputNumber(*v) : std::nullopt;
            const std::optional<Money> m = amount ? Money::fromLira(*amount) : std::nullopt;
            if (!m || *m <= Money())
                return QStringLiteral("--esik bir tutar ister (örnek: 5.000)");
            o.threshold = *m;
        } else if (name.startsWith(u'-')) {
            return QStringLiteral("bilinmeyen seçenek: %1").arg(name);
        } else if (o.report.isEmpty()) {
            if (name != u"kdv" && name != u"musteri" && name != u"satis")
                return QStringLiteral("bilinmeyen rapor: %1 (kdv, musteri ya da satis)").arg(name);
            o.report = name;
        } else {
            return QStringLiteral("fazladan değer: %1").arg(name);
        }
    }
    if (o.help)
        return std::nullopt;
    if (o.report.isEmpty())
        return QStringLiteral("rapor adı gerekli: kdv, musteri ya da satis");
    if (!o.from || !o.to)
        return QStringLiteral("--baslangic ve --bitis gerekli");
    if (*o.from > *o.to)
        return QStringLiteral("başlangıç tarihi bitiş tarihinden sonra");
    if (!o.bs.isEmpty() && o.report != u"musteri")
        return QStringLiteral("--bs yalnızca musteri raporuyla verilir");
    return std::nullopt;
}

void write(const QString &path, const QByteArray &bytes) {
    if (const QString why = saveWhole(path, bytes); !why.isEmpty())
        throw Failure(QStringLiteral("CSV dosyası yazılamadı: %1\n%2").arg(path, why));
    put(stdout, QDir::toNativeSeparators(path) + u'\n');
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    Options o;
    if (const std::optional<QString> error = parseArguments(QCoreApplication::arguments(), o))
        return tool::usageError(u"fatura-rapor: "_qs + *error, usageText);
    if (o.help) {
        put(stdout, QString::fromUtf8(usageText));
        return 0;
    }
    try {
        const Workspace workspace(o.folder);
        const ayarlar settings = workspace.readSettings(2);
        Database db(workspace.databasePath(settings), Database::Access::Write);
        const QString note = prepareReports(db, settings.kdv_yuzde);
        if (!note.isEmpty())
            put(stderr, QStringLiteral("fatura-rapor: %1\n").arg(note));
        const ReportPeriod period{*o.from, *o.to};
        const ReportTable table = o.report == u"kdv"       ? vatReport(db, period)
                                  : o.report == u"musteri" ? buyerReport(db, period, o.threshold)
                                                           : monthlySales(db, period);
        if (o.csv.isEmpty())
            put(stdout, terminalText(table));
        else
            write(o.csv, csvText(table));
        if (!o.bs.isEmpty())
            write(o.bs, csvText(formBsList(db, period, o.threshold)));
    } catch (const std::exception &e) {
        put(stderr, QStringLiteral("fatura-rapor: %1\n").arg(failureText(e)));
        return 1;
    }
    return 0;
}
