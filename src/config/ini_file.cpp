// The INI file reader. Lines end at CR (an LF right after it goes with it), a
// byte 0x1A ends the file, ";" starts a comment anywhere, only blanks are trimmed.
#include "config/ini_file.h"

#include "datetime/text.h"
#include "platform/files.h"

namespace korvidan {

namespace {

constexpr char EndOfFile = '\x1A';

// Walks the lines of the file's bytes.
class LineReader {
  public:
    explicit LineReader(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find(EndOfFile))) {}

    // The next line without its CR (and LF); false at the end of the file.
    bool Next(std::string_view& line) {
        if (pos_ >= bytes_.size()) return false;
        const std::size_t end = bytes_.find('\r', pos_);
        if (end == std::string_view::npos) {
            line = bytes_.substr(pos_);
            pos_ = bytes_.size();
            return true;
        }
        line = bytes_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
        return true;
    }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// The line before its comment, without its leading blanks.
std::string_view Meaningful(std::string_view line) {
    line = line.substr(0, line.find(';'));
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

// A name as the reader compares it: trimmed of blanks and upper-cased.
std::string ComparableName(std::string_view name) {
    return UpperCaseText(TrimBlanks(std::string(name)));
}

// The name of a header line (one that starts with "["): up to "]" or the end.
std::string HeaderName(std::string_view line) {
    const std::string_view inner = line.substr(1);
    return ComparableName(inner.substr(0, inner.find(']')));
}

// A value between double quotes loses them; nothing else is unescaped.
std::string Unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

}  // namespace

std::string FindIniValue(std::string_view bytes, const std::string& section,
                         const std::string& key) {
    const std::string wantedSection = ComparableName(section);
    const std::string wantedKey = ComparableName(key);
    LineReader lines(bytes);
    std::string_view line;
    bool inSection = false;
    while (lines.Next(line)) {
        const std::string_view text = Meaningful(line);
        if (text.empty()) continue;
        if (!inSection) {
            inSection = text.front() == '[' && HeaderName(text) == wantedSection;
            continue;
        }
        if (text.front() == '[') break;  // the section ended without the key
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) continue;
        if (ComparableName(text.substr(0, equals)) == wantedKey)
            return Unquoted(text.substr(equals + 1));
    }
    return std::string();
}

std::string ReadIniValue(const std::string& file, const std::string& section,
                         const std::string& key) {
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) return std::string();
    return FindIniValue(bytes, section, key);
}

}  // namespace korvidan
