#include "app/commandline.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Action = CommandLine::Action;
Q_DECLARE_METATYPE(CommandLine::Action)

namespace {

const QString home = u"/ev/ayse"_qs;

const QString fatura = QStringLiteral(FATURA_BINARY_DIR "/fatura");

// Each file the first run leaves in a folder.
bool firstRunDone(const QDir &dir) {
    for (const char *name : {"ayarlar.dat", "fatura.MDB", "buton mavi.jpg", "buton mavi geri.jpg"})
        if (!QFile::exists(dir.filePath(QString::fromUtf8(name))))
            return false;
    return true;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void workingFolder();
    void program();
};

void TestCommandLine::parse_data() {
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("text"); // a part of the text
    const auto row = [](const char *name, const char *arguments, Action action, const char *folder,
                        const char *text) {
        QTest::newRow(name) << QString::fromUtf8(arguments) << action << QString::fromUtf8(folder)
                            << QString::fromUtf8(text);
    };
    row("terminal", "", Action::Run, "", "");
    row("folder", "--klasor /srv/fatura", Action::Run, "/srv/fatura", "");
    row("folder=, English", "--folder=../b", Action::Run, "../b", "");
    row("menu", "--menu", Action::Run, "/ev/ayse/Fatura", "");
    row("Qt's own options", "-platform offscreen -style=fusion --menu -reverse", Action::Run,
        "/ev/ayse/Fatura", "");
    for (const char *help : {"-h", "--help", "--yardim"})
        row(help, help, Action::Help, "", "Kullanım: fatura [seçenekler]");
    row("help wins", "--menu -h", Action::Help, "", "--klasor");
    for (const char *version : {"-v", "--version", "--surum"})
        row(version, version, Action::Version, "", "fatura " FATURA_VERSION "\n");
    row("unknown", "--klasör x", Action::Error, "", "bilinmeyen seçenek: --klasör");
    row("unknown short", "-x", Action::Error, "", "bilinmeyen seçenek: -x");
    row("unknown with value", "--renk=mavi", Action::Error, "", "bilinmeyen seçenek: --renk\n");
    row("no folder", "--menu --klasor", Action::Error, "",
        "--klasor seçeneğinden sonra bir değer gerekir");
    row("empty folder", "--klasor=", Action::Error, "", "klasör adı boş olamaz");
    row("menu with a value", "--menu=evet", Action::Error, "", "--menu seçeneği değer almaz");
    row("menu and folder", "--klasor a --menu", Action::Error, "", "birlikte verilemez");
    row("a stray word", "--menu fazla", Action::Error, "", "beklenmeyen değer: fazla");
}

void TestCommandLine::parse() {
    QFETCH(QString, arguments);
    QFETCH(Action, action);
    QFETCH(QString, folder);
    QFETCH(QString, text);
    const CommandLine c = parseCommandLine(
        QStringList{u"fatura"_qs} + arguments.split(u' ', Qt::SkipEmptyParts), home);
    QCOMPARE(c.action, action);
    QCOMPARE(c.folder, folder);
    QCOMPARE(c.fromMenu, arguments.contains(u"--menu"_qs) && action == Action::Run);
    QVERIFY2(c.text.contains(text), qPrintable(c.text));
    QCOMPARE(c.text.isEmpty(), action == Action::Run);
}

// The folder is made with its parents and entered; a place that cannot be a folder is
// reported with its path and leaves the current directory as it was.
void TestCommandLine::workingFolder() {
    QTemporaryDir tmp;
    const QString start = QDir::currentPath();
    QCOMPARE(enterWorkingFolder(QString()), QString());
    QCOMPARE(QDir::currentPath(), start);

    const QString nested = tmp.filePath(u"a/b c/Fatura"_qs);
    QCOMPARE(enterWorkingFolder(nested), QString());
    QCOMPARE(QDir::currentPath(), nested);
    QCOMPARE(enterWorkingFolder(u".."_qs), QString());
    QCOMPARE(QDir::currentPath(), tmp.filePath(u"a/b c"_qs));

    // A file where the folder should be (one below a file: see program()).
    QFile file(tmp.filePath(u"dosya"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString message = enterWorkingFolder(file.fileName());
    QVERIFY2(message.startsWith(u"Çalışma klasörü oluşturulamadı: "_qs + file.fileName()),
             qPrintable(message));
    QCOMPARE(QDir::currentPath(), tmp.filePath(u"a/b c"_qs));
    QDir::setCurrent(start);
}

// The program itself: help and version without a display, usage errors with exit code 2, an
// unusable folder with 1; from the menu it works in ~/Fatura, from a terminal where it is.
void TestCommandLine::program() {
    QTemporaryDir tmp;
    QFile file(tmp.filePath(u"dosya"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString bad = file.fileName() + u"/alt"_qs;
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    noDisplay.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
    noDisplay.insert(u"DISPLAY"_qs, {});
    noDisplay.insert(u"WAYLAND_DISPLAY"_qs, {});
    const std::tuple<QStringList, int, QString, QString> runs[] = {
        // arguments, exit code, the beginning of the output, a part of the error output
        {{u"--yardim"_qs}, 0, u"Kullanım: fatura"_qs, {}},
        {{u"-v"_qs}, 0, u"fatura " FATURA_VERSION ""_qs, {}},
        {{u"--bilinmeyen"_qs}, 2, {}, u"bilinmeyen seçenek: --bilinmeyen"_qs},
        {{u"--klasor"_qs, bad}, 1, {}, u"Çalışma klasörü oluşturulamadı: "_qs + bad}};
    for (const auto &[arguments, exitCode, out, err] : runs) {
        QProcess p;
        // The folder is entered once the program has its display.
        p.setProcessEnvironment(exitCode == 1 ? QProcessEnvironment::systemEnvironment()
                                              : noDisplay);
        p.start(fatura, arguments);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), exitCode);
        const QString o = QString::fromUtf8(p.readAllStandardOutput());
        const QString e = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(o.startsWith(out) && o.isEmpty() == out.isEmpty() && e.contains(err) &&
                     e.isEmpty() == err.isEmpty(),
                 qPrintable(o + e));
    }

    // Started twice, each time left running until its first run is done; the advert page is
    // pointed away from the network.
    const QDir homeDir(tmp.filePath(u"ev"_qs));
    const QDir here(tmp.filePath(u"burasi"_qs));
    QVERIFY(QDir().mkpath(homeDir.path()) && QDir().mkpath(here.path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_qs, homeDir.path());
    env.insert(u"FATURA_REKLAM_URL"_qs, u"about:blank"_qs);
    for (const bool fromMenu : {false, true}) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(here.path());
        p.start(fatura, fromMenu ? QStringList{u"--menu"_qs} : QStringList{});
        const QDir expected(fromMenu ? homeDir.filePath(u"Fatura"_qs) : here.path());
        QTRY_VERIFY_WITH_TIMEOUT(firstRunDone(expected), 30000);
        QCOMPARE(p.state(), QProcess::Running);
        p.kill();
        p.waitForFinished();
        // From a terminal the home folder is left alone.
        QCOMPARE(homeDir.exists(u"Fatura"_qs), fromMenu);
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
