// The browse list on the virtual console: navigation over a data file and over a
// prepared cache, the heading's arrows, picking, the filter form and hooks, the cache
// file's bytes, and damaged cache files.
#include "tools/browse.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <thread>

#include "config/run_context.h"
#include "forms/form_engine.h"
#include "forms/form_set.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "records/record_access.h"
#include "records/record_layout.h"
#include "records/record_manager.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "support/screen_fixture.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

constexpr int16_t kDown = 0x5000, kUp = 0x4800, kPgDn = 0x5100, kPgUp = 0x4900, kLeft = 0x4b00,
                  kRight = 0x4d00, kEnter = 0x0d, kEsc = 0x1b, kF4 = 0x3e00;
// Not a key: asks the console to record the screen when the list next waits.
constexpr int16_t kLook = -1;

constexpr uint8_t kUnderlineAttribute = 0x71;  // pair 4 of the test colours

// What the list shows while it waits for a key.
struct Look {
    std::vector<std::string> rows;  // the inside of the window, rows 1 to V
    std::string heading;            // the upper frame line
    int16_t cursorRow = 0;          // the row drawn in the underline colours
    std::string cache;              // Browse.tmp's bytes
};

// A console whose input is a script of keys, recording the screen at the marks.
struct ScriptedConsole final : ConsoleBackend {
    std::deque<int16_t> script;
    std::function<void()> look;
    bool ReadEvent(ConsoleEvent& event) override {
        while (!script.empty() && script.front() == kLook) {
            script.pop_front();
            look();
        }
        // A script that runs dry leaves the list, so a test can never hang.
        const int16_t key = script.empty() ? kEsc : script.front();
        if (!script.empty()) script.pop_front();
        event = ConsoleEvent{};
        event.kind = ConsoleEvent::Key;
        if (static_cast<uint16_t>(key) < 256) {
            event.character = static_cast<uint8_t>(key);
        } else {
            event.scanCode = static_cast<uint8_t>(static_cast<uint16_t>(key) >> 8);
        }
        return true;
    }
    void Beep() override {}
    void SetMouse(bool) override {}
    bool HasMouse() override { return false; }
    void Suspend() override {}
    void Resume() override {}
    void Flush() override {}
    void SendRaw(const std::string&) override {}
};

std::string Code(int number) {
    char code[16];
    std::snprintf(code, sizeof code, "R%03d", number);
    return code;
}

// Records of 40 bytes: a 4-character code (key 0) and a name.
constexpr int32_t kRecordLength = 40;
std::string RecordOf(int number, const std::string& name) {
    std::string record = Code(number) + name;
    record.resize(kRecordLength, ' ');
    return record;
}

// Key 1 reads the last two characters of the code as a little-endian number (duplicates allowed).
void CreateDataFile(const std::string& path, int count, const std::function<std::string(int)>& name) {
    RecordLayout layout;
    layout.recordLength = kRecordLength;
    layout.pageSize = 1024;
    KeyDefinition key;
    key.segments.push_back(KeySegment{1, 4, 0});
    key.length = 4;
    layout.keys.push_back(key);
    KeyDefinition number;
    number.segments.push_back(KeySegment{3, 2, SegmentBinary | SegmentDuplicates});
    number.length = 2;
    layout.keys.push_back(number);
    std::string data = EncodeRecordLayout(layout);
    int32_t length = static_cast<int32_t>(data.size());
    uint8_t block[128] = {};
    std::string keyBuffer = path;
    keyBuffer.resize(256, '\0');
    ASSERT_EQ(RecordManagerCall(OpCreate, block, data.data(), length, keyBuffer.data(),
                                static_cast<int16_t>(path.size()), 0), 0);
    ASSERT_EQ(RecordManagerCall(OpOpen, block, nullptr, length, keyBuffer.data(),
                                static_cast<int16_t>(path.size()), 0), 0);
    for (int number = 1; number <= count; ++number) {
        std::string record = RecordOf(number, name(number));
        length = kRecordLength;
        char keyOut[256] = {};
        ASSERT_EQ(RecordManagerCall(OpInsert, block, record.data(), length, keyOut, 0, 0), 0);
    }
    ASSERT_EQ(RecordManagerCall(OpClose, block, nullptr, length, keyBuffer.data(), 0, 0), 0);
}

