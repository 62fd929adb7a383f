#pragma once

#include "base/money.h"
#include "store/database.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// The month's reports, one function each, shared by the "Raporlar" window and fatura-rapor so
// that both show the same figures. Each is summed from the invoices' summaries (invoice/
// summary.h), made with the invoices from their own figures.

// A report as a table: each cell a text, a count or an amount (Money), so that the screen
// shows "1.234,56" and the CSV file a number the spreadsheet reads.
class Workspace;

struct ReportTable {
    enum class Kind { Text, Count, Amount };
    QString title;
    QStringList headers;
    QList<Kind> kinds;
    QList<QVariantList> rows; // QString, qint64, or Money as qint64 kuruş
    QList<bool> marked;       // rows to show apart (a buyer over the Form Ba/Bs threshold)
    QList<bool> totals;       // rows that sum others
    QStringList notes;        // what the user is told beside the figures

    QString text(qsizetype row, qsizetype column) const;
};

// A period of the reports; both days included.
struct ReportPeriod {
    QDate from;
    QDate to;
};
ReportPeriod monthPeriod(int year, int month);
ReportPeriod quarterPeriod(int year, int quarter);
ReportPeriod yearPeriod(int year);
// The twelve months that end with the month of `day`.
ReportPeriod lastTwelveMonths(const QDate &day);
// "01.03.2026 – 31.03.2026"
QString periodText(const ReportPeriod &period);

// The Form Ba/Bs threshold the law sets now: 5.000 TL without VAT in a month.
Money defaultFormThreshold();

// Summarises what has no summary yet (invoice/summary.h); the note that tells the user what
// was done, empty when nothing was. Throws DatabaseError.
QString prepareReports(Database &db, const QString &settingsRate,
                       const std::function<void(qint64, qint64)> &progress = {});

// "KDV Özeti": per month and rate the VAT base and VAT of the sales, of the returns apart,
// and the net (sales less returns); a total per rate and the period's total.
ReportTable vatReport(Database &db, const ReportPeriod &period);

// "Müşteri Satışları": per buyer (VKN/TCKN from the tax box, else the customer number) the
// invoices, returns, and the net without VAT, VAT and total; marked when a month's sales
// without VAT reach `threshold`.
ReportTable buyerReport(Database &db, const ReportPeriod &period, Money threshold);

// The Form Bs list: per buyer with a VKN/TCKN whose sales without VAT in a month reach
// `threshold`: VKN/TCKN, title, country, document count, amount; a month column first when
// the period holds more than one month.
ReportTable formBsList(Database &db, const ReportPeriod &period, Money threshold);

// "Aylık Satışlar": per month of the period the net sales without VAT, the VAT and the total.
ReportTable monthlySales(Database &db, const ReportPeriod &period);

// Every table of the reports window for `period`, from the books the workspace's settings
// name, read in one go after the summaries were brought up to date (`note` says what was done,
// see prepareReports()). Throws DatabaseError or SettingsError.
struct ReportSet {
    QString note;
    ReportTable vat;
    ReportTable buyers;
    ReportTable sales; // the twelve months up to the period's end
    ReportTable formBs;
};
ReportSet reportSet(const Workspace &workspace, const ReportPeriod &period, Money threshold);

// The table as a CSV file a Turkish spreadsheet opens: UTF-8 with a BOM, ";" between fields,
// "," before decimals, no thousands marks; the notes after an empty line.
QByteArray csvText(const ReportTable &table);

// The table as aligned text for a terminal.
QString terminalText(const ReportTable &table);
