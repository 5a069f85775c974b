// The record manager. Each data file is an SQLite database: a table of records with,
// for every key, the key's sorting form (an indexed BLOB) and a sequence number that
// orders duplicates by insertion, so that reading along a key is reading the index.
// Open files live in a table of handles; a position block names its handle by number
// and generation and holds the current record, never a pointer.
#include "records/record_manager.h"

#include <pthread.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/files.h"
#include "records/record_layout.h"
#include "records/record_locks.h"

namespace korvidan {

namespace {

constexpr int32_t MaxRecordLength = 65535;
constexpr int32_t ApplicationId = 0x4B524D31;  // marks our data files
constexpr size_t FirstBatch = 16;
constexpr size_t LastBatch = 1024;

// The position block: what a caller keeps between calls.
constexpr uint32_t BlockMagic = 0x6B726D31;
constexpr size_t BlockMagicAt = 0;
constexpr size_t BlockHandleAt = 4;
constexpr size_t BlockGenerationAt = 8;
constexpr size_t BlockKeyAt = 16;
constexpr size_t BlockStateAt = 18;
constexpr size_t BlockPositionAt = 20;
constexpr size_t BlockSize = 128;

// What a position block says about the current record.
enum CursorState : uint8_t {
    NoCursor = 0,     // no record read yet
    OnRecord = 1,     // the record at the position is current
    AfterDelete = 2,  // the record at the position was deleted; next/previous go on from it
};

struct Block {
    uint32_t handle = 0;
    uint64_t generation = 0;
    int16_t key = 0;
    uint8_t state = NoCursor;
    uint32_t position = 0;
};

template <typename T>
T Load(const uint8_t* bytes, size_t at) {
    T value;
    std::memcpy(&value, bytes + at, sizeof value);
    return value;
}

template <typename T>
void Store(uint8_t* bytes, size_t at, T value) {
    std::memcpy(bytes + at, &value, sizeof value);
}

void WriteBlock(uint8_t* bytes, const Block& block) {
    std::memset(bytes, 0, BlockSize);
    Store(bytes, BlockMagicAt, BlockMagic);
    Store(bytes, BlockHandleAt, block.handle);
    Store(bytes, BlockGenerationAt, block.generation);
    Store(bytes, BlockKeyAt, block.key);
    Store(bytes, BlockStateAt, block.state);
    Store(bytes, BlockPositionAt, block.position);
}

// One row as a read finds it.
struct Row {
    uint32_t position = 0;
    std::string collating;
    int64_t sequence = 0;
    std::string data;
};

// Rows read ahead along a key, in key order, kept only while nobody writes.
struct CachedRow {
    uint32_t position;
    int64_t sequence;
    size_t collatingAt, collatingLength, dataAt, dataLength;
};

struct ReadAhead {
    int key = -1;
    uint64_t stamp = 0;
    std::vector<CachedRow> rows;
    std::string bytes;
    size_t index = 0;
    size_t batch = FirstBatch;
};

// The statements that read along one key; prepared on the key's first use.
struct KeyStatements {
    sqlite3_stmt* first = nullptr;
    sqlite3_stmt* last = nullptr;
    sqlite3_stmt* atLeast = nullptr;
    sqlite3_stmt* above = nullptr;
    sqlite3_stmt* atMost = nullptr;
    sqlite3_stmt* below = nullptr;
    sqlite3_stmt* after = nullptr;
    sqlite3_stmt* before = nullptr;
};

struct Handle {
    bool inUse = false;
    bool ownedHere = true;  // false in a child process after fork
    uint64_t generation = 0;
    sqlite3* db = nullptr;
    LockFileRecord lockFile;
    RecordLayout layout;
    std::string layoutBytes;
    std::vector<KeyStatements> keys;
    sqlite3_stmt* byPosition = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* update = nullptr;
    sqlite3_stmt* remove = nullptr;
    sqlite3_stmt* loadCounters = nullptr;
    sqlite3_stmt* saveCounters = nullptr;
    uint32_t heldLock = 0;
    bool inTransaction = false;
    int64_t nextPosition = 0;
    int64_t nextSequence = 0;
    // The key and place of the latest record this handle stood on, so that next and
    // previous go on from it (also after it was deleted) without looking it up.
    int anchorKey = -1;
    uint32_t anchorPosition = 0;
    std::string anchorCollating;
    int64_t anchorSequence = 0;
    ReadAhead readAhead;
};

std::vector<std::unique_ptr<Handle>> Handles;
uint64_t NextGeneration = 0;
RecordManagerEntry Entry = nullptr;

void ForgetHandlesAfterFork() {
    for (auto& handle : Handles) handle->ownedHere = false;
}

uint64_t NewGeneration() {
    if (NextGeneration == 0) {
        // Random, so that a block made by another process never matches one of ours.
        std::random_device random;
        NextGeneration =
            (static_cast<uint64_t>(random()) << 32) ^ random() ^ static_cast<uint64_t>(getpid());
        pthread_atfork(nullptr, nullptr, ForgetHandlesAfterFork);
    }
    return ++NextGeneration;
}

int16_t SqliteStatus(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return StatusOk;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return StatusFileBusy;
        case SQLITE_CONSTRAINT:
            return StatusDuplicateKey;
        case SQLITE_FULL:
            return StatusDiskFull;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return StatusAccessDenied;
        case SQLITE_NOTADB:
            return StatusNotDataFile;
        default:
            return StatusIoError;
    }
}

int Execute(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

void Finalize(sqlite3_stmt*& statement) {
    sqlite3_finalize(statement);
    statement = nullptr;
}

// The path in a key buffer: keyLength bytes, or up to a byte 0 when keyLength is 0;
// cut at a byte 0 and without trailing blanks.
std::string PathFromKey(const void* keyBuffer, int16_t keyLength) {
    if (keyBuffer == nullptr) return {};
    const char* bytes = static_cast<const char*>(keyBuffer);
    const size_t limit = keyLength > 0 ? static_cast<size_t>(keyLength) : MaxKeyLength;
    size_t length = 0;
    while (length < limit && bytes[length] != '\0') ++length;
    while (length > 0 && bytes[length - 1] == ' ') --length;
    return std::string(bytes, length);
}

// The columns of a key: its sorting form and its sequence number.
std::string KeyColumn(size_t key) {
    return std::string("k").append(std::to_string(key));
}
std::string SequenceColumn(size_t key) {
    return std::string("s").append(std::to_string(key));
}

// ---- Handles and blocks ------------------------------------------------------------

// The handle a block names, when it is one this process opened and has not closed.
Handle* HandleOf(const uint8_t* positionBlock, Block& block) {
    if (positionBlock == nullptr || Load<uint32_t>(positionBlock, BlockMagicAt) != BlockMagic)
        return nullptr;
    block.handle = Load<uint32_t>(positionBlock, BlockHandleAt);
    block.generation = Load<uint64_t>(positionBlock, BlockGenerationAt);
    block.key = Load<int16_t>(positionBlock, BlockKeyAt);
    block.state = Load<uint8_t>(positionBlock, BlockStateAt);
    block.position = Load<uint32_t>(positionBlock, BlockPositionAt);
    if (block.handle >= Handles.size()) return nullptr;
    Handle* handle = Handles[block.handle].get();
    if (!handle->inUse || !handle->ownedHere || handle->generation != block.generation)
        return nullptr;
    if (block.key < 0 || static_cast<size_t>(block.key) >= handle->layout.keys.size())
        block.state = NoCursor;
    return handle;
}

void ReleaseHeldLock(Handle& handle) {
    if (handle.heldLock != 0) UnlockRecord(handle.lockFile, handle.heldLock);
    handle.heldLock = 0;
}

void CloseHandle(Handle& handle) {
    if (handle.ownedHere) {
        if (handle.inTransaction) {
            Execute(handle.db, "ROLLBACK");
            EndChange(handle.lockFile);
        }
        ReleaseHeldLock(handle);
        for (KeyStatements& key : handle.keys) {
            for (sqlite3_stmt** statement : {&key.first, &key.last, &key.atLeast, &key.above,
                                             &key.atMost, &key.below, &key.after, &key.before})
                Finalize(*statement);
        }
        for (sqlite3_stmt** statement :
             {&handle.byPosition, &handle.insert, &handle.update, &handle.remove,
              &handle.loadCounters, &handle.saveCounters})
            Finalize(*statement);
        sqlite3_close(handle.db);
        CloseLockFile(handle.lockFile);
    }
    handle = Handle{};
}

// ---- Statements ---------------------------------------------------------------------

sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return statement;
}

bool PrepareKey(Handle& handle, size_t key) {
    KeyStatements& s = handle.keys[key];
    if (s.first != nullptr) return true;
    const std::string k = KeyColumn(key), q = SequenceColumn(key);
    const std::string select = "SELECT position, " + k + ", " + q + ", data FROM records ";
    const std::string up = " ORDER BY " + k + ", " + q + " LIMIT ?2";
    const std::string down = " ORDER BY " + k + " DESC, " + q + " DESC LIMIT ?2";
    s.first = Prepare(handle.db, select + "WHERE ?1 IS NULL" + up);
    s.last = Prepare(handle.db, select + "WHERE ?1 IS NULL" + down);
    s.atLeast = Prepare(handle.db, select + "WHERE " + k + " >= ?1" + up);
    s.above = Prepare(handle.db, select + "WHERE " + k + " > ?1" + up);
    s.atMost = Prepare(handle.db, select + "WHERE " + k + " <= ?1" + down);
    s.below = Prepare(handle.db, select + "WHERE " + k + " < ?1" + down);
    s.after = Prepare(handle.db, select + "WHERE (" + k + ", " + q + ") > (?1, ?3)" + up);
    s.before = Prepare(handle.db, select + "WHERE (" + k + ", " + q + ") < (?1, ?3)" + down);
    return s.first && s.last && s.atLeast && s.above && s.atMost && s.below && s.after && s.before;
}

bool PrepareHandle(Handle& handle) {
    const size_t keyCount = handle.layout.keys.size();
    std::string columns, placeholders, assignments, keyColumns;
    for (size_t key = 0; key < keyCount; ++key) {
        const std::string k = KeyColumn(key), q = SequenceColumn(key);
        columns += ", " + k + ", " + q;
        placeholders += ", ?" + std::to_string(3 + 2 * key) + ", ?" + std::to_string(4 + 2 * key);
        assignments += ", " + k + " = ?" + std::to_string(3 + 2 * key) + ", " + q + " = ?" +
                       std::to_string(4 + 2 * key);
        keyColumns += ", " + k + ", " + q;
    }
    handle.keys.assign(keyCount, KeyStatements{});
    handle.byPosition =
        Prepare(handle.db, "SELECT data" + keyColumns + " FROM records WHERE position = ?1");
    handle.insert = Prepare(handle.db, "INSERT INTO records(position, data" + columns +
                                           ") VALUES (?1, ?2" + placeholders + ")");
    handle.update =
        Prepare(handle.db, "UPDATE records SET data = ?2" + assignments + " WHERE position = ?1");
    handle.remove = Prepare(handle.db, "DELETE FROM records WHERE position = ?1");
    handle.loadCounters = Prepare(handle.db, "SELECT nextPosition, nextSequence FROM counters");
    handle.saveCounters =
        Prepare(handle.db, "UPDATE counters SET nextPosition = ?1, nextSequence = ?2");
    return handle.byPosition && handle.insert && handle.update && handle.remove &&
           handle.loadCounters && handle.saveCounters;
}

// Runs a statement that reads rows along key and appends them (at most limit) to rows.
int16_t ReadRows(sqlite3_stmt* statement, const std::string* collating, int64_t sequence,
                 size_t limit, ReadAhead& into) {
    if (collating == nullptr)
        sqlite3_bind_null(statement, 1);
    else
        sqlite3_bind_blob(statement, 1, collating->data(), static_cast<int>(collating->size()),
                          SQLITE_STATIC);
    sqlite3_bind_int64(statement, 2, static_cast<sqlite3_int64>(limit));
    if (sqlite3_bind_parameter_count(statement) >= 3) sqlite3_bind_int64(statement, 3, sequence);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        CachedRow row{};
        row.position = static_cast<uint32_t>(sqlite3_column_int64(statement, 0));
        row.sequence = sqlite3_column_int64(statement, 2);
        const auto* key = static_cast<const char*>(sqlite3_column_blob(statement, 1));
        row.collatingLength = static_cast<size_t>(sqlite3_column_bytes(statement, 1));
        row.collatingAt = into.bytes.size();
        into.bytes.append(key != nullptr ? key : "", row.collatingLength);
        const auto* data = static_cast<const char*>(sqlite3_column_blob(statement, 3));
        row.dataLength = static_cast<size_t>(sqlite3_column_bytes(statement, 3));
        row.dataAt = into.bytes.size();
        into.bytes.append(data != nullptr ? data : "", row.dataLength);
        into.rows.push_back(row);
    }
    sqlite3_reset(statement);
    return rc == SQLITE_DONE ? StatusOk : SqliteStatus(rc);
}

