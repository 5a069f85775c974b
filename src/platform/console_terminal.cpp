// The terminal back-end of the console. The screen buffer of platform/console is
// the truth; this file keeps a copy of what the terminal shows and, when the
// program waits for input or hands the terminal to a child, sends only the cells
// that differ (moving whole lines with a scroll region when rows have shifted),
// remembering the terminal's colours and cursor between flushes. Escape strings
// come from the terminfo entry; the private modes are the xterm ones every
// xterm-compatible terminal knows. Restoring the terminal is async-signal-safe.
#include "platform/console_terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/console_terminfo.h"
#include "platform/terminal_input.h"

namespace korvidan {

namespace {

constexpr int Rows = 25;
constexpr int Columns = 80;
// How long after a keypad key typed with Alt the Alt key counts as released
// (a terminal reports no key releases; decimal entry ends with the release).
constexpr int64_t AltReleaseMs = 600;
// How long one read waits for input before the caller polls again.
constexpr int ReadWaitMs = 50;
// Rough sizes of output, for choosing between moving rows and redrawing them:
// a cursor address, and what moving rows with a scroll region costs in itself.
constexpr int CursorAddressCost = 7;
constexpr int ScrollCost = 45;

// Private modes of the program's session: SGR mouse encoding, bracketed paste,
// Alt sends Esc (xterm would otherwise swallow Alt+X), application keypad.
constexpr const char* SessionModesOn = "\x1b[?1006h\x1b[?2004h\x1b[?1036h\x1b=";
// Saves the user's own choice of Alt sends Esc before the session's is set.
constexpr const char* SaveUserModes = "\x1b[?1036s";
// The same off, with mouse reporting; Alt sends Esc again as the user had it.
constexpr const char* SessionModesOff = "\x1b[?1000l\x1b[?1006l\x1b[?2004l\x1b[?1036r\x1b>";
constexpr const char* MouseOn = "\x1b[?1000h";
constexpr const char* MouseOff = "\x1b[?1000l";
// The cursor shape the user chose (DECSCUSR 0), the bar for insert and the block for overwrite.
constexpr int UserCursorShape = 0;
constexpr int InsertCursorShape = 5;
constexpr int OverwriteCursorShape = 1;

int64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Writes everything, going on after interruptions; gives up when the terminal is gone.
void WriteAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, data, length);
        if (written > 0) {
            data += written;
            length -= static_cast<size_t>(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

// ---- Giving the terminal back, from normal code and from signal handlers ----

// Everything the restore needs, prepared before any signal can ask for it.
struct RestoreRecord {
    int fd = -1;
    termios saved{};
    char sequence[256] = {};  // the whole restore
    size_t length = 0;
    char screenExit[64] = {}; // back to the user's screen only
    size_t screenExitLength = 0;
};
RestoreRecord restore;
// What a restore has to do: nothing, everything, or (while a child has the
// terminal, already in cooked mode) only leave the program's screen.
enum : sig_atomic_t { NothingToRestore, RestoreAll, RestoreScreen };
volatile sig_atomic_t restoreArmed = NothingToRestore;
volatile sig_atomic_t resizeNoted = 0;
volatile sig_atomic_t stopNoted = 0;
volatile sig_atomic_t continueNoted = 0;

void RestoreNow() {
    const sig_atomic_t armed = restoreArmed;
    restoreArmed = NothingToRestore;
    if (armed == RestoreAll) {
        WriteAll(restore.fd, restore.sequence, restore.length);
        tcsetattr(restore.fd, TCSADRAIN, &restore.saved);
    } else if (armed == RestoreScreen) {
        WriteAll(restore.fd, restore.screenExit, restore.screenExitLength);
    }
}

constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL};
struct sigaction previousActions[65];

// Restores, then lets the signal do what it did before (end the process, or the
// previous handler's work); a crash repeats with the previous action.
void OnEndingSignal(int signalNumber) {
    const int savedErrno = errno;
    RestoreNow();
    sigaction(signalNumber, &previousActions[signalNumber], nullptr);
    errno = savedErrno;
    raise(signalNumber);
}

void InstallStopHandler();

// A stop from outside (kill -TSTP): the shell gets the terminal back while stopped.
void OnStopSignal(int) {
    const int savedErrno = errno;
    // While a child has the terminal, the terminal is already the shell's.
    const bool wasArmed = restoreArmed == RestoreAll;
    if (wasArmed) RestoreNow();
    signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP);
    // Continued: the next read takes the terminal again.
    InstallStopHandler();
    if (wasArmed) stopNoted = 1;
    errno = savedErrno;
}

void OnResize(int) { resizeNoted = 1; }

// Continued after a stop that could not be caught (kill -STOP): the shell has
// meanwhile set the terminal its own way, so the next read takes it again.
void OnContinue(int) {
    if (restoreArmed == RestoreAll) continueNoted = 1;
}

void InstallStopHandler() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTSTP, &action, nullptr);
}

