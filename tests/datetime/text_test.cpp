// Tests of the shared text, number and packed-digit helpers.
#include "datetime/text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace korvidan {
namespace {

TEST(TextToNumber, ReadsTheNumberAtTheStartOfATable) {
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"", 0},           {"abc", 0},          {",5", 0},          {"12,5", 12},
        {"1.5", 1.5},      {".5", 0.5},         {"-.5", -0.5},      {"5.", 5},
        {"+7", 7},         {"-", 0},            {".", 0},           {"-0", 0},
        {"1.5D2", 150},    {"1.5d-1", 0.15},    {"2E3", 2000},      {"2e+3", 2000},
        {"3E", 3},         {"3E+", 3},          {"3Ex", 3},         {"1 2", 1},
        {" -3.25E+1x", -32.5},                  {"\t\r\n 42", 42},  {"\x0B" "42", 0},
        {"&H1F", 31},      {"&h1f", 31},        {"&O17", 15},       {"&Q17", 15},
        {"&17", 15},       {"&B101", 5},        {"&B102", 2},       {"&H", 0},
        {"&", 0},          {"&8", 0},           {"&HFFFF", -1},     {"&H0FFFF", 65535},
        {"&H8500", -31488}, {"&H08500", 34048}, {"&HFFFFFFFF", -1}, {"&H0FFFFFFFF", 4294967295.0},
        {"&O177777", 65535}, {"&HG", 0},        {" &H10", 16},      {"-&H10", 0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(TextToNumber(c.text), c.expected) << '"' << c.text << '"';
}

TEST(TextToNumber, StaysFiniteAndNeverNegativeZero) {
    EXPECT_EQ(TextToNumber("1E999"), DBL_MAX);
    EXPECT_EQ(TextToNumber("-1D999"), -DBL_MAX);
    EXPECT_EQ(TextToNumber("1E-999"), 0);
    EXPECT_EQ(TextToNumber("&H" + std::string(300, 'F')), DBL_MAX);
    EXPECT_FALSE(std::signbit(TextToNumber("-0.0")));
    EXPECT_FALSE(std::signbit(TextToNumber("-1E-999")));
    EXPECT_EQ(TextToNumber(std::string(10000, '9') + "E-9990"), 1e10);
}

TEST(RoundToInt16, RoundsHalvesToEvenAndSaturates) {
    struct Case {
        double value;
        int16_t expected;
        bool fits;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {0.5, 0, true},          {1.5, 2, true},          {2.5, 2, true},       {-2.5, -2, true},
        {-0.5, 0, true},         {-1.5, -2, true},        {2.4999, 2, true},    {2.5001, 3, true},
        {32767.4, 32767, true},  {32767.5, 32767, false}, {-32768.5, -32768, true},
        {-32769, -32768, false}, {1e300, 32767, false},   {-inf, -32768, false}, {nan, 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RoundToInt16(c.value), c.expected) << c.value;
        EXPECT_EQ(FitsInt16(c.value), c.fits) << c.value;
    }
}

TEST(PackedDigits, PackUnpackAndPad) {
    EXPECT_EQ(PackDigits("0101"), "\x81\x81");
    EXPECT_EQ(PackDigits(" 5"), "\x85");
    EXPECT_EQ(PackDigits("123"), "\x8C\x9E");
    EXPECT_EQ(PackDigits("20240315"), std::string("\x94\x98\x83\x8F"));
    EXPECT_EQ(PackDigits("2 4x"), "\x94\xA8");  // inner blank and non-digit read as 0
    EXPECT_EQ(PackDigits(" 12 "), "\x80\x8C");       // trimmed, then zeros in front
    EXPECT_EQ(PackDigits(""), "");
    EXPECT_EQ(PackDigits("    "), "\x80\x80");

    EXPECT_EQ(UnpackDigits("\x94\x98\x83\x8F"), "20240315");
    EXPECT_EQ(UnpackDigits("\x80\x05\xE4"), "000500");  // 0xE4 & 127 = 100: last two digits
    EXPECT_EQ(UnpackDigits(PackDigits("19991231")), "19991231");

    EXPECT_EQ(ZeroPad(5, 2), "05");
    EXPECT_EQ(ZeroPad(123, 2), "23");
    EXPECT_EQ(ZeroPad(-7, 3), "007");
    EXPECT_EQ(ZeroPad(0, 1), "0");
    EXPECT_EQ(ZeroPad(20240315, 8), "20240315");
    EXPECT_EQ(ZeroPad(INT32_MIN, 11), "02147483648");
    EXPECT_EQ(ZeroPad(5, 0), "");
}

TEST(UpperCaseText, OnlyAsciiAndSevenAccentedLetters) {
    EXPECT_EQ(UpperCaseText("abz AZ 09[]{}"), "ABZ AZ 09[]{}");
    // ä ö ü é ñ å ç become capitals; à è í ó ú (0x85 0x8A 0xA1 0xA2 0xA3) stay.
    EXPECT_EQ(UpperCaseText("\x84\x94\x81\x82\xA4\x86\x87"), "\x8E\x99\x9A\x90\xA5\x8F\x80");
    EXPECT_EQ(UpperCaseText("\x85\x8A\xA1\xA2\xA3\t"), "\x85\x8A\xA1\xA2\xA3\t");
}

TEST(TextHelpers, TrimOnlyBlanksAndFixWidth) {
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimLeftBlanks("  a  "), "a  ");
    EXPECT_EQ(TrimRightBlanks("  a  "), "  a");
    EXPECT_EQ(TrimBlanks("\t a \t"), "\t a \t");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(FixedWidth("ca", 3), "ca ");
    EXPECT_EQ(FixedWidth("Catalan", 3), "Cat");
    EXPECT_EQ(FixedWidth("", 2), "  ");
    EXPECT_EQ(FixedWidth("x", 0), "");
}

}  // namespace
}  // namespace korvidan
