// Scratch folders, file bytes and scoped environment variables for the tests.
#include "support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace korvidan::test {

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvidan-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

ScopedEnv::~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->wasSet) {
            setenv(it->name.c_str(), it->value.c_str(), 1);
        } else {
            unsetenv(it->name.c_str());
        }
    }
}

void ScopedEnv::Remember(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    saved_.push_back({name, value != nullptr, value ? value : ""});
}

void ScopedEnv::Set(const std::string& name, const std::string& value) {
    Remember(name);
    setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnv::Unset(const std::string& name) {
    Remember(name);
    unsetenv(name.c_str());
}

std::string FixturePath(const std::string& name) {
    return std::string(KORVIDAN_SOURCE_DIR) + "/tests/fixtures/" + name;
}

}  // namespace korvidan::test
