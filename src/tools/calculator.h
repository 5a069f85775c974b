// The pop-up adding machine with a paper tape (Alt+X); its state is kept in QORCALC.TMP.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvidan {

// One line of the tape: an amount, how it was shown, and its operation mark.
struct TapeLine {
    double amount = 0;
    int16_t pointTyped = 0;
    int16_t decimals = 0;
    char op =
        '\0';  // "+", "-", "*", "/", "=", "%", "R", a blank for a result, NUL when never written
};

// The calculator between two keys, and in its state file between two uses.
struct CalcStateRecord {
    int16_t windowColumn = 1;
    int16_t firstSlot = 23;  // first tape slot shown; 23 is an empty tape
    double displayValue = 0;
    double accumulator = 0;
    int16_t cleared = -1;
    int16_t typing = 0;
    int16_t pointTyped = 0;
    int16_t decimals = 0;
    std::string lastKey;
    std::string pendingOp;
    std::array<TapeLine, 23> tape{};  // slots 1 to 22; slot 22 is the newest
};

// Runs the calculator until F (returns the value in hundredths, as digits to type) or Esc (returns
// "").
std::string RunCalculator();

// The state read from a state file's text; a field that cannot be read keeps its first-use value.
CalcStateRecord ParseCalcState(const std::string& text);

// The text of the state file for a state.
std::string CalcStateText(const CalcStateRecord& state);

}  // namespace korvidan
