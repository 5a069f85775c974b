// Key maps, typed-ahead text, decimal entry, modifier codes, clicks and the hot keys.
#include "forms/keyboard.h"

#include <gtest/gtest.h>

#include "platform/console.h"

namespace korvidan {
namespace {

ConsoleEvent KeyEvent(uint8_t character, uint8_t scanCode, uint16_t modifiers, bool keypad = false) {
    ConsoleEvent event;
    event.kind = ConsoleEvent::Key;
    event.character = character;
    event.scanCode = scanCode;
    event.modifiers = modifiers;
    event.keypad = keypad;
    return event;
}

// A keypad key in its cursor form (Insert 0, End 1, ... PgUp 9) with the left Alt held.
ConsoleEvent AltKeypad(int digit) {
    static constexpr uint8_t kScanCodes[10] = {0x52, 0x4f, 0x50, 0x51, 0x4b, 0x4c, 0x4d, 0x47, 0x48, 0x49};
    return KeyEvent(0, kScanCodes[digit], LeftAlt, true);
}

ConsoleEvent AltReleased() {
    ConsoleEvent event;
    event.kind = ConsoleEvent::Other;
    return event;
}

int16_t ReadKey() {
    int16_t key = 0, button = 0, row = 0, column = 0;
    ReadKeyEvent(key, button, row, column);
    return key;
}

std::vector<int16_t> Codes(std::initializer_list<int> codes) {
    std::vector<int16_t> list;
    for (int code : codes) list.push_back(static_cast<int16_t>(code));
    return list;
}

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseVirtualConsole(25, 80);
        ResetKeyboardState();
    }
};

TEST_F(KeyboardTest, KeyMapAddsAndLooksUp) {
    SetKeyMap("+ea", "1b,0d=4f00");
    int16_t delivered = 0;
    EXPECT_TRUE(LookupKeyMap(0x0d, delivered));
    EXPECT_EQ(delivered, 0x4f00);
    EXPECT_TRUE(LookupKeyMap(0x1b, delivered));
    EXPECT_EQ(delivered, 0x1b);
    EXPECT_FALSE(LookupKeyMap(0x5000, delivered));
    EXPECT_TRUE(KeyMap.saveInUse);
}

TEST_F(KeyboardTest, KeyListEntries) {
    const struct {
        const char* list;
        std::vector<int16_t> from, to;
    } cases[] = {
        {"3B00,4d00", Codes({0x3b00, 0x4d00}), Codes({0x3b00, 0x4d00})},
        {",3b00", Codes({0, 0x3b00}), Codes({0, 0x3b00})},  // an empty entry reads as 0
        {"1b,", Codes({0x1b}), Codes({0x1b})},
        {"", {}, {}},
        {"d=5000x", Codes({0x0d}), Codes({0x5000})},  // reading stops at the first non-hex digit
        {"8500,8c00=1b", Codes({0x8500, 0x8c00}), Codes({0x8500, 0x1b})},  // F11 and Alt+F12
    };
    for (const auto& c : cases) {
        SetKeyMap("ea", c.list);
        EXPECT_EQ(KeyMap.fromCodes, c.from) << c.list;
        EXPECT_EQ(KeyMap.toCodes, c.to) << c.list;
    }
}

TEST_F(KeyboardTest, SaveSlotHasOneLevel) {
    SetKeyMap("a", "1b");
    SetKeyMap("+EA", "0d");  // capitals act like small letters
    SetKeyMap("+ea", "5000");
    EXPECT_EQ(KeyMap.fromCodes, Codes({0x5000}));
    SetKeyMap("-", "");
    EXPECT_EQ(KeyMap.fromCodes, Codes({0x1b}));
    EXPECT_FALSE(KeyMap.saveInUse);
    SetKeyMap("-", "");
    EXPECT_EQ(KeyMap.fromCodes, Codes({0x1b}));
}

TEST_F(KeyboardTest, DeleteEmptyAndMask) {
    SetKeyMap("a", "0d,1b=4800,1b,5000");
    SetKeyMap("d", "1b");
    EXPECT_EQ(KeyMap.fromCodes, Codes({0x0d, 0x1b, 0x5000}));
    EXPECT_EQ(KeyMap.toCodes, Codes({0x0d, 0x1b, 0x5000}));
    SetKeyMap("h", "");
    EXPECT_EQ(MaskChar, 'X');
    SetKeyMap("ev", "");
    EXPECT_TRUE(KeyMap.fromCodes.empty());
    EXPECT_TRUE(KeyMap.toCodes.empty());
    EXPECT_EQ(MaskChar, 0);
}

