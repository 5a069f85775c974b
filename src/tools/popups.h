// The pop-up tools that the hot keys open from wherever a key is read.
#pragma once

namespace korvidan {

// Makes Alt+X open the calculator and Alt+C the calendar; the program calls it when it starts.
void RegisterPopupTools();

}  // namespace korvidan
