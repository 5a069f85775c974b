// The window stack: the screen-save record layout, nested windows restored cell for
// cell, frames, scrolling, and windows that still close over a damaged or unusable
// work file.
#include "screen/window_stack.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <vector>

#include "config/run_context.h"
#include "platform/console.h"
#include "platform/system_calls.h"
#include "screen/colour.h"
#include "support/screen_fixture.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::FileExists;
using test::ReadFileBytes;
using test::WriteFileBytes;

// A screen of every character and attribute, different in every cell.
void FillScreen() {
    for (int16_t row = 1; row <= 25; ++row) {
        for (int16_t column = 1; column <= 80; ++column) {
            ConsoleWriteCell(row, column, ConsoleCell{static_cast<uint8_t>((row * 31 + column * 7) % 256),
                                                      static_cast<uint8_t>((row * 5 + column) % 256)});
        }
    }
}

std::vector<ConsoleCell> Snapshot() {
    std::vector<ConsoleCell> cells;
    for (int16_t row = 1; row <= 25; ++row) {
        for (int16_t column = 1; column <= 80; ++column) cells.push_back(ConsoleReadCell(row, column));
    }
    return cells;
}

bool SameScreen(const std::vector<ConsoleCell>& a, const std::vector<ConsoleCell>& b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].character != b[i].character || a[i].attribute != b[i].attribute) return false;
    }
    return a.size() == b.size();
}

// Paints the inside of the current window so a restore has something to undo.
void ScribbleInWindow(uint8_t attribute) {
    DrawWindowFrame(2);
    ConsoleSetAttribute(attribute);
    LocateInWindow(1, 2);
    ConsoleWriteText("scribble");
}

class WindowStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseVirtualConsole(25, 80);
        test::ResetScreenLayers();
        RunContext.tempDir = scratch.path();
        savePath = scratch / "WinPush.tmp";
    }
    void TearDown() override { ResetSystemCalls(); }

    void ExpectNoWindow() {
        EXPECT_EQ(WindowStack.depth, 0);
        EXPECT_EQ(WindowStack.top, 0);
        EXPECT_EQ(WindowStack.left, 0);
        EXPECT_EQ(WindowStack.bottom, 0);
        EXPECT_EQ(WindowStack.right, 0);
    }

    test::ScratchDir scratch;
    std::string savePath;
};

TEST_F(WindowStackTest, RecordOfAWindowIsLaidOutByteForByte) {
    FillScreen();
    ConsoleLocate(25, 1);
    OpenWindow(4, 1, 22, 80);
    EXPECT_EQ(ReadFileBytes(savePath), ReadFileBytes(test::FixturePath("winpush_rows4to22.bin")));
    EXPECT_EQ(WindowStack.depth, 1);
    EXPECT_EQ(WindowFirstRow(), 5);
    EXPECT_EQ(WindowFirstColumn(), 2);
    EXPECT_EQ(WindowLastColumn(), 79);
}

TEST_F(WindowStackTest, NestedWindowsRestoreScreenColoursAndCursor) {
    FillScreen();
    const auto original = Snapshot();
    ConsoleLocate(7, 9);
    ConsoleSetAttribute(0x1E);

    OpenWindow(2, 3, 10, 40);
    ScribbleInWindow(0x4F);
    const auto withOuter = Snapshot();
    ConsoleLocate(3, 4);

    OpenWindow(5, 5, 20, 70);
    ScribbleInWindow(0x2A);
    EXPECT_EQ(WindowStack.depth, 2);
    EXPECT_EQ(WindowFirstRow(), 6);

    CloseWindow();
    EXPECT_TRUE(SameScreen(Snapshot(), withOuter));
    EXPECT_EQ(ConsoleCursorRow(), 3);
    EXPECT_EQ(ConsoleCursorColumn(), 4);
    EXPECT_EQ(WindowStack.depth, 1);
    EXPECT_EQ(WindowFirstRow(), 3);
    EXPECT_EQ(WindowLastColumn(), 39);
    LocateInWindow(1, 2);
    EXPECT_EQ(ConsoleCursorRow(), 3);
    EXPECT_EQ(ConsoleCursorColumn(), 5);
    EXPECT_TRUE(FileExists(savePath));

    CloseWindow();
    EXPECT_TRUE(SameScreen(Snapshot(), original));
    EXPECT_EQ(ConsoleCursorRow(), 7);
    EXPECT_EQ(ConsoleCursorColumn(), 9);
    // The attribute is that of the last restored cell, the outer window's bottom-right corner.
    EXPECT_EQ(ConsoleAttribute(), original[(10 - 1) * 80 + (40 - 1)].attribute);
    ExpectNoWindow();
    EXPECT_FALSE(FileExists(savePath));
    EXPECT_EQ(WindowFirstRow(), 1);
    EXPECT_EQ(WindowLastColumn(), 80);
}

