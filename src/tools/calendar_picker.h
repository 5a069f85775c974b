// The pop-up calendar (Alt+C): a quarter of a year at the right edge of the screen, a day chosen with the keys.
#pragma once

#include <string>

namespace korvidan {

// Runs the calendar from the working date (today when it is not a valid date) until F chooses a day
// (returned in the short date style, 10 characters) or Esc cancels (returns "").
std::string PickDate();

}  // namespace korvidan
