// The table of system calls behind the platform layer, filled with the real ones.
#include "platform/system_calls.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvidan {

namespace {

// open is variadic, so it gets a plain wrapper to fit the table.
int OpenFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

constexpr SystemCallTable RealSystemCalls = {
    OpenFile, ::close,   ::read,   ::write,   ::lseek,    ::fstat,       ::stat,     ::ftruncate,
    ::flock,  ::unlink,  ::chdir,  ::opendir, ::readdir,  ::closedir,    ::posix_spawnp, ::waitpid,
};

}  // namespace

SystemCallTable SystemCalls = RealSystemCalls;

void ResetSystemCalls() { SystemCalls = RealSystemCalls; }

}  // namespace korvidan
