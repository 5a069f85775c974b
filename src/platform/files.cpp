// Path mapping and the file layer. Every system call goes through SystemCalls
// (platform/system_calls.h), so tests can make any of them fail.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "platform/codepage.h"
#include "platform/system_calls.h"

namespace korvidan {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool Exists(const std::string& linuxPath) {
    struct stat info {};
    return SystemCalls.PathStatus(linuxPath.c_str(), &info) == 0;
}

// Case folding for name matching: ASCII and the Latin-1 capitals, which cover
// every letter of CP850.
char32_t FoldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c == 0x178) return 0xFF;
    return c;
}

// The folded characters of a UTF-8 name, or nothing when it is not valid UTF-8.
std::optional<std::u32string> FoldedName(const std::string& name) {
    std::u32string folded;
    std::size_t pos = 0;
    while (pos < name.size()) {
        const auto c = NextUtf8Char(name, pos);
        if (!c) return std::nullopt;
        folded.push_back(FoldCase(*c));
    }
    return folded;
}

// The entry of a folder whose name equals the wanted one without regard to case;
// the first in byte order when several do.
std::optional<std::string> FindIgnoringCase(const std::string& folder, const std::string& wanted) {
    const auto wantedFolded = FoldedName(wanted);
    DIR* dir = SystemCalls.OpenDir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr || !wantedFolded) {
        if (dir != nullptr) SystemCalls.CloseDir(dir);
        return std::nullopt;
    }
    std::optional<std::string> best;
    while (const struct dirent* entry = SystemCalls.ReadDir(dir)) {
        const std::string name = entry->d_name;
        if (best && name >= *best) continue;
        if (FoldedName(name) == wantedFolded) best = name;
    }
    SystemCalls.CloseDir(dir);
    return best;
}

}  // namespace

std::string MapPath(const std::string& path) {
    std::size_t pos = 0;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        pos = 2;
    std::string result;
    if (pos < path.size() && IsSeparator(path[pos])) result.push_back('/');
    bool found = true;  // every component so far exists; past a missing one, none can
    while (pos < path.size()) {
        while (pos < path.size() && IsSeparator(path[pos])) ++pos;
        std::size_t end = pos;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        if (end == pos) break;
        const std::string name = Cp850ToUtf8(path.substr(pos, end - pos));
        std::string candidate = result + name;
        if (found && !Exists(candidate)) {
            if (const auto match = FindIgnoringCase(result, name))
                candidate = result + *match;
            else
                found = false;
        }
        result = candidate;
        if (end < path.size()) result += '/';
        pos = end;
    }
    return result;
}

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool File::Open(const std::string& path, unsigned mode) {
    Close();
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    switch (mode & FileReadWrite) {
        case FileRead: flags |= O_RDONLY; break;
        case FileWrite: flags |= O_WRONLY; break;
        case FileReadWrite: flags |= O_RDWR; break;
        default: return false;
    }
    if (mode & FileCreate) flags |= O_CREAT;
    // With a lock, the file is cut only once the lock is held, so that a second
    // writer never destroys what the first one is writing.
    if ((mode & FileTruncate) && !(mode & FileExclusive)) flags |= O_TRUNC;
    const std::string linuxPath = MapPath(path);
    if (linuxPath.empty()) return false;
    int fd;
    do fd = SystemCalls.Open(linuxPath.c_str(), flags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    fd_ = fd;
    struct stat info {};
    if (SystemCalls.FileStatus(fd_, &info) != 0 || S_ISDIR(info.st_mode)) {
        Close();
        return false;
    }
    // Non-blocking only served the open (a pipe without a writer must not hang it);
    // devices are then read and written normally.
    if (!S_ISREG(info.st_mode)) fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    if ((mode & FileExclusive) && SystemCalls.Lock(fd_, LOCK_EX | LOCK_NB) != 0) {
        Close();
        return false;
    }
    if ((mode & FileExclusive) && (mode & FileTruncate) && SystemCalls.Truncate(fd_, 0) != 0) {
        Close();
        return false;
    }
    return true;
}

bool File::Close() {
    if (fd_ < 0) return false;
    const int fd = fd_;
    fd_ = -1;
    return SystemCalls.Close(fd) == 0;
}

bool File::IsOpen() const { return fd_ >= 0; }

int64_t File::Read(void* buffer, int64_t count) {
    if (fd_ < 0 || count < 0) return -1;
    auto* bytes = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t got = SystemCalls.Read(fd_, bytes + done, static_cast<size_t>(count - done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

bool File::Write(const void* buffer, int64_t count) {
    if (fd_ < 0 || count < 0) return false;
    const auto* bytes = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t put = SystemCalls.Write(fd_, bytes + done, static_cast<size_t>(count - done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += put;
    }
    return true;
}

bool File::Write(const std::string& bytes) {
    return Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

bool File::Seek(int64_t offset) {
    return fd_ >= 0 && offset >= 0 && SystemCalls.Seek(fd_, offset, SEEK_SET) == offset;
}

int64_t File::Tell() const {
    if (fd_ < 0) return -1;
    return SystemCalls.Seek(fd_, 0, SEEK_CUR);
}

int64_t File::Size() const {
    struct stat info {};
    if (fd_ < 0 || SystemCalls.FileStatus(fd_, &info) != 0) return -1;
    return info.st_size;
}

bool File::Resize(int64_t length) {
    return fd_ >= 0 && length >= 0 && SystemCalls.Truncate(fd_, length) == 0;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    File file;
    if (!file.Open(path, FileRead)) return false;
    struct stat info {};
    // Only a regular file has a whole to read (a device could go on for ever).
    if (SystemCalls.PathStatus(MapPath(path).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    char chunk[65536];
    for (;;) {
        const int64_t got = file.Read(chunk, sizeof chunk);
        if (got < 0) {
            bytes.clear();
            return false;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
        if (got < static_cast<int64_t>(sizeof chunk)) return true;
    }
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    File file;
    if (!file.Open(path, FileWrite | FileCreate | FileTruncate)) return false;
    const bool written = file.Write(bytes);
    return file.Close() && written;
}

bool DeleteFile(const std::string& path) {
    const std::string linuxPath = MapPath(path);
    return !linuxPath.empty() && SystemCalls.Unlink(linuxPath.c_str()) == 0;
}

bool ChangeDirectory(const std::string& path) {
    const std::string linuxPath = MapPath(path);
    return !linuxPath.empty() && SystemCalls.ChangeDir(linuxPath.c_str()) == 0;
}

bool PathExists(const std::string& path) {
    const std::string linuxPath = MapPath(path);
    return !linuxPath.empty() && Exists(linuxPath);
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    const std::string linuxPath = MapPath(path);
    return !linuxPath.empty() && SystemCalls.PathStatus(linuxPath.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

}  // namespace korvidan
