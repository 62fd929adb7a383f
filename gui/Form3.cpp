#include "gui/Form3.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "gui/fieldkeys.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "gui/picklist.h"
#include "invoice/invoiceprint.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/customers.h"
#include "store/database.h"
#include "store/invoices.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>

namespace {

const QString newState = QStringLiteral("yeni");
const QString oldState = QStringLiteral("eski");

constexpr int columnCount = 5;
// Column widths in twips, as the printed form's columns were laid out.
constexpr int columnTwips[columnCount] = {1500, 3500, 500, 2500, 2960};

// Only the two arrows of an up-down control: each click runs `step` with +1 or -1; the
// value lives in the field beside it.
class StepArrows : public QAbstractSpinBox {
public:
    StepArrows(std::function<void(int)> step, QWidget *parent)
        : QAbstractSpinBox(parent)
        , m_step(std::move(step)) {
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        setFocusPolicy(Qt::NoFocus);
        lineEdit()->setReadOnly(true);
        lineEdit()->setFocusPolicy(Qt::NoFocus);
    }

    void stepBy(int steps) override { m_step(steps > 0 ? 1 : -1); }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    std::function<void(int)> m_step;
};

QString today() {
    return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
}

QString cellText(const QTableWidget *grid, int row, int column) {
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

// Keeps the text a combo box shows while its entries are replaced.
void replaceEntries(QComboBox *combo, const QStringList &entries, bool keepText) {
    const QString text = combo->currentText();
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
    combo->setEditText(keepText ? text : QString());
}

} // namespace

Form3::Form3(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Fatura Giriş"));
    buildWindow();
    load();
    m_invoiceNumber->setFocus();
}

void Form3::buildWindow() {
    const auto edit = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    const auto combo = [this](const char *name, bool editable) {
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        // Only a real pick loads a customer; typed text stays as typed.
        if (editable)
            makePickList(c);
        return c;
    };
    const auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    const auto caption = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    const auto rightAligned = [](QLineEdit *e) {
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return e;
    };

    m_invoiceNumber = edit("Text12");
    m_customerNumber = combo("Combo1", true);
    m_customerName = combo("Combo2", true);
    m_address = edit("Text11");
    m_address2 = edit("Text16");
    m_taxOffice = edit("Text2");
    m_invoiceDate = edit("Text1");
    m_deliveryDate = edit("Text13");
    m_deliveryNumber = edit("Text4");
    m_vatMode = combo("Combo3", false);
    m_description = edit("Text3");
    m_discount = rightAligned(edit("Text14"));
    m_quantity = rightAligned(edit("Text9"));
    m_unitPrice = rightAligned(edit("Text10"));
    m_add = button("Command2", QStringLiteral("EKLE"));
    m_subtotal = rightAligned(edit("Text5"));
    m_discountTotal = rightAligned(edit("Text15"));
    m_vatRate = rightAligned(edit("Text8"));
    m_vatStep = new StepArrows([this](int step) { stepVatRate(step); }, this);
    m_vatStep->setObjectName(QStringLiteral("UpDown1"));
    m_vat = rightAligned(edit("Text6"));
    m_grandTotal = rightAligned(edit("Text7"));
    m_words = new QLabel(this);
    m_words->setObjectName(QStringLiteral("Label4"));
    m_newInvoice = button("Command1", QStringLiteral("YENİ FATURA"));
    m_save = button("Command3", QStringLiteral("KAYDET YAZDIR"));
    m_newCustomer = button("Command4", QStringLiteral("Yeni Aç"));
    m_list = button("Command5", QStringLiteral(" Liste"));

    m_address->setMaxLength(100);
    m_address2->setMaxLength(100);
    for (QWidget *w :
         {static_cast<QWidget *>(m_invoiceDate), static_cast<QWidget *>(m_deliveryDate),
          static_cast<QWidget *>(m_deliveryNumber), static_cast<QWidget *>(m_vatMode)})
        w->setMaximumWidth(200);
    m_vatRate->setMaximumWidth(50);
    m_discount->setMaximumWidth(60);
    m_quantity->setMaximumWidth(80);
    m_unitPrice->setMaximumWidth(110);
    m_vatStep->setFixedSize(20, m_vatRate->sizeHint().height());

    // Header: invoice and customer on the left, dates and VAT mode on the right.
    auto *header = new QGridLayout;
    header->addWidget(caption(QStringLiteral("Fatura No:"), m_invoiceNumber), 0, 0);
    header->addWidget(m_invoiceNumber, 0, 1);
    header->addWidget(m_list, 0, 2);
    header->addWidget(caption(QStringLiteral("Müşteri No:"), m_customerNumber), 1, 0);
    header->addWidget(m_customerNumber, 1, 1);
    header->addWidget(m_newCustomer, 1, 2);
    header->addWidget(caption(QStringLiteral("Adı Soyadı:"), m_customerName), 2, 0);
    header->addWidget(m_customerName, 2, 1, 1, 2);
    header->addWidget(caption(QStringLiteral("Adresi:"), m_address), 3, 0);
    header->addWidget(m_address, 3, 1, 1, 2);
    header->addWidget(m_address2, 4, 1, 1, 2);
    header->addWidget(caption(QStringLiteral("Vergi Dairesi/No:"), m_taxOffice), 5, 0);
    header->addWidget(m_taxOffice, 5, 1, 1, 2);
    header->addWidget(caption(QStringLiteral("Fatura Tarihi:"), m_invoiceDate), 0, 4);
    header->addWidget(m_invoiceDate, 0, 5);
    header->addWidget(caption(QStringLiteral("İrsaliyeTarihi:"), m_deliveryDate), 1, 4);
    header->addWidget(m_deliveryDate, 1, 5);
    header->addWidget(caption(QStringLiteral("İrsaliye No:"), m_deliveryNumber), 2, 4);
    header->addWidget(m_deliveryNumber, 2, 5);
    header->addWidget(caption(QStringLiteral("KDV Dahil/Hariç:"), m_vatMode), 3, 4);
    header->addWidget(m_vatMode, 3, 5);
    header->setColumnStretch(1, 1);
    header->setColumnMinimumWidth(3, 24);

    // The line entry and EKLE stand together in one frame.
    auto *entry = new QGroupBox(this);
    auto *entryRow = new QHBoxLayout(entry);
    entryRow->addWidget(caption(QStringLiteral("Ürün Adı:"), m_description));
    entryRow->addWidget(m_description, 1);
    entryRow->addWidget(caption(QStringLiteral("İsk %: "), m_discount));
    entryRow->addWidget(m_discount);
    entryRow->addWidget(caption(QStringLiteral("Miktar: "), m_quantity));
    entryRow->addWidget(m_quantity);
    entryRow->addWidget(caption(QStringLiteral("Br.Fiyat: "), m_unitPrice));
    entryRow->addWidget(m_unitPrice);
    entryRow->addWidget(m_add);

    m_grid = new QTableWidget(1, columnCount, this);
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_grid->setMinimumHeight(8 * (fontMetrics().height() + 8));
    m_grid->setFocusPolicy(Qt::NoFocus);
    const QStringList headers = {QStringLiteral("MİKTAR"), QStringLiteral("AÇIKLAMA"),
                                 QStringLiteral("İSK.%"), QStringLiteral("BİRİM FİYAT"),
                                 QStringLiteral("TUTAR")};
    // The widths follow the screen's resolution: 15 twips are one pixel at 96 dpi. A column
    // is never narrower than its header.
    const double pixelsPerTwip = logicalDpiX() / 1440.0;
    int gridWidth = 0;
    for (int c = 0; c < columnCount; ++c) {
        auto *item = new QTableWidgetItem(headers.at(c));
        item->setTextAlignment(Qt::AlignCenter);
        m_grid->setHorizontalHeaderItem(c, item);
        const int width = std::max(int(columnTwips[c] * pixelsPerTwip + 0.5),
                                   m_grid->horizontalHeader()->sectionSizeHint(c));
        m_grid->setColumnWidth(c, width);
        gridWidth += width;
    }
    m_grid->setMinimumWidth(gridWidth + 2 * m_grid->frameWidth() +
                            m_grid->verticalScrollBar()->sizeHint().width());

    // Totals, one under the other, the VAT rate with its arrows beside the VAT amount.
    auto *totals = new QGridLayout;
    const auto totalRow = [&](int row, const QString &text, QLineEdit *field) {
        totals->addWidget(caption(text, field), row, 0, 1, 3, Qt::AlignRight);
        totals->addWidget(field, row, 3);
    };
    totalRow(0, QStringLiteral("Ara Toplam:"), m_subtotal);
    totalRow(1, QStringLiteral("İskonto:"), m_discountTotal);
    totals->addWidget(caption(QStringLiteral("KDV%:"), m_vatRate), 2, 0, Qt::AlignRight);
    totals->addWidget(m_vatRate, 2, 1);
    totals->addWidget(m_vatStep, 2, 2);
    totals->addWidget(m_vat, 2, 3);
    totalRow(3, QStringLiteral("Genel Toplam:"), m_grandTotal);
    totals->setColumnMinimumWidth(3, 150);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_newInvoice);
    buttons->addWidget(m_save);
    buttons->addStretch();

