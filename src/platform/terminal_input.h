// The decoder of what a terminal sends: keys with PC scan codes and modifier
// state, SGR mouse presses, bracketed paste and UTF-8 text turned into code page
// 850, all as console events. Pure: the clock is always passed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/console.h"

namespace korvidan {

// How long the bytes of a cut-short sequence (a lone Esc above all) wait for the rest.
inline constexpr int64_t EscapeTimeoutMs = 25;

// The bytes read from the terminal and not decoded yet, and the paste in progress.
struct TerminalInputState {
    std::string pending;
    std::size_t start = 0;    // the first byte of pending not decoded yet
    int64_t lastByteMs = 0;   // when bytes last arrived
    bool inPaste = false;     // between the paste's opening and closing sequences
    bool pasteAfterCr = false;
};

// What one take from the decoder gave.
enum class TerminalInputResult {
    Nothing,  // no complete event yet
    Event,    // the event is filled in
    Refused,  // a typed character the code page cannot hold (the caller beeps)
};

// Adds bytes read from the terminal at the time given.
void FeedTerminalInput(TerminalInputState& state, std::string_view bytes, int64_t nowMs);
// Takes the next event; cut-short bytes older than EscapeTimeoutMs count as complete
// (a lone Esc is the Esc key), unknown sequences are swallowed.
TerminalInputResult TakeTerminalEvent(TerminalInputState& state, int64_t nowMs, ConsoleEvent& event);
// Milliseconds until waiting bytes time out, or -1 when no bytes wait.
int64_t TerminalInputWaitMs(const TerminalInputState& state, int64_t nowMs);

}  // namespace korvidan
