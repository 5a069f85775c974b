// Code page 850 <-> Unicode tables and the UTF-8 conversions built on them.
#include "platform/codepage.h"

#include <array>

namespace korvidan {

namespace {

// Unicode of CP850 bytes 128-255, with the euro sign at 0xD5 (where CP850 has dotless i).
constexpr std::array<char16_t, 128> UpperHalf = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x20AC, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// The DOS console's glyphs for the control bytes 0-31 (0 shows as a blank).
constexpr std::array<char16_t, 32> ControlGlyphs = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  // 00
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,  // 08
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  // 10
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,  // 18
};

constexpr char16_t HouseGlyph = 0x2302;  // byte 127

}  // namespace

char32_t Cp850ToUnicode(uint8_t byte) {
    return byte < 0x80 ? char32_t{byte} : char32_t{UpperHalf[byte - 0x80]};
}

std::optional<uint8_t> UnicodeToCp850(char32_t character) {
    if (character < 0x80) return static_cast<uint8_t>(character);
    for (std::size_t i = 0; i < UpperHalf.size(); ++i)
        if (UpperHalf[i] == character) return static_cast<uint8_t>(0x80 + i);
    return std::nullopt;
}

void AppendUtf8(std::string& text, char32_t character) {
    auto put = [&text](unsigned value) { text.push_back(static_cast<char>(value)); };
    if (character < 0x80) {
        put(character);
    } else if (character < 0x800) {
        put(0xC0 | (character >> 6));
        put(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        put(0xE0 | (character >> 12));
        put(0x80 | ((character >> 6) & 0x3F));
        put(0x80 | (character & 0x3F));
    } else {
        put(0xF0 | (character >> 18));
        put(0x80 | ((character >> 12) & 0x3F));
        put(0x80 | ((character >> 6) & 0x3F));
        put(0x80 | (character & 0x3F));
    }
}

int Utf8SequenceLength(uint8_t leadByte) {
    if (leadByte < 0x80) return 1;
    if (leadByte >= 0xC2 && leadByte <= 0xDF) return 2;
    if (leadByte >= 0xE0 && leadByte <= 0xEF) return 3;
    if (leadByte >= 0xF0 && leadByte <= 0xF4) return 4;
    return 0;
}

std::optional<char32_t> NextUtf8Char(const std::string& text, std::size_t& pos) {
    const auto lead = static_cast<uint8_t>(text[pos]);
    const int length = Utf8SequenceLength(lead);
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return std::nullopt;
    }
    char32_t character = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return std::nullopt;
        }
        character = (character << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (character < Smallest[length] || (character >= 0xD800 && character <= 0xDFFF) ||
        character > 0x10FFFF) {
        ++pos;
        return std::nullopt;
    }
    pos += length;
    return character;
}

std::string Cp850ToUtf8(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (const char byte : text) AppendUtf8(result, Cp850ToUnicode(static_cast<uint8_t>(byte)));
    return result;
}

std::optional<std::string> Utf8ToCp850(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto character = NextUtf8Char(text, pos);
        if (!character) return std::nullopt;
        const auto byte = UnicodeToCp850(*character);
        if (!byte) return std::nullopt;
        result.push_back(static_cast<char>(*byte));
    }
    return result;
}

std::string Cp850GlyphToUtf8(uint8_t byte) {
    std::string glyph;
    if (byte < ControlGlyphs.size())
        AppendUtf8(glyph, ControlGlyphs[byte]);
    else if (byte == 0x7F)
        AppendUtf8(glyph, HouseGlyph);
    else
        AppendUtf8(glyph, Cp850ToUnicode(byte));
    return glyph;
}

}  // namespace korvidan
