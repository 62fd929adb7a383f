#include "store/invoices.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString table = QStringLiteral("faturalar");
const QString infoTable = QStringLiteral("fatura_bilgi");

// In the order the rows are written.
const QStringList columns = {QStringLiteral("musterino"),
                             QStringLiteral("adi_soyadi"),
                             QStringLiteral("adresi"),
                             QStringLiteral("adresi2"),
                             QStringLiteral("vergidaire_no"),
                             QStringLiteral("kdvdahil"),
                             QStringLiteral("fatura_tarihi"),
                             QStringLiteral("irsaliye_no"),
                             QStringLiteral("irsaliye_tarihi"),
                             QStringLiteral("FATURANO"),
                             QStringLiteral("MIKTAR"),
                             QStringLiteral("ACIKLAMA"),
                             QStringLiteral("iskonto"),
                             QStringLiteral("BR_FIYAT"),
                             QStringLiteral("TUTAR")};

template <class T> std::optional<T> value(const QSqlRecord &r, const char *column) {
    // Column names are matched without regard to case: FATURANO and faturano are one column.
    const int i = r.indexOf(QString::fromLatin1(column));
    if (i < 0 || r.isNull(i))
        return std::nullopt;
    const QVariant v = r.value(i);
    if constexpr (std::is_same_v<T, QString>) {
        return v.toString();
    } else {
        bool ok = false;
        T number{};
        if constexpr (std::is_same_v<T, double>)
            number = v.toDouble(&ok);
        else if constexpr (std::is_same_v<T, qint64>)
            number = v.toLongLong(&ok);
        else
            number = T(v.toInt(&ok));
        if (!ok)
            return std::nullopt;
        return number;
    }
}

// The positions of the columns in a result, found once for all its rows.
struct RowColumns {
    explicit RowColumns(const QSqlRecord &r) {
        for (int i = 0; i < columns.size(); ++i)
            at[i] = r.indexOf(columns.at(i));
    }
    int at[15];
};

StoredRow readRow(const QSqlQuery &q, const RowColumns &c) {
    const auto text = [&](int column) -> std::optional<QString> {
        const int i = c.at[column];
        if (i < 0 || q.isNull(i))
            return std::nullopt;
        return q.value(i).toString();
    };
    const auto number = [&](int column) -> std::optional<qint64> {
        const int i = c.at[column];
        if (i < 0 || q.isNull(i))
            return std::nullopt;
        bool ok = false;
        const qint64 n = q.value(i).toLongLong(&ok);
        return ok ? std::optional<qint64>(n) : std::nullopt;
    };
    StoredRow s;
    s.musterino = text(0);
    s.adi_soyadi = text(1);
    s.adresi = text(2);
    s.adresi2 = text(3);
    s.vergidaire_no = text(4);
    if (const auto mode = number(5))
        s.kdvdahil = int(*mode);
    s.fatura_tarihi = text(6);
    s.irsaliye_no = text(7);
    s.irsaliye_tarihi = text(8);
    s.faturano = number(9);
    if (const int i = c.at[10]; i >= 0 && !q.isNull(i)) {
        const QVariant v = q.value(i);
        if (v.typeId() == QMetaType::QString) {
            s.quantityText = v.toString();
        } else {
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (ok)
                s.miktar = d;
        }
    }
    s.aciklama = text(11);
    s.iskonto = text(12);
    s.br_fiyat = text(13);
    s.tutar = text(14);
    return s;
}

StoredRow readRow(const QSqlRecord &r) {
    StoredRow s;
    s.musterino = value<QString>(r, "musterino");
    s.adi_soyadi = value<QString>(r, "adi_soyadi");
    s.adresi = value<QString>(r, "adresi");
    s.adresi2 = value<QString>(r, "adresi2");
    s.vergidaire_no = value<QString>(r, "vergidaire_no");
    s.kdvdahil = value<int>(r, "kdvdahil");
    s.fatura_tarihi = value<QString>(r, "fatura_tarihi");
    s.irsaliye_no = value<QString>(r, "irsaliye_no");
    s.irsaliye_tarihi = value<QString>(r, "irsaliye_tarihi");
    s.faturano = value<qint64>(r, "FATURANO");
    const int quantity = r.indexOf(QStringLiteral("MIKTAR"));
    if (quantity >= 0 && !r.isNull(quantity) && r.value(quantity).typeId() == QMetaType::QString)
        s.quantityText = r.value(quantity).toString();
    else
        s.miktar = value<double>(r, "MIKTAR");
    s.aciklama = value<QString>(r, "ACIKLAMA");
    s.iskonto = value<QString>(r, "iskonto");
    s.br_fiyat = value<QString>(r, "BR_FIYAT");
    s.tutar = value<QString>(r, "TUTAR");
    return s;
}

