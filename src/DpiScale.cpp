#include "src/DpiScale.h"

namespace {

constexpr int kLayoutDpi = 96;

}  // namespace

int WindowDpi(HWND window) {
    // GetDpiForWindow came with Windows 10 1607; looked up so the program
    // still starts on older systems.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpi && window) {
        const UINT dpi = getDpi(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : kLayoutDpi;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : kLayoutDpi;
}

int ScaleToDpi(int value, int dpi) { return MulDiv(value, dpi, kLayoutDpi); }

int ScaleFromDpi(int value, int dpi) { return dpi > 0 ? MulDiv(value, kLayoutDpi, dpi) : value; }
