// Tests of the form-definition file reader: its grammar and the files it rejects.
#include "forms/form_set.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>

#include "config/run_context.h"
#include "config/translate.h"
#include "platform/console.h"
#include "support/test_support.h"

namespace korvidan {
namespace {

using test::ScratchDir;
using test::WriteFileBytes;

// Lines joined with CR LF, each line ended.
std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

class FormSetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseVirtualConsole(25, 80);
        ResetFormSet();
        ResetRunContext();
        ResetTranslate();
        RunContext.language = "CAT";
        RunContext.programName = "KORVIDAN";
    }
    void Load(const std::string& bytes) { LoadFormSetFromBytes(bytes, "FORMS\\T.QFM"); }
};

// Two forms and one browse list, with comments wherever a record may start.
const std::string Grammar = Lines({
    "' header",
    "2,3",
    "   ' form 1, after leading blanks",
    "1b,0d,4f00=1b",
    "2,2,5,10,12,60",
    "2,3",
    "Nom: ",
    "20,0,2.5,3.5,,0",
    "",
    "4,3",
    "   Tipus ",
    "1,0,0,0,7,1",
    "|A,Alta|B,Baixa",
    "' between forms",
    "0d",
    "0,0,0,0,0,0",
    "' before the browse count",
    "1",
    "' before browse 1",
    "3",
    "",
    "4,10,20,70,2",
    "Clients",
    "1",
});

TEST_F(FormSetTest, ReadsEveryRecordOfTheGrammar) {
    Load(Grammar);
    ASSERT_EQ(FormSetProblem(), "");
    EXPECT_EQ(FormSet.formCount, 2);
    EXPECT_EQ(FormSet.maxFields, 3);
    EXPECT_EQ(FormSet.browseCount, 1);

    const FormDef& form = FormAt(1);
    EXPECT_EQ(form.keyList, "1b,0d,4f00=1b");
    EXPECT_EQ(form.fieldCount, 2);
    EXPECT_EQ(form.nextForm, 2);
    EXPECT_EQ(form.window.top, 5);
    EXPECT_EQ(form.window.left, 10);
    EXPECT_EQ(form.window.bottom, 12);
    EXPECT_EQ(form.window.right, 60);

    const FieldDef& name = FieldAt(1, 1);
    EXPECT_EQ(name.row, 2);
    EXPECT_EQ(name.column, 3);
    EXPECT_EQ(name.label, "Nom: ");
    EXPECT_EQ(name.width, 20);
    EXPECT_EQ(name.trailWidth, 2) << "2.5 rounds to the even 2";
    EXPECT_EQ(name.flags, 4) << "3.5 rounds to the even 4";
    EXPECT_EQ(name.kindCode, 0) << "an empty item reads 0";
    EXPECT_EQ(name.choices, "") << "a blank line is an empty text";
    EXPECT_EQ(name.value, std::string(20, ' '));

    const FieldDef& kind = FieldAt(1, 2);
    EXPECT_EQ(kind.label, "   Tipus ") << "leading blanks of a label stay";
    EXPECT_EQ(kind.kindCode, 7);
    EXPECT_EQ(kind.browseNo, 1);
    EXPECT_EQ(kind.choices, "|A,Alta|B,Baixa");
    EXPECT_EQ(kind.value, " ");

    const FieldDef& spare = FieldAt(1, 3);
    EXPECT_EQ(spare.label, "");
    EXPECT_EQ(spare.width, 0);
    EXPECT_EQ(spare.value, "") << "a slot above fieldCount is empty, not blank-filled";

    EXPECT_EQ(FormAt(2).keyList, "0d");
    EXPECT_EQ(FormAt(2).fieldCount, 0);

    const BrowseDef& browse = BrowseAt(1);
    EXPECT_EQ(browse.fileNo, 3);
    EXPECT_EQ(browse.keyNo, 0) << "a blank line where a number stands reads 0";
    EXPECT_EQ(browse.window.top, 4);
    EXPECT_EQ(browse.window.right, 70);
    EXPECT_EQ(browse.filterForm, 2);
    EXPECT_EQ(browse.heading, "Clients");
    EXPECT_EQ(browse.nextBrowse, 1);
}

