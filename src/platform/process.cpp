// Starting a child program with an argument vector and waiting for it, with the
// terminal handed over meanwhile.
#include "platform/process.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>

#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/system_calls.h"

extern char** environ;

namespace korvidan {

namespace {

// The file to start: a path with a separator is mapped; a bare name is taken from
// the current directory when it is there, and otherwise left for the PATH search.
std::string ProgramFile(const std::string& program) {
    if (program.find_first_of("\\/:") != std::string::npos) return MapPath(program);
    if (PathExists(program) && !IsDirectory(program)) return "./" + MapPath(program);
    return Cp850ToUtf8(program);
}

// While the child runs, this process ignores the terminal's interrupt and quit
// keys (meant for the child), as a shell does.
class IgnoreTerminalSignals {
public:
    IgnoreTerminalSignals() {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGINT, &ignore, &savedInterrupt_);
        sigaction(SIGQUIT, &ignore, &savedQuit_);
    }
    ~IgnoreTerminalSignals() {
        sigaction(SIGINT, &savedInterrupt_, nullptr);
        sigaction(SIGQUIT, &savedQuit_, nullptr);
    }
    IgnoreTerminalSignals(const IgnoreTerminalSignals&) = delete;
    IgnoreTerminalSignals& operator=(const IgnoreTerminalSignals&) = delete;

private:
    struct sigaction savedInterrupt_ {};
    struct sigaction savedQuit_ {};
};

}  // namespace

bool RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                int& exitStatus) {
    const std::string file = ProgramFile(program);
    if (file.empty()) return false;
    std::vector<std::string> texts;
    texts.reserve(arguments.size() + 1);
    texts.push_back(Cp850ToUtf8(program));
    for (const std::string& argument : arguments) texts.push_back(Cp850ToUtf8(argument));
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child starts with every signal at its default and none blocked, whatever
    // this process ignores or blocks.
    sigset_t defaults, empty;
    sigfillset(&defaults);
    sigdelset(&defaults, SIGKILL);
    sigdelset(&defaults, SIGSTOP);
    sigemptyset(&empty);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &empty);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    bool started = false;
    ConsoleSuspend();
    {
        IgnoreTerminalSignals ignore;
        pid_t pid = 0;
        if (SystemCalls.Spawn(&pid, file.c_str(), nullptr, &attributes, argv.data(), environ) == 0) {
            int status = 0;
            pid_t waited;
            do waited = SystemCalls.WaitPid(pid, &status, 0);
            while (waited < 0 && errno == EINTR);
            started = true;
            exitStatus = waited != pid          ? -1
                         : WIFEXITED(status)     ? WEXITSTATUS(status)
                         : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                               : -1;
        }
    }
    ConsoleResume();
    posix_spawnattr_destroy(&attributes);
    return started;
}

}  // namespace korvidan
