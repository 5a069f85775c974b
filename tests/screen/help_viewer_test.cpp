// The help viewer on the virtual console: paging and keys, in-line attributes,
// damaged help files, and the launcher started without a shell.
#include "screen/help_viewer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "config/run_context.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "support/screen_fixture.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

constexpr int16_t kF1 = 0x3b00, kDown = 0x5000, kUp = 0x4800, kPgDn = 0x5100, kPgUp = 0x4900,
                  kHome = 0x4700, kEnd = 0x4f00, kEsc = 0x1b;
// A hot key the viewer ignores; the test's handler records the screen when it arrives.
constexpr int16_t kSnapshot = 0x2d00;

struct Snapshot {
    std::vector<std::string> rows;        // screen rows 1 to 25, code 0 shown as the blank it looks like
    std::vector<std::string> attributes;  // the attribute bytes of those rows
    int16_t depth;
};
std::vector<Snapshot> snapshots;

std::string TakeSnapshot() {
    Snapshot shot{{}, {}, WindowStack.depth};
    for (int16_t row = 1; row <= 25; ++row) {
        std::string text, attributes;
        for (int16_t column = 1; column <= 80; ++column) {
            const ConsoleCell cell = ConsoleReadCell(row, column);
            text += cell.character == 0 ? ' ' : static_cast<char>(cell.character);
            attributes += static_cast<char>(cell.attribute);
        }
        shot.rows.push_back(text);
        shot.attributes.push_back(attributes);
    }
    snapshots.push_back(shot);
    return "";
}

// A help line record: the text padded with blanks to 80 bytes.
std::string Record(const std::string& text) { return text + std::string(80 - text.size(), ' '); }

std::string LineName(int line) {
    char name[32];
    std::snprintf(name, sizeof name, "LINE %02d", line);
    return name;
}

class HelpViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseVirtualConsole(25, 80);
        test::ResetScreenLayers();
        RunContext.tempDir = scratch.path();
        RunContext.platformKind = "DOS";
        RunContext.colourTable = {{{15, 0}, {7, 0}, {0, 7}, {0, 3}, {1, 7}}};
        RegisterHotKey(kSnapshot, &TakeSnapshot);
        snapshots.clear();
        previous = std::filesystem::current_path();
        std::filesystem::create_directory(scratch / "AJUDA");
        std::filesystem::current_path(scratch.path());
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        RegisterHotKey(kSnapshot, nullptr);
    }
    void WriteHelp(const std::string& topic, const std::string& bytes) {
        test::WriteFileBytes(scratch / ("AJUDA/" + topic + ".HLP"), bytes);
    }
    void WriteNumberedHelp(const std::string& topic, int lines) {
        std::string bytes;
        for (int line = 1; line <= lines; ++line) bytes += Record(LineName(line));
        WriteHelp(topic, bytes);
    }
    // Runs the viewer over the keys, a snapshot after them, then Esc.
    Snapshot RunKeys(const std::string& topic, const std::vector<int16_t>& keys) {
        for (int16_t key : keys) QueueVirtualKey(key);
        QueueVirtualKey(kSnapshot);
        QueueVirtualKey(kEsc);
        ShowHelp(topic);
        EXPECT_EQ(snapshots.size(), 1u);
        Snapshot shot = snapshots.back();
        snapshots.clear();
        return shot;
    }
    test::ScratchDir scratch;
    std::filesystem::path previous;
};

// The 17 rows inside the frame show consecutive lines starting at first.
void ExpectPage(const Snapshot& shot, int first, const std::string& context) {
    for (int row = 5; row <= 21; ++row)
        EXPECT_EQ(shot.rows[row - 1], "\xBA " + Record(LineName(first + row - 5)).substr(0, 76) + " \xBA")
            << context << ", row " << row;
}

