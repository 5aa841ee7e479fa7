// The vtexport command: reads a Palm Desktop contacts file without changing
// it and writes its contacts as vCard or CSV.
#pragma once

#include <ostream>

// Runs the command: the export goes to -o FILE (written whole or not at all)
// or to out; the counts or the one-line reason go to err. Exit code: 0 done,
// 1 bad input or a failed write, 2 bad arguments.
int VtExportRun(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