TEST_F(KeyboardTest, TypeAheadComesBeforeTheConsole) {
    QueueVirtualKey('z');
    TypeAhead = "a\xD5";  // a, €
    EXPECT_EQ(ReadKey(), 'a');
    EXPECT_EQ(ReadKey(), 0xD5);
    EXPECT_EQ(ReadKey(), 'z');
    EXPECT_EQ(ReadKey(), 0);
}

TEST_F(KeyboardTest, DecimalEntryWithAltAndTheKeypad) {
    const struct {
        std::vector<int> digits;
        int16_t expected;
    } cases[] = {{{6, 5}, 65}, {{3, 0, 0}, 44}, {{1, 3, 0}, 130}, {{9, 9, 9, 9, 9, 9, 9}, 9999999 % 256}};
    for (const auto& c : cases) {
        for (int digit : c.digits) QueueVirtualEvent(AltKeypad(digit));
        QueueVirtualEvent(AltReleased());
        EXPECT_EQ(ReadKey(), c.expected);
        EXPECT_EQ(ReadKey(), 0);
    }
}

TEST_F(KeyboardTest, DecimalEntryWaitsForAltAcrossPolls) {
    QueueVirtualEvent(AltKeypad(6));
    EXPECT_EQ(ReadKey(), 0);  // Alt still held
    QueueVirtualEvent(AltKeypad(5));
    EXPECT_EQ(ReadKey(), 0);
    QueueVirtualEvent(AltReleased());
    EXPECT_EQ(ReadKey(), 65);
}

TEST_F(KeyboardTest, KeyThatEndsDecimalEntryIsNotLost) {
    QueueVirtualEvent(AltKeypad(6));
    QueueVirtualEvent(AltKeypad(6));
    QueueVirtualKey('q');
    EXPECT_EQ(ReadKey(), 66);
    EXPECT_EQ(ReadKey(), 'q');
    // A key typed while Alt is still held ends the entry and is dropped.
    QueueVirtualEvent(AltKeypad(6));
    QueueVirtualEvent(AltKeypad(7));
    QueueVirtualEvent(KeyEvent(0, 0x2d, LeftAlt));
    EXPECT_EQ(ReadKey(), 67);
    EXPECT_EQ(ReadKey(), 0);
    // Alt with a key that is not on the keypad is that key, not an entry.
    QueueVirtualEvent(KeyEvent(0, 0x3b, LeftAlt));
    EXPECT_EQ(ReadKey(), 0x6800);
}

TEST_F(KeyboardTest, ModifiersChangeFunctionAndCursorKeys) {
    const struct {
        uint8_t scanCode;
        uint16_t modifiers;
        uint16_t expected;
    } cases[] = {
        {0x3b, 0, 0x3b00},         {0x3b, LeftCtrl, 0x5e00},  {0x44, ShiftKey, 0x5d00},
        {0x86, LeftAlt, 0x8c00},   {0x4b, RightCtrl, 0x7300}, {0x4d, LeftCtrl, 0x7400},
        {0x47, LeftCtrl, 0x7700},  {0x3b, RightAlt, 0x6800},  {0x85, LeftCtrl, 0x8900},
        {0x86, ShiftKey, 0x8800},  {0x3b, LeftAlt | LeftCtrl | ShiftKey, 0x6800},
        {0x4f, LeftCtrl, 0x4f00},  {0x4b, ShiftKey, 0x4b00},  {0x12, LeftAlt, 0xD5},
    };
    for (const auto& c : cases) {
        QueueVirtualEvent(KeyEvent(0, c.scanCode, c.modifiers));
        EXPECT_EQ(static_cast<uint16_t>(ReadKey()), c.expected) << std::hex << int(c.scanCode) << " " << c.modifiers;
    }
}

TEST_F(KeyboardTest, MouseIsOnOnlyWhileWaiting) {
    EXPECT_EQ(ReadKey(), 0);
    EXPECT_TRUE(VirtualMouseOn());
    QueueVirtualKey('a');
    EXPECT_EQ(ReadKey(), 'a');
    EXPECT_FALSE(VirtualMouseOn());
    QueueVirtualClick(5, 10, 1);
    int16_t key = 0, button = 0, row = 0, column = 0;
    ReadKeyEvent(key, button, row, column);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(button, 1);
    EXPECT_EQ(row, 5);
    EXPECT_EQ(column, 10);
    EXPECT_FALSE(VirtualMouseOn());
}