TEST_F(FormSetTest, NumbersOutsideTheSetGiveBlankRecords) {
    Load(Grammar);
    FieldAt(9, 1).label = "stray";
    EXPECT_EQ(FieldAt(9, 1).label, "");
    EXPECT_EQ(FieldAt(1, 4).width, 0) << "beyond maxFields";
    EXPECT_EQ(FormAt(0).fieldCount, 0);
    EXPECT_EQ(BrowseAt(2).fileNo, 0);
}

// The end of the file at the start of a record ends reading; what follows stays empty.
TEST_F(FormSetTest, EndsEarlyAtRecordStarts) {
    const std::string oneForm = Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "A", "1,0,0,0,0,0", ""});
    for (const std::string& file : {oneForm, oneForm + Lines({"0"}), oneForm + Lines({"' end"}),
                                    oneForm + "0\x1A" + "garbage after the end mark"}) {
        Load(file);
        EXPECT_EQ(FormSetProblem(), "");
        EXPECT_EQ(FormSet.formCount, 1);
        EXPECT_EQ(FormSet.browseCount, 0);
        EXPECT_EQ(FieldAt(1, 1).label, "A");
    }
    // Forms that the file does not reach stay empty.
    Load(Lines({"3,2", "0d", "0,0,0,0,0,0"}));
    EXPECT_EQ(FormSetProblem(), "");
    EXPECT_EQ(FormSet.formCount, 3);
    EXPECT_EQ(FormAt(3).keyList, "");
}

TEST_F(FormSetTest, LastLineWithoutLineEndIsRead) {
    Load(Lines({"1,1", "0d", "0,0,0,0,0,0", "1", "0,0,1,1,25,80,0", "Llista"}) + "0");
    EXPECT_EQ(FormSetProblem(), "");
    EXPECT_EQ(BrowseAt(1).heading, "Llista");
}

TEST_F(FormSetTest, CommentInsideAFormBlockIsData) {
    // The comment becomes field 2's row (0), so the field lands off the screen.
    Load(Lines({"1,2", "0d", "2,0,0,0,0,0", "1,1", "A", "1,0,0,0,0,0", "", "' note", "2,1", "B",
                "1,0,0,0,0,0", ""}));
    EXPECT_EQ(FormSet.formCount, 0);
    EXPECT_EQ(FormSetProblem(), "FORMS\\T.QFM, l\xA1nia 8: el camp surt de la pantalla");
}

struct Rejection {
    const char* name;
    std::string file;
    int line;
    std::string fault;
};

