// The record manager: data files of fixed-layout records read along keys, each
// stored as one SQLite database, behind the single call of the suite's convention.
#pragma once

#include <cstdint>

namespace korvidan {

// Operation codes; a read + RecordLockBias also takes a single-record no-wait lock.
enum RecordOperation : int16_t {
    OpOpen = 0,
    OpClose = 1,
    OpInsert = 2,
    OpUpdate = 3,
    OpDelete = 4,
    OpGetEqual = 5,
    OpGetNext = 6,
    OpGetPrevious = 7,
    OpGetGreater = 8,
    OpGetGreaterOrEqual = 9,
    OpGetLess = 10,
    OpGetLessOrEqual = 11,
    OpGetFirst = 12,
    OpGetLast = 13,
    OpCreate = 14,
    OpStatistics = 15,
    OpBeginTransaction = 19,
    OpEndTransaction = 20,
    OpAbortTransaction = 21,
    OpGetPosition = 22,
    OpGetDirect = 23,
    OpUnlock = 27,
};
constexpr int16_t RecordLockBias = 200;

// Statuses of a call.
enum RecordStatus : int16_t {
    StatusOk = 0,
    StatusInvalidOperation = 1,
    StatusIoError = 2,               // the file is damaged or could not be written
    StatusFileNotOpen = 3,           // also a position block that is not an open file of this process
    StatusKeyNotFound = 4,
    StatusDuplicateKey = 5,
    StatusInvalidKeyNumber = 6,
    StatusInvalidPositioning = 8,    // no current record
    StatusEndOfFile = 9,
    StatusFileNotFound = 12,
    StatusKeyBufferLength = 21,      // a key length outside 0 to 255
    StatusDataBufferShort = 22,      // what fits is copied
    StatusPageSize = 24,             // create: page size not a multiple of 512 from 512 to 16384
    StatusKeyCount = 26,             // create: no key, or too many segments
    StatusKeyPosition = 27,          // create: a segment outside the record
    StatusRecordLength = 28,         // create: record length 0
    StatusKeyLength = 29,            // create: a key longer than 255
    StatusNotDataFile = 30,
    StatusTransaction = 37,          // a transaction begun twice, or ended when none is open
    StatusNoRecordAtPosition = 43,
    StatusAccessDenied = 46,
    StatusAlternateSequence = 48,    // create: the collating table is missing or malformed
    StatusFileExists = 59,           // create never replaces a file
    StatusRecordBusy = 84,
    StatusFileBusy = 85,
};

// The call: operation, position block (128 bytes, kept by the caller between calls),
// data buffer and its length (in: the buffer's size or the record's length; out: the
// bytes returned), key buffer (at least 255 bytes; the key value is returned in it),
// key length (0 to 255), key number. Open and create take the path in the key buffer
// (keyLength bytes, or up to a byte 0 when keyLength is 0); create takes the layout
// that statistics returns in the data buffer.
int16_t RecordManagerCall(int16_t operation, uint8_t* positionBlock, void* dataBuffer,
                          int32_t& dataLength, void* keyBuffer, int16_t keyLength,
                          int16_t keyNumber);

// The seam that puts another record manager in place of ours (nullptr puts ours back);
// every record call of the system goes through CallRecordManager.
using RecordManagerEntry = int16_t (*)(int16_t, uint8_t*, void*, int32_t&, void*, int16_t, int16_t);
void SetRecordManagerEntry(RecordManagerEntry entry);
int16_t CallRecordManager(int16_t operation, uint8_t* positionBlock, void* dataBuffer,
                          int32_t& dataLength, void* keyBuffer, int16_t keyLength,
                          int16_t keyNumber);

// Closes every file this process has open, releasing its locks, as at process end.
void ResetRecordManager();

}  // namespace korvidan
