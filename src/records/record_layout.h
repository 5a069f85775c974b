// The layout of a data file as create takes it and statistics returns it: record
// length, page size, the keys with their segments and the alternate collating table;
// and the sorting form of key values that follows from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvidan {

// Segment flags.
constexpr uint16_t SegmentDuplicates = 1;  // the key allows duplicate values
constexpr uint16_t SegmentBinary = 4;      // a little-endian unsigned number
constexpr uint16_t SegmentContinues = 16;  // the key goes on with the next segment
constexpr uint16_t SegmentAlternate = 32;  // sorted through the alternate collating table

// The most segments a layout holds, so that statistics always fit the 1536-byte buffer.
constexpr int MaxKeySegments = 78;
constexpr int MaxKeyLength = 255;
constexpr uint8_t AlternateMarker = 0xAC;

struct KeySegment {
    uint16_t position = 1;  // from 1
    uint16_t length = 1;
    uint16_t flags = 0;
};

struct KeyDefinition {
    std::vector<KeySegment> segments;
    bool duplicates = false;  // from the flags of its first segment
    int length = 0;           // the sum of its segments' lengths
};

struct RecordLayout {
    uint16_t recordLength = 0;
    uint16_t pageSize = 0;
    std::vector<KeyDefinition> keys;
    bool hasAlternate = false;  // some segment uses the collating table
    std::string alternateName;  // 8 characters
    std::array<uint8_t, 256> alternateTable{};
};

// Reads a statistics buffer of length bytes into layout: 0, or 22 when it is cut short
// and 26 when it holds more than MaxKeySegments segments. With strict (a create
// buffer) it must also describe a file that can be made: 24 page size not a multiple of
// 512 from 512 to 16384, 26 no key, 27 a segment outside the record, 28 record length 0,
// 29 a key longer than 255, 48 the collating table without its marker byte.
int16_t ParseRecordLayout(const uint8_t* bytes, int32_t length, bool strict, RecordLayout& layout);
// The buffer that statistics returns for a layout (and create accepts).
std::string EncodeRecordLayout(const RecordLayout& layout);
// The raw value of key keyNumber in a record: its segments' bytes one after the other
// (bytes outside the record read as 0).
std::string KeyValueOf(const RecordLayout& layout, int keyNumber, const uint8_t* record,
                       int32_t recordLength);
// A key value in sorting form: binary segments reversed (most significant byte first,
// padded with 0 when the value is short), alternate segments through the table, other
// bytes as they are. Byte order of sorting forms is the order of the key.
std::string CollatingForm(const RecordLayout& layout, int keyNumber, const std::string& keyValue);

}  // namespace korvidan
