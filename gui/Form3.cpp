#include "gui/Form3.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "gui/customerpicker.h"
#include "gui/fieldkeys.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "gui/pagedlist.h"
#include "gui/picklist.h"
#include "invoice/books.h"
#include "invoice/invoiceprint.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDate>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>

namespace {

const QString newState = QStringLiteral("yeni");
const QString oldState = QStringLiteral("eski");

constexpr int columnCount = 7;
// Column widths in twips, as the printed form's columns were laid out; the rate and the unit
// came later.
constexpr int columnTwips[columnCount] = {1500, 3500, 500, 2500, 2960, 700, 1000};
constexpr int rateColumn = 5;

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
    roomyLists(this);
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
    // Enter on a button presses it, as Space does.
    const auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(true);
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
    m_customerNumbers = customerNumbers(m_workspace, this);
    m_customerNames = customerNames(m_workspace, this);
    makeCustomerPicker(m_customerNumber, m_customerNumbers, CustomerColumn::Number, m_workspace,
                       [this](qint64 key) { pickCustomer(key); });
    makeCustomerPicker(m_customerName, m_customerNames, CustomerColumn::Name, m_workspace,
                       [this](qint64 key) { pickCustomer(key); });
    m_address = edit("Text11");
    m_address2 = edit("Text16");
    m_taxOffice = edit("Text2");
    m_invoiceDate = edit("Text1");
    m_deliveryDate = edit("Text13");
    m_deliveryNumber = edit("Text4");
    m_vatMode = combo("Combo3");
    m_invoiceType = combo("Combo6");
    m_invoiceType->addItems({QStringLiteral("SATIŞ"), QStringLiteral("İADE")});
    m_returnedNumber = edit("Text19");
    m_returnedDate = edit("Text20");
    m_returnedDate->setPlaceholderText(QStringLiteral("GG.AA.YYYY"));
    m_description = edit("Text3");
    m_discount = rightAligned(edit("Text14"));
    m_quantity = rightAligned(edit("Text9"));
    m_unitPrice = rightAligned(edit("Text10"));
    m_unit = combo("Combo4");
    m_unit->setEditable(true);
    for (const Unit &u : units())
        m_unit->addItem(u.name);
    m_lineRate = rightAligned(edit("Text17"));
    m_exemption = combo("Combo5");
    m_exemption->addItem(QString());
    for (const Exemption &e : exemptions())
        m_exemption->addItem(e.code + QStringLiteral(" - ") + e.reason, e.code);
    m_exemption->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_exemption->setMinimumContentsLength(18);
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

    // The totals show the model; typing into them would only make screen and paper disagree.
    // The mouse may still select a figure to copy it; Tab passes them by.
    for (QLineEdit *total : {m_subtotal, m_discountTotal, m_vat, m_grandTotal}) {
        total->setReadOnly(true);
        total->setFocusPolicy(Qt::ClickFocus);
        QPalette p = total->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        total->setPalette(p);
    }
    m_invoiceNumber->setMaximumWidth(160);
    m_customerNumber->setMaximumWidth(160);
    m_address->setMaxLength(100);
    m_address2->setMaxLength(100);
    for (QWidget *w :
         {static_cast<QWidget *>(m_invoiceDate), static_cast<QWidget *>(m_deliveryDate),
          static_cast<QWidget *>(m_deliveryNumber), static_cast<QWidget *>(m_vatMode)})
        w->setMaximumWidth(200);
    m_vatRate->setMaximumWidth(50);
    m_discount->setMaximumWidth(60);
    m_lineRate->setMaximumWidth(50);
    m_returnedNumber->setMaximumWidth(200);
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
    header->addWidget(caption(QStringLiteral("İrsaliye Tarihi:"), m_deliveryDate), 1, 4);
    header->addWidget(m_deliveryDate, 1, 5);
    header->addWidget(caption(QStringLiteral("İrsaliye No:"), m_deliveryNumber), 2, 4);
    header->addWidget(m_deliveryNumber, 2, 5);
    header->addWidget(caption(QStringLiteral("KDV Dahil/Hariç:"), m_vatMode), 3, 4);
    header->addWidget(m_vatMode, 3, 5);
    header->addWidget(caption(QStringLiteral("Fatura Tipi:"), m_invoiceType), 4, 4);
    header->addWidget(m_invoiceType, 4, 5);
    header->addWidget(caption(QStringLiteral("İade Edilen Fatura:"), m_returnedNumber), 5, 4);
    auto *returned = new QHBoxLayout;
    returned->addWidget(m_returnedNumber, 3);
    returned->addWidget(m_returnedDate, 2);
    header->addLayout(returned, 5, 5);
    m_invoiceType->setMaximumWidth(200);
    header->setColumnStretch(1, 1);
    header->setColumnMinimumWidth(3, 24);

