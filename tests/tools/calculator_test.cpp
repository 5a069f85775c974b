// Tests of the calculator on the virtual console: operations, tape, moves, state file, hot key.
#include "tools/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "config/run_context.h"
#include "datetime/picture.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "support/screen_fixture.h"
#include "support/test_support.h"
#include "tools/popups.h"

namespace korvidan {
namespace {

using test::FileExists;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::ScratchDir;
using test::WriteFileBytes;

constexpr int16_t F1 = 0x3B00;
constexpr int16_t Left = 0x4B00;
constexpr int16_t Right = 0x4D00;
constexpr int16_t CtrlLeft = 0x7300;
constexpr int16_t Esc = 27;
const std::string Vertical = "\xB3";  // │

// The screen as it was when the calculator last waited on F1.
std::vector<std::string> Screen;
std::string TakeScreen() {
    Screen.clear();
    for (int16_t row = 1; row <= 25; ++row) Screen.push_back(ConsoleRowText(row));
    return "";
}

class CalculatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseVirtualConsole(25, 80);
        test::ResetScreenLayers();
        ResetPictureCharacters();
        RunContext.terminalDir = dir.path();
        RunContext.tempDir = dir.path();
        WriteFileBytes(dir / "Zirp.ini", "[Usuari]\r\nDecCaracter=,\r\nMilCaracter=.\r\n");
        env.Set("QORROOT", dir.path());
        RegisterHotKey(F1, TakeScreen);
        Screen.clear();
    }
    void TearDown() override {
        ResetKeyboardState();
        ResetPictureCharacters();
        ResetRunContext();
    }

    // Queues characters as typed keys and extended keys by code, then runs the calculator.
    std::string Run(const std::vector<int16_t>& keys) {
        for (int16_t key : keys) QueueVirtualKey(key);
        return RunCalculator();
    }
    std::string Run(const std::string& typed) {
        std::vector<int16_t> keys;
        for (char c : typed) keys.push_back(int16_t(uint8_t(c)));
        return Run(keys);
    }
    CalcStateRecord Saved() { return ParseCalcState(ReadFileBytes(dir / "QORCALC.TMP")); }

    ScratchDir dir;
    ScopedEnv env;
};

TEST_F(CalculatorTest, WorkedExampleLeavesItsTapeAndState) {
    EXPECT_EQ(Run(std::vector<int16_t>{'1', '2', '.', '5', '+', '7', 13, F1, 'F'}), "1950");
    ASSERT_EQ(Screen.size(), 25u);
    EXPECT_EQ(Screen[18].substr(0, 26),
              "\xDA" + std::string(24, '\xC4') + "\xBF");  // row 19: ┌───┐
    EXPECT_EQ(Screen[19].substr(0, 26), Vertical + std::string(18, ' ') + "12,5 +" + Vertical);
    EXPECT_EQ(Screen[20].substr(0, 26), Vertical + std::string(21, ' ') + "7 =" + Vertical);
    EXPECT_EQ(Screen[21].substr(0, 26), Vertical + std::string(18, ' ') + "19,5  " + Vertical);
    EXPECT_EQ(Screen[22].substr(0, 26), "\xC3" + std::string(24, '\xC4') + "\xB4");  // ├───┤
    EXPECT_EQ(Screen[23].substr(0, 26), Vertical + std::string(18, ' ') + "19,5  " + Vertical);
    EXPECT_EQ(Screen[24].substr(0, 26), "\xC0" + std::string(24, '\xC4') + "\xD9");  // └───┘

    const CalcStateRecord state = Saved();
    EXPECT_EQ(state.firstSlot, 20);
    EXPECT_EQ(state.pendingOp, "");
    EXPECT_EQ(state.typing, 0);
    EXPECT_EQ(state.lastKey, "F");
    EXPECT_EQ(state.tape[20].op, '+');
    EXPECT_EQ(state.tape[22].amount, 19.5);
    EXPECT_EQ(state.tape[22].op, ' ');
    // The screen under the calculator is back, and no window is left open.
    EXPECT_EQ(ConsoleRowText(20), std::string(80, ' '));
    EXPECT_EQ(WindowStack.depth, 0);
}

