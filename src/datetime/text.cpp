// Shared text, number and packed-digit helpers.
#include "datetime/text.h"

#include <locale.h>
#include <stdlib.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace korvidan {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a digit in a base, or -1 when the character is not one.
int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') value = c - '0';
    else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    return value < base ? value : -1;
}

// A hexadecimal, octal or binary integer after its "&" (at pos): the written width
// decides whether it reads as a 16-bit or 32-bit two's complement value.
double RadixNumber(const std::string& text, std::size_t pos) {
    int base = 8;
    int bitsPerDigit = 3;
    if (pos < text.size()) {
        switch (text[pos]) {
            case 'H': case 'h': base = 16; bitsPerDigit = 4; ++pos; break;
            case 'O': case 'o': case 'Q': case 'q': ++pos; break;
            case 'B': case 'b': base = 2; bitsPerDigit = 1; ++pos; break;
            default: break;
        }
    }
    uint64_t exact = 0;  // exact while the width stays within 32 bits
    double value = 0;
    std::size_t count = 0;
    for (int digit; pos < text.size() && (digit = DigitValue(text[pos], base)) >= 0; ++pos, ++count) {
        exact = (exact * base + digit) & 0xFFFFFFFFu;
        value = value * base + digit;
    }
    const std::size_t width = count * bitsPerDigit;
    if (width <= 16) return static_cast<int16_t>(static_cast<uint16_t>(exact));
    if (width <= 32) return static_cast<int32_t>(static_cast<uint32_t>(exact));
    return std::isinf(value) ? DBL_MAX : value;
}

}  // namespace

double RoundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5) return below + 1;
    if (fraction < 0.5) return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::string UpperCaseText(const std::string& text) {
    std::string result = text;
    for (char& c : result) {
        switch (static_cast<uint8_t>(c)) {
            case 0x84: c = '\x8E'; break;  // ä -> Ä
            case 0x94: c = '\x99'; break;  // ö -> Ö
            case 0x81: c = '\x9A'; break;  // ü -> Ü
            case 0x82: c = '\x90'; break;  // é -> É
            case 0xA4: c = '\xA5'; break;  // ñ -> Ñ
            case 0x86: c = '\x8F'; break;  // å -> Å
            case 0x87: c = '\x80'; break;  // ç -> Ç
            default:
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        }
    }
    return result;
}

double TextToNumber(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() &&
           (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
        ++pos;
    if (pos < text.size() && text[pos] == '&') return RadixNumber(text, pos + 1);

    // Gather the number in the C notation, then convert it independently of the locale.
    std::string number;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        if (text[pos] == '-') number += '-';
        ++pos;
    }
    bool anyDigit = false;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos, anyDigit = true) number += text[pos];
    if (pos < text.size() && text[pos] == '.') {
        number += '.';
        for (++pos; pos < text.size() && IsDigit(text[pos]); ++pos, anyDigit = true)
            number += text[pos];
    }
    if (!anyDigit) return 0;
    if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e' || text[pos] == 'D' || text[pos] == 'd')) {
        std::size_t next = pos + 1;
        std::string exponent = "e";
        if (next < text.size() && (text[next] == '+' || text[next] == '-')) exponent += text[next++];
        if (next < text.size() && IsDigit(text[next])) {
            while (next < text.size() && IsDigit(text[next])) exponent += text[next++];
            number += exponent;
        }
    }
    static const locale_t plainLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const double value = strtod_l(number.c_str(), nullptr, plainLocale);
    if (std::isinf(value)) return value > 0 ? DBL_MAX : -DBL_MAX;
    return value == 0 ? 0.0 : value;  // never a negative zero
}

int16_t RoundToInt16(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = RoundHalfEven(value);
    if (rounded <= INT16_MIN) return INT16_MIN;
    if (rounded >= INT16_MAX) return INT16_MAX;
    return static_cast<int16_t>(rounded);
}

bool FitsInt16(double value) {
    if (std::isnan(value)) return false;
    const double rounded = RoundHalfEven(value);
    return rounded >= INT16_MIN && rounded <= INT16_MAX;
}

std::string PackDigits(const std::string& digits) {
    const std::size_t length = digits.size();
    std::string aligned = std::string(length, '0') + TrimBlanks(digits);
    aligned.erase(0, aligned.size() - length);
    auto digitAt = [&aligned](std::size_t i) {
        return i < aligned.size() && IsDigit(aligned[i]) ? aligned[i] - '0' : 0;
    };
    std::string packed;
    for (std::size_t i = 0; i < length; i += 2)
        packed += static_cast<char>(0x80 | (10 * digitAt(i) + digitAt(i + 1)));
    return packed;
}

std::string UnpackDigits(const std::string& packed) {
    std::string digits;
    for (const char c : packed) {
        const int value = (static_cast<uint8_t>(c) & 0x7F) % 100;
        digits += static_cast<char>('0' + value / 10);
        digits += static_cast<char>('0' + value % 10);
    }
    return digits;
}

std::string ZeroPad(int32_t number, int16_t width) {
    if (width <= 0) return {};
    const std::string digits = std::to_string(std::llabs(number));
    const std::string padded = std::string(static_cast<std::size_t>(width), '0') + digits;
    return padded.substr(padded.size() - static_cast<std::size_t>(width));
}

std::string TrimLeftBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string{} : text.substr(first);
}

std::string TrimRightBlanks(const std::string& text) {
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string::npos ? std::string{} : text.substr(0, last + 1);
}

std::string TrimBlanks(const std::string& text) { return TrimLeftBlanks(TrimRightBlanks(text)); }

std::string FixedWidth(const std::string& text, int16_t width) {
    if (width <= 0) return {};
    std::string result = text.substr(0, static_cast<std::size_t>(width));
    result.resize(static_cast<std::size_t>(width), ' ');
    return result;
}

}  // namespace korvidan
