// The print program's output devices besides the screen: the system printer and a file.
#pragma once

#include <string>

#include "print/print_reader.h"

namespace korvidan {

// Hands the report to the system printer through lp; false (with a message) when it cannot.
bool PrintOnPrinter(const PrintDocument& document);
// Writes the report into a file as UTF-8 text; false (with a message) when it cannot.
bool PrintToFile(const std::string& path, const PrintDocument& document);

}  // namespace korvidan
