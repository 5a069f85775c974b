// The environment of the process, read as CP850 texts.
#pragma once

#include <string>

namespace korvidan {

// The value of an environment variable in CP850; the empty text when it is unset,
// not valid UTF-8, or holds a character CP850 cannot hold. The system's "TERM"
// (the terminal folder) is read from QORTERM, since on Linux TERM names the terminal type.
std::string EnvironmentText(const std::string& name);

}  // namespace korvidan
