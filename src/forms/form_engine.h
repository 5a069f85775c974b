// The form engine: draws a form of the FormSet, moves through its fields, edits
// them, stores accepted values, opens help and browse lists, chains continuation forms.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace korvidan {

// The form a chain left with PgUp/PgDn (exit flags set); the next run descends into it.
extern int16_t ResumeForm;

// The field whose edit has just ended, for the hooks; cleared when RunForm returns.
struct CurrentFieldRecord {
    int16_t formNo = 0;
    int16_t fieldNo = 0;
    std::string text;
};
extern CurrentFieldRecord CurrentField;

// Accepting an edit (formNo, text, fieldNo, key): 0 accepts, anything else refuses.
// The default stores the text into the field's value and redraws it.
extern std::function<int16_t(int16_t, const std::string&, int16_t&, int16_t&)> AcceptFieldHook;
// After a form's field loop (formNo, key): non-zero runs the loop again. Default 0.
extern std::function<int16_t(int16_t, int16_t)> AfterFormHook;
// After a browse list picked a record (browseNo, formNo, fieldNo). Default: nothing.
extern std::function<void(int16_t&, int16_t, int16_t&)> AfterBrowseHook;
// The browse list F4 runs (browseNo, status), registered by the pop-up tools;
// while none is registered F4 acts as on a field without a browse list.
extern std::function<void(int16_t&, int16_t&)> BrowseListHandler;

// Runs a form (negative: as a continuation) and returns the key that ended it;
// the exit flags let PgUp on the first and PgDn on the last field leave it.
void RunForm(int16_t& formNo, int16_t& exitAtTop, int16_t& exitAtBottom, int16_t& key);
// Draws the menu title, every label and every stored value of a form.
void DrawForm(int16_t formNo);
// Shows one field's stored value at its place (a masked field shows nothing).
void DrawFieldValue(int16_t formNo, int16_t fieldNo);

// Puts ResumeForm, the current field and the hooks back as a new process has
// them (a registered browse list stays).
void ResetFormEngine();

}  // namespace korvidan