TEST_F(KeyboardTest, WaitKeyEncodesAClick) {
    QueueVirtualClick(5, 10, 1);
    int16_t key = 0;
    WaitKey(key);
    EXPECT_EQ(key, 2629);
    QueueVirtualClick(25, 80, 4);  // 80 * 256 + 4 * 64 + 25 reduced to 16 bits
    WaitKey(key);
    EXPECT_EQ(key, static_cast<int16_t>(static_cast<uint16_t>(80 * 256 + 4 * 64 + 25)));
    QueueVirtualEvent(AltReleased());
    QueueVirtualKey(0x4800);
    WaitKey(key);
    EXPECT_EQ(key, 0x4800);
}

int calculatorRuns = 0;
int calendarRuns = 0;

// A calculator that reads keys itself: Alt+X inside it must not open another one,
// Alt+C opens the calendar.
std::string NestedCalculator() {
    ++calculatorRuns;
    QueueVirtualEvent(KeyEvent(0, 0x2d, LeftAlt));
    QueueVirtualEvent(KeyEvent(0, 0x2e, LeftAlt));
    EXPECT_EQ(ReadKey(), 0x2d00);
    EXPECT_EQ(ReadKey(), 0x2e00);
    return "12,5";
}

std::string Calendar() {
    ++calendarRuns;
    return "01/02/2024";
}

TEST_F(KeyboardTest, HotKeysOpenEachToolOnceAndQueueItsResult) {
    calculatorRuns = 0;
    calendarRuns = 0;
    RegisterHotKey(0x2d00, NestedCalculator);
    RegisterHotKey(0x2e00, Calendar);
    QueueVirtualEvent(KeyEvent(0, 0x2d, LeftAlt));
    EXPECT_EQ(ReadKey(), 0x2d00);
    EXPECT_EQ(calculatorRuns, 1);
    EXPECT_EQ(calendarRuns, 1);
    EXPECT_EQ(TypeAhead, "12,5");
    std::string typed;
    for (int i = 0; i < 4; ++i) typed.push_back(static_cast<char>(ReadKey()));
    EXPECT_EQ(typed, "12,5");

    RegisterHotKey(0x2d00, nullptr);  // without a tool the key is just returned
    QueueVirtualEvent(KeyEvent(0, 0x2d, LeftAlt));
    EXPECT_EQ(ReadKey(), 0x2d00);
    EXPECT_EQ(calculatorRuns, 1);
    EXPECT_TRUE(TypeAhead.empty());
}

// A tool that sets and restores key maps of its own, as the pop-ups do.
std::string ToolWithItsOwnKeys() {
    SetKeyMap("+ea", "4d00,4b00,1b");
    SetKeyMap("-", "");
    return "7";
}

TEST_F(KeyboardTest, HotKeyToolLeavesTheFieldsKeyMapAsItWas) {
    RegisterHotKey(0x2e00, ToolWithItsOwnKeys);
    SetKeyMap("a", "3b00");         // the key map before the form
    SetKeyMap("+ea", "0d,1b,3b00");  // the form's field
    const KeyMapRecord fieldKeys = KeyMap;
    QueueVirtualEvent(KeyEvent(0, 0x2e, LeftAlt));
    EXPECT_EQ(ReadKey(), 0x2e00);
    EXPECT_EQ(KeyMap.fromCodes, fieldKeys.fromCodes);
    EXPECT_EQ(KeyMap.toCodes, fieldKeys.toCodes);
    EXPECT_EQ(KeyMap.savedFrom, fieldKeys.savedFrom);
    EXPECT_TRUE(KeyMap.saveInUse);
    int16_t delivered = 0;
    EXPECT_FALSE(LookupKeyMap(0x2e00, delivered));  // so the field reads the result as typed
    EXPECT_EQ(ReadKey(), '7');
    SetKeyMap("-", "");  // the form's own restore still finds its saved keys
    EXPECT_EQ(KeyMap.fromCodes, Codes({0x3b00}));
}

}  // namespace
}  // namespace korvidan
