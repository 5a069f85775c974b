// The confirmation and print run of the program.
#include "app/confirm_print.h"

#include <cstdint>
#include <string>

#include "app/tax_report.h"
#include "config/run_context.h"
#include "config/translate.h"
#include "forms/form_engine.h"
#include "forms/form_set.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "platform/process.h"
#include "print/print_file.h"
#include "screen/colour.h"
#include "screen/notice.h"
#include "screen/window_stack.h"

namespace korvidan {

namespace {

// Shows a message in a notice on a clear screen until a key is pressed.
void ShowUntilKey(std::string message) {
    SetColourMode("n");
    ConsoleClear();
    const int16_t depth = WindowStack.depth;
    ShowNotice(12, message);
    int16_t key = 0;
    WaitKey(key);
    if (WindowStack.depth > depth) CloseWindow();
}

}  // namespace

void ConfirmAndPrint() {
    // A form that was not loaded is never run: the user is told why instead.
    if (!FormSetProblem().empty()) {
        ShowUntilKey(FormSetProblem());
        return;
    }
    SetColourMode("n");
    ConsoleClear();
    std::string& answer = FieldAt(1, 1).value;
    answer.assign(answer.size(), ' ');
    int16_t formNo = 1;
    int16_t exitAtTop = 0;
    int16_t exitAtBottom = 0;
    int16_t key = 0;
    RunForm(formNo, exitAtTop, exitAtBottom, key);
    if (FieldAt(1, 1).value != "S") return;

    OpenPrintFile(RunContext.outputDevice);
    // Without a print file of this run the print program would print an old report.
    if (!PrintFileIsOpen()) {
        ShowUntilKey(Translate("No es pot crear el fitxer d'impressi\xA2") + " " +
                     PrintFilePath());  // impressió
        return;
    }
    PrintTaxRateTable();
    ClosePrintFile();
    const std::string program = RunContext.exeDir + "QORPRINT";
    int exitStatus = 0;
    if (!RunProgram(program, {}, exitStatus)) {
        ShowUntilKey(Translate("No es pot iniciar el programa d'impressi\xA2") + " " +
                     program);  // impressió
    }
}

}  // namespace korvidan
