#include "gui/Form2.h"

#include "base/numbers.h"
#include "gui/customerpicker.h"
#include "gui/fieldkeys.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "gui/pagedlist.h"
#include "gui/picklist.h"
#include "invoice/books.h"
#include "invoice/workspace.h"

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
    m_new = named(new QPushButton(QStringLiteral("Yeni"), frame), "Command3");
    for (QPushButton *b : {m_save, m_delete, m_new})
        b->setAutoDefault(true); // Enter on a button presses it
    m_numbers = customerNumbers(m_workspace, this);
    m_names = customerNames(m_workspace, this);
    makeCustomerPicker(m_number, m_numbers, CustomerColumn::Number, m_workspace,
                       [this](qint64 key) { pick(key); });
    makeCustomerPicker(m_name, m_names, CustomerColumn::Name, m_workspace,
                       [this](qint64 key) { pick(key); });
    m_name->setMinimumContentsLength(30);
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
    buttons->addWidget(m_new);
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_delete);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 300);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(frame);

    const QList<QWidget *> fields = {m_number, m_name, m_address1, m_address2, m_taxOffice};
    const QList<QWidget *> order = fields + QList<QWidget *>{m_save, m_delete, m_new};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    new EnterChain(order, this);
    new FocusColours(fields, this);

    connect(m_save, &QPushButton::clicked, this, &Form2::kaydet);
    connect(m_delete, &QPushButton::clicked, this, &Form2::remove);
    connect(m_new, &QPushButton::clicked, this, [this] {
        reset();
        m_name->setFocus();
    });

    roomyLists(this);
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
        reloadPickLists(m_numbers, {m_number}, false);
        reloadPickLists(m_names, {m_name}, false);
        proposal = QString::number(Books(m_workspace).proposedCustomerNumber());
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

void Form2::pick(qint64 key) {
    std::optional<Customer> found;
    guarded(this, [&] { found = Books(m_workspace).customerByKey(key); });
    if (found)
        showCustomer(*found);
}

void Form2::kaydet() {
    const std::variant<Customer, QString> checked = customerToSave(boxes());
    if (const QString *message = std::get_if<QString>(&checked)) {
        Messages::info(this, *message);
        (m_name->currentText().isEmpty() ? m_name : m_number)->setFocus();
        return;
    }
    const Customer &customer = std::get<Customer>(checked);
    CustomerResult result = CustomerResult::Ok;
    const bool written = guarded(this, [&] {
        const Books books(m_workspace);
        result = m_mode == newMode ? books.addCustomer(customer) : books.updateCustomer(customer);
    });
    if (!written)
        return;
    if (result != CustomerResult::Ok) {
        Messages::info(this, resultMessage(result));
        m_number->setFocus();
        return;
    }
    Messages::info(this, savedMessage(customer));
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
    if (!Messages::ask(this, deleteQuestion(std::get<qint64>(number), m_name->currentText()),
                       Messages::appTitle(), false))
        return;
    CustomerResult result = CustomerResult::Ok;
    const bool deleted = guarded(
        this, [&] { result = Books(m_workspace).deleteCustomer(std::get<qint64>(number)); });
    if (!deleted)
        return;
    if (result != CustomerResult::Ok) {
        Messages::info(this, resultMessage(result));
        return;
    }
    reset();
    m_name->setFocus();
}