TEST_F(CalculatorTest, KeySequencesAndTheirResults) {
    const struct {
        const char* keys;
        const char* result;
    } cases[] = {
        {"200-10%=F", "18000"},
        {"200+10%=F", "22000"},
        {"50*10%=F", "500"},
        {"5*C3=F", "0"},   // a full clear keeps the pending operator
        {"5++F", "1000"},  // an operator again applies the pending one once more
        {"5+=F", "500"},   // "=" without a typed number does nothing
        {"12F", "1200"},
        {"0.125F", "12.5"},
        {"1.234F", "123.4"},
        {"0.05F", "5"},
        {".0001F", ".01"},
        {"2.344RF", "234"},
        {"2.346RF", "235"},
        {"1.237TRF", "124"},                 // to cents rounds a negative amount like a
                                             // positive one: -1.24
        {"5T3F", "5300"},                    // digits after T extend the negated number: -53
        {"1000/3=F", "33333.3333333333"},    // a result keeps 15 significant digits...
        {"0-1000/3=F", "33333.3333333333"},  // ...whether it is positive or negative
        {"123\b\bF", "100"},
        {"1.25\bF", "120"},
        {"7-9=F", "200"},   // no sign is handed back
        {"7+3T=F", "400"},  // T negates the typed number only
        {"6/4=rf", "150"},  // small letters act like capitals
        {"1+2\x1b", ""},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(std::remove((dir / "QORCALC.TMP").c_str()) == 0 ||
                    !FileExists(dir / "QORCALC.TMP"));
        EXPECT_EQ(Run(c.keys), c.result) << c.keys;
    }
}

// The sign is not handed back, so the saved state shows what negative amounts became.
TEST_F(CalculatorTest, NegativeAmountsOnTheDisplayAndTheTape) {
    const struct {
        const char* keys;
        double displayValue, accumulator;
        int16_t decimals;
        char lastOp;
    } cases[] = {
        {"1.237TR", -1.24, -1.24, 2, 'R'},  // to cents as 1.237 gives 1.24, not cut to -1.23
        {"5T3", -53, 0, 0, '\0'},           // a digit after T goes on with the negative number
        {"5.2T3", -5.23, 0, 2, '\0'},
        {"5T3\b", -5, 0, 0, '\0'},
        {"0-1000/3=", -333.333333333333, -1000.0 / 3, 12, ' '},  // 15 significant digits, as
        {"1000/3=", 333.333333333333, 1000.0 / 3, 12, ' '},      // for the positive result
        {"2+3=T", -5, 5, 0, ' '},  // T after a result changes only the display
        {"2+3=T+1=", -4, -4, 0, ' '},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(std::remove((dir / "QORCALC.TMP").c_str()) == 0 ||
                    !FileExists(dir / "QORCALC.TMP"));
        Run(std::string(c.keys) + "\x1b");
        const CalcStateRecord state = Saved();
        EXPECT_EQ(state.displayValue, c.displayValue) << c.keys;
        EXPECT_EQ(state.accumulator, c.accumulator) << c.keys;
        EXPECT_EQ(state.decimals, c.decimals) << c.keys;
        EXPECT_EQ(state.tape[22].op, c.lastOp) << c.keys;
        if (c.lastOp == 'R') {
            EXPECT_EQ(state.tape[22].amount, c.displayValue) << c.keys;
        }
    }
}

TEST_F(CalculatorTest, ThreeLevelsOfClear) {
    Run(std::vector<int16_t>{'5', '+', '3', 'C', F1, 'C', 'C', F1, Esc});
    const CalcStateRecord state = Saved();
    EXPECT_EQ(state.firstSlot, 23);       // the tape is gone from the screen...
    EXPECT_EQ(state.tape[22].amount, 5);  // ...but its slots are kept
    EXPECT_EQ(state.accumulator, 0);
    EXPECT_EQ(state.cleared, -1);
    EXPECT_EQ(state.pendingOp, "+");
    EXPECT_EQ(Screen[22].substr(0, 26),
              "\xDA" + std::string(24, '\xC4') + "\xBF");  // an empty tape's box
    EXPECT_EQ(Screen[21].substr(0, 26), std::string(26, ' '));
}

