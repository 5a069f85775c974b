// Language files: the program's Catalan texts in Galician, Occitan or Spanish,
// looked up in rootDir + "LOCALE\" + program name + ".LNG".
#pragma once

#include <string>
#include <string_view>

namespace korvidan {

// The text in the language of the run; the text itself for Catalan, for an
// unknown language, or when the file has no record for it.
std::string Translate(const std::string& text);

// The same lookup over the bytes of a language file already read.
std::string FindTranslation(std::string_view bytes, const std::string& text,
                            const std::string& language);

// Forgets the module name taken at the first translation, as in a new process.
void ResetTranslate();

}  // namespace korvidan