// Reads the record at a position with the sorting form and sequence of key.
int16_t ReadAtPosition(Handle& handle, uint32_t position, int key, Row& row, bool& found) {
    found = false;
    sqlite3_stmt* statement = handle.byPosition;
    sqlite3_bind_int64(statement, 1, position);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        found = true;
        row.position = position;
        const auto* data = static_cast<const char*>(sqlite3_column_blob(statement, 0));
        row.data.assign(data != nullptr ? data : "",
                        static_cast<size_t>(sqlite3_column_bytes(statement, 0)));
        const int column = 1 + 2 * key;
        const auto* collating = static_cast<const char*>(sqlite3_column_blob(statement, column));
        row.collating.assign(collating != nullptr ? collating : "",
                             static_cast<size_t>(sqlite3_column_bytes(statement, column)));
        row.sequence = sqlite3_column_int64(statement, column + 1);
    }
    sqlite3_reset(statement);
    return (rc == SQLITE_ROW || rc == SQLITE_DONE) ? StatusOk : SqliteStatus(rc);
}

// ---- Writes -------------------------------------------------------------------------

int16_t LoadCounters(Handle& handle) {
    const int rc = sqlite3_step(handle.loadCounters);
    if (rc == SQLITE_ROW) {
        handle.nextPosition = sqlite3_column_int64(handle.loadCounters, 0);
        handle.nextSequence = sqlite3_column_int64(handle.loadCounters, 1);
    }
    sqlite3_reset(handle.loadCounters);
    return rc == SQLITE_ROW ? StatusOk : StatusIoError;
}