void prepare(Database &db, QSqlQuery &q, const QString &sql, const QString &activity) {
    if (!q.prepare(sql))
        db.fail(activity, q.lastError());
}

void run(Database &db, QSqlQuery &q, const QString &activity) {
    if (!q.exec())
        db.fail(activity, q.lastError());
}

bool invoiceExists(Database &db, qint64 number) {
    QSqlQuery q(db.db());
    prepare(db, q, QStringLiteral("SELECT 1 FROM faturalar WHERE faturano = ? LIMIT 1"),
            QStringLiteral("fatura aranırken"));
    q.addBindValue(number);
    run(db, q, QStringLiteral("fatura aranırken"));
    return q.next();
}

// The rows' own texts, so that details kept beside them are trusted only with the very rows
// they were written with: another program may rewrite `faturalar` and know nothing of them.
// A 64-bit FNV-1a hash: it tells rewritten rows apart, and costs little on a long invoice.
class Fingerprint {
public:
    void add(QStringView text) {
        for (const QChar c : text)
            mix(c.unicode());
        mix(0x1f);
    }
    void endLine() { mix(0x1e); }
    QString text() const { return QString::number(m_hash, 16); }

private:
    void mix(char16_t c) {
        m_hash ^= c;
        m_hash *= 0x100000001b3ULL;
    }
    quint64 m_hash = 0xcbf29ce484222325ULL;
};

QString fingerprint(const QList<InvoiceLineRecord> &lines) {
    Fingerprint f;
    for (const InvoiceLineRecord &l : lines) {
        f.add(QString::number(l.miktar, 'g', 17));
        for (const QString *text : {&l.aciklama, &l.iskonto, &l.br_fiyat})
            f.add(*text);
        f.endLine();
    }
    return f.text();
}

QString fingerprint(const QList<StoredRow> &rows) {
    Fingerprint f;
    for (const StoredRow &r : rows) {
        // A quantity another program stored as text never matches a saved one.
        f.add(r.quantityText || !r.miktar ? QStringLiteral("?") + r.quantityText.value_or(QString())
                                          : QString::number(*r.miktar, 'g', 17));
        for (const std::optional<QString> *text : {&r.aciklama, &r.iskonto, &r.br_fiyat})
            f.add(text->value_or(QString()));
        f.endLine();
    }
    return f.text();
}

// The lines' details in one text, as the column `satirlar` keeps them: per line its rate, unit,
// exemption code and text, between unit separators (U+001F), the lines between record
// separators (U+001E), by position. A line with nothing of its own (the invoice's rate, unit
// "Adet", no exemption) is an empty field; an invoice whose lines all are so keeps "". One
// column rather than a row per line: a 200-line save writes one value instead of 200 rows.
const QChar fieldSeparator(0x1f);
const QChar lineSeparator(0x1e);

QString packedLines(const InvoiceInfo &info) {
    QString packed;
    bool anyOwn = false;
    for (qsizetype i = 0; i < info.lines.size(); ++i) {
        const LineInfo &l = info.lines.at(i);
        if (i > 0)
            packed += lineSeparator;
        if (l.kdv_orani == info.kdv_orani && l.birim == QLatin1String("C62") &&
            l.istisna_kodu.isEmpty() && l.istisna_nedeni.isEmpty())
            continue;
        anyOwn = true;
        packed += l.kdv_orani + fieldSeparator + l.birim + fieldSeparator + l.istisna_kodu +
                  fieldSeparator + l.istisna_nedeni;
    }
    return anyOwn ? packed : QString(u""_qs);
}

