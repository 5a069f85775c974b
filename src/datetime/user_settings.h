// The display settings of section "Usuari" of the installation's "Zirp.ini".
#pragma once

#include <string>

#include "config/ini_file.h"
#include "platform/env.h"

namespace korvidan {

// The value of a key of section "Usuari" of the file QORROOT + "Zirp.ini".
inline std::string ReadUserSetting(const char* key) {
    return ReadIniValue(EnvironmentText("QORROOT") + "Zirp.ini", "Usuari", key);
}

// The first character of a setting; the fallback when it is empty or starts with a blank.
inline char ReadUserCharacter(const char* key, char fallback) {
    const std::string value = ReadUserSetting(key);
    return value.empty() || value[0] == ' ' ? fallback : value[0];
}

}  // namespace korvidan
