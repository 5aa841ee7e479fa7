#include "common/palm/PalmDesktop.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxIniUtil.h"
#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/misc/WinUtil.h"

#ifdef _WIN32
#define PM_UM_CALL __stdcall
#else
#define PM_UM_CALL
#endif

namespace {

using FnGetUserCount = int16_t(PM_UM_CALL*)();
using FnGetUserID = int32_t(PM_UM_CALL*)(int16_t, uint32_t*);
using FnGetUserText = int32_t(PM_UM_CALL*)(uint32_t, char*, int16_t*);
using FnGetRootDirectory = int32_t(PM_UM_CALL*)(char*, int16_t*);

struct LibraryRow {
    uint32_t bit;
    const char* file;
};

const LibraryRow kLibraries[] = {
    {PM_LIB_CONDMGR, "condmgr.dll"},
    {PM_LIB_USERDATA, "UserData.dll"},
    {PM_LIB_HSAPI, "HSAPI.DLL"},
    {PM_LIB_INSTAIDE, "instaide.dll"},
};

// Process-wide library state: module handles and the user manager's entry points.
struct LibraryState {
    void* modules[4] = {};
    FnGetUserCount getUserCount = nullptr;
    FnGetUserID getUserID = nullptr;
    FnGetUserText getUserName = nullptr;
    FnGetUserText getUserDirectory = nullptr;
    FnGetRootDirectory getRootDirectory = nullptr;
};

LibraryState& State() {
    static LibraryState state;
    return state;
}

template <typename Fn>
Fn Lookup(void* module, const char* name) {
    return reinterpret_cast<Fn>(cxplat::GetModuleSymbol(module, name));
}

void UnloadOne(size_t row) {
    LibraryState& s = State();
    if (!s.modules[row]) return;
    if (kLibraries[row].bit == PM_LIB_USERDATA) {
        s.getUserCount = nullptr;
        s.getUserID = nullptr;
        s.getUserName = nullptr;
        s.getUserDirectory = nullptr;
        s.getRootDirectory = nullptr;
    }
    cxplat::UnloadModule(s.modules[row]);
    s.modules[row] = nullptr;
}

bool LoadOne(size_t row) {
    UnloadOne(row);
    char folder[CX_MAX_PATH] = {};
    if (GetPalmDesktopFolder(folder, sizeof(folder)) != 0) return false;
    // A folder ending with a backslash gives a doubled one, which Windows accepts.
    std::string path = std::string(folder) + "\\" + kLibraries[row].file;
    void* module = cxplat::LoadModule(path.c_str());
    if (!module) return false;
    LibraryState& s = State();
    s.modules[row] = module;
    if (kLibraries[row].bit == PM_LIB_USERDATA) {
        s.getUserCount = Lookup<FnGetUserCount>(module, "UmGetUserCount");
        s.getUserID = Lookup<FnGetUserID>(module, "UmGetUserID");
        s.getUserName = Lookup<FnGetUserText>(module, "UmGetUserName");
        s.getUserDirectory = Lookup<FnGetUserText>(module, "UmGetUserDirectory");
        s.getRootDirectory = Lookup<FnGetRootDirectory>(module, "UmGetRootDirectory");
    }
    return true;
}

int ReadRegistryFolder(char* buffer, size_t size) {
    cxplat::RegRoot root = cxplat::RegRoot::CurrentUser;
    const char* key = kPalmCoreKeyUser;
    if (!cxplat::RegKeyExists(root, key)) {
        root = cxplat::RegRoot::LocalMachine;
        key = kPalmCoreKeyMachine;
        if (!cxplat::RegKeyExists(root, key)) return PM_ERR_NOT_FOUND;
    }
    std::string value;
    if (!cxplat::RegReadString(root, key, "DesktopPath", value)) {
        std::string hotSync;
        if (!cxplat::RegReadString(root, key, "HotSyncPath", hotSync) ||
            hotSync.size() >= CX_MAX_PATH)
            return PM_ERR_NOT_FOUND;
        size_t cut = hotSync.find_last_of("\\/");
        value = cut == std::string::npos ? std::string() : hotSync.substr(0, cut + 1);
    }
    if (value.size() >= size) return PM_ERR_TOO_LONG;
    CxCopyText(buffer, size, value.c_str());
    return 0;
}

}  // namespace

