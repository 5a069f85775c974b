// The companion lock file of a data file (its path + ".lck"): single-record locks that
// every process on the machine sees, and a change counter that tells a reader whether
// anyone has written to the data file since it last looked.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

struct LockFileRecord {
    int descriptor = -1;
    uint64_t* counters = nullptr;  // the mapped first page: writes begun, writes ended
};

// Opens (creating) the lock file beside the data file at a Linux path and joins the
// file's openers; false when it cannot be opened or mapped.
bool OpenLockFile(const std::string& dataPath, LockFileRecord& lockFile);
// Leaves the file's openers; every lock taken through it is released.
void CloseLockFile(LockFileRecord& lockFile);
// Takes the lock of the record at a position without waiting; false when another
// open lock file holds it. Locks belong to the open file, not to the process, so that
// no other descriptor's close can drop them, and end with the process.
bool LockRecord(LockFileRecord& lockFile, uint32_t position);
void UnlockRecord(LockFileRecord& lockFile, uint32_t position);
// Mark the start and the end of a write to the data file.
void BeginChange(LockFileRecord& lockFile);
void EndChange(LockFileRecord& lockFile);
// A stamp that stays the same as long as nobody writes; 0 while a write is under way
// (or one was cut off by a killed process and no opener has cleared it yet).
uint64_t ChangeStamp(const LockFileRecord& lockFile);

}  // namespace korvidan
