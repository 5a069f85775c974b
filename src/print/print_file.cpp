// The print-file writer: one record per CR LF line, in CP850.
#include "print/print_file.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "config/run_context.h"
#include "datetime/text.h"
#include "platform/files.h"

namespace korvidan {

namespace {

File PrintFile;
int16_t PageLength = 0;
int16_t LineCount = 0;

// Writes one record as one line; nothing happens when the print file could not
// be opened. Control characters (0-31, 127 and 255) would break the line, so
// each is written as a blank.
void WriteRecord(std::string record) {
    if (!PrintFile.IsOpen()) return;
    for (char& c : record) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || code == 127 || code == 255) c = ' ';
    }
    PrintFile.Write(record + "\r\n");
}

// The digits of the whole part of |value| (always finite: TextToNumber saturates).
std::string WholeDigits(double value) {
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", std::fabs(std::trunc(value)));
    return digits;
}

// The picture of an "N" code: from its first "\" to the next one (or the end).
std::string PictureOf(const std::string& code) {
    const std::size_t first = code.find('\\');
    if (first == std::string::npos) return std::string();
    const std::size_t second = code.find('\\', first + 1);
    return code.substr(first, second == std::string::npos ? std::string::npos : second - first + 1);
}

}  // namespace

std::string PrintFilePath() {
    return RunContext.tempDir + "qorprint.tmp";
}

std::string PrintNumber(int32_t number) {
    const std::string digits = std::to_string(std::abs(static_cast<int64_t>(number)));
    return (number < 0 ? "-" : " ") + digits + " ";
}

std::string NormaliseJustifyCode(const std::string& code) {
    const std::string trimmed = TrimBlanks(code);
    switch (UpperCaseText(trimmed.substr(0, 1)).c_str()[0]) {
        case 'C':
            return "C";
        case 'D':
        case 'R':
            return "D";
        case 'A':
        case 'B':
            return "A";
        case 'N':
            return "N " + WholeDigits(TextToNumber(trimmed.substr(1))) + " " + PictureOf(code);
        default:
            return "E";
    }
}

void OpenPrintFile(const std::string& device) {
    // Locked while open: a second writer of the same file finds it unopenable.
    PrintFile.Open(PrintFilePath(), FileWrite | FileCreate | FileTruncate | FileExclusive);
    WriteRecord("DEVICE" + device);
}

void ClosePrintFile() {
    PrintFile.Close();
}

bool PrintFileIsOpen() {
    return PrintFile.IsOpen();
}

void PrintText(int16_t column, const std::string& text, int16_t advance) {
    if (LineCount >= PageLength) PrintNewPage(PageLength);
    WriteRecord(PrintNumber(column) + "," + text + "," + PrintNumber(advance));
    LineCount = static_cast<int16_t>(LineCount + advance);
}

void PrintNewPage(int16_t pageLength) {
    WriteRecord("PAGE" + PrintNumber(pageLength));
    PageLength = pageLength;
    LineCount = 0;
}

void PrintJustify(std::string& code) {
    code = NormaliseJustifyCode(code);
    WriteRecord("JUS" + code);
}

void PrintControl(const std::string& word) {
    WriteRecord("*" + word);
}

int16_t PrintLineCount() {
    return LineCount;
}
int16_t PrintPageLength() {
    return PageLength;
}

void ResetPrintFile() {
    PrintFile.Close();
    PageLength = 0;
    LineCount = 0;
}

}  // namespace korvidan
