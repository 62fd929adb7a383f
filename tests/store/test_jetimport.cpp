#include "store/jetread.h"
#include "tests/common/testdb.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using Patch = QList<QPair<QByteArray, QByteArray>>;
using testdb::fileBytes;

namespace {

void writeFile(const QString &path, const QByteArray &data) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        qFatal("Cannot write %s", qPrintable(path));
}

// A read-only copy of sample file `name` in `folder`. Each patch pair replaces bytes by as
// many others, so the file's layout holds.
QString copySample(const QString &name, const QString &folder, const QString &targetName = {},
                   const Patch &patch = {}) {
    QByteArray data = fileBytes(QStringLiteral(FATURA_ACCESS_SAMPLES "/") + name);
    if (data.isEmpty())
        qFatal("Cannot read %s", qPrintable(name));
    for (const auto &[from, to] : patch) {
        if (from.size() != to.size() || !data.contains(from))
            qFatal("Patch does not apply: %s", from.constData());
        data.replace(from, to);
    }
    const QString path = QDir(folder).filePath(targetName.isEmpty() ? name : targetName);
    writeFile(path, data);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    return path;
}

// Every file in the folder with its bytes: nothing added, removed or changed shows.
QMap<QString, QByteArray> folderContents(const QString &folder) {
    QMap<QString, QByteArray> files;
    for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        files[f.fileName()] = fileBytes(f.filePath());
    return files;
}

QString queryValue(const QString &path, const QString &sql) {
    return testdb::queryRows(path, sql).value(0).value(0).toString();
}

// What an mdbtools command prints, Jet 3 text read as Windows-1254.
QByteArray mdb(const QString &command, const QStringList &arguments) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MDB_JET3_CHARSET"), QStringLiteral("CP1254"));
    p.setProcessEnvironment(env);
    p.start(command, arguments);
    return p.waitForFinished(60000) && p.exitCode() == 0 ? p.readAllStandardOutput()
                                                         : QByteArray("mdbtools failed");
}

// What the import should hold for one mdb-json value (dates asked for as
// "%Y-%m-%d %H:%M:%S"; libmdb writes day 0 of 1900 for a date it cannot place).
QVariant expectedValue(const QJsonValue &v) {
    static const QRegularExpression datePattern(
        u"^(\\d{4}-\\d\\d-\\d\\d) (\\d\\d:\\d\\d:\\d\\d)$"_qs);
    if (v.isObject())
        return QByteArray::fromBase64(v[QStringLiteral("$binary")].toString().toLatin1());
    const QRegularExpressionMatch m = datePattern.match(v.toString());
    if (!m.hasMatch())
        return v.toVariant();
    if (!QDate::fromString(m.captured(1), Qt::ISODate).isValid())
        return QVariant();
    return m.captured(2) == QLatin1String("00:00:00") ? m.captured(1) : v.toString();
}

// A value's kind and text, numbers to 7 digits: single-precision values differ further down.
QString describe(const QVariant &v) {
    if (v.isNull())
        return QStringLiteral("NULL");
    if (v.typeId() == QMetaType::QByteArray)
        return QStringLiteral("ikili ") + QString::fromLatin1(v.toByteArray().toHex());
    if (v.typeId() == QMetaType::QString)
        return QStringLiteral("metin ") + v.toString();
    return QStringLiteral("sayı ") + QString::number(v.toDouble(), 'g', 7);
}

// Every file this process writes stops growing at `limit` bytes, as on a full disk.
struct FullDisk {
    rlimit saved{};
    explicit FullDisk(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &saved); }
};

enum class Fault { None, Stop, FullDisk };

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestJetImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { setJetInitialBindSize(64 * 1024); }
    void tablesRowsValues();
    void patchedCopy();
    void conversion_data();
    void conversion();
};

