// What a load remembers of the address.dat it read (size, write time and a
// hash of its bytes), to tell later whether someone else wrote the file
// meanwhile; and the temporary file a safe save leaves behind when killed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/misc/CxText.h"

// Room for a Palm file path: 259 characters and the terminator.
constexpr size_t PM_PATH_SIZE = CX_MAX_PATH;
// Appended to the target's path for the new content of a safe save.
constexpr char PM_TEMP_SUFFIX[] = ".vtnew";

struct PmFileStamp {
    bool valid = false;
    uint64_t size = 0;
    uint64_t modified = 0;
    uint64_t hash = 0;
};

// Size and hash of a stream's whole content, read from its start; the
// stream is left at its start. False on a read error.
bool PmHashStream(FILE* f, uint64_t& size, uint64_t& hash);

// Stamp of an open stream (hash and size) and its path (write time).
bool PmStampStream(FILE* f, const char* path, PmFileStamp& out);

// Whether the file at path still is the one stamped: the same size and
// write time settle it at once; otherwise the content decides, so a file
// only touched counts as unchanged. A file that is gone or cannot be read
// counts as changed. An invalid stamp is never changed.
bool PmFileChanged(const char* path, const PmFileStamp& stamp);
// The same for a file already open (the stream is left at its start).
bool PmStreamChanged(FILE* f, const PmFileStamp& stamp);

// The temporary file of a save of target: target + PM_TEMP_SUFFIX when that
// fits in 259 characters, else target with its last characters replaced by
// the suffix (same length; the file name must be longer than the suffix).
// Empty when neither fits.
std::string PmTempPathFor(const char* target);

// Removes a temporary file an interrupted save left beside target: only a
// plain file named exactly PmTempPathFor(target). Call while holding the
// target, so no save of ours is running. Logs what it removed or kept.
void PmRemoveStaleTemp(const char* target);
