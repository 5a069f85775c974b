// Numeric pictures: digit places filled from the right, then the places left of the number.
#include "datetime/picture.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "datetime/text.h"
#include "datetime/user_settings.h"

namespace korvidan {

namespace {

// The decimal and thousands characters of the installation; NUL until first read.
char decimalCharacter = '\0';
char thousandsCharacter = '\0';

// What the last digit place handled put in front of the number.
enum class FillKind { Zero, Blank, Star };

struct FillState {
    FillKind kind = FillKind::Zero;
    bool empty = false;
    char Character() const { return kind == FillKind::Star ? '*' : ' '; }
};

void LoadPictureCharacters() {
    if (decimalCharacter == '\0') decimalCharacter = ReadUserCharacter("DecCaracter", '\'');
    if (thousandsCharacter == '\0') thousandsCharacter = ReadUserCharacter("MilCaracter", '.');
}

bool IsDigitPlace(char c) {
    return c == '9' || c == 'Z' || c == 'z' || c == '*';
}

bool IsTrailingPlace(char c) {
    return IsDigitPlace(c) || c == '-' || c == '+';
}

// The number written freely, when it does not fit the picture's places.
std::string OverflowText(int64_t length, bool negative, const std::string& digits,
                         int64_t wholeDigits, int64_t decimals) {
    if (length < wholeDigits || (negative && length < wholeDigits + 1))
        return std::string(length, '!');
    std::string text = negative ? "-" : "";
    if (wholeDigits > 0) text += digits.substr(0, wholeDigits);
    if (decimals > 0) {
        std::string padded =
            std::string(decimals > int64_t(digits.size()) ? decimals - digits.size() : 0, '0') +
            digits;
        text += decimalCharacter;
        text += padded.substr(padded.size() - decimals);
    }
    if (int64_t(text.size()) > length) return text.substr(0, length);
    return std::string(length - text.size(), ' ') + text;
}

}  // namespace

std::string WholeNumberDigits(double whole) {
    if (whole == 0) return "";
    char buffer[400];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, whole, std::chars_format::fixed, 0);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

std::string FormatPicture(const std::string& picture, double value) {
    LoadPictureCharacters();
    const int64_t length = picture.size();
    std::string result = picture;

    // The point, the places after it (trailing count) and the run of decimals.
    const size_t point = picture.find('.');
    int64_t trailing = 0;
    int64_t decimals = 0;
    if (point != std::string::npos) {
        for (size_t at = point + 1; at < picture.size(); ++at)
            trailing += IsTrailingPlace(picture[at]);
        if (trailing > 0)
            for (size_t at = point + 1; at < picture.size() && IsDigitPlace(picture[at]); ++at)
                ++decimals;
    }
    const bool signedPicture = picture.find_first_of("-+") != std::string::npos;

    // The digits of the number scaled by its decimals, rounded half to even.
    double scale = 1;
    for (int64_t n = 0; n < decimals && std::isfinite(scale); ++n) scale *= 10;
    const double scaled = value == 0 ? 0 : std::fabs(value) * scale;
    if (!std::isfinite(scaled)) return std::string(length, '!');
    const std::string digits = WholeNumberDigits(RoundHalfEven(scaled));
    const int64_t digitCount = digits.size();
    const size_t lastNonZero = digits.find_last_not_of('0');
    const int64_t lastSignificant = lastNonZero == std::string::npos ? 0 : int64_t(lastNonZero) + 1;

    const bool negative = value < 0;
    bool pendingMinus = negative;
    const int64_t wholeDigits = digitCount - decimals;
    int64_t cursor = trailing + wholeDigits;
    FillState fill;

    // Pass one: the places of the number, from the right.
    int64_t at = length;
    for (; at > 0 && cursor > 0; --at) {
        char& out = result[at - 1];
        const char digit = cursor <= digitCount ? digits[cursor - 1] : '\0';
        switch (picture[at - 1]) {
            case '9':
                out = digit ? digit : '0';
                --cursor;
                fill = {FillKind::Zero, false};
                break;
            case 'Z':
            case 'z':
                if (at < length - trailing) {
                    out = digit ? digit : ' ';
                    fill = {FillKind::Blank, !digit};
                } else if (cursor <= lastSignificant || trailing == 0) {
                    out = digit ? digit : '0';
                    fill = {FillKind::Blank, !digit};
                } else {
                    out = ' ';
                    fill = {FillKind::Blank, true};
                }
                --cursor;
                break;
            case '*':
                out = digit ? digit : '*';
                --cursor;
                fill = {FillKind::Star, !digit};
                break;
            case '.':
                out = fill.empty ? fill.Character() : decimalCharacter;
                trailing = 0;
                break;
            case ',':
                out = thousandsCharacter;
                break;
            case '-':
                out = negative ? '-' : ' ';
                if (trailing > 0) --cursor;
                break;
            case '+':
                out = negative ? '-' : '+';
                if (trailing > 0) --cursor;
                break;
            default:
                break;
        }
    }
    if (cursor > 0 || (!signedPicture && negative && at == 0))
        return OverflowText(length, negative, digits, wholeDigits, decimals);

    // Pass two: the places left of the number; an unsigned picture takes the minus in the first
    // free one.
    for (; at > 0; --at) {
        char& out = result[at - 1];
        const bool minusHere = pendingMinus && !signedPicture;
        const bool beforeTrailing = at < length - trailing;
        switch (picture[at - 1]) {
            case '9':
                if (minusHere && beforeTrailing) {
                    out = '-';
                    pendingMinus = false;
                } else {
                    out = '0';
                }
                fill = {FillKind::Zero, false};
                break;
            case 'Z':
            case 'z':
                if (minusHere) {
                    out = '-';
                    pendingMinus = false;
                } else if (!beforeTrailing && value != 0) {
                    out = '0';
                    fill = {FillKind::Blank, false};
                } else {
                    out = ' ';
                    fill = {FillKind::Blank, true};
                }
                break;
            case '*':
                if (minusHere) {
                    out = '-';
                    pendingMinus = false;
                } else {
                    out = beforeTrailing ? '*' : '0';
                    fill = {FillKind::Star, false};
                }
                break;
            case ',':
                if (minusHere) {
                    out = '-';
                    pendingMinus = false;
                } else {
                    out = fill.kind == FillKind::Zero ? thousandsCharacter : fill.Character();
                }
                break;
            case '.':
                out = fill.empty ? fill.Character() : decimalCharacter;
                break;
            case '-':
                out = negative ? '-' : ' ';
                break;
            case '+':
                out = negative ? '-' : '+';
                break;
            default:
                break;
        }
    }
    // A minus that found no place would turn a negative number positive: show it freely instead.
    if (pendingMinus && !signedPicture)
        return OverflowText(length, negative, digits, wholeDigits, decimals);
    return result;
}

void ResetPictureCharacters() {
    decimalCharacter = '\0';
    thousandsCharacter = '\0';
}

}  // namespace korvidan