    auto *bottom = new QHBoxLayout;
    bottom->addLayout(buttons);
    bottom->addStretch();
    bottom->addLayout(totals);

    auto *words = new QHBoxLayout;
    words->addWidget(new QLabel(QStringLiteral("Yalnız;"), this));
    words->addWidget(m_words, 1);
    words->addWidget(new QLabel(QStringLiteral("YTL/YKR"), this));
    m_words->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_words->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *page = new QVBoxLayout(this);
    page->addLayout(header);
    page->addWidget(entry);
    page->addWidget(m_grid, 1);
    page->addLayout(bottom);
    page->addLayout(words);

    // The saved invoice numbers, shown over the window below " Liste" when asked for.
    m_invoiceList = new QListWidget(this);
    m_invoiceList->setObjectName(QStringLiteral("List1"));
    m_invoiceList->hide();
    m_invoiceList->installEventFilter(this);
    m_invoiceList->viewport()->installEventFilter(this);

    resize(sizeHint().width(), std::max(sizeHint().height(), 640));

    const QList<QWidget *> order = {
        m_invoiceNumber, m_customerNumber, m_customerName, m_address,        m_address2,
        m_taxOffice,     m_invoiceDate,    m_deliveryDate, m_deliveryNumber, m_vatMode,
        m_description,   m_discount,       m_quantity,     m_unitPrice,      m_add};
    new EnterChain(order, this);
    new FocusColours(order.mid(0, order.size() - 1), this);
    const QList<QWidget *> rest = {m_subtotal, m_discountTotal, m_vatRate,
                                   m_vat,      m_grandTotal,    m_newInvoice,
                                   m_save,     m_newCustomer,   m_list};
    const QList<QWidget *> tabs = order + rest;
    for (qsizetype i = 0; i + 1 < tabs.size(); ++i)
        setTabOrder(tabs.at(i), tabs.at(i + 1));

