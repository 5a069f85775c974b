// Date texts: a packed date in the fixed, short, abbreviated or long style of the user's language.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

// The date in style -1 (YYYY-MM-DD), 0 (short), 1 (month abbreviated) or 2+ (long); fields "dma".
std::string FormatDate(const std::string& date, int16_t style, const std::string& fields);

// The calendar's weekday heading of the run's language, Monday first, 20 characters.
std::string WeekdayHeader();

// Forgets the cached separator and order of the parts, as in a new process.
void ResetDateSettings();

}  // namespace korvidan
