#include "store/jetimport.h"
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
// many others, so the file's layout holds; `length` cuts the copy short.
QString copySample(const QString &name, const QString &folder, const QString &targetName = {},
                   const Patch &patch = {}, qsizetype length = -1) {
    QByteArray data = fileBytes(QStringLiteral(FATURA_ACCESS_SAMPLES "/") + name);
    if (data.isEmpty())
        qFatal("Cannot read %s", qPrintable(name));
    for (const auto &[from, to] : patch) {
        if (from.size() != to.size() || !data.contains(from))
            qFatal("Patch does not apply: %s", from.constData());
        data.replace(from, to);
    }
    const QString path = QDir(folder).filePath(targetName.isEmpty() ? name : targetName);
    writeFile(path, length < 0 ? data : data.left(length));
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

QVariant queryValue(const QString &path, const QString &sql) {
    return testdb::queryRows(path, sql).value(0).value(0);
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

enum class Fault { None, Stop, FullDisk, TruncatedSource };

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestJetImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { setJetInitialBindSize(64 * 1024); }
    void tablesRowsValues_data();
    void tablesRowsValues();
    void patchedValues();
    void conversion_data();
    void conversion();
};

void TestJetImport::tablesRowsValues_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("bindSize");
    QTest::newRow("Jet 3") << "nwind.mdb" << 64 * 1024;
    QTest::newRow("Jet 4") << "DateTestDatabase.mdb" << 64 * 1024;
    // Texts longer than the buffer: tables are read again with larger ones.
    QTest::newRow("Jet 3, short buffer") << "nwind.mdb" << 40;
}

// Every table, its row count, its row order and every value of every kind (currency, dates,
// booleans, NULLs, "Umsätze" and its texts) against mdbtools' own reading.
void TestJetImport::tablesRowsValues() {
    QFETCH(QString, file);
    QFETCH(int, bindSize);
    if (QStandardPaths::findExecutable(QStringLiteral("mdb-json")).isEmpty())
        QSKIP("mdbtools is not installed");
    setJetInitialBindSize(size_t(bindSize));
    QTemporaryDir dir;
    const QString source = copySample(file, dir.path());
    const QString target = dir.filePath(QStringLiteral("yeni.db"));
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

// What the samples lack, brought by patched copies: one import serves every query of a copy.
void TestJetImport::patchedValues() {
    const QByteArray withZero = QByteArray::fromHex("283530332900353535") + "-9831";
    const struct {
        const char *file;
        Patch patch;
        QList<std::pair<const char *, QVariant>> queries; // SQL, value
    } copies[] = {
        // Byte 0xDD is İ in Windows-1254. Shippers.Phone's type byte turned from text (0x0A)
        // to binary (0x09), with a zero byte in a value.
        {"nwind.mdb",
         {{"Berguvsv", "\xDD" + QByteArray("erguvsv")},
          {QByteArray::fromHex("0A02000100020000000904E4040200001800"),
           QByteArray::fromHex("0902000100020000000904E4040200001800")},
          {"(503) 555-9831", withZero}},
         {{"SELECT Address FROM Customers WHERE CustomerID = 'BERGS'", "İerguvsvägen  8"},
          {"SELECT hex(Phone) FROM Shippers WHERE ShipperID = 1",
           QString::fromLatin1(withZero.toHex().toUpper())}}},
        // A date with a time of day.
        {"DateTestDatabase.mdb",
         {{QByteArray::fromHex("0000000080BEE540"), QByteArray::fromHex("832DD80290BEE540")}},
         {{"SELECT DateTimeCol FROM DateTest WHERE IDCol = 1", "2021-12-02 12:00:30"}}},
        // Tables and columns named as the program's own, in other letter cases, get its schema.
        {"nwind.mdb",
         {{"Customers", "FATURALAR"},
          {"Ums\xE4tze", "Musteri"},
          {"CustomerID", "Adi_Soyadi"},
          {"Region", "ADRESI"},
          {"Country", "adresi2"}},
         {{"SELECT group_concat(name) FROM sqlite_master",
           "MUSTERI,faturalar,faturalar_faturano,musteri_sirano,musteri_adi_soyadi,"
           "Order Details,Orders,Products,Shippers,Categories,Employees,Suppliers"},
          {"SELECT adi_soyadi || '|' || ifnull(adresi, 'NULL') || '|' || adresi2 || '|' || "
           "count(*) FROM faturalar",
           "ALFKI|NULL|Germany|91"}}}};
    for (const auto &k : copies) {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("yeni.db"));
        importJet(copySample(QString::fromLatin1(k.file), dir.path(), {}, k.patch), target);
        for (const auto &[sql, value] : k.queries) {
            const QVariant v = queryValue(target, QString::fromUtf8(sql));
            QVERIFY2(v == value, qPrintable(QString::fromUtf8(sql) + u" -> "_qs + v.toString()));
        }
    }
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
    const char *const kept = "Eski dosya olduğu gibi duruyor";
    row("program: done", "convert", Fault::None, 0, "", true);
    // A write error names the file the user asked for, not a temporary one beside it.
    row("import: disk full", "import", Fault::FullDisk, 0, "%1/yeni.db");
    row("program: stopped", "convert", Fault::Stop, 0, "");
    row("program: disk full", "convert", Fault::FullDisk, 0, kept);
    row("program: source cut short", "convert", Fault::TruncatedSource, 0, kept);
    row("aktar --yardim", "aktar", Fault::None, 0, "üzerine asla yazılmaz", false, {"--yardim"});
    row("aktar, no arguments", "aktar", Fault::None, 2, "Kullanım: fatura-aktar");
    row("aktar, no source", "aktar", Fault::None, 1, "bulunamadı", false, {"yok.mdb", "yeni.db"});
    row("aktar, not Jet", "aktar", Fault::None, 1, "Access (Jet) veritabanı değil", false,
        {"fatura.MDB.eski", "yeni.db"});
    row("aktar, target exists", "aktar", Fault::None, 1, "zaten var, üzerine yazılmaz: ", false,
        {"fatura.MDB", "fatura.MDB.eski"});
    row("aktar, Jet 3", "aktar", Fault::None, 0, "Umsätze: 830 satır", true,
        {"fatura.MDB", "yeni.db"});
}

