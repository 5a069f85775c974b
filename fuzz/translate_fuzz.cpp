// Fuzz target for language files: any bytes as the program's language file,
// looked up in each language with a text taken from the input itself.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/run_context.h"
#include "config/translate.h"
#include "platform/files.h"
#include "fuzz_support.h"

namespace {

// A private installation folder with its LOCALE folder.
const std::string& WorkFolder() {
    static const std::string folder = [] {
        const std::string root = korvidan::fuzz::WorkFolder();
        std::filesystem::create_directory(root + "LOCALE");
        return root;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Input: text length, then the text, then the file's bytes.
    const std::size_t textLength = size > 0 ? data[0] % 32 : 0;
    const std::string rest = input.substr(std::min<std::size_t>(1, size));
    const std::string text = rest.substr(0, textLength);
    const std::string bytes = rest.substr(std::min(textLength, rest.size()));

    ResetTranslate();
    RunContext.rootDir = WorkFolder();
    RunContext.programName = "FUZZ";
    if (!WriteWholeFile(WorkFolder() + "LOCALE/FUZZ.LNG", bytes)) std::abort();
    for (const char* language : {"SPA", "GLG", "OCI", "XYZ"}) {
        RunContext.language = language;
        const std::string translated = Translate(text);
        if (translated != FindTranslation(bytes, text, language)) std::abort();
        if (translated.size() > bytes.size() && translated != text) std::abort();
    }
    return 0;
}