// The lines of `packed` for an invoice of `lineCount` rows; false when it does not fit them.
bool unpackLines(const QString &packed, qsizetype lineCount, InvoiceInfo &info) {
    const LineInfo plain{info.kdv_orani, QStringLiteral("C62"), {}, {}};
    info.lines = QList<LineInfo>(lineCount, plain);
    if (packed.isEmpty())
        return true;
    const QStringList lines = packed.split(lineSeparator);
    if (lines.size() != lineCount)
        return false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).isEmpty())
            continue;
        const QStringList f = lines.at(i).split(fieldSeparator);
        if (f.size() != 4)
            return false;
        info.lines[i] = LineInfo{f[0], f[1], f[2], f[3]};
    }
    return true;
}

// The details kept beside one invoice, without the count; returns the fingerprint of the rows
// they were written with, empty when there are none.
QString readDetails(Database &db, qint64 number, qint64 lineCount, InvoiceInfo &info,
                    const QString &activity) {
    QSqlQuery q = ::run(db,
                        QStringLiteral("SELECT kdv_orani, tip, iade_no, iade_tarihi, kayit_zamani, "
                                       "satir_izi, satirlar FROM %1 WHERE faturano = ?")
                            .arg(infoTable),
                        {number}, activity);
    if (!q.next() || q.value(5).isNull())
        return QString();
    info.kdv_orani = q.value(0).toString();
    info.tip = q.value(1).toString();
    info.iade_no = q.value(2).toString();
    info.iade_tarihi = q.value(3).toString();
    info.kayit_zamani = q.value(4).toString();
    if (!unpackLines(q.value(6).toString(), lineCount, info))
        return QString(); // not what this program wrote: no details then
    return q.value(5).toString();
}

// The stored change count; 0 without a row or without the table.
qint64 storedChangeCount(Database &db, qint64 number) {
    if (!db.hasTable(infoTable))
        return 0;
    QSqlQuery q =
        ::run(db, QStringLiteral("SELECT degisiklik FROM %1 WHERE faturano = ?").arg(infoTable),
              {number}, QStringLiteral("%1 numaralı faturanın bilgileri okunurken").arg(number));
    return q.next() ? q.value(0).toLongLong() : 0;
}

// Inside the save's transaction, under the number's lock: the table made on first use, the
// count one up, the rest of `info` as given.
void writeInfo(Database &db, qint64 number, const QList<InvoiceLineRecord> &lines,
               InvoiceInfo &info, qint64 storedCount) {
    if (!db.hasTable(infoTable))
        createInvoiceInfoTable(db);
    const QString activity =
        QStringLiteral("%1 numaralı faturanın bilgileri yazılırken").arg(number);
    const qint64 count = storedCount + 1;
    // Without details (a writer that knows only the described table) the old ones go: they
    // belonged to other rows.
    const auto text = [&info](const QString &t) {
        return info.hasDetails ? QVariant(nonNullText(t)) : QVariant();
    };
    ::run(db,
          QStringLiteral("INSERT INTO %1 (faturano, degisiklik, kdv_orani, tip, iade_no, "
                         "iade_tarihi, kayit_zamani, satir_izi, satirlar) VALUES (?, ?, ?, ?, ?, "
                         "?, ?, ?, ?) ON CONFLICT (faturano) DO UPDATE SET degisiklik = "
                         "excluded.degisiklik, kdv_orani = excluded.kdv_orani, tip = excluded.tip, "
                         "iade_no = excluded.iade_no, iade_tarihi = excluded.iade_tarihi, "
                         "kayit_zamani = excluded.kayit_zamani, satir_izi = excluded.satir_izi, "
                         "satirlar = excluded.satirlar")
              .arg(infoTable),
          {number, count, text(info.kdv_orani), text(info.tip), text(info.iade_no),
           text(info.iade_tarihi), text(info.kayit_zamani),
           info.hasDetails ? QVariant(fingerprint(lines)) : QVariant(),
           info.hasDetails ? QVariant(packedLines(info)) : QVariant()},
          activity);
    info.changeCount = count;
}

