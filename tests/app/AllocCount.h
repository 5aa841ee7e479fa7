// Bytes the program holds through operator new, for the hand-run memory
// measurements: linking AllocCount.cpp replaces the global operators.
#pragma once

#include <cstdint>

int64_t LiveNewBytes();
