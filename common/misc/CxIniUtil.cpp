#include "common/misc/CxIniUtil.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/misc/CxPlatform.h"
#include "common/misc/CxText.h"
#include "common/misc/WinUtil.h"

CxIniUtil::CxIniUtil(const char* folder, const char* fileName) {
    std::string path;
    if (folder && *folder) {
        path = folder;
    } else {
        char moduleFolder[CX_MAX_PATH] = {};
        GetModuleFolder(nullptr, moduleFolder, sizeof(moduleFolder));
        path = moduleFolder;
    }
    path += fileName ? fileName : "";
    CxCopyText(m_szPath, sizeof(m_szPath), path.c_str());
}

void CxIniUtil::SetPath(const char* fullPath) {
    if (!fullPath || !*fullPath) return;
    CxCopyText(m_szPath, sizeof(m_szPath), fullPath);
}

void CxIniUtil::SetDefaultSection(const char* section) {
    CxCopyText(m_szSection, sizeof(m_szSection), section ? section : "");
}

const char* CxIniUtil::Section(const char* section) const {
    return (section && *section) ? section : m_szSection;
}

uint32_t CxIniUtil::ReadString(const char* section, const char* key, char* buffer,
                               uint32_t size, const char* def) {
    if (!key || !*key || !buffer || size == 0) return 0;
    const char* sec = Section(section);
    if (!*sec) {  // no section at all: only the default applies
        return static_cast<uint32_t>(CxCopyText(buffer, size, def ? def : ""));
    }
    return cxplat::ReadProfileString(m_szPath, sec, key, def ? def : "", buffer, size);
}

int32_t CxIniUtil::ReadInt(const char* section, const char* key, int32_t def) {
    char text[32] = {};
    ReadString(section, key, text, sizeof(text), "");
    if (!text[0]) return def;
    return CxAtol(text);
}

bool CxIniUtil::ReadBool(const char* section, const char* key, bool def) {
    return ReadInt(section, key, def ? 1 : 0) != 0;
}

bool CxIniUtil::WriteString(const char* section, const char* key, const char* text) {
    const char* sec = Section(section);
    if (!*sec || !key || !*key) return false;
    return cxplat::WriteProfileText(m_szPath, sec, key, text ? text : "");
}

bool CxIniUtil::WriteInt(const char* section, const char* key, int32_t value) {
    char text[16];
    snprintf(text, sizeof(text), "%d", static_cast<int>(value));
    return WriteString(section, key, text);
}

bool CxIniUtil::WriteBool(const char* section, const char* key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}
