// Tests of the clipboard: the file paste reads back, OSC 52 to the terminal, limits.
#include "platform/clipboard.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/console.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override { UseVirtualConsole(25, 80); }
    ScratchDir dir;
};

TEST_F(ClipboardTest, CopiedTextComesBackAndReachesTheTerminal) {
    const std::string text = "Hola \xD5\x01";  // Hola €, then a control byte kept as it is
    PutClipboardText(dir.path(), text);
    EXPECT_EQ(ReadFileBytes(dir / ClipboardFileName), text);
    EXPECT_EQ(GetClipboardText(dir.path()), text);
    // Base64 of the UTF-8 "Hola \xE2\x82\xAC\x01".
    EXPECT_EQ(VirtualRawOutput(), "\x1b]52;c;SG9sYSDigqwB\a");
}

TEST_F(ClipboardTest, FolderIsASystemPath) {
    std::filesystem::create_directory(dir / "TERM");
    PutClipboardText(dir.path() + "term\\", "abc");
    EXPECT_EQ(ReadFileBytes(dir / "TERM/QORCLIP.TMP"), "abc");
    EXPECT_EQ(GetClipboardText(dir.path() + "Term\\"), "abc");
}

TEST_F(ClipboardTest, NothingToPasteGivesEmptyText) {
    EXPECT_EQ(GetClipboardText(dir.path()), "");
    // A folder that cannot be written keeps nothing, without failing the copy.
    PutClipboardText(dir / "missing/", "abc");
    EXPECT_EQ(GetClipboardText(dir / "missing/"), "");
    EXPECT_FALSE(VirtualRawOutput().empty());
}

TEST_F(ClipboardTest, LongTextsAreCutToTheLimit) {
    PutClipboardText(dir.path(), std::string(ClipboardLimit + 10, 'x'));
    EXPECT_EQ(GetClipboardText(dir.path()), std::string(ClipboardLimit, 'x'));
    WriteFileBytes(dir / ClipboardFileName, std::string(ClipboardLimit * 3, 'y'));
    EXPECT_EQ(GetClipboardText(dir.path()), std::string(ClipboardLimit, 'y'));
}

}  // namespace
}  // namespace korvidan
