// Tests of the language files: the field reader, the lookup and the file's creation.
#include "config/translate.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/run_context.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::FileExists;
using test::ReadFileBytes;
using test::ScratchDir;
using test::WriteFileBytes;

class TranslateTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetRunContext();
        ResetTranslate();
        RunContext.rootDir = dir.path();
        RunContext.programName = "KORVIDAN";
        mkdir((dir / "LOCALE").c_str(), 0755);
    }
    void TearDown() override {
        ResetRunContext();
        ResetTranslate();
    }
    std::string LanguageFile() const { return dir / "LOCALE/KORVIDAN.LNG"; }

    ScratchDir dir;
};

TEST_F(TranslateTest, CatalanTouchesNoFile) {
    RunContext.language = "CAT";
    EXPECT_EQ(Translate("SECCI\xE0"), "SECCI\xE0");
    EXPECT_FALSE(FileExists(LanguageFile()));
}

TEST_F(TranslateTest, MissingFileIsCreatedEmpty) {
    RunContext.language = "SPA";
    EXPECT_EQ(Translate("SECCI\xE0"), "SECCI\xE0");
    ASSERT_TRUE(FileExists(LanguageFile()));
    EXPECT_EQ(ReadFileBytes(LanguageFile()), "");
}

TEST_F(TranslateTest, MissingFolderIsNotCreated) {
    RunContext.language = "SPA";
    RunContext.rootDir = dir / "elsewhere/";
    EXPECT_EQ(Translate("SECCI\xE0"), "SECCI\xE0");
    EXPECT_FALSE(FileExists(dir / "elsewhere"));
}

TEST_F(TranslateTest, FolderWhereTheFileShouldBe) {
    RunContext.language = "SPA";
    mkdir(LanguageFile().c_str(), 0755);
    EXPECT_EQ(Translate("SECCI\xE0"), "SECCI\xE0");
}

TEST_F(TranslateTest, ModuleNameIsKeptFromTheFirstCall) {
    RunContext.language = "SPA";
    WriteFileBytes(LanguageFile(), "A\r\nga\r\noa\r\nsa\r\n");
    EXPECT_EQ(Translate("A"), "sa");
    RunContext.programName = "OTHER";
    EXPECT_EQ(Translate("A"), "sa");
    EXPECT_FALSE(FileExists(dir / "LOCALE/OTHER.LNG"));
}

// A small file in the usual layout: one field per line, four lines per record.
const std::string Usual =
    "\"P\xB7GINA \"\r\n\"P\xB5XINA \"\r\n\"PAGINA \"\r\n\"P\xB5GINA \"\r\n"  // PÀGINA, PÁXINA,
                                                                             // PÁGINA
    "SECCI\xE0\r\nSECCI\xE0N\r\nSECCION\r\nSECCI\xE0N\r\n"                   // SECCIÓ, SECCIÓN
    "\"A, B\"\r\n\"A, B gl\"\r\n\"A, B oc\"\r\n\"A, B es\"\r\n"
    "DUP\r\ng1\r\no1\r\ns1\r\nDUP\r\ng2\r\no2\r\ns2\r\n";

struct LookupCase {
    const char* what;
    std::string file;
    std::string language;
    std::string text;
    std::string expected;
};

class Lookup : public testing::TestWithParam<LookupCase> {};

TEST_P(Lookup, FindsTheRecord) {
    const LookupCase& c = GetParam();
    EXPECT_EQ(FindTranslation(c.file, c.text, c.language), c.expected) << c.what;
}

const LookupCase LookupCases[] = {
    {"Spanish", Usual, "SPA", "SECCI\xE0", "SECCI\xE0N"},
    {"Galician", Usual, "GLG", "P\xB7GINA ", "P\xB5XINA "},
    {"Occitan", Usual, "OCI", "SECCI\xE0", "SECCION"},
    {"unknown language", Usual, "ENG", "SECCI\xE0", "SECCI\xE0"},
    {"small letters are not a language", Usual, "spa", "SECCI\xE0", "SECCI\xE0"},
    {"blank language", Usual, "   ", "SECCI\xE0", "SECCI\xE0"},
    {"trailing blank is part of the key", Usual, "SPA", "P\xB7GINA", "P\xB7GINA"},
    {"quoted key with a comma", Usual, "SPA", "A, B", "A, B es"},
    {"first of two equal keys", Usual, "SPA", "DUP", "s1"},
    {"text not in the file", Usual, "SPA", "RES", "RES"},
    {"empty file", "", "SPA", "A", "A"},
    {"unquoted comma splits the key and shifts the records",
     "A, B\r\ng\r\no\r\ns\r\nC\r\ngc\r\noc\r\nsc\r\n", "SPA", "C", "C"},
    {"unquoted comma: a shifted field is read as a key",
     "A, B\r\ng\r\no\r\ns\r\nC\r\ngc\r\noc\r\nsc\r\n", "SPA", "s", "oc"},
    {"empty line is an empty field", "\r\nK\r\ng\r\no\r\ns\r\n", "SPA", "K", "K"},
    {"empty line as a wanted field", "K\r\n\r\no\r\ns\r\n", "GLG", "K", ""},
    {"comma-separated record", "K,g,o,s\r\n", "OCI", "K", "o"},
    {"blanks before a field skipped, trailing kept", "   K  ,g,o,  s  \r\n", "SPA", "K  ", "s  "},
    {"tabs and LFs dropped from plain fields", "K\t\n,g,o,s\tx\r\n", "SPA", "K", "sx"},
    {"quoted field spans line ends", "\"K\r\nL\"\r\ng\r\no\r\ns\r\n", "SPA", "K\r\nL", "s"},
    {"blanks, tabs, LFs after the closing quote", "\"K\" \t\n,g,o,s\r\n", "SPA", "K", "s"},
    {"missing fields at the end read as empty", "K\r\ng\r\n", "SPA", "K", ""},
    {"a key alone is not a record", "K", "SPA", "K", "K"},
    {"unclosed quote runs to the end", "K,g,o,\"s, and more\r\n", "SPA", "K", "s, and more\r\n"},
    {"0x1A ends the file", "K,g,o,s\x1A\r\nL,g,o,t\r\n", "SPA", "L", "L"},
    {"0x1A ends a field", "K,g,o,s\x1Ax\r\n", "SPA", "K", "s"},
    {"LF alone ends no field", "K\ng\no\ns\n,G,O,S\r\n", "SPA", "Kgos", "S"},
};

INSTANTIATE_TEST_SUITE_P(Cases, Lookup, testing::ValuesIn(LookupCases));

TEST_F(TranslateTest, ReadsTheInstallationFile) {
    WriteFileBytes(LanguageFile(), Usual);
    RunContext.language = "SPA";
    EXPECT_EQ(Translate("P\xB7GINA "), "P\xB5GINA ");
    EXPECT_EQ(ReadFileBytes(LanguageFile()), Usual);  // never changed
}

}  // namespace
}  // namespace korvidan
