// The terminal's description from the terminfo database: the escape strings and
// facts the terminal back-end draws with. Kept apart because the database's
// header defines many short macro names.
#pragma once

#include <string>

namespace korvidan {

struct TerminalCapabilities {
    std::string cursorAddress;    // cup (parametrised)
    std::string clearScreen;      // clear
    std::string resetAttributes;  // sgr0
    std::string cursorInvisible;  // civis
    std::string cursorNormal;     // cnorm
    std::string scrollRegion;     // csr (parametrised)
    std::string scrollUp;         // ind
    std::string scrollUpMany;     // indn (parametrised)
    std::string scrollDown;       // ri
    std::string scrollDownMany;   // rin (parametrised)
    std::string cursorRight;      // cuf1
    std::string cursorRightMany;  // cuf (parametrised)
    std::string cursorLeft;       // cub1
    std::string cursorLeftMany;   // cub (parametrised)
    std::string carriageReturn;   // cr
    std::string cursorDown;       // cud1
    std::string beep;             // bel
    std::string enterScreen;      // smcup
    std::string exitScreen;       // rmcup
    std::string cursorShape;      // Ss, DECSCUSR (parametrised)
    int colours = 0;
    bool repeats = false;         // rep in its ECMA-48 form (ESC [ n b repeats the last character)
    bool autoMargins = false;     // am
    bool lateWrap = false;        // xenl
};

// Reads the description of a terminal type for the terminal open on fd; false when
// the database does not know the type. Strings lose their padding marks.
bool LoadTerminalCapabilities(const char* type, int fd, TerminalCapabilities& capabilities);
// Frees what the last successful load kept.
void FreeTerminalCapabilities();
// A parametrised string with its arguments filled in; empty when the string is.
std::string FillCapability(const std::string& capability, int first, int second = 0);

}  // namespace korvidan