TEST_F(FormSetTest, RejectsFilesOutsideTheFormat) {
    const std::string form = Lines({"0d", "1,0,0,0,0,0", "1,1", "A", "1,0,0,0,0,0", ""});
    const Rejection cases[] = {
        {"empty file", "", 1, "el fitxer no defineix cap formulari"},
        {"only comments", Lines({"' nothing"}), 1, "el fitxer no defineix cap formulari"},
        {"form count 0", Lines({"' x", "0,5"}), 2, "el fitxer no defineix cap formulari"},
        {"negative form count", Lines({"-1,5"}), 1, "un recompte o una mida no pot ser negatiu"},
        {"header cut short", "1", 1, "el fitxer s'acaba a mig registre"},
        {"form block cut short", Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "A"}), 2,
         "el fitxer s'acaba a mig registre"},
        {"choices line missing", Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "A", "1,0,0,0,0,0"}), 2,
         "el fitxer s'acaba a mig registre"},
        {"browse record cut short", Lines({"1,1"}) + form + Lines({"1", "0,0,1,1,25,80,0"}), 9,
         "el fitxer s'acaba a mig registre"},
        {"too many fields", Lines({"1,1", "0d", "2,0,0,0,0,0"}), 3,
         "el formulari t\x82 m\x82s camps que el m\x85xim del fitxer"},
        {"number above 16 bits",
         Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "A", "32768,0,0,0,0,0", ""}), 6,
         "un nombre surt del marge de -32768 a 32767"},
        {"number rounds above 16 bits", Lines({"1,32767.5"}), 1,
         "un nombre surt del marge de -32768 a 32767"},
        {"number below 16 bits",
         Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "A", "1,0,0,-40000,0,0", ""}), 6,
         "un nombre surt del marge de -32768 a 32767"},
        {"negative width", Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "A", "-1,0,0,0,0,0", ""}), 6,
         "un recompte o una mida no pot ser negatiu"},
        {"next form missing", Lines({"1,1", "0d", "1,2,0,0,0,0"}), 3,
         "remet a un formulari que no existeix"},
        {"field names a missing browse list",
         Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "A", "1,0,0,0,0,3", ""}), 6,
         "remet a una llista que no existeix"},
        {"browse list without browse count",
         Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "A", "1,0,0,0,0,1", ""}), 6,
         "remet a una llista que no existeix"},
        {"filter form missing", Lines({"1,1"}) + form + Lines({"1", "0,0,1,1,25,80,7", "L", "0"}),
         9, "remet a un formulari que no existeix"},
        {"next browse missing", Lines({"1,1"}) + form + Lines({"1", "0,0,1,1,25,80,0", "L", "2"}),
         11, "remet a una llista que no existeix"},
        {"data after browse count 0",
         Lines({"1,1"}) + form + Lines({"0", "' c", "0,0,1,1,25,80,0"}), 10,
         "hi ha dades despr\x82s d'un recompte de llistes 0"},
        {"form window off the screen", Lines({"1,1", "0d", "0,0,20,1,26,80"}), 3,
         "la finestra surt de la pantalla"},
        {"form window upside down", Lines({"1,1", "0d", "0,0,10,1,5,80"}), 3,
         "la finestra surt de la pantalla"},
        {"browse window missing", Lines({"1,1"}) + form + Lines({"1", "0,0,0,0,0,0,0", "L", "0"}),
         9, "la finestra surt de la pantalla"},
        {"field past the last column",
         Lines({"1,1", "0d", "1,0,0,0,0,0", "1,75", "Nom: ", "2,0,0,0,0,0", ""}), 4,
         "el camp surt de la pantalla"},
        {"field below a window's screen",
         Lines({"1,1", "0d", "1,0,20,1,24,80", "6,1", "A", "1,0,0,0,0,0", ""}), 4,
         "el camp surt de la pantalla"},
        {"lines of a field below the screen",
         Lines({"1,1", "0d", "1,0,0,0,0,0", "24,1", "A", "30,10,0,0,0,0", ""}), 4,
         "el camp surt de la pantalla"},
        {"choice arrow left of the screen",
         Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "", "1,0,0,0,0,0", "|S,Si"}), 4,
         "el camp surt de la pantalla"},
        {"form continues into itself", Lines({"1,1", "0d", "0,1,0,0,0,0"}), 3,
         "la cadena de formularis torna a un formulari anterior"},
        {"continuation loop",
         Lines({"3,1", "0d", "0,2,0,0,0,0", "0d", "0,3,0,0,0,0", "0d", "0,2,0,0,0,0"}), 7,
         "la cadena de formularis torna a un formulari anterior"},
    };
    for (const Rejection& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.file);
        EXPECT_EQ(FormSetProblem(),
                  "FORMS\\T.QFM, l\xA1nia " + std::to_string(c.line) + ": " + c.fault);
        EXPECT_EQ(FormSet.formCount, 0) << "a rejected file loads nothing";
        EXPECT_EQ(FieldAt(1, 1).width, 0);
    }
}

