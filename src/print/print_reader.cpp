// Reading the print file back: one record per CR LF line, recognised by its first
// characters, then placed on fixed-pitch pages.
#include "print/print_reader.h"

#include <algorithm>

#include "datetime/text.h"
#include "platform/codepage.h"
#include "print/print_file.h"

namespace korvidan {

namespace {

constexpr char EndOfFile = '\x1A';
// A report larger than this many characters laid out is refused rather than held in memory.
constexpr std::size_t MaxLaidOutBytes = std::size_t{16} << 20;

// Why a line cannot be read (shown to the user, in the suite's language).
const char* const DeviceNotFirst =
    "registre de dispositiu despr\x82s de la primera l\xA1nia";  // després, línia
const char* const PageNotNumber =
    "la llargada de p\x85gina no \x82s un n\xA3mero";  // pàgina, és, número
const char* const NotARecord = "no \x82s un registre del fitxer d'impressi\xA2";  // és, impressió
const char* const ColumnNotNumber = "la columna no \x82s un n\xA3mero";           // és, número
const char* const AdvanceNotNumber =
    "l'avan\x87 de l\xA1nia no \x82s un n\xA3mero";  // avanç, línia, és, número
const char* const ColumnBeyondPage = "columna fora de la p\x85gina";  // pàgina
const char* const PageTooLong = "p\x85gina massa llarga";             // pàgina
const char* const ReportTooLarge = "informe massa gran";

bool StartsWith(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix;
}

// A number as the writer writes it: blanks, an optional sign, digits, blanks.
bool ParseNumber(std::string_view text, int32_t& number) {
    std::size_t pos = text.find_first_not_of(' ');
    if (pos == std::string_view::npos) return false;
    const bool negative = text[pos] == '-';
    if (text[pos] == '-' || text[pos] == '+') ++pos;
    int64_t value = 0;
    const std::size_t digitsStart = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        if (value > INT32_MAX) return false;
        ++pos;
    }
    if (pos == digitsStart || text.find_first_not_of(' ', pos) != std::string_view::npos)
        return false;
    number = static_cast<int32_t>(negative ? -value : value);
    return true;
}

bool Fail(PrintFault& fault, int32_t lineNumber, const char* reason) {
    fault.lineNumber = lineNumber;
    fault.reason = reason;
    return false;
}

// Reads one line into a record.
bool ReadRecord(std::string_view line, PrintRecord& record, PrintFault& fault) {
    const int32_t number = record.lineNumber;
    if (StartsWith(line, "DEVICE")) {
        if (number != 1) return Fail(fault, number, DeviceNotFirst);
        record.kind = PrintRecord::Device;
        record.text = line.substr(6);
        return true;
    }
    if (StartsWith(line, "PAGE")) {
        record.kind = PrintRecord::Page;
        if (!ParseNumber(line.substr(4), record.pageLength))
            return Fail(fault, number, PageNotNumber);
        return true;
    }
    if (StartsWith(line, "JUS")) {
        record.kind = PrintRecord::Justify;
        record.text = NormaliseJustifyCode(std::string(line.substr(3)));
        return true;
    }
    if (StartsWith(line, "*")) {
        record.kind = PrintRecord::Control;
        record.text = line.substr(1);
        return true;
    }
    const std::size_t first = line.find(',');
    const std::size_t last = line.rfind(',');
    if (first == std::string_view::npos || first == last) return Fail(fault, number, NotARecord);
    record.kind = PrintRecord::Text;
    if (!ParseNumber(line.substr(0, first), record.column))
        return Fail(fault, number, ColumnNotNumber);
    if (!ParseNumber(line.substr(last + 1), record.advance))
        return Fail(fault, number, AdvanceNotNumber);
    record.text = line.substr(first + 1, last - first - 1);
    return true;
}

// Builds the pages: each text written over the line it falls on.
class PageBuilder {
  public:
    explicit PageBuilder(PrintDocument& document) : document_(document) {}

    // A page record starts a new page unless nothing stands on the current one yet.
    // A length of 0 or less (a report that never set one) is no page break at all.
    void NewPage(int32_t length) {
        if (length <= 0) return;
        if (!current_.empty()) Finish();
        line_ = 0;
    }