    // The line entry and EKLE stand together in one frame: what every line needs above, the
    // line's own rate and exemption below.
    auto *entry = new QGroupBox(this);
    auto *entryRows = new QVBoxLayout(entry);
    auto *entryRow = new QHBoxLayout;
    entryRow->addWidget(caption(QStringLiteral("Ürün Adı:"), m_description));
    entryRow->addWidget(m_description, 1);
    entryRow->addWidget(caption(QStringLiteral("İsk %: "), m_discount));
    entryRow->addWidget(m_discount);
    entryRow->addWidget(caption(QStringLiteral("Miktar: "), m_quantity));
    entryRow->addWidget(m_quantity);
    entryRow->addWidget(caption(QStringLiteral("Birim:"), m_unit));
    entryRow->addWidget(m_unit);
    entryRow->addWidget(caption(QStringLiteral("Br.Fiyat: "), m_unitPrice));
    entryRow->addWidget(m_unitPrice);
    auto *taxRow = new QHBoxLayout;
    taxRow->addStretch();
    taxRow->addWidget(caption(QStringLiteral("KDV%:"), m_lineRate));
    taxRow->addWidget(m_lineRate);
    taxRow->addWidget(caption(QStringLiteral("İstisna:"), m_exemption));
    taxRow->addWidget(m_exemption, 1);
    taxRow->addWidget(m_add);
    entryRows->addLayout(entryRow);
    entryRows->addLayout(taxRow);

