// The INI file reader: one value of one key of one section, read afresh on every call.
#pragma once

#include <string>
#include <string_view>

namespace korvidan {

// The value of a key in the first section of that name in an INI file (names
// compared trimmed and upper-cased); the empty text when the file, the section
// or the key is missing. A value between double quotes comes back without them.
std::string ReadIniValue(const std::string& file, const std::string& section,
                         const std::string& key);

// The same lookup over the bytes of a file already read.
std::string FindIniValue(std::string_view bytes, const std::string& section,
                         const std::string& key);

}  // namespace korvidan
