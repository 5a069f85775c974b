// The window stack: OpenWindow saves the covered rectangle, the cursor and the
// current window as one record in the work file WinPush.tmp; CloseWindow reads the
// newest record back and restores it. When the work file cannot be written the
// record is kept in memory instead, so every window still closes cleanly.
#include "screen/window_stack.h"

#include <cstdint>
#include <string>
#include <vector>

#include "config/run_context.h"
#include "datetime/text.h"
#include "platform/console.h"
#include "platform/files.h"
#include "screen/colour.h"

namespace korvidan {

WindowStackRecord WindowStack;

namespace {

// The 20 digits of cursor and rectangles that open every record.
constexpr size_t kHeadLength = 20;
// The record length written after the cells.
constexpr size_t kLengthDigits = 5;
// The header of the work file: the position (from 1) after the last record.
constexpr int64_t kHeaderSize = 4;
constexpr int32_t kFirstPosition = 5;
// Coordinates are stored in two digits.
constexpr int16_t kLargestCoordinate = 99;

// What this process knows of each open window, oldest first: the head of its
// record, and the whole record when the work file could not take it.
struct SavedWindow {
    std::string record;
    bool inFile;
};
std::vector<SavedWindow> savedWindows;

std::string SaveFilePath() { return RunContext.tempDir + "WinPush.tmp"; }

std::string HeaderBytes(int32_t position) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((static_cast<uint32_t>(position) >> (8 * i)) & 0xFF);
    return bytes;
}

// The header's position when it points at a place inside the file; 0 otherwise.
int32_t ReadHeader(File& file, int64_t size) {
    if (size < kHeaderSize) return 0;
    unsigned char bytes[4];
    if (!file.Seek(0) || file.Read(bytes, 4) != 4) return 0;
    const int32_t position = static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                                                  (static_cast<uint32_t>(bytes[2]) << 16) |
                                                  (static_cast<uint32_t>(bytes[3]) << 24));
    if (position < kFirstPosition || position - 1 > size) return 0;
    return position;
}

