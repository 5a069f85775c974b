// Tests of date texts: the four styles, the user's order and separator, and the language tables.
#include "datetime/date_format.h"

#include <gtest/gtest.h>

#include "config/run_context.h"
#include "datetime/calendar.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::ScopedEnv;
using test::ScratchDir;
using test::WriteFileBytes;

class DateFormatTest : public ::testing::Test {
  protected:
    void SetUp() override { UseSettings(""); }
    void TearDown() override {
        ResetDateSettings();
        ResetRunContext();
    }
    // An installation whose Zirp.ini holds the given [Usuari] lines; nothing is cached yet.
    void UseSettings(const std::string& usuariLines) {
        WriteFileBytes(dir / "Zirp.ini", "[Usuari]\r\n" + usuariLines);
        env.Set("QORROOT", dir.path());
        ResetDateSettings();
        ResetRunContext();
    }
    ScratchDir dir;
    ScopedEnv env;
};

const std::string March15 = PackDate(2024, 3, 15);
const std::string April5 = PackDate(2024, 4, 5);

TEST_F(DateFormatTest, WorkedTableWithDefaultSettings) {
    const struct {
        int16_t style;
        const char* fields;
        const char* language;
        const char* march15;
        const char* april5;
    } rows[] = {
        {-1, "dma", "CAT", "2024-03-15", "2024-04-05"},
        {-1, "", "SPA", "2024-03-15", "2024-04-05"},
        {0, "dma", "CAT", "15/3/2024 ", "5/4/2024  "},
        {0, "dma", "OCI", "15/3/2024 ", "5/4/2024  "},
        {1, "dma", "CAT", "15/mar/2024", "5/abr/2024 "},
        {2, "dma", "CAT", "15 de mar\x87 del 2024", "5 d'abril del 2024"},  // març
        {2, "dma", "SPA", "15 de marzo de 2024", "5 de abril de 2024"},
        {2, "dma", "GLG", "15 de mar\x87o do 2024", "5 de abril do 2024"},    // março
        {2, "dma", "OCI", "15 de mar\x87 deth 2024", "5 d'abriu deth 2024"},  // març
        {2, "m", "CAT", "mar\x87", "abril"},
        {2, "ma", "CAT", "mar\x87 del 2024", "abril del 2024"},
        {2, "DMA", "", "15 de mar\x87 del 2024",
         "5 d'abril del 2024"},  // an empty code takes the default
        {2, "dma", "spa", "15 de mar\x87 del 2024", "5 d'abril del 2024"},  // codes are not folded
        {9, "dma", "SPA", "15 de marzo de 2024", "5 de abril de 2024"},
    };
    for (const auto& row : rows) {
        RunContext.language = row.language;
        EXPECT_EQ(FormatDate(March15, row.style, row.fields), row.march15)
            << row.style << row.fields << row.language;
        EXPECT_EQ(FormatDate(April5, row.style, row.fields), row.april5)
            << row.style << row.fields << row.language;
    }
}

TEST_F(DateFormatTest, MonthNamesAndAbbreviationsOfEveryLanguage) {
    const struct {
        const char* language;
        int32_t month;
        const char* longName;
        const char* abbreviation;
    } rows[] = {
        {"SPA", 9, "septiembre", "sep"}, {"SPA", 1, "enero", "ene"},
        {"GLG", 2, "fevereiro", "fev"},  {"OCI", 1, "g\x8Ar", "g\x8Ar"},  // gèr
        {"OCI", 2, "hereu\x8Ar", "her"},                                  // hereuèr
        {"OCI", 7, "junhsega", "jun"},   {"CAT", 12, "desembre", "des"},
        {"CAT", 8, "agost", "ago"},      {"CAT", 13, "", "   "},  // no such month: no name
    };
    for (const auto& row : rows) {
        RunContext.language = row.language;
        const std::string date = PackDate(2024, row.month, 1);
        EXPECT_EQ(FormatDate(date, 2, "m"), row.longName) << row.language << row.month;
        EXPECT_EQ(FormatDate(date, 1, "m"), row.abbreviation) << row.language << row.month;
    }
    // A month that starts with a vowel takes the vowel connector; "octubre" and "agost" by
    // language.
    RunContext.language = "CAT";
    EXPECT_EQ(FormatDate(PackDate(2024, 10, 1), 2, "dm"), "1 d'octubre");
    EXPECT_EQ(FormatDate(PackDate(2024, 13, 1), 2, "dm"), "1 de ");
    RunContext.language = "GLG";
    EXPECT_EQ(FormatDate(PackDate(2024, 8, 1), 2, "dm"), "1 de agosto");
}

