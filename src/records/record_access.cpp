// The file table layer over the record manager: positioning, stepping and reading by
// position, lock modes with their save stack, key lengths and sorting forms, and the
// wait with a notice while another station holds a record or a file.
#include "records/record_access.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

#include "config/run_context.h"
#include "platform/console.h"
#include "records/record_layout.h"
#include "records/record_manager.h"
#include "screen/notice.h"
#include "screen/window_stack.h"

namespace korvidan {

FileTableRecord FileTable;
std::string LockSaveStack;

namespace {

constexpr int16_t StatusKeyNotDefined = 1004;
constexpr int16_t StatusNoSlot = 1005;
constexpr int16_t NoticeRow = 24;

LockWaitPause Pause = nullptr;

void SleepMilliseconds(int32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// 1 to 10 001 milliseconds, so that stations waiting on the same record spread out.
int32_t RandomWait() {
    static std::mt19937 generator{std::random_device{}()};
    const double r = std::uniform_real_distribution<double>(0.0, 1.0)(generator);
    return static_cast<int32_t>(std::lround(10000.0 * r + 1.0));
}

std::string LockNotice() {
    const std::string& language = RunContext.language;
    if (language == "SPA") return "FICHERO BLOQUEADO. ESPERE UN MOMENTO.";
    if (language == "GLG") return "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO.";
    if (language == "OCI") return "FICH\xD4R BLOQUEJAT. ESPERATZ UN MOMENT.";  // FICHÈR
    return "FITXER BLOQUEJAT. ESPEREU UN MOMENT.";
}

// The reads that take a record lock when the slot locks.
bool TakesLockBias(int16_t operation) {
    return (operation >= 5 && operation <= 13) || operation == 19 ||
           (operation >= 22 && operation <= 24) || (operation >= 33 && operation <= 35);
}

// The slot of an open file; 0 when the file number is not in the table. File number 0
// names no file, though it matches a free slot.
int16_t OpenSlot(int16_t fileNumber) {
    const int16_t slot = FindFileSlot(fileNumber);
    return fileNumber != 0 && slot > 0 ? slot : 0;
}

int32_t RecordLengthOf(const FileSlotRecord& file) {
    return file.recordBlock == nullptr
               ? 0
               : std::clamp<int32_t>(file.recordLength, 0, RecordBufferSize);
}

int16_t KeyLengthOf(const std::string& keyText) {
    return static_cast<int16_t>(std::min<size_t>(keyText.size(), MaxKeyLength));
}

// The first (length of keyText) bytes of a returned key buffer, also after stepping or
// reading by position: not cut at a byte 0, which a binary key's value may hold, so the
// key keeps its length and its value.
void TakeKeyText(FileSlotRecord& file, const uint8_t* keyBuffer) {
    file.keyText.assign(reinterpret_cast<const char*>(keyBuffer), KeyLengthOf(file.keyText));
}

void CopyToRecordBlock(FileSlotRecord& file, const uint8_t* data, int32_t dataLength) {
    const int32_t count =
        std::min(std::clamp<int32_t>(dataLength, 0, RecordBufferSize), RecordLengthOf(file));
    if (count > 0) std::memcpy(file.recordBlock, data, static_cast<size_t>(count));
}

// A statistics call on the slot's file, the data buffer holding fill bytes of code 0
// and blanks after them; the returned layout in bytes.
int16_t StatisticsCall(FileSlotRecord& file, int32_t zeros, std::string& bytes) {
    uint8_t data[RecordBufferSize];
    std::memset(data, ' ', sizeof data);
    std::memset(data, 0, static_cast<size_t>(std::clamp<int32_t>(zeros, 0, RecordBufferSize)));
    uint8_t key[KeyBufferSize];
    std::memset(key, ' ', sizeof key);
    int32_t dataLength = RecordBufferSize;
    const int16_t status =
        CallRecordManager(OpStatistics, file.positionBlock, data, dataLength, key, MaxKeyLength, 0);
    bytes.assign(reinterpret_cast<const char*>(data),
                 static_cast<size_t>(std::clamp<int32_t>(dataLength, 0, RecordBufferSize)));
    return status;
}

// The layout of an open file as its two statistics calls give it; false when the record
// manager gives none that can be read.
bool ReadLayout(FileSlotRecord& file, RecordLayout& layout) {
    std::string bytes;
    if (StatisticsCall(file, 0, bytes) != StatusOk || bytes.size() < 4) return false;
    const int32_t pageSize = static_cast<uint8_t>(bytes[2]) | (static_cast<uint8_t>(bytes[3]) << 8);
    if (StatisticsCall(file, pageSize, bytes) != StatusOk) return false;
    return ParseRecordLayout(reinterpret_cast<const uint8_t*>(bytes.data()),
                             static_cast<int32_t>(bytes.size()), false, layout) == StatusOk;
}

}  // namespace

int16_t FindFileSlot(int16_t fileNumber) {
    for (int16_t slot = 1; slot <= FileSlotCount; ++slot)
        if (FileTable.slot[slot].fileNumber == fileNumber) return slot;
    for (int16_t slot = FileSlotCount; slot >= 1; --slot)
        if (FileTable.slot[slot].fileNumber == 0) return static_cast<int16_t>(-slot);
    return 0;
}

void RecordCall(int16_t slot, int16_t& operation, int16_t& status) {
    if (slot < 1 || slot > FileSlotCount) {
        status = StatusFileNotOpen;
        return;
    }
    FileSlotRecord& file = FileTable.slot[slot];
    if (file.lockMode != 0 && TakesLockBias(operation))
        operation = static_cast<int16_t>(operation + RecordLockBias);
    int attempts = 0;
    for (;;) {
        if (attempts == 1) {
            std::string notice = LockNotice();
            ShowNotice(NoticeRow, notice);
        }
        uint8_t data[RecordBufferSize];
        std::memset(data, ' ', sizeof data);
        int32_t dataLength = RecordLengthOf(file);
        if (dataLength > 0) std::memcpy(data, file.recordBlock, static_cast<size_t>(dataLength));
        // After the key value: 0 for greater (or equal), 255 for less (or equal), blanks
        // otherwise, so that a short key value finds the first or last record it begins.
        uint8_t key[KeyBufferSize];
        const int16_t keyLength = KeyLengthOf(file.keyText);
        const uint8_t fill = operation == 8 || operation == 9     ? 0
                             : operation == 10 || operation == 11 ? 255
                                                                  : ' ';
        std::memset(key, fill, sizeof key);
        std::memcpy(key, file.keyText.data(), static_cast<size_t>(keyLength));
        status = CallRecordManager(operation, file.positionBlock, data, dataLength, key, keyLength,
                                   file.keyNumber);
        CopyToRecordBlock(file, data, dataLength);
        TakeKeyText(file, key);
        if ((status == StatusRecordBusy || status == StatusFileBusy) && file.lockMode == 1) {
            // The pause reads no input, so the notice is put on the terminal first.
            ConsoleFlush();
            (Pause != nullptr ? Pause : SleepMilliseconds)(RandomWait());
            if (attempts < 2) ++attempts;
            continue;
        }
        break;
    }
    if (attempts != 0) CloseWindow();
}

void SeekKey(int16_t fileNumber, int16_t keyNumber, const std::string& keyValue, int16_t mode,
             int16_t& status) {
    const int16_t slot = OpenSlot(fileNumber);
    if (slot == 0) {
        status = StatusFileNotOpen;
        return;
    }
    int16_t keyLength = 0;
    int16_t recordLength = 0;
    GetKeyInfo(fileNumber, keyNumber, keyLength, recordLength);
    if (keyLength == 0) {
        status = StatusKeyNotDefined;
        return;
    }
    FileSlotRecord& file = FileTable.slot[slot];
    file.keyNumber = keyNumber;
    file.keyText = (keyValue + std::string(static_cast<size_t>(keyLength), '\0'))
                       .substr(0, static_cast<size_t>(keyLength));
    int16_t operation = mode < 0 ? OpGetLessOrEqual : mode == 0 ? OpGetEqual : OpGetGreaterOrEqual;
    status = StatusOk;
    RecordCall(slot, operation, status);
    if (status == StatusDataBufferShort) status = StatusOk;
}

void MoveRecords(int16_t fileNumber, int16_t count, int16_t& status) {
    const int16_t slot = OpenSlot(fileNumber);
    if (slot == 0) {
        status = StatusFileNotOpen;
        return;
    }
    FileSlotRecord& file = FileTable.slot[slot];
    int16_t operation = count >= 0 ? OpGetNext : OpGetPrevious;
    status = StatusOk;
    int32_t n = std::abs(static_cast<int32_t>(count));
    // The records between are stepped over without touching the record block.
    uint8_t key[KeyBufferSize] = {};
    while (n > 1 && status == StatusOk) {
        uint8_t data[RecordBufferSize] = {};
        int32_t dataLength = RecordBufferSize;
        const auto keyLength =
            static_cast<int16_t>(strnlen(reinterpret_cast<const char*>(key), MaxKeyLength));
        status = CallRecordManager(operation, file.positionBlock, data, dataLength, key, keyLength,
                                   file.keyNumber);
        TakeKeyText(file, key);
        if (status == StatusDataBufferShort) status = StatusOk;
        --n;
    }
    if (n != 0 && status == StatusOk) {
        RecordCall(slot, operation, status);
        if (status == StatusDataBufferShort) status = StatusOk;
    }
}

int32_t RecordPosition(int16_t fileNumber, int32_t position) {
    const int16_t slot = OpenSlot(fileNumber);
    if (slot == 0) return StatusFileNotOpen;
    FileSlotRecord& file = FileTable.slot[slot];
    uint8_t data[RecordBufferSize];
    std::memset(data, ' ', sizeof data);
    std::memcpy(data, &position, sizeof position);  // little-endian, as the record manager keeps it
    int32_t dataLength = RecordBufferSize;
    uint8_t key[KeyBufferSize] = {};
    if (position == 0) {
        const int16_t status =
            CallRecordManager(OpGetPosition, file.positionBlock, data, dataLength, key, 0, 0);
        if (status != StatusOk) return 0;
        int32_t found;
        std::memcpy(&found, data, sizeof found);
        return found;
    }
    int16_t status = CallRecordManager(OpGetDirect, file.positionBlock, data, dataLength, key, 0,
                                       file.keyNumber);
    TakeKeyText(file, key);
    if (status == StatusDataBufferShort) status = StatusOk;
    if (status == StatusOk) CopyToRecordBlock(file, data, dataLength);
    return status;
}

void SetLockMode(int16_t fileNumber, const std::string& letters, int16_t& status) {
    const int16_t slot = OpenSlot(fileNumber);
    if (slot == 0) {
        status = StatusFileNotOpen;
        return;
    }
    FileSlotRecord& file = FileTable.slot[slot];
    for (const char letter : letters) {
        switch (letter) {
            case 'D':
            case 'd':
                file.lockMode = 0;
                break;
            case 'A':
            case 'a':
                file.lockMode = 1;
                break;
            case 'B':
            case 'b':
                file.lockMode = 2;
                break;
            case '+':
                LockSaveStack.push_back(static_cast<char>(slot));
                LockSaveStack.push_back(static_cast<char>(file.lockMode));
                break;
            case '-':
                for (size_t at = LockSaveStack.size(); at >= 2; at -= 2) {
                    if (static_cast<uint8_t>(LockSaveStack[at - 2]) == slot) {
                        file.lockMode = static_cast<uint8_t>(LockSaveStack[at - 1]);
                        LockSaveStack.erase(at - 2, 2);
                        break;
                    }
                }
                break;
            default:
                break;
        }
    }
}

void GetKeyInfo(int16_t fileNumber, int16_t keyNumber, int16_t& keyLength, int16_t& recordLength) {
    keyLength = 0;
    recordLength = 0;
    const int16_t slot = OpenSlot(fileNumber);
    if (slot == 0) return;
    FileSlotRecord& file = FileTable.slot[slot];
    std::string bytes;
    if (StatisticsCall(file, 0, bytes) != StatusOk || bytes.size() < 6) return;
    const auto word = [&bytes](size_t at) {
        return static_cast<int32_t>(static_cast<uint8_t>(bytes[at]) |
                                    (static_cast<uint8_t>(bytes[at + 1]) << 8));
    };
    recordLength = static_cast<int16_t>(word(0));
    if (keyNumber < 0 || keyNumber >= word(4)) return;
    RecordLayout layout;
    if (StatisticsCall(file, word(2), bytes) != StatusOk ||
        ParseRecordLayout(reinterpret_cast<const uint8_t*>(bytes.data()),
                          static_cast<int32_t>(bytes.size()), false, layout) != StatusOk ||
        static_cast<size_t>(keyNumber) >= layout.keys.size())
        return;
    keyLength = static_cast<int16_t>(layout.keys[static_cast<size_t>(keyNumber)].length);
}

std::string CollatingKey(const std::string& keyValue, int16_t fileNumber) {
    const int16_t slot = OpenSlot(fileNumber);
    if (slot == 0) return keyValue;
    FileSlotRecord& file = FileTable.slot[slot];
    RecordLayout layout;
    if (!ReadLayout(file, layout)) return keyValue;
    return CollatingForm(layout, file.keyNumber, keyValue);
}

std::string CurrentKeyText(int16_t fileNumber) {
    const int16_t slot = OpenSlot(fileNumber);
    if (slot == 0) return {};
    return CollatingKey(FileTable.slot[slot].keyText, fileNumber);
}

int16_t OpenDataFile(int16_t fileNumber, const std::string& path, uint8_t* recordBlock,
                     int32_t recordLength, int16_t keyNumber, int16_t lockMode) {
    const int16_t found = FindFileSlot(fileNumber);
    if (fileNumber == 0 || found >= 0 || recordLength < 0 || recordLength > RecordBufferSize ||
        (recordBlock == nullptr && recordLength > 0))
        return StatusNoSlot;
    const int16_t slot = static_cast<int16_t>(-found);
    FileSlotRecord& file = FileTable.slot[slot];
    file = FileSlotRecord{};
    if (path.empty() || path.size() > MaxKeyLength) return StatusKeyBufferLength;
    uint8_t key[KeyBufferSize] = {};
    std::memcpy(key, path.data(), path.size());
    int32_t dataLength = 0;
    const int16_t status = CallRecordManager(OpOpen, file.positionBlock, nullptr, dataLength, key,
                                             static_cast<int16_t>(path.size()), keyNumber);
    if (status != StatusOk) {
        file = FileSlotRecord{};
        return status;
    }
    file.fileNumber = fileNumber;
    file.recordBlock = recordBlock;
    file.recordLength = recordLength;
    file.keyNumber = keyNumber;
    file.lockMode = lockMode;
    int16_t keyLength = 0;
    int16_t fileRecordLength = 0;
    GetKeyInfo(fileNumber, keyNumber, keyLength, fileRecordLength);
    if (keyLength == 0) {
        CloseDataFile(fileNumber);
        return StatusKeyNotDefined;
    }
    file.keyText.assign(static_cast<size_t>(keyLength), '\0');
    return StatusOk;
}

int16_t CloseDataFile(int16_t fileNumber) {
    const int16_t slot = OpenSlot(fileNumber);
    if (slot == 0) return StatusFileNotOpen;
    FileSlotRecord& file = FileTable.slot[slot];
    uint8_t key[KeyBufferSize] = {};
    int32_t dataLength = 0;
    const int16_t status =
        CallRecordManager(OpClose, file.positionBlock, nullptr, dataLength, key, 0, 0);
    file = FileSlotRecord{};
    // Saved lock modes of this slot belong to the file that is gone.
    for (size_t at = 0; at + 1 < LockSaveStack.size();) {
        if (static_cast<uint8_t>(LockSaveStack[at]) == slot)
            LockSaveStack.erase(at, 2);
        else
            at += 2;
    }
    return status;
}

void SetLockWaitPause(LockWaitPause pause) {
    Pause = pause;
}

void ResetFileTable() {
    FileTable = FileTableRecord{};
    LockSaveStack.clear();
    Pause = nullptr;
}

}  // namespace korvidan
