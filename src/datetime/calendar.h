// Calendar arithmetic on packed dates: differences and weekdays, Julian before the 1582 reform.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

// Days, months or complete years ("D", "M", "A", any case) between two packed dates, either order.
int32_t DateDiff(const std::string& first, const std::string& second, const std::string& unit);

// Day of the week of a packed date, 1 Monday to 7 Sunday.
int16_t Weekday(const std::string& date);

// Leap year by the Gregorian rule alone.
bool IsGregorianLeapYear(int32_t year);

// Leap year by the Julian rule before 1582 and the Gregorian rule from 1582.
bool IsLeapYear(int32_t year);

// Length of month 1 to 12 in a common or a leap year.
int16_t MonthLength(int32_t month, bool leapYear);

// The packed date of a year, month and day.
std::string PackDate(int32_t year, int32_t month, int32_t day);

// Year, month and day of a packed date (its eight digits read as one number).
void UnpackDate(const std::string& date, int32_t& year, int32_t& month, int32_t& day);

}  // namespace korvidan
