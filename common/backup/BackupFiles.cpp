#include "common/backup/BackupFiles.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "common/backup/CxSha256.h"
#include "common/misc/CxPlatform.h"

namespace {

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

constexpr size_t kChunk = 1 << 16;
// Days from 1601-01-01 to the OLE epoch 1899-12-30.
constexpr uint64_t kOleEpochDaysFrom1601 = 109205;
constexpr uint64_t kTicksPerSecond = 10000000ULL;

std::string SystemError() { return strerror(errno); }

// Hashes the stream to its end; false on a read error.
bool HashStream(FILE* f, CxSha256& hash, uint64_t& size, FILE* copyTo, bool& writeFailed) {
    std::vector<char> buf(kChunk);
    size = 0;
    writeFailed = false;
    for (;;) {
        const size_t n = fread(buf.data(), 1, buf.size(), f);
        if (n > 0) {
            hash.Add(buf.data(), n);
            size += n;
            if (copyTo && fwrite(buf.data(), 1, n, copyTo) != n) {
                writeFailed = true;
                return false;
            }
        }
        if (n < buf.size()) return !ferror(f);
    }
}

}  // namespace

bool ReadBackupFileState(const std::string& path, BackupFileState& out, std::string& error) {
    out = BackupFileState{};
    uint64_t size = 0;
    if (!cxplat::GetFileState(path.c_str(), size, out.writeTime)) {
        error = "Cannot find the file " + path + ".";
        return false;
    }
    FilePtr f(fopen(path.c_str(), "rb"));
    if (!f) {
        error = "Cannot read " + path + ": " + SystemError() + ".";
        return false;
    }
    CxSha256 hash;
    bool writeFailed = false;
    if (!HashStream(f.get(), hash, out.size, nullptr, writeFailed)) {
        error = "Cannot read " + path + " to its end.";
        return false;
    }
    out.sha256 = hash.HexDigest();
    return true;
}

std::string BackupFileTimeText(uint64_t fileTime) {
    const uint64_t seconds = fileTime / kTicksPerSecond;
    const double ole = static_cast<double>(seconds / 86400) -
                       static_cast<double>(kOleEpochDaysFrom1601) +
                       static_cast<double>(seconds % 86400) / 86400.0;
    CxSystemTime st;
    if (!cxplat::VariantTimeToSystemTime(ole, st)) return std::string();
    char buf[40];
    snprintf(buf, sizeof(buf), "%04u-%02u-%02u %02u:%02u:%02u UTC", st.wYear, st.wMonth, st.wDay,
             st.wHour, st.wMinute, st.wSecond);
    return buf;
}

bool ParseBackupFileTime(const std::string& text, uint64_t& fileTime) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = strtoull(text.c_str(), &end, 10);
    if (errno != 0 || (*end != '\0' && *end != ' ')) return false;
    fileTime = v;
    return true;
}

std::string SafeCopyTempPath(const std::string& to) { return to + ".vtpart"; }

bool SafeCopyFile(const std::string& from, const std::string& to, BackupFileState& copied,
                  std::string& error, const SafeCopyFault& fault) {
    auto fails = [&](SafeCopyStep step) { return fault && fault(step); };
    copied = BackupFileState{};
    uint64_t sizeBefore = 0, timeBefore = 0;
    if (!cxplat::GetFileState(from.c_str(), sizeBefore, timeBefore)) {
        error = "Cannot find the file " + from + ".";
        return false;
    }
    FilePtr in(fopen(from.c_str(), "rb"));
    if (!in) {
        error = "Cannot read " + from + ": " + SystemError() + ".";
        return false;
    }
    const std::string temp = SafeCopyTempPath(to);
    FilePtr out(fails(SafeCopyStep::OpenTemp) ? nullptr : fopen(temp.c_str(), "wb"));
    if (!out) {
        error = "Cannot create " + temp + ".";
        return false;
    }
    auto abandon = [&](const std::string& why) {
        out.reset();
        cxplat::RemoveFile(temp.c_str());
        error = why;
        return false;
    };
    CxSha256 hash;
    bool writeFailed = false;
    const bool readOk = HashStream(in.get(), hash, copied.size, out.get(), writeFailed);
    in.reset();
    if (writeFailed || fails(SafeCopyStep::Write)) return abandon("Cannot write " + temp + ".");
    if (!readOk) return abandon("Cannot read " + from + " to its end.");
    if (copied.size != sizeBefore)
        return abandon("The file " + from + " changed while it was copied.");
    copied.sha256 = hash.HexDigest();
    copied.writeTime = timeBefore;
    const bool flushed = !fails(SafeCopyStep::Flush) && cxplat::FlushToDisk(out.get());
    FILE* raw = out.release();
    if (fclose(raw) != 0 || !flushed) {
        cxplat::RemoveFile(temp.c_str());
        error = "Cannot put " + temp + " on disk.";
        return false;
    }
    // Read back before the target is touched: a copy that differs never replaces it.
    BackupFileState check;
    std::string why;
    if (!ReadBackupFileState(temp, check, why) || !check.SameContent(copied)) {
        cxplat::RemoveFile(temp.c_str());
        error = "The copy " + temp + " does not match " + from + ".";
        return false;
    }
    if (fails(SafeCopyStep::Replace) || !cxplat::MoveFileReplace(temp.c_str(), to.c_str())) {
        cxplat::RemoveFile(temp.c_str());
        error = "Cannot replace " + to + ".";
        return false;
    }
    return true;
}
