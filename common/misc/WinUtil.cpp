#include "common/misc/WinUtil.h"

#include <cstdio>

#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"

bool GetModuleFolder(const void* module, char* out, size_t size) {
    if (!out || size == 0) return false;
    out[0] = 0;
    std::string path;
    if (!cxplat::GetModulePath(module, path)) return false;
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return false;
    path.resize(cut + 1);
    if (path.size() >= size) return false;
    CxCopyText(out, size, path.c_str());
    return true;
}

bool GetFileVersion(const char* path, int* major, int* minor, int* build, int* revision) {
    uint16_t v[4] = {};
    bool ok = path && *path && cxplat::GetFileVersion(path, v);
    if (!ok) v[0] = v[1] = v[2] = v[3] = 0;
    if (major) *major = v[0];
    if (minor) *minor = v[1];
    if (build) *build = v[2];
    if (revision) *revision = v[3];
    return ok;
}

bool GetOutlookVersion(char* out, size_t size) {
    std::string folder;
    if (!cxplat::RegReadString(cxplat::RegRoot::LocalMachine, kOutlookAppPathKey, "Path", folder))
        return false;
    // The value is used as it stands: it must end with a backslash.
    std::string exe = folder + "OUTLOOK.EXE";
    int v[4];
    if (!GetFileVersion(exe.c_str(), &v[0], &v[1], &v[2], &v[3])) {
        if (out && size) out[0] = 0;
        return false;
    }
    char text[64];
    snprintf(text, sizeof(text), "%d.%d.%d.%d", v[0], v[1], v[2], v[3]);
    CxCopyText(out, size, text);
    return true;
}

bool RunByShell(const char* target) {
    if (!target || !*target) return false;
    return cxplat::ShellOpen(target);
}

std::string HexDump(const void* bytes, size_t length) {
    std::string out;
    if (!bytes) return out;
    if (length > 1024) length = 1024;
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    out.reserve(length * 3);
    char hex[4];
    for (size_t i = 0; i < length; ++i) {
        snprintf(hex, sizeof(hex), "%02x", p[i]);
        if (i) out += ' ';
        out += hex;
    }
    return out;
}