// One cache entry as the list writes it.
std::string Entry(int32_t previous, int32_t recordPosition, const std::string& line) {
    std::string bytes;
    for (int32_t value : {previous, recordPosition})
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    bytes += static_cast<char>(line.size() & 0xFF);
    bytes += static_cast<char>((line.size() >> 8) & 0xFF);
    return bytes + line;
}

class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto backend = std::make_unique<ScriptedConsole>();
        console = backend.get();
        UseConsoleBackend(std::move(backend), 25, 80);
        console->look = [this] { looks.push_back(TakeLook()); };
        test::ResetScreenLayers();
        ResetFormSet();
        ResetFormEngine();
        ResetFileTable();
        ResetRecordManager();
        ResetBrowseState();
        RunContext.tempDir = scratch.path();
        RunContext.colourTable = {{{15, 0}, {7, 0}, {0, 7}, {0, 3}, {1, 7}}};
        // List 1: over data file 1 (or no data file), rows 3 to 14, columns 5 to 40: 10 lines of 34.
        FormSet.browseCount = 1;
        FormSet.browses.push_back(BrowseDef{1, 0, WindowRect{3, 5, 14, 40}, 0, "_Code____Name", 0});
    }
    void TearDown() override {
        CloseDataFile(1);
        ResetRecordManager();
    }

    // Opens data file 1 over count records; the list shows "code name" for each.
    void OpenRecords(int count, const std::function<std::string(int)>& name = [](int n) {
        return "NAME " + std::to_string(n);
    }) {
        const std::string path = scratch / "DATA.DAT";
        CreateDataFile(path, count, name);
        ASSERT_EQ(OpenDataFile(1, path, record, kRecordLength, 0, 0), 0);
        BrowseLineHook = [this](int16_t) {
            ++linesAsked;
            return std::string(reinterpret_cast<const char*>(record), kRecordLength);
        };
    }

    Look TakeLook() const {
        Look look;
        for (int16_t row = 4; row <= 13; ++row) {
            look.rows.push_back(ConsoleRowText(row, 6, 39));
            if (ConsoleReadCell(row, 6).attribute == kUnderlineAttribute) look.cursorRow = static_cast<int16_t>(row - 3);
        }
        look.heading = ConsoleRowText(3, 5, 40);
        look.cache = test::ReadFileBytes(scratch / "Browse.tmp");
        return look;
    }

    // Runs list 1 over the keys; the looks taken are in looks.
    int16_t Run(const std::vector<int16_t>& keys, int16_t browseNo = 1) {
        console->script.assign(keys.begin(), keys.end());
        looks.clear();
        int16_t status = 99;
        RunBrowse(browseNo, status);
        return status;
    }

    // The codes shown on the rows of a look, "" for a blank row.
    static std::vector<std::string> Codes(const Look& look) {
        std::vector<std::string> codes;
        for (const std::string& row : look.rows) codes.push_back(row.substr(0, 4) == "    " ? "" : row.substr(0, 4));
        return codes;
    }
    static std::vector<std::string> Range(int first, int last, int rows = 10) {
        std::vector<std::string> codes;
        for (int n = first; n <= last; ++n) codes.push_back(Code(n));
        codes.resize(static_cast<size_t>(rows));
        return codes;
    }
    std::string Picked() const { return std::string(reinterpret_cast<const char*>(record), 4); }

    test::ScratchDir scratch;
    ScriptedConsole* console = nullptr;
    std::vector<Look> looks;
    uint8_t record[kRecordLength] = {};
    int linesAsked = 0;
};

std::vector<int16_t> Repeat(int16_t key, int times) { return std::vector<int16_t>(static_cast<size_t>(times), key); }

std::vector<int16_t> Then(std::vector<int16_t> keys, const std::vector<int16_t>& more) {
    keys.insert(keys.end(), more.begin(), more.end());
    return keys;
}

