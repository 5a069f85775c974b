// Tests of numeric pictures: the worked table in both settings, rounding, overflow, odd input.
#include "datetime/picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/test_support.h"

namespace korvidan {
namespace {

using test::ScopedEnv;
using test::ScratchDir;
using test::WriteFileBytes;

// An installation whose Zirp.ini holds the given [Usuari] lines; the cache starts unset.
class PictureTest : public ::testing::Test {
  protected:
    void UseSettings(const std::string& usuariLines) {
        WriteFileBytes(dir / "Zirp.ini", "[Usuari]\r\n" + usuariLines);
        env.Set("QORROOT", dir.path());
        ResetPictureCharacters();
    }
    void TearDown() override { ResetPictureCharacters(); }
    ScratchDir dir;
    ScopedEnv env;
};

struct Row {
    const char* picture;
    double value;
    const char* withDefaults;  // decimal "'", thousands "."
    const char* withComma;     // decimal ",", thousands "."
};

const Row WorkedRows[] = {
    {"Z9.99 %", 21, "21'00 %", "21,00 %"},
    {"Z9.99 %", 7, " 7'00 %", " 7,00 %"},
    {"Z9.99 %", 0, " 0'00 %", " 0,00 %"},
    {"Z9.99 %", 4.125, " 4'12 %", " 4,12 %"},
    {"Z9.99 %", 123.4, " 123'40", " 123,40"},
    {"Z9.99 %", 12345, "12345'0", "12345,0"},
    {"Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9", 1234567, "            1.234.567", "            1.234.567"},
    {"Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9", -1234567, "           -1.234.567", "           -1.234.567"},
    {"Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9", 0, "                    0", "                    0"},
    {"ZZZ9", -12, " -12", " -12"},
    {"9999", -12, "0-12", "0-12"},
    {"ZZZ", 0, "   ", "   "},
    {"ZZZ", 0.3, "  0", "  0"},
    {"Z,ZZ9", 123, "  123", "  123"},
    {"Z,ZZ9", 1234, "1.234", "1.234"},
    {"Z,ZZ9", -1234, "-1234", "-1234"},
    {"Z,ZZ9", 12345, "12345", "12345"},
    {"Z,ZZ9", -12345, "!!!!!", "!!!!!"},
    {"*,**9", 12, "***12", "***12"},
    {"9,999", 12, "0.012", "0.012"},
    {"ZZ.ZZ", 0, "     ", "     "},
    {"ZZ.ZZ", 0.001, "  '00", "  ,00"},
    {"ZZ.ZZ", 1.5, " 1'5 ", " 1,5 "},
    {"ZZ.ZZ", 5, " 5   ", " 5   "},
    {"Z9.99-", -3.2, " 3'20-", " 3,20-"},
    {"Z9.99-", 3.2, " 3'20 ", " 3,20 "},
    {"Z9.99-", -0.001, " 0'00-", " 0,00-"},
    {"-ZZ9", -12, "- 12", "- 12"},
    {"+ZZ9", 12, "+ 12", "+ 12"},
    {"9.99", 12.5, "12'5", "12,5"},
    {"ZZ9", 2.5, "  2", "  2"},
    {"ZZ9", 3.5, "  4", "  4"},
    {"**.**", 3.5, "*3'50", "*3,50"},
};

TEST_F(PictureTest, WorkedTableWithDefaultCharacters) {
    UseSettings("");
    for (const Row& row : WorkedRows)
        EXPECT_EQ(FormatPicture(row.picture, row.value), row.withDefaults)
            << row.picture << " " << row.value;
}

TEST_F(PictureTest, WorkedTableWithCommaAsDecimalCharacter) {
    UseSettings("DecCaracter=,\r\nMilCaracter=.\r\n");
    for (const Row& row : WorkedRows)
        EXPECT_EQ(FormatPicture(row.picture, row.value), row.withComma)
            << row.picture << " " << row.value;
}

TEST_F(PictureTest, FurtherCases) {
    UseSettings("");
    const Row rows[] = {
        {"", 5, "", ""},
        {"abc", 5, "  5", ""},  // no digit place: shown freely
        {"abc", 0, "abc", ""},  // zero keeps the literals
        {"Z9.99 %", -0.5, " -'50 %", ""},
        {"ZZ9", 1e300, "!!!", ""},                                       // far too wide
        {"-ZZ,ZZZ,ZZZ,ZZZ,ZZ9.99", 12.5, "                 12'50", ""},  // the calculator's display
        {"-ZZ,ZZZ,ZZZ,ZZZ,ZZ9.99", -12.5, "-                12'50", ""},
        {"ZZ9", -0.0, "  0", ""},  // negative zero is not below zero
        // A minus with no place left of the number is not dropped: the number is shown freely.
        {".99", -0.5, "-'5", ""},
        {"%99", -12, "-12", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FormatPicture(row.picture, row.value), row.withDefaults)
            << row.picture << " " << row.value;
}

TEST_F(PictureTest, BlankOrMissingSettingsGiveTheDefaults) {
    UseSettings("DecCaracter= ,\r\nMilCaracter=\r\n");
    EXPECT_EQ(FormatPicture("9,999.99", 1234.5), "1.234'50");
    env.Set("QORROOT", dir.path() + "missing/");
    ResetPictureCharacters();
    EXPECT_EQ(FormatPicture("9,999.99", 1234.5), "1.234'50");
}

TEST_F(PictureTest, CharactersAreReadOnceAndKeptForTheProcess) {
    UseSettings("DecCaracter=,\r\nMilCaracter=_\r\n");
    EXPECT_EQ(FormatPicture("9,999.99", 1234.5), "1_234,50");
    WriteFileBytes(dir / "Zirp.ini", "[Usuari]\r\nDecCaracter=:\r\nMilCaracter=;\r\n");
    EXPECT_EQ(FormatPicture("9,999.99", 1234.5), "1_234,50");
}

TEST_F(PictureTest, ValuesThatAreNotFiniteAndHostilePicturesStillGiveTheirLength) {
    UseSettings("");
    const double odd[] = {std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::max(),
                          -std::numeric_limits<double>::denorm_min(),
                          0,
                          1,
                          -1};
    const std::string pictures[] = {"Z9.99 %",
                                    "9.9.9.9",
                                    "-+-+",
                                    "..,,",
                                    ".----",
                                    std::string(5000, '9') + "." + std::string(5000, 'Z'),
                                    std::string(400, '.') + std::string(400, '*'),
                                    std::string("\0\xff\x80Z9", 5)};
    for (const std::string& picture : pictures)
        for (double value : odd)
            EXPECT_EQ(FormatPicture(picture, value).size(), picture.size()) << picture.size();
    EXPECT_EQ(FormatPicture("ZZ9", std::numeric_limits<double>::quiet_NaN()), "!!!");
}

}  // namespace
}  // namespace korvidan
