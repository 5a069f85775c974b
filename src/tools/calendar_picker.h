// The pop-up calendar (Alt+C): a quarter of a year at the screen's right edge to choose a day.
#pragma once

#include <string>

namespace korvidan {

// Runs the calendar from the working date (or today): F gives the day's short date, Esc gives "".
std::string PickDate();

}  // namespace korvidan
