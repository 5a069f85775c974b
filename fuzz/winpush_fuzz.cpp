// Fuzz target for the reader of the screen-save file WinPush.tmp: any bytes as the
// file found when a window opens and as the file read back when it closes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/run_context.h"
#include "platform/console.h"
#include "platform/files.h"
#include "screen/window_stack.h"
#include "fuzz_support.h"

using korvidan::fuzz::WorkFolder;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    if (size < 4) return 0;
    // Input: four bytes choosing the window inside the 25 x 80 screen, then the file.
    const int16_t top = static_cast<int16_t>(1 + data[0] % 25);
    const int16_t left = static_cast<int16_t>(1 + data[1] % 80);
    const int16_t bottom = static_cast<int16_t>(top + data[2] % (26 - top));
    const int16_t right = static_cast<int16_t>(left + data[3] % (81 - left));
    const std::string bytes(reinterpret_cast<const char*>(data) + 4, size - 4);

    UseVirtualConsole(25, 80);
    ResetWindowStack();
    RunContext.tempDir = WorkFolder();
    const std::string path = WorkFolder() + "WinPush.tmp";

    if (!WriteWholeFile(path, bytes)) std::abort();
    ConsoleLocate(25, 1);
    OpenWindow(top, left, bottom, right);
    if (WindowStack.depth != 1) std::abort();

    if (!WriteWholeFile(path, bytes)) std::abort();
    CloseWindow();
    CloseWindow();
    if (WindowStack.depth != 0 || WindowStack.top != 0 || WindowStack.right != 0) std::abort();
    if (ConsoleCursorRow() != 25 || ConsoleCursorColumn() != 1) std::abort();
    DeleteFile(path);
    return 0;
}
