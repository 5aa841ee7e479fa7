// The process log caught in a temp folder, every level on, for the life of
// the object; and ways to look for lines in it.
#pragma once

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace vt_test {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string Text() const;
    // Empties the log.
    void Reset() const;
    // Whole lines without their line ends, in order.
    std::vector<std::string> Lines() const;
    // The message part (after "] - ") of every line, in order.
    std::vector<std::string> Messages() const;
    // A line at the level (0, marked "!!!", or detail) with exactly this
    // message; with a source, written from that source file.
    bool Has(int level, const std::string& message) const;
    bool Has(int level, const std::string& source, const std::string& message) const;
    // How often the piece occurs anywhere in the log.
    int Count(const std::string& piece) const;
    // Where the message stands in the log (npos when absent), for order checks.
    size_t Find(const std::string& message) const;

private:
    TempDir m_dir;
};

}  // namespace vt_test
