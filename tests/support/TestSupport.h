// Helpers shared by the test programs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vt_test {

// A fresh folder removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The folder, ending with the platform's separator.
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + name; }

private:
    std::string m_path;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& data);
void WriteText(const std::string& path, const std::string& text);
bool Exists(const std::string& path);
// Lines of a text whose lines end in CR LF (the last one may not).
std::vector<std::string> SplitCrLf(const std::string& text);

}  // namespace vt_test
