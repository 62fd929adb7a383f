#include "earsiv/userlist.h"

#include "earsiv/export.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>
#include <QTextCodec>
#include <QXmlStreamReader>

#include <memory>

namespace {

constexpr int staleAfterDays = 7;

QString dateText(const QDate &d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

QString countText(qint64 n) {
    return QLocale(QLocale::Turkish, QLocale::Turkey).toString(n);
}

bool validId(const QString &id) {
    if (id.size() != 10 && id.size() != 11)
        return false;
    for (QChar c : id)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// Reads users one after another from an open list file.
class Reader {
public:
    Reader(const QString &path, QFile &file)
        : m_path(path)
        , m_file(file) {}
    virtual ~Reader() = default;
    // The next user; false after the last. Throws EArsivError.
    virtual bool next(RegisteredUser &user) = 0;

protected:
    [[noreturn]] void fail(qint64 line, const QString &what) const {
        throw EArsivError(QStringLiteral("e-Fatura kullanıcı listesi okunamadı: %1, %2. satır: %3")
                              .arg(m_path)
                              .arg(line)
                              .arg(what));
    }
    void check(qint64 line, const RegisteredUser &u) const {
        if (!validId(u.id))
            fail(line, QStringLiteral("VKN ya da TCKN 10 ya da 11 haneli bir sayı olmalıdır, "
                                      "\"%1\" yazıyor.")
                           .arg(u.id));
    }

    QString m_path;
    QFile &m_file;
};

class XmlReader : public Reader {
public:
    XmlReader(const QString &path, QFile &file)
        : Reader(path, file)
        , m_xml(&file) {}

    bool next(RegisteredUser &u) override {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement() && m_xml.name() == u"User") {
                const qint64 line = m_xml.lineNumber();
                if (readUser(u)) {
                    check(line, u);
                    return true;
                }
            }
        }
        if (m_xml.hasError())
            fail(m_xml.lineNumber(),
                 QStringLiteral("XML bozuk ya da yarım (%1).").arg(m_xml.errorString()));
        return false;
    }

private:
    // The user that ends at its </User>; false for one that has no open e-Fatura mailbox.
    bool readUser(RegisteredUser &u) {
        u = RegisteredUser();
        bool documents = false;
        QString alias;
        QString documentType;
        QString name;
        bool deleted = false;
        int depth = 1;
        QStringList path;
        while (depth > 0 && !m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement()) {
                ++depth;
                const QString element = m_xml.name().toString();
                path << element;
                if (element == u"Documents")
                    documents = true;
                else if (element == u"Document")
                    documentType = m_xml.attributes().value(QStringLiteral("type")).toString();
                else if (element == u"Alias" && path.contains(QStringLiteral("Document"))) {
                    name.clear();
                    deleted = false;
                } else if (element == u"DeletionTime")
                    deleted = true;
                else if (path.size() == 1 && element == u"Identifier")
                    u.id = m_xml.readElementText().trimmed();
                else if (path.size() == 1 && element == u"Title")
                    u.title = m_xml.readElementText().simplified();
                else if (path.size() == 1 && element == u"FirstCreationTime")
                    u.since =
                        QDate::fromString(m_xml.readElementText().trimmed().left(10), Qt::ISODate);
                else if (path.size() == 1 && element == u"Alias")
                    alias = m_xml.readElementText().trimmed();
                else if (element == u"Name" && path.contains(QStringLiteral("Alias")))
                    name = m_xml.readElementText().trimmed();
                // readElementText() ends on the element's end.
                if (m_xml.isEndElement()) {
                    --depth;
                    path.removeLast();
                }
            } else if (m_xml.isEndElement()) {
                --depth;
                const QString element = path.isEmpty() ? QString() : path.takeLast();
                // An open e-Fatura mailbox: a receiving one ("…pk@…") is the one to name.
                if (element == u"Alias" && documentType == u"Invoice" && !deleted &&
                    !name.isEmpty() &&
                    (alias.isEmpty() || name.contains(u"pk", Qt::CaseInsensitive)))
                    alias = name;
            }
        }
        if (m_xml.hasError())
            fail(m_xml.lineNumber(),
                 QStringLiteral("XML bozuk ya da yarım (%1).").arg(m_xml.errorString()));
        u.alias = alias;
        return !documents || !alias.isEmpty();
    }

