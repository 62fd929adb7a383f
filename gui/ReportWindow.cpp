#include "gui/ReportWindow.h"

#include "base/numbers.h"
#include "base/savefile.h"
#include "gui/choosers.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "invoice/workspace.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPdfWriter>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedBarSeries>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {

const QLocale turkish(QLocale::Turkish, QLocale::Turkey);

enum PeriodKind { Month, Quarter, Year, Dates };

QPushButton *button(const QString &text, const char *name, QWidget *parent) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QTableWidget *tableView(const char *name, QWidget *parent) {
    auto *t = new QTableWidget(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

// The table as the PDF shows it.
QString tableHtml(const ReportTable &t, const QString &period) {
    QString html = QStringLiteral("<h2>%1</h2><p>%2</p><table border=\"1\" cellspacing=\"0\" "
                                  "cellpadding=\"3\" width=\"100%\"><tr>")
                       .arg(t.title.toHtmlEscaped(), period.toHtmlEscaped());
    for (const QString &h : t.headers)
        html += QStringLiteral("<th>%1</th>").arg(h.toHtmlEscaped());
    html += QStringLiteral("</tr>");
    for (qsizetype r = 0; r < t.rows.size(); ++r) {
        html += t.marked.value(r) ? QStringLiteral("<tr style=\"background:#ffe0b0\">")
                                  : QStringLiteral("<tr>");
        for (qsizetype c = 0; c < t.headers.size(); ++c) {
            const bool number = t.kinds.at(c) != ReportTable::Kind::Text;
            QString cell = t.text(r, c).toHtmlEscaped();
            if (t.totals.value(r))
                cell = QStringLiteral("<b>%1</b>").arg(cell);
            html += QStringLiteral("<td align=\"%1\">%2</td>")
                        .arg(number ? QStringLiteral("right") : QStringLiteral("left"), cell);
        }
        html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table>");
    for (const QString &note : t.notes)
        html += QStringLiteral("<p>%1</p>").arg(note.toHtmlEscaped());
    return html;
}

} // namespace

ReportWindow::ReportWindow(Workspace &workspace, QWidget *parent)
    : QWidget(parent)
    , m_workspace(workspace) {
    setObjectName(QStringLiteral("ReportWindow"));
    setWindowTitle(QStringLiteral("Raporlar"));

    const QDate today = workspace.today();
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("periodKind"));
    m_kind->addItems({QStringLiteral("Ay"), QStringLiteral("Çeyrek"), QStringLiteral("Yıl"),
                      QStringLiteral("İki Tarih Arası")});
    m_year = new QSpinBox(this);
    m_year->setObjectName(QStringLiteral("yearBox"));
    m_year->setRange(1990, 2200);
    m_year->setValue(today.year());
    m_month = new QComboBox(this);
    m_month->setObjectName(QStringLiteral("monthBox"));
    for (int m = 1; m <= 12; ++m)
        m_month->addItem(turkish.standaloneMonthName(m));
    m_month->setCurrentIndex(today.month() - 1);
    m_quarter = new QComboBox(this);
    m_quarter->setObjectName(QStringLiteral("quarterBox"));
    for (int q = 1; q <= 4; ++q)
        m_quarter->addItem(QStringLiteral("%1. Çeyrek").arg(q));
    m_quarter->setCurrentIndex((today.month() - 1) / 3);
    m_from = new QLineEdit(QDate(today.year(), today.month(), 1).toString(u"dd.MM.yyyy"), this);
    m_from->setObjectName(QStringLiteral("fromDate"));
    m_to = new QLineEdit(today.toString(u"dd.MM.yyyy"), this);
    m_to->setObjectName(QStringLiteral("toDate"));
    auto *show = button(QStringLiteral("&Göster"), "showButton", this);

    auto *periodRow = new QHBoxLayout;
    periodRow->addWidget(new QLabel(QStringLiteral("Dönem:"), this));
    periodRow->addWidget(m_kind);
    periodRow->addWidget(m_year);
    periodRow->addWidget(m_month);
    periodRow->addWidget(m_quarter);
    periodRow->addWidget(m_from);
    periodRow->addWidget(m_to);
    periodRow->addWidget(show);
    periodRow->addStretch();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("reportTabs"));
    m_views[VatTab] = tableView("vatTable", this);
    m_views[BuyerTab] = tableView("buyerTable", this);
    m_views[SalesTab] = tableView("salesTable", this);
    m_tabs->addTab(m_views[VatTab], QStringLiteral("KDV Özeti"));

    auto *buyers = new QWidget(this);
    auto *buyerLayout = new QVBoxLayout(buyers);
    auto *thresholdRow = new QHBoxLayout;
    m_threshold = new QLineEdit(moneyText(defaultFormThreshold()), buyers);
    m_threshold->setObjectName(QStringLiteral("thresholdBox"));
    m_threshold->setMaximumWidth(120);
    auto *formBs = button(QStringLiteral("Form &Bs Listesini Kaydet"), "formBsButton", buyers);
    thresholdRow->addWidget(
        new QLabel(QStringLiteral("Form Ba/Bs sınırı (aylık, KDV hariç TL):"), buyers));
    thresholdRow->addWidget(m_threshold);
    thresholdRow->addWidget(formBs);
    thresholdRow->addStretch();
    buyerLayout->addLayout(thresholdRow);
    buyerLayout->addWidget(m_views[BuyerTab]);
    m_tabs->addTab(buyers, QStringLiteral("Müşteri Satışları"));

    auto *sales = new QWidget(this);
    auto *salesLayout = new QVBoxLayout(sales);
    m_chart = new QChartView(sales);
    m_chart->setObjectName(QStringLiteral("salesChart"));
    m_chart->setRenderHint(QPainter::Antialiasing);
    m_chart->setMinimumHeight(280);
    salesLayout->addWidget(m_chart, 3);
    salesLayout->addWidget(m_views[SalesTab], 2);
    m_tabs->addTab(sales, QStringLiteral("Aylık Satışlar"));

    m_notes = new QLabel(this);
    m_notes->setObjectName(QStringLiteral("notesLabel"));
    m_notes->setWordWrap(true);

    auto *csv = button(QStringLiteral("&CSV Kaydet"), "csvButton", this);
    auto *pdf = button(QStringLiteral("&PDF Kaydet"), "pdfButton", this);
    auto *close = button(QStringLiteral("&Kapat"), "closeButton", this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(csv);
    buttons->addWidget(pdf);
    buttons->addStretch();
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(periodRow);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_notes);
    layout->addLayout(buttons);

    connect(m_kind, &QComboBox::currentIndexChanged, this, &ReportWindow::periodKindChanged);
    connect(show, &QPushButton::clicked, this, &ReportWindow::showReports);
    connect(csv, &QPushButton::clicked, this, &ReportWindow::saveCsv);
    connect(pdf, &QPushButton::clicked, this, &ReportWindow::savePdf);
    connect(formBs, &QPushButton::clicked, this, &ReportWindow::saveFormBs);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_tabs, &QTabWidget::currentChanged, this, &ReportWindow::showNotes);
    // A new threshold marks the buyers again.
    connect(m_threshold, &QLineEdit::editingFinished, this, [this] {
        if (m_shown)
            showReports();
    });
    periodKindChanged();
    resize(980, 640);
}

