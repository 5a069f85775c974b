// Fuzz target for the clipboard file reader: any file content comes back as
// text of at most the clipboard's limit, its first bytes unchanged.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_support.h"
#include "platform/clipboard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string& folder = fuzz::WorkFolder();
    std::ofstream(folder + ClipboardFileName, std::ios::binary | std::ios::trunc) << bytes;
    const std::string text = GetClipboardText(folder);
    if (text != bytes.substr(0, ClipboardLimit)) __builtin_trap();
    return 0;
}
