// Tests of the field line editor on the virtual console.
#include "forms/field_editor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "config/run_context.h"
#include "forms/keyboard.h"
#include "platform/clipboard.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "support/screen_fixture.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

constexpr int16_t Enter = 0x0d, Tab = 0x09, Esc = 0x1b, Backspace = 0x08, CtrlC = 0x03,
                  CtrlV = 0x16, CtrlY = 0x19, ShiftTab = 0x0f00, F5 = 0x3f00, Home = 0x4700,
                  Up = 0x4800, Left = 0x4b00, Right = 0x4d00, End = 0x4f00, Down = 0x5000,
                  Insert = 0x5200, Del = 0x5300, CtrlF4 = 0x6100, CtrlLeft = 0x7300,
                  CtrlRight = 0x7400, CtrlHome = 0x7700;
// Alt+X opens a registered tool from inside the editor's wait: the tests use it to
// look at the screen while the field is being edited.
constexpr int16_t Look = 0x2d00;

struct ScreenLook {
    int16_t cursorRow, cursorColumn;
    bool cursorVisible, insertShape;
    std::string row5, row6;
};
std::vector<ScreenLook> looks;

std::string TakeLook() {
    looks.push_back({ConsoleCursorRow(), ConsoleCursorColumn(), ConsoleCursorVisible(),
                     ConsoleCursorIsInsertShape(), ConsoleRowText(5), ConsoleRowText(6)});
    return {};
}

struct Outcome {
    std::string text;
    int16_t pos;
    int16_t key;
};

class FieldEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        alarm(20);  // a key swallowed for ever fails the test instead of hanging it
        UseVirtualConsole(25, 80);
        test::ResetScreenLayers();
        ResetFieldEditor();
        RunContext.terminalDir = dir.path();
        RunContext.tempDir = dir.path();
        RunContext.colourTable = {{{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}}};
        RegisterHotKey(Look, TakeLook);
        looks.clear();
    }
    void TearDown() override { alarm(0); }

    // Edits a field at row 5, column 10 with the keys queued after any clicks queued before.
    Outcome Edit(std::string text, int16_t pos, const std::vector<int16_t>& keys,
                 int16_t lineLength = 0) {
        for (int16_t key : keys) QueueVirtualKey(key);
        int16_t row = 5, col = 10, key = 0;
        EditField(row, col, lineLength, text, pos, key);
        return {text, pos, key};
    }

    test::ScratchDir dir;
};

TEST_F(FieldEditorTest, TextEditingKeys) {
    struct Case {
        const char* name;
        std::string text;
        int16_t pos;
        bool insert;
        std::vector<int16_t> keys;
        std::string expected;
        int16_t expectedPos;
        int16_t expectedKey;
    };
    const Case cases[] = {
        {"overwrite", "abc", 1, false, {'x', 'y', Esc}, "xyc", 3, Esc},
        {"overwrite at n + 1 and Right there", "abc", 4, false, {'x', Right, Esc}, "abc", 4, Esc},
        {"pos clamped on entry", "abc", 9, false, {Left, Esc}, "abc", 3, Esc},
        {"insert into a full field", "abc", 1, true, {'x', Esc}, "abc", 1, Esc},
        {"insert pushes the last blank out", "ab ", 1, true, {'x', 'y', Esc}, "xab", 2, Esc},
        {"insert at n + 1", "ab ", 4, true, {'x', Esc}, "ab ", 4, Esc},
        {"Insert toggles into insert mode", "ab ", 1, false, {Insert, 'x', Esc}, "xab", 2, Esc},
        {"Backspace", "abcd", 3, false, {Backspace, Esc}, "acd ", 2, Esc},
        {"Backspace at 1", "abcd", 1, false, {Backspace, Esc}, "abcd", 1, Esc},
        {"Del", "abcd", 2, false, {Del, Esc}, "acd ", 2, Esc},
        {"Del at n + 1", "abcd", 5, false, {Del, Esc}, "abcd", 5, Esc},
        {"End then Home", "ab  ", 1, false, {End, 'c', Home, Esc}, "abc ", 1, Esc},
        {"Left stops at 1", "ab", 1, false, {Left, 'x', Esc}, "xb", 2, Esc},
        {"Ctrl+Home blanks", "abc", 3, false, {CtrlHome, Esc}, "   ", 1, Esc},
        {"Ctrl+Y blanks", "abc", 3, false, {CtrlY, Esc}, "   ", 1, Esc},
        {"accented and euro bytes are typed", "   ", 1, false, {0x82, 0xD5, 0xFE, Esc}, "\x82\xD5\xFE", 4, Esc},
        {"127 ends", "abc", 1, false, {127}, "abc", 1, 127},
        {"255 ends", "abc", 1, false, {255}, "abc", 1, 255},
        {"a control key ends", "abc", 2, false, {0x01}, "abc", 2, 0x01},
        {"Up on one line ends", "abc", 2, false, {Up}, "abc", 2, Up},
        {"Down on one line ends", "abc", 2, false, {Down}, "abc", 2, Down},
    };
    for (const Case& c : cases) {
        InsertMode = c.insert;
        const Outcome out = Edit(c.text, c.pos, c.keys);
        EXPECT_EQ(out.text, c.expected) << c.name;
        EXPECT_EQ(out.pos, c.expectedPos) << c.name;
        EXPECT_EQ(out.key, c.expectedKey) << c.name;
    }
    // The toggle outlives the field.
    InsertMode = false;
    Edit("ab ", 1, {Insert, Esc});
    EXPECT_TRUE(InsertMode);
}

