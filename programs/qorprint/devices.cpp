// The printer and file devices. The printer is the system's default print queue,
// reached through lp (never a shell), which is told the report's pitch.
#include "devices.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "config/run_context.h"
#include "messages.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"

namespace korvidan {

namespace {

// The full path of a program found along PATH (never the current directory), or empty.
std::string FindInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        const std::size_t end = folders.find(':');
        const std::string folder(folders.substr(0, end));
        folders = end == std::string_view::npos ? std::string_view() : folders.substr(end + 1);
        if (folder.empty() || folder[0] != '/') continue;
        const std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

}  // namespace

bool PrintOnPrinter(const PrintDocument& document) {
    if (document.pages.empty()) return true;
    const std::optional<std::string> lp = Utf8ToCp850(FindInPath("lp"));
    if (!lp || lp->empty()) {
        ReportProblem("No hi ha cap programa d'impressi\xA2 (lp) instal\xFAlat.",
                      "");  // impressió, instal·lat
        return false;
    }
    const std::string spool = RunContext.tempDir + "qorprint.txt";
    if (!WriteWholeFile(spool, DocumentText(document))) {
        ReportProblem("No es pot escriure el fitxer de sortida ", spool);
        return false;
    }
    const std::vector<std::string> arguments = {
        "-s", "-o",    "cpi=" + std::to_string(document.charactersPerInch),
        "-o", "lpi=6", Utf8ToCp850(MapPath(spool)).value_or(spool)};
    int status = 0;
    const bool started = RunProgram(*lp, arguments, status);
    DeleteFile(spool);
    if (!started || status != 0) {
        ReportProblem("El programa d'impressi\xA2 (lp) ha acabat amb l'estat ",  // impressió
                      std::to_string(started ? status : -1));
        return false;
    }
    return true;
}

bool PrintToFile(const std::string& path, const PrintDocument& document) {
    if (WriteWholeFile(path, DocumentText(document))) return true;
    ReportProblem("No es pot escriure el fitxer de sortida ", path);
    return false;
}

}  // namespace korvidan
