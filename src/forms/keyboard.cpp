// One console event turned into one key code: typed-ahead text first, decimal entry
// with Alt and the keypad, modifier codes of function keys, clicks, the hot keys of
// the pop-up tools; and the key map that decides which keys end a field.
#include "forms/keyboard.h"

#include <cmath>

#include "datetime/text.h"
#include "platform/codepage.h"
#include "platform/console.h"

namespace korvidan {

KeyMapRecord KeyMap;
int16_t MaskChar = 0;
std::string TypeAhead;
bool InsertMode = false;

namespace {

enum class MouseState { NotSetUp, Absent, Off, On };
MouseState mouseState = MouseState::NotSetUp;

// A registered pop-up tool and the guard that keeps it from opening inside itself.
struct HotKey {
    int16_t key;
    HotKeyHandler handler;
    bool running;
};
std::vector<HotKey> hotKeys;

// A decimal entry survives polls that find nothing pending while Alt is still held.
struct DecimalEntry {
    bool altHeld = false;
    bool hasDigits = false;
    int value = 0;  // the digits typed so far, modulo 256
};
DecimalEntry decimalEntry;

// A key or click typed after a decimal entry, delivered by the next read.
bool eventHeld = false;
ConsoleEvent heldEvent;

// A key code of a key list: hexadecimal as far as it has hex digits, reduced to
// 16 bits so that the codes from 8000 up name their keys.
int16_t KeyListCode(const std::string& text) {
    const double value = TextToNumber("&H0" + text);
    if (!(value > 0)) return 0;
    return static_cast<int16_t>(static_cast<uint16_t>(std::fmod(value, 65536.0)));
}

// Calls the action for each comma-separated entry of a key list.
template <typename Action>
void ForEachEntry(const std::string& list, Action action) {
    size_t pos = 0;
    while (pos < list.size()) {
        const size_t comma = list.find(',', pos);
        const size_t end = comma == std::string::npos ? list.size() : comma;
        action(list.substr(pos, end - pos));
        pos = end + 1;
    }
}

bool TakeEvent(ConsoleEvent& event) {
    if (eventHeld) {
        eventHeld = false;
        event = heldEvent;
        return true;
    }
    return ConsoleReadEvent(event);
}

// Whether an event carries a key or a mouse button.
bool IsInput(const ConsoleEvent& event) {
    if (event.kind == ConsoleEvent::Key) return event.character != 0 || event.scanCode != 0;
    return event.kind == ConsoleEvent::Mouse && event.button != 0;
}

// The digit of a keypad key (Insert 0, End 1, Down 2, ... PgUp 9), or -1.
int KeypadDigit(const ConsoleEvent& event) {
    if (event.kind != ConsoleEvent::Key || !event.keypad) return -1;
    if (event.character >= '0' && event.character <= '9') return event.character - '0';
    static constexpr uint8_t kScanCodes[10] = {0x52, 0x4f, 0x50, 0x51, 0x4b, 0x4c, 0x4d, 0x47, 0x48, 0x49};
    if (event.character != 0) return -1;
    for (int digit = 0; digit < 10; ++digit) {
        if (event.scanCode == kScanCodes[digit]) return digit;
    }
    return -1;
}

// Collects keypad digits typed with the left Alt key held. Returns false while the
// entry waits for more; otherwise event is what the read goes on with.
bool ReadDecimalEntry(ConsoleEvent& event, bool& pending) {
    while (pending ? (event.modifiers & LeftAlt) != 0 : decimalEntry.altHeld) {
        if (!pending) return false;
        const int digit = KeypadDigit(event);
        if (digit < 0 && IsInput(event)) break;
        if (digit >= 0) {
            decimalEntry.value = (decimalEntry.value * 10 + digit) % 256;
            decimalEntry.hasDigits = true;
        }
        decimalEntry.altHeld = true;
        pending = TakeEvent(event);
    }
    decimalEntry.altHeld = false;
    if (decimalEntry.hasDigits) {
        // A key typed with Alt still held ends the entry and is dropped. A key without
        // Alt came after Alt was let go, which a terminal does not report: it is kept.
        if (pending && IsInput(event) && (event.modifiers & LeftAlt) == 0) {
            heldEvent = event;
            eventHeld = true;
        }
        event = ConsoleEvent{};
        event.kind = ConsoleEvent::Key;
        event.character = static_cast<uint8_t>(decimalEntry.value);
        pending = true;
        decimalEntry = DecimalEntry{};
    }
    return true;
}

// The key code of a keyboard event with the modifier forms of function and cursor keys.
int16_t KeyCodeOf(const ConsoleEvent& event) {
    uint16_t code = event.character != 0 ? event.character : static_cast<uint16_t>(event.scanCode << 8);
    if (code == KeyAltE) return static_cast<int16_t>(EuroByte);
    const bool alt = (event.modifiers & (LeftAlt | RightAlt)) != 0;
    const bool ctrl = (event.modifiers & (LeftCtrl | RightCtrl)) != 0;
    const bool shift = (event.modifiers & ShiftKey) != 0;
    const bool functionKey = code >= KeyF1 && code <= KeyF10;
    const bool lateFunctionKey =
        code == static_cast<uint16_t>(KeyF11) || code == static_cast<uint16_t>(KeyF12);
    if (alt) {
        if (functionKey) code += 0x2d00;
        if (lateFunctionKey) code += 0x0600;
    } else if (ctrl) {
        if (functionKey) code += 0x2300;
        if (lateFunctionKey) code += 0x0400;
        if (code == KeyHome) code = KeyCtrlHome;
        if (code == KeyRight) code = KeyCtrlRight;
        if (code == KeyLeft) code = KeyCtrlLeft;
    } else if (shift) {
        if (functionKey) code += 0x1900;
        if (lateFunctionKey) code += 0x0200;
    }
    return static_cast<int16_t>(code);
}

// Opens the tool of a hot key unless it is open already, and queues its result.
// The key map is kept across the tool, so the field that was being edited goes
// on with its own keys.
void RunHotKey(int16_t key) {
    for (size_t i = 0; i < hotKeys.size(); ++i) {
        if (hotKeys[i].key != key || hotKeys[i].running) continue;
        const KeyMapRecord keptKeyMap = KeyMap;
        hotKeys[i].running = true;
        std::string result = hotKeys[i].handler();
        // The tool may have registered or removed hot keys; find the entry again.
        for (HotKey& entry : hotKeys) {
            if (entry.key == key) entry.running = false;
        }
        KeyMap = keptKeyMap;
        TypeAhead = std::move(result);
        return;
    }
}

}  // namespace

void SetKeyMap(const std::string& mode, const std::string& list) {
    for (char letter : UpperCaseText(mode)) {
        switch (letter) {
        case 'D':
            ForEachEntry(list, [](const std::string& entry) {
                const int16_t code = KeyListCode(entry);
                for (size_t i = 0; i < KeyMap.fromCodes.size(); ++i) {
                    if (KeyMap.fromCodes[i] != code) continue;
                    KeyMap.fromCodes.erase(KeyMap.fromCodes.begin() + static_cast<std::ptrdiff_t>(i));
                    KeyMap.toCodes.erase(KeyMap.toCodes.begin() + static_cast<std::ptrdiff_t>(i));
                    break;
                }
            });
            break;
        case 'A':
            ForEachEntry(list, [](const std::string& entry) {
                const size_t equals = entry.find('=');
                const int16_t from = KeyListCode(entry.substr(0, equals));
                const int16_t to = equals == std::string::npos ? from : KeyListCode(entry.substr(equals + 1));
                KeyMap.fromCodes.push_back(from);
                KeyMap.toCodes.push_back(to);
            });
            break;
        case 'E':
            KeyMap.fromCodes.clear();
            KeyMap.toCodes.clear();
            break;
        case '+':
            if (!KeyMap.saveInUse) {
                KeyMap.savedFrom = KeyMap.fromCodes;
                KeyMap.savedTo = KeyMap.toCodes;
                KeyMap.saveInUse = true;
            }
            break;
        case '-':
            if (KeyMap.saveInUse) {
                KeyMap.fromCodes = std::move(KeyMap.savedFrom);
                KeyMap.toCodes = std::move(KeyMap.savedTo);
                KeyMap.savedFrom.clear();
                KeyMap.savedTo.clear();
                KeyMap.saveInUse = false;
            }
            break;
        case 'H':
            MaskChar = 'X';
            break;
        case 'V':
            MaskChar = 0;
            break;
        default:
            break;
        }
    }
}

bool LookupKeyMap(int16_t key, int16_t& delivered) {
    for (size_t i = 0; i < KeyMap.fromCodes.size(); ++i) {
        if (KeyMap.fromCodes[i] == key) {
            delivered = KeyMap.toCodes[i];
            return true;
        }
    }
    return false;
}

void ReadKeyEvent(int16_t& key, int16_t& button, int16_t& row, int16_t& column) {
    if (!TypeAhead.empty()) {
        key = static_cast<uint8_t>(TypeAhead.front());
        TypeAhead.erase(0, 1);
        return;
    }
    if (mouseState == MouseState::NotSetUp) {
        mouseState = ConsoleHasMouse() ? MouseState::Off : MouseState::Absent;
    }
    if (mouseState == MouseState::Off) {
        ConsoleSetMouse(true);
        mouseState = MouseState::On;
    }
    key = 0;
    button = 0;
    row = 0;
    column = 0;
    ConsoleEvent event;
    bool pending = TakeEvent(event);
    if (!ReadDecimalEntry(event, pending) || !pending) return;

    if (event.kind == ConsoleEvent::Key) key = KeyCodeOf(event);
    if (mouseState == MouseState::On && event.kind == ConsoleEvent::Mouse && event.button != 0) {
        button = event.button;
        row = event.row;
        column = event.column;
    }
    if (key != 0) RunHotKey(key);
    // Clicks are reported only while the system waits for input.
    if (mouseState == MouseState::On && (key != 0 || button > 0)) {
        ConsoleSetMouse(false);
        mouseState = MouseState::Off;
    }
}

void WaitKey(int16_t& key) {
    int16_t button = 0;
    int16_t row = 0;
    int16_t column = 0;
    do {
        ReadKeyEvent(key, button, row, column);
    } while (key == 0 && button == 0);
    if (key == 0) key = static_cast<int16_t>(static_cast<uint16_t>(column * 256 + button * 64 + row));
}

void RegisterHotKey(int16_t key, HotKeyHandler handler) {
    for (size_t i = 0; i < hotKeys.size(); ++i) {
        if (hotKeys[i].key != key) continue;
        if (handler == nullptr) {
            hotKeys.erase(hotKeys.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            hotKeys[i].handler = handler;
        }
        return;
    }
    if (handler != nullptr) hotKeys.push_back(HotKey{key, handler, false});
}

void ResetKeyboardState() {
    KeyMap = KeyMapRecord{};
    MaskChar = 0;
    TypeAhead.clear();
    InsertMode = false;
    mouseState = MouseState::NotSetUp;
    hotKeys.clear();
    decimalEntry = DecimalEntry{};
    eventHeld = false;
}

}  // namespace korvidan
