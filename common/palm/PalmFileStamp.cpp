#include "common/palm/PalmFileStamp.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxPlatform.h"

namespace {

uint64_t Rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

// A quick 64-bit mix of 8-byte words: it only has to notice edits, not
// resist them.
class Hasher {
public:
    void Add(const uint8_t* p, size_t n) {
        m_nTotal += n;
        while (n > 0) {
            const size_t take = std::min(n, sizeof m_tail - m_nTail);
            memcpy(m_tail + m_nTail, p, take);
            m_nTail += take;
            p += take;
            n -= take;
            if (m_nTail == sizeof m_tail) {
                Word(m_tail);
                m_nTail = 0;
            }
        }
    }
    uint64_t Finish() {
        if (m_nTail) {
            memset(m_tail + m_nTail, 0, sizeof m_tail - m_nTail);
            Word(m_tail);
        }
        uint64_t h = m_nHash ^ m_nTotal;
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        h *= 0xC4CEB9FE1A85EC53ull;
        h ^= h >> 33;
        return h;
    }

private:
    void Word(const uint8_t (&b)[8]) {
        uint64_t w = 0;
        for (int i = 7; i >= 0; --i) w = (w << 8) | b[i];
        m_nHash = Rotl(m_nHash ^ (w * 0x9E3779B97F4A7C15ull), 29) * 0xBF58476D1CE4E5B9ull;
    }

    uint64_t m_nHash = 0x243F6A8885A308D3ull;
    uint64_t m_nTotal = 0;
    uint8_t m_tail[8] = {};
    size_t m_nTail = 0;
};

}  // namespace

bool PmHashStream(FILE* f, uint64_t& size, uint64_t& hash) {
    size = 0;
    hash = 0;
    if (!f || fseek(f, 0, SEEK_SET) != 0) return false;
    std::vector<uint8_t> buffer(1 << 16);
    Hasher h;
    for (;;) {
        const size_t n = fread(buffer.data(), 1, buffer.size(), f);
        if (n > 0) h.Add(buffer.data(), n);
        size += n;
        if (n < buffer.size()) break;
    }
    const bool ok = !ferror(f);
    clearerr(f);
    if (fseek(f, 0, SEEK_SET) != 0) return false;
    hash = h.Finish();
    return ok;
}

bool PmStampStream(FILE* f, const char* path, PmFileStamp& out) {
    out = PmFileStamp{};
    if (!PmHashStream(f, out.size, out.hash)) return false;
    uint64_t size = 0;
    if (!cxplat::GetFileState(path, size, out.modified)) return false;
    out.valid = true;
    return true;
}

bool PmStreamChanged(FILE* f, const PmFileStamp& stamp) {
    if (!stamp.valid) return false;
    uint64_t size = 0, hash = 0;
    if (!PmHashStream(f, size, hash)) return true;
    return size != stamp.size || hash != stamp.hash;
}

bool PmFileChanged(const char* path, const PmFileStamp& stamp) {
    if (!stamp.valid) return false;
    uint64_t modified = 0, size = 0;
    if (!path || !cxplat::GetFileState(path, size, modified)) return true;
    // The quick check; equal size and time are taken as the same content.
    FILE* f = cxplat::OpenReadDenyWrite(path);
    if (!f) {
        // Held by someone else: only the quick check can be made.
        CX_LOG(2, "The Palm Desktop file could not be read to compare it with the loaded one: %s",
               path);
        return modified != stamp.modified || size != stamp.size;
    }
    bool changed = false;
    if (modified != stamp.modified) {
        changed = PmStreamChanged(f, stamp);
    } else {
        long end = -1;
        if (fseek(f, 0, SEEK_END) == 0) end = ftell(f);
        changed = end < 0 || static_cast<uint64_t>(end) != stamp.size;
    }
    fclose(f);
    return changed;
}

std::string PmTempPathFor(const char* target) {
    if (!target || !*target) return std::string();
    std::string temp(target);
    constexpr size_t kSuffix = sizeof PM_TEMP_SUFFIX - 1;
    if (temp.size() + kSuffix < PM_PATH_SIZE) return temp + PM_TEMP_SUFFIX;
    // Windows takes no longer path: the name gives up its end instead.
    const size_t name = temp.find_last_of("\\/") + 1;  // 0 when there is no folder
    if (temp.size() >= PM_PATH_SIZE || temp.size() - name <= kSuffix) return std::string();
    temp.replace(temp.size() - kSuffix, kSuffix, PM_TEMP_SUFFIX);
    return temp;
}

void PmRemoveStaleTemp(const char* target) {
    const std::string temp = PmTempPathFor(target);
    if (temp.empty()) return;
    if (!cxplat::FileExists(temp.c_str()) && !cxplat::FolderExists(temp.c_str())) return;
    if (!cxplat::IsRegularFile(temp.c_str())) {
        CX_LOG(0, "Left alone, not a file a save of this program leaves behind: %s", temp.c_str());
        return;
    }
    if (cxplat::RemoveFile(temp.c_str()))
        CX_LOG(2, "Removed the temporary file an interrupted save left behind: %s", temp.c_str());
    else
        CX_LOG(0, "Could not remove the temporary file an interrupted save left behind: %s",
               temp.c_str());
}
