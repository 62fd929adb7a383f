// fatura-yedek: a backup of the books, or the books put back from one, from a terminal.

#include "base/failure.h"
#include "invoice/workspace.h"
#include "store/backup.h"
#include "store/database.h"
#include "tools/toolio.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <exception>
#include <optional>

namespace {

const char usageText[] =
    "Kullanım: fatura-yedek al [KLASÖR] [--dizin KLASÖR]\n"
    "          fatura-yedek geri-yukle DOSYA [--evet] [--dizin KLASÖR]\n"
    "\n"
    "al           defterlerin o anki bir kopyasını KLASÖR içine (varsayılan: çalışma\n"
    "             klasöründeki yedekler/) fatura-YYYYMMDD-HHMMSS.MDB adıyla yazar; program\n"
    "             açıkken de alınabilir. Klasörde en yeni 30 yedek kalır. Sunucudaki\n"
    "             defterlerin yedeği pg_dump ile alınır (postgresql-client paketi).\n"
    "geri-yukle   DOSYA yedeğini denetler (bütünlük, tablolar, fatura sayısı, en son\n"
    "             fatura), gösterir ve onay alınca defterlerin yerine koyar. Eski\n"
    "             defterler yanında <veritabanı>.onceki-YYYYMMDD-HHMMSS adıyla saklanır.\n"
    "\n"
    "Seçenekler:\n"
    "  --dizin KLASÖR        ayarlar.dat ile veritabanının bulunduğu çalışma klasörü\n"
    "                        (varsayılan: bulunulan klasör)\n"
    "  --evet                geri yüklemeyi sormadan onaylar\n"
    "  -h, --yardim          bu yardımı gösterir\n"
    "\n"
    "Çıkış kodu: 0 tamam, 1 hata ya da onaylanmadı, 2 yanlış kullanım.\n";

using tool::put;

struct Options {
    QString action;
    QString target;
    QString folder = QDir::currentPath();
    bool yes = false;
    bool help = false;
};

std::optional<QString> parseArguments(const QStringList &arguments, Options &o) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        auto [name, value] = tool::splitOption(arguments.at(i));
        if (name == u"-h" || name == u"--yardim" || name == u"--help") {
            o.help = true;
        } else if (name == u"--evet") {
            o.yes = true;
        } else if (name == u"--dizin") {
            if (!value && i + 1 < arguments.size())
                value = arguments.at(++i);
            if (!value || value->isEmpty())
                return QStringLiteral("--dizin bir klasör ister");
            o.folder = *value;
        } else if (name.startsWith(u'-')) {
            return QStringLiteral("bilinmeyen seçenek: %1").arg(name);
        } else if (o.action.isEmpty()) {
            if (name != u"al" && name != u"geri-yukle")
                return QStringLiteral("bilinmeyen işlem: %1 (al ya da geri-yukle)").arg(name);
            o.action = name;
        } else if (o.target.isEmpty()) {
            o.target = name;
        } else {
            return QStringLiteral("fazladan değer: %1").arg(name);
        }
    }
    if (o.help)
        return std::nullopt;
    if (o.action.isEmpty())
        return QStringLiteral("işlem gerekli: al ya da geri-yukle");
    if (o.action == u"geri-yukle" && o.target.isEmpty())
        return QStringLiteral("geri-yukle bir yedek dosyası ister");
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    Options o;
    if (const std::optional<QString> error = parseArguments(QCoreApplication::arguments(), o))
        return tool::usageError(u"fatura-yedek: "_qs + *error, usageText);
    if (o.help) {
        put(stdout, QString::fromUtf8(usageText));
        return 0;
    }
    try {
        const Workspace workspace(o.folder);
        const QString database = workspace.databasePath();
        const QDateTime now = QDateTime::currentDateTime();
        if (o.action == u"al") {
            const QString folder =
                o.target.isEmpty() ? workspace.filePath(QStringLiteral("yedekler")) : o.target;
            const BackupResult r = backupDatabase(database, folder, now);
            put(stdout, QDir::toNativeSeparators(r.path) + u'\n');
            for (const QString &old : r.removed)
                put(stderr, QStringLiteral("fatura-yedek: eski yedek silindi: %1\n")
                                .arg(QDir::toNativeSeparators(old)));
            return 0;
        }
        const BackupContents contents = checkBackup(o.target);
        put(stdout, QStringLiteral("Yedek: %1\n%2\n").arg(o.target, contentsText(contents)));
        if (!o.yes) {
            put(stdout, QStringLiteral("Defterler (%1) bu yedekle değiştirilsin mi? (e/h) ")
                            .arg(shownAddress(database)));
            std::fflush(stdout);
            QTextStream in(stdin);
            const QString answer = in.readLine().trimmed().toLower();
            if (answer != u"e" && answer != u"evet") {
                put(stderr, QStringLiteral("fatura-yedek: geri yüklenmedi; defterler olduğu "
                                           "gibi duruyor.\n"));
                return 1;
            }
        }
        const QString kept = restoreBackup(o.target, database, now);
        put(stdout, QStringLiteral("Geri yüklendi: %1\nEski defterler saklandı: %2\n")
                        .arg(QDir::toNativeSeparators(database), QDir::toNativeSeparators(kept)));
    } catch (const std::exception &e) {
        put(stderr, QStringLiteral("fatura-yedek: %1\n").arg(failureText(e)));
        return 1;
    }
    return 0;
}
