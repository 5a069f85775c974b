// Colour modes, window-relative placement, the text stack and the text operations.
#include "screen/colour.h"

#include <gtest/gtest.h>

#include "config/run_context.h"
#include "platform/console.h"
#include "screen/window_stack.h"
#include "support/screen_fixture.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

// Attribute of each pair of the table below, so every index can be told apart.
constexpr uint8_t kPairAttribute[5] = {0x0F, 0x07, 0x70, 0x31, 0x4E};

class ColourTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseVirtualConsole(25, 80);
        test::ResetScreenLayers();
        RunContext.colourTable = {{{15, 0}, {7, 0}, {0, 7}, {1, 3}, {14, 4}}};
        RunContext.tempDir = scratch.path();
    }
    void TearDown() override {
        while (WindowStack.depth > 0) CloseWindow();
    }
    test::ScratchDir scratch;
};

TEST_F(ColourTest, ModeLettersSelectThePair) {
    const struct {
        const char* mode;
        int pair;
    } cases[] = {{"n", 1}, {"N", 1}, {"r", 2}, {"rn", 3}, {"ur", 4}, {"U", 4}, {"h", 0}, {"rh", 2}, {"xyz", 0}};
    for (const auto& c : cases) {
        ConsoleSetAttribute(0x99);
        SetColourMode(c.mode);
        EXPECT_EQ(ConsoleAttribute(), kPairAttribute[c.pair]) << c.mode;
    }
}

TEST_F(ColourTest, PlusSavesAndMinusRestoresInTurn) {
    SetColourMode("r");
    const struct {
        const char* mode;
        int pair;
    } steps[] = {{"+n", 1}, {"+u", 4}, {"-", 1}, {"-", 2}, {"-", 0}, {"+", 0}, {"-", 0}};
    for (const auto& step : steps) {
        SetColourMode(step.mode);
        EXPECT_EQ(ConsoleAttribute(), kPairAttribute[step.pair]) << step.mode;
    }
}

TEST_F(ColourTest, PlusAndMinusTogetherKeepTheIndexAndTheStack) {
    SetColourMode("n");
    ConsoleSetAttribute(0x99);
    SetColourMode("+-");
    EXPECT_EQ(ConsoleAttribute(), kPairAttribute[1]);
    SetColourMode("-");  // nothing was left on the stack
    EXPECT_EQ(ConsoleAttribute(), kPairAttribute[0]);
}

TEST_F(ColourTest, EmptyOrBlankModeTouchesNothing) {
    SetColourMode("n");
    for (const char* mode : {"", "   "}) {
        ConsoleSetAttribute(0x99);
        SetColourMode(mode);
        EXPECT_EQ(ConsoleAttribute(), 0x99);
    }
    SetColourMode("-");  // the blank modes pushed nothing
    EXPECT_EQ(ConsoleAttribute(), kPairAttribute[0]);
}

TEST_F(ColourTest, ColourOutsideTheSixteenKeepsThatHalf) {
    RunContext.colourTable[1] = {16, 3};
    RunContext.colourTable[2] = {5, -1};
    ConsoleSetAttribute(0x9A);
    SetColourMode("n");
    EXPECT_EQ(ConsoleAttribute(), 0x3A);
    SetColourMode("r");
    EXPECT_EQ(ConsoleAttribute(), 0x35);
}

TEST_F(ColourTest, LocateInWindowIsRelativeToTheCurrentWindow) {
    LocateInWindow(1, 2);
    EXPECT_EQ(ConsoleCursorRow(), 1);
    EXPECT_EQ(ConsoleCursorColumn(), 2);
    OpenWindow(4, 10, 12, 40);
    LocateInWindow(1, 2);
    EXPECT_EQ(ConsoleCursorRow(), 5);
    EXPECT_EQ(ConsoleCursorColumn(), 12);
    LocateInWindow(30, 3);  // a row outside the screen keeps the row
    EXPECT_EQ(ConsoleCursorRow(), 5);
    EXPECT_EQ(ConsoleCursorColumn(), 13);
}

TEST_F(ColourTest, ScreenSizeIsTheConsoleWindow) {
    EXPECT_EQ(ScreenRows(), 25);
    EXPECT_EQ(ScreenColumns(), 80);
}

TEST_F(ColourTest, TextStackPopsInReverseOrder) {
    const std::string binary("\x00\xFF\x01\x00", 4);
    PushText("A");
    PushText("");
    PushText(binary);
    PushText("BC");
    EXPECT_EQ(PopText(), "BC");
    EXPECT_EQ(PopText(), binary);
    EXPECT_EQ(PopText(), "");
    EXPECT_EQ(PopText(), "A");
    EXPECT_TRUE(TextStack.empty());
    EXPECT_EQ(PopText(), "");  // popping an empty stack
}

TEST_F(ColourTest, TextStackLayoutIsBytesThenLittleEndianLength) {
    PushText(std::string(300, 'x'));
    ASSERT_EQ(TextStack.size(), 302u);
    EXPECT_EQ(TextStack.substr(300), std::string("\x2C\x01", 2));
    // An item longer than the length field can tell is cut, never corrupts the stack.
    PushText(std::string(40000, 'y'));
    EXPECT_EQ(PopText(), std::string(32767, 'y'));
    EXPECT_EQ(PopText(), std::string(300, 'x'));
}

TEST_F(ColourTest, FoldUpperWithBothTables) {
    const struct {
        std::string text;
        std::string accented;
        std::string plain;
    } cases[] = {
        {"canci\xA2n", "CANCI\xE0N", "CANCION"},  // canción
        {"a@1", "A@1", "A 1"},
        {"\x87\xA4\x81", "\x80\xA5\x9A", "CNU"},  // ç ñ ü
        {"\xD5\x98\xE1", "\xD5\x98\xE1", "EYS"},  // ı ÿ ß: no capital in the code page
        {"\xC4\xE6[~", "\xC4\xE6[~", "    "},      // box line, µ, brackets and tilde
        {"\xEE\xFF\x20", "\xEE\xFF\x20", "\xEE\xFF\x20"},  // from 238 up and below 64 unchanged
    };
    for (const auto& c : cases) {
        FoldToPlain = false;
        EXPECT_EQ(FoldUpper(c.text), c.accented) << c.text;
        FoldToPlain = true;
        EXPECT_EQ(FoldUpper(c.text), c.plain) << c.text;
    }
    // A small letter and its capital fold to the same plain letter.
    for (int code = 64; code <= 237; ++code) {
        const std::string letter(1, static_cast<char>(code));
        FoldToPlain = false;
        const std::string capital = FoldUpper(letter);
        FoldToPlain = true;
        EXPECT_EQ(FoldUpper(capital), FoldUpper(letter)) << code;
    }
}

TEST_F(ColourTest, IsAllCharAndCentreOffset) {
    EXPECT_EQ(IsAllChar("", 32), -1);
    EXPECT_EQ(IsAllChar("   ", 32), -1);
    EXPECT_EQ(IsAllChar("  x", 32), 0);
    EXPECT_EQ(IsAllChar("\xC4\xC4", 196), -1);
    EXPECT_EQ(CentreOffset(std::string(10, 'a'), 25), 7);
    EXPECT_EQ(CentreOffset(std::string(30, 'a'), 25), -2);
    EXPECT_EQ(CentreOffset(std::string(31, 'a'), 25), -3);
}

}  // namespace
}  // namespace korvidan
