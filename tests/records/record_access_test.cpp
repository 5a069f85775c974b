// Tests of the file-table layer: what it sends to the record manager (seen through a
// recording stand-in), the wait on busy records with its notice, and the whole layer
// over real data files, with a second process holding locks.
#include "records/record_access.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/run_context.h"
#include "platform/console.h"
#include "records/record_layout.h"
#include "records/record_manager.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::ScratchDir;

// ---- A recording stand-in for the record manager ----------------------------------

struct SeenCall {
    int16_t operation;
    int32_t dataLength;
    std::string key;  // the whole 256-byte key buffer
    int16_t keyLength;
    int16_t keyNumber;
    std::string dataStart;  // the first 4 bytes of the data buffer
};

struct StandIn {
    std::string statistics;         // what statistics returns
    std::deque<int16_t> statuses;   // what the next reads answer (then 0)
    std::string record = "RECORD";  // what reads return
    std::string keyBack;            // what reads put in the key buffer
    std::vector<SeenCall> calls;    // every call but statistics
    std::function<void()> onRead;   // runs at every read
} Fake;

int16_t FakeManager(int16_t operation, uint8_t*, void* data, int32_t& dataLength, void* key,
                    int16_t keyLength, int16_t keyNumber) {
    if (operation == OpStatistics) {
        std::memcpy(data, Fake.statistics.data(), Fake.statistics.size());
        dataLength = static_cast<int32_t>(Fake.statistics.size());
        return 0;
    }
    Fake.calls.push_back({operation, dataLength,
                          std::string(static_cast<char*>(key), KeyBufferSize), keyLength,
                          keyNumber, std::string(static_cast<char*>(data), 4)});
    if (Fake.onRead) Fake.onRead();
    std::memcpy(data, Fake.record.data(), Fake.record.size());
    dataLength = static_cast<int32_t>(Fake.record.size());
    std::memcpy(key, Fake.keyBack.data(), Fake.keyBack.size());
    if (Fake.statuses.empty()) return 0;
    const int16_t status = Fake.statuses.front();
    Fake.statuses.pop_front();
    return status;
}

// A file of 8-byte records with key 0 a 4-character text and key 1 a 2-byte number.
RecordLayout SmallLayout() {
    RecordLayout layout;
    layout.recordLength = 8;
    layout.pageSize = 512;
    KeyDefinition text;
    text.segments = {{1, 4, 0}};
    text.length = 4;
    KeyDefinition number;
    number.segments = {{5, 2, SegmentBinary}};
    number.length = 2;
    layout.keys = {text, number};
    return layout;
}

class RecordAccessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetFileTable();
        ResetRecordManager();
        ResetRunContext();
        ResetColourState();
        ResetWindowStack();
        UseVirtualConsole(25, 80);
        RunContext.tempDir = dir.path();
        Fake = StandIn{};
        Fake.statistics = EncodeRecordLayout(SmallLayout());
        SetLockWaitPause([](int32_t milliseconds) {
            EXPECT_GE(milliseconds, 1);
            EXPECT_LE(milliseconds, 10001);
            ++Pauses;
            if (OnPause) OnPause();
        });
        Pauses = 0;
        OnPause = nullptr;
    }
    void TearDown() override {
        ResetFileTable();
        ResetRecordManager();
    }
    // Registers file number 7 in slot 3 over the stand-in.
    void UseStandIn(int16_t lockMode) {
        SetRecordManagerEntry(FakeManager);
        FileSlotRecord& slot = FileTable.slot[3];
        slot.fileNumber = 7;
        slot.recordBlock = recordBlock;
        slot.recordLength = 8;
        slot.lockMode = lockMode;
    }
    static bool ScreenShows(const std::string& text) {
        for (int16_t row = 1; row <= 25; ++row)
            if (ConsoleRowText(row).find(text) != std::string::npos) return true;
        return false;
    }
    static inline int Pauses = 0;
    static inline std::function<void()> OnPause;
    ScratchDir dir;
    uint8_t recordBlock[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
};

