// The help viewer: fixed-length line records of AJUDA\<topic>.HLP shown in a framed
// window that scrolls by line and by page, with markup bytes switching colours;
// on platform "WIN" the topic's page is handed to the launcher instead.
#include "screen/help_viewer.h"

#include <algorithm>
#include <cstdint>

#include "config/run_context.h"
#include "datetime/text.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/process.h"
#include "screen/colour.h"
#include "screen/window_stack.h"

namespace korvidan {

namespace {

// The topic of the general help, reached with F1 from any other topic.
const std::string kGeneralTopic = "MERSALOT";

// Markup bytes of a help line.
constexpr uint8_t kHighlight = 30;
constexpr uint8_t kUnderline = 31;
constexpr uint8_t kReverse = 16;

// A help text file read one fixed-length record (one line) at a time.
struct HelpFile {
    File file;
    int32_t recordLength = 80;
    int32_t lineCount = 0;
};

// The number of lines: the file length over the record length, rounded to the
// nearest whole number, a half to the even neighbour.
int32_t RoundedLineCount(int64_t length, int32_t recordLength) {
    int64_t lines = length / recordLength;
    const int64_t rest = length % recordLength;
    if (2 * rest > recordLength || (2 * rest == recordLength && lines % 2 == 1)) ++lines;
    return static_cast<int32_t>(std::min<int64_t>(lines, INT32_MAX - 1));
}

// Opens the file; a missing or unreadable one has no lines.
void OpenHelpFile(HelpFile& help, const std::string& path, int32_t recordLength) {
    help.recordLength = recordLength;
    help.lineCount = 0;
    if (!help.file.Open(path, FileRead)) return;
    const int64_t length = help.file.Size();
    if (length > 0) help.lineCount = RoundedLineCount(length, recordLength);
}

// Line r (from 1): its record, with code 0 wherever the file holds no byte.
std::string ReadHelpLine(HelpFile& help, int32_t line) {
    std::string record(static_cast<size_t>(help.recordLength), '\0');
    if (line < 1 || !help.file.IsOpen()) return record;
    if (!help.file.Seek(static_cast<int64_t>(line - 1) * help.recordLength)) return record;
    if (help.file.Read(record.data(), help.recordLength) < 0) record.assign(record.size(), '\0');
    return record;
}

// Writes a line at a window row from column 2, at most shown characters; the
// markup bytes take no place and switch highlight, underline and reverse.
void ShowHelpLine(const std::string& record, int16_t row, int32_t shown) {
    SetColourMode("n");
    LocateInWindow(row, 2);
    if (record.find_first_of("\x1e\x1f\x10") == std::string::npos) {
        ConsoleWriteText(record.substr(0, static_cast<size_t>(shown)));
        return;
    }
    bool highlight = false;
    bool underline = false;
    bool reverse = false;
    int32_t count = 0;
    std::string run;
    auto flush = [&run] {
        ConsoleWriteText(run);
        run.clear();
    };
    for (const char c : record) {
        switch (static_cast<uint8_t>(c)) {
            case kHighlight:
                flush();
                highlight = !highlight;
                // Inside an underlined stretch the underline colours stay.
                if (!underline) SetColourMode(highlight ? "h" : "n");
                break;
            case kUnderline:
                flush();
                underline = !underline;
                SetColourMode(underline ? "u" : "n");
                break;
            case kReverse:
                flush();
                reverse = !reverse;
                SetColourMode(reverse ? "r" : "n");
                break;
            default:
                if (++count <= shown) run += c;
                break;
        }
    }
    flush();
}

// Hands the topic's page to the launcher through the command interpreter named by
// COMSPEC, as an argument vector (no shell reads it), and waits for it to end.
void RunLauncher(const std::string& topic) {
    int exitStatus = 0;
    RunProgram(EnvironmentText("COMSPEC"), {"/C", "PELVAN", "AJUDA\\" + topic + ".HTM"}, exitStatus);
}

void RunTextViewer(const std::string& topic) {
    const int16_t columns = ScreenColumns();
    const int16_t top = 4;
    const int16_t left = 1;
    const int16_t bottom = static_cast<int16_t>(ScreenRows() - 3);
    const int16_t right = columns;
    const int32_t visible = bottom - top - 1;
    // 76 characters on the standard screen, never past the frame on a narrower one.
    const int32_t shown = std::min<int32_t>(76, columns - 4);
    if (visible < 1 || shown < 1) return;

    HelpFile help;
    OpenHelpFile(help, "AJUDA\\" + topic + ".HLP", columns);
    const int32_t lines = help.lineCount;

    SetColourMode("+h");
    const int16_t depthBefore = WindowStack.depth;
    OpenWindow(top, left, bottom, right);
    if (WindowStack.depth == depthBefore) {
        SetColourMode("-");
        return;
    }
    DrawWindowFrame(2);
    SetColourMode("n");

    auto scroll = [&](int32_t count) {
        ScrollArea(top, left, static_cast<int16_t>(bottom - 2), static_cast<int16_t>(right - 2),
                   static_cast<int16_t>(count));
    };
    // Shows the lines from first on window rows 1, 2, ... up to row last - first + 1.
    auto showLines = [&](int32_t first, int32_t last) {
        for (int32_t line = first; line <= last; ++line)
            ShowHelpLine(ReadHelpLine(help, line), static_cast<int16_t>(line - first + 1), shown);
    };

    showLines(1, visible);
    int32_t next = visible + 1;  // the line after the last one shown
    for (;;) {
        int16_t key = 0;
        WaitKey(key);
        if (key == KeyEsc) break;
        switch (key) {
            case KeyF1:
                if (UpperCaseText(topic) != kGeneralTopic) ShowHelp(kGeneralTopic);
                break;
            case KeyDown:
                if (next <= lines) {
                    scroll(1);
                    ShowHelpLine(ReadHelpLine(help, next), static_cast<int16_t>(visible), shown);
                    ++next;
                }
                break;
            case KeyUp:
                if (next - visible > 1) {
                    --next;
                    scroll(-1);
                    ShowHelpLine(ReadHelpLine(help, next - visible), 1, shown);
                }
                break;
            case KeyPgDn:
                if (next <= lines) {
                    scroll(visible);
                    if (next + visible - 1 > lines) next = lines - visible + 1;
                    showLines(next, next + visible - 1);
                    next += visible;
                }
                break;
            case KeyPgUp:
                if (next - visible > 1) {
                    scroll(-visible);
                    if (next - 2 * visible < 1) next = 2 * visible;
                    showLines(next - 2 * visible + 1, next - visible);
                    next = next - visible + 1;
                }
                break;
            case KeyHome:
                if (next - visible > 1) {
                    scroll(-visible);
                    showLines(1, visible);
                    next = visible + 1;
                }
                break;
            case KeyEnd:
                if (next <= lines) {
                    scroll(visible);
                    next = lines - visible + 1;
                    showLines(next, lines);
                    next = lines + 1;
                }
                break;
            default:
                break;
        }
    }
    help.file.Close();
    CloseWindow();
    SetColourMode("-");
}

}  // namespace

void ShowHelp(const std::string& topic) {
    if (RunContext.platformKind == "WIN") {
        RunLauncher(topic);
        return;
    }
    RunTextViewer(topic);
}

}  // namespace korvidan