TEST_F(BrowseTest, FortyRecordsScrollLineByLineAndByPage) {
    OpenRecords(40);
    struct Case {
        const char* name;
        std::vector<int16_t> keys;
        int first;       // record on row 1
        int16_t cursor;  // row of the cursor, whose record Enter picks
        int furthest;    // the last record the user has had on the screen
    };
    const std::vector<Case> cases = {
        {"first screen", {}, 1, 1, 10},
        {"nine Downs", Repeat(kDown, 9), 1, 10, 10},
        {"the tenth scrolls", Repeat(kDown, 10), 2, 10, 11},
        {"PgDn", {kPgDn}, 11, 1, 20},
        {"Up on the first row scrolls back", Then(Repeat(kDown, 10), Repeat(kUp, 10)), 1, 1, 11},
        {"PgUp with a page before", {kPgDn, kPgDn, kPgUp}, 11, 1, 30},
        {"near the start", Repeat(kDown, 11), 3, 10, 12},
        {"PgUp near the start", Then(Repeat(kDown, 11), {kPgUp}), 1, 2, 12},
        {"PgUp on the first page", {kDown, kPgUp}, 1, 2, 10},
        {"the end", Repeat(kPgDn, 5), 31, 1, 40},
        {"Down at the end", Then(Repeat(kPgDn, 4), Repeat(kDown, 12)), 31, 10, 40},
    };
    for (const auto& c : cases) {
        linesAsked = 0;
        EXPECT_EQ(Run(Then(c.keys, {kLook, kEnter})), 0) << c.name;
        ASSERT_EQ(looks.size(), 1u) << c.name;
        EXPECT_EQ(Codes(looks[0]), Range(c.first, c.first + 9)) << c.name;
        EXPECT_EQ(looks[0].cursorRow, c.cursor) << c.name;
        EXPECT_EQ(Picked(), Code(c.first + c.cursor - 1)) << c.name;
        // Reading goes only as far as the user has looked (one line beyond at most).
        EXPECT_LE(linesAsked, c.furthest + 1) << c.name;
        EXPECT_FALSE(test::FileExists(scratch / "Browse.tmp")) << c.name;
    }
}

TEST_F(BrowseTest, TwentyFiveRecordsEndOnAShortPage) {
    OpenRecords(25);
    EXPECT_EQ(Run(Then(Repeat(kDown, 6), {kPgDn, kPgDn, kLook, kEnter})), 0);
    EXPECT_EQ(Codes(looks[0]), Range(21, 25));
    EXPECT_EQ(looks[0].rows[9], std::string(34, ' '));
    EXPECT_EQ(looks[0].cursorRow, 5);
    EXPECT_EQ(Picked(), "R025");
    EXPECT_EQ(WindowStack.depth, 0);
}

TEST_F(BrowseTest, CacheHoldsEachLineReadLinkedToTheOneBefore) {
    std::vector<int32_t> positions;
    OpenRecords(12);
    BrowseLineHook = [this, &positions](int16_t) {
        positions.push_back(RecordPosition(1, 0));
        return std::string(reinterpret_cast<const char*>(record), 4) + " LINE   ";  // trailing blanks go
    };
    Run({kLook, kPgDn, kLook, kEsc});
    ASSERT_EQ(looks.size(), 2u);
    std::string expected;
    int32_t previous = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        const auto at = static_cast<int32_t>(expected.size() + 1);
        expected += Entry(previous, positions[i], Code(static_cast<int>(i) + 1) + " LINE");
        previous = at;
        if (i == 9) {
            EXPECT_EQ(looks[0].cache, expected);  // the first screen read ten records
        }
    }
    EXPECT_EQ(positions.size(), 12u);
    EXPECT_EQ(looks[1].cache, expected);
    EXPECT_FALSE(test::FileExists(scratch / "Browse.tmp"));
}

TEST_F(BrowseTest, CacheThatCannotBeWrittenIsKeptInMemory) {
    OpenRecords(40);
    RunContext.tempDir = scratch / "missing/";
    EXPECT_EQ(Run({kPgDn, kPgDn, kDown, kPgUp, kUp, kLook, kEnter}), 0);
    EXPECT_EQ(Codes(looks[0]), Range(11, 20));
    EXPECT_EQ(looks[0].cursorRow, 1);
    EXPECT_EQ(Picked(), "R011");
}

