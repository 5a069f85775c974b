// Tests of the calendar picker on the virtual console: page, moves, languages, hot key.
#include "tools/calendar_picker.h"

#include <gtest/gtest.h>

#include <ctime>
#include <vector>

#include "config/run_context.h"
#include "datetime/calendar.h"
#include "datetime/date_format.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "support/screen_fixture.h"
#include "support/test_support.h"
#include "tools/popups.h"

namespace korvidan {
namespace {

using test::ScopedEnv;
using test::ScratchDir;
using test::WriteFileBytes;

constexpr int16_t F1 = 0x3B00;
constexpr int16_t Right = 0x4D00;
constexpr int16_t Left = 0x4B00;
constexpr int16_t Down = 0x5000;
constexpr int16_t Up = 0x4800;
constexpr int16_t PgDn = 0x5100;
constexpr int16_t PgUp = 0x4900;
constexpr int16_t Home = 0x4700;
constexpr int16_t End = 0x4F00;
constexpr int16_t AltF = 0x2100;
constexpr int16_t Esc = 27;

// The calendar's columns 59 to 80 of every row, and the attributes, as they were when it last
// waited on F1.
std::vector<std::string> Page;
std::vector<std::vector<uint8_t>> Colours;
bool CursorShown = false;
std::string TakePage() {
    CursorShown = ConsoleCursorVisible();
    Page.clear();
    Colours.clear();
    for (int16_t row = 1; row <= 25; ++row) {
        Page.push_back(ConsoleRowText(row, 59, 80));
        std::vector<uint8_t> attributes;
        for (int16_t column = 59; column <= 80; ++column)
            attributes.push_back(ConsoleReadCell(row, column).attribute);
        Colours.push_back(attributes);
    }
    return "";
}

class CalendarPickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseVirtualConsole(25, 80);
        test::ResetScreenLayers();
        ResetDateSettings();
        RunContext.tempDir = dir.path();
        RunContext.language = "CAT";
        RunContext.colourTable = {{{15, 0}, {7, 0}, {0, 7}, {0, 7}, {1, 7}}};
        WriteFileBytes(dir / "Zirp.ini", "[Usuari]\r\n");
        env.Set("QORROOT", dir.path());
        RegisterHotKey(F1, TakePage);
        Page.clear();
    }
    void TearDown() override {
        ResetKeyboardState();
        ResetDateSettings();
        ResetRunContext();
    }
    std::string Pick(const std::string& workDate, const std::vector<int16_t>& keys) {
        RunContext.workDate = workDate;
        for (int16_t key : keys) QueueVirtualKey(key);
        return PickDate();
    }
    ScratchDir dir;
    ScopedEnv env;
};

TEST_F(CalendarPickerTest, FirstPageShowsTheQuarterOfTheWorkingDate) {
    EXPECT_EQ(Pick(PackDate(2024, 3, 15), {F1, 'F'}), "15/3/2024 ");
    ASSERT_EQ(Page.size(), 25u);
    EXPECT_EQ(Page[0], "\xDA" + std::string(7, '\xC4') + " 2024 " + std::string(7, '\xC4') +
                           "\xBF");  // ┌── 2024 ──┐
    EXPECT_EQ(Page[1],
              "\xB3"
              "DL DT DC DJ DV DS DG"
              "\xB3");
    EXPECT_EQ(Page[2],
              "\xB3"
              "       GENER        "
              "\xB3");
    EXPECT_EQ(Page[3],
              "\xB3"
              " 1  2  3  4  5  6  7"
              "\xB3");  // 1 January 2024 is a Monday
    EXPECT_EQ(Page[7],
              "\xB3"
              "29 30 31            "
              "\xB3");
    EXPECT_EQ(Page[8],
              "\xB3"
              "                    "
              "\xB3");
    EXPECT_EQ(Page[9],
              "\xB3"
              "       FEBRER       "
              "\xB3");
    EXPECT_EQ(Page[10],
              "\xB3"
              "          1  2  3  4"
              "\xB3");
    EXPECT_EQ(Page[16],
              "\xB3"
              "        MAR\x80        "
              "\xB3");  // MARÇ
    EXPECT_EQ(Page[19],
              "\xB3"
              "11 12 13 14 15 16 17"
              "\xB3");
    EXPECT_EQ(Page[23], "\xC0" + std::string(20, '\xC4') + "\xD9");
    // 15 March is highlighted in the active colour, its neighbours in the day colour.
    EXPECT_EQ(Colours[19][13], 0x71);
    EXPECT_EQ(Colours[19][14], 0x71);
    EXPECT_EQ(Colours[19][10], 0x0F);
    // Everything under the calendar is back afterwards.
    EXPECT_EQ(ConsoleRowText(1), std::string(80, ' '));
    EXPECT_EQ(WindowStack.depth, 0);
}

