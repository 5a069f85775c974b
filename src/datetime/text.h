// Shared text, number and packed-digit helpers used throughout the system.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

// The text with a-z and the CP850 letters ä ö ü é ñ å ç in capitals; every other byte unchanged.
std::string UpperCaseText(const std::string& text);

// Reads a number at the start of a text: blanks, tabs, CR and LF skipped, then an
// optional sign, digits, "." and digits, an exponent with "E" or "D"; or "&H",
// "&O"/"&Q", "&B" or "&" alone followed by hexadecimal, octal or binary digits.
// Stops at the first character that cannot continue; 0 when there is no number.
// A radix number of at most 16 bits written (leading zeros included) reads as a
// 16-bit two's complement value, of at most 32 bits as a 32-bit one, longer ones
// as they are ("&HFFFF" is -1, "&H0FFFF" is 65535). The result is always finite:
// a number beyond the range of a double reads as the largest double of its sign.
double TextToNumber(const std::string& text);

// A number as a 16-bit integer: rounded to the nearest, a half to the even
// neighbour; beyond the 16-bit range it saturates at -32768 or 32767; NaN gives 0.
int16_t RoundToInt16(double value);
// Takes a number to the nearest whole number, a half to the even neighbour.
double RoundHalfEven(double value);
// Whether a number rounds (as above) to a value inside the 16-bit range.
bool FitsInt16(double value);

// Packs a text of digits two to a byte (128 + the pair's value): blanks at both
// ends removed, zeros put in front up to the input's length, inner blanks and
// non-digits read as 0; an input of n characters gives (n + 1) / 2 bytes.
std::string PackDigits(const std::string& digits);
// Each byte's value AND 127 as two decimal digits (the last two when 100 or more).
std::string UnpackDigits(const std::string& packed);
// The number's digits without sign, zeros in front, the last width characters kept.
std::string ZeroPad(int32_t number, int16_t width);

// The text without the blanks (32 only, never tabs) at its start, its end, or both.
std::string TrimLeftBlanks(const std::string& text);
std::string TrimRightBlanks(const std::string& text);
std::string TrimBlanks(const std::string& text);
// The text as a fixed-width field: padded with blanks on the right or cut to width.
std::string FixedWidth(const std::string& text, int16_t width);

}  // namespace korvidan
