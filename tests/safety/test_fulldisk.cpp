// Writes on a full disk: the settings, the first start's files, PDFs and e-Arşiv invoices.
// Every write is checked to the end: a failure is a message naming the file, the old file
// stays whole, no empty or half-written file is left behind, and no success is reported.
#include "fulldisk.h"

#include "app/firstrun.h"
#include "earsiv/export.h"
#include "gui/Form3.h"
#include "gui/Form5.h"
#include "gui/Form7.h"
#include "gui/buttonpictures.h"
#include "tests/common/pdftext.h"
#include "tests/common/windowfixture.h"
#include "tools/sampledata.h"

#include <QDirIterator>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>

namespace {

// Every file on the disk but the filler and the settings.
QStringList written(const FullDisk &disk) {
    QStringList list;
    QDirIterator it(disk.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        if (const QString path = it.next();
            it.fileName() != FullDisk::fillerName() && path != disk.filePath(settingsFileName()))
            list << path;
    return list;
}

// A whole PDF: poppler reads every page of it without a complaint.
bool wholePdf(const QString &path) {
    QProcess p;
    p.start(u"pdftotext"_qs, {path, u"-"_qs});
    return p.waitForFinished(60000) && p.exitCode() == 0 && p.readAllStandardError().isEmpty();
}

} // namespace

class TestFullDisk : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void firstStart();
    void windows_data();
    void windows();
    void earsiv_data();
    void earsiv();

private:
    QTemporaryDir m_dataDir;
    QString m_database = m_dataDir.filePath(u"fatura.MDB"_qs);
    QString m_campaign;
};

void TestFullDisk::initTestCase() {
    if (!havePdftotext())
        QSKIP("pdftotext (poppler-utils) is needed to read the PDFs back");
    m_campaign = writeSampleDatabase(m_database).campaign; // 30 campaign invoices
}

// The first start on a full disk: every file that could not be written is named, and none
// is left behind empty.
void TestFullDisk::firstStart() {
    FullDisk disk;
    disk.fill();
    const QString problems = disk.run([&] { return firstRun(QDir(disk.path())); }).join(u'\n');
    for (const QString &name : {settingsFileName(), raisedPictureFile(), pressedPictureFile()})
        QVERIFY2(problems.contains(disk.filePath(name)), qPrintable(problems));
    QCOMPARE(written(disk), QStringList());
    QVERIFY(!QFile::exists(disk.filePath(settingsFileName())));
}

void TestFullDisk::windows_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("leaveFree");
    QTest::addColumn<QString>("failure"); // how the message begins; %1 is the disk
    QTest::newRow("ayarlar") << "Form5" << 0 << "Ayar dosyası yazılamadı: %1/ayarlar.dat\n";
    QTest::newRow("tek fatura") << "Form3" << 0 << "PDF dosyası yazılamadı: %1/";
    QTest::newRow("her fatura ayrı PDF") << "AyriPdf" << 64 * 1024 << "PDF dosyası yazılamadı: %1/";
    QTest::newRow("tek PDF") << "TekPdf" << 0 << "PDF dosyası yazılamadı: %1/";
}

// "Kaydet" in the settings window, "Yazdır" of an invoice and of a campaign of 30 invoices
// into PDFs. The one message is the failure; the old settings stay as they were. One PDF per
// invoice: the run stops at the first file that cannot be written and says how many were
// written; those are whole. Otherwise no file is left.
void TestFullDisk::windows() {
    QFETCH(QString, window);
    QFETCH(int, leaveFree);
    QFETCH(QString, failure);
    FullDisk disk;
    ayarlar a = defaultSettings();
    a.veritabani_yolu = m_database;
    ayarlari_yaz(a, disk.filePath(settingsFileName()));
    const QByteArray settings = testdb::fileBytes(disk.filePath(settingsFileName()));
    disk.fill(leaveFree);
    Workspace workspace(disk.path());
    workspace.seams.printTarget = [&](const QString &stem, PdfPrinter::Mode mode) {
        return pdfPrintTarget(stem, mode, disk.path());
    };
    const QStringList shown = disk.run([&] {
        QStringList messages;
        Messages::setTestHandler([&](const Messages::Message &m) {
            messages << (m.kind == Messages::Kind::Error ? u"hata: "_qs : u"bilgi: "_qs) + m.text;
            return false;
        });
        if (window == u"Form5") {
            Form5 w(workspace);
            field(&w, "kdv_yuzde")->setText(u"18"_qs);
            Q_EMIT field<ImageButton>(&w, "kaydet_dugmesi")->released();
        } else if (window == u"Form3") {
            Form3 w(workspace);
            field(&w, "Text12")->setText(u"7"_qs);
            addLine(&w, u"Vida"_qs, {}, u"2"_qs, u"5"_qs);
            w.yazdir();
        } else {
            Shown<Form7> w(workspace);
            field<QComboBox>(&w, "Combo1")->setCurrentText(m_campaign);
            field<QRadioButton>(&w, window)->setChecked(true);
            w.yazdir();
        }
        Messages::setTestHandler({});
        return messages;
    });
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].startsWith(u"hata: "_qs + failure.arg(disk.path())), qPrintable(shown[0]));
    QCOMPARE(testdb::fileBytes(disk.filePath(settingsFileName())), settings);
    const QStringList pdfs = written(disk);
    if (window != u"AyriPdf") {
        QCOMPARE(pdfs, QStringList());
        return;
    }
    static const QRegularExpression stopped(u"Toplu baskı durduruldu: (\\d+) / 30 fatura "
                                            "basıldı."_qs);
    const QRegularExpressionMatch m = stopped.match(shown[0]);
    QVERIFY2(m.hasMatch(), qPrintable(shown[0]));
    QCOMPARE(pdfs.size(), m.captured(1).toInt());
    QVERIFY(pdfs.size() < 30);
    for (const QString &pdf : pdfs)
        QVERIFY2(wholePdf(pdf), qPrintable(pdf));
}

