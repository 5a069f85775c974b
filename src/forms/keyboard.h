// Keyboard and mouse input: key codes from console events, decimal entry with Alt,
// typed-ahead text, the hot keys of the pop-up tools, and the key map of field editing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvidan {

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
