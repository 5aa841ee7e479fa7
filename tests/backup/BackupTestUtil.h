// Helpers of the backup tests.
#pragma once

#include <string>
#include <vector>

#include "common/misc/CxPlatform.h"

namespace backup_test {

CxSystemTime Time(int y, int mo, int d, int h, int mi, int s, int ms);
// Every byte value, repeated: long enough to cross the copy's chunks.
std::string BinaryContent(size_t size, unsigned seed);
// Names of the entries of a folder, sorted; empty when it cannot be read.
std::vector<std::string> Entries(const std::string& folder);

}  // namespace backup_test
