// Tests of the CP850 <-> UTF-8 conversions and the console glyphs.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace korvidan {
namespace {

TEST(Codepage, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
    const std::string utf8 = Cp850ToUtf8(all);
    const auto back = Utf8ToCp850(utf8);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ(UnicodeToCp850(Cp850ToUnicode(static_cast<uint8_t>(byte))), byte) << byte;
}

TEST(Codepage, KnownCharactersAndTheEuro) {
    struct Case {
        uint8_t byte;
        const char* utf8;
    };
    const Case cases[] = {
        {0x41, "A"},          {0x10, "\x10"},         {0x82, "\xC3\xA9"} /* é */,
        {0xA4, "\xC3\xB1"} /* ñ */,                  {0xB7, "\xC3\x80"} /* À */,
        {0x87, "\xC3\xA7"} /* ç */,                  {0xC9, "\xE2\x95\x94"} /* ╔ */,
        {0xD5, "\xE2\x82\xAC"} /* € */,              {0xFF, "\xC2\xA0"} /* no-break space */,
        {0x9F, "\xC6\x92"} /* ƒ */,
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cp850ToUtf8(std::string(1, static_cast<char>(c.byte))), c.utf8) << int(c.byte);
        EXPECT_EQ(Utf8ToCp850(c.utf8), std::string(1, static_cast<char>(c.byte))) << int(c.byte);
    }
    EXPECT_EQ(UnicodeToCp850(0x20AC), EuroByte);
}

TEST(Codepage, RefusesWhatItCannotHold) {
    const char* refused[] = {
        "\xC4\xB1",          // dotless i: its place holds the euro
        "a\xE2\x96\xBA",     // ► is a glyph for display, not a character of the text
        "\xE4\xB8\xAD",      // a CJK character
        "\xF0\x9F\x98\x80",  // an emoji
        "\xC3",              // cut short
        "\x80",              // a lone continuation byte
        "\xC0\xAF",          // overlong
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
        "\xE2\x82",          // cut short inside a three-byte sequence
    };
    for (const char* text : refused) EXPECT_FALSE(Utf8ToCp850(text).has_value()) << text;
    EXPECT_FALSE(UnicodeToCp850(0x0131).has_value());
}

TEST(Codepage, NextUtf8CharStepsOverBadBytes) {
    const std::string text = "a\xFF\xC3\xA9";
    std::size_t pos = 0;
    EXPECT_EQ(NextUtf8Char(text, pos), U'a');
    EXPECT_FALSE(NextUtf8Char(text, pos).has_value());
    EXPECT_EQ(pos, 2u);
    EXPECT_EQ(NextUtf8Char(text, pos), U'\u00E9');
    EXPECT_EQ(pos, text.size());
    EXPECT_EQ(Utf8SequenceLength(0xE2), 3);
    EXPECT_EQ(Utf8SequenceLength(0xC1), 0);
}

TEST(Codepage, ConsoleGlyphsForControlBytes) {
    struct Case {
        uint8_t byte;
        const char* glyph;
    };
    const Case cases[] = {
        {0, " "},           {1, "\u263A"},  {7, "\u2022"},  {13, "\u266A"}, {16, "\u25BA"},
        {17, "\u25C4"},     {20, "\u00B6"}, {26, "\u2192"}, {27, "\u2190"}, {30, "\u25B2"},
        {31, "\u25BC"},     {127, "\u2302"}, {'x', "x"},    {0xD5, "\u20AC"}, {0xB3, "\u2502"},
    };
    for (const Case& c : cases) EXPECT_EQ(Cp850GlyphToUtf8(c.byte), c.glyph) << int(c.byte);
}

}  // namespace
}  // namespace korvidan
