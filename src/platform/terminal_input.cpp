// Decoding of terminal input into console events. Escape sequences are matched
// against one table row per sequence, where '_' stands for the xterm modifier
// parameter, decoded once for every key; each matcher answers "complete",
// "partial" (wait for more bytes) or "not mine".
#include "platform/terminal_input.h"

#include <algorithm>
#include <optional>

#include "platform/codepage.h"

namespace korvidan {

namespace {

constexpr char Esc = '\x1b';

// One sequence of a key: the PC scan code it stands for, or the character of a
// keypad key (application keypad mode), and the modifiers the sequence implies.
struct KeyRow {
    const char* sequence;
    uint8_t scanCode;
    uint8_t keypadCharacter;
    uint16_t modifiers;
};

// clang-format off
constexpr KeyRow KeyRows[] = {
    // Cursor keys: normal and application mode, with modifiers.
    {"\x1b[A", 0x48, 0, 0}, {"\x1bOA", 0x48, 0, 0}, {"\x1b[1;_A", 0x48, 0, 0},
    {"\x1b[B", 0x50, 0, 0}, {"\x1bOB", 0x50, 0, 0}, {"\x1b[1;_B", 0x50, 0, 0},
    {"\x1b[C", 0x4d, 0, 0}, {"\x1bOC", 0x4d, 0, 0}, {"\x1b[1;_C", 0x4d, 0, 0},
    {"\x1b[D", 0x4b, 0, 0}, {"\x1bOD", 0x4b, 0, 0}, {"\x1b[1;_D", 0x4b, 0, 0},
    {"\x1b[E", 0x4c, 0, 0}, {"\x1bOE", 0x4c, 0, 0}, {"\x1b[1;_E", 0x4c, 0, 0}, {"\x1b[G", 0x4c, 0, 0},
    {"\x1b[H", 0x47, 0, 0}, {"\x1bOH", 0x47, 0, 0}, {"\x1b[1;_H", 0x47, 0, 0},
    {"\x1b[1~", 0x47, 0, 0}, {"\x1b[1;_~", 0x47, 0, 0}, {"\x1b[7~", 0x47, 0, 0}, {"\x1b[7;_~", 0x47, 0, 0},
    {"\x1b[F", 0x4f, 0, 0}, {"\x1bOF", 0x4f, 0, 0}, {"\x1b[1;_F", 0x4f, 0, 0},
    {"\x1b[4~", 0x4f, 0, 0}, {"\x1b[4;_~", 0x4f, 0, 0}, {"\x1b[8~", 0x4f, 0, 0}, {"\x1b[8;_~", 0x4f, 0, 0},
    {"\x1b[2~", 0x52, 0, 0}, {"\x1b[2;_~", 0x52, 0, 0},
    {"\x1b[3~", 0x53, 0, 0}, {"\x1b[3;_~", 0x53, 0, 0},
    {"\x1b[5~", 0x49, 0, 0}, {"\x1b[5;_~", 0x49, 0, 0},
    {"\x1b[6~", 0x51, 0, 0}, {"\x1b[6;_~", 0x51, 0, 0},
    {"\x1b[Z", 0x0f, 0, ShiftKey}, {"\x1b[1;_Z", 0x0f, 0, ShiftKey},
    // Function keys: xterm, the older xterm modifier form, VT220 numbers, the Linux console.
    {"\x1bOP", 0x3b, 0, 0}, {"\x1b[1;_P", 0x3b, 0, 0}, {"\x1bO_P", 0x3b, 0, 0},
    {"\x1b[11~", 0x3b, 0, 0}, {"\x1b[11;_~", 0x3b, 0, 0}, {"\x1b[[A", 0x3b, 0, 0},
    {"\x1bOQ", 0x3c, 0, 0}, {"\x1b[1;_Q", 0x3c, 0, 0}, {"\x1bO_Q", 0x3c, 0, 0},
    {"\x1b[12~", 0x3c, 0, 0}, {"\x1b[12;_~", 0x3c, 0, 0}, {"\x1b[[B", 0x3c, 0, 0},
    {"\x1bOR", 0x3d, 0, 0}, {"\x1b[1;_R", 0x3d, 0, 0}, {"\x1bO_R", 0x3d, 0, 0},
    {"\x1b[13~", 0x3d, 0, 0}, {"\x1b[13;_~", 0x3d, 0, 0}, {"\x1b[[C", 0x3d, 0, 0},
    {"\x1bOS", 0x3e, 0, 0}, {"\x1b[1;_S", 0x3e, 0, 0}, {"\x1bO_S", 0x3e, 0, 0},
    {"\x1b[14~", 0x3e, 0, 0}, {"\x1b[14;_~", 0x3e, 0, 0}, {"\x1b[[D", 0x3e, 0, 0},
    {"\x1b[15~", 0x3f, 0, 0}, {"\x1b[15;_~", 0x3f, 0, 0}, {"\x1b[[E", 0x3f, 0, 0},
    {"\x1b[17~", 0x40, 0, 0}, {"\x1b[17;_~", 0x40, 0, 0},
    {"\x1b[18~", 0x41, 0, 0}, {"\x1b[18;_~", 0x41, 0, 0},
    {"\x1b[19~", 0x42, 0, 0}, {"\x1b[19;_~", 0x42, 0, 0},
    {"\x1b[20~", 0x43, 0, 0}, {"\x1b[20;_~", 0x43, 0, 0},
    {"\x1b[21~", 0x44, 0, 0}, {"\x1b[21;_~", 0x44, 0, 0},
    {"\x1b[23~", 0x85, 0, 0}, {"\x1b[23;_~", 0x85, 0, 0},
    {"\x1b[24~", 0x86, 0, 0}, {"\x1b[24;_~", 0x86, 0, 0},
    // The Linux console sends Shift+F1 to F8 as F13 to F20.
    {"\x1b[25~", 0x3b, 0, ShiftKey}, {"\x1b[26~", 0x3c, 0, ShiftKey}, {"\x1b[28~", 0x3d, 0, ShiftKey},
    {"\x1b[29~", 0x3e, 0, ShiftKey}, {"\x1b[31~", 0x3f, 0, ShiftKey}, {"\x1b[32~", 0x40, 0, ShiftKey},
    {"\x1b[33~", 0x41, 0, ShiftKey}, {"\x1b[34~", 0x42, 0, ShiftKey},
    // The numeric keypad in application mode.
    {"\x1bOp", 0, '0', 0}, {"\x1bO_p", 0, '0', 0}, {"\x1bOq", 0, '1', 0}, {"\x1bO_q", 0, '1', 0},
    {"\x1bOr", 0, '2', 0}, {"\x1bO_r", 0, '2', 0}, {"\x1bOs", 0, '3', 0}, {"\x1bO_s", 0, '3', 0},
    {"\x1bOt", 0, '4', 0}, {"\x1bO_t", 0, '4', 0}, {"\x1bOu", 0, '5', 0}, {"\x1bO_u", 0, '5', 0},
    {"\x1bOv", 0, '6', 0}, {"\x1bO_v", 0, '6', 0}, {"\x1bOw", 0, '7', 0}, {"\x1bO_w", 0, '7', 0},
    {"\x1bOx", 0, '8', 0}, {"\x1bO_x", 0, '8', 0}, {"\x1bOy", 0, '9', 0}, {"\x1bO_y", 0, '9', 0},
    {"\x1bOn", 0, '.', 0}, {"\x1bO_n", 0, '.', 0}, {"\x1bOM", 0, '\r', 0}, {"\x1bO_M", 0, '\r', 0},
    {"\x1bOj", 0, '*', 0}, {"\x1bO_j", 0, '*', 0}, {"\x1bOk", 0, '+', 0}, {"\x1bO_k", 0, '+', 0},
    {"\x1bOl", 0, ',', 0}, {"\x1bO_l", 0, ',', 0}, {"\x1bOm", 0, '-', 0}, {"\x1bO_m", 0, '-', 0},
    {"\x1bOo", 0, '/', 0}, {"\x1bO_o", 0, '/', 0}, {"\x1bOX", 0, '=', 0}, {"\x1bO_X", 0, '=', 0},
};
// clang-format on

constexpr std::string_view PasteOpening = "\x1b[200~";
constexpr std::string_view PasteClosing = "\x1b[201~";

// What a matcher made of the bytes at the front of the input.
struct Step {
    enum Kind { NotMine, Partial, Event, Refused, Swallow, PasteStart, PasteEnd };
    Kind kind = NotMine;
    std::size_t length = 0;
    ConsoleEvent event{};
};

Step Make(Step::Kind kind, std::size_t length) {
    Step step;
    step.kind = kind;
    step.length = length;
    return step;
}

Step KeyStep(uint8_t character, uint8_t scanCode, uint16_t modifiers, std::size_t length) {
    Step step = Make(Step::Event, length);
    step.event.kind = ConsoleEvent::Key;
    step.event.character = character;
    step.event.scanCode = scanCode;
    step.event.modifiers = modifiers;
    return step;
}

enum class Match { No, Partial, Complete };

// Matches a table sequence at the front of the input; '_' takes 1 to 3 digits.
Match MatchTemplate(std::string_view pattern, std::string_view input, std::size_t& length, int& parameter) {
    std::size_t in = 0;
    parameter = 1;
    for (const char expected : pattern) {
        if (expected == '_') {
            int value = 0;
            int digits = 0;
            while (in < input.size() && input[in] >= '0' && input[in] <= '9') {
                if (++digits > 3) return Match::No;
                value = value * 10 + (input[in] - '0');
                ++in;
            }
            if (in == input.size()) return Match::Partial;
            if (digits == 0) return Match::No;
            parameter = value;
            continue;
        }
        if (in == input.size()) return Match::Partial;
        if (input[in] != expected) return Match::No;
        ++in;
    }
    length = in;
    return Match::Complete;
}

// The modifiers of an xterm modifier parameter: 1 + (1 Shift, 2 Alt, 4 Ctrl, 8 Meta).
std::optional<uint16_t> ModifiersOf(int parameter) {
    if (parameter < 1 || parameter > 16) return std::nullopt;
    const int bits = parameter - 1;
    uint16_t modifiers = 0;
    if (bits & 1) modifiers |= ShiftKey;
    if (bits & (2 | 8)) modifiers |= LeftAlt;
    if (bits & 4) modifiers |= LeftCtrl;
    return modifiers;
}

// The PC scan codes of the letters A to Z.
constexpr uint8_t LetterScanCodes[26] = {0x1e, 0x30, 0x2e, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                         0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                         0x1f, 0x14, 0x16, 0x2f, 0x11, 0x2d, 0x15, 0x2c};

// The scan code a PC keyboard gives for Alt with an ASCII key, or 0 when it gives the character.
uint8_t AltScanCode(uint8_t character) {
    if (character >= 'a' && character <= 'z') return LetterScanCodes[character - 'a'];
    if (character >= 'A' && character <= 'Z') return LetterScanCodes[character - 'A'];
    if (character >= '1' && character <= '9') return static_cast<uint8_t>(0x78 + (character - '1'));
    switch (character) {
        case '0': return 0x81;
        case '-': return 0x82;
        case '=': return 0x83;
        case '[': return 0x1a;
        case ']': return 0x1b;
        case ';': return 0x27;
        case '\'': return 0x28;
        case '`': return 0x29;
        case '\\': return 0x2b;
        case ',': return 0x33;
        case '.': return 0x34;
        case '/': return 0x35;
        case '\r': return 0x1c;
        case '\b': return 0x0e;
        case '\t': return 0xa5;
        default: return 0;
    }
}

// The scan code of a keypad digit or point (Insert 0, End 1, ... PgUp 9, Delete .), or 0.
uint8_t KeypadScanCode(uint8_t character) {
    static constexpr uint8_t Digits[10] = {0x52, 0x4f, 0x50, 0x51, 0x4b, 0x4c, 0x4d, 0x47, 0x48, 0x49};
    if (character >= '0' && character <= '9') return Digits[character - '0'];
    return character == '.' ? 0x53 : 0;
}

// Adds the Alt key to a key event: Alt with a letter, digit or punctuation key
// gives its PC scan code instead of the character, as on a PC keyboard.
void AddAlt(ConsoleEvent& event) {
    event.modifiers |= LeftAlt;
    if (event.kind != ConsoleEvent::Key || event.character == 0) return;
    const uint8_t character = event.character;
    uint8_t scanCode = 0;
    if (event.keypad) {
        scanCode = KeypadScanCode(character);
    } else if (character >= 1 && character <= 26 && character != '\b' && character != '\t' &&
               character != '\r') {
        scanCode = LetterScanCodes[character - 1];
        event.modifiers |= LeftCtrl;
    } else {
        if (character >= 'A' && character <= 'Z') event.modifiers |= ShiftKey;
        scanCode = AltScanCode(character);
    }
    if (scanCode != 0) {
        event.character = 0;
        event.scanCode = scanCode;
    }
}

Step RowStep(const KeyRow& row, uint16_t modifiers, std::size_t length) {
    modifiers |= row.modifiers;
    if (row.keypadCharacter == 0) return KeyStep(0, row.scanCode, modifiers, length);
    Step step = KeyStep(row.keypadCharacter, 0, modifiers & ~LeftAlt, length);
    step.event.keypad = true;
    if (modifiers & LeftAlt) AddAlt(step.event);
    return step;
}

// A control byte: Ctrl with a letter gives 1 to 26; Backspace comes as DEL or BS.
Step ControlStep(uint8_t byte) {
    switch (byte) {
        case 0x00: return KeyStep(0, 0x03, LeftCtrl, 1);
        case 0x08:
        case 0x7f: return KeyStep('\b', 0, 0, 1);
        case '\t':
        case '\r': return KeyStep(byte, 0, 0, 1);
        default: return KeyStep(byte, 0, LeftCtrl, 1);
    }
}

// One UTF-8 character turned into its CP850 byte; refused when the code page lacks it.
Step Utf8Step(const std::string& bytes, std::size_t pos) {
    const int length = Utf8SequenceLength(static_cast<uint8_t>(bytes[pos]));
    if (length == 0) return Make(Step::Refused, 1);
    const std::size_t available = bytes.size() - pos;
    for (std::size_t i = 1; i < std::min<std::size_t>(length, available); ++i) {
        if ((static_cast<uint8_t>(bytes[pos + i]) & 0xC0) != 0x80) return Make(Step::Refused, 1);
    }
    if (available < static_cast<std::size_t>(length)) return Make(Step::Partial, 0);
    std::size_t next = pos;
    const std::optional<char32_t> character = NextUtf8Char(bytes, next);
    if (!character) return Make(Step::Refused, 1);
    const std::optional<uint8_t> byte = UnicodeToCp850(*character);
    if (!byte) return Make(Step::Refused, static_cast<std::size_t>(length));
    return KeyStep(*byte, 0, 0, static_cast<std::size_t>(length));
}

// A key that does not start with Esc.
Step PlainStep(const std::string& bytes, std::size_t pos) {
    const auto byte = static_cast<uint8_t>(bytes[pos]);
    if (byte < 0x20 || byte == 0x7f) return ControlStep(byte);
    if (byte < 0x80) return KeyStep(byte, 0, 0, 1);
    return Utf8Step(bytes, pos);
}

Step MouseStep(int buttonCode, int column, int row, std::size_t length) {
    // Releases, motion and the wheel carry no click, nor a report outside the cells.
    if ((buttonCode & (32 | 64 | 128)) != 0 || (buttonCode & 3) == 3 || column < 1 || row < 1) {
        return Make(Step::Swallow, length);
    }
    static constexpr int16_t Buttons[3] = {1, 4, 2};  // left, middle, right
    Step step = Make(Step::Event, length);
    step.event.kind = ConsoleEvent::Mouse;
    step.event.button = Buttons[buttonCode & 3];
    if (buttonCode & 4) step.event.modifiers |= ShiftKey;
    if (buttonCode & 8) step.event.modifiers |= LeftAlt;
    if (buttonCode & 16) step.event.modifiers |= LeftCtrl;
    step.event.row = static_cast<int16_t>(std::min(row, 32767));
    step.event.column = static_cast<int16_t>(std::min(column, 32767));
    return step;
}

// SGR mouse report: ESC [ < button ; column ; row, then M (press) or m (release).
Step SgrMouseStep(std::string_view input) {
    constexpr std::string_view Opening = "\x1b[<";
    if (input.size() < Opening.size()) {
        return Opening.substr(0, input.size()) == input ? Make(Step::Partial, 0) : Step{};
    }
    if (input.substr(0, Opening.size()) != Opening) return Step{};
    std::size_t i = Opening.size();
    int values[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        int digits = 0;
        while (i < input.size() && input[i] >= '0' && input[i] <= '9') {
            if (++digits > 5) return Step{};
            values[k] = values[k] * 10 + (input[i] - '0');
            ++i;
        }
        if (i == input.size()) return Make(Step::Partial, 0);
        if (digits == 0) return Step{};
        const char separator = input[i];
        if (k < 2 && separator != ';') return Step{};
        if (k == 2 && separator != 'M' && separator != 'm') return Step{};
        ++i;
    }
    if (input[i - 1] == 'm') return Make(Step::Swallow, i);
    return MouseStep(values[0], values[1], values[2], i);
}

// The older mouse report: ESC [ M and three bytes of 32 + button, column, row.
Step X10MouseStep(std::string_view input) {
    constexpr std::string_view Opening = "\x1b[M";
    if (input.size() < Opening.size() || input.substr(0, Opening.size()) != Opening) return Step{};
    if (input.size() < 6) return Make(Step::Partial, 0);
    const int button = (static_cast<uint8_t>(input[3]) - 32) & 0xff;
    const int column = static_cast<uint8_t>(input[4]) - 32;
    const int row = static_cast<uint8_t>(input[5]) - 32;
    return MouseStep(button, column, row, 6);
}

// Skips a control sequence nobody here knows (ESC [ parameters intermediates final);
// a sequence broken by a stray byte is dropped up to that byte.
Step UnknownControlSequence(std::string_view input) {
    for (std::size_t i = 2; i < input.size(); ++i) {
        const auto byte = static_cast<uint8_t>(input[i]);
        if (byte >= 0x40 && byte <= 0x7e) return Make(Step::Swallow, i + 1);
        if (byte < 0x20 || byte > 0x3f) return Make(Step::Swallow, i);
    }
    return Make(Step::Partial, 0);
}

// Skips an unknown ESC O sequence (optional digits and a final byte).
Step UnknownSs3Sequence(std::string_view input) {
    std::size_t i = 2;
    while (i < input.size() && i < 6 && input[i] >= '0' && input[i] <= '9') ++i;
    if (i == input.size()) return Make(Step::Partial, 0);
    const auto byte = static_cast<uint8_t>(input[i]);
    return byte >= 0x40 && byte <= 0x7e ? Make(Step::Swallow, i + 1) : Step{};
}

// Skips a control string (ESC ] P _ or ^, ended by BEL or ESC \\): a terminal's
// answer to a query, perhaps another program's that came late. A byte that cannot
// be in one means the Esc was Alt with a key after all.
Step ControlString(std::string_view input) {
    for (std::size_t i = 2; i < input.size(); ++i) {
        const auto byte = static_cast<uint8_t>(input[i]);
        if (byte == '\a') return Make(Step::Swallow, i + 1);
        if (byte == Esc) {
            if (i + 1 == input.size()) return Make(Step::Partial, 0);
            return input[i + 1] == '\\' ? Make(Step::Swallow, i + 2) : Step{};
        }
        if (byte < 0x20 || byte == 0x7f) return Step{};
    }
    return Make(Step::Partial, 0);
}

// An escape sequence at pos (bytes[pos] is Esc), not counting an Alt prefix.
Step SequenceStep(const std::string& bytes, std::size_t pos) {
    std::string_view input(bytes);
    input.remove_prefix(pos);
    bool partial = false;
    for (const KeyRow& row : KeyRows) {
        std::size_t length = 0;
        int parameter = 1;
        const Match match = MatchTemplate(row.sequence, input, length, parameter);
        if (match == Match::Partial) partial = true;
        if (match != Match::Complete) continue;
        if (const std::optional<uint16_t> modifiers = ModifiersOf(parameter)) return RowStep(row, *modifiers, length);
    }
    std::size_t length = 0;
    int parameter = 1;
    const Match paste = MatchTemplate(PasteOpening, input, length, parameter);
    if (paste == Match::Complete) return Make(Step::PasteStart, length);
    if (paste == Match::Partial) partial = true;
    for (Step (*mouse)(std::string_view) : {SgrMouseStep, X10MouseStep}) {
        const Step step = mouse(input);
        if (step.kind == Step::Partial) partial = true;
        if (step.kind != Step::NotMine && step.kind != Step::Partial) return step;
    }
    if (partial) return Make(Step::Partial, 0);
    if (input.size() < 2) return Make(Step::Partial, 0);
    if (input[1] == '[') return UnknownControlSequence(input);
    if (input[1] == 'O') return UnknownSs3Sequence(input);
    if (std::string_view("]P_^").find(input[1]) != std::string_view::npos) return ControlString(input);
    return Step{};
}

// Esc: a sequence, Alt with a key (Alt sends Esc first), or the Esc key once
// nothing more arrives in time.
Step EscapeStep(const std::string& bytes, std::size_t pos) {
    if (pos + 1 == bytes.size()) return Make(Step::Partial, 0);
    const Step sequence = SequenceStep(bytes, pos);
    if (sequence.kind != Step::NotMine) return sequence;
    if (bytes[pos + 1] == Esc) {
        Step inner = SequenceStep(bytes, pos + 1);
        if (inner.kind == Step::Partial) return inner;
        if (inner.kind == Step::Event || inner.kind == Step::Swallow) {
            if (inner.kind == Step::Event) AddAlt(inner.event);
            inner.length += 1;
            return inner;
        }
        return KeyStep(Esc, 0, 0, 1);
    }
    Step inner = PlainStep(bytes, pos + 1);
    if (inner.kind == Step::Partial) return inner;
    if (inner.kind == Step::Event) AddAlt(inner.event);
    inner.length += 1;
    return inner;
}

Step KeyInputStep(const std::string& bytes, std::size_t pos) {
    return bytes[pos] == Esc ? EscapeStep(bytes, pos) : PlainStep(bytes, pos);
}

// Pasted text arrives as typed characters; line ends become Enter (CR LF once),
// other control bytes and escape sequences inside the paste are dropped.
Step PastedStep(const TerminalInputState& state, std::size_t pos) {
    const std::string& bytes = state.pending;
    const auto byte = static_cast<uint8_t>(bytes[pos]);
    if (byte == Esc) {
        std::string_view input(bytes);
        input.remove_prefix(pos);
        if (input.substr(0, PasteClosing.size()) == PasteClosing) return Make(Step::PasteEnd, PasteClosing.size());
        if (input.size() < PasteClosing.size() && PasteClosing.substr(0, input.size()) == input) {
            return Make(Step::Partial, 0);
        }
        return Make(Step::Swallow, 1);
    }
    if (byte == '\r' || byte == '\t') return KeyStep(byte, 0, 0, 1);
    if (byte == '\n') return state.pasteAfterCr ? Make(Step::Swallow, 1) : KeyStep('\r', 0, 0, 1);
    if (byte < 0x20 || byte == 0x7f) return Make(Step::Swallow, 1);
    if (byte < 0x80) return KeyStep(byte, 0, 0, 1);
    return Utf8Step(bytes, pos);
}

// Bytes that waited too long for the rest of their sequence.
Step TimedOutStep(TerminalInputState& state, std::size_t pos) {
    const std::string& bytes = state.pending;
    const std::size_t rest = bytes.size() - pos;
    if (bytes[pos] != Esc) return Make(Step::Refused, rest);  // a cut-short UTF-8 character
    if (rest == 1 || bytes[pos + 1] == Esc) {
        // A lone Esc is the user's key, also inside a paste that never closed.
        state.inPaste = false;
        return KeyStep(Esc, 0, 0, 1);
    }
    if (!state.inPaste && rest == 2) {
        Step inner = PlainStep(bytes, pos + 1);
        if (inner.kind == Step::Event) {
            AddAlt(inner.event);
            inner.length += 1;
            return inner;
        }
    }
    return Make(Step::Swallow, rest);
}

void Compact(TerminalInputState& state) {
    if (state.start >= state.pending.size()) {
        state.pending.clear();
        state.start = 0;
    } else if (state.start > 4096) {
        state.pending.erase(0, state.start);
        state.start = 0;
    }
}

}  // namespace

void FeedTerminalInput(TerminalInputState& state, std::string_view bytes, int64_t nowMs) {
    if (bytes.empty()) return;
    state.pending.append(bytes);
    state.lastByteMs = nowMs;
}

TerminalInputResult TakeTerminalEvent(TerminalInputState& state, int64_t nowMs, ConsoleEvent& event) {
    while (state.start < state.pending.size()) {
        const std::size_t pos = state.start;
        const char first = state.pending[pos];
        const bool pasted = state.inPaste;
        Step step = pasted ? PastedStep(state, pos) : KeyInputStep(state.pending, pos);
        if (step.kind == Step::Partial) {
            if (nowMs - state.lastByteMs < EscapeTimeoutMs) break;
            step = TimedOutStep(state, pos);
        }
        state.start += std::max<std::size_t>(step.length, 1);
        if (pasted) state.pasteAfterCr = first == '\r';
        switch (step.kind) {
            case Step::Event:
                event = step.event;
                Compact(state);
                return TerminalInputResult::Event;
            case Step::Refused:
                Compact(state);
                return TerminalInputResult::Refused;
            case Step::PasteStart:
                state.inPaste = true;
                state.pasteAfterCr = false;
                break;
            case Step::PasteEnd:
                state.inPaste = false;
                break;
            default:
                break;
        }
    }
    Compact(state);
    return TerminalInputResult::Nothing;
}

int64_t TerminalInputWaitMs(const TerminalInputState& state, int64_t nowMs) {
    if (state.start >= state.pending.size()) return -1;
    return std::max<int64_t>(0, state.lastByteMs + EscapeTimeoutMs - nowMs);
}

}  // namespace korvidan
