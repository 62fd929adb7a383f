#include "gui/Form2.h"

#include "base/numbers.h"
#include "gui/customerpicker.h"
#include "gui/fieldkeys.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "gui/pagedlist.h"
#include "invoice/workspace.h"
#include "store/database.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString newMode = QStringLiteral("yeni");
const QString oldMode = QStringLiteral("eski");

template <class W> W *named(W *w, const char *name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

Form2::Form2(Workspace &workspace, QWidget *parent)
    : QWidget(parent)
    , m_workspace(workspace)
    , m_mode(newMode) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Müşteri tanıtım"));

    auto *frame = named(new QGroupBox(QStringLiteral("Müşteri Bilgileri"), this), "Frame1");
    m_number = named(new QComboBox(frame), "Combo1");
    m_name = named(new QComboBox(frame), "Combo2");
    m_address1 = named(new QLineEdit(frame), "Text1");
    m_address2 = named(new QLineEdit(frame), "Text2");
    m_taxOffice = named(new QLineEdit(frame), "Text3");
    m_save = named(new QPushButton(QStringLiteral("KAYDET"), frame), "Command1");
    m_delete = named(new QPushButton(QStringLiteral("SİL"), frame), "Command2");
    m_customers = customerModel(m_workspace, this);
    makeCustomerPicker(m_number, m_customers, CustomerColumn::Number, m_workspace,
                       [this](const QString &number) { pickByNumber(number); });
    makeCustomerPicker(m_name, m_customers, CustomerColumn::Name, m_workspace,
                       [this](const QString &name) { pickByName(name); });
    m_delete->setEnabled(false);

    auto *grid = new QGridLayout(frame);
    const auto label = [&](int row, const char *name, const QString &text, QWidget *field) {
        auto *l = named(new QLabel(text, frame), name);
        l->setBuddy(field);
        grid->addWidget(l, row, 0);
    };
    label(0, "Label1", QStringLiteral("Müşteri No:"), m_number);
    label(1, "Label2", QStringLiteral("Müşteri Adı:"), m_name);
    label(2, "Label3", QStringLiteral("Adresi:"), m_address1);
    label(4, "Label4", QStringLiteral("Vergi Dairesi/No:"), m_taxOffice);
    grid->addWidget(m_number, 0, 1);
    grid->addWidget(m_name, 1, 1);
    grid->addWidget(m_address1, 2, 1);
    grid->addWidget(m_address2, 3, 1);
    grid->addWidget(m_taxOffice, 4, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_delete);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 300);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(frame);

    const QList<QWidget *> fields = {m_number, m_name, m_address1, m_address2, m_taxOffice};
    const QList<QWidget *> order = fields + QList<QWidget *>{m_save, m_delete};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    new EnterChain(order, this);
    new FocusColours(fields, this);

    connect(m_number, &QComboBox::activated, this,
            [this](int i) { pickByNumber(m_number->itemText(i)); });
    connect(m_name, &QComboBox::activated, this,
            [this](int i) { pickByName(m_name->itemText(i)); });
    connect(m_save, &QPushButton::clicked, this, &Form2::kaydet);
    connect(m_delete, &QPushButton::clicked, this, &Form2::remove);

    reset();
    m_number->setFocus();
}

CustomerBoxes Form2::boxes() const {
    return {m_number->currentText(), m_name->currentText(), m_address1->text(), m_address2->text(),
            m_taxOffice->text()};
}

void Form2::reset() {
    m_mode = newMode;
    m_delete->setEnabled(false);
    m_address1->clear();
    m_address2->clear();
    m_taxOffice->clear();

    QString proposal;
    // On a failure the lists stay empty rather than show what may no longer be so.
    guarded(this, [&] {
        reloadPickLists(m_customers, {m_number, m_name}, false);
        Database db(m_workspace.databasePath());
        proposal = QString::number(proposedCustomerNumber(db));
    });
    m_number->setEditText(proposal);
}

void Form2::showCustomer(const Customer &m) {
    m_number->setEditText(QString::number(m.sirano));
    m_name->setEditText(m.adi_soyadi);
    m_address1->setText(m.adresi);
    m_address2->setText(m.adresi2);
    m_taxOffice->setText(m.vergidaire_no);
    m_mode = oldMode;
    m_delete->setEnabled(true);
}

void Form2::pickByNumber(const QString &text) {
    // A list entry that is not a whole number cannot name a row.
    const std::optional<qint64> number = wholeNumber(text);
    if (!number)
        return;
    std::optional<Customer> found;
    guarded(this, [&] {
        Database db(m_workspace.databasePath());
        found = customerByNumber(db, *number);
    });
    if (found)
        showCustomer(*found);
}

void Form2::pickByName(const QString &text) {
    std::optional<Customer> found;
    guarded(this, [&] {
        Database db(m_workspace.databasePath());
        found = customerByName(db, text);
    });
    if (found)
        showCustomer(*found);
}

void Form2::kaydet() {
    const std::variant<Customer, QString> checked = customerToSave(boxes());
    if (const QString *message = std::get_if<QString>(&checked)) {
        Messages::info(this, *message);
        return;
    }
    const Customer &customer = std::get<Customer>(checked);
    CustomerResult result = CustomerResult::Ok;
    const bool written = guarded(this, [&] {
        Database db(m_workspace.databasePath(), Database::Access::Write);
        result = m_mode == newMode ? addCustomer(db, customer) : updateCustomer(db, customer);
    });
    if (!written)
        return;
    if (result != CustomerResult::Ok) {
        Messages::info(this, resultMessage(result));
        return;
    }
    Q_EMIT customerSaved();
    reset();
    // The number is proposed; the next customer starts with the name.
    m_name->setFocus();
}

void Form2::remove() {
    // The number is checked before the question: asking first and refusing after would
    // only make the user answer for nothing.
    const std::variant<qint64, QString> number = customerNumberFromText(m_number->currentText());
    if (const QString *message = std::get_if<QString>(&number)) {
        Messages::info(this, *message);
        return;
    }
    if (!Messages::ask(this, QStringLiteral("Emin misiniz?")))
        return;
    CustomerResult result = CustomerResult::Ok;
    const bool deleted = guarded(this, [&] {
        Database db(m_workspace.databasePath(), Database::Access::Write);
        result = deleteCustomer(db, std::get<qint64>(number));
    });
    if (!deleted)
        return;
    if (result != CustomerResult::Ok) {
        Messages::info(this, resultMessage(result));
        return;
    }
    reset();
    m_name->setFocus();
}
