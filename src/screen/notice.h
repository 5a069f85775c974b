// Paragraph layout in fixed-width lines and the framed notice box built on it.
#pragma once

#include <cstdint>
#include <string>

namespace korvidan {

// Breaks text in place into lines of width characters without splitting words and
// aligns each by mode (E L I left, N left with "-", D R right, C centred, A B justified,
// anything else unpadded); a positive indent indents the first line, a negative one the rest.
void LayoutParagraph(std::string& text, int16_t indent, int16_t width, const std::string& mode);

// Shows text laid out in lines of 76 in a framed window centred on row; the window
// stays open for the caller to close. text receives its laid-out form.
void ShowNotice(int16_t row, std::string& text);

}  // namespace korvidan