// Every table, its row count, its row order and every value of every kind (currency, dates,
// booleans, NULLs, "Umsätze" and its texts) against mdbtools' own reading, in copies patched
// for what the samples lack: byte 0xDD, İ in Windows-1254, and a date with a time of day.
// Texts longer than a short buffer make a table be read again with a larger one.
void TestJetImport::tablesRowsValues() {
    if (QStandardPaths::findExecutable(u"mdb-json"_qs).isEmpty())
        QSKIP("mdbtools is not installed");
    const Patch nwind = {{"Berguvsv", "\xDD" + QByteArray("erguvsv")}};
    const Patch dates = {
        {QByteArray::fromHex("0000000080BEE540"), QByteArray::fromHex("832DD80290BEE540")}};
    for (const auto &[file, patch, bindSize] : {std::tuple{"nwind.mdb", nwind, 64 * 1024},
                                                {"DateTestDatabase.mdb", dates, 64 * 1024},
                                                {"nwind.mdb", Patch(), 40}}) {
        setJetInitialBindSize(size_t(bindSize));
        QTemporaryDir dir;
        const QString source = copySample(QString::fromLatin1(file), dir.path(), {}, patch);
        const QString target = dir.filePath(u"yeni.db"_qs);
        const ImportReport report = importJet(source, target);

        const QStringList tables =
            QString::fromUtf8(mdb("mdb-tables", {"-1", source})).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(report.tables.size(), tables.size());
        Database db(target);
        for (qsizetype t = 0; t < tables.size(); ++t) {
            const QString &name = tables[t];
            const QString dateFormat = QStringLiteral("%Y-%m-%d %H:%M:%S");
            // One line per row.
            const QList<QByteArray> json =
                mdb("mdb-json", {"-D", dateFormat, "-T", dateFormat, source, name}).split('\n');
            QSqlQuery q(db.db());
            QVERIFY(q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(name)));
            qint64 n = 0;
            for (; q.next(); ++n) {
                const QJsonObject expectedRow = QJsonDocument::fromJson(json.value(n)).object();
                for (int k = 0; k < q.record().count(); ++k) {
                    const QString column = q.record().fieldName(k);
                    const QString where = QStringLiteral("%1/%2/%3: ").arg(name).arg(n).arg(column);
                    QCOMPARE(where + describe(q.value(k)),
                             where + describe(expectedValue(expectedRow.value(column))));
                }
            }
            QCOMPARE(n, json.size() - 1);
            QCOMPARE(report.tables[t].rowCount, n);
        }
    }
}

// Tables and columns named as the program's own, in other letter cases, get its schema. A
// binary value keeps its zero bytes (mdbtools' own reading cuts it there): Shippers.Phone's
// type byte turned from text (0x0A) to binary (0x09), with a zero byte in a value.
void TestJetImport::patchedCopy() {
    const QByteArray withZero = QByteArray::fromHex("283530332900353535") + "-9831";
    QTemporaryDir dir;
    const QString target = dir.filePath(u"yeni.db"_qs);
    importJet(copySample(u"nwind.mdb"_qs, dir.path(), {},
                         {{"Customers", "FATURALAR"},
                          {"Ums\xE4tze", "Musteri"},
                          {"CustomerID", "Adi_Soyadi"},
                          {"Region", "ADRESI"},
                          {"Country", "adresi2"},
                          {QByteArray::fromHex("0A02000100020000000904E4040200001800"),
                           QByteArray::fromHex("0902000100020000000904E4040200001800")},
                          {"(503) 555-9831", withZero}}),
              target);
    QCOMPARE(queryValue(target, u"SELECT group_concat(name) FROM sqlite_master"_qs),
             u"MUSTERI,faturalar,faturalar_faturano,musteri_sirano,musteri_adi_soyadi,Order "
             "Details,Orders,Products,Shippers,Categories,Employees,Suppliers"_qs);
    QCOMPARE(queryValue(target, u"SELECT adi_soyadi || '|' || ifnull(adresi, 'NULL') || '|' || "
                                "adresi2 || '|' || count(*) FROM faturalar"_qs),
             u"ALFKI|NULL|Germany|91"_qs);
    QCOMPARE(queryValue(target, u"SELECT hex(Phone) FROM Shippers WHERE ShipperID = 1"_qs),
             QString::fromLatin1(withZero.toHex().toUpper()));
}

