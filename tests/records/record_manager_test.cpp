// Tests of the record manager: every operation and status, reading along keys of
// each kind, read-ahead kept honest by writers, and locks between real processes.
#include "records/record_manager.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "records/record_layout.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::ScratchDir;

// Records of 16 bytes: a 6-character code (key 0, unique), then a little-endian
// 4-byte number and a 3-letter town sorted without regard to case (key 1, both
// segments, duplicates allowed), then 3 free bytes.
RecordLayout TestLayout() {
    RecordLayout layout;
    layout.recordLength = 16;
    layout.pageSize = 4096;
    KeyDefinition code;
    code.segments = {{1, 6, 0}};
    KeyDefinition numberTown;
    numberTown.segments = {{7, 4, SegmentBinary | SegmentDuplicates | SegmentContinues},
                           {11, 3, SegmentAlternate | SegmentDuplicates}};
    numberTown.duplicates = true;
    layout.keys = {code, numberTown};
    layout.hasAlternate = true;
    layout.alternateName = "UPPER   ";
    for (int c = 0; c < 256; ++c)
        layout.alternateTable[c] = static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return layout;
}

std::string Record(const std::string& code, uint32_t number, const std::string& town,
                   const std::string& rest = "...") {
    std::string record = (code + "      ").substr(0, 6);
    for (int i = 0; i < 4; ++i) record.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
    return record + (town + "   ").substr(0, 3) + (rest + "   ").substr(0, 3);
}

// One open data file and the calls on it.
struct DataFile {
    uint8_t block[128] = {};
    std::string record;  // the last record read
    std::string key;     // the key value returned with it

    int16_t Call(int16_t operation, std::string data, const std::string& keyValue = "",
                 int16_t keyNumber = 0) {
        char keyBuffer[256] = {};
        std::memcpy(keyBuffer, keyValue.data(), keyValue.size());
        data.resize(std::max<size_t>(data.size(), 64), ' ');
        int32_t length = static_cast<int32_t>(data.size());
        const int16_t status = RecordManagerCall(operation, block, data.data(), length, keyBuffer,
                                                 static_cast<int16_t>(keyValue.size()), keyNumber);
        record = data.substr(0, static_cast<size_t>(std::max(length, 0)));
        key.assign(keyBuffer, 13);
        return status;
    }
    int16_t Open(const std::string& path) { return Call(OpOpen, "", path); }
    int16_t Insert(const std::string& data) {
        char keyBuffer[256] = {};
        int32_t length = static_cast<int32_t>(data.size());
        return RecordManagerCall(OpInsert, block, const_cast<char*>(data.data()), length, keyBuffer,
                                 0, 0);
    }
    int16_t Read(int16_t operation, int16_t keyNumber = 0, const std::string& keyValue = "") {
        return Call(operation, "", keyValue, keyNumber);
    }
    // The codes of the records along a key, from first to last.
    std::vector<std::string> Codes(int16_t keyNumber) {
        std::vector<std::string> codes;
        for (int16_t status = Read(OpGetFirst, keyNumber); status == StatusOk;
             status = Read(OpGetNext, keyNumber))
            codes.push_back(record.substr(0, 6));
        return codes;
    }
    uint32_t Position() {
        std::string data(4, '\0');
        int32_t length = 4;
        char keyBuffer[256] = {};
        if (RecordManagerCall(OpGetPosition, block, data.data(), length, keyBuffer, 0, 0) !=
            StatusOk)
            return 0;
        uint32_t position;
        std::memcpy(&position, data.data(), 4);
        return position;
    }
};

int16_t Create(const std::string& path, const std::string& layoutBytes) {
    std::string data = layoutBytes;
    int32_t length = static_cast<int32_t>(data.size());
    uint8_t block[128] = {};
    std::string key = path;
    key.resize(256, '\0');
    return RecordManagerCall(OpCreate, block, data.data(), length, key.data(),
                             static_cast<int16_t>(path.size()), 0);
}

class RecordManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetRecordManager();
        path = dir / "CLIENTS.DAT";
        ASSERT_EQ(Create(path, EncodeRecordLayout(TestLayout())), StatusOk);
        ASSERT_EQ(file.Open(path), StatusOk);
    }
    void TearDown() override { ResetRecordManager(); }
    void InsertSample() {
        for (const std::string& record :
             {Record("C5", 256, "bcn"), Record("C1", 255, "Bcn"), Record("C3", 256, "BCN"),
              Record("C2", 1, "zzz"), Record("C4", 256, "abc")})
            ASSERT_EQ(file.Insert(record), StatusOk);
    }
    ScratchDir dir;
    std::string path;
    DataFile file;
};

TEST_F(RecordManagerTest, StatisticsGiveBackTheCreateLayout) {
    const std::string layout = EncodeRecordLayout(TestLayout());
    EXPECT_EQ(file.Call(OpStatistics, std::string(1536, ' ')), StatusOk);
    EXPECT_EQ(file.record, layout);
    // Byte for byte: the header, one 16-byte description per segment, the marker with the
    // sequence's name, and the sorting value of code c at 16 x (1 + segments) + 10 + c.
    const std::string zeros(10, '\0');
    const std::string expected =
        std::string("\x10\x00\x00\x10\x02\x00", 6) + zeros +
        std::string("\x01\x00\x06\x00\x00\x00", 6) + zeros +
        std::string("\x07\x00\x04\x00\x15\x00", 6) + zeros +
        std::string("\x0B\x00\x03\x00\x21\x00", 6) + zeros + "\xAC" "UPPER   ";
    ASSERT_EQ(file.record.size(), expected.size() + 256);
    EXPECT_EQ(file.record.substr(0, expected.size()), expected);
    for (const int c : {0, int{'a'}, int{'z'}, int{'A'}, 255})
        EXPECT_EQ(static_cast<uint8_t>(file.record[16 * (1 + 3) + 10 + c - 1]),
                  c >= 'a' && c <= 'z' ? c - 32 : c);
    // A buffer too short gets what fits.
    std::string shortBuffer(20, ' ');
    int32_t length = 20;
    char key[256] = {};
    EXPECT_EQ(RecordManagerCall(OpStatistics, file.block, shortBuffer.data(), length, key, 0, 0),
              StatusDataBufferShort);
    EXPECT_EQ(length, 20);
    EXPECT_EQ(shortBuffer, layout.substr(0, 20));
    // Create never replaces a file.
    EXPECT_EQ(Create(path, layout), StatusFileExists);
}

TEST_F(RecordManagerTest, CreateRefusesLayoutsThatCannotBeMade) {
    const auto with = [](auto change) {
        RecordLayout layout = TestLayout();
        change(layout);
        return EncodeRecordLayout(layout);
    };
    const std::string good = EncodeRecordLayout(TestLayout());
    std::string noMarker = good;
    noMarker[16 + 3 * 16] = 'X';
    const struct {
        const char* name;
        std::string bytes;
        int16_t status;
    } cases[] = {
        {"record length 0", with([](RecordLayout& l) { l.recordLength = 0; }), StatusRecordLength},
        {"page size", with([](RecordLayout& l) { l.pageSize = 1000; }), StatusPageSize},
        {"no key", with([](RecordLayout& l) {
             l.keys.clear();
             l.hasAlternate = false;
         }),
         StatusKeyCount},
        {"segment past the record",
         with([](RecordLayout& l) { l.keys[0].segments[0].position = 12; }), StatusKeyPosition},
        {"key longer than 255", with([](RecordLayout& l) {
             l.recordLength = 600;
             l.keys[0].segments[0].length = 300;
         }),
         StatusKeyLength},
        {"collating table without marker", noMarker, StatusAlternateSequence},
        {"cut short", good.substr(0, 40), StatusDataBufferShort},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Create(dir / "BAD.DAT", c.bytes), c.status) << c.name;
        EXPECT_FALSE(test::FileExists(dir / "BAD.DAT")) << c.name;
    }
}