int16_t SaveCounters(Handle& handle) {
    sqlite3_bind_int64(handle.saveCounters, 1, handle.nextPosition);
    sqlite3_bind_int64(handle.saveCounters, 2, handle.nextSequence);
    const int rc = sqlite3_step(handle.saveCounters);
    sqlite3_reset(handle.saveCounters);
    return SqliteStatus(rc);
}

// Starts a write: inside the caller's transaction nothing more is needed; otherwise a
// transaction of its own, marked in the lock file so that readers drop what they read ahead.
int16_t BeginWrite(Handle& handle) {
    if (handle.inTransaction) return StatusOk;
    BeginChange(handle.lockFile);
    int rc = Execute(handle.db, "BEGIN IMMEDIATE");
    int16_t status = SqliteStatus(rc);
    if (status == StatusOk) {
        status = LoadCounters(handle);
        if (status != StatusOk) Execute(handle.db, "ROLLBACK");
    }
    if (status != StatusOk) EndChange(handle.lockFile);
    return status;
}

// Ends a write begun by BeginWrite: commits on success, undoes it otherwise.
int16_t EndWrite(Handle& handle, int16_t status) {
    if (handle.inTransaction) return status;
    if (status == StatusOk) status = SaveCounters(handle);
    if (status == StatusOk) status = SqliteStatus(Execute(handle.db, "COMMIT"));
    if (status != StatusOk) Execute(handle.db, "ROLLBACK");
    EndChange(handle.lockFile);
    return status;
}

