// Paragraph layout and the notice box, on the virtual console.
#include "screen/notice.h"

#include <gtest/gtest.h>

#include "config/run_context.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "support/screen_fixture.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

struct LayoutCase {
    const char* name;
    std::string text;
    int16_t indent;
    int16_t width;
    std::string mode;
    std::string expected;
};

TEST(LayoutParagraph, BreaksAndAlignsByMode) {
    const std::vector<LayoutCase> cases = {
        {"left", "HELLO WORLD", 0, 8, "I", "HELLO   WORLD   "},
        {"left E", "HELLO WORLD", 0, 8, "e", "HELLO   WORLD   "},
        {"dashes", "HELLO WORLD", 0, 8, "N", "HELLO---WORLD---"},
        {"right", "HELLO WORLD", 0, 8, "D", "   HELLO   WORLD"},
        {"right lower case", "HELLO WORLD", 0, 8, "r", "   HELLO   WORLD"},
        {"centred", "HELLO WORLD", 0, 8, "C", " HELLO   WORLD  "},
        {"unknown letter leaves lines unpadded", "HELLO WORLD", 0, 8, "X", "HELLOWORLD"},
        {"two letters are no mode", "HELLO WORLD", 0, 8, "IL", "HELLOWORLD"},
        {"long word cut at the width", "ABCDEFGHIJ", 0, 4, "I", "ABCDEFGHIJ  "},
        {"first-line indent", "AAA BBB CCC", 2, 8, "I", "  AAA   BBB CCC "},
        {"hanging indent", "AAA BBB CCC", -2, 6, "I", "AAA     BBB   CCC "},
        {"justified, last line unpadded", "AA BB CC DD EE", 0, 10, "A", "AA  BB  CCDD EE"},
        {"justified line without a gap", "ABCDEFGH IJ", 0, 8, "B", "ABCDEFGHIJ"},
        {"blanks between lines are dropped", "AAA    BBB", 0, 5, "I", "AAA  BBB  "},
        {"empty text", "", 0, 8, "I", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        LayoutParagraph(text, c.indent, c.width, c.mode);
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

TEST(LayoutParagraph, ControlCharactersTakeNoRoom) {
    // Each markup byte makes its line one longer, so the visible part still fills the width.
    std::string text = "\x1EHELLO\x1E WORLD";
    LayoutParagraph(text, 0, 8, "I");
    EXPECT_EQ(text, std::string("\x1EHELLO\x1E   WORLD   "));

    // Markup that opens the next word goes with it to the next line.
    text = "HELLO \x1FWORLD\x1F";
    LayoutParagraph(text, 0, 8, "I");
    EXPECT_EQ(text, std::string("HELLO   \x1FWORLD\x1F   "));
}

TEST(LayoutParagraph, NoRoomStillEndsAndKeepsEveryCharacter) {
    // A width the indent leaves no room in must not loop or lose text.
    const std::vector<std::pair<int16_t, int16_t>> cases = {{0, 0}, {0, -5}, {-10, 3}, {12, 4}};
    for (const auto& [indent, width] : cases) {
        std::string text = "AAA BBB";
        LayoutParagraph(text, indent, width, "I");
        std::string visible;
        for (char c : text)
            if (c != ' ') visible += c;
        EXPECT_EQ(visible, "AAABBB") << indent << "/" << width;
    }
}

class ShowNoticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseVirtualConsole(25, 80);
        test::ResetScreenLayers();
        RunContext.tempDir = scratch.path();
        RunContext.colourTable = {{{15, 0}, {7, 0}, {0, 7}, {0, 3}, {1, 7}}};
    }
    void TearDown() override {
        while (WindowStack.depth > 0) CloseWindow();
    }
    test::ScratchDir scratch;
};

TEST_F(ShowNoticeTest, CentresOneLineOnTheRowAndLeavesTheWindowOpen) {
    std::string text(37, 'M');
    SetColourMode("n");
    ShowNotice(24, text);

    EXPECT_EQ(text, std::string(37, 'M') + std::string(39, ' '));
    EXPECT_EQ(WindowStack.depth, 1);
    EXPECT_EQ(WindowStack.top, 21);
    EXPECT_EQ(WindowStack.left, 20);
    EXPECT_EQ(WindowStack.bottom, 23);
    EXPECT_EQ(WindowStack.right, 60);
    EXPECT_EQ(ConsoleReadCell(21, 20).character, 218);  // single-line frame
    EXPECT_EQ(ConsoleReadCell(23, 60).character, 217);
    EXPECT_EQ(ConsoleRowText(22, 21, 59), " " + std::string(37, 'M') + " ");
    // The reverse pair ("rh" selects it; h adds nothing), and the colours put back afterwards.
    EXPECT_EQ(ConsoleReadCell(22, 22).attribute, 112);
    EXPECT_EQ(ConsoleAttribute(), 7);

    CloseWindow();
    EXPECT_EQ(ConsoleRowText(22), std::string(80, ' '));
}

TEST_F(ShowNoticeTest, SeveralLinesAndTheScreenEdges) {
    // Two lines near the top: the box starts on row 1 and is as wide as the wider line.
    std::string text = std::string(70, 'A') + " " + std::string(10, 'B');
    ShowNotice(1, text);
    EXPECT_EQ(text.size(), 152u);
    EXPECT_EQ(WindowStack.top, 1);
    EXPECT_EQ(WindowStack.bottom, 4);
    EXPECT_EQ(WindowStack.left, 4);
    EXPECT_EQ(WindowStack.right, 77);
    EXPECT_EQ(ConsoleRowText(2, 6, 75), std::string(70, 'A'));
    EXPECT_EQ(ConsoleRowText(3, 6, 16), std::string(10, 'B') + " ");
    CloseWindow();

    // Below the last row the box is pushed up to end on it.
    text = "LOCKED";
    ShowNotice(30, text);
    EXPECT_EQ(WindowStack.bottom, 25);
    EXPECT_EQ(WindowStack.top, 23);
    CloseWindow();
}

TEST_F(ShowNoticeTest, MessageTallerThanTheScreenOpensNothing) {
    std::string text;
    for (int i = 0; i < 24; ++i) text += std::string(76, 'W') + " ";
    SetColourMode("n");
    const std::string before = ConsoleRowText(12);
    ShowNotice(12, text);
    EXPECT_EQ(WindowStack.depth, 0);
    EXPECT_EQ(ConsoleRowText(12), before);
    EXPECT_EQ(ConsoleAttribute(), 7);
    EXPECT_FALSE(test::FileExists(scratch / "WinPush.tmp"));
}

}  // namespace
}  // namespace korvidan