int GetPalmDesktopFolder(char* buffer, size_t size) {
    if (!buffer || size == 0) return PM_ERR_NO_BUFFER;
    buffer[0] = 0;
    CxIniUtil programIni("", "brenvik.ini");
    // One character more than the buffer takes tells a value that would be
    // cut: a cut folder would name another place.
    std::vector<char> value(std::min<size_t>(size, 32768) + 1, 0);
    programIni.ReadString("Path", "PDPath", value.data(), static_cast<uint32_t>(value.size()), "");
    if (value[0]) {
        if (strlen(value.data()) >= size) {
            CX_LOG(0, "The PDPath setting is too long for a folder; it is not used.");
            return PM_ERR_TOO_LONG;
        }
        CxCopyText(buffer, size, value.data());
        return 0;
    }
    return ReadRegistryFolder(buffer, size);
}

uint32_t GetPalmDesktopVersion() {
    char folder[CX_MAX_PATH] = {};
    if (GetPalmDesktopFolder(folder, sizeof(folder)) != 0) return PM_VERSION_UNKNOWN;
    std::string exe = std::string(folder) + "\\palm.exe";
    int v[4] = {};
    if (!GetFileVersion(exe.c_str(), &v[0], &v[1], &v[2], &v[3])) return PM_VERSION_UNKNOWN;
    return static_cast<uint32_t>(v[0]) * 10000u + static_cast<uint32_t>(v[1]) * 100u +
           static_cast<uint32_t>(v[2]);
}

bool LoadPalmLibraries(uint32_t mask) {
    for (size_t row = 0; row < 4; ++row) {
        if (!(mask & kLibraries[row].bit)) continue;
        if (!LoadOne(row)) return false;
    }
    return true;
}

void UnloadPalmLibraries(uint32_t mask) {
    for (size_t row = 0; row < 4; ++row)
        if (mask & kLibraries[row].bit) UnloadOne(row);
}

bool IsPalmLibraryLoaded(uint32_t bit) {
    for (size_t row = 0; row < 4; ++row)
        if (kLibraries[row].bit == bit) return State().modules[row] != nullptr;
    return false;
}

int16_t UmGetUserCount() {
    auto fn = State().getUserCount;
    return fn ? fn() : static_cast<int16_t>(PM_FUNCTION_ABSENT);
}

int32_t UmGetUserID(int16_t index, uint32_t* userId) {
    auto fn = State().getUserID;
    return fn ? fn(index, userId) : PM_FUNCTION_ABSENT;
}

int32_t UmGetUserName(uint32_t userId, char* buffer, int16_t* size) {
    auto fn = State().getUserName;
    return fn ? fn(userId, buffer, size) : PM_FUNCTION_ABSENT;
}

int32_t UmGetUserDirectory(uint32_t userId, char* buffer, int16_t* size) {
    auto fn = State().getUserDirectory;
    return fn ? fn(userId, buffer, size) : PM_FUNCTION_ABSENT;
}

int32_t UmGetRootDirectory(char* buffer, int16_t* size) {
    auto fn = State().getRootDirectory;
    return fn ? fn(buffer, size) : PM_FUNCTION_ABSENT;
}

bool GetUserDataFolder(uint32_t userId, char* buffer, size_t size) {
    if (!buffer) return false;
    char root[CX_MAX_PATH] = {};
    char user[CX_MAX_PATH] = {};
    int16_t len = static_cast<int16_t>(size < CX_MAX_PATH ? size : CX_MAX_PATH);
    // The call must have happened and delivered a folder; its result code is
    // not trusted (an absent function gives -100, a real one 0 on success).
    if (!State().getRootDirectory) return false;
    UmGetRootDirectory(root, &len);
    root[CX_MAX_PATH - 1] = 0;
    if (!root[0]) return false;
    // The root call gave back the length it wrote: the user directory gets
    // the whole buffer again.
    len = static_cast<int16_t>(CX_MAX_PATH);
    UmGetUserDirectory(userId, user, &len);
    user[CX_MAX_PATH - 1] = 0;
    std::string folder = root;
    if (!cxplat::IsPathSep(folder.back())) folder += "\\";
    folder += user;
    folder += "\\";
    // A cut folder would name another place.
    if (folder.size() >= size) return false;
    CxCopyText(buffer, size, folder.c_str());
    return true;
}
