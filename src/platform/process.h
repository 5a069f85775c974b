// Child processes: a program started with an argument vector (never a shell) and
// awaited, with the terminal handed to it meanwhile.
#pragma once

#include <string>
#include <vector>

namespace korvidan {

// Starts a program and waits for its end. The program is a path of the system
// (CP850, mapped with MapPath) or, without any separator, a name found in the
// current directory or else along PATH. The arguments (CP850, without the
// program's own name) are passed as they are, with this process's environment
// and current directory. Around the child the console is suspended (the child
// gets the terminal in cooked mode) and resumed, fully redrawn, after it; Ctrl+C
// meant for the child does not end this process. Returns false when the program
// could not be started; otherwise exitStatus receives its exit code, or 128 plus
// the number of the signal that ended it (-1 when its end could not be
// learnt).
bool RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                int& exitStatus);

}  // namespace korvidan