TEST_F(CalculatorTest, TapeShowsTwentyOneLinesAndScrollsTheOldestOff) {
    std::string keys;
    for (int i = 1; i <= 9; ++i) keys += std::to_string(i) + "+";  // nine lines
    for (int i = 0; i < 13; ++i) keys += "1+";                     // 22 lines in all
    keys += "\x1b";
    Run(keys);
    CalcStateRecord state = Saved();
    EXPECT_EQ(state.firstSlot, 2);
    EXPECT_EQ(state.tape[1].amount, 1);  // the line that scrolled off last
    EXPECT_EQ(state.tape[2].amount, 2);
    EXPECT_EQ(state.tape[22].amount, 1);

    Run(std::vector<int16_t>{F1, Esc});  // opens again as it was left
    EXPECT_EQ(Screen[0].substr(0, 26), "\xDA" + std::string(24, '\xC4') + "\xBF");
    EXPECT_EQ(Screen[1].substr(0, 26), Vertical + std::string(21, ' ') + "2 +" + Vertical);
    EXPECT_EQ(Screen[23].substr(0, 26), Vertical + std::string(20, ' ') + "58  " + Vertical);
}

TEST_F(CalculatorTest, WindowMovesAcrossTheEdges) {
    Run(std::vector<int16_t>{Left, F1, Esc});
    EXPECT_EQ(Saved().windowColumn, 55);
    EXPECT_EQ(Screen[24].substr(54),
              "\xC0" + std::string(24, '\xC4') + "\xD9");  // columns 55 to 80
    EXPECT_EQ(Screen[24].substr(0, 54), std::string(54, ' '));
    Run(std::vector<int16_t>{Right, Esc});
    EXPECT_EQ(Saved().windowColumn, 1);
    Run(std::vector<int16_t>{Right, Right, CtrlLeft, Esc});
    EXPECT_EQ(Saved().windowColumn, 2);
}

TEST_F(CalculatorTest, DivisionByZeroAndOverflowAreRefused) {
    const int beepsBefore = VirtualBeepCount();
    EXPECT_EQ(Run(std::vector<int16_t>{'8', '/', '0', '=', F1, '2', '=', 'F'}), "400");
    EXPECT_EQ(VirtualBeepCount(), beepsBefore + 1);
    EXPECT_EQ(Screen[23].substr(0, 26),
              Vertical + std::string(21, ' ') + "0 E" + Vertical);  // the error mark

    std::string huge = "1" + std::string(200, '0');
    Run(huge + "**" + std::string(400, '9') +
        "\x1b");  // 1e400 and a 400-digit number do not fit a double
    EXPECT_GE(VirtualBeepCount(), beepsBefore + 3);
    const std::string saved = ReadFileBytes(dir / "QORCALC.TMP");
    EXPECT_EQ(saved.find("inf"), std::string::npos);
    EXPECT_EQ(saved.find("nan"), std::string::npos);
    const CalcStateRecord state = Saved();
    EXPECT_TRUE(std::isfinite(state.displayValue));
    EXPECT_GT(state.accumulator, 9e199);
}

TEST_F(CalculatorTest, StateFileIsWrittenCompletelyAndReadBackExactly) {
    CalcStateRecord state;
    state.windowColumn = 12;
    state.firstSlot = 19;
    state.displayValue = 0.1 + 0.2;
    state.accumulator = -12.5;
    state.cleared = 0;
    state.typing = -1;
    state.pointTyped = -1;
    state.decimals = 3;
    state.lastKey = std::string("\0!", 2);  // Alt+F
    state.pendingOp = "/";
    state.tape[19] = {std::numeric_limits<double>::denorm_min(), -1, 15, '%'};
    state.tape[22] = {123456.789, -1, 3, ' '};
    const std::string text = CalcStateText(state);
    EXPECT_EQ(text.substr(0, text.find("\r\n", text.find("\r\n") + 2) + 2),
              "12,19,0.30000000000000004,-12.5\r\n0,-1,-1,3\r\n");
    EXPECT_EQ(text.substr(text.size() - 21), "123456.789,-1,3,\" \"\r\n");

    const CalcStateRecord back = ParseCalcState(text);
    EXPECT_EQ(CalcStateText(back), text);
    EXPECT_EQ(back.displayValue, state.displayValue);
    EXPECT_EQ(back.tape[19].amount, std::numeric_limits<double>::denorm_min());
    for (double value : {-1e300, std::numeric_limits<double>::max(), -0.0, 1.0 / 3}) {
        state.tape[5].amount = value;
        const double read = ParseCalcState(CalcStateText(state)).tape[5].amount;
        EXPECT_TRUE(read == value && std::signbit(read) == std::signbit(value)) << value;
    }
    EXPECT_EQ(back.tape[1].op, '\0');
    EXPECT_EQ(back.lastKey, state.lastKey);
}

