// Tests of the confirmation and print run over a copy of the demo installation,
// with a print program that only notes that it was started.
#include "app/confirm_print.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "app/tax_report.h"
#include "config/run_context.h"
#include "config/translate.h"
#include "datetime/picture.h"
#include "forms/field_editor.h"
#include "forms/form_engine.h"
#include "forms/form_set.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "print/print_file.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "support/screen_fixture.h"
#include "support/scripted_console.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::FileExists;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::ScratchDir;
using test::ScriptedConsole;
using test::Step;
using test::WriteFileBytes;

constexpr int16_t Enter = 0x0d, Esc = 0x1b;

// The whole screen as text, one line per row.
std::string ScreenText() {
    std::string text;
    for (int16_t row = 1; row <= 25; ++row) text += ConsoleRowText(row) + "\n";
    return text;
}

class ConfirmPrintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto backend = std::make_unique<ScriptedConsole>();
        backend->mouse = false;
        console = backend.get();
        UseConsoleBackend(std::move(backend), 25, 80);
        ResetAll();
        std::filesystem::copy(std::string(KORVIDAN_SOURCE_DIR) + "/install/demo", root.path(),
                              std::filesystem::copy_options::recursive);
        // The print program notes each start, with the folder it was started in.
        WriteFileBytes(exe / "qorprint", "#!/bin/sh\npwd >> " + (exe / "started.log") + "\n");
        chmod((exe / "qorprint").c_str(), 0755);
        env.Set("QORROOT", root.path());
        env.Set("QORTMP", root.path());
        env.Set("QOREXE", exe.path());
        startDir = std::filesystem::current_path();
        LoadRunContext();
        ASSERT_EQ(chdir(root.path().c_str()), 0);
        RunContext.programName = "KORVIDAN";
    }
    void TearDown() override {
        EXPECT_EQ(console->dryReads, 0) << "the run asked for more keys than scripted";
        EXPECT_TRUE(console->script.empty());
        EXPECT_EQ(WindowStack.depth, 0);
        EXPECT_EQ(chdir(startDir.c_str()), 0);
        ResetAll();
    }
    static void ResetAll() {
        test::ResetScreenLayers();
        ResetTranslate();
        ResetPictureCharacters();
        ResetPrintFile();
        ResetTaxReport();
        ResetFieldEditor();
        ResetFormSet();
        ResetFormEngine();
    }
    // Loads the form file and runs the confirmation with the keys given.
    void Confirm(std::vector<Step> keys) {
        console->script.assign(keys.begin(), keys.end());
        LoadFormSet();
        ConfirmAndPrint();
    }
    int Starts() {
        const std::string log = ReadFileBytes(exe / "started.log");
        return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    }
    std::vector<std::string> PrintRecords() {
        std::vector<std::string> records;
        const std::string bytes = ReadFileBytes(root / "qorprint.tmp");
        for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            records.push_back(bytes.substr(start, end - start));
        }
        return records;
    }

    ScratchDir root;
    ScratchDir exe;
    ScopedEnv env;
    std::string startDir;
    ScriptedConsole* console = nullptr;
};

TEST_F(ConfirmPrintTest, AnswerSPrintsAndStartsThePrintProgramOnce) {
    Confirm({{'S',
              [] {
                  const std::string screen = ScreenText();
                  EXPECT_NE(screen.find("Imprimir la taula de tipus impositius (S/N)? "),
                            std::string::npos);
                  EXPECT_NE(screen.find(" Utilitats de l'empresa "), std::string::npos);
              }},
             {Enter, {}}});
    EXPECT_EQ(FieldAt(1, 1).value, "S");
    const std::vector<std::string> records = PrintRecords();
    ASSERT_EQ(records.size(), 38u);
    EXPECT_EQ(records[0], "DEVICEPANTALLA");
    EXPECT_EQ(Starts(), 1);
    const std::string rootDir = root.path().substr(0, root.path().size() - 1);
    EXPECT_EQ(ReadFileBytes(exe / "started.log"), rootDir + "\n")
        << "started in the program's current directory";
    EXPECT_TRUE(FileExists(root / "qorprint.tmp"))
        << "the print file is left for the print program";
}

