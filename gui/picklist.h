#pragma once

class QComboBox;

// Makes `combo` an editable drop-down list whose `activated` signal means one thing: the
// user picked an entry (from the open list, with the arrow keys or the wheel). Typed text
// stays exactly as typed: no completion, nothing added to the list, and ending the typing
// of a text that happens to match an entry does not pick it.
void makePickList(QComboBox *combo);
