// Fuzz target for the print program's reader: any bytes as a print file, read
// and laid out; a file that reads must lay out within the page limits.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "print/print_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    std::vector<PrintRecord> records;
    PrintFault fault;
    if (!ReadPrintRecords(std::string_view(reinterpret_cast<const char*>(data), size), records,
                          fault)) {
        if (fault.lineNumber < 1 || fault.reason.empty()) std::abort();
        return 0;
    }
    PrintDocument document;
    if (!LayOutPrint(records, document, fault)) return 0;
    for (const auto& page : document.pages) {
        if (page.empty() || page.size() > MaxPrintPageLines) std::abort();
        for (const std::string& line : page) {
            if (line.size() > static_cast<std::size_t>(MaxPrintColumn) + size) std::abort();
            for (const char c : line)
                if (static_cast<unsigned char>(c) < 32) std::abort();
        }
    }
    return 0;
}
