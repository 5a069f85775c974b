// Tests of the form engine on a scripted console: drawing, navigation, exit flags,
// continuation forms, the mouse, refusals, help and browse lists.
#include "forms/form_engine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <initializer_list>
#include <utility>
#include <vector>

#include "config/run_context.h"
#include "config/translate.h"
#include "forms/field_editor.h"
#include "forms/form_set.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/window_stack.h"
#include "support/screen_fixture.h"
#include "support/scripted_console.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::Click;
using test::Probe;
using test::ScriptedConsole;
using test::Step;

constexpr int16_t Enter = 0x0d, Esc = 0x1b, F1 = 0x3b00, F2 = 0x3c00, F4 = 0x3e00, Up = 0x4800,
                  PgUp = 0x4900, Down = 0x5000, PgDn = 0x5100;
constexpr int16_t F11 = static_cast<int16_t>(0x8500);

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

class FormEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto backend = std::make_unique<ScriptedConsole>();
        console = backend.get();
        UseConsoleBackend(std::move(backend), 25, 80);
        test::ResetScreenLayers();
        ResetTranslate();
        ResetFieldEditor();
        ResetFormSet();
        ResetFormEngine();
        BrowseListHandler = nullptr;
        RunContext.language = "CAT";
        RunContext.tempDir = scratch.path();
        RunContext.menuTitle = " Menu ";
    }
    void TearDown() override {
        EXPECT_EQ(console->dryReads, 0) << "the form asked for more keys than scripted";
        EXPECT_TRUE(console->script.empty()) << "the form ended before the script did";
        EXPECT_EQ(WindowStack.depth, 0);
        EXPECT_FALSE(KeyMap.saveInUse);
        BrowseListHandler = nullptr;
    }
    void Load(const std::string& file) {
        LoadFormSetFromBytes(file, "T.QFM");
        ASSERT_EQ(FormSetProblem(), "");
    }
    void Script(const std::vector<Step>& steps) {
        console->script.assign(steps.begin(), steps.end());
    }
    // Runs a form with the exit flags given and returns its ending key.
    int16_t Run(int16_t formNo, int16_t exitAtTop = 0, int16_t exitAtBottom = 0) {
        int16_t key = 0;
        RunForm(formNo, exitAtTop, exitAtBottom, key);
        return key;
    }
    const std::string& Value(int16_t formNo, int16_t fieldNo) {
        return FieldAt(formNo, fieldNo).value;
    }

    test::ScratchDir scratch;
    ScriptedConsole* console = nullptr;
};

// One window-less form: A (field 1), a display-only line, B (field 3), C (field 4).
const std::string ThreeFields = Lines({
    "1,4",
    "0d,1b,5000,4800,4900,5100,3c00,3e00,3b00,2,4400",
    "4,0,0,0,0,0",
    "3,2",
    "A:",
    "2,0,0,0,0,0",
    "",
    "4,2",
    "note",
    "0,0,0,4,0,0",
    "",
    "5,2",
    "B:",
    "2,0,0,0,0,0",
    "",
    "6,2",
    "C:",
    "2,0,0,0,0,0",
    "",
});

TEST_F(FormEngineTest, DrawsTitleLabelsAndValuesInTheFormWindow) {
    Load(Lines({"1,2", "0d,1b", "2,0,5,10,9,40", "1,2", "Nom: ", "4,0,0,0,0,0", "", "2,2",
                "Clau: ", "3,0,0,2,0,0", ""}));
    FieldAt(1, 1).value = "Anna";
    FieldAt(1, 2).value = "xyz";
    struct Title {
        std::string text;
        int16_t column;
    };
    for (const Title& t : {Title{std::string(20, 'T'), 31}, Title{std::string(7, 'S'), 38}}) {
        RunContext.menuTitle = t.text;
        Script({Probe(Esc, [&] {
            EXPECT_EQ(
                ConsoleRowText(1, t.column, static_cast<int16_t>(t.column + t.text.size() - 1)),
                t.text);
            EXPECT_EQ(ConsoleRowText(5, 10, 40), "\xC9" + std::string(29, '\xCD') + "\xBB");
            EXPECT_EQ(ConsoleRowText(6, 12, 20), "Nom: Anna");
            EXPECT_EQ(ConsoleRowText(7, 12, 20), "Clau:    ") << "a masked value is never shown";
        })});
        EXPECT_EQ(Run(1), Esc);
        EXPECT_EQ(ConsoleRowText(6, 10, 40), std::string(31, ' ')) << "the window closed";
    }
}

