// Tests of the console: the screen buffer, and the terminal back-end on a
// pseudo-terminal, whose output a small terminal model replays to check that the
// terminal ends up showing exactly the buffer.
#include "platform/console.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/console_terminal.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

// ---- The screen buffer ----

TEST(ConsoleBufferTest, TextRunsOnAndStopsAtTheLastCell) {
    UseVirtualConsole(25, 80);
    ConsoleSetAttribute(0x1e);
    ConsoleLocate(1, 79);
    ConsoleWriteText("abc");
    EXPECT_EQ(ConsoleRowText(1, 79, 80), "ab");
    EXPECT_EQ(ConsoleRowText(2, 1, 1), "c");
    EXPECT_EQ(ConsoleReadCell(2, 1).attribute, 0x1e);
    ConsoleLocate(25, 79);
    ConsoleWriteText("xyz");
    EXPECT_EQ(ConsoleRowText(25, 79, 80), "xy");
    EXPECT_EQ(ConsoleCursorRow(), 25);
    EXPECT_EQ(ConsoleCursorColumn(), 80);
    // Out of range: that coordinate keeps its value.
    ConsoleLocate(0, 5);
    EXPECT_EQ(ConsoleCursorRow(), 25);
    EXPECT_EQ(ConsoleCursorColumn(), 5);
}

TEST(ConsoleBufferTest, ScrollMovesARectangleOnly) {
    UseVirtualConsole(25, 80);
    for (int16_t row = 1; row <= 5; ++row) {
        ConsoleLocate(row, 1);
        ConsoleWriteText(std::string(5, static_cast<char>('0' + row)));
    }
    ConsoleSetAttribute(0x70);
    ConsoleScroll(2, 2, 4, 3, 1);
    EXPECT_EQ(ConsoleRowText(2, 1, 5), "23322");
    EXPECT_EQ(ConsoleRowText(3, 1, 5), "34433");
    EXPECT_EQ(ConsoleRowText(4, 1, 5), "4  44");
    EXPECT_EQ(ConsoleReadCell(4, 2).attribute, 0x70);
    ConsoleScroll(2, 2, 4, 3, -2);
    EXPECT_EQ(ConsoleRowText(2, 1, 5), "2  22");
    EXPECT_EQ(ConsoleRowText(4, 1, 5), "43344");
}

// ---- The terminal back-end ----

