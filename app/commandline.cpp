#include "app/commandline.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

const char help[] = "Kullanım: fatura [seçenekler]\n"
                    "\n"
                    "Satış faturalarını yazan, kaydeden ve matbu fatura kâğıdına basan program.\n"
                    "Çalışma klasöründeki ayarlar.dat ve fatura.MDB dosyalarıyla çalışır; bir\n"
                    "klasörde ilk kez açıldığında bunları varsayılan ayarlarla oluşturur.\n"
                    "Seçenek verilmezse başlatıldığı klasörde çalışır.\n"
                    "\n"
                    "Seçenekler:\n"
                    "  --klasor KLASÖR, --folder KLASÖR\n"
                    "                          KLASÖR içinde çalışır; klasör yoksa oluşturulur.\n"
                    "  --menu                  Menüden başlatılmış gibi ev klasöründeki Fatura\n"
                    "                          klasöründe (~/Fatura) çalışır; sorunları pencerede\n"
                    "                          bildirir.\n"
                    "  -h, --yardim, --help    Bu yardımı gösterir.\n"
                    "  -v, --surum, --version  Sürümü gösterir.\n"
                    "\n"
                    "Çıkış kodu: 0 olağan, 1 çalışma klasörü kullanılamadı, 2 yanlış kullanım.\n";

// Options of Qt itself that QApplication reads and removes: a value, or none.
const char *const qtValueOptions[] = {"platform",
                                      "platformpluginpath",
                                      "platformtheme",
                                      "plugin",
                                      "qwindowgeometry",
                                      "qwindowicon",
                                      "qwindowtitle",
                                      "session",
                                      "display",
                                      "geometry",
                                      "name",
                                      "title",
                                      "visual",
                                      "ncols",
                                      "style",
                                      "stylesheet"};
const char *const qtFlagOptions[] = {"reverse", "widgetcount", "sync", "nograb", "dograb", "cmap"};

// "--klasor=x" -> "klasor".
QString optionName(const QString &argument) {
    qsizetype from = 0;
    while (from < argument.size() && argument[from] == u'-')
        ++from;
    const qsizetype to = argument.indexOf(u'=');
    return argument.mid(from, to < 0 ? -1 : to - from);
}

CommandLine failure(const QString &text) {
    CommandLine c;
    c.action = CommandLine::Action::Error;
    c.text = QStringLiteral("fatura: %1\n\"fatura --yardim\" seçenekleri gösterir.\n").arg(text);
    return c;
}

} // namespace

QString menuFolder(const QString &homePath) {
    return QDir(homePath).filePath(QStringLiteral("Fatura"));
}

CommandLine parseCommandLine(const QStringList &arguments, const QString &homePath) {
    QCommandLineParser parser;
    // "-platform" is one option, as QApplication reads it, not "-p -l -a ...".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOption(
        QStringList{QStringLiteral("h"), QStringLiteral("yardim"), QStringLiteral("help")});
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("surum"), QStringLiteral("version")});
    const QCommandLineOption folderOption({QStringLiteral("klasor"), QStringLiteral("folder")},
                                          QString(), QStringLiteral("KLASÖR"));
    const QCommandLineOption menuOption(QStringLiteral("menu"));
    parser.addOptions({helpOption, versionOption, folderOption, menuOption});
    QStringList valueNames = folderOption.names();
    for (const char *name : qtValueOptions) {
        QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("x"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
        valueNames << o.names();
    }
    for (const char *name : qtFlagOptions) {
        QCommandLineOption o(QString::fromLatin1(name));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }

    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().constFirst();
            for (const QString &argument : arguments.mid(1)) {
                if (optionName(argument) == name)
                    return failure(QStringLiteral("bilinmeyen seçenek: %1")
                                       .arg(argument.left(argument.indexOf(u'='))));
            }
            return failure(QStringLiteral("bilinmeyen seçenek: %1").arg(name));
        }
        // The parser's other refusals: a value missing after the last option, or a value
        // given to an option that takes none.
        for (const QString &argument : arguments.mid(1)) {
            if (argument.startsWith(u'-') && argument.contains(u'=') &&
                !valueNames.contains(optionName(argument)))
                return failure(QStringLiteral("%1 seçeneği değer almaz")
                                   .arg(argument.left(argument.indexOf(u'='))));
        }
        return failure(
            QStringLiteral("%1 seçeneğinden sonra bir değer gerekir").arg(arguments.constLast()));
    }
    if (!parser.positionalArguments().isEmpty())
        return failure(
            QStringLiteral("beklenmeyen değer: %1").arg(parser.positionalArguments().constFirst()));

    CommandLine c;
    if (parser.isSet(helpOption)) {
        c.action = CommandLine::Action::Help;
        c.text = QString::fromUtf8(help);
        return c;
    }
    if (parser.isSet(versionOption)) {
        c.action = CommandLine::Action::Version;
        c.text = QStringLiteral("fatura %1\nSatış faturası programı.\n")
                     .arg(QStringLiteral(FATURA_VERSION));
        return c;
    }
    if (parser.isSet(folderOption) && parser.isSet(menuOption))
        return failure(QStringLiteral("--menu ile --klasor birlikte verilemez"));
    if (parser.isSet(folderOption)) {
        c.folder = parser.value(folderOption);
        if (c.folder.isEmpty())
            return failure(QStringLiteral("klasör adı boş olamaz"));
    } else if (parser.isSet(menuOption)) {
        c.fromMenu = true;
        c.folder = menuFolder(homePath);
    }
    return c;
}

int answerWithoutRunning(const CommandLine &commandLine) {
    const bool error = commandLine.action == CommandLine::Action::Error;
    std::fputs(commandLine.text.toUtf8().constData(), error ? stderr : stdout);
    return error ? 2 : 0;
}

QString enterWorkingFolder(const QString &path) {
    if (path.isEmpty())
        return {};
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(path).isFile())
        return QStringLiteral("Çalışma klasörü oluşturulamadı: %1 bir dosyadır.").arg(shown);
    if (!QDir().mkpath(path))
        return QStringLiteral("Çalışma klasörü oluşturulamadı: %1").arg(shown);
    if (!QDir::setCurrent(path))
        return QStringLiteral("Çalışma klasörüne girilemedi: %1").arg(shown);
    return {};
}

bool displayAvailable(const QStringList &arguments) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (const qsizetype i = arguments.indexOf(QStringLiteral("-platform"));
        i >= 0 && i + 1 < arguments.size())
        platform = arguments.at(i + 1);
    if (!platform.isEmpty() && !platform.startsWith(QStringLiteral("xcb")) &&
        !platform.startsWith(QStringLiteral("wayland")))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    Q_UNUSED(arguments);
    return true;
#endif
}
