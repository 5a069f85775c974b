// Tests of the start-up configuration: environment, the three INI files, defaults.
#include "config/run_context.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "support/test_support.h"

namespace korvidan {
namespace {

using test::ScopedEnv;
using test::ScratchDir;
using test::WriteFileBytes;

const char* const Variables[] = {"QORROOT",         "QOREXE",      "QORTMP", "QORTERM",
                                 "HTTP_USER_AGENT", "HTTP_ACCEPT", "WINDIR", "SYSTEMROOT"};

// Each test runs with every variable of the suite unset, inside a scratch folder
// that is also the current directory.
class RunContextTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetRunContext();
        for (const char* name : Variables) env.Unset(name);
        ASSERT_NE(getcwd(startDir, sizeof startDir), nullptr);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(startDir), 0);
        ResetRunContext();
    }

    ScratchDir dir;
    ScopedEnv env;
    char startDir[4096] = {};
};

std::vector<int16_t> Colours() {
    std::vector<int16_t> flat;
    for (const ColourPair& pair : RunContext.colourTable) {
        flat.push_back(pair.foreground);
        flat.push_back(pair.background);
    }
    return flat;
}

const std::vector<int16_t> DefaultColours = {15, 0, 7, 0, 0, 7, 0, 7, 0, 7};

TEST_F(RunContextTest, NothingConfiguredGivesTheDefaults) {
    LoadRunContext();
    EXPECT_EQ(RunContext.rootDir, "");
    EXPECT_EQ(RunContext.exeDir, "");
    EXPECT_EQ(RunContext.tempDir, "");
    EXPECT_EQ(RunContext.terminalDir, "");
    EXPECT_EQ(RunContext.menuTitle, "  ");
    EXPECT_EQ(RunContext.menuName, "");
    EXPECT_EQ(Colours(), DefaultColours);
    EXPECT_EQ(RunContext.workDate, "");
    EXPECT_EQ(RunContext.outputDevice, "");
    EXPECT_EQ(RunContext.language, "   ");
    EXPECT_EQ(RunContext.platformKind, "DOS");
    EXPECT_EQ(RunContext.organisationName, "");
}

TEST_F(RunContextTest, ReadsTheWholeInstallation) {
    WriteFileBytes(dir / "Davivi.ini",
                   "[Menu]\r\nTitol=Utilitats\r\nNomMenu=UTIL\r\n[Terminal]\r\nDir=TERM\\\r\n");
    WriteFileBytes(
        dir / "ZirpTerm.ini",
        "[Pantalla]\r\nSeleccio=1\r\nCol0=01020304050607080910\r\nCol1=15010701000701070003\r\n"
        "[Sistema]\r\nData=20240315\r\nSortida=PRN\r\nIdioma=SPA\r\n");
    WriteFileBytes(dir / "Zirp.ini", "[Empresa]\r\nNom=Gestoria Puig, SL\r\n");
    env.Set("QORROOT", dir.path());
    env.Set("QOREXE", "/opt/suite/bin");
    env.Set("QORTMP", dir.path());
    LoadRunContext();
    EXPECT_EQ(RunContext.rootDir, dir.path());
    EXPECT_EQ(RunContext.exeDir, "/opt/suite/bin");  // used as given
    EXPECT_EQ(RunContext.tempDir, dir.path());
    EXPECT_EQ(RunContext.menuTitle, " Utilitats ");
    EXPECT_EQ(RunContext.menuName, "UTIL");
    EXPECT_EQ(RunContext.terminalDir, "TERM\\");
    EXPECT_EQ(Colours(), (std::vector<int16_t>{15, 1, 7, 1, 0, 7, 1, 7, 0, 3}));
    EXPECT_EQ(RunContext.workDate, "\x94\x98\x83\x8F");
    EXPECT_EQ(RunContext.outputDevice, "PRN");
    EXPECT_EQ(RunContext.language, "SPA");
    EXPECT_EQ(RunContext.organisationName, "Gestoria Puig, SL");
}

TEST_F(RunContextTest, FoldersGetAFinalSeparator) {
    WriteFileBytes(dir / "Davivi.ini", "[Menu]\r\nTitol=T\r\n[Terminal]\r\nDir=C:\r\n");
    env.Set("QORTMP", dir.path().substr(0, dir.path().size() - 1));
    LoadRunContext();
    EXPECT_EQ(RunContext.tempDir, dir.path().substr(0, dir.path().size() - 1) + "\\");
    EXPECT_EQ(RunContext.menuTitle, " T ");   // Davivi.ini found through the added separator
    EXPECT_EQ(RunContext.terminalDir, "C:");  // a drive alone stays as it is

    // A drive alone as QORTMP: the files are read from that drive's current folder.
    WriteFileBytes(dir / "ZirpTerm.ini", "[Sistema]\r\nSortida=LPT2\r\n");
    env.Set("QORTMP", "C:");
    LoadRunContext();
    EXPECT_EQ(RunContext.tempDir, "C:");
    EXPECT_EQ(RunContext.menuTitle, " T ");
    EXPECT_EQ(RunContext.outputDevice, "LPT2");
}