TEST_F(FormEngineTest, DisplayOnlyFieldIsPassedOverBothWays) {
    Load(ThreeFields);
    Script({'a', Down, 'b', Up, 'c', Down, Down, 'z', Enter});
    EXPECT_EQ(Run(1), Enter) << "Enter on the last field leaves the form";
    EXPECT_EQ(Value(1, 1), "c ");
    EXPECT_EQ(Value(1, 3), "b ");
    EXPECT_EQ(Value(1, 4), "z ");
}

TEST_F(FormEngineTest, EscDiscardsAndGoesToTheFirstField) {
    Load(ThreeFields);
    FieldAt(1, 3).value = "ol";
    Script(
        {Down, Probe('q', [] { EXPECT_EQ(ConsoleRowText(5, 4, 5), "ol"); }),
         Probe(Esc, [] { EXPECT_EQ(ConsoleRowText(5, 4, 5), "ql"); }),
         Probe('n', [] { EXPECT_EQ(ConsoleRowText(5, 4, 5), "ol") << "stored value shown again"; }),
         Esc});
    EXPECT_EQ(Run(1), Esc);
    EXPECT_EQ(Value(1, 3), "ol");
    EXPECT_EQ(Value(1, 1), "  ") << "Esc on the first field stores nothing";
}

TEST_F(FormEngineTest, PageKeysAndExitFlags) {
    Load(ThreeFields);
    struct Case {
        const char* name;
        int16_t exitAtTop, exitAtBottom;
        std::vector<Step> keys;
        int16_t ending;
        int16_t resume;
    };
    const Case cases[] = {
        {"PgUp on the first field stays", 0, 0, {PgUp, 'x', Esc}, Esc, 0},
        {"PgUp with exitAtTop leaves", -1, 0, {PgUp}, PgUp, 1},
        {"PgDn goes to the last field", 0, 0, {PgDn, 'y', PgDn, Up, Esc, Esc}, Esc, 0},
        {"PgDn on the last with exitAtBottom leaves", 0, -1, {PgDn, PgDn}, PgDn, 1},
        {"Ctrl+B leaves", 0, 0, {2}, 2, 0},
        {"a key outside the navigation keys leaves", 0, 0, {0x4400}, 0x4400, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResumeForm = 7;
        Script(c.keys);
        int16_t formNo = 1, top = c.exitAtTop, bottom = c.exitAtBottom, key = 0;
        RunForm(formNo, top, bottom, key);
        EXPECT_EQ(key, c.ending);
        EXPECT_EQ(ResumeForm, c.resume);
    }
    EXPECT_EQ(Value(1, 4), "y ");
}

// Form 1 continues into form 2, which has its own window.
const std::string Chain = Lines({
    "2,2",
    "0d,1b,5000,4800,4900,5100,3c00",
    "2,2,0,0,0,0",
    "2,2",
    "A:",
    "1,0,0,0,0,0",
    "",
    "3,2",
    "B:",
    "1,0,0,0,0,0",
    "",
    "0d,1b,5000,4800,4900,5100,3c00",
    "1,0,10,10,14,30",
    "1,2",
    "C:",
    "1,0,0,0,0,0",
    "",
});

TEST_F(FormEngineTest, ContinuationForms) {
    Load(Chain);
    auto inForm2 = [] { EXPECT_EQ(ConsoleRowText(11, 12, 13), "C:"); };
    auto backInForm1 = [] {
        EXPECT_EQ(ConsoleRowText(11, 12, 13), "  ") << "form 2's window closed";
    };
    // Up on the continuation's first field returns to field 2 of form 1; F2 then opens
    // the continuation from any field; Enter on its last field ends both forms.
    Script({'a', Enter, 'b', Probe(Enter, {}), Probe('c', inForm2), Up, Probe('d', backInForm1), Up,
            Probe(F2, {}), Probe('e', inForm2), Enter});
    EXPECT_EQ(Run(1), Enter);
    EXPECT_EQ(Value(1, 1), "a");
    EXPECT_EQ(Value(1, 2), "d");
    EXPECT_EQ(Value(2, 1), "e");

    // Esc in the continuation goes back to the parent's field, not out of the chain.
    Script({Enter, Down, Esc, Probe(Esc, backInForm1), Esc});
    EXPECT_EQ(Run(1), Esc);
}

TEST_F(FormEngineTest, ResumeDescendsIntoTheFormWhereTheChainWasLeft) {
    Load(Chain);
    Script({Enter, Enter, PgDn});
    EXPECT_EQ(Run(1, -1, -1), PgDn);
    EXPECT_EQ(ResumeForm, 2);
    // The next run goes straight to form 2; PgUp there leaves the chain again.
    Script({Probe('z', [] { EXPECT_EQ(ConsoleRowText(11, 12, 13), "C:"); }), PgUp});
    EXPECT_EQ(Run(1, -1, -1), PgUp);
    EXPECT_EQ(Value(2, 1), "z");
    EXPECT_EQ(ResumeForm, 2);
    // The chain is resumed once: Esc in form 2 drops back into form 1's own fields.
    Script({Probe(Esc, [] { EXPECT_EQ(ConsoleRowText(11, 12, 13), "C:"); }), Esc});
    EXPECT_EQ(Run(1), Esc);
    EXPECT_EQ(ResumeForm, 0);
}

TEST_F(FormEngineTest, MouseMovesBetweenEnterableFields) {
    Load(ThreeFields);
    // A click on C's label, then on the display-only line (nothing there to enter),
    // then F11 (a click outside every field): each accepts the current edit first.
    // Up on the first field of a form run directly stays there.
    Script({'a', Click(6, 2), 'c', Click(4, 3), 'd', F11, 'e', Click(3, 5), 'f', Up, Esc});
    EXPECT_EQ(Run(1), Esc);
    EXPECT_EQ(Value(1, 4), "e ") << "F11 entered the same field again";
    EXPECT_EQ(Value(1, 1), "f ");

    // In a form with a window, the click is taken relative to it.
    Load(Lines({"1,2", "0d,1b,4800", "2,0,10,10,14,40", "1,2", "X:", "2,0,0,0,0,0", "", "2,2",
                "Y:", "2,0,0,0,0,0", ""}));
    Script({'p', Click(12, 12), 'k', Up, Esc});
    EXPECT_EQ(Run(1), Esc);
    EXPECT_EQ(Value(1, 1), "p ");
    EXPECT_EQ(Value(1, 2), "k ");
}

TEST_F(FormEngineTest, RefusedEditBeepsAndEditsTheSameTextAgain) {
    Load(ThreeFields);
    int calls = 0;
    AcceptFieldHook = [&](int16_t formNo, const std::string& text, int16_t& fieldNo,
                          int16_t& key) -> int16_t {
        ++calls;
        EXPECT_EQ(CurrentField.fieldNo, fieldNo);
        if (text == "no") return 1;
        FieldAt(formNo, fieldNo).value = text;
        (void)key;
        return 0;
    };
    InsertMode = false;
    Script({'n', 'o', Enter, Probe(0x4700, [] { EXPECT_EQ(ConsoleRowText(3, 4, 5), "no"); }), 'o',
            'k', Enter, Esc, Esc});
    EXPECT_EQ(Run(1), Esc);
    EXPECT_EQ(console->beeps, 1);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Value(1, 1), "ok");
    EXPECT_EQ(CurrentField.fieldNo, 0) << "cleared when the form returns";
}