TEST_F(FieldEditorTest, WordMoves) {
    struct Case {
        std::string text;
        int16_t pos;
        int16_t key;
        int16_t expectedPos;
    };
    const Case cases[] = {
        {"ab cd", 6, CtrlLeft, 4}, {"ab cd", 4, CtrlLeft, 1},  {" ab", 4, CtrlLeft, 2},
        {"ab cd", 5, CtrlLeft, 4}, {"ab cd", 1, CtrlRight, 4}, {"ab cd", 4, CtrlRight, 6},
        {"a,b.c", 1, CtrlRight, 3}, {"a;:b", 5, CtrlLeft, 4},  {"ab  ", 2, CtrlRight, 5},
    };
    for (const Case& c : cases) {
        const Outcome out = Edit(c.text, c.pos, {c.key, Esc});
        EXPECT_EQ(out.pos, c.expectedPos) << '"' << c.text << "\" from " << c.pos;
        EXPECT_EQ(out.key, Esc);
    }
    // At the ends of the text the word keys end the editing.
    EXPECT_EQ(Edit("ab cd", 1, {CtrlLeft}).key, CtrlLeft);
    EXPECT_EQ(Edit("ab cd", 6, {CtrlRight}).key, CtrlRight);
}

TEST_F(FieldEditorTest, DrawingCursorAndDefaults) {
    // One line of 20: at n + 1 the cursor sits right of the last character.
    Edit("abcdefghijklmnopqrst", 21, {Look});
    ASSERT_EQ(looks.size(), 1u);
    EXPECT_EQ(looks[0].row5.substr(9, 20), "abcdefghijklmnopqrst");
    EXPECT_EQ(looks[0].cursorRow, 5);
    EXPECT_EQ(looks[0].cursorColumn, 30);
    EXPECT_TRUE(looks[0].cursorVisible);
    EXPECT_FALSE(looks[0].insertShape);
    EXPECT_EQ(ConsoleReadCell(5, 10).attribute, 0x70);  // drawn in the "u" pair
    EXPECT_FALSE(ConsoleCursorVisible());
    EXPECT_EQ(ConsoleCursorRow(), 5);  // left on the field's first cell
    EXPECT_EQ(ConsoleCursorColumn(), 10);

    // Two lines of 10: n + 1 stays at the end of the second line; Insert changes the shape.
    looks.clear();
    SetKeyMap("ea", "1b");  // the look is swallowed and the editing goes on
    Edit("abcdefghijklmnopqrst", 21, {Look, Insert, Look, Esc}, 10);
    ASSERT_EQ(looks.size(), 2u);
    EXPECT_EQ(looks[0].row5.substr(9, 10), "abcdefghij");
    EXPECT_EQ(looks[0].row6.substr(9, 10), "klmnopqrst");
    EXPECT_EQ(looks[0].cursorRow, 6);
    EXPECT_EQ(looks[0].cursorColumn, 20);
    EXPECT_TRUE(looks[1].insertShape);

    // Row, column and line length 0 take the cursor's place and one line, written back.
    ConsoleLocate(7, 12);
    QueueVirtualKey(Esc);
    int16_t row = 0, col = 0, lineLength = 0, pos = 1, key = 0;
    std::string text = "hello";
    EditField(row, col, lineLength, text, pos, key);
    EXPECT_EQ(row, 7);
    EXPECT_EQ(col, 12);
    EXPECT_EQ(lineLength, 6);
    EXPECT_EQ(ConsoleRowText(7, 12, 16), "hello");
}

