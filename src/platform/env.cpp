// Environment variables read as CP850 texts.
#include "platform/env.h"

#include <cstdlib>

#include "platform/codepage.h"

namespace korvidan {

std::string EnvironmentText(const std::string& name) {
    const std::string systemName = name == "TERM" ? "QORTERM" : name;
    const char* value = std::getenv(systemName.c_str());
    if (value == nullptr) return {};
    return Utf8ToCp850(value).value_or(std::string{});
}

}  // namespace korvidan