TEST_F(CalculatorTest, DamagedStateFilesGiveTheFirstUseStateForWhatCannotBeRead) {
    const CalcStateRecord firstUse;
    const struct {
        const char* name;
        std::string text;
        int16_t windowColumn, firstSlot;
        double displayValue;
        const char* pendingOp;
    } cases[] = {
        {"empty", "", 1, 23, 0, ""},
        {"garbage", std::string("\xff\x00\x01zz\"\"\"", 8), 1, 23, 0, ""},
        {"cut short", "30,5,12.5e", 30, 5, 0, ""},
        {"wrong kinds", "\"3\",x,1e5,\"+\"\r\n0,0,0,0\r\n\"\",\"%\"\r\n", 1, 23, 100000, ""},
        {"not finite", "3,20,inf,nan\r\n", 3, 20, 0, ""},
        {"off the screen", "70,1,7,7\r\n-1,0,0,0\r\n\"F\",\"*\"\r\n", 1, 23, 7, "*"},
        {"below the tape", "-4,24,1,1\r\n", 1, 23, 1, ""},
        {"line feeds only", "10,10,2,2\n-1,0,0,0\n\"F\",\"-\"\n", 10, 10, 2, "-"},
    };
    for (const auto& c : cases) {
        const CalcStateRecord state = ParseCalcState(c.text);
        EXPECT_EQ(state.windowColumn, c.windowColumn) << c.name;
        EXPECT_EQ(state.firstSlot, c.firstSlot) << c.name;
        EXPECT_EQ(state.displayValue, c.displayValue) << c.name;
        EXPECT_EQ(state.accumulator == state.accumulator, true) << c.name;
        EXPECT_EQ(state.pendingOp, c.pendingOp) << c.name;
        EXPECT_TRUE(state.decimals >= 0 && (state.cleared == 0 || state.cleared == -1)) << c.name;
    }
    // The calculator opens on a damaged file, stays on the screen and writes a sound file back.
    const std::string damaged = "79,2,1e308,-1e308\r\n0,5,9,-7\r\n\"a\",\"^\"\r\n1,2,3,\"??\"\r\n";
    const CalcStateRecord read = ParseCalcState(damaged);
    EXPECT_EQ(read.tape[1].amount, 1);
    EXPECT_EQ(read.tape[1].pointTyped, 0);
    EXPECT_EQ(read.tape[1].decimals, 3);
    EXPECT_EQ(read.tape[1].op, firstUse.tape[1].op);
    EXPECT_TRUE(read.typing == 0 && read.pointTyped == 0 && read.decimals == 0 &&
                read.pendingOp.empty());
    WriteFileBytes(dir / "QORCALC.TMP", damaged);
    EXPECT_EQ(Run(std::vector<int16_t>{F1, '*', '=', Esc}), "");
    EXPECT_EQ(Screen[24].substr(0, 26), "\xC0" + std::string(24, '\xC4') + "\xD9");
    const CalcStateRecord rewritten = Saved();
    EXPECT_EQ(rewritten.windowColumn, 1);
    EXPECT_EQ(rewritten.pendingOp, "*");
    // 1e308 in hundredths is past the double range: it is still handed back, digit for digit.
    const std::string hundredths = Run("F");
    EXPECT_EQ(hundredths.size(), 311u);
    EXPECT_EQ(hundredths.find_first_not_of("0123456789"), std::string::npos);
}

// Alt+X from a field: the result arrives as typed keys and the field's key map is exactly as it
// was.
TEST_F(CalculatorTest, HotKeyQueuesTheResultAndKeepsTheKeyMap) {
    RegisterPopupTools();
    SetKeyMap("+ea", "1b,0d=4f00");  // a form's keys over the keys from before the form
    const KeyMapRecord before = KeyMap;
    for (int16_t key : {int16_t(0x2D00), int16_t('1'), int16_t('2'), int16_t('F'), int16_t('x')})
        QueueVirtualKey(key);
    int16_t key = 0;
    std::string typed;
    WaitKey(key);
    EXPECT_EQ(key, 0x2D00);
    for (int i = 0; i < 5; ++i) {
        WaitKey(key);
        typed += char(key);
    }
    EXPECT_EQ(typed, "1200x");
    EXPECT_EQ(KeyMap.fromCodes, before.fromCodes);
    EXPECT_EQ(KeyMap.toCodes, before.toCodes);
    EXPECT_EQ(KeyMap.savedFrom, before.savedFrom);
    EXPECT_EQ(KeyMap.saveInUse, before.saveInUse);
}

}  // namespace
}  // namespace korvidan
