// The field line editor: cursor keys, insert and overwrite, words, the clipboard,
// masked entry, choice lists with first-letter search, clicks, and the key map
// that decides which keys end the editing.
#include "forms/field_editor.h"

#include <algorithm>
#include <vector>

#include "config/run_context.h"
#include "datetime/text.h"
#include "forms/keyboard.h"
#include "platform/clipboard.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/window_stack.h"

namespace korvidan {

namespace {

std::string ChoiceList;

// The arrows beside a choice field, stored in the cells as the console's glyph bytes.
constexpr char kLeftArrow = '\x11';   // ◄
constexpr char kRightArrow = '\x10';  // ►

struct ChoiceOption {
    std::string value;
    std::string description;
};

// The options of a choice list: each "|" starts one, its value runs to the first
// ",", its description from there to the next "|".
std::vector<ChoiceOption> ParseChoices(const std::string& list) {
    std::vector<ChoiceOption> options;
    std::size_t bar = list.find('|');
    while (bar != std::string::npos) {
        const std::size_t next = list.find('|', bar + 1);
        const std::string item =
            list.substr(bar + 1, (next == std::string::npos ? list.size() : next) - bar - 1);
        const std::size_t comma = item.find(',');
        options.push_back({item.substr(0, comma),
                           comma == std::string::npos ? std::string{} : item.substr(comma + 1)});
        bar = next;
    }
    return options;
}

// Writes a text at a window-relative cell, when that cell is on the screen.
void WriteAt(int row, int column, const std::string& text) {
    const int absoluteRow = row + WindowFirstRow() - 1;
    const int absoluteColumn = column + WindowFirstColumn() - 1;
    if (absoluteRow < 1 || absoluteRow > ConsoleRows() || absoluteColumn < 1 ||
        absoluteColumn > ConsoleColumns())
        return;
    ConsoleLocate(static_cast<int16_t>(absoluteRow), static_cast<int16_t>(absoluteColumn));
    ConsoleWriteText(text);
}

bool IsWordSeparator(char c) {
    return c == ' ' || c == ',' || c == '.' || c == ';' || c == ':';
}

// The first character of the word before the cursor (1 at the start of the text).
int WordLeft(const std::string& text, int pos) {
    int i = pos - 1;
    while (i >= 1 && IsWordSeparator(text[i - 1])) --i;
    while (i >= 1 && !IsWordSeparator(text[i - 1])) --i;
    return std::max(i + 1, 1);
}

// The first character of the next word (length + 1 when there is none).
int WordRight(const std::string& text, int pos) {
    const int n = static_cast<int>(text.size());
    int i = pos;
    while (i <= n && !IsWordSeparator(text[i - 1])) ++i;
    while (i <= n && IsWordSeparator(text[i - 1])) ++i;
    return i;
}

// Removes the character at pos (1-based); the rest moves left and a blank is appended.
void DeleteAt(std::string& text, int pos) {
    text.erase(static_cast<std::size_t>(pos - 1), 1);
    text.push_back(' ');
}

// The clipboard's text without control bytes and outer blanks, written over the
// text from pos on as far as the text reaches.
void Paste(std::string& text, int pos) {
    std::string pasted;
    for (const char c : GetClipboardText(RunContext.terminalDir)) {
        const auto code = static_cast<uint8_t>(c);
        if (code >= 32 && code != 127 && code != 255) pasted += c;
    }
    pasted = TrimBlanks(pasted);
    for (std::size_t i = 0; i < pasted.size() && pos - 1 + i < text.size(); ++i)
        text[pos - 1 + i] = pasted[i];
}

// Waits for a key or a click (as -(column * 100 + row)); Insert flips the toggle
// and the cursor shape without ending the wait.
int16_t NextKey() {
    for (;;) {
        int16_t key = 0, button = 0, row = 0, column = 0;
        ReadKeyEvent(key, button, row, column);
        if (key == KeyInsert) {
            InsertMode = !InsertMode;
            ConsoleCursorInsertShape(InsertMode);
            continue;
        }
        if (key != 0) return key;
        if (button > 0) return static_cast<int16_t>(-(column * 100 + row));
    }
}

// The key an ending key is delivered as, once translated: Shift+Tab is Up, Tab is
// Enter, Enter is End in a form that ends on End, Ctrl+F4 and Alt+F4 are Esc.
int16_t TranslateEndingKey(int16_t key) {
    int16_t delivered = 0;
    if (key == KeyShiftTab) return KeyUp;
    if (key == KeyTab) return KeyEnter;
    if (key == KeyEnter) return LookupKeyMap(KeyEnd, delivered) ? KeyEnd : KeyEnter;
    if (key == KeyCtrlF4 || key == KeyAltF4) return KeyEsc;
    return key;
}

}  // namespace

void SetChoiceList(const std::string& list) { ChoiceList = list; }

void ResetFieldEditor() { ChoiceList.clear(); }

void EditField(int16_t& row, int16_t& col, int16_t& lineLength, std::string& text, int16_t& pos,
               int16_t& key) {
    const int n = static_cast<int>(text.size());
    if (row == 0) row = static_cast<int16_t>(ConsoleCursorRow() - WindowFirstRow() + 1);
    if (col == 0) col = static_cast<int16_t>(ConsoleCursorColumn() - WindowFirstColumn() + 1);
    if (lineLength <= 0) lineLength = static_cast<int16_t>(n + 1);
    const int length = lineLength;
    int cursor = std::clamp<int>(pos, 1, n + 1);
    // The screen lines the text occupies, and those a click counts as the field's.
    const int lines = (n + length - 1) / length;
    const int clickLines = std::max(lines, (n + 1) / length);

    const std::vector<ChoiceOption> options = ParseChoices(ChoiceList);
    const bool choice = !options.empty();
    std::size_t current = 0;
    int width = 0;  // the longest description
    if (choice) {
        for (std::size_t i = 0; i < options.size(); ++i) {
            width = std::max(width, static_cast<int>(options[i].description.size()));
            if (options[i].value == text) current = i;
        }
        WriteAt(row, col - 1, std::string(1, kLeftArrow));
        WriteAt(row, col + width, std::string(1, kRightArrow));
        ConsoleShowCursor(false);
    }
    SetColourMode("u");

    int16_t pressed = 0;
    for (;;) {
        // Draw the field as it stands.
        if (choice) text = FixedWidth(options[current].value, static_cast<int16_t>(n));
        const int shownLines = choice ? 1 : lines;
        for (int line = 0; line < shownLines; ++line) {
            std::string shown;
            if (MaskChar != 0)
                shown.assign(static_cast<std::size_t>(length - 1), static_cast<char>(MaskChar));
            else if (choice)
                shown = FixedWidth(options[current].description, static_cast<int16_t>(width));
            else
                shown = text.substr(static_cast<std::size_t>(line * length),
                                    static_cast<std::size_t>(length));
            WriteAt(row + line, col, shown);
        }
        if (!choice) {
            // After the last character of a full line the cursor stays on that line.
            int cursorRow = row + (cursor - 1) / length;
            int cursorColumn = col + (cursor - 1) % length;
            if (cursor == n + 1 && n > 0 && n % length == 0) {
                cursorRow = row + (n - 1) / length;
                cursorColumn = col + (n - 1) % length + 1;
            }
            LocateInWindow(static_cast<int16_t>(cursorRow), static_cast<int16_t>(cursorColumn));
            ConsoleCursorInsertShape(InsertMode);
            ConsoleShowCursor(true);
        }

        pressed = NextKey();
        ConsoleShowCursor(false);

        // A click: inside the field it moves there (key 0), outside it ends the editing.
        if (pressed < 0) {
            const int code = -static_cast<int>(pressed);
            const int r = code % 100 - WindowFirstRow() + 1;
            const int c = code / 100 - WindowFirstColumn() + 1;
            if (choice && r == row) {
                if (c == col - 1) pressed = KeyLeft;
                else if (c == col + width) pressed = KeyRight;
                else if (c >= col && c < col + width) pressed = 0;
            } else if (!choice && r >= row && r < row + clickLines && c >= col && c < col + length) {
                cursor = length * (r - row) + (c - col) + 1;
                pressed = 0;
            }
        }

        bool ends = false;
        const bool printable = (pressed >= (choice ? 33 : 32) && pressed <= 126) ||
                               (pressed >= 128 && pressed <= 254);
        if (printable && choice) {
            // The next option whose description starts with the letter, from the one after
            // the current round to the current itself, compared as plain capitals.
            const bool savedFold = FoldToPlain;
            FoldToPlain = true;
            const char wanted = FoldUpper(std::string(1, static_cast<char>(pressed)))[0];
            for (std::size_t step = 1; step <= options.size(); ++step) {
                const std::size_t candidate = (current + step) % options.size();
                const std::string& description = options[candidate].description;
                if (!description.empty() && FoldUpper(description.substr(0, 1))[0] == wanted) {
                    current = candidate;
                    break;
                }
            }
            FoldToPlain = savedFold;
        } else if (printable) {
            if (InsertMode) {
                if (cursor <= n && text.back() == ' ') {
                    text.insert(static_cast<std::size_t>(cursor - 1), 1, static_cast<char>(pressed));
                    text.pop_back();
                    ++cursor;
                }
            } else if (cursor <= n) {
                text[static_cast<std::size_t>(cursor - 1)] = static_cast<char>(pressed);
                ++cursor;
            }
        } else if (choice) {
            switch (pressed) {
                case KeyLeft: current = current == 0 ? options.size() - 1 : current - 1; break;
                case KeyRight:
                case KeySpace: current = (current + 1) % options.size(); break;
                case KeyHome: cursor = 1; break;
                case KeyEnd: cursor = static_cast<int>(TrimRightBlanks(text).size()) + 1; break;
                case KeyCtrlC:
                    PutClipboardText(RunContext.terminalDir, options[current].description);
                    break;
                case KeyBackspace: case KeyDelete: case KeyCtrlHome: case KeyCtrlY: case KeyCtrlV:
                    break;
                default: ends = true;
            }
        } else {
            switch (pressed) {
                case KeyLeft: cursor = std::max(cursor - 1, 1); break;
                case KeyRight:
                case 0: cursor = std::min(cursor + 1, n + 1); break;
                case KeyBackspace:
                    if (cursor > 1) DeleteAt(text, --cursor);
                    break;
                case KeyDelete:
                    if (cursor <= n) DeleteAt(text, cursor);
                    break;
                case KeyHome: cursor = 1; break;
                case KeyEnd: cursor = static_cast<int>(TrimRightBlanks(text).size()) + 1; break;
                case KeyCtrlHome:
                case KeyCtrlY:
                    text.assign(static_cast<std::size_t>(n), ' ');
                    cursor = 1;
                    break;
                case KeyUp:
                case KeyShiftTab:
                    if (cursor > length) cursor -= length;
                    else ends = true;
                    break;
                case KeyDown:
                    if (cursor <= n + 1 - length) cursor += length;
                    else ends = true;
                    break;
                case KeyCtrlLeft:
                    if (cursor > 1) cursor = WordLeft(text, cursor);
                    else ends = true;
                    break;
                case KeyCtrlRight:
                    if (cursor <= n) cursor = WordRight(text, cursor);
                    else ends = true;
                    break;
                case KeyCtrlC:
                    // A masked entry (a password) never leaves through the clipboard.
                    if (MaskChar == 0) PutClipboardText(RunContext.terminalDir, TrimBlanks(text));
                    break;
                case KeyCtrlV: Paste(text, cursor); break;
                default: ends = true;
            }
        }
        if (!ends) continue;

        // An ending key ends the editing when the key map lets it, as the map delivers it.
        pressed = TranslateEndingKey(pressed);
        if (KeyMap.fromCodes.empty()) break;
        int16_t delivered = 0;
        if (LookupKeyMap(pressed, delivered)) {
            pressed = delivered;
            break;
        }
        if (pressed < 0) break;
    }

    SetColourMode("h");
    if (choice) {
        WriteAt(row, col - 1, " ");
        WriteAt(row, col + width, " ");
    }
    LocateInWindow(row, col);
    pos = static_cast<int16_t>(cursor);
    key = pressed;
}

}  // namespace korvidan