// A pseudo-terminal whose output a thread collects.
class PseudoTerminal {
public:
    PseudoTerminal(int rows, int columns) {
        winsize size{};
        size.ws_row = static_cast<unsigned short>(rows);
        size.ws_col = static_cast<unsigned short>(columns);
        if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) ADD_FAILURE() << "openpty";
        reader_ = std::thread([this] {
            while (!stop_) {
                pollfd ready{master_, POLLIN, 0};
                if (poll(&ready, 1, 5) <= 0) continue;
                std::lock_guard<std::mutex> lock(mutex_);
                char buffer[4096];
                const ssize_t got = read(master_, buffer, sizeof buffer);
                if (got > 0) output_.append(buffer, static_cast<size_t>(got));
            }
        });
    }
    ~PseudoTerminal() {
        stop_ = true;
        reader_.join();
        close(master_);
        close(slave_);
    }
    int slave() const { return slave_; }
    // Everything written since the last call: a marker written after it on the
    // same terminal tells when all of it has come through.
    std::string Take() {
        static constexpr char Marker[] = "\x1b]999\a";
        EXPECT_EQ(write(slave_, Marker, sizeof Marker - 1), static_cast<ssize_t>(sizeof Marker - 1));
        for (int waited = 0; waited < 5000; ++waited) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                const size_t at = output_.find(Marker);
                if (at != std::string::npos) {
                    std::string taken = output_.substr(0, at);
                    output_.erase(0, at + sizeof Marker - 1);
                    return taken;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ADD_FAILURE() << "the terminal's output did not come through";
        return {};
    }
    void Type(const std::string& bytes) { EXPECT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    void Resize(int rows, int columns) {
        winsize size{};
        size.ws_row = static_cast<unsigned short>(rows);
        size.ws_col = static_cast<unsigned short>(columns);
        ioctl(slave_, TIOCSWINSZ, &size);
        raise(SIGWINCH);
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string output_;
};

// A small model of an xterm-like terminal: enough of cursor movement, scroll
// regions, erasing and colours to replay what the back-end sends.
class TerminalModel {
public:
    struct Cell {
        std::string glyph = " ";
        int foreground = -1;  // ANSI colour 0-15, -1 the default
        int background = -1;
    };
    TerminalModel(int rows, int columns)
        : rows_(rows), columns_(columns), bottom_(rows), cells_(static_cast<size_t>(rows * columns)) {}

    void Feed(const std::string& bytes) {
        size_t i = 0;
        while (i < bytes.size()) {
            const auto byte = static_cast<uint8_t>(bytes[i]);
            if (byte == 0x1b) {
                i = Escape(bytes, i + 1);
            } else if (byte == '\r') {
                column_ = 1, pendingWrap_ = false, ++i;
            } else if (byte == '\n') {
                LineFeed(), ++i;
            } else if (byte == '\b') {
                column_ = std::max(1, column_ - 1), pendingWrap_ = false, ++i;
            } else if (byte < 0x20) {
                ++i;  // BEL, SI, CAN
            } else {
                const int length = Utf8SequenceLength(byte);
                ASSERT_GT(length, 0) << "bad UTF-8 sent";
                Put(bytes.substr(i, static_cast<size_t>(length)));
                i += static_cast<size_t>(length);
            }
        }
    }

    const Cell& At(int row, int column) const { return cells_[static_cast<size_t>((row - 1) * columns_ + column - 1)]; }
    int row() const { return row_; }
    int column() const { return column_; }

private:
    Cell& CellAt(int row, int column) { return cells_[static_cast<size_t>((row - 1) * columns_ + column - 1)]; }

    void Put(const std::string& glyph) {
        if (pendingWrap_) {
            column_ = 1;
            LineFeed();
        }
        // Like tmux, a repeat covers only an ASCII character: after a UTF-8 one it does nothing.
        last_ = glyph.size() == 1 ? glyph : std::string();
        Cell& cell = CellAt(row_, column_);
        cell.glyph = glyph;
        cell.foreground = foreground_;
        cell.background = background_;
        if (column_ == columns_) {
            pendingWrap_ = true;
        } else {
            ++column_;
        }
    }

    void LineFeed() {
        pendingWrap_ = false;
        if (row_ == bottom_) {
            ScrollUp(top_, bottom_, 1);
        } else if (row_ < rows_) {
            ++row_;
        }
    }

    void ScrollUp(int top, int bottom, int count) {
        for (int n = 0; n < count; ++n) {
            for (int row = top; row < bottom; ++row)
                for (int column = 1; column <= columns_; ++column) CellAt(row, column) = CellAt(row + 1, column);
            for (int column = 1; column <= columns_; ++column) CellAt(bottom, column) = Cell{};
        }
    }

    void ScrollDown(int top, int bottom, int count) {
        for (int n = 0; n < count; ++n) {
            for (int row = bottom; row > top; --row)
                for (int column = 1; column <= columns_; ++column) CellAt(row, column) = CellAt(row - 1, column);
            for (int column = 1; column <= columns_; ++column) CellAt(top, column) = Cell{};
        }
    }

    size_t Escape(const std::string& bytes, size_t i) {
        if (i >= bytes.size()) return i;
        const char kind = bytes[i];
        if (kind == 'M') {
            if (row_ == top_) {
                ScrollDown(top_, bottom_, 1);
            } else if (row_ > 1) {
                --row_;
            }
            return i + 1;
        }
        if (kind == '(') return i + 2;
        if (kind == ']') {
            const size_t end = bytes.find('\a', i);
            return end == std::string::npos ? bytes.size() : end + 1;
        }
        if (kind != '[') return i + 1;  // ESC = and ESC >
        std::string parameters;
        ++i;
        while (i < bytes.size() && static_cast<uint8_t>(bytes[i]) < 0x40) parameters += bytes[i++];
        if (i >= bytes.size()) return i;
        Control(parameters, bytes[i]);
        return i + 1;
    }

    static std::vector<int> Numbers(const std::string& parameters) {
        std::vector<int> numbers;
        std::string current;
        for (const char c : parameters + ";") {
            if (c == ';') {
                numbers.push_back(current.empty() ? -1 : std::stoi(current));
                current.clear();
            } else if (c >= '0' && c <= '9') {
                current += c;
            }
        }
        return numbers;
    }

    void Control(const std::string& parameters, char final) {
        if (!parameters.empty() && (parameters[0] == '?' || parameters.back() == ' ')) return;  // modes, cursor shape
        const std::vector<int> n = Numbers(parameters);
        const auto arg = [&n](size_t index, int fallback) {
            return index < n.size() && n[index] > 0 ? n[index] : fallback;
        };
        if (final != 'b') pendingWrap_ = false;
        switch (final) {
            case 'H':
                row_ = std::min(arg(0, 1), rows_);
                column_ = std::min(arg(1, 1), columns_);
                break;
            case 'C': column_ = std::min(column_ + arg(0, 1), columns_); break;
            case 'D': column_ = std::max(column_ - arg(0, 1), 1); break;
            case 'G': column_ = std::min(arg(0, 1), columns_); break;
            case 'r':
                top_ = arg(0, 1);
                bottom_ = arg(1, rows_);
                row_ = column_ = 1;
                break;
            case 'S': ScrollUp(top_, bottom_, arg(0, 1)); break;
            case 'T': ScrollDown(top_, bottom_, arg(0, 1)); break;
            case 'J':
                if (arg(0, 0) == 2) std::fill(cells_.begin(), cells_.end(), Cell{});
                break;
            case 'm': Colours(n); break;
            case 'b':
                for (int i = last_.empty() ? 0 : arg(0, 1); i > 0; --i) Put(last_);
                break;
            case 'h': case 'l': case 't': break;
            default: ADD_FAILURE() << "unexpected control sequence " << parameters << final;
        }
    }

    void Colours(const std::vector<int>& numbers) {
        for (const int number : numbers) {
            if (number <= 0) foreground_ = background_ = -1;
            else if (number >= 30 && number <= 37) foreground_ = number - 30;
            else if (number >= 90 && number <= 97) foreground_ = number - 90 + 8;
            else if (number >= 40 && number <= 47) background_ = number - 40;
            else if (number >= 100 && number <= 107) background_ = number - 100 + 8;
            else ADD_FAILURE() << "unexpected colour " << number;
        }
    }

    int rows_, columns_;
    int row_ = 1, column_ = 1;
    int top_ = 1, bottom_;
    bool pendingWrap_ = false;
    std::string last_ = " ";
    int foreground_ = -1, background_ = -1;
    std::vector<Cell> cells_;
};

// The ANSI colour of a DOS colour.
int AnsiColour(int dos) {
    static constexpr int Order[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return Order[dos & 7] + (dos & 8);
}

// Whether the model shows the console's cells and cursor exactly.
void ExpectShowsConsole(const TerminalModel& model, const std::string& when) {
    int mismatches = 0;
    for (int16_t row = 1; row <= 25; ++row) {
        for (int16_t column = 1; column <= 80; ++column) {
            const ConsoleCell cell = ConsoleReadCell(row, column);
            const TerminalModel::Cell& shown = model.At(row, column);
            const bool same = shown.glyph == Cp850GlyphToUtf8(cell.character) &&
                              shown.foreground == AnsiColour(cell.attribute & 15) &&
                              shown.background == AnsiColour(cell.attribute >> 4);
            if (!same && ++mismatches <= 3) {
                ADD_FAILURE() << when << ": cell " << row << "," << column << " shows '" << shown.glyph << "' "
                              << shown.foreground << "/" << shown.background << " instead of byte "
                              << int(cell.character) << " attribute " << int(cell.attribute);
            }
        }
    }
    if (ConsoleCursorVisible()) {
        EXPECT_EQ(model.row(), ConsoleCursorRow()) << when;
        EXPECT_EQ(model.column(), ConsoleCursorColumn()) << when;
    }
}

class TerminalBackendTest : public ::testing::Test {
protected:
    void TearDown() override { UseVirtualConsole(25, 80); }
};

TEST_F(TerminalBackendTest, TerminalShowsTheBufferThroughRandomChanges) {
    for (const int columns : {80, 100}) {
        PseudoTerminal pty(30, columns);
        ASSERT_TRUE(UseTerminalConsoleOn(pty.slave(), "xterm-256color"));
        TerminalModel model(30, columns);
        std::mt19937 random(columns);
        auto number = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        for (int step = 0; step < 300; ++step) {
            const int what = number(0, 9);
            if (what < 5) {
                ConsoleSetAttribute(static_cast<uint8_t>(number(0, 255)));
                ConsoleLocate(static_cast<int16_t>(number(1, 25)), static_cast<int16_t>(number(1, 80)));
                std::string text;
                for (int i = number(1, 30); i > 0; --i) text.push_back(static_cast<char>(number(0, 255)));
                ConsoleWriteText(text);
            } else if (what < 8) {
                // Shifts of full-width bands (the terminal can move those rows itself) and of narrower ones.
                const int top = number(1, 20);
                const int left = number(0, 1) ? 1 : number(1, 40);
                ConsoleScroll(static_cast<int16_t>(top), static_cast<int16_t>(left),
                              static_cast<int16_t>(number(top, 25)), static_cast<int16_t>(left == 1 ? 80 : number(left, 80)),
                              static_cast<int16_t>(number(-3, 3)));
            } else if (what == 8) {
                ConsoleShowCursor(number(0, 1) == 1);
                ConsoleCursorInsertShape(number(0, 1) == 1);
            } else {
                ConsoleLocate(static_cast<int16_t>(number(1, 25)), static_cast<int16_t>(number(1, 80)));
            }
            if (number(0, 2) == 0) {
                ConsoleFlush();
                model.Feed(pty.Take());
                ExpectShowsConsole(model, "step " + std::to_string(step));
                if (HasFailure()) return;
            }
        }
    }
}

TEST_F(TerminalBackendTest, ShiftedRowsAreMovedNotRedrawn) {
    PseudoTerminal pty(25, 80);
    ASSERT_TRUE(UseTerminalConsoleOn(pty.slave(), "tmux-256color"));
    TerminalModel model(25, 80);
    for (int16_t row = 1; row <= 25; ++row) {
        ConsoleLocate(row, 1);
        std::string line;
        for (int i = 0; i < 80; ++i) line.push_back(static_cast<char>('A' + (row + i) % 26));
        ConsoleWriteText(line);
    }
    ConsoleFlush();
    model.Feed(pty.Take());
    ConsoleScroll(2, 1, 24, 80, 1);
    ConsoleLocate(24, 1);
    ConsoleWriteText(std::string(80, '-'));
    ConsoleFlush();
    const std::string sent = pty.Take();
    model.Feed(sent);
    ExpectShowsConsole(model, "after the scroll");
    EXPECT_LT(sent.size(), 200u);
}

TEST_F(TerminalBackendTest, FrameLinesSurviveTerminalsThatRepeatOnlyAscii) {
    PseudoTerminal pty(25, 80);
    ASSERT_TRUE(UseTerminalConsoleOn(pty.slave(), "xterm-256color"));
    TerminalModel model(25, 80);
    ConsoleSetAttribute(0x1f);
    for (const auto& [row, line] : {std::pair<int16_t, uint8_t>{4, 0xCD}, {5, 0xC4}, {6, ' '}, {7, 0xDB}}) {
        ConsoleLocate(row, 5);
        ConsoleWriteText(std::string(60, static_cast<char>(line)));
    }
    ConsoleFlush();
    const std::string sent = pty.Take();
    model.Feed(sent);
    ExpectShowsConsole(model, "frame lines");
    // Runs of blanks are still repeated by the terminal.
    EXPECT_NE(sent.find("\x1b[59b"), std::string::npos);
}

TEST_F(TerminalBackendTest, ColoursFollowTheTerminalsPalette) {
    struct Case {
        const char* terminal;
        uint8_t attribute;
        const char* sgr;
    };
    // From the light grey on black of a fresh screen, only what changes is sent.
    const Case cases[] = {
        {"xterm-256color", 0x1e, "\x1b[93;44m"},  // yellow on blue
        {"xterm-256color", 0xf0, "\x1b[30;107m"}, // black on white
        {"xterm-256color", 0x08, "\x1b[90m"},     // dark grey on black
        {"xterm", 0x1e, "\x1b[1;33;44m"},         // 8 colours: a bright foreground is bold
        {"xterm", 0xf0, "\x1b[30;47m"},           // and a bright background its plain colour
        {"vt100", 0x70, "\x1b[7m"},               // no colours: reversed
    };
    for (const Case& c : cases) {
        PseudoTerminal pty(25, 80);
        ASSERT_TRUE(UseTerminalConsoleOn(pty.slave(), c.terminal));
        ConsoleFlush();
        pty.Take();
        ConsoleSetAttribute(c.attribute);
        ConsoleLocate(3, 3);
        ConsoleWriteText("x");
        ConsoleFlush();
        EXPECT_NE(pty.Take().find(c.sgr), std::string::npos) << c.terminal << " " << int(c.attribute);
    }
}

TEST_F(TerminalBackendTest, TypingOneCharacterSendsLittle) {
    PseudoTerminal pty(25, 80);
    ASSERT_TRUE(UseTerminalConsoleOn(pty.slave(), "xterm-256color"));
    ConsoleSetAttribute(0x70);
    ConsoleLocate(10, 20);
    ConsoleWriteBlanks(10);
    ConsoleLocate(10, 20);
    ConsoleFlush();
    pty.Take();
    ConsoleWriteText("a");
    ConsoleFlush();
    EXPECT_EQ(pty.Take(), "\x1b[30;47ma");
    ConsoleFlush();
    EXPECT_EQ(pty.Take(), "");
}

TEST_F(TerminalBackendTest, SmallTerminalAsksToBeEnlarged) {
    PseudoTerminal pty(20, 60);
    ASSERT_TRUE(UseTerminalConsoleOn(pty.slave(), "xterm-256color"));
    ConsoleLocate(1, 1);
    ConsoleWriteText("PROGRAM");
    ConsoleFlush();
    TerminalModel small(20, 60);
    std::string sent = pty.Take();
    small.Feed(sent);
    EXPECT_EQ(sent.find("PROGRAM"), std::string::npos);
    EXPECT_NE(sent.find("80 x 25"), std::string::npos);
    // Keys wait while the screen cannot be shown.
    pty.Type("k");
    ConsoleEvent event;
    EXPECT_FALSE(ConsoleReadEvent(event));
    pty.Resize(25, 80);
    TerminalModel large(25, 80);
    ConsoleFlush();
    large.Feed(pty.Take());
    ExpectShowsConsole(large, "after enlarging");
    ASSERT_TRUE(ConsoleReadEvent(event));
    EXPECT_EQ(event.character, 'k');
}

TEST_F(TerminalBackendTest, InputArrivesAsEvents) {
    PseudoTerminal pty(25, 80);
    ASSERT_TRUE(UseTerminalConsoleOn(pty.slave(), "xterm-256color"));
    pty.Type("\x1b[1;5P\x1b[<0;90;5M\x1b[<0;10;5M\xe2\x98\x83" "a");
    ConsoleEvent event;
    ASSERT_TRUE(ConsoleReadEvent(event));
    EXPECT_EQ(event.scanCode, 0x3b);
    EXPECT_EQ(event.modifiers, LeftCtrl);
    // The click beyond column 80 is on no cell of the program.
    ASSERT_TRUE(ConsoleReadEvent(event));
    EXPECT_EQ(event.kind, ConsoleEvent::Mouse);
    EXPECT_EQ(event.column, 10);
    // The snowman has no place in the code page: a beep, and the next key.
    ASSERT_TRUE(ConsoleReadEvent(event));
    EXPECT_EQ(event.character, 'a');
    EXPECT_FALSE(ConsoleReadEvent(event));
    EXPECT_NE(pty.Take().find('\a'), std::string::npos);
    // A lone Esc is told within the read's short wait.
    pty.Type("\x1b");
    bool gotEsc = false;
    for (int tries = 0; tries < 20 && !gotEsc; ++tries) gotEsc = ConsoleReadEvent(event);
    ASSERT_TRUE(gotEsc);
    EXPECT_EQ(event.character, 27);
}

bool Cooked(int fd) {
    termios modes{};
    tcgetattr(fd, &modes);
    return (modes.c_lflag & ICANON) && (modes.c_lflag & ECHO) && (modes.c_lflag & ISIG);
}

TEST_F(TerminalBackendTest, TerminalIsHandedOverAndGivenBack) {
    PseudoTerminal pty(25, 80);
    ASSERT_TRUE(Cooked(pty.slave()));
    ASSERT_TRUE(UseTerminalConsoleOn(pty.slave(), "xterm-256color"));
    ConsoleSetMouse(true);
    ConsoleFlush();
    const std::string setup = pty.Take();
    EXPECT_FALSE(Cooked(pty.slave()));
    for (const char* mode : {"\x1b[?1049h", "\x1b[?1000h", "\x1b[?1006h", "\x1b[?2004h", "\x1b[?1036h"})
        EXPECT_NE(setup.find(mode), std::string::npos) << mode + 1;
    // Alt sends Esc is a choice of the user's (an xterm resource): saved, and restored rather than turned off.
    EXPECT_LT(setup.find("\x1b[?1036s"), setup.find("\x1b[?1036h"));
    ConsoleSuspend();
    EXPECT_TRUE(Cooked(pty.slave()));
    EXPECT_NE(pty.Take().find("\x1b[?1000l"), std::string::npos);
    ConsoleResume();
    EXPECT_FALSE(Cooked(pty.slave()));
    TerminalModel model(25, 80);
    model.Feed(pty.Take());
    ExpectShowsConsole(model, "after resuming");
    UseVirtualConsole(25, 80);
    EXPECT_TRUE(Cooked(pty.slave()));
    const std::string restore = pty.Take();
    for (const char* mode : {"\x1b[?1000l", "\x1b[?2004l", "\x1b[?1036r", "\x1b[?25h", "\x1b[0 q", "\x1b[?1049l"})
        EXPECT_NE(restore.find(mode), std::string::npos) << mode + 1;
    EXPECT_EQ(restore.find("\x1b[?1036l"), std::string::npos);
    // A terminal without a screen of its own to leave gets the shell's prompt below the program's screen.
    ASSERT_TRUE(UseTerminalConsoleOn(pty.slave(), "linux"));
    ConsoleFlush();
    pty.Take();
    UseVirtualConsole(25, 80);
    const std::string linuxRestore = pty.Take();
    EXPECT_NE(linuxRestore.find("\x1b[25;1H\r\n"), std::string::npos);
}

TEST_F(TerminalBackendTest, SignalsGiveTheTerminalBack) {
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGSEGV, SIGABRT}) {
        PseudoTerminal pty(25, 80);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!UseTerminalConsoleOn(pty.slave(), "xterm-256color")) _exit(2);
            ConsoleFlush();
            // A sanitizer's report of the crash is not wanted in the test's output.
            dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
            raise(signalNumber);
            _exit(3);
        }
        int status = 0;
        waitpid(child, &status, 0);
        // The signal ended the process (a sanitizer's own handler may end it with a report).
        EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << strsignal(signalNumber);
        EXPECT_TRUE(Cooked(pty.slave())) << strsignal(signalNumber);
        const std::string sent = pty.Take();
        EXPECT_NE(sent.rfind("\x1b[?1049l"), std::string::npos) << strsignal(signalNumber);
    }
}

