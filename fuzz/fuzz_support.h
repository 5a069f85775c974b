// What the fuzz targets share: one private scratch folder per fuzzing process.
#pragma once

#include <string>

namespace korvidan::fuzz {

// A folder of this process's own under the temporary folder, made on first use
// and removed with everything in it when the process ends; ends with "/".
const std::string& WorkFolder();

}  // namespace korvidan::fuzz
