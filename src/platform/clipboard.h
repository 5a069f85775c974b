// The clipboard: copied text goes to the terminal (OSC 52, so it reaches the
// desktop's clipboard where the terminal allows it) and into the file
// "QORCLIP.TMP" in the terminal folder, from which paste reads it back; so copy
// and paste also work between the suite's programs on the same machine.
#pragma once

#include <cstddef>
#include <string>

namespace korvidan {

// The clipboard file's name inside the terminal folder.
inline constexpr const char* ClipboardFileName = "QORCLIP.TMP";
// The longest text the clipboard keeps (a text of the system holds at most this).
inline constexpr std::size_t ClipboardLimit = 32767;

// Puts a CP850 text on the clipboard: sent to the terminal with the next output,
// and kept in the clipboard file of the folder given (a system path, e.g. terminalDir).
void PutClipboardText(const std::string& folder, const std::string& text);
// The clipboard's text from the file of the folder given; empty when there is none.
std::string GetClipboardText(const std::string& folder);

}  // namespace korvidan