TEST_F(RecordManagerTest, OpenGivesAStatusForWhatIsNoDataFile) {
    test::WriteFileBytes(dir / "TEXT.DAT", "not a database at all, just some text\r\n");
    test::WriteFileBytes(dir / "EMPTY.DAT", "");
    // A database cut in the middle, and one whose pages were overwritten with garbage.
    ASSERT_EQ(file.Insert(Record("C1", 1, "aaa")), StatusOk);
    ASSERT_EQ(file.Read(OpClose), StatusOk);
    const std::string whole = test::ReadFileBytes(path);
    test::WriteFileBytes(dir / "CUT.DAT", whole.substr(0, whole.size() / 2));
    std::string garbage = whole;
    for (size_t i = 100; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7);
    test::WriteFileBytes(dir / "GARBAGE.DAT", garbage);
    const struct {
        std::string name;
        int16_t status;
    } cases[] = {
        {"MISSING.DAT", StatusFileNotFound},
        {"TEXT.DAT", StatusNotDataFile},
        {"EMPTY.DAT", StatusNotDataFile},
        {"", StatusNotDataFile},  // the folder itself
    };
    for (const auto& c : cases) {
        DataFile other;
        EXPECT_EQ(other.Open(dir / c.name), c.status) << c.name;
        EXPECT_EQ(other.Read(OpGetFirst), StatusFileNotOpen) << c.name;
    }
    for (const std::string name : {"CUT.DAT", "GARBAGE.DAT"}) {
        DataFile other;
        const int16_t opened = other.Open(dir / name);
        if (opened == StatusOk) {
            const int16_t status = other.Read(OpGetFirst);
            EXPECT_TRUE(status == StatusOk || status == StatusIoError || status == StatusEndOfFile)
                << name;
        } else {
            EXPECT_TRUE(opened == StatusIoError || opened == StatusNotDataFile)
                << name << " " << opened;
        }
    }
    // A DOS-style path in another case finds the file.
    DataFile dos;
    EXPECT_EQ(dos.Open("C:" + dir.path() + "clients.dat"), StatusOk);
}

TEST_F(RecordManagerTest, ImpossibleArgumentsGiveAStatus) {
    char key[256] = {};
    std::string data(64, ' ');
    int32_t length = 64;
    uint8_t never[128] = {};
    EXPECT_EQ(RecordManagerCall(OpGetFirst, never, data.data(), length, key, 0, 0),
              StatusFileNotOpen);
    EXPECT_EQ(RecordManagerCall(OpGetFirst, nullptr, data.data(), length, key, 0, 0),
              StatusFileNotOpen);
    uint8_t garbage[128];
    for (int i = 0; i < 128; ++i) garbage[i] = static_cast<uint8_t>(i * 37);
    EXPECT_EQ(RecordManagerCall(OpGetFirst, garbage, data.data(), length, key, 0, 0),
              StatusFileNotOpen);
    EXPECT_EQ(RecordManagerCall(OpGetFirst, file.block, data.data(), length, key, 256, 0),
              StatusKeyBufferLength);
    EXPECT_EQ(RecordManagerCall(OpGetFirst, file.block, data.data(), length, key, -1, 0),
              StatusKeyBufferLength);
    length = -5;
    EXPECT_EQ(RecordManagerCall(OpGetFirst, file.block, data.data(), length, key, 0, 0),
              StatusDataBufferShort);
    length = 64;
    EXPECT_EQ(RecordManagerCall(99, file.block, data.data(), length, key, 0, 0),
              StatusInvalidOperation);
    EXPECT_EQ(
        RecordManagerCall(OpInsert + RecordLockBias, file.block, data.data(), length, key, 0, 0),
        StatusInvalidOperation);
    // Insert shorter than the record, key numbers out of range.
    for (const int32_t wrong : {10, 70000}) {
        length = wrong;
        EXPECT_EQ(RecordManagerCall(OpInsert, file.block, data.data(), length, key, 0, 0),
                  StatusDataBufferShort);
    }
    for (const int16_t keyNumber : {-1, 2, 300}) {
        EXPECT_EQ(file.Read(OpGetFirst, keyNumber), StatusInvalidKeyNumber);
        EXPECT_EQ(file.Read(OpGetEqual, keyNumber, "C1"), StatusInvalidKeyNumber);
    }
    EXPECT_EQ(file.Read(OpGetNext), StatusInvalidPositioning);
    EXPECT_EQ(file.Read(OpGetPosition), StatusInvalidPositioning);
    EXPECT_EQ(file.Call(OpUpdate, Record("C1", 1, "aaa")), StatusInvalidPositioning);
    EXPECT_EQ(file.Call(OpDelete, ""), StatusInvalidPositioning);
    EXPECT_EQ(file.Read(OpEndTransaction), StatusTransaction);
}