QChart *ReportWindow::chart() const {
    return m_chart->chart();
}

void ReportWindow::periodKindChanged() {
    const int kind = m_kind->currentIndex();
    m_year->setVisible(kind != Dates);
    m_month->setVisible(kind == Month);
    m_quarter->setVisible(kind == Quarter);
    m_from->setVisible(kind == Dates);
    m_to->setVisible(kind == Dates);
}

std::optional<ReportPeriod> ReportWindow::period() {
    const int year = m_year->value();
    switch (m_kind->currentIndex()) {
    case Month:
        return monthPeriod(year, m_month->currentIndex() + 1);
    case Quarter:
        return quarterPeriod(year, m_quarter->currentIndex() + 1);
    case Year:
        return yearPeriod(year);
    default:
        break;
    }
    const std::optional<QDate> from = invoiceDate(m_from->text());
    const std::optional<QDate> to = invoiceDate(m_to->text());
    QLineEdit *wrong = !from ? m_from : !to ? m_to : nullptr;
    if (wrong) {
        Messages::info(this, QStringLiteral("%1 tarihi GG.AA.YYYY biçiminde girilmelidir (örnek: "
                                            "01.03.2026).")
                                 .arg(wrong == m_from ? QStringLiteral("Başlangıç")
                                                      : QStringLiteral("Bitiş")));
        wrong->setFocus();
        return std::nullopt;
    }
    if (*from > *to) {
        Messages::info(this, QStringLiteral("Başlangıç tarihi bitiş tarihinden sonra olamaz."));
        m_from->setFocus();
        return std::nullopt;
    }
    return ReportPeriod{*from, *to};
}

