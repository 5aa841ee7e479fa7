// The storage generation of a Palm Desktop contacts file: 1, 2 or 3 for a
// file one of the stores loads, 0 for no path, 255 otherwise.
#pragma once

int DetectPalmFileType(const char* path);
