#include "gui/customerpicker.h"

#include "gui/guard.h"
#include "gui/pagedlist.h"
#include "gui/picklist.h"
#include "invoice/books.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <memory>

namespace {

// Enter on the offers with none chosen closes them and is Enter in the box, which moves on
// (and fills a customer typed by number) as everywhere else.
class EnterPassesOn : public QObject {
public:
    EnterPassesOn(QAbstractItemView *popup, QWidget *box)
        : QObject(popup)
        , m_popup(popup)
        , m_box(box) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            m_popup->currentIndex().isValid())
            return false;
        m_popup->hide();
        QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
        QCoreApplication::sendEvent(m_box, &again);
        return true;
    }

private:
    QAbstractItemView *m_popup;
    QWidget *m_box;
};

std::optional<qint64> numberAfter(const QVariant &key) {
    return key.isValid() ? std::optional<qint64>(key.toLongLong()) : std::nullopt;
}

// A name list's key: the customer's place in the list.
std::optional<CustomerEntry> nameAfter(const QVariant &key) {
    if (!key.isValid())
        return std::nullopt;
    const QVariantList k = key.toList();
    return CustomerEntry{
        k.value(2).toLongLong(), {}, {}, k.value(0).toString(), k.value(1).toLongLong()};
}

PagedRow numberRow(const CustomerEntry &e) {
    return {e.number.toLongLong(), {e.number}, -1, e.key};
}

PagedRow nameRow(const CustomerEntry &e) {
    return {QVariantList{e.order, e.nameKey, e.key}, {e.name}, -1, e.key};
}

} // namespace

PagedModel *customerNumbers(const Workspace &workspace, QWidget *owner) {
    return new PagedModel(
        1,
        [&workspace](const QVariant &key, int count) {
            QList<PagedRow> rows;
            for (const CustomerEntry &e :
                 Books(workspace).customersByNumber(QString(), numberAfter(key), count))
                rows << numberRow(e);
            return rows;
        },
        owner);
}

PagedModel *customerNames(const Workspace &workspace, QWidget *owner) {
    return new PagedModel(
        1,
        [&workspace](const QVariant &key, int count) {
            const Books books(workspace);
            // The list starts anew: the search catches up with what another program changed.
            if (!key.isValid())
                books.prepareCustomerSearch();
            QList<PagedRow> rows;
            for (const CustomerEntry &e : books.customersByName(QString(), nameAfter(key), count))
                rows << nameRow(e);
            return rows;
        },
        owner);
}

void makeCustomerPicker(QComboBox *combo, PagedModel *model, CustomerColumn column,
                        const Workspace &workspace, std::function<void(qint64 key)> picked) {
    makePickList(combo);
    combo->setModel(model);
    readOnAtEnd(combo);
    QObject::connect(combo, &QComboBox::activated, combo, [model, picked](int i) {
        if (i >= 0 && i < model->rowCount())
            picked(model->id(i).toLongLong());
    });

    auto typed = std::make_shared<QString>();
    const bool byNumber = column == CustomerColumn::Number;
    auto *found = new PagedModel(
        1,
        [&workspace, byNumber, typed](const QVariant &key, int count) {
            QList<PagedRow> rows;
            if (typed->trimmed().isEmpty())
                return rows;
            const Books books(workspace);
            const QList<CustomerEntry> entries =
                byNumber ? books.customersByNumber(*typed, numberAfter(key), count)
                         : books.customersByName(*typed, nameAfter(key), count);
            for (const CustomerEntry &e : entries) {
                PagedRow row = byNumber ? numberRow(e) : nameRow(e);
                // Which customer an offer is: two may share a name.
                row.shown = {byNumber ? e.number + QStringLiteral("  ") + e.name
                                      : e.name + QStringLiteral("  (") + e.number + u')'};
                rows << row;
            }
            return rows;
        },
        combo);
    // Offers in a list under the box, none chosen until the user moves onto it: completing
    // inline, or Enter taking the first offer, would turn a new customer typed under a name
    // that starts an existing one into that customer. The offers are the search's own; the
    // completer filters nothing more, and only a chosen offer changes the text.
    auto *completer = new QCompleter(found, combo);
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer->setMaxVisibleItems(20);
    completer->setWidget(combo->lineEdit());
    roomyRows(completer->popup());
    completer->popup()->installEventFilter(
        new EnterPassesOn(completer->popup(), combo->lineEdit()));
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, found,
                     [combo, found, completer, typed](const QString &text) {
                         *typed = text;
                         if (guarded(combo, [&] { found->reload(); }) && found->rowCount() > 0) {
                             completer->complete();
                             completer->popup()->setCurrentIndex(QModelIndex());
                         } else {
                             completer->popup()->hide();
                         }
                     });
    QObject::connect(completer, qOverload<const QModelIndex &>(&QCompleter::activated), combo,
                     [combo, found, picked](const QModelIndex &index) {
                         if (!index.isValid() || index.row() >= found->rowCount())
                             return;
                         combo->setEditText(
                             found->data(found->index(index.row(), 0), Qt::EditRole).toString());
                         picked(found->id(index.row()).toLongLong());
                     });
}
