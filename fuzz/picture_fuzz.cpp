// Fuzz target for numeric pictures: any picture with any double gives a text of the picture's
// length.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "datetime/picture.h"

// Input: eight bytes of a double, then the picture.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    double value = 0;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    const std::string picture(reinterpret_cast<const char*>(data), size);
    if (korvidan::FormatPicture(picture, value).size() != picture.size()) std::abort();
    return 0;
}