    connect(m_add, &QPushButton::clicked, this, &Form3::addTypedLine);
    connect(m_newInvoice, &QPushButton::clicked, this, &Form3::newInvoice);
    connect(m_save, &QPushButton::clicked, this, &Form3::saveClicked);
    connect(m_newCustomer, &QPushButton::clicked, this, &Form3::newCustomerRequested);
    connect(m_list, &QPushButton::clicked, this, &Form3::showInvoiceList);
    connect(m_customerNumber, &QComboBox::activated, this,
            [this](int i) { pickCustomerByNumber(m_customerNumber->itemText(i)); });
    connect(m_customerName, &QComboBox::activated, this,
            [this](int i) { pickCustomerByName(m_customerName->itemText(i)); });
    connect(m_invoiceList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        faturabul(item->text());
        m_invoiceList->hide();
    });
    // The amount in words follows the grand total, whoever changes it.
    connect(m_grandTotal, &QLineEdit::textChanged, this, [this](const QString &total) {
        m_words->setText(total.isEmpty() ? QString() : yaziyacevir(total));
    });
}

void Form3::load() {
    m_totals.discountTotal = 0;
    musteriload();
    for (QLineEdit *e : {m_address, m_address2, m_taxOffice, m_deliveryNumber, m_subtotal, m_vat,
                         m_grandTotal, m_discountTotal})
        e->clear();
    m_words->clear();
    cutGrid();
    m_invoiceList->clear();
    guarded(this, [&] {
        const ayarlar a = ayarlari_oku(2);
        m_vatRate->setText(a.kdv_yuzde.trimmed());
        Database db(databasePath(a.veritabani_yolu));
        const QList<qint64> numbers = invoiceNumbers(db);
        for (qint64 n : numbers)
            m_invoiceList->addItem(QString::number(n));
        m_invoiceNumber->setText(QString::number(nextInvoiceNumber(numbers)));
    });
    m_vatMode->clear();
    m_vatMode->addItems({QStringLiteral("Dahil"), QStringLiteral("Hariç")});
    m_vatMode->setCurrentIndex(VatIncluded);
    m_state = newState;
}

