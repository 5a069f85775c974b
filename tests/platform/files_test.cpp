// Tests of path mapping, the file layer and its failing system calls.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system_calls.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

class FilesTest : public ::testing::Test {
protected:
    void TearDown() override { ResetSystemCalls(); }
    test::ScratchDir dir;
};

TEST_F(FilesTest, MapPathMatchesComponentsWithoutRegardToCase) {
    ASSERT_EQ(mkdir((dir / "Forms").c_str(), 0777), 0);
    ASSERT_EQ(mkdir((dir / "\xC3\xA7" "aixa").c_str(), 0777), 0);  // çaixa
    test::WriteFileBytes(dir / "Forms/Korvidan.QFM", "x");
    test::WriteFileBytes(dir / "Zirp.ini", "x");
    test::WriteFileBytes(dir / "dup.txt", "x");
    test::WriteFileBytes(dir / "DUP.TXT", "x");
    test::WriteFileBytes(dir / "caf\xC3\xA9", "x");  // café
    const std::string root = dir.path();
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {root + "FORMS\\KORVIDAN.QFM", root + "Forms/Korvidan.QFM"},
        {"C:" + root + "forms/korvidan.qfm", root + "Forms/Korvidan.QFM"},
        {"c:\\" + root.substr(1) + "ZIRP.INI", root + "Zirp.ini"},
        {root + "FORMS\\\\/Korvidan.qfm", root + "Forms/Korvidan.QFM"},
        {root + "FORMS\\", root + "Forms/"},
        {root + "Forms\\Nou.TXT", root + "Forms/Nou.TXT"},        // a new file, as named
        {root + "NOFOLDER\\Zirp.INI", root + "NOFOLDER/Zirp.INI"}, // nothing past a missing folder
        {root + "dup.Txt", root + "DUP.TXT"},                     // first in byte order
        {root + "dup.txt", root + "dup.txt"},                     // as written when it exists
        {root + "CAF\x90", root + "caf\xC3\xA9"},                 // CAFÉ finds café
        {root + "\x80" "AIXA\\nou", root + "\xC3\xA7" "aixa/nou"}, // ÇAIXA finds çaixa
        {"", ""},
        {"C:", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(MapPath(c.path), c.expected) << c.path;
}

TEST_F(FilesTest, RelativePathsAndTheCurrentDirectory) {
    test::WriteFileBytes(dir / "Davivi.ini", "[Menu]");
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_TRUE(ChangeDirectory("C:" + dir.path()));
    EXPECT_EQ(MapPath("C:DAVIVI.INI"), "Davivi.ini");
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile("davivi.ini", bytes));
    EXPECT_EQ(bytes, "[Menu]");
    EXPECT_FALSE(ChangeDirectory(dir / "missing"));
    ASSERT_EQ(chdir(saved), 0);
}

TEST_F(FilesTest, WriteReadSeekAndResize) {
    File file;
    ASSERT_TRUE(file.Open(dir / "WinPush.tmp", FileReadWrite | FileCreate));
    EXPECT_TRUE(file.Write("0123456789"));
    EXPECT_EQ(file.Tell(), 10);
    EXPECT_EQ(file.Size(), 10);
    ASSERT_TRUE(file.Seek(4));
    EXPECT_TRUE(file.Write("ab"));
    ASSERT_TRUE(file.Seek(2));
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 8);
    EXPECT_EQ(std::string(buffer, 8), "23ab6789");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
    EXPECT_TRUE(file.Resize(3));
    EXPECT_EQ(file.Size(), 3);
    EXPECT_FALSE(file.Seek(-1));

    File moved = std::move(file);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_TRUE(moved.Close());
    // A closed file refuses everything.
    EXPECT_FALSE(moved.Close());
    EXPECT_EQ(moved.Read(buffer, 1), -1);
    EXPECT_FALSE(moved.Write("x"));
    EXPECT_EQ(moved.Tell(), -1);
    EXPECT_EQ(moved.Size(), -1);
    EXPECT_EQ(test::ReadFileBytes(dir / "WinPush.tmp"), "012");

    ASSERT_TRUE(file.Open(dir / "WINPUSH.TMP", FileWrite | FileTruncate));
    EXPECT_EQ(file.Size(), 0);
    EXPECT_FALSE(File().Open(dir / "missing.tmp", FileRead));
    EXPECT_FALSE(File().Open(dir / "WinPush.tmp", FileCreate));  // neither read nor write
}

TEST_F(FilesTest, WholeFilesExistenceAndDeletion) {
    ASSERT_TRUE(WriteWholeFile(dir / "a.txt", std::string("\0\r\n\x1A", 4)));
    std::string bytes = "stale";
    ASSERT_TRUE(ReadWholeFile(dir / "A.TXT", bytes));
    EXPECT_EQ(bytes, std::string("\0\r\n\x1A", 4));
    const std::string big(200000, 'q');
    ASSERT_TRUE(WriteWholeFile(dir / "big", big));
    ASSERT_TRUE(ReadWholeFile(dir / "big", bytes));
    EXPECT_EQ(bytes, big);

    EXPECT_TRUE(PathExists(dir / "A.TXT"));
    EXPECT_FALSE(IsDirectory(dir / "A.TXT"));
    EXPECT_TRUE(IsDirectory(dir.path()));
    EXPECT_TRUE(DeleteFile(dir / "A.txt"));
    EXPECT_FALSE(PathExists(dir / "a.txt"));
    EXPECT_FALSE(DeleteFile(dir / "a.txt"));
    EXPECT_FALSE(ReadWholeFile(dir / "a.txt", bytes));
    EXPECT_EQ(bytes, "");
}

