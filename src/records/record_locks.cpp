// The companion lock file: open-file-description locks on single bytes and a change
// counter in a shared page of the file.
#include "records/record_locks.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace korvidan {

namespace {

// Byte 0 is held shared by every opener; record locks start after the counter page.
constexpr off_t OpenerByte = 0;
constexpr off_t SharedPageSize = 4096;
constexpr off_t RecordLockBase = SharedPageSize;

bool SetLock(int descriptor, short type, off_t start, bool wait) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = 1;
    lock.l_pid = 0;
    int result;
    do {
        result = fcntl(descriptor, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (result == -1 && errno == EINTR);
    return result == 0;
}

std::atomic_ref<uint64_t> Begun(const LockFileRecord& lockFile) {
    return std::atomic_ref<uint64_t>(lockFile.counters[0]);
}

std::atomic_ref<uint64_t> Ended(const LockFileRecord& lockFile) {
    return std::atomic_ref<uint64_t>(lockFile.counters[1]);
}

}  // namespace

bool OpenLockFile(const std::string& dataPath, LockFileRecord& lockFile) {
    lockFile = LockFileRecord{};
    const std::string path = dataPath + ".lck";
    int descriptor;
    do {
        descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (descriptor == -1 && errno == EINTR);
    if (descriptor == -1) return false;
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) ||
        (info.st_size < SharedPageSize && ftruncate(descriptor, SharedPageSize) != 0)) {
        close(descriptor);
        return false;
    }
    void* page = mmap(nullptr, SharedPageSize, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (page == MAP_FAILED) {
        close(descriptor);
        return false;
    }
    lockFile.descriptor = descriptor;
    lockFile.counters = static_cast<uint64_t*>(page);
    // The sole opener clears what a writer killed halfway left behind; then every
    // opener holds the opener byte shared while it has the file open.
    if (SetLock(descriptor, F_WRLCK, OpenerByte, false))
        Ended(lockFile).store(Begun(lockFile).load());
    if (!SetLock(descriptor, F_RDLCK, OpenerByte, true)) {
        CloseLockFile(lockFile);
        return false;
    }
    return true;
}

void CloseLockFile(LockFileRecord& lockFile) {
    if (lockFile.counters != nullptr) munmap(lockFile.counters, SharedPageSize);
    if (lockFile.descriptor != -1) close(lockFile.descriptor);
    lockFile = LockFileRecord{};
}

bool LockRecord(LockFileRecord& lockFile, uint32_t position) {
    return lockFile.descriptor != -1 &&
           SetLock(lockFile.descriptor, F_WRLCK, RecordLockBase + position, false);
}

void UnlockRecord(LockFileRecord& lockFile, uint32_t position) {
    if (lockFile.descriptor != -1)
        SetLock(lockFile.descriptor, F_UNLCK, RecordLockBase + position, false);
}

void BeginChange(LockFileRecord& lockFile) {
    if (lockFile.counters != nullptr) Begun(lockFile).fetch_add(1);
}

void EndChange(LockFileRecord& lockFile) {
    if (lockFile.counters != nullptr) Ended(lockFile).fetch_add(1);
}

uint64_t ChangeStamp(const LockFileRecord& lockFile) {
    if (lockFile.counters == nullptr) return 0;
    const uint64_t begun = Begun(lockFile).load();
    return begun == Ended(lockFile).load() ? begun + 1 : 0;
}

}  // namespace korvidan
