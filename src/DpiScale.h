// The main window lays itself out in pixels of a 96 DPI screen; these turn
// them into the pixels of the window's screen and back.
#pragma once

#ifdef _WIN32
#include <windows.h>

// The DPI of the window's screen (the system's on systems that know no other).
int WindowDpi(HWND window);
// Layout pixels (96 DPI) to screen pixels, and back.
int ScaleToDpi(int value, int dpi);
int ScaleFromDpi(int value, int dpi);
#endif