TEST_F(HelpViewerTest, OpensAFramedWindowAndRestoresTheScreen) {
    WriteNumberedHelp("TOPIC", 40);
    ConsoleLocate(25, 1);
    ConsoleWriteText("UNDERNEATH");
    const Snapshot shot = RunKeys("TOPIC", {});
    EXPECT_EQ(shot.depth, 1);
    EXPECT_EQ(shot.rows[3], "\xC9" + std::string(78, '\xCD') + "\xBB");   // row 4
    EXPECT_EQ(shot.rows[21], "\xC8" + std::string(78, '\xCD') + "\xBC");  // row 22
    ExpectPage(shot, 1, "first page");

    EXPECT_EQ(WindowStack.depth, 0);
    EXPECT_EQ(ConsoleRowText(5), std::string(80, ' '));
    EXPECT_EQ(ConsoleRowText(25, 1, 10), "UNDERNEATH");
    EXPECT_FALSE(test::FileExists(scratch / "WinPush.tmp"));
}

TEST_F(HelpViewerTest, ScrollsAndPagesWithinTheFile) {
    WriteNumberedHelp("TOPIC", 40);
    struct Case {
        const char* name;
        std::vector<int16_t> keys;
        int firstLine;
    };
    const std::vector<Case> cases = {
        {"Up on the first page", {kUp}, 1},
        {"Down", {kDown}, 2},
        {"Down and Up", {kDown, kDown, kDown, kUp}, 3},
        {"PgDn", {kPgDn}, 18},
        {"PgDn stops at the last full page", {kPgDn, kPgDn}, 24},
        {"PgDn on the last page", {kPgDn, kPgDn, kPgDn}, 24},
        {"End", {kEnd}, 24},
        {"Down on the last page", {kEnd, kDown}, 24},
        {"PgUp keeps one line of the page", {kEnd, kPgUp}, 8},
        {"PgUp from line 5", {kDown, kDown, kDown, kDown, kPgUp}, 1},
        {"Home", {kEnd, kHome}, 1},
        {"Home on the first page", {kDown, kUp, kHome}, 1},
        {"Up after End", {kEnd, kUp, kUp}, 22},
        {"other keys are ignored", {'x', 0x3c00, 0x0d}, 1},
    };
    for (const auto& c : cases) ExpectPage(RunKeys("TOPIC", c.keys), c.firstLine, c.name);
}

TEST_F(HelpViewerTest, LineCountRoundsTheFileLength) {
    // Down acts while a line follows the page: 17.5 lines round to 18, 18.5 to 18, 18.51 to 19.
    struct Case {
        int bytes;
        int firstAfterThreeDowns;
    };
    for (const Case c : {Case{17 * 80 + 40, 2}, Case{18 * 80 + 40, 2}, Case{18 * 80 + 41, 3}, Case{17 * 80, 1}}) {
        std::string bytes;
        for (int line = 1; line <= 19; ++line) bytes += Record(LineName(line));
        WriteHelp("TOPIC", bytes.substr(0, static_cast<size_t>(c.bytes)));
        const Snapshot shot = RunKeys("TOPIC", {kDown, kDown, kDown});
        EXPECT_EQ(shot.rows[4].substr(2, 7), LineName(c.firstAfterThreeDowns)) << c.bytes << " bytes";
    }
}

TEST_F(HelpViewerTest, DamagedOrMissingFilesShowWhatTheyHave) {
    // Missing: an empty window in which only Esc acts.
    Snapshot shot = RunKeys("NOWHERE", {kDown, kPgDn, kEnd});
    EXPECT_EQ(shot.depth, 1);
    for (int row = 5; row <= 21; ++row) EXPECT_EQ(shot.rows[row - 1], "\xBA" + std::string(78, ' ') + "\xBA");

    // Empty file, and a file shorter than one record: its bytes, then blanks.
    WriteHelp("EMPTY", "");
    shot = RunKeys("EMPTY", {kDown});
    EXPECT_EQ(shot.rows[4], "\xBA" + std::string(78, ' ') + "\xBA");
    WriteHelp("SHORT", "SHORT HELP");
    shot = RunKeys("SHORT", {kDown, kEnd});
    EXPECT_EQ(shot.rows[4], "\xBA SHORT HELP" + std::string(67, ' ') + "\xBA");
    EXPECT_EQ(WindowStack.depth, 0);
}

