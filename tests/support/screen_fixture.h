// The reset shared by the tests of the screen layer and the layers above it.
// Header-only: it needs those layers, which the test support library does not link.
#pragma once

#include "config/run_context.h"
#include "forms/keyboard.h"
#include "screen/colour.h"
#include "screen/window_stack.h"

namespace korvidan::test {

// Puts the run context, the keyboard, the colours and the window stack back as a
// new process has them.
inline void ResetScreenLayers() {
    ResetRunContext();
    ResetKeyboardState();
    ResetColourState();
    ResetWindowStack();
}

}  // namespace korvidan::test
