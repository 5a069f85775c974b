// Tests of the terminal input decoder: sequences to events, the Esc timeout on an
// injected clock, paste, UTF-8, unknown and split sequences.
#include "platform/terminal_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvidan {
namespace {

// An event written short, for comparing: "k" key, "m" mouse, "!" refused.
struct Seen {
    char what;
    int character;
    int scanCode;
    int modifiers;
    bool keypad;
    int button;
    int row;
    int column;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& s) {
    return out << s.what << " char=" << s.character << " scan=0x" << std::hex << s.scanCode << std::dec
               << " mods=" << s.modifiers << " keypad=" << s.keypad << " button=" << s.button << " at "
               << s.row << "," << s.column;
}

Seen Key(int character, int modifiers = 0) { return {'k', character, 0, modifiers, false, 0, 0, 0}; }
Seen Scan(int scanCode, int modifiers = 0) { return {'k', 0, scanCode, modifiers, false, 0, 0, 0}; }
Seen Pad(int character, int scanCode = 0, int modifiers = 0) {
    return {'k', character, scanCode, modifiers, true, 0, 0, 0};
}
Seen Click(int button, int row, int column, int modifiers = 0) {
    return {'m', 0, 0, modifiers, false, button, row, column};
}
Seen Refused() { return {'!', 0, 0, 0, false, 0, 0, 0}; }

Seen Describe(const ConsoleEvent& e) {
    return {e.kind == ConsoleEvent::Mouse ? 'm' : 'k', e.character, e.scanCode, e.modifiers, e.keypad,
            e.button, e.row, e.column};
}

// Takes every event available at a time.
void TakeAll(TerminalInputState& state, int64_t now, std::vector<Seen>& seen) {
    ConsoleEvent event;
    for (;;) {
        const TerminalInputResult result = TakeTerminalEvent(state, now, event);
        if (result == TerminalInputResult::Nothing) return;
        seen.push_back(result == TerminalInputResult::Refused ? Refused() : Describe(event));
    }
}

// Feeds the bytes at time 0, takes what is complete at once, then what is left
// once the Esc timeout has passed.
std::vector<Seen> Decode(const std::string& bytes) {
    TerminalInputState state;
    std::vector<Seen> seen;
    FeedTerminalInput(state, bytes, 0);
    TakeAll(state, 0, seen);
    TakeAll(state, EscapeTimeoutMs, seen);
    EXPECT_EQ(TerminalInputWaitMs(state, EscapeTimeoutMs), -1) << "bytes left behind";
    return seen;
}

constexpr int Shift = ShiftKey;
constexpr int Alt = LeftAlt;
constexpr int Ctrl = LeftCtrl;

struct Case {
    const char* name;
    std::string bytes;
    std::vector<Seen> expected;
};

TEST(TerminalInputTest, SequencesGiveTheirKeys) {
    const std::vector<Case> cases = {
        // Function keys plain and with Shift, Ctrl and Alt, in the forms terminals use.
        {"F1", "\x1bOP", {Scan(0x3b)}},
        {"F1 vt220", "\x1b[11~", {Scan(0x3b)}},
        {"F1 linux", "\x1b[[A", {Scan(0x3b)}},
        {"Ctrl+F1", "\x1b[1;5P", {Scan(0x3b, Ctrl)}},
        {"Ctrl+F1 old xterm", "\x1bO5P", {Scan(0x3b, Ctrl)}},
        {"Shift+F4", "\x1b[1;2S", {Scan(0x3e, Shift)}},
        {"F5", "\x1b[15~", {Scan(0x3f)}},
        {"Shift+F10", "\x1b[21;2~", {Scan(0x44, Shift)}},
        {"F11", "\x1b[23~", {Scan(0x85)}},
        {"Alt+F12", "\x1b[24;3~", {Scan(0x86, Alt)}},
        {"Alt+F12 with Esc prefix", "\x1b\x1b[24~", {Scan(0x86, Alt)}},
        {"Ctrl+Shift+F3", "\x1b[1;6R", {Scan(0x3d, Ctrl | Shift)}},
        {"Meta counts as Alt", "\x1b[1;9P", {Scan(0x3b, Alt)}},
        {"Shift+F1 linux", "\x1b[25~", {Scan(0x3b, Shift)}},
        {"Shift+F8 linux", "\x1b[34~", {Scan(0x42, Shift)}},
        // Cursor and editing keys.
        {"Up", "\x1b[A", {Scan(0x48)}},
        {"Down application mode", "\x1bOB", {Scan(0x50)}},
        {"Ctrl+Left", "\x1b[1;5D", {Scan(0x4b, Ctrl)}},
        {"Ctrl+Right", "\x1b[1;5C", {Scan(0x4d, Ctrl)}},
        {"Home", "\x1b[H", {Scan(0x47)}},
        {"Home tmux", "\x1b[1~", {Scan(0x47)}},
        {"Ctrl+Home", "\x1b[1;5H", {Scan(0x47, Ctrl)}},
        {"End", "\x1b[4~", {Scan(0x4f)}},
        {"End xterm", "\x1b[F", {Scan(0x4f)}},
        {"PgUp", "\x1b[5~", {Scan(0x49)}},
        {"PgDn", "\x1b[6~", {Scan(0x51)}},
        {"Insert", "\x1b[2~", {Scan(0x52)}},
        {"Delete", "\x1b[3~", {Scan(0x53)}},
        {"Shift+Delete", "\x1b[3;2~", {Scan(0x53, Shift)}},
        {"keypad centre", "\x1b[E", {Scan(0x4c)}},
        {"Shift+Tab", "\x1b[Z", {Scan(0x0f, Shift)}},
        // Control keys.
        {"Enter", "\r", {Key(13)}},
        {"Tab", "\t", {Key(9)}},
        {"Backspace as DEL", "\x7f", {Key(8)}},
        {"Backspace as BS", "\b", {Key(8)}},
        {"Ctrl+A", "\x01", {Key(1, Ctrl)}},
        {"Ctrl+Z", "\x1a", {Key(26, Ctrl)}},
        {"Ctrl+Space", std::string(1, '\0'), {Scan(0x03, Ctrl)}},
        // Alt with letters, digits and other keys gives PC scan codes.
        {"Alt+x", "\x1bx", {Scan(0x2d, Alt)}},
        {"Alt+c", "\x1b" "c", {Scan(0x2e, Alt)}},
        {"Alt+e", "\x1b" "e", {Scan(0x12, Alt)}},
        {"Alt+f", "\x1b" "f", {Scan(0x21, Alt)}},
        {"Alt+a", "\x1b" "a", {Scan(0x1e, Alt)}},
        {"Alt+z", "\x1bz", {Scan(0x2c, Alt)}},
        {"Alt+Shift+X", "\x1bX", {Scan(0x2d, Alt | Shift)}},
        {"Alt+1", "\x1b" "1", {Scan(0x78, Alt)}},
        {"Alt+0", "\x1b" "0", {Scan(0x81, Alt)}},
        {"Alt+Enter", "\x1b\r", {Scan(0x1c, Alt)}},
        {"Ctrl+Alt+x", "\x1b\x18", {Scan(0x2d, Alt | Ctrl)}},
        {"Alt+space keeps the character", "\x1b ", {Key(' ', Alt)}},
        // The keypad in application mode; with Alt its digits are the keypad keys.
        {"keypad 5", "\x1bOu", {Pad('5')}},
        {"keypad Enter", "\x1bOM", {Pad(13)}},
        {"Alt+keypad 6", "\x1b\x1bOv", {Pad(0, 0x4d, Alt)}},
        {"Alt+keypad 0 modifier form", "\x1bO3p", {Pad(0, 0x52, Alt)}},
        // Mouse: SGR presses with their cell; releases, motion and the wheel give nothing.
        {"left click", "\x1b[<0;10;5M", {Click(1, 5, 10)}},
        {"right click", "\x1b[<2;80;25M", {Click(2, 25, 80)}},
        {"middle click with Ctrl", "\x1b[<17;3;4M", {Click(4, 4, 3, Ctrl)}},
        {"release", "\x1b[<0;10;5m", {}},
        {"motion", "\x1b[<32;10;5M", {}},
        {"wheel", "\x1b[<64;10;5M", {}},
        {"a report outside the cells", "\x1b[<0;0;5M", {}},
        {"old mouse report", "\x1b[M !%", {Click(1, 5, 1)}},
        // Unknown sequences are swallowed, the keys around them kept.
        {"unknown CSI", "a\x1b[99;99;99zb", {Key('a'), Key('b')}},
        {"unknown CSI with intermediate", "\x1b[>1;2 q", {}},
        {"modifier out of range", "\x1b[1;77P" "c", {Key('c')}},
        {"unknown SS3", "\x1bOzq", {Key('q')}},
        {"focus report", "\x1b[I", {}},
        {"long unknown sequence", "\x1b[" + std::string(100, '1') + "Ab", {Key('b')}},
        // Answers to queries (of another program, come late) are swallowed whole.
        {"colour answer ended by BEL", "\x1b]11;rgb:0000/0000/0000\aq", {Key('q')}},
        {"colour answer ended by ESC \\", "\x1b]11;rgb:ffff/ffff/ffff\x1b\\q", {Key('q')}},
        {"device control answer", "a\x1bP1$r0m\x1b\\b", {Key('a'), Key('b')}},
        {"application program command", "\x1b_Gi=1;OK\x1b\\", {}},
        // The same openings as Alt keys, when what follows cannot belong to a string.
        {"Alt+] then Enter", "\x1b]\r", {Scan(0x1b, Alt), Key(13)}},
        {"Alt+Shift+P repeated", "\x1bP\x1bP", {Scan(0x19, Alt | Shift), Scan(0x19, Alt | Shift)}},
        // UTF-8 into code page 850.
        {"a accented letter", "\xc3\xa9", {Key(0x82)}},
        {"the euro sign", "\xe2\x82\xac", {Key(213)}},
        {"outside the code page", "\xe2\x98\x83x", {Refused(), Key('x')}},
        {"a stray continuation byte", "\x80x", {Refused(), Key('x')}},
        {"a lead byte cut by ASCII", "\xc3x", {Refused(), Key('x')}},
        {"Alt with a letter outside ASCII", "\x1b\xc3\xa7", {Key(0x87, Alt)}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.bytes), c.expected) << c.name;
    }
}

