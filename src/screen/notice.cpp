// Paragraph layout (word wrap with alignment, control characters taking no room)
// and the notice box that shows a laid-out message over the screen.
#include "screen/notice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "datetime/text.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/window_stack.h"

namespace korvidan {

namespace {

// A text seen through 1-based positions; a position past either end holds no character.
struct Positions {
    const std::string& text;
    int32_t Code(int32_t q) const {
        return q >= 1 && q <= static_cast<int32_t>(text.size()) ? static_cast<uint8_t>(text[q - 1]) : -1;
    }
    bool AboveBlank(int32_t q) const { return Code(q) > 32; }
    // A control character, or no character at all.
    bool BelowBlank(int32_t q) const { return Code(q) < 32; }
    bool Control(int32_t q) const { return Code(q) >= 0 && Code(q) < 32; }
};

// Widens a justified line to target by inserting blanks into its gaps, the gaps
// after the first skip characters taken in turn from the second one.
void Justify(std::string& line, int32_t skip, int32_t target) {
    int32_t insertAt = 1 + skip;
    int32_t step = 2;
    while (static_cast<int32_t>(line.size()) < target) {
        size_t found = std::string::npos;
        if (insertAt + step - 1 < static_cast<int32_t>(line.size())) found = line.find(' ', insertAt + step - 1);
        if (found == std::string::npos) found = line.find(' ', skip);
        insertAt = static_cast<int32_t>(found) + 1;
        line.insert(found, 1, ' ');
        step = 2;
        while (insertAt + step <= static_cast<int32_t>(line.size()) && line[insertAt + step - 1] == ' ') ++step;
    }
}

// Brings one line to its target length as the mode letter says.
void Align(std::string& line, char mode, int32_t target, int32_t skip, bool moreFollows) {
    const int32_t padding = std::max<int32_t>(target - static_cast<int32_t>(line.size()), 0);
    switch (mode) {
        case 'E': case 'L': case 'I':
            line.append(padding, ' ');
            break;
        case 'N':
            line.append(padding, '-');
            break;
        case 'D': case 'R':
            line.insert(0, padding, ' ');
            break;
        case 'C':
            line.insert(0, padding / 2, ' ');
            line.append(padding - padding / 2, ' ');
            break;
        case 'A': case 'B':
            if (moreFollows && skip < static_cast<int32_t>(line.size()) &&
                line.find(' ', skip) != std::string::npos)
                Justify(line, skip, target);
            break;
        default:
            break;
    }
}

}  // namespace

void LayoutParagraph(std::string& text, int16_t indent, int16_t width, const std::string& mode) {
    const Positions at{text};
    const int32_t length = static_cast<int32_t>(text.size());
    const int32_t skip = std::abs(static_cast<int32_t>(indent));
    const char letter = mode.size() == 1 ? static_cast<char>(std::toupper(static_cast<uint8_t>(mode[0]))) : '\0';
    std::string result;
    int32_t p = 1;
    int32_t lead = indent > 0 ? indent : 0;
    while (p <= length) {
        // Take a line's worth of characters; control characters take no room.
        int32_t room = width - lead;
        int32_t taken = 0;
        while (taken != room && p + taken <= length) {
            if (at.Control(p + taken)) ++room;
            ++taken;
        }
        // Markup closing the last word stays with it.
        if (taken > 0 && at.AboveBlank(p + taken - 1)) {
            while (at.Control(p + taken)) {
                ++room;
                ++taken;
            }
        }
        int32_t cut = room;
        // Do not split a word: move back to the gap before it.
        while (at.AboveBlank(p + cut) && cut > 0) {
            --cut;
            if (at.Control(p + cut)) --room;
        }
        // Before markup or the end of the text, drop the blanks that end the line.
        if (at.BelowBlank(p + cut) && cut > 0) {
            while (cut > 0 && at.Code(p + cut - 1) == 32) --cut;
        }
        // A word longer than the line is cut at the line's width. A width that leaves
        // no room still takes one character, so that the text is never lost or looped on.
        if (cut < 1) cut = room;
        if (cut < 1) {
            cut = 1;
            room = 1;
        }
        std::string line(static_cast<size_t>(lead), ' ');
        line += text.substr(static_cast<size_t>(p - 1), static_cast<size_t>(cut));
        const bool moreFollows = length - (p + cut) + 1 >= 2;
        Align(line, letter, room + lead, skip, moreFollows);
        result += line;
        p += cut;
        while (at.Code(p) == 32) ++p;
        lead = indent < 0 ? -indent : 0;
    }
    text = std::move(result);
}

void ShowNotice(int16_t row, std::string& text) {
    constexpr int16_t kWidth = 76;
    SetColourMode("+rh");
    LayoutParagraph(text, 0, kWidth, "i");
    const int32_t lines = static_cast<int32_t>(text.size()) / kWidth;
    int32_t top = std::max<int32_t>(row - (lines + 1) / 2 - 2, 1);
    int32_t bottom = top + lines + 1;
    if (bottom > ScreenRows()) {
        bottom = ScreenRows();
        top = bottom - lines - 1;
    }
    if (top < 1) {
        SetColourMode("-");
        return;
    }
    auto lineText = [&](int32_t i) { return TrimRightBlanks(text.substr(static_cast<size_t>((i - 1) * kWidth), kWidth)); };
    int32_t widest = 0;
    for (int32_t i = 1; i <= lines; ++i) widest = std::max<int32_t>(widest, static_cast<int32_t>(lineText(i).size()));
    OpenWindow(static_cast<int16_t>(top), static_cast<int16_t>(39 - (widest + 1) / 2), static_cast<int16_t>(bottom),
               static_cast<int16_t>(42 + widest / 2));
    DrawWindowFrame(1);
    for (int32_t i = 1; i <= lines; ++i) {
        LocateInWindow(static_cast<int16_t>(i), 2);
        ConsoleWriteText(lineText(i));
    }
    SetColourMode("-");
}

}  // namespace korvidan
