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
constexpr int16_t StatusOk = 0;
constexpr int16_t StatusInvalidOperation = 1;
constexpr int16_t StatusIoError = 2;  // the file is damaged or could not be written
constexpr int16_t StatusFileNotOpen =
    3;  // also a position block that is not an open file of this process
constexpr int16_t StatusKeyNotFound = 4;
constexpr int16_t StatusDuplicateKey = 5;
constexpr int16_t StatusInvalidKeyNumber = 6;
constexpr int16_t StatusInvalidPositioning = 8;  // no current record
constexpr int16_t StatusEndOfFile = 9;
constexpr int16_t StatusFileNotFound = 12;
constexpr int16_t StatusDiskFull = 18;         // also: no more record positions
constexpr int16_t StatusKeyBufferLength = 21;  // a key length outside 0 to 255
constexpr int16_t StatusDataBufferShort = 22;  // what fits is copied
constexpr int16_t StatusPageSize = 24;  // create: page size not a multiple of 512 from 512 to 16384
constexpr int16_t StatusKeyCount = 26;  // create: no key, or too many segments
constexpr int16_t StatusKeyPosition = 27;   // create: a segment outside the record
constexpr int16_t StatusRecordLength = 28;  // create: record length 0
constexpr int16_t StatusKeyLength = 29;     // create: a key longer than 255
constexpr int16_t StatusNotDataFile = 30;   // not a database of ours
constexpr int16_t StatusTransaction = 37;   // a transaction begun twice, or ended when none is open
constexpr int16_t StatusNoRecordAtPosition = 43;  // get direct
constexpr int16_t StatusAccessDenied = 46;        // the file or its lock file cannot be written
constexpr int16_t StatusAlternateSequence =
    48;                                   // create: the collating table is missing or malformed
constexpr int16_t StatusFileExists = 59;  // create never replaces a file
constexpr int16_t StatusRecordBusy = 84;
constexpr int16_t StatusFileBusy = 85;

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

// Closes every file this process has open, releasing its locks, as at process end,
// and puts our record manager back in place.
void ResetRecordManager();

}  // namespace korvidan