// A run of decimal digits as a number; -1 when any character is not a digit.
int32_t DigitsValue(const std::string& text, size_t offset, size_t count) {
    if (offset + count > text.size()) return -1;
    int32_t value = 0;
    for (size_t i = offset; i < offset + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int16_t HeadField(const std::string& head, int field) {
    return static_cast<int16_t>(DigitsValue(head, static_cast<size_t>(field) * 2, 2));
}

// The number of cells the rectangle of a record head covers.
size_t CellCount(const std::string& head) {
    const int rows = HeadField(head, 8) - HeadField(head, 6) + 1;
    const int columns = HeadField(head, 9) - HeadField(head, 7) + 1;
    return static_cast<size_t>(rows) * static_cast<size_t>(columns);
}

std::string BuildRecord(int16_t top, int16_t left, int16_t bottom, int16_t right) {
    std::string record;
    for (int16_t value : {ConsoleCursorRow(), ConsoleCursorColumn(), WindowStack.top, WindowStack.left,
                          WindowStack.bottom, WindowStack.right, top, left, bottom, right}) {
        record += ZeroPad(value, 2);
    }
    for (int16_t row = top; row <= bottom; ++row) {
        for (int16_t column = left; column <= right; ++column) {
            const ConsoleCell cell = ConsoleReadCell(row, column);
            record.push_back(static_cast<char>(cell.character));
            record.push_back(static_cast<char>(cell.attribute));
        }
    }
    record += ZeroPad(static_cast<int32_t>(record.size() + kLengthDigits), 5);
    return record;
}

// Appends the record after the newest one in the work file; false when the file
// cannot take it (the file is then as it was, or gone if this call created it).
bool WriteRecordToFile(const std::string& record) {
    const std::string path = SaveFilePath();
    const bool existed = PathExists(path);
    File file;
    if (!file.Open(path, FileReadWrite | FileCreate)) return false;
    const int64_t size = file.Size();
    int32_t position = ReadHeader(file, size);
    if (position == 0) position = kFirstPosition;
    const int64_t end = static_cast<int64_t>(position) + static_cast<int64_t>(record.size());
    const bool written = end <= INT32_MAX && file.Seek(position - 1) && file.Write(record) && file.Seek(0) &&
                         file.Write(HeaderBytes(static_cast<int32_t>(end)));
    file.Close();
    if (!written && !existed) DeleteFile(path);
    return written;
}

// Reads the newest record of the work file when it is the window's own (the same
// head as remembered) and frees its place, deleting the file after the first
// record. Returns the empty text when the file is missing or the record damaged;
// the file is then left as it is.
std::string TakeRecordFromFile(const std::string& head) {
    const std::string path = SaveFilePath();
    File file;
    if (!file.Open(path, FileReadWrite)) return std::string();
    const int64_t size = file.Size();
    const int32_t end = ReadHeader(file, size);
    const size_t expected = kHeadLength + 2 * CellCount(head) + kLengthDigits;
    if (end < kFirstPosition + static_cast<int32_t>(kLengthDigits)) return std::string();
    std::string lengthDigits(kLengthDigits, '\0');
    if (!file.Seek(end - 1 - static_cast<int32_t>(kLengthDigits)) ||
        file.Read(lengthDigits.data(), kLengthDigits) != static_cast<int64_t>(kLengthDigits)) {
        return std::string();
    }
    const int32_t length = DigitsValue(lengthDigits, 0, kLengthDigits);
    if (length < 0 || static_cast<size_t>(length) != expected || end - length < kFirstPosition) return std::string();
    const int32_t start = end - length;
    std::string record(static_cast<size_t>(length), '\0');
    if (!file.Seek(start - 1) || file.Read(record.data(), length) != length) return std::string();
    if (record.compare(0, kHeadLength, head) != 0) return std::string();
    file.Seek(0);
    file.Write(HeaderBytes(start));
    file.Close();
    if (start < kFirstPosition + 1) DeleteFile(path);
    return record;
}

// Puts a record's cells back where they were saved; the console attribute ends
// as that of the last cell.
void RestoreCells(const std::string& record) {
    const int16_t top = HeadField(record, 6);
    const int16_t left = HeadField(record, 7);
    const int16_t bottom = HeadField(record, 8);
    const int16_t right = HeadField(record, 9);
    size_t offset = kHeadLength;
    uint8_t attribute = ConsoleAttribute();
    for (int16_t row = top; row <= bottom; ++row) {
        for (int16_t column = left; column <= right; ++column) {
            const ConsoleCell cell{static_cast<uint8_t>(record[offset]), static_cast<uint8_t>(record[offset + 1])};
            ConsoleWriteCell(row, column, cell);
            attribute = cell.attribute;
            offset += 2;
        }
    }
    ConsoleSetAttribute(attribute);
}

bool InsideScreen(int16_t row, int16_t column) {
    return row >= 1 && row <= ScreenRows() && row <= kLargestCoordinate && column >= 1 &&
           column <= ScreenColumns() && column <= kLargestCoordinate;
}

// With no window open only a work file that holds no record is removed.
void RemoveEmptySaveFile() {
    const std::string path = SaveFilePath();
    File file;
    if (!file.Open(path, FileRead)) return;
    const int64_t size = file.Size();
    const bool empty = size >= 0 && (size < kHeaderSize || ReadHeader(file, size) == kFirstPosition);
    file.Close();
    if (empty) DeleteFile(path);
}

}  // namespace

void OpenWindow(int16_t top, int16_t left, int16_t bottom, int16_t right) {
    if (!InsideScreen(top, left) || !InsideScreen(bottom, right) || top > bottom || left > right) return;
    std::string record = BuildRecord(top, left, bottom, right);
    if (WriteRecordToFile(record)) {
        record.resize(kHeadLength);
        savedWindows.push_back(SavedWindow{std::move(record), true});
    } else {
        savedWindows.push_back(SavedWindow{std::move(record), false});
    }
    WindowStack.top = top;
    WindowStack.left = left;
    WindowStack.bottom = bottom;
    WindowStack.right = right;
    ++WindowStack.depth;
}

void CloseWindow() {
    if (WindowStack.depth <= 0 || savedWindows.empty()) {
        RemoveEmptySaveFile();
        return;
    }
    SavedWindow saved = std::move(savedWindows.back());
    savedWindows.pop_back();
    --WindowStack.depth;
    const std::string& head = saved.record;
    const std::string record = saved.inFile ? TakeRecordFromFile(head.substr(0, kHeadLength)) : saved.record;
    if (!record.empty()) RestoreCells(record);
    WindowStack.top = HeadField(head, 2);
    WindowStack.left = HeadField(head, 3);
    WindowStack.bottom = HeadField(head, 4);
    WindowStack.right = HeadField(head, 5);
    ConsoleLocate(HeadField(head, 0), HeadField(head, 1));
}

void DrawWindowFrame(int16_t style) {
    if (WindowStack.depth == 0) return;
    // Top-left, top-right, bottom-left, bottom-right, horizontal, vertical.
    static constexpr char kFrames[3][6] = {
        {' ', ' ', ' ', ' ', ' ', ' '},
        {'\xDA', '\xBF', '\xC0', '\xD9', '\xC4', '\xB3'},  // single line
        {'\xC9', '\xBB', '\xC8', '\xBC', '\xCD', '\xBA'},  // double line
    };
    static constexpr char kNoFrame[6] = {0, 0, 0, 0, 0, 0};
    const char* frame = style >= 0 && style <= 2 ? kFrames[style] : kNoFrame;
    const WindowStackRecord& w = WindowStack;
    const size_t inside = w.right - w.left - 1 > 0 ? static_cast<size_t>(w.right - w.left - 1) : 0;
    ConsoleLocate(w.top, w.left);
    ConsoleWriteText(frame[0] + std::string(inside, frame[4]) + frame[1]);
    for (int16_t row = static_cast<int16_t>(w.top + 1); row < w.bottom; ++row) {
        ConsoleLocate(row, w.left);
        ConsoleWriteText(std::string(1, frame[5]));
        ConsoleWriteBlanks(static_cast<int16_t>(inside));
        ConsoleWriteText(std::string(1, frame[5]));
    }
    ConsoleLocate(w.bottom, w.left);
    ConsoleWriteText(frame[2] + std::string(inside, frame[4]) + frame[3]);
}

int16_t WindowFirstRow() { return WindowStack.depth > 0 ? static_cast<int16_t>(WindowStack.top + 1) : 1; }
int16_t WindowFirstColumn() { return WindowStack.depth > 0 ? static_cast<int16_t>(WindowStack.left + 1) : 1; }
int16_t WindowLastColumn() {
    return WindowStack.depth > 0 ? static_cast<int16_t>(WindowStack.right - 1) : ScreenColumns();
}

void ScrollArea(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t lines) {
    ConsoleScroll(static_cast<int16_t>(top + 1), static_cast<int16_t>(left + 1), static_cast<int16_t>(bottom + 1),
                  static_cast<int16_t>(right + 1), lines == 0 ? static_cast<int16_t>(-1) : lines);
}

void ResetWindowStack() {
    WindowStack = WindowStackRecord{};
    savedWindows.clear();
}

}  // namespace korvidan
