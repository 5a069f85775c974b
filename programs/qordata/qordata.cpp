// qordata: makes and inspects data files of the record manager — create one from a
// short key description, import and export its records as CSV, list them along a key,
// show its layout.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "datetime/text.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "records/record_layout.h"
#include "records/record_manager.h"
#include "records/record_text.h"

using namespace korvidan;

namespace {

const char Usage[] =
    "usage: qordata create FILE RECORD-LENGTH KEY... [--page-size N] [--collate TABLE]\n"
    "       qordata import FILE CSV [--fields LIST]\n"
    "       qordata export FILE CSV [--key N] [--fields LIST]\n"
    "       qordata list FILE [--key N] [--fields LIST]\n"
    "       qordata stats FILE\n"
    "\n"
    "KEY      segments POSITION:LENGTH joined by +, each with flags d (duplicates),\n"
    "         b (binary number), a (alternate collating): 1:6  7:4bd+11:3ad\n"
    "LIST     cells of a CSV row as POSITION:LENGTH, b for a number: 1:6,7:4b,11:3\n"
    "         (default: the key segments and the text between them)\n"
    "TABLE    a file of 256 sorting values, or of the marker 0xAC, an 8-character name\n"
    "         and 256 sorting values (default: letters without regard to case)\n"
    "CSV      a file of code page 850 text; - for the standard input or output\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "qordata: %s\n", Cp850ToUtf8(message).c_str());
    return 1;
}

int BadArguments(const std::string& message) {
    std::fprintf(stderr, "qordata: %s\n%s", message.c_str(), Usage);
    return 2;
}

std::string StatusText(int16_t status) {
    switch (status) {
        case StatusIoError:
            return "the file is damaged or could not be written";
        case StatusFileNotOpen:
            return "file not open";
        case StatusKeyNotFound:
            return "key value not found";
        case StatusDuplicateKey:
            return "duplicate key value";
        case StatusInvalidKeyNumber:
            return "no such key";
        case StatusFileNotFound:
            return "file not found";
        case StatusDiskFull:
            return "disk full";
        case StatusKeyBufferLength:
            return "path longer than 255 characters";
        case StatusPageSize:
            return "page size must be a multiple of 512 from 512 to 16384";
        case StatusKeyCount:
            return "no key, or more than 78 segments";
        case StatusKeyPosition:
            return "a key segment lies outside the record";
        case StatusRecordLength:
            return "record length must be at least 1";
        case StatusKeyLength:
            return "a key is longer than 255 bytes";
        case StatusNotDataFile:
            return "not a data file";
        case StatusAccessDenied:
            return "access denied";
        case StatusAlternateSequence:
            return "bad collating table";
        case StatusFileExists:
            return "file already exists";
        case StatusRecordBusy:
            return "record locked by another process";
        case StatusFileBusy:
            return "file busy";
        default:
            return "record manager status " + std::to_string(status);
    }
}

// A data file opened through the record manager, closed when it goes out of scope.
struct OpenFile {
    uint8_t block[128] = {};
    bool open = false;
    RecordLayout layout;
    std::string record;
    std::vector<char> buffer;

    int16_t Call(int16_t operation, std::string& data, int16_t keyNumber = 0,
                 std::string key = "") {
        key.resize(256, '\0');
        int32_t length = static_cast<int32_t>(data.size());
        const int16_t status =
            RecordManagerCall(operation, block, data.data(), length, key.data(), 0, keyNumber);
        data.resize(static_cast<size_t>(std::max(length, 0)));
        return status;
    }
    int16_t Open(const std::string& path) {
        std::string key = path;
        key.resize(256, '\0');
        int32_t length = 0;
        const int16_t status = RecordManagerCall(OpOpen, block, nullptr, length, key.data(),
                                                 static_cast<int16_t>(path.size()), 0);
        open = status == StatusOk;
        if (!open) return status;
        std::string statistics(1536, ' ');
        const int16_t read = Call(OpStatistics, statistics);
        if (read != StatusOk) return read;
        return ParseRecordLayout(reinterpret_cast<const uint8_t*>(statistics.data()),
                                 static_cast<int32_t>(statistics.size()), false, layout);
    }
    // Reads the first record along a key into record, then each next one.
    int16_t Step(bool first, int16_t keyNumber) {
        buffer.resize(65535);
        char key[256] = {};
        int32_t length = static_cast<int32_t>(buffer.size());
        const int16_t status = RecordManagerCall(first ? OpGetFirst : OpGetNext, block,
                                                 buffer.data(), length, key, 0, keyNumber);
        record.assign(buffer.data(), static_cast<size_t>(std::max(length, 0)));
        return status;
    }
    ~OpenFile() {
        if (open) {
            std::string none;
            Call(OpClose, none);
        }
    }
};

// A command-line argument (UTF-8) as a path or text of the system (code page 850).
bool SystemText(const char* argument, std::string& text) {
    const auto converted = Utf8ToCp850(argument);
    if (!converted) return false;
    text = *converted;
    return true;
}