void RestoreAtExit() { RestoreNow(); }

// Installed once per process. A signal the process ignores stays ignored.
void InstallSignalHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    // A stack of its own, so that a stack overflow still restores the terminal.
    static std::vector<char> alternateStack(64 * 1024);
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE)) {
        stack_t stack{};
        stack.ss_sp = alternateStack.data();
        stack.ss_size = alternateStack.size();
        sigaltstack(&stack, nullptr);
    }
    for (const int signalNumber : EndingSignals) {
        sigaction(signalNumber, nullptr, &previousActions[signalNumber]);
        if (previousActions[signalNumber].sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = OnEndingSignal;
        action.sa_flags = SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(signalNumber, &action, nullptr);
    }
    struct sigaction resize {};
    resize.sa_handler = OnResize;
    sigemptyset(&resize.sa_mask);
    sigaction(SIGWINCH, &resize, nullptr);
    struct sigaction resume {};
    resume.sa_handler = OnContinue;
    sigemptyset(&resume.sa_mask);
    sigaction(SIGCONT, &resume, nullptr);
    struct sigaction stop {};
    sigaction(SIGTSTP, nullptr, &stop);
    if (stop.sa_handler != SIG_IGN) InstallStopHandler();
    atexit(RestoreAtExit);
}

// ---- The back-end ----

class TerminalBackend final : public ConsoleBackend {
public:
    TerminalBackend(int fd, const TerminalCapabilities& capabilities) : fd_(fd), caps_(capabilities) {
        for (int byte = 0; byte < 256; ++byte) glyphs_[byte] = Cp850GlyphToUtf8(static_cast<uint8_t>(byte));
    }

    ~TerminalBackend() override {
        RestoreNow();
        restore.fd = -1;
        FreeTerminalCapabilities();
    }

    // Keeps the user's terminal settings, then takes the terminal.
    bool Start() {
        termios saved{};
        if (tcgetattr(fd_, &saved) != 0) return false;
        restore.fd = fd_;
        restore.saved = saved;
        parent_ = getppid();
        std::string sequence(1, '\x18');  // CAN ends a sequence a signal may have cut
        sequence += HandOverSequence();
        // Without a screen of its own to leave (the Linux console), the shell's
        // prompt goes below the program's last screen rather than into it.
        sequence += caps_.exitScreen.empty() ? FillCapability(caps_.cursorAddress, Rows - 1, 0) + "\r\n"
                                             : caps_.exitScreen;
        restore.length = std::min(sequence.size(), sizeof restore.sequence);
        std::memcpy(restore.sequence, sequence.data(), restore.length);
        restore.screenExitLength = std::min(caps_.exitScreen.size(), sizeof restore.screenExit);
        std::memcpy(restore.screenExit, caps_.exitScreen.data(), restore.screenExitLength);
        TakeTerminal();
        return true;
    }