TEST(TerminalInputTest, LoneEscWaitsForTheTimeout) {
    TerminalInputState state;
    ConsoleEvent event;
    FeedTerminalInput(state, "\x1b", 1000);
    EXPECT_EQ(TakeTerminalEvent(state, 1000, event), TerminalInputResult::Nothing);
    EXPECT_EQ(TerminalInputWaitMs(state, 1010), EscapeTimeoutMs - 10);
    EXPECT_EQ(TakeTerminalEvent(state, 1000 + EscapeTimeoutMs - 1, event), TerminalInputResult::Nothing);
    ASSERT_EQ(TakeTerminalEvent(state, 1000 + EscapeTimeoutMs, event), TerminalInputResult::Event);
    EXPECT_EQ(Describe(event), Key(27));
    EXPECT_EQ(TerminalInputWaitMs(state, 2000), -1);
}

TEST(TerminalInputTest, TimedOutPrefixes) {
    const std::vector<Case> cases = {
        {"two Esc keys", "\x1b\x1b", {Key(27), Key(27)}},
        {"Alt with Up through Esc", "\x1b\x1b[A", {Scan(0x48, Alt)}},
        {"Alt+[ alone", "\x1b[", {Scan(0x1a, Alt)}},
        {"Alt+Shift+O alone", "\x1bO", {Scan(0x18, Alt | Shift)}},
        {"Alt+] alone", "\x1b]", {Scan(0x1b, Alt)}},
        {"a control string never ended", "\x1b]11;rgb", {}},
        {"a sequence cut short", "\x1b[1;5", {}},
        {"a mouse report cut short", "\x1b[<0;10", {}},
        {"a character cut short", "\xe2\x82", {Refused()}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.bytes), c.expected) << c.name;
    }
}

