// The field line editor: one fixed-length text field of a form edited in place,
// on one or several screen lines, or a choice field picked from a list of options.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

// Sets the choice list ("|value,description|value,description...") that makes the
// following fields choice fields; an empty text makes them free-text fields.
void SetChoiceList(const std::string& list);

// Edits the text in place until a key ends the editing: row and col (window-relative;
// 0 = the cursor's) and lineLength (0 = one line) are written back, pos is the
// cursor position (1 to length + 1) in and out, key the key that ended the editing
// as the key map delivers it (a negative key is a click outside the field).
void EditField(int16_t& row, int16_t& col, int16_t& lineLength, std::string& text, int16_t& pos,
               int16_t& key);

// Forgets the choice list, as in a new process.
void ResetFieldEditor();

}  // namespace korvidan
