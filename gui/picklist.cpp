#include "gui/picklist.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {

class RoomyDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        // A quarter of the line again, shared above and below.
        s.setHeight(std::max(s.height(), option.fontMetrics.height() * 5 / 4 + 2));
        return s;
    }
};

} // namespace

void roomyRows(QAbstractItemView *view) {
    view->setItemDelegate(new RoomyDelegate(view));
}

void roomyLists(QWidget *window) {
    for (QComboBox *combo : window->findChildren<QComboBox *>())
        roomyRows(combo->view());
}

void makePickList(QComboBox *combo) {
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would turn a typed "1" into "10" when 10 is in the list.
    combo->setCompleter(nullptr);
    // Qt activates the entry whose text was typed once the typing ends (focus leaves or
    // Enter): a new customer typed under an existing name would load that customer.
    QObject::disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    combo->setMaxVisibleItems(20);
}