TEST_F(FormEngineTest, FieldFlags) {
    Load(Lines({"1,3", "0d,1b", "3,0,0,0,0,0", "1,1", "A", "4,0,0,1,0,0", "", "2,1", "P",
                "4,0,0,2,0,0", "", "3,1", "E", "5,0,0,8,0,0", ""}));
    FieldAt(1, 1).value = "keep";
    FieldAt(1, 2).value = "pass";
    FieldAt(1, 3).value = "ab   ";
    Script({Probe(Enter, [] { EXPECT_EQ(ConsoleRowText(1, 2, 5), "    ") << "starts blank"; }),
            Probe('s', [] { EXPECT_EQ(ConsoleRowText(2, 2, 5), "XXXX"); }), Enter,
            Probe('c', [] { EXPECT_EQ(ConsoleCursorColumn(), 4) << "after the last non-blank"; }),
            Enter});
    EXPECT_EQ(Run(1), Enter);
    EXPECT_EQ(Value(1, 1), "keep") << "a blank entry keeps the old value";
    EXPECT_EQ(Value(1, 2), "s   ");
    EXPECT_EQ(ConsoleRowText(2, 2, 5).find('s'), std::string::npos)
        << "a masked value is never displayed";
    EXPECT_EQ(Value(1, 3), "abc  ");
    EXPECT_EQ(MaskChar, 0);
}

