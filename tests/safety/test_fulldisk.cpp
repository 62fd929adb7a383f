// Writes on a full disk: the settings, the first start's files and PDFs. Every write is
// checked to the end: a failure is a message naming the file, the old file stays whole, no
// empty or half-written file is left behind, and no success is reported.
#include "fulldisk.h"

#include "app/firstrun.h"
#include "gui/Form3.h"
#include "gui/Form5.h"
#include "gui/Form7.h"
#include "gui/buttonpictures.h"
#include "gui/imagebutton.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/database.h"
#include "tools/sampledata.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

QByteArray bytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file under `folder` but the filler, with its size, relative to the folder.
QStringList files(const QString &folder) {
    QStringList list;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName() != FullDisk::fillerName())
            list << QDir(folder).relativeFilePath(path) + u' ' +
                        QString::number(it.fileInfo().size());
    }
    list.sort();
    return list;
}

// A whole PDF: poppler reads every page of it without a complaint.
bool wholePdf(const QString &path) {
    QProcess p;
    p.start(u"pdftotext"_qs, {u"-q"_qs, path, u"-"_qs});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit &&
           p.exitCode() == 0 && p.readAllStandardError().isEmpty() &&
           bytes(path).startsWith("%PDF");
}

QString kindName(Messages::Kind k) {
    switch (k) {
    case Messages::Kind::Info:
        return u"bilgi"_qs;
    case Messages::Kind::Warning:
    case Messages::Kind::Error:
        return u"hata"_qs;
    case Messages::Kind::Question:
        break;
    }
    return u"soru"_qs;
}

// The messages shown while `action` runs, each as "kind: text".
template <class F> QStringList messagesOf(F &&action) {
    QStringList shown;
    Messages::setTestHandler([&](const Messages::Message &m) {
        shown << kindName(m.kind) + u": "_qs + m.text;
        return false;
    });
    action();
    Messages::setTestHandler({});
    return shown;
}

template <class T = QLineEdit> T *child(QWidget *w, const char *name) {
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no %s", name);
    return c;
}

} // namespace

class TestFullDisk : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void settingsSave();
    void firstStart();
    void singleInvoicePdf();
    void batchPdf_data();
    void batchPdf();

private:
    // Settings on the disk that name the database in m_dataDir, off the disk.
    void putSettings(const FullDisk &disk);

    QTemporaryDir m_dataDir;
    QString m_database;
    QString m_campaign;
};

void TestFullDisk::initTestCase() {
    if (QStandardPaths::findExecutable(u"pdftotext"_qs).isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the PDFs back");
    FullDisk probe;
    qInfo(probe.mounted() ? "a 400 KB tmpfs is mounted and filled"
                          : "no mount allowed: writes run under a file-size limit");
    m_database = m_dataDir.filePath(u"fatura.MDB"_qs);
    SampleDataOptions options;
    options.campaignInvoices = 30;
    m_campaign = writeSampleDatabase(m_database, options).campaign;
}

void TestFullDisk::putSettings(const FullDisk &disk) {
    ayarlar a = defaultSettings();
    a.veritabani_yolu = m_database;
    ayarlari_yaz(a, disk.filePath(settingsFileName()));
}

// "Kaydet" in the settings window: the old file stays as it was, the message names it and
// "Ayarlar Kaydedildi." is not shown.
void TestFullDisk::settingsSave() {
    FullDisk disk;
    putSettings(disk);
    const QString path = disk.filePath(settingsFileName());
    const QByteArray before = bytes(path);
    disk.fill();
    Workspace workspace(disk.path());
    const QStringList shown = disk.run([&] {
        return messagesOf([&] {
            Form5 w(workspace);
            child(&w, "kdv_yuzde")->setText(u"18"_qs);
            Q_EMIT child<ImageButton>(&w, "kaydet_dugmesi")->released();
        });
    });
    qInfo("%s", qPrintable(shown.join(u'\n')));
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].startsWith(u"hata: Ayar dosyası yazılamadı: "_qs + path + u'\n'),
             qPrintable(shown[0]));
    QCOMPARE(bytes(path), before);
    QCOMPARE(files(disk.path()),
             QStringList{settingsFileName() + u' ' + QString::number(before.size())});
}

