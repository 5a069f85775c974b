// Fuzz target: the CSV reader of qordata's import and the key and field descriptions,
// with records made from what they read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "records/record_text.h"

using namespace korvidan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The first line as a key description and as a field list.
    const std::string first = text.substr(0, text.find('\n'));
    KeyDefinition key;
    std::string error;
    if (ParseKeyDescription(first, key, error)) {
        KeyDefinition again;
        if (!ParseKeyDescription(DescribeKey(key), again, error) ||
            DescribeKey(again) != DescribeKey(key))
            std::abort();
    }
    RecordLayout layout;
    layout.recordLength = 40;
    layout.pageSize = 512;
    KeySegment code{1, 6, 0}, number{7, 4, SegmentBinary}, wide{20, 12, SegmentBinary};
    layout.keys = {KeyDefinition{{code}, false, 6}, KeyDefinition{{number, wide}, false, 16}};
    std::vector<RecordField> fields;
    if (!ParseFieldList(first, layout.recordLength, fields, error)) fields = DefaultFields(layout);
    // Every row read becomes a record when it can, and a record gives back its cells.
    size_t at = 0;
    std::vector<std::string> cells;
    while (ReadCsvRow(text, at, cells, error)) {
        std::string record;
        if (CellsToRecord(cells, fields, layout.recordLength, record, error)) {
            if (record.size() != layout.recordLength) std::abort();
            std::string back;
            if (!CellsToRecord(RecordToCells(record, fields), fields, layout.recordLength, back,
                               error))
                std::abort();
        }
        // A row written reads back as the same cells (an empty row is a blank line).
        size_t again = 0;
        std::vector<std::string> reread;
        const std::string row = WriteCsvRow(cells);
        if (!row.empty() && (!ReadCsvRow(row, again, reread, error) || reread != cells))
            std::abort();
    }
    return 0;
}