TEST_F(ConfirmPrintTest, AnyOtherAnswerPrintsNothing) {
    const std::vector<std::vector<Step>> answers = {
        {{'s', {}}, {Enter, {}}},  // a small s
        {{'S', {}}, {Esc, {}}},    // Esc discards the typed S
        {{Enter, {}}},             // blank
        {{'N', {}}, {Enter, {}}},
    };
    for (const std::vector<Step>& keys : answers) {
        Confirm(keys);
        EXPECT_FALSE(FileExists(root / "qorprint.tmp"));
        EXPECT_EQ(Starts(), 0);
        ResetFormSet();
    }
}

TEST_F(ConfirmPrintTest, AnswerIsBlankedBeforeTheForm) {
    console->script.assign({{Enter, {}}});
    LoadFormSet();
    FieldAt(1, 1).value = "S";
    ConfirmAndPrint();
    EXPECT_EQ(FieldAt(1, 1).value, " ");
    EXPECT_EQ(Starts(), 0);
}

TEST_F(ConfirmPrintTest, UnwritablePrintFileIsShownAndNothingIsStarted) {
    // A folder where the print file should be: it cannot be created.
    std::filesystem::create_directories(root / "qorprint.tmp");
    Confirm(
        {{'S', {}},
         {Enter, {}},
         {Esc, [&] {
              const std::string screen = ScreenText();
              EXPECT_NE(screen.find("No es pot crear el fitxer d'impressi\xA2"), std::string::npos)
                  << screen;
              EXPECT_NE(screen.find("qorprint.tmp"), std::string::npos);
          }}});
    EXPECT_EQ(Starts(), 0);
}

TEST_F(ConfirmPrintTest, MissingPrintProgramIsShown) {
    RunContext.exeDir = exe / "nowhere/";
    Confirm({{'S', {}},
             {Enter, {}},
             {Enter, [] {
                  EXPECT_NE(ScreenText().find("No es pot iniciar el programa d'impressi\xA2"),
                            std::string::npos);
              }}});
    EXPECT_EQ(PrintRecords().size(), 38u);
}

TEST_F(ConfirmPrintTest, FaultyFormFileIsShownAndNoFormRuns) {
    WriteFileBytes(root / "FORMS/KORVIDAN.QFM", "1,1\r\n0d\r\n5,0,0,0,0,0\r\n");
    Confirm(
        {{'S', [] {
              const std::string screen = ScreenText();
              EXPECT_NE(screen.find("KORVIDAN.QFM, l\xA1nia 3: el formulari"), std::string::npos)
                  << screen;
              EXPECT_NE(screen.find("camps que el m\x85xim del fitxer"), std::string::npos)
                  << screen;
              EXPECT_EQ(screen.find("Imprimir"), std::string::npos);
          }}});
    EXPECT_FALSE(FileExists(root / "qorprint.tmp"));
    EXPECT_EQ(Starts(), 0);
}

TEST_F(ConfirmPrintTest, SpanishLabelAndMessages) {
    std::string settings = ReadFileBytes(root / "ZirpTerm.ini");
    settings.replace(settings.find("Idioma=CAT"), 10, "Idioma=SPA");
    WriteFileBytes(root / "ZirpTerm.ini", settings);
    LoadRunContext();
    RunContext.programName = "KORVIDAN";
    std::filesystem::remove(root / "FORMS/KORVIDAN.QFM");
    Confirm({{Esc, [&] {
                  EXPECT_NE(ScreenText().find("KORVIDAN.QFM: no se puede"), std::string::npos);
              }}});
    std::filesystem::copy(std::string(KORVIDAN_SOURCE_DIR) + "/install/demo/FORMS/KORVIDAN.QFM",
                          root / "FORMS/KORVIDAN.QFM");
    Confirm({{Esc, [] {
                  EXPECT_NE(ScreenText().find("\xA8Imprimir la tabla de tipos impositivos (S/N)? "),
                            std::string::npos);
              }}});  // ¿
}

}  // namespace
}  // namespace korvidan
