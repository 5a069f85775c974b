// Fuzz target: the reader of the create/statistics layout of a data file, and the key
// forms computed from what it reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "records/record_layout.h"

using namespace korvidan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const auto length = static_cast<int32_t>(size);
    for (const bool strict : {false, true}) {
        RecordLayout layout;
        if (ParseRecordLayout(data, length, strict, layout) != 0) continue;
        // What was read is written back the same way and reads the same again.
        const std::string encoded = EncodeRecordLayout(layout);
        RecordLayout again;
        if (ParseRecordLayout(reinterpret_cast<const uint8_t*>(encoded.data()),
                              static_cast<int32_t>(encoded.size()), strict, again) != 0 ||
            EncodeRecordLayout(again) != encoded)
            std::abort();
        // Key values and sorting forms of the input taken as a record.
        for (int key = 0; key < static_cast<int>(layout.keys.size()) && key < 8; ++key) {
            if (layout.keys[static_cast<size_t>(key)].length > 4096) continue;
            const std::string value = KeyValueOf(layout, key, data, length);
            if (static_cast<int>(value.size()) != layout.keys[static_cast<size_t>(key)].length)
                std::abort();
            const std::string form = CollatingForm(layout, key, value);
            if (form.size() != value.size()) std::abort();
            CollatingForm(layout, key, value.substr(0, value.size() / 2));
        }
    }
    return 0;
}