TEST_F(FormSetTest, FieldsReachingTheScreenEdgesLoad) {
    const char* const fields[][3] = {
        {"25,70", "Nom: ", "6,0,0,0,0,0"},    // value ends on column 80 of row 25
        {"20,2", "Text ", "300,50,0,0,0,0"},  // six lines of 50, rows 20 to 25
        {"1,2", "", "1,0,0,0,0,0"},           // choice arrow on column 1
        {"1,70", "Tipus:", "1,0,0,0,0,0"},    // right arrow on column 80
        {"1,1", "A", "3,0,76,0,0,0"},         // trail zone up to column 80
    };
    const char* const choices[] = {"", "", "|S,Si", "|A,Alta", ""};
    for (size_t i = 0; i < std::size(fields); ++i) {
        SCOPED_TRACE(fields[i][0]);
        Load(Lines(
            {"1,1", "0d", "1,0,0,0,0,0", fields[i][0], fields[i][1], fields[i][2], choices[i]}));
        EXPECT_EQ(FormSetProblem(), "");
    }
}

TEST_F(FormSetTest, MissingFileIsNamed) {
    ScratchDir dir;
    RunContext.rootDir = dir.path();
    LoadFormSet();
    EXPECT_EQ(FormSetProblem(),
              dir.path() + "FORMS\\KORVIDAN.QFM: no es pot llegir el fitxer de formularis");
    EXPECT_EQ(FormSet.formCount, 0);
}

TEST_F(FormSetTest, LoadsFromRootDirAndTranslatesTexts) {
    ScratchDir dir;
    RunContext.rootDir = dir.path();
    RunContext.language = "SPA";
    std::filesystem::create_directories(dir / "FORMS");
    std::filesystem::create_directories(dir / "LOCALE");
    WriteFileBytes(dir / "FORMS/korvidan.qfm",
                   Lines({"1,1", "0d", "1,0,0,0,0,0", "1,1", "Nom: ", "2,0,0,0,0,0", "|S,Si|N,No",
                          "1", "0,0,1,1,25,80,0", "Llista", "0"}));
    WriteFileBytes(dir / "LOCALE/KORVIDAN.LNG",
                   Lines({"\"Nom: \"", "\"Nome: \"", "\"Nom: \"", "\"Nombre: \"", "\"|S,Si|N,No\"",
                          "\"|S,Si|N,Non\"", "\"|S,Si|N,Non\"", "\"|S,S\xA1|N,No\"", "Llista",
                          "Lista", "Tiera", "Lista"}));
    LoadFormSet();
    ASSERT_EQ(FormSetProblem(), "");
    EXPECT_EQ(FieldAt(1, 1).label, "Nombre: ");
    EXPECT_EQ(FieldAt(1, 1).choices, "|S,S\xA1|N,No");
    EXPECT_EQ(BrowseAt(1).heading, "Lista");
}

// A large file loads whole, and a fault near its end is found on its own line.
TEST_F(FormSetTest, LargeFileAndFaultLine) {
    const int fields = 25000;  // four lines each: 100 003 lines in all
    std::string file =
        Lines({"1," + std::to_string(fields), "0d", std::to_string(fields) + ",0,0,0,0,0"});
    for (int i = 0; i < fields; ++i) file += Lines({"1,1", "A", "1,0,0,0,0,0", ""});
    Load(file);
    ASSERT_EQ(FormSetProblem(), "");
    EXPECT_EQ(FieldAt(1, fields).label, "A");

    const size_t lastRow = file.rfind("1,1\r\n");
    file.replace(lastRow, 3, "99,1");
    Load(file);
    EXPECT_EQ(FormSetProblem(), "FORMS\\T.QFM, l\xA1nia 100000: el camp surt de la pantalla");
}

TEST_F(FormSetTest, GarbageIsRejectedOrReadWithoutHarm) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
    for (const std::string& file :
         {garbage, std::string("\r\n\r\n\r\n"), std::string(1000, ','), "1,1\r\n" + garbage}) {
        Load(file);
        if (FormSetProblem().empty()) {
            EXPECT_GE(FormSet.formCount, 1);
        } else {
            EXPECT_EQ(FormSet.formCount, 0);
        }
    }
}

}  // namespace
}  // namespace korvidan