TEST_F(FormEngineTest, HelpOnF1DiscardsTheTypedText) {
    std::filesystem::create_directories(scratch / "AJUDA");
    test::WriteFileBytes(scratch / "AJUDA/TEMA.HLP",
                         std::string("Ajuda del tema").append(64, ' ') + "\r\n");
    const std::string cwd = std::filesystem::current_path();
    ASSERT_EQ(chdir(scratch.path().c_str()), 0);
    Load(ThreeFields);
    RunContext.menuName = "TEMA  ";
    RunContext.platformKind = "DOS";
    Script({'h', F1, Probe(Esc, [] { EXPECT_EQ(ConsoleRowText(5, 3, 16), "Ajuda del tema"); }),
            Probe(Enter, [] { EXPECT_EQ(ConsoleRowText(3, 4, 5), "  "); }), Esc, Esc});
    EXPECT_EQ(Run(1), Esc);
    EXPECT_EQ(Value(1, 1), "  ");
    // Without a topic F1 does nothing visible and the field is entered again.
    RunContext.menuName = "";
    Script({F1, 'x', Esc});
    EXPECT_EQ(Run(1), Esc);
    ASSERT_EQ(chdir(cwd.c_str()), 0);
}

TEST_F(FormEngineTest, BrowseListOnF4) {
    Load(Lines({"1,2", "0d,1b,3e00", "2,0,0,0,0,0", "1,1", "A", "2,0,0,0,0,1", "", "2,1", "B",
                "2,0,0,0,0,0", "", "1", "0,0,2,2,20,70,0", "Llista", "0"}));
    // With no browse list registered F4 enters the same field again.
    Script({'a', F4, 'b', Esc});
    EXPECT_EQ(Run(1), Esc);
    EXPECT_EQ(Value(1, 1), "  ");

    int runs = 0;
    int16_t status = -1;
    BrowseListHandler = [&](int16_t& browseNo, int16_t& result) {
        EXPECT_EQ(browseNo, 1);
        ++runs;
        result = status;
    };
    AfterBrowseHook = [](int16_t&, int16_t formNo, int16_t& fieldNo) {
        FieldAt(formNo, fieldNo).value = "pk";
    };
    // A cancelled list refuses with a beep; a picked record moves on to the next field.
    Script({F4, Probe(F4, [&] { status = 0; }),
            Probe('z', [] { EXPECT_EQ(ConsoleRowText(2, 2, 3), "  "); }), Enter});
    EXPECT_EQ(Run(1), Enter);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(console->beeps, 1);
    EXPECT_EQ(Value(1, 1), "pk");
    EXPECT_EQ(Value(1, 2), "z ");
}

