// Fuzz target for justification codes: any bytes as a code, normalised and
// written into a print file, which must then hold exactly its two records.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/run_context.h"
#include "platform/files.h"
#include "print/print_file.h"
#include "fuzz_support.h"

using korvidan::fuzz::WorkFolder;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    RunContext.tempDir = WorkFolder();
    std::string code(reinterpret_cast<const char*>(data), size);
    OpenPrintFile("PRN");
    PrintJustify(code);
    ClosePrintFile();

    if (code.empty() || std::string("CDAEN").find(code[0]) == std::string::npos) std::abort();
    if (NormaliseJustifyCode(code)[0] != code[0])
        std::abort();  // normalised codes stay what they are
    std::string bytes;
    if (!ReadWholeFile(WorkFolder() + "qorprint.tmp", bytes)) std::abort();
    std::size_t lines = 0;
    for (std::size_t at = bytes.find("\r\n"); at != std::string::npos;
         at = bytes.find("\r\n", at + 2))
        ++lines;
    if (lines != 2 || bytes.compare(0, 14, "DEVICEPRN\r\nJUS") != 0) std::abort();
    return 0;
}