TEST_F(BrowseTest, KeyRangeAndHooks) {
    OpenRecords(40);
    // Start at R015, stop after the keys that begin with R01; records without a line are left out.
    BeforeBrowseHook = [](int16_t, std::string& startKey, std::string& endKey) {
        startKey = "R015";
        endKey = "R01";
        return int16_t{0};
    };
    auto shown = BrowseLineHook;
    BrowseLineHook = [&](int16_t browseNo) { return Picked() == "R017" ? std::string("   ") : shown(browseNo); };
    EXPECT_EQ(Run({kLook, kDown, kDown, kDown, kDown, kDown, kEnter}), 0);
    EXPECT_EQ(Codes(looks[0]), (std::vector<std::string>{"R015", "R016", "R018", "R019", "", "", "", "", "", ""}));
    EXPECT_EQ(Picked(), "R019");

    // A refusal is the list's status; nothing is shown.
    BeforeBrowseHook = [](int16_t, std::string&, std::string&) { return int16_t{7}; };
    EXPECT_EQ(Run({kLook}), 7);
    EXPECT_TRUE(looks.empty());
    EXPECT_EQ(console->script.size(), 1u);

    // Other keys leave without a choice.
    BeforeBrowseHook = [](int16_t, std::string&, std::string&) { return int16_t{0}; };
    EXPECT_EQ(Run({kDown, 'x'}), -1);
    EXPECT_EQ(Run({kDown, kF4}), -1);  // no further list
}