    m_grid = new QTableWidget(1, columnCount, this);
    m_grid->setObjectName(QStringLiteral("MSFlexGrid1"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    // Four lines at the least, so that the window fits a small screen; more as it grows.
    m_grid->setMinimumHeight(5 * (fontMetrics().height() + 8));
    m_grid->setFocusPolicy(Qt::StrongFocus);
    m_grid->setTabKeyNavigation(false);
    const QStringList headers = {QStringLiteral("MİKTAR"), QStringLiteral("AÇIKLAMA"),
                                 QStringLiteral("İSK.%"),  QStringLiteral("BİRİM FİYAT"),
                                 QStringLiteral("TUTAR"),  QStringLiteral("KDV%"),
                                 QStringLiteral("BİRİM")};
    // The widths follow the screen's resolution: 15 twips are one pixel at 96 dpi. A column
    // is never narrower than its header.
    // The description takes what the window gives beyond that.
    const double pixelsPerTwip = logicalDpiX() / 1440.0;
    for (int c = 0; c < columnCount; ++c) {
        auto *item = new QTableWidgetItem(headers.at(c));
        item->setTextAlignment(Qt::AlignCenter);
        m_grid->setHorizontalHeaderItem(c, item);
        const int width = std::max(int(columnTwips[c] * pixelsPerTwip * 0.8 + 0.5),
                                   m_grid->horizontalHeader()->sectionSizeHint(c));
        m_grid->setColumnWidth(c, width);
    }
    m_grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_grid->horizontalHeader()->setMinimumSectionSize(
        m_grid->horizontalHeader()->sectionSizeHint(2));
    // The grid's own keys and menu: correct or remove the selected line.
    auto *correct = new QAction(QStringLiteral("Satırı Düzelt"), m_grid);
    correct->setObjectName(QStringLiteral("satiriDuzelt"));
    correct->setShortcuts(
        {QKeySequence(Qt::Key_F2), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    correct->setShortcutContext(Qt::WidgetShortcut);
    auto *remove = new QAction(QStringLiteral("Satırı Sil"), m_grid);
    remove->setObjectName(QStringLiteral("satiriSil"));
    remove->setShortcut(QKeySequence(Qt::Key_Delete));
    remove->setShortcutContext(Qt::WidgetShortcut);
    m_grid->addActions({correct, remove});
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(correct, &QAction::triggered, this, [this] { correctLine(selectedLine()); });
    connect(remove, &QAction::triggered, this, [this] { removeLine(selectedLine()); });
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row) { correctLine(row); });

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

    // The buttons, and the amount in words under them, beside the totals: one block, so that
    // the window fits a small screen.
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_newInvoice);
    buttons->addWidget(m_save);
    buttons->addStretch();
    auto *words = new QHBoxLayout;
    words->addWidget(new QLabel(QStringLiteral("Yalnız;"), this));
    words->addWidget(m_words, 1);
    words->addWidget(new QLabel(QStringLiteral("TL/Kr"), this));
    m_words->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_words->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *left = new QVBoxLayout;
    left->addLayout(buttons);
    left->addStretch();
    left->addLayout(words);

    auto *bottom = new QHBoxLayout;
    bottom->addLayout(left, 1);
    bottom->addSpacing(12);
    bottom->addLayout(totals);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(8, 6, 8, 6);
    page->setSpacing(4);
    header->setVerticalSpacing(3);
    page->addLayout(header);
    page->addWidget(entry);
    page->addWidget(m_grid, 1);
    page->addLayout(bottom);

    // The saved invoice numbers, shown over the window below " Liste" when asked for.
    // The saved invoices, shown over the window below " Liste" when asked for: a search box
    // and the invoices it picks, newest first, read a page at a time.
    m_listPanel = new QFrame(this);
    m_listPanel->setObjectName(QStringLiteral("ListePaneli"));
    m_listPanel->setFrameShape(QFrame::StyledPanel);
    m_listPanel->setAutoFillBackground(true);
    m_listSearch = new QLineEdit(m_listPanel);
    m_listSearch->setObjectName(QStringLiteral("Text21"));
    m_listSearch->setPlaceholderText(
        QStringLiteral("Ara: fatura no, müşteri adı ya da tarih (05.03.2026, 03.2026)"));
    m_listSearch->setClearButtonEnabled(true);
    m_invoiceList = new QTableView(m_listPanel);
    m_invoiceList->setObjectName(QStringLiteral("List1"));
    m_invoiceList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_invoiceList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_invoiceList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_invoiceList->setTabKeyNavigation(false);
    m_invoiceList->verticalHeader()->hide();
    m_invoiceList->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    auto *panelLayout = new QVBoxLayout(m_listPanel);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    panelLayout->addWidget(m_listSearch);
    panelLayout->addWidget(m_invoiceList, 1);
    m_invoiceNumbers = new PagedModel(
        4,
        [this](const QVariant &key, int count) {
            QList<PagedRow> rows;
            const std::optional<qint64> before =
                key.isValid() ? std::optional<qint64>(key.toLongLong()) : std::nullopt;
            for (const InvoiceListEntry &e :
                 Books(m_workspace).invoiceList(m_listSearch->text(), before, count)) {
                const QString name =
                    e.isReturn ? e.customerName + QStringLiteral(" (İADE)") : e.customerName;
                rows << PagedRow{e.number,
                                 {QString::number(e.number),
                                  e.date.toString(QStringLiteral("dd.MM.yyyy")), name,
                                  e.hasTotal ? moneyText(e.grandTotal) : QString()}};
            }
            return rows;
        },
        this);
    m_invoiceNumbers->setHeaders({QStringLiteral("Fatura No"), QStringLiteral("Tarih"),
                                  QStringLiteral("Müşteri"), QStringLiteral("Genel Toplam")});
    m_invoiceNumbers->setRightAligned({0, 3});
    m_invoiceList->setModel(m_invoiceNumbers);
    m_invoiceList->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_invoiceList->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_listPanel->hide();
    m_listSearch->installEventFilter(this);
    m_invoiceList->installEventFilter(this);
    m_invoiceList->viewport()->installEventFilter(this);

    const QList<QWidget *> order = {m_invoiceNumber, m_customerNumber, m_customerName,
                                    m_address,       m_address2,       m_taxOffice,
                                    m_invoiceDate,   m_deliveryDate,   m_deliveryNumber,
                                    m_vatMode,       m_invoiceType,    m_returnedNumber,
                                    m_returnedDate,  m_description,    m_discount,
                                    m_quantity,      m_unit,           m_unitPrice,
                                    m_lineRate,      m_exemption,      m_add};
    // Enter goes from the price to EKLE: the unit and the line's own rate keep their defaults
    // unless the user goes there; the exemption is asked for when the rate is 0.
    auto *chain = new EnterChain(order, this);
    chain->passOver(m_unit);
    chain->passOver(m_lineRate);
    new FocusColours(order.mid(0, order.size() - 1), this);
    // From EKLE one Tab to KAYDET YAZDIR, then the lines, the rate and the other buttons.
    const QList<QWidget *> rest = {m_save, m_grid, m_vatRate, m_newInvoice, m_newCustomer, m_list};
    const QList<QWidget *> tabs = order + rest;
    for (qsizetype i = 0; i + 1 < tabs.size(); ++i)
        setTabOrder(tabs.at(i), tabs.at(i + 1));
    // A customer number and Enter fills the customer, before Enter moves on: watched after
    // the chain, so seen first.
    m_customerNumber->lineEdit()->installEventFilter(this);

    const auto shortcut = [this](const QKeySequence &keys, QPushButton *target) {
        connect(new QShortcut(keys, this), &QShortcut::activated, target, &QPushButton::click);
        target->setToolTip(keys.toString(QKeySequence::NativeText));
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), m_save);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_N), m_newInvoice);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_L), m_list);

    connect(m_add, &QPushButton::clicked, this, &Form3::addTypedLine);
    connect(m_newInvoice, &QPushButton::clicked, this, &Form3::newInvoice);
    connect(m_save, &QPushButton::clicked, this, &Form3::saveClicked);
    connect(m_newCustomer, &QPushButton::clicked, this, &Form3::newCustomerRequested);
    connect(m_list, &QPushButton::clicked, this, &Form3::showInvoiceList);
    connect(m_invoiceList, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { loadListed(index.row()); });
    connect(m_listSearch, &QLineEdit::textChanged, this, [this] {
        if (m_listPanel->isVisible())
            guarded(this, [&] { m_invoiceNumbers->reload(); });
    });
    // The figures follow the VAT rate and mode at once, so screen and paper never disagree.
    connect(m_vatRate, &QLineEdit::textChanged, this, [this](const QString &rate) {
        m_invoice.setVatRate(rate);
        showFigures();
        enableExemption();
    });
    connect(m_lineRate, &QLineEdit::textChanged, this, &Form3::enableExemption);
    connect(m_invoiceType, &QComboBox::currentIndexChanged, this, &Form3::enableReturnBoxes);
    // A returned invoice of these books: its date is known.
    connect(m_returnedNumber, &QLineEdit::editingFinished, this, &Form3::fillReturnedDate);
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
    endCorrection();
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
        reloadCustomerLists(false);
        m_invoiceNumber->setText(QString::number(Books(m_workspace).proposedInvoiceNumber()));
    });
    m_vatMode->clear();
    m_vatMode->addItems({QStringLiteral("Dahil"), QStringLiteral("Hariç")});
    m_vatMode->setCurrentIndex(VatIncluded);
    m_invoiceType->setCurrentIndex(0);
    m_returnedNumber->clear();
    m_returnedDate->clear();
    enableReturnBoxes();
    clearLineBoxes();
    // Setting a field to the text it already has tells nobody: the model takes both here.
    m_invoice.setVatRate(m_vatRate->text());
    m_invoice.vatMode = m_vatMode->currentIndex();
    m_state = newState;
    markSaved();
}

