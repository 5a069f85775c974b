// The pop-up calendar: the quarter's month grids, the highlighted day and the keys that move it.
#include "tools/calendar_picker.h"

#include <array>
#include <cstdint>
#include <ctime>

#include "config/run_context.h"
#include "datetime/calendar.h"
#include "datetime/date_format.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/window_stack.h"

namespace korvidan {

namespace {

constexpr int16_t FirstYear = 1;
constexpr int16_t LastYear = 9999;

// The year shown, the first month of its quarter, and the tables of that year.
struct CalendarPage {
    int16_t firstMonth = 1;
    std::array<int16_t, 13> monthLength{};                // months 1 to 12
    std::array<std::array<int16_t, 32>, 13> weekdayOf{};  // months 1 to 12, days 1 to 31
};

// The highlighted date.
struct PickedDay {
    int16_t year;
    int16_t month;
    int16_t day;
};

void WriteAt(int16_t row, int16_t column, const std::string& text) {
    LocateInWindow(row, column);
    ConsoleWriteText(text);
}

// A number right-aligned in a width of blanks.
std::string RightAligned(int32_t number, size_t width) {
    const std::string digits = std::to_string(number);
    return digits.size() >= width ? digits : std::string(width - digits.size(), ' ') + digits;
}

// Computes the tables of the year and draws the quarter that holds the month.
void DrawCalendarPage(int16_t year, int16_t month, CalendarPage& page) {
    const int16_t firstColumn = WindowFirstColumn();
    const int16_t lastColumn = WindowLastColumn();
    SetColourMode("n");
    std::string yearText(1, ' ');
    yearText += RightAligned(year, 4);
    yearText += ' ';
    WriteAt(0, int16_t((lastColumn - firstColumn - 5) / 2 + 1), yearText);
    WriteAt(1, 1, WeekdayHeader());

    // Month lengths by the Gregorian rule for every year; weekdays as the time's calendar had them.
    const bool leap = IsGregorianLeapYear(year);
    for (int16_t u = 1; u <= 12; ++u) {
        page.monthLength[u] = MonthLength(u, leap);
        for (int16_t w = 1; w <= 31; ++w) page.weekdayOf[u][w] = Weekday(PackDate(year, u, w));
    }

    page.firstMonth = int16_t((month - 1) / 3 * 3 + 1);
    for (int16_t u = page.firstMonth; u <= page.firstMonth + 2; ++u) {
        const int16_t top = int16_t((u - page.firstMonth) * 7 + 2);
        const int16_t first = page.weekdayOf[u][1];
        SetColourMode("n");
        LocateInWindow(top, 1);
        ConsoleWriteBlanks(int16_t(lastColumn - firstColumn + 1));
        const std::string name = FoldUpper(FormatDate(PackDate(year, u, 1), 2, "m"));
        WriteAt(top, int16_t((lastColumn - firstColumn - int16_t(name.size()) + 1) / 2 + 1), name);
        SetColourMode("h");
        for (int16_t w = int16_t(2 - first); w <= 0; ++w)
            WriteAt(top + 1, int16_t(3 * (w + first) - 5), "  ");
        for (int16_t w = 1; w <= page.monthLength[u]; ++w)
            WriteAt(int16_t(top + 1 + (first + w - 2) / 7), int16_t(3 * page.weekdayOf[u][w] - 2),
                    RightAligned(w, 2));
        for (int16_t w = int16_t(page.monthLength[u] + 1); w <= 43 - first; ++w)
            WriteAt(int16_t(top + 1 + (first + w - 2) / 7), int16_t((first + w - 2) % 7 * 3 + 1),
                    "  ");
    }
}

// Writes the highlighted day in the current colour at its cell.
void WriteDay(const PickedDay& date, const CalendarPage& page) {
    const int16_t row = int16_t((date.month - page.firstMonth) * 7 + 3 +
                                (page.weekdayOf[date.month][1] + date.day - 2) / 7);
    WriteAt(row, int16_t(3 * page.weekdayOf[date.month][date.day] - 2), RightAligned(date.day, 2));
}

// After an arrow key: a day before the first or past the last of its month moves into the next
// month, and a month that leaves the page turns the page.
void ApplyDayRule(PickedDay& date, CalendarPage& page) {
    if (date.day < 1) --date.month;
    if (date.month < page.firstMonth) {
        if (date.month < 1) {
            date.month = 12;
            --date.year;
        }
        DrawCalendarPage(date.year, date.month, page);
    }
    if (date.day < 1) date.day = int16_t(page.monthLength[date.month] + date.day);
    if (date.day > page.monthLength[date.month]) {
        date.day = int16_t(date.day - page.monthLength[date.month]);
        ++date.month;
    }
    if (date.month > page.firstMonth + 2) {
        if (date.month > 12) {
            date.month = 1;
            ++date.year;
        }
        DrawCalendarPage(date.year, date.month, page);
    }
}

// Three months on or back; the day is cut to the new month's length.
void TurnQuarter(PickedDay& date, CalendarPage& page, int16_t months) {
    date.month = int16_t(date.month + months);
    if (date.month < 1) {
        date.month = int16_t(date.month + 12);
        --date.year;
    } else if (date.month > 12) {
        date.month = int16_t(date.month - 12);
        ++date.year;
    }
    const int16_t length = MonthLength(date.month, IsGregorianLeapYear(date.year));
    if (date.day > length) date.day = length;
    DrawCalendarPage(date.year, date.month, page);
}

// Whether a key would move the day before 1 January of the first year or after the last year.
bool LeavesCalendar(int16_t key, const PickedDay& date) {
    const bool firstMonth = date.year == FirstYear && date.month == 1;
    const bool lastMonth = date.year == LastYear && date.month == 12;
    switch (key) {
        case KeyLeft:
            return firstMonth && date.day <= 1;
        case KeyUp:
            return firstMonth && date.day <= 7;
        case KeyRight:
            return lastMonth && date.day >= 31;
        case KeyDown:
            return lastMonth && date.day >= 25;
        case KeyPgUp:
            return date.year == FirstYear && date.month <= 3;
        case KeyPgDn:
            return date.year == LastYear && date.month >= 10;
        default:
            return false;
    }
}

// The working date, or today when it is not a valid date.
PickedDay StartDate() {
    int32_t year = 0, month = 0, day = 0;
    if (RunContext.workDate.size() == 4) UnpackDate(RunContext.workDate, year, month, day);
    if (year >= FirstYear && year <= LastYear && month >= 1 && month <= 12 && day >= 1 &&
        day <= MonthLength(month, IsGregorianLeapYear(year)))
        return {int16_t(year), int16_t(month), int16_t(day)};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {int16_t(local.tm_year + 1900), int16_t(local.tm_mon + 1), int16_t(local.tm_mday)};
}

}  // namespace

std::string PickDate() {
    SetKeyMap("+ea", "4d00,4b00,5000,4800,5100,4900,4700,4f00,2100,1b");
    SetColourMode("+n");
    // Hidden while open; shown again afterwards only where it was shown before (a field), so a
    // list, calendar or calculator underneath keeps its cursor hidden.
    const bool cursorWasVisible = ConsoleCursorVisible();
    ConsoleShowCursor(false);
    OpenWindow(1, 59, 24, 80);
    DrawWindowFrame(1);

    PickedDay date = StartDate();
    CalendarPage page;
    DrawCalendarPage(date.year, date.month, page);
    std::string result;
    for (;;) {
        SetColourMode("+u");
        WriteDay(date, page);
        int16_t key = 0;
        WaitKey(key);
        SetColourMode("-");
        WriteDay(date, page);
        if (LeavesCalendar(key, date)) {
            ConsoleBeep();
            continue;
        }
        if (key == 'F' || key == 'f' || key == KeyAltF) {
            result = FormatDate(PackDate(date.year, date.month, date.day), 0, "dma");
            break;
        }
        if (key == KeyEsc) break;
        switch (key) {
            case KeyRight:
                ++date.day;
                ApplyDayRule(date, page);
                break;
            case KeyLeft:
                --date.day;
                ApplyDayRule(date, page);
                break;
            case KeyDown:
                date.day = int16_t(date.day + 7);
                ApplyDayRule(date, page);
                break;
            case KeyUp:
                date.day = int16_t(date.day - 7);
                ApplyDayRule(date, page);
                break;
            case KeyPgDn:
                TurnQuarter(date, page, 3);
                break;
            case KeyPgUp:
                TurnQuarter(date, page, -3);
                break;
            case KeyHome:
                date.month = 1;
                if (page.firstMonth != 1) DrawCalendarPage(date.year, date.month, page);
                break;
            case KeyEnd:
                date.month = 12;
                if (page.firstMonth != 10) DrawCalendarPage(date.year, date.month, page);
                break;
            default:
                break;
        }
    }

    CloseWindow();
    ConsoleShowCursor(cursorWasVisible);
    SetColourMode("-");
    SetKeyMap("-", "");
    return result;
}

}  // namespace korvidan
