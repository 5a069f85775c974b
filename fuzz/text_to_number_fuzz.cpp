// Fuzz target: the number reader and the 16-bit rounding on arbitrary bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "datetime/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double value = korvidan::TextToNumber(text);
    if (!std::isfinite(value)) std::abort();
    const int16_t rounded = korvidan::RoundToInt16(value);
    if (korvidan::FitsInt16(value) && std::fabs(rounded - value) > 0.5) std::abort();
    // The bytes read as a double of their own, NaN and infinities included.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        korvidan::RoundToInt16(raw);
        korvidan::FitsInt16(raw);
    }
    return 0;
}
