#include "gui/customerpicker.h"

#include "gui/guard.h"
#include "gui/pagedlist.h"
#include "gui/picklist.h"
#include "invoice/workspace.h"

#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>

#include <memory>

namespace {

std::optional<qint64> after(const QVariant &key) {
    return key.isValid() ? std::optional<qint64>(key.toLongLong()) : std::nullopt;
}

} // namespace

PagedModel *customerModel(Workspace &workspace, QWidget *owner) {
    return new PagedModel(
        2,
        [&workspace](const QVariant &key, int count) {
            Database db(workspace.databasePath());
            QList<PagedRow> rows;
            for (const CustomerEntry &e : customerPage(db, after(key), count))
                rows << PagedRow{e.key, {e.number, e.name}};
            return rows;
        },
        owner);
}

void makeCustomerPicker(QComboBox *combo, PagedModel *model, CustomerColumn column,
                        Workspace &workspace, std::function<void(const QString &)> picked) {
    makePickList(combo);
    combo->setModel(model);
    combo->setModelColumn(column == CustomerColumn::Number ? 0 : 1);
    readOnAtEnd(combo);

    auto prefix = std::make_shared<QString>();
    auto *found = new PagedModel(
        1,
        [&workspace, column, prefix](const QVariant &key, int count) {
            QList<PagedRow> rows;
            if (prefix->isEmpty())
                return rows;
            Database db(workspace.databasePath());
            for (const CustomerEntry &e :
                 customersStartingWith(db, column, *prefix, after(key), count))
                rows << PagedRow{e.key, {column == CustomerColumn::Number ? e.number : e.name}};
            return rows;
        },
        combo);
    // Offers in a list under the box, none chosen until the user moves onto it: completing
    // inline, or Enter taking the first offer, would turn a new customer typed under a name
    // that starts an existing one into that customer.
    auto *completer = new QCompleter(found, combo);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    completer->setMaxVisibleItems(20);
    combo->lineEdit()->setCompleter(completer);
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, found,
                     [combo, found, prefix](const QString &text) {
                         *prefix = text;
                         guarded(combo, [&] { found->reload(); });
                     });
    QObject::connect(completer, qOverload<const QString &>(&QCompleter::activated), combo,
                     std::move(picked));
}
