// Fuzz target for help text files: any bytes as a topic's help file, shown and paged
// through every key of the viewer on the virtual console.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/run_context.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "platform/files.h"
#include "screen/colour.h"
#include "screen/help_viewer.h"
#include "screen/window_stack.h"
#include "fuzz_support.h"

namespace {

// The help file's folder inside the private scratch folder.
std::string HelpFolder() {
    const std::string folder = korvidan::fuzz::WorkFolder();
    std::filesystem::create_directory(folder + "AJUDA");
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    static const std::string folder = HelpFolder();
    UseVirtualConsole(25, 80);
    ResetColourState();
    ResetWindowStack();
    ResetKeyboardState();
    RunContext.tempDir = folder;
    RunContext.platformKind = "DOS";
    WriteWholeFile(folder + "AJUDA/FUZZ.HLP", std::string(reinterpret_cast<const char*>(data), size));
    // End, Up, PgUp, Down, PgDn, Home, Down, Esc.
    for (int16_t key : {0x4f00, 0x4800, 0x4900, 0x5000, 0x5100, 0x4700, 0x5000, 0x1b}) QueueVirtualKey(key);
    // The viewer reads from the current directory; the fuzzer's own paths need it back.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    ShowHelp("FUZZ");
    std::filesystem::current_path(previous);
    if (WindowStack.depth != 0) std::abort();
    return 0;
}
