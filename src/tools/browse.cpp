// The browse list: a framed window of display lines over a data file, scrolled up,
// down, by page and sideways. Lines are read from the data file only when the user
// moves past the last one read, and every line read is kept in Browse.tmp with a
// link to the one before it, so that going back reads only the cache.
#include "tools/browse.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "config/run_context.h"
#include "datetime/text.h"
#include "forms/form_engine.h"
#include "forms/form_set.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "platform/files.h"
#include "records/record_access.h"
#include "screen/colour.h"
#include "screen/window_stack.h"

namespace korvidan {

namespace {

int16_t DefaultBeforeBrowse(int16_t, std::string&, std::string&) { return 0; }
std::string DefaultBrowseLine(int16_t) { return std::string(); }

}  // namespace

std::function<int16_t(int16_t, std::string&, std::string&)> BeforeBrowseHook = DefaultBeforeBrowse;
std::function<std::string(int16_t)> BrowseLineHook = DefaultBrowseLine;
int32_t PickedValue = 0;
std::string PickedLine;

namespace {

// Frame characters of the heading line; bytes 17 and 16 show as the arrows.
constexpr char kCornerLeft = '\xC9';   // ╔
constexpr char kCornerRight = '\xBB';  // ╗
constexpr char kFrameLine = '\xCD';    // ═
constexpr char kMoreLeft = '\x11';     // ◄
constexpr char kMoreRight = '\x10';    // ►

// Columns the list moves sideways by.
constexpr int16_t kSideStep = 8;
// How long reading ahead goes on before it looks for an Esc from the user: the console
// reads input only by waiting a little, so looking after every record would slow down
// every page, and would swallow keys typed ahead.
constexpr std::chrono::milliseconds kEscCheckInterval{200};

// One cache entry: the link to the entry before it (0 for the first), the record's
// position in the data file, and the display line.
struct CacheEntry {
    int32_t previous = 0;
    int32_t recordPosition = 0;
    std::string line;
};
constexpr int32_t kHeaderSize = 10;

void PutInt(std::string& bytes, int64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

int64_t GetInt(const std::string& bytes, size_t offset, int size) {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= static_cast<uint64_t>(static_cast<uint8_t>(bytes[offset + i])) << (8 * i);
    // Sign-extend from the field's width.
    const uint64_t sign = uint64_t{1} << (8 * size - 1);
    return static_cast<int64_t>((value ^ sign) - sign);
}

// Browse.tmp, read and appended at positions counted from 1. When the file cannot be
// opened the entries are kept in memory instead, so the list still works.
struct BrowseCache {
    File file;
    bool inMemory = false;
    std::string memory;

    int64_t Size() const { return inMemory ? static_cast<int64_t>(memory.size()) : std::max<int64_t>(file.Size(), 0); }

    std::string Read(int64_t position, int64_t count) {
        if (count <= 0 || position < 1) return std::string();
        if (inMemory) {
            if (position > static_cast<int64_t>(memory.size())) return std::string();
            return memory.substr(static_cast<size_t>(position - 1), static_cast<size_t>(count));
        }
        std::string bytes(static_cast<size_t>(count), '\0');
        if (!file.Seek(position - 1)) return std::string();
        const int64_t got = file.Read(bytes.data(), count);
        bytes.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
        return bytes;
    }

    void Append(const std::string& bytes) {
        if (!inMemory && file.Seek(Size()) && file.Write(bytes)) return;
        // A failed write: carry on in memory with everything written so far.
        if (!inMemory) {
            memory = Read(1, Size());
            inMemory = true;
        }
        memory += bytes;
    }
};

// Reads the entry at a position: false when no whole header is there. A line cut
// short by the end of the file gives what there is; a link that does not point
// strictly backwards (a damaged file) counts as none, so that going back always ends.
bool ReadEntry(BrowseCache& cache, int32_t position, CacheEntry& entry, int32_t& next) {
    const std::string header = cache.Read(position, kHeaderSize);
    if (header.size() < static_cast<size_t>(kHeaderSize)) return false;
    entry.previous = static_cast<int32_t>(GetInt(header, 0, 4));
    if (entry.previous < 1 || entry.previous >= position) entry.previous = 0;
    entry.recordPosition = static_cast<int32_t>(GetInt(header, 4, 4));
    const int32_t length = std::max<int32_t>(static_cast<int32_t>(GetInt(header, 8, 2)), 0);
    entry.line = cache.Read(static_cast<int64_t>(position) + kHeaderSize, length);
    next = static_cast<int32_t>(std::min<int64_t>(int64_t{position} + kHeaderSize + length, INT32_MAX));
    return true;
}

// The state of one running list.
struct BrowseList {
    int16_t browseNo = 0;
    BrowseDef def;
    int16_t visible = 0;  // lines inside the frame
    int16_t width = 0;    // columns inside the frame
    BrowseCache cache;

    CacheEntry current;           // the entry under the cursor
    int32_t currentPosition = 1;  // its cache position
    int32_t position = 1;         // the cache position reached (after the last entry read)
    int32_t lastWritten = 0;      // the newest entry written
    int32_t pageStart = 1;
    int32_t nextPage = 0;  // after the last entry on the screen; 0 when the list ends there
    int16_t cursorRow = 1;
    int16_t columnOffset = 1;
    int16_t widestOverflow = 0;
    bool started = false;
    bool exhausted = false;  // no further record will be read from the data file
    bool atFirst = true;
    bool atEnd = false;
    std::string startKey;
    std::string endKey;
};

// Whether the data file's current key has passed the end key (never for an empty one).
bool PastEndKey(const BrowseList& list) {
    if (list.endKey.empty()) return false;
    return CurrentKeyText(list.def.fileNo).substr(0, list.endKey.size()) > list.endKey;
}

// Whether the user has typed Esc; any other key read here is dropped.
bool EscTyped() {
    int16_t key = 0;
    int16_t button = 0;
    int16_t row = 0;
    int16_t column = 0;
    ReadKeyEvent(key, button, row, column);
    return key == KeyEsc;
}

// Reads records from the data file until one gives a line, which is appended to the
// cache and becomes the current entry; true when one did.
bool ReadAhead(BrowseList& list) {
    const int16_t fileNo = list.def.fileNo;
    int16_t status = 0;
    if (!list.started) {
        list.started = true;
        SeekKey(fileNo, list.def.keyNo, list.startKey, 1, status);
        // An empty end key stays empty (no end): the sorting form of a binary segment
        // would pad it into a key that every record passes.
        if (!list.endKey.empty()) list.endKey = CollatingKey(list.endKey, fileNo);
        if (status != 0 || PastEndKey(list)) {
            list.exhausted = true;
            return false;
        }
    }
    auto lastCheck = std::chrono::steady_clock::now();
    for (;;) {
        std::string line = TrimRightBlanks(BrowseLineHook(list.browseNo));
        const bool listed = !line.empty();
        if (listed) {
            if (line.size() > INT16_MAX) line.resize(INT16_MAX);
            CacheEntry entry{list.lastWritten, RecordPosition(fileNo, 0), line};
            const auto at = static_cast<int32_t>(list.cache.Size() + 1);
            std::string bytes;
            PutInt(bytes, entry.previous, 4);
            PutInt(bytes, entry.recordPosition, 4);
            PutInt(bytes, static_cast<int64_t>(line.size()), 2);
            list.cache.Append(bytes + line);
            list.current = std::move(entry);
            list.currentPosition = at;
            list.lastWritten = at;
            list.position = at + kHeaderSize + static_cast<int32_t>(line.size());
        }
        MoveRecords(fileNo, 1, status);
        bool stop = status != 0 || PastEndKey(list);
        const auto now = std::chrono::steady_clock::now();
        if (!stop && now - lastCheck >= kEscCheckInterval) {
            lastCheck = now;
            stop = EscTyped();
        }
        if (stop) {
            list.exhausted = true;
            return listed;
        }
        if (listed) return true;
    }
}

// Makes the entry at the position reached the current one, reading ahead from the data
// file at the end of the cache; false when there is none (the current entry stays).
bool FetchEntry(BrowseList& list) {
    const int32_t at = list.position;
    CacheEntry entry;
    int32_t next = 0;
    bool got = false;
    if (ReadEntry(list.cache, at, entry, next)) {
        list.current = std::move(entry);
        list.currentPosition = at;
        list.position = next;
        got = true;
    } else if (!list.exhausted) {
        got = ReadAhead(list);
    }
    list.atFirst = list.current.previous == 0;
    list.atEnd = list.exhausted && (!got || list.position > list.cache.Size());
    return got;
}

// Moves the current entry by count entries, stopping at either end; the number moved.
int32_t MoveEntries(BrowseList& list, int32_t count) {
    int32_t moved = 0;
    for (int32_t step = 0; step < std::abs(count); ++step) {
        if (count < 0) {
            if (list.current.previous == 0) {
                list.atFirst = true;
                break;
            }
            list.position = list.current.previous;
        }
        if (!FetchEntry(list)) break;
        ++moved;
        if (list.atEnd) break;
    }
    return moved;
}

// Writes a line at a window row from the column offset, blank-filled to the width.
void WriteLine(const BrowseList& list, int16_t row, const std::string& line) {
    std::string shown;
    if (static_cast<size_t>(list.columnOffset) <= line.size())
        shown = line.substr(static_cast<size_t>(list.columnOffset - 1), static_cast<size_t>(list.width));
    shown.resize(static_cast<size_t>(list.width), ' ');
    LocateInWindow(row, 1);
    ConsoleWriteText(shown);
}

// Draws the heading into the upper frame line, with arrows where the lines go on.
void DrawHeading(const BrowseList& list) {
    const std::string& heading = list.def.heading;
    SetColourMode("+n");
    LocateInWindow(0, 0);
    std::string text(1, list.columnOffset == 1 ? kCornerLeft : kMoreLeft);
    for (int32_t place = list.columnOffset; place < list.columnOffset + list.width; ++place) {
        const char c = place <= static_cast<int32_t>(heading.size()) ? heading[static_cast<size_t>(place - 1)] : ' ';
        text += c == '_' ? ' ' : c == ' ' ? kFrameLine : c;
    }
    const bool more = list.widestOverflow >= list.columnOffset ||
                      static_cast<int32_t>(heading.size()) >= list.columnOffset + list.width;
    text += more ? kMoreRight : kCornerRight;
    ConsoleWriteText(text);
    SetColourMode("-");
}

// Draws the page that starts at the position reached and comes back to the current
// entry, whose row the cursor takes.
void DrawPage(BrowseList& list) {
    const int32_t remembered = list.currentPosition;
    list.pageStart = list.position;
    int16_t rowOfCurrent = 0;
    int16_t lastRow = 0;
    for (int16_t row = 1; row <= list.visible; ++row) {
        const bool got = FetchEntry(list);
        if (got) {
            lastRow = row;
            if (list.currentPosition == remembered) rowOfCurrent = row;
            WriteLine(list, row, list.current.line);
            const int32_t overflow = static_cast<int32_t>(list.current.line.size()) - list.width;
            list.widestOverflow = static_cast<int16_t>(std::clamp<int32_t>(overflow, list.widestOverflow, INT16_MAX));
        }
        if (list.atEnd) {
            for (int16_t blank = static_cast<int16_t>(lastRow + 1); blank <= list.visible; ++blank) {
                LocateInWindow(blank, 1);
                ConsoleWriteBlanks(list.width);
            }
            break;
        }
    }
    list.nextPage = list.atEnd ? 0 : list.position;
    if (rowOfCurrent > 0) {
        list.cursorRow = rowOfCurrent;
    } else {
        list.cursorRow = std::clamp<int16_t>(list.cursorRow, 1, std::max<int16_t>(lastRow, 1));
    }
    list.position = remembered;
    FetchEntry(list);
}

// Steps back from the page start through up to a page of links.
void StepBackOnePage(BrowseList& list) {
    list.position = list.pageStart;
    for (int16_t left = list.visible; left > 0; --left) {
        CacheEntry entry;
        int32_t next = 0;
        if (!ReadEntry(list.cache, list.position, entry, next) || entry.previous == 0) {
            list.position = 1;
            return;
        }
        list.position = entry.previous;
    }
}

// Acts on a navigation key; false for a key that leaves the list.
bool Navigate(BrowseList& list, int16_t key) {
    switch (key) {
        case KeyLeft:
            if (list.columnOffset > 1) {
                list.columnOffset = static_cast<int16_t>(list.columnOffset - kSideStep);
                DrawHeading(list);
                list.position = list.pageStart;
                DrawPage(list);
            }
            return true;
        case KeyRight:
            if (list.columnOffset <= list.widestOverflow && list.columnOffset <= INT16_MAX - kSideStep) {
                list.columnOffset = static_cast<int16_t>(list.columnOffset + kSideStep);
                DrawHeading(list);
                list.position = list.pageStart;
                DrawPage(list);
            }
            return true;
        case KeyUp:
            if (!list.atFirst && MoveEntries(list, -1) == 1) {
                if (list.cursorRow > 1) {
                    --list.cursorRow;
                } else {
                    list.position = list.currentPosition;
                    DrawPage(list);
                }
            }
            return true;
        case KeyDown:
            if (!list.atEnd && MoveEntries(list, 1) == 1) {
                if (list.cursorRow < list.visible) {
                    ++list.cursorRow;
                } else {
                    CacheEntry first;
                    int32_t next = list.pageStart;
                    ReadEntry(list.cache, list.pageStart, first, next);
                    list.position = next;
                    DrawPage(list);
                }
            }
            return true;
        case KeyPgUp:
            if (list.pageStart > 1) {
                MoveEntries(list, -list.visible);
                StepBackOnePage(list);
                DrawPage(list);
            }
            return true;
        case KeyPgDn:
            if (list.nextPage > 0) {
                MoveEntries(list, list.visible);
                // When nothing follows the page after all, the cursor goes to its last line.
                list.position = list.currentPosition >= list.nextPage ? list.nextPage : list.pageStart;
                DrawPage(list);
            }
            return true;
        default:
            return false;
    }
}

// Shows the list and reads keys until one leaves it; that key. The heading is drawn
// again whenever a wider line has come into view, so its arrow tells the truth.
int16_t RunKeyLoop(BrowseList& list) {
    DrawHeading(list);
    list.position = 1;
    DrawPage(list);
    int16_t headingOverflow = 0;
    for (;;) {
        if (list.widestOverflow != headingOverflow) {
            headingOverflow = list.widestOverflow;
            DrawHeading(list);
        }
        SetColourMode("u");
        WriteLine(list, list.cursorRow, list.current.line);
        int16_t key = 0;
        WaitKey(key);
        SetColourMode("h");
        WriteLine(list, list.cursorRow, list.current.line);
        if (!Navigate(list, key)) return key;
    }
}

std::string CachePath() { return RunContext.tempDir + "Browse.tmp"; }

}  // namespace

void RunBrowse(int16_t& browseNo, int16_t& status) {
    BrowseList list;
    list.browseNo = browseNo;
    list.def = BrowseAt(browseNo);
    const int16_t fileNo = list.def.fileNo;

    if (list.def.filterForm != 0) {
        int16_t formNo = list.def.filterForm;
        int16_t exitAtTop = 0;
        int16_t exitAtBottom = 0;
        int16_t key = 0;
        RunForm(formNo, exitAtTop, exitAtBottom, key);
        if (key == KeyEsc) {
            status = -1;
            return;
        }
    }
    status = BeforeBrowseHook(browseNo, list.startKey, list.endKey);
    if (status != 0) return;

    int16_t lockStatus = 0;
    if (fileNo > 0) SetLockMode(fileNo, "+d", lockStatus);
    const WindowRect& window = list.def.window;
    SetColourMode("+n");
    const int16_t depthBefore = WindowStack.depth;
    OpenWindow(window.top, window.left, window.bottom, window.right);
    list.visible = static_cast<int16_t>(window.bottom - window.top - 1);
    list.width = static_cast<int16_t>(window.right - window.left - 1);
    if (WindowStack.depth == depthBefore || list.visible < 1 || list.width < 1) {
        // A window that does not fit the screen (or has no inside) shows no list.
        if (WindowStack.depth != depthBefore) CloseWindow();
        SetColourMode("-");
        if (fileNo > 0) SetLockMode(fileNo, "-", lockStatus);
        status = -1;
        return;
    }
    DrawWindowFrame(2);
    SetColourMode("h");
    SetKeyMap("+ea", "d,1b,4800,5000,4900,5100,4b00,4d00");
    if (list.def.nextBrowse != 0) SetKeyMap("a", "3e00");

    list.exhausted = fileNo == 0;
    const std::string cachePath = CachePath();
    const unsigned mode = FileReadWrite | FileCreate | (fileNo != 0 ? FileTruncate : 0u);
    list.cache.inMemory = !list.cache.file.Open(cachePath, mode);

    const int16_t key = RunKeyLoop(list);

    status = -1;
    if (key == KeyEnter) {
        if (fileNo == 0) {
            PickedValue = list.current.recordPosition;
            PickedLine = list.current.line;
            status = 0;
        } else if (list.current.recordPosition != 0) {
            status = static_cast<int16_t>(RecordPosition(fileNo, list.current.recordPosition));
        }
    }
    list.cache.file.Close();
    DeleteFile(cachePath);

    if (key == KeyF4 && list.def.nextBrowse != 0) {
        int16_t further = list.def.nextBrowse;
        RunBrowse(further, status);
        if (status == 0) {
            int16_t fieldNo = 0;
            AfterBrowseHook(further, 0, fieldNo);
        }
    }
    SetKeyMap("-", "");
    CloseWindow();
    SetColourMode("-");
    if (fileNo > 0) SetLockMode(fileNo, "-", lockStatus);
}

void RegisterBrowseList() { BrowseListHandler = RunBrowse; }

void ResetBrowseState() {
    BeforeBrowseHook = DefaultBeforeBrowse;
    BrowseLineHook = DefaultBrowseLine;
    PickedValue = 0;
    PickedLine.clear();
}

}  // namespace korvidan
