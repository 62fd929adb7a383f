#pragma once

#include "invoice/books.h"

#include <functional>

class PagedModel;
class QComboBox;
class QWidget;
class Workspace;

// Every customer's number, ascending: what a window's number box lists, read page by page.
// Starts empty; reload() reads.
PagedModel *customerNumbers(const Workspace &workspace, QWidget *owner);

// Every customer's name in the order of the Turkish alphabet, case aside: what a window's
// name box lists. Its reload() makes the customer search ready first.
PagedModel *customerNames(const Workspace &workspace, QWidget *owner);

// Shows `model` (one of the two above) in the editable box `combo` (see makePickList), reading
// on as the user scrolls, and offers under it, as the user types, the customers whose number
// starts with the digits (the number box) or whose name holds the text anywhere, whatever the
// case and the Turkish letters' marks (the name box); an offer shows the name and the number.
// Choosing an entry of the list or an offer puts its text in the box and calls `picked` with
// that customer's place in the table; a text typed stays as typed otherwise.
void makeCustomerPicker(QComboBox *combo, PagedModel *model, CustomerColumn column,
                        const Workspace &workspace, std::function<void(qint64 key)> picked);
