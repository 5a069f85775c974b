// The file table of open data files and the record calls made over it, with the
// wait on records and files that another station holds locked.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

// The size of the data buffer and of the key buffer of every record call.
constexpr int32_t RecordBufferSize = 1536;
constexpr int16_t KeyBufferSize = 256;
// How many data files can be open at once (slots 1 to FileSlotCount).
constexpr int16_t FileSlotCount = 40;

// One open data file as the system knows it.
struct FileSlotRecord {
    int16_t fileNumber = 0;           // the system's number of the file; 0 marks a free slot
    uint8_t positionBlock[128] = {};  // the record manager's; never read here
    uint8_t* recordBlock = nullptr;   // the caller's record variable
    int32_t recordLength = 0;         // its length, at most RecordBufferSize
    int16_t keyNumber = 0;            // the key the file is read along
    std::string keyText;              // the current key value; its length is the key length sent
    int16_t lockMode = 0;             // 0 no locks, 1 lock and wait, 2 lock and report busy
};

// The open data files: slot[1] to slot[FileSlotCount] (slot[0] is not used).
struct FileTableRecord {
    FileSlotRecord slot[FileSlotCount + 1];
};
extern FileTableRecord FileTable;

// Pairs of bytes (slot number, saved lock mode) pushed by SetLockMode "+".
extern std::string LockSaveStack;

// The slot holding fileNumber; if none, minus the highest free slot; 0 when none is free.
int16_t FindFileSlot(int16_t fileNumber);
// The central record call: adds the lock bias to operation when the slot locks, waits
// and retries on a busy record or file in lock mode 1 (with the notice), and copies
// the returned record into the record block and the key into keyText.
void RecordCall(int16_t slot, int16_t& operation, int16_t& status);
// Positions the file on a key value (mode < 0 less or equal, 0 equal, > 0 greater or
// equal) and reads that record into the record block.
void SeekKey(int16_t fileNumber, int16_t keyNumber, const std::string& keyValue, int16_t mode,
             int16_t& status);
// Moves count records along the current key (negative = backward) and reads the last.
void MoveRecords(int16_t fileNumber, int16_t count, int16_t& status);
// With position 0, the physical position of the current record (0 on an error, 3 when
// the file is not open); otherwise reads the record at that position and gives the status.
int32_t RecordPosition(int16_t fileNumber, int32_t position);
// Applies lock-mode letters: D none, A wait, B report busy, + save, - restore.
void SetLockMode(int16_t fileNumber, const std::string& letters, int16_t& status);
// The length of a key and of the records of an open file (both 0 when unknown).
void GetKeyInfo(int16_t fileNumber, int16_t keyNumber, int16_t& keyLength, int16_t& recordLength);
// A key value of the file's current key in its sorting form.
std::string CollatingKey(const std::string& keyValue, int16_t fileNumber);
// The current key value in sorting form; empty when the file is not open.
std::string CurrentKeyText(int16_t fileNumber);

// Opens a data file through the record manager and registers it in a free slot, its
// keyText the key's length of bytes 0: 0, the record manager's status, 21 for a path
// longer than 255, 1004 when keyNumber is not a key of the file (it is closed again),
// or 1005 for file number 0 or one already open, when every slot is taken, or when the
// record block is longer than RecordBufferSize.
int16_t OpenDataFile(int16_t fileNumber, const std::string& path, uint8_t* recordBlock,
                     int32_t recordLength, int16_t keyNumber, int16_t lockMode);
// Closes a registered data file and frees its slot: 0, or 3 when it is not open.
int16_t CloseDataFile(int16_t fileNumber);

// The pause between attempts on a busy record; tests put an instant one in place
// (nullptr puts the real pause back).
using LockWaitPause = void (*)(int32_t milliseconds);
void SetLockWaitPause(LockWaitPause pause);

// Empties the file table and the lock save stack as a new process has them.
void ResetFileTable();

}  // namespace korvidan
