// Small Windows helpers over the platform layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Drive and folder of the module's file (the program when module is null),
// ending with a separator; empty text on failure.
bool GetModuleFolder(const void* module, char* out, size_t size);

// The fixed file version of the file's version resource; all 0 and false
// when it has none.
bool GetFileVersion(const char* path, int* major, int* minor, int* build, int* revision);

constexpr const char* kOutlookAppPathKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";

// "%d.%d.%d.%d" of OUTLOOK.EXE in the folder the App Paths key names. False
// when the key or value is missing (out untouched) or the file has no
// version (out emptied).
bool GetOutlookVersion(char* out, size_t size);

// The shell verb "open" on a file or address; false for an empty text.
bool RunByShell(const char* target);

// Up to 1024 bytes as "%02x" separated by single spaces.
std::string HexDump(const void* bytes, size_t length);
