// A console back-end for tests whose input is a script of keys and clicks, each
// with an optional probe that runs when it is read. Header-only: it needs the
// platform layer, which the test support library does not link.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/console.h"

namespace korvidan::test {

// One scripted input: a key code, or a click when button is set; probe runs when it is read.
struct Step {
    Step() = default;
    Step(int code) : key(static_cast<int16_t>(code)) {}  // NOLINT: a key code reads as a step
    Step(int code, std::function<void()> check)
        : key(static_cast<int16_t>(code)), probe(std::move(check)) {}
    int16_t key = 0;
    int16_t button = 0;
    int16_t row = 0;
    int16_t column = 0;
    std::function<void()> probe;
};

// A left click on a screen cell.
inline Step Click(int16_t row, int16_t column) {
    Step step;
    step.button = 1;
    step.row = row;
    step.column = column;
    return step;
}

// A key whose probe runs when the key is read.
inline Step Probe(int16_t key, std::function<void()> probe) {
    return Step(key, std::move(probe));
}

// Once the script runs dry it answers Esc a few times, then throws, so a run that
// waits for more input than scripted fails instead of waiting for ever.
struct ScriptedConsole final : ConsoleBackend {
    std::deque<Step> script;
    int dryReads = 0;
    int beeps = 0;
    bool mouse = true;  // whether the console reports a mouse

    bool ReadEvent(ConsoleEvent& event) override {
        event = ConsoleEvent{};
        Step step;
        if (script.empty()) {
            if (++dryReads > 20) throw std::runtime_error("the script ran dry");
            step.key = 0x1b;  // Esc
        } else {
            step = std::move(script.front());
            script.pop_front();
        }
        if (step.probe) step.probe();
        if (step.button != 0) {
            event.kind = ConsoleEvent::Mouse;
            event.button = step.button;
            event.row = step.row;
            event.column = step.column;
            return true;
        }
        event.kind = ConsoleEvent::Key;
        if (step.key > 0 && step.key < 256) {
            event.character = static_cast<uint8_t>(step.key);
        } else {
            event.scanCode = static_cast<uint8_t>(static_cast<uint16_t>(step.key) >> 8);
        }
        return true;
    }
    void Beep() override { ++beeps; }
    void SetMouse(bool) override {}
    bool HasMouse() override { return mouse; }
    void Suspend() override {}
    void Resume() override {}
    void Flush() override {}
    void SendRaw(const std::string&) override {}
};

}  // namespace korvidan::test
