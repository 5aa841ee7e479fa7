// Text helpers of the Palm Desktop store: conversions between the ANSI code
// page and UTF-16, and SQL literals.
#pragma once

#include <cstddef>

#include "common/palm/PmDatabase.h"

// Converts to the ANSI code page; the output is always terminated, a long
// text is cut to size - 1 bytes. An absent or empty input gives "".
bool ToNarrow(const char16_t* text, char* out, size_t size);
// The reverse, size counted in UTF-16 units.
bool ToWide(const char* text, char16_t* out, size_t size);

// The largest text DoubleQuotes looks at.
constexpr size_t PM_QUOTE_WORK_SIZE = 20480;

// Doubles every single quote in place; the result holds at most size - 1
// characters and never ends between the two quotes of a doubled pair.
bool DoubleQuotes(char* text, size_t size);

// Renders a boolean, 32-bit integer or text value as an SQL literal that fits
// size bytes with its terminator. Other kinds write nothing and give false.
// cut (optional) tells whether the text had to be shortened.
bool FormatSqlLiteral(const PmSqlValue& value, char* out, size_t size, bool* cut = nullptr);
