// Code page 850 at the edges: the program's texts are CP850 bytes, the outside
// world (terminal, environment, file names, command lines, clipboard) speaks UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace korvidan {

// The CP850 byte that holds the euro sign (U+20AC), as in code page 858.
inline constexpr uint8_t EuroByte = 0xD5;

// The Unicode character of a CP850 byte; bytes 0-127 are themselves (control bytes included).
char32_t Cp850ToUnicode(uint8_t byte);
// The CP850 byte of a Unicode character, or nothing when the code page cannot hold it.
std::optional<uint8_t> UnicodeToCp850(char32_t character);

// A whole CP850 text in UTF-8 (always possible; control bytes stay as themselves).
std::string Cp850ToUtf8(const std::string& text);
// A whole UTF-8 text in CP850, or nothing when it is malformed UTF-8 or holds a
// character the code page cannot hold (never replaced by another one).
std::optional<std::string> Utf8ToCp850(const std::string& text);

// The UTF-8 glyph a DOS console shows for a byte in a cell: 0 a blank, 1-31 and
// 127 the console's symbols (1 smiling face ... 16 right pointer, 30 up and 31 down
// triangles, 127 house), every other byte its CP850 character. For display only.
std::string Cp850GlyphToUtf8(uint8_t byte);

// Appends a Unicode character to a text in UTF-8.
void AppendUtf8(std::string& text, char32_t character);
// The length of the UTF-8 sequence that a lead byte starts (1-4), 0 when it cannot start one.
int Utf8SequenceLength(uint8_t leadByte);
// Decodes the UTF-8 character at text[pos] and moves pos past it; on a malformed
// or cut-short sequence returns nothing and moves pos past the first byte.
std::optional<char32_t> NextUtf8Char(const std::string& text, std::size_t& pos);

}  // namespace korvidan
