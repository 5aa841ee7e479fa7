#include "common/misc/CxFile.h"

#include <cstring>

namespace {

void PutLe32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

uint32_t GetLe32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

bool CxFile::Open(const char* path, const char* mode) {
    Close();
    if (!path || !*path || !mode || !*mode) return false;
    m_pFile = fopen(path, mode);
    return m_pFile != nullptr;
}

void CxFile::Attach(FILE* f) {
    Close();
    m_pFile = f;
}

bool CxFile::Close() {
    if (!m_pFile) return true;
    bool ok = fclose(m_pFile) == 0;
    m_pFile = nullptr;
    return ok;
}

size_t CxFile::ReadBytes(void* buffer, size_t count) {
    if (!m_pFile || count == 0) return 0;
    return fread(buffer, 1, count, m_pFile);
}

bool CxFile::ReadInt(int32_t& value) {
    if (!m_pFile) return false;
    unsigned char b[4] = {};
    value = ReadBytes(b, 4) == 4 ? static_cast<int32_t>(GetLe32(b)) : 0;
    return true;
}

bool CxFile::ReadDouble(double& value) {
    if (!m_pFile) return false;
    unsigned char b[8] = {};
    if (ReadBytes(b, 8) != 8) {
        value = 0.0;
        return true;
    }
    uint64_t bits = uint64_t(GetLe32(b)) | uint64_t(GetLe32(b + 4)) << 32;
    memcpy(&value, &bits, sizeof(value));
    return true;
}

bool CxFile::ReadString(char* buffer, size_t capacity, int32_t& length) {
    if (!ReadInt(length)) return false;
    if (length <= 0) return true;
    if (static_cast<uint64_t>(length) >= capacity) return false;
    size_t got = ReadBytes(buffer, static_cast<size_t>(length));
    buffer[got] = 0;
    return true;
}

bool CxFile::ReadStringCut(char* buffer, size_t capacity, int32_t& length) {
    if (!ReadInt(length)) return false;
    if (length <= 0) return true;
    if (capacity == 0) return Skip(static_cast<uint64_t>(length));
    size_t keep = static_cast<uint64_t>(length) < capacity ? static_cast<size_t>(length)
                                                           : capacity - 1;
    size_t got = ReadBytes(buffer, keep);
    buffer[got] = 0;
    if (got < keep) return true;
    return Skip(static_cast<uint64_t>(length) - keep);
}

uint64_t CxFile::Remaining() {
    if (!m_pFile) return 0;
    long pos = ftell(m_pFile);
    if (pos < 0 || fseek(m_pFile, 0, SEEK_END) != 0) return 0;
    long end = ftell(m_pFile);
    fseek(m_pFile, pos, SEEK_SET);
    return end > pos ? static_cast<uint64_t>(end - pos) : 0;
}

bool CxFile::AtEnd() { return Remaining() == 0; }

bool CxFile::Skip(uint64_t count) {
    if (!m_pFile) return false;
    uint64_t left = Remaining();
    uint64_t step = count < left ? count : left;
    fseek(m_pFile, static_cast<long>(step), SEEK_CUR);
    return step == count;
}

bool CxFile::WriteBytes(const void* data, size_t count) {
    if (!m_pFile) return false;
    return count == 0 || fwrite(data, 1, count, m_pFile) == count;
}

bool CxFile::WriteInt(int32_t value) {
    unsigned char b[4];
    PutLe32(b, static_cast<uint32_t>(value));
    return WriteBytes(b, 4);
}

bool CxFile::WriteDouble(double value) {
    uint64_t bits;
    memcpy(&bits, &value, sizeof(bits));
    unsigned char b[8];
    PutLe32(b, static_cast<uint32_t>(bits));
    PutLe32(b + 4, static_cast<uint32_t>(bits >> 32));
    return WriteBytes(b, 8);
}

bool CxFile::WriteString(const char* text) {
    size_t n = text ? strlen(text) : 0;
    if (n > 0x7FFFFFFF) return false;
    return WriteInt(static_cast<int32_t>(n)) && WriteBytes(text, n);
}

bool CxFile::WriteLine(const char* text) {
    if (!m_pFile) return false;
    return fprintf(m_pFile, "%s\r\n", text ? text : "") >= 0;
}

int32_t CxFile::FileSize(const char* path) {
    if (!path || !*path) return -1;
    FILE* f = fopen(path, "rb");
    if (!f) return -1;
    long size = -1;
    if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
    fclose(f);
    if (size < 0) return -1;
    return size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(size);
}