std::optional<Money> ReportWindow::threshold() {
    const std::optional<double> lira = inputNumber(m_threshold->text());
    const std::optional<Money> m = lira ? Money::fromLira(*lira) : std::nullopt;
    if (!m || *m <= Money()) {
        Messages::info(this, QStringLiteral("Form Ba/Bs sınırı bir tutar olmalıdır (örnek: "
                                            "5.000,00)."));
        m_threshold->setFocus();
        return std::nullopt;
    }
    return m;
}

void ReportWindow::showReports() {
    const std::optional<ReportPeriod> p = period();
    if (!p)
        return;
    const std::optional<Money> limit = threshold();
    if (!limit)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString note;
    const bool done = guarded(this, [&] {
        ReportSet set = reportSet(m_workspace, *p, *limit);
        note = set.note;
        m_tables[VatTab] = std::move(set.vat);
        m_tables[BuyerTab] = std::move(set.buyers);
        m_tables[SalesTab] = std::move(set.sales);
        m_formBs = std::move(set.formBs);
    });
    QGuiApplication::restoreOverrideCursor();
    if (!done)
        return;
    m_shown = p;
    for (int t = 0; t < 3; ++t)
        fillTable(m_views[t], m_tables[t]);
    fillChart(m_tables[SalesTab]);
    showNotes();
    // Invoices summarised for the first time: the user hears what was done, once.
    if (!note.isEmpty())
        Messages::info(this, note);
}

void ReportWindow::fillTable(QTableWidget *view, const ReportTable &table) {
    view->clear();
    view->setColumnCount(int(table.headers.size()));
    view->setRowCount(int(table.rows.size()));
    view->setHorizontalHeaderLabels(table.headers);
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        for (qsizetype c = 0; c < table.headers.size(); ++c) {
            auto *item = new QTableWidgetItem(table.text(r, c));
            if (table.kinds.at(c) != ReportTable::Kind::Text)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (table.totals.value(r)) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            }
            if (table.marked.value(r))
                item->setBackground(QColor(255, 224, 176));
            view->setItem(int(r), int(c), item);
        }
    }
}

void ReportWindow::fillChart(const ReportTable &sales) {
    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("Son 12 Ayın Satışları (TL)"));
    auto *base = new QBarSet(QStringLiteral("KDV Hariç Satış"));
    auto *vat = new QBarSet(QStringLiteral("KDV"));
    base->setColor(QColor(32, 86, 160));
    vat->setColor(QColor(240, 160, 60));
    QStringList months;
    double highest = 0;
    // The last row is the total: not a month.
    for (qsizetype r = 0; r + 1 < sales.rows.size(); ++r) {
        const double b = Money::fromKurus(sales.rows.at(r).at(1).toLongLong()).lira();
        const double v = Money::fromKurus(sales.rows.at(r).at(2).toLongLong()).lira();
        *base << b;
        *vat << v;
        highest = std::max(highest, b + v);
        // "Mart 2026" → "Mar 26"
        const QStringList words = sales.rows.at(r).at(0).toString().split(u' ');
        months << (words.size() == 2 ? words.at(0).left(3) + u' ' + words.at(1).right(2)
                                     : sales.rows.at(r).at(0).toString());
    }
    auto *series = new QStackedBarSeries;
    series->append(base);
    series->append(vat);
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(months);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto *y = new QValueAxis;
    y->setRange(0, highest > 0 ? highest * 1.1 : 1);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setLocalizeNumbers(true);
    chart->setLocale(turkish);
    QChart *old = m_chart->chart();
    m_chart->setChart(chart);
    delete old;
}

void ReportWindow::showNotes() {
    int tab = m_tabs->currentIndex();
    if (tab < 0 || tab > 2)
        tab = 0;
    m_notes->setText(m_tables[tab].notes.join(u'\n'));
}

