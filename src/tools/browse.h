// Browse lists: the records of a data file along one key, one display line each,
// read only as far as the user looks and kept in the cache file Browse.tmp.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace korvidan {

// Before a list is shown (browseNo, startKey, endKey): a non-zero result is the list's
// status and nothing is shown; it may set where reading starts (greater or equal) and
// the key prefix beyond which it stops. Default: 0, both keys left empty.
extern std::function<int16_t(int16_t, std::string&, std::string&)> BeforeBrowseHook;
// The display line of the data file's current record (browseNo); an empty line leaves
// the record out of the list. Default: the empty line.
extern std::function<std::string(int16_t)> BrowseLineHook;

// The record-position field and the line of the entry chosen in a list without a data file.
extern int32_t PickedValue;
extern std::string PickedLine;

// Runs browse list browseNo of the FormSet: status 0 a record was chosen (read into the
// file's record block, or into PickedValue and PickedLine), -1 left without a choice,
// otherwise refused by BeforeBrowseHook or the status of re-reading the chosen record.
void RunBrowse(int16_t& browseNo, int16_t& status);

// Makes F4 in a form field open the field's browse list.
void RegisterBrowseList();

// Puts the hooks and the picked values back as a new process has them.
void ResetBrowseState();

}  // namespace korvidan
