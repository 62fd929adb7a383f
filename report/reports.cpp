#include "report/reports.h"

#include "base/numbers.h"
#include "invoice/summary.h"
#include "invoice/taxnumbers.h"
#include "invoice/workspace.h"
#include "store/summaries.h"

#include <QLocale>

#include <algorithm>
#include <map>

namespace {

using Kind = ReportTable::Kind;

const QLocale turkish(QLocale::Turkish, QLocale::Turkey);

// "2026-03" as the user reads it: "Mart 2026".
QString monthText(const QString &month) {
    const QDate d = QDate::fromString(month + QStringLiteral("-01"), Qt::ISODate);
    return d.isValid()
               ? QStringLiteral("%1 %2").arg(turkish.standaloneMonthName(d.month())).arg(d.year())
               : month;
}

double rateValue(const QString &rate) {
    return inputNumber(rate).value_or(0);
}

QVariant amount(Money m) {
    return QVariant::fromValue(m.kurus());
}

QVariant count(qint64 n) {
    return QVariant::fromValue(n);
}

// The amount as a spreadsheet reads it: "-1234,56".
QString csvAmount(Money m) {
    const qint64 k = m.kurus();
    const quint64 a = k < 0 ? quint64(-(k + 1)) + 1 : quint64(k);
    return QStringLiteral("%1%2,%3")
        .arg(k < 0 ? QStringLiteral("-") : QString())
        .arg(a / 100)
        .arg(a % 100, 2, 10, QLatin1Char('0'));
}

QString csvField(const QString &s) {
    if (!s.contains(u';') && !s.contains(u'"') && !s.contains(u'\n') && !s.contains(u'\r'))
        return s;
    QString quoted = s;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

// What the user should know about the figures of the period: invoices counted at the
// settings' rate, invoices left out.
void addNotes(Database &db, const ReportPeriod &period, ReportTable &table) {
    if (const qint64 n = settingsRateCount(db, period.from, period.to))
        table.notes << QStringLiteral("Bu dönemin %1 faturası kendi KDV oranı kaydedilmemiş eski "
                                      "bir kayıt; ayarlardaki KDV oranıyla hesaplandı.")
                           .arg(n);
    const QList<SummaryProblem> problems = summaryProblems(db, period.from, period.to);
    if (!problems.isEmpty()) {
        QStringList named;
        for (const SummaryProblem &p : problems)
            named << QStringLiteral("%1 (%2)").arg(p.number).arg(p.problem);
        table.notes << QStringLiteral("Şu faturalar okunamadığı için rapora girmedi: %1")
                           .arg(named.join(QStringLiteral("; ")));
    }
}

struct BuyerKey {
    QString id;     // VKN/TCKN, empty without one
    QString number; // customer number when there is no id
    bool operator<(const BuyerKey &o) const {
        return std::tie(id, number) < std::tie(o.id, o.number);
    }
};

BuyerKey buyerKey(const BuyerTotal &t) {
    if (const std::optional<TaxOfficeAndNumber> n = taxOfficeAndNumber(t.taxBox))
        return BuyerKey{n->number, QString()};
    return BuyerKey{QString(), t.customerNumber};
}

// The months of each buyer whose sales without VAT reach the threshold.
struct BuyerMonth {
    qint64 documents = 0;
    Money base;
};

} // namespace

QString ReportTable::text(qsizetype row, qsizetype column) const {
    const QVariant &v = rows.at(row).at(column);
    if (!v.isValid())
        return QString();
    switch (kinds.at(column)) {
    case Kind::Text:
        return v.toString();
    case Kind::Count:
        return turkish.toString(v.toLongLong());
    case Kind::Amount:
        return moneyText(Money::fromKurus(v.toLongLong()));
    }
    return QString();
}

ReportPeriod monthPeriod(int year, int month) {
    const QDate first(year, month, 1);
    return {first, first.addMonths(1).addDays(-1)};
}

ReportPeriod quarterPeriod(int year, int quarter) {
    const QDate first(year, (quarter - 1) * 3 + 1, 1);
    return {first, first.addMonths(3).addDays(-1)};
}

ReportPeriod yearPeriod(int year) {
    return {QDate(year, 1, 1), QDate(year, 12, 31)};
}

ReportPeriod lastTwelveMonths(const QDate &day) {
    const QDate first(day.year(), day.month(), 1);
    return {first.addMonths(-11), first.addMonths(1).addDays(-1)};
}

QString periodText(const ReportPeriod &p) {
    return QStringLiteral("%1 – %2").arg(p.from.toString(QStringLiteral("dd.MM.yyyy")),
                                         p.to.toString(QStringLiteral("dd.MM.yyyy")));
}

Money defaultFormThreshold() {
    return Money::fromKurus(500000);
}

QString prepareReports(Database &db, const QString &settingsRate,
                       const std::function<void(qint64, qint64)> &progress) {
    const SummaryUpdate done = updateSummaries(db, settingsRate, progress);
    if (done.summarised == 0)
        return QString();
    QString note = QStringLiteral("%1 faturanın rapor özeti çıkarıldı (bu program dışında ya da "
                                  "önceki bir sürümle kaydedilmiş faturalar).")
                       .arg(done.summarised);
    if (done.atSettingsRate > 0)
        note += QStringLiteral(" Bunların %1 tanesi KDV oranını kendisi taşımadığı için "
                               "ayarlardaki %%2 oranıyla hesaplandı.")
                    .arg(done.atSettingsRate)
                    .arg(settingsRate.trimmed());
    return note;
}

ReportTable vatReport(Database &db, const ReportPeriod &period) {
    struct Figures {
        qint64 invoices = 0;
        Money base;
        Money vat;
        qint64 returns = 0;
        Money returnBase;
        Money returnVat;
        void add(const Figures &o) {
            invoices += o.invoices;
            base += o.base;
            vat += o.vat;
            returns += o.returns;
            returnBase += o.returnBase;
            returnVat += o.returnVat;
        }
    };
    // Month, then rate as the number it is.
    std::map<QString, std::map<std::pair<double, QString>, Figures>> byMonth;
    for (const VatTotal &t : vatTotals(db, period.from, period.to)) {
        Figures &f = byMonth[t.month][{rateValue(t.rate), t.rate}];
        if (t.isReturn) {
            f.returns += t.invoices;
            f.returnBase += t.base;
            f.returnVat += t.vat;
        } else {
            f.invoices += t.invoices;
            f.base += t.base;
            f.vat += t.vat;
        }
    }
    ReportTable table;
    table.title = QStringLiteral("KDV Özeti");
    table.headers = {QStringLiteral("Ay"),          QStringLiteral("KDV Oranı"),
                     QStringLiteral("Fatura"),      QStringLiteral("Matrah"),
                     QStringLiteral("KDV"),         QStringLiteral("İade Fatura"),
                     QStringLiteral("İade Matrah"), QStringLiteral("İade KDV"),
                     QStringLiteral("Net Matrah"),  QStringLiteral("Net KDV")};
    table.kinds = {Kind::Text,  Kind::Text,   Kind::Count,  Kind::Amount, Kind::Amount,
                   Kind::Count, Kind::Amount, Kind::Amount, Kind::Amount, Kind::Amount};
    const auto row = [&](const QString &month, const QString &rate, const Figures &f, bool total) {
        table.rows << QVariantList{month,
                                   rate,
                                   count(f.invoices),
                                   amount(f.base),
                                   amount(f.vat),
                                   count(f.returns),
                                   amount(f.returnBase),
                                   amount(f.returnVat),
                                   amount(f.base - f.returnBase),
                                   amount(f.vat - f.returnVat)};
        table.marked << false;
        table.totals << total;
    };
    std::map<std::pair<double, QString>, Figures> byRate;
    Figures all;
    for (const auto &[month, rates] : byMonth) {
        for (const auto &[rate, f] : rates) {
            row(monthText(month), u'%' + rate.second, f, false);
            byRate[rate].add(f);
            all.add(f);
        }
    }
    for (const auto &[rate, f] : byRate)
        row(QStringLiteral("Dönem Toplamı"), u'%' + rate.second, f, true);
    row(QStringLiteral("Genel Toplam"), QString(), all, true);
    addNotes(db, period, table);
    return table;
}

namespace {

struct Buyer {
    QString id;
    QStringList customerNumbers;
    QString name;
    QString nameMonth; // the name is the one of the latest month
    qint64 invoices = 0;
    qint64 returns = 0;
    Money base;
    Money vat;
    std::map<QString, BuyerMonth> salesByMonth;
};

std::map<BuyerKey, Buyer> buyers(Database &db, const ReportPeriod &period) {
    std::map<BuyerKey, Buyer> result;
    for (const BuyerTotal &t : buyerTotals(db, period.from, period.to)) {
        const BuyerKey key = buyerKey(t);
        Buyer &b = result[key];
        b.id = key.id;
        if (!t.customerNumber.isEmpty() && !b.customerNumbers.contains(t.customerNumber))
            b.customerNumbers << t.customerNumber;
        if (b.name.isEmpty() || t.month >= b.nameMonth) {
            b.name = t.customerName;
            b.nameMonth = t.month;
        }
        if (t.isReturn) {
            b.returns += t.invoices;
            b.base -= t.base;
            b.vat -= t.vat;
        } else {
            b.invoices += t.invoices;
            b.base += t.base;
            b.vat += t.vat;
            BuyerMonth &m = b.salesByMonth[t.month];
            m.documents += t.invoices;
            m.base += t.base;
        }
    }
    return result;
}

} // namespace

ReportTable buyerReport(Database &db, const ReportPeriod &period, Money threshold) {
    ReportTable table;
    table.title = QStringLiteral("Müşteri Satışları");
    table.headers = {
        QStringLiteral("VKN/TCKN"), QStringLiteral("Müşteri No"),   QStringLiteral("Unvan"),
        QStringLiteral("Fatura"),   QStringLiteral("İade"),         QStringLiteral("KDV Hariç"),
        QStringLiteral("KDV"),      QStringLiteral("Genel Toplam"), QStringLiteral("Form Ba/Bs")};
    table.kinds = {Kind::Text,   Kind::Text,   Kind::Text,   Kind::Count, Kind::Count,
                   Kind::Amount, Kind::Amount, Kind::Amount, Kind::Text};
    std::map<BuyerKey, Buyer> all = buyers(db, period);
    QList<const Buyer *> order;
    for (const auto &[key, b] : all)
        order << &b;
    // The largest buyers first.
    std::stable_sort(order.begin(), order.end(),
                     [](const Buyer *a, const Buyer *b) { return a->base > b->base; });
    Money base;
    Money vat;
    qint64 invoices = 0;
    qint64 returns = 0;
    for (const Buyer *b : order) {
        QStringList months;
        for (const auto &[month, m] : b->salesByMonth)
            if (m.base >= threshold)
                months << monthText(month);
        table.rows << QVariantList{b->id,
                                   b->customerNumbers.join(QStringLiteral(", ")),
                                   b->name,
                                   count(b->invoices),
                                   count(b->returns),
                                   amount(b->base),
                                   amount(b->vat),
                                   amount(b->base + b->vat),
                                   months.join(QStringLiteral(", "))};
        table.marked << !months.isEmpty();
        table.totals << false;
        base += b->base;
        vat += b->vat;
        invoices += b->invoices;
        returns += b->returns;
    }
    table.rows << QVariantList{QString(),       QString(),          QStringLiteral("Toplam"),
                               count(invoices), count(returns),     amount(base),
                               amount(vat),     amount(base + vat), QString()};
    table.marked << false;
    table.totals << true;
    table.notes << QStringLiteral("Form Ba/Bs sınırı: ayda KDV hariç %1 TL; sınırı aşan aylar "
                                  "son sütunda.")
                       .arg(moneyText(threshold));
    addNotes(db, period, table);
    return table;
}

ReportTable formBsList(Database &db, const ReportPeriod &period, Money threshold) {
    const bool severalMonths =
        period.from.year() != period.to.year() || period.from.month() != period.to.month();
    ReportTable table;
    table.title = QStringLiteral("Form Bs");
    if (severalMonths) {
        table.headers << QStringLiteral("Ay");
        table.kinds << Kind::Text;
    }
    table.headers << QStringLiteral("VKN/TCKN") << QStringLiteral("Unvanı")
                  << QStringLiteral("Ülkesi") << QStringLiteral("Belge Sayısı")
                  << QStringLiteral("Bedeli (KDV Hariç)");
    table.kinds << Kind::Text << Kind::Text << Kind::Text << Kind::Count << Kind::Amount;
    struct Entry {
        QString month;
        const Buyer *buyer;
        BuyerMonth figures;
    };
    const std::map<BuyerKey, Buyer> all = buyers(db, period);
    QList<Entry> entries;
    qint64 withoutId = 0;
    for (const auto &[key, b] : all) {
        for (const auto &[month, m] : b.salesByMonth) {
            if (m.base < threshold)
                continue;
            if (b.id.isEmpty())
                ++withoutId;
            else
                entries << Entry{month, &b, m};
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return std::tie(a.month, a.buyer->id) < std::tie(b.month, b.buyer->id);
    });
    for (const Entry &e : entries) {
        QVariantList row;
        if (severalMonths)
            row << monthText(e.month);
        row << e.buyer->id << e.buyer->name << QStringLiteral("Türkiye")
            << count(e.figures.documents) << amount(e.figures.base);
        table.rows << row;
        table.marked << false;
        table.totals << false;
    }
    if (withoutId > 0)
        table.notes << QStringLiteral("Sınırı aşan %1 alıcının vergi kutusunda VKN/TCKN yok; "
                                      "listeye alınmadı: Müşteri Satışları raporunda müşteri "
                                      "numarasıyla görünürler.")
                           .arg(withoutId);
    return table;
}

ReportTable monthlySales(Database &db, const ReportPeriod &period) {
    std::map<QString, std::pair<Money, Money>> byMonth;
    // Every month of the period, those without sales too.
    for (QDate d(period.from.year(), period.from.month(), 1); d <= period.to; d = d.addMonths(1))
        byMonth[d.toString(QStringLiteral("yyyy-MM"))];
    for (const VatTotal &t : vatTotals(db, period.from, period.to)) {
        auto &[base, vat] = byMonth[t.month];
        base += t.isReturn ? -t.base : t.base;
        vat += t.isReturn ? -t.vat : t.vat;
    }
    ReportTable table;
    table.title = QStringLiteral("Aylık Satışlar");
    table.headers = {QStringLiteral("Ay"), QStringLiteral("KDV Hariç Satış"), QStringLiteral("KDV"),
                     QStringLiteral("Toplam")};
    table.kinds = {Kind::Text, Kind::Amount, Kind::Amount, Kind::Amount};
    Money base;
    Money vat;
    for (const auto &[month, figures] : byMonth) {
        table.rows << QVariantList{monthText(month), amount(figures.first), amount(figures.second),
                                   amount(figures.first + figures.second)};
        table.marked << false;
        table.totals << false;
        base += figures.first;
        vat += figures.second;
    }
    table.rows << QVariantList{QStringLiteral("Toplam"), amount(base), amount(vat),
                               amount(base + vat)};
    table.marked << false;
    table.totals << true;
    addNotes(db, period, table);
    return table;
}

QByteArray csvText(const ReportTable &table) {
    QStringList lines;
    QStringList header;
    for (const QString &h : table.headers)
        header << csvField(h);
    lines << header.join(u';');
    for (const QVariantList &row : table.rows) {
        QStringList fields;
        for (qsizetype c = 0; c < row.size(); ++c) {
            const QVariant &v = row.at(c);
            if (!v.isValid()) {
                fields << QString();
                continue;
            }
            switch (table.kinds.at(c)) {
            case Kind::Text:
                fields << csvField(v.toString());
                break;
            case Kind::Count:
                fields << QString::number(v.toLongLong());
                break;
            case Kind::Amount:
                fields << csvAmount(Money::fromKurus(v.toLongLong()));
                break;
            }
        }
        lines << fields.join(u';');
    }
    if (!table.notes.isEmpty()) {
        lines << QString();
        for (const QString &note : table.notes)
            lines << csvField(note);
    }
    return QByteArray("\xEF\xBB\xBF") + lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

QString terminalText(const ReportTable &table) {
    QList<qsizetype> widths;
    for (const QString &h : table.headers)
        widths << h.size();
    for (qsizetype r = 0; r < table.rows.size(); ++r)
        for (qsizetype c = 0; c < table.headers.size(); ++c)
            widths[c] = std::max(widths[c], table.text(r, c).size());
    const auto line = [&](const QStringList &cells) {
        QStringList padded;
        for (qsizetype c = 0; c < cells.size(); ++c)
            padded << (table.kinds.at(c) == Kind::Text ? cells.at(c).leftJustified(widths[c])
                                                       : cells.at(c).rightJustified(widths[c]));
        return padded.join(QStringLiteral("  ")).trimmed();
    };
    QStringList out;
    out << table.title << line(table.headers);
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        QStringList cells;
        for (qsizetype c = 0; c < table.headers.size(); ++c)
            cells << table.text(r, c);
        out << line(cells);
    }
    for (const QString &note : table.notes)
        out << note;
    return out.join(u'\n') + u'\n';
}

ReportSet reportSet(const Workspace &workspace, const ReportPeriod &period, Money threshold) {
    const ayarlar settings = workspace.readSettings(2);
    Database db(workspace.databasePath(settings), Database::Access::Write);
    ReportSet set;
    set.note = prepareReports(db, settings.kdv_yuzde);
    set.vat = vatReport(db, period);
    set.buyers = buyerReport(db, period, threshold);
    set.sales = monthlySales(db, lastTwelveMonths(period.to));
    set.formBs = formBsList(db, period, threshold);
    return set;
}