void Form3::musteriload() {
    showToday();
    guarded(this, [&] { reloadCustomerLists(false); });
}

void Form3::showToday() {
    m_state = newState;
    const QString today = m_workspace.today().toString(QStringLiteral("dd.MM.yyyy"));
    m_invoiceDate->setText(today);
    m_deliveryDate->setText(today);
}

void Form3::refreshCustomerLists() {
    guarded(this, [&] { reloadCustomerLists(true); });
}

void Form3::reloadCustomerLists(bool keepTexts) {
    reloadPickLists(m_customerNumbers, {m_customerNumber}, keepTexts);
    reloadPickLists(m_customerNames, {m_customerName}, keepTexts);
}

void Form3::showCustomer(const Customer &c) {
    m_customerNumber->setEditText(QString::number(c.sirano));
    m_customerName->setEditText(c.adi_soyadi);
    m_address->setText(c.adresi);
    m_address2->setText(c.adresi2);
    m_taxOffice->setText(c.vergidaire_no);
    showFromStart();
}

void Form3::showFromStart() {
    // A long address shows its beginning, not its tail, in the narrow boxes.
    for (QLineEdit *e : {m_address, m_address2, m_taxOffice, m_deliveryNumber})
        e->setCursorPosition(0);
}

void Form3::pickCustomerByNumber(const QString &number) {
    const std::optional<qint64> n = wholeNumber(number);
    if (!n) {
        Messages::info(this, QStringLiteral("Müşteri No geçersiz!"));
        return;
    }
    std::optional<Customer> found;
    guarded(this, [&] { found = Books(m_workspace).customerByNumber(*n); });
    if (found)
        showCustomer(*found);
}

void Form3::pickCustomer(qint64 key) {
    std::optional<Customer> found;
    guarded(this, [&] { found = Books(m_workspace).customerByKey(key); });
    if (found)
        showCustomer(*found);
}