// The first start on a full disk: every file that could not be written is named, and none
// is left behind empty.
void TestFullDisk::firstStart() {
    FullDisk disk;
    disk.fill();
    const QStringList problems = disk.run([&] { return firstRun(QDir(disk.path())); });
    const QString all = problems.join(u'\n');
    qInfo("%s", qPrintable(all));
    for (const QString &name : {settingsFileName(), raisedPictureFile(), pressedPictureFile()})
        QVERIFY2(all.contains(disk.filePath(name)), qPrintable(all));
    QCOMPARE(files(disk.path()), QStringList());
}

// One invoice printed to PDF: a message naming the file, no "saved as PDF", no file.
void TestFullDisk::singleInvoicePdf() {
    FullDisk disk;
    putSettings(disk);
    disk.fill();
    Workspace workspace(disk.path());
    workspace.seams.printTarget = [&](const QString &stem, PdfPrinter::Mode mode) {
        return pdfPrintTarget(stem, mode, disk.path());
    };
    const QStringList shown = disk.run([&] {
        return messagesOf([&] {
            Form3 form(workspace);
            child(&form, "Text12")->setText(u"7"_qs);
            child(&form, "Text3")->setText(u"Vida"_qs);
            child(&form, "Text9")->setText(u"2"_qs);
            child(&form, "Text10")->setText(u"5"_qs);
            child<QPushButton>(&form, "Command2")->click();
            form.yazdir();
        });
    });
    qInfo("%s", qPrintable(shown.join(u'\n')));
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].startsWith(u"hata: PDF dosyası yazılamadı: "_qs + disk.path()),
             qPrintable(shown[0]));
    QCOMPARE(files(disk.path()),
             QStringList{settingsFileName() + u' ' +
                         QString::number(bytes(disk.filePath(settingsFileName())).size())});
}

void TestFullDisk::batchPdf_data() {
    QTest::addColumn<bool>("filePerInvoice");
    QTest::addColumn<int>("leaveFree");
    QTest::newRow("her fatura ayrı PDF") << true << 64 * 1024;
    QTest::newRow("tek PDF") << false << 0;
}

// A campaign of 30 invoices. One PDF per invoice: the run stops at the first file that
// cannot be written and says how many were written; those are whole. One PDF for the run:
// a message, no notice, no file.
void TestFullDisk::batchPdf() {
    QFETCH(bool, filePerInvoice);
    QFETCH(int, leaveFree);
    FullDisk disk;
    putSettings(disk);
    disk.fill(leaveFree);
    Workspace workspace(disk.path());
    workspace.seams.printTarget = [&](const QString &stem, PdfPrinter::Mode mode) {
        return pdfPrintTarget(stem, mode, disk.path());
    };
    const QStringList shown = disk.run([&] {
        return messagesOf([&] {
            Form7 w(workspace);
            w.show();
            child<QComboBox>(&w, "Combo1")->setCurrentText(m_campaign);
            child<QRadioButton>(&w, filePerInvoice ? "AyriPdf" : "TekPdf")->setChecked(true);
            w.yazdir();
        });
    });
    qInfo("%s", qPrintable(shown.join(u'\n')));
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].startsWith(u"hata: PDF dosyası yazılamadı: "_qs + disk.path()),
             qPrintable(shown[0]));
    QStringList pdfs;
    for (const QString &file : files(disk.path()))
        if (!file.startsWith(settingsFileName()))
            pdfs << disk.filePath(file.section(u' ', 0, 0));
    if (!filePerInvoice) {
        QCOMPARE(pdfs, QStringList());
        return;
    }
    static const QRegularExpression stopped(u"Toplu baskı durduruldu: (\\d+) / 30 fatura "
                                            "basıldı."_qs);
    const QRegularExpressionMatch m = stopped.match(shown[0]);
    QVERIFY2(m.hasMatch(), qPrintable(shown[0]));
    const int written = m.captured(1).toInt();
    qInfo("%d of 30 PDFs written before the disk was full", written);
    QCOMPARE(pdfs.size(), written);
    QVERIFY(written < 30);
    for (const QString &pdf : std::as_const(pdfs))
        QVERIFY2(wholePdf(pdf), qPrintable(pdf));
}

QTEST_MAIN(TestFullDisk)
#include "test_fulldisk.moc"
