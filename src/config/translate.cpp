// Language files. Each record is four fields: the Catalan key, then the
// Galician, Occitan and Spanish texts. A field ends at "," or CR LF, or spans
// anything between double quotes; 0x1A ends the file.
#include "config/translate.h"

#include "config/run_context.h"
#include "platform/files.h"

namespace korvidan {

namespace {

constexpr char EndOfFile = '\x1A';

// The program whose language file is used, fixed at the first translation.
std::string ModuleName;

// Reads the fields of a language file one after the other.
class FieldReader {
  public:
    explicit FieldReader(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find(EndOfFile))) {}

    bool AtEnd() const { return pos_ >= bytes_.size(); }

    std::string Next() {
        while (!AtEnd() && bytes_[pos_] == ' ') ++pos_;
        if (!AtEnd() && bytes_[pos_] == '"') return Quoted();
        return Plain();
    }

  private:
    // A field between double quotes, then its separator after blanks, tabs and LFs.
    std::string Quoted() {
        ++pos_;
        const std::size_t close = bytes_.find('"', pos_);
        const std::size_t end = close == std::string_view::npos ? bytes_.size() : close;
        std::string field(bytes_.substr(pos_, end - pos_));
        pos_ = close == std::string_view::npos ? end : close + 1;
        while (!AtEnd() && (bytes_[pos_] == ' ' || bytes_[pos_] == '\t' || bytes_[pos_] == '\n'))
            ++pos_;
        if (!AtEnd() && bytes_[pos_] == ',')
            ++pos_;
        else if (!AtEnd() && bytes_[pos_] == '\r')
            SkipLineEnd();
        return field;
    }

    // A field up to "," or CR, without its tabs and LFs; trailing blanks kept.
    std::string Plain() {
        std::string field;
        while (!AtEnd()) {
            const char c = bytes_[pos_];
            if (c == ',') {
                ++pos_;
                break;
            }
            if (c == '\r') {
                SkipLineEnd();
                break;
            }
            if (c != '\t' && c != '\n') field += c;
            ++pos_;
        }
        return field;
    }

    // Consumes a CR and the LF after it.
    void SkipLineEnd() {
        ++pos_;
        if (!AtEnd() && bytes_[pos_] == '\n') ++pos_;
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// The language file of the module.
std::string LanguageFile() {
    return RunContext.rootDir + "LOCALE\\" + ModuleName + ".LNG";
}

}  // namespace

std::string FindTranslation(std::string_view bytes, const std::string& text,
                            const std::string& language) {
    FieldReader fields(bytes);
    while (!fields.AtEnd()) {
        const std::string key = fields.Next();
        if (fields.AtEnd()) break;  // a key with nothing after it is not a record
        const std::string galician = fields.Next();
        const std::string occitan = fields.Next();
        const std::string spanish = fields.Next();
        if (key != text) continue;
        if (language == "SPA") return spanish;
        if (language == "GLG") return galician;
        if (language == "OCI") return occitan;
        return text;
    }
    return text;
}

std::string Translate(const std::string& text) {
    if (RunContext.language == "CAT") return text;
    if (ModuleName.empty()) ModuleName = RunContext.programName;

    std::string bytes;
    if (!ReadWholeFile(LanguageFile(), bytes)) {
        // A missing file is created empty, so the installation sees which file to fill in.
        File created;
        created.Open(LanguageFile(), FileWrite | FileCreate);
        return text;
    }
    return FindTranslation(bytes, text, RunContext.language);
}

void ResetTranslate() {
    ModuleName.clear();
}

}  // namespace korvidan
