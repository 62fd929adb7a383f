#include "gui/picklist.h"

#include <QComboBox>
#include <QLineEdit>

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
