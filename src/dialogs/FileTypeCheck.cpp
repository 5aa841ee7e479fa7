#include "src/dialogs/FileTypeCheck.h"

#include "common/palm/PalmAddrInfo.h"

int DetectPalmFileType(const char* path) {
    // A facade of its own: the main window's loaded contacts stay untouched.
    PmAddrInfo info;
    return info.DetectFileType(path);
}