// A decimal number from 0 to limit.
bool ReadNumber(const std::string& text, uint32_t limit, uint32_t& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = static_cast<uint32_t>(std::stoul(text));
    return value <= limit;
}

// Options after the positional arguments: --key, --fields, --page-size, --collate.
struct Options {
    std::vector<std::string> positional;
    int16_t keyNumber = 0;
    std::string fields;
    std::string pageSize = "4096";
    std::string collate;
};

bool ReadOptions(int argc, char** argv, const std::vector<std::string>& allowed, Options& options,
                 std::string& error) {
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.size() < 3 || argument.compare(0, 2, "--") != 0) {
            std::string text;
            if (!SystemText(argv[i], text)) {
                error = "\"" + argument + "\" has characters that code page 850 cannot hold";
                return false;
            }
            options.positional.push_back(text);
            continue;
        }
        if (std::find(allowed.begin(), allowed.end(), argument) == allowed.end() || i + 1 >= argc) {
            error = i + 1 >= argc ? argument + " needs a value" : "unknown option " + argument;
            return false;
        }
        const std::string value = argv[++i];
        uint32_t keyNumber = 0;
        if (argument == "--key" && !ReadNumber(value, 999, keyNumber)) {
            error = "--key needs a key number";
            return false;
        }
        if (argument == "--key") options.keyNumber = static_cast<int16_t>(keyNumber);
        if (argument == "--fields") options.fields = value;
        if (argument == "--page-size") options.pageSize = value;
        if (argument == "--collate" && !SystemText(argv[i], options.collate)) {
            error = "\"" + value + "\" has characters that code page 850 cannot hold";
            return false;
        }
    }
    return true;
}

bool FieldsOf(const Options& options, const RecordLayout& layout, std::vector<RecordField>& fields,
              std::string& error) {
    if (options.fields.empty()) {
        fields = DefaultFields(layout);
        return true;
    }
    return ParseFieldList(options.fields, layout.recordLength, fields, error);
}

int Create(const Options& options) {
    if (options.positional.size() < 3)
        return BadArguments("create needs a file, a record length and a key");
    RecordLayout layout;
    uint32_t number = 0;
    if (!ReadNumber(options.positional[1], 65535, number) || number == 0)
        return BadArguments("record length \"" + options.positional[1] +
                            "\" is not a number from 1 to 65535");
    layout.recordLength = static_cast<uint16_t>(number);
    if (!ReadNumber(options.pageSize, 65535, number))
        return BadArguments("page size \"" + options.pageSize + "\" is not a number");
    layout.pageSize = static_cast<uint16_t>(number);
    for (size_t i = 2; i < options.positional.size(); ++i) {
        KeyDefinition key;
        std::string error;
        if (!ParseKeyDescription(options.positional[i], key, error)) return BadArguments(error);
        for (const KeySegment& segment : key.segments)
            if ((segment.flags & SegmentAlternate) != 0) layout.hasAlternate = true;
        layout.keys.push_back(key);
    }
    if (layout.hasAlternate) {
        layout.alternateName = "UPPER   ";
        for (int c = 0; c < 256; ++c)
            layout.alternateTable[static_cast<size_t>(c)] =
                static_cast<uint8_t>(UpperCaseText(std::string(1, static_cast<char>(c)))[0]);
        if (!options.collate.empty()) {
            std::string table;
            if (!ReadWholeFile(options.collate, table))
                return Fail(options.collate + ": cannot be read");
            if (table.size() == 265 && static_cast<uint8_t>(table[0]) == AlternateMarker) {
                layout.alternateName = table.substr(1, 8);
                table.erase(0, 9);
            } else if (table.size() != 256) {
                return Fail(options.collate + ": a collating table has 256 or 265 bytes");
            }
            std::copy(table.begin(), table.end(), layout.alternateTable.begin());
        }
    }
    std::string data = EncodeRecordLayout(layout);
    std::string key = options.positional[0];
    key.resize(256, '\0');
    uint8_t block[128] = {};
    int32_t dataLength = static_cast<int32_t>(data.size());
    const int16_t status = RecordManagerCall(
        OpCreate, block, data.data(), dataLength, key.data(),
        static_cast<int16_t>(std::min<size_t>(options.positional[0].size(), 256)), 0);
    if (status != StatusOk) return Fail(options.positional[0] + ": " + StatusText(status));
    return 0;
}

