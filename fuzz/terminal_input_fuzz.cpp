// Fuzz target for the terminal input decoder: any bytes, cut into pieces that
// arrive at any times. Every byte must be decoded in the end, and every event
// must be a key or a click on a cell.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/terminal_input.h"

namespace {

void TakeAll(korvidan::TerminalInputState& state, int64_t now) {
    using namespace korvidan;
    ConsoleEvent event;
    for (;;) {
        const TerminalInputResult result = TakeTerminalEvent(state, now, event);
        if (result == TerminalInputResult::Nothing) return;
        if (result != TerminalInputResult::Event) continue;
        const bool key = event.kind == ConsoleEvent::Key && (event.character != 0 || event.scanCode != 0);
        const bool click = event.kind == ConsoleEvent::Mouse && event.button != 0 && event.row >= 1 && event.column >= 1;
        if (!key && !click) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvidan;
    TerminalInputState state;
    int64_t now = 0;
    size_t pos = 0;
    // Each piece starts with a byte: its length (low 4 bits + 1) and the
    // milliseconds before it arrives (high 4 bits x 3).
    while (pos < size) {
        const uint8_t control = data[pos++];
        const size_t length = std::min<size_t>((control & 15) + 1, size - pos);
        now += (control >> 4) * 3;
        TakeAll(state, now);
        FeedTerminalInput(state, std::string_view(reinterpret_cast<const char*>(data + pos), length), now);
        pos += length;
        TakeAll(state, now);
    }
    now += EscapeTimeoutMs;
    TakeAll(state, now);
    if (TerminalInputWaitMs(state, now) != -1) __builtin_trap();
    return 0;
}
