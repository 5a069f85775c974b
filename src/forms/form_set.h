// The form-definition file of a program and the forms, fields and browse lists it
// describes, held in memory by their file numbers.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace korvidan {

// A rectangle of the screen: the rows and columns of its frame lines.
struct WindowRect {
    int16_t top = 0;
    int16_t left = 0;
    int16_t bottom = 0;
    int16_t right = 0;
};

// The bits of FieldDef::flags.
enum FieldFlag : int16_t {
    StartsBlank = 1,  // the edit starts blank; a blank result keeps the old value
    Masked = 2,       // starts blank, shows "X" while edited, never displayed
    DisplayOnly = 4,  // shown, never entered
    CursorAtEnd = 8,  // the cursor starts after the last non-blank character
};

struct FieldDef {
    int16_t row = 0;     // of the label, relative to the form's window
    int16_t column = 0;  // of the label; the value follows the label
    std::string label;
    int16_t width = 0;       // length of the value
    int16_t lineLength = 0;  // 0 one line, else characters per screen line
    int16_t trailWidth = 0;  // zone after the value cleared while editing
    int16_t flags = 0;       // FieldFlag bits
    int16_t kindCode = 0;
    int16_t browseNo = 0;  // browse list F4 opens, 0 none
    std::string choices;   // "|value,description" options, empty for free text
    std::string value;     // always width characters once loaded
};

struct FormDef {
    std::string keyList;  // the keys that end a field's editing
    int16_t fieldCount = 0;
    int16_t nextForm = 0;         // continuation form, 0 none
    WindowRect window;            // top 0: drawn in the current window
    std::deque<FieldDef> fields;  // slot 1 first; slots above fieldCount appear on first use
};

struct BrowseDef {
    int16_t fileNo = 0;
    int16_t keyNo = 0;
    WindowRect window;
    int16_t filterForm = 0;  // form run before the list, 0 none
    std::string heading;
    int16_t nextBrowse = 0;  // list F4 opens from this one, 0 none
};

struct FormSetRecord {
    int16_t formCount = 0;
    int16_t maxFields = 0;
    int16_t browseCount = 0;
    std::vector<FormDef> forms;      // form 1 first
    std::vector<BrowseDef> browses;  // browse list 1 first
};
extern FormSetRecord FormSet;

// Reads rootDir + "FORMS\" + programName + ".QFM" into the FormSet, translating
// labels, choice lists and headings; a faulty file leaves the FormSet empty.
void LoadFormSet();
// Reads the bytes of a form-definition file; path only names it in a fault.
void LoadFormSetFromBytes(const std::string& bytes, const std::string& path);
// Why the last load left the FormSet empty (file, line, fault); empty after a good load.
const std::string& FormSetProblem();

// A form, a field slot (1 to maxFields) and a browse list by their file numbers;
// a number outside the set gives a blank record that belongs to no form.
FormDef& FormAt(int16_t formNo);
FieldDef& FieldAt(int16_t formNo, int16_t fieldNo);
BrowseDef& BrowseAt(int16_t browseNo);

// Whether every cell a field draws on (label, value lines, trail zone, the arrows
// of a choice list) lies on the screen when its position is moved by the offsets.
bool FieldFitsScreen(const FieldDef& field, int16_t rowOffset, int16_t columnOffset);

// Empties the FormSet and its fault, as in a new process.
void ResetFormSet();

}  // namespace korvidan