TEST_F(RecordAccessTest, FindFileSlotNamesTheSlotOrTheFreeOneToUse) {
    EXPECT_EQ(FindFileSlot(5), -40);
    FileTable.slot[1].fileNumber = 7;
    FileTable.slot[40].fileNumber = 9;
    EXPECT_EQ(FindFileSlot(9), 40);
    EXPECT_EQ(FindFileSlot(7), 1);
    EXPECT_EQ(FindFileSlot(5), -39);
    for (int16_t slot = 1; slot <= FileSlotCount; ++slot) FileTable.slot[slot].fileNumber = slot;
    EXPECT_EQ(FindFileSlot(99), 0);
}

TEST_F(RecordAccessTest, SeekSendsTheLockBiasAndFillsTheKeyBuffer) {
    const struct {
        int16_t lockMode, mode, operation;
        char fill;
    } cases[] = {
        {0, 1, 9, '\0'},  {1, 1, 209, ' '},    {2, 1, 209, ' '},  {0, 0, 5, ' '},
        {1, 0, 205, ' '}, {0, -1, 11, '\xFF'}, {1, -1, 211, ' '},
    };
    for (const auto& c : cases) {
        UseStandIn(c.lockMode);
        Fake.calls.clear();
        Fake.keyBack = "KEYSmore";
        int16_t status = -1;
        SeekKey(7, 0, "AB", c.mode, status);
        EXPECT_EQ(status, 0);
        ASSERT_EQ(Fake.calls.size(), 1u);
        const SeenCall& call = Fake.calls[0];
        EXPECT_EQ(call.operation, c.operation) << c.lockMode << " " << c.mode;
        EXPECT_EQ(call.key.substr(0, 4), std::string("AB\0\0", 4));
        EXPECT_EQ(call.key.substr(4), std::string(252, c.fill)) << c.lockMode << " " << c.mode;
        EXPECT_EQ(call.keyLength, 4);
        EXPECT_EQ(call.dataLength, 8);
        // The record comes back into the record block and the key into keyText.
        EXPECT_EQ(std::string(reinterpret_cast<char*>(recordBlock), 6), "RECORD");
        EXPECT_EQ(FileTable.slot[3].keyText, "KEYS");
    }
    // A record block said to be longer than the data buffer sends no more than the buffer.
    std::vector<uint8_t> large(5000, 'x');
    FileTable.slot[3].recordBlock = large.data();
    FileTable.slot[3].recordLength = 5000;
    Fake.calls.clear();
    int16_t sent = -1;
    SeekKey(7, 0, "AB", 0, sent);
    ASSERT_EQ(Fake.calls.size(), 1u);
    EXPECT_EQ(Fake.calls[0].dataLength, 1536);
    // A key number equal to the number of keys is not a key; the slot keeps its key.
    FileTable.slot[3].keyNumber = 1;
    int16_t status = 0;
    SeekKey(7, 2, "AB", 1, status);
    EXPECT_EQ(status, 1004);
    EXPECT_EQ(FileTable.slot[3].keyNumber, 1);
}

// A console that notes, at every flush, whether the lock notice was on the screen.
struct FlushSpy final : ConsoleBackend {
    std::vector<bool>* flushes = nullptr;
    bool ReadEvent(ConsoleEvent&) override { return false; }
    void Beep() override {}
    void SetMouse(bool) override {}
    bool HasMouse() override { return false; }
    void Suspend() override {}
    void Resume() override {}
    void Flush() override {
        bool shown = false;
        for (int16_t row = 1; row <= 25; ++row)
            shown = shown || ConsoleRowText(row).find("FITXER BLOQUEJAT") != std::string::npos;
        flushes->push_back(shown);
    }
    void SendRaw(const std::string&) override {}
};