void Form3::musteriload() {
    replaceEntries(m_customerNumber, {}, false);
    replaceEntries(m_customerName, {}, false);
    m_state = newState;
    m_totals.subtotal = 0;
    m_invoiceDate->setText(today());
    m_deliveryDate->setText(today());
    guarded(this, [&] {
        Database db(settingsDatabase());
        const CustomerLists lists = customerLists(db);
        replaceEntries(m_customerNumber, lists.numbers, false);
        replaceEntries(m_customerName, lists.names, false);
    });
}

void Form3::refreshCustomerLists() {
    guarded(this, [&] {
        Database db(settingsDatabase());
        const CustomerLists lists = customerLists(db);
        replaceEntries(m_customerNumber, lists.numbers, true);
        replaceEntries(m_customerName, lists.names, true);
    });
}

void Form3::pickCustomerByNumber(const QString &number) {
    const std::optional<qint64> n = wholeNumber(number);
    if (!n) {
        Messages::info(this, QStringLiteral("Müşteri No geçersiz!"));
        return;
    }
    guarded(this, [&] {
        Database db(settingsDatabase());
        if (const std::optional<Customer> m = customerByNumber(db, *n)) {
            m_customerName->setEditText(m->adi_soyadi);
            m_address->setText(m->adresi);
            m_address2->setText(m->adresi2);
            m_taxOffice->setText(m->vergidaire_no);
        }
    });
}

void Form3::pickCustomerByName(const QString &name) {
    guarded(this, [&] {
        Database db(settingsDatabase());
        if (const std::optional<Customer> m = customerByName(db, name)) {
            m_customerNumber->setEditText(QString::number(m->sirano));
            m_address->setText(m->adresi);
            m_address2->setText(m->adresi2);
            m_taxOffice->setText(m->vergidaire_no);
        }
    });
}

void Form3::addTypedLine() {
    const LineResult line = addLine(
        m_totals,
        {m_description->text(), m_discount->text(), m_quantity->text(), m_unitPrice->text()},
        m_vatRate->text(), m_vatMode->currentIndex());
    if (!line.error.isEmpty()) {
        Messages::info(this, line.error);
        return;
    }
    m_discount->clear();
    showLine(line);
}