void Form3::addTypedLine() {
    const LineInput input{m_description->text(),
                          m_discount->text(),
                          m_quantity->text(),
                          m_unitPrice->text(),
                          m_lineRate->text(),
                          m_unit->currentText(),
                          m_exemption->currentData().toString()};
    // A corrected line goes back in its place, replacing itself only once it reads.
    Invoice changed = m_invoice;
    const int at = m_correcting;
    if (at >= 0)
        changed.lines.removeAt(at);
    LineField refused = LineField::None;
    const QString problem = addLine(changed, input, at, &refused);
    if (!problem.isEmpty()) {
        Messages::info(this, problem);
        focusLineField(refused);
        return;
    }
    m_invoice = changed;
    endCorrection();
    m_discount->clear();
    m_description->clear();
    m_quantity->clear();
    m_unitPrice->clear();
    clearLineBoxes();
    showLines();
    m_grid->scrollToItem(m_grid->item(at >= 0 ? at : int(m_invoice.lines.size()) - 1, 0));
    m_description->setFocus();
    showFigures();
}

// The boxes of a line that keep a default: the unit, the line's own rate, its exemption.
void Form3::clearLineBoxes() {
    m_unit->setCurrentIndex(0);
    m_unit->setEditText(units().first().name);
    m_lineRate->clear();
    m_exemption->setCurrentIndex(0);
    enableExemption();
}

// An exemption belongs only to a line at 0 %.
void Form3::enableExemption() {
    const QString own = m_lineRate->text().trimmed();
    const std::optional<double> rate = own.isEmpty() ? m_invoice.vatRate : inputNumber(own);
    const bool zero = rate && *rate == 0;
    m_exemption->setEnabled(zero);
    if (!zero)
        m_exemption->setCurrentIndex(0);
}

void Form3::enableReturnBoxes() {
    const bool isReturn = m_invoiceType->currentIndex() == 1;
    m_returnedNumber->setEnabled(isReturn);
    m_returnedDate->setEnabled(isReturn);
}

void Form3::fillReturnedDate() {
    const std::optional<qint64> n = wholeNumber(m_returnedNumber->text());
    if (!n || !m_returnedDate->text().trimmed().isEmpty())
        return;
    guarded(this, [&] {
        if (const std::optional<QString> date = Books(m_workspace).invoiceDateOf(*n))
            m_returnedDate->setText(*date);
    });
}

// Every line of the model in its row, and the empty row below the last.
void Form3::showLines() {
    const InvoiceFigures figures = computeFigures(m_invoice);
    const int lines = int(m_invoice.lines.size());
    m_grid->setRowCount(lines + 1);
    for (int col = 0; col < columnCount; ++col)
        delete m_grid->takeItem(lines, col);
    for (int row = 0; row < lines; ++row) {
        const InvoiceLine &line = m_invoice.lines.at(row);
        const QString texts[columnCount] = {line.quantityText,
                                            line.description,
                                            line.discountText,
                                            line.unitPriceText,
                                            moneyText(figures.lineAmounts.value(row)),
                                            m_invoice.rateTextOf(line),
                                            unitName(line.unit)};
        for (int col = 0; col < columnCount; ++col) {
            QTableWidgetItem *item = m_grid->item(row, col);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(col == 1 ? Qt::AlignLeft | Qt::AlignVCenter
                                                : Qt::AlignRight | Qt::AlignVCenter);
                m_grid->setItem(row, col, item);
            }
            item->setText(texts[col]);
        }
    }
}

int Form3::selectedLine() const {
    const int row = m_grid->currentRow();
    const QList<QTableWidgetItem *> selected = m_grid->selectedItems();
    const int line = selected.isEmpty() ? row : selected.first()->row();
    return line >= 0 && line < m_invoice.lines.size() ? line : -1;
}

void Form3::removeLine(int line) {
    if (line < 0 || line >= m_invoice.lines.size())
        return;
    if (line == m_correcting) {
        endCorrection();
        for (QLineEdit *e : {m_description, m_discount, m_quantity, m_unitPrice})
            e->clear();
        clearLineBoxes();
    } else if (line < m_correcting) {
        --m_correcting;
    }
    m_invoice.lines.removeAt(line);
    showLines();
    showFigures();
    // The next line takes its place under the cursor, so Delete can go on.
    const int next = std::min(line, int(m_invoice.lines.size()) - 1);
    if (next >= 0)
        m_grid->selectRow(next);
    m_grid->setFocus();
}