TEST_F(DateFormatTest, OrderAndSeparatorComeFromTheSettings) {
    const struct {
        const char* settings;
        int16_t style;
        const char* expected;
    } rows[] = {
        {"DatOrdre=AMD\r\n", 2, "2024 de mar\x87 del 15"},  // març
        {"DatOrdre=MDA\r\n", 2, "mar\x87 del 15 del 2024"},
        {"DatOrdre=AMD\r\nDatCaracter=-\r\n", 0, "2024-3-15 "},
        {"DatOrdre=MDAX\r\nDatCaracter=.x\r\n", 1, "mar.15.2024"},  // cut to three, first character
        {"DatOrdre=dma\r\n", 0, "          "},                      // small letters name no part
        {"DatOrdre=dma\r\n", 2, ""},
        {"DatOrdre=D\r\n", 0, "15        "},  // filled with blanks: only the day
        {"DatOrdre=   \r\nDatCaracter= \r\n", 0, "15/3/2024 "},
    };
    for (const auto& row : rows) {
        UseSettings(row.settings);
        RunContext.language = "CAT";
        EXPECT_EQ(FormatDate(March15, row.style, "dma"), row.expected) << row.settings;
    }
}

TEST_F(DateFormatTest, SettingsAreReadOnceForTheProcess) {
    UseSettings("DatOrdre=AMD\r\nDatCaracter=.\r\n");
    EXPECT_EQ(FormatDate(March15, 0, "dma"), "2024.3.15 ");
    WriteFileBytes(dir / "Zirp.ini", "[Usuari]\r\nDatOrdre=DMA\r\nDatCaracter=-\r\n");
    EXPECT_EQ(FormatDate(March15, 0, "dma"), "2024.3.15 ");
}

TEST_F(DateFormatTest, EmptyDatesAndFixedWidths) {
    const std::string emptyDate(4, '\x80');
    for (const std::string& date : {emptyDate, std::string()}) {
        EXPECT_EQ(FormatDate(date, -1, "dma"), "0000-00-00");
        EXPECT_EQ(FormatDate(date, 0, "dma"), std::string(10, ' '));
        EXPECT_EQ(FormatDate(date, 1, "dma"), std::string(11, ' '));
        EXPECT_EQ(FormatDate(date, 2, "dma"), "");
    }
    // Widths of the short styles by the fields asked for.
    EXPECT_EQ(FormatDate(March15, 0, "ma"), "3/2024 ");
    EXPECT_EQ(FormatDate(March15, 1, "a"), "2024");
    EXPECT_EQ(FormatDate(March15, 1, "d"), "15");
    EXPECT_EQ(FormatDate(March15, 0, ""), "");
    EXPECT_EQ(FormatDate(March15, 0, "dmaxyz"), "15/3/2024    ");
    // No part is checked: out-of-range numbers are shown as they are.
    EXPECT_EQ(FormatDate(PackDate(2024, 13, 45), 0, "dma"), "45/13/2024");
    EXPECT_EQ(FormatDate("\x94", -1, "dma"), "0020-00-00");
}

TEST_F(DateFormatTest, WeekdayHeaderByLanguage) {
    const struct {
        const char* language;
        const char* header;
    } rows[] = {{"SPA", " L  M  X  J  V  S  D"},
                {"GLG", " L  M  X  J  V  S  D"},
                {"OCI", "DL DT DC DJ DD DS DG"},
                {"CAT", "DL DT DC DJ DV DS DG"},
                {"", "DL DT DC DJ DV DS DG"}};
    for (const auto& row : rows) {
        RunContext.language = row.language;
        EXPECT_EQ(WeekdayHeader(), row.header) << row.language;
    }
}

}  // namespace
}  // namespace korvidan
