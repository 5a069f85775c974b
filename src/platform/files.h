// Files of the system: the mapping of its DOS-style paths onto the Linux file
// system, and a small file layer over the system calls of platform/system_calls.h.
// Every path taken here is a path of the system (CP850) and goes through MapPath.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

// Maps a path of the system onto a Linux path in UTF-8: "\" and "/" both separate,
// a leading drive "X:" is dropped, and each component that does not exist as
// written is matched without regard to case among its folder's entries (the first
// match in byte order); a component without a match (a new file) stays as written.
std::string MapPath(const std::string& path);

// How File::Open opens a file; combine with |.
enum FileMode : unsigned {
    FileRead = 1,
    FileWrite = 2,
    FileReadWrite = FileRead | FileWrite,
    FileCreate = 4,     // create the file when it does not exist
    FileTruncate = 8,   // cut it to length 0 (after the lock, with FileExclusive)
    FileExclusive = 16, // take an exclusive advisory lock without waiting; the open
                        // fails when another open file holds it
};

// An open file: movable, not copyable, closed when it goes out of scope. A failed
// operation returns false or -1 and leaves the object usable; a closed File
// refuses every operation.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens the file at a system path in a mode of FileMode bits; false when it
    // cannot be opened, is a folder, or is locked by another (FileExclusive).
    // A file already open in this object is closed first.
    bool Open(const std::string& path, unsigned mode);
    // Closes the file (and drops its lock); false when the system reported an error.
    bool Close();
    bool IsOpen() const;
    // Reads up to count bytes at the file position: the number read (less at the end), -1 on error.
    int64_t Read(void* buffer, int64_t count);
    // Writes all count bytes at the file position; false when not all were written.
    bool Write(const void* buffer, int64_t count);
    bool Write(const std::string& bytes);
    // Moves the file position to an offset from the start.
    bool Seek(int64_t offset);
    // The file position, and the file's length; -1 on error.
    int64_t Tell() const;
    int64_t Size() const;
    // Cuts or extends the file to a length.
    bool Resize(int64_t length);

private:
    int fd_ = -1;
};

// Reads a whole regular file into bytes; false (bytes empty) when it cannot.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Creates or replaces a file with the bytes given.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Deletes a file.
bool DeleteFile(const std::string& path);
// Makes a folder the current directory.
bool ChangeDirectory(const std::string& path);
// Whether a file or folder exists at the path, and whether it is a folder.
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

}  // namespace korvidan
