// Start-up configuration: environment variables first, then Davivi.ini,
// ZirpTerm.ini and Zirp.ini, in a fixed order, each missing value giving its default.
#include "config/run_context.h"

#include "config/ini_file.h"
#include "datetime/text.h"
#include "platform/env.h"

namespace korvidan {

RunContextRecord RunContext;

namespace {

// Colours when the selected "Col" key is missing: (15,0), (7,0), then (0,7) three times.
const char* const DefaultColours = "15000700000700070007";

// A folder given in the configuration ends in a separator, unless it is a drive alone.
std::string WithSeparator(const std::string& folder) {
    if (folder.empty()) return folder;
    const char last = folder.back();
    if (last == ':' || last == '\\' || last == '/') return folder;
    return folder + "\\";
}

// One two-character colour number of the colour text (missing characters read as 0).
int16_t ColourAt(const std::string& colours, std::size_t offset) {
    if (offset >= colours.size()) return 0;
    return RoundToInt16(TextToNumber(colours.substr(offset, 2)));
}

void LoadColours(const std::string& terminalFile) {
    const int16_t selection =
        RoundToInt16(TextToNumber(ReadIniValue(terminalFile, "Pantalla", "Seleccio")));
    std::string colours = ReadIniValue(terminalFile, "Pantalla", "Col" + std::to_string(selection));
    if (colours.empty()) colours = DefaultColours;
    for (std::size_t entry = 0; entry < RunContext.colourTable.size(); ++entry) {
        RunContext.colourTable[entry].foreground = ColourAt(colours, 4 * entry);
        RunContext.colourTable[entry].background = ColourAt(colours, 4 * entry + 2);
    }
}

std::string PlatformKind() {
    if (!EnvironmentText("HTTP_USER_AGENT").empty() || !EnvironmentText("HTTP_ACCEPT").empty())
        return "CGI";
    if (!EnvironmentText("WINDIR").empty() || !EnvironmentText("SYSTEMROOT").empty()) return "WIN";
    return "DOS";
}

}  // namespace

void LoadRunContext() {
    RunContext.colourTable = {};
    RunContext.rootDir = EnvironmentText("QORROOT");
    RunContext.exeDir = EnvironmentText("QOREXE");
    RunContext.tempDir = WithSeparator(EnvironmentText("QORTMP"));

    const std::string menuFile = RunContext.tempDir + "Davivi.ini";
    RunContext.menuTitle = " " + ReadIniValue(menuFile, "Menu", "Titol") + " ";
    RunContext.menuName = ReadIniValue(menuFile, "Menu", "NomMenu");
    std::string terminalDir = ReadIniValue(menuFile, "Terminal", "Dir");
    if (terminalDir.empty()) terminalDir = EnvironmentText("TERM");
    RunContext.terminalDir = WithSeparator(terminalDir);
    if (RunContext.tempDir.empty()) RunContext.tempDir = RunContext.terminalDir;

    const std::string terminalFile = RunContext.tempDir + "ZirpTerm.ini";
    LoadColours(terminalFile);
    RunContext.workDate = PackDigits(ReadIniValue(terminalFile, "Sistema", "Data"));
    RunContext.outputDevice = ReadIniValue(terminalFile, "Sistema", "Sortida");
    RunContext.language = FixedWidth(ReadIniValue(terminalFile, "Sistema", "Idioma"), 3);

    const std::string installationFile = RunContext.rootDir + "Zirp.ini";
    if (TrimRightBlanks(RunContext.language).empty())
        RunContext.language = FixedWidth(ReadIniValue(installationFile, "Usuari", "Idioma"), 3);
    RunContext.platformKind = PlatformKind();
    RunContext.organisationName = ReadIniValue(installationFile, "Empresa", "Nom");
}

void ResetRunContext() {
    RunContext = RunContextRecord();
}

}  // namespace korvidan
