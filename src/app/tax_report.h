// The tax-rate table report: the rates of both sections of Zirp.ini, written into the open print
// file.
#pragma once

#include <cstdint>

namespace korvidan {

// Writes the whole table (one page) into the open print file, numbering pages from 1.
void PrintTaxRateTable();

// Starts a new page of the report and writes its header.
void PrintPageHeader();

// Sets the page counter back to 0, as in a new process.
void ResetTaxReport();

}  // namespace korvidan
