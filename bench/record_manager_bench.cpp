// The record manager against the same work done directly in SQLite with prepared
// statements, over one data file of 1 000 000 records with a 2-segment key: reading
// the whole file along the key, and 100 000 random get-equal lookups.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "records/record_layout.h"
#include "records/record_manager.h"

using namespace korvidan;

namespace {

constexpr uint32_t RecordCount = 1000000;
constexpr uint32_t LookupCount = 100000;
constexpr int32_t RecordLength = 64;

std::string Folder;
std::string DataPath;
std::vector<std::string> LookupKeys;  // raw key values: 8-byte code, 4-byte number

// Key 0: an 8-character customer code and a little-endian line number.
std::string KeyOf(uint32_t index) {
    char code[16];
    std::snprintf(code, sizeof code, "C%07u", index / 4 % 10000000);
    std::string key(code, 8);
    const uint32_t line = index % 4 + 1;
    key.append(reinterpret_cast<const char*>(&line), 4);
    return key;
}

std::string RecordOf(uint32_t index) {
    std::string record = KeyOf(index);
    char rest[64];
    std::snprintf(rest, sizeof rest, "Customer number %u of the benchmark file..........", index);
    record.append(rest, RecordLength - record.size());
    return record;
}

int16_t Call(int16_t operation, uint8_t* block, void* data, int32_t& length, void* key,
             int16_t keyNumber = 0) {
    return RecordManagerCall(operation, block, data, length, key, 0, keyNumber);
}

// Creates the data file with one transaction of inserts in a shuffled order.
void CreateDataFile() {
    char pattern[] = "/tmp/korvidan-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    Folder = pattern;
    DataPath = Folder + "/BENCH.DAT";
    RecordLayout layout;
    layout.recordLength = RecordLength;
    layout.pageSize = 4096;
    KeyDefinition key;
    key.segments = {{1, 8, SegmentContinues}, {9, 4, SegmentBinary}};
    layout.keys = {key};
    std::string create = EncodeRecordLayout(layout);
    std::string path = DataPath;
    path.resize(256, '\0');
    uint8_t block[128] = {};
    int32_t length = static_cast<int32_t>(create.size());
    if (Call(OpCreate, block, create.data(), length, path.data()) != 0 ||
        Call(OpOpen, block, nullptr, length, path.data()) != 0 ||
        Call(OpBeginTransaction, block, nullptr, length, path.data()) != 0)
        std::abort();
    std::vector<uint32_t> order(RecordCount);
    for (uint32_t i = 0; i < RecordCount; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(42));
    char keyBuffer[256];
    for (const uint32_t index : order) {
        std::string record = RecordOf(index);
        length = RecordLength;
        if (Call(OpInsert, block, record.data(), length, keyBuffer) != 0) std::abort();
    }
    if (Call(OpEndTransaction, block, nullptr, length, keyBuffer) != 0 ||
        Call(OpClose, block, nullptr, length, keyBuffer) != 0)
        std::abort();
    std::mt19937 random(7);
    for (uint32_t i = 0; i < LookupCount; ++i) LookupKeys.push_back(KeyOf(random() % RecordCount));
}

void ReportMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct ManagerFile {
    uint8_t block[128] = {};
    ManagerFile() {
        std::string path = DataPath;
        path.resize(256, '\0');
        int32_t length = 0;
        if (Call(OpOpen, block, nullptr, length, path.data()) != 0) std::abort();
    }
    ~ManagerFile() {
        char key[256];
        int32_t length = 0;
        Call(OpClose, block, nullptr, length, key);
    }
};

struct SqliteFile {
    sqlite3* db = nullptr;
    SqliteFile() {
        if (sqlite3_open_v2(DataPath.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            std::abort();
        sqlite3_exec(db, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    }
    ~SqliteFile() { sqlite3_close(db); }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) std::abort();
        return statement;
    }
};

void ManagerReadWholeFile(benchmark::State& state) {
    ManagerFile file;
    char data[1536];
    char key[256];
    for (auto _ : state) {
        uint32_t count = 0;
        int32_t length = sizeof data;
        for (int16_t status = Call(OpGetFirst, file.block, data, length, key); status == 0;
             status = Call(OpGetNext, file.block, data, length, key)) {
            benchmark::DoNotOptimize(data);
            length = sizeof data;
            ++count;
        }
        if (count != RecordCount) state.SkipWithError("not every record was read");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * RecordCount);
    ReportMemory(state);
}

// The same reading done directly: one statement stepped along the key's index, each
// row's record and key copied out as the record manager copies them to its caller.
void SqliteReadWholeFile(benchmark::State& state) {
    SqliteFile file;
    sqlite3_stmt* statement =
        file.Prepare("SELECT position, k0, s0, data FROM records ORDER BY k0, s0");
    char data[1536];
    char key[256];
    for (auto _ : state) {
        uint32_t count = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const int length = sqlite3_column_bytes(statement, 3);
            std::memcpy(data, sqlite3_column_blob(statement, 3), static_cast<size_t>(length));
            std::memcpy(key, data, 12);
            benchmark::DoNotOptimize(sqlite3_column_int64(statement, 0));
            benchmark::DoNotOptimize(data);
            ++count;
        }
        sqlite3_reset(statement);
        if (count != RecordCount) state.SkipWithError("not every record was read");
    }
    sqlite3_finalize(statement);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * RecordCount);
    ReportMemory(state);
}

void ManagerRandomLookups(benchmark::State& state) {
    ManagerFile file;
    char data[1536];
    char key[256] = {};
    for (auto _ : state) {
        for (const std::string& value : LookupKeys) {
            std::memcpy(key, value.data(), value.size());
            int32_t length = sizeof data;
            if (Call(OpGetEqual, file.block, data, length, key) != 0)
                state.SkipWithError("a key was not found");
            benchmark::DoNotOptimize(data);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * LookupCount);
    ReportMemory(state);
}

// The same lookups done directly: the key in sorting form (the line number most
// significant byte first) bound to a prepared statement over the key's index.
void SqliteRandomLookups(benchmark::State& state) {
    SqliteFile file;
    sqlite3_stmt* statement = file.Prepare(
        "SELECT position, k0, s0, data FROM records WHERE k0 >= ?1 ORDER BY k0, s0 LIMIT 1");
    char data[1536];
    char key[256];
    for (auto _ : state) {
        for (const std::string& value : LookupKeys) {
            char form[12];
            std::memcpy(form, value.data(), 8);
            for (int i = 0; i < 4; ++i) form[8 + i] = value[11 - i];
            sqlite3_bind_blob(statement, 1, form, 12, SQLITE_STATIC);
            if (sqlite3_step(statement) != SQLITE_ROW ||
                std::memcmp(sqlite3_column_blob(statement, 1), form, 12) != 0)
                state.SkipWithError("a key was not found");
            const int length = sqlite3_column_bytes(statement, 3);
            std::memcpy(data, sqlite3_column_blob(statement, 3), static_cast<size_t>(length));
            std::memcpy(key, data, 12);
            benchmark::DoNotOptimize(data);
            sqlite3_reset(statement);
        }
    }
    sqlite3_finalize(statement);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * LookupCount);
    ReportMemory(state);
}

BENCHMARK(SqliteReadWholeFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ManagerReadWholeFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(SqliteRandomLookups)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ManagerRandomLookups)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CreateDataFile();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(Folder, ignored);
    return 0;
}