// The hooks get their arguments in order: a non-zero AfterFormHook runs the field
// loop again from the first field; AfterBrowseHook can ask for the list again
// (browse number 0) or move the form to another field.
TEST_F(FormEngineTest, AfterFormAndAfterBrowseHooks) {
    Load(ThreeFields);
    std::vector<std::pair<int16_t, int16_t>> afterForm;
    AfterFormHook = [&](int16_t formNo, int16_t key) -> int16_t {
        afterForm.emplace_back(formNo, key);
        return afterForm.size() == 1 ? 1 : 0;
    };
    Script({Esc, Probe('r', [] { EXPECT_EQ(ConsoleCursorRow(), 3) << "on field 1 again"; }), PgDn,
            Esc, Esc});
    EXPECT_EQ(Run(1), Esc);
    EXPECT_EQ(afterForm, (std::vector<std::pair<int16_t, int16_t>>{{1, Esc}, {1, Esc}}));
    EXPECT_EQ(Value(1, 1), "r ");
    AfterFormHook = [](int16_t, int16_t) -> int16_t { return 0; };

    int runs = 0;
    BrowseListHandler = [&](int16_t& browseNo, int16_t& status) {
        EXPECT_EQ(browseNo, 2);
        ++runs;
        status = 0;
    };
    FieldAt(1, 1).browseNo = 2;
    std::vector<int16_t> hookFields;
    AfterBrowseHook = [&](int16_t& browseNo, int16_t formNo, int16_t& fieldNo) {
        EXPECT_EQ(formNo, 1);
        hookFields.push_back(fieldNo);
        if (runs == 1) browseNo = 0;  // once more
        else fieldNo = 4;             // go on at field 4 (C)
    };
    Script({'x', F4, Probe('c', [] { EXPECT_EQ(ConsoleCursorRow(), 6) << "on field 4"; }), Esc,
            Esc});
    EXPECT_EQ(Run(1), Esc);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(hookFields, (std::vector<int16_t>{1, 1}));
    EXPECT_EQ(Value(1, 1), "r ") << "the text typed before F4 is not stored";
    EXPECT_EQ(Value(1, 4), "  ") << "Esc discarded the edit of field 4";

    // A record picked on the last field of a form without continuation leaves it with Enter.
    FieldAt(1, 4).browseNo = 2;
    AfterBrowseHook = [](int16_t&, int16_t, int16_t&) {};
    Script({PgDn, F4});
    EXPECT_EQ(Run(1), Enter);
    EXPECT_EQ(runs, 3);
}

// A display-only field reached with a key that moves nowhere is passed over instead
// of being visited for ever: here a browse hook sends the form to its last field.
TEST_F(FormEngineTest, DisplayOnlyFieldReachedWithoutMoveIsPassed) {
    Load(Lines({"1,2", "0d,1b,3e00", "2,0,0,0,0,0", "1,1", "A", "2,0,0,0,0,1", "", "2,1", "B",
                "2,0,0,4,0,0", "", "1", "0,0,2,2,20,70,0", "Llista", "0"}));
    BrowseListHandler = [](int16_t&, int16_t& status) { status = 0; };
    AfterBrowseHook = [](int16_t&, int16_t, int16_t& fieldNo) { fieldNo = 2; };
    Script({F4});
    EXPECT_EQ(Run(1), 0);
}

// A form without its own window is drawn in the current one, and its clicks are
// taken relative to that window too.
TEST_F(FormEngineTest, ClicksOnAFormDrawnInTheCurrentWindow) {
    Load(Lines({"1,2", "0d,1b,4800", "2,0,0,0,0,0", "1,2", "X:", "2,0,0,0,0,0", "", "2,2", "Y:",
                "2,0,0,0,0,0", ""}));
    OpenWindow(10, 20, 15, 50);
    Script({Probe('p', [] { EXPECT_EQ(ConsoleRowText(11, 22, 23), "X:"); }), Click(12, 22), 'k',
            Up, Esc});
    EXPECT_EQ(Run(1), Esc);
    CloseWindow();
    EXPECT_EQ(Value(1, 1), "p ");
    EXPECT_EQ(Value(1, 2), "k ") << "the click on Y's label moved there";
}

TEST_F(FormEngineTest, FormsThatCannotRunAreRefused) {
    Load(Lines(
        {"2,1", "0d", "0,0,0,0,0,0", "0d", "1,0,0,0,0,0", "1,70", "Nom: ", "4,0,0,0,0,0", ""}));
    for (int16_t formNo : {int16_t{0}, int16_t{3}, int16_t{-3}}) {
        EXPECT_EQ(Run(formNo), Esc);
    }
    EXPECT_EQ(console->beeps, 3);
    // A form without enterable fields is drawn and returns at once with the key unchanged.
    int16_t formNo = 1, top = 0, bottom = 0, key = 0x1234;
    RunForm(formNo, top, bottom, key);
    EXPECT_EQ(key, 0x1234);
    // Inside a window, a window-less form whose fields would leave the screen is refused.
    OpenWindow(5, 20, 20, 60);
    EXPECT_EQ(Run(2), Esc);
    EXPECT_EQ(console->beeps, 4);
    CloseWindow();
}

}  // namespace
}  // namespace korvidan
