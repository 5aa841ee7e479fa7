#include "fuzz/palm/FuzzPalm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzPalmClassic(data, size);
    return 0;
}