// Appends the line in the empty last row, adds a new empty row below it and shows the
// totals after it; the line entry is emptied, the discount percent aside.
void Form3::showLine(const LineResult &line) {
    const int row = m_grid->rowCount() - 1;
    m_grid->insertRow(row + 1);
    const LineCells &c = line.cells;
    const QString texts[columnCount] = {c.quantity, c.description, c.discount, c.unitPrice,
                                        c.amount};
    for (int col = 0; col < columnCount; ++col) {
        auto *item = new QTableWidgetItem(texts[col]);
        item->setTextAlignment(col == 1 ? Qt::AlignLeft | Qt::AlignVCenter
                                        : Qt::AlignRight | Qt::AlignVCenter);
        m_grid->setItem(row, col, item);
    }
    m_grid->scrollToItem(m_grid->item(row, 0));

    m_discountTotal->setText(line.totals.discountTotal);
    m_subtotal->setText(line.totals.subtotal);
    m_description->clear();
    m_quantity->clear();
    m_unitPrice->clear();
    m_description->setFocus();
    m_vat->setText(line.totals.vat);
    m_grandTotal->setText(line.totals.grandTotal);
}

void Form3::cutGrid() {
    m_grid->setRowCount(0);
    m_grid->setRowCount(1);
}

void Form3::newInvoice() {
    m_invoiceNumber->setEnabled(true);
    load();
    m_description->setText(QStringLiteral("Muayene Bedeli"));
    m_quantity->setText(QStringLiteral("1"));
    m_unitPrice->setText(QStringLiteral("10,00"));
    m_invoiceNumber->setFocus();
}

void Form3::saveClicked() {
    const QString problem = saveCheck(windowTexts());
    if (!problem.isEmpty()) {
        Messages::info(this, problem);
        return;
    }
    transfer();
}

InvoiceTexts Form3::windowTexts() const {
    InvoiceTexts t;
    t.invoiceNumber = m_invoiceNumber->text();
    t.customerNumber = m_customerNumber->currentText();
    t.customerName = m_customerName->currentText();
    t.address = m_address->text();
    t.address2 = m_address2->text();
    t.taxOffice = m_taxOffice->text();
    t.vatMode = m_vatMode->currentIndex();
    t.invoiceDate = m_invoiceDate->text();
    t.deliveryNoteNumber = m_deliveryNumber->text();
    t.deliveryNoteDate = m_deliveryDate->text();
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        t.lines << LineCells{cellText(m_grid, row, 0), cellText(m_grid, row, 1),
                             cellText(m_grid, row, 2), cellText(m_grid, row, 3),
                             cellText(m_grid, row, 4)};
    }
    return t;
}

void Form3::transfer() {
    const std::optional<InvoiceRecord> record = invoiceRecord(windowTexts());
    if (!record) {
        Messages::info(this, QStringLiteral("Fatura No geçersiz!"));
        return;
    }
    const bool replacing = m_state != newState;
    bool refused = false;
    const bool written = guarded(this, [&] {
        Database db(settingsDatabase(), Database::Access::Write);
        if (replacing)
            replaceInvoice(db, record->header, record->lines);
        else
            refused = !insertInvoice(db, record->header, record->lines);
    });
    if (!written)
        return;
    if (refused) {
        Messages::info(this, alreadyStoredMessage(record->header.faturano));
        return;
    }
    if (replacing)
        m_invoiceNumber->setEnabled(false);
    if (Messages::ask(this, QStringLiteral("Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"),
                      QStringLiteral("İşlem tamam")))
        yazdir();
    close();
}

namespace {

Form3::PrintTargetFactory &printTargetFactory() {
    static Form3::PrintTargetFactory factory;
    return factory;
}

} // namespace

void Form3::setPrintTargetFactory(PrintTargetFactory factory) {
    printTargetFactory() = std::move(factory);
}

