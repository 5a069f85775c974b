// Bytes the terminal back-end sends to a pseudo-terminal for everyday screen
// changes: one character typed into a field, a window opened and closed over a
// full screen, a help page scrolled by one line. The same changes shown through
// ncurses' own screen optimiser give the figures to compare with ("ncurses_bytes").
// Targets: typing < 32 bytes, scrolling < 2000 bytes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/console_terminal.h"

// Last: the curses header defines short function-like macros.
#define NCURSES_WIDECHAR 1
#include <curses.h>

namespace {

using namespace korvidan;

constexpr const char* TerminalType = "xterm-256color";

// A pseudo-terminal of 30 x 100; Take returns what was written since the last call.
class PseudoTerminal {
public:
    PseudoTerminal() {
        winsize size{};
        size.ws_row = 30;
        size.ws_col = 100;
        openpty(&master_, &slave_, nullptr, nullptr, &size);
    }
    ~PseudoTerminal() {
        close(master_);
        close(slave_);
    }
    int slave() const { return slave_; }
    // A marker written after the output on the same terminal tells when it has all come through.
    std::string Take() {
        static constexpr char Marker[] = "\x1b]999\a";
        if (write(slave_, Marker, sizeof Marker - 1) < 0) return {};
        std::string output;
        char buffer[4096];
        while (output.find(Marker) == std::string::npos) {
            pollfd ready{master_, POLLIN, 0};
            if (poll(&ready, 1, 1000) <= 0) break;
            const ssize_t got = read(master_, buffer, sizeof buffer);
            if (got <= 0) break;
            output.append(buffer, static_cast<size_t>(got));
        }
        return output.substr(0, output.find(Marker));
    }

private:
    int master_ = -1;
    int slave_ = -1;
};

// ncurses showing the console buffer on a pseudo-terminal of its own.
class CursesMirror {
public:
    CursesMirror() {
        std::setlocale(LC_CTYPE, "C.UTF-8");
        out_ = fdopen(dup(pty_.slave()), "w");
        in_ = fdopen(dup(pty_.slave()), "r");
        screen_ = newterm(TerminalType, out_, in_);
        set_term(screen_);
        start_color();
        raw();
        noecho();
        idlok(stdscr, TRUE);  // lets ncurses move lines with a scroll region
        static constexpr short Ansi[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
        for (int attribute = 0; attribute < 256; ++attribute) {
            init_pair(static_cast<short>(attribute + 1), Ansi[attribute & 15], Ansi[attribute >> 4]);
        }
        Show();
    }
    ~CursesMirror() {
        endwin();
        delscreen(screen_);
        std::fclose(out_);
        std::fclose(in_);
    }
    size_t Show() {
        for (int16_t row = 1; row <= 25; ++row) {
            for (int16_t column = 1; column <= 80; ++column) {
                const ConsoleCell cell = ConsoleReadCell(row, column);
                const std::string glyph = Cp850GlyphToUtf8(cell.character);
                size_t pos = 0;
                const wchar_t wide[2] = {static_cast<wchar_t>(NextUtf8Char(glyph, pos).value_or(U' ')), L'\0'};
                cchar_t shown;
                setcchar(&shown, wide, A_NORMAL, static_cast<short>(cell.attribute + 1), nullptr);
                mvadd_wch(row - 1, column - 1, &shown);
            }
        }
        curs_set(ConsoleCursorVisible() ? 1 : 0);
        move(ConsoleCursorRow() - 1, ConsoleCursorColumn() - 1);
        refresh();
        return pty_.Take().size();
    }

private:
    PseudoTerminal pty_;
    FILE* out_ = nullptr;
    FILE* in_ = nullptr;
    SCREEN* screen_ = nullptr;
};

// Fills the whole screen with distinct lines of text in a few colours.
void FullScreenOfText() {
    ConsoleSetAttribute(0x07);
    ConsoleClear();
    for (int16_t row = 1; row <= 25; ++row) {
        ConsoleLocate(row, 1);
        std::string line;
        for (int i = 0; line.size() < 80; ++i) line += "Tipus " + std::to_string(row * 7 + i) + " ";
        ConsoleSetAttribute(row % 5 == 0 ? 0x1e : 0x07);
        ConsoleWriteText(line.substr(0, 80));
    }
}

// A double frame from (top, left) to (bottom, right), its inside blank.
void Frame(int16_t top, int16_t left, int16_t bottom, int16_t right, uint8_t attribute) {
    ConsoleSetAttribute(attribute);
    const auto width = static_cast<size_t>(right - left - 1);
    for (int16_t row = top; row <= bottom; ++row) {
        // Corners and lines of a double frame, blanks inside.
        const char first = row == top ? '\xC9' : row == bottom ? '\xC8' : '\xBA';
        const char middle = row == top || row == bottom ? '\xCD' : ' ';
        const char last = row == top ? '\xBB' : row == bottom ? '\xBC' : '\xBA';
        std::string line(1, first);
        line.append(width, middle);
        line.push_back(last);
        ConsoleLocate(row, left);
        ConsoleWriteText(line);
    }
}

// Each scenario prepares the screen, then changes it once per step, calling show
// (which sends what changed and returns the bytes sent) where the program would wait.
using Show = std::function<size_t()>;
struct Scenario {
    std::function<void()> setUp;
    std::function<size_t(int step, const Show& show)> step;
};

// A form over the screen with a 30-character field; each step types one character.
const Scenario Typing = {
    [] {
        FullScreenOfText();
        Frame(8, 10, 14, 70, 0x1f);
        ConsoleLocate(11, 12);
        ConsoleWriteText("Voleu imprimir la taula? ");
        ConsoleSetAttribute(0x70);
        ConsoleWriteBlanks(30);
        ConsoleLocate(11, 37);
        ConsoleCursorInsertShape(false);
        ConsoleShowCursor(true);
    },
    [](int step, const Show& show) {
        if (step % 30 == 0) ConsoleLocate(11, 37);
        ConsoleWriteText(std::string(1, static_cast<char>('a' + step % 26)));
        return show();
    },
};

// A window with text opened over a full screen and closed again (the covered cells put back).
const Scenario WindowOpenClose = {
    [] {
        FullScreenOfText();
        ConsoleShowCursor(false);
    },
    [](int, const Show& show) {
        std::vector<ConsoleCell> saved;
        for (int16_t row = 6; row <= 18; ++row)
            for (int16_t column = 15; column <= 65; ++column) saved.push_back(ConsoleReadCell(row, column));
        Frame(6, 15, 18, 65, 0x1f);
        for (int16_t row = 8; row <= 16; row += 2) {
            ConsoleLocate(row, 18);
            ConsoleWriteText("Opci\xA2 " + std::to_string(row));  // Opció
        }
        size_t bytes = show();
        size_t i = 0;
        for (int16_t row = 6; row <= 18; ++row)
            for (int16_t column = 15; column <= 65; ++column) ConsoleWriteCell(row, column, saved[i++]);
        return bytes + show();
    },
};

// A help page framed on the whole screen: its 23 inner rows scroll up one line
// and the new line is written at the bottom.
const Scenario HelpScroll = {
    [] {
        Frame(1, 1, 25, 80, 0x07);
        ConsoleShowCursor(false);
    },
    [](int step, const Show& show) {
        ConsoleSetAttribute(0x07);
        ConsoleScroll(2, 2, 24, 79, 1);
        ConsoleLocate(24, 3);
        std::string line = "L\xA1nia " + std::to_string(step) + ": el tipus general de l'impost s'aplica a ";  // Línia
        ConsoleWriteText(line);
        ConsoleSetAttribute(0x0f);
        ConsoleWriteText("l'habitatge");
        return show();
    },
};

void Measure(benchmark::State& state, const Scenario& scenario) {
    PseudoTerminal pty;
    if (!UseTerminalConsoleOn(pty.slave(), TerminalType)) {
        state.SkipWithError("no terminal");
        return;
    }
    const Show show = [&pty] {
        ConsoleFlush();
        return pty.Take().size();
    };
    scenario.setUp();
    show();
    size_t bytes = 0;
    int steps = 0;
    for (auto _ : state) bytes += scenario.step(steps++, show);
    state.counters["bytes"] = static_cast<double>(bytes) / steps;

    // The same steps through ncurses' optimiser.
    UseVirtualConsole(25, 80);
    scenario.setUp();
    CursesMirror curses;
    const Show cursesShow = [&curses] { return curses.Show(); };
    size_t cursesBytes = 0;
    for (int step = 0; step < steps; ++step) cursesBytes += scenario.step(step, cursesShow);
    state.counters["ncurses_bytes"] = static_cast<double>(cursesBytes) / steps;
}

void BM_TypeOneCharacter(benchmark::State& state) { Measure(state, Typing); }
void BM_WindowOpenAndClose(benchmark::State& state) { Measure(state, WindowOpenClose); }
void BM_HelpPageScrollOneLine(benchmark::State& state) { Measure(state, HelpScroll); }

BENCHMARK(BM_TypeOneCharacter)->Iterations(200);
BENCHMARK(BM_WindowOpenAndClose)->Iterations(100);
BENCHMARK(BM_HelpPageScrollOneLine)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
