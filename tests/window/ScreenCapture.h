// Messages pumped for a while and pictures of windows from the screen, for
// the tests that look at what a display shows.
#pragma once

#include <windows.h>

#include <string>

namespace win_test {

// Dispatches every message for about ms milliseconds.
void Pump(DWORD ms);
// The window's part of the screen as a 24-bit BMP file; false when the
// window is off screen.
bool SaveWindow(HWND wnd, const std::string& path);

}  // namespace win_test
