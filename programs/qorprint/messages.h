// The print program's messages to the user, in the suite's language.
#pragma once

#include <string>

namespace korvidan {

// Shows a problem on the error output (translated, in UTF-8) and, at a terminal,
// waits for Enter so the user can read it before the calling program redraws.
void ReportProblem(const std::string& message, const std::string& detail);

}  // namespace korvidan
