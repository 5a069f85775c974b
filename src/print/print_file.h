// The print file: the records (device, pages, justification, controls, texts at
// columns) in which a report describes its printout for the print program.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

// Where the print file lives: tempDir + "qorprint.tmp".
std::string PrintFilePath();

// Creates or empties the print file, locked against other writers, and writes
// the device record. When it cannot be opened every later print step does nothing.
void OpenPrintFile(const std::string& device);
// Closes the print file (and releases it to the print program).
void ClosePrintFile();
// Whether the print file is open: false when OpenPrintFile could not create it.
bool PrintFileIsOpen();

// Writes a text at a column and advances the line count; starts a new page first
// when the page is full. Control characters are written as blanks.
void PrintText(int16_t column, const std::string& text, int16_t advance);
// Writes a page record and starts counting the lines of a new page.
void PrintNewPage(int16_t pageLength);
// Normalises a justification code in place and writes it.
void PrintJustify(std::string& code);
// Writes a control record.
void PrintControl(const std::string& word);

// Lines advanced since the last page record, and the current page length.
int16_t PrintLineCount();
int16_t PrintPageLength();

// The normalised form of a justification code: C, D, A, E, or "N n picture".
std::string NormaliseJustifyCode(const std::string& code);
// A number as records write it: sign place (blank or "-"), digits, a blank.
std::string PrintNumber(int32_t number);

// Closes the print file and zeroes the counters, as in a new process.
void ResetPrintFile();

}  // namespace korvidan
