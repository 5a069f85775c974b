// The screen buffer every screen operation writes and reads back, the cursor,
// and the virtual back-end that tests drive.
#include "platform/console.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace korvidan {

namespace {

// A back-end of our own size with an input queue, for tests.
struct VirtualBackend final : ConsoleBackend {
    std::deque<ConsoleEvent> queue;
    int beeps = 0;
    bool mouseOn = false;
    std::string raw;

    bool ReadEvent(ConsoleEvent& event) override {
        if (queue.empty()) return false;
        event = queue.front();
        queue.pop_front();
        return true;
    }
    void Beep() override { ++beeps; }
    void SetMouse(bool on) override { mouseOn = on; }
    bool HasMouse() override { return true; }
    void Suspend() override {}
    void Resume() override {}
    void Flush() override {}
    void SendRaw(const std::string& bytes) override { raw += bytes; }
};

struct ConsoleState {
    int16_t rows = 25;
    int16_t columns = 80;
    std::vector<ConsoleCell> cells = std::vector<ConsoleCell>(25 * 80, ConsoleCell{' ', 7});
    int16_t cursorRow = 1;
    int16_t cursorColumn = 1;
    bool cursorVisible = true;
    bool insertShape = false;
    uint8_t attribute = 7;
    std::unique_ptr<ConsoleBackend> backend = std::make_unique<VirtualBackend>();
    VirtualBackend* virtualBackend = static_cast<VirtualBackend*>(backend.get());
};

ConsoleState& State() {
    static ConsoleState state;
    return state;
}

bool Inside(int16_t row, int16_t column) {
    const ConsoleState& s = State();
    return row >= 1 && row <= s.rows && column >= 1 && column <= s.columns;
}

ConsoleCell& CellAt(int16_t row, int16_t column) {
    ConsoleState& s = State();
    return s.cells[static_cast<size_t>((row - 1) * s.columns + (column - 1))];
}

void Reset(std::unique_ptr<ConsoleBackend> backend, int16_t rows, int16_t columns) {
    ConsoleState& s = State();
    s = ConsoleState{};
    s.rows = std::max<int16_t>(rows, 1);
    s.columns = std::max<int16_t>(columns, 1);
    s.cells.assign(static_cast<size_t>(s.rows) * s.columns, ConsoleCell{' ', 7});
    s.backend = std::move(backend);
    s.virtualBackend = dynamic_cast<VirtualBackend*>(s.backend.get());
}

VirtualBackend* Virtual() { return State().virtualBackend; }

}  // namespace

int16_t ConsoleRows() { return State().rows; }
int16_t ConsoleColumns() { return State().columns; }

void UseVirtualConsole(int16_t rows, int16_t columns) {
    Reset(std::make_unique<VirtualBackend>(), rows, columns);
}

void UseConsoleBackend(std::unique_ptr<ConsoleBackend> backend, int16_t rows, int16_t columns) {
    Reset(std::move(backend), rows, columns);
}

bool ConsoleIsVirtual() { return Virtual() != nullptr; }

ConsoleCell ConsoleReadCell(int16_t row, int16_t column) {
    if (!Inside(row, column)) return ConsoleCell{' ', 7};
    return CellAt(row, column);
}

void ConsoleWriteCell(int16_t row, int16_t column, ConsoleCell cell) {
    if (Inside(row, column)) CellAt(row, column) = cell;
}

void ConsoleLocate(int16_t row, int16_t column) {
    ConsoleState& s = State();
    if (row >= 1 && row <= s.rows) s.cursorRow = row;
    if (column >= 1 && column <= s.columns) s.cursorColumn = column;
}

int16_t ConsoleCursorRow() { return State().cursorRow; }
int16_t ConsoleCursorColumn() { return State().cursorColumn; }
void ConsoleShowCursor(bool visible) { State().cursorVisible = visible; }
bool ConsoleCursorVisible() { return State().cursorVisible; }
void ConsoleCursorInsertShape(bool insert) { State().insertShape = insert; }
bool ConsoleCursorIsInsertShape() { return State().insertShape; }
uint8_t ConsoleAttribute() { return State().attribute; }
void ConsoleSetAttribute(uint8_t attribute) { State().attribute = attribute; }

