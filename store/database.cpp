#include "store/database.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString newConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("fatura-%1").arg(++counter);
}

const char *const schemaStatements[] = {
    "CREATE TABLE MUSTERI (sirano INTEGER, adi_soyadi TEXT, adresi TEXT, adresi2 TEXT, "
    "vergidaire_no TEXT)",
    "CREATE TABLE faturalar (musterino TEXT, adi_soyadi TEXT, adresi TEXT, adresi2 TEXT, "
    "vergidaire_no TEXT, kdvdahil INTEGER, fatura_tarihi TEXT, irsaliye_no TEXT, "
    "irsaliye_tarihi TEXT, faturano INTEGER, miktar REAL, aciklama TEXT, iskonto TEXT, "
    "br_fiyat TEXT, tutar TEXT)",
    "CREATE INDEX faturalar_faturano ON faturalar(faturano)",
    "CREATE INDEX musteri_sirano ON MUSTERI(sirano)",
    "CREATE INDEX musteri_adi_soyadi ON MUSTERI(adi_soyadi)",
};

// Writable for this program: the system allows it and the file is not marked read-only
// for everyone. The second test keeps a read-only mark meaningful for the superuser too,
// whom the system would let write anyway.
bool canWrite(const QFileInfo &info) {
    const auto writePermissions =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.isWritable() && (info.permissions() & writePermissions);
}

// A write cut short (the program killed, the power gone) leaves its journal beside the file,
// and only a connection that may write can roll it back: a read-only one refuses the file.
// Let a writing connection do that first; if it cannot, the read reports the failure.
void rollBackInterruptedWrite(const QString &path) {
    const QFileInfo info(path);
    if (!QFileInfo::exists(path + QStringLiteral("-journal")) || !canWrite(info) ||
        !canWrite(QFileInfo(info.absolutePath())))
        return;
    const QString connection = newConnectionName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open()) {
            // The first read of the file is what rolls the journal back.
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace

DatabaseError::DatabaseError(const QString &message)
    : std::runtime_error(message.toStdString()) {}

QString DatabaseError::message() const {
    return QString::fromUtf8(what());
}

FileKind fileKind(const QString &path) {
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return FileKind::Missing;
    const QByteArray head = f.read(32);
    if (head.isEmpty())
        return FileKind::Empty;
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return FileKind::SQLite;
    // Jet 3/4 and ACE files carry their engine's name at byte 4.
    const QByteArray signature = head.mid(4, 15);
    if (signature == "Standard Jet DB" || signature == "Standard ACE DB")
        return FileKind::Jet;
    return FileKind::Unknown;
}

QString databasePath(const QString &settingsValue) {
    const QString path = settingsValue.trimmed();
    return path.isEmpty() ? QStringLiteral("fatura.MDB") : path;
}

QString nonNullText(const QString &s) {
    return s.isNull() ? QStringLiteral("") : s;
}

Database::Database(const QString &path, Access access)
    : m_path(path)
    , m_connection(newConnectionName()) {
    switch (fileKind(path)) {
    case FileKind::Missing:
        if (QFileInfo(path).isFile())
            throw DatabaseError(QStringLiteral("Veritabanı okunamıyor: %1").arg(path));
        throw DatabaseError(QStringLiteral("Veritabanı bulunamadı: %1").arg(path));
    case FileKind::Jet:
        throw DatabaseError(
            QStringLiteral("Bu veritabanı eski biçimde (Access/Jet): %1\n"
                           "Önce aktarılması gerekir: programı yeniden açın ve aktarmayı "
                           "onaylayın ya da fatura-aktar aracını kullanın.")
                .arg(path));
    case FileKind::Empty:
    case FileKind::Unknown:
        throw DatabaseError(QStringLiteral("Bu dosya bir veritabanı değil: %1").arg(path));
    case FileKind::SQLite:
        break;
    }
    if (access == Access::Write) {
        // SQLite writes its journal beside the file, so the folder must be writable too.
        const QFileInfo info(path);
        if (!canWrite(info))
            throw DatabaseError(
                QStringLiteral("Veritabanına yazılamıyor (salt okunur): %1").arg(path));
        if (!canWrite(QFileInfo(info.absolutePath())))
            throw DatabaseError(QStringLiteral("Veritabanının bulunduğu klasöre yazılamıyor: %1")
                                    .arg(info.absolutePath()));
    }
    if (access == Access::Read)
        rollBackInterruptedWrite(path);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_db.setDatabaseName(path);
    if (access == Access::Read)
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    else
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open()) {
        const QString text = m_db.lastError().text();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw DatabaseError(QStringLiteral("Veritabanı açılamadı: %1\n%2").arg(path, text));
    }
    // A file with an SQLite header can still be damaged; find out now, not mid-operation.
    // The busy timeout above is the wait for a lock another program holds.
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QSqlError error = q.lastError();
        q = QSqlQuery();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        if (lockedByAnother(error))
            throw DatabaseError(inUseMessage(path));
        throw DatabaseError(QStringLiteral("Bu dosya bir veritabanı değil ya da bozuk: %1\n%2")
                                .arg(path, error.text()));
    }
}

