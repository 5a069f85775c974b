// The stack of pop-up windows: each one saves the screen it covers in the work file
// WinPush.tmp and gives it back, cell for cell, when it closes.
#pragma once

#include <cstdint>

namespace korvidan {

// The current window (its frame lines) and how many windows are open.
struct WindowStackRecord {
    int16_t depth = 0;
    int16_t top = 0;
    int16_t left = 0;
    int16_t bottom = 0;
    int16_t right = 0;
};
extern WindowStackRecord WindowStack;

// Saves the rectangle, the cursor and the current window, and makes the rectangle
// current; coordinates outside the screen open nothing.
void OpenWindow(int16_t top, int16_t left, int16_t bottom, int16_t right);
// Restores the newest window's screen and cursor and makes the previous window current.
void CloseWindow();
// Draws the current window's border (0 blank, 1 single, 2 double) and blanks its inside.
void DrawWindowFrame(int16_t style);
// The first row and column inside the current window's frame (1 with no window open).
int16_t WindowFirstRow();
int16_t WindowFirstColumn();
// The last column inside the current window's frame (the screen width with none open).
int16_t WindowLastColumn();
// Scrolls the rectangle from row top + 1, column left + 1 to row bottom + 1,
// column right + 1: lines > 0 up, lines < 0 down, 0 down by one.
void ScrollArea(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t lines);

// Forgets every open window as a new process would (the work file is left alone).
void ResetWindowStack();

}  // namespace korvidan