// The details are trusted only with the rows they were written with.
void trustDetails(StoredInvoice &stored, const QString &rowsFingerprint) {
    stored.info.hasDetails = !rowsFingerprint.isEmpty() &&
                             rowsFingerprint == fingerprint(stored.rows) &&
                             stored.info.lines.size() == stored.rows.size();
    if (!stored.info.hasDetails) {
        const qint64 count = stored.info.changeCount;
        stored.info = InvoiceInfo();
        stored.info.changeCount = count;
    }
}

} // namespace

void createInvoiceInfoTable(Database &db) {
    db.transaction([&] {
        // Two PCs saving their first invoices at once would make the table twice on a server;
        // the second waits here and then finds it there.
        db.lockNumber(infoTable, 0);
        ::run(db,
              QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (faturano %2 PRIMARY KEY, "
                             "degisiklik %2 NOT NULL DEFAULT 0, kdv_orani TEXT, tip TEXT, "
                             "iade_no TEXT, iade_tarihi TEXT, kayit_zamani TEXT, satir_izi TEXT, "
                             "satirlar TEXT)")
                  .arg(infoTable, db.integerType()),
              {}, QStringLiteral("fatura bilgileri tablosu oluşturulurken"));
    });
}

QList<qint64> invoiceNumbers(Database &db) {
    db.requireColumns(table, {QStringLiteral("faturano")});
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    prepare(db, q, QStringLiteral("select distinct faturano from faturalar order by faturano"),
            QStringLiteral("fatura numaraları okunurken"));
    run(db, q, QStringLiteral("fatura numaraları okunurken"));
    QList<qint64> numbers;
    while (q.next()) {
        if (!q.value(0).isNull())
            numbers << q.value(0).toLongLong();
    }
    return numbers;
}

QList<qint64> invoiceNumbersAfter(Database &db, std::optional<qint64> after, int count) {
    db.requireColumns(table, {QStringLiteral("faturano")});
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    // Keyed on the last number shown, so a page deep in the list costs what the first does.
    prepare(db, q,
            after ? QStringLiteral("SELECT DISTINCT faturano FROM faturalar WHERE faturano > ? "
                                   "ORDER BY faturano LIMIT ?")
                  : QStringLiteral("SELECT DISTINCT faturano FROM faturalar WHERE faturano IS "
                                   "NOT NULL ORDER BY faturano LIMIT ?"),
            QStringLiteral("fatura numaraları okunurken"));
    if (after)
        q.addBindValue(*after);
    q.addBindValue(count);
    run(db, q, QStringLiteral("fatura numaraları okunurken"));
    QList<qint64> numbers;
    while (q.next())
        numbers << q.value(0).toLongLong();
    return numbers;
}