// Text runs on into the next row like a console's output; at the last cell of
// the screen it stops there, since the screen never scrolls.
void ConsoleWriteText(const std::string& text) {
    ConsoleState& s = State();
    for (unsigned char c : text) {
        CellAt(s.cursorRow, s.cursorColumn) = ConsoleCell{c, s.attribute};
        if (s.cursorColumn < s.columns) {
            ++s.cursorColumn;
        } else if (s.cursorRow < s.rows) {
            s.cursorColumn = 1;
            ++s.cursorRow;
        } else {
            break;
        }
    }
}

void ConsoleWriteBlanks(int16_t count) {
    if (count > 0) ConsoleWriteText(std::string(static_cast<size_t>(count), ' '));
}

void ConsoleClear() {
    ConsoleState& s = State();
    std::fill(s.cells.begin(), s.cells.end(), ConsoleCell{' ', s.attribute});
    s.cursorRow = 1;
    s.cursorColumn = 1;
}

void ConsoleScroll(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t lines) {
    ConsoleState& s = State();
    top = std::max<int16_t>(top, 1);
    left = std::max<int16_t>(left, 1);
    bottom = std::min(bottom, s.rows);
    right = std::min(right, s.columns);
    if (top > bottom || left > right) return;
    const int height = bottom - top + 1;
    const ConsoleCell blank{' ', s.attribute};
    const int shift = lines;
    for (int i = 0; i < height; ++i) {
        // Walk in the direction that never reads a row already overwritten.
        const int row = shift >= 0 ? top + i : bottom - i;
        const int source = row + shift;
        for (int column = left; column <= right; ++column) {
            const bool keep = shift != 0 && source >= top && source <= bottom;
            CellAt(static_cast<int16_t>(row), static_cast<int16_t>(column)) =
                keep ? CellAt(static_cast<int16_t>(source), static_cast<int16_t>(column)) : blank;
        }
    }
}

std::string ConsoleRowText(int16_t row, int16_t first, int16_t last) {
    std::string text;
    if (last < 0) last = ConsoleColumns();
    for (int16_t column = first; column <= last; ++column) {
        text.push_back(static_cast<char>(ConsoleReadCell(row, column).character));
    }
    return text;
}

bool ConsoleReadEvent(ConsoleEvent& event) {
    event = ConsoleEvent{};
    return State().backend->ReadEvent(event);
}

void ConsoleBeep() { State().backend->Beep(); }
void ConsoleSetMouse(bool on) { State().backend->SetMouse(on); }
bool ConsoleHasMouse() { return State().backend->HasMouse(); }
void ConsoleSuspend() { State().backend->Suspend(); }
void ConsoleResume() { State().backend->Resume(); }
void ConsoleFlush() { State().backend->Flush(); }
void ConsoleSendRaw(const std::string& bytes) { State().backend->SendRaw(bytes); }

void QueueVirtualKey(int16_t keyCode) {
    ConsoleEvent event;
    event.kind = ConsoleEvent::Key;
    const int code = static_cast<uint16_t>(keyCode);
    if (code < 256) {
        event.character = static_cast<uint8_t>(code);
    } else {
        event.scanCode = static_cast<uint8_t>(code >> 8);
    }
    QueueVirtualEvent(event);
}

void QueueVirtualClick(int16_t row, int16_t column, int16_t button) {
    ConsoleEvent event;
    event.kind = ConsoleEvent::Mouse;
    event.button = button;
    event.row = row;
    event.column = column;
    QueueVirtualEvent(event);
}

void QueueVirtualEvent(const ConsoleEvent& event) {
    if (VirtualBackend* v = Virtual()) v->queue.push_back(event);
}

int VirtualBeepCount() { return Virtual() ? Virtual()->beeps : 0; }
bool VirtualMouseOn() { return Virtual() ? Virtual()->mouseOn : false; }
std::string VirtualRawOutput() { return Virtual() ? Virtual()->raw : std::string(); }

}  // namespace korvidan
