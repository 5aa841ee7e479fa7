// Stand-in for Palm Desktop's user manager (tests and demo only). Users come
// from "users.txt" beside this library, one per line: id, name and data
// directory separated by tabs. The root directory is this library's folder.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr LONG kUnknownUser = -501;
constexpr LONG kBadArgument = -502;

HMODULE g_self = nullptr;

struct User {
    DWORD id;
    std::string name;
    std::string dir;
};

std::string SelfFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(g_self, path, MAX_PATH);
    std::string s = path;
    size_t cut = s.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : s.substr(0, cut + 1);
}

// Read anew on every call so that tests can change the file between calls.
std::vector<User> ReadUsers() {
    std::vector<User> users;
    FILE* f = fopen((SelfFolder() + "users.txt").c_str(), "rb");
    if (!f) return users;
    char line[1024];
    while (fgets(line, sizeof(line), f)) {
        std::string l = line;
        while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
        size_t a = l.find('\t');
        size_t b = a == std::string::npos ? a : l.find('\t', a + 1);
        if (b == std::string::npos) continue;
        users.push_back({static_cast<DWORD>(strtoul(l.substr(0, a).c_str(), nullptr, 10)),
                         l.substr(a + 1, b - a - 1), l.substr(b + 1)});
    }
    fclose(f);
    return users;
}

LONG CopyOut(const std::string& text, char* buffer, short* size) {
    if (!buffer || !size || *size <= 0) return kBadArgument;
    size_t n = text.size() < static_cast<size_t>(*size - 1) ? text.size() : *size - 1;
    memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    *size = static_cast<short>(n + 1);
    return 0;
}

const User* FindUser(const std::vector<User>& users, DWORD id) {
    for (const User& u : users)
        if (u.id == id) return &u;
    return nullptr;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

__declspec(dllexport) short WINAPI UmGetUserCount(void) {
    return static_cast<short>(ReadUsers().size());
}

__declspec(dllexport) LONG WINAPI UmGetUserID(short index, DWORD* id) {
    std::vector<User> users = ReadUsers();
    if (!id || index < 0 || static_cast<size_t>(index) >= users.size()) return kUnknownUser;
    *id = users[static_cast<size_t>(index)].id;
    return 0;
}

__declspec(dllexport) LONG WINAPI UmGetUserName(DWORD id, char* buffer, short* size) {
    std::vector<User> users = ReadUsers();
    const User* u = FindUser(users, id);
    return u ? CopyOut(u->name, buffer, size) : kUnknownUser;
}

__declspec(dllexport) LONG WINAPI UmGetUserDirectory(DWORD id, char* buffer, short* size) {
    std::vector<User> users = ReadUsers();
    const User* u = FindUser(users, id);
    return u ? CopyOut(u->dir, buffer, size) : kUnknownUser;
}

__declspec(dllexport) LONG WINAPI UmGetRootDirectory(char* buffer, short* size) {
    return CopyOut(SelfFolder(), buffer, size);
}

}  // extern "C"
