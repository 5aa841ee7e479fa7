// Test environment of the programs that reach the 6.x database: on Windows
// the database provider is the project's stand-in, registered in the test
// prefix before any test runs (compiled into each such program).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>

#include <string>

#include "common/misc/WinUtil.h"

namespace {

class AdoStandInEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 1252u) << "Wine must run with the 1252 code page (LANG unset)";
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        char exe[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string dll = exe;
        dll = dll.substr(0, dll.find_last_of("\\/") + 1) + VT_ADO_STANDIN_DLL;
        HMODULE mod = LoadLibraryA(dll.c_str());
        ASSERT_NE(mod, nullptr) << "cannot load " << dll;
        using RegisterFn = HRESULT(__stdcall*)();
        auto reg = reinterpret_cast<RegisterFn>(
            reinterpret_cast<void*>(GetProcAddress(mod, "DllRegisterServer")));
        ASSERT_NE(reg, nullptr);
        ASSERT_EQ(reg(), S_OK);
    }
};

const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new AdoStandInEnvironment);

}  // namespace
#endif
