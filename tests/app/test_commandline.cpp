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

struct Run {
    int exitCode;
    QString out;
    QString err;
};

// Runs the program to its end with `arguments` and the environment changed by `env`.
Run runToEnd(const QStringList &arguments, const QStringList &env = {}) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString &pair : env)
        e.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(FATURA_BINARY_DIR "/fatura"), arguments);
    if (!p.waitForFinished(60000))
        qFatal("fatura did not end");
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

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

    QTest::newRow("terminal") << u""_qs << Action::Run << u""_qs << u""_qs;
    QTest::newRow("folder") << u"--klasor /srv/fatura"_qs << Action::Run << u"/srv/fatura"_qs
                            << u""_qs;
    QTest::newRow("folder=, English") << u"--folder=../b"_qs << Action::Run << u"../b"_qs << u""_qs;
    QTest::newRow("menu") << u"--menu"_qs << Action::Run << u"/ev/ayse/Fatura"_qs << u""_qs;
    QTest::newRow("Qt's own options") << u"-platform offscreen -style=fusion --menu -reverse"_qs
                                      << Action::Run << u"/ev/ayse/Fatura"_qs << u""_qs;
    for (const char *help : {"-h", "--help", "--yardim"})
        QTest::newRow(help) << QString::fromLatin1(help) << Action::Help << u""_qs
                            << u"Kullanım: fatura [seçenekler]"_qs;
    QTest::newRow("help wins") << u"--menu -h"_qs << Action::Help << u""_qs << u"--klasor"_qs;
    for (const char *version : {"-v", "--version", "--surum"})
        QTest::newRow(version) << QString::fromLatin1(version) << Action::Version << u""_qs
                               << u"fatura " FATURA_VERSION "\n"_qs;
    QTest::newRow("unknown") << u"--klasör x"_qs << Action::Error << u""_qs
                             << u"bilinmeyen seçenek: --klasör"_qs;
    QTest::newRow("unknown short")
        << u"-x"_qs << Action::Error << u""_qs << u"bilinmeyen seçenek: -x"_qs;
    QTest::newRow("unknown with value")
        << u"--renk=mavi"_qs << Action::Error << u""_qs << u"bilinmeyen seçenek: --renk\n"_qs;
    QTest::newRow("no folder") << u"--menu --klasor"_qs << Action::Error << u""_qs
                               << u"--klasor seçeneğinden sonra bir değer gerekir"_qs;
    QTest::newRow("empty folder") << u"--klasor="_qs << Action::Error << u""_qs
                                  << u"klasör adı boş olamaz"_qs;
    QTest::newRow("menu with a value")
        << u"--menu=evet"_qs << Action::Error << u""_qs << u"--menu seçeneği değer almaz"_qs;
    QTest::newRow("menu and folder")
        << u"--klasor a --menu"_qs << Action::Error << u""_qs << u"birlikte verilemez"_qs;
    QTest::newRow("a stray word") << u"--menu fazla"_qs << Action::Error << u""_qs
                                  << u"beklenmeyen değer: fazla"_qs;
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

    QFile file(tmp.filePath(u"dosya"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const QString &bad : {file.fileName(), file.fileName() + u"/alt"_qs}) {
        const QString message = enterWorkingFolder(bad);
        QVERIFY2(message.startsWith(u"Çalışma klasörü oluşturulamadı: "_qs + bad),
                 qPrintable(message));
        QCOMPARE(QDir::currentPath(), tmp.filePath(u"a/b c"_qs));
    }
    QDir::setCurrent(start);
}

// The program itself: help and version without a display, usage errors with exit code 2, an
// unusable folder with 1; from the menu it works in ~/Fatura, from a terminal where it is.
void TestCommandLine::program() {
    const QStringList noDisplay{u"QT_QPA_PLATFORM=xcb"_qs, u"DISPLAY="_qs, u"WAYLAND_DISPLAY="_qs};
    Run r = runToEnd({u"--yardim"_qs}, noDisplay);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith(u"Kullanım: fatura"_qs) && r.err.isEmpty());
    r = runToEnd({u"-v"_qs}, noDisplay);
    QVERIFY(r.exitCode == 0 && r.out.startsWith(u"fatura " FATURA_VERSION ""_qs));
    r = runToEnd({u"--bilinmeyen"_qs}, noDisplay);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty() && r.err.contains(u"bilinmeyen seçenek: --bilinmeyen"_qs));

    QTemporaryDir tmp;
    QFile file(tmp.filePath(u"dosya"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    r = runToEnd({u"--klasor"_qs, file.fileName() + u"/alt"_qs});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(u"Çalışma klasörü oluşturulamadı: "_qs + file.fileName()),
             qPrintable(r.err));

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
        p.start(QStringLiteral(FATURA_BINARY_DIR "/fatura"),
                fromMenu ? QStringList{u"--menu"_qs} : QStringList{});
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
