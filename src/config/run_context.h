// The run context: the process-wide settings read once at start-up from the
// environment and the suite's INI files (Davivi.ini, ZirpTerm.ini, Zirp.ini).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvidan {

// One configured colour pair.
struct ColourPair {
    int16_t foreground = 0;
    int16_t background = 0;
};

struct RunContextRecord {
    std::string rootDir;      // installation folder (QORROOT), used as given
    std::string exeDir;       // folder of the suite's programs (QOREXE), used as given
    std::string tempDir;      // folder of the work files, ends in a separator (or ":")
    std::string menuTitle;    // the menu's title with one blank on each side
    std::string menuName;     // the menu's name, the help topic
    std::string terminalDir;  // the terminal's folder, ends in a separator (or ":")
    std::array<ColourPair, 5> colourTable{};
    std::string workDate;          // packed date, empty when not configured
    std::string outputDevice;      // device the print program prints on
    std::string language;          // 3 characters: CAT, GLG, OCI, SPA, or anything configured
    std::string platformKind;      // 3 characters: CGI, WIN or DOS
    std::string programName;       // set by the program's entry
    std::string organisationName;  // [Empresa] Nom of Zirp.ini
};

extern RunContextRecord RunContext;

// Fills RunContext from the environment and the INI files; never fails.
void LoadRunContext();

// Empties RunContext, as in a new process.
void ResetRunContext();

}  // namespace korvidan
