// The program's entry: configure, run, end with exit code 0.
#include "config/run_context.h"
#include "platform/files.h"

int main() {
    using namespace korvidan;
    LoadRunContext();
    // Relative paths of the installation (forms, language and help files) resolve
    // against its folder; when the change fails they resolve against the start folder.
    if (!RunContext.rootDir.empty()) ChangeDirectory(RunContext.rootDir);
    RunContext.programName = "KORVIDAN";
    return 0;
}
