// Tests of the INI file reader: line ends, comments, sections, keys and quoting.
#include "config/ini_file.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace korvidan {
namespace {

using test::ScratchDir;
using test::WriteFileBytes;

struct IniCase {
    const char* what;
    std::string file;
    std::string section;
    std::string key;
    std::string expected;
};

class IniLookup : public testing::TestWithParam<IniCase> {};

TEST_P(IniLookup, ReturnsTheStoredValue) {
    const IniCase& c = GetParam();
    ScratchDir dir;
    WriteFileBytes(dir / "Test.ini", c.file);
    EXPECT_EQ(ReadIniValue(dir / "Test.ini", c.section, c.key), c.expected) << c.what;
}

const IniCase IniCases[] = {
    {"plain entry", "[Menu]\r\nTitol=Compres\r\nNomMenu=COMPRES\r\n", "Menu", "NomMenu", "COMPRES"},
    {"names trimmed and upper-cased on both sides", "[menu]\r\ntitol=Vendes\r\n", " Menu ",
     " Titol  ", "Vendes"},
    {"CP850 small letters fold", "[Caf\x82]\r\nk=1\r\n", "CAF\x90", "K", "1"},
    {"other accented letters do not fold", "[Secci\xA2]\r\nk=1\r\n", "SECCI\xE0", "k", ""},
    {"key trimmed, value keeps the blank after =", "[A]\r\nkey = 21\r\n", "A", "key", " 21"},
    {"blanks before a comment belong to the value", "[A]\r\nk=21   ;IVA general\r\n", "A", "k",
     "21   "},
    {"further = belong to the value", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
    {"quotes removed", "[A]\r\nk=\"a b \"\r\n", "A", "k", "a b "},
    {"quoted value cut at ;", "[A]\r\nk=\"a;b\"\r\n", "A", "k", "\"a"},
    {"single quote kept", "[A]\r\nk=\"\r\n", "A", "k", "\""},
    {"quote at one end kept", "[A]\r\nk=\"x\r\n", "A", "k", "\"x"},
    {"empty value", "[A]\r\nk=\r\n", "A", "k", ""},
    {"first occurrence wins", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "1"},
    {"second section of the same name not searched", "[A]\r\nx=1\r\n[B]\r\n[A]\r\nk=2\r\n", "A",
     "k", ""},
    {"entry after the section ended", "[A]\r\n[B]\r\nk=1\r\n", "A", "k", ""},
    {"entry before the first header", "k=1\r\n[A]\r\n", "A", "k", ""},
    {"header without ]", "[Menu\r\nk=v\r\n", "Menu", "k", "v"},
    {"text after ] ignored", "  [A] extra ; note\r\nk=v\r\n", "A", "k", "v"},
    {"empty header matches a blank section", "[ ]\r\nk=v\r\n", "  ", "k", "v"},
    {"commented header is no header", ";[A]\r\nk=1\r\n[A]\r\nk=2\r\n", "A", "k", "2"},
    {"lines without = passed over", "[A]\r\nnoise\r\n\r\n   \r\nk=v\r\n", "A", "k", "v"},
    {"indented entry", "[A]\r\n   k=v\r\n", "A", "k", "v"},
    {"tab before the key", "[A]\r\n\tk=v\r\n", "A", "k", ""},
    {"tab before =", "[A]\r\nk\t=v\r\n", "A", "k", ""},
    {"CR alone ends lines", "[A]\rk=v\r", "A", "k", "v"},
    {"LF alone does not end lines", "[A]\nk=v\n", "A", "k", ""},
    {"last line without a line end", "[A]\r\nk=v", "A", "k", "v"},
    {"0x1A ends the file", "[A]\r\nk=v\x1A\r\nj=w\r\n", "A", "j", ""},
    {"value cut at 0x1A", "[A]\r\nk=v\x1Aw\r\n", "A", "k", "v"},
    {"missing section", "[A]\r\nk=v\r\n", "B", "k", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniLookup, testing::ValuesIn(IniCases));

TEST(IniFile, UnopenableFilesGiveTheEmptyText) {
    ScratchDir dir;
    EXPECT_EQ(ReadIniValue(dir / "Missing.ini", "A", "k"), "");
    EXPECT_EQ(ReadIniValue(dir / "NoFolder/Test.ini", "A", "k"), "");
    EXPECT_EQ(ReadIniValue(dir.path(), "A", "k"), "");  // a folder
    EXPECT_EQ(ReadIniValue("", "A", "k"), "");
}

TEST(IniFile, FindsTheFileWithDosSeparatorsAndAnyCase) {
    ScratchDir dir;
    WriteFileBytes(dir / "ZIRP.INI", "[Usuari]\r\nIdioma=SPA\r\n");
    EXPECT_EQ(ReadIniValue(dir.path() + "Zirp.ini", "Usuari", "Idioma"), "SPA");
}

TEST(IniFile, LongLinesAndGarbage) {
    ScratchDir dir;
    const std::string big(1 << 20, 'x');
    WriteFileBytes(dir / "Big.ini", "[A]\r\n" + big + "\r\nlong=" + big + "\r\nk=v\r\n");
    EXPECT_EQ(ReadIniValue(dir / "Big.ini", "A", "long"), big);
    EXPECT_EQ(ReadIniValue(dir / "Big.ini", "A", "k"), "v");

    // Every byte but the line end, the end-of-file mark and the comment sign, on one line.
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        const char c = static_cast<char>((i * 7919) & 0xFF);
        if (c != '\r' && c != '\x1A' && c != ';' && c != '[') garbage += c;
    }
    WriteFileBytes(dir / "Garbage.ini", garbage + "\r\n[A]\r\n" + garbage + "\r\nk=v\r\n");
    EXPECT_EQ(ReadIniValue(dir / "Garbage.ini", "A", "k"), "v");
}

}  // namespace
}  // namespace korvidan
