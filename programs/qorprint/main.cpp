// The print program: reads the print file that a report of the suite wrote
// (tempDir + "qorprint.tmp") and prints it on the device its DEVICE record names.
#include <cstdint>
#include <string>
#include <vector>

#include "config/run_context.h"
#include "config/translate.h"
#include "datetime/text.h"
#include "devices.h"
#include "messages.h"
#include "platform/files.h"
#include "print/print_file.h"
#include "print/print_reader.h"
#include "viewer.h"

namespace korvidan {
namespace {

// A print file larger than this is no report of the suite.
constexpr int64_t MaxPrintFileBytes = int64_t{16} << 20;

// Reads the print file, locked so that no writer is still at work on it.
bool ReadPrintFile(const std::string& path, std::string& bytes) {
    File file;
    if (!file.Open(path, FileRead)) {
        ReportProblem("No es pot obrir el fitxer d'impressi\xA2 ", path);  // impressió
        return false;
    }
    if (!file.Open(path, FileRead | FileExclusive)) {
        ReportProblem("Un altre programa encara escriu el fitxer d'impressi\xA2 ",
                      path);  // impressió
        return false;
    }
    const int64_t size = file.Size();
    if (size < 0 || size > MaxPrintFileBytes) {
        ReportProblem("El fitxer d'impressi\xA2 \x82s massa gran: ", path);  // impressió, és
        return false;
    }
    bytes.assign(static_cast<std::size_t>(size), '\0');
    for (int64_t done = 0; done < size;) {
        const int64_t read = file.Read(bytes.data() + done, size - done);
        if (read <= 0) {
            ReportProblem("No es pot obrir el fitxer d'impressi\xA2 ", path);  // impressió
            return false;
        }
        done += read;
    }
    return true;
}

// Reads and lays out the print file; nothing is printed from a file with a bad line.
bool LoadPrintDocument(const std::string& path, PrintDocument& document) {
    std::string bytes;
    if (!ReadPrintFile(path, bytes)) return false;
    std::vector<PrintRecord> records;
    PrintFault fault;
    if (ReadPrintRecords(bytes, records, fault) && LayOutPrint(records, document, fault))
        return true;
    ReportProblem("Fitxer d'impressi\xA2 ",
                  path + ", " + Translate("l\xA1nia ") +  // impressió, línia
                      std::to_string(fault.lineNumber) + ": " + Translate(fault.reason));
    return false;
}

int RunPrintProgram() {
    LoadRunContext();
    if (!RunContext.rootDir.empty()) ChangeDirectory(RunContext.rootDir);
    RunContext.programName = "QORPRINT";
    PrintDocument document;
    if (!LoadPrintDocument(PrintFilePath(), document)) return 1;
    switch (DeviceKind(document.device)) {
        case PrintDeviceKind::Screen:
            return ShowReport(document) ? 0 : 1;
        case PrintDeviceKind::Printer:
            return PrintOnPrinter(document) ? 0 : 1;
        case PrintDeviceKind::File:
            return PrintToFile(TrimBlanks(document.device), document) ? 0 : 1;
    }
    return 1;
}

}  // namespace
}  // namespace korvidan

int main() {
    return korvidan::RunPrintProgram();
}
