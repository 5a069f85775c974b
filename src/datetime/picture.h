// Numeric pictures: a number shown in a text of fixed width after a picture such as "Z9.99 %".
#pragma once

#include <string>

namespace korvidan {

// The value written after the picture; the result is always as long as the picture.
std::string FormatPicture(const std::string& picture, double value);

// The decimal digits of a whole, non-negative, finite number, without leading zeros (empty for 0).
std::string WholeNumberDigits(double whole);

// Forgets the cached decimal and thousands characters, as in a new process.
void ResetPictureCharacters();

}  // namespace korvidan
