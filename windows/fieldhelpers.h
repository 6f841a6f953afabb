#pragma once

class QLineEdit;

namespace windows {

// Selects the field's whole text; unless `leaveFocus` is set the field also gets the focus.
void SelectAllText(QLineEdit* field, bool leaveFocus);

// Keeps the whole text of the field selected whenever it receives the focus, however the focus
// arrives (tab, click, program).
void SelectAllOnFocus(QLineEdit* field);

// Converts the field's text to upper case whenever it loses the focus.
void UpperCaseOnFocusOut(QLineEdit* field);

} // namespace windows
