// Prints the content of a Palm Desktop contacts file (classic address book
// or 4.1.x contacts file) without changing it.
#pragma once

#include <ostream>
#include <string>

enum class PmFileFormat { Unknown, Classic, Contacts41 };

// Detects the format from the first bytes of the file.
PmFileFormat PalmDumpDetect(const char* path);

// Writes the listing (text with CSV records, or JSON) to out. On failure
// returns false and sets reason to one line.
bool PalmDump(const char* path, bool json, std::ostream& out, std::string& reason);