std::optional<qint64> largestInvoiceNumber(Database &db) {
    db.requireColumns(table, {QStringLiteral("faturano")});
    QSqlQuery q(db.db());
    prepare(db, q, QStringLiteral("SELECT max(faturano) FROM faturalar"),
            QStringLiteral("fatura numaraları okunurken"));
    run(db, q, QStringLiteral("fatura numaraları okunurken"));
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

QList<StoredRow> invoiceRows(Database &db, qint64 number) {
    db.requireColumns(table, columns);
    const QString activity = QStringLiteral("%1 numaralı fatura okunurken").arg(number);
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    prepare(db, q,
            QStringLiteral("select * from faturalar where faturano=? ORDER BY %1").arg(db.rowKey()),
            activity);
    q.addBindValue(number);
    run(db, q, activity);
    QList<StoredRow> rows;
    while (q.next())
        rows << readRow(q.record());
    return rows;
}

InvoiceInfo invoiceInfo(Database &db, qint64 number) {
    InvoiceInfo info;
    info.changeCount = storedChangeCount(db, number);
    return info;
}

StoredInvoice storedInvoice(Database &db, qint64 number) {
    StoredInvoice stored;
    QString rows;
    // One transaction, so that the count, the details and the rows are of one moment.
    db.transaction([&] {
        stored.info = invoiceInfo(db, number);
        stored.rows = invoiceRows(db, number);
        if (db.hasTable(infoTable))
            rows = readDetails(
                db, number, stored.rows.size(), stored.info,
                QStringLiteral("%1 numaralı faturanın bilgileri okunurken").arg(number));
    });
    trustDetails(stored, rows);
    return stored;
}

QList<StoredInvoiceAt> storedInvoices(Database &db, const QList<qint64> &numbers) {
    QList<StoredInvoiceAt> result;
    if (numbers.isEmpty())
        return result;
    db.requireColumns(table, columns);
    const QString activity = QStringLiteral("faturalar okunurken");
    const QString in =
        QStringLiteral("(%1)").arg(QStringList(numbers.size(), QStringLiteral("?")).join(u','));
    QVariantList values;
    for (const qint64 n : numbers)
        values << n;
    QHash<qint64, qsizetype> at;
    db.transaction([&] {
        QSqlQuery q = ::run(db,
                            QStringLiteral("SELECT %1 AS satir_anahtari, * FROM faturalar WHERE "
                                           "faturano IN %2 ORDER BY faturano, %1")
                                .arg(db.rowKey(), in),
                            values, activity);
        std::optional<RowColumns> c;
        while (q.next()) {
            if (!c)
                c.emplace(q.record());
            StoredRow row = readRow(q, *c);
            const qint64 number = row.faturano.value_or(0);
            if (result.isEmpty() || result.last().number != number) {
                at.insert(number, result.size());
                result << StoredInvoiceAt{number, {}, 0};
            }
            result.last().stored.rows << row;
            result.last().lastRow = std::max(result.last().lastRow, q.value(0).toLongLong());
        }
        q.finish();
        if (!db.hasTable(infoTable))
            return;
        QSqlQuery info = ::run(db,
                               QStringLiteral("SELECT faturano, degisiklik, kdv_orani, tip, "
                                              "iade_no, iade_tarihi, kayit_zamani, satir_izi, "
                                              "satirlar FROM %1 WHERE faturano IN %2")
                                   .arg(infoTable, in),
                               values, activity);
        QHash<qint64, QString> fingerprints;
        while (info.next()) {
            const auto it = at.constFind(info.value(0).toLongLong());
            if (it == at.constEnd())
                continue;
            StoredInvoice &stored = result[*it].stored;
            InvoiceInfo &i = stored.info;
            i.changeCount = info.value(1).toLongLong();
            if (info.value(7).isNull())
                continue;
            i.kdv_orani = info.value(2).toString();
            i.tip = info.value(3).toString();
            i.iade_no = info.value(4).toString();
            i.iade_tarihi = info.value(5).toString();
            i.kayit_zamani = info.value(6).toString();
            if (unpackLines(info.value(8).toString(), stored.rows.size(), i))
                fingerprints.insert(info.value(0).toLongLong(), info.value(7).toString());
        }
        info.finish();
        for (StoredInvoiceAt &s : result)
            trustDetails(s.stored, fingerprints.value(s.number));
    });
    return result;
}

bool insertInvoice(Database &db, const InvoiceHeaderRecord &header,
                   const QList<InvoiceLineRecord> &lines, InvoiceInfo &info) {
    db.requireColumns(table, columns);
    bool saved = false;
    InvoiceInfo written = info;
    db.transaction([&] {
        db.lockNumber(table, header.faturano);
        if (invoiceExists(db, header.faturano))
            return;
        const std::optional<qint64> lastRow = lastInvoiceRow(db);
        InvoiceWriter(db).add(header, lines);
        // A number whose invoice was emptied keeps its count: a window still holding that
        // invoice must not save over this one.
        writeInfo(db, header.faturano, lines, written, storedChangeCount(db, header.faturano));
        writeInvoiceSummary(db, header.faturano, info.summary ? &*info.summary : nullptr, lastRow);
        saved = true;
    });
    if (saved)
        info = written;
    return saved;
}

bool insertInvoice(Database &db, const InvoiceHeaderRecord &header,
                   const QList<InvoiceLineRecord> &lines) {
    InvoiceInfo info;
    return insertInvoice(db, header, lines, info);
}

bool replaceInvoice(Database &db, const InvoiceHeaderRecord &header,
                    const QList<InvoiceLineRecord> &lines, InvoiceInfo &info) {
    db.requireColumns(table, columns);
    bool saved = false;
    InvoiceInfo written = info;
    db.transaction([&] {
        // The number's lock on a server, the file's write lock on SQLite: nobody saves this
        // invoice between the check and the write.
        db.lockNumber(table, header.faturano);
        const qint64 stored = storedChangeCount(db, header.faturano);
        if (stored != info.changeCount)
            return;
        const QString activity =
            QStringLiteral("%1 numaralı fatura silinirken").arg(header.faturano);
        const std::optional<qint64> lastRow = lastInvoiceRow(db);
        QSqlQuery q(db.db());
        prepare(db, q, QStringLiteral("DELETE FROM faturalar WHERE faturano = ?"), activity);
        q.addBindValue(header.faturano);
        run(db, q, activity);
        InvoiceWriter(db).add(header, lines);
        writeInfo(db, header.faturano, lines, written, stored);
        writeInvoiceSummary(db, header.faturano, info.summary ? &*info.summary : nullptr, lastRow);
        saved = true;
    });
    if (saved)
        info = written;
    return saved;
}

InvoiceWriter::InvoiceWriter(Database &db)
    : m_db(db)
    , m_query(db.db()) {
    m_db.requireColumns(table, columns);
    QStringList placeholders;
    for (qsizetype i = 0; i < columns.size(); ++i)
        placeholders << QStringLiteral("?");
    prepare(m_db, m_query,
            QStringLiteral("INSERT INTO faturalar (%1) VALUES (%2)")
                .arg(columns.join(QStringLiteral(", ")), placeholders.join(QStringLiteral(", "))),
            QStringLiteral("fatura kaydedilirken"));
}

InvoiceWriter::~InvoiceWriter() = default;

void InvoiceWriter::add(const InvoiceHeaderRecord &b, const QList<InvoiceLineRecord> &lines,
                        const InvoiceInfo &info) {
    add(b, lines);
    if (!info.hasDetails)
        return;
    const QString activity =
        QStringLiteral("%1 numaralı faturanın bilgileri yazılırken").arg(b.faturano);
    if (!m_info) {
        // Prepared once for a whole run of invoices, the tables made at the first.
        if (!m_db.hasTable(infoTable))
            createInvoiceInfoTable(m_db);
        m_info = std::make_unique<QSqlQuery>(m_db.db());
        prepare(m_db, *m_info,
                QStringLiteral("INSERT INTO %1 (faturano, degisiklik, kdv_orani, tip, iade_no, "
                               "iade_tarihi, kayit_zamani, satir_izi, satirlar) VALUES (?, 1, ?, "
                               "?, ?, ?, ?, ?, ?)")
                    .arg(infoTable),
                activity);
    }
    const QVariantList values = {b.faturano,
                                 nonNullText(info.kdv_orani),
                                 nonNullText(info.tip),
                                 nonNullText(info.iade_no),
                                 nonNullText(info.iade_tarihi),
                                 nonNullText(info.kayit_zamani),
                                 fingerprint(lines),
                                 packedLines(info)};
    for (int v = 0; v < values.size(); ++v)
        m_info->bindValue(v, values.at(v));
    run(m_db, *m_info, activity);
}

void InvoiceWriter::add(const InvoiceHeaderRecord &b, const QList<InvoiceLineRecord> &lines) {
    const QString activity = QStringLiteral("%1 numaralı fatura kaydedilirken").arg(b.faturano);
    // The header is the same on every row; bind it once.
    const QVariantList header = {nonNullText(b.musterino),       nonNullText(b.adi_soyadi),
                                 nonNullText(b.adresi),          nonNullText(b.adresi2),
                                 nonNullText(b.vergidaire_no),   b.kdvdahil,
                                 nonNullText(b.fatura_tarihi),   nonNullText(b.irsaliye_no),
                                 nonNullText(b.irsaliye_tarihi), b.faturano};
    for (int i = 0; i < header.size(); ++i)
        m_query.bindValue(i, header.at(i));
    const int firstLineColumn = int(header.size());
    for (const InvoiceLineRecord &k : lines) {
        m_query.bindValue(firstLineColumn, k.miktar);
        m_query.bindValue(firstLineColumn + 1, nonNullText(k.aciklama));
        m_query.bindValue(firstLineColumn + 2, nonNullText(k.iskonto));
        m_query.bindValue(firstLineColumn + 3, nonNullText(k.br_fiyat));
        m_query.bindValue(firstLineColumn + 4, nonNullText(k.tutar));
        run(m_db, m_query, activity);
    }
}