TEST_F(FieldEditorTest, TwoLineFieldUpAndDown) {
    const std::string text(20, 'x');
    EXPECT_EQ(Edit(text, 3, {Down, Esc}, 10).pos, 13);
    Outcome out = Edit(text, 13, {Down}, 10);
    EXPECT_EQ(out.key, Down);
    EXPECT_EQ(out.pos, 13);
    EXPECT_EQ(Edit(text, 13, {Up, Esc}, 10).pos, 3);
    out = Edit(text, 3, {Up}, 10);
    EXPECT_EQ(out.key, Up);
    EXPECT_EQ(out.pos, 3);
    EXPECT_EQ(Edit(text, 13, {ShiftTab, Esc}, 10).pos, 3);
    EXPECT_EQ(Edit(text, 3, {ShiftTab}, 10).key, Up);  // delivered as Up
    EXPECT_EQ(Edit(text, 11, {Down, Esc}, 10).pos, 21);
}

TEST_F(FieldEditorTest, MaskedEntry) {
    SetKeyMap("h", "");
    const Outcome out = Edit("     ", 1, {'s', 'e', 'c', Look, CtrlC, Esc});
    EXPECT_EQ(out.text, "sec  ");
    ASSERT_EQ(looks.size(), 1u);
    EXPECT_EQ(looks[0].row5.substr(8, 7), " XXXXX ");  // never echoed
    EXPECT_EQ(ConsoleRowText(5, 10, 14), "XXXXX");
    // A masked text is not copied to the clipboard.
    EXPECT_EQ(GetClipboardText(RunContext.terminalDir), "");
    // Two lines of 10: lineLength - 1 mask characters per line.
    Edit(std::string(20, ' '), 1, {Esc}, 10);
    EXPECT_EQ(ConsoleRowText(6, 10, 19), "XXXXXXXXX ");
}

TEST_F(FieldEditorTest, ClipboardCopyAndPaste) {
    Edit("  hi there ", 1, {CtrlC, Esc});
    EXPECT_EQ(GetClipboardText(RunContext.terminalDir), "hi there");

    PutClipboardText(RunContext.terminalDir, "  a\tb  ");
    Outcome out = Edit("     ", 3, {CtrlV, Esc});
    EXPECT_EQ(out.text, "  ab ");
    EXPECT_EQ(out.pos, 3);

    PutClipboardText(RunContext.terminalDir, "xyz\x7F" "12\xFF" "3");
    out = Edit("abcde", 4, {CtrlV, Esc});
    EXPECT_EQ(out.text, "abcxy");  // cut at the end of the field

    PutClipboardText(RunContext.terminalDir, " \x01 ");
    EXPECT_EQ(Edit("abc", 1, {CtrlV, Esc}).text, "abc");
}

TEST_F(FieldEditorTest, ChoiceField) {
    const std::string list = "|S,S\xA1|N,No";  // Sí, No
    struct Case {
        std::string text;
        std::vector<int16_t> keys;
        std::string expected;
    };
    const Case cases[] = {
        {"N", {Enter}, "N"},                  // starts on the matching value
        {"X", {Enter}, "S"},                  // otherwise on the first
        {"S", {'n', Enter}, "N"},             // first letter, either case
        {"S", {'N', Enter}, "N"},
        {"S", {'s', Enter}, "S"},             // the search comes back to the current
        {"S", {'z', Enter}, "S"},             // no match: nothing happens
        {"S", {' ', Enter}, "N"},
        {"S", {' ', ' ', Enter}, "S"},
        {"S", {Right, Right, Right, Enter}, "N"},
        {"S", {Left, Enter}, "N"},            // from the first to the last
        {"S", {Backspace, Del, CtrlY, CtrlV, Home, End, Enter}, "S"},
    };
    for (const Case& c : cases) {
        SetChoiceList(list);
        const Outcome out = Edit(c.text, 1, c.keys);
        EXPECT_EQ(out.text, c.expected) << c.text;
        EXPECT_EQ(out.key, Enter);
    }
    // A wider field never preselects by value, and returns the value padded.
    SetChoiceList(list);
    EXPECT_EQ(Edit("N  ", 1, {Enter}).text, "S  ");
    // Up, Down and the word keys end a choice field.
    SetChoiceList(list);
    EXPECT_EQ(Edit("S", 1, {Down}).key, Down);
    // Letters match accented descriptions as plain capitals.
    SetChoiceList("|1,\xB7rea|2,Edifici|3,\x90poca");  // Àrea, Edifici, Època
    EXPECT_EQ(Edit("1", 1, {'e', 'e', Enter}).text, "3");
    SetChoiceList("|1,\xB7rea|2,Edifici|3,\x90poca");
    EXPECT_EQ(Edit("3", 1, {'a', Enter}).text, "1");
    EXPECT_FALSE(FoldToPlain);
}

