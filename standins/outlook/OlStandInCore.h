// What the two forms of the stand-in Outlook (the DLL and the server
// program) share: the class factory, the object and call counters, and
// registration.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

namespace olsi {

extern std::atomic<long> g_nObjects;
extern std::atomic<long> g_nLocks;
extern std::atomic<long long> g_nIdsCalls;
extern std::atomic<long long> g_nInvokeCalls;
extern std::atomic<unsigned long long> g_nLastCallTick;

extern const CLSID kClsid;

// The class factory of the application object (a static object).
IClassFactory* Factory();

// Registers the class and the ProgID for the in-process DLL at dllPath, or
// for the server program at exePath (the other form's key is removed).
HRESULT RegisterInProcess(const std::wstring& dllPath);
HRESULT RegisterLocalServer(const std::wstring& exePath);
HRESULT Unregister();

}  // namespace olsi