TEST_F(RunContextTest, WithoutQorTmpTheTerminalFolderServes) {
    ASSERT_EQ(mkdir((dir / "term").c_str(), 0755), 0);
    WriteFileBytes(dir / "Davivi.ini", "[Terminal]\r\nDir=term\r\n");
    WriteFileBytes(dir / "term/ZirpTerm.ini", "[Sistema]\r\nSortida=LPT1\r\n");
    LoadRunContext();
    EXPECT_EQ(RunContext.terminalDir, "term\\");
    EXPECT_EQ(RunContext.tempDir, "term\\");
    EXPECT_EQ(RunContext.outputDevice, "LPT1");

    // With no [Terminal] Dir the terminal folder comes from the environment.
    WriteFileBytes(dir / "Davivi.ini", "[Menu]\r\n");
    env.Set("QORTERM", "term");
    LoadRunContext();
    EXPECT_EQ(RunContext.tempDir, "term\\");
    EXPECT_EQ(RunContext.outputDevice, "LPT1");
}

TEST_F(RunContextTest, RootFolderIsGluedToTheFileName) {
    WriteFileBytes(dir / "instZirp.ini", "[Empresa]\r\nNom=Glued\r\n[Usuari]\r\nIdioma=GLG\r\n");
    env.Set("QORROOT", dir / "inst");
    LoadRunContext();
    EXPECT_EQ(RunContext.organisationName, "Glued");
    EXPECT_EQ(RunContext.language, "GLG");  // a blank terminal language falls back to Zirp.ini
}

struct ColourCase {
    const char* what;
    std::string pantalla;
    std::vector<int16_t> expected;
};

TEST_F(RunContextTest, ColourSelection) {
    const ColourCase cases[] = {
        {"missing selected key gives the default, not Col0",
         "Seleccio=2\r\nCol0=01010101010101010101\r\n", DefaultColours},
        {"no selection reads Col0",
         "Col0=01020304050607080910\r\n",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"negative selection",
         "Seleccio=-1\r\nCol-1=01020304050607080910\r\n",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"selection rounds half to even",
         "Seleccio=2.5\r\nCol2=01020304050607080910\r\n",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"a short text leaves the rest at zero",
         "Col0=151407010003\r\n",
         {15, 14, 7, 1, 0, 3, 0, 0, 0, 0}},
        {"odd length", "Col0=1514070\r\n", {15, 14, 7, 0, 0, 0, 0, 0, 0, 0}},
        {"numbers are not checked", "Col0=99xx-1\r\n", {99, 0, -1, 0, 0, 0, 0, 0, 0, 0}},
    };
    env.Set("QORTMP", dir.path());
    for (const ColourCase& c : cases) {
        WriteFileBytes(dir / "ZirpTerm.ini", "[Pantalla]\r\n" + c.pantalla);
        LoadRunContext();
        EXPECT_EQ(Colours(), c.expected) << c.what;
    }
}

TEST_F(RunContextTest, LanguageIsAFieldOfThree) {
    const std::pair<std::string, std::string> cases[] = {
        {"spa", "spa"}, {"Castellano", "Cas"}, {"CA", "CA "}, {"   ", "OCI"}, {"", "OCI"},
    };
    WriteFileBytes(dir / "Zirp.ini", "[Usuari]\r\nIdioma=OCI\r\n");
    env.Set("QORTMP", dir.path());
    env.Set("QORROOT", dir.path());
    for (const auto& [configured, expected] : cases) {
        WriteFileBytes(dir / "ZirpTerm.ini", "[Sistema]\r\nIdioma=" + configured + "\r\n");
        LoadRunContext();
        EXPECT_EQ(RunContext.language, expected) << configured;
    }
}

TEST_F(RunContextTest, PlatformKind) {
    struct Case {
        std::vector<const char*> set;
        const char* expected;
    };
    const Case cases[] = {
        {{}, "DOS"},
        {{"WINDIR"}, "WIN"},
        {{"SYSTEMROOT"}, "WIN"},
        {{"HTTP_ACCEPT", "WINDIR"}, "CGI"},
        {{"HTTP_USER_AGENT"}, "CGI"},
    };
    for (const Case& c : cases) {
        ScopedEnv local;
        for (const char* name : c.set) local.Set(name, "x");
        LoadRunContext();
        EXPECT_EQ(RunContext.platformKind, c.expected) << c.set.size();
    }
}

TEST_F(RunContextTest, HugeAndInvalidEnvironmentValues) {
    env.Set("QORTMP", std::string(10000, 'a'));
    env.Set("QORROOT", "\xff\xfe not UTF-8");
    LoadRunContext();
    EXPECT_EQ(RunContext.tempDir, std::string(10000, 'a') + "\\");
    EXPECT_EQ(RunContext.rootDir, "");
    EXPECT_EQ(Colours(), DefaultColours);
}

}  // namespace
}  // namespace korvidan
