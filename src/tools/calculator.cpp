// The pop-up adding machine: keys, chained operations, the tape drawn upwards, and the state file.
#include "tools/calculator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "config/run_context.h"
#include "datetime/picture.h"
#include "datetime/text.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "platform/files.h"
#include "screen/colour.h"
#include "screen/window_stack.h"

namespace korvidan {

namespace {

constexpr int16_t LastSlot = 22;
constexpr int16_t EmptyTape = 23;         // firstSlot when no tape line is shown
constexpr int16_t LastWindowColumn = 55;  // the 26-column window then ends at column 80

// What a key did to the calculator.
enum class Outcome { Done, Refused, Finish, Cancel };

std::string StateFilePath() {
    return RunContext.terminalDir + "QORCALC.TMP";
}

// 10 to the power n (infinity once the double range is passed).
double PowerOfTen(int32_t n) {
    double power = 1;
    for (int32_t i = 0; i < n && std::isfinite(power); ++i) power *= 10;
    return power;
}

// ---- Drawing ----

// The single-line box characters of the calculator's frame.
constexpr char Vertical = '\xB3';     // │
constexpr char Horizontal = '\xC4';   // ─
constexpr char TopLeft = '\xDA';      // ┌
constexpr char TopRight = '\xBF';     // ┐
constexpr char TeeLeft = '\xC3';      // ├
constexpr char TeeRight = '\xB4';     // ┤
constexpr char BottomLeft = '\xC0';   // └
constexpr char BottomRight = '\xD9';  // ┘

// A frame line of the calculator: a corner, 24 lines, a corner.
std::string FrameLine(char left, char right) {
    return left + std::string(24, Horizontal) + right;
}

// "-" and the last 21 places of the thousands picture with the amount's point and decimals.
std::string AmountPicture(int16_t pointTyped, int16_t decimals) {
    std::string places = "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9";
    if (pointTyped == -1) places += '.';
    places.append(std::clamp<int16_t>(decimals, 0, 21), '9');
    return "-" + places.substr(places.size() - 21);
}

// One row inside the frame: the amount in 22 places, then two marks.
std::string AmountRow(double amount, int16_t pointTyped, int16_t decimals,
                      const std::string& marks) {
    return Vertical + FormatPicture(AmountPicture(pointTyped, decimals), amount) + marks + Vertical;
}

void DrawRow(const CalcStateRecord& state, int16_t row, const std::string& text) {
    ConsoleLocate(row, state.windowColumn);
    ConsoleWriteText(text);
}

// The tape lines from firstSlot (slot n on row n) with their frame, and the bottom line.
void DrawTape(const CalcStateRecord& state) {
    const bool empty = state.firstSlot >= EmptyTape;
    if (!empty) DrawRow(state, state.firstSlot - 1, FrameLine(TopLeft, TopRight));
    for (int16_t slot = state.firstSlot; slot <= LastSlot; ++slot) {
        const TapeLine& line = state.tape[slot];
        DrawRow(state, slot,
                AmountRow(line.amount, line.pointTyped, line.decimals, {' ', line.op}));
    }
    DrawRow(state, 23, empty ? FrameLine(TopLeft, TopRight) : FrameLine(TeeLeft, TeeRight));
    DrawRow(state, 25, FrameLine(BottomLeft, BottomRight));
}

// The display row; a refused operation shows the error mark "E" beside the value.
void DrawDisplay(const CalcStateRecord& state, bool refused) {
    DrawRow(state, 24,
            AmountRow(state.displayValue, state.pointTyped, state.decimals, refused ? " E" : "  "));
}

void OpenCalculatorWindow(const CalcStateRecord& state) {
    OpenWindow(1, state.windowColumn, 25, state.windowColumn + 25);
    DrawTape(state);
}

// ---- Operations ----

// Writes the display value on the tape in the newest slot; the oldest line scrolls off.
void AppendTapeLine(CalcStateRecord& state, char op) {
    if (state.firstSlot > 2) --state.firstSlot;
    std::move(state.tape.begin() + 2, state.tape.end(), state.tape.begin() + 1);
    state.tape[LastSlot] = {state.displayValue, state.pointTyped, state.decimals, op};
    DrawTape(state);
}

// Shows a result with its natural decimals, at most 15 significant digits.
void Normalise(CalcStateRecord& state) {
    const double magnitude = std::fabs(state.displayValue);
    // The integer digits of the magnitude, so a negative result keeps 15 significant digits too.
    const int32_t integerDigits =
        magnitude >= 1 ? int32_t(WholeNumberDigits(std::trunc(magnitude)).size()) : 0;
    double x = state.displayValue;
    int16_t d = 0;
    while (x != std::trunc(x) && d + integerDigits < 15) {
        x *= 10;
        ++d;
    }
    double whole = std::trunc(x);  // the nearest whole number, an exact half toward zero
    if (std::fabs(x - whole) > 0.5) whole += std::copysign(1.0, x);
    x = whole;
    while (d > 0 && std::fmod(x, 10) == 0) {
        x /= 10;
        --d;
    }
    state.displayValue = x / PowerOfTen(d);
    state.decimals = d;
    state.pointTyped = d > 0 ? -1 : 0;
}

void StartNumber(CalcStateRecord& state) {
    if (state.typing != 0) return;
    state.displayValue = 0;
    state.pointTyped = 0;
    state.decimals = 0;
}

Outcome TypeDigit(CalcStateRecord& state, int16_t digit) {
    if (state.pointTyped != 0 && state.typing != 0 && state.decimals == INT16_MAX)
        return Outcome::Refused;
    CalcStateRecord next = state;
    StartNumber(next);
    // A digit extends the magnitude, so a number negated with T goes on growing away from zero.
    const double signedDigit = std::signbit(next.displayValue) ? -digit : digit;
    if (next.pointTyped == 0) {
        next.displayValue = next.displayValue * 10 + signedDigit;
    } else {
        ++next.decimals;
        next.displayValue += signedDigit / PowerOfTen(next.decimals);
    }
    if (!std::isfinite(next.displayValue)) return Outcome::Refused;
    next.typing = -1;
    state = next;
    return Outcome::Done;
}

void TypePoint(CalcStateRecord& state) {
    StartNumber(state);
    if (state.pointTyped == 0) {
        state.pointTyped = -1;
        state.decimals = 0;
    }
    state.typing = -1;
}

void DeleteDigit(CalcStateRecord& state) {
    if (state.pointTyped == 0) {
        state.displayValue = std::trunc(state.displayValue / 10);
    } else if (--state.decimals < 0) {
        state.pointTyped = 0;
        state.decimals = 0;
    } else {
        const double power = PowerOfTen(state.decimals);
        const double cut = std::trunc(state.displayValue * power) / power;
        if (std::isfinite(cut)) state.displayValue = cut;
    }
    if (state.displayValue == 0) state.typing = 0;
}

void Clear(CalcStateRecord& state) {
    if (state.typing == -1) {  // the number being typed
        state.typing = 0;
        state.displayValue = state.accumulator;
        state.pointTyped = 0;
        state.decimals = 0;
    } else if (state.cleared == 0) {  // the running total
        state.displayValue = 0;
        state.accumulator = 0;
        state.pointTyped = 0;
        state.decimals = 0;
        state.cleared = -1;
    } else {  // the tape, from the screen
        state.firstSlot = EmptyTape;
        CloseWindow();
        OpenCalculatorWindow(state);
    }
}

// To cents, the magnitude rounded a half to even, so a negative amount rounds like a positive one.
Outcome RoundToCents(CalcStateRecord& state) {
    const double rounded =
        std::copysign(RoundHalfEven(std::fabs(state.displayValue) * 100), state.displayValue) / 100;
    if (!std::isfinite(rounded)) return Outcome::Refused;
    state.displayValue = rounded;
    state.accumulator = rounded;
    state.pointTyped = -1;
    state.decimals = 2;
    AppendTapeLine(state, 'R');
    return Outcome::Done;
}

Outcome Percent(CalcStateRecord& state) {
    const bool ofTotal = state.pendingOp == "+" || state.pendingOp == "-";
    const double percent =
        ofTotal ? state.accumulator / 100 * state.displayValue : state.displayValue / 100;
    if (!std::isfinite(percent)) return Outcome::Refused;
    AppendTapeLine(state, '%');
    state.displayValue = percent;
    Normalise(state);
    return Outcome::Done;
}

// Applies the pending operation; division by zero or a result out of range is refused, unchanged.
Outcome Operate(CalcStateRecord& state, char op) {
    const double value = state.displayValue;
    double total = value;
    if (state.pendingOp == "+") total = state.accumulator + value;
    if (state.pendingOp == "-") total = state.accumulator - value;
    if (state.pendingOp == "*") total = state.accumulator * value;
    if (state.pendingOp == "/") {
        if (value == 0) return Outcome::Refused;
        total = state.accumulator / value;
    }
    if (!std::isfinite(total)) return Outcome::Refused;
    state.accumulator = total;
    AppendTapeLine(state, op);
    state.displayValue = total;
    Normalise(state);
    if (op == '=') {
        AppendTapeLine(state, ' ');
        state.pendingOp.clear();
    } else {
        state.pendingOp = std::string(1, op);
    }
    state.typing = 0;
    state.cleared = 0;
    return Outcome::Done;
}

void MoveWindow(CalcStateRecord& state, bool toTheLeft) {
    CloseWindow();
    if (toTheLeft)
        state.windowColumn = state.windowColumn <= 1 ? LastWindowColumn : state.windowColumn - 1;
    else
        state.windowColumn = state.windowColumn >= LastWindowColumn ? 1 : state.windowColumn + 1;
    OpenCalculatorWindow(state);
}

Outcome ActOnKey(CalcStateRecord& state, int16_t key) {
    switch (key) {
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9':
            return TypeDigit(state, int16_t(key - '0'));
        case '.':
            TypePoint(state);
            return Outcome::Done;
        case KeyBackspace:
            DeleteDigit(state);
            return Outcome::Done;
        case '+':
        case '-':
        case '*':
        case '/':
            return Operate(state, char(key));
        case '=':
        case KeyEnter:
            return state.typing == -1 ? Operate(state, '=') : Outcome::Done;
        case '%':
            return Percent(state);
        case 'R':
            return RoundToCents(state);
        case 'C':
            Clear(state);
            return Outcome::Done;
        case 'T':
            state.displayValue = -state.displayValue;
            return Outcome::Done;
        case KeyLeft:
        case KeyCtrlLeft:
            MoveWindow(state, true);
            return Outcome::Done;
        case KeyRight:
        case KeyCtrlRight:
            MoveWindow(state, false);
            return Outcome::Done;
        case 'F':
        case KeyAltF:
            return Outcome::Finish;
        case KeyEsc:
            return Outcome::Cancel;
        default:
            return Outcome::Done;
    }
}

// The value in hundredths, without sign: 19.5 gives 1950, 1.234 gives 123.4, 0.0001 gives .01.
std::string FinishText(const CalcStateRecord& state) {
    const int32_t shown = std::max<int32_t>(state.decimals, 2);
    const double value = std::fabs(state.typing == -1 ? state.displayValue : state.accumulator);
    const double scaled = std::round(value * PowerOfTen(shown));
    std::string digits;
    if (std::isfinite(scaled)) {
        digits = WholeNumberDigits(scaled);
    } else {  // more decimals than a double can scale: write them out exactly
        std::string buffer(size_t(shown) + 400, '\0');
        const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                           std::chars_format::fixed, shown);
        buffer.resize(size_t(written.ptr - buffer.data()));
        buffer.erase(std::remove(buffer.begin(), buffer.end(), '.'), buffer.end());
        digits = buffer.substr(std::min(buffer.find_first_not_of('0'), buffer.size()));
    }
    if (digits.empty()) digits.assign(1, '0');
    const size_t fraction = size_t(shown - 2);
    if (digits.size() < fraction) digits.insert(0, fraction - digits.size(), '0');
    std::string text = digits.substr(0, digits.size() - fraction);
    if (fraction > 0) {
        text += '.';
        text += digits.substr(digits.size() - fraction);
    }
    return text;
}

// The text of a key: a character upper-cased, or an extended key's low and high byte.
std::string KeyText(int16_t key) {
    if (key >= 1 && key <= 255) return UpperCaseText(std::string(1, char(key)));
    return {char(uint16_t(key) & 0xFF), char(uint16_t(key) >> 8)};
}

// ---- The state file ----

struct StateField {
    std::string text;
    bool quoted = false;
};

constexpr size_t StateFieldCount = 10 + 4 * LastSlot;

// The fields of the file: a comma or a line end separates them, double quotes enclose a text.
std::vector<StateField> SplitStateFields(const std::string& text) {
    std::vector<StateField> fields;
    size_t at = 0;
    while (at < text.size() && fields.size() < StateFieldCount) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
        StateField field;
        if (at < text.size() && text[at] == '"') {
            const size_t close = std::min(text.find('"', at + 1), text.size());
            field.text = text.substr(at + 1, close - at - 1);
            field.quoted = true;
            at = std::min(text.find_first_of(",\r\n", close), text.size());
        } else {
            const size_t end = std::min(text.find_first_of(",\r\n", at), text.size());
            field.text = TrimRightBlanks(text.substr(at, end - at));
            at = end;
        }
        fields.push_back(std::move(field));
        if (at < text.size())
            at += (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ? 2 : 1;
    }
    return fields;
}

bool ReadNumber(const StateField& field, double& number) {
    if (field.quoted || field.text.empty()) return false;
    const char* first = field.text.data();
    const char* last = first + field.text.size();
    if (*first == '+') ++first;
    double value = 0;
    const auto read = std::from_chars(first, last, value);
    if (read.ec != std::errc() || read.ptr != last || !std::isfinite(value)) return false;
    number = value;
    return true;
}

void ReadWhole(const StateField& field, int32_t low, int32_t high, int16_t& number) {
    double value = 0;
    if (ReadNumber(field, value) && value == std::trunc(value) && value >= low && value <= high)
        number = int16_t(value);
}

void ReadOp(const StateField& field, char& op) {
    const char mark =
        field.text.empty() ? ' ' : field.text[0];  // a one-character field: "" reads as a blank
    if (field.text.size() <= 1 &&
        std::string_view("+-*/=%R \0", 9).find(mark) != std::string_view::npos)
        op = mark;
}

std::string NumberText(double value) {
    char buffer[512];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, written.ptr);
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

CalcStateRecord ParseCalcState(const std::string& text) {
    CalcStateRecord state;
    const std::vector<StateField> fields = SplitStateFields(text);
    const StateField missing;
    const auto at = [&](size_t index) -> const StateField& {
        return index < fields.size() ? fields[index] : missing;
    };
    ReadWhole(at(0), 1, LastWindowColumn, state.windowColumn);
    ReadWhole(at(1), 2, EmptyTape, state.firstSlot);
    ReadNumber(at(2), state.displayValue);
    ReadNumber(at(3), state.accumulator);
    ReadWhole(at(4), -1, 0, state.cleared);
    ReadWhole(at(5), -1, 0, state.typing);
    ReadWhole(at(6), -1, 0, state.pointTyped);
    ReadWhole(at(7), 0, INT16_MAX, state.decimals);
    if (at(8).quoted) state.lastKey = at(8).text;
    if (at(9).text == "+" || at(9).text == "-" || at(9).text == "*" || at(9).text == "/")
        state.pendingOp = at(9).text;
    for (int16_t slot = 1; slot <= LastSlot; ++slot) {
        const size_t base = 10 + 4 * size_t(slot - 1);
        if (base >= fields.size()) break;
        TapeLine& line = state.tape[slot];
        ReadNumber(at(base), line.amount);
        ReadWhole(at(base + 1), -1, 0, line.pointTyped);
        ReadWhole(at(base + 2), 0, INT16_MAX, line.decimals);
        ReadOp(at(base + 3), line.op);
    }
    return state;
}

std::string CalcStateText(const CalcStateRecord& state) {
    const std::string end = "\r\n";
    std::string text = std::to_string(state.windowColumn) + "," + std::to_string(state.firstSlot) +
                       "," + NumberText(state.displayValue) + "," + NumberText(state.accumulator) +
                       end;
    text += std::to_string(state.cleared) + "," + std::to_string(state.typing) + "," +
            std::to_string(state.pointTyped) + "," + std::to_string(state.decimals) + end;
    text += Quoted(state.lastKey) + "," + Quoted(state.pendingOp) + end;
    for (int16_t slot = 1; slot <= LastSlot; ++slot) {
        const TapeLine& line = state.tape[slot];
        text += NumberText(line.amount) + "," + std::to_string(line.pointTyped) + "," +
                std::to_string(line.decimals) + "," + Quoted(std::string(1, line.op)) + end;
    }
    return text;
}

std::string RunCalculator() {
    SetKeyMap("+e", "");
    SetColourMode("+n");
    // Hidden while open; shown again afterwards only where it was shown before (a field), so a
    // list, calendar or calculator underneath keeps its cursor hidden.
    const bool cursorWasVisible = ConsoleCursorVisible();
    ConsoleShowCursor(false);

    const std::string path = StateFilePath();
    if (!PathExists(path)) WriteWholeFile(path, "");
    std::string saved;
    ReadWholeFile(path, saved);
    CalcStateRecord state = ParseCalcState(saved);
    OpenCalculatorWindow(state);

    std::string result;
    bool refused = false;
    for (;;) {
        DrawDisplay(state, refused);
        int16_t key = 0;
        WaitKey(key);
        state.lastKey = KeyText(key);
        if (key >= 1 && key <= 255) key = uint8_t(state.lastKey[0]);
        const Outcome outcome = ActOnKey(state, key);
        refused = outcome == Outcome::Refused;
        if (refused) ConsoleBeep();
        if (outcome == Outcome::Finish) result = FinishText(state);
        if (outcome == Outcome::Finish || outcome == Outcome::Cancel) break;
    }

    CloseWindow();
    WriteWholeFile(path, CalcStateText(state));
    ConsoleShowCursor(cursorWasVisible);
    SetColourMode("-");
    SetKeyMap("-", "");
    return result;
}

}  // namespace korvidan
