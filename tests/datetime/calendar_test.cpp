// Tests of calendar arithmetic across the Julian and Gregorian calendars.
#include "datetime/calendar.h"

#include <gtest/gtest.h>

#include "datetime/text.h"

namespace korvidan {
namespace {

std::string Date(int32_t year, int32_t month, int32_t day) {
    return PackDate(year, month, day);
}

TEST(CalendarTest, PackedDatesHoldTheirDigitPairs) {
    EXPECT_EQ(Date(2024, 3, 15), std::string("\x94\x98\x83\x8f"));
    int32_t year = 0, month = 0, day = 0;
    UnpackDate(Date(1582, 10, 4), year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 15821004);
    UnpackDate("", year, month, day);  // the empty text reads as the empty date
    EXPECT_EQ(year + month + day, 0);
}

TEST(CalendarTest, LeapYearsFollowJulianThenGregorianRule) {
    const struct {
        int32_t year;
        bool leap;
    } cases[] = {{1500, true},  {1580, true}, {1582, false}, {1600, true}, {1700, false},
                 {1900, false}, {2000, true}, {2023, false}, {2024, true}, {2100, false}};
    for (const auto& c : cases) EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
    EXPECT_FALSE(IsGregorianLeapYear(1500));
    const int16_t lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month)
        EXPECT_EQ(MonthLength(month, false), lengths[month - 1]);
    EXPECT_EQ(MonthLength(2, true), 29);
}

TEST(CalendarTest, DifferencesInDaysMonthsAndYears) {
    const struct {
        std::string first, second, unit;
        int32_t expected;
    } cases[] = {
        {Date(2024, 2, 1), Date(2024, 2, 29), "D", 28},
        {Date(1500, 2, 1), Date(1500, 3, 1), "D", 29},  // Julian leap year
        {Date(1700, 2, 1), Date(1700, 3, 1), "d", 28},
        {Date(1900, 2, 1), Date(1900, 3, 1), "D", 28},
        {Date(2000, 2, 1), Date(2000, 3, 1), "D", 29},
        {Date(1582, 10, 4), Date(1582, 10, 15), "D", 11},  // the dropped days are counted
        {Date(1500, 1, 1), Date(1600, 1, 1), "D", 36525},
        {Date(2000, 1, 1), Date(2024, 1, 1), "D", 8766},
        {Date(2023, 12, 31), Date(2024, 1, 1), "D", 1},
        {Date(2024, 3, 15), Date(2024, 3, 15), "D", 0},
        {Date(2024, 1, 31), Date(2024, 3, 1), "M", 2},
        {Date(2023, 11, 15), Date(2024, 2, 1), "m", 3},
        {Date(2024, 2, 29), Date(2025, 2, 28), "A", 0},
        {Date(2024, 2, 29), Date(2025, 3, 1), "a", 1},
        {Date(1900, 5, 5), Date(2000, 5, 5), "A", 100},
        {Date(2024, 2, 1), Date(2024, 3, 1), "X", 0},
        {Date(2024, 2, 1), Date(2024, 3, 1), "DD", 0},
        {"", std::string(4, '\x80'), "D", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DateDiff(c.first, c.second, c.unit), c.expected)
            << UnpackDigits(c.first) << " " << c.unit;
        EXPECT_EQ(DateDiff(c.second, c.first, c.unit), c.expected)
            << "swapped " << UnpackDigits(c.first);
    }
}

TEST(CalendarTest, WeekdaysAroundTheReformAndTheCenturies) {
    const struct {
        std::string date;
        int16_t weekday;
    } cases[] = {
        {Date(2024, 1, 1), 1},  {Date(2024, 12, 31), 2}, {Date(2024, 3, 15), 5},
        {Date(2000, 1, 1), 6},  {Date(1900, 1, 1), 1},   {Date(1700, 2, 28), 7},
        {Date(1700, 3, 1), 1},  {Date(1600, 2, 29), 2},  {Date(1582, 10, 4), 4},
        {Date(1582, 10, 5), 2}, {Date(1582, 10, 15), 5}, {Date(1500, 1, 1), 3},
        {Date(1500, 2, 29), 6}, {Date(1, 1, 1), 6},      {Date(2100, 12, 31), 5},
    };
    for (const auto& c : cases) EXPECT_EQ(Weekday(c.date), c.weekday) << UnpackDigits(c.date);
}

// Weekday and DateDiff agree on every first of the month, on each side of the reform.
TEST(CalendarTest, WeekdaysAdvanceWithTheDayCount) {
    const std::string gregorian = Date(1582, 10, 15);
    for (int32_t year = 1583; year <= 2400; ++year)
        for (int32_t month = 1; month <= 12; ++month) {
            const std::string date = Date(year, month, 1);
            ASSERT_EQ(Weekday(date), (DateDiff(gregorian, date, "D") + 4) % 7 + 1)
                << year << "-" << month;
        }
    const std::string julian = Date(1582, 10, 4);
    for (int32_t year = 1; year <= 1582; ++year)
        for (int32_t month = 1; month <= (year == 1582 ? 10 : 12); ++month) {
            const std::string date = Date(year, month, 1);
            ASSERT_EQ(Weekday(date), ((3 - DateDiff(date, julian, "D")) % 7 + 7) % 7 + 1)
                << year << "-" << month;
        }
}

TEST(CalendarTest, TextsThatAreNotDatesGiveAWeekdayInRange) {
    const std::string texts[] = {"",         "    ", std::string(4, '\x80'), std::string(4, '\xff'),
                                 "\x80\x80", "\xff", std::string(40, '\x99')};
    for (const std::string& text : texts) {
        const int16_t weekday = Weekday(text);
        EXPECT_GE(weekday, 1);
        EXPECT_LE(weekday, 7);
        DateDiff(text, Date(2024, 1, 1), "D");
    }
}

}  // namespace
}  // namespace korvidan
