// The inputs kept from fuzzing, run through the fuzz targets' own checks.
#include "fuzz/checks.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestFuzzCases : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keptInputs_data();
    void keptInputs();
};

void TestFuzzCases::keptInputs_data() {
    QTest::addColumn<QString>("path");
    for (const char *target : {"fuzz_settings", "fuzz_words", "fuzz_numbers"}) {
        const QDir dir(QStringLiteral(FATURA_TESTDATA_DIR "/fuzz/") + QLatin1String(target));
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        if (files.isEmpty())
            QTest::newRow(target) << QString(); // fails: every target keeps its inputs
        for (const QString &file : files)
            QTest::addRow("%s/%s", target, qPrintable(file)) << dir.filePath(file);
    }
}

void TestFuzzCases::keptInputs() {
    QFETCH(QString, path);
    QFile f(path);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(u"no kept input: "_qs + path));
    const QByteArray bytes = f.readAll();
    const QString problem = path.contains(u"/fuzz_settings/") ? settingsProblem(bytes)
                            : path.contains(u"/fuzz_words/")  ? wordsProblem(bytes)
                                                              : numbersProblem(bytes);
    QCOMPARE(problem, QString());
}

QTEST_GUILESS_MAIN(TestFuzzCases)
#include "test_fuzzcases.moc"
