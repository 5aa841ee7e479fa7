// Accessor of one settings file, by the Windows profile-function rules.
#pragma once

#include <cstdint>
#include <string>

class CxIniUtil {
public:
    static constexpr size_t kMaxPath = 259;
    static constexpr size_t kMaxSection = 31;

    // Path = folder + file name, or the program's own folder + file name when
    // the folder is empty.
    CxIniUtil(const char* folder, const char* fileName);

    void SetPath(const char* fullPath);  // empty text ignored
    const char* GetPath() const { return m_szPath; }
    void SetDefaultSection(const char* section);

    // Characters read; an empty section means the default section; an empty
    // key or a zero size reads nothing.
    uint32_t ReadString(const char* section, const char* key, char* buffer, uint32_t size,
                        const char* def);
    // Missing or empty text gives the default, else atol of at most 31 characters.
    int32_t ReadInt(const char* section, const char* key, int32_t def);
    bool ReadBool(const char* section, const char* key, bool def);

    bool WriteString(const char* section, const char* key, const char* text);
    bool WriteInt(const char* section, const char* key, int32_t value);
    bool WriteBool(const char* section, const char* key, bool value);

private:
    const char* Section(const char* section) const;

    char m_szPath[kMaxPath + 1] = {};
    char m_szSection[kMaxSection + 1] = {};
};
