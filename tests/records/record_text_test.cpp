// Tests of records as text: key and field descriptions, cells, CSV rows, and the
// qordata tool built on them driven from its command line.
#include "records/record_text.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace korvidan {
namespace {

using Cells = std::vector<std::string>;

TEST(RecordText, KeyDescriptions) {
    KeyDefinition key;
    std::string error;
    ASSERT_TRUE(ParseKeyDescription("7:4bD+11:3a", key, error));
    ASSERT_EQ(key.segments.size(), 2u);
    EXPECT_EQ(key.segments[0].position, 7);
    EXPECT_EQ(key.segments[0].flags, SegmentBinary | SegmentDuplicates | SegmentContinues);
    EXPECT_EQ(key.segments[1].flags, SegmentAlternate | SegmentDuplicates);
    EXPECT_TRUE(key.duplicates);
    EXPECT_EQ(key.length, 7);
    EXPECT_EQ(DescribeKey(key), "7:4bd+11:3ad");
    for (const char* bad : {"", "0:1", "1:", "1:0", "1:2x", "1:2+", "a:2", "1:70000", "1;2"}) {
        EXPECT_FALSE(ParseKeyDescription(bad, key, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(RecordText, FieldsCoverTheRecord) {
    RecordLayout layout;
    layout.recordLength = 20;
    KeyDefinition first, second;
    std::string error;
    ASSERT_TRUE(ParseKeyDescription("3:4", first, error));
    ASSERT_TRUE(ParseKeyDescription("9:2b+4:2", second, error));  // 4:2 overlaps 3:4
    layout.keys = {first, second};
    const std::vector<RecordField> fields = DefaultFields(layout);
    ASSERT_EQ(fields.size(), 5u);
    const uint16_t expected[][3] = {{1, 2, 0}, {3, 4, 0}, {7, 2, 0}, {9, 2, 1}, {11, 10, 0}};
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i].position, expected[i][0]) << i;
        EXPECT_EQ(fields[i].length, expected[i][1]) << i;
        EXPECT_EQ(fields[i].binary, expected[i][2] == 1) << i;
    }
    std::vector<RecordField> listed;
    EXPECT_TRUE(ParseFieldList("1:6,7:4b", 20, listed, error));
    EXPECT_FALSE(ParseFieldList("15:7", 20, listed, error));
    EXPECT_FALSE(ParseFieldList("1:6;7:4", 20, listed, error));
}

TEST(RecordText, CellsAndRecords) {
    std::vector<RecordField> fields;
    std::string error;
    ASSERT_TRUE(ParseFieldList("1:4,5:2b,7:10b,17:4b", 20, fields, error));
    std::string record;
    ASSERT_TRUE(CellsToRecord({"ab", "513", "00FF00FF00FF00FF00FF", "4294967295"}, fields, 20,
                              record, error));
    EXPECT_EQ(
        record,
        std::string("ab  \x01\x02\x00\xFF\x00\xFF\x00\xFF\x00\xFF\x00\xFF\xFF\xFF\xFF\xFF", 20));
    EXPECT_EQ(RecordToCells(record, fields),
              (Cells{"ab", "513", "00FF00FF00FF00FF00FF", "4294967295"}));
    const struct {
        Cells cells;
        const char* why;
    } bad[] = {
        {{"abcde", "1", "00000000000000000000", "1"}, "text longer than its field"},
        {{"a", "65536", "00000000000000000000", "1"}, "number above two bytes"},
        {{"a", "-1", "00000000000000000000", "1"}, "negative number"},
        {{"a", "", "00000000000000000000", "1"}, "empty number"},
        {{"a", "1", "0000", "1"}, "hex too short"},
        {{"a", "1", "0000000000000000000G", "1"}, "not hex"},
        {{"a", "1", "00000000000000000000", "99999999999999999999999"}, "huge number"},
        {{"a", "1"}, "too few cells"},
    };
    for (const auto& c : bad) {
        error.clear();
        EXPECT_FALSE(CellsToRecord(c.cells, fields, 20, record, error)) << c.why;
        EXPECT_FALSE(error.empty()) << c.why;
    }
}

TEST(RecordText, CsvRows) {
    const Cells cells = {"plain", "with, comma", "say \"hi\"", "two\r\nlines", ""};
    const std::string row = WriteCsvRow(cells);
    EXPECT_EQ(row, "plain,\"with, comma\",\"say \"\"hi\"\"\",\"two\r\nlines\",");
    const std::string text = row + "\r\nx,y\nlast";
    size_t at = 0;
    Cells read;
    std::string error;
    ASSERT_TRUE(ReadCsvRow(text, at, read, error));
    EXPECT_EQ(read, cells);
    ASSERT_TRUE(ReadCsvRow(text, at, read, error));
    EXPECT_EQ(read, (Cells{"x", "y"}));
    ASSERT_TRUE(ReadCsvRow(text, at, read, error));
    EXPECT_EQ(read, (Cells{"last"}));
    EXPECT_FALSE(ReadCsvRow(text, at, read, error));
    EXPECT_TRUE(error.empty());
    at = 0;
    EXPECT_FALSE(ReadCsvRow("a,\"open", at, read, error));
    EXPECT_FALSE(error.empty());
}

// qordata from its command line, when it has been built.
class Qordata : public ::testing::Test {
  protected:
    void SetUp() override {
        program = std::string(KORVIDAN_BINARY_DIR) + "/bin/qordata";
        if (!test::FileExists(program)) GTEST_SKIP() << "qordata is not built";
    }
    int Run(const std::string& arguments) {
        const int status = std::system(
            ("cd '" + dir.path() + "' && '" + program + "' " + arguments + " >out.txt 2>err.txt")
                .c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string program;
    test::ScratchDir dir;
};

TEST_F(Qordata, MakesImportsAndExportsDataFiles) {
    EXPECT_EQ(Run(""), 2);
    EXPECT_NE(test::ReadFileBytes(dir / "err.txt").find("usage: qordata"), std::string::npos);
    EXPECT_EQ(Run("create A.DAT 0 1:6"), 2);
    ASSERT_EQ(Run("create A.DAT 30 1:6 7:2bd+9:10ad"), 0);
    EXPECT_EQ(Run("create A.DAT 30 1:6"), 1);  // never replaced
    const std::string csv =
        "C1,2,Girona,\r\nC2,1,\"Vic, \x82s\",x\r\nC3,2,girona,\r\n";  // é in code page 850
    test::WriteFileBytes(dir / "in.csv", csv);
    // A bad row stops the import with nothing imported.
    test::WriteFileBytes(dir / "bad.csv", csv + "C4,99999,Olot,\r\n");
    EXPECT_EQ(Run("import A.DAT bad.csv"), 1);
    EXPECT_NE(test::ReadFileBytes(dir / "err.txt").find("row 4"), std::string::npos);
    ASSERT_EQ(Run("import A.DAT in.csv"), 0);
    ASSERT_EQ(Run("export A.DAT out.csv"), 0);
    EXPECT_EQ(test::ReadFileBytes(dir / "out.csv"), csv);
    ASSERT_EQ(Run("export A.DAT - --key 1"), 0);
    EXPECT_EQ(test::ReadFileBytes(dir / "out.txt"),
              "C2,1,\"Vic, \x82s\",x\r\nC1,2,Girona,\r\nC3,2,girona,\r\n");
    ASSERT_EQ(Run("stats A.DAT"), 0);
    EXPECT_NE(test::ReadFileBytes(dir / "out.txt").find("records        3"), std::string::npos);
    EXPECT_EQ(Run("list in.csv"), 1);
    EXPECT_EQ(Run("list A.DAT --key 5"), 1);
}

}  // namespace
}  // namespace korvidan
