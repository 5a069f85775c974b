// Tests of the tax-rate report: the whole print file of the demo installation,
// and what translations, odd values and a missing Zirp.ini do to it.
#include "app/tax_report.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <vector>

#include "config/run_context.h"
#include "config/translate.h"
#include "datetime/picture.h"
#include "print/print_file.h"
#include "screen/colour.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::FixturePath;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::ScratchDir;
using test::WriteFileBytes;

class TaxReportTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetAll();
        env.Set("QORROOT", dir.path());  // where the pictures read their decimal character
        RunContext.rootDir = dir.path();
        RunContext.tempDir = dir.path();
        RunContext.programName = "KORVIDAN";
        RunContext.language = "CAT";
    }
    void TearDown() override { ResetAll(); }
    static void ResetAll() {
        ResetRunContext();
        ResetTranslate();
        ResetPictureCharacters();
        ResetPrintFile();
        ResetTaxReport();
        ResetColourState();
    }

    // Runs the report into a fresh print file and returns its records.
    std::vector<std::string> Report() {
        OpenPrintFile("PANTALLA");
        PrintTaxRateTable();
        ClosePrintFile();
        std::vector<std::string> records;
        const std::string bytes = ReadFileBytes(dir / "qorprint.tmp");
        for (std::size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            records.push_back(bytes.substr(start, end - start));
        return records;
    }

    ScratchDir dir;
    ScopedEnv env;
};

TEST_F(TaxReportTest, DemoInstallationPrintsTheWholeTable) {
    WriteFileBytes(dir / "Zirp.ini", ReadFileBytes(KORVIDAN_SOURCE_DIR "/install/demo/Zirp.ini"));
    RunContext.organisationName = "Assessoria Vilaseca i Puig, SL";
    OpenPrintFile("PANTALLA");
    PrintTaxRateTable();
    ClosePrintFile();
    EXPECT_EQ(ReadFileBytes(dir / "qorprint.tmp"),
              ReadFileBytes(FixturePath("tax_report_demo.prn")));
    EXPECT_EQ(PrintLineCount(), 16);
    EXPECT_TRUE(TextStack.empty());
}

TEST_F(TaxReportTest, MissingValuesAndOddNumbers) {
    WriteFileBytes(dir / "Zirp.ini",
                   "[Iva0]\r\nNom=IVA, general\r\nLocals=21\r\nHonoraris=4,5\r\nVivendes=abc\r\n"
                   "[Iva1]\r\nHonoraris=4.5\r\n");
    const std::vector<std::string> records = Report();
    ASSERT_EQ(records.size(), 38u);
    EXPECT_EQ(records[12], " 34 ,IVA, general, 0 ");  // a comma in a name is written unquoted
    EXPECT_EQ(records[13], " 62 ,, 2 ");              // missing name
    EXPECT_EQ(records[16], " 35 ,21'00 %, 0 ");       // the default decimal character
    EXPECT_EQ(records[17], " 62 , 0'00 %, 1 ");       // missing rate
    EXPECT_EQ(records[20], " 35 , 0'00 %, 0 ");       // not a number
    EXPECT_EQ(records[24], " 35 , 4'00 %, 0 ");       // a comma ends the number
    EXPECT_EQ(records[25], " 62 , 4'50 %, 1 ");
}

TEST_F(TaxReportTest, NoZirpIniPrintsEmptyNamesAndZeroRates) {
    const std::vector<std::string> records = Report();
    ASSERT_EQ(records.size(), 38u);
    EXPECT_EQ(records[3], " 1 ,, 0 ");
    EXPECT_EQ(records[37], " 62 , 0'00 %, 1 ");
}

TEST_F(TaxReportTest, CaptionsAreTranslated) {
    mkdir((dir / "LOCALE").c_str(), 0755);
    WriteFileBytes(
        dir / "LOCALE/KORVIDAN.LNG",
        "\"P\xB7GINA \",\"P\xB5XINA \",\"PAGINA \",\"P\xB5GINA \"\r\n"  // PÀGINA, PÁXINA, PÁGINA
        "SECCI\xE0,SECCI\xE0N,SECCION,SECCI\xE0N\r\n"                   // SECCIÓ, SECCIÓN
        "RETENCI\xE0 LOCALS ...: ,g,o,RETENCI\xE0N LOCALES .: \r\n"     // RETENCIÓ, RETENCIÓN
        "TAULA DE TIPUS IMPOSITIUS,g,o," +
            std::string(100, 'T') + "\r\n");
    RunContext.language = "SPA";
    const std::vector<std::string> records = Report();
    ASSERT_EQ(records.size(), 38u);
    EXPECT_EQ(records[5], " 85 ,P\xB5GINA    1, 2 ");
    EXPECT_EQ(records[6], "-2 ," + std::string(100, 'T') + ", 2 ");  // centred on 96 columns
    EXPECT_EQ(records[7], " 33 ,SECCI\xE0N 0, 0 ");
    EXPECT_EQ(records[11], " 1 ,IMPOST ............: , 0 ");  // no record: stays Catalan
    EXPECT_EQ(records[34], " 1 ,RETENCI\xE0N LOCALES .: , 0 ");
}

TEST_F(TaxReportTest, PageHeaderCountsPages) {
    OpenPrintFile("PRN");
    PrintPageHeader();
    PrintPageHeader();
    ClosePrintFile();
    const std::string bytes = ReadFileBytes(dir / "qorprint.tmp");
    EXPECT_NE(bytes.find(" 85 ,P\xB7GINA    2, 2 \r\n"), std::string::npos);
}

}  // namespace
}  // namespace korvidan