    bool Place(const PrintRecord& record, PrintFault& fault) {
        if (record.column > MaxPrintColumn) return Fail(fault, record.lineNumber, ColumnBeyondPage);
        if (line_ >= MaxPrintPageLines) return Fail(fault, record.lineNumber, PageTooLong);
        // A column left of the page (a title wider than the page) starts at the margin.
        const std::size_t start = static_cast<std::size_t>(std::max(record.column, 1) - 1);
        std::string& text = LineAt(line_);
        const std::size_t end = std::max(start + record.text.size(), text.size());
        bytes_ += end - text.size();
        if (bytes_ > MaxLaidOutBytes) return Fail(fault, record.lineNumber, ReportTooLarge);
        text.resize(end, ' ');
        text.replace(start, record.text.size(), Printable(record.text));
        line_ = static_cast<int32_t>(
            std::clamp<int64_t>(int64_t{line_} + record.advance, 0, MaxPrintPageLines));
        return true;
    }

    void Finish() {
        if (!current_.empty()) document_.pages.push_back(std::move(current_));
        current_.clear();
    }

  private:
    std::string& LineAt(int32_t line) {
        if (current_.size() <= static_cast<std::size_t>(line)) {
            bytes_ += (static_cast<std::size_t>(line) + 1 - current_.size()) * sizeof(std::string);
            current_.resize(static_cast<std::size_t>(line) + 1);
        }
        return current_[static_cast<std::size_t>(line)];
    }

    // Control characters would reach the device as commands: they print as blanks.
    static std::string Printable(std::string text) {
        for (char& c : text) {
            const auto code = static_cast<unsigned char>(c);
            if (code < 32 || code == 127) c = ' ';
        }
        return text;
    }

    PrintDocument& document_;
    std::vector<std::string> current_;
    int32_t line_ = 0;
    std::size_t bytes_ = 0;
};

}  // namespace

bool ReadPrintRecords(std::string_view bytes, std::vector<PrintRecord>& records,
                      PrintFault& fault) {
    records.clear();
    bytes = bytes.substr(0, bytes.find(EndOfFile));
    int32_t lineNumber = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        std::size_t end = bytes.find("\r\n", pos);
        if (end == std::string_view::npos) end = bytes.size();
        PrintRecord record;
        record.lineNumber = ++lineNumber;
        if (!ReadRecord(bytes.substr(pos, end - pos), record, fault)) return false;
        records.push_back(std::move(record));
        pos = end + 2;
    }
    return true;
}

bool LayOutPrint(const std::vector<PrintRecord>& records, PrintDocument& document,
                 PrintFault& fault) {
    document = PrintDocument();
    PageBuilder pages(document);
    for (const PrintRecord& record : records) {
        switch (record.kind) {
            case PrintRecord::Device:
                document.device = record.text;
                break;
            case PrintRecord::Page:
                pages.NewPage(record.pageLength);
                break;
            case PrintRecord::Control:
                if (record.text == "@e") document.charactersPerInch = 12;
                break;
            case PrintRecord::Justify:
                // On fixed pitch every character takes one column, so a text
                // anchored left, right, centred or as a number covers the same cells.
                break;
            case PrintRecord::Text:
                if (!pages.Place(record, fault)) return false;
                break;
        }
    }
    pages.Finish();
    return true;
}

PrintDeviceKind DeviceKind(const std::string& device) {
    std::string name = UpperCaseText(TrimBlanks(device));
    if (!name.empty() && name.back() == ':') name.pop_back();
    if (name.empty() || name == "CON" || name == "PANTALLA") return PrintDeviceKind::Screen;
    if (name == "PRN" || name == "LPT1" || name == "LPT2" || name == "LPT3")
        return PrintDeviceKind::Printer;
    return PrintDeviceKind::File;
}

std::string DocumentText(const PrintDocument& document) {
    std::string text;
    for (std::size_t page = 0; page < document.pages.size(); ++page) {
        if (page > 0) text += '\f';
        for (const std::string& line : document.pages[page])
            text += Cp850ToUtf8(TrimRightBlanks(line)) + "\n";
    }
    return text;
}

}  // namespace korvidan