// Waits up to five seconds for the terminal's mode.
bool BecomesCooked(int fd, bool cooked) {
    for (int waited = 0; waited < 500; ++waited) {
        if (Cooked(fd) == cooked) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Waits up to five seconds for the child to stop or end; a child that does
// neither is killed, so a fault shows as a failure rather than a hung test.
bool AwaitChild(pid_t child, int& status, int options) {
    for (int waited = 0; waited < 500; ++waited) {
        if (waitpid(child, &status, options | WNOHANG) == child) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return false;
}

TEST_F(TerminalBackendTest, StopFromOutsideAndExitGiveTheTerminalBack) {
    PseudoTerminal pty(25, 80);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A group of its own whose parent stands outside it: the system discards a
        // stop signal in an orphaned group, as the test's own group may be under CI.
        setpgid(0, 0);
        if (!UseTerminalConsoleOn(pty.slave(), "xterm-256color")) _exit(2);
        ConsoleEvent event;
        for (;;) {
            // A normal end: the terminal is given back at exit.
            if (ConsoleReadEvent(event) && event.character == 'q') std::exit(0);
        }
    }
    EXPECT_TRUE(BecomesCooked(pty.slave(), false));
    kill(child, SIGTSTP);
    int status = 0;
    ASSERT_TRUE(AwaitChild(child, status, WUNTRACED));
    EXPECT_TRUE(WIFSTOPPED(status));
    EXPECT_TRUE(Cooked(pty.slave()));
    kill(child, SIGCONT);
    EXPECT_TRUE(BecomesCooked(pty.slave(), false));
    pty.Type("q");
    EXPECT_TRUE(AwaitChild(child, status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(Cooked(pty.slave()));
}

// A program (the print program) whose caller is killed while it runs: once the
// shell has the terminal back, the program turns its modes off and ends, instead
// of leaving them on under the shell's prompt; the shell's settings and screen
// are left alone.
TEST_F(TerminalBackendTest, ProgramWhoseCallerIsGoneGivesTheTerminalBack) {
    PseudoTerminal pty(25, 80);
    const std::string name = ttyname(pty.slave());
    const pid_t shell = fork();
    ASSERT_GE(shell, 0);
    if (shell == 0) {
        // A shell of its own: a session on the pseudo-terminal that collects orphans.
        setsid();
        const int tty = open(name.c_str(), O_RDWR);
        if (tty < 0 || ioctl(tty, TIOCSCTTY, 0) != 0) _exit(10);
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        signal(SIGTTOU, SIG_IGN);
        const pid_t caller = fork();
        if (caller == 0) {
            // The caller's job in the foreground, and the program started from it.
            setpgid(0, 0);
            tcsetpgrp(tty, getpid());
            if (fork() == 0) {
                if (!UseTerminalConsoleOn(tty, "xterm-256color")) _exit(2);
                ConsoleSetMouse(true);
                ConsoleEvent event;
                const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
                while (std::chrono::steady_clock::now() < end) ConsoleReadEvent(event);
                _exit(3);
            }
            usleep(300 * 1000);
            _exit(0);  // the caller is killed
        }
        int status = 0;
        waitpid(caller, &status, 0);
        tcsetpgrp(tty, getpgrp());
        termios shellModes{};
        tcgetattr(tty, &shellModes);
        shellModes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON);
        tcsetattr(tty, TCSANOW, &shellModes);
        // The program, now this process's child, must end within a moment by a hang-up.
        for (int waited = 0; waited < 200; ++waited) {
            if (waitpid(-1, &status, WNOHANG) > 0) {
                const bool hungUp = WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP;
                tcgetattr(tty, &shellModes);
                _exit(!hungUp ? 4 : (shellModes.c_lflag & ECHO) ? 6 : 0);
            }
            usleep(10 * 1000);
        }
        kill(-caller, SIGKILL);
        _exit(5);
    }
    int status = 0;
    ASSERT_TRUE(AwaitChild(shell, status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    const std::string sent = pty.Take();
    const size_t modesOn = sent.rfind("\x1b[?1000h");
    ASSERT_NE(modesOn, std::string::npos);
    EXPECT_NE(sent.find("\x1b[?1000l", modesOn), std::string::npos);
    EXPECT_NE(sent.find("\x1b[?25h", modesOn), std::string::npos);
    EXPECT_EQ(sent.find("\x1b[?1049l", modesOn), std::string::npos);
}

// A stop the program cannot see (kill -STOP): the shell sets the terminal its own
// way meanwhile; once continued, the program takes it again and redraws.
TEST_F(TerminalBackendTest, ContinuedAfterAStopItCouldNotSeeTakesTheTerminalAgain) {
    PseudoTerminal pty(25, 80);
    termios shellModes{};
    tcgetattr(pty.slave(), &shellModes);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!UseTerminalConsoleOn(pty.slave(), "xterm-256color")) _exit(2);
        ConsoleWriteText("PROGRAM");
        ConsoleEvent event;
        for (;;) {
            if (ConsoleReadEvent(event) && event.character == 'q') std::exit(0);
        }
    }
    EXPECT_TRUE(BecomesCooked(pty.slave(), false));
    kill(child, SIGSTOP);
    int status = 0;
    ASSERT_TRUE(AwaitChild(child, status, WUNTRACED));
    tcsetattr(pty.slave(), TCSANOW, &shellModes);
    pty.Take();
    kill(child, SIGCONT);
    EXPECT_TRUE(BecomesCooked(pty.slave(), false));
    std::string redrawn;
    for (int waited = 0; waited < 100 && redrawn.find("PROGRAM") == std::string::npos; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        redrawn += pty.Take();
    }
    EXPECT_NE(redrawn.find("PROGRAM"), std::string::npos);
    // The user's own Alt mode, saved at the start, is not overwritten by the program's.
    EXPECT_EQ(redrawn.find("\x1b[?1036s"), std::string::npos);
    pty.Type("q");
    EXPECT_TRUE(AwaitChild(child, status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(Cooked(pty.slave()));
}

TEST_F(TerminalBackendTest, UnusableTerminalsAreRefused) {
    PseudoTerminal pty(25, 80);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(UseTerminalConsoleOn(pty.slave(), "dumb"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("terminal"), std::string::npos);
    const int notATerminal = open("/dev/null", O_RDWR);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(UseTerminalConsoleOn(notATerminal, "xterm"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("terminal"), std::string::npos);
    close(notATerminal);
    // A terminal that cannot place the cursor (a printing one) is refused like "dumb".
    if (std::system("command -v tic >/dev/null 2>&1") == 0) {
        test::ScratchDir scratch;
        test::WriteFileBytes(scratch / "glass.src", "glass|a terminal without cursor addressing,\n\tam, cols#80, lines#24, bel=^G, cr=\\r, cud1=\\n,\n");
        ASSERT_EQ(std::system(("tic -o " + scratch.path() + " " + scratch.path() + "glass.src").c_str()), 0);
        test::ScopedEnv env;
        env.Set("TERMINFO", scratch.path());
        testing::internal::CaptureStderr();
        EXPECT_FALSE(UseTerminalConsoleOn(pty.slave(), "glass"));
        EXPECT_NE(testing::internal::GetCapturedStderr().find("cursor"), std::string::npos);
        EXPECT_TRUE(Cooked(pty.slave()));
    }
    // A type the database does not know is taken as xterm-256color.
    EXPECT_TRUE(UseTerminalConsoleOn(pty.slave(), "no-such-terminal-kind"));
    EXPECT_TRUE(Cooked(pty.slave()) == false);
}

}  // namespace
}  // namespace korvidan
