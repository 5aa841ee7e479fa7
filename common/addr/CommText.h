// The text rules the record code and the matching share (not for other users).
#pragma once

#include <cstddef>
#include <cstdint>

namespace comm_detail {

// Ids compared as text when records are compared.
bool IsCompareTextId(int32_t id);
// Characters of a text slot up to its terminator or its end, whichever
// comes first: a slot filled to the brim is never read past.
size_t SlotTextLen(const char* text, size_t size);
bool IsLineBreak(char c);
signed char FoldUpper(char c);
// The text comparison over texts that end at their terminator or after n
// characters.
int CompareTextBounded(const char* a, size_t na, const char* b, size_t nb);

}  // namespace comm_detail
