// Fuzz target for the calculator state file: any bytes give a sound state that reads back as
// written.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/calculator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    const CalcStateRecord state =
        ParseCalcState(std::string(reinterpret_cast<const char*>(data), size));
    if (state.windowColumn < 1 || state.windowColumn > 55 || state.firstSlot < 2 ||
        state.firstSlot > 23)
        std::abort();
    if (!std::isfinite(state.displayValue) || !std::isfinite(state.accumulator) ||
        state.decimals < 0)
        std::abort();
    for (const TapeLine& line : state.tape)
        if (!std::isfinite(line.amount) || line.decimals < 0) std::abort();
    const std::string text = CalcStateText(state);
    if (CalcStateText(ParseCalcState(text)) != text) std::abort();
    return 0;
}
