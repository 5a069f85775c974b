// Colour modes, window-relative cursor placement, the screen size, the text stack
// and the small text operations every screen is drawn with.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

// Switches the colour pair by a mode text ("n", "h", "r", "u", "rh", "+n", "-", ...).
void SetColourMode(const std::string& mode);
// Places the cursor relative to the current window, or absolutely when none is open.
void LocateInWindow(int16_t row, int16_t column);
// The height and the width of the visible console window.
int16_t ScreenRows();
int16_t ScreenColumns();

// The last-in first-out stack of texts, kept in one text (bytes, then 2-byte length).
extern std::string TextStack;
// Pushes a text onto the text stack.
void PushText(const std::string& item);
// Removes and returns the text pushed last (an empty text when the stack is empty).
std::string PopText();

// Selects the table of FoldUpper: off keeps accents, on folds to plain capitals or blanks.
extern bool FoldToPlain;
// The text upper-cased through the active table, same length.
std::string FoldUpper(const std::string& text);
// -1 when every character of the text has the code (also for an empty text), else 0.
int16_t IsAllChar(const std::string& text, int16_t code);
// (width - length of text) / 2, truncated toward zero.
int16_t CentreOffset(const std::string& text, int16_t width);

// Puts the colour state, the text stack and FoldToPlain back as a new process has them.
void ResetColourState();

}  // namespace korvidan