void Form3::yazdir() {
    const InvoicePrintInputs inputs{m_invoiceNumber->text(), m_taxOffice->text(),
                                    m_vatMode->currentIndex(), m_vat->text(), m_vatRate->text()};
    guarded(this, [&] {
        const ayarlar settings = ayarlari_oku(23);
        const QString stem = QStringLiteral("fatura-") + inputs.invoiceNumber.trimmed();
        PrintTarget target =
            printTargetFactory() ? printTargetFactory()(stem) : programPrintTarget(stem);
        printSavedInvoice(*target.printer, settings, inputs);
        target.printer->finish();
        if (!target.pdfPath.isEmpty())
            Messages::info(this, pdfNotice(target.pdfPath));
    });
    close();
}

void Form3::faturabul(const QString &number) {
    const std::optional<qint64> n = wholeNumber(number);
    if (!n) {
        Messages::info(this, QStringLiteral("Fatura No geçersiz!"));
        return;
    }
    QList<StoredRow> rows;
    if (!guarded(this, [&] {
            Database db(settingsDatabase());
            rows = invoiceRows(db, *n);
        }))
        return;

    // The lines shown so far go, and with them their sums.
    cutGrid();
    m_totals = InvoiceTotals();
    if (rows.isEmpty()) {
        for (QLineEdit *e : {m_subtotal, m_discountTotal, m_vat, m_grandTotal})
            e->clear();
        Messages::info(this, QStringLiteral("Fatura bulunamadı !"));
        return;
    }

    m_state = oldState;
    // The header comes from the first row; a column without a value keeps its box as it was.
    const StoredRow &first = rows.first();
    if (first.faturano)
        m_invoiceNumber->setText(QString::number(*first.faturano));
    m_invoiceNumber->setEnabled(false);
    if (first.musterino)
        m_customerNumber->setEditText(*first.musterino);
    if (first.adi_soyadi)
        m_customerName->setEditText(*first.adi_soyadi);
    if (first.kdvdahil && (*first.kdvdahil == VatIncluded || *first.kdvdahil == VatExcluded))
        m_vatMode->setCurrentIndex(*first.kdvdahil);
    const auto fill = [](QLineEdit *box, const std::optional<QString> &value) {
        if (value)
            box->setText(*value);
    };
    fill(m_address, first.adresi);
    fill(m_address2, first.adresi2);
    fill(m_taxOffice, first.vergidaire_no);
    fill(m_invoiceDate, first.fatura_tarihi);
    fill(m_deliveryNumber, first.irsaliye_no);
    fill(m_deliveryDate, first.irsaliye_tarihi);

    // Every line goes through the same arithmetic as a typed one, totals after each.
    for (const StoredRow &row : rows) {
        const LineResult line =
            addStoredLine(m_totals, row.miktar.value_or(0), row.aciklama.value_or(QString()),
                          row.iskonto.value_or(QString()), row.br_fiyat.value_or(QString()),
                          m_vatRate->text(), m_vatMode->currentIndex());
        if (line.error.isEmpty())
            showLine(line);
    }
    m_state = oldState;
}

void Form3::stepVatRate(int step) {
    if (const std::optional<QString> rate = steppedVatRate(m_vatRate->text(), step))
        m_vatRate->setText(*rate);
}

void Form3::showInvoiceList() {
    const QPoint below = m_list->mapTo(this, QPoint(0, m_list->height()));
    const int height = std::min(240, std::max(80, this->height() - below.y() - 8));
    m_invoiceList->setGeometry(below.x(), below.y(), std::max(120, m_list->width()), height);
    m_invoiceList->show();
    m_invoiceList->raise();
    m_invoiceList->setFocus();
}

bool Form3::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_invoiceList && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        m_invoiceList->hide();
        return true;
    }
    if (watched == m_invoiceList->viewport() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        m_invoiceList->hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
