// The clipboard: OSC 52 to the terminal on copy, and the clipboard file that
// paste reads back.
#include "platform/clipboard.h"

#include <cstdint>

#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/files.h"

namespace korvidan {

namespace {

std::string Base64(const std::string& bytes) {
    static constexpr char Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<uint8_t>(bytes[i + 2]);
        encoded.push_back(Digits[(group >> 18) & 63]);
        encoded.push_back(Digits[(group >> 12) & 63]);
        encoded.push_back(i + 1 < bytes.size() ? Digits[(group >> 6) & 63] : '=');
        encoded.push_back(i + 2 < bytes.size() ? Digits[group & 63] : '=');
    }
    return encoded;
}

}  // namespace

void PutClipboardText(const std::string& folder, const std::string& text) {
    const std::string kept = text.substr(0, ClipboardLimit);
    // The terminal's clipboard (where it allows programs to set it) holds UTF-8.
    ConsoleSendRaw("\x1b]52;c;" + Base64(Cp850ToUtf8(kept)) + "\a");
    WriteWholeFile(folder + ClipboardFileName, kept);
}

std::string GetClipboardText(const std::string& folder) {
    File file;
    if (!file.Open(folder + ClipboardFileName, FileRead)) return {};
    std::string text(ClipboardLimit, '\0');
    const int64_t got = file.Read(text.data(), static_cast<int64_t>(text.size()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

}  // namespace korvidan
