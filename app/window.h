// The main window: a caption-less popup of the chosen size, and its window procedure, which turns
// messages into the input record, ends the run when the window closes, and drags the window in
// windowed mode.
#pragma once

#include "platform/os/win32.h"

extern const char kWindowClassName[];  // "musicdisk"

// Registers the window class and creates the window hidden at (10, 100) with the given outer size.
// The window procedure lets the user drag the window only while the scene manager's graphics say
// the show is windowed. Null when the window cannot be created.
HWND CreateMainWindow(int width, int height);

LRESULT WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
