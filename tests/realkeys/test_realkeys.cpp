#include "settings/settingsfile.h"
#include "store/customers.h"
#include "store/database.h"
#include "tests/common/testdb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The program as a user meets it: started under an X server with a window manager, the
// keyboard set to the Turkish layout, an invoice typed without the mouse with real key events.
class TestRealKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void wholeInvoiceByKeyboard();

private:
    // Runs an X tool on the test's display; its output, or a failure of the test.
    QString x(const QString &program, const QStringList &arguments, int seconds = 20);
    // Presses keys, as xdotool names them, one after another.
    void keys(const QString &sequence);
    void type(const QString &text);
    // Waits until a window whose title is exactly `title` is there and has the focus.
    bool waitForWindow(const QString &title);

    QString m_display;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
    std::unique_ptr<QProcess> m_program;
    QTemporaryDir m_folder;
};

QString TestRealKeys::x(const QString &program, const QStringList &arguments, int seconds) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_qs, m_display);
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    if (!p.waitForFinished(seconds * 1000)) {
        p.kill();
        p.waitForFinished();
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

void TestRealKeys::keys(const QString &sequence) {
    x(u"xdotool"_qs,
      QStringList{u"key"_qs, u"--delay"_qs, u"40"_qs} + sequence.split(u' ', Qt::SkipEmptyParts));
}

void TestRealKeys::type(const QString &text) {
    x(u"xdotool"_qs, {u"type"_qs, u"--delay"_qs, u"40"_qs, text});
}

bool TestRealKeys::waitForWindow(const QString &title) {
    // xdotool waits by itself until the window is there; the focus follows it (openbox).
    const QString id = x(u"xdotool"_qs, {u"search"_qs, u"--sync"_qs, u"--onlyvisible"_qs,
                                         u"--name"_qs, u'^' + title + u'$'});
    if (id.isEmpty())
        return false;
    const QString window = id.section(u'\n', 0, 0);
    for (int tries = 0; tries < 100; ++tries) {
        if (x(u"xdotool"_qs, {u"getwindowfocus"_qs}) == window)
            return true;
        x(u"xdotool"_qs, {u"windowactivate"_qs, u"--sync"_qs, window});
    }
    return false;
}

void TestRealKeys::initTestCase() {
    for (const char *tool : {"Xvfb", "openbox", "xdotool", "setxkbmap"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(u"%1 is not installed"_qs.arg(QString::fromLatin1(tool))));
    // A display number no server uses.
    int n = 90;
    while (QFile::exists(u"/tmp/.X%1-lock"_qs.arg(n)) ||
           QFile::exists(u"/tmp/.X11-unix/X%1"_qs.arg(n)))
        ++n;
    m_display = u":%1"_qs.arg(n);
    m_server = std::make_unique<QProcess>();
    // -noreset: a server left without clients starts afresh, with the default keyboard; the
    // window manager may not have connected yet when the layout is set.
    m_server->start(u"Xvfb"_qs, {m_display, u"-screen"_qs, u"0"_qs, u"1366x768x24"_qs,
                                 u"-nolisten"_qs, u"tcp"_qs, u"-noreset"_qs});
    QVERIFY(m_server->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(u"/tmp/.X11-unix/X%1"_qs.arg(n)), 20000);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_qs, m_display);
    m_windowManager = std::make_unique<QProcess>();
    m_windowManager->setProcessEnvironment(env);
    m_windowManager->start(u"openbox"_qs, {});
    QVERIFY(m_windowManager->waitForStarted());
    // The Turkish layout: the dotted and the dotless I are two keys.
    const auto turkish = [&] {
        x(u"setxkbmap"_qs, {u"tr"_qs});
        return x(u"setxkbmap"_qs, {u"-query"_qs}).contains(u"layout:     tr"_qs);
    };
    QTRY_VERIFY_WITH_TIMEOUT(turkish(), 10000);
}

void TestRealKeys::cleanupTestCase() {
    for (auto *p : {m_program.get(), m_windowManager.get(), m_server.get()}) {
        if (p && p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished();
            }
        }
    }
}