TEST(TerminalInputTest, SequenceSplitAcrossReadsIsJoined) {
    const std::string bytes = "\x1b[1;5P\x1b[<0;10;5M\xe2\x82\xac";
    const std::vector<Seen> whole = {Scan(0x3b, Ctrl), Click(1, 5, 10), Key(213)};
    for (size_t cut = 1; cut < bytes.size(); ++cut) {
        TerminalInputState state;
        std::vector<Seen> seen;
        FeedTerminalInput(state, bytes.substr(0, cut), 0);
        TakeAll(state, 10, seen);
        FeedTerminalInput(state, bytes.substr(cut), 20);
        TakeAll(state, 20, seen);
        EXPECT_EQ(seen, whole) << "cut at " << cut;
    }
}

TEST(TerminalInputTest, PasteArrivesAsTypedCharacters) {
    const std::vector<Case> cases = {
        {"text", "\x1b[200~ab\x1b[201~", {Key('a'), Key('b')}},
        {"escape sequences inside are not keys", "\x1b[200~a\x1b[Ab\x1b[201~", {Key('a'), Key('['), Key('A'), Key('b')}},
        {"line ends as Enter, CR LF once", "\x1b[200~a\r\nb\nc\x1b[201~",
         {Key('a'), Key(13), Key('b'), Key(13), Key('c')}},
        {"control bytes dropped, Tab kept", "\x1b[200~a\x01\tb\x1b[201~", {Key('a'), Key(9), Key('b')}},
        {"UTF-8 and refused characters", "\x1b[200~\xc3\xa0\xe2\x98\x83\x1b[201~", {Key(0x85), Refused()}},
        {"keys after the paste", "\x1b[200~a\x1b[201~\x1b[A", {Key('a'), Scan(0x48)}},
        {"an unclosed paste ends at a lone Esc", "\x1b[200~a\x1b", {Key('a'), Key(27)}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.bytes), c.expected) << c.name;
    }
}

TEST(TerminalInputTest, FloodOfKeysIsDecodedInOrder) {
    std::string bytes;
    for (int i = 0; i < 10000; ++i) bytes += i % 2 ? "x" : "\x1b[B";
    const std::vector<Seen> seen = Decode(bytes);
    ASSERT_EQ(seen.size(), 10000u);
    EXPECT_EQ(seen.front(), Scan(0x50));
    EXPECT_EQ(seen.back(), Key('x'));
}

}  // namespace
}  // namespace korvidan