TEST_F(HelpViewerTest, MarkupSwitchesColoursAndTakesNoPlace) {
    // 30 highlight, 31 underline, 16 reverse; at most 76 characters of a line are shown.
    WriteHelp("TOPIC", Record("AB\x1E" "CD\x1E" "EF") + Record("\x1E" "GH\x1F" "IJ\x1E" "KL\x1F" "MN") +
                           Record("\x10" "OP\x10" "QR") + std::string(80, 'X') +
                           Record(std::string(40, 'Y') + "\x1E\x1E" + std::string(38, 'Z')));
    SetColourMode("r");
    const Snapshot shot = RunKeys("TOPIC", {});
    EXPECT_EQ(ConsoleAttribute(), 0x70);  // the colours found are given back

    struct Cell {
        int16_t row, column;
        char character;
        uint8_t attribute;
    };
    // Pairs: normal 7, highlight 15, underline 0x71, reverse 0x70; the frame's inside 15.
    const std::vector<Cell> expected = {
        {5, 3, 'A', 7},    {5, 5, 'C', 15},   {5, 7, 'E', 7},    {5, 9, ' ', 7}, 
        {6, 3, 'G', 15},   {6, 5, 'I', 0x71}, {6, 7, 'K', 0x71}, {6, 9, 'M', 7},
        {7, 3, 'O', 0x70}, {7, 5, 'Q', 7},
        {8, 78, 'X', 7},   {8, 79, ' ', 15},
        {9, 42, 'Y', 7},   {9, 43, 'Z', 7},   {9, 78, 'Z', 7},   {9, 79, ' ', 15},
    };
    for (const Cell& cell : expected) {
        EXPECT_EQ(shot.rows[cell.row - 1][cell.column - 1], cell.character) << cell.row << "," << cell.column;
        EXPECT_EQ(static_cast<uint8_t>(shot.attributes[cell.row - 1][cell.column - 1]), cell.attribute)
            << cell.row << "," << cell.column;
    }
}

TEST_F(HelpViewerTest, F1OpensTheGeneralHelpOverTheTopicOnce) {
    WriteNumberedHelp("TOPIC", 20);
    WriteHelp("MERSALOT", Record("GENERAL HELP"));
    QueueVirtualKey(kF1);
    QueueVirtualKey(kSnapshot);
    QueueVirtualKey(kF1);  // the general help does not open itself again
    QueueVirtualKey(kSnapshot);
    QueueVirtualKey(kEsc);
    QueueVirtualKey(kSnapshot);
    QueueVirtualKey(kEsc);
    ShowHelp("TOPIC");
    ASSERT_EQ(snapshots.size(), 3u);
    EXPECT_EQ(snapshots[0].depth, 2);
    EXPECT_EQ(snapshots[0].rows[4].substr(2, 12), "GENERAL HELP");
    EXPECT_EQ(snapshots[1].depth, 2);
    EXPECT_EQ(snapshots[2].depth, 1);
    EXPECT_EQ(snapshots[2].rows[4].substr(2, 7), "LINE 01");
    EXPECT_EQ(WindowStack.depth, 0);
}

TEST_F(HelpViewerTest, LauncherGetsTheTopicPageAsOneArgumentWithoutAShell) {
    RunContext.platformKind = "WIN";
    const std::string script = scratch / "comspec.sh";
    const std::string out = scratch / "arguments.txt";
    test::WriteFileBytes(script, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + out + "'\n");
    chmod(script.c_str(), 0755);
    test::ScopedEnv env;
    env.Set("COMSPEC", script);

    // A shell would split the blank and run the command substitution.
    ShowHelp("MY TOPIC;$(touch pwned)");
    EXPECT_EQ(test::ReadFileBytes(out), "[/C]\n[PELVAN]\n[AJUDA\\MY TOPIC;$(touch pwned).HTM]\n");
    EXPECT_FALSE(test::FileExists(scratch / "pwned"));
    EXPECT_EQ(WindowStack.depth, 0);

    // A missing interpreter is not reported; the call simply returns.
    env.Set("COMSPEC", scratch / "missing");
    ShowHelp("TOPIC");
    EXPECT_EQ(WindowStack.depth, 0);
}

}  // namespace
}  // namespace korvidan
