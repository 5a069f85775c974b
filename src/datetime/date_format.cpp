// Date texts: the user's separator and order of parts, and each language's months and connectors.
#include "datetime/date_format.h"

#include <string_view>

#include "config/run_context.h"
#include "datetime/text.h"
#include "datetime/user_settings.h"

namespace korvidan {

namespace {

// One language: connectors, month names (twelve slots of ten) and the calendar's heading.
struct LanguageTable {
    std::string_view code;  // empty for the default row, which every other code gets
    std::string_view beforeConsonant;
    std::string_view beforeVowel;
    std::string_view beforeDayOrYear;
    std::string_view months;
    std::string_view weekdays;
};

constexpr LanguageTable Languages[] = {
    {"SPA", " de ", " de ", " de ",
     "enero     febrero   marzo     abril     mayo      junio     "
     "julio     agosto    septiembreoctubre   noviembre diciembre ",
     " L  M  X  J  V  S  D"},
    {"GLG", " de ", " de ", " do ",
     "janeiro   fevereiro mar\x87o     abril     maio      junho     "  // março
     "julho     agosto    setembro  outubro   novembro  dezembro  ",
     " L  M  X  J  V  S  D"},
    {"OCI", " de ", " d'", " deth ",
     "g\x8Ar       hereu\x8Ar   mar\x87      abriu     mai       junh      "  // gèr, hereuèr, març
     "junhsega  agost     seteme    octobre   noveme    deseme    ",
     "DL DT DC DJ DD DS DG"},
    {"", " de ", " d'", " del ",
     "gener     febrer    mar\x87      abril     maig      juny      "  // març
     "juliol    agost     setembre  octubre   novembre  desembre  ",
     "DL DT DC DJ DV DS DG"},
};

constexpr bool TablesAreWellFormed() {
    for (const LanguageTable& table : Languages)
        if (table.months.size() != 120 || table.weekdays.size() != 20) return false;
    return true;
}
static_assert(TablesAreWellFormed(),
              "every language has twelve month slots of ten and a 20-character heading");

// The separator of the short styles and the order of the parts; NUL until first read.
char separator = '\0';
std::string order(3, '\0');

void LoadDateSettings() {
    if (separator == '\0') separator = ReadUserCharacter("DatCaracter", '/');
    if (order == std::string(3, '\0')) {
        order = FixedWidth(ReadUserSetting("DatOrdre"), 3);
        if (order == "   ") order = "DMA";
    }
}

const LanguageTable& LanguageOfRun() {
    for (const LanguageTable& table : Languages)
        if (table.code == RunContext.language) return table;
    return Languages[std::size(Languages) - 1];
}

// The month's ten-character slot; no name for a month outside 1 to 12.
std::string MonthSlot(const LanguageTable& table, int32_t month) {
    if (month < 1 || month > 12) return "";
    return std::string(table.months.substr((month - 1) * 10, 10));
}

std::string TwoDigits(int32_t number) {
    return {char('0' + number / 10 % 10), char('0' + number % 10)};
}

// The number written by two digits of the unpacked date, 0 when they are missing.
int32_t DigitPair(const std::string& digits, size_t at) {
    return at < digits.size() ? int32_t(TextToNumber(digits.substr(at, 2))) : 0;
}

}  // namespace

std::string FormatDate(const std::string& date, int16_t style, const std::string& fields) {
    LoadDateSettings();
    const std::string digits = UnpackDigits(date);
    std::string year = digits.substr(0, 4);
    year.insert(0, 4 - year.size(), '0');
    const int32_t month = DigitPair(digits, 4);
    const int32_t day = DigitPair(digits, 6);
    if (style < 0) return year + "-" + TwoDigits(month) + "-" + TwoDigits(day);

    const std::string wanted = UpperCaseText(fields);
    const LanguageTable& language = LanguageOfRun();
    std::string result;
    if (month != 0 || day != 0) {
        for (char part : order) {
            if ((part != 'D' && part != 'M' && part != 'A') ||
                wanted.find(part) == std::string::npos)
                continue;
            std::string piece;
            std::string connector(language.beforeDayOrYear);
            if (part == 'D') {
                piece = std::to_string(day);
            } else if (part == 'A') {
                piece = year;
            } else {
                const std::string slot = MonthSlot(language, month);
                const std::string name = TrimRightBlanks(slot);
                if (style >= 2)
                    piece = name;
                else if (style == 1)
                    piece = slot.substr(0, 3);
                else
                    piece = std::to_string(month);
                const char initial = name.empty() ? ' ' : UpperCaseText(name.substr(0, 1))[0];
                const bool vowel =
                    std::string_view("AEIOU").find(initial) != std::string_view::npos;
                connector = vowel ? language.beforeVowel : language.beforeConsonant;
            }
            if (!result.empty()) result += style >= 2 ? connector : std::string(1, separator);
            result += piece;
        }
    }
    if (style >= 2) return result;

    // The short styles have a fixed width, filled with blanks.
    const auto has = [&](char part) { return wanted.find(part) != std::string::npos; };
    const int64_t width = int64_t(fields.size()) - 1 + (has('A') ? 4 : 0) + (has('D') ? 2 : 0) +
                          (has('M') ? style + 2 : 0);
    result.resize(width > 0 ? size_t(width) : 0, ' ');
    return result;
}

std::string WeekdayHeader() {
    return std::string(LanguageOfRun().weekdays);
}

void ResetDateSettings() {
    separator = '\0';
    order.assign(3, '\0');
}

}  // namespace korvidan
