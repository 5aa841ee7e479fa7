// The log of a command-line tool. Errors are always logged: without a log
// folder they go to a private temporary one, removed at the end; the first
// error a loader logged gives the one-line reason of a failure.
#pragma once

#include <filesystem>
#include <string>

class PmToolLog {
public:
    // folder: where to log (levels up to 2), or null for the private one.
    PmToolLog(const char* folder, const char* stem);
    ~PmToolLog();
    PmToolLog(const PmToolLog&) = delete;
    PmToolLog& operator=(const PmToolLog&) = delete;

    // The first error line logged so far, without its prefix; empty if none.
    std::string FirstError() const;

private:
    std::filesystem::path m_Own;
};