// Binds the keys of a record: sorting forms, and a new sequence number for a key of
// duplicates whose value is new (keeping the old one when old says it is unchanged).
void BindKeys(Handle& handle, sqlite3_stmt* statement, const std::string& data,
              const std::vector<Row>* old, std::vector<std::string>& forms,
              std::vector<int64_t>& sequences) {
    const auto* record = reinterpret_cast<const uint8_t*>(data.data());
    const int32_t length = static_cast<int32_t>(data.size());
    forms.resize(handle.layout.keys.size());
    sequences.resize(handle.layout.keys.size());
    for (size_t key = 0; key < handle.layout.keys.size(); ++key) {
        forms[key] =
            CollatingForm(handle.layout, static_cast<int>(key),
                          KeyValueOf(handle.layout, static_cast<int>(key), record, length));
        int64_t sequence = 0;
        if (handle.layout.keys[key].duplicates) {
            if (old != nullptr && (*old)[key].collating == forms[key])
                sequence = (*old)[key].sequence;
            else
                sequence = handle.nextSequence++;
        }
        sqlite3_bind_blob(statement, static_cast<int>(3 + 2 * key), forms[key].data(),
                          static_cast<int>(forms[key].size()), SQLITE_STATIC);
        sqlite3_bind_int64(statement, static_cast<int>(4 + 2 * key), sequence);
        sequences[key] = sequence;
    }
}

// ---- Results ------------------------------------------------------------------------

// Hands a record to the caller: what fits of it in the data buffer (22 when not all of
// it fits) and the key value in the key buffer.
int16_t Deliver(Handle& handle, int key, const char* data, size_t dataLength, void* dataBuffer,
                int32_t& bufferLength, void* keyBuffer) {
    const size_t room =
        dataBuffer != nullptr && bufferLength > 0 ? static_cast<size_t>(bufferLength) : 0;
    const size_t copied = std::min(room, dataLength);
    if (copied > 0) std::memcpy(dataBuffer, data, copied);
    bufferLength = static_cast<int32_t>(copied);
    if (keyBuffer != nullptr) {
        const std::string value =
            KeyValueOf(handle.layout, key, reinterpret_cast<const uint8_t*>(data),
                       static_cast<int32_t>(dataLength));
        std::memcpy(keyBuffer, value.data(), value.size());
    }
    return copied < dataLength ? StatusDataBufferShort : StatusOk;
}

void SetAnchor(Handle& handle, int key, uint32_t position, const char* collating,
               size_t collatingLength, int64_t sequence) {
    handle.anchorKey = key;
    handle.anchorPosition = position;
    handle.anchorCollating.assign(collating, collatingLength);
    handle.anchorSequence = sequence;
}

// ---- Reads --------------------------------------------------------------------------

// Where a read goes: the statement, the key value it starts from and how many rows
// are worth reading ahead.
struct Seek {
    sqlite3_stmt* statement = nullptr;
    const std::string* collating = nullptr;
    int64_t sequence = 0;
    bool forward = true;
    bool exact = false;  // get equal: the row found must have the value
};

// Finds the target row of a read into handle.readAhead (rows in key order, index on
// the target); keeps the rows for later next/previous calls while nobody writes.
int16_t FindTarget(Handle& handle, int key, const Seek& seek, size_t batch) {
    ReadAhead& ahead = handle.readAhead;
    const uint64_t stamp = ChangeStamp(handle.lockFile);
    ahead.rows.clear();
    ahead.bytes.clear();
    ahead.key = -1;
    const int16_t status =
        ReadRows(seek.statement, seek.collating, seek.sequence, stamp != 0 ? batch : 1, ahead);
    if (status != StatusOk) return status;
    if (ahead.rows.empty()) return StatusEndOfFile;
    if (!seek.forward) std::reverse(ahead.rows.begin(), ahead.rows.end());
    ahead.index = seek.forward ? 0 : ahead.rows.size() - 1;
    const CachedRow& row = ahead.rows[ahead.index];
    if (seek.exact &&
        ahead.bytes.compare(row.collatingAt, row.collatingLength, *seek.collating) != 0)
        return StatusKeyNotFound;
    if (stamp != 0 && ChangeStamp(handle.lockFile) == stamp) {
        ahead.key = key;
        ahead.stamp = stamp;
        ahead.batch = batch;
    }
    return StatusOk;
}

