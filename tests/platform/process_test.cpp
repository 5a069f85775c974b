// Tests of starting a child program and waiting for it.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system_calls.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

class ProcessTest : public ::testing::Test {
protected:
    void TearDown() override { ResetSystemCalls(); }
    test::ScratchDir dir;
};

TEST_F(ProcessTest, ArgumentsReachTheChildUnchangedAndConverted) {
    const std::string out = dir / "args";
    int status = -5;
    // Blanks, quotes and shell characters arrive as they are: no shell reads them.
    ASSERT_TRUE(RunProgram("/bin/sh",
                           {"-c", "printf '%s|' \"$@\" > \"$0\"", out, "a b", "$(false);*", "caf\x82 \xD5"},
                           status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(test::ReadFileBytes(out), "a b|$(false);*|caf\xC3\xA9 \xE2\x82\xAC|");
}

TEST_F(ProcessTest, ExitStatusAndSignals) {
    int status = 0;
    ASSERT_TRUE(RunProgram("/bin/sh", {"-c", "exit 7"}, status));
    EXPECT_EQ(status, 7);
    ASSERT_TRUE(RunProgram("/bin/sh", {"-c", "kill -TERM $$"}, status));
    EXPECT_EQ(status, 128 + 15);
    // Ctrl+C reaches the child with its default action, while this process ignores it
    // during the wait and keeps its own handling afterwards.
    struct sigaction own {}, seen {};
    own.sa_handler = [](int) {};
    sigaction(SIGINT, &own, nullptr);
    ASSERT_TRUE(RunProgram("/bin/sh", {"-c", "kill -INT $$; exit 0"}, status));
    EXPECT_EQ(status, 128 + SIGINT);
    sigaction(SIGINT, nullptr, &seen);
    EXPECT_EQ(seen.sa_handler, own.sa_handler);
    signal(SIGINT, SIG_DFL);
}

TEST_F(ProcessTest, ProgramPathIsMappedAndEnvironmentAndDirectoryInherited) {
    const std::string script = dir / "qorprint";
    test::WriteFileBytes(script, "#!/bin/sh\necho \"$QORTMP:$(pwd)\" > out\nexit 3\n");
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    test::ScopedEnv env;
    env.Set("QORTMP", "/tmp/x/");

    int status = 0;
    EXPECT_TRUE(RunProgram("C:" + dir.path() + "QORPRINT", {}, status));  // the name in any case
    EXPECT_EQ(status, 3);
    char real[4096];
    ASSERT_NE(realpath(dir.path().c_str(), real), nullptr);
    EXPECT_EQ(test::ReadFileBytes(dir / "out"), "/tmp/x/:" + std::string(real) + "\n");
    status = 0;
    EXPECT_TRUE(RunProgram("QORPRINT", {}, status));  // a bare name found in the current directory
    EXPECT_EQ(status, 3);
    ASSERT_EQ(chdir(saved), 0);
}

TEST_F(ProcessTest, ProgramThatCannotStart) {
    int status = 42;
    EXPECT_FALSE(RunProgram(dir / "QORPRINT", {}, status));
    EXPECT_FALSE(RunProgram("korvidan-no-such-program", {}, status));
    EXPECT_FALSE(RunProgram("", {}, status));
    test::WriteFileBytes(dir / "plain", "not a program");
    EXPECT_FALSE(RunProgram(dir / "plain", {}, status));
    EXPECT_EQ(status, 42);
    SystemCalls.Spawn = [](pid_t*, const char*, const posix_spawn_file_actions_t*,
                           const posix_spawnattr_t*, char* const[], char* const[]) { return EAGAIN; };
    EXPECT_FALSE(RunProgram("/bin/true", {}, status));
    EXPECT_EQ(status, 42);
}

}  // namespace
}  // namespace korvidan
