// The form-definition file reader: a header, the form blocks, the browse count and
// the browse records, read item by item, checked, and kept in the FormSet.
#include "forms/form_set.h"

#include <algorithm>

#include "config/run_context.h"
#include "config/translate.h"
#include "datetime/text.h"
#include "platform/files.h"
#include "screen/colour.h"

namespace korvidan {

FormSetRecord FormSet;

namespace {

std::string Problem;

// Faults of a file, as Catalan texts for Translate.
const char* const CutShort = "el fitxer s'acaba a mig registre";
const char* const OutOfRange = "un nombre surt del marge de -32768 a 32767";
const char* const NoForms = "el fitxer no defineix cap formulari";
const char* const Negative = "un recompte o una mida no pot ser negatiu";
const char* const TooManyFields =
    "el formulari t\x82 m\x82s camps que el m\x85xim del fitxer";  // té més màxim
const char* const NoSuchForm = "remet a un formulari que no existeix";
const char* const NoSuchBrowse = "remet a una llista que no existeix";
const char* const WindowOffScreen = "la finestra surt de la pantalla";
const char* const FieldOffScreen = "el camp surt de la pantalla";
const char* const ChainLoops = "la cadena de formularis torna a un formulari anterior";
const char* const DataAfterEnd = "hi ha dades despr\x82s d'un recompte de llistes 0";  // després
const char* const Unreadable = "no es pot llegir el fitxer de formularis";

// Reads the items of the file in sequence and remembers the first fault met.
struct Reader {
    const std::string& bytes;
    size_t end;  // the data end at the first byte 26 (^Z)
    size_t pos = 0;
    size_t recordStart = 0;
    bool failed = false;
    size_t faultAt = 0;
    const char* fault = nullptr;

    bool AtEnd() const { return pos >= end; }

    void Fail(size_t at, const char* what) {
        if (failed) return;
        failed = true;
        faultAt = at;
        fault = what;
    }

    // The position after the line end (CR, and an LF right after it) that follows p.
    size_t AfterLine(size_t p) const {
        while (p < end && bytes[p] != '\r') ++p;
        if (p < end) ++p;
        if (p < end && bytes[p] == '\n') ++p;
        return p;
    }

    // Comment lines (first non-blank character an apostrophe) before a record.
    void SkipComments() {
        while (pos < end) {
            size_t p = pos;
            while (p < end && bytes[p] == ' ') ++p;
            if (p >= end || bytes[p] != '\'') return;
            pos = AfterLine(p);
        }
    }

    // A number item: up to a comma, blank or CR (TAB and LF dropped), then blanks,
    // TABs and LFs skipped and one comma or one line end consumed.
    int16_t Number() {
        if (failed) return 0;
        while (pos < end && bytes[pos] == ' ') ++pos;
        if (pos >= end) {
            Fail(recordStart, CutShort);
            return 0;
        }
        const size_t start = pos;
        std::string item;
        for (; pos < end; ++pos) {
            const char c = bytes[pos];
            if (c == ',' || c == ' ' || c == '\r') break;
            if (c != '\t' && c != '\n') item += c;
        }
        while (pos < end && (bytes[pos] == ' ' || bytes[pos] == '\t' || bytes[pos] == '\n')) ++pos;
        if (pos < end && bytes[pos] == ',') {
            ++pos;
        } else if (pos < end && bytes[pos] == '\r') {
            pos = AfterLine(pos);
        }
        const double value = TextToNumber(item);
        if (!FitsInt16(value)) Fail(start, OutOfRange);
        return RoundToInt16(value);
    }

    // A number that must not be negative.
    int16_t Count() {
        const size_t start = pos;
        const int16_t value = Number();
        if (value < 0) Fail(start, Negative);
        return value;
    }

    // A text item: the rest of the current line; its line end is consumed.
    std::string Text() {
        if (failed) return {};
        if (pos >= end) {
            Fail(recordStart, CutShort);
            return {};
        }
        const size_t start = pos;
        size_t stop = start;
        while (stop < end && bytes[stop] != '\r') ++stop;
        pos = AfterLine(stop);
        return bytes.substr(start, stop - start);
    }