// Serves next (step 1) or previous (step -1) from the rows read ahead, when they are
// still good and the block stands on the row they stand on.
bool StepReadAhead(Handle& handle, const Block& block, int step) {
    ReadAhead& ahead = handle.readAhead;
    if (ahead.key != block.key || block.state != OnRecord || ahead.index >= ahead.rows.size() ||
        ahead.rows[ahead.index].position != block.position ||
        ahead.stamp != ChangeStamp(handle.lockFile))
        return false;
    if (step > 0 ? ahead.index + 1 >= ahead.rows.size() : ahead.index == 0) return false;
    ahead.index = step > 0 ? ahead.index + 1 : ahead.index - 1;
    return true;
}

int16_t ReadOperation(Handle& handle, uint8_t* positionBlock, Block& block, int16_t operation,
                      bool lock, void* dataBuffer, int32_t& dataLength, void* keyBuffer,
                      int16_t keyNumber) {
    const size_t keyCount = handle.layout.keys.size();
    int key = keyNumber;
    const bool stepping = operation == OpGetNext || operation == OpGetPrevious;
    if (stepping) {
        if (block.state == NoCursor) return StatusInvalidPositioning;
        key = block.key;
    } else if (keyNumber < 0 || static_cast<size_t>(keyNumber) >= keyCount) {
        return StatusInvalidKeyNumber;
    }
    if (!PrepareKey(handle, static_cast<size_t>(key))) return StatusIoError;
    KeyStatements& statements = handle.keys[static_cast<size_t>(key)];

    // The value a seek starts from.
    std::string collating;
    Seek seek;
    size_t batch = 1;
    if (stepping) {
        seek.forward = operation == OpGetNext;
        seek.statement = seek.forward ? statements.after : statements.before;
        if (!lock && StepReadAhead(handle, block, seek.forward ? 1 : -1)) {
            seek.statement = nullptr;
        } else {
            if (handle.anchorKey == key && handle.anchorPosition == block.position) {
                collating = handle.anchorCollating;
                seek.sequence = handle.anchorSequence;
            } else {
                Row row;
                bool found = false;
                const int16_t status = ReadAtPosition(handle, block.position, key, row, found);
                if (status != StatusOk) return status;
                if (!found) return StatusInvalidPositioning;
                collating = row.collating;
                seek.sequence = row.sequence;
            }
            seek.collating = &collating;
            const ReadAhead& ahead = handle.readAhead;
            batch =
                ahead.key == key ? std::clamp(ahead.batch * 2, FirstBatch, LastBatch) : FirstBatch;
        }
    } else if (operation == OpGetFirst || operation == OpGetLast) {
        seek.forward = operation == OpGetFirst;
        seek.statement = seek.forward ? statements.first : statements.last;
    } else {
        if (keyBuffer == nullptr) return StatusKeyBufferLength;
        const int length = handle.layout.keys[static_cast<size_t>(key)].length;
        collating = CollatingForm(
            handle.layout, key,
            std::string(static_cast<const char*>(keyBuffer), static_cast<size_t>(length)));
        seek.collating = &collating;
        switch (operation) {
            case OpGetEqual:
                seek.statement = statements.atLeast;
                seek.exact = true;
                break;
            case OpGetGreater:
                seek.statement = statements.above;
                break;
            case OpGetGreaterOrEqual:
                seek.statement = statements.atLeast;
                break;
            case OpGetLess:
                seek.statement = statements.below;
                seek.forward = false;
                break;
            default:
                seek.statement = statements.atMost;
                seek.forward = false;
                break;
        }
    }

    ReadAhead& ahead = handle.readAhead;
    if (seek.statement != nullptr) {
        const int16_t status = FindTarget(handle, key, seek, batch);
        if (status != StatusOk) {
            dataLength = 0;
            return status;
        }
    }
    const CachedRow found = ahead.rows[ahead.index];
    const char* data = ahead.bytes.data() + found.dataAt;
    size_t length = found.dataLength;
    const char* collatingForm = ahead.bytes.data() + found.collatingAt;
    size_t collatingLength = found.collatingLength;
    int64_t sequence = found.sequence;
    Row fresh;
    if (lock) {
        // The next locking read gives up the lock of the previous one.
        ReleaseHeldLock(handle);
        if (!LockRecord(handle.lockFile, found.position)) {
            dataLength = 0;
            return StatusRecordBusy;
        }
        handle.heldLock = found.position;
        // Read it again under the lock: a writer may have changed it just before.
        bool present = false;
        const int16_t status = ReadAtPosition(handle, found.position, key, fresh, present);
        if (status != StatusOk || !present) {
            ReleaseHeldLock(handle);
            dataLength = 0;
            return status != StatusOk ? status : StatusRecordBusy;
        }
        data = fresh.data.data();
        length = fresh.data.size();
        collatingForm = fresh.collating.data();
        collatingLength = fresh.collating.size();
        sequence = fresh.sequence;
        ahead.key = -1;
    }
    SetAnchor(handle, key, found.position, collatingForm, collatingLength, sequence);
    block.key = static_cast<int16_t>(key);
    block.state = OnRecord;
    block.position = found.position;
    WriteBlock(positionBlock, block);
    return Deliver(handle, key, data, length, dataBuffer, dataLength, keyBuffer);
}

