// The hot keys of the pop-up tools: the keyboard queues what the tool returns as typed keys.
#include "tools/popups.h"

#include "forms/keyboard.h"
#include "tools/calculator.h"
#include "tools/calendar_picker.h"

namespace korvidan {

void RegisterPopupTools() {
    RegisterHotKey(KeyAltX, RunCalculator);
    RegisterHotKey(KeyAltC, PickDate);
}

}  // namespace korvidan