// The line goes back into the boxes; EKLE puts it back in its place, Esc leaves it as it was.
void Form3::correctLine(int line) {
    if (line < 0 || line >= m_invoice.lines.size())
        return;
    const LineInput input = lineInput(m_invoice.lines.at(line));
    m_correcting = line;
    m_description->setText(input.description);
    m_discount->setText(input.discountPercent);
    m_quantity->setText(input.quantity);
    m_unitPrice->setText(input.unitPrice);
    m_lineRate->setText(input.vatRate);
    m_unit->setEditText(input.unit);
    enableExemption();
    m_exemption->setCurrentIndex(std::max(0, m_exemption->findData(input.exemptionCode)));
    m_add->setText(QStringLiteral("DÜZELT"));
    m_grid->selectRow(line);
    m_description->setFocus();
    m_description->selectAll();
}

void Form3::endCorrection() {
    m_correcting = -1;
    m_add->setText(QStringLiteral("EKLE"));
}

// The totals fields show the model's figures; with no line yet they stay empty. The lines
// that take the invoice's rate show it as it changes.
void Form3::showFigures() {
    for (qsizetype i = 0; i < m_invoice.lines.size(); ++i) {
        if (QTableWidgetItem *rate = m_grid->item(int(i), rateColumn))
            rate->setText(m_invoice.rateTextOf(m_invoice.lines.at(i)));
    }
    if (m_invoice.lines.isEmpty()) {
        for (QLineEdit *e : {m_subtotal, m_discountTotal, m_vat, m_grandTotal})
            e->clear();
        m_vat->setToolTip(QString());
        return;
    }
    const FigureTexts texts = figureTexts(m_invoice, computeFigures(m_invoice));
    m_subtotal->setText(texts.subtotal);
    m_discountTotal->setText(texts.discountTotal);
    m_vat->setText(texts.vat);
    m_vat->setToolTip(texts.vatByRate);
    m_grandTotal->setText(texts.grandTotal);
}

void Form3::cutGrid() {
    m_invoice.lines.clear();
    m_grid->setRowCount(0);
    m_grid->setRowCount(1);
    showFigures();
}

void Form3::newInvoice() {
    if (!mayDiscard(QStringLiteral("Yine de yeni fatura başlatılsın mı?")))
        return;
    m_invoiceNumber->setEnabled(true);
    load();
    m_description->setText(QStringLiteral("Muayene Bedeli"));
    m_quantity->setText(QStringLiteral("1"));
    m_unitPrice->setText(QStringLiteral("10,00"));
    markSaved();
    m_invoiceNumber->setFocus();
}

void Form3::saveClicked() {
    HeaderField refused = HeaderField::None;
    const QString problem = saveCheck(headerTexts(), &refused);
    if (!problem.isEmpty()) {
        Messages::info(this, problem);
        focusHeaderField(refused);
        return;
    }
    transfer();
}

QStringList Form3::work() const {
    const HeaderTexts h = headerTexts();
    QStringList w = {h.invoiceNumber,
                     h.customerNumber,
                     h.customerName,
                     h.address,
                     h.address2,
                     h.taxOffice,
                     h.invoiceDate,
                     h.deliveryNoteNumber,
                     h.deliveryNoteDate,
                     QString::number(int(h.type)),
                     h.returnedNumber,
                     h.returnedDate,
                     QString::number(m_vatMode->currentIndex()),
                     m_vatRate->text(),
                     m_description->text(),
                     m_discount->text(),
                     m_quantity->text(),
                     m_unitPrice->text(),
                     m_lineRate->text()};
    for (const InvoiceLine &line : m_invoice.lines) {
        const LineInput l = lineInput(line);
        w << QStringList{l.description, l.discountPercent, l.quantity, l.unitPrice, l.vatRate,
                         l.unit,        l.exemptionCode}
                 .join(QChar(0x1f));
    }
    return w;
}

void Form3::markSaved() {
    m_savedWork = work();
}

bool Form3::hasUnsavedWork() const {
    return work() != m_savedWork;
}

// Asks before unsaved work goes: "Hayır" is the default, so a hasty Enter keeps it.
bool Form3::mayDiscard(const QString &question) {
    if (!hasUnsavedWork())
        return true;
    return Messages::ask(this,
                         QStringLiteral("Bu fatura kaydedilmedi: yazılan satırlar ve bilgiler "
                                        "kaybolacak.\n") +
                             question,
                         Messages::appTitle(), false);
}