// The program moves the old file aside, to the first name not taken, only after a complete
// import, and the new file takes the old name. fatura-aktar prints a line per table with its
// row count, or a message and an exit code. A failure leaves the folder exactly as it was.
void TestJetImport::conversion() {
    QFETCH(QString, how);
    QFETCH(Fault, fault);
    QFETCH(QString, text);
    QFETCH(bool, writes);
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    const QString source = copySample(QStringLiteral("nwind.mdb"), dir.path(), u"fatura.MDB"_qs, {},
                                      fault == Fault::TruncatedSource ? 1000000 : -1);
    for (const char *name : {"fatura.MDB.eski", "fatura.MDB.eski3"})
        writeFile(dir.filePath(QString::fromLatin1(name)), name);
    const auto before = folderContents(dir.path());
    const QString oldPath = dir.filePath(QStringLiteral("fatura.MDB.eski2"));
    const QString target = dir.filePath(QStringLiteral("yeni.db"));

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
        try {
            if (how == u"convert")
                oldFile = convertJetDatabase(source, progress).oldFile;
            else
                importJet(source, target, progress);
        } catch (const DatabaseError &e) {
            message = e.message();
        }
        fullDisk.reset();
        QVERIFY(untouched && (midway || fault == Fault::TruncatedSource));
    }
    QVERIFY2(message.contains(text.replace(u"%1"_qs, dir.path())) &&
                 !message.contains(target + u'.'),
             qPrintable(message));
    static const QRegularExpression tableLine(u"^[^:\\n]+: \\d+ satır$"_qs,
                                              QRegularExpression::MultilineOption);
    QCOMPARE(int(message.count(tableLine)), how == u"aktar" && writes ? 9 : 0);
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
        QCOMPARE(queryValue(source, QStringLiteral("SELECT count(*) FROM \"Umsätze\"")),
                 QVariant(830));
    }
}

QTEST_GUILESS_MAIN(TestJetImport)
#include "test_jetimport.moc"