TEST_F(CalendarPickerTest, MovesAndTheDayRule) {
    const struct {
        int32_t year, month, day;
        std::vector<int16_t> keys;
        const char* chosen;
    } cases[] = {
        {2024, 3, 31, {Right, 'F'}, "1/4/2024  "},
        {2024, 1, 1, {Left, 'f'}, "31/12/2023"},
        {2023, 1, 28, {Down, 'F'}, "4/2/2023  "},
        {2024, 4, 3, {Up, 'F'}, "27/3/2024 "},
        {2024, 12, 30, {Down, 'F'}, "6/1/2025  "},
        {2024, 11, 30, {PgDn, 'F'}, "28/2/2025 "},
        {2024, 5, 31, {PgUp, 'F'}, "29/2/2024 "},
        {2023, 5, 31, {PgUp, 'F'}, "28/2/2023 "},
        {2024, 2, 15, {PgUp, 'F'}, "15/11/2023"},
        {2024, 8, 20, {Home, 'F'}, "20/1/2024 "},
        {2024, 2, 5, {End, 'F'}, "5/12/2024 "},
        {2024, 4, 5, {13, ' ', 'x', AltF}, "5/4/2024  "},  // Enter and other keys do nothing
        {1500,
         2,
         28,
         {Right, 'F'},
         "1/3/1500  "},  // the page counts February by the Gregorian rule
        {2024, 4, 5, {Esc}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Pick(PackDate(c.year, c.month, c.day), c.keys), c.chosen)
            << c.year << "-" << c.month << "-" << c.day;
}

TEST_F(CalendarPickerTest, PagesTurnWithTheHighlightedMonth) {
    Pick(PackDate(2024, 3, 31), {Right, F1, Esc});
    EXPECT_EQ(Page[2],
              "\xB3"
              "       ABRIL        "
              "\xB3");
    EXPECT_EQ(Page[9],
              "\xB3"
              "        MAIG        "
              "\xB3");
    EXPECT_EQ(Page[16],
              "\xB3"
              "        JUNY        "
              "\xB3");
    EXPECT_EQ(Colours[3][1], 0x71);  // 1 April 2024, a Monday, highlighted

    Pick(PackDate(2024, 1, 1), {Left, F1, Esc});
    EXPECT_EQ(Page[0].substr(8, 6), " 2023 ");
    EXPECT_EQ(Page[2],
              "\xB3"
              "      OCTUBRE       "
              "\xB3");
    EXPECT_EQ(Page[16],
              "\xB3"
              "      DESEMBRE      "
              "\xB3");

    Pick(PackDate(2024, 2, 10),
         {Home, F1, Esc});  // Home within the first quarter leaves the page as it is
    EXPECT_EQ(Page[2],
              "\xB3"
              "       GENER        "
              "\xB3");
    EXPECT_EQ(Colours[4][7], 0x71);  // 10 January 2024, a Wednesday
}

TEST_F(CalendarPickerTest, HeaderAndMonthNamesFollowTheLanguage) {
    const struct {
        const char* language;
        const char* header;
        const char* march;
    } cases[] = {
        {"SPA", " L  M  X  J  V  S  D", "       MARZO        "},
        {"GLG", " L  M  X  J  V  S  D", "       MAR\x80O        "},  // MARÇO
        {"OCI", "DL DT DC DJ DD DS DG", "        MAR\x80        "},
        {"", "DL DT DC DJ DV DS DG", "        MAR\x80        "},
    };
    for (const auto& c : cases) {
        RunContext.language = c.language;
        Pick(PackDate(2024, 3, 1), {F1, Esc});
        EXPECT_EQ(Page[1].substr(1, 20), c.header) << c.language;
        EXPECT_EQ(Page[16].substr(1, 20), c.march) << c.language;
    }
}

TEST_F(CalendarPickerTest, JulianWeekdaysBeforeTheReform) {
    Pick(PackDate(1500, 1, 1), {F1, Esc});
    EXPECT_EQ(Page[3].substr(1, 20), "       1  2  3  4  5");  // 1 January 1500 was a Wednesday
}

TEST_F(CalendarPickerTest, InvalidWorkingDatesStartOnToday) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string today =
        FormatDate(PackDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday), 0, "dma");
    for (const std::string& workDate :
         {std::string(), std::string(4, '\x80'), PackDate(2023, 2, 29), PackDate(2024, 13, 1),
          std::string("    "), PackDate(0, 1, 1), std::string("\x94\x98\x83")})
        EXPECT_EQ(Pick(workDate, {'F'}), today) << workDate.size();
}

