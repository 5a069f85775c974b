// The program's entry: configure, run, end with exit code 0.
#include "app/confirm_print.h"
#include "config/run_context.h"
#include "forms/form_set.h"
#include "platform/console.h"
#include "platform/console_terminal.h"
#include "platform/files.h"
#include "tools/browse.h"
#include "tools/popups.h"

int main() {
    using namespace korvidan;
    // The console is the terminal, given back as it was on every way out. Without
    // one there is nothing to show the form on nor to read the answer from.
    if (!UseTerminalConsole()) return 1;
    ConsoleShowCursor(false);
    LoadRunContext();
    // Relative paths of the installation (forms, language and help files) resolve
    // against its folder; when the change fails they resolve against the start folder.
    if (!RunContext.rootDir.empty()) ChangeDirectory(RunContext.rootDir);
    RunContext.programName = "KORVIDAN";
    // Alt+X, Alt+C and F4 reach the pop-up tools from any field.
    RegisterPopupTools();
    RegisterBrowseList();
    LoadFormSet();
    ConfirmAndPrint();
    return 0;
}
