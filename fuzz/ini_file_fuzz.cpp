// Fuzz target for the INI file reader: any bytes as an INI file, looked up with
// a section and a key taken from the input itself.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/ini_file.h"
#include "platform/files.h"
#include "fuzz_support.h"

using korvidan::fuzz::WorkFolder;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Input: section length, key length, section, key, then the file's bytes.
    const std::size_t sectionLength = size > 0 ? data[0] % 16 : 0;
    const std::size_t keyLength = size > 1 ? data[1] % 16 : 0;
    const std::string rest = input.substr(std::min<std::size_t>(2, size));
    const std::string section = rest.substr(0, sectionLength);
    const std::string key = rest.substr(std::min(sectionLength, rest.size()), keyLength);
    const std::string bytes = rest.substr(std::min(sectionLength + keyLength, rest.size()));

    const std::string path = WorkFolder() + "Fuzz.ini";
    if (!WriteWholeFile(path, bytes)) std::abort();
    const std::string value = ReadIniValue(path, section, key);
    if (value != FindIniValue(bytes, section, key)) std::abort();
    if (value.size() > bytes.size() || value.find('\r') != std::string::npos ||
        value.find(';') != std::string::npos)
        std::abort();
    return 0;
}