void Form3::closeEvent(QCloseEvent *event) {
    if (!mayDiscard(QStringLiteral("Yine de pencere kapatılsın mı?"))) {
        event->ignore();
        return;
    }
    // Closed without saving: what it held is gone.
    markSaved();
    QWidget::closeEvent(event);
}

void Form3::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        if (m_correcting >= 0) {
            // The line stays as it was.
            endCorrection();
            for (QLineEdit *e : {m_description, m_discount, m_quantity, m_unitPrice})
                e->clear();
            clearLineBoxes();
            m_grid->setFocus();
        } else {
            close();
        }
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form3::showEvent(QShowEvent *event) {
    if (!m_placed) {
        m_placed = true;
        fitToScreen();
    }
    QWidget::showEvent(event);
}

// Opens as large as it is useful, never larger than the screen's free area: the totals and the
// buttons at the foot stay in view on a small screen at a large scale.
void Form3::fitToScreen() {
    const QScreen *display = screen();
    if (!display)
        return;
    const QRect free = display->availableGeometry();
    // The frame's title bar and borders, before the window manager has told them.
    const QSize frame(16, 40);
    const QSize wanted(std::max(sizeHint().width(), 980), std::max(sizeHint().height(), 640));
    // The window manager places it: it knows the frame, which a window not yet shown does not.
    resize(wanted.boundedTo(free.size() - frame).expandedTo(minimumSizeHint()));
}

void Form3::focusBox(QWidget *box) {
    if (!box || !box->isEnabled())
        return;
    box->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(box))
        edit->selectAll();
    else if (auto *combo = qobject_cast<QComboBox *>(box); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
}

void Form3::focusLineField(LineField field) {
    switch (field) {
    case LineField::None:
    case LineField::Description:
        return focusBox(m_description);
    case LineField::Discount:
        return focusBox(m_discount);
    case LineField::Quantity:
        return focusBox(m_quantity);
    case LineField::UnitPrice:
        return focusBox(m_unitPrice);
    case LineField::VatRate:
        return focusBox(m_lineRate);
    case LineField::Unit:
        return focusBox(m_unit);
    case LineField::Exemption:
        return focusBox(m_exemption);
    case LineField::InvoiceRate:
        return focusBox(m_vatRate);
    }
}

void Form3::focusHeaderField(HeaderField field) {
    switch (field) {
    case HeaderField::None:
        return;
    case HeaderField::InvoiceNumber:
        return focusBox(m_invoiceNumber);
    case HeaderField::CustomerNumber:
        return focusBox(m_customerNumber);
    case HeaderField::CustomerName:
        return focusBox(m_customerName);
    case HeaderField::InvoiceDate:
        return focusBox(m_invoiceDate);
    case HeaderField::DeliveryNoteDate:
        return focusBox(m_deliveryDate);
    case HeaderField::ReturnedNumber:
        return focusBox(m_returnedNumber);
    case HeaderField::ReturnedDate:
        return focusBox(m_returnedDate);
    }
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
                       m_deliveryDate->text(),
                       m_invoiceType->currentIndex() == 1 ? InvoiceType::Return : InvoiceType::Sale,
                       m_returnedNumber->text(),
                       m_returnedDate->text()};
}

void Form3::transfer() {
    const std::optional<InvoiceHeader> header = invoiceHeader(headerTexts());
    if (!header) {
        Messages::info(this, QStringLiteral("Fatura No geçersiz!"));
        focusBox(m_invoiceNumber);
        return;
    }
    // Nothing would be stored, and a replacement would delete the stored invoice.
    if (const QString problem = lineCheck(m_invoice); !problem.isEmpty()) {
        Messages::info(this, problem);
        m_description->setFocus();
        return;
    }
    const bool replacing = m_state != newState;
    // The stored invoice goes; the user says so first.
    if (replacing &&
        !Messages::ask(this, QStringLiteral("%1 numaralı kayıtlı fatura, ekrandaki haliyle "
                                            "değiştirilecek.\nKaydedilsin mi?")
                                 .arg(header->number)))
        return;
    m_invoice.header = *header;
    m_invoice.header.savedAt = m_workspace.now();
    const InvoiceRecord record = invoiceRecord(m_invoice);
    bool refused = false;
    InvoiceInfo info = record.info;
    info.changeCount = m_stored.changeCount;
    const bool written =
        guarded(this, [&] { refused = !Books(m_workspace).saveInvoice(record, info, replacing); });
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
    markSaved();
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
    if (!mayDiscard(QStringLiteral("Yine de %1 numaralı fatura yüklensin mi?").arg(*n)))
        return;
    StoredInvoice stored;
    if (!guarded(this, [&] { stored = Books(m_workspace).loadInvoice(*n); }))
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
    const QString problem = loadStoredInvoice(loaded, stored);
    if (!problem.isEmpty()) {
        Messages::error(this, problem);
        return;
    }

    endCorrection();
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
    m_invoiceType->setCurrentIndex(h.type == InvoiceType::Return ? 1 : 0);
    m_returnedNumber->setText(h.returnedNumber);
    m_returnedDate->setText(h.returnedDate);
    showFromStart();
    m_invoice = loaded;
    {
        // The mode and rate boxes show the loaded ones without computing the half-shown
        // invoice; an invoice saved with its rate brings it, an older one takes the box's.
        const QSignalBlocker blockMode(m_vatMode);
        const QSignalBlocker blockRate(m_vatRate);
        m_vatMode->setCurrentIndex(loaded.vatMode);
        m_vatRate->setText(loaded.vatRateText);
    }
    enableExemption();
    showLines();
    showFigures();
    // A half-typed line belongs to the invoice that was shown before, not to this one; the
    // discount percent stays, as it does after every added line.
    m_description->clear();
    m_quantity->clear();
    m_unitPrice->clear();
    m_description->setFocus();
    markSaved();
}