int16_t GetDirect(Handle& handle, uint8_t* positionBlock, Block& block, bool lock, void* dataBuffer,
                  int32_t& dataLength, void* keyBuffer, int16_t keyNumber) {
    if (dataBuffer == nullptr || dataLength < 4) return StatusDataBufferShort;
    if (keyNumber < 0 || static_cast<size_t>(keyNumber) >= handle.layout.keys.size())
        return StatusInvalidKeyNumber;
    const uint32_t position = Load<uint32_t>(static_cast<const uint8_t*>(dataBuffer), 0);
    if (lock) {
        ReleaseHeldLock(handle);
        if (!LockRecord(handle.lockFile, position)) {
            dataLength = 0;
            return StatusRecordBusy;
        }
        handle.heldLock = position;
    }
    Row row;
    bool found = false;
    const int16_t status =
        position == 0 ? StatusOk : ReadAtPosition(handle, position, keyNumber, row, found);
    if (status != StatusOk || !found) {
        if (lock) ReleaseHeldLock(handle);
        dataLength = 0;
        return status != StatusOk ? status : StatusNoRecordAtPosition;
    }
    SetAnchor(handle, keyNumber, position, row.collating.data(), row.collating.size(),
              row.sequence);
    block.key = keyNumber;
    block.state = OnRecord;
    block.position = position;
    WriteBlock(positionBlock, block);
    return Deliver(handle, keyNumber, row.data.data(), row.data.size(), dataBuffer, dataLength,
                   keyBuffer);
}

// ---- Operations on an open file ----------------------------------------------------

// The keys of the record at a position, as stored.
int16_t StoredKeys(Handle& handle, uint32_t position, std::vector<Row>& keys, bool& found) {
    keys.assign(handle.layout.keys.size(), Row{});
    for (size_t key = 0; key < keys.size(); ++key) {
        const int16_t status =
            ReadAtPosition(handle, position, static_cast<int>(key), keys[key], found);
        if (status != StatusOk || !found) return status;
    }
    return StatusOk;
}

int16_t WriteRecord(Handle& handle, uint8_t* positionBlock, Block& block, int16_t operation,
                    void* dataBuffer, int32_t& dataLength, void* keyBuffer, int16_t keyNumber) {
    const bool inserting = operation == OpInsert;
    int key = inserting ? keyNumber : block.key;
    if (inserting && (keyNumber < 0 || static_cast<size_t>(keyNumber) >= handle.layout.keys.size()))
        return StatusInvalidKeyNumber;
    if (!inserting && block.state != OnRecord) return StatusInvalidPositioning;
    if (operation != OpDelete &&
        (dataBuffer == nullptr || dataLength < handle.layout.recordLength ||
         dataLength > MaxRecordLength))
        return StatusDataBufferShort;
    const uint32_t position = block.position;
    // Another process's lock on the record keeps it from being changed; ours is given
    // up by the change.
    if (!inserting && !LockRecord(handle.lockFile, position)) return StatusRecordBusy;

    int16_t status = BeginWrite(handle);
    std::vector<Row> old;
    bool found = true;
    if (status == StatusOk && !inserting) {
        status = StoredKeys(handle, position, old, found);
        if (status == StatusOk && !found) status = StatusInvalidPositioning;
    }
    std::string data;
    std::vector<std::string> forms;
    std::vector<int64_t> sequences;
    int64_t newPosition = position;
    if (status == StatusOk && operation == OpDelete) {
        sqlite3_bind_int64(handle.remove, 1, position);
        status = SqliteStatus(sqlite3_step(handle.remove));
        sqlite3_reset(handle.remove);
    } else if (status == StatusOk) {
        data.assign(static_cast<const char*>(dataBuffer), static_cast<size_t>(dataLength));
        sqlite3_stmt* statement = inserting ? handle.insert : handle.update;
        if (inserting) {
            newPosition = handle.nextPosition++;
            if (newPosition > INT32_MAX) status = StatusDiskFull;
        }
        if (status == StatusOk) {
            sqlite3_bind_int64(statement, 1, newPosition);
            sqlite3_bind_blob(statement, 2, data.data(), static_cast<int>(data.size()),
                              SQLITE_STATIC);
            BindKeys(handle, statement, data, inserting ? nullptr : &old, forms, sequences);
            status = SqliteStatus(sqlite3_step(statement));
            sqlite3_reset(statement);
            sqlite3_clear_bindings(statement);
        }
    }
    status = EndWrite(handle, status);
    if (!inserting) {
        UnlockRecord(handle.lockFile, position);
        if (handle.heldLock == position) handle.heldLock = 0;
    }
    if (status != StatusOk) return status;

    if (operation == OpDelete) {
        // Next and previous go on from where the deleted record stood.
        const Row& was = old[static_cast<size_t>(key)];
        SetAnchor(handle, key, position, was.collating.data(), was.collating.size(), was.sequence);
        block.state = AfterDelete;
        WriteBlock(positionBlock, block);
        return StatusOk;
    }
    const std::string& form = forms[static_cast<size_t>(key)];
    SetAnchor(handle, key, static_cast<uint32_t>(newPosition), form.data(), form.size(),
              sequences[static_cast<size_t>(key)]);
    block.key = static_cast<int16_t>(key);
    block.state = OnRecord;
    block.position = static_cast<uint32_t>(newPosition);
    WriteBlock(positionBlock, block);
    if (keyBuffer != nullptr) {
        const std::string value =
            KeyValueOf(handle.layout, key, reinterpret_cast<const uint8_t*>(data.data()),
                       static_cast<int32_t>(data.size()));
        std::memcpy(keyBuffer, value.data(), value.size());
    }
    return StatusOk;
}