TEST_F(RecordAccessTest, BusyRecordsAreWaitedForWithOneNotice) {
    std::vector<bool> flushes;
    auto spy = std::make_unique<FlushSpy>();
    spy->flushes = &flushes;
    UseConsoleBackend(std::move(spy), 25, 80);
    UseStandIn(1);
    Fake.statuses = {StatusRecordBusy, StatusFileBusy};
    std::vector<bool> noticeAtRead;
    Fake.onRead = [&] {
        noticeAtRead.push_back(ScreenShows("FITXER BLOQUEJAT. ESPEREU UN MOMENT."));
    };
    // The terminal shows the notice during the pauses after it appeared.
    std::vector<bool> flushedAtPause;
    OnPause = [&] { flushedAtPause.push_back(!flushes.empty() && flushes.back()); };
    int16_t status = -1;
    SeekKey(7, 0, "AB", 0, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Pauses, 2);
    EXPECT_EQ(noticeAtRead, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(flushedAtPause, (std::vector<bool>{false, true}));
    EXPECT_FALSE(ScreenShows("BLOQUEJAT"));
    EXPECT_EQ(WindowStack.depth, 0);
    // Lock mode 2 reports the busy record at once.
    UseStandIn(2);
    Fake.statuses = {StatusRecordBusy};
    Fake.calls.clear();
    SeekKey(7, 0, "AB", 0, status);
    EXPECT_EQ(status, StatusRecordBusy);
    EXPECT_EQ(Fake.calls.size(), 1u);
    EXPECT_EQ(Pauses, 2);
}

TEST_F(RecordAccessTest, TheNoticeSpeaksTheUsersLanguage) {
    const struct {
        const char* language;
        const char* notice;
    } cases[] = {
        {"SPA", "FICHERO BLOQUEADO. ESPERE UN MOMENTO."},
        {"GLG", "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO."},
        {"OCI", "FICH\xD4R BLOQUEJAT. ESPERATZ UN MOMENT."},
        {"", "FITXER BLOQUEJAT. ESPEREU UN MOMENT."},
        {"ENG", "FITXER BLOQUEJAT. ESPEREU UN MOMENT."},
    };
    for (const auto& c : cases) {
        UseStandIn(1);
        RunContext.language = c.language;
        Fake.statuses = {StatusRecordBusy, StatusRecordBusy};
        bool shown = false;
        Fake.onRead = [&] { shown = shown || ScreenShows(c.notice); };
        int16_t status = -1;
        SeekKey(7, 0, "AB", 0, status);
        EXPECT_TRUE(shown) << c.language;
    }
}

TEST_F(RecordAccessTest, MoveStepsOverRecordsWithoutCopyingThem) {
    UseStandIn(1);
    FileTable.slot[3].keyText = "WXYZ";
    Fake.keyBack = "KEY1";
    int16_t status = -1;
    int readsBeforeLast = 0;
    Fake.onRead = [&] {
        if (++readsBeforeLast <= 2) {
            EXPECT_EQ(recordBlock[0], 'a');
        }
    };
    MoveRecords(7, -3, status);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(Fake.calls.size(), 3u);
    // Two direct calls with a 1536-byte buffer and the key returned by the step before,
    // then one record call (with the lock bias) into the record block.
    EXPECT_EQ(Fake.calls[0].operation, 7);
    EXPECT_EQ(Fake.calls[0].dataLength, 1536);
    EXPECT_EQ(Fake.calls[0].keyLength, 0);
    EXPECT_EQ(Fake.calls[1].operation, 7);
    EXPECT_EQ(Fake.calls[1].keyLength, 4);
    EXPECT_EQ(Fake.calls[2].operation, 207);
    EXPECT_EQ(Fake.calls[2].dataLength, 8);
    EXPECT_EQ(recordBlock[0], 'R');
    // Count 0 makes no call; +1 exactly one record call.
    Fake.calls.clear();
    MoveRecords(7, 0, status);
    EXPECT_EQ(Fake.calls.size(), 0u);
    MoveRecords(7, 1, status);
    ASSERT_EQ(Fake.calls.size(), 1u);
    EXPECT_EQ(Fake.calls[0].operation, 206);
}

TEST_F(RecordAccessTest, PositionsAreAskedForAndReadBackWithoutLocks) {
    UseStandIn(1);
    FileTable.slot[3].keyNumber = 1;
    FileTable.slot[3].keyText = "WXYZ";
    Fake.keyBack = std::string("K\0YZ", 4);
    // Position 0: operation 22 with a zero position, key length 0 and key number 0.
    int32_t reco;
    std::memcpy(&reco, "RECO", 4);
    EXPECT_EQ(RecordPosition(7, 0), reco);
    ASSERT_EQ(Fake.calls.size(), 1u);
    EXPECT_EQ(Fake.calls[0].operation, 22);
    EXPECT_EQ(Fake.calls[0].dataStart, std::string(4, '\0'));
    EXPECT_EQ(Fake.calls[0].dataLength, 1536);
    EXPECT_EQ(Fake.calls[0].keyLength, 0);
    EXPECT_EQ(Fake.calls[0].keyNumber, 0);
    EXPECT_EQ(recordBlock[0], 'a');  // asking for the position reads nothing in
    Fake.statuses = {StatusInvalidPositioning};
    EXPECT_EQ(RecordPosition(7, 0), 0);

    // Another position: operation 23 without the lock bias, along the slot's key.
    const struct {
        int16_t answer;
        int32_t result;
        char first;  // the record block's first byte afterwards
    } cases[] = {{0, 0, 'R'}, {StatusDataBufferShort, 0, 'R'}, {StatusNoRecordAtPosition, 43, 'a'}};
    for (const auto& c : cases) {
        recordBlock[0] = 'a';
        Fake.calls.clear();
        Fake.statuses = {c.answer};
        EXPECT_EQ(RecordPosition(7, 0x01020304), c.result) << c.answer;
        ASSERT_EQ(Fake.calls.size(), 1u);
        EXPECT_EQ(Fake.calls[0].operation, 23);
        EXPECT_EQ(Fake.calls[0].dataStart, "\x04\x03\x02\x01");
        EXPECT_EQ(Fake.calls[0].dataLength, 1536);
        EXPECT_EQ(Fake.calls[0].key, std::string(KeyBufferSize, '\0'));
        EXPECT_EQ(Fake.calls[0].keyLength, 0);
        EXPECT_EQ(Fake.calls[0].keyNumber, 1);
        EXPECT_EQ(recordBlock[0], c.first) << c.answer;
        // A key value with a byte 0 in it is kept whole.
        EXPECT_EQ(FileTable.slot[3].keyText, std::string("K\0YZ", 4));
    }
    EXPECT_EQ(Pauses, 0);
}

TEST_F(RecordAccessTest, LockModesStackAndRestore) {
    UseStandIn(0);
    int16_t status = 0;
    SetLockMode(7, "+b", status);
    SetLockMode(7, "+a", status);
    EXPECT_EQ(FileTable.slot[3].lockMode, 1);
    SetLockMode(7, "-", status);
    EXPECT_EQ(FileTable.slot[3].lockMode, 2);
    SetLockMode(7, "-", status);
    EXPECT_EQ(FileTable.slot[3].lockMode, 0);
    SetLockMode(7, "-xA", status);  // nothing saved: unchanged; unknown letters ignored
    EXPECT_EQ(FileTable.slot[3].lockMode, 1);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(LockSaveStack.empty());
}

TEST_F(RecordAccessTest, KeyInfoAndSortingForms) {
    UseStandIn(0);
    int16_t keyLength = -1, recordLength = -1;
    GetKeyInfo(7, 1, keyLength, recordLength);
    EXPECT_EQ(keyLength, 2);
    EXPECT_EQ(recordLength, 8);
    GetKeyInfo(7, 2, keyLength, recordLength);
    EXPECT_EQ(keyLength, 0);
    EXPECT_EQ(recordLength, 8);
    // A binary segment holding 513 little-endian sorts most significant byte first.
    FileTable.slot[3].keyNumber = 1;
    EXPECT_EQ(CollatingKey("\x01\x02", 7), "\x02\x01");
    EXPECT_EQ(CollatingKey("\x05", 7), std::string("\0\x05", 2));
    FileTable.slot[3].keyText = "\x01\x02";
    EXPECT_EQ(CurrentKeyText(7), "\x02\x01");
    FileTable.slot[3].keyNumber = 0;
    EXPECT_EQ(CollatingKey("abcd", 7), "abcd");
}

TEST_F(RecordAccessTest, AFileNotInTheTableIsNotOpen) {
    UseStandIn(0);
    for (const int16_t fileNumber : {5, 0}) {
        int16_t status = 0;
        SeekKey(fileNumber, 0, "AB", 1, status);
        EXPECT_EQ(status, 3);
        status = 0;
        MoveRecords(fileNumber, 1, status);
        EXPECT_EQ(status, 3);
        status = 0;
        SetLockMode(fileNumber, "A", status);
        EXPECT_EQ(status, 3);
        EXPECT_EQ(RecordPosition(fileNumber, 0), 3);
        EXPECT_EQ(RecordPosition(fileNumber, 12), 3);
        int16_t keyLength = -1, recordLength = -1;
        GetKeyInfo(fileNumber, 0, keyLength, recordLength);
        EXPECT_EQ(keyLength + recordLength, 0);
        EXPECT_EQ(CollatingKey("\x01\x02", fileNumber), "\x01\x02");
        EXPECT_EQ(CurrentKeyText(fileNumber), "");
    }
    EXPECT_TRUE(Fake.calls.empty());
}

// ---- Over real data files -----------------------------------------------------------

std::string SmallRecord(const std::string& text, uint16_t number) {
    std::string record = (text + "    ").substr(0, 4);
    record.push_back(static_cast<char>(number & 0xFF));
    record.push_back(static_cast<char>(number >> 8));
    return record + "..";
}

void MakeFile(const std::string& path, const std::vector<std::string>& records) {
    std::string layout = EncodeRecordLayout(SmallLayout());
    int32_t length = static_cast<int32_t>(layout.size());
    uint8_t block[128] = {};
    std::string key = path;
    key.resize(256, '\0');
    ASSERT_EQ(RecordManagerCall(OpCreate, block, layout.data(), length, key.data(),
                                static_cast<int16_t>(path.size()), 0),
              0);
    ASSERT_EQ(RecordManagerCall(OpOpen, block, nullptr, length, key.data(),
                                static_cast<int16_t>(path.size()), 0),
              0);
    for (std::string record : records) {
        length = 8;
        ASSERT_EQ(RecordManagerCall(OpInsert, block, record.data(), length, key.data(), 0, 0), 0);
    }
    ASSERT_EQ(RecordManagerCall(OpClose, block, nullptr, length, key.data(), 0, 0), 0);
}

TEST_F(RecordAccessTest, ReadsRealDataFilesAlongKeysAndByPosition) {
    const std::string path = dir / "ARTICLES.DAT";
    MakeFile(path, {SmallRecord("B", 256), SmallRecord("A", 1), SmallRecord("D", 0),
                    SmallRecord("C", 512)});
    uint8_t record[8] = {};
    EXPECT_EQ(OpenDataFile(4, path, record, 8, 5, 0), 1004);
    EXPECT_EQ(FindFileSlot(4), -40);
    EXPECT_EQ(OpenDataFile(4, dir / "NONE.DAT", record, 8, 0, 0), StatusFileNotFound);
    ASSERT_EQ(OpenDataFile(4, path, record, 8, 1, 0), 0);
    EXPECT_EQ(OpenDataFile(4, path, record, 8, 1, 0), 1005);
    EXPECT_EQ(FindFileSlot(4), 40);
    EXPECT_EQ(FileTable.slot[40].keyText, std::string(2, '\0'));

    // Along key 1, the numbers 0, 1, 256, 512: D A B C.
    int16_t status = -1;
    SeekKey(4, 1, std::string("\x00\x01", 2), 1, status);  // 256 or more
    ASSERT_EQ(status, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record), 1), "B");
    EXPECT_EQ(FileTable.slot[40].keyText,
              std::string("\x00\x01", 2));  // a key with a byte 0 stays whole
    EXPECT_EQ(CurrentKeyText(4), std::string("\x01\x00", 2));
    const int32_t positionOfB = RecordPosition(4, 0);
    EXPECT_GT(positionOfB, 0);
    MoveRecords(4, -2, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(record[0], 'D');
    EXPECT_EQ(FileTable.slot[40].keyText, std::string("\x00\x00", 2));
    MoveRecords(4, 3, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(record[0], 'C');
    MoveRecords(4, 1, status);
    EXPECT_EQ(status, StatusEndOfFile);
    EXPECT_EQ(RecordPosition(4, positionOfB), 0);
    EXPECT_EQ(record[0], 'B');
    EXPECT_EQ(RecordPosition(4, 999), StatusNoRecordAtPosition);

    int16_t keyLength = 0, recordLength = 0;
    GetKeyInfo(4, 0, keyLength, recordLength);
    EXPECT_EQ(keyLength, 4);
    EXPECT_EQ(recordLength, 8);
    EXPECT_EQ(CloseDataFile(4), 0);
    EXPECT_EQ(CloseDataFile(4), 3);
    EXPECT_EQ(FindFileSlot(4), -40);
}

TEST_F(RecordAccessTest, WaitsForAnotherProcessUntilItsLockIsGone) {
    const std::string path = dir / "STOCK.DAT";
    MakeFile(path, {SmallRecord("A", 1), SmallRecord("B", 2)});
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            if (kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
        }
    } reaper{holder};
    if (holder == 0) {
        // Holds record A locked until it is killed.
        uint8_t block[128] = {};
        char key[256] = {};
        std::memcpy(key, path.data(), path.size());
        int32_t length = 0;
        RecordManagerCall(OpOpen, block, nullptr, length, key, static_cast<int16_t>(path.size()),
                          0);
        char data[64];
        length = 64;
        std::memcpy(key, "A   ", 4);
        const int16_t status =
            RecordManagerCall(OpGetEqual + RecordLockBias, block, data, length, key, 4, 0);
        if (write(ready[1], &status, sizeof status) != sizeof status) _exit(1);
        pause();
        _exit(0);
    }
    int16_t held = -1;
    ASSERT_EQ(read(ready[0], &held, sizeof held), static_cast<ssize_t>(sizeof held));
    ASSERT_EQ(held, 0);

    uint8_t record[8] = {};
    ASSERT_EQ(OpenDataFile(2, path, record, 8, 0, 2), 0);
    int16_t status = -1;
    SeekKey(2, 0, "A   ", 0, status);
    EXPECT_EQ(status, StatusRecordBusy);  // lock mode 2: at once

    SetLockMode(2, "A", status);
    std::vector<bool> noticeAtPause;
    OnPause = [&] {
        noticeAtPause.push_back(ScreenShows("FITXER BLOQUEJAT"));
        if (noticeAtPause.size() == 3) {
            kill(holder, SIGKILL);
            waitpid(holder, nullptr, 0);
        }
    };
    SeekKey(2, 0, "A   ", 0, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(record[0], 'A');
    EXPECT_EQ(noticeAtPause, (std::vector<bool>{false, true, true}));
    EXPECT_FALSE(ScreenShows("FITXER BLOQUEJAT"));
    EXPECT_EQ(WindowStack.depth, 0);
    close(ready[0]);
    close(ready[1]);
}

}  // namespace
}  // namespace korvidan
