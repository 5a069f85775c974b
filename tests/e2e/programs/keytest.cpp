// The key-test program: shows the key code of every key and the cell of every
// click as the keyboard layer delivers them, and opens and closes nested windows
// and a notice, so that the terminal back-end can be driven end to end.
//   F2 opens a window, F3 a notice, F4 closes the newest one, Ctrl+Q ends.
#include <cstdio>
#include <string>

#include "config/run_context.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "platform/console_terminal.h"
#include "screen/colour.h"
#include "screen/notice.h"
#include "screen/window_stack.h"

namespace {

using namespace korvidan;

constexpr int16_t F2 = 0x3c00;
constexpr int16_t F3 = 0x3d00;
constexpr int16_t F4 = 0x3e00;
constexpr int16_t CtrlQ = 17;

std::string Hex(int16_t key) {
    char text[8];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(static_cast<uint16_t>(key)));
    return text;
}

// Writes a line of the main screen from column 1, blanking the rest of it.
void ShowLine(int16_t row, const std::string& text) {
    const std::string line = text.substr(0, 80);
    ConsoleLocate(row, 1);
    ConsoleWriteText(line);
    ConsoleWriteBlanks(static_cast<int16_t>(80 - line.size()));
}

void DrawMainScreen() {
    SetColourMode("n");
    ConsoleClear();
    ShowLine(1, "KEYTEST");
    ShowLine(3, "KEY - #0");
    ShowLine(4, "CLICK -");
    ShowLine(5, "TEXT ");
    ShowLine(25, "F2 window  F3 notice  F4 close  Ctrl+Q end");
}

void OpenNumberedWindow() {
    const auto offset = static_cast<int16_t>(WindowStack.depth * 2);
    SetColourMode("+h");
    OpenWindow(static_cast<int16_t>(8 + offset), static_cast<int16_t>(10 + 2 * offset),
               static_cast<int16_t>(14 + offset), static_cast<int16_t>(50 + 2 * offset));
    DrawWindowFrame(2);
    LocateInWindow(2, 2);
    ConsoleWriteText("WINDOW " + std::to_string(WindowStack.depth));
    SetColourMode("-");
}

}  // namespace

int main() {
    if (!UseTerminalConsole()) return 1;
    LoadRunContext();
    DrawMainScreen();
    int count = 0;
    std::string typed;
    for (;;) {
        int16_t key = 0;
        int16_t button = 0;
        int16_t row = 0;
        int16_t column = 0;
        ReadKeyEvent(key, button, row, column);
        if (button != 0) {
            ShowLine(4, "CLICK " + std::to_string(row) + "," + std::to_string(column) + " BUTTON " +
                            std::to_string(button));
        }
        if (key == 0) continue;
        if (key == CtrlQ) break;
        ++count;
        // The main screen's lines are written with the windows' own rows out of the way.
        ShowLine(3, "KEY " + Hex(key) + " #" + std::to_string(count));
        if (key >= 32 && key <= 255) {
            typed.push_back(static_cast<char>(key));
            if (typed.size() > 70) typed.erase(0, typed.size() - 70);
            ShowLine(5, "TEXT " + typed);
        }
        if (key == F2) OpenNumberedWindow();
        if (key == F3) {
            std::string text = "NOTICE " + std::to_string(WindowStack.depth + 1);
            ShowNotice(20, text);
        }
        if (key == F4 && WindowStack.depth > 0) CloseWindow();
    }
    while (WindowStack.depth > 0) CloseWindow();
    return 0;
}
