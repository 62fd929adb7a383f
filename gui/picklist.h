#pragma once

class QAbstractItemView;
class QComboBox;
class QWidget;

// Makes `combo` an editable drop-down list whose `activated` signal means one thing: the
// user picked an entry (from the open list, with the arrow keys or the wheel). Typed text
// stays exactly as typed: no completion, nothing added to the list, and ending the typing
// of a text that happens to match an entry does not pick it.
void makePickList(QComboBox *combo);

// Rows of a drop-down list with room above and below the text: the dots and marks of Turkish
// capitals (Ö, Ü, İ, Ç, Ş) are never cut by the row above.
void roomyRows(QAbstractItemView *view);
// The same for every drop-down list of `window`.
void roomyLists(QWidget *window);