TEST_F(RecordManagerTest, StaleAndCopiedBlocksAreNotOpen) {
    InsertSample();
    uint8_t copy[128];
    std::memcpy(copy, file.block, 128);
    ASSERT_EQ(file.Read(OpClose), StatusOk);
    EXPECT_EQ(file.Read(OpGetFirst), StatusFileNotOpen);
    // The copy names the closed file even after another file takes its handle.
    DataFile other;
    ASSERT_EQ(other.Open(path), StatusOk);
    std::memcpy(file.block, copy, 128);
    EXPECT_EQ(file.Read(OpGetFirst), StatusFileNotOpen);
    EXPECT_EQ(file.Read(OpClose), StatusFileNotOpen);
    EXPECT_EQ(other.Read(OpGetFirst), StatusOk);
}

TEST_F(RecordManagerTest, ReadsFollowEachKindOfKey) {
    InsertSample();
    // Plain text segment.
    EXPECT_EQ(file.Codes(0),
              (std::vector<std::string>{"C1    ", "C2    ", "C3    ", "C4    ", "C5    "}));
    // A binary number (1 < 255 < 256), then the town without regard to case; equal
    // values in the order they were inserted.
    EXPECT_EQ(file.Codes(1),
              (std::vector<std::string>{"C2    ", "C1    ", "C4    ", "C5    ", "C3    "}));
    EXPECT_EQ(file.Read(OpGetLast, 1), StatusOk);
    std::vector<std::string> backward;
    do {
        backward.push_back(file.record.substr(0, 6));
    } while (file.Read(OpGetPrevious) == StatusOk);
    EXPECT_EQ(backward,
              (std::vector<std::string>{"C3    ", "C5    ", "C4    ", "C1    ", "C2    "}));
    // The key value comes back as the record holds it.
    EXPECT_EQ(file.Read(OpGetEqual, 1, Record("", 256, "BcN").substr(6, 7)), StatusOk);
    EXPECT_EQ(file.record.substr(0, 2), "C5");
    EXPECT_EQ(file.key.substr(0, 7), Record("", 256, "bcn").substr(6, 7));
}

TEST_F(RecordManagerTest, SeeksFindTheRightRecordOrSayWhy) {
    InsertSample();
    const struct {
        int16_t operation;
        const char* key;
        int16_t status;
        const char* code;
    } cases[] = {
        {OpGetEqual, "C3", StatusOk, "C3"},          {OpGetEqual, "C0", StatusKeyNotFound, ""},
        {OpGetGreater, "C3", StatusOk, "C4"},        {OpGetGreater, "C5", StatusEndOfFile, ""},
        {OpGetGreaterOrEqual, "C3", StatusOk, "C3"}, {OpGetGreaterOrEqual, "C35", StatusOk, "C4"},
        {OpGetLess, "C3", StatusOk, "C2"},           {OpGetLess, "C1", StatusEndOfFile, ""},
        {OpGetLessOrEqual, "C3", StatusOk, "C3"},    {OpGetLessOrEqual, "C9", StatusOk, "C5"},
    };
    for (const auto& c : cases) {
        const int16_t status =
            file.Read(c.operation, 0, (std::string(c.key) + "      ").substr(0, 6));
        EXPECT_EQ(status, c.status) << c.operation << " " << c.key;
        if (status == StatusOk) {
            EXPECT_EQ(file.record.substr(0, 2), c.code) << c.operation << " " << c.key;
        }
    }
    // After a seek, next goes on along the key.
    ASSERT_EQ(file.Read(OpGetGreaterOrEqual, 0, "C3    "), StatusOk);
    ASSERT_EQ(file.Read(OpGetNext), StatusOk);
    EXPECT_EQ(file.record.substr(0, 2), "C4");
}

