// The form engine: one form of the FormSet run field by field with the field
// editor, its navigation keys, the mouse, help on F1, browse lists on F4, the
// three hooks and continuation forms.
#include "forms/form_engine.h"

#include <cstdlib>

#include "config/run_context.h"
#include "datetime/text.h"
#include "forms/field_editor.h"
#include "forms/form_set.h"
#include "forms/keyboard.h"
#include "platform/console.h"
#include "screen/colour.h"
#include "screen/help_viewer.h"
#include "screen/window_stack.h"

namespace korvidan {

namespace {

int16_t DefaultAcceptField(int16_t formNo, const std::string& text, int16_t& fieldNo, int16_t&) {
    FieldDef& field = FieldAt(formNo, fieldNo);
    field.value = FixedWidth(text, field.width);
    DrawFieldValue(formNo, fieldNo);
    return 0;
}

int16_t DefaultAfterForm(int16_t, int16_t) {
    return 0;
}

void DefaultAfterBrowse(int16_t&, int16_t, int16_t&) {}

// The keys with which a continuation form ends its parent as well.
bool EndsParentToo(int16_t key) {
    return key == KeyPgUp || key == KeyPgDn || key == KeyEnd || key == KeyCtrlB ||
           key == KeyEnter || key == KeyDown || key == KeyUp;
}

int16_t ValueColumn(const FieldDef& field) {
    return static_cast<int16_t>(field.column + static_cast<int16_t>(field.label.size()));
}

// The lowest and the highest enterable field; first > last when there is none.
void EnterableRange(int16_t formNo, int16_t& first, int16_t& last) {
    const int16_t count = FormAt(formNo).fieldCount;
    first = static_cast<int16_t>(count + 1);
    last = 0;
    for (int16_t j = 1; j <= count; ++j) {
        if (FieldAt(formNo, j).flags & DisplayOnly) continue;
        if (first > count) first = j;
        last = j;
    }
}

// Where a form's window-relative positions start: its own window, else the current one.
struct Origin {
    int16_t row = 0;
    int16_t column = 0;
};

Origin FormOrigin(int16_t formNo) {
    const WindowRect& own = FormAt(formNo).window;
    if (own.top != 0) return {own.top, own.left};
    if (WindowStack.depth > 0) return {WindowStack.top, WindowStack.left};
    return {};
}

// A form can run when it exists and every field lies on the screen where it is drawn.
bool FormCanRun(int16_t formNo) {
    if (formNo < 1 || formNo > FormSet.formCount) return false;
    const Origin origin = FormOrigin(formNo);
    for (int16_t j = 1; j <= FormAt(formNo).fieldCount; ++j) {
        if (!FieldFitsScreen(FieldAt(formNo, j), origin.row, origin.column)) return false;
    }
    return true;
}

// The enterable field under a mouse key (-(column * 100 + row)), 0 for none.
int16_t FieldHit(int16_t formNo, int16_t key, Origin origin) {
    const int32_t code = -int32_t{key};
    const int32_t row = code % 100 - origin.row;
    const int32_t column = code / 100 - origin.column;
    for (int16_t j = 1; j <= FormAt(formNo).fieldCount; ++j) {
        const FieldDef& field = FieldAt(formNo, j);
        if (field.flags & DisplayOnly) continue;
        const int32_t lines = field.lineLength > 0 ? field.width / field.lineLength : 1;
        const int32_t lineWidth = field.lineLength > 0 ? field.lineLength : field.width;
        if (field.row <= row && row < field.row + lines && field.column <= column &&
            column < int32_t{ValueColumn(field)} + lineWidth + field.trailWidth) {
            return j;
        }
    }
    return 0;
}

// The copies of a field the engine works on while the field is active.
struct ActiveField {
    int16_t row;
    int16_t valueColumn;
    int16_t width;
    int16_t lineLength;
    int16_t trailWidth;
    int16_t flags;
    int16_t browseNo;
    std::string choices;
};

// Runs the browse list of field j after F4; returns the refusal status (0 none).
int16_t BrowseFromField(int16_t formNo, int16_t browseNo, int16_t& j, int16_t& key) {
    key = 0;
    if (browseNo <= 0 || !BrowseListHandler) return 0;
    int16_t browse = browseNo;
    for (;;) {
        int16_t status = 0;
        BrowseListHandler(browse, status);
        if (status != 0) return status;
        const int16_t keptField = j;
        const int16_t keptBrowse = browse;
        AfterBrowseHook(browse, formNo, j);
        if (browse == 0) {
            browse = keptBrowse;
            continue;
        }
        const FormDef& form = FormAt(formNo);
        if (j == keptField) {
            key = (j == form.fieldCount && form.nextForm == 0) ? KeyEnter : KeyDown;
        } else if (j < form.fieldCount && (FieldAt(formNo, j).flags & DisplayOnly)) {
            key = KeyDown;
        }
        return 0;
    }
}

// One edit of an enterable field and what its ending key asks for; returns the
// refusal (0 accepted). text is the edit text, kept for a refused edit.
int16_t EditOnce(int16_t formNo, int16_t& j, const ActiveField& active, std::string& text,
                 int16_t& key) {
    SetChoiceList(active.choices);
    int16_t row = active.row;
    int16_t column = active.valueColumn;
    int16_t lineLength = active.lineLength;
    int16_t pos =
        (active.flags & CursorAtEnd) ? static_cast<int16_t>(TrimRightBlanks(text).size() + 1) : 1;
    EditField(row, column, lineLength, text, pos, key);
    CurrentField = {formNo, j, text};

    if (key == KeyF1) {
        const std::string topic = TrimRightBlanks(RunContext.menuName);
        if (!topic.empty()) ShowHelp(topic);
        key = 0;
        return 0;
    }
    if (key == KeyF4) return BrowseFromField(formNo, active.browseNo, j, key);

    if (active.trailWidth > 0 && !(active.flags & Masked)) {
        LocateInWindow(active.row, active.valueColumn);
        ConsoleWriteText(text);
        ConsoleWriteBlanks(active.trailWidth);
    }
    if (key == KeyEsc) {
        DrawFieldValue(formNo, j);
        return 0;
    }
    if (IsAllChar(text, ' ') && (active.flags & (StartsBlank | Masked)))
        text = FieldAt(formNo, j).value;
    return AcceptFieldHook(formNo, text, j, key);
}

// Moves j by the key that ended field j; true when the key leaves the form.
bool Navigate(int16_t formNo, bool direct, int16_t& exitAtTop, int16_t& exitAtBottom, int16_t first,
              int16_t last, int16_t& j, int16_t& key) {
    switch (key) {
        case KeyPgUp:
            if (j == first && exitAtTop != 0) {
                ResumeForm = formNo;
                return true;
            }
            j = first;
            ResumeForm = 0;
            return false;
        case KeyPgDn:
            if (j == last && exitAtBottom != 0) {
                ResumeForm = formNo;
                return true;
            }
            j = last;
            ResumeForm = 0;
            return false;
        case KeyEnd:
        case KeyCtrlB:
            return true;
        case KeyEsc:
            if (j == first) return true;
            j = first;
            return false;
        case KeyEnter:
        case KeyDown:
        case KeyF2: {
            const int16_t next = FormAt(formNo).nextForm;
            if ((j == last || key == KeyF2) && next != 0) {
                int16_t continuation = static_cast<int16_t>(-next);
                RunForm(continuation, exitAtTop, exitAtBottom, key);
                return EndsParentToo(key);
            }
            if (key == KeyEnter || (key == KeyDown && j < last)) ++j;
            return false;
        }
        case KeyUp:
            if (j > first) {
                --j;
                return false;
            }
            if (direct) return false;
            key = KeyEsc;
            return true;
        case 0:
            return false;
        default:
            if (key > 0) return true;
            if (const int16_t hit = FieldHit(formNo, key, FormOrigin(formNo)); hit != 0) j = hit;
            return false;
    }
}

// The field loop of a form, from its first enterable field until a key leaves it.
void FieldLoop(int16_t formNo, bool direct, int16_t& exitAtTop, int16_t& exitAtBottom,
               int16_t& key) {
    int16_t first = 0;
    int16_t last = 0;
    EnterableRange(formNo, first, last);
    int16_t j = first;
    while (first <= j && j <= last) {
        const FieldDef& field = FieldAt(formNo, j);
        const ActiveField active{field.row,        ValueColumn(field), field.width,
                                 field.lineLength, field.trailWidth,   field.flags,
                                 field.browseNo,   field.choices};
        SetKeyMap("+ea", FormAt(formNo).keyList + ",3b00");
        std::string text;
        if (active.flags & (StartsBlank | Masked)) {
            text.assign(static_cast<size_t>(active.width), ' ');
            if (active.flags & Masked) SetKeyMap("h", "");
        } else {
            text = field.value;
        }
        const bool enterable = !(active.flags & DisplayOnly);
        if (active.trailWidth > 0 && enterable) {
            LocateInWindow(active.row, static_cast<int16_t>(active.valueColumn + active.width));
            ConsoleWriteBlanks(active.trailWidth);
        }
        const int16_t arrivedAt = j;
        if (enterable) {
            for (;;) {
                const int16_t refused = EditOnce(formNo, j, active, text, key);
                EnterableRange(formNo, first, last);
                if (refused == 0) break;
                ConsoleBeep();
            }
        }
        if (active.flags & Masked) SetKeyMap("v", "");
        SetKeyMap("-", "");
        if (Navigate(formNo, direct, exitAtTop, exitAtBottom, first, last, j, key)) break;
        // A display-only field is always passed over, even by a key that moves nowhere.
        if (!enterable && j == arrivedAt) ++j;
    }
}

}  // namespace

int16_t ResumeForm = 0;
CurrentFieldRecord CurrentField;
std::function<int16_t(int16_t, const std::string&, int16_t&, int16_t&)> AcceptFieldHook =
    DefaultAcceptField;
std::function<int16_t(int16_t, int16_t)> AfterFormHook = DefaultAfterForm;
std::function<void(int16_t&, int16_t, int16_t&)> AfterBrowseHook = DefaultAfterBrowse;
std::function<void(int16_t&, int16_t&)> BrowseListHandler;

void DrawForm(int16_t formNo) {
    SetColourMode("rh");
    const std::string& title = RunContext.menuTitle;
    const int16_t titleColumn = RoundToInt16(41.0 - static_cast<double>(title.size()) / 2.0);
    ConsoleLocate(1, titleColumn < 1 ? int16_t{1} : titleColumn);
    ConsoleWriteText(title);
    const int16_t count = FormAt(formNo).fieldCount;
    SetColourMode("n");
    for (int16_t j = 1; j <= count; ++j) {
        const FieldDef& field = FieldAt(formNo, j);
        LocateInWindow(field.row, field.column);
        ConsoleWriteText(field.label);
    }
    SetColourMode("h");
    for (int16_t j = 1; j <= count; ++j) DrawFieldValue(formNo, j);
}

void DrawFieldValue(int16_t formNo, int16_t fieldNo) {
    const FieldDef& field = FieldAt(formNo, fieldNo);
    const int16_t valueColumn = ValueColumn(field);
    LocateInWindow(field.row, valueColumn);
    if (field.flags & Masked) return;
    if (field.lineLength <= 0) {
        ConsoleWriteText(field.value);
        return;
    }
    const size_t lineLength = static_cast<size_t>(field.lineLength);
    for (size_t at = 0, line = 0; at < field.value.size(); at += lineLength, ++line) {
        LocateInWindow(static_cast<int16_t>(field.row + static_cast<int16_t>(line)), valueColumn);
        ConsoleWriteText(field.value.substr(at, lineLength));
    }
}

void RunForm(int16_t& formNo, int16_t& exitAtTop, int16_t& exitAtBottom, int16_t& key) {
    const bool direct = formNo >= 0;
    const int16_t f = static_cast<int16_t>(std::abs(int32_t{formNo}));
    formNo = f;
    // A form that does not exist, or would draw off the screen, is refused.
    if (!FormCanRun(f)) {
        ConsoleBeep();
        key = KeyEsc;
        return;
    }
    const WindowRect window = FormAt(f).window;
    const int16_t depthBefore = WindowStack.depth;
    if (window.top != 0) {
        SetColourMode("+n");
        OpenWindow(window.top, window.left, window.bottom, window.right);
        DrawWindowFrame(2);
        SetColourMode("-");
    }
    const bool openedWindow = WindowStack.depth > depthBefore;
    DrawForm(f);

    int16_t first = 0;
    int16_t last = 0;
    EnterableRange(f, first, last);
    bool runFields = first <= last;
    if (runFields) {
        // Descend at once into the continuation where an earlier run of this chain was left.
        int16_t reached = f;
        for (int16_t steps = 0; reached != ResumeForm && ResumeForm > 0 &&
                                FormAt(reached).nextForm != 0 && steps < FormSet.formCount;
             ++steps) {
            reached = FormAt(reached).nextForm;
        }
        if (reached != ResumeForm) ResumeForm = 0;
        const int16_t next = FormAt(f).nextForm;
        if (ResumeForm > 0 && ResumeForm != f && next != 0) {
            int16_t continuation = static_cast<int16_t>(-next);
            RunForm(continuation, exitAtTop, exitAtBottom, key);
            if (EndsParentToo(key)) runFields = false;
        } else {
            ResumeForm = 0;
        }
    }
    for (;;) {
        if (runFields) FieldLoop(f, direct, exitAtTop, exitAtBottom, key);
        if (AfterFormHook(f, key) == 0) break;
        runFields = true;
    }
    if (openedWindow) CloseWindow();
    CurrentField = {};
}

void ResetFormEngine() {
    ResumeForm = 0;
    CurrentField = {};
    AcceptFieldHook = DefaultAcceptField;
    AfterFormHook = DefaultAfterForm;
    AfterBrowseHook = DefaultAfterBrowse;
}

}  // namespace korvidan
