// Fuzz targets of the two Palm Desktop file loaders, shared by the libFuzzer
// harnesses and the replay of kept inputs.
#pragma once

#include <cstddef>
#include <cstdint>

// Loads the bytes as a classic address book file; when it loads and can be
// saved, checks that a save loads again and that saving twice agrees.
// Aborts on a broken property.
void FuzzPalmClassic(const uint8_t* data, size_t size);
void FuzzPalmContacts41(const uint8_t* data, size_t size);