    // The line (from 1) that holds a position; lines end in CR.
    long LineOf(size_t at) const {
        return 1 + std::count(bytes.begin(), bytes.begin() + static_cast<long>(std::min(at, end)),
                              '\r');
    }
};

std::string Describe(const std::string& path, long line, const char* what) {
    return path + ", " + Translate("l\xA1nia") + " " + std::to_string(line) + ": " +
           Translate(what);  // línia
}

// The window of a form (top 0 allowed: none) or of a browse list lies on the screen.
bool WindowOnScreen(const WindowRect& w, bool noneAllowed) {
    if (noneAllowed && w.top == 0) return true;
    return w.top >= 1 && w.top <= w.bottom && w.bottom <= ScreenRows() && w.left >= 1 &&
           w.left <= w.right && w.right <= ScreenColumns();
}

// The length of the longest description of a choice list ("|value,description"...).
int32_t LongestDescription(const std::string& choices) {
    int32_t longest = 0;
    size_t bar = choices.find('|');
    while (bar != std::string::npos) {
        const size_t next = choices.find('|', bar + 1);
        const size_t stop = next == std::string::npos ? choices.size() : next;
        const size_t comma = choices.find(',', bar + 1);
        if (comma != std::string::npos && comma < stop) {
            longest = std::max<int32_t>(longest, static_cast<int32_t>(stop - comma - 1));
        }
        bar = next;
    }
    return longest;
}

bool InRange(int16_t number, int16_t count) {
    return number >= 0 && number <= count;
}

// Reads one form block into form f and checks what can be checked at once.
void ReadFormBlock(Reader& r, FormDef& form, std::vector<std::pair<int16_t, size_t>>& browseRefs,
                   size_t& nextFormAt) {
    form.keyList = r.Text();
    const size_t countAt = r.pos;
    form.fieldCount = r.Count();
    if (form.fieldCount > FormSet.maxFields) r.Fail(countAt, TooManyFields);
    nextFormAt = r.pos;
    form.nextForm = r.Number();
    if (!r.failed && !InRange(form.nextForm, FormSet.formCount)) r.Fail(nextFormAt, NoSuchForm);
    const size_t windowAt = r.pos;
    form.window.top = r.Number();
    form.window.left = r.Number();
    form.window.bottom = r.Number();
    form.window.right = r.Number();
    if (!r.failed && !WindowOnScreen(form.window, true)) r.Fail(windowAt, WindowOffScreen);
    if (r.failed) return;
    form.fields.resize(static_cast<size_t>(form.fieldCount));
    for (FieldDef& field : form.fields) {
        const size_t fieldAt = r.pos;
        field.row = r.Number();
        field.column = r.Number();
        field.label = r.Text();
        field.width = r.Count();
        field.lineLength = r.Count();
        field.trailWidth = r.Count();
        field.flags = r.Number();
        field.kindCode = r.Number();
        const size_t browseAt = r.pos;
        field.browseNo = r.Number();
        field.choices = r.Text();
        if (r.failed) return;
        if (field.browseNo != 0) browseRefs.emplace_back(field.browseNo, browseAt);
        field.value.assign(static_cast<size_t>(field.width), ' ');
        field.label = Translate(field.label);
        field.choices = Translate(field.choices);
        if (!FieldFitsScreen(field, form.window.top, form.window.top == 0 ? 0 : form.window.left)) {
            r.Fail(fieldAt, FieldOffScreen);
            return;
        }
    }
}

// The first form whose continuation chain comes back to a form already on it.
int16_t FormClosingLoop() {
    // chainOf[f]: the form whose chain first reached f (0 not reached yet).
    std::vector<int16_t> chainOf(static_cast<size_t>(FormSet.formCount) + 1, 0);
    for (int16_t start = 1; start <= FormSet.formCount; ++start) {
        int16_t f = start;
        while (f != 0 && chainOf[static_cast<size_t>(f)] == 0) {
            chainOf[static_cast<size_t>(f)] = start;
            const int16_t next = FormAt(f).nextForm;
            if (next != 0 && chainOf[static_cast<size_t>(next)] == start) return f;
            f = next;
        }
    }
    return 0;
}

FormDef BlankForm;
FieldDef BlankField;
BrowseDef BlankBrowse;

}  // namespace

void LoadFormSetFromBytes(const std::string& bytes, const std::string& path) {
    ResetFormSet();
    const size_t dataEnd = std::min(bytes.find('\x1A'), bytes.size());
    Reader r{bytes, dataEnd};
    enum { Header, Forms, BrowseCount, Browses, AfterLastBrowse, Done } state = Header;
    std::vector<std::pair<int16_t, size_t>> browseRefs;
    std::vector<size_t> nextFormAt;
    int16_t formNo = 0;
    int16_t browseNo = 0;

    while (state != Done && !r.failed) {
        r.SkipComments();
        if (r.AtEnd()) break;
        r.recordStart = r.pos;
        switch (state) {
            case Header: {
                const size_t countAt = r.pos;
                FormSet.formCount = r.Count();
                FormSet.maxFields = r.Count();
                if (r.failed) break;
                if (FormSet.formCount == 0) r.Fail(countAt, NoForms);
                FormSet.forms.resize(static_cast<size_t>(FormSet.formCount));
                nextFormAt.assign(static_cast<size_t>(FormSet.formCount), 0);
                state = Forms;
                break;
            }
            case Forms:
                ++formNo;
                ReadFormBlock(r, FormSet.forms[static_cast<size_t>(formNo - 1)], browseRefs,
                              nextFormAt[static_cast<size_t>(formNo - 1)]);
                if (formNo == FormSet.formCount) state = BrowseCount;
                break;
            case BrowseCount:
                FormSet.browseCount = r.Count();
                if (r.failed) break;
                FormSet.browses.resize(static_cast<size_t>(FormSet.browseCount));
                state = FormSet.browseCount == 0 ? AfterLastBrowse : Browses;
                break;
            case Browses: {
                BrowseDef& browse = FormSet.browses[static_cast<size_t>(browseNo++)];
                browse.fileNo = r.Number();
                browse.keyNo = r.Number();
                const size_t windowAt = r.pos;
                browse.window.top = r.Number();
                browse.window.left = r.Number();
                browse.window.bottom = r.Number();
                browse.window.right = r.Number();
                if (!r.failed && !WindowOnScreen(browse.window, false))
                    r.Fail(windowAt, WindowOffScreen);
                const size_t filterAt = r.pos;
                browse.filterForm = r.Number();
                if (!r.failed && !InRange(browse.filterForm, FormSet.formCount))
                    r.Fail(filterAt, NoSuchForm);
                browse.heading = r.Text();
                const size_t nextAt = r.pos;
                browse.nextBrowse = r.Number();
                if (!r.failed && !InRange(browse.nextBrowse, FormSet.browseCount)) {
                    r.Fail(nextAt, NoSuchBrowse);
                }
                if (!r.failed) browse.heading = Translate(browse.heading);
                if (browseNo == FormSet.browseCount) state = Done;
                break;
            }
            case AfterLastBrowse:
                // A browse count of 0 ends the file; whatever follows would be misread.
                r.Fail(r.pos, DataAfterEnd);
                break;
            case Done:
                break;
        }
    }

    if (!r.failed && state == Header) r.Fail(0, NoForms);
    for (const auto& [number, at] : browseRefs) {
        if (r.failed) break;
        if (!InRange(number, FormSet.browseCount)) r.Fail(at, NoSuchBrowse);
    }
    if (!r.failed) {
        const int16_t looping = FormClosingLoop();
        if (looping != 0) r.Fail(nextFormAt[static_cast<size_t>(looping - 1)], ChainLoops);
    }
    if (r.failed) {
        const std::string problem = Describe(path, r.LineOf(r.faultAt), r.fault);
        ResetFormSet();
        Problem = problem;
    }
}

void LoadFormSet() {
    const std::string path = RunContext.rootDir + "FORMS\\" + RunContext.programName + ".QFM";
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        ResetFormSet();
        Problem = path + ": " + Translate(Unreadable);
        return;
    }
    LoadFormSetFromBytes(bytes, path);
}

