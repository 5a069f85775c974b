// The hot keys of the pop-up tools: the keyboard queues what the tool returns as typed keys.
#include "tools/popups.h"

#include "forms/keyboard.h"
#include "tools/calculator.h"
#include "tools/calendar_picker.h"

namespace korvidan {

void RegisterPopupTools() {
    RegisterHotKey(0x2D00, RunCalculator);  // Alt+X
    RegisterHotKey(0x2E00, PickDate);       // Alt+C
}

}  // namespace korvidan