int16_t Transaction(Handle& handle, int16_t operation) {
    if (operation == OpBeginTransaction) {
        if (handle.inTransaction) return StatusTransaction;
        const int16_t status = BeginWrite(handle);
        if (status == StatusOk) handle.inTransaction = true;
        return status;
    }
    if (!handle.inTransaction) return StatusTransaction;
    handle.inTransaction = false;
    if (operation == OpEndTransaction) return EndWrite(handle, StatusOk);
    EndWrite(handle, StatusTransaction);  // any failure status rolls it back
    return StatusOk;
}

// ---- Open, close and create ---------------------------------------------------------

int16_t OpenFile(uint8_t* positionBlock, void* keyBuffer, int16_t keyLength) {
    if (positionBlock == nullptr) return StatusFileNotOpen;
    const std::string path = MapPath(PathFromKey(keyBuffer, keyLength));
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return StatusFileNotFound;
    if (!S_ISREG(info.st_mode)) return StatusNotDataFile;
    if (access(path.c_str(), R_OK | W_OK) != 0) return StatusAccessDenied;

    // A block that still names an open file of ours is closed first, so nothing leaks.
    Block previous;
    if (Handle* open = HandleOf(positionBlock, previous)) CloseHandle(*open);

    auto handle = std::make_unique<Handle>();
    handle->inUse = true;
    handle->generation = NewGeneration();
    int16_t status = StatusOk;
    if (sqlite3_open_v2(path.c_str(), &handle->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        status = StatusAccessDenied;
    if (status == StatusOk) {
        sqlite3_busy_timeout(handle->db, 1000);
        sqlite3_stmt* check = Prepare(handle->db, "PRAGMA application_id");
        const int rc = check != nullptr ? sqlite3_step(check) : sqlite3_errcode(handle->db);
        if (rc != SQLITE_ROW)
            status = SqliteStatus(rc) == StatusIoError || SqliteStatus(rc) == StatusNotDataFile
                         ? StatusNotDataFile
                         : SqliteStatus(rc);
        else if (sqlite3_column_int(check, 0) != ApplicationId)
            status = StatusNotDataFile;
        sqlite3_finalize(check);
    }
    if (status == StatusOk) {
        Execute(handle->db, "PRAGMA synchronous = NORMAL");
        sqlite3_stmt* layout = Prepare(handle->db, "SELECT bytes FROM layout");
        status = StatusIoError;
        if (layout != nullptr && sqlite3_step(layout) == SQLITE_ROW) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(layout, 0));
            handle->layoutBytes.assign(bytes != nullptr ? bytes : "",
                                       static_cast<size_t>(sqlite3_column_bytes(layout, 0)));
            if (ParseRecordLayout(reinterpret_cast<const uint8_t*>(handle->layoutBytes.data()),
                                  static_cast<int32_t>(handle->layoutBytes.size()), true,
                                  handle->layout) == StatusOk)
                status = StatusOk;
        }
        sqlite3_finalize(layout);
    }
    if (status == StatusOk && !PrepareHandle(*handle)) status = StatusIoError;
    if (status == StatusOk && !OpenLockFile(path, handle->lockFile)) status = StatusAccessDenied;
    if (status != StatusOk) {
        CloseHandle(*handle);
        return status;
    }

    size_t slot = 0;
    while (slot < Handles.size() && Handles[slot]->inUse) ++slot;
    if (slot == Handles.size()) Handles.push_back(nullptr);
    Block block;
    block.handle = static_cast<uint32_t>(slot);
    block.generation = handle->generation;
    Handles[slot] = std::move(handle);
    WriteBlock(positionBlock, block);
    return StatusOk;
}

