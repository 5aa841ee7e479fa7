#include "src/dialogs/FileTypeCheck.h"

#include "common/misc/CxDebugUtil.h"

// Built while the Palm Desktop facade is not part of the tree.
int DetectPalmFileType(const char* path) {
    CX_LOG(0, "Palm Desktop file type detection is not available: %s", path ? path : "");
    return 255;
}