TEST_F(RecordManagerTest, WritesKeepKeysUniqueAndPositionsStable) {
    InsertSample();
    EXPECT_EQ(file.Insert(Record("C3", 9, "xxx")), StatusDuplicateKey);
    ASSERT_EQ(file.Read(OpGetEqual, 0, "C2    "), StatusOk);
    const uint32_t position = file.Position();
    EXPECT_NE(position, 0u);
    EXPECT_EQ(file.Call(OpUpdate, Record("C1", 1, "zzz")), StatusDuplicateKey);
    // Renamed to C9 it moves to the end of key 0, at the same position.
    ASSERT_EQ(file.Call(OpUpdate, Record("C9", 1, "zzz", "new")), StatusOk);
    EXPECT_EQ(file.Position(), position);
    EXPECT_EQ(file.Read(OpGetNext), StatusEndOfFile);
    std::string direct(64, ' ');
    std::memcpy(direct.data(), &position, 4);
    EXPECT_EQ(file.Call(OpGetDirect, direct, "", 0), StatusOk);
    EXPECT_EQ(file.record.substr(0, 2), "C9");
    EXPECT_EQ(file.record.substr(13, 3), "new");
    // A buffer too short for the record still gets what fits.
    std::string shortBuffer(8, ' ');
    std::memcpy(shortBuffer.data(), &position, 4);
    int32_t length = 8;
    char key[256] = {};
    EXPECT_EQ(RecordManagerCall(OpGetDirect, file.block, shortBuffer.data(), length, key, 0, 0),
              StatusDataBufferShort);
    EXPECT_EQ(length, 8);
    EXPECT_EQ(shortBuffer.substr(0, 2), "C9");
    // Delete: next and previous go on from where the record stood; no position.
    ASSERT_EQ(file.Read(OpGetEqual, 0, "C3    "), StatusOk);
    const uint32_t deleted = file.Position();
    ASSERT_EQ(file.Call(OpDelete, ""), StatusOk);
    EXPECT_EQ(file.Read(OpGetPosition), StatusInvalidPositioning);
    EXPECT_EQ(file.Read(OpGetNext), StatusOk);
    EXPECT_EQ(file.record.substr(0, 2), "C4");
    std::memcpy(direct.data(), &deleted, 4);
    EXPECT_EQ(file.Call(OpGetDirect, direct, "", 0), StatusNoRecordAtPosition);
    // A new record never takes a deleted record's position.
    ASSERT_EQ(file.Insert(Record("C3", 2, "new")), StatusOk);
    EXPECT_GT(file.Position(), deleted);
}

TEST_F(RecordManagerTest, TransactionsCommitOrLeaveNothing) {
    ASSERT_EQ(file.Read(OpBeginTransaction), StatusOk);
    EXPECT_EQ(file.Read(OpBeginTransaction), StatusTransaction);
    ASSERT_EQ(file.Insert(Record("T1", 1, "aaa")), StatusOk);
    EXPECT_EQ(file.Codes(0).size(), 1u);
    ASSERT_EQ(file.Read(OpAbortTransaction), StatusOk);
    EXPECT_TRUE(file.Codes(0).empty());
    ASSERT_EQ(file.Read(OpBeginTransaction), StatusOk);
    ASSERT_EQ(file.Insert(Record("T2", 1, "aaa")), StatusOk);
    ASSERT_EQ(file.Read(OpEndTransaction), StatusOk);
    DataFile other;
    ASSERT_EQ(other.Open(path), StatusOk);
    EXPECT_EQ(other.Codes(0), (std::vector<std::string>{"T2    "}));
}

