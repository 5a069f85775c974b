// Calendar arithmetic: proleptic day counts with the Julian leap rule before 1582, and weekdays.
#include "datetime/calendar.h"

#include "datetime/text.h"

namespace korvidan {

namespace {

// Remainder that is never negative, so a weekday stays within 1 to 7 for any input.
int32_t FloorMod(int32_t value, int32_t divisor) {
    const int32_t rest = value % divisor;
    return rest < 0 ? rest + divisor : rest;
}

}  // namespace

bool IsGregorianLeapYear(int32_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool IsLeapYear(int32_t year) {
    return year < 1582 ? year % 4 == 0 : IsGregorianLeapYear(year);
}

int16_t MonthLength(int32_t month, bool leapYear) {
    int16_t length = int16_t(30 + ((FloorMod(month + 1, 9) + 1) % 2));
    if (month == 2) length -= leapYear ? 1 : 2;
    return length;
}

std::string PackDate(int32_t year, int32_t month, int32_t day) {
    return PackDigits(ZeroPad(year * 10000 + month * 100 + day, 8));
}

void UnpackDate(const std::string& date, int32_t& year, int32_t& month, int32_t& day) {
    // Only the four bytes of a packed date are read, so longer texts cannot overflow the number.
    const int32_t value = int32_t(TextToNumber(UnpackDigits(date.substr(0, 4))));
    day = value % 100;
    month = value / 100 % 100;
    year = value / 10000;
}

int32_t DateDiff(const std::string& first, const std::string& second, const std::string& unit) {
    const bool inOrder = first < second;
    int32_t y1, m1, d1, y2, m2, d2;
    UnpackDate(inOrder ? first : second, y1, m1, d1);
    UnpackDate(inOrder ? second : first, y2, m2, d2);
    const std::string kind = UpperCaseText(unit);
    if (kind == "D") {
        int32_t days = 0;
        for (int32_t year = y1 + 1; year < y2; ++year) days += IsLeapYear(year) ? 366 : 365;
        const bool leap1 = IsLeapYear(y1);
        if (y1 < y2) {
            for (int32_t month = m1; month <= 12; ++month) days += MonthLength(month, leap1);
            const bool leap2 = IsLeapYear(y2);
            for (int32_t month = 1; month < m2; ++month) days += MonthLength(month, leap2);
        } else {
            for (int32_t month = m1; month < m2; ++month) days += MonthLength(month, leap1);
        }
        return days + d2 - d1;
    }
    if (kind == "M") return (y2 - y1) * 12 + m2 - m1;
    if (kind == "A") return y2 - y1 - ((m1 > m2 || (m1 == m2 && d1 > d2)) ? 1 : 0);
    return 0;
}

int16_t Weekday(const std::string& date) {
    const std::string yearBytes = date.substr(0, 2);
    const int32_t days = DateDiff(date, yearBytes + PackDigits("0101"), "d");
    const int32_t y = int32_t(TextToNumber(UnpackDigits(yearBytes))) - 1;
    // Dates before 5 October 1582 count by the Julian calendar.
    static const std::string reform = PackDigits("15821005");
    const int32_t start =
        date < reform ? FloorMod(y + y / 4, 7) + 6 : FloorMod(y + y / 4 - y / 100 + y / 400, 7) + 1;
    return int16_t(FloorMod(start + days - 1, 7) + 1);
}

}  // namespace korvidan
