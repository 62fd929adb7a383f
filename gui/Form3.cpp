#include "gui/Form3.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "gui/customerpicker.h"
#include "gui/fieldkeys.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "gui/pagedlist.h"
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
#include <QListView>
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

} // namespace

Form3::Form3(Workspace &workspace, QWidget *parent)
    : QWidget(parent)
    , m_workspace(workspace) {
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
    const auto combo = [this](const char *name) {
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
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
    m_customerNumber = combo("Combo1");
    m_customerName = combo("Combo2");
    // Only a real pick loads a customer; typed text stays as typed.
    m_customers = customerModel(m_workspace, this);
    makeCustomerPicker(m_customerNumber, m_customers, CustomerColumn::Number, m_workspace,
                       [this](const QString &number) { pickCustomerByNumber(number); });
    makeCustomerPicker(m_customerName, m_customers, CustomerColumn::Name, m_workspace,
                       [this](const QString &name) { pickCustomerByName(name); });
    m_address = edit("Text11");
    m_address2 = edit("Text16");
    m_taxOffice = edit("Text2");
    m_invoiceDate = edit("Text1");
    m_deliveryDate = edit("Text13");
    m_deliveryNumber = edit("Text4");
    m_vatMode = combo("Combo3");
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
    m_invoiceList = new QListView(this);
    m_invoiceList->setObjectName(QStringLiteral("List1"));
    m_invoiceList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_invoiceList->setUniformItemSizes(true);
    m_invoiceNumbers = new PagedModel(
        1,
        [this](const QVariant &key, int count) {
            Database db(m_workspace.databasePath());
            QList<PagedRow> rows;
            const std::optional<qint64> after =
                key.isValid() ? std::optional<qint64>(key.toLongLong()) : std::nullopt;
            for (qint64 n : invoiceNumbersAfter(db, after, count))
                rows << PagedRow{n, {QString::number(n)}};
            return rows;
        },
        this);
    m_invoiceList->setModel(m_invoiceNumbers);
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
    connect(m_invoiceList, &QListView::doubleClicked, this, [this](const QModelIndex &index) {
        faturabul(index.data().toString());
        m_invoiceList->hide();
    });
    // The figures follow the VAT rate and mode at once, so screen and paper never disagree.
    connect(m_vatRate, &QLineEdit::textChanged, this, [this](const QString &rate) {
        m_invoice.setVatRate(rate);
        showFigures();
    });
    connect(m_vatMode, &QComboBox::currentIndexChanged, this, [this](int mode) {
        m_invoice.vatMode = mode;
        showFigures();
    });
    // The amount in words follows the grand total, whoever changes it.
    connect(m_grandTotal, &QLineEdit::textChanged, this, [this](const QString &total) {
        m_words->setText(total.isEmpty() ? QString() : yaziyacevir(total));
    });
}

void Form3::load() {
    m_invoice = Invoice();
    m_stored = InvoiceInfo();
    showToday();
    for (QLineEdit *e : {m_address, m_address2, m_taxOffice, m_deliveryNumber})
        e->clear();
    cutGrid();
    // Every read in one go: books that cannot be reached are waited for and reported once,
    // not once for each list.
    guarded(this, [&] {
        const ayarlar a = m_workspace.readSettings(2);
        m_vatRate->setText(a.kdv_yuzde.trimmed());
        reloadPickLists(m_customers, {m_customerNumber, m_customerName}, false);
        // The list reads only its first page now, the rest as the user scrolls.
        m_invoiceNumbers->reload();
        Database db(m_workspace.databasePath(a));
        m_invoiceNumber->setText(QString::number(nextInvoiceNumber(largestInvoiceNumber(db))));
    });
    m_vatMode->clear();
    m_vatMode->addItems({QStringLiteral("Dahil"), QStringLiteral("Hariç")});
    m_vatMode->setCurrentIndex(VatIncluded);
    // Setting a field to the text it already has tells nobody: the model takes both here.
    m_invoice.setVatRate(m_vatRate->text());
    m_invoice.vatMode = m_vatMode->currentIndex();
    m_state = newState;
}

void Form3::musteriload() {
    showToday();
    guarded(this, [&] { reloadPickLists(m_customers, {m_customerNumber, m_customerName}, false); });
}

void Form3::showToday() {
    m_state = newState;
    const QString today = m_workspace.today().toString(QStringLiteral("dd.MM.yyyy"));
    m_invoiceDate->setText(today);
    m_deliveryDate->setText(today);
}

void Form3::refreshCustomerLists() {
    guarded(this, [&] { reloadPickLists(m_customers, {m_customerNumber, m_customerName}, true); });
}

void Form3::pickCustomerByNumber(const QString &number) {
    const std::optional<qint64> n = wholeNumber(number);
    if (!n) {
        Messages::info(this, QStringLiteral("Müşteri No geçersiz!"));
        return;
    }
    guarded(this, [&] {
        Database db(m_workspace.databasePath());
        if (const std::optional<Customer> c = customerByNumber(db, *n)) {
            m_customerName->setEditText(c->adi_soyadi);
            m_address->setText(c->adresi);
            m_address2->setText(c->adresi2);
            m_taxOffice->setText(c->vergidaire_no);
        }
    });
}

void Form3::pickCustomerByName(const QString &name) {
    guarded(this, [&] {
        Database db(m_workspace.databasePath());
        if (const std::optional<Customer> c = customerByName(db, name)) {
            m_customerNumber->setEditText(QString::number(c->sirano));
            m_address->setText(c->adresi);
            m_address2->setText(c->adresi2);
            m_taxOffice->setText(c->vergidaire_no);
        }
    });
}

void Form3::addTypedLine() {
    const QString problem = addLine(m_invoice, {m_description->text(), m_discount->text(),
                                                m_quantity->text(), m_unitPrice->text()});
    if (!problem.isEmpty()) {
        Messages::info(this, problem);
        return;
    }
    m_discount->clear();
    const InvoiceFigures figures = computeFigures(m_invoice);
    showLine(m_invoice.lines.last(), figures.lineAmounts.last());
    m_description->clear();
    m_quantity->clear();
    m_unitPrice->clear();
    m_description->setFocus();
    showFigures();
}

// Appends the line in the empty last row and adds a new empty row below it.
void Form3::showLine(const InvoiceLine &line, const QString &amount) {
    const int row = m_grid->rowCount() - 1;
    m_grid->insertRow(row + 1);
    const QString texts[columnCount] = {line.quantityText, line.description, line.discountText,
                                        line.unitPriceText, amount};
    for (int col = 0; col < columnCount; ++col) {
        auto *item = new QTableWidgetItem(texts[col]);
        item->setTextAlignment(col == 1 ? Qt::AlignLeft | Qt::AlignVCenter
                                        : Qt::AlignRight | Qt::AlignVCenter);
        m_grid->setItem(row, col, item);
    }
    m_grid->scrollToItem(m_grid->item(row, 0));
}

// The totals fields show the model's figures; with no line yet they stay empty.
void Form3::showFigures() {
    if (m_invoice.lines.isEmpty()) {
        for (QLineEdit *e : {m_subtotal, m_discountTotal, m_vat, m_grandTotal})
            e->clear();
        return;
    }
    const InvoiceFigures figures = computeFigures(m_invoice);
    m_subtotal->setText(figures.subtotalText);
    m_discountTotal->setText(figures.discountTotalText);
    m_vat->setText(figures.vatText);
    m_grandTotal->setText(figures.grandTotalText);
}

void Form3::cutGrid() {
    m_invoice.lines.clear();
    m_grid->setRowCount(0);
    m_grid->setRowCount(1);
    showFigures();
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
    const QString problem = saveCheck(headerTexts());
    if (!problem.isEmpty()) {
        Messages::info(this, problem);
        return;
    }
    transfer();
}

HeaderTexts Form3::headerTexts() const {
    return HeaderTexts{m_invoiceNumber->text(),
                       m_customerNumber->currentText(),
                       m_customerName->currentText(),
                       m_address->text(),
                       m_address2->text(),
                       m_taxOffice->text(),
                       m_invoiceDate->text(),
                       m_deliveryNumber->text(),
                       m_deliveryDate->text()};
}

void Form3::transfer() {
    const std::optional<InvoiceHeader> header = invoiceHeader(headerTexts());
    if (!header) {
        Messages::info(this, QStringLiteral("Fatura No geçersiz!"));
        return;
    }
    // Nothing would be stored, and a replacement would delete the stored invoice.
    if (const QString problem = lineCheck(m_invoice); !problem.isEmpty()) {
        Messages::info(this, problem);
        m_description->setFocus();
        return;
    }
    m_invoice.header = *header;
    const InvoiceRecord record = invoiceRecord(m_invoice);
    const bool replacing = m_state != newState;
    bool refused = false;
    InvoiceInfo info = m_stored;
    const bool written = guarded(this, [&] {
        Database db(m_workspace.databasePath(), Database::Access::Write);
        if (replacing)
            refused = !replaceInvoice(db, record.header, record.lines, info);
        else
            refused = !insertInvoice(db, record.header, record.lines, info);
    });
    if (!written)
        return;
    if (refused) {
        Messages::info(this, replacing ? changedMeanwhileMessage(record.header.faturano)
                                       : alreadyStoredMessage(record.header.faturano));
        return;
    }
    m_stored = info;
    if (replacing)
        m_invoiceNumber->setEnabled(false);
    if (Messages::ask(this, QStringLiteral("Fatura Kayıt Tamamlandı.\r\nYazdırılsın mı?"),
                      QStringLiteral("İşlem tamam")) &&
        !print(QStringLiteral("Fatura kaydedildi; yazıcı hazır olunca Kaydet ile yeniden "
                              "yazdırabilirsiniz."))) {
        // The invoice is stored: the window holds it as a loaded one, so that "Kaydet"
        // stores it again unchanged and offers printing once more.
        m_state = oldState;
        m_invoiceNumber->setEnabled(false);
        return;
    }
    close();
}

bool Form3::yazdir() {
    return print(QString());
}

bool Form3::print(const QString &afterFailure) {
    const std::optional<InvoiceHeader> header = invoiceHeader(headerTexts());
    if (!header) {
        Messages::info(this, QStringLiteral("Fatura No geçersiz!"));
        return false;
    }
    m_invoice.header = *header;
    const bool printed = guarded(this, [&] {
        const ayarlar settings = m_workspace.readSettings(23);
        try {
            PrintTarget target =
                m_workspace.printTarget(QStringLiteral("fatura-%1").arg(header->number));
            printInvoice(*target.printer, settings, storedForm(m_invoice));
            target.printer->finish();
            if (!target.pdfPath.isEmpty())
                Messages::info(this, pdfNotice(target.pdfPath));
        } catch (const PrinterError &e) {
            QString text =
                e.message() +
                QStringLiteral("\n\n%1 numaralı fatura yazdırılmadı.").arg(header->number);
            if (!afterFailure.isEmpty())
                text += u' ' + afterFailure;
            throw PrinterError(text);
        }
    });
    // After a failure the window stays, so the user can print again.
    if (printed)
        close();
    return printed;
}

void Form3::faturabul(const QString &number) {
    const std::optional<qint64> n = wholeNumber(number);
    if (!n) {
        Messages::info(this, QStringLiteral("Fatura No geçersiz!"));
        return;
    }
    StoredInvoice stored;
    if (!guarded(this, [&] {
            Database db(m_workspace.databasePath());
            stored = storedInvoice(db, *n);
        }))
        return;
    const QList<StoredRow> &rows = stored.rows;

    if (rows.isEmpty()) {
        // The lines shown so far go, and with them their sums.
        cutGrid();
        Messages::info(this, QStringLiteral("Fatura bulunamadı !"));
        return;
    }
    // A column without a value keeps its box as it was.
    Invoice loaded = m_invoice;
    loaded.header = invoiceHeader(headerTexts(), *n);
    const QString problem = loadStoredRows(loaded, rows);
    if (!problem.isEmpty()) {
        Messages::error(this, problem);
        return;
    }

    cutGrid();
    m_state = oldState;
    m_stored = stored.info;
    const InvoiceHeader &h = loaded.header;
    m_invoiceNumber->setText(QString::number(h.number));
    m_invoiceNumber->setEnabled(false);
    m_customerNumber->setEditText(h.customerNumber);
    m_customerName->setEditText(h.customerName);
    m_address->setText(h.address);
    m_address2->setText(h.address2);
    m_taxOffice->setText(h.taxOffice);
    m_invoiceDate->setText(h.invoiceDate);
    m_deliveryNumber->setText(h.deliveryNoteNumber);
    m_deliveryDate->setText(h.deliveryNoteDate);
    m_invoice = loaded;
    {
        // The mode box shows the loaded mode without computing the half-shown invoice.
        const QSignalBlocker block(m_vatMode);
        m_vatMode->setCurrentIndex(loaded.vatMode);
    }
    const InvoiceFigures figures = computeFigures(m_invoice);
    for (qsizetype i = 0; i < m_invoice.lines.size(); ++i)
        showLine(m_invoice.lines.at(i), figures.lineAmounts.at(i));
    showFigures();
    // A half-typed line belongs to the invoice that was shown before, not to this one; the
    // discount percent stays, as it does after every added line.
    m_description->clear();
    m_quantity->clear();
    m_unitPrice->clear();
    m_description->setFocus();
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
