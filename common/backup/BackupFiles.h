// What a data file is (size, last write, SHA-256) and its copying with the
// same safe replace as a save: a temporary file beside the target, put on
// disk, then moved over the target in one step and checked.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct BackupFileState {
    uint64_t size = 0;
    uint64_t writeTime = 0;  // FILETIME units (100 ns since 1601-01-01 UTC)
    std::string sha256;      // 64 lowercase hex digits; empty when unknown

    // Equal content; the time is for people, not for the comparison.
    bool SameContent(const BackupFileState& other) const {
        return !sha256.empty() && size == other.size && sha256 == other.sha256;
    }
};

// Reads the whole file. error gets one line when it cannot be read.
bool ReadBackupFileState(const std::string& path, BackupFileState& out, std::string& error);

// "2026-12-11 00:28:47 UTC"; empty for a time outside years 100..9999.
std::string BackupFileTimeText(uint64_t fileTime);
// The exact value back from the journal form "<FILETIME> (<text>)" or a bare number.
bool ParseBackupFileTime(const std::string& text, uint64_t& fileTime);

// The steps of a copy, in order; a test seam may make any of them fail.
enum class SafeCopyStep { OpenTemp, Write, Flush, Replace };
using SafeCopyFault = std::function<bool(SafeCopyStep)>;

// The temporary name used beside the target.
std::string SafeCopyTempPath(const std::string& to);

// Copies from over to: the target is either its old self or a complete copy.
// copied describes what was read (and found again in the target). On
// failure the temporary file is removed, the target untouched, and error
// says what failed.
bool SafeCopyFile(const std::string& from, const std::string& to, BackupFileState& copied,
                  std::string& error, const SafeCopyFault& fault = {});
