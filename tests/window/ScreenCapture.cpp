#include "window/ScreenCapture.h"

#include <cstdint>
#include <vector>

#include "support/TestSupport.h"

namespace win_test {

void Pump(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    while (GetTickCount() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

bool SaveWindow(HWND wnd, const std::string& path) {
    RECT rc, screenRc = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    GetWindowRect(wnd, &rc);
    if (!IntersectRect(&rc, &rc, &screenRc)) return false;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof(bi);
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    const DWORD row = static_cast<DWORD>((w * 3 + 3) & ~3);
    std::vector<uint8_t> pixels(row * static_cast<DWORD>(h));
    GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
              DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER bf = {};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof(bf) + sizeof(bi);
    bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
    std::vector<uint8_t> file(reinterpret_cast<uint8_t*>(&bf), reinterpret_cast<uint8_t*>(&bf) + sizeof(bf));
    file.insert(file.end(), reinterpret_cast<uint8_t*>(&bi), reinterpret_cast<uint8_t*>(&bi) + sizeof(bi));
    file.insert(file.end(), pixels.begin(), pixels.end());
    vt_test::WriteBytes(path, file);
    return true;
}

}  // namespace win_test
