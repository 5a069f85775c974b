// Help for a topic: the suite's launcher with the topic's page, or a full-width
// viewer over the topic's help text file with scrolling and in-line highlighting.
#pragma once

#include <string>

namespace korvidan {

// Shows the help of a topic (a file name without extension) and returns when the
// user leaves the viewer, or when the launcher has ended on platform "WIN".
void ShowHelp(const std::string& topic);

}  // namespace korvidan
