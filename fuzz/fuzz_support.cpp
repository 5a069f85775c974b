// The fuzz targets' private scratch folder.
#include "fuzz_support.h"

#include <cstdlib>
#include <filesystem>

namespace korvidan::fuzz {

namespace {

// The name lives in a plain array, so the exit handler can still read it after
// every static object has been destroyed.
char folderName[4096];

void RemoveWorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folderName, ignored);
}

}  // namespace

const std::string& WorkFolder() {
    static const std::string folder = [] {
        const std::string pattern =
            (std::filesystem::temp_directory_path() / "korvidan-fuzz-XXXXXX").string();
        if (pattern.size() >= sizeof folderName) std::abort();
        pattern.copy(folderName, pattern.size());
        if (mkdtemp(folderName) == nullptr) std::abort();
        std::atexit(RemoveWorkFolder);
        return std::string(folderName) + "/";
    }();
    return folder;
}

}  // namespace korvidan::fuzz