TEST_F(WindowStackTest, RectangleOutsideTheScreenOpensNothing) {
    const int16_t cases[][4] = {{0, 1, 10, 10}, {1, 0, 10, 10}, {1, 1, 26, 10}, {1, 1, 10, 81}, {9, 1, 4, 10}};
    OpenWindow(2, 2, 8, 8);
    for (const auto& c : cases) {
        OpenWindow(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(WindowStack.depth, 1);
        EXPECT_EQ(WindowStack.top, 2);
    }
}

TEST_F(WindowStackTest, CloseWithNoWindowChangesNothing) {
    FillScreen();
    const auto before = Snapshot();
    ConsoleLocate(4, 4);
    CloseWindow();
    EXPECT_TRUE(SameScreen(Snapshot(), before));
    EXPECT_EQ(ConsoleCursorRow(), 4);
    ExpectNoWindow();
    WriteFileBytes(savePath, std::string("\x05\x00\x00\x00", 4));  // a file with no record is removed
    CloseWindow();
    EXPECT_FALSE(FileExists(savePath));
}

TEST_F(WindowStackTest, FrameStyles) {
    const struct {
        int16_t style;
        std::string top, middle, bottom;
    } cases[] = {
        {2, "\xC9\xCD\xCD\xBB", "\xBA  \xBA", "\xC8\xCD\xCD\xBC"},
        {1, "\xDA\xC4\xC4\xBF", "\xB3  \xB3", "\xC0\xC4\xC4\xD9"},
        {0, "    ", "    ", "    "},
        {7, std::string(4, '\0'), std::string("\0  \0", 4), std::string(4, '\0')},
    };
    for (const auto& c : cases) {
        FillScreen();
        const auto before = Snapshot();
        OpenWindow(2, 3, 4, 6);
        ConsoleSetAttribute(0x5B);
        DrawWindowFrame(c.style);
        EXPECT_EQ(ConsoleRowText(2, 3, 6), c.top);
        EXPECT_EQ(ConsoleRowText(3, 3, 6), c.middle);
        EXPECT_EQ(ConsoleRowText(4, 3, 6), c.bottom);
        const auto after = Snapshot();
        for (size_t i = 0; i < after.size(); ++i) {
            const int row = static_cast<int>(i / 80) + 1;
            const int column = static_cast<int>(i % 80) + 1;
            const bool inside = row >= 2 && row <= 4 && column >= 3 && column <= 6;
            EXPECT_EQ(after[i].attribute, inside ? 0x5B : before[i].attribute) << row << "," << column;
        }
        CloseWindow();
    }
    const auto before = Snapshot();
    DrawWindowFrame(2);  // no window open: nothing drawn
    EXPECT_TRUE(SameScreen(Snapshot(), before));
}

TEST_F(WindowStackTest, ScrollAreaMovesOnlyTheRectangle) {
    const struct {
        int16_t lines;
        int16_t sourceOffset;  // row r of the rectangle now holds former row r + offset
        int16_t blankRow;
    } cases[] = {{1, 1, 21}, {-1, -1, 5}, {0, -1, 5}, {3, 3, 19}};
    for (const auto& c : cases) {
        FillScreen();
        const auto before = Snapshot();
        ConsoleSetAttribute(0x17);
        ScrollArea(4, 1, 20, 78, c.lines);
        for (int16_t row = 1; row <= 25; ++row) {
            for (int16_t column = 1; column <= 80; ++column) {
                const ConsoleCell cell = ConsoleReadCell(row, column);
                const bool inside = row >= 5 && row <= 21 && column >= 2 && column <= 79;
                const int16_t source = static_cast<int16_t>(row + c.sourceOffset);
                if (!inside) {
                    EXPECT_EQ(cell.character, before[(row - 1) * 80 + column - 1].character);
                } else if (source >= 5 && source <= 21) {
                    EXPECT_EQ(cell.character, before[(source - 1) * 80 + column - 1].character);
                } else {
                    EXPECT_EQ(cell.character, ' ');
                    EXPECT_EQ(cell.attribute, 0x17);
                }
            }
        }
        EXPECT_EQ(ConsoleRowText(c.blankRow, 2, 79), std::string(78, ' ')) << c.lines;
    }
}

TEST_F(WindowStackTest, LeftOverRecordsStayBelowNewWindows) {
    // A file left by a program that ended with a window open.
    FillScreen();
    OpenWindow(1, 1, 3, 3);
    const std::string leftOver = ReadFileBytes(savePath);
    ResetWindowStack();

    const auto before = Snapshot();
    OpenWindow(10, 10, 12, 20);
    ScribbleInWindow(0x70);
    const std::string both = ReadFileBytes(savePath);
    EXPECT_EQ(both.substr(4, leftOver.size() - 4), leftOver.substr(4));
    CloseWindow();
    EXPECT_TRUE(SameScreen(Snapshot(), before));
    // The file keeps the old record and its header points after it again.
    const std::string after = ReadFileBytes(savePath);
    EXPECT_EQ(after.substr(0, 4), leftOver.substr(0, 4));
}

TEST_F(WindowStackTest, DamagedHeaderIsTreatedAsAbsent) {
    FillScreen();
    const auto before = Snapshot();
    for (const std::string& header : {std::string("\xFF\xFF\xFF\x7F", 4), std::string("\x00\x00\x00\x80", 4),
                                      std::string("\x02\x00\x00\x00", 4), std::string("\x01\x02", 2)}) {
        WriteFileBytes(savePath, header + "garbage");
        ConsoleLocate(25, 1);
        OpenWindow(4, 1, 22, 80);
        // The record goes to the start of the file, exactly as into a new one.
        EXPECT_EQ(ReadFileBytes(savePath), ReadFileBytes(test::FixturePath("winpush_rows4to22.bin")));
        ScribbleInWindow(0x70);
        CloseWindow();
        EXPECT_TRUE(SameScreen(Snapshot(), before));
        EXPECT_FALSE(FileExists(savePath));
    }
}

// Damage done to the work file while a window is open: the window still closes,
// nothing is painted from the damaged record, geometry and cursor come back.
TEST_F(WindowStackTest, DamagedRecordClosesWithoutRestoring) {
    const struct {
        const char* what;
        std::function<void(std::string&)> damage;
    } cases[] = {
        {"header past the end", [](std::string& f) { f.replace(0, 4, std::string("\x00\x10\x00\x00", 4)); }},
        {"header before the records", [](std::string& f) { f.replace(0, 4, std::string("\x07\x00\x00\x00", 4)); }},
        {"length not digits", [](std::string& f) { f[f.size() - 3] = 'x'; }},
        {"length too long", [](std::string& f) { f.replace(f.size() - 5, 5, "99999"); }},
        {"length too short", [](std::string& f) { f.replace(f.size() - 5, 5, "00025"); }},
        {"another window's record", [](std::string& f) { f.replace(4 + 12, 2, "09"); }},
        {"cut short", [](std::string& f) { f.resize(f.size() / 2); }},
        {"file removed", nullptr},
    };
    for (const auto& c : cases) {
        FillScreen();
        ConsoleLocate(6, 6);
        OpenWindow(3, 3, 8, 30);
        ScribbleInWindow(0x70);
        const auto scribbled = Snapshot();
        std::string file = ReadFileBytes(savePath);
        if (c.damage) {
            c.damage(file);
            WriteFileBytes(savePath, file);
        } else {
            unlink(savePath.c_str());
        }
        ConsoleLocate(1, 1);
        CloseWindow();
        EXPECT_TRUE(SameScreen(Snapshot(), scribbled)) << c.what;
        EXPECT_EQ(ConsoleCursorRow(), 6) << c.what;
        EXPECT_EQ(ConsoleCursorColumn(), 6) << c.what;
        ExpectNoWindow();
        unlink(savePath.c_str());
    }
}

TEST_F(WindowStackTest, UnwritableTempFolderKeepsScreensInMemory) {
    WriteFileBytes(scratch / "plain", "not a folder");
    RunContext.tempDir = scratch / "plain/";
    FillScreen();
    const auto original = Snapshot();
    ConsoleLocate(12, 40);
    OpenWindow(1, 1, 25, 80);
    ScribbleInWindow(0x70);
    const auto withOuter = Snapshot();
    OpenWindow(5, 5, 9, 30);
    ScribbleInWindow(0x07);
    EXPECT_EQ(WindowStack.depth, 2);
    CloseWindow();
    EXPECT_TRUE(SameScreen(Snapshot(), withOuter));
    CloseWindow();
    EXPECT_TRUE(SameScreen(Snapshot(), original));
    EXPECT_EQ(ConsoleCursorRow(), 12);
    EXPECT_EQ(ConsoleCursorColumn(), 40);
    ExpectNoWindow();
}

ssize_t FailingWrite(int, const void*, size_t) { return -1; }

TEST_F(WindowStackTest, WindowsInFileAndMemoryCloseInTurn) {
    FillScreen();
    const auto original = Snapshot();
    OpenWindow(2, 2, 20, 60);
    ScribbleInWindow(0x70);
    const auto withOuter = Snapshot();
    const std::string outerFile = ReadFileBytes(savePath);

    SystemCalls.Write = FailingWrite;  // the disk is full for the inner window
    OpenWindow(4, 4, 10, 30);
    ResetSystemCalls();
    EXPECT_EQ(ReadFileBytes(savePath), outerFile);
    ScribbleInWindow(0x1F);

    CloseWindow();
    EXPECT_TRUE(SameScreen(Snapshot(), withOuter));
    EXPECT_TRUE(FileExists(savePath));
    CloseWindow();
    EXPECT_TRUE(SameScreen(Snapshot(), original));
    EXPECT_FALSE(FileExists(savePath));
}

}  // namespace
}  // namespace korvidan
