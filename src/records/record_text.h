// Records as text, for the companion tool that makes and inspects data files: the
// short description of keys and fields, and records as rows of CSV cells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/record_layout.h"

namespace korvidan {

// A slice of a record shown as one cell: text (trailing blanks dropped, blanks added
// back), or an unsigned little-endian number (decimal up to 8 bytes, hex beyond).
struct RecordField {
    uint16_t position = 1;  // from 1
    uint16_t length = 1;
    bool binary = false;
};

// Reads a key description: segments "POSITION:LENGTH" joined by "+", each followed by
// flag letters d (duplicates), b (binary), a (alternate collating); "1:6" or "7:4bd+11:3ad".
// false with a message when it cannot.
bool ParseKeyDescription(const std::string& text, KeyDefinition& key, std::string& error);
// The description of a key, as ParseKeyDescription reads it.
std::string DescribeKey(const KeyDefinition& key);
// Reads a field list "1:6,7:4b,11:3" within a record of recordLength bytes.
bool ParseFieldList(const std::string& text, uint16_t recordLength,
                    std::vector<RecordField>& fields, std::string& error);
// Fields that cover a whole record: the key segments (numbers where binary) in record
// order, and text for the bytes between and after them.
std::vector<RecordField> DefaultFields(const RecordLayout& layout);
// A record's cells, and a record made from cells (bytes not in a field are blanks).
std::vector<std::string> RecordToCells(const std::string& record,
                                       const std::vector<RecordField>& fields);
bool CellsToRecord(const std::vector<std::string>& cells, const std::vector<RecordField>& fields,
                   uint16_t recordLength, std::string& record, std::string& error);
// One CSV row (no line end): cells with a comma, a quote or a line end are quoted.
std::string WriteCsvRow(const std::vector<std::string>& cells);
// Reads the CSV row that starts at at (moved past its line end); false at the end of
// text, or with a message for an unclosed quote.
bool ReadCsvRow(const std::string& text, size_t& at, std::vector<std::string>& cells,
                std::string& error);

}  // namespace korvidan
