// Fuzz target for the browse list's cache file: any bytes as Browse.tmp of a list without
// a data file, browsed with keys taken from the input, on the virtual console.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/run_context.h"
#include "forms/form_set.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "platform/files.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "tools/browse.h"
#include "fuzz_support.h"

using korvidan::fuzz::WorkFolder;

namespace {

constexpr int16_t kKeys[] = {0x5000, 0x5000, 0x4800, 0x5100, 0x4900, 0x4d00, 0x4b00, 0x5000};
constexpr size_t kKeyBytes = 24;

}  // namespace

// Input: up to 24 bytes choosing navigation keys (low three bits), then the cache file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    const std::string folder = WorkFolder();
    UseVirtualConsole(25, 80);
    ResetColourState();
    ResetWindowStack();
    ResetKeyboardState();
    ResetFormSet();
    ResetBrowseState();
    RunContext.tempDir = folder;
    FormSet.browseCount = 1;
    FormSet.browses.push_back(BrowseDef{0, 0, WindowRect{3, 5, 14, 40}, 0, "_Code____Name", 0});

    const size_t keyCount = size < kKeyBytes ? size : kKeyBytes;
    for (size_t i = 0; i < keyCount; ++i) QueueVirtualKey(kKeys[data[i] & 7]);
    QueueVirtualKey(0x0d);
    WriteWholeFile(folder + "Browse.tmp", std::string(reinterpret_cast<const char*>(data) + keyCount, size - keyCount));

    int16_t browseNo = 1;
    int16_t status = 1;
    RunBrowse(browseNo, status);
    if (status != 0 || WindowStack.depth != 0) std::abort();
    return 0;
}
