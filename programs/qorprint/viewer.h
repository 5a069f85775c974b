// The print program's screen device: the report shown in the terminal, page by page.
#pragma once

#include "print/print_reader.h"

namespace korvidan {

// Shows the report in a viewer (arrows, PgUp/PgDn, Home/End; Esc ends); false
// (with a message) when there is no terminal to show it on.
bool ShowReport(const PrintDocument& document);

}  // namespace korvidan
