// The system calls of the platform layer, reached through one table so that tests
// can put failing versions in place and exercise every error path.
#pragma once

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace korvidan {

struct SystemCallTable {
    int (*Open)(const char* path, int flags, mode_t mode);
    int (*Close)(int fd);
    ssize_t (*Read)(int fd, void* buffer, size_t count);
    ssize_t (*Write)(int fd, const void* buffer, size_t count);
    off_t (*Seek)(int fd, off_t offset, int whence);
    int (*FileStatus)(int fd, struct stat* info);
    int (*PathStatus)(const char* path, struct stat* info);
    int (*Truncate)(int fd, off_t length);
    int (*Lock)(int fd, int operation);
    int (*Unlink)(const char* path);
    int (*ChangeDir)(const char* path);
    DIR* (*OpenDir)(const char* path);
    struct dirent* (*ReadDir)(DIR* dir);
    int (*CloseDir)(DIR* dir);
    int (*Spawn)(pid_t* pid, const char* file, const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attributes, char* const argv[], char* const envp[]);
    pid_t (*WaitPid)(pid_t pid, int* status, int options);
};

// The table in use; a test may replace entries and must call ResetSystemCalls after.
extern SystemCallTable SystemCalls;

// Puts the real system calls back in every entry.
void ResetSystemCalls();

}  // namespace korvidan
