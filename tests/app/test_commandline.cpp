#include "app/commandline.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Action = CommandLine::Action;

namespace {

const QString fatura = QStringLiteral(FATURA_BINARY_DIR "/fatura");

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse();
    void program();
    void librariesAtStart();
};

// Each command line as what it asks for, the folder (the home folder is /ev/ayse) and a part of
// the text it answers with.
void TestCommandLine::parse() {
    const std::tuple<const char *, Action, const char *, const char *> cases[] = {
        {"", Action::Run, "", ""},
        {"--klasor /srv/fatura", Action::Run, "/srv/fatura", ""},
        {"--folder=../b", Action::Run, "../b", ""},
        // Qt's own options are left for QApplication.
        {"-platform offscreen -style=fusion --menu -reverse", Action::Run, "/ev/ayse/Fatura", ""},
        {"-h", Action::Help, "", "Kullanım: fatura [seçenekler]"},
        {"--help", Action::Help, "", "Kullanım: fatura [seçenekler]"},
        {"--yardim", Action::Help, "", "Kullanım: fatura [seçenekler]"},
        {"--menu -h", Action::Help, "", "--klasor"},
        {"-v", Action::Version, "", "fatura " FATURA_VERSION "\n"},
        {"--version", Action::Version, "", "fatura " FATURA_VERSION "\n"},
        {"--surum", Action::Version, "", "fatura " FATURA_VERSION "\n"},
        {"--klasör x", Action::Error, "", "bilinmeyen seçenek: --klasör"},
        {"--renk=mavi", Action::Error, "", "bilinmeyen seçenek: --renk\n"},
        {"--menu --klasor", Action::Error, "", "--klasor seçeneğinden sonra bir değer gerekir"},
        {"--klasor=", Action::Error, "", "klasör adı boş olamaz"},
        {"--menu=evet", Action::Error, "", "--menu seçeneği değer almaz"},
        {"--klasor a --menu", Action::Error, "", "birlikte verilemez"},
        {"--menu fazla", Action::Error, "", "beklenmeyen değer: fazla"}};
    for (const auto &[arguments, action, folder, text] : cases) {
        const QString typed = QString::fromUtf8(arguments);
        const CommandLine c = parseCommandLine(
            QStringList{u"fatura"_qs} + typed.split(u' ', Qt::SkipEmptyParts), u"/ev/ayse"_qs);
        QVERIFY2(c.action == action && c.folder == QString::fromUtf8(folder) &&
                     c.fromMenu == (typed.contains(u"--menu"_qs) && action == Action::Run) &&
                     c.text.contains(QString::fromUtf8(text)),
                 qPrintable(typed + u" -> "_qs + c.folder + u' ' + c.text));
    }
}

// The working folder, then the program itself: help without a display, usage errors with exit
// code 2, an unusable folder with 1; from the menu it works in ~/Fatura, from a terminal where
// it is.
void TestCommandLine::program() {
    QTemporaryDir tmp;
    QFile file(tmp.filePath(u"dosya"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // In this process first: the folder is made with its parents and entered; a file where it
    // should be is reported with its path and leaves the current directory as it was.
    const QString start = QDir::currentPath();
    const QString nested = tmp.filePath(u"a/b c/Fatura"_qs);
    QCOMPARE(enterWorkingFolder(nested), QString());
    QCOMPARE(QDir::currentPath(), nested);
    const QString message = enterWorkingFolder(file.fileName());
    QVERIFY2(message.startsWith(u"Çalışma klasörü oluşturulamadı: "_qs + file.fileName()),
             qPrintable(message));
    QCOMPARE(QDir::currentPath(), nested);
    QDir::setCurrent(start);

    const QString bad = file.fileName() + u"/alt"_qs;
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    noDisplay.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
    noDisplay.insert(u"DISPLAY"_qs, {});
    noDisplay.insert(u"WAYLAND_DISPLAY"_qs, {});
    const std::tuple<QStringList, int, QString, QString> runs[] = {
        // arguments, exit code, the beginning of the output, a part of the error output
        {{u"--yardim"_qs}, 0, u"Kullanım: fatura"_qs, {}},
        {{u"--bilinmeyen"_qs}, 2, {}, u"bilinmeyen seçenek: --bilinmeyen"_qs},
        {{u"--klasor"_qs, bad}, 1, {}, u"Çalışma klasörü oluşturulamadı: "_qs + bad},
        {{u"--klasor"_qs, tmp.path()}, 1, {}, u"Ekran bulunamadı"_qs}};
    // None of them needs a display, nor may end as Qt ends a program without one.
    for (const auto &[arguments, exitCode, out, err] : runs) {
        QProcess p;
        p.setProcessEnvironment(noDisplay);
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
        // Running until its first run is done: the files it leaves, and nothing else.
        const QString expected = fromMenu ? homeDir.filePath(u"Fatura"_qs) : here.path();
        QTRY_COMPARE_WITH_TIMEOUT(
            QDir(expected).entryList(QDir::Files),
            (QStringList{"ayarlar.dat", "buton mavi geri.jpg", "buton mavi.jpg", "fatura.MDB"}),
            30000);
        QCOMPARE(p.state(), QProcess::Running);
        p.kill();
        p.waitForFinished();
        // From a terminal the home folder is left alone.
        QCOMPARE(homeDir.exists(u"Fatura"_qs), fromMenu);
    }
}

// The program starts without the printing system's library and without the Access reader:
// libcups is loaded at the first look at a printer, libmdb only by the import child. The
// dynamic loader names every library it loads when asked (glibc's LD_DEBUG).
void TestCommandLine::librariesAtStart() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LD_DEBUG"_qs, u"libs"_qs);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(fatura, {u"--surum"_qs});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    const QString loaded = QString::fromUtf8(p.readAllStandardError());
    if (!loaded.contains(u"find library=libQt6Widgets"_qs))
        QSKIP("the dynamic loader does not name what it loads");
    for (const QString &library : {u"libcups"_qs, u"libmdb"_qs})
        QVERIFY2(!loaded.contains(u"find library="_qs + library), qPrintable(library));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