int16_t CreateFile(const void* dataBuffer, int32_t dataLength, void* keyBuffer, int16_t keyLength) {
    if (dataBuffer == nullptr || dataLength < 0) return StatusDataBufferShort;
    RecordLayout layout;
    int16_t status =
        ParseRecordLayout(static_cast<const uint8_t*>(dataBuffer), dataLength, true, layout);
    if (status != StatusOk) return status;
    const std::string systemPath = PathFromKey(keyBuffer, keyLength);
    if (systemPath.empty()) return StatusFileNotFound;
    const std::string path = MapPath(systemPath);
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) return StatusFileExists;

    // Built under a temporary name and linked into place, so that the file appears
    // whole or not at all and never replaces one made meanwhile.
    const std::string building = path + ".new" + std::to_string(getpid());
    unlink(building.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(building.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        unlink(building.c_str());
        return errno == ENOENT ? StatusFileNotFound : StatusAccessDenied;
    }
    std::string columns, indexes;
    for (size_t key = 0; key < layout.keys.size(); ++key) {
        const std::string k = KeyColumn(key), q = SequenceColumn(key);
        columns += ", " + k + " BLOB NOT NULL, " + q + " INTEGER NOT NULL";
        indexes += std::string("CREATE ") + (layout.keys[key].duplicates ? "" : "UNIQUE ") +
                   "INDEX key" + std::to_string(key) + " ON records(" + k + ", " + q + ");";
    }
    const std::string schema =
        "PRAGMA page_size = 4096; PRAGMA journal_mode = WAL; PRAGMA application_id = " +
        std::to_string(ApplicationId) +
        "; BEGIN; CREATE TABLE layout(bytes BLOB NOT NULL);"
        "CREATE TABLE counters(nextPosition INTEGER NOT NULL, nextSequence INTEGER NOT NULL);"
        "INSERT INTO counters VALUES (1, 1);"
        "CREATE TABLE records(position INTEGER PRIMARY KEY, data BLOB NOT NULL" +
        columns + ");" + indexes;
    status = SqliteStatus(Execute(db, schema));
    if (status == StatusOk) {
        const std::string bytes = EncodeRecordLayout(layout);
        sqlite3_stmt* insert = Prepare(db, "INSERT INTO layout VALUES (?1)");
        if (insert == nullptr) {
            status = StatusIoError;
        } else {
            sqlite3_bind_blob(insert, 1, bytes.data(), static_cast<int>(bytes.size()),
                              SQLITE_STATIC);
            status = SqliteStatus(sqlite3_step(insert));
            sqlite3_finalize(insert);
        }
    }
    if (status == StatusOk) status = SqliteStatus(Execute(db, "COMMIT"));
    sqlite3_close(db);
    if (status == StatusOk && link(building.c_str(), path.c_str()) != 0)
        status = errno == EEXIST ? StatusFileExists : StatusAccessDenied;
    unlink(building.c_str());
    unlink((building + "-wal").c_str());
    unlink((building + "-shm").c_str());
    return status;
}

int16_t Statistics(Handle& handle, void* dataBuffer, int32_t& dataLength) {
    return Deliver(handle, -1, handle.layoutBytes.data(), handle.layoutBytes.size(), dataBuffer,
                   dataLength, nullptr);
}

}  // namespace

int16_t RecordManagerCall(int16_t operation, uint8_t* positionBlock, void* dataBuffer,
                          int32_t& dataLength, void* keyBuffer, int16_t keyLength,
                          int16_t keyNumber) {
    if (keyLength < 0 || keyLength > MaxKeyLength) return StatusKeyBufferLength;
    if (operation == OpCreate) return CreateFile(dataBuffer, dataLength, keyBuffer, keyLength);
    if (operation == OpOpen) return OpenFile(positionBlock, keyBuffer, keyLength);

    const bool lock =
        operation >= OpGetEqual + RecordLockBias && operation <= OpGetDirect + RecordLockBias;
    const int16_t plain = lock ? static_cast<int16_t>(operation - RecordLockBias) : operation;
    Block block;
    Handle* handle = HandleOf(positionBlock, block);
    if (handle == nullptr) return StatusFileNotOpen;
    if (dataLength < 0) return StatusDataBufferShort;

    switch (plain) {
        case OpClose:
            CloseHandle(*handle);
            std::memset(positionBlock, 0, BlockSize);
            return StatusOk;
        case OpInsert:
        case OpUpdate:
        case OpDelete:
            return WriteRecord(*handle, positionBlock, block, plain, dataBuffer, dataLength,
                               keyBuffer, keyNumber);
        case OpGetEqual:
        case OpGetNext:
        case OpGetPrevious:
        case OpGetGreater:
        case OpGetGreaterOrEqual:
        case OpGetLess:
        case OpGetLessOrEqual:
        case OpGetFirst:
        case OpGetLast:
            return ReadOperation(*handle, positionBlock, block, plain, lock, dataBuffer, dataLength,
                                 keyBuffer, keyNumber);
        case OpStatistics:
            return Statistics(*handle, dataBuffer, dataLength);
        case OpBeginTransaction:
        case OpEndTransaction:
        case OpAbortTransaction:
            return Transaction(*handle, plain);
        case OpGetPosition: {
            if (block.state != OnRecord) return StatusInvalidPositioning;
            uint8_t position[4];
            Store(position, 0, block.position);
            return Deliver(*handle, -1, reinterpret_cast<const char*>(position), 4, dataBuffer,
                           dataLength, nullptr);
        }
        case OpGetDirect:
            return GetDirect(*handle, positionBlock, block, lock, dataBuffer, dataLength, keyBuffer,
                             keyNumber);
        case OpUnlock:
            ReleaseHeldLock(*handle);
            return StatusOk;
        default:
            return StatusInvalidOperation;
    }
}

void SetRecordManagerEntry(RecordManagerEntry entry) {
    Entry = entry;
}

int16_t CallRecordManager(int16_t operation, uint8_t* positionBlock, void* dataBuffer,
                          int32_t& dataLength, void* keyBuffer, int16_t keyLength,
                          int16_t keyNumber) {
    RecordManagerEntry entry = Entry != nullptr ? Entry : RecordManagerCall;
    return entry(operation, positionBlock, dataBuffer, dataLength, keyBuffer, keyLength, keyNumber);
}

void ResetRecordManager() {
    for (auto& handle : Handles)
        if (handle->inUse) CloseHandle(*handle);
    Handles.clear();
    Entry = nullptr;
}

}  // namespace korvidan
