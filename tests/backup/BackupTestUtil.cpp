#include "BackupTestUtil.h"

#include <algorithm>

namespace backup_test {

CxSystemTime Time(int y, int mo, int d, int h, int mi, int s, int ms) {
    CxSystemTime t;
    t.wYear = static_cast<uint16_t>(y);
    t.wMonth = static_cast<uint16_t>(mo);
    t.wDay = static_cast<uint16_t>(d);
    t.wHour = static_cast<uint16_t>(h);
    t.wMinute = static_cast<uint16_t>(mi);
    t.wSecond = static_cast<uint16_t>(s);
    t.wMilliseconds = static_cast<uint16_t>(ms);
    return t;
}

std::string BinaryContent(size_t size, unsigned seed) {
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return out;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<cxplat::FolderEntry> entries;
    std::vector<std::string> names;
    if (!cxplat::ListFolder(folder.c_str(), entries)) return names;
    for (const auto& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace backup_test
