// Stand-in for a Palm Desktop library whose functions the program only
// looks up (tests and demo only).
#include <windows.h>

extern "C" {
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
__declspec(dllexport) int WINAPI StandInVersion(void) { return 1; }
}
