// example-browse: an example program of the framework (not installed with korvidan).
// A client field opens, on F4, a filter form and then a browse list of the clients of
// a data file; the chosen client fills the form. F4 in the list goes on to a list of
// the clients by name. Usage: example-browse [FOLDER], where FOLDER (the current
// directory by default) holds FORMS/EXAMPLE.QFM and CLIENTS.DAT; README.md tells how
// to make the data file.
#include <cstdio>
#include <optional>
#include <string>

#include "config/run_context.h"
#include "datetime/text.h"
#include "forms/form_engine.h"
#include "forms/form_set.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/console_terminal.h"
#include "records/record_access.h"
#include "screen/colour.h"
#include "tools/browse.h"
#include "tools/popups.h"

namespace {

using namespace korvidan;

// The clients' file: code (key 0), name (key 1) and town.
constexpr int16_t kClientsFile = 1;
constexpr int32_t kClientLength = 56;
uint8_t client[kClientLength];

std::string ClientText(int position, int length) {
    return std::string(reinterpret_cast<const char*>(client) + position - 1, static_cast<size_t>(length));
}
std::string ClientCode() { return ClientText(1, 6); }
std::string ClientName() { return ClientText(7, 30); }
std::string ClientTown() { return ClientText(37, 20); }

// The list by code reads the range of codes given in the filter form (form 2).
int16_t SetCodeRange(int16_t browseNo, std::string& startKey, std::string& endKey) {
    if (browseNo == 1) {
        startKey = TrimBlanks(FieldAt(2, 1).value);
        endKey = TrimBlanks(FieldAt(2, 2).value);
    }
    return 0;
}

std::string ClientLine(int16_t browseNo) {
    if (browseNo == 2) return ClientName() + "  " + ClientCode();
    return ClientCode() + "  " + ClientName() + "  " + ClientTown();
}

// The chosen client (in the record block) fills the form's code, name and town.
void FillClient(int16_t&, int16_t, int16_t&) {
    FieldAt(1, 1).value = ClientCode();
    FieldAt(1, 3).value = ClientName();
    FieldAt(1, 4).value = ClientTown();
    for (int16_t field : {1, 3, 4}) DrawFieldValue(1, field);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "example-browse: %s\n", Cp850ToUtf8(message).c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: example-browse [FOLDER]\n");
        return 2;
    }
    const std::optional<std::string> folder = Utf8ToCp850(argc == 2 ? argv[1] : ".");
    if (!folder || folder->empty()) return Fail("the folder's name cannot be written in code page 850");

    LoadRunContext();
    RunContext.rootDir = folder->back() == '/' ? *folder : *folder + "/";
    if (RunContext.tempDir.empty()) RunContext.tempDir = RunContext.rootDir;
    RunContext.programName = "EXAMPLE";
    RunContext.menuTitle = " Exemple: llista de clients ";

    const std::string dataPath = RunContext.rootDir + "CLIENTS.DAT";
    const int16_t status = OpenDataFile(kClientsFile, dataPath, client, kClientLength, 0, 0);
    if (status != 0)
        return Fail(dataPath + " cannot be opened (status " + std::to_string(status) +
                    "); README.md tells how to make it");
    LoadFormSet();
    if (!FormSetProblem().empty()) return Fail(FormSetProblem());

    if (!UseTerminalConsole()) return 1;
    ConsoleShowCursor(false);
    RegisterPopupTools();
    RegisterBrowseList();
    BeforeBrowseHook = SetCodeRange;
    BrowseLineHook = ClientLine;
    AfterBrowseHook = FillClient;

    SetColourMode("n");
    ConsoleClear();
    int16_t formNo = 1;
    int16_t exitAtTop = 0;
    int16_t exitAtBottom = 0;
    int16_t key = 0;
    RunForm(formNo, exitAtTop, exitAtBottom, key);
    CloseDataFile(kClientsFile);
    return 0;
}
