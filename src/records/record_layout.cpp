// The layout of a data file: reading and writing the create/statistics buffer, and
// the sorting form of key values.
#include "records/record_layout.h"

#include <algorithm>

namespace korvidan {

namespace {

constexpr int32_t HeaderSize = 16;
constexpr int32_t SegmentSize = 16;
constexpr int32_t AlternateSize = 9 + 256;

uint16_t ReadWord(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

void PutWord(std::string& out, size_t at, uint16_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8);
}

}  // namespace

int16_t ParseRecordLayout(const uint8_t* bytes, int32_t length, bool strict, RecordLayout& layout) {
    layout = RecordLayout{};
    if (bytes == nullptr || length < HeaderSize) return 22;
    layout.recordLength = ReadWord(bytes);
    layout.pageSize = ReadWord(bytes + 2);
    const int keyCount = ReadWord(bytes + 4);
    if (strict) {
        if (layout.recordLength == 0) return 28;
        if (layout.pageSize < 512 || layout.pageSize > 16384 || layout.pageSize % 512 != 0)
            return 24;
        if (keyCount == 0) return 26;
    }
    int32_t at = HeaderSize;
    int segmentCount = 0;
    for (int key = 0; key < keyCount; ++key) {
        KeyDefinition definition;
        bool continues = true;
        while (continues) {
            if (segmentCount == MaxKeySegments) return 26;
            if (length - at < SegmentSize) return 22;
            KeySegment segment;
            segment.position = ReadWord(bytes + at);
            segment.length = ReadWord(bytes + at + 2);
            segment.flags = ReadWord(bytes + at + 4);
            at += SegmentSize;
            ++segmentCount;
            continues = (segment.flags & SegmentContinues) != 0;
            if (strict) {
                if (segment.position == 0 || segment.length == 0 ||
                    segment.position + segment.length - 1 > layout.recordLength)
                    return 27;
            }
            if (definition.segments.empty())
                definition.duplicates = (segment.flags & SegmentDuplicates) != 0;
            if ((segment.flags & SegmentAlternate) != 0) layout.hasAlternate = true;
            definition.length += segment.length;
            definition.segments.push_back(segment);
        }
        if (strict && definition.length > MaxKeyLength) return 29;
        layout.keys.push_back(std::move(definition));
    }
    if (layout.hasAlternate) {
        if (length - at < AlternateSize) return strict ? 48 : 22;
        if (strict && bytes[at] != AlternateMarker) return 48;
        layout.alternateName.assign(reinterpret_cast<const char*>(bytes + at + 1), 8);
        std::copy(bytes + at + 9, bytes + at + AlternateSize, layout.alternateTable.begin());
    }
    return 0;
}

std::string EncodeRecordLayout(const RecordLayout& layout) {
    size_t segmentCount = 0;
    for (const KeyDefinition& key : layout.keys) segmentCount += key.segments.size();
    std::string out(
        HeaderSize + SegmentSize * segmentCount + (layout.hasAlternate ? AlternateSize : 0), '\0');
    PutWord(out, 0, layout.recordLength);
    PutWord(out, 2, layout.pageSize);
    PutWord(out, 4, static_cast<uint16_t>(layout.keys.size()));
    size_t at = HeaderSize;
    for (const KeyDefinition& key : layout.keys) {
        for (const KeySegment& segment : key.segments) {
            PutWord(out, at, segment.position);
            PutWord(out, at + 2, segment.length);
            PutWord(out, at + 4, segment.flags);
            at += SegmentSize;
        }
    }
    if (layout.hasAlternate) {
        out[at] = static_cast<char>(AlternateMarker);
        std::string name = layout.alternateName;
        name.resize(8, ' ');
        out.replace(at + 1, 8, name);
        std::copy(layout.alternateTable.begin(), layout.alternateTable.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(at + 9));
    }
    return out;
}

std::string KeyValueOf(const RecordLayout& layout, int keyNumber, const uint8_t* record,
                       int32_t recordLength) {
    std::string value;
    if (keyNumber < 0 || keyNumber >= static_cast<int>(layout.keys.size())) return value;
    const KeyDefinition& key = layout.keys[static_cast<size_t>(keyNumber)];
    value.reserve(static_cast<size_t>(key.length));
    for (const KeySegment& segment : key.segments) {
        const int32_t first = segment.position - 1;
        for (int32_t i = first; i < first + segment.length; ++i)
            value.push_back(i >= 0 && i < recordLength ? static_cast<char>(record[i]) : '\0');
    }
    return value;
}

std::string CollatingForm(const RecordLayout& layout, int keyNumber, const std::string& keyValue) {
    std::string form = keyValue;
    if (keyNumber < 0 || keyNumber >= static_cast<int>(layout.keys.size())) return form;
    size_t p = 0;
    for (const KeySegment& segment : layout.keys[static_cast<size_t>(keyNumber)].segments) {
        const size_t s = segment.length;
        if ((segment.flags & SegmentBinary) != 0) {
            if (form.size() < p + s) form.resize(p + s, '\0');
            std::reverse(form.begin() + static_cast<std::ptrdiff_t>(p),
                         form.begin() + static_cast<std::ptrdiff_t>(p + s));
        } else if ((segment.flags & SegmentAlternate) != 0) {
            for (size_t i = p; i < p + s && i < form.size(); ++i)
                form[i] = static_cast<char>(layout.alternateTable[static_cast<uint8_t>(form[i])]);
        }
        p += s;
    }
    return form;
}

}  // namespace korvidan