TEST_F(FieldEditorTest, ChoiceFieldArrowsAndDescription) {
    SetKeyMap("ea", "0d,1b");
    SetChoiceList("|S,S\xA1|N,No pas");  // Sí, No pas
    ConsoleLocate(5, 9);
    ConsoleWriteText(":");
    Edit("S", 1, {Look, Right, Look, CtrlC, Enter});
    ASSERT_EQ(looks.size(), 2u);
    EXPECT_EQ(looks[0].row5.substr(8, 8), "\x11S\xA1    \x10");
    EXPECT_EQ(looks[1].row5.substr(8, 8), "\x11No pas\x10");
    EXPECT_FALSE(looks[0].cursorVisible);
    EXPECT_EQ(GetClipboardText(RunContext.terminalDir), "No pas");
    // After the editing the arrow cells are blank.
    EXPECT_EQ(ConsoleRowText(5, 9, 16), " No pas ");
}

TEST_F(FieldEditorTest, ClicksInAndOutOfTheField) {
    // A text field at row 5, column 10: a click inside puts the cursor after the clicked character.
    QueueVirtualClick(5, 12, 1);
    Outcome out = Edit("abcde", 1, {Esc});
    EXPECT_EQ(out.pos, 4);
    EXPECT_EQ(out.key, Esc);
    QueueVirtualClick(6, 12, 1);
    EXPECT_EQ(Edit("abcde", 1, {}).key, -(12 * 100 + 6));
    // Outside the field a click ends the editing even when the key map lacks it.
    SetKeyMap("ea", "1b");
    QueueVirtualClick(20, 70, 1);
    EXPECT_EQ(Edit("abcde", 1, {}).key, -(70 * 100 + 20));
    // Every line of a multi-line field takes clicks, the third of 25 characters too.
    SetKeyMap("e", "");
    QueueVirtualClick(7, 12, 1);
    EXPECT_EQ(Edit(std::string(25, 'x'), 1, {Esc}, 10).pos, 24);

    // In a window, clicks are made window-relative.
    OpenWindow(3, 5, 10, 40);
    QueueVirtualClick(5, 9, 1);
    QueueVirtualKey(Esc);
    int16_t row = 2, col = 3, lineLength = 0, pos = 1, key = 0;
    std::string text = "abcde";
    EditField(row, col, lineLength, text, pos, key);
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(ConsoleRowText(5, 8, 12), "abcde");
    CloseWindow();

    // A choice field: the arrows step, the description is key 0.
    SetChoiceList("|S,S\xA1|N,No");
    QueueVirtualClick(5, 12, 1);  // the right arrow (col + width)
    EXPECT_EQ(Edit("S", 1, {Enter}).text, "N");
    SetChoiceList("|S,S\xA1|N,No");
    QueueVirtualClick(5, 9, 1);  // the left arrow
    EXPECT_EQ(Edit("S", 1, {Enter}).text, "N");
    SetChoiceList("|S,S\xA1|N,No");
    QueueVirtualClick(5, 10, 1);  // the description, with an empty key map
    EXPECT_EQ(Edit("S", 1, {}).key, 0);
    SetKeyMap("ea", "0d");
    SetChoiceList("|S,S\xA1|N,No");
    QueueVirtualClick(5, 11, 1);  // the description, with a key map: ignored
    out = Edit("N", 1, {Enter});
    EXPECT_EQ(out.key, Enter);
    EXPECT_EQ(out.text, "N");
}

TEST_F(FieldEditorTest, EndingRulesWithTheKeyMap) {
    struct Case {
        const char* map;
        std::vector<int16_t> keys;
        int16_t expected;
    };
    const Case cases[] = {
        {"", {F5}, F5},                               // no map: any key ends
        {"", {Tab}, Enter},
        {"", {CtrlF4}, Esc},
        {"0d,1b,4f00", {Enter}, End},                 // Enter is End where End ends
        {"0d,1b,4f00", {Tab}, Enter},                 // Tab is Enter, and stays Enter
        {"0d,1b", {Enter}, Enter},
        {"0d,1b", {F5, Up, Esc}, Esc},                // keys not in the map are swallowed
        {"0d,1b", {CtrlF4}, Esc},
        {"0d=4800,1b", {Enter}, Up},                  // delivered as the map says
        {"1b,4800", {ShiftTab}, Up},
    };
    for (const Case& c : cases) {
        SetKeyMap("ea", c.map);
        EXPECT_EQ(Edit("abc", 1, c.keys).key, c.expected) << c.map;
    }
}

}  // namespace
}  // namespace korvidan