// Reading ahead must never hide what another opener wrote in between.
TEST_F(RecordManagerTest, ReadingAheadSeesOtherWriters) {
    for (int i = 0; i < 40; i += 2)
        ASSERT_EQ(file.Insert(Record("R" + std::to_string(10 + i), 1, "aaa")), StatusOk);
    DataFile writer;
    ASSERT_EQ(writer.Open(path), StatusOk);
    ASSERT_EQ(file.Read(OpGetFirst), StatusOk);
    ASSERT_EQ(file.Read(OpGetNext), StatusOk);  // reads ahead
    EXPECT_EQ(file.record.substr(0, 3), "R12");
    ASSERT_EQ(writer.Insert(Record("R13", 1, "aaa")), StatusOk);
    ASSERT_EQ(file.Read(OpGetNext), StatusOk);
    EXPECT_EQ(file.record.substr(0, 3), "R13");
    ASSERT_EQ(writer.Read(OpGetEqual, 0, "R14   "), StatusOk);
    ASSERT_EQ(writer.Call(OpUpdate, Record("R14", 1, "aaa", "chg")), StatusOk);
    ASSERT_EQ(file.Read(OpGetNext), StatusOk);
    EXPECT_EQ(file.record.substr(13, 3), "chg");
    ASSERT_EQ(writer.Read(OpGetEqual, 0, "R16   "), StatusOk);
    ASSERT_EQ(writer.Call(OpDelete, ""), StatusOk);
    ASSERT_EQ(file.Read(OpGetNext), StatusOk);
    EXPECT_EQ(file.record.substr(0, 3), "R18");
    ASSERT_EQ(file.Read(OpGetPrevious), StatusOk);
    EXPECT_EQ(file.record.substr(0, 3), "R14");
}

// ---- Between processes --------------------------------------------------------------

// A child process that opens the file and does what the parent writes into its pipe,
// one letter a time, answering each with its status.
class Child {
  public:
    // parentBlock: a block of the parent's, which the child must not be able to use.
    explicit Child(const std::string& path, const uint8_t* parentBlock = nullptr) {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) abort();
        pid_ = fork();
        if (pid_ == 0) {
            close(toChild[1]);
            close(fromChild[0]);
            Serve(path, parentBlock, toChild[0], fromChild[1]);
            _exit(0);
        }
        close(toChild[0]);
        close(fromChild[1]);
        to_ = toChild[1];
        from_ = fromChild[0];
    }
    ~Child() {
        close(to_);
        close(from_);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // L lock C1, U unlock, N locking read of C2, X close, W update C1, I insert forever,
    // P read through the parent's block.
    int16_t Ask(char command) {
        if (write(to_, &command, 1) != 1) return -1;
        int16_t status = -1;
        return read(from_, &status, sizeof status) == sizeof status ? status : -1;
    }
    void Kill() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    static void Serve(const std::string& path, const uint8_t* parentBlock, int in, int out) {
        DataFile file;
        int16_t status = file.Open(path);
        char command;
        while (read(in, &command, 1) == 1) {
            switch (command) {
                case 'L':
                    status = file.Read(OpGetEqual + RecordLockBias, 0, "C1    ");
                    break;
                case 'U':
                    status = file.Read(OpUnlock);
                    break;
                case 'N':
                    status = file.Read(OpGetEqual + RecordLockBias, 0, "C2    ");
                    break;
                case 'X':
                    status = file.Read(OpClose);
                    break;
                case 'W':
                    status = file.Read(OpGetEqual, 0, "C1    ");
                    if (status == StatusOk)
                        status = file.Call(OpUpdate, Record("C1", 255, "Bcn", "kid"));
                    break;
                case 'P': {
                    DataFile parent;
                    if (parentBlock != nullptr) std::memcpy(parent.block, parentBlock, 128);
                    status = parent.Read(OpGetFirst);
                    break;
                }
                case 'I':
                    status = 0;
                    if (write(out, &status, sizeof status) != sizeof status) _exit(1);
                    for (uint32_t i = 0;; ++i)
                        file.Insert(Record("K" + std::to_string(i), i, "kid"));
            }
            if (write(out, &status, sizeof status) != sizeof status) _exit(1);
        }
    }
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1;
};