    bool ReadEvent(ConsoleEvent& event) override {
        NoteSignals();
        if (suspended_) return false;
        if (TakeEvent(event)) return true;
        if (ReadInput(0) && TakeEvent(event)) return true;
        if (AltReleased(event)) return true;
        Flush();
        ReadInput(WaitLimit());
        NoteSignals();
        return TakeEvent(event);
    }

    void Beep() override { pendingRaw_ += caps_.beep; }
    void SetMouse(bool on) override { mouseWanted_ = on; }
    bool HasMouse() override { return true; }

    void Suspend() override {
        Flush();
        if (suspended_) return;
        suspended_ = true;
        restoreArmed = RestoreScreen;
        const std::string handOver = HandOverSequence();
        WriteAll(fd_, handOver.data(), handOver.size());
        tcsetattr(fd_, TCSADRAIN, &restore.saved);
    }

    void Resume() override {
        if (!suspended_) return;
        suspended_ = false;
        TakeTerminal();
        Flush();
    }

    void Flush() override {
        NoteSignals();
        if (suspended_) return;
        if (tooSmall_) {
            DrawEnlargeRequest();
        } else {
            DrawScreen();
        }
        if (mouseWanted_ != mouseSent_) {
            out_ += mouseWanted_ ? MouseOn : MouseOff;
            mouseSent_ = mouseWanted_;
        }
        out_ += pendingRaw_;
        pendingRaw_.clear();
        WriteAll(fd_, out_.data(), out_.size());
        out_.clear();
    }

    void SendRaw(const std::string& bytes) override { pendingRaw_ += bytes; }

private:
    // What hands the terminal back for a while: the session's modes off, plain
    // colours, the cursor visible in the user's shape.
    std::string HandOverSequence() const {
        std::string sequence = SessionModesOff + caps_.resetAttributes;
        if (!caps_.cursorShape.empty()) sequence += FillCapability(caps_.cursorShape, UserCursorShape);
        return sequence + caps_.cursorNormal;
    }

    // Raw input, the program's own screen and modes; everything is drawn afresh.
    // After a stop the program could not see, its screen is still there and the
    // user's modes are saved already.
    void TakeTerminal(bool handedBack = true) {
        termios raw = restore.saved;
        cfmakeraw(&raw);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(fd_, TCSADRAIN, &raw);
        restoreArmed = RestoreAll;
        std::string setup = handedBack ? caps_.enterScreen + SaveUserModes : std::string();
        setup += SessionModesOn;
        WriteAll(fd_, setup.data(), setup.size());
        mouseSent_ = false;
        cursorShown_ = -1;
        shapeSent_ = -1;
        ForgetScreen();
        resizeNoted = 0;  // the size is read afresh just below
        QuerySize();
    }

    void ForgetScreen() {
        fullRedraw_ = true;
        requestShown_ = false;
        attribute_ = -1;
        cursorRow_ = 0;
    }

    void QuerySize() {
        winsize size{};
        if (ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) {
            terminalRows_ = size.ws_row;
            terminalColumns_ = size.ws_col;
        } else {
            terminalRows_ = Rows;
            terminalColumns_ = Columns;
        }
        tooSmall_ = terminalRows_ < Rows || terminalColumns_ < Columns;
    }

    void NoteSignals() {
        if (resizeNoted) {
            resizeNoted = 0;
            QuerySize();
            ForgetScreen();
        }
        if (stopNoted) {
            stopNoted = 0;
            if (!suspended_) TakeTerminal();
        }
        if (continueNoted) {
            continueNoted = 0;
            if (!suspended_) TakeTerminal(false);
        }
    }

    // ---- Input ----

