// The print program's side of the print file: its records read back and laid out
// on fixed-pitch pages, where every character takes one column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvidan {

// One record of the print file.
struct PrintRecord {
    enum Kind { Device, Page, Justify, Control, Text };
    Kind kind = Text;
    int32_t lineNumber = 0;  // its line in the file, from 1
    std::string text;        // device text, normalised justification code, control word, or text
    int32_t column = 0;      // text records
    int32_t advance = 0;     // text records
    int32_t pageLength = 0;  // page records
};

// A print file that could not be read: the line at fault (0 for the file as a whole) and why.
struct PrintFault {
    int32_t lineNumber = 0;
    std::string reason;
};

// The report laid out: its device, its pitch and its pages of lines (CP850).
struct PrintDocument {
    std::string device;
    int16_t charactersPerInch = 10;  // 12 after the control word "@e" (elite, 96 columns)
    std::vector<std::vector<std::string>> pages;
};

// The widest column and the longest page the layout accepts.
inline constexpr int32_t MaxPrintColumn = 999;
inline constexpr int32_t MaxPrintPageLines = 9999;

// Reads the records of a print file's bytes; false and the fault at the first
// line that is not a record of the print file.
bool ReadPrintRecords(std::string_view bytes, std::vector<PrintRecord>& records, PrintFault& fault);

// Lays the records out on pages; false and the fault when a text falls outside
// the columns or lines a page can hold, or the report is too large to lay out.
bool LayOutPrint(const std::vector<PrintRecord>& records, PrintDocument& document,
                 PrintFault& fault);

// Where a device text sends the report: none, "CON" or "PANTALLA" the screen;
// "PRN" or "LPT1" to "LPT3" the printer (a final ":" allowed); anything else a file.
enum class PrintDeviceKind { Screen, Printer, File };
PrintDeviceKind DeviceKind(const std::string& device);

// The pages as UTF-8 text: lines without trailing blanks, ended by LF, a form
// feed between pages.
std::string DocumentText(const PrintDocument& document);

}  // namespace korvidan
