// The text console: a screen buffer of CP850 cells that is the truth, and the
// back-end (a real terminal or a virtual one for tests) that shows it and reads input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace korvidan {

struct ConsoleCell {
    uint8_t character;
    uint8_t attribute;
};

// Modifier bits of a console event.
enum ConsoleModifier : uint16_t {
    LeftAlt = 1,
    RightAlt = 2,
    LeftCtrl = 4,
    RightCtrl = 8,
    ShiftKey = 16,
};

// One input event, in the shape of a PC console event.
struct ConsoleEvent {
    enum Kind : uint8_t { None, Key, Mouse, Other };
    Kind kind = None;
    uint8_t character = 0;   // the CP850 character, 0 for an extended key
    uint8_t scanCode = 0;    // the PC scan code of an extended key (0x3b F1, 0x48 Up, ...)
    uint16_t modifiers = 0;  // ConsoleModifier bits held with the event
    bool keypad = false;     // the key came from the numeric keypad
    int16_t button = 0;      // mouse: button state (1 left, 2 right, 4 middle)
    int16_t row = 0;         // mouse: the absolute cell, from 1
    int16_t column = 0;
};

// What a back-end does beyond the screen buffer kept here.
struct ConsoleBackend {
    virtual ~ConsoleBackend() = default;
    // Shows what changed and takes the next pending event, waiting at most a short while.
    virtual bool ReadEvent(ConsoleEvent& event) = 0;
    virtual void Beep() = 0;
    virtual void SetMouse(bool on) = 0;
    virtual bool HasMouse() = 0;
    // Hands the terminal to a child process and takes it back, fully redrawn.
    virtual void Suspend() = 0;
    virtual void Resume() = 0;
    // Shows pending changes now (used before waits that read no input).
    virtual void Flush() = 0;
    // Sends bytes to the terminal as they are (a terminal control string) with the next output.
    virtual void SendRaw(const std::string& bytes) = 0;
};

// The size of the console the system sees: always 25 rows of 80 columns on a terminal.
int16_t ConsoleRows();
int16_t ConsoleColumns();

// Back-end selection. Until a program picks one (the terminal back-end lives in
// console_terminal.h), the console is a virtual 25 x 80 one with no input.
void UseVirtualConsole(int16_t rows, int16_t columns);
void UseConsoleBackend(std::unique_ptr<ConsoleBackend> backend, int16_t rows, int16_t columns);
bool ConsoleIsVirtual();

// Cells and cursor.
ConsoleCell ConsoleReadCell(int16_t row, int16_t column);
void ConsoleWriteCell(int16_t row, int16_t column, ConsoleCell cell);
// Places the cursor; a coordinate outside the console keeps its current value.
void ConsoleLocate(int16_t row, int16_t column);
int16_t ConsoleCursorRow();
int16_t ConsoleCursorColumn();
void ConsoleShowCursor(bool visible);
bool ConsoleCursorVisible();
// Cursor shape: the insert shape or the overwrite (block) shape.
void ConsoleCursorInsertShape(bool insert);
bool ConsoleCursorIsInsertShape();
uint8_t ConsoleAttribute();
void ConsoleSetAttribute(uint8_t attribute);

// Writes at the cursor in the current attribute; the cursor advances and the
// screen never scrolls (what passes the last column is cut).
void ConsoleWriteText(const std::string& text);
void ConsoleWriteBlanks(int16_t count);
// Fills the whole screen with blanks in the current attribute; the cursor goes to 1,1.
void ConsoleClear();
// Scrolls a rectangle up (lines > 0) or down (lines < 0), filling with blanks in
// the current attribute; lines 0 or a count past the height blanks the rectangle.
void ConsoleScroll(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t lines);
// The characters of one row, columns first to last (for tests and the help viewer).
std::string ConsoleRowText(int16_t row, int16_t first = 1, int16_t last = -1);

// Input and the rest of the back-end.
bool ConsoleReadEvent(ConsoleEvent& event);
void ConsoleBeep();
void ConsoleSetMouse(bool on);
bool ConsoleHasMouse();
void ConsoleSuspend();
void ConsoleResume();
void ConsoleFlush();
// Sends a terminal control string (e.g. the clipboard's) with the next output.
void ConsoleSendRaw(const std::string& bytes);

// The virtual back-end's input queue and counters (tests only).
void QueueVirtualKey(int16_t keyCode);
void QueueVirtualClick(int16_t row, int16_t column, int16_t button);
void QueueVirtualEvent(const ConsoleEvent& event);
int VirtualBeepCount();
bool VirtualMouseOn();
// Everything sent with ConsoleSendRaw so far.
std::string VirtualRawOutput();

}  // namespace korvidan