// The program started in a folder with one customer. İşlemler opened with Alt and the dotted i
// key of the Turkish keyboard, "Fatura Girişi" with its key; the customer by number and Enter;
// three lines typed with Turkish numbers ("1.250" is a thousand two hundred and fifty, "2,5" two
// and a half), the second corrected in the grid (F2); Ctrl+S, the question whether to print
// answered with Esc. The stored rows are the lines as typed and corrected.
void TestRealKeys::wholeInvoiceByKeyboard() {
    ayarlar a = defaultSettings();
    a.kdv_yuzde = u"18"_qs;
    ayarlari_yaz(a, m_folder.filePath(settingsFileName()));
    const QString db = m_folder.filePath(u"fatura.MDB"_qs);
    createDatabase(db);
    {
        Database d(db, Database::Access::Write);
        QCOMPARE(addCustomer(d, {12, u"Ayşe Yılmaz"_qs, u"Gül Sok. 3"_qs, u"Kadıköy / İstanbul"_qs,
                                 u"Kadıköy 10000000146"_qs}),
                 CustomerResult::Ok);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_qs, m_display);
    env.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
    env.insert(u"FATURA_REKLAM_URL"_qs, u"about:blank"_qs);
    env.remove(u"QT_SCALE_FACTOR"_qs);
    m_program = std::make_unique<QProcess>();
    m_program->setProcessEnvironment(env);
    m_program->start(QStringLiteral(FATURA_BINARY_DIR "/fatura"),
                     {u"--klasor"_qs, m_folder.path()});
    QVERIFY(m_program->waitForStarted());
    QVERIFY(waitForWindow(u"Fatura"_qs));

    keys(u"alt+i"_qs);
    keys(u"f"_qs);
    QVERIFY(waitForWindow(u"Fatura Giriş"_qs));
    // The proposed number, Enter; the customer's number and Enter fills the customer; Enter on
    // through the header to the line boxes.
    keys(u"Return"_qs);
    type(u"12"_qs);
    keys(u"Return Return Return Return Return Return Return Return Return Return"_qs);
    const auto line = [this](const QString &what, const QString &quantity, const QString &price) {
        type(what);
        keys(u"Return Return"_qs); // past the discount
        type(quantity);
        keys(u"Return"_qs);
        type(price);
        keys(u"Return Return"_qs); // to EKLE, and EKLE
    };
    line(u"Vida"_qs, u"2,5"_qs, u"1.250"_qs);
    line(u"Çivi"_qs, u"10"_qs, u"2,5"_qs);
    line(u"Işık"_qs, u"1.250"_qs, u"0,5"_qs);
    // To the grid: Tab from the line boxes passes EKLE and KAYDET YAZDIR; the second line, F2,
    // its quantity typed over, Enter to EKLE and Enter.
    keys(u"Tab Tab Tab Tab Tab Tab Tab Tab Home Down F2 Tab Tab ctrl+a"_qs);
    type(u"20"_qs);
    keys(u"Return Return Return"_qs);
    keys(u"ctrl+s"_qs);
    QVERIFY(waitForWindow(u"İşlem tamam"_qs));
    keys(u"Escape"_qs);

    const QStringList expected = {u"12|Ayşe Yılmaz|2.5|Vida|1250|3.125,00"_qs,
                                  u"12|Ayşe Yılmaz|20|Çivi|2.5|50,00"_qs,
                                  u"12|Ayşe Yılmaz|1250|Işık|0.5|625,00"_qs};
    const auto stored = [&db] {
        QStringList rows;
        for (const QVariantList &r :
             testdb::queryRows(db, u"SELECT musterino, adi_soyadi, miktar, aciklama, br_fiyat, "
                                   "tutar FROM faturalar ORDER BY rowid"_qs)) {
            QStringList cells;
            for (const QVariant &v : r)
                cells << v.toString();
            rows << cells.join(u'|');
        }
        return rows;
    };
    QTRY_COMPARE_WITH_TIMEOUT(stored(), expected, 20000);
}

QTEST_GUILESS_MAIN(TestRealKeys)
#include "test_realkeys.moc"
