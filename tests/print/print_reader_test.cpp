// Tests of reading the print file back and laying it out on fixed-pitch pages.
#include "print/print_reader.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace korvidan {
namespace {

using test::FixturePath;
using test::ReadFileBytes;

// Why a line cannot be read.
const std::string DeviceNotFirst =
    "registre de dispositiu despr\x82s de la primera l\xA1nia";  // després, línia
const std::string PageNotNumber =
    "la llargada de p\x85gina no \x82s un n\xA3mero";  // pàgina, és, número
const std::string NotARecord = "no \x82s un registre del fitxer d'impressi\xA2";  // és, impressió
const std::string ColumnNotNumber = "la columna no \x82s un n\xA3mero";           // és, número
const std::string AdvanceNotNumber =
    "l'avan\x87 de l\xA1nia no \x82s un n\xA3mero";  // avanç, línia, és, número
const std::string ColumnBeyondPage = "columna fora de la p\x85gina";  // pàgina
const std::string PageTooLong = "p\x85gina massa llarga";             // pàgina
const std::string ReportTooLarge = "informe massa gran";

// Reads and lays out bytes that must be a valid print file.
PrintDocument LaidOut(const std::string& bytes) {
    std::vector<PrintRecord> records;
    PrintFault fault;
    PrintDocument document;
    EXPECT_TRUE(ReadPrintRecords(bytes, records, fault))
        << fault.lineNumber << ": " << fault.reason;
    EXPECT_TRUE(LayOutPrint(records, document, fault)) << fault.lineNumber << ": " << fault.reason;
    return document;
}

TEST(PrintReader, ReadsTheTaxReport) {
    std::vector<PrintRecord> records;
    PrintFault fault;
    ASSERT_TRUE(
        ReadPrintRecords(ReadFileBytes(FixturePath("tax_report_demo.prn")), records, fault));
    ASSERT_EQ(records.size(), 38u);
    EXPECT_EQ(records[0].kind, PrintRecord::Device);
    EXPECT_EQ(records[0].text, "PANTALLA");
    EXPECT_EQ(records[1].kind, PrintRecord::Page);
    EXPECT_EQ(records[1].pageLength, 66);
    EXPECT_EQ(records[2].kind, PrintRecord::Control);
    EXPECT_EQ(records[2].text, "@e");
    EXPECT_EQ(records[3].kind, PrintRecord::Text);
    EXPECT_EQ(records[3].column, 1);
    EXPECT_EQ(records[3].text, "Assessoria Vilaseca i Puig, SL");  // commas inside the text
    EXPECT_EQ(records[3].advance, 0);
    EXPECT_EQ(records[4].kind, PrintRecord::Justify);
    EXPECT_EQ(records[4].text, "D");
    EXPECT_EQ(records[37].lineNumber, 38);

    PrintDocument document;
    ASSERT_TRUE(LayOutPrint(records, document, fault));
    EXPECT_EQ(document.device, "PANTALLA");
    EXPECT_EQ(document.charactersPerInch, 12);
    ASSERT_EQ(document.pages.size(), 1u);
    const std::vector<std::string>& page = document.pages[0];
    ASSERT_EQ(page.size(), 16u);
    EXPECT_EQ(page[0], "Assessoria Vilaseca i Puig, SL" + std::string(54, ' ') + "P\xB7GINA    1");
    EXPECT_EQ(page[1], "");
    EXPECT_EQ(page[2], std::string(34, ' ') + "TAULA DE TIPUS IMPOSITIUS");
    EXPECT_EQ(page[5], std::string(32, ' ') + "---------" + std::string(19, ' ') + "---------");
    EXPECT_EQ(page[8], "TIPUS LOCALS ......: " + std::string(13, ' ') + "21,00 %" +
                           std::string(20, ' ') + " 4,50 %");
    EXPECT_EQ(page[15].substr(0, 21), "RETENCI\xE0 LOCALS ...: ");
}

TEST(PrintReader, PagesAndPlacement) {
    const PrintDocument document = LaidOut(
        "DEVICEout.txt\r\nPAGE 66 \r\n 5 ,abcdef, 0 \r\n 7 ,XY, 2 \r\n 1 ,q, -5 \r\n 1 ,top, 1 \r\n"
        "PAGE 0 \r\n 1 ,same page, 1 \r\nPAGE 66 \r\n-3 ,margin, 0 \r\n 4 ,\x01tab\there, 1 \r\n");
    EXPECT_EQ(document.device, "out.txt");
    EXPECT_EQ(document.charactersPerInch, 10);
    ASSERT_EQ(document.pages.size(), 2u);
    EXPECT_EQ(document.pages[0], (std::vector<std::string>{"top ab"
                                                           "XYef",
                                                           "same page", "q"}));
    EXPECT_EQ(document.pages[1], (std::vector<std::string>{"mar tab here"}));
}

TEST(PrintReader, EmptyFilesAndEmptyPages) {
    EXPECT_TRUE(LaidOut("").pages.empty());
    EXPECT_TRUE(LaidOut("DEVICEPRN\r\nPAGE 66 \r\nPAGE 66 \r\n").pages.empty());
    EXPECT_EQ(
        LaidOut("PAGE 66 \r\n 1 ,a, 1 \r\nPAGE 66 \r\nPAGE 66 \r\n 1 ,b, 1 \r\n").pages.size(), 2u);
    EXPECT_EQ(LaidOut(" 1 ,a, 1 \r\n\x1A garbage").pages.size(), 1u);  // 0x1A ends the file
}

TEST(PrintReader, JustificationCodesReadAsTheWriterNormalisesThem) {
    std::vector<PrintRecord> records;
    PrintFault fault;
    ASSERT_TRUE(ReadPrintRecords("JUSr\r\nJUS\r\nJUSN2\\ZZ9\\\r\n", records, fault));
    EXPECT_EQ(records[0].text, "D");
    EXPECT_EQ(records[1].text, "E");
    EXPECT_EQ(records[2].text, "N 2 \\ZZ9\\");
}

struct FaultCase {
    std::string bytes;
    int32_t line;
    std::string reason;
};

TEST(PrintReader, ReportsTheLineItCannotRead) {
    const FaultCase cases[] = {
        {"DEVICEPRN\r\n\r\n", 2, NotARecord},
        {"hello\r\n", 1, NotARecord},
        {" 1 ,only one comma\r\n", 1, NotARecord},
        {"x ,t, 0 \r\n", 1, ColumnNotNumber},
        {" 1 ,t, 0 x\r\n", 1, AdvanceNotNumber},
        {" 1 ,t,\r\n", 1, AdvanceNotNumber},
        {" 1 ,t, 99999999999 \r\n", 1, AdvanceNotNumber},
        {" 1 ,t, 0 \r\nPAGE sixty\r\n", 2, PageNotNumber},
        {" 1 ,t, 0 \r\nDEVICEPRN\r\n", 2, DeviceNotFirst},
        {"LF only\n 1 ,t, 0 \n", 1, ColumnNotNumber},
        {" 1 ,t, 0 \r", 1, AdvanceNotNumber},  // cut short
    };
    for (const FaultCase& c : cases) {
        std::vector<PrintRecord> records;
        PrintFault fault;
        EXPECT_FALSE(ReadPrintRecords(c.bytes, records, fault)) << c.bytes;
        EXPECT_EQ(fault.lineNumber, c.line) << c.bytes;
        EXPECT_EQ(fault.reason, c.reason) << c.bytes;
    }
}

TEST(PrintReader, RefusesWhatNoPageCanHold) {
    const FaultCase cases[] = {
        {" 1000 ,t, 0 \r\n", 1, ColumnBeyondPage},
        {" 1 ,t, 9999 \r\n 1 ,u, 0 \r\n", 2, PageTooLong},
        {" 1 ,t, 20000 \r\n 1 ,u, 0 \r\n", 2, PageTooLong},
    };
    for (const FaultCase& c : cases) {
        std::vector<PrintRecord> records;
        PrintFault fault;
        PrintDocument document;
        ASSERT_TRUE(ReadPrintRecords(c.bytes, records, fault)) << c.bytes;
        EXPECT_FALSE(LayOutPrint(records, document, fault)) << c.bytes;
        EXPECT_EQ(fault.lineNumber, c.line) << c.bytes;
        EXPECT_EQ(fault.reason, c.reason) << c.bytes;
    }

    // Very many wide lines: refused as a whole rather than held in memory.
    std::string many;
    for (int i = 0; i < 20000; ++i) many += "PAGE 1 \r\n 999 ,x, 1 \r\n";
    std::vector<PrintRecord> records;
    PrintFault fault;
    PrintDocument document;
    ASSERT_TRUE(ReadPrintRecords(many, records, fault));
    EXPECT_FALSE(LayOutPrint(records, document, fault));
    EXPECT_EQ(fault.reason, ReportTooLarge);
}

TEST(PrintReader, DeviceKinds) {
    const std::pair<std::string, PrintDeviceKind> cases[] = {
        {"", PrintDeviceKind::Screen},           {"  ", PrintDeviceKind::Screen},
        {"CON", PrintDeviceKind::Screen},        {"con:", PrintDeviceKind::Screen},
        {"Pantalla", PrintDeviceKind::Screen},   {"PRN", PrintDeviceKind::Printer},
        {" lpt1: ", PrintDeviceKind::Printer},   {"LPT3", PrintDeviceKind::Printer},
        {"LPT4", PrintDeviceKind::File},         {"informe.txt", PrintDeviceKind::File},
        {"C:\\TMP\\PRN", PrintDeviceKind::File},
    };
    for (const auto& [device, kind] : cases) EXPECT_EQ(DeviceKind(device), kind) << device;
}

TEST(PrintReader, DocumentTextInUtf8WithFormFeeds) {
    PrintDocument document;
    document.pages = {{"P\xB7GINA   ", "", "a"}, {"b"}};  // PÀGINA
    EXPECT_EQ(DocumentText(document), "P\xC3\x80GINA\n\na\n\fb\n");
    EXPECT_EQ(DocumentText(PrintDocument()), "");
}

}  // namespace
}  // namespace korvidan