Database::~Database() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

void Database::requireTable(const QString &table) {
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral(
        "SELECT 1 FROM sqlite_master WHERE type IN ('table','view') AND name = ? COLLATE NOCASE"));
    q.addBindValue(table);
    if (!q.exec())
        fail(QStringLiteral("tablo aranırken"), q.lastError());
    if (!q.next())
        throw DatabaseError(QStringLiteral("Veritabanında %1 tablosu yok: %2").arg(table, m_path));
}

void Database::requireColumns(const QString &table, const QStringList &columns) {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)")))
        fail(QStringLiteral("tablo okunurken"), q.lastError());
    q.addBindValue(table);
    if (!q.exec())
        fail(QStringLiteral("tablo okunurken"), q.lastError());
    QStringList existing;
    while (q.next())
        existing << q.value(0).toString();
    if (existing.isEmpty())
        throw DatabaseError(QStringLiteral("Veritabanında %1 tablosu yok: %2").arg(table, m_path));
    for (const QString &column : columns) {
        if (!existing.contains(column, Qt::CaseInsensitive))
            throw DatabaseError(QStringLiteral("Veritabanının %1 tablosunda %2 sütunu yok: %3")
                                    .arg(table, column, m_path));
    }
}

void Database::fail(const QString &activity, const QString &engineText) const {
    throw DatabaseError(
        QStringLiteral("Veritabanı hatası (%1): %2\n%3").arg(activity, m_path, engineText));
}

void Database::fail(const QString &activity, const QSqlError &error) const {
    if (lockedByAnother(error))
        throw DatabaseError(inUseMessage(m_path));
    fail(activity, error.text());
}

bool lockedByAnother(const QSqlError &error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    // SQLITE_BUSY (5) and SQLITE_LOCKED (6), with or without their extended codes.
    return ok && ((code & 0xff) == 5 || (code & 0xff) == 6);
}

QString inUseMessage(const QString &path) {
    return QStringLiteral("Veritabanı şu anda başka bir program tarafından kullanılıyor: %1")
        .arg(path);
}

void Database::begin() {
    if (!m_db.transaction())
        fail(QStringLiteral("işlem başlatılırken"), m_db.lastError());
    m_inTransaction = true;
}

void Database::commit() {
    m_inTransaction = false;
    if (!m_db.commit()) {
        const QSqlError error = m_db.lastError();
        m_db.rollback();
        fail(QStringLiteral("kayıt tamamlanırken"), error);
    }
}

void Database::rollback() {
    m_inTransaction = false;
    m_db.rollback();
}

void createDatabase(const QString &path) {
    if (QFileInfo::exists(path))
        throw DatabaseError(QStringLiteral("Bu adda bir dosya zaten var: %1").arg(path));
    const QString connection = newConnectionName();
    QString errorText;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (!db.open()) {
            errorText = db.lastError().text();
        } else {
            QSqlQuery q(db);
            db.transaction();
            for (const char *statement : schemaStatements) {
                if (!q.exec(QString::fromLatin1(statement))) {
                    errorText = q.lastError().text();
                    break;
                }
            }
            if (errorText.isEmpty() && !db.commit())
                errorText = db.lastError().text();
            q = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!errorText.isEmpty()) {
        QFile::remove(path);
        throw DatabaseError(
            QStringLiteral("Veritabanı oluşturulamadı: %1\n%2").arg(path, errorText));
    }
}

QSqlQuery run(Database &db, const QString &sql, const QVariantList &values,
              const QString &activity) {
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        db.fail(activity, q.lastError());
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        db.fail(activity, q.lastError());
    return q;
}

QString sqlIdentifier(const QString &name) {
    QString s = name;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}