TEST_F(CalendarPickerTest, TheFirstAndLastDaysStayInTheCalendar) {
    const int beeps = VirtualBeepCount();
    EXPECT_EQ(Pick(PackDate(1, 1, 1), {Left, Up, PgUp, 'F'}), "1/1/0001  ");
    EXPECT_EQ(Pick(PackDate(9999, 12, 31), {Right, Down, PgDn, 'F'}), "31/12/9999");
    EXPECT_EQ(VirtualBeepCount(), beeps + 6);
}

// The calculator opened over the calendar leaves the calendar's cursor hidden; the field's cursor
// is back at the end.
TEST_F(CalendarPickerTest, CursorStaysHiddenAfterTheCalculatorOpenedInside) {
    RegisterPopupTools();
    RunContext.terminalDir = dir.path();
    ConsoleShowCursor(true);
    EXPECT_EQ(Pick(PackDate(2024, 4, 5), {0x2D00, Esc, F1, 'F'}), "5/4/2024  ");
    ASSERT_EQ(Page.size(), 25u);
    EXPECT_FALSE(CursorShown);
    EXPECT_TRUE(ConsoleCursorVisible());
}

// Alt+C from a field types the chosen date, and the key map and colours are as before.
TEST_F(CalendarPickerTest, HotKeyTypesTheChosenDate) {
    RegisterPopupTools();
    RunContext.workDate = PackDate(2024, 4, 5);
    SetKeyMap("+ea", "1b,0d");
    SetColourMode("u");
    const KeyMapRecord before = KeyMap;
    const uint8_t attribute = ConsoleAttribute();
    for (int16_t key : {int16_t(0x2E00), Down, int16_t('F')}) QueueVirtualKey(key);
    int16_t key = 0;
    WaitKey(key);
    EXPECT_EQ(key, 0x2E00);
    std::string typed;
    for (int i = 0; i < 10; ++i) {
        WaitKey(key);
        typed += char(key);
    }
    EXPECT_EQ(typed, "12/4/2024 ");
    EXPECT_EQ(KeyMap.fromCodes, before.fromCodes);
    EXPECT_EQ(KeyMap.saveInUse, before.saveInUse);
    EXPECT_EQ(ConsoleAttribute(), attribute);
}

}  // namespace
}  // namespace korvidan