void TestFullDisk::earsiv_data() {
    QTest::addColumn<qint64>("number"); // the invoice exported on the full disk
    QTest::addColumn<int>("leaveFree");
    QTest::addColumn<QString>("failure"); // %1 is the e-Arşiv folder
    QTest::newRow("yeniden, 16 KB boş")
        << qint64(1) << 16 * 1024
        << "e-faturanın PDF kopyası yazılamadı: %1/ORN2025000000001.pdf\n";
    // 16 KB for the PDF beside the export's lock file: it fails as its last block goes out.
    QTest::newRow("yeniden, 20 KB boş")
        << qint64(1) << 20 * 1024
        << "e-faturanın PDF kopyası yazılamadı: %1/ORN2025000000001.pdf\n";
    QTest::newRow("yeniden, 4 KB boş")
        << qint64(1) << 4096 << "e-fatura dosyası yazılamadı: %1/ORN2025000000001.xml\n";
    QTest::newRow("yeniden, disk dolu") << qint64(1) << 0 << "e-Arşiv klasörüne yazılamıyor: %1\n";
    QTest::newRow("ilk kez, 16 KB boş")
        << qint64(4) << 16 * 1024
        << "e-faturanın PDF kopyası yazılamadı: %1/ORF2025000000002.pdf\n";
}

// Invoices 1, 2 and 3 are e-invoices already; then the disk fills and invoices 1, 2
// and 3 are exported again (or invoice 4 for the first time). The run stops at the first file
// that cannot be written and names it; no file is told as written; the six files given
// before stay as they were to the byte; a first export uses no number and leaves no file.
void TestFullDisk::earsiv() {
    QFETCH(qint64, number);
    QFETCH(int, leaveFree);
    QFETCH(QString, failure);
    QTemporaryDir data;
    const QString database = data.filePath(u"fatura.MDB"_qs);
    writeSampleDatabase(database, {.year = 2025});
    // The year's last invoices, exported on its last day, each buyer's district and city given.
    testdb::sql(
        database,
        {u"UPDATE faturalar SET fatura_tarihi = '30.12.2025', irsaliye_tarihi = "
         "'30.12.2025'"_qs,
         u"UPDATE faturalar SET adresi2 = 'Merkez / Ankara' WHERE adresi2 NOT LIKE '%/%'"_qs});
    FullDisk disk;
    ayarlar a = defaultSettings();
    a.veritabani_yolu = database;
    ayarlari_yaz(a, disk.filePath(settingsFileName()));
    Workspace workspace(disk.path());
    workspace.seams.clock = [] { return QDate(2025, 12, 31); };
    const QString folder = earsivFolder(QDir(disk.path()));
    QList<EArsivResult> first;
    QCOMPARE(EArsivExport(workspace).run({1, 2, 3}, first), EArsivRunEnd::Completed);
    QHash<QString, QByteArray> given;
    for (const EArsivResult &r : first)
        for (const QString &file : r.files)
            given.insert(file, testdb::fileBytes(file));
    QCOMPARE(given.size(), 6);

    disk.fill(leaveFree);
    const QStringList told = disk.run([&] {
        QList<EArsivResult> results;
        QStringList out;
        try {
            EArsivExport(workspace).run(number == 1 ? QList<qint64>{1, 2, 3} : QList{number},
                                        results);
        } catch (const std::exception &e) {
            out << u"hata: "_qs + QString::fromUtf8(e.what());
        }
        for (const EArsivResult &r : results)
            out << r.files;
        return out;
    });
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].startsWith(u"hata: "_qs + failure.arg(folder)), qPrintable(told[0]));
    QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    QStringList names;
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        QVERIFY2(testdb::fileBytes(it.key()) == it.value(), qPrintable(it.key()));
        names << QFileInfo(it.key()).fileName();
    }
    left.sort();
    names.sort();
    QCOMPARE(left, names);
    QCOMPARE(testdb::queryRows(database, u"SELECT faturano FROM earsiv_faturalar ORDER BY 1"_qs),
             (QList<QVariantList>{{1}, {2}, {3}}));
}

QTEST_MAIN(TestFullDisk)
#include "test_fulldisk.moc"
