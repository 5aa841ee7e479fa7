// SHA-256 (FIPS 180-4) of byte streams, for telling whether two copies of a
// file are the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CxSha256 {
public:
    CxSha256();
    void Add(const void* data, size_t size);
    // The digest as 64 lowercase hexadecimal digits; ends the stream.
    std::string HexDigest();

    static std::string Of(const std::string& data);

private:
    void Block(const uint8_t* p);

    uint32_t m_h[8];
    uint8_t m_buf[64];
    size_t m_used = 0;
    uint64_t m_total = 0;
};
