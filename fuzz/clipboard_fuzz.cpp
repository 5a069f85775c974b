// Fuzz target for the clipboard file reader: any file content comes back as
// text of at most the clipboard's limit, its first bytes unchanged.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/clipboard.h"

namespace {

// A folder of its own under the temporary folder, removed at the end.
struct ScratchFolder {
    std::string path;
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvidan-clipboard-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path = pattern + "/";
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

const std::string& Folder() {
    static const ScratchFolder folder;
    return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(Folder() + ClipboardFileName, std::ios::binary | std::ios::trunc) << bytes;
    const std::string text = GetClipboardText(Folder());
    if (text != bytes.substr(0, ClipboardLimit)) __builtin_trap();
    return 0;
}