TEST_F(RecordManagerTest, RecordLocksAreSeenByOtherProcesses) {
    InsertSample();
    Child child(path, file.block);
    EXPECT_EQ(child.Ask('P'), StatusFileNotOpen);
    ASSERT_EQ(child.Ask('L'), StatusOk);
    EXPECT_EQ(file.Read(OpGetEqual + RecordLockBias, 0, "C1    "), StatusRecordBusy);
    EXPECT_EQ(file.Read(OpGetEqual, 0, "C1    "), StatusOk);  // reading without a lock is free
    EXPECT_EQ(file.Call(OpUpdate, Record("C1", 255, "Bcn", "par")), StatusRecordBusy);
    EXPECT_EQ(file.Call(OpDelete, ""), StatusRecordBusy);
    // Released by the holder's next locking read, even one that finds its record busy...
    ASSERT_EQ(child.Ask('N'), StatusOk);
    EXPECT_EQ(file.Read(OpGetEqual + RecordLockBias, 0, "C1    "), StatusOk);
    EXPECT_EQ(child.Ask('W'), StatusRecordBusy);
    EXPECT_EQ(file.Read(OpGetEqual + RecordLockBias, 0, "C2    "), StatusRecordBusy);
    EXPECT_EQ(child.Ask('W'), StatusOk);
    // ...by unlock...
    ASSERT_EQ(file.Read(OpGetEqual + RecordLockBias, 0, "C1    "), StatusOk);
    EXPECT_EQ(child.Ask('L'), StatusRecordBusy);
    ASSERT_EQ(file.Read(OpUnlock), StatusOk);
    EXPECT_EQ(child.Ask('L'), StatusOk);
    // ...and by close.
    EXPECT_EQ(file.Read(OpGetEqual + RecordLockBias, 0, "C1    "), StatusRecordBusy);
    ASSERT_EQ(child.Ask('X'), StatusOk);
    ASSERT_EQ(file.Read(OpGetEqual + RecordLockBias, 0, "C1    "), StatusOk);
    EXPECT_EQ(file.record.substr(13, 3), "kid");  // the child's update is seen
}

TEST_F(RecordManagerTest, AKilledProcessLeavesNoLockBehind) {
    InsertSample();
    Child child(path);
    ASSERT_EQ(child.Ask('L'), StatusOk);
    EXPECT_EQ(file.Read(OpGetEqual + RecordLockBias, 0, "C1    "), StatusRecordBusy);
    child.Kill();
    EXPECT_EQ(file.Read(OpGetEqual + RecordLockBias, 0, "C1    "), StatusOk);
}

TEST_F(RecordManagerTest, AWriterKilledMidwayLeavesWholeRecords) {
    ASSERT_EQ(file.Read(OpClose), StatusOk);
    {
        Child child(path);
        ASSERT_EQ(child.Ask('I'), StatusOk);
        usleep(150 * 1000);
        child.Kill();
    }
    DataFile after;
    ASSERT_EQ(after.Open(path), StatusOk);
    size_t count = 0;
    for (int16_t status = after.Read(OpGetFirst, 1); status == StatusOk;
         status = after.Read(OpGetNext)) {
        uint32_t number;
        std::memcpy(&number, after.record.data() + 6, 4);
        ASSERT_EQ(after.record, Record("K" + std::to_string(number), number, "kid"));
        ++count;
    }
    EXPECT_GT(count, 0u);
    EXPECT_EQ(after.Codes(0).size(), count);
    EXPECT_EQ(after.Insert(Record("Z", 1, "end")), StatusOk);
}

TEST_F(RecordManagerTest, SeamPutsAnotherManagerInPlace) {
    SetRecordManagerEntry(
        [](int16_t operation, uint8_t*, void*, int32_t&, void*, int16_t, int16_t) -> int16_t {
            return static_cast<int16_t>(1000 + operation);
        });
    uint8_t block[128] = {};
    int32_t length = 0;
    EXPECT_EQ(CallRecordManager(OpGetFirst, block, nullptr, length, nullptr, 0, 0),
              1000 + OpGetFirst);
    SetRecordManagerEntry(nullptr);
    EXPECT_EQ(CallRecordManager(OpGetFirst, block, nullptr, length, nullptr, 0, 0),
              StatusFileNotOpen);
}

}  // namespace
}  // namespace korvidan
