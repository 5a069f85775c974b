// Tests of the print-file writer: record layout, page breaks, justification codes, locking.
#include "print/print_file.h"

#include <gtest/gtest.h>

#include "config/run_context.h"
#include "platform/files.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

class PrintFileTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetRunContext();
        ResetPrintFile();
        RunContext.tempDir = dir.path();
    }
    void TearDown() override {
        ResetPrintFile();
        ResetRunContext();
    }
    std::string Written() const { return ReadFileBytes(dir / "qorprint.tmp"); }

    ScratchDir dir;
};

TEST_F(PrintFileTest, WritesEveryKindOfRecord) {
    OpenPrintFile("PANTALLA");
    PrintNewPage(66);
    PrintControl("@e");
    std::string code = " r";
    PrintJustify(code);
    PrintText(1, "IMPOST ............: ", 0);
    PrintText(-5, "a,b", 2);
    ClosePrintFile();
    EXPECT_EQ(code, "D");
    EXPECT_EQ(Written(),
              "DEVICEPANTALLA\r\n"
              "PAGE 66 \r\n"
              "*@e\r\n"
              "JUSD\r\n"
              " 1 ,IMPOST ............: , 0 \r\n"
              "-5 ,a,b, 2 \r\n");
}

TEST_F(PrintFileTest, ControlCharactersBecomeBlanks) {
    const std::string text = std::string(
        "a\tb\nc\x7F"
        "d\xFF"
        "e\x01\xE0",
        11);
    OpenPrintFile("");
    PrintNewPage(10);
    PrintText(3, text, 1);
    ClosePrintFile();
    EXPECT_EQ(Written(), "DEVICE\r\nPAGE 10 \r\n 3 ,a b c d e \xE0, 1 \r\n");
    EXPECT_EQ(text.size(), 11u);
}

TEST_F(PrintFileTest, EveryRecordStaysOnOneLine) {
    OpenPrintFile("PR\nN");
    PrintControl("@\r\ne");
    std::string code = "N2\\Z\r\n9\\";
    PrintJustify(code);
    ClosePrintFile();
    EXPECT_EQ(Written(), "DEVICEPR N\r\n*@  e\r\nJUSN 2 \\Z  9\\\r\n");
}

TEST_F(PrintFileTest, PageBreaksWhenThePageIsFull) {
    OpenPrintFile("PRN");
    PrintNewPage(3);
    PrintText(1, "a", 2);
    PrintText(1, "b", 0);  // several texts on one line
    PrintText(1, "c", 1);  // fills the page exactly
    EXPECT_EQ(PrintLineCount(), 3);
    PrintText(1, "d", -1);  // a negative advance moves back
    EXPECT_EQ(PrintLineCount(), -1);
    ClosePrintFile();
    EXPECT_EQ(Written(),
              "DEVICEPRN\r\nPAGE 3 \r\n 1 ,a, 2 \r\n 1 ,b, 0 \r\n 1 ,c, 1 \r\n"
              "PAGE 3 \r\n 1 ,d,-1 \r\n");
}

TEST_F(PrintFileTest, WithoutAPageRecordEveryTextStartsAPage) {
    OpenPrintFile("PRN");
    PrintText(1, "a", 1);
    PrintText(1, "b", 0);
    ClosePrintFile();
    EXPECT_EQ(Written(), "DEVICEPRN\r\nPAGE 0 \r\n 1 ,a, 1 \r\nPAGE 0 \r\n 1 ,b, 0 \r\n");
}

TEST_F(PrintFileTest, ReopeningEmptiesTheFileButKeepsTheCounters) {
    WriteFileBytes(dir / "qorprint.tmp", std::string(1000, 'x'));
    OpenPrintFile("A");
    PrintNewPage(66);
    PrintText(1, "t", 5);
    ClosePrintFile();
    OpenPrintFile("B");
    PrintText(1, "u", 0);
    ClosePrintFile();
    EXPECT_EQ(Written(), "DEVICEB\r\n 1 ,u, 0 \r\n");
    EXPECT_EQ(PrintPageLength(), 66);
    EXPECT_EQ(PrintLineCount(), 5);
}

TEST_F(PrintFileTest, FileHeldByAnotherWriterIsLeftAlone) {
    WriteFileBytes(dir / "qorprint.tmp", "DEVICEOTHER\r\n");
    File other;
    ASSERT_TRUE(other.Open(dir / "qorprint.tmp", FileWrite | FileExclusive));
    OpenPrintFile("PRN");
    PrintNewPage(66);
    PrintText(1, "lost", 1);
    ClosePrintFile();
    other.Close();
    EXPECT_EQ(Written(), "DEVICEOTHER\r\n");
    EXPECT_EQ(PrintLineCount(), 1);  // the report still runs to its end
}

TEST_F(PrintFileTest, OpenFileIsNotSharedWithOtherWriters) {
    OpenPrintFile("PRN");
    File other;
    EXPECT_FALSE(other.Open(dir / "qorprint.tmp", FileWrite | FileExclusive));
    ClosePrintFile();
    EXPECT_TRUE(other.Open(dir / "qorprint.tmp", FileWrite | FileExclusive));
}

TEST_F(PrintFileTest, UnopenableFileMakesEveryStepDoNothing) {
    RunContext.tempDir = dir / "missing/";
    OpenPrintFile("PRN");
    PrintNewPage(66);
    PrintText(1, "x", 1);
    std::string code = "c";
    PrintJustify(code);
    PrintControl("@e");
    ClosePrintFile();
    EXPECT_EQ(code, "C");
    EXPECT_FALSE(test::FileExists(dir / "missing"));
}

TEST(PrintFileFormat, Numbers) {
    EXPECT_EQ(PrintNumber(0), " 0 ");
    EXPECT_EQ(PrintNumber(66), " 66 ");
    EXPECT_EQ(PrintNumber(-3), "-3 ");
    EXPECT_EQ(PrintNumber(-32768), "-32768 ");
}

TEST(PrintFileFormat, JustificationCodes) {
    const std::pair<std::string, std::string> cases[] = {
        {"C", "C"},
        {" c ", "C"},
        {"D", "D"},
        {"r", "D"},
        {"Right", "D"},
        {"a", "A"},
        {"B", "A"},
        {"", "E"},
        {"   ", "E"},
        {"x", "E"},
        {"\xE0", "E"},
        {"N2.7", "N 2 "},
        {"n-3", "N 3 "},
        {"N", "N 0 "},
        {"N2\\ZZ9\\", "N 2 \\ZZ9\\"},
        {"N2\\ZZ9", "N 2 \\ZZ9"},
        {"N 4 \\Z9.99\\ rest\\", "N 4 \\Z9.99\\"},
        {"  N12 x\\a\\  ", "N 12 \\a\\"},
    };
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(NormaliseJustifyCode(code), expected) << code;
    // A number beyond the range of a double is written with all the digits of the largest one.
    const std::string huge = NormaliseJustifyCode("N-1e400");
    EXPECT_EQ(huge.substr(0, 12), "N 1797693134");
    EXPECT_EQ(huge.size(), 2u + 309u + 1u);
}

TEST_F(PrintFileTest, PrintFilePathFollowsTempDir) {
    EXPECT_EQ(PrintFilePath(), dir / "qorprint.tmp");
}

}  // namespace
}  // namespace korvidan
