#pragma once

#include "store/customers.h"

#include <functional>

class PagedModel;
class QComboBox;
class QWidget;
class Workspace;

// Every customer's number (column 0) and name (column 1) in table order, read page by page:
// the one model a window's number box and name box both show. Starts empty; reload() reads.
PagedModel *customerModel(Workspace &workspace, QWidget *owner);

// Shows `model`'s column in the editable box `combo` (see makePickList), reading on as the user
// scrolls, and offers under it, as the user types, the customers whose number or name starts
// with the text. Choosing an offer puts it in the box and calls `picked` with it; the text
// typed stays as typed otherwise.
void makeCustomerPicker(QComboBox *combo, PagedModel *model, CustomerColumn column,
                        Workspace &workspace, std::function<void(const QString &)> picked);
