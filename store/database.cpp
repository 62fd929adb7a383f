#include "store/database.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

#include <optional>
#include <utility>
#include <vector>

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

// The same tables on PostgreSQL: whole numbers of 64 bits, REAL as SQLite's 8-byte float,
// and, last so that a row written without naming columns still fits, the key that keeps
// the order rows were added in.
const char *const serverSchemaStatements[] = {
    "CREATE TABLE MUSTERI (sirano bigint, adi_soyadi text, adresi text, adresi2 text, "
    "vergidaire_no text, kayit_no bigserial PRIMARY KEY)",
    "CREATE TABLE faturalar (musterino text, adi_soyadi text, adresi text, adresi2 text, "
    "vergidaire_no text, kdvdahil integer, fatura_tarihi text, irsaliye_no text, "
    "irsaliye_tarihi text, faturano bigint, miktar double precision, aciklama text, "
    "iskonto text, br_fiyat text, tutar text, kayit_no bigserial PRIMARY KEY)",
    "CREATE INDEX faturalar_faturano ON faturalar(faturano)",
    "CREATE INDEX musteri_sirano ON MUSTERI(sirano)",
    "CREATE INDEX musteri_adi_soyadi ON MUSTERI(adi_soyadi)",
};

const QString serverRowKey = QStringLiteral("kayit_no");

