// Colour modes over the configured colour pairs, the window-relative cursor, the
// text stack and the upper-casing used by comparisons and searches.
#include "screen/colour.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "config/run_context.h"
#include "datetime/text.h"
#include "platform/console.h"
#include "screen/window_stack.h"

namespace korvidan {

std::string TextStack;
bool FoldToPlain = false;

namespace {

// The index of the pair last applied, and the indexes saved by "+" (one byte each).
int16_t currentColourIndex = 0;
std::string ColourStack;

using FoldTable = std::array<uint8_t, 256>;

// Small letters of the code page and their capitals, for the accent-keeping table.
constexpr std::array<std::array<uint8_t, 2>, 28> kAccentedCapitals{{
    {129, 154}, {130, 144}, {131, 182}, {132, 142}, {133, 183}, {134, 143}, {135, 128},
    {136, 210}, {137, 211}, {138, 212}, {139, 216}, {140, 215}, {141, 222}, {145, 146},
    {147, 226}, {148, 153}, {149, 227}, {150, 234}, {151, 235}, {160, 181}, {161, 214},
    {162, 224}, {163, 233}, {164, 165}, {198, 199}, {208, 209}, {228, 229}, {236, 237},
}};

// The plain capital each accented or foreign letter folds to; the rest of 128-237 is blank.
struct PlainGroup {
    char capital;
    std::string_view codes;
};
constexpr std::array<PlainGroup, 11> kPlainGroups{{
    {'A', "\x83\x84\x85\x86\x8E\x8F\x91\x92\xA0\xA6\xB5\xB6\xB7\xC6\xC7"},
    {'C', "\x80\x87"},
    {'D', "\xD0\xD1"},
    {'E', "\x82\x88\x89\x8A\x90\xD2\xD3\xD4\xD5"},
    {'I', "\x8B\x8C\x8D\xA1\xD6\xD7\xD8\xDE"},
    {'N', "\xA4\xA5"},
    {'O', "\x93\x94\x95\x99\x9B\x9D\xA2\xA7\xE0\xE2\xE3\xE4\xE5"},
    {'S', "\xE1"},
    {'T', "\xE7\xE8"},
    {'U', "\x81\x96\x97\x9A\xA3\xE9\xEA\xEB"},
    {'Y', "\x98\xEC\xED"},
}};

constexpr FoldTable MakeAccentTable() {
    FoldTable table{};
    for (int c = 0; c < 256; ++c) table[c] = static_cast<uint8_t>(c);
    for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<uint8_t>(c - 32);
    for (const auto& pair : kAccentedCapitals) table[pair[0]] = pair[1];
    return table;
}

constexpr FoldTable MakePlainTable() {
    FoldTable table{};
    for (int c = 0; c < 256; ++c) table[c] = static_cast<uint8_t>(c);
    for (int c = 64; c <= 237; ++c) table[c] = ' ';
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = static_cast<uint8_t>(c);
    for (int c = 'a'; c <= 'z'; ++c) table[c] = static_cast<uint8_t>(c - 32);
    for (const auto& group : kPlainGroups) {
        for (char code : group.codes) table[static_cast<uint8_t>(code)] = static_cast<uint8_t>(group.capital);
    }
    return table;
}

constexpr FoldTable kAccentTable = MakeAccentTable();
constexpr FoldTable kPlainTable = MakePlainTable();

// Applies a configured pair; a colour outside 0-15 keeps that half of the attribute.
void ApplyColourPair(int16_t index) {
    const auto& pair = RunContext.colourTable[index];
    uint8_t attribute = ConsoleAttribute();
    if (pair.foreground >= 0 && pair.foreground < 16) {
        attribute = static_cast<uint8_t>((attribute & 0xF0) | pair.foreground);
    }
    if (pair.background >= 0 && pair.background < 16) {
        attribute = static_cast<uint8_t>((attribute & 0x0F) | (pair.background << 4));
    }
    ConsoleSetAttribute(attribute);
}

}  // namespace

void SetColourMode(const std::string& mode) {
    const std::string letters = UpperCaseText(mode);
    if (letters.find_first_not_of(' ') == std::string::npos) return;
    if (letters.find('+') != std::string::npos) {
        ColourStack.push_back(static_cast<char>(currentColourIndex));
    }
    int16_t index = 0;
    if (letters.find('-') != std::string::npos) {
        if (!ColourStack.empty()) {
            index = static_cast<int16_t>(ColourStack.back());
            ColourStack.pop_back();
        }
    } else if (letters.find('U') != std::string::npos) {
        index = 4;
    } else {
        if (letters.find('R') != std::string::npos) index += 2;
        if (letters.find('N') != std::string::npos) index += 1;
    }
    ApplyColourPair(index);
    currentColourIndex = index;
}

void LocateInWindow(int16_t row, int16_t column) {
    if (WindowStack.depth > 0) {
        row = static_cast<int16_t>(row + WindowStack.top);
        column = static_cast<int16_t>(column + WindowStack.left);
    }
    ConsoleLocate(row, column);
}

int16_t ScreenRows() { return ConsoleRows(); }
int16_t ScreenColumns() { return ConsoleColumns(); }

// Items longer than a 16-bit length can tell are cut to the longest that fits,
// so the stack always pops back exactly what it holds.
void PushText(const std::string& item) {
    const size_t length = std::min<size_t>(item.size(), 32767);
    TextStack.append(item, 0, length);
    TextStack.push_back(static_cast<char>(length & 0xFF));
    TextStack.push_back(static_cast<char>(length >> 8));
}

std::string PopText() {
    if (TextStack.size() < 2) {
        TextStack.clear();
        return std::string();
    }
    const size_t end = TextStack.size() - 2;
    const size_t length = static_cast<uint8_t>(TextStack[end]) |
                          (static_cast<size_t>(static_cast<uint8_t>(TextStack[end + 1])) << 8);
    const size_t start = length <= end ? end - length : 0;
    std::string item = TextStack.substr(start, end - start);
    TextStack.resize(start);
    return item;
}

std::string FoldUpper(const std::string& text) {
    const FoldTable& table = FoldToPlain ? kPlainTable : kAccentTable;
    std::string folded = text;
    for (char& c : folded) c = static_cast<char>(table[static_cast<uint8_t>(c)]);
    return folded;
}

int16_t IsAllChar(const std::string& text, int16_t code) {
    for (char c : text) {
        if (static_cast<uint8_t>(c) != code) return 0;
    }
    return -1;
}

int16_t CentreOffset(const std::string& text, int16_t width) {
    return static_cast<int16_t>((static_cast<int32_t>(width) - static_cast<int32_t>(text.size())) / 2);
}

void ResetColourState() {
    currentColourIndex = 0;
    ColourStack.clear();
    TextStack.clear();
    FoldToPlain = false;
}

}  // namespace korvidan
