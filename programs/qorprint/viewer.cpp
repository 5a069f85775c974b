// The screen viewer: the report's lines in rows 1 to 24, a page rule between
// pages, and a status line with the page and the keys in row 25.
#include "viewer.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "config/translate.h"
#include "forms/keyboard.h"
#include "messages.h"
#include "platform/console.h"
#include "platform/console_terminal.h"
#include "screen/colour.h"

namespace korvidan {

namespace {

constexpr int HorizontalStep = 8;

// One row of the viewer: a line of the report, or the rule that ends a page.
struct ViewLine {
    std::string text;
    bool pageRule = false;
    int page = 0;  // from 1
};

std::vector<ViewLine> ViewLines(const PrintDocument& document) {
    std::vector<ViewLine> lines;
    for (std::size_t page = 0; page < document.pages.size(); ++page) {
        if (page > 0) lines.push_back({std::string(), true, static_cast<int>(page)});
        for (const std::string& text : document.pages[page])
            lines.push_back({text, false, static_cast<int>(page) + 1});
    }
    return lines;
}

void Draw(const std::vector<ViewLine>& lines, std::size_t top, std::size_t left, int pages) {
    const int16_t rows = ConsoleRows();
    const int16_t columns = ConsoleColumns();
    SetColourMode("n");
    for (int16_t row = 1; row < rows; ++row) {
        ConsoleLocate(row, 1);
        const std::size_t index = top + static_cast<std::size_t>(row - 1);
        std::string text;
        if (index < lines.size() && lines[index].pageRule) {
            text.assign(static_cast<std::size_t>(columns), '\xC4');  // ─
        } else if (index < lines.size() && left < lines[index].text.size()) {
            text = lines[index].text.substr(left, static_cast<std::size_t>(columns));
        }
        text.resize(static_cast<std::size_t>(columns), ' ');
        ConsoleWriteText(text);
    }
    const int page = lines.empty() ? 0 : lines[std::min(top, lines.size() - 1)].page;
    std::string status = std::string(1, ' ') + Translate("P\x85gina ") +  // Pàgina
                         std::to_string(page) + "/" +
                         std::to_string(pages) + "   " +
                         Translate("ReP\x85g AvP\x85g") +  // RePàg AvPàg
                         " \x18\x19 \x1B\x1A " + Translate("Inici Fi") + "   Esc: " +  // ↑↓ ←→
                         Translate("surt");
    status.resize(static_cast<std::size_t>(columns), ' ');
    SetColourMode("r");
    ConsoleLocate(rows, 1);
    ConsoleWriteText(status);
}

}  // namespace

bool ShowReport(const PrintDocument& document) {
    if (!UseTerminalConsole()) {
        ReportProblem("No hi ha cap terminal on mostrar l'informe.", "");
        return false;
    }
    ConsoleShowCursor(false);
    const std::vector<ViewLine> lines = ViewLines(document);
    std::size_t widest = 0;
    for (const ViewLine& line : lines) widest = std::max(widest, line.text.size());
    const std::size_t height = static_cast<std::size_t>(ConsoleRows() - 1);
    const std::size_t width = static_cast<std::size_t>(ConsoleColumns());
    const std::size_t lastTop = lines.size() > height ? lines.size() - height : 0;
    const std::size_t lastLeft = widest > width ? widest - width : 0;
    std::size_t top = 0;
    std::size_t left = 0;
    for (;;) {
        Draw(lines, top, left, static_cast<int>(document.pages.size()));
        int16_t key = 0;
        WaitKey(key);
        switch (key) {
            case KeyEsc:
                SetColourMode("n");
                ConsoleClear();
                return true;
            case KeyUp:
                top = top > 0 ? top - 1 : 0;
                break;
            case KeyDown:
                top = std::min(top + 1, lastTop);
                break;
            case KeyPgUp:
                top = top > height ? top - height : 0;
                break;
            case KeyPgDn:
                top = std::min(top + height, lastTop);
                break;
            case KeyHome:
                top = 0;
                left = 0;
                break;
            case KeyEnd:
                top = lastTop;
                break;
            case KeyLeft:
                left = left > HorizontalStep ? left - HorizontalStep : 0;
                break;
            case KeyRight:
                left = std::min(left + HorizontalStep, lastLeft);
                break;
            default:
                break;
        }
    }
}

}  // namespace korvidan