TEST_F(BrowseTest, BinaryKeyWithoutEndKeyListsEveryRecord) {
    // No end key means no end, also along a key whose sorting form pads an empty value.
    OpenRecords(12);
    FormSet.browses[0].keyNo = 1;
    EXPECT_EQ(Run({kLook, kPgDn, kLook, kEnter}), 0);
    ASSERT_EQ(looks.size(), 2u);
    // In number order: "10" is 0x3031, "01" 0x3130, "11" 0x3131, "02" 0x3230 ...
    EXPECT_EQ(Codes(looks[0]), (std::vector<std::string>{"R010", "R001", "R011", "R002", "R012", "R003",
                                                         "R004", "R005", "R006", "R007"}));
    EXPECT_EQ(Codes(looks[1]), (std::vector<std::string>{"R008", "R009", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(Picked(), "R008");
}

TEST_F(BrowseTest, ListThatCannotBePositionedIsEmpty) {
    // A start key past every record: nothing is listed and Enter chooses nothing.
    OpenRecords(5);
    BeforeBrowseHook = [](int16_t, std::string& startKey, std::string&) {
        startKey = "S";
        return int16_t{0};
    };
    EXPECT_EQ(Run({kLook, kDown, kEnter}), -1);
    EXPECT_EQ(Codes(looks[0]), Range(1, 0));
    EXPECT_EQ(linesAsked, 0);
    EXPECT_EQ(looks[0].cache, "");
    EXPECT_EQ(Picked(), std::string(4, '\0'));
}

TEST_F(BrowseTest, RecordsLeftOutAtTheEndAddNoLine) {
    // The last records give no line: the end is found only when the user moves past R010.
    OpenRecords(12);
    auto shown = BrowseLineHook;
    BrowseLineHook = [&](int16_t browseNo) { return Picked() > "R010" ? std::string() : shown(browseNo); };
    for (const auto& keys : {Repeat(kDown, 10), std::vector<int16_t>{kPgDn}, Then(Repeat(kDown, 3), {kPgDn, kDown})}) {
        EXPECT_EQ(Run(Then(keys, {kLook, kUp, kLook, kEnter})), 0);
        EXPECT_EQ(Codes(looks[0]), Range(1, 10));
        EXPECT_EQ(looks[0].cursorRow, 10);
        EXPECT_EQ(looks[1].cursorRow, 9);
        EXPECT_EQ(Picked(), "R009");
    }
}

TEST_F(BrowseTest, EscWhileReadingAheadStopsTheReading) {
    OpenRecords(200);
    // Only the first three records give a line; the others are slow to look at.
    BrowseLineHook = [this](int16_t) {
        ++linesAsked;
        if (Picked() > "R003") {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return std::string();
        }
        return Picked();
    };
    EXPECT_EQ(Run({kEsc, kLook, kDown, kDown, kDown, kEnter}), 0);
    EXPECT_EQ(Codes(looks[0]), Range(1, 3));
    EXPECT_LT(linesAsked, 200);
    EXPECT_EQ(Picked(), "R003");
}

TEST_F(BrowseTest, RightAndLeftMoveByEightColumnsWithArrowsInTheHeading) {
    OpenRecords(15, [](int n) { return n == 14 ? "LONG NAME OF THIRTY-SIX CHARS...END" : "SHORT"; });
    // The heading: "_" a blank, a blank a frame line; "R014 LONG ..." is 40 wide, 6 past the 34 shown.
    EXPECT_EQ(Run({kLook, kRight, kLook, kPgDn, kLook, kRight, kLook, kLeft, kLook, kLeft, kLook, kEsc}), -1);
    ASSERT_EQ(looks.size(), 6u);
    const std::string frame(21, '\xCD');
    EXPECT_EQ(looks[0].heading, "\xC9 Code    Name" + frame + "\xBB");
    EXPECT_EQ(looks[1].heading, looks[0].heading);  // nothing wider seen yet: Right does nothing
    EXPECT_EQ(looks[2].heading, "\xC9 Code    Name" + frame + "\x10");
    EXPECT_EQ(looks[2].rows[3].substr(0, 12), "R014LONG NAM");
    EXPECT_EQ(looks[3].heading, "\x11 Name" + std::string(29, '\xCD') + "\xBB");
    EXPECT_EQ(looks[3].rows[3].substr(0, 8), " NAME OF");  // the first 8 characters hidden
    EXPECT_EQ(looks[3].rows[0], "T" + std::string(33, ' '));
    EXPECT_EQ(looks[4].heading, looks[2].heading);
    EXPECT_EQ(looks[5].heading, looks[2].heading);  // Left stops at the first column
}

TEST_F(BrowseTest, ListWithoutDataFileShowsAndPicksPreparedEntries) {
    FormSet.browses[0].fileNo = 0;
    // Enter on an empty cache picks nothing in particular, with status 0.
    PickedValue = 5;
    PickedLine = "old";
    EXPECT_EQ(Run({kEnter}), 0);
    EXPECT_EQ(PickedValue, 0);
    EXPECT_EQ(PickedLine, "");

    std::string cache;
    std::vector<int32_t> at;
    for (int n = 1; n <= 14; ++n) {
        at.push_back(static_cast<int32_t>(cache.size() + 1));
        cache += Entry(n == 1 ? 0 : at[static_cast<size_t>(n) - 2], 1000 + n, "ENTRY " + std::to_string(n));
    }
    test::WriteFileBytes(scratch / "Browse.tmp", cache);
    EXPECT_EQ(Run({kPgDn, kDown, kLook, kEnter}), 0);
    EXPECT_EQ(looks[0].rows[0].substr(0, 8), "ENTRY 11");
    EXPECT_EQ(looks[0].rows[4], std::string(34, ' '));
    EXPECT_EQ(PickedValue, 1012);
    EXPECT_EQ(PickedLine, "ENTRY 12");
    EXPECT_FALSE(test::FileExists(scratch / "Browse.tmp"));
}

TEST_F(BrowseTest, DamagedCacheShowsWhatItCan) {
    FormSet.browses[0].fileNo = 0;
    const std::string good = Entry(0, 1, "FIRST") + Entry(1, 2, "SECOND");
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"link to itself", Entry(0, 1, "FIRST") + Entry(16, 2, "SECOND")},
        {"link forward", Entry(0, 1, "FIRST") + Entry(400, 2, "SECOND") + Entry(16, 3, "THIRD")},
        {"link outside", Entry(-7, 1, "FIRST") + Entry(1, 2, "SECOND")},
        {"length past the end", good + Entry(16, 3, "THIRD").substr(0, 12)},
        {"negative length", Entry(0, 1, "") .substr(0, 8) + "\xFF\xFF" + good},
        {"header cut short", good + "\x01\x02\x03"},
        {"garbage", std::string(37, '\xFF')},
    };
    for (const auto& c : cases) {
        test::WriteFileBytes(scratch / "Browse.tmp", c.bytes);
        const std::vector<int16_t> keys = {kDown, kDown, kDown, kPgDn, kUp, kUp, kUp, kPgUp, kDown, kRight,
                                           kPgDn, kPgUp, kLook, kEnter};
        EXPECT_EQ(Run(keys), 0) << c.name;
        EXPECT_TRUE(console->script.empty()) << c.name;
        EXPECT_EQ(WindowStack.depth, 0) << c.name;
    }
}

TEST_F(BrowseTest, FurtherListOpensWithF4AndCallsTheHook) {
    FormSet.browses[0].fileNo = 0;
    FormSet.browses[0].nextBrowse = 2;
    FormSet.browses.push_back(BrowseDef{0, 0, WindowRect{6, 20, 12, 60}, 0, "Further", 0});
    FormSet.browseCount = 2;
    test::WriteFileBytes(scratch / "Browse.tmp", Entry(0, 42, "ONLY"));
    std::vector<int16_t> hookCalls;
    AfterBrowseHook = [&](int16_t& browseNo, int16_t, int16_t&) { hookCalls.push_back(browseNo); };
    int depthInside = 0;
    console->look = [&] { depthInside = WindowStack.depth; };
    EXPECT_EQ(Run({kF4, kLook, kEnter}), 0);
    EXPECT_EQ(depthInside, 2);  // over the first list's window
    EXPECT_EQ(hookCalls, std::vector<int16_t>{2});
    EXPECT_EQ(PickedValue, 0);  // the further list started with the cache deleted
    EXPECT_EQ(WindowStack.depth, 0);
    EXPECT_TRUE(KeyMap.fromCodes.empty());
}

TEST_F(BrowseTest, FilterFormEscCancelsBeforeAnything) {
    OpenRecords(5);
    FormSet.formCount = 1;
    FormSet.maxFields = 1;
    FormDef form;
    form.keyList = "1b,d";
    form.fieldCount = 1;
    form.window = WindowRect{5, 10, 8, 50};
    FieldDef field;
    field.row = 1;
    field.column = 2;
    field.label = "Des de: ";
    field.width = 4;
    field.value = "    ";
    form.fields.push_back(field);
    FormSet.forms.push_back(form);
    FormSet.browses[0].filterForm = 1;
    SetKeyMap("a", "4f00");
    int16_t lockStatus = 0;
    SetLockMode(1, "b", lockStatus);

    int16_t seenDepth = -1;
    console->look = [&] { seenDepth = WindowStack.depth; };
    EXPECT_EQ(Run({kLook, kEsc}), -1);
    EXPECT_EQ(seenDepth, 1);  // the filter form's own window, no list window
    EXPECT_EQ(linesAsked, 0);
    EXPECT_EQ(KeyMap.fromCodes, std::vector<int16_t>{0x4f00});
    EXPECT_EQ(FileTable.slot[FindFileSlot(1)].lockMode, 2);

    // Enter in the filter form goes on to the list, which reads without locks meanwhile.
    int16_t modeInside = -1;
    console->look = [&] { modeInside = FileTable.slot[FindFileSlot(1)].lockMode; };
    EXPECT_EQ(Run({kEnter, kLook, kEnter}), 0);
    EXPECT_EQ(modeInside, 0);
    EXPECT_EQ(FileTable.slot[FindFileSlot(1)].lockMode, 2);
    EXPECT_EQ(KeyMap.fromCodes, std::vector<int16_t>{0x4f00});
}

TEST_F(BrowseTest, F4InAFormFieldOpensItsList) {
    FormSet.browses[0].fileNo = 0;
    test::WriteFileBytes(scratch / "Browse.tmp", Entry(0, 7, "PICKED"));
    FormSet.formCount = 1;
    FormSet.maxFields = 1;
    FormDef form;
    form.keyList = "1b,d,3e00";
    form.fieldCount = 1;
    form.window = WindowRect{5, 10, 8, 50};
    FieldDef field;
    field.row = 1;
    field.column = 2;
    field.label = "Codi: ";
    field.width = 8;
    field.browseNo = 1;
    field.value = std::string(8, ' ');
    form.fields.push_back(field);
    FormSet.forms.push_back(form);
    RegisterBrowseList();
    AfterBrowseHook = [](int16_t&, int16_t formNo, int16_t& fieldNo) {
        FieldAt(formNo, fieldNo).value = PickedLine + "  ";
    };
    console->script = {kF4, kEnter};
    int16_t formNo = 1, top = 0, bottom = 0, key = 0;
    RunForm(formNo, top, bottom, key);
    EXPECT_EQ(FieldAt(1, 1).value, "PICKED  ");
    BrowseListHandler = nullptr;
}

}  // namespace
}  // namespace korvidan
