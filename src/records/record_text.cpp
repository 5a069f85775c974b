// Records as text: key and field descriptions, records as cells, and CSV rows.
#include "records/record_text.h"

#include <algorithm>

namespace korvidan {

namespace {

// Reads a decimal number of 1 to 5 digits from 1 to 65535 at text[at], moving at.
bool ReadSmallNumber(const std::string& text, size_t& at, uint16_t& value) {
    uint32_t number = 0;
    const size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 6)
        number = number * 10 + static_cast<uint32_t>(text[at++] - '0');
    if (at == start || number == 0 || number > 65535) return false;
    value = static_cast<uint16_t>(number);
    return true;
}

// Reads "POSITION:LENGTH" and the flag letters allowed after it.
bool ReadSegment(const std::string& text, size_t& at, const std::string& letters,
                 uint16_t& position, uint16_t& length, std::string& flags) {
    if (!ReadSmallNumber(text, at, position) || at >= text.size() || text[at] != ':') return false;
    ++at;
    if (!ReadSmallNumber(text, at, length)) return false;
    flags.clear();
    while (at < text.size() &&
           letters.find(static_cast<char>(text[at] | 0x20)) != std::string::npos)
        flags.push_back(static_cast<char>(text[at++] | 0x20));
    return true;
}

const char HexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(c | 0x20);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool ParseKeyDescription(const std::string& text, KeyDefinition& key, std::string& error) {
    key = KeyDefinition{};
    size_t at = 0;
    for (;;) {
        KeySegment segment;
        std::string flags;
        if (!ReadSegment(text, at, "dba", segment.position, segment.length, flags)) {
            error =
                "key \"" + text + "\": expected POSITION:LENGTH with flags d, b, a, joined by +";
            return false;
        }
        if (flags.find('d') != std::string::npos) segment.flags |= SegmentDuplicates;
        if (flags.find('b') != std::string::npos) segment.flags |= SegmentBinary;
        if (flags.find('a') != std::string::npos) segment.flags |= SegmentAlternate;
        key.segments.push_back(segment);
        key.length += segment.length;
        if (at == text.size()) break;
        if (text[at] != '+') {
            error = "key \"" + text + "\": unexpected \"" + text.substr(at, 1) + "\"";
            return false;
        }
        ++at;
    }
    // Every segment of a key carries the duplicates flag when one does, and all but the
    // last say that the key goes on.
    const bool duplicates =
        std::any_of(key.segments.begin(), key.segments.end(),
                    [](const KeySegment& s) { return (s.flags & SegmentDuplicates) != 0; });
    for (size_t i = 0; i < key.segments.size(); ++i) {
        if (duplicates) key.segments[i].flags |= SegmentDuplicates;
        if (i + 1 < key.segments.size()) key.segments[i].flags |= SegmentContinues;
    }
    key.duplicates = duplicates;
    return true;
}

std::string DescribeKey(const KeyDefinition& key) {
    std::string text;
    for (const KeySegment& segment : key.segments) {
        if (!text.empty()) text += "+";
        text += std::to_string(segment.position) + ":" + std::to_string(segment.length);
        if ((segment.flags & SegmentBinary) != 0) text += "b";
        if ((segment.flags & SegmentAlternate) != 0) text += "a";
        if ((segment.flags & SegmentDuplicates) != 0) text += "d";
    }
    return text;
}

bool ParseFieldList(const std::string& text, uint16_t recordLength,
                    std::vector<RecordField>& fields, std::string& error) {
    fields.clear();
    size_t at = 0;
    for (;;) {
        RecordField field;
        std::string flags;
        if (!ReadSegment(text, at, "b", field.position, field.length, flags)) {
            error = "fields \"" + text +
                    "\": expected POSITION:LENGTH, b for a number, joined by commas";
            return false;
        }
        if (field.position + field.length - 1 > recordLength) {
            error = "fields \"" + text + "\": a field reaches past the record's " +
                    std::to_string(recordLength) + " bytes";
            return false;
        }
        field.binary = !flags.empty();
        fields.push_back(field);
        if (at == text.size()) return true;
        if (text[at] != ',') {
            error = "fields \"" + text + "\": unexpected \"" + text.substr(at, 1) + "\"";
            return false;
        }
        ++at;
    }
}

std::vector<RecordField> DefaultFields(const RecordLayout& layout) {
    std::vector<KeySegment> segments;
    for (const KeyDefinition& key : layout.keys)
        segments.insert(segments.end(), key.segments.begin(), key.segments.end());
    std::stable_sort(
        segments.begin(), segments.end(),
        [](const KeySegment& a, const KeySegment& b) { return a.position < b.position; });
    std::vector<RecordField> fields;
    uint32_t next = 1;  // the first byte not yet in a field
    for (const KeySegment& segment : segments) {
        const uint32_t end = static_cast<uint32_t>(segment.position) + segment.length;  // one past
        if (segment.position < next || end - 1 > layout.recordLength)
            continue;  // overlaps one taken
        if (segment.position > next)
            fields.push_back({static_cast<uint16_t>(next),
                              static_cast<uint16_t>(segment.position - next), false});
        fields.push_back({segment.position, segment.length, (segment.flags & SegmentBinary) != 0});
        next = end;
    }
    if (next <= layout.recordLength)
        fields.push_back({static_cast<uint16_t>(next),
                          static_cast<uint16_t>(layout.recordLength - next + 1), false});
    return fields;
}

std::vector<std::string> RecordToCells(const std::string& record,
                                       const std::vector<RecordField>& fields) {
    std::vector<std::string> cells;
    for (const RecordField& field : fields) {
        std::string bytes = field.position - 1u < record.size()
                                ? record.substr(field.position - 1u, field.length)
                                : "";
        bytes.resize(field.length, field.binary ? '\0' : ' ');
        std::string cell;
        if (field.binary && field.length <= 8) {
            uint64_t number = 0;
            for (size_t i = bytes.size(); i-- > 0;)
                number = (number << 8) | static_cast<uint8_t>(bytes[i]);
            cell = std::to_string(number);
        } else if (field.binary) {
            for (const char c : bytes) {
                cell.push_back(HexDigits[static_cast<uint8_t>(c) >> 4]);
                cell.push_back(HexDigits[static_cast<uint8_t>(c) & 15]);
            }
        } else {
            cell = bytes.substr(0, bytes.find_last_not_of(' ') + 1);
        }
        cells.push_back(cell);
    }
    return cells;
}

bool CellsToRecord(const std::vector<std::string>& cells, const std::vector<RecordField>& fields,
                   uint16_t recordLength, std::string& record, std::string& error) {
    if (cells.size() != fields.size()) {
        error = std::to_string(cells.size()) + " cells where " + std::to_string(fields.size()) +
                " were expected";
        return false;
    }
    record.assign(recordLength, ' ');
    for (size_t i = 0; i < fields.size(); ++i) {
        const RecordField& field = fields[i];
        const std::string& cell = cells[i];
        std::string bytes;
        if (field.binary && field.length <= 8) {
            uint64_t number = 0;
            const uint64_t limit =
                field.length == 8 ? UINT64_MAX : (uint64_t{1} << (8 * field.length)) - 1;
            bool good = !cell.empty() && cell.size() <= 20;
            for (const char c : cell) {
                if (c < '0' || c > '9' || number > (limit - static_cast<uint64_t>(c - '0')) / 10) {
                    good = false;
                    break;
                }
                number = number * 10 + static_cast<uint64_t>(c - '0');
            }
            if (!good) {
                error = "cell " + std::to_string(i + 1) + ": \"" + cell +
                        "\" is not a number from 0 to " + std::to_string(limit);
                return false;
            }
            for (uint16_t b = 0; b < field.length; ++b)
                bytes.push_back(static_cast<char>((number >> (8 * b)) & 0xFF));
        } else if (field.binary) {
            bool good = cell.size() == 2u * field.length;
            for (size_t c = 0; good && c < cell.size(); c += 2) {
                const int high = HexValue(cell[c]), low = HexValue(cell[c + 1]);
                good = high >= 0 && low >= 0;
                bytes.push_back(static_cast<char>(high * 16 + low));
            }
            if (!good) {
                error = "cell " + std::to_string(i + 1) + ": expected " +
                        std::to_string(2 * field.length) + " hexadecimal digits";
                return false;
            }
        } else {
            if (cell.size() > field.length) {
                error = "cell " + std::to_string(i + 1) + ": \"" + cell + "\" is longer than " +
                        std::to_string(field.length) + " characters";
                return false;
            }
            bytes = cell;
            bytes.resize(field.length, ' ');
        }
        record.replace(field.position - 1u, field.length, bytes);
    }
    return true;
}

std::string WriteCsvRow(const std::vector<std::string>& cells) {
    std::string row;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) row.push_back(',');
        const std::string& cell = cells[i];
        if (cell.find_first_of(",\"\r\n") == std::string::npos) {
            row += cell;
            continue;
        }
        row.push_back('"');
        for (const char c : cell) {
            if (c == '"') row.push_back('"');
            row.push_back(c);
        }
        row.push_back('"');
    }
    return row;
}

bool ReadCsvRow(const std::string& text, size_t& at, std::vector<std::string>& cells,
                std::string& error) {
    cells.clear();
    if (at >= text.size()) return false;
    std::string cell;
    bool quoted = false;
    for (;;) {
        if (at >= text.size()) {
            if (quoted) {
                error = "a quoted cell is not closed";
                return false;
            }
            cells.push_back(cell);
            return true;
        }
        const char c = text[at++];
        if (quoted) {
            if (c != '"') {
                cell.push_back(c);
            } else if (at < text.size() && text[at] == '"') {
                cell.push_back('"');
                ++at;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            cells.push_back(cell);
            cell.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && at < text.size() && text[at] == '\n') ++at;
            cells.push_back(cell);
            return true;
        } else {
            cell.push_back(c);
        }
    }
}

}  // namespace korvidan