void closeConnection(const QString &name) {
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

// Server connections of this thread left open after use, for the next Database on the same
// address: a new one costs the server a process of its own and some 20 ms, and opening one
// window takes several in a row. Qt ties a connection to the thread that made it.
struct IdleConnection {
    QString key;
    QString name;
};
struct IdleConnections : std::vector<IdleConnection> {
    IdleConnections() = default;
    IdleConnections(const IdleConnections &) = delete;
    IdleConnections &operator=(const IdleConnections &) = delete;
    // A thread that ends closes its own; the main thread's are gone by then (see below),
    // and without the application the driver may be gone too.
    ~IdleConnections() {
        if (QCoreApplication::instance())
            for (const IdleConnection &c : *this)
                closeConnection(c.name);
    }
};
thread_local IdleConnections idleConnections;
constexpr std::size_t maxIdleConnections = 4;

QString idleKey(const QString &address, Database::Access access) {
    return address + (access == Database::Access::Write ? u"\nw"_qs : u"\nr"_qs);
}

// An address split as a URL: scheme://user@host:port/database?query. A password typed into
// it may hold any character, '@', '/' and '?' included, so the split is made to find all of
// it: a password in the query first (up to the next parameter the program knows), then the
// user information, which ends at the last '@'.
struct AddressParts {
    QString scheme;                 // "postgresql://" as typed; empty when there is none
    std::optional<QString> user;    // as typed, up to a password
    bool passwordAfterUser = false; // user:password, or user%3Apassword
    bool passwordInQuery = false;   // ?password=...
    QString rest;                   // host, port, database and query; a password as ***
};

AddressParts splitAddress(const QString &address) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    static const QRegularExpression queryPassword(
        QStringLiteral("([?&]password=).*?(?=&(?:host|port|password)=|\\z)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    // libpq takes the user name up to the first ':'; one written as %3A makes the rest a
    // password just the same, typed where the user name should be.
    static const QRegularExpression userEnd(QStringLiteral(":|%3A"),
                                            QRegularExpression::CaseInsensitiveOption);
    AddressParts p;
    const QString text = address.trimmed();
    const QRegularExpressionMatch m = scheme.match(text);
    if (!m.hasMatch()) {
        p.rest = text;
        return p;
    }
    p.scheme = m.captured();
    QString rest = text.mid(p.scheme.size());
    if (rest.contains(queryPassword)) {
        p.passwordInQuery = true;
        rest.replace(queryPassword, QStringLiteral("\\1***"));
    }
    const qsizetype at = rest.lastIndexOf(u'@');
    if (at >= 0) {
        QString user = rest.left(at);
        rest.remove(0, at + 1);
        const qsizetype end = user.indexOf(userEnd);
        if (end >= 0) {
            p.passwordAfterUser = true;
            user.truncate(end);
        }
        p.user = user;
    }
    // A parameter's name may be percent-encoded too: libpq decodes it.
    const qsizetype query = rest.indexOf(u'?');
    if (query >= 0) {
        QStringList items = rest.mid(query + 1).split(u'&');
        for (QString &item : items) {
            const qsizetype equals = item.indexOf(u'=');
            if (equals > 0 &&
                QUrl::fromPercentEncoding(item.left(equals).toUtf8())
                        .compare(QLatin1String("password"), Qt::CaseInsensitive) == 0) {
                p.passwordInQuery = true;
                item = item.left(equals + 1) + QStringLiteral("***");
            }
        }
        rest = rest.left(query + 1) + items.join(u'&');
    }
    p.rest = rest;
    return p;
}

QString shownAddress(const AddressParts &p) {
    QString shown = p.scheme;
    if (p.user)
        shown += *p.user + (p.passwordAfterUser ? QStringLiteral(":***@") : QStringLiteral("@"));
    return shown + p.rest;
}

QString addressFormatMessage(const QString &shown) {
    return QStringLiteral("Veritabanı adresi geçersiz: %1\n"
                          "Biçimi: postgresql://kullanıcı@sunucu:port/veritabanı")
        .arg(shown);
}

QString passwordMessage(const QString &shown) {
    return QStringLiteral("Veritabanı adresinde parola olmamalı: %1\n"
                          "Parola ~/.pgpass dosyasında ya da PGPASSWORD ortam değişkeninde "
                          "tutulur.")
        .arg(shown);
}

// The SQLSTATEs of a lock that was not granted in time, a deadlock and a serialization
// failure: another PC is writing the same rows.
bool serverLockFailure(const QSqlError &error) {
    const QString state = error.nativeErrorCode();
    return state == u"55P03" || state == u"40P01" || state == u"40001";
}

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

bool isServerAddress(const QString &path) {
    const QString p = path.trimmed();
    return p.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           p.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString shownAddress(const QString &address) {
    return shownAddress(splitAddress(address));
}

ServerAddress serverAddress(const QString &address) {
    const AddressParts p = splitAddress(address);
    const QString shown = shownAddress(p);
    if (p.passwordAfterUser || p.passwordInQuery)
        throw DatabaseError(passwordMessage(shown));
    static const QRegularExpression postgres(QStringLiteral("^postgres(?:ql)?://$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression form(QStringLiteral("^([^/?#]*)/([^/?#]+)(?:\\?(.*))?$"));
    static const QRegularExpression notInUser(QStringLiteral("[/?#]"));
    const QRegularExpressionMatch m = form.match(p.rest);
    if (!postgres.match(p.scheme).hasMatch() || !m.hasMatch() ||
        (p.user && p.user->contains(notInUser)))
        throw DatabaseError(addressFormatMessage(shown));
    const auto decoded = [](const QString &s) { return QUrl::fromPercentEncoding(s.toUtf8()); };
    ServerAddress a;
    a.user = decoded(p.user.value_or(QString()));
    QString hostPort = m.captured(1);
    QString port;
    const qsizetype colon = hostPort.lastIndexOf(u':');
    if (colon >= 0 && !hostPort.endsWith(u']')) {
        port = hostPort.mid(colon + 1);
        hostPort.truncate(colon);
    }
    a.host = decoded(hostPort);
    if (a.host.startsWith(u'[') && a.host.endsWith(u']'))
        a.host = a.host.mid(1, a.host.size() - 2);
    a.database = decoded(m.captured(2));
    const QUrlQuery query(m.captured(3));
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == u"host")
            a.host = value;
        else if (key == u"port")
            port = value;
        else
            throw DatabaseError(addressFormatMessage(shown));
    }
    if (!port.isEmpty()) {
        bool ok = false;
        a.port = port.toInt(&ok);
        if (!ok || a.port <= 0 || a.port > 65535)
            throw DatabaseError(addressFormatMessage(shown));
    }
    return a;
}

QString serverAddressProblem(const QString &address) {
    const AddressParts p = splitAddress(address);
    // A password goes nowhere, even in a text mistyped as another kind of address.
    if (!p.scheme.isEmpty() && (p.passwordAfterUser || p.passwordInQuery))
        return passwordMessage(shownAddress(p));
    if (!isServerAddress(address))
        return QString();
    try {
        serverAddress(address);
    } catch (const DatabaseError &e) {
        return e.message();
    }
    return QString();
}

Database::Database(const QString &path, Access access)
    : m_path(path)
    , m_connection(newConnectionName())
    , m_access(access) {
    if (isServerAddress(path)) {
        m_path = path.trimmed();
        m_engine = Engine::PostgreSQL;
        if (!reuseIdleConnection())
            openServer(access);
        return;
    }
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

void Database::openServer(Access access) {
    const ServerAddress a = serverAddress(m_path);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    QString problem;
    if (!m_db.isValid()) {
        problem = QStringLiteral("PostgreSQL sürücüsü (libqt6sql6-psql) kurulu değil; "
                                 "veritabanına bağlanılamadı: %1")
                      .arg(m_path);
    } else {
        m_db.setHostName(a.host);
        m_db.setPort(a.port);
        m_db.setUserName(a.user);
        m_db.setDatabaseName(a.database);
        // A server gone from the network must not hold the window for the minutes TCP would
        // wait: a send unanswered for 10 s, or silence for about a minute, ends the connection
        // (a kept one is then made anew).
        m_db.setConnectOptions(QStringLiteral("connect_timeout=5;tcp_user_timeout=10000;"
                                              "keepalives_idle=30;keepalives_interval=10;"
                                              "keepalives_count=3"));
        if (!m_db.open()) {
            const QString text = m_db.lastError().databaseText().trimmed();
            if (text.contains(QLatin1String("authentication")) ||
                text.contains(QLatin1String("no password supplied")) ||
                text.contains(QLatin1String("pg_hba.conf")) ||
                (text.contains(QLatin1String("role \"")) &&
                 text.contains(QLatin1String("does not exist"))))
                problem = QStringLiteral("Veritabanı sunucusu girişi kabul etmedi: %1\n"
                                         "Kullanıcı adını ve parolayı (~/.pgpass ya da "
                                         "PGPASSWORD) denetleyin.\n%2")
                              .arg(m_path, text);
            else if (text.contains(QLatin1String("database \"")) &&
                     text.contains(QLatin1String("does not exist")))
                problem = QStringLiteral("Veritabanı bulunamadı: %1\n%2").arg(m_path, text);
            else
                problem =
                    QStringLiteral("Veritabanı sunucusuna bağlanılamadı: %1\n%2").arg(m_path, text);
        }
    }
    if (problem.isEmpty()) {
        // The same wait for another writer as SQLite's busy timeout; notices of CREATE ...
        // IF NOT EXISTS are no news for the user.
        QSqlQuery q(m_db);
        QStringList settings = {QStringLiteral("SET lock_timeout = '5s'"),
                                QStringLiteral("SET client_min_messages = warning")};
        if (access == Access::Read)
            settings << QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY");
        for (const QString &statement : settings) {
            if (!q.exec(statement)) {
                problem = QStringLiteral("Veritabanı sunucusuna bağlanılamadı: %1\n%2")
                              .arg(m_path, q.lastError().text());
                break;
            }
        }
    }
    if (!problem.isEmpty()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw DatabaseError(problem);
    }
}

QString Database::rowKey() const {
    return m_engine == Engine::PostgreSQL ? serverRowKey : QStringLiteral("rowid");
}

QString Database::keyColumnDefinition() const {
    return m_engine == Engine::PostgreSQL
               ? QStringLiteral(", %1 bigserial PRIMARY KEY").arg(serverRowKey)
               : QString();
}

QString Database::integerType() const {
    return m_engine == Engine::PostgreSQL ? QStringLiteral("bigint") : QStringLiteral("INTEGER");
}

QString Database::realType() const {
    return m_engine == Engine::PostgreSQL ? QStringLiteral("double precision")
                                          : QStringLiteral("REAL");
}

QString Database::binaryCollation() const {
    return m_engine == Engine::PostgreSQL ? QStringLiteral("COLLATE \"C\"")
                                          : QStringLiteral("COLLATE BINARY");
}

QStringList Database::tableNames() {
    // sqlite_master lists tables in the order they were made, as do the oids of pg_class
    // (until they wrap, far beyond the tables of one set of books).
    const QString sql =
        m_engine == Engine::PostgreSQL
            ? QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n ON "
                             "n.oid = c.relnamespace WHERE c.relkind IN ('r', 'p') AND "
                             "n.nspname = current_schema() ORDER BY c.oid")
            : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    QSqlQuery q = run(*this, sql, {}, QStringLiteral("tablolar okunurken"));
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

void Database::lockNumber(const QString &table, qint64 number) {
    if (m_engine != Engine::PostgreSQL)
        return;
    // Two 32-bit keys, the same in every process: the table's checksum and the number folded
    // into 32 bits. Two numbers that fold alike only wait for each other.
    const int tableKey = int(qChecksum(table.toLower().toUtf8()));
    const int numberKey = int(quint32(quint64(number) ^ (quint64(number) >> 32)));
    run(*this, QStringLiteral("SELECT pg_advisory_xact_lock(?, ?)"), {tableKey, numberKey},
        QStringLiteral("%1 numarası ayrılırken").arg(number));
}

bool Database::reuseIdleConnection() {
    const QString key = idleKey(m_path, m_access);
    for (auto it = idleConnections.begin(); it != idleConnections.end(); ++it) {
        if (it->key != key)
            continue;
        const QString name = it->name;
        idleConnections.erase(it);
        QSqlDatabase db = QSqlDatabase::database(name, false);
        // The server may have ended the session meanwhile (restarted, idle timeout).
        if (db.isOpen() && QSqlQuery(db).exec(QStringLiteral("SELECT 1"))) {
            m_connection = name;
            m_db = db;
            return true;
        }
        db = QSqlDatabase();
        closeConnection(name);
        return false;
    }
    return false;
}

Database::~Database() {
    if (m_engine == Engine::PostgreSQL && m_db.isOpen() && !m_inTransaction) {
        m_db = QSqlDatabase();
        // Closed as the application goes, while the driver is still there. Only the main
        // thread's: another thread's connections go with that thread.
        static bool registered = false; // touched by the main thread only
        if (QCoreApplication::instance() &&
            QThread::currentThread() == QCoreApplication::instance()->thread() &&
            !std::exchange(registered, true))
            qAddPostRoutine(closeIdleServerConnections);
        idleConnections.push_back({idleKey(m_path, m_access), m_connection});
        if (idleConnections.size() > maxIdleConnections) {
            closeConnection(idleConnections.front().name);
            idleConnections.erase(idleConnections.begin());
        }
        return;
    }
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

void Database::updateStatistics() {
    if (m_engine != Engine::PostgreSQL)
        return;
    QStringList tables;
    for (const QString &table : tableNames())
        tables << sqlIdentifier(table);
    if (!tables.isEmpty())
        run(*this, QStringLiteral("ANALYZE ") + tables.join(QStringLiteral(", ")), {},
            QStringLiteral("istatistikler yenilenirken"));
}

namespace {

// Where a server's table is: as its name is spelled, or folded to lower case as an unquoted
// name in a query is, both as the queries resolve them. The name goes in as a literal the
// driver escapes, so that the question takes one round trip rather than the three of a
// prepared statement: it is asked on every read.
QString serverTableCondition(const QSqlDatabase &db, const QString &table) {
    QSqlField name(QString(), QMetaType(QMetaType::QString));
    name.setValue(table);
    const QString literal = db.driver()->formatValue(name);
    return QStringLiteral("c.relkind IN ('r', 'p', 'v') AND c.oid IN "
                          "(to_regclass(quote_ident(%1)), to_regclass(quote_ident(lower(%1))))")
        .arg(literal);
}

} // namespace

bool Database::hasTable(const QString &table) {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    bool done = false;
    if (m_engine == Engine::PostgreSQL) {
        done = q.exec(QStringLiteral("SELECT 1 FROM pg_class c WHERE ") +
                      serverTableCondition(m_db, table));
    } else {
        done = q.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type IN "
                                        "('table','view') AND name = ? COLLATE NOCASE"));
        q.addBindValue(table);
        done = done && q.exec();
    }
    if (!done)
        fail(QStringLiteral("tablo aranırken"), q.lastError());
    return q.next();
}

void Database::requireTable(const QString &table) {
    if (!hasTable(table))
        throw DatabaseError(QStringLiteral("Veritabanında %1 tablosu yok: %2").arg(table, m_path));
}

void Database::requireColumns(const QString &table, const QStringList &columns) {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    bool done = false;
    if (m_engine == Engine::PostgreSQL) {
        done = q.exec(QStringLiteral("SELECT a.attname FROM pg_attribute a JOIN pg_class c ON "
                                     "c.oid = a.attrelid WHERE a.attnum > 0 AND NOT "
                                     "a.attisdropped AND ") +
                      serverTableCondition(m_db, table));
    } else {
        done = q.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)"));
        q.addBindValue(table);
        done = done && q.exec();
    }
    if (!done)
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
    if (m_engine == Engine::PostgreSQL ? serverLockFailure(error) : lockedByAnother(error))
        throw DatabaseError(inUseMessage(m_path));
    fail(activity, error.text());
}

void closeIdleServerConnections() {
    std::vector<IdleConnection> all;
    all.swap(idleConnections);
    for (const IdleConnection &c : all)
        closeConnection(c.name);
}

bool lockedByAnother(const QSqlError &error) {
    if (serverLockFailure(error))
        return true;
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
    if (m_engine == Engine::SQLite && m_access == Access::Write) {
        // A transaction that reads first and writes later asks to turn its read lock into
        // the write lock while another program may be writing, and SQLite refuses that at
        // once rather than wait, since the two would wait for each other. Taking the write
        // lock at the start waits for the other writer like any busy file.
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
            fail(QStringLiteral("işlem başlatılırken"), q.lastError());
    } else if (!m_db.transaction()) {
        fail(QStringLiteral("işlem başlatılırken"), m_db.lastError());
    }
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
    if (isServerAddress(path)) {
        Database db(path, Database::Access::Write);
        db.transaction([&] {
            for (const QString &table : db.tableNames())
                if (!table.compare(QLatin1String("musteri"), Qt::CaseInsensitive) ||
                    !table.compare(QLatin1String("faturalar"), Qt::CaseInsensitive))
                    throw DatabaseError(
                        QStringLiteral("Bu veritabanında faturaların tabloları zaten var: %1")
                            .arg(db.path()));
            createTables(db);
        });
        return;
    }
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

void createTables(Database &db) {
    const auto runAll = [&db](const auto &statements) {
        for (const char *statement : statements)
            run(db, QString::fromLatin1(statement), {},
                QStringLiteral("veritabanı oluşturulurken"));
    };
    if (db.engine() == Engine::PostgreSQL)
        runAll(serverSchemaStatements);
    else
        runAll(schemaStatements);
}

QSqlQuery run(Database &db, const QString &sql, const QVariantList &values,
              const QString &activity) {
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    // PostgreSQL prepares only queries and changes of rows, never CREATE or SET; a statement
    // without values needs no preparing.
    if (db.engine() == Engine::PostgreSQL && values.isEmpty()) {
        if (!q.exec(sql))
            db.fail(activity, q.lastError());
        return q;
    }
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
