// The console's back-end for a real terminal: the 80 x 25 screen buffer mirrored
// at the terminal's top-left through its terminfo entry (only changed cells are
// sent, when the program waits for input or starts a child), input decoded from
// what the terminal sends, and the terminal given back as the user had it on
// every way out (exit, termination and crash signals).
#pragma once

namespace korvidan {

// Makes the process's terminal the console. False, with a message on stderr, when
// there is none or TERM is "dumb"; a TERM the terminfo database does not know is
// taken as xterm-256color.
bool UseTerminalConsole();
// The same on a terminal device open for reading and writing (a pseudo-terminal in
// tests and benchmarks) of the type given (nullptr: from TERM); the fd stays the caller's.
bool UseTerminalConsoleOn(int fd, const char* terminalType);

}  // namespace korvidan
