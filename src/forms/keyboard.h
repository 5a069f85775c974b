// Keyboard and mouse input: key codes from console events, decimal entry with Alt,
// typed-ahead text, the hot keys of the pop-up tools, and the key map of field editing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvidan {

// Key codes: a character 1 to 255, or an extended key's scan code times 256.
constexpr int16_t KeyCtrlB = 0x02;
constexpr int16_t KeyCtrlC = 0x03;
constexpr int16_t KeyBackspace = 0x08;
constexpr int16_t KeyTab = 0x09;
constexpr int16_t KeyEnter = 0x0d;
constexpr int16_t KeyCtrlV = 0x16;
constexpr int16_t KeyCtrlY = 0x19;
constexpr int16_t KeyEsc = 0x1b;
constexpr int16_t KeySpace = 0x20;
constexpr int16_t KeyShiftTab = 0x0f00;
constexpr int16_t KeyAltE = 0x1200;
constexpr int16_t KeyAltF = 0x2100;
constexpr int16_t KeyAltX = 0x2d00;
constexpr int16_t KeyAltC = 0x2e00;
constexpr int16_t KeyF1 = 0x3b00;
constexpr int16_t KeyF2 = 0x3c00;
constexpr int16_t KeyF4 = 0x3e00;
constexpr int16_t KeyF10 = 0x4400;
constexpr int16_t KeyHome = 0x4700;
constexpr int16_t KeyUp = 0x4800;
constexpr int16_t KeyPgUp = 0x4900;
constexpr int16_t KeyLeft = 0x4b00;
constexpr int16_t KeyRight = 0x4d00;
constexpr int16_t KeyEnd = 0x4f00;
constexpr int16_t KeyDown = 0x5000;
constexpr int16_t KeyPgDn = 0x5100;
constexpr int16_t KeyInsert = 0x5200;
constexpr int16_t KeyDelete = 0x5300;
constexpr int16_t KeyCtrlF4 = 0x6100;
constexpr int16_t KeyAltF4 = 0x6b00;
constexpr int16_t KeyCtrlLeft = 0x7300;
constexpr int16_t KeyCtrlRight = 0x7400;
constexpr int16_t KeyCtrlHome = 0x7700;
// F11 and F12 lie above 7fff: as 16-bit codes they are negative.
constexpr int16_t KeyF11 = static_cast<int16_t>(0x8500);
constexpr int16_t KeyF12 = static_cast<int16_t>(0x8600);

// The keys that end a field's editing, each with the key it is delivered as,
// plus a one-level save slot.
struct KeyMapRecord {
    std::vector<int16_t> fromCodes;
    std::vector<int16_t> toCodes;
    std::vector<int16_t> savedFrom;
    std::vector<int16_t> savedTo;
    bool saveInUse = false;
};
extern KeyMapRecord KeyMap;
// The character shown instead of the text being edited (0 = none).
extern int16_t MaskChar;
// Text delivered as typed keys, one per read, before any console input.
extern std::string TypeAhead;
// The Insert toggle: true inserts, false (at start) overwrites.
extern bool InsertMode;

// Applies the mode letters (D, A, E, +, -, H, V) with the key list used by D and A.
void SetKeyMap(const std::string& mode, const std::string& list);
// Finds the first pair of the key map for the key: true and the key to deliver, or false.
bool LookupKeyMap(int16_t key, int16_t& delivered);
// Reads one pending event without waiting: key 0 and button 0 when nothing was pending.
void ReadKeyEvent(int16_t& key, int16_t& button, int16_t& row, int16_t& column);
// Waits for a key or a click; a click comes back as column * 256 + button * 64 + row.
void WaitKey(int16_t& key);

// A pop-up tool opened by a hot key; it returns the text to queue as typed keys.
using HotKeyHandler = std::string (*)();
// Makes a key (Alt+X 2d00, Alt+C 2e00) open a tool; nullptr takes the key back.
void RegisterHotKey(int16_t key, HotKeyHandler handler);

// Puts the key map, the mask, the queued text, Insert, the mouse state, the
// hot-key guards and registrations back as a new process has them.
void ResetKeyboardState();

}  // namespace korvidan