    // Reads what the terminal has sent, waiting at most the time given.
    bool ReadInput(int waitMs) {
        pollfd ready{fd_, POLLIN, 0};
        const int polled = poll(&ready, 1, waitMs);
        if (polled == 0 && TerminalTakenAway()) EndWithoutTerminal();
        if (polled <= 0) return false;
        char buffer[4096];
        const ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got > 0) {
            FeedTerminalInput(input_, std::string_view(buffer, static_cast<size_t>(got)), NowMs());
            return true;
        }
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) return false;
        // End of input or a read error: the terminal has gone, as with a hang-up.
        RestoreNow();
        raise(SIGHUP);
        std::exit(0);
    }

    // The program that started this one has ended and the shell has taken the
    // terminal back (a print program whose caller was killed): nobody will type
    // here again, and the modes left on would spoil the shell's terminal.
    bool TerminalTakenAway() const {
        if (getppid() == parent_) return false;
        const pid_t foreground = tcgetpgrp(fd_);
        return foreground > 0 && foreground != getpgrp();
    }

    // Ends as a hang-up does, turning off only the modes this program switched on:
    // the terminal's settings and its screen now belong to the shell, whose prompt
    // must stay where it is.
    [[noreturn]] void EndWithoutTerminal() {
        restoreArmed = NothingToRestore;
        const std::string handOver = "\x18" + HandOverSequence();
        WriteAll(fd_, handOver.data(), handOver.size());
        raise(SIGHUP);
        std::exit(0);
    }

    // The next decoded event; while the terminal is too small to show the screen, input waits.
    bool TakeEvent(ConsoleEvent& event) {
        if (tooSmall_) return false;
        for (;;) {
            const TerminalInputResult result = TakeTerminalEvent(input_, NowMs(), event);
            if (result == TerminalInputResult::Nothing) return false;
            if (result == TerminalInputResult::Refused) {
                Beep();
                continue;
            }
            // A click outside the console's 80 x 25 cells is on no cell of the program.
            if (event.kind == ConsoleEvent::Mouse && (event.row > Rows || event.column > Columns)) continue;
            if (event.kind == ConsoleEvent::Key) {
                altKeypadMs_ = event.keypad && (event.modifiers & LeftAlt) ? NowMs() : -1;
            }
            return true;
        }
    }

    // The release of Alt after keypad keys typed with it, once no further key came.
    bool AltReleased(ConsoleEvent& event) {
        if (altKeypadMs_ < 0 || NowMs() - altKeypadMs_ < AltReleaseMs) return false;
        altKeypadMs_ = -1;
        event = ConsoleEvent{};
        event.kind = ConsoleEvent::Other;
        return true;
    }

    int WaitLimit() const {
        const int64_t now = NowMs();
        int64_t limit = ReadWaitMs;
        const int64_t pending = TerminalInputWaitMs(input_, now);
        if (pending >= 0 && !tooSmall_) limit = std::min(limit, pending);
        if (altKeypadMs_ >= 0) limit = std::min(limit, std::max<int64_t>(0, altKeypadMs_ + AltReleaseMs - now));
        return static_cast<int>(limit);
    }

    // ---- Output ----

    int Index(int row, int column) const { return (row - 1) * Columns + (column - 1); }

    static int32_t CellValue(ConsoleCell cell) { return cell.character | (cell.attribute << 8); }

    int32_t Wanted(int row, int column) const {
        return CellValue(ConsoleReadCell(static_cast<int16_t>(row), static_cast<int16_t>(column)));
    }

    void DrawScreen() {
        if (fullRedraw_) {
            out_ += caps_.resetAttributes + caps_.clearScreen;
            attribute_ = -1;
            cursorRow_ = 1;
            cursorColumn_ = 1;
            std::fill(shown_.begin(), shown_.end(), -1);
            fullRedraw_ = false;
        } else {
            MoveShiftedRows();
        }
        for (int row = 1; row <= Rows; ++row) DrawRow(row);
        PlaceCursor();
    }

    void DrawRow(int row) {
        for (int column = 1; column <= Columns; ++column) {
            const int32_t cell = Wanted(row, column);
            int32_t& shown = shown_[Index(row, column)];
            if (cell == shown) continue;
            shown = cell;
            // Without a late wrap, the terminal's last cell would scroll the whole screen.
            if (caps_.autoMargins && !caps_.lateWrap && row == terminalRows_ && column == terminalColumns_) {
                continue;
            }
            MoveTo(row, column);
            SetAttribute(cell >> 8);
            out_ += glyphs_[cell & 0xff];
            Advance();
            column += RepeatRun(row, column, cell);
        }
    }

    // When the cells after one just written want the same and show something else
    // (a run of blanks), the terminal repeats the character itself. Only a one-byte
    // character: tmux, and terminals that copy it, repeat nothing after a UTF-8 one,
    // which would lose whole frame lines. Returns how many cells that covered.
    int RepeatRun(int row, int column, int32_t cell) {
        if (!caps_.repeats || glyphs_[cell & 0xff].size() != 1) return 0;
        int run = 0;
        for (int next = column + 1; next <= Columns; ++next) {
            if (Wanted(row, next) != cell || shown_[Index(row, next)] == cell) break;
            if (!caps_.lateWrap && row == terminalRows_ && next == terminalColumns_) break;
            ++run;
        }
        std::string repeat = "\x1b[";
        repeat += std::to_string(run);
        repeat += 'b';
        if (run == 0 || repeat.size() >= run * glyphs_[cell & 0xff].size()) return 0;
        out_ += repeat;
        for (int next = column + 1; next <= column + run; ++next) {
            shown_[Index(row, next)] = cell;
            Advance();
        }
        return run;
    }

    void Advance() {
        if (cursorColumn_ >= terminalColumns_) {
            cursorRow_ = 0;  // at the right margin the next position depends on the terminal
        } else {
            ++cursorColumn_;
        }
    }

    static void KeepShorter(std::string& best, const std::string& candidate) {
        if (!candidate.empty() && candidate.size() < best.size()) best = candidate;
    }

    // Moves the cursor the cheapest way: an absolute address, a relative move, or
    // (on the same row) writing again the few cells that lie between.
    void MoveTo(int row, int column) {
        if (cursorRow_ == row && cursorColumn_ == column) return;
        std::string best = FillCapability(caps_.cursorAddress, row - 1, column - 1);
        if (cursorRow_ == row) {
            const int distance = column - cursorColumn_;
            if (distance > 0) {
                KeepShorter(best, distance == 1 ? caps_.cursorRight : std::string());
                KeepShorter(best, FillCapability(caps_.cursorRightMany, distance));
                KeepShorter(best, Rewritten(row, cursorColumn_, column));
            } else {
                KeepShorter(best, distance == -1 ? caps_.cursorLeft : std::string());
                KeepShorter(best, FillCapability(caps_.cursorLeftMany, -distance));
                if (column == 1) KeepShorter(best, caps_.carriageReturn);
            }
        } else if (cursorRow_ > 0 && row == cursorRow_ + 1 && column == 1 && !caps_.cursorDown.empty()) {
            KeepShorter(best, caps_.carriageReturn + caps_.cursorDown);
        }
        out_ += best;
        cursorRow_ = row;
        cursorColumn_ = column;
    }

    // The glyphs of cells from..to-1 of a row when the terminal shows them already
    // in the current colours (writing them moves the cursor); empty otherwise.
    std::string Rewritten(int row, int from, int to) const {
        if (to - from > 4) return {};
        std::string glyphs;
        for (int column = from; column < to; ++column) {
            const int32_t shown = shown_[Index(row, column)];
            if (shown < 0 || shown != Wanted(row, column) || (shown >> 8) != attribute_) return {};
            glyphs += glyphs_[shown & 0xff];
        }
        return glyphs;
    }

    // The SGR sequence from the terminal's current colours to an attribute: DOS
    // colour order to ANSI, bright colours as 90-97/100-107; with 8 colours a bright
    // foreground is bold and a bright background its plain colour; without colours
    // a background other than black shows reversed.
    void SetAttribute(int attribute) {
        if (attribute == attribute_) return;
        static constexpr char Ansi[8] = {'0', '4', '2', '6', '1', '5', '3', '7'};
        const bool fresh = attribute_ < 0;
        const int foreground = attribute & 15;
        const int background = (attribute >> 4) & 15;
        const int oldForeground = fresh ? -1 : attribute_ & 15;
        const int oldBackground = fresh ? -1 : (attribute_ >> 4) & 15;
        std::string parameters;
        // One parameter: a prefix, and the ANSI digit of a colour when one is given.
        auto add = [&parameters](const char* prefix, int colour = -1) {
            if (!parameters.empty()) parameters += ';';
            parameters += prefix;
            if (colour >= 0) parameters += Ansi[colour & 7];
        };
        if (fresh) add("0");
        auto changed = [fresh](bool now, bool before) { return fresh ? now : now != before; };
        if (caps_.colours >= 16) {
            if (foreground != oldForeground) add(foreground < 8 ? "3" : "9", foreground);
            if (background != oldBackground) add(background < 8 ? "4" : "10", background);
        } else {
            const bool bold = foreground >= 8;
            if (changed(bold, oldForeground >= 8)) add(bold ? "1" : "22");
            if (caps_.colours >= 8) {
                if (fresh || (foreground & 7) != (oldForeground & 7)) add("3", foreground);
                if (fresh || (background & 7) != (oldBackground & 7)) add("4", background);
            } else {
                const bool reverse = background != 0;
                if (changed(reverse, oldBackground != 0)) add(reverse ? "7" : "27");
            }
        }
        attribute_ = attribute;
        if (!parameters.empty()) out_ += "\x1b[" + parameters + "m";
    }

    void PlaceCursor() {
        if (!ConsoleCursorVisible()) {
            if (cursorShown_ != 0) out_ += caps_.cursorInvisible;
            cursorShown_ = 0;
            return;
        }
        MoveTo(ConsoleCursorRow(), ConsoleCursorColumn());
        const int shape = ConsoleCursorIsInsertShape() ? InsertCursorShape : OverwriteCursorShape;
        if (!caps_.cursorShape.empty() && shape != shapeSent_) {
            out_ += FillCapability(caps_.cursorShape, shape);
            shapeSent_ = shape;
        }
        if (cursorShown_ != 1) out_ += caps_.cursorNormal;
        cursorShown_ = 1;
    }

    // ---- Moving shifted rows with a scroll region ----

    uint64_t RowHash(int row, bool wanted) const {
        uint64_t hash = 1469598103934665603ull;
        for (int column = 1; column <= Columns; ++column) {
            const int32_t cell = wanted ? Wanted(row, column) : shown_[Index(row, column)];
            hash = (hash ^ static_cast<uint32_t>(cell)) * 1099511628211ull;
        }
        return hash;
    }

    bool RowShownAs(int wantedRow, int shownRow) const {
        for (int column = 1; column <= Columns; ++column) {
            if (Wanted(wantedRow, column) != shown_[Index(shownRow, column)]) return false;
        }
        return true;
    }

    // When a run of rows now wants what the terminal shows some rows away (a list
    // or help page scrolled), the terminal moves those rows itself.
    void MoveShiftedRows() {
        if (caps_.scrollRegion.empty() || (caps_.scrollUp.empty() && caps_.scrollUpMany.empty()) ||
            (caps_.scrollDown.empty() && caps_.scrollDownMany.empty())) {
            return;
        }
        // Per row: a guess of the bytes the plain diff sends for it, and for it drawn whole.
        std::array<uint64_t, Rows + 1> wantedHash{};
        std::array<uint64_t, Rows + 1> shownHash{};
        std::array<bool, Rows + 1> shownKnown{};
        std::array<int, Rows + 1> diffCost{};
        std::array<int, Rows + 1> wholeCost{};
        for (int row = 1; row <= Rows; ++row) {
            wantedHash[row] = RowHash(row, true);
            shownHash[row] = RowHash(row, false);
            shownKnown[row] = true;
            wholeCost[row] = CursorAddressCost;
            bool inChange = false;
            for (int column = 1; column <= Columns; ++column) {
                const int32_t shown = shown_[Index(row, column)];
                const int32_t wanted = Wanted(row, column);
                const auto glyphBytes = static_cast<int>(glyphs_[wanted & 0xff].size());
                wholeCost[row] += glyphBytes;
                if (shown < 0) shownKnown[row] = false;
                if (shown != wanted) {
                    diffCost[row] += glyphBytes + (inChange ? 0 : CursorAddressCost);
                }
                inChange = shown != wanted;
            }
        }
        int bestFirst = 0, bestLast = 0, bestShift = 0, bestSaving = 0;
        for (int shift = -(Rows - 1); shift <= Rows - 1; ++shift) {
            if (shift == 0) continue;
            int row = std::max(1, 1 - shift);
            const int lastRow = std::min(Rows, Rows - shift);
            while (row <= lastRow) {
                const int first = row;
                int saving = -ScrollCost;
                while (row <= lastRow && shownKnown[row + shift] && shownHash[row + shift] == wantedHash[row] &&
                       RowShownAs(row, row + shift)) {
                    saving += diffCost[row];
                    ++row;
                }
                if (row == first) {
                    ++row;
                    continue;
                }
                // The rows the scroll brings in are drawn whole afterwards.
                const int broughtFirst = shift > 0 ? row : first + shift;
                for (int brought = broughtFirst; brought < broughtFirst + std::abs(shift); ++brought) {
                    saving -= wholeCost[brought] - diffCost[brought];
                }
                if (saving > bestSaving) {
                    bestFirst = first;
                    bestLast = row - 1;
                    bestShift = shift;
                    bestSaving = saving;
                }
            }
        }
        if (bestSaving <= 0) return;
        ScrollRows(bestShift > 0 ? bestFirst : bestFirst + bestShift, bestShift > 0 ? bestLast + bestShift : bestLast,
                   bestShift);
    }

    // Scrolls terminal rows top..bottom up by lines (down when negative) and
    // follows in the copy of what the terminal shows; rows brought in are unknown.
    void ScrollRows(int top, int bottom, int lines) {
        const int count = std::abs(lines);
        out_ += caps_.resetAttributes;  // so that rows brought in get the plain background
        attribute_ = -1;
        out_ += FillCapability(caps_.scrollRegion, top - 1, bottom - 1);
        cursorRow_ = 0;
        if (lines > 0) {
            MoveTo(bottom, 1);
            out_ += count > 1 || caps_.scrollUp.empty() ? Repeated(caps_.scrollUpMany, caps_.scrollUp, count)
                                                        : caps_.scrollUp;
        } else {
            MoveTo(top, 1);
            out_ += count > 1 || caps_.scrollDown.empty() ? Repeated(caps_.scrollDownMany, caps_.scrollDown, count)
                                                          : caps_.scrollDown;
        }
        out_ += FillCapability(caps_.scrollRegion, 0, terminalRows_ - 1);
        cursorRow_ = 0;
        const auto rowStart = [this](int row) { return shown_.begin() + Index(row, 1); };
        if (lines > 0) {
            std::copy(rowStart(top + count), rowStart(bottom + 1), rowStart(top));
            std::fill(rowStart(bottom - count + 1), rowStart(bottom + 1), -1);
        } else {
            std::copy_backward(rowStart(top), rowStart(bottom - count + 1), rowStart(bottom + 1));
            std::fill(rowStart(top), rowStart(top + count), -1);
        }
    }

    // The many-lines form when the entry has it, else the one-line form repeated.
    static std::string Repeated(const std::string& many, const std::string& one, int count) {
        if (!many.empty()) return FillCapability(many, count);
        std::string result;
        for (int i = 0; i < count; ++i) result += one;
        return result;
    }

    // A terminal smaller than 80 x 25 shows only a short request to enlarge it.
    void DrawEnlargeRequest() {
        if (requestShown_) return;
        requestShown_ = true;
        fullRedraw_ = true;
        out_ += caps_.resetAttributes + caps_.clearScreen;
        attribute_ = -1;
        const std::string size = std::to_string(terminalColumns_) + " x " + std::to_string(terminalRows_);
        const std::string lines[] = {
            "Amplieu el terminal: cal un m\xA1nim de 80 x 25.",  // mínim
            "Please enlarge the terminal to at least 80 x 25.",
            "(" + size + ")",
        };
        int row = 0;
        for (const std::string& line : lines) {
            if (row >= terminalRows_) break;
            out_ += FillCapability(caps_.cursorAddress, row++, 0);
            out_ += Cp850ToUtf8(line.substr(0, static_cast<size_t>(terminalColumns_)));
        }
        cursorRow_ = 0;
        if (cursorShown_ != 0) out_ += caps_.cursorInvisible;
        cursorShown_ = 0;
    }

    int fd_;
    TerminalCapabilities caps_;
    std::array<std::string, 256> glyphs_;
    TerminalInputState input_;
    // What the terminal shows of the console's cells (character | attribute << 8), -1 unknown.
    std::vector<int32_t> shown_ = std::vector<int32_t>(Rows * Columns, -1);
    std::string out_;
    std::string pendingRaw_;
    int terminalRows_ = Rows;
    int terminalColumns_ = Columns;
    bool tooSmall_ = false;
    bool requestShown_ = false;
    bool fullRedraw_ = true;
    bool suspended_ = false;
    int attribute_ = -1;     // the terminal's current colours, -1 unknown
    int cursorRow_ = 0;      // the terminal's cursor, row 0 unknown
    int cursorColumn_ = 0;
    int cursorShown_ = -1;   // 1 shown, 0 hidden, -1 unknown
    int shapeSent_ = -1;
    bool mouseWanted_ = false;
    bool mouseSent_ = false;
    int64_t altKeypadMs_ = -1;
    pid_t parent_ = 0;  // the process that started this one
};

