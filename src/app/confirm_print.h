// The run phase: the confirmation form and, on "S", the tax-rate report written
// to the print file and handed to the print program.
#pragma once

namespace korvidan {

// Runs form 1 with its answer blanked; when the answer is exactly "S", prints the
// report and starts exeDir + "QORPRINT", waiting for its end. A form set that did
// not load, a print file that cannot be created and a print program that cannot be
// started are each shown in a notice that stays until a key is pressed.
void ConfirmAndPrint();

}  // namespace korvidan