    QXmlStreamReader m_xml;
};

class CsvReader : public Reader {
public:
    CsvReader(const QString &path, QFile &file)
        : Reader(path, file) {}

    bool next(RegisteredUser &u) override {
        for (;;) {
            if (m_file.atEnd())
                return false;
            QByteArray bytes = m_file.readLine();
            ++m_line;
            if (m_line == 1 && bytes.startsWith("\xEF\xBB\xBF"))
                bytes.remove(0, 3);
            const QString text = decoded(bytes).trimmed();
            if (text.isEmpty())
                continue;
            const QStringList fields = split(text);
            u = RegisteredUser();
            u.id = fields.value(0).trimmed();
            u.title = fields.value(1).simplified();
            u.alias = fields.value(2).trimmed();
            // A heading names the columns: its first field is no number.
            if (m_line == 1 && !u.id.isEmpty() && !u.id.at(0).isDigit())
                continue;
            check(m_line, u);
            return true;
        }
    }

private:
    // UTF-8 when the line is, else Windows-1254, as spreadsheets here save text.
    static QString decoded(const QByteArray &bytes) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(bytes);
        if (!utf8.hasError())
            return text;
        static QTextCodec *codePage = QTextCodec::codecForName("Windows-1254");
        return codePage ? codePage->toUnicode(bytes) : text;
    }

    // The fields of a line: ";" between them, else a tab, else ","; a field in double quotes
    // may hold the separator, and two double quotes in it are one.
    QStringList split(const QString &line) const {
        const QChar separator = line.contains(u';') ? u';' : line.contains(u'\t') ? u'\t' : u',';
        QStringList fields;
        QString field;
        bool quoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (quoted) {
                if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else if (c == u'"') {
                    quoted = false;
                } else {
                    field += c;
                }
            } else if (c == u'"' && field.trimmed().isEmpty()) {
                field.clear();
                quoted = true;
            } else if (c == separator) {
                fields << field;
                field.clear();
            } else {
                field += c;
            }
        }
        if (quoted)
            fail(m_line, QStringLiteral("tırnak (\") kapanmamış."));
        fields << field;
        return fields;
    }

    qint64 m_line = 0;
};

} // namespace

qint64 importUserList(Database &db, const QString &path, const QDateTime &at) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EArsivError(QStringLiteral("e-Fatura kullanıcı listesi açılamadı: %1\n%2")
                              .arg(path, file.errorString()));
    const QByteArray start = file.peek(512);
    if (start.startsWith("PK\x03\x04"))
        throw EArsivError(QStringLiteral("e-Fatura kullanıcı listesi bir ZIP arşivi: %1\nArşivi "
                                         "açıp içindeki XML dosyasını seçiniz.")
                              .arg(path));
    QByteArray head = start;
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    std::unique_ptr<Reader> reader;
    if (head.trimmed().startsWith('<'))
        reader = std::make_unique<XmlReader>(path, file);
    else
        reader = std::make_unique<CsvReader>(path, file);
    qint64 read = 0;
    return replaceRegisteredUsers(
        db,
        [&](RegisteredUser &u) {
            if (reader->next(u)) {
                ++read;
                return true;
            }
            // An empty file is no list: the one held stays.
            if (read == 0)
                throw EArsivError(QStringLiteral("e-Fatura kullanıcı listesinde hiç kullanıcı "
                                                 "yok: %1\nListe değiştirilmedi.")
                                      .arg(path));
            return false;
        },
        QFileInfo(path).fileName(), at);
}

bool userListStale(const std::optional<RegisteredUserList> &list, const QDate &today) {
    return !list || list->importedAt.date().daysTo(today) > staleAfterDays;
}

QString userListStatus(const std::optional<RegisteredUserList> &list, const QDate &today) {
    if (!list)
        return QStringLiteral("e-Fatura kullanıcı listesi alınmamış: vergi numaralı alıcılar da "
                              "e-Arşiv faturası alır.");
    const QString base =
        QStringLiteral("e-Fatura kullanıcı listesi: %1 tarihli, %2 kullanıcı (%3)")
            .arg(dateText(list->importedAt.date()), countText(list->count), list->source);
    if (!userListStale(list, today))
        return base + u'.';
    return base + QStringLiteral("; bir haftadan eski, güncel listeyi alınız.");
}