void Complain(const std::string& catalan, const std::string& english) {
    const std::string text = Cp850ToUtf8(catalan) + "\n" + english + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace

bool UseTerminalConsoleOn(int fd, const char* terminalType) {
    // A terminal selected before is given back first.
    UseVirtualConsole(Rows, Columns);
    const char* type = terminalType != nullptr ? terminalType : std::getenv("TERM");
    if (type == nullptr || *type == '\0' || std::strcmp(type, "dumb") == 0) {
        Complain("Aquest programa necessita un terminal de text que mostri pantalles (TERM \x82s buit o \"dumb\").",  // és
                 "This program needs a full-screen text terminal (TERM is empty or \"dumb\").");
        return false;
    }
    if (!isatty(fd)) {
        Complain("Aquest programa necessita un terminal de text.", "This program needs a text terminal.");
        return false;
    }
    TerminalCapabilities capabilities;
    if (!LoadTerminalCapabilities(type, fd, capabilities) &&
        !LoadTerminalCapabilities("xterm-256color", fd, capabilities)) {
        Complain("No es troba la descripci\xA2 del terminal a la base de dades terminfo.",  // descripció
                 "The terminfo database does not describe this terminal.");
        return false;
    }
    // A printing or glass terminal cannot place the cursor: the screen would come out garbled.
    if (capabilities.cursorAddress.empty()) {
        Complain("Aquest programa necessita un terminal de text que mostri pantalles (el terminal \"" +
                     std::string(type) + "\" no pot situar el cursor).",
                 "This program needs a full-screen text terminal (\"" + std::string(type) +
                     "\" cannot place the cursor).");
        return false;
    }
    InstallSignalHandlers();
    auto backend = std::make_unique<TerminalBackend>(fd, capabilities);
    if (!backend->Start()) {
        Complain("No es pot fer servir el terminal.", "The terminal cannot be used.");
        return false;
    }
    UseConsoleBackend(std::move(backend), Rows, Columns);
    return true;
}

bool UseTerminalConsole() {
    static int fd = -1;
    if (fd < 0) fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        Complain("Aquest programa necessita un terminal de text.", "This program needs a text terminal.");
        return false;
    }
    return UseTerminalConsoleOn(fd, nullptr);
}

}  // namespace korvidan