const std::string& FormSetProblem() {
    return Problem;
}

FormDef& FormAt(int16_t formNo) {
    if (formNo >= 1 && formNo <= FormSet.formCount)
        return FormSet.forms[static_cast<size_t>(formNo - 1)];
    BlankForm = FormDef{};
    return BlankForm;
}

FieldDef& FieldAt(int16_t formNo, int16_t fieldNo) {
    if (formNo >= 1 && formNo <= FormSet.formCount && fieldNo >= 1 &&
        fieldNo <= FormSet.maxFields) {
        std::deque<FieldDef>& fields = FormSet.forms[static_cast<size_t>(formNo - 1)].fields;
        if (fields.size() < static_cast<size_t>(fieldNo))
            fields.resize(static_cast<size_t>(fieldNo));
        return fields[static_cast<size_t>(fieldNo - 1)];
    }
    BlankField = FieldDef{};
    return BlankField;
}

BrowseDef& BrowseAt(int16_t browseNo) {
    if (browseNo >= 1 && browseNo <= FormSet.browseCount) {
        return FormSet.browses[static_cast<size_t>(browseNo - 1)];
    }
    BlankBrowse = BrowseDef{};
    return BlankBrowse;
}

bool FieldFitsScreen(const FieldDef& field, int16_t rowOffset, int16_t columnOffset) {
    const int32_t row = int32_t{field.row} + rowOffset;
    const int32_t column = int32_t{field.column} + columnOffset;
    const int32_t valueColumn = column + static_cast<int32_t>(field.label.size());
    const int32_t lineWidth = field.lineLength > 0 ? field.lineLength : field.width;
    const int32_t lines =
        field.lineLength > 0
            ? std::max<int32_t>(1, (field.width + field.lineLength - 1) / field.lineLength)
            : 1;
    int32_t lastColumn = valueColumn + lineWidth - 1;
    if (field.trailWidth > 0)
        lastColumn = std::max(lastColumn, valueColumn + field.width + field.trailWidth - 1);
    int32_t firstColumn = column;
    if (!field.choices.empty()) {
        firstColumn = std::min(firstColumn, valueColumn - 1);
        lastColumn = std::max(lastColumn, valueColumn + LongestDescription(field.choices));
    }
    return row >= 1 && row + lines - 1 <= ScreenRows() && firstColumn >= 1 &&
           std::max(lastColumn, column) <= ScreenColumns();
}

void ResetFormSet() {
    FormSet = FormSetRecord{};
    Problem.clear();
}

}  // namespace korvidan