void TestJetImport::conversion_data() {
    QTest::addColumn<QString>("how"); // convert (the program), import, or aktar (fatura-aktar)
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("text"); // a part of the error, or of what fatura-aktar printed
    QTest::addColumn<bool>("writes");
    QTest::addColumn<QStringList>("arguments"); // fatura-aktar's
    const auto row = [](const char *name, const char *how, Fault fault, int exitCode,
                        const char *text, bool writes = false, const QStringList &arguments = {}) {
        QTest::newRow(name) << QString::fromLatin1(how) << fault << exitCode
                            << QString::fromUtf8(text) << writes << arguments;
    };
    row("program: done", "convert", Fault::None, 0, "", true);
    // A write error names the file the user asked for, not a temporary one beside it.
    row("import: disk full", "import", Fault::FullDisk, 0, "%1/yeni.db");
    row("program: stopped", "convert", Fault::Stop, 0, "");
    row("aktar, no arguments", "aktar", Fault::None, 2, "Kullanım: fatura-aktar");
    row("aktar, target exists", "aktar", Fault::None, 1, "zaten var, üzerine yazılmaz: ", false,
        {"fatura.MDB", "fatura.MDB.eski"});
    row("aktar, Jet 3", "aktar", Fault::None, 0, "Aktarıldı (Jet 3): 9 tablo", true,
        {"fatura.MDB", "yeni.db"});
}

// The program moves the old file aside, to the first name not taken, only after a complete
// import, and the new file takes the old name. fatura-aktar prints what it brought over, or a
// message and an exit code. A failure leaves the folder exactly as it was.
void TestJetImport::conversion() {
    QFETCH(QString, how);
    QFETCH(Fault, fault);
    QFETCH(QString, text);
    QFETCH(bool, writes);
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    const QString source = copySample(u"nwind.mdb"_qs, dir.path(), u"fatura.MDB"_qs);
    for (const char *name : {"fatura.MDB.eski", "fatura.MDB.eski3"})
        writeFile(dir.filePath(QString::fromLatin1(name)), name);
    const auto before = folderContents(dir.path());
    const QString oldPath = dir.filePath(u"fatura.MDB.eski2"_qs);
    const QString target = dir.filePath(u"yeni.db"_qs);

    // While the import runs, the old file stays where it is, as it is.
    bool midway = false;
    bool untouched = true;
    const ImportProgress progress = [&](const QString &table, qint64 done, qint64) {
        midway = midway || (table == u"Orders" && done > 0);
        untouched = untouched && fileKind(source) == FileKind::Jet && !QFile::exists(oldPath);
        return !(fault == Fault::Stop && midway);
    };
    QString message;
    QString oldFile;
    if (how == u"aktar") {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(FATURA_AKTAR), arguments);
        QVERIFY(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit);
        QTEST(p.exitCode(), "exitCode");
        message = QString::fromUtf8(p.exitCode() == 0 ? p.readAllStandardOutput()
                                                      : p.readAllStandardError());
    } else {
        std::optional<FullDisk> fullDisk;
        if (fault == Fault::FullDisk)
            fullDisk.emplace(200 * 1024);
        message = testdb::thrownText([&] {
            if (how == u"convert")
                oldFile = convertJetDatabase(source, progress).oldFile;
            else
                importJet(source, target, progress);
        });
        fullDisk.reset();
        QVERIFY(untouched && midway);
    }
    QVERIFY2(message.contains(text.replace(u"%1"_qs, dir.path())) &&
                 !message.contains(target + u'.'),
             qPrintable(message));
    const auto after = folderContents(dir.path());
    if (!writes) {
        QVERIFY2(!message.isEmpty(), "the import did not fail");
        QCOMPARE(after, before);
    } else if (how == u"aktar") {
        QCOMPARE(fileKind(target), FileKind::SQLite);
    } else {
        QVERIFY2(message.isEmpty(), qPrintable(message));
        QCOMPARE(oldFile, oldPath);
        QCOMPARE(after.value(u"fatura.MDB.eski2"_qs), before.value(u"fatura.MDB"_qs));
        QCOMPARE(after.size(), before.size() + 1);
        QCOMPARE(queryValue(source, u"SELECT count(*) FROM \"Umsätze\""_qs), u"830"_qs);
    }
}

QTEST_GUILESS_MAIN(TestJetImport)
#include "test_jetimport.moc"