QString ReportWindow::proposedName(const QString &stem, const QString &suffix) const {
    const QString when = m_shown ? QStringLiteral("%1-%2").arg(m_shown->from.toString(u"yyyyMMdd"),
                                                               m_shown->to.toString(u"yyyyMMdd"))
                                 : QString();
    return m_workspace.filePath(QStringLiteral("%1-%2.%3").arg(stem, when, suffix));
}

void ReportWindow::saveCsv() {
    const int tab = std::clamp(m_tabs->currentIndex(), 0, 2);
    static const char *stems[] = {"kdv-ozeti", "musteri-satislari", "aylik-satislar"};
    if (const std::optional<QString> path =
            saveTableCsv(m_tables[tab], QStringLiteral("CSV Kaydet"),
                         QString::fromLatin1(stems[tab]), QStringLiteral("CSV dosyası")))
        Messages::info(this, QStringLiteral("CSV dosyası kaydedildi: %1").arg(*path));
}

void ReportWindow::saveFormBs() {
    const std::optional<QString> path =
        saveTableCsv(m_formBs, QStringLiteral("Form Bs Listesini Kaydet"), u"form-bs"_qs,
                     QStringLiteral("Form Bs listesi"));
    if (!path)
        return;
    QString text = QStringLiteral("Form Bs listesi kaydedildi (%1 alıcı): %2")
                       .arg(m_formBs.rows.size())
                       .arg(*path);
    for (const QString &note : m_formBs.notes)
        text += u'\n' + note;
    Messages::info(this, text);
}

// Asks where and writes the table as CSV, whole or not at all; the path once written, nothing
// when the user gave none or it failed (then said, naming `what`).
std::optional<QString> ReportWindow::saveTableCsv(const ReportTable &table, const QString &title,
                                                  const QString &stem, const QString &what) {
    if (!m_shown) {
        Messages::info(this, QStringLiteral("Önce Göster düğmesiyle raporu hazırlayınız."));
        return std::nullopt;
    }
    const std::optional<QString> path =
        Choosers::choosePath(this, Choosers::PathKind::SaveFile, title,
                             proposedName(stem, u"csv"_qs), QStringLiteral("CSV dosyası (*.csv)"));
    if (!path)
        return std::nullopt;
    if (const QString why = saveWhole(*path, csvText(table)); !why.isEmpty()) {
        Messages::error(this, QStringLiteral("%1 yazılamadı: %2\n%3").arg(what, *path, why));
        return std::nullopt;
    }
    return path;
}

void ReportWindow::savePdf() {
    if (!m_shown) {
        Messages::info(this, QStringLiteral("Önce Göster düğmesiyle raporu hazırlayınız."));
        return;
    }
    const int tab = std::clamp(m_tabs->currentIndex(), 0, 2);
    static const char *stems[] = {"kdv-ozeti", "musteri-satislari", "aylik-satislar"};
    const std::optional<QString> path =
        Choosers::choosePath(this, Choosers::PathKind::SaveFile, QStringLiteral("PDF Kaydet"),
                             proposedName(QString::fromLatin1(stems[tab]), u"pdf"_qs),
                             QStringLiteral("PDF dosyası (*.pdf)"));
    if (!path)
        return;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Landscape);
        pdf.setResolution(150);
        pdf.setTitle(m_tables[tab].title);
        QTextDocument doc;
        doc.setHtml(tableHtml(m_tables[tab], periodText(*m_shown)));
        if (tab == SalesTab) {
            // The chart above the table, as the window shows it.
            const QImage picture = m_chart->grab().toImage();
            doc.addResource(QTextDocument::ImageResource, QUrl(u"grafik.png"_qs), picture);
            doc.setHtml(QStringLiteral("<img src=\"grafik.png\" width=\"700\">") +
                        tableHtml(m_tables[tab], periodText(*m_shown)));
        }
        doc.print(&pdf);
    }
    if (const QString why = saveWhole(*path, buffer.data()); !why.isEmpty()) {
        Messages::error(this, QStringLiteral("PDF dosyası yazılamadı: %1\n%2").arg(*path, why));
        return;
    }
    Messages::info(this, QStringLiteral("PDF dosyası kaydedildi: %1").arg(*path));
}
