// The tax-rate table report: section 0 and section 1 of Zirp.ini side by side.
#include "app/tax_report.h"

#include <string>

#include "config/ini_file.h"
#include "config/run_context.h"
#include "config/translate.h"
#include "datetime/picture.h"
#include "datetime/text.h"
#include "print/print_file.h"
#include "screen/colour.h"

namespace korvidan {

namespace {

constexpr int16_t PageLength = 66;
constexpr int16_t TitleWidth = 96;
const char* const RatePicture = "Z9.99 %";

int16_t PageCounter = 0;

// One line of rates: its caption, its key, the sections of both columns and the advance after it.
struct RateLine {
    const char* caption;
    const char* key;
    const char* section0;
    const char* section1;
    int16_t advance;
};

const RateLine RateLines[] = {
    {"TIPUS LOCALS ......: ", "Locals", "Iva0", "Iva1", 1},
    {"TIPUS HABITATGES ..: ", "Vivendes", "Iva0", "Iva1", 1},
    {"TIPUS HONORARIS ...: ", "Honoraris", "Iva0", "Iva1", 1},
    {"TIPUS SUPLERTS ....: ", "Suplerts", "Iva0", "Iva1", 2},
    {"RETENCI\xE0 HONORARIS : ", "Honoraris", "Ret0", "Ret1", 2},  // RETENCIÓ
    {"RETENCI\xE0 LOCALS ...: ", "Locals", "Ret0", "Ret1", 1},     // RETENCIÓ
};

// The installation's configuration file, which holds the rates.
std::string RatesFile() {
    return RunContext.rootDir + "Zirp.ini";
}

// A rate of the file, edited for printing.
std::string RateText(const char* section, const char* key) {
    return FormatPicture(RatePicture, TextToNumber(ReadIniValue(RatesFile(), section, key)));
}

// Marks what follows on the line as right-justified.
void JustifyRight() {
    std::string code = "D";
    PrintJustify(code);
}

}  // namespace

void PrintPageHeader() {
    ++PageCounter;
    PrintNewPage(PageLength);
    PrintControl("@e");
    PrintText(1, RunContext.organisationName, 0);
    JustifyRight();
    PrintText(85, Translate("P\xB7GINA ") + FormatPicture("ZZZ9", PageCounter), 2);  // PÀGINA
    const std::string title = Translate("TAULA DE TIPUS IMPOSITIUS");
    PrintText(CentreOffset(title, TitleWidth), title, 2);
    const std::string section = Translate("SECCI\xE0");  // SECCIÓ
    PrintText(33, section + " 0", 0);
    PrintText(61, section + " 1", 1);
    PrintText(33, "---------", 0);
    PrintText(61, "---------", 1);
}

void PrintTaxRateTable() {
    // The table always fits on its first page.
    PageCounter = 0;
    PrintPageHeader();

    PrintText(1, Translate("IMPOST ............: "), 0);
    PrintText(34, ReadIniValue(RatesFile(), "Iva0", "Nom"), 0);
    PrintText(62, ReadIniValue(RatesFile(), "Iva1", "Nom"), 2);

    for (const RateLine& line : RateLines) {
        PrintText(1, Translate(line.caption), 0);
        JustifyRight();
        PrintText(35, RateText(line.section0, line.key), 0);
        PrintText(62, RateText(line.section1, line.key), line.advance);
    }
}

void ResetTaxReport() {
    PageCounter = 0;
}

}  // namespace korvidan
