#include "fuzz/checks.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <functional>

namespace {

using Check = std::function<QString(const QByteArray &)>;

const QList<std::pair<QString, Check>> &targets() {
    static const QList<std::pair<QString, Check>> list = {
        {QStringLiteral("fuzz_settings"), settingsProblem},
        {QStringLiteral("fuzz_words"), wordsProblem},
        {QStringLiteral("fuzz_numbers"), numbersProblem},
    };
    return list;
}

QDir casesOf(const QString &target) {
    return QDir(QStringLiteral(FATURA_TESTDATA_DIR "/fuzz/") + target);
}

} // namespace

class TestFuzzCases : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keptInputs_data();
    void keptInputs();
};

void TestFuzzCases::keptInputs_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    for (const auto &[target, check] : targets()) {
        const QDir dir = casesOf(target);
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        if (files.isEmpty())
            QTest::newRow(qPrintable(target)) << target << QString();
        for (const QString &file : files)
            QTest::newRow(qPrintable(target + u'/' + file)) << target << dir.filePath(file);
    }
}

void TestFuzzCases::keptInputs() {
    QFETCH(QString, target);
    QFETCH(QString, path);
    QVERIFY2(!path.isEmpty(), "no kept inputs");
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    for (const auto &[name, check] : targets()) {
        if (name == target)
            QCOMPARE(check(bytes), QString());
    }
}

QTEST_GUILESS_MAIN(TestFuzzCases)
#include "test_fuzzcases.moc"
