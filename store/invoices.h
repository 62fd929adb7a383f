#pragma once

#include "store/database.h"
#include "store/summaries.h"

#include <QList>
#include <QSqlQuery>

#include <memory>
#include <optional>

// The header every row of an invoice carries.
struct InvoiceHeaderRecord {
    QString musterino;
    QString adi_soyadi;
    QString adresi;
    QString adresi2;
    QString vergidaire_no;
    int kdvdahil = 0; // 0 "Dahil", 1 "Hariç"
    QString fatura_tarihi;
    QString irsaliye_no;
    QString irsaliye_tarihi;
    qint64 faturano = 0;
};

// One line as it is written.
struct InvoiceLineRecord {
    double miktar = 0;
    QString aciklama;
    QString iskonto; // "" when the line has no discount
    QString br_fiyat;
    QString tutar;
};

// One stored row as read back: a column that holds no value (NULL) is empty here.
struct StoredRow {
    std::optional<QString> musterino;
    std::optional<QString> adi_soyadi;
    std::optional<QString> adresi;
    std::optional<QString> adresi2;
    std::optional<QString> vergidaire_no;
    std::optional<int> kdvdahil;
    std::optional<QString> fatura_tarihi;
    std::optional<QString> irsaliye_no;
    std::optional<QString> irsaliye_tarihi;
    std::optional<qint64> faturano;
    std::optional<double> miktar;
    std::optional<QString> aciklama;
    std::optional<QString> iskonto;
    std::optional<QString> br_fiyat;
    std::optional<QString> tutar;
    // MIKTAR as another program may have stored it: a text instead of a number ("2,5"). Set
    // only then; `miktar` is empty.
    std::optional<QString> quantityText = std::nullopt;
};

// What the program keeps of an invoice beside its rows, in a table of its own (fatura_bilgi,
// one row per invoice number) that is made on the first save; faturalar stays as it is. An
// invoice without such a row, one written by an older program, has the values below.
// What is kept of one line beside its row, by the line's position (packed into one column of
// the invoice's row of `fatura_bilgi`).
struct LineInfo {
    QString kdv_orani; // the line's VAT rate, as typed
    QString birim;     // UN/ECE unit code
    QString istisna_kodu;
    QString istisna_nedeni;

    bool operator==(const LineInfo &) const = default;
};

struct InvoiceInfo {
    // Goes up by one with every save of the invoice. A replacement is written only while the
    // stored count is still the one read when the invoice was loaded; otherwise someone else
    // saved it in between, and writing would throw their lines away.
    qint64 changeCount = 0;
    // What a legal invoice needs and the described table has no column for. Kept only with
    // the rows it was written with: loaded, `hasDetails` is false for an invoice saved by an
    // older program, or whose rows another program has written since.
    bool hasDetails = false;
    QString kdv_orani; // the invoice's VAT rate as typed
    QString tip;       // "SATIŞ" or "İADE"
    QString iade_no;   // for a return: the returned invoice's number (or GİB number)
    QString iade_tarihi;
    QString kayit_zamani; // the moment of the save, ISO 8601
    QList<LineInfo> lines;
    // What the reports read of the invoice, written with it; without one the reports
    // summarise the invoice themselves. Never read back here.
    std::optional<SummaryRecord> summary;
};

// One stored invoice as the invoice window loads it.
struct StoredInvoice {
    QList<StoredRow> rows;
    InvoiceInfo info;
};

// Every invoice number once, in ascending numeric order.
QList<qint64> invoiceNumbers(Database &db);

// Up to `count` invoice numbers above `after` (from the smallest when there is none), each
// once, in ascending order: one page of a list read as the user scrolls it.
QList<qint64> invoiceNumbersAfter(Database &db, std::optional<qint64> after, int count);

// The largest stored invoice number; none when no invoice is stored.
std::optional<qint64> largestInvoiceNumber(Database &db);

// The rows of one invoice in the order they were added.
QList<StoredRow> invoiceRows(Database &db, qint64 number);

// What is kept of one invoice beside its rows.
InvoiceInfo invoiceInfo(Database &db, qint64 number);

// The rows of one invoice with what is kept beside them. The count is read before the rows:
// a save in between makes the rows newer than the count, so that a replacement is refused
// rather than allowed over rows that were never seen.
StoredInvoice storedInvoice(Database &db, qint64 number);

// The stored invoices of `numbers` (a few hundred at most) read at once, each as
// storedInvoice() reads it, with the largest row key of its rows; a number without rows is
// left out.
struct StoredInvoiceAt {
    qint64 number = 0;
    StoredInvoice stored;
    qint64 lastRow = 0;
};
QList<StoredInvoiceAt> storedInvoices(Database &db, const QList<qint64> &numbers);

// Writes a new invoice, one row per line, with `info`, in one transaction. Refused (false,
// nothing written) when rows with that number are already stored. Saved, `info` holds what
// is stored now.
bool insertInvoice(Database &db, const InvoiceHeaderRecord &header,
                   const QList<InvoiceLineRecord> &lines, InvoiceInfo &info);
bool insertInvoice(Database &db, const InvoiceHeaderRecord &header,
                   const QList<InvoiceLineRecord> &lines);

// Replaces the stored invoice with these lines in one transaction: afterwards the database
// holds either the old rows or the new ones, never neither. `info` is what was read with the
// rows being replaced; when the invoice was saved since (its change count differs) nothing is
// written and the answer is false. Saved, `info` holds what is stored now.
bool replaceInvoice(Database &db, const InvoiceHeaderRecord &header,
                    const QList<InvoiceLineRecord> &lines, InvoiceInfo &info);

// Makes the table of what is kept beside the invoices when it is not there yet, inside the
// caller's transaction.
void createInvoiceInfoTable(Database &db);

// Adds invoice rows through one prepared statement, as they are and with no check of the
// number, inside the caller's transaction (Database::transaction). For writers of many invoices
// at once, such as the sample data; the windows use the two functions above.
class InvoiceWriter {
public:
    explicit InvoiceWriter(Database &db);
    ~InvoiceWriter();
    void add(const InvoiceHeaderRecord &header, const QList<InvoiceLineRecord> &lines);
    // The same with what is kept beside the rows (a first save: the count is 1).
    void add(const InvoiceHeaderRecord &header, const QList<InvoiceLineRecord> &lines,
             const InvoiceInfo &info);

private:
    Database &m_db;
    QSqlQuery m_query;
    std::unique_ptr<QSqlQuery> m_info;
};
