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

namespace {

// A private folder for the help file and the window work file, removed at exit.
char workFolder[256];

void RemoveWorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(workFolder, ignored);
}

const char* WorkFolder() {
    if (workFolder[0] == '\0') {
        const std::string pattern = (std::filesystem::temp_directory_path() / "help-fuzz-XXXXXX").string();
        if (pattern.size() >= sizeof workFolder) std::abort();
        pattern.copy(workFolder, pattern.size());
        if (mkdtemp(workFolder) == nullptr) std::abort();
        std::filesystem::create_directory(std::string(workFolder) + "/AJUDA");
        std::atexit(RemoveWorkFolder);
    }
    return workFolder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    const std::string folder = std::string(WorkFolder()) + "/";
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