TEST_F(FilesTest, FoldersAndPipesAreNotFiles) {
    ASSERT_EQ(mkdir((dir / "Browse.tmp").c_str(), 0777), 0);
    for (unsigned mode : {unsigned{FileRead}, unsigned{FileReadWrite | FileCreate}, unsigned{FileWrite}})
        EXPECT_FALSE(File().Open(dir / "Browse.tmp", mode)) << mode;
    std::string bytes;
    EXPECT_FALSE(ReadWholeFile(dir / "Browse.tmp", bytes));
    EXPECT_FALSE(WriteWholeFile(dir / "Browse.tmp", "x"));
    // A pipe without a writer neither hangs the open nor the read of a whole file.
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0666), 0);
    EXPECT_FALSE(ReadWholeFile(dir / "pipe", bytes));
}

TEST_F(FilesTest, ExclusiveLockKeepsASecondWriterOut) {
    File first;
    ASSERT_TRUE(first.Open(dir / "qorprint.tmp", FileWrite | FileCreate | FileTruncate | FileExclusive));
    ASSERT_TRUE(first.Write("DEVICE"));
    File second;
    EXPECT_FALSE(second.Open(dir / "qorprint.tmp", FileWrite | FileCreate | FileTruncate | FileExclusive));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(test::ReadFileBytes(dir / "qorprint.tmp"), "DEVICE");  // not cut by the loser
    first.Close();
    EXPECT_TRUE(second.Open(dir / "qorprint.tmp", FileWrite | FileCreate | FileTruncate | FileExclusive));
    EXPECT_EQ(second.Size(), 0);
}

TEST_F(FilesTest, FailingSystemCallsAreReported) {
    test::WriteFileBytes(dir / "data", "abcdef");
    std::string bytes;

    SystemCalls.Open = [](const char*, int, mode_t) { errno = EACCES; return -1; };
    EXPECT_FALSE(ReadWholeFile(dir / "data", bytes));
    EXPECT_FALSE(WriteWholeFile(dir / "data", "x"));
    ResetSystemCalls();

    SystemCalls.Read = [](int, void*, size_t) -> ssize_t { errno = EIO; return -1; };
    EXPECT_FALSE(ReadWholeFile(dir / "data", bytes));
    EXPECT_EQ(bytes, "");
    ResetSystemCalls();

    SystemCalls.Write = [](int, const void*, size_t) -> ssize_t { errno = ENOSPC; return -1; };
    EXPECT_FALSE(WriteWholeFile(dir / "out", "text"));
    ResetSystemCalls();

    SystemCalls.Close = [](int fd) { ::close(fd); errno = EIO; return -1; };
    EXPECT_FALSE(WriteWholeFile(dir / "out", "text"));  // a failed close loses the write
    ResetSystemCalls();

    SystemCalls.Lock = [](int, int) { errno = EWOULDBLOCK; return -1; };
    EXPECT_FALSE(File().Open(dir / "data", FileWrite | FileTruncate | FileExclusive));
    EXPECT_EQ(test::ReadFileBytes(dir / "data"), "abcdef");
    ResetSystemCalls();

    SystemCalls.Truncate = [](int, off_t) { errno = EIO; return -1; };
    EXPECT_FALSE(File().Open(dir / "data", FileWrite | FileTruncate | FileExclusive));
    ResetSystemCalls();

    SystemCalls.Unlink = [](const char*) { errno = EPERM; return -1; };
    EXPECT_FALSE(DeleteFile(dir / "data"));
    ResetSystemCalls();
    EXPECT_TRUE(PathExists(dir / "data"));
}

TEST_F(FilesTest, ShortTransfersAndInterruptionsAreCompleted) {
    // Each call moves one byte, and every other call is interrupted first.
    static bool interrupt;
    interrupt = false;
    SystemCalls.Write = [](int fd, const void* buffer, size_t) -> ssize_t {
        if ((interrupt = !interrupt)) { errno = EINTR; return -1; }
        return ::write(fd, buffer, 1);
    };
    SystemCalls.Read = [](int fd, void* buffer, size_t) -> ssize_t {
        if ((interrupt = !interrupt)) { errno = EINTR; return -1; }
        return ::read(fd, buffer, 1);
    };
    ASSERT_TRUE(WriteWholeFile(dir / "slow", "0123456789"));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(dir / "slow", bytes));
    EXPECT_EQ(bytes, "0123456789");
}

}  // namespace
}  // namespace korvidan
