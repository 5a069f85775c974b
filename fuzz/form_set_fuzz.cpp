// Fuzz target of the form-definition file reader: any bytes load or are rejected cleanly.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/run_context.h"
#include "forms/form_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Catalan texts are used as written, so no language file is looked for.
    korvidan::RunContext.language = "CAT";
    korvidan::LoadFormSetFromBytes(std::string(reinterpret_cast<const char*>(data), size),
                                   "FUZZ.QFM");
    if (korvidan::FormSetProblem().empty() && korvidan::FormSet.formCount < 1) __builtin_trap();
    return 0;
}