void Form3::stepVatRate(int step) {
    if (const std::optional<QString> rate = steppedVatRate(m_vatRate->text(), step))
        m_vatRate->setText(*rate);
}

// The list shows what is saved now: invoices written elsewhere are summarised first (once,
// with a progress dialog on large books), then the first page is read.
void Form3::showInvoiceList() {
    std::unique_ptr<QProgressDialog> dialog;
    const bool ready = guarded(this, [&] {
        Books(m_workspace).prepareInvoiceList([&](qint64 done, qint64 total) {
            if (total < 1000)
                return;
            if (!dialog) {
                dialog = std::make_unique<QProgressDialog>(
                    QStringLiteral("Faturalar listeye hazırlanıyor…"), QString(), 0, 1000, this);
                dialog->setWindowTitle(Messages::appTitle());
                dialog->setWindowModality(Qt::WindowModal);
                dialog->setMinimumDuration(300);
            }
            dialog->setValue(int(done * 1000 / total));
        });
        m_invoiceNumbers->reload();
    });
    dialog.reset();
    if (!ready)
        return;
    const QPoint below = m_list->mapTo(this, QPoint(0, m_list->height()));
    const int width = std::min(this->width() - below.x() - 8, 640);
    const int height = std::max(120, std::min(360, this->height() - below.y() - 8));
    m_listPanel->setGeometry(std::max(8, below.x()), below.y(), std::max(320, width), height);
    m_listPanel->show();
    m_listPanel->raise();
    m_listSearch->setFocus();
    m_listSearch->selectAll();
}

void Form3::hideInvoiceList() {
    m_listPanel->hide();
    m_list->setFocus();
}

void Form3::loadListed(int row) {
    if (row < 0 || row >= m_invoiceNumbers->rowCount())
        return;
    const QString number = m_invoiceNumbers->key(row).toString();
    m_listPanel->hide();
    faturabul(number);
}

bool Form3::eventFilter(QObject *watched, QEvent *event) {
    // In the list: Esc hides it, not the window; Enter loads the invoice, as a double click.
    // In its search box: Down goes to the invoices, Enter loads the one chosen (the first).
    if ((watched == m_invoiceList || watched == m_listSearch) &&
        event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int current = m_invoiceList->currentIndex().row();
        if (key == Qt::Key_Escape) {
            hideInvoiceList();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            loadListed(current >= 0 ? current : 0);
            return true;
        }
        if (watched == m_listSearch && key == Qt::Key_Down && m_invoiceNumbers->rowCount() > 0) {
            m_invoiceList->setFocus();
            m_invoiceList->selectRow(std::max(0, current));
            return true;
        }
    }
    if (watched == m_invoiceList->viewport() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        hideInvoiceList();
        return true;
    }
    // A customer number and Enter: the customer's name, address and tax office, then Enter
    // moves on as in every box. Only a number that is stored fills anything.
    if (watched == m_customerNumber->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const auto *offers = m_customerNumber->findChild<QCompleter *>();
        const bool offering = offers && offers->popup() && offers->popup()->isVisible();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !offering &&
            wholeNumber(m_customerNumber->currentText()))
            pickCustomerByNumber(m_customerNumber->currentText());
    }
    return QWidget::eventFilter(watched, event);
}