int Import(const Options& options) {
    if (options.positional.size() != 2) return BadArguments("import needs a file and a CSV file");
    OpenFile file;
    int16_t status = file.Open(options.positional[0]);
    if (status != StatusOk) return Fail(options.positional[0] + ": " + StatusText(status));
    std::vector<RecordField> fields;
    std::string error;
    if (!FieldsOf(options, file.layout, fields, error)) return BadArguments(error);
    std::string text;
    const std::string& csv = options.positional[1];
    if (csv == "-") {
        char buffer[65536];
        size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
            text.append(buffer, count);
    } else if (!ReadWholeFile(csv, text)) {
        return Fail(csv + ": cannot be read");
    }
    // All rows or none: one transaction, abandoned at the first row that cannot be stored.
    std::string none;
    status = file.Call(OpBeginTransaction, none);
    if (status != StatusOk) return Fail(options.positional[0] + ": " + StatusText(status));
    size_t at = 0, line = 0, count = 0;
    std::vector<std::string> cells;
    for (;;) {
        const bool read = ReadCsvRow(text, at, cells, error);
        if (read || !error.empty()) ++line;
        if (!read) break;
        if (cells.size() == 1 && cells[0].empty()) continue;  // a blank line
        std::string record;
        if (!CellsToRecord(cells, fields, file.layout.recordLength, record, error)) break;
        status = file.Call(OpInsert, record);
        if (status != StatusOk) {
            error = StatusText(status);
            break;
        }
        ++count;
    }
    if (!error.empty()) {
        file.Call(OpAbortTransaction, none);
        return Fail(csv + ": row " + std::to_string(line) + ": " + error +
                    "; nothing was imported");
    }
    status = file.Call(OpEndTransaction, none);
    if (status != StatusOk) return Fail(options.positional[0] + ": " + StatusText(status));
    std::fprintf(stderr, "qordata: %zu records imported\n", count);
    return 0;
}

// Writes every record along a key, as CSV rows or as listed lines.
int Walk(const Options& options, bool listing) {
    if (options.positional.size() != (listing ? 1u : 2u))
        return BadArguments(listing ? "list needs a file" : "export needs a file and a CSV file");
    OpenFile file;
    int16_t status = file.Open(options.positional[0]);
    if (status != StatusOk) return Fail(options.positional[0] + ": " + StatusText(status));
    std::vector<RecordField> fields;
    std::string error;
    if (!FieldsOf(options, file.layout, fields, error)) return BadArguments(error);
    std::FILE* out = stdout;
    if (!listing && options.positional[1] != "-") {
        out = std::fopen(MapPath(options.positional[1]).c_str(), "wb");
        if (out == nullptr) return Fail(options.positional[1] + ": cannot be written");
    }
    bool first = true;
    while ((status = file.Step(first, options.keyNumber)) == StatusOk ||
           status == StatusDataBufferShort) {
        first = false;
        const std::string row = WriteCsvRow(RecordToCells(file.record, fields));
        if (listing) {
            std::string position(4, '\0');
            file.Call(OpGetPosition, position);
            uint32_t number = 0;
            std::memcpy(&number, position.data(), std::min<size_t>(position.size(), 4));
            std::fprintf(out, "%10u  %s\n", number, Cp850ToUtf8(row).c_str());
        } else {
            std::fprintf(out, "%s\r\n", row.c_str());
        }
    }
    const bool written = std::fflush(out) == 0 && !std::ferror(out);
    if (out != stdout) std::fclose(out);
    if (status != StatusEndOfFile) return Fail(options.positional[0] + ": " + StatusText(status));
    if (!written)
        return Fail((listing ? std::string("output") : options.positional[1]) +
                    ": cannot be written");
    return 0;
}

int Stats(const Options& options) {
    if (options.positional.size() != 1) return BadArguments("stats needs a file");
    OpenFile file;
    int16_t status = file.Open(options.positional[0]);
    if (status != StatusOk) return Fail(options.positional[0] + ": " + StatusText(status));
    size_t count = 0;
    for (bool first = true;
         (status = file.Step(first, 0)) == StatusOk || status == StatusDataBufferShort;
         first = false)
        ++count;
    if (status != StatusEndOfFile) return Fail(options.positional[0] + ": " + StatusText(status));
    std::printf("record length  %u\npage size      %u\nrecords        %zu\n",
                file.layout.recordLength, file.layout.pageSize, count);
    for (size_t key = 0; key < file.layout.keys.size(); ++key)
        std::printf("key %-10zu %-40s %u bytes%s\n", key,
                    DescribeKey(file.layout.keys[key]).c_str(), file.layout.keys[key].length,
                    file.layout.keys[key].duplicates ? ", duplicates" : ", unique");
    if (file.layout.hasAlternate)
        std::printf("collating      %s\n", Cp850ToUtf8(file.layout.alternateName).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return BadArguments("no command");
    const std::string command = argv[1];
    Options options;
    std::string error;
    struct Command {
        const char* name;
        std::vector<std::string> options;
    };
    const Command commands[] = {
        {"create", {"--page-size", "--collate"}},
        {"import", {"--fields"}},
        {"export", {"--key", "--fields"}},
        {"list", {"--key", "--fields"}},
        {"stats", {}},
    };
    for (const Command& c : commands) {
        if (command != c.name) continue;
        if (!ReadOptions(argc, argv, c.options, options, error)) return BadArguments(error);
        if (command == "create") return Create(options);
        if (command == "import") return Import(options);
        if (command == "stats") return Stats(options);
        return Walk(options, command == "list");
    }
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(Usage, stdout);
        return 0;
    }
    return BadArguments("unknown command \"" + command + "\"");
}
