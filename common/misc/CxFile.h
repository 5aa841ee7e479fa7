// One C library file stream with the binary primitives of the history file:
// little-endian 32-bit integers, IEEE 64-bit doubles, length-prefixed texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class CxFile {
public:
    CxFile() = default;
    ~CxFile() { Close(); }
    CxFile(const CxFile&) = delete;
    CxFile& operator=(const CxFile&) = delete;

    bool Open(const char* path, const char* mode);
    // Takes over a stream opened elsewhere (for example an exclusive open).
    void Attach(FILE* f);
    bool Close();  // false when flushing or closing failed
    bool IsOpen() const { return m_pFile != nullptr; }

    // Missing bytes at the end of the file read as 0; false only when no
    // file is open.
    bool ReadInt(int32_t& value);
    bool ReadDouble(double& value);
    // Reads a 32-bit length n, then n bytes and a terminator when n > 0.
    // A length that does not fit the capacity fails (nothing more is read).
    bool ReadString(char* buffer, size_t capacity, int32_t& length);
    // Like ReadString, but a longer text is cut to capacity - 1 and the rest
    // skipped, so the next field is read from the right place.
    bool ReadStringCut(char* buffer, size_t capacity, int32_t& length);
    size_t ReadBytes(void* buffer, size_t count);
    // Skips up to count bytes; false when the file ends first.
    bool Skip(uint64_t count);
    // Bytes between the current position and the end; 0 when no file.
    uint64_t Remaining();
    bool AtEnd();

    bool WriteInt(int32_t value);
    bool WriteDouble(double value);
    bool WriteString(const char* text);
    bool WriteLine(const char* text);
    bool WriteBytes(const void* data, size_t count);

    // Size of the file at path, -1 when the path is empty or it cannot be opened.
    static int32_t FileSize(const char* path);

private:
    FILE* m_pFile = nullptr;
};
