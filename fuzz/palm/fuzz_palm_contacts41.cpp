#include "fuzz/palm/FuzzPalm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzPalmContacts41(data, size);
    return 0;
}
