#pragma once

#include "report/reports.h"

#include <QWidget>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class Workspace;

// "Raporlar": the month's reports for a period (a month, a quarter, a year, or two dates):
// "KDV Özeti", "Müşteri Satışları" with the Form Ba/Bs threshold and the Form Bs list, and
// "Aylık Satışlar", the twelve months up to the period's end as a chart and a table. Each
// table is saved as CSV or PDF. The figures are those of report/reports.h, as fatura-rapor
// gives them.
//
// Controls by objectName: periodKind, yearBox, monthBox, quarterBox, fromDate, toDate,
// showButton, reportTabs, vatTable, buyerTable, salesTable, salesChart, thresholdBox,
// formBsButton, csvButton, pdfButton, notesLabel, closeButton.
class ReportWindow : public QWidget {
    Q_OBJECT
public:
    enum Tab { VatTab = 0, BuyerTab = 1, SalesTab = 2 };

    explicit ReportWindow(Workspace &workspace, QWidget *parent = nullptr);

    // The period the boxes name; nothing (and a message) when a date cannot be read.
    std::optional<ReportPeriod> period();
    // "Göster": brings the summaries up to date and fills the three reports.
    void showReports();
    // "CSV Kaydet" and "PDF Kaydet": the table of the tab shown.
    void saveCsv();
    void savePdf();
    // "Form Bs Listesini Kaydet".
    void saveFormBs();

    const ReportTable &table(Tab tab) const { return m_tables[tab]; }
    QChart *chart() const;

private:
    void fillTable(QTableWidget *view, const ReportTable &table);
    void fillChart(const ReportTable &sales);
    void showNotes();
    void periodKindChanged();
    std::optional<Money> threshold();
    QString proposedName(const QString &stem, const QString &suffix) const;

    Workspace &m_workspace;
    ReportTable m_tables[3];
    ReportTable m_formBs;
    std::optional<ReportPeriod> m_shown;
    QComboBox *m_kind;
    QSpinBox *m_year;
    QComboBox *m_month;
    QComboBox *m_quarter;
    QLineEdit *m_from;
    QLineEdit *m_to;
    QTabWidget *m_tabs;
    QTableWidget *m_views[3];
    QChartView *m_chart;
    QLineEdit *m_threshold;
    QLabel *m_notes;
};
